#include "datev/CKneFile.h"

#include "core/CPlatform.h"

namespace {
const size_t kFlushSize = 1 << 20;
}

CKneFile::~CKneFile() {
    if (!file) return;
    std::fclose(file);
    CPlatform::RemoveFile(workPath);
}

bool CKneFile::Open(const std::string& filePath) {
    path = filePath;
    workPath = filePath + ".tmp";
    file = CPlatform::OpenFile(workPath, "wb");
    buffer.reserve(kFlushSize + kBlockSize);
    return file != nullptr;
}

void CKneFile::Write(std::string_view bytes) {
    buffer.append(bytes);
    position += static_cast<long long>(bytes.size());
    if (buffer.size() >= kFlushSize) Flush();
}

void CKneFile::PadBlock() {
    int inBlock = PositionInBlock();
    if (inBlock != 0) Write(std::string(static_cast<size_t>(kBlockSize - inBlock), '\0'));
}

void CKneFile::Flush() {
    if (!failed && std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size()) failed = true;
    buffer.clear();
}

bool CKneFile::Close() {
    if (!file) return false;
    Flush();
    bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (failed || !closed || !CPlatform::RenameFile(workPath, path)) {
        CPlatform::RemoveFile(workPath);
        return false;
    }
    return true;
}
