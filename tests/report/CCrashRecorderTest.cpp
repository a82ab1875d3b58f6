#include "report/CCrashRecorder.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void Throw() {
    throw std::runtime_error("Testfehler beim Lesen");
}
// An exception that leaves a noexcept function ends in std::terminate, as one escaping main would.
void ThrowOutOfNoexcept() noexcept {
    Throw();
}

// Runs crash in a child process whose data folder is folder and whose console goes to console;
// the wait status of the child.
template <class Crash> int RunChild(const fs::path& folder, const fs::path& console, Crash crash) {
    pid_t child = fork();
    if (child == 0) {
        setenv("PELKO_DATA_DIR", folder.c_str(), 1);
        int fd = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, STDERR_FILENO);
        CCrashRecorder::Install();
        CCrashRecorder::SetConsoleNotice(true);
        crash();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

std::vector<fs::path> Dated(const fs::path& folder, const std::string& prefix) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.size() == prefix.size() + 15) found.push_back(entry.path());
    }
    return found;
}

struct CCrashCase {
    const char* name;
    void (*crash)();
    int signal;
    const char* what;   // in both files
    const char* access; // in the report only
};

TEST(CCrashRecorderTest, CrashLeavesReportDumpAndDatedCopiesAndEndsByTheSignal) {
    const CCrashCase cases[] = {
        {"segv", [] { CCrashRecorder::ProvokeCrash(); }, SIGSEGV, "Signal 11 (SIGSEGV), code 1.\r\n",
         "Write to location 00000010 caused an access violation.\r\n\r\nContext:"},
        {"abort", [] { std::abort(); }, SIGABRT, "Signal 6 (SIGABRT), code -6.\r\n",
         "code -6.\r\n\r\nContext:"},
        {"exception", [] { ThrowOutOfNoexcept(); }, SIGABRT,
         "Uncaught exception: std::runtime_error: Testfehler beim Lesen\r\n", "Lesen\r\n\r\nContext:"},
    };
    for (const CCrashCase& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir temp;
        const fs::path folder = temp.path / "nicht da" / "Pelko";
        const int status = RunChild(folder, temp.path / "console.txt", c.crash);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), c.signal);

        const std::string log = CTempDir::Read((folder / "FEHLER_LOG.TXT").string());
        EXPECT_TRUE(log.starts_with("Exception handler called in ExceptionAttacher - AfxWinMain.\r\n"
                                    "Error occurred at "));
        for (const char* line :
             {", run by ", "\r\nOperating system:  ", " [64-Bit] .\r\n", " processor(s), type ",
              "% memory in use.\r\n", " MBytes user address space free.\r\n", c.what, c.access,
              "\r\nContext:\r\n64-BIT\r\nBack trace:\r\n", "Module 1\r\n", "Image Base: 0x"})
            EXPECT_NE(log.find(line), std::string::npos) << line;
        EXPECT_TRUE(log.ends_with("\r\n===== [end of FEHLER_LOG.TXT] =====\r\n"));
        // Every shared library of the process is named in the module list.
        std::ifstream maps("/proc/self/maps");
        for (std::string line; std::getline(maps, line);)
            if (line.find(".so") != std::string::npos && line.find(" /") != std::string::npos) {
                EXPECT_NE(log.find(line.substr(line.find(" /") + 1) + "\r\n"), std::string::npos) << line;
            }

        const std::string dump = CTempDir::Read((folder / "FEHLER.DMP").string());
        EXPECT_NE(dump.find(c.what), std::string::npos);
        for (const char* part : {"Back trace:\r\n", "\r\nMemory map:\r\n", "[stack]\r\n"})
            EXPECT_NE(dump.find(part), std::string::npos) << part;
        if (c.signal == SIGSEGV) {
            EXPECT_NE(dump.find("Fault address: 0x0000000000000010\r\nAccess: write\r\nRegisters:\r\n"),
                      std::string::npos);
        }
        EXPECT_TRUE(dump.ends_with("\r\n===== [end of FEHLER.DMP] =====\r\n"));

        const auto datedLogs = Dated(folder, "FEHLER_LOG_");
        const auto datedDumps = Dated(folder, "FEHLER_");
        ASSERT_EQ(datedLogs.size(), 1u);
        EXPECT_EQ(CTempDir::Read(datedLogs[0].string()), log);
        ASSERT_EQ(datedDumps.size(), 1u);
        EXPECT_EQ(CTempDir::Read(datedDumps[0].string()), dump);

        EXPECT_EQ(CTempDir::Read((temp.path / "console.txt").string()),
                  "FEHLER: Pelko ist abgestürzt. Der Fehlerbericht steht in " +
                      (folder / "FEHLER_LOG.TXT").string() + " und " + (folder / "FEHLER.DMP").string() +
                      ".\n");
    }
}

TEST(CCrashRecorderTest, OnlyTheFirstCrashIsRecorded) {
    CTempDir temp;
    const fs::path folder = temp.path / "data";
    const int status = RunChild(folder, temp.path / "console.txt", [&folder] {
        CCrashRecorder::RecordException("erster Fehler");
        fs::remove(folder / "FEHLER_LOG.TXT");
        fs::remove(folder / "FEHLER.DMP");
        CCrashRecorder::ProvokeCrash();
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_FALSE(fs::exists(folder / "FEHLER_LOG.TXT"));
    EXPECT_FALSE(fs::exists(folder / "FEHLER.DMP"));
}

TEST(CCrashRecorderTest, UnwritableFolderStillEndsByTheSignal) {
    CTempDir temp;
    CTempDir::Write(temp.File("datei"), "x");
    const int status =
        RunChild(temp.path / "datei" / "Pelko", temp.path / "console.txt", [] { std::abort(); });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    EXPECT_EQ(CTempDir::Read(temp.File("console.txt")), "Error creating exception report\r\n");
}

} // namespace
