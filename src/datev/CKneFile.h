#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Output of one KNE file in 256-byte blocks. Written beside the target and put in its place only
// when complete, so that a failed export neither leaves a truncated file behind as if it were good
// nor destroys the previous export.
class CKneFile {
public:
    static constexpr int kBlockSize = 256;

    CKneFile() = default;
    CKneFile(const CKneFile&) = delete;
    CKneFile& operator=(const CKneFile&) = delete;
    ~CKneFile();

    // Creates the working file; false when it cannot be created.
    bool Open(const std::string& path);
    void Write(std::string_view bytes);
    // NUL bytes up to the next block border (none when the position is on a border).
    void PadBlock();
    long long Position() const { return position; }
    int PositionInBlock() const { return static_cast<int>(position % kBlockSize); }
    // Writes what is buffered and replaces the target; false (target untouched) after any error.
    bool Close();

private:
    void Flush();

    std::FILE* file = nullptr;
    std::string path;
    std::string workPath;
    std::string buffer;
    long long position = 0;
    bool failed = false;
};
