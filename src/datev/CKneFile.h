#pragma once

#include "core/CTargetFile.h"

#include <memory>
#include <string>
#include <string_view>

// Output of one KNE file in 256-byte blocks, written through CTargetFile: the previous file stays
// until the new one is complete.
class CKneFile {
public:
    static constexpr int kBlockSize = 256;

    CKneFile();
    CKneFile(const CKneFile&) = delete;
    CKneFile& operator=(const CKneFile&) = delete;

    // Creates the working file; false when it cannot be created or the target may not be replaced.
    bool Open(const std::string& path);
    void Write(std::string_view bytes);
    // NUL bytes up to the next block border (none when the position is on a border).
    void PadBlock();
    long long Position() const { return position; }
    int PositionInBlock() const { return static_cast<int>(position % kBlockSize); }
    // Writes what is buffered and completes the working file; the target is replaced later, as
    // one of a pair (CTargetFile::CommitPair). False after any error.
    bool Finish();
    // The finished file, handed over to be placed with its partner.
    std::unique_ptr<CTargetFile> Release() { return std::move(target); }
    CTargetFile& Target() { return *target; }

private:
    void Flush();

    std::unique_ptr<CTargetFile> target;
    std::string buffer;
    long long position = 0;
};
