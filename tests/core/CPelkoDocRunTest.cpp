#include "core/CAutoRun.h"
#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "core/CRunDispatch.h"
#include "core/CStepCode.h"
#include "core/CTool.h"

#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// What the fake readers and writers do, and what they saw.
struct CFake {
    int readResult = 1;
    int writeResult = 1;
    int detectResult = 0;
    bool prepareConfirms = true;
    int throwInReadAt = 0; // step code set just before throwing; 0 = no exception
    int throwInWriteAt = 0;
    std::string readMessages;
    std::string writeMessages;
    std::vector<std::string> log;
};
CFake fake;

class CDatevDialogLogic : public CDialogLogic {
public:
    std::string GetTitle() const override { return "DATEV-Angaben"; }
};

std::string Seen(const char* what, CPelkoDoc& doc, const std::string& file) {
    return CTool::Format("%s file=%s step=%d bu=%d st=%d counter=%d", what, file.c_str(), CStepCode::Get(),
                         doc.buchungen.GetCount(), doc.stamm.GetCount(), doc.recordCounter);
}

int Read(const char* what, CPelkoDoc& doc, const std::string& file, std::string& messages) {
    fake.log.push_back(Seen(what, doc, file));
    if (fake.throwInReadAt) {
        CStepCode::Set(fake.throwInReadAt);
        throw std::runtime_error("kaputt");
    }
    CBuchungenData b;
    b.buchungsnummer = "1";
    doc.buchungen.Add(b);
    doc.buchungen.Add(b);
    CStammData s;
    s.datevKonto = 10000;
    doc.stamm.Add(s);
    messages += fake.readMessages;
    return fake.readResult;
}

int Write(const char* what, CPelkoDoc& doc, const std::string& file, std::string& messages) {
    fake.log.push_back(Seen(what, doc, file));
    if (fake.throwInWriteAt) {
        CStepCode::Set(fake.throwInWriteAt);
        throw std::runtime_error("kaputt");
    }
    doc.recordCounter =
        std::string(what).ends_with("master") ? doc.stamm.GetCount() : doc.buchungen.GetCount();
    messages += fake.writeMessages;
    return fake.writeResult;
}

int ReadBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return Read("read bookings", doc, file, messages);
}
int ReadMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return Read("read master", doc, file, messages);
}
int WriteBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return Write("write bookings", doc, file, messages);
}
int WriteMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return Write("write master", doc, file, messages);
}
int Detect(CPelkoDoc& doc, const std::string& file) {
    fake.log.push_back(Seen("detect", doc, file));
    return fake.detectResult;
}
int Prepare(CPelkoDoc& doc, int dataType, bool datevPro, bool automatic, std::string&) {
    fake.log.push_back(CTool::Format("prepare type=%d pro=%d auto=%d step=%d", dataType, datevPro, automatic,
                                     CStepCode::Get()));
    if (fake.prepareConfirms) return 1;
    CDatevDialogLogic dialog;
    return doc.GetFrontEnd().RunDialog(dialog) ? 1 : 0;
}

const CReaderEntry kReaders[] = {
    {"DATEV-Datei", 1002, Detect, {ReadBookings, ReadMaster}},
    {"DATEVpro-Datei (csv)", 1002, Detect, {ReadBookings, ReadMaster}},
    {"Excel/CSV-Datei", 1004, nullptr, {ReadBookings, ReadMaster}},
    {"Access-Datenbank", 1003, nullptr, {ReadBookings, ReadMaster}},
    {"SQL-Datenbank", 1003, nullptr, {nullptr, nullptr}},
};
const CWriterEntry kWriters[] = {
    {"DATEV-Datei", {1006, 1122}, Prepare, CWriterEntry::Folder, {WriteBookings, WriteMaster}},
    {"DATEVpro-Datei (csv)", {1006, 1122}, Prepare, CWriterEntry::File, {WriteBookings, WriteMaster}},
    {"Excel/CSV-Datei", {1008, 1008}, nullptr, CWriterEntry::File, {WriteBookings, WriteMaster}},
    {"Access-Datenbank", {1007, 1007}, nullptr, CWriterEntry::File, {WriteBookings, WriteMaster}},
    {"SQL-Datenbank", {1007, 1007}, nullptr, CWriterEntry::NoFile, {WriteBookings, WriteMaster}},
    {"RTF/Word-Datei", {1123, 1123}, nullptr, CWriterEntry::File, {nullptr, nullptr}},
};
const CRunDispatch kDispatch(kReaders, kWriters);

using ERunResult = CPelkoDoc::ERunResult;
using Log = std::vector<std::string>;

class CPelkoDocRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake = CFake();
        doc.SetDispatch(kDispatch);
        doc.inputFile = "/in/Buchungen.csv";
        doc.outputFile = "/out/Liste.csv";
        doc.inputType = CPelkoDoc::InCsv;
        doc.outputType = CPelkoDoc::OutCsv;
        // Leftovers of an earlier run that the next run must not see.
        doc.buchungen.Add(CBuchungenData());
        doc.stamm.Add(CStammData());
        doc.recordCounter = 99;
    }
    void ExpectListsEmpty() {
        EXPECT_EQ(doc.buchungen.GetCount(), 0);
        EXPECT_EQ(doc.stamm.GetCount(), 0);
    }

    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
};

} // namespace

TEST_F(CPelkoDocRunTest, InteractiveRunReadsWritesAndShowsFindings) {
    fake.readMessages = "HINWEIS: Zeile 3, eins\r\n";
    fake.writeMessages = "FEHLER: Zeile 2, zwei\r\n";
    EXPECT_EQ(doc.RunInteractive(), ERunResult::CompletedWithErrors);
    EXPECT_EQ(fake.log, (Log{"read bookings file=/in/Buchungen.csv step=1004 bu=0 st=0 counter=99",
                             "write bookings file=/out/Liste.csv step=1008 bu=2 st=1 counter=0"}));
    EXPECT_EQ(frontEnd.statuses, (Log{"Daten werden eingelesen...", "Daten werden abgespeichert...",
                                      "Konvertierung abgeschlossen (2 Buchungen)."}));
    ExpectListsEmpty();
    EXPECT_EQ(CStepCode::Get(), 1068);
    EXPECT_EQ(frontEnd.messageCaption, "Es wurden folgende Fehler festgestellt:");
    EXPECT_EQ(frontEnd.messageTexts, (Log{"HINWEIS: Zeile 3, eins\r\nFEHLER: Zeile 2, zwei\r\n"}));
    EXPECT_TRUE(frontEnd.boxes.empty());
}

TEST_F(CPelkoDocRunTest, RunWithoutFindingsShowsNoMessageWindow) {
    doc.dataType = CPelkoDoc::Master;
    doc.inputType = CPelkoDoc::InAccess;
    doc.outputType = CPelkoDoc::OutAccess;
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Completed);
    EXPECT_EQ(fake.log, (Log{"read master file=/in/Buchungen.csv step=1003 bu=0 st=0 counter=99",
                             "write master file=/out/Liste.csv step=1007 bu=2 st=1 counter=0"}));
    EXPECT_EQ(frontEnd.statuses.back(), "Konvertierung abgeschlossen (1 Stammdaten).");
    EXPECT_TRUE(frontEnd.messageTexts.empty());
}

TEST_F(CPelkoDocRunTest, EmptyOutputFileIsRefusedExceptForSql) {
    doc.outputFile.clear();
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Failed);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].text,
              Ansi("Bitte geben Sie in Schritt '2' im Feld 'Datei' einen Dateinamen für die Ausgabe an."));
    EXPECT_EQ(frontEnd.boxes[0].icon, CFrontEnd::EIcon::Error);
    EXPECT_TRUE(fake.log.empty());
    EXPECT_TRUE(frontEnd.statuses.empty());

    doc.outputType = CPelkoDoc::OutSql;
    doc.inputFile.clear(); // an empty input file is handed on to the reader
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Completed);
    EXPECT_EQ(fake.log, (Log{"read bookings file= step=1004 bu=0 st=0 counter=99",
                             "write bookings file= step=1007 bu=2 st=1 counter=0"}));
}

TEST_F(CPelkoDocRunTest, FailedReaderEndsInteractiveRunBeforeWriting) {
    fake.readResult = 0;
    fake.readMessages = "FEHLER: Die Datev-Version 9 ist unbekannt.\r\n";
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Failed);
    EXPECT_EQ(fake.log.size(), 1u);
    EXPECT_EQ(frontEnd.statuses, (Log{"Daten werden eingelesen...", "Konvertierung abgebrochen."}));
    EXPECT_EQ(frontEnd.messageTexts, (Log{fake.readMessages}));
    ExpectListsEmpty();
    EXPECT_EQ(CStepCode::Get(), 1068);
}

TEST_F(CPelkoDocRunTest, FailedReaderEndsAutomaticRunBeforeWriting) {
    fake.readResult = 0;
    EXPECT_EQ(doc.RunAutomatic(), ERunResult::Failed);
    EXPECT_EQ(fake.log.size(), 1u);
    EXPECT_EQ(frontEnd.statuses, (Log{"Daten werden eingelesen...", "Konvertierung abgebrochen."}));
    ExpectListsEmpty();
}

