#include "CMainWindowTest.h"

#include "UiTestSupport.h"
#include "support/CTempDir.h"
#include "support/RunPelko.h"
#include "ui/CHelp.h"
#include "ui/CMainWindow.h"
#include "ui/CMessageWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <filesystem>
#include <memory>

namespace {

const QString kHint = "!!! Aufbau des Dateinamens: EXTF_{beliebig}.csv !!!";
const std::string kExamples = PELKO_SOURCE_DIR "/examples/";

std::unique_ptr<CMainWindow> OpenWindow(CQtFrontEnd& frontEnd,
                                        const std::vector<std::string>& arguments = {}) {
    auto window = std::make_unique<CMainWindow>(frontEnd, CommandLine(arguments));
    window->show();
    return window;
}

} // namespace

void CMainWindowTest::ListChangeRules_data() {
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("output");
    QTest::addColumn<QString>("outputFile");
    QTest::addColumn<bool>("inputSettings");
    QTest::addColumn<bool>("inputFileEnabled");
    QTest::addColumn<bool>("outputSettings");
    QTest::addColumn<bool>("outputFileEnabled");
    QTest::addColumn<bool>("hint");
    QTest::newRow("KNE to DATEVpro, plain name")
        << 0 << 1 << "/x/daten.csv" << false << true << false << true << true;
    QTest::newRow("DATEVpro to DATEVpro, EXTF name")
        << 1 << 1 << "/x/EXTF_daten.csv" << false << true << false << true << false;
    QTest::newRow("DATEVpro name without .csv")
        << 1 << 1 << "/x/EXTF_daten.txt" << false << true << false << true << true;
    QTest::newRow("CSV to CSV") << 2 << 2 << "/x/daten.csv" << true << true << true << true << false;
    QTest::newRow("Access to RTF") << 3 << 5 << "/x/liste.rtf" << true << true << false << true << false;
    QTest::newRow("SQL to SQL") << 4 << 4 << "" << true << false << true << false << false;
}

void CMainWindowTest::ListChangeRules() {
    QFETCH(int, input);
    QFETCH(int, output);
    QFETCH(QString, outputFile);
    CTempDir temp;
    CScriptedFrontEnd frontEnd;
    auto window = OpenWindow(frontEnd);
    // Away and back, so that every row really goes through a change of each list.
    window->inputType->setCurrentIndex((input + 1) % 5);
    window->inputType->setCurrentIndex(input);
    window->outputType->setCurrentIndex((output + 1) % 6);
    window->outputType->setCurrentIndex(output);
    window->outputFile->clear();
    QTest::keyClicks(window->outputFile, outputFile);

    QTEST(window->inputSettings->isEnabled(), "inputSettings");
    QTEST(window->inputFile->isEnabled(), "inputFileEnabled");
    QTEST(window->inputChoose->isEnabled(), "inputFileEnabled");
    QTEST(window->outputSettings->isEnabled(), "outputSettings");
    QTEST(window->outputFile->isEnabled(), "outputFileEnabled");
    QTEST(window->outputChoose->isEnabled(), "outputFileEnabled");
    QFETCH(bool, hint);
    QCOMPARE(window->hintLine->text(), hint ? kHint : QString());
    QCOMPARE(window->Document().inputType, input);
    QCOMPARE(window->Document().outputFile, Ansi(outputFile.toStdString()));
}

void CMainWindowTest::CommandLinePresetsTheWindow() {
    CTempDir temp;
    CScriptedFrontEnd frontEnd;
    auto window =
        OpenWindow(frontEnd, {"/in:sql:bu:DSN=Buchhaltung", "/typ1", "/out:rtf:/tmp/Bücher/Liste.rtf"});
    QCOMPARE(window->inputType->currentText(), QString("SQL-Datenbank"));
    QCOMPARE(window->dataType->currentText(), QString("Stammdaten"));
    QCOMPARE(window->outputType->currentText(), QString("RTF/Word-Datei"));
    QCOMPARE(window->outputFile->text(), QString::fromUtf8("/tmp/Bücher/Liste.rtf"));
    // The preset goes through the change rules like a choice in the list.
    QVERIFY(!window->inputFile->isEnabled());
    QVERIFY(window->inputSettings->isEnabled());
    QCOMPARE(window->windowTitle(), QString("Pelko (%1)").arg(PELKO_VERSION));
}

