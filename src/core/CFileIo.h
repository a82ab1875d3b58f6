#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The calls that move file contents to and from the disk. Every writer and the buffered text file
// go through this one object, so that a test can make the n-th of them fail and watch what the
// program does then.
class CFileIo {
public:
    virtual ~CFileIo() = default;

    // Paths are Windows-1252 text, as everywhere in the program.
    virtual std::FILE* Open(const std::string& path, const char* mode);
    // The count of bytes taken; less than size on failure.
    virtual size_t Write(std::FILE* file, const void* data, size_t size);
    virtual size_t Read(std::FILE* file, void* data, size_t size);
    virtual bool Flush(std::FILE* file);
    // Hands the written bytes to the disk itself (not only to the system's cache).
    virtual bool Sync(std::FILE* file);
    // Releases the file in every case; false when its last bytes could not be written.
    virtual bool Close(std::FILE* file);
    virtual bool Rename(const std::string& from, const std::string& to);

    static CFileIo& Get();
    // A test's stand-in; nullptr restores the system's calls.
    static void Install(CFileIo* io);
};
