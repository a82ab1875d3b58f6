#include "CDialogsTest.h"

#include "UiTestSupport.h"
#include "datev/CDatev.h"
#include "db/CADODatabase.h"
#include "db/CADOXCatalog.h"
#include "support/CTempDir.h"
#include "ui/CCsvColumnDialog.h"
#include "ui/CDatevAngabenDialog.h"
#include "ui/CDbColumnDialog.h"
#include "ui/CMainWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <filesystem>

namespace {

using F = CDatevDialog;

template <class Dialog> QStringList ItemTexts(const Dialog* dialog) {
    QStringList texts;
    for (int i = 0; i < dialog->tree->topLevelItemCount(); ++i)
        texts << dialog->tree->topLevelItem(i)->text(0);
    return texts;
}

QList<bool> Ticks(const CCsvColumnDialog* dialog) {
    QList<bool> ticks;
    for (int i = 0; i < dialog->tree->topLevelItemCount(); ++i)
        ticks << (dialog->tree->topLevelItem(i)->checkState(0) == Qt::Checked);
    return ticks;
}

// Drops the item of row source onto the item of row target, as the mouse does at the end of a drag;
// true when the list offered to take it.
template <class Dialog> bool Drop(Dialog* dialog, int source, int target) {
    CColumnTree* tree = dialog->tree;
    QPoint at = tree->visualItemRect(tree->topLevelItem(target)).center();
    std::unique_ptr<QMimeData> data(tree->DragData(source));
    // Enter makes the list the target of the drag; move and drop go to it.
    QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &enter);
    QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &move);
    QDropEvent drop(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &drop);
    return move.isAccepted();
}

// Opens a column dialog through the main window's "Einstellungen" button and runs check on it.
template <class Dialog = CCsvColumnDialog, class Check>
void WithColumnDialog(CMainWindow& window, QPushButton* settings, Check check) {
    bool seen = false;
    OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<Dialog*>(modal);
        QVERIFY(dialog);
        seen = true;
        check(dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    QTest::mouseClick(settings, Qt::LeftButton);
    QVERIFY(seen);
    Q_UNUSED(window);
}

// A SQLite file with the table "Buchungsdaten" of three columns.
std::string BookingsDatabase(const CTempDir& temp) {
    const std::string file = temp.File("buchungen.sqlite");
    CADODatabase database;
    database.connectionString = "Provider=SQLite;Data source=" + file;
    CADOXCatalog().CreateDatabaseFile(database.connectionString);
    if (!database.Connect() ||
        !database.ExecuteStatement("CREATE TABLE Buchungsdaten (Datum TEXT, Betrag REAL, Text TEXT)"))
        qFatal("%s", database.errorText.c_str());
    return file;
}

} // namespace

void CDialogsTest::DatevDialogRefusesBadFields_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("Beraternummer of 8 digits") << int(F::BeraterNummer) << "10000000"
                                               << "Geben Sie eine ganze Zahl zwischen 0 und 9999999 ein.";
    QTest::newRow("Mandantennummer with a letter") << int(F::MandantenNummer) << "12a"
                                                   << "Geben Sie eine ganze Zahl ein.";
    QTest::newRow("Beratername of 10 characters") << int(F::BeraterName) << QString::fromUtf8("Müllermann")
                                                  << QString::fromUtf8("Geben Sie höchstens 9 Zeichen ein.");
    QTest::newRow("Abrechnungsnummer 0") << int(F::AbrechnungsNummer) << "0"
                                         << "Geben Sie eine ganze Zahl zwischen 1 und 999999 ein.";
    QTest::newRow("Kontonummernlaenge 9") << int(F::KontoLaenge) << "9"
                                          << "Geben Sie eine ganze Zahl zwischen 4 und 8 ein.";
    QTest::newRow("all fields valid") << int(F::None) << ""
                                      << "";
}

void CDialogsTest::DatevDialogRefusesBadFields() {
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    CTempDir temp;
    CScriptedFrontEnd frontEnd;
    CDatev datev(frontEnd);
    CDatevDialog logic(datev);
    logic.Open();
    CDatevAngabenDialog dialog(logic, nullptr);
    dialog.show();
    const auto edited = static_cast<CDatevDialog::EField>(field);
    if (QLineEdit* edit = dialog.Edit(edited)) edit->setText(value);
    dialog.Edit(F::BeraterNummer)->setText(field == F::BeraterNummer ? value : "1234567");

    QString shown;
    if (!message.isEmpty())
        OnNextModal([&](QWidget* box) {
            QVERIFY(qobject_cast<QMessageBox*>(box));
            shown = qobject_cast<QMessageBox*>(box)->text();
            box->close();
        });
    QTest::mouseClick(ButtonNamed(&dialog, "OK"), Qt::LeftButton);
    const std::string saved = CTempDir::Read(temp.DataFile("angaben_datev.txt"));
    if (message.isEmpty()) {
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(datev.beraterNummer, 1234567);
        QVERIFY(saved.starts_with("DATEV-Angaben:\r\n--------------\r\n1234567\t\t"));
        return;
    }
    QCOMPARE(shown, message);
    QVERIFY(dialog.isVisible()); // stays open, focus on the faulty field, nothing taken or saved
    QCOMPARE(dialog.focusWidget(), static_cast<QWidget*>(dialog.Edit(edited)));
    QCOMPARE(datev.beraterNummer, 0);
    QVERIFY(saved.empty());
}