TEST_F(CPelkoDocRunTest, FailedWriterSaysTheRunWasAborted) {
    fake.writeResult = 0;
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Failed);
    EXPECT_EQ(frontEnd.statuses.back(), "Konvertierung abgebrochen.");
    ExpectListsEmpty();
    fake.log.clear();
    EXPECT_EQ(doc.RunAutomatic(), ERunResult::Failed);
    EXPECT_EQ(frontEnd.statuses.back(), "Konvertierung abgebrochen.");
}

TEST_F(CPelkoDocRunTest, DatevTargetsArePreparedAndGetTheirFolder) {
    doc.outputType = CPelkoDoc::OutDatev;
    doc.outputFile = "/export/kne/";
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Completed);
    EXPECT_EQ(fake.log[1], "prepare type=0 pro=0 auto=0 step=1006");
    EXPECT_EQ(fake.log[2], "write bookings file=/export/kne step=1006 bu=2 st=1 counter=0");

    fake.log.clear();
    doc.dataType = CPelkoDoc::Master;
    doc.outputType = CPelkoDoc::OutDatevPro;
    doc.outputFile = "/export/EXTF_Stamm.csv";
    EXPECT_EQ(doc.RunAutomatic(), ERunResult::Completed);
    EXPECT_EQ(fake.log[1], "prepare type=1 pro=1 auto=1 step=1122");
    EXPECT_EQ(fake.log[2], "write master file=/export/EXTF_Stamm.csv step=1122 bu=2 st=1 counter=0");
    EXPECT_EQ(frontEnd.statuses.back(), "Konvertierung abgeschlossen (1 Stammdaten).");
}

TEST_F(CPelkoDocRunTest, KneOutputWithoutFolderPart) {
    doc.outputType = CPelkoDoc::OutDatev;
    doc.outputFile = "export";
    doc.RunInteractive();
    EXPECT_EQ(fake.log.back(), "write bookings file=export step=1006 bu=2 st=1 counter=0");
    doc.RunAutomatic();
    EXPECT_EQ(fake.log.back(), "write bookings file= step=1006 bu=2 st=1 counter=0");

    // An existing folder named without the closing "/" is the folder itself.
    CTempDir temp;
    doc.outputFile = temp.path.string();
    doc.RunAutomatic();
    EXPECT_EQ(fake.log.back(),
              "write bookings file=" + temp.path.string() + " step=1006 bu=2 st=1 counter=0");
}

TEST_F(CPelkoDocRunTest, CancelledDatevDialogEndsTheRunSilently) {
    doc.outputType = CPelkoDoc::OutDatev;
    fake.prepareConfirms = false;
    fake.readMessages = "HINWEIS: x\r\n";
    frontEnd.dialogAnswer = false;
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Cancelled);
    EXPECT_EQ(frontEnd.dialogs, (Log{"DATEV-Angaben"}));
    EXPECT_EQ(fake.log.size(), 2u); // read and prepare, no writer
    EXPECT_EQ(frontEnd.statuses.back(), "Daten werden abgespeichert...");
    EXPECT_TRUE(frontEnd.messageTexts.empty());
    EXPECT_TRUE(frontEnd.boxes.empty());
    EXPECT_EQ(doc.buchungen.GetCount(), 2); // left until the next run empties them
    EXPECT_EQ(doc.RunAutomatic(), ERunResult::Cancelled);
}

TEST_F(CPelkoDocRunTest, ExceptionWhileReadingReportsTheReadersStepCode) {
    fake.throwInReadAt = 4242;
    fake.readMessages = "HINWEIS: verworfen\r\n";
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Failed);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].text, "(E:102#4242)\nException: Fehler beim Einlesen der Daten.");
    EXPECT_EQ(fake.log.size(), 1u);
    EXPECT_TRUE(frontEnd.messageTexts.empty());
    EXPECT_EQ(frontEnd.statuses, (Log{"Daten werden eingelesen..."}));
}

TEST_F(CPelkoDocRunTest, ExceptionWhileWritingReportsTheWritersStepCode) {
    fake.throwInWriteAt = 5703;
    fake.readMessages = "HINWEIS: verworfen\r\n";
    EXPECT_EQ(doc.RunAutomatic(), ERunResult::Failed);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].text, "(E:103#5703)\nException: Fehler beim Speichern der Daten.");
    EXPECT_TRUE(frontEnd.messageTexts.empty());
}

