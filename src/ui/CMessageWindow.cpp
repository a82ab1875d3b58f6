#include "ui/CMessageWindow.h"

#include "ui/CQtText.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CMessageWindow::CMessageWindow(CFrontEnd& frontEndRef, QWidget* parent)
    : QDialog(parent), captionLabel(new QLabel), textBox(new QPlainTextEdit), okButton(new QPushButton("OK")),
      saveButton(new QPushButton("Protokoll speichern")), frontEnd(frontEndRef) {
    setWindowTitle("Meldungen");
    captionLabel->setText(ToQt(logic.caption));
    textBox->setReadOnly(true);
    textBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Findings name fields and values in columns; a fixed font keeps them readable.
    textBox->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel);
    layout->addWidget(textBox, 1);
    layout->addLayout(buttons);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(saveButton, &QPushButton::clicked, this, [this] { logic.SaveProtocol(frontEnd); });
    resize(700, 420);
}

void CMessageWindow::Open(const std::string& caption, const std::string& text) {
    logic.Open(caption, text);
    captionLabel->setText(ToQt(logic.caption));
    QString shown = ToQt(logic.text);
    shown.replace("\r\n", "\n");
    textBox->setPlainText(shown);
}