void CDialogsTest::DatevDialogFollowsItsSwitches() {
    CTempDir temp;
    CScriptedFrontEnd frontEnd;
    CDatev datev(frontEnd);
    datev.datevProVersion = 300;
    CDatevDialog logic(datev);
    logic.masterMode = true;
    logic.datevProMode = true;
    logic.Open();
    CDatevAngabenDialog dialog(logic, nullptr);
    dialog.show();
    // DATEVpro master data: no KNE switches, no dates, Festschreibung only from V5.1 on.
    QVERIFY(!dialog.kontoErweiterung->isEnabled());
    QVERIFY(!dialog.Edit(F::DatentraegerNummer)->isEnabled());
    QVERIFY(!dialog.Edit(F::DatumVon)->isEnabled() && !dialog.Edit(F::DatumBis)->isEnabled());
    QVERIFY(dialog.version->isEnabled() && dialog.Edit(F::Wirtschaftsjahr)->isEnabled());
    QCOMPARE(dialog.version->currentText(), QString("V3.0"));
    QCOMPARE(dialog.version->itemText(2), QString("V7.0"));
    QVERIFY(!dialog.festschreibung->isEnabled());
    dialog.version->setCurrentIndex(1);
    QVERIFY(dialog.festschreibung->isEnabled());
    QCOMPARE(datev.datevProVersion, 510); // takes effect at once
    // "Abbrechen" takes nothing over.
    dialog.Edit(F::BeraterNummer)->setText("42");
    QTest::mouseClick(ButtonNamed(&dialog, "Abbrechen"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(datev.beraterNummer, 0);

    CDatevDialog kne(datev);
    kne.Open();
    CDatevAngabenDialog kneDialog(kne, nullptr);
    kneDialog.show();
    QVERIFY(!kneDialog.version->isEnabled() && !kneDialog.festschreibung->isEnabled());
    QVERIFY(kneDialog.Edit(F::KontoLaenge)->isEnabled());
    kneDialog.kontoErweiterung->click();
    QVERIFY(!kneDialog.Edit(F::KontoLaenge)->isEnabled());
}

void CDialogsTest::ImportDialogAssignsByDragAndDrop() {
    CTempDir temp;
    const std::string input = temp.File("eingabe.csv");
    CTempDir::Write(input, "Datum;Betrag;Text\r\n01.02.2024;12,50;Miete\r\n");
    CScriptedFrontEnd frontEnd;
    CMainWindow window(frontEnd, CommandLine({}));
    window.show();
    window.inputType->setCurrentIndex(2);
    window.dataType->setCurrentIndex(0);
    window.inputFile->setText(QString::fromStdString(input));
    WithColumnDialog(window, window.inputSettings, [](CCsvColumnDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QString("Auswahl und Zuordnung der Daten:"));
        QCOMPARE(dialog->confirm->text(), QString("OK"));
        QCOMPARE(ItemTexts(dialog).mid(0, 4),
                 (QStringList{"[Buchungsnummer] <-- [Datum]", "[Belegnummer 2] <-- [Betrag]",
                              "[Datum] <-- [Text]", "[Soll-Konto] <-- []"}));
        QVERIFY(Drop(dialog, 0, 2));
        // The file fields swapped; the items stayed where they were.
        QCOMPARE(ItemTexts(dialog).mid(0, 3),
                 (QStringList{"[Buchungsnummer] <-- [Text]", "[Belegnummer 2] <-- [Betrag]",
                              "[Datum] <-- [Datum]"}));
        QCOMPARE(dialog->tree->currentItem(), dialog->tree->topLevelItem(2));
        QVERIFY(!Drop(dialog, 1, 1)); // onto itself: nothing
        QCOMPARE(ItemTexts(dialog)[1], QString("[Belegnummer 2] <-- [Betrag]"));
        QTest::mouseClick(ButtonNamed(dialog, "automatisch zuordnen"), Qt::LeftButton);
        QCOMPARE(ItemTexts(dialog)[6], QString("[Betrag] <-- [Betrag]"));
        QCOMPARE(ItemTexts(dialog)[2], QString("[Datum] <-- [Datum]"));
        QTest::mouseClick(dialog->confirm, Qt::LeftButton);
    });
    // Confirmed: the layout section holds the new assignment.
    const std::string layout = CTempDir::Read(temp.DataFile("csv.ini"));
    QVERIFY(layout.find("[Import Buchungsdaten]") != std::string::npos);
    QVERIFY(layout.find("Pos.: Datum=0\r\n") != std::string::npos);
    QVERIFY(layout.find("Pos.: Betrag=1\r\n") != std::string::npos);
}

void CDialogsTest::ExportDialogProfileRoundTrip() {
    CTempDir temp;
    const std::string profile = temp.File("Profile Ä/export.prf");
    std::filesystem::create_directories(temp.path / "Profile Ä");
    CScriptedFrontEnd frontEnd;
    CMainWindow window(frontEnd, CommandLine({}));
    window.show();
    window.outputType->setCurrentIndex(2);
    window.dataType->setCurrentIndex(0);
    QStringList saved;
    QList<bool> savedTicks;
    WithColumnDialog(window, window.outputSettings, [&](CCsvColumnDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QString("Auswahl und Position der Daten:"));
        QCOMPARE(ItemTexts(dialog).mid(0, 3), (QStringList{"Buchungsnummer", "Belegnummer 2", "Datum"}));
        dialog->tree->setCurrentItem(dialog->tree->topLevelItem(2));
        QTest::mouseClick(ButtonNamed(dialog, "hoch"), Qt::LeftButton);
        QTest::mouseClick(ButtonNamed(dialog, "hoch"), Qt::LeftButton);
        QCOMPARE(ItemTexts(dialog).mid(0, 3), (QStringList{"Datum", "Buchungsnummer", "Belegnummer 2"}));
        QCOMPARE(dialog->tree->currentItem(), dialog->tree->topLevelItem(0));
        QTest::mouseClick(ButtonNamed(dialog, "keine"), Qt::LeftButton);
        dialog->tree->topLevelItem(0)->setCheckState(0, Qt::Checked); // the tick box of "Datum"
        dialog->separator->setCurrentIndex(2);
        dialog->decimal->setCurrentIndex(1);
        saved = ItemTexts(dialog);
        savedTicks = Ticks(dialog);
        frontEnd.nextFiles = {profile, profile};
        QTest::mouseClick(ButtonNamed(dialog, "speichern"), Qt::LeftButton);

        QTest::mouseClick(ButtonNamed(dialog, "alle"), Qt::LeftButton);
        QTest::mouseClick(ButtonNamed(dialog, "runter"), Qt::LeftButton);
        dialog->separator->setCurrentIndex(0);
        QVERIFY(ItemTexts(dialog) != saved);
        QTest::mouseClick(ButtonNamed(dialog, "laden"), Qt::LeftButton);
        QCOMPARE(ItemTexts(dialog), saved);
        QCOMPARE(Ticks(dialog), savedTicks);
        QCOMPARE(dialog->separator->currentIndex(), 2);
        QCOMPARE(dialog->decimal->currentIndex(), 1);
        QTest::mouseClick(dialog->confirm, Qt::LeftButton);
    });
    QCOMPARE(frontEnd.fileRequests.at(0).defaultExtension, std::string("prf"));
    const std::string written = CTempDir::Read(profile);
    QVERIFY(written.starts_with("[csv_out]\r\nTrennzeichen=2\r\n"));
    QVERIFY(written.find("Pos.: Datum=0\r\nSel.: Datum=1\r\n") != std::string::npos);
    // Confirmed: the layout of the next export, and the profile folder, in Windows-1252.
    const std::string layout = CTempDir::Read(temp.DataFile("csv.ini"));
    QVERIFY(layout.find("[Export Buchungsdaten]") != std::string::npos);
    QVERIFY(layout.find("Sel.: Buchungsnummer=0\r\n") != std::string::npos);
    QVERIFY(CTempDir::Read(temp.DataFile("dateipfad.ini")).find(Ansi("profil=" + temp.File("Profile Ä"))) !=
            std::string::npos);
}

