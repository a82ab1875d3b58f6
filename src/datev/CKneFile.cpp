#include "datev/CKneFile.h"

namespace {
const size_t kFlushSize = 1 << 20;
}

CKneFile::CKneFile() : target(std::make_unique<CTargetFile>()) {}

bool CKneFile::Open(const std::string& filePath) {
    buffer.reserve(kFlushSize + kBlockSize);
    return target->Open(filePath);
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
    target->Write(buffer);
    buffer.clear();
}

bool CKneFile::Finish() {
    Flush();
    return target->Finish();
}
