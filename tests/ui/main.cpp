#include "CAutoRunWindowTest.h"
#include "CDialogsTest.h"
#include "CMainWindowTest.h"
#include "CScreenshotTest.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <cstring>

// pelko_ui_tests SUITE [QTest arguments]: runs one suite, so that CTest lists each on its own.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: pelko_ui_tests CMainWindowTest|CDialogsTest|CAutoRunWindowTest|"
                             "CScreenshotTest [Ordner]\n");
        return 2;
    }
    const char* suite = argv[1];
    QStringList rest{argv[0]};
    if (!std::strcmp(suite, "CScreenshotTest")) {
        CScreenshotTest test(argc > 2 ? argv[2] : "screenshots");
        return QTest::qExec(&test, rest);
    }
    for (int i = 2; i < argc; ++i)
        rest << argv[i];
    if (!std::strcmp(suite, "CMainWindowTest")) {
        CMainWindowTest test;
        return QTest::qExec(&test, rest);
    }
    if (!std::strcmp(suite, "CDialogsTest")) {
        CDialogsTest test;
        return QTest::qExec(&test, rest);
    }
    if (!std::strcmp(suite, "CAutoRunWindowTest")) {
        CAutoRunWindowTest test;
        return QTest::qExec(&test, rest);
    }
    std::fprintf(stderr, "Unbekannte Testgruppe %s\n", suite);
    return 2;
}
