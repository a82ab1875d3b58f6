// Runs of the real program whose output fails: a file-size limit in the middle of the list, and
// a kill while the target is written. The previous target must survive both.
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Starts the program; a file-size limit above 0 applies to everything it writes.
pid_t Start(const CTempDir& temp, std::vector<std::string> args, long long sizeLimit) {
    args.insert(args.begin(), PELKO_BINARY);
    pid_t pid = fork();
    if (pid != 0) return pid;
    int out = open(temp.File("ausgabe.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        unsetenv(name);
    if (sizeLimit > 0) {
        rlimit limit{static_cast<rlim_t>(sizeLimit), static_cast<rlim_t>(sizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
    }
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(PELKO_BINARY, argv.data());
    _exit(127);
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ManyBookings(const CTempDir& temp, int count) {
    std::string text = "Buchungsnummer;Datum;Soll-Konto;Haben-Konto;Betrag;Buchungstext\r\n";
    for (int i = 1; i <= count; ++i)
        text += std::to_string(i) + ";15.03.2023;1200;8400;" + std::to_string(i % 9000 + 1) +
                ",25;Miete Lager\r\n";
    const std::string path = temp.File("buchungen.csv");
    CTempDir::Write(path, text);
    return path;
}

bool AnyStagingFile(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().string().ends_with(".pelko-part")) return true;
    return false;
}

} // namespace

TEST(WriteFailureRunTest, RtfListOnAFullDiskFailsAndKeepsThePreviousList) {
    CTempDir temp;
    const std::string input = ManyBookings(temp, 20000);
    const std::string target = temp.File("liste.rtf");
    CTempDir::Write(target, "vorher");
    int status = Wait(Start(temp, {"/AUTO", "/in:csv:bu:" + input, "/out:rtf:" + target}, 1 << 20));
    EXPECT_EQ(status, 1);
    const std::string out = CTempDir::Read(temp.File("ausgabe.txt"));
    EXPECT_NE(out.find("Konvertierung abgebrochen."), std::string::npos) << out;
    EXPECT_NE(out.find("(E:602#"), std::string::npos) << out;
    EXPECT_EQ(CTempDir::Read(target), "vorher");
    EXPECT_FALSE(AnyStagingFile(temp.path));
}

// Killed while it writes, the program leaves the previous target (and the KNE pair) as it was.
TEST(WriteFailureRunTest, KillDuringTheWriteLeavesThePreviousTargets) {
    struct {
        const char* name;
        const char* output; // switch and target behind the folder "aus"
        int bookings;
        const char* version; // of a DATEVpro file, which the short parameter file lacks
        std::vector<std::string> targets;
    } cases[] = {
        {"RTF", "/out:rtf:", 300000, "", {"liste.rtf"}},
        {"KNE", "/out:datev:", 300000, "", {"ED00001", "EV01"}},
        {"CSV", "/out:csv:", 300000, "", {"liste.csv"}},
        {"DATEVpro", "/out:datevpro:", 99000, "/vers:700", {"EXTF_Buchungen.csv"}}, // one file: at most 99
                                                                                    // 999
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir temp;
        const std::string input = ManyBookings(temp, c.bookings);
        fs::create_directories(temp.path / "aus");
        for (const std::string& target : c.targets)
            CTempDir::Write(temp.File("aus/" + target), "vorher " + target);
        std::string output =
            std::string(c.output) + temp.File(c.targets.size() > 1 ? "aus/" : "aus/" + c.targets[0]);
        CTempDir::Write(temp.File("angaben.txt"), "DATEV-Angaben:\r\n--\r\n1234567\r\nB\r\n12345\r\n");
        std::vector<std::string> args = {"/AUTO", "/in:csv:bu:" + input, output,
                                         "/dv:" + temp.File("angaben.txt")};
        if (*c.version) args.push_back(c.version);
        pid_t pid = Start(temp, args, 0);
        // Wait for the staging file, then kill in the middle of the write.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        bool writing = false;
        while (!(writing = AnyStagingFile(temp.path / "aus")) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        kill(pid, SIGKILL);
        EXPECT_EQ(Wait(pid), 128 + SIGKILL) << CTempDir::Read(temp.File("ausgabe.txt"));
        EXPECT_TRUE(writing);
        for (const std::string& target : c.targets)
            EXPECT_EQ(CTempDir::Read(temp.File("aus/" + target)), "vorher " + target);
    }
}
