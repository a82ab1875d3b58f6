#include "ui/CErrorDialog.h"

#include "core/CTool.h"
#include "ui/CQtText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* BoldLabel(const std::string& text, int pixelHeight = 0) {
    auto* label = new QLabel(ToQt(text));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont font = label->font();
    font.setBold(true);
    if (pixelHeight > 0) font.setPixelSize(pixelHeight);
    label->setFont(font);
    return label;
}

} // namespace

CErrorDialog::CErrorDialog(const CErrorReport& reportRef, QWidget* parent)
    : QDialog(parent), report(reportRef) {
    setWindowTitle("FEHLER");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BoldLabel(report.NumberLine(), static_cast<int>(14 * CTool::GetScaleFactor())));
    layout->addWidget(BoldLabel(report.Text()));
    auto* hint = new QLabel(QString::fromUtf8(
        "Mit \"Fehlermeldung senden\" öffnet Ihr E-Mail-Programm eine vorbereitete Nachricht an unsere "
        "Unterstützung, die Fehlerberichte sind angehängt. Bitte beschreiben Sie darin, wie es zu dem Fehler "
        "kam."));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    QPushButton* send = buttons->addButton("Fehlermeldung senden", QDialogButtonBox::ActionRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(send, &QPushButton::clicked, this, &CErrorDialog::Send);
    setMinimumWidth(420);
}

void CErrorDialog::Send() {
    // The mail program may keep xdg-email waiting; the window takes no input meanwhile.
    setEnabled(false);
    const std::string problem = report.Send(CErrorReport::SupportAddress());
    setEnabled(true);
    activateWindow();
    if (!problem.empty()) QMessageBox::warning(this, "FEHLER", ToQt(problem));
}

int CErrorDialog::ShowError(QWidget* parent, int number, const std::string& text) {
    CErrorReport report;
    report.SetError(number, text);
    CErrorDialog dialog(report, parent);
    const int result = dialog.exec();
    report.DeleteFoundFiles();
    return result;
}

void CErrorDialog::StartCheck(QWidget* window) {
    if (CErrorReport().CrashFilesPresent() != 0)
        ShowError(window, CErrorReport::kCrashNumber, CErrorReport::CrashText());
}
