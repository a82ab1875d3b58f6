#pragma once

#include <cstdio>
#include <string>

// Local time or UTC with milliseconds.
struct CDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The operating system as the program sees it. Paths are Windows-1252 text like every other
// text of the program; they become UTF-8 only here, where the file system is called.
class CPlatform {
public:
    static std::string DataDir(); // $PELKO_DATA_DIR, else $XDG_CONFIG_HOME/Pelko, else ~/.config/Pelko
    // Templates, logo and help: ../share/pelko of the executable when installed, else its folder.
    static std::string ProgramDir();
    static std::FILE* OpenFile(const std::string& path, const char* mode);
    static bool FileExists(const std::string& path);
    static bool IsDirectory(const std::string& path);
    static bool CreateDirectories(const std::string& path);
    static bool CopyFile(const std::string& from, const std::string& to);
    static bool RemoveFile(const std::string& path);
    static bool RenameFile(const std::string& from, const std::string& to);
    static long long FileSize(const std::string& path);   // -1 when missing
    static std::string FolderOf(const std::string& path); // text before the last "/", empty if none
    static CDateTime NowLocal();
    static CDateTime NowUtc();
};