TEST_F(CPelkoDocRunTest, AutomaticRunLetsDetectionChooseTheDataType) {
    doc.inputType = CPelkoDoc::InDatev;
    fake.detectResult = 2;
    EXPECT_EQ(doc.RunAutomatic(), ERunResult::Completed);
    EXPECT_EQ(fake.log[0], "detect file=/in/Buchungen.csv step=1001 bu=0 st=0 counter=99");
    EXPECT_EQ(fake.log[1], "read master file=/in/Buchungen.csv step=1002 bu=0 st=0 counter=99");
    EXPECT_EQ(doc.dataType, CPelkoDoc::Master);

    // DATEVpro keeps the step code 1001 in the automatic run; 0 or less leaves the data type.
    fake.log.clear();
    doc.inputType = CPelkoDoc::InDatevPro;
    fake.detectResult = -1;
    doc.RunAutomatic();
    EXPECT_EQ(fake.log[1], "read master file=/in/Buchungen.csv step=1001 bu=0 st=0 counter=1");
    fake.log.clear();
    fake.detectResult = 1;
    doc.RunAutomatic();
    EXPECT_EQ(fake.log[1], "read bookings file=/in/Buchungen.csv step=1001 bu=0 st=0 counter=1");

    // The interactive run never asks the detection.
    fake.log.clear();
    fake.detectResult = 2;
    doc.RunInteractive();
    EXPECT_EQ(fake.log[0], "read bookings file=/in/Buchungen.csv step=1002 bu=0 st=0 counter=2");
}

TEST_F(CPelkoDocRunTest, UnknownTypesStopTheRun) {
    doc.inputType = 7;
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Failed);
    EXPECT_TRUE(fake.log.empty());
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_TRUE(frontEnd.boxes[0].text.starts_with("(E:104)\nDer Eingabetyp 7 ist unbekannt."))
        << frontEnd.boxes[0].text;
    EXPECT_EQ(frontEnd.statuses.back(), "Konvertierung abgebrochen.");

    doc.inputType = CPelkoDoc::InDatev;
    doc.outputType = -1;
    EXPECT_EQ(doc.RunAutomatic(), ERunResult::Failed);
    EXPECT_EQ(fake.log.size(), 2u); // detect and read, no writer
    EXPECT_TRUE(frontEnd.boxes.back().text.starts_with("(E:105)\nDer Ausgabetyp -1 ist unbekannt."));
    ExpectListsEmpty();
}

TEST_F(CPelkoDocRunTest, MissingReaderOrWriterIsReportedNotFaked) {
    doc.inputType = CPelkoDoc::InSql;
    EXPECT_EQ(doc.RunAutomatic(), ERunResult::Failed);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(
        frontEnd.boxes[0].text,
        Ansi("(E:104)\nDas Eingabeformat \"SQL-Datenbank\" wird von dieser Version nicht unterstützt."));
    EXPECT_TRUE(fake.log.empty());

    doc.inputType = CPelkoDoc::InCsv;
    doc.outputType = CPelkoDoc::OutRtf;
    EXPECT_EQ(doc.RunInteractive(), ERunResult::Failed);
    EXPECT_EQ(
        frontEnd.boxes.back().text,
        Ansi("(E:105)\nDas Ausgabeformat \"RTF/Word-Datei\" wird von dieser Version nicht unterstützt."));
    ExpectListsEmpty();
}

namespace {

// The automatic run as the program starts it, with the fake readers and writers.
struct CAutoRunFixture {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    std::string errorFile = temp.File("fehler.txt");

    CAutoRunFixture() { fake = CFake(); }
    int Run(const std::string& switches) {
        return CAutoRun(frontEnd, &kDispatch).Execute("pelko /AUTO " + switches);
    }
    int RunCsv(const std::string& more = "") {
        return Run("/in:csv:bu:in.csv /out:csv:out.csv /out:error:\"" + errorFile + "\" " + more);
    }
};

} // namespace

TEST(CAutoRunTest, CompletedRunWritesFindingsToTheErrorFile) {
    CAutoRunFixture f;
    fake.readMessages = "HINWEIS: eins\r\n";
    EXPECT_EQ(f.RunCsv(), CAutoRun::Completed);
    EXPECT_EQ(CTempDir::Read(f.errorFile), "HINWEIS: eins\r\n\r\n");
    EXPECT_TRUE(f.frontEnd.messageTexts.empty());
    EXPECT_EQ(f.frontEnd.statuses.back(), "Konvertierung abgeschlossen (2 Buchungen).");

    fake.readMessages.clear();
    EXPECT_EQ(f.RunCsv(), CAutoRun::Completed);
    EXPECT_EQ(CTempDir::Read(f.errorFile), ""); // nothing found: an empty error file
}

