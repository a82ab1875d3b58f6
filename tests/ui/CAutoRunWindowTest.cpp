#include "CAutoRunWindowTest.h"

#include "UiTestSupport.h"
#include "support/CTempDir.h"
#include "ui/CAutoRunWindow.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

void CAutoRunWindowTest::RunShowsItsSummaryAndEndsWithItsStatus_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("box");
    QTest::newRow("completed") << PELKO_SOURCE_DIR "/examples/buchungen.csv" << 0
                               << "Konvertierung abgeschlossen (15 Buchungen)."
                               << "";
    QTest::newRow("input missing") << "fehlt.csv" << 1 << "Konvertierung abgebrochen."
                                   << "(E:601#";
}

void CAutoRunWindowTest::RunShowsItsSummaryAndEndsWithItsStatus() {
    QFETCH(QString, input);
    QFETCH(QString, box);
    CTempDir temp;
    CScriptedFrontEnd frontEnd;
    const std::string output = temp.File("aus.csv");
    CAutoRunWindow window(frontEnd,
                          CommandLine({"/AUTO", "/in:csv:bu:" + input.toStdString(), "/out:csv:" + output}));
    window.show();
    QSignalSpy finished(&window, &CAutoRunWindow::RunFinished);
    QElapsedTimer clock;
    clock.start();
    window.Start();
    QVERIFY(finished.wait(20000));
    QTEST(window.ExitStatus(), "status");
    QTEST(window.status->text(), "summary");
    if (box.isEmpty())
        QVERIFY(frontEnd.boxes.empty());
    else
        QVERIFY(!frontEnd.boxes.empty() && QString::fromStdString(frontEnd.boxes[0]).startsWith(box));
    // The summary stays for about three seconds, then the window closes by itself.
    QVERIFY(window.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
    QVERIFY(clock.elapsed() >= CAutoRunWindow::kTicks * CAutoRunWindow::kTickMs);
}
