#include "ui/CPelkoApp.h"

#include "core/CTool.h"
#include "report/CCrashRecorder.h"
#include "ui/CAutoRunWindow.h"
#include "ui/CErrorDialog.h"
#include "ui/CMainWindow.h"
#include "ui/CQtFrontEnd.h"
#include "ui/CQtText.h"
#include "ui/CUiHooks.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdlib>

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

bool CPelkoApp::HasDisplay() {
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

int CPelkoApp::Run(int argc, char** argv, const std::string& commandLine, bool automatic) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelko");
    QApplication::setApplicationVersion(PELKO_VERSION);
    QApplication::setDesktopFileName("pelko");
    QApplication::setWindowIcon(QIcon::fromTheme("pelko", QIcon(ToQt(CTool::GetProgramDir()) + "/logo.bmp")));
    // German texts for the platform's own dialogs (file dialogs, standard buttons) where installed.
    QTranslator translator;
    if (translator.load(QLocale(QLocale::German), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&translator);

    CUiHooks::startCheck = CErrorDialog::StartCheck;
    CUiHooks::exceptionTest = CCrashRecorder::ProvokeCrash;
    CQtFrontEnd frontEnd;
    if (automatic) {
        CAutoRunWindow window(frontEnd, commandLine);
        window.show();
        window.Start();
        QApplication::exec();
        return window.ExitStatus();
    }
    CMainWindow window(frontEnd, commandLine);
    window.show();
    QApplication::exec();
    return 0;
}
