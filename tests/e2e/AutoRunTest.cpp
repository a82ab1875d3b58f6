#include "core/CCodePage.h"

#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <vector>

extern char** environ;

namespace {

struct CResult {
    int exitCode = -1;
    std::string out; // UTF-8, as the console shows it
    std::string err;
};

// Runs the real program with the given arguments; PELKO_DATA_DIR is the temp folder's data folder.
CResult RunPelko(const CTempDir& temp, std::vector<std::string> args) {
    args.insert(args.begin(), PELKO_BINARY);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string outFile = temp.File("stdout.txt");
    const std::string errFile = temp.File("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    CResult result;
    if (posix_spawn(&pid, PELKO_BINARY, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = CTempDir::Read(outFile);
    result.err = CTempDir::Read(errFile);
    return result;
}

const std::string kNotAvailable =
    "(E:104)\nDas Eingabeformat \"SQL-Datenbank\" wird von dieser Version nicht unterstützt.";

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
    // Without /AUTO this build has no window to open; a folder named "auto" is no /AUTO.
    CResult noAuto =
        RunPelko(temp, {"/in:csv:bu:" + temp.File("auto/typ1/b.csv"), "/out:error:" + temp.File("f")});
    EXPECT_EQ(noAuto.exitCode, 2);
    EXPECT_NE(noAuto.err.find("/AUTO"), std::string::npos);
    EXPECT_EQ(RunPelko(temp, {"/Auto"}).exitCode, 2);
}

TEST(AutoRunTest, MissingFormatIsReportedOnStderrAndInTheErrorFile) {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "auto" / "typ1");
    const std::string errorFile = temp.File("auto/typ1/Fehler Datei.txt");
    CResult result = RunPelko(temp, {"/AUTO", "/in:sql:st:DSN=Buchhaltung",
                                     "/out:csv:" + temp.File("aus.csv"), "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(CTempDir::Read(errorFile), Ansi(kNotAvailable) + "\r\n");
    EXPECT_NE(result.err.find(kNotAvailable), std::string::npos);
    EXPECT_EQ(result.out, "Daten werden eingelesen...\n");
    EXPECT_FALSE(std::filesystem::exists(temp.File("aus.csv")));
    // The missing settings file was created in the data folder.
    EXPECT_TRUE(std::filesystem::exists(temp.DataFile("pelko.ini")));
}

TEST(AutoRunTest, CompletedRunLeavesAnEmptyErrorFileAndExitsWithZero) {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "data");
    // Types outside the lists read and write nothing, which counts as a completed run.
    const std::string settings = "[Eingabe]\r\nTyp=9\r\n[Ausgabe]\r\nTyp=9\r\n";
    CTempDir::Write(temp.DataFile("pelko.ini"), settings);
    const std::string errorFile = temp.File("fehler.txt");
    CTempDir::Write(errorFile, "vom letzten Lauf");
    CResult result = RunPelko(temp, {"/AUTO", "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "Daten werden eingelesen...\nDaten werden abgespeichert...\n"
                          "Konvertierung abgeschlossen (0 Buchungen).\n");
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(std::filesystem::exists(errorFile));
    EXPECT_EQ(CTempDir::Read(errorFile), "");
    EXPECT_EQ(CTempDir::Read(temp.DataFile("pelko.ini")), settings); // read, not rewritten
}

TEST(AutoRunTest, ErrorFileThatCannotBeCreatedIsReportedAndTheRunGoesOn) {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "data");
    CTempDir::Write(temp.DataFile("pelko.ini"), "[Eingabe]\r\nTyp=9\r\n[Ausgabe]\r\nTyp=9\r\n");
    const std::string errorFile = temp.File("fehlt/fehler.txt");
    CResult result = RunPelko(temp, {"/AUTO", "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find("Die Fehlerdatei '" + errorFile + "' kann nicht angelegt werden"),
              std::string::npos);
    EXPECT_NE(result.out.find("Konvertierung abgeschlossen (0 Buchungen)."), std::string::npos);
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
