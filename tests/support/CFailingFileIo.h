#pragma once

#include "core/CFileIo.h"

// Fails the n-th open, write, flush, sync, close or rename (reads are not counted) and lets every
// other call through; installed for its lifetime.
class CFailingFileIo : public CFileIo {
public:
    explicit CFailingFileIo(int failAtCall) : failAt(failAtCall) { CFileIo::Install(this); }
    ~CFailingFileIo() override { CFileIo::Install(nullptr); }
    CFailingFileIo(const CFailingFileIo&) = delete;
    CFailingFileIo& operator=(const CFailingFileIo&) = delete;

    // Whether the n-th call came (and failed).
    bool Reached() const { return calls >= failAt; }

    std::FILE* Open(const std::string& path, const char* mode) override {
        return Fails() ? nullptr : CFileIo::Open(path, mode);
    }
    size_t Write(std::FILE* file, const void* data, size_t size) override {
        return Fails() ? 0 : CFileIo::Write(file, data, size);
    }
    bool Flush(std::FILE* file) override { return !Fails() && CFileIo::Flush(file); }
    bool Sync(std::FILE* file) override { return !Fails() && CFileIo::Sync(file); }
    bool Close(std::FILE* file) override {
        bool fails = Fails();
        return CFileIo::Close(file) && !fails; // the file is released either way
    }
    bool Rename(const std::string& from, const std::string& to) override {
        return !Fails() && CFileIo::Rename(from, to);
    }

private:
    bool Fails() { return ++calls == failAt; }
    int failAt;
    int calls = 0;
};
