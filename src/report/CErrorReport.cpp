#include "report/CErrorReport.h"

#include "core/CCodePage.h"
#include "core/CIniEx.h"
#include "core/CPlatform.h"
#include "core/CStepCode.h"
#include "report/CCrashRecorder.h"

#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string LogPath() {
    return CCrashRecorder::ReportFolder() + CCrashRecorder::kLogName;
}
std::string DumpPath() {
    return CCrashRecorder::ReportFolder() + CCrashRecorder::kDumpName;
}

std::string ProgramText() {
    return std::string("Pelko ") + PELKO_VERSION + (sizeof(void*) == 8 ? ", 64Bit" : "");
}

// The full path of a program found on PATH, empty when there is none.
std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (size_t begin = 0; begin <= folders.size();) {
        size_t end = folders.find(':', begin);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(begin, end - begin);
        std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        begin = end + 1;
    }
    return {};
}

const std::string& MailSystemMissing() {
    static const std::string text = Ansi("Die Unterstützung für das Mailsystem kann nicht geladen werden.");
    return text;
}

} // namespace

const std::string& CErrorReport::CrashText() {
    static const std::string text = "Bei der letzten Sitzung ist ein Ausnahmefehler aufgetreten.\n\n"
                                    "Bitte senden Sie die LOG-Dateien per EMail (siehe Button).";
    return text;
}

void CErrorReport::SetError(int number, const std::string& errorText) {
    numberLine = "Fehlernummer: " + std::to_string(number) + ":" + std::to_string(CStepCode::Get());
    text = errorText;
    CrashFilesPresent();
}

int CErrorReport::CrashFilesPresent() {
    logFound = CPlatform::FileExists(LogPath());
    dumpFound = CPlatform::FileExists(DumpPath());
    return (logFound ? 2 : 0) + (dumpFound ? 1 : 0);
}

void CErrorReport::DeleteFoundFiles() const {
    if (logFound) CPlatform::RemoveFile(LogPath());
    if (dumpFound) CPlatform::RemoveFile(DumpPath());
}

std::string CErrorReport::Subject() const {
    return "Fehler-Report: " + ProgramText();
}

std::string CErrorReport::Body() const {
    static const std::string tail =
        Ansi("zusätzliche Fehlerbeschreibung:\n...\n(wie läßt sich der Fehler reproduzieren?)\n\n"
             "Dringlichkeit der Fehlerbehebung:\n   [] nur zur Info\n   [] man kann weiterarbeiten\n"
             "   [] weiterarbeiten unmöglich\n\n"
             ">>> Bitte möglichst benutzte Datei mitsenden! <<<");
    return "FEHLER-REPORT:\n\nProgramm:          " + ProgramText() +
           "\nBetriebssystem:    " + CCodePage::Utf8ToAnsi(CCrashRecorder::OperatingSystem()) + "\n\n" +
           numberLine + "\n\nFehlertext:\n" + text + "\n\n" + tail;
}

std::vector<std::string> CErrorReport::MailArguments(const std::string& address) const {
    std::vector<std::string> arguments{"--subject", Subject(), "--body", Body()};
    if (logFound) arguments.insert(arguments.end(), {"--attach", LogPath()});
    if (dumpFound) arguments.insert(arguments.end(), {"--attach", DumpPath()});
    arguments.push_back(address);
    return arguments;
}

std::string CErrorReport::Send(const std::string& address) const {
    CStepCode::Set(8002);
    std::string program = FindOnPath("xdg-email");
    if (program.empty()) return MailSystemMissing();
    CStepCode::Set(8003);
    std::vector<std::string> arguments{program};
    for (const std::string& argument : MailArguments(address))
        arguments.push_back(CCodePage::AnsiToUtf8(argument));
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    CStepCode::Set(8004);
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return MailSystemMissing();
    CStepCode::Set(8005);
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return "Fehler bei \"Nachricht senden\".";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
    // xdg-email's 3: no mail program could be found.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return MailSystemMissing();
    return "Fehler bei \"Nachricht senden\".";
}

std::string CErrorReport::SupportAddress() {
    CIniEx ini;
    std::string address;
    if (ini.Open("pelko.ini", false, false) && ini.GetString("Fehlerbericht", "Adresse", address) &&
        !address.empty())
        return address;
    return kDefaultAddress;
}
