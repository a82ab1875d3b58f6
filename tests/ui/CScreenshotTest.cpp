#include "CScreenshotTest.h"

#include "UiTestSupport.h"
#include "datev/CDatev.h"
#include "db/CDlgModulMdbExport.h"
#include "db/CDlgModulMdbImport.h"
#include "support/CTempDir.h"
#include "text/CDlgModulCsvExport.h"
#include "text/CDlgModulCsvImport.h"
#include "ui/CAboutBox.h"
#include "ui/CAutoRunWindow.h"
#include "ui/CCsvColumnDialog.h"
#include "ui/CDatevAngabenDialog.h"
#include "ui/CDbColumnDialog.h"
#include "ui/CHelp.h"
#include "ui/CMainWindow.h"
#include "ui/CMessageWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSet>
#include <QTest>

#include <filesystem>

namespace {

// Saves what the X server shows of the window and checks that it is a picture, not a blank.
void Take(QWidget* window, const QString& file) {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(300);
    QImage image = window->screen()->grabWindow(window->winId()).toImage();
    QVERIFY(!image.isNull());
    QVERIFY(image.save(file));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 8, qPrintable(file));
}

} // namespace

void CScreenshotTest::EachWindow() {
    if (QGuiApplication::platformName() != "xcb")
        QSKIP("Bildschirmfotos nur unter Xvfb (QT_QPA_PLATFORM=xcb)");
    CTempDir temp;
    const std::string input = temp.File("eingabe.csv");
    CTempDir::Write(input, "Datum;Betrag;Text\r\n01.02.2024;12,50;Miete\r\n");
    auto path = [&](const char* name) { return folder + "/" + name; };
    CScriptedFrontEnd frontEnd;

    CMainWindow window(frontEnd, CommandLine({"/in:csv:bu:" + input, "/out:datevpro:/tmp/Export/daten.csv"}));
    window.progress->setValue(40);
    Take(&window, path("hauptfenster.png"));
    CAboutBox about(&window);
    Take(&about, path("info.png"));
    about.close();
    CHelp::Show(10002, &window);
    Take(CHelp::Current(), path("hilfe.png"));
    CHelp::Current()->close();

    CMessageWindow messages(frontEnd, &window);
    messages.Open(
        "Es wurden folgende Fehler festgestellt:",
        Ansi("HINWEIS: Zeile 1, Feld 'Buchungstext' darf maximal 30 Zeichen haben. 'Ausgangsrechnung "
             "Müller & Söhne GmbH' wurde auf 'Ausgangsrechnung Müller & Söhn' gekürzt\r\n"
             "FEHLER: Zeile 4, 'Betrag' ist 0.\r\n"));
    Take(&messages, path("meldungen.png"));
    messages.close();

    CDatev datev(frontEnd);
    datev.datumVon = "02.01.2024";
    datev.datumBis = "28.03.2024";
    CDatevDialog datevLogic(datev);
    datevLogic.Open();
    CDatevAngabenDialog datevDialog(datevLogic, &window);
    Take(&datevDialog, path("datev-angaben.png"));
    datevDialog.close();

    CPelkoDoc& doc = window.Document();
    CDlgModulCsvExport exportLogic(doc.csvExportBookings);
    exportLogic.Open();
    CCsvColumnDialog exportDialog(exportLogic, &window);
    Take(&exportDialog, path("csv-export.png"));
    exportDialog.close();
    QVERIFY(doc.csvImportBookings.PrepareImport(input) && doc.csvImportBookings.OpenImportFile(input));
    doc.csvImportBookings.SetupImport("csv.ini", "Import Buchungsdaten", 0);
    CDlgModulCsvImport importLogic(doc.csvImportBookings);
    importLogic.Open();
    CCsvColumnDialog importDialog(importLogic, &window);
    Take(&importDialog, path("csv-import.png"));
    importDialog.close();
    doc.csvImportBookings.CloseFile();

    CDlgModulMdbExport databaseExportLogic(doc.dbExportBookings, temp.File("aus.sqlite"));
    databaseExportLogic.TakeFromEngine("Buchungsdaten");
    databaseExportLogic.Open();
    CDbColumnDialog databaseExport(databaseExportLogic, &window);
    Take(&databaseExport, path("datenbank-export.png"));
    databaseExport.close();
    CDlgModulMdbImport databaseImportLogic(doc.dbImportMaster, "");
    databaseImportLogic.TakeFromEngine("Stammdaten");
    databaseImportLogic.Open();
    CDbColumnDialog databaseImport(databaseImportLogic, &window);
    Take(&databaseImport, path("datenbank-import.png"));
    databaseImport.close();

    CAutoRunWindow autoRun(frontEnd,
                           CommandLine({"/AUTO", "/in:csv:bu:" + input, "/out:csv:" + temp.File("aus.csv")}));
    autoRun.Start();
    QTRY_VERIFY_WITH_TIMEOUT(!autoRun.IsRunning(), 20000);
    Take(&autoRun, path("automatik.png"));
    window.close();
}
