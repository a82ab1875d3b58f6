#pragma once

#include <string>

// Records a crash of the program (a fatal signal or an exception nobody caught) into "FEHLER_LOG.TXT"
// and "FEHLER.DMP" in the data folder, copies both to dated names and lets the process die by the
// signal, so that a batch script sees the failure. Everything the handler needs is prepared by
// Install; the handler itself only uses async-signal-safe calls on fixed buffers.
class CCrashRecorder {
public:
    static constexpr const char* kPlace = "ExceptionAttacher - AfxWinMain";
    static constexpr const char* kLogName = "FEHLER_LOG.TXT";
    static constexpr const char* kDumpName = "FEHLER.DMP";

    // Installs the handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT and std::terminate; the
    // report folder is the data folder as it is now. A later call only updates the folder.
    static void Install();
    // In an automatic run the console also says where the report was written.
    static void SetConsoleNotice(bool on);
    // The data folder with its closing "/" (Windows-1252, like every path of the program).
    static std::string ReportFolder();
    // Distribution, kernel and machine, with the bitness tag of the program (UTF-8).
    static std::string OperatingSystem();
    // Writes the report for an exception that escaped; does nothing after the first report.
    static void RecordException(const char* description);
    // "Exception Test" of the service menu: a real invalid memory access.
    [[noreturn]] static void ProvokeCrash();
};