TEST(CAutoRunTest, SettingsAreLoadedAndSwitchesOverrideThem) {
    CAutoRunFixture f;
    std::filesystem::create_directories(f.temp.path / "data");
    CTempDir::Write(
        f.temp.DataFile("pelko.ini"),
        "[Eingabe]\r\nTyp=3\r\nDatentyp=1\r\nDatei=db.sqlite\r\n[Ausgabe]\r\nTyp=2\r\nDatei=a.csv\r\n");
    EXPECT_EQ(f.Run(""), CAutoRun::Completed);
    EXPECT_EQ(fake.log[0], "read master file=db.sqlite step=1003 bu=0 st=0 counter=0");
    EXPECT_EQ(fake.log[1], "write master file=a.csv step=1008 bu=2 st=1 counter=0");
    fake.log.clear();
    EXPECT_EQ(f.Run("/typ0 /out:mdb:b.db"), CAutoRun::Completed);
    EXPECT_EQ(fake.log[1], "write bookings file=b.db step=1007 bu=2 st=1 counter=0");
}

TEST(CAutoRunTest, FailuresAreNeverReportedAsSuccess) {
    CAutoRunFixture f;
    fake.readResult = 0;
    fake.readMessages = "FEHLER: gelesen\r\n";
    EXPECT_EQ(f.RunCsv(), CAutoRun::Failed);
    EXPECT_EQ(CTempDir::Read(f.errorFile), "FEHLER: gelesen\r\n\r\n");
    // The caller of a failed run learns why without opening the error file.
    EXPECT_EQ(f.frontEnd.messageTexts, (Log{"FEHLER: gelesen\r\n"}));

    fake = CFake();
    fake.writeResult = 0;
    EXPECT_EQ(f.RunCsv(), CAutoRun::Failed);
}

TEST(CAutoRunTest, MessageBoxTextsAlsoGoToTheErrorFile) {
    CAutoRunFixture f;
    fake.throwInReadAt = 77;
    fake.readMessages = "HINWEIS: verworfen\r\n";
    EXPECT_EQ(f.RunCsv(), CAutoRun::Failed);
    EXPECT_EQ(CTempDir::Read(f.errorFile), "(E:102#77)\nException: Fehler beim Einlesen der Daten.\r\n");
    ASSERT_EQ(f.frontEnd.boxes.size(), 1u);

    fake = CFake();
    EXPECT_EQ(f.Run("/in:sql:bu:DSN=x /out:csv:a.csv /out:error:\"" + f.errorFile + "\""), CAutoRun::Failed);
    EXPECT_EQ(
        CTempDir::Read(f.errorFile),
        Ansi("(E:104)\nDas Eingabeformat \"SQL-Datenbank\" wird von dieser Version nicht unterstützt.\r\n"));
}

TEST(CAutoRunTest, CancelledDialogIsNotedInTheErrorFile) {
    CAutoRunFixture f;
    fake.prepareConfirms = false;
    f.frontEnd.dialogAnswer = false;
    fake.readMessages = "HINWEIS: verworfen\r\n";
    EXPECT_EQ(f.Run("/in:csv:bu:in.csv /out:datev:kne/ /datevdlg /out:error:\"" + f.errorFile + "\""),
              CAutoRun::Failed);
    EXPECT_EQ(CTempDir::Read(f.errorFile), "Der Dialog 'DATEV-Angaben' wurde abgebrochen.\r\n");
}

TEST(CAutoRunTest, ErrorFileThatCannotBeCreatedIsReportedAndTheRunGoesOn) {
    CAutoRunFixture f;
    fake.readMessages = "HINWEIS: eins\r\n";
    const std::string missing = f.temp.File("fehlt/fehler.txt");
    EXPECT_EQ(f.Run("/in:csv:bu:in.csv /out:csv:out.csv /out:error:\"" + missing + "\""),
              CAutoRun::Completed);
    ASSERT_FALSE(f.frontEnd.boxes.empty());
    EXPECT_EQ(f.frontEnd.boxes[0].text,
              "Die Fehlerdatei '" + missing +
                  "' kann nicht angelegt werden; die Meldungen erscheinen nur hier.");
    EXPECT_EQ(f.frontEnd.boxes[0].icon, CFrontEnd::EIcon::Warning);
    EXPECT_EQ(f.frontEnd.messageTexts, (Log{"HINWEIS: eins\r\n"}));
    EXPECT_EQ(fake.log.size(), 2u);
}
