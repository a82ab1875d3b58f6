#include "ui/CHelp.h"

#include "core/CTool.h"
#include "ui/CQtText.h"

#include <QDir>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QPointer<CHelp> current;

QString HelpFolder() {
    return ToQt(CTool::GetProgramDir()) + "/help";
}

} // namespace

QString CHelp::PageOf(int context) {
    switch (context) {
    case 10002:
        return "schritt1.html";
    case 10005:
        return "schritt2.html";
    case 10006:
        return "schritt3.html";
    case 131206:
        return "datev-angaben.html";
    default:
        return "index.html";
    }
}

CHelp::CHelp(QWidget* parent) : QDialog(parent), browser(new QTextBrowser) {
    setWindowTitle("Pelko - Hilfe");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    browser->setSearchPaths({HelpFolder()});
    browser->setOpenExternalLinks(true);
    auto* back = new QPushButton("Zurück");
    auto* home = new QPushButton("Inhalt");
    auto* close = new QPushButton("Schließen");
    connect(back, &QPushButton::clicked, browser, &QTextBrowser::backward);
    connect(browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(home, &QPushButton::clicked, this, [this] { browser->setSource(QUrl("index.html")); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    back->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(home);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser, 1);
    resize(760, 600);
}

CHelp* CHelp::Current() {
    return current;
}

void CHelp::Show(int context, QWidget* parent) {
    const QString page = PageOf(context);
    if (!QDir(HelpFolder()).exists(page)) {
        QMessageBox::warning(
            parent, "Pelko",
            QString::fromUtf8("Die Hilfeseite '%1' wurde nicht gefunden.").arg(HelpFolder() + "/" + page));
        return;
    }
    // A help window belongs to the window that asked, so it stays usable beside a modal dialog.
    if (current && current->parentWidget() != parent) {
        current->close();
        current = nullptr;
    }
    if (!current) current = new CHelp(parent);
    current->browser->setSource(QUrl(page));
    current->show();
    current->raise();
    current->activateWindow();
}