void CMainWindowTest::ChosenFilesSetTypeFolderAndHint() {
    CTempDir temp;
    const std::string folder = temp.File("Daten Müller");
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(PELKO_TEST_DATA "/kne/master_ed/ED00001", folder + "/ED00001");
    CScriptedFrontEnd frontEnd;
    auto window = OpenWindow(frontEnd);
    window->inputType->setCurrentIndex(0);
    window->dataType->setCurrentIndex(0);
    window->outputType->setCurrentIndex(1);
    frontEnd.nextFiles = {folder + "/ED00001", folder + "/daten.csv", folder + "/EXTF_daten.csv"};

    QTest::mouseClick(window->inputChoose, Qt::LeftButton);
    QCOMPARE(window->inputFile->text(), QString::fromStdString(folder + "/ED00001"));
    QCOMPARE(window->dataType->currentText(), QString("Stammdaten")); // the file holds master data
    QCOMPARE(window->Document().dataType, 1);
    const CFrontEnd::CFileRequest& open = frontEnd.fileRequests.at(0);
    QVERIFY(!open.save);
    QCOMPARE(open.proposedName, std::string("ED*; DE*"));
    QCOMPARE(open.filter, std::string("Datev-Datei (ED00001)|ED*|Datev-Datei, altes Format (DE001)|DE*|"
                                      "Alle-Dateien (*.*)|*.*|"));

    QTest::mouseClick(window->outputChoose, Qt::LeftButton);
    QCOMPARE(window->hintLine->text(), kHint);
    const CFrontEnd::CFileRequest& save = frontEnd.fileRequests.at(1);
    QVERIFY(save.save && save.confirmOverwrite);
    QCOMPARE(save.title,
             std::string("Dateinamen zum Speichern der DatevPro-Datei angeben (Sternchen ersetzen)"));
    QCOMPARE(save.defaultExtension, std::string("csv"));
    // The next dialog starts where the last one ended: both folders are stored at once, in Windows-1252.
    QTest::mouseClick(window->outputChoose, Qt::LeftButton);
    QCOMPARE(window->hintLine->text(), QString());
    QCOMPARE(frontEnd.fileRequests.at(2).folder, Ansi(folder));
    const std::string ini = CTempDir::Read(temp.DataFile("pelko.ini"));
    QVERIFY(ini.find(Ansi("datei_laden=" + folder + "\r\n")) != std::string::npos);
    QVERIFY(ini.find(Ansi("datei_speichern=" + folder + "\r\n")) != std::string::npos);
}

void CMainWindowTest::SettingsAreWrittenOnCloseAndReadOnNextStart() {
    CTempDir temp;
    CScriptedFrontEnd frontEnd;
    const QString input = QString::fromStdString(temp.File("Ä/in.csv"));
    const QString output = QString::fromStdString(temp.File("Bücher ö/liste.rtf"));
    {
        auto window = OpenWindow(frontEnd);
        window->inputType->setCurrentIndex(2);
        window->dataType->setCurrentIndex(1);
        window->inputFile->setText(input);
        window->outputType->setCurrentIndex(5);
        window->outputFile->setText(output);
        QTest::keyClick(window.get(), Qt::Key_Escape); // Esc closes like "Programm beenden"
        QVERIFY(!window->isVisible());
    }
    const std::string ini = CTempDir::Read(temp.DataFile("pelko.ini"));
    for (const std::string& line :
         {"[Eingabe]\r\nTyp=2\r\nDatentyp=1\r\nDatei=" + input.toStdString() + "\r\n",
          "[Ausgabe]\r\nTyp=5\r\nDatei=" + output.toStdString() + "\r\n"})
        QVERIFY2(ini.find(Ansi(line)) != std::string::npos, line.c_str());

    auto window = OpenWindow(frontEnd);
    QCOMPARE(window->inputType->currentIndex(), 2);
    QCOMPARE(window->dataType->currentIndex(), 1);
    QCOMPARE(window->inputFile->text(), input);
    QCOMPARE(window->outputType->currentIndex(), 5);
    QCOMPARE(window->outputFile->text(), output);
    QTest::mouseClick(window->quitButton, Qt::LeftButton);
    QVERIFY(!window->isVisible());
}

