#include "core/CFileIo.h"

#include "core/CPlatform.h"

#include <unistd.h>

namespace {

CFileIo& System() {
    static CFileIo io;
    return io;
}

CFileIo* installed = nullptr;

} // namespace

CFileIo& CFileIo::Get() {
    return installed ? *installed : System();
}

void CFileIo::Install(CFileIo* io) {
    installed = io;
}

std::FILE* CFileIo::Open(const std::string& path, const char* mode) {
    return CPlatform::OpenFile(path, mode);
}

size_t CFileIo::Write(std::FILE* file, const void* data, size_t size) {
    return std::fwrite(data, 1, size, file);
}

size_t CFileIo::Read(std::FILE* file, void* data, size_t size) {
    return std::fread(data, 1, size, file);
}

bool CFileIo::Flush(std::FILE* file) {
    return std::fflush(file) == 0;
}

bool CFileIo::Sync(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

bool CFileIo::Close(std::FILE* file) {
    return std::fclose(file) == 0;
}

bool CFileIo::Rename(const std::string& from, const std::string& to) {
    return CPlatform::RenameFile(from, to);
}