void CDialogsTest::DatabaseImportDialogReadsAndAssigns() {
    CTempDir temp;
    const std::string file = BookingsDatabase(temp);
    CScriptedFrontEnd frontEnd;
    CMainWindow window(frontEnd, CommandLine({}));
    window.show();
    window.inputType->setCurrentIndex(3);
    window.dataType->setCurrentIndex(0);
    window.inputFile->setText(QString::fromStdString(file));
    WithColumnDialog<CDbColumnDialog>(window, window.inputSettings, [&](CDbColumnDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QString("Eingabe: Auswahl und Zuordnung der Datenbank"));
        QCOMPARE(dialog->databaseType->currentText(), QString("SQLite"));
        QCOMPARE(dialog->connectionString->text(),
                 QString::fromStdString("Provider=SQLite;Data source=" + file));
        dialog->tables->setCurrentText("");
        QTest::mouseClick(ButtonNamed(dialog, "Alle Tabellen auslesen"), Qt::LeftButton);
        QCOMPARE(dialog->tables->currentText(), QString("Buchungsdaten"));
        QTest::mouseClick(ButtonNamed(dialog, "Spalten der Tabelle auslesen"), Qt::LeftButton);
        QCOMPARE(ItemTexts(dialog).mid(0, 4),
                 (QStringList{"[Buchungsnummer] <-- [Datum]", "[Belegnummer 2] <-- [Betrag]",
                              "[Datum] <-- [Text]", "[Soll-Konto] <-- []"}));
        QTest::mouseClick(ButtonNamed(dialog, "Spalten automatisch zuordnen"), Qt::LeftButton);
        QCOMPARE(ItemTexts(dialog)[2], QString("[Datum] <-- [Datum]"));
        QCOMPARE(ItemTexts(dialog)[6], QString("[Betrag] <-- [Betrag]"));
        QVERIFY(Drop(dialog, 0, 8)); // "Text" from "Buchungsnummer" to "Buchungstext"
        QCOMPARE(ItemTexts(dialog)[8], QString("[Buchungstext] <-- [Text]"));
        dialog->tables->setCurrentText("Fehlt");
        QTest::mouseClick(ButtonNamed(dialog, "Spalten der Tabelle auslesen"), Qt::LeftButton);
        QCOMPARE(ItemTexts(dialog)[8], QString("[Buchungstext] <-- []")); // a table without columns
        dialog->tables->setCurrentText("Buchungsdaten");
        QTest::mouseClick(ButtonNamed(dialog, "Spalten der Tabelle auslesen"), Qt::LeftButton);
        QTest::mouseClick(ButtonNamed(dialog, "Spalten automatisch zuordnen"), Qt::LeftButton);
        QTest::mouseClick(dialog->confirm, Qt::LeftButton);
    });
    const std::string layout = CTempDir::Read(temp.DataFile("mdb.ini"));
    QVERIFY(layout.find("[Import Buchungsdaten]") != std::string::npos);
    QVERIFY(layout.find("Tabellenname=Buchungsdaten\r\n") != std::string::npos);
    QVERIFY(layout.find("Tab.: Datum=Datum\r\n") != std::string::npos);
    QVERIFY(layout.find("Tab.: Buchungstext=\r\n") != std::string::npos);
}

