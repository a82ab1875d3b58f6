#include "ui/CQtFrontEnd.h"

#include "core/CDialogLogic.h"
#include "ui/CDialogWidgets.h"
#include "ui/CMessageWindow.h"
#include "ui/CQtText.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

void CQtFrontEnd::Attach(QWidget* windowWidget, QLabel* statusLabel, QProgressBar* progressBar) {
    window = windowWidget;
    status = statusLabel;
    progress = progressBar;
}

void CQtFrontEnd::SetStatus(const std::string& text) {
    QString shown = ToQt(text);
    auto show = [this, shown] {
        if (status) status->setText(shown);
    };
    if (QThread::currentThread() == thread())
        show();
    else
        QMetaObject::invokeMethod(this, show, Qt::QueuedConnection);
}

void CQtFrontEnd::SetProgressRange(int lowValue, int highValue) {
    low = lowValue;
    high = highValue;
    ShowProgress();
}

void CQtFrontEnd::SetProgressPos(int value) {
    position = value;
    ShowProgress();
}

void CQtFrontEnd::ShowProgress() {
    auto show = [this] {
        progressPosted = false;
        if (!progress) return;
        progress->setRange(low, high > low ? high : low);
        progress->setValue(position);
    };
    if (QThread::currentThread() == thread())
        show();
    else if (!progressPosted.exchange(true))
        QMetaObject::invokeMethod(this, show, Qt::QueuedConnection);
}

CFrontEnd::EAnswer CQtFrontEnd::MessageBox(const std::string& text, EIcon icon, EButtons buttons) {
    return OnGuiThread([&] { return AskUser(text, icon, buttons); });
}

void CQtFrontEnd::ShowMessages(const std::string& caption, const std::string& text) {
    if (unattended) {
        std::fprintf(stderr, "%s\n%s\n", CCodePage::AnsiToUtf8(caption).c_str(),
                     CCodePage::AnsiToUtf8(text).c_str());
        return;
    }
    OnGuiThread([&] {
        CMessageWindow messages(*this, window);
        messages.Open(caption, text);
        messages.exec();
    });
}

bool CQtFrontEnd::RunDialog(CDialogLogic& dialog) {
    return OnGuiThread([&] {
        std::unique_ptr<QDialog> widget = CreateDialogWidget(dialog, window);
        if (!widget) {
            AskUser(Ansi("Der Dialog '") + dialog.GetTitle() +
                        Ansi("' ist in dieser Version nicht enthalten."),
                    EIcon::Error, EButtons::Ok);
            return false;
        }
        return widget->exec() == QDialog::Accepted;
    });
}

bool CQtFrontEnd::ChooseFile(bool save, const std::string& title, const std::string& filter,
                             const std::string& folder, std::string& chosen) {
    CFileRequest request;
    request.save = save;
    request.title = title;
    request.filter = filter;
    request.folder = folder;
    return RequestFile(request, chosen);
}

bool CQtFrontEnd::RequestFile(const CFileRequest& request, std::string& chosen) {
    return OnGuiThread([&] { return AskFile(request, chosen); });
}

CFrontEnd::EAnswer CQtFrontEnd::AskUser(const std::string& text, EIcon icon, EButtons buttons) {
    static const QMessageBox::Icon kIcons[] = {QMessageBox::Critical, QMessageBox::Warning,
                                               QMessageBox::Information, QMessageBox::Question};
    QMessageBox box(kIcons[static_cast<int>(icon)], "Pelko", ToQt(text), QMessageBox::NoButton, window);
    auto add = [&](QMessageBox::StandardButton button, const char* caption) {
        box.addButton(button)->setText(caption);
    };
    switch (buttons) {
    case EButtons::Ok:
        add(QMessageBox::Ok, "OK");
        break;
    case EButtons::OkCancel:
        add(QMessageBox::Ok, "OK");
        add(QMessageBox::Cancel, "Abbrechen");
        break;
    case EButtons::YesNo:
        add(QMessageBox::Yes, "Ja");
        add(QMessageBox::No, "Nein");
        break;
    case EButtons::YesNoCancel:
        add(QMessageBox::Yes, "Ja");
        add(QMessageBox::No, "Nein");
        add(QMessageBox::Cancel, "Abbrechen");
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return EAnswer::Ok;
    case QMessageBox::Yes:
        return EAnswer::Yes;
    case QMessageBox::No:
        return EAnswer::No;
    default:
        return buttons == EButtons::Ok ? EAnswer::Ok : EAnswer::Cancel;
    }
}

QStringList CQtFrontEnd::NameFilters(const std::string& filter) {
    QStringList parts = ToQt(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i].trimmed();
        QString patterns = parts[i + 1].split(QRegularExpression("[;\\s]+"), Qt::SkipEmptyParts).join(' ');
        if (label.isEmpty() || patterns.isEmpty()) continue;
        // The dialog reads the patterns from the last parentheses of each entry.
        filters << (label.endsWith("(" + patterns + ")") ? label : label + " (" + patterns + ")");
    }
    return filters;
}

bool CQtFrontEnd::AskFile(const CFileRequest& request, std::string& chosen) {
    QFileDialog dialog(window, ToQt(request.title), ToQt(request.folder));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(request.filter));
    dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    // A proposed name with wildcards works as the filter it names, as the filter list already does.
    if (!request.proposedName.empty() && request.proposedName.find_first_of("*?") == std::string::npos)
        dialog.selectFile(ToQt(request.proposedName));
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        if (ToAnsiPath(dialog.selectedFiles().first(), chosen)) return true;
        AskUser(
            Ansi("Der Pfad '") + chosen +
                Ansi("' enthält Zeichen, die Pelko nicht verarbeiten kann. Bitte wählen Sie einen anderen "
                     "Ordner oder Dateinamen."),
            EIcon::Error, EButtons::Ok);
    }
    return false;
}