void CMainWindowTest::PathWithoutAWindowsFormIsRefused() {
    CTempDir temp;
    CScriptedFrontEnd frontEnd;
    auto window = OpenWindow(frontEnd);
    window->inputType->setCurrentIndex(2);
    window->inputFile->setText(QString::fromStdString(PELKO_SOURCE_DIR "/examples/buchungen.csv"));
    window->outputType->setCurrentIndex(2);
    // The core would turn the Cyrillic letter into "?" and write to another file than the one named.
    window->outputFile->setText(QString::fromStdString(temp.File("Отчёт.csv")));
    QTest::mouseClick(window->startButton, Qt::LeftButton);
    QVERIFY(!window->IsRunning());
    QCOMPARE(frontEnd.boxes.size(), size_t(1));
    QVERIFY(frontEnd.boxes[0].find(Ansi("enthält Zeichen, die Pelko nicht verarbeiten kann")) !=
            std::string::npos);
    QVERIFY(!std::filesystem::exists(temp.File("?????.csv")));
    QVERIFY(!std::filesystem::exists(temp.File("Отчёт.csv")));
}

void CMainWindowTest::ConversionMatchesTheAutomaticRunAndShowsMeldungen() {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "data");
    std::filesystem::create_directories(temp.path / "fenster");
    std::filesystem::create_directories(temp.path / "auto");
    std::filesystem::copy_file(kExamples + "csv.ini", temp.DataFile("csv.ini"));
    std::filesystem::copy_file(kExamples + "angaben_datev.txt", temp.DataFile("angaben_datev.txt"));
    CScriptedFrontEnd frontEnd;
    auto window = OpenWindow(frontEnd);
    window->inputType->setCurrentIndex(2);
    window->dataType->setCurrentIndex(0);
    window->inputFile->setText(QString::fromStdString(kExamples + "buchungen.csv"));
    window->outputType->setCurrentIndex(0);
    window->outputFile->setText(QString::fromStdString(temp.File("fenster/ED00001")));

    bool datevDialogSeen = false;
    QString shownMessages;
    OnNextModal([&](QWidget* dialog) {
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QString("DATEV-Angaben"));
        // The worker waits for the dialog; the window shows the run and takes no new one.
        QVERIFY(window->IsRunning());
        QVERIFY(!window->startButton->isEnabled());
        QVERIFY(!window->inputType->isEnabled());
        QCOMPARE(window->status->text(), QString("Daten werden abgespeichert..."));
        datevDialogSeen = true;
        OnNextModal([&](QWidget* messages) {
            auto* meldungen = qobject_cast<CMessageWindow*>(messages);
            QVERIFY(meldungen);
            QCOMPARE(meldungen->windowTitle(), QString("Meldungen"));
            QCOMPARE(meldungen->captionLabel->text(), QString("Es wurden folgende Fehler festgestellt:"));
            shownMessages = meldungen->textBox->toPlainText();
            frontEnd.nextFiles = {temp.File("kopie.txt")};
            QTest::mouseClick(meldungen->saveButton, Qt::LeftButton);
            QTest::mouseClick(meldungen->okButton, Qt::LeftButton);
        });
        QTest::mouseClick(ButtonNamed(dialog, "OK"), Qt::LeftButton);
    });
    QSignalSpy finished(window.get(), &CMainWindow::ConversionFinished);
    QTest::mouseClick(window->startButton, Qt::LeftButton);
    QVERIFY(finished.wait(30000));
    QVERIFY(datevDialogSeen);
    QCOMPARE(window->status->text(), QString("Konvertierung abgeschlossen (15 Buchungen)."));
    QVERIFY(window->startButton->isEnabled());
    QVERIFY(shownMessages.startsWith("HINWEIS: Zeile 1, Feld 'Buchungstext'"));

    CResult automatic = RunPelko(
        temp, {"/AUTO", "/in:csv:bu:" + kExamples + "buchungen.csv", "/out:datev:" + temp.File("auto/"),
               "/dv:" + kExamples + "angaben_datev.txt", "/out:error:" + temp.File("fehler.txt")});
    QCOMPARE(automatic.exitCode, 0);
    for (const char* name : {"ED00001", "EV01"}) {
        const std::string fromWindow = CTempDir::Read(temp.File("fenster/") + name);
        QVERIFY(!fromWindow.empty());
        QVERIFY2(fromWindow == CTempDir::Read(temp.File("auto/") + name), name);
    }
    // "Meldungen" kept the findings of the automatic run's error file in "protokoll.txt", and its copy.
    const std::string protocol = "Fehler-Protokoll:\r\n" + CTempDir::Read(temp.File("fehler.txt"));
    QCOMPARE(CTempDir::Read(temp.DataFile("protokoll.txt")), protocol);
    QCOMPARE(CTempDir::Read(temp.File("kopie.txt")), protocol);
    QVERIFY(
        CTempDir::Read(temp.DataFile("dateipfad.ini")).find("fehlerprotokolldatei=" + temp.path.string()) !=
        std::string::npos);
}

