#include "core/CPlatform.h"

#include "core/CCodePage.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path Native(const std::string& ansiPath) {
    return fs::path(CCodePage::AnsiToUtf8(ansiPath));
}

std::string FromEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? CCodePage::Utf8ToAnsi(value) : std::string();
}

CDateTime FromTimePoint(bool utc) {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    utc ? gmtime_r(&seconds, &parts) : localtime_r(&seconds, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,       parts.tm_hour,
            parts.tm_min,         parts.tm_sec,     static_cast<int>(ms)};
}

} // namespace

std::string CPlatform::DataDir() {
    if (std::string dir = FromEnv("PELKO_DATA_DIR"); !dir.empty()) return dir;
    if (std::string config = FromEnv("XDG_CONFIG_HOME"); !config.empty()) return config + "/Pelko";
    return FromEnv("HOME") + "/.config/Pelko";
}

std::string CPlatform::ProgramDir() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error || !exe.has_parent_path()) return CCodePage::Utf8ToAnsi(fs::current_path(error).string());
    // Installed, the program sits in bin/ and its templates, help and logo in share/pelko beside it;
    // in the build folder they sit beside the program.
    fs::path installed = exe.parent_path().parent_path() / "share" / "pelko";
    if (fs::is_directory(installed, error)) return CCodePage::Utf8ToAnsi(installed.string());
    return CCodePage::Utf8ToAnsi(exe.parent_path().string());
}

std::FILE* CPlatform::OpenFile(const std::string& path, const char* mode) {
    if (path.empty()) return nullptr;
    return std::fopen(Native(path).c_str(), mode);
}

bool CPlatform::FileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(Native(path), error);
}

bool CPlatform::IsDirectory(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(Native(path), error);
}

bool CPlatform::CreateDirectories(const std::string& path) {
    std::error_code error;
    fs::create_directories(Native(path), error);
    return IsDirectory(path);
}

bool CPlatform::CopyFile(const std::string& from, const std::string& to) {
    std::error_code error;
    return fs::copy_file(Native(from), Native(to), fs::copy_options::overwrite_existing, error);
}

bool CPlatform::RemoveFile(const std::string& path) {
    std::error_code error;
    return fs::remove(Native(path), error);
}

bool CPlatform::RenameFile(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::rename(Native(from), Native(to), error);
    return !error;
}

long long CPlatform::FileSize(const std::string& path) {
    std::error_code error;
    auto size = fs::file_size(Native(path), error);
    return error ? -1 : static_cast<long long>(size);
}

std::string CPlatform::FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

CDateTime CPlatform::NowLocal() {
    return FromTimePoint(false);
}
CDateTime CPlatform::NowUtc() {
    return FromTimePoint(true);
}
