#include "core/CCodePage.h"

#include "support/CTempDir.h"
#include "support/RunPelko.h"

#include <gtest/gtest.h>

namespace {

const std::string kNoDatabase = "\nDie Datenbank konnte zum Lesen nicht geöffnet werden.\nOLE DB meldet: "
                                "[unixODBC][Driver Manager]Data source name not found";

} // namespace

TEST(AutoRunTest, HelpAndVersion) {
    CTempDir temp;
    for (const char* option : {"--help", "-h", "/?"}) {
        CResult help = RunPelko(temp, {option});
        EXPECT_EQ(help.exitCode, 0) << option;
        EXPECT_TRUE(help.out.starts_with("Aufruf: pelko")) << option;
        EXPECT_NE(help.out.find("Rückgabewerte"), std::string::npos) << option;
        EXPECT_NE(help.out.find("/out:error:"), std::string::npos) << option;
    }
    CResult version = RunPelko(temp, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("pelko ") + PELKO_VERSION + "\n");
}

TEST(AutoRunTest, UnusableCommandLinesExitWithTwo) {
    CTempDir temp;
    CResult unknown = RunPelko(temp, {"--gibtsnicht"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("--gibtsnicht"), std::string::npos);
    // Without /AUTO and without a display there is no window to open; a folder named "auto" is no /AUTO.
    CResult noAuto =
        RunPelko(temp, {"/in:csv:bu:" + temp.File("auto/typ1/b.csv"), "/out:error:" + temp.File("f")});
    EXPECT_EQ(noAuto.exitCode, 2);
    EXPECT_NE(noAuto.err.find("/AUTO"), std::string::npos);
    EXPECT_EQ(RunPelko(temp, {"/Auto"}).exitCode, 2);
}

TEST(AutoRunTest, FailureIsReportedOnStderrAndInTheErrorFile) {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "auto" / "typ1");
    const std::string errorFile = temp.File("auto/typ1/Fehler Datei.txt");
    CResult result = RunPelko(temp, {"/AUTO", "/in:sql:st:DSN=Buchhaltung",
                                     "/out:csv:" + temp.File("aus.csv"), "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 1);
    const std::string errors = CTempDir::Read(errorFile);
    EXPECT_EQ(errors.rfind("(E:618#", 0), 0u) << errors;
    EXPECT_NE(errors.find(Ansi(kNoDatabase)), std::string::npos) << errors;
    EXPECT_TRUE(errors.ends_with("\n\nDer Export wurde abgebrochen.\r\n")) << errors;
    EXPECT_NE(result.err.find(kNoDatabase), std::string::npos);
    EXPECT_EQ(result.out, "Daten werden eingelesen...\nKonvertierung abgebrochen.\n");
    EXPECT_FALSE(std::filesystem::exists(temp.File("aus.csv")));
    // The missing settings file was created in the data folder.
    EXPECT_TRUE(std::filesystem::exists(temp.DataFile("pelko.ini")));
}

TEST(AutoRunTest, CompletedRunLeavesAnEmptyErrorFileAndExitsWithZero) {
    CTempDir temp;
    const std::string errorFile = temp.File("fehler.txt");
    CTempDir::Write(errorFile, "vom letzten Lauf");
    const std::string input = std::string(PELKO_TEST_DATA) + "/csv/buchungen_in.csv";
    CResult result = RunPelko(temp, {"/AUTO", "/in:csv:bu:" + input, "/out:csv:" + temp.File("aus.csv"),
                                     "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(CTempDir::Read(errorFile), "");
}

// A type in "pelko.ini" that no reader or writer has stops the run; nothing counts as success.
TEST(AutoRunTest, UnknownTypeOfTheSettingsStopsTheRun) {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "data");
    const std::string settings = "[Eingabe]\r\nTyp=9\r\n[Ausgabe]\r\nTyp=9\r\n";
    CTempDir::Write(temp.DataFile("pelko.ini"), settings);
    const std::string errorFile = temp.File("fehler.txt");
    CResult result = RunPelko(temp, {"/AUTO", "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "Daten werden eingelesen...\nKonvertierung abgebrochen.\n");
    EXPECT_TRUE(CTempDir::Read(errorFile).starts_with("(E:104)\nDer Eingabetyp 9 ist unbekannt."));
    EXPECT_EQ(CTempDir::Read(temp.DataFile("pelko.ini")), settings); // read, not rewritten

    CTempDir::Write(temp.DataFile("pelko.ini"), "[Ausgabe]\r\nTyp=9\r\n");
    const std::string input = std::string(PELKO_TEST_DATA) + "/csv/buchungen_in.csv";
    result = RunPelko(temp, {"/AUTO", "/in:csv:bu:" + input, "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(CTempDir::Read(errorFile).starts_with("(E:105)\nDer Ausgabetyp 9 ist unbekannt."));
}

TEST(AutoRunTest, ErrorFileThatCannotBeCreatedIsReportedAndTheRunGoesOn) {
    CTempDir temp;
    const std::string errorFile = temp.File("fehlt/fehler.txt");
    const std::string input = std::string(PELKO_TEST_DATA) + "/csv/buchungen_in.csv";
    CResult result = RunPelko(temp, {"/AUTO", "/in:csv:bu:" + input, "/out:csv:" + temp.File("aus.csv"),
                                     "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find("Die Fehlerdatei '" + errorFile + "' kann nicht angelegt werden"),
              std::string::npos);
    EXPECT_NE(result.out.find("Konvertierung abgeschlossen ("), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(temp.File("aus.csv")));
    EXPECT_FALSE(std::filesystem::exists(temp.File("fehlt")));
}

TEST(AutoRunTest, PathsWithSwitchLikeFoldersReadAndWriteThoseFiles) {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "auto" / "typ1");
    const std::string data = std::string(PELKO_TEST_DATA) + "/csv/";
    const std::string input = temp.File("auto/typ1/Buchungen.csv");
    std::filesystem::copy_file(data + "buchungen_in.csv", input);
    const std::string output = temp.File("auto/typ1/Aus gabe.csv");
    CResult result = RunPelko(temp, {"/AUTO", "/in:csv:bu:" + input, "/out:csv:" + output,
                                     "/out:error:" + temp.File("fehler.txt")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(CTempDir::Read(output), CTempDir::Read(data + "buchungen_out.csv"));
    EXPECT_EQ(CTempDir::Read(temp.File("fehler.txt")), "");
}

// Quoted fields with quotes inside and over two lines arrive whole; a record whose amount cannot be
// read is named in a FEHLER line and left out, the others are written, and the run exits with 3.
TEST(AutoRunTest, CsvRecordsArriveWholeOrAreNamed) {
    CTempDir temp;
    const std::string sample = CTempDir::Read(std::string(PELKO_TEST_DATA) + "/csv/buchungen_in.csv");
    const std::string heading = sample.substr(0, sample.find("\r\n") + 2);
    CTempDir::Write(temp.File("ein.csv"),
                    heading +
                        "\"A1\";\"\";\"03.01.2024\";\"1200\";\"8400\";\"\";\"12,50\";\"EUR\";\"Text mit "
                        "\"\"Zitat\"\"\";\"100\";\"\";\"\";\"\";\"\";\"\";\"\";\"\"\r\n"
                        "B2;;04.01.2024;1200;8400;;1,00;EUR;\"zwei\r\nZeilen\";;;;;;;;\r\n"
                        "C3;;05.01.2024;1200;8400;;12,5x;EUR;Falsch;;;;;;;;\r\n"
                        "D4;;06.01.2024;1200;8400;;2,00;EUR;Gut;;;;;;;;\r\n");
    const std::string errorFile = temp.File("fehler.txt");
    CResult result = RunPelko(temp, {"/AUTO", "/in:csv:bu:" + temp.File("ein.csv"),
                                     "/out:csv:" + temp.File("aus.csv"), "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_EQ(CTempDir::Read(errorFile),
              Ansi("FEHLER: Zeile 5, Feld 'Betrag': '12,5x' ist keine gültige Zahl. "
                   "Der Datensatz wird nicht übernommen.\r\n\r\n"));
    const std::string out = CTempDir::Read(temp.File("aus.csv"));
    EXPECT_EQ(
        out.substr(out.find("\r\n") + 2),
        "\"A1\";\"\";\"03.01.2024\";\"1200\";\"8400\";\"\";\"12,50\";\"EUR\";\"Text mit \"\"Zitat\"\"\";"
        "\"100\";\"\";\"\";\"\";\"\";\"\";\"12,50\";\"S\"\r\n"
        "\"B2\";\"\";\"04.01.2024\";\"1200\";\"8400\";\"\";\"1,00\";\"EUR\";\"zwei\nZeilen\";\"\";\"\";\"\";"
        "\"\";\"\";\"\";\"1,00\";\"S\"\r\n"
        "\"D4\";\"\";\"06.01.2024\";\"1200\";\"8400\";\"\";\"2,00\";\"EUR\";\"Gut\";\"\";\"\";\"\";\"\";"
        "\"\";\"\";\"2,00\";\"S\"\r\n");
}