void CMainWindowTest::VaroloLayoutAndServiceMenu_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("varolo");
    QTest::addColumn<bool>("serviceMenu");
    QTest::newRow("standard") << "[einstellungen]\r\nservice=7304\r\n" << false << false;
    QTest::newRow("Varolo with service code") << "[einstellungen]\r\npelko_layout=Varolo\r\nservice=7305\r\n"
                                              << true << true;
}

void CMainWindowTest::VaroloLayoutAndServiceMenu() {
    QFETCH(QString, settings);
    QFETCH(bool, varolo);
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "data");
    CTempDir::Write(temp.DataFile("pelko.ini"),
                    "[Eingabe]\r\nTyp=1\r\nDatentyp=1\r\n[Ausgabe]\r\nTyp=5\r\n" + settings.toStdString());
    CScriptedFrontEnd frontEnd;
    auto window = OpenWindow(frontEnd);
    QCOMPARE(window->inputType->itemText(2), varolo ? QString("Varolo Datei") : QString("Excel/CSV-Datei"));
    QCOMPARE(window->inputType->currentIndex(), varolo ? 2 : 1);
    QCOMPARE(window->dataType->currentIndex(), varolo ? 0 : 1);
    QCOMPARE(window->outputType->currentIndex(), varolo ? 0 : 5);
    for (QWidget* list :
         std::initializer_list<QWidget*>{window->inputType, window->dataType, window->outputType})
        QCOMPARE(list->isEnabled(), !varolo);
    QCOMPARE(window->inputSettings->isHidden(), varolo);
    QCOMPARE(window->outputSettings->isHidden(), varolo);
    QVERIFY(window->inputFile->isEnabled() && window->inputChoose->isEnabled());

    window->activateWindow(); // shortcuts reach the active window only
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F3, Qt::AltModifier);
    QMenu* menu = window->findChild<QMenu*>();
    QFETCH(bool, serviceMenu);
    QCOMPARE(menu != nullptr && menu->isVisible(), serviceMenu);
    if (menu) menu->close();
}

void CMainWindowTest::HelpOpensAtTheControlsContext_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("page");
    QTest::newRow("input file") << "inputFile"
                                << "schritt1.html";
    QTest::newRow("output choice") << "outputChoose"
                                   << "schritt2.html";
    QTest::newRow("start button") << "startButton"
                                  << "schritt3.html";
    QTest::newRow("elsewhere") << "dataType"
                               << "index.html";
    QTest::newRow("button Hilfe") << "helpButton"
                                  << "index.html";
}

void CMainWindowTest::HelpOpensAtTheControlsContext() {
    QFETCH(QString, control);
    CTempDir temp;
    CScriptedFrontEnd frontEnd;
    auto window = OpenWindow(frontEnd);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    std::map<QString, QWidget*> controls = {{"inputFile", window->inputFile},
                                            {"outputChoose", window->outputChoose},
                                            {"startButton", window->startButton},
                                            {"dataType", window->dataType},
                                            {"helpButton", window->helpButton}};
    QWidget* widget = controls.at(control);
    if (widget == window->helpButton) {
        QTest::mouseClick(window->helpButton, Qt::LeftButton);
    } else {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_F1);
    }
    CHelp* help = CHelp::Current();
    QVERIFY(help && help->isVisible());
    QTEST(help->browser->source().fileName(), "page");
    QVERIFY(!help->browser->documentTitle().isEmpty()); // the page was found and read
    help->close();
}