void CDialogsTest::DatabaseExportDialogRenamesColumns() {
    CTempDir temp;
    const std::string file = temp.File("aus.sqlite");
    CScriptedFrontEnd frontEnd;
    CMainWindow window(frontEnd, CommandLine({}));
    window.show();
    window.outputType->setCurrentIndex(3);
    window.dataType->setCurrentIndex(0);
    window.outputFile->setText(QString::fromStdString(file));
    WithColumnDialog<CDbColumnDialog>(window, window.outputSettings, [&](CDbColumnDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QString("Ausgabe: Auswahl der Datenbank"));
        QCOMPARE(dialog->confirm->text(), QString("OK"));
        QCOMPARE(dialog->tableName->text(), QString("Buchungsdaten"));
        QCOMPARE(ItemTexts(dialog)[0], QString("Buchungsnummer -> Buchungsnummer"));
        dialog->tree->setCurrentItem(dialog->tree->topLevelItem(2));
        QCOMPARE(dialog->newColumnName->text(), QString("Datum"));
        QTest::keyClicks(dialog->newColumnName, "2");
        QCOMPARE(ItemTexts(dialog)[2], QString("Datum -> Datum2"));
        QCOMPARE(dialog->tree->currentItem(), dialog->tree->topLevelItem(2));
        dialog->tree->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        QCOMPARE(dialog->newColumnName->text(), QString("Belegnummer 2"));
        dialog->tableName->setText("Journal");
        dialog->dropTable->setChecked(true);
        QTest::mouseClick(dialog->confirm, Qt::LeftButton);
    });
    const std::string layout = CTempDir::Read(temp.DataFile("mdb.ini"));
    QVERIFY(layout.find("[Export Buchungsdaten]") != std::string::npos);
    QVERIFY(layout.find("Tabellenname=Journal\r\n") != std::string::npos);
    QVERIFY(layout.find(Ansi("Tabelle löschen=1\r\n")) != std::string::npos);
    QVERIFY(layout.find("Tab.: Datum=Datum2\r\n") != std::string::npos);
    QVERIFY(layout.find("Sel.: Belegnummer 2=0\r\n") != std::string::npos);
}
