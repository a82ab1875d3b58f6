#include "text/CMyFile.h"

#include "core/CFileIo.h"
#include "core/CPlatform.h"
#include "core/CStepCode.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kChunk = 32768;

} // namespace

CMyFile::~CMyFile() {
    Discard();
}

void CMyFile::Discard() {
    if (file) std::fclose(file);
    file = nullptr;
    target.reset();
}

int CMyFile::OpenRead(const std::string& path) {
    CStepCode::Set(9500);
    Discard();
    begin = end = 0;
    readPosition = 0;
    endOfFile = 0;
    lineEndsKnown = false;
    unixLineEnds = false;
    // A folder opens for reading on this platform but holds no lines.
    if (!CPlatform::IsDirectory(path)) file = CPlatform::OpenFile(path, "rb");
    if (!file) endOfFile = 1;
    return file ? 1 : 0;
}

int CMyFile::OpenWrite(const std::string& path, int append) {
    CStepCode::Set(9510);
    Discard();
    endOfFile = 0;
    target = std::make_unique<CTargetFile>();
    if (target->Open(path, append != 0)) return 1;
    target.reset();
    return 0;
}

int CMyFile::CloseFile() {
    CStepCode::Set(9501);
    bool ok = true;
    if (file) ok = std::fclose(file) == 0;
    file = nullptr;
    if (target) ok = target->Commit() && ok;
    target.reset();
    return ok ? 1 : 0;
}

void CMyFile::TakeOverWrite(CMyFile& from) {
    Discard();
    target = std::move(from.target);
    endOfFile = 0;
}

long long CMyFile::MeasureSize() {
    CStepCode::Set(9502);
    size = 0;
    if (!file) return 0;
    long long here = ftello(file);
    if (fseeko(file, 0, SEEK_END) == 0) size = ftello(file);
    fseeko(file, here, SEEK_SET);
    return size;
}

int CMyFile::ProgressPercent() const {
    if (size < 1 || !file) return 0;
    return static_cast<int>(readPosition * 100 / size);
}

void CMyFile::WriteLine(const std::string& text) {
    CStepCode::Set(9512);
    WriteRaw(text);
    if (target) target->Write("\r\n");
}

void CMyFile::WriteRaw(const std::string& text) {
    CStepCode::Set(9511);
    if (target) target->Write(text);
}

size_t CMyFile::ReadChunk() {
    if (begin > 0) {
        std::memmove(buffer.data(), buffer.data() + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    if (buffer.size() < end + kChunk) buffer.resize(std::max(buffer.size() * 2, end + kChunk));
    if (!file) return 0;
    size_t n = CFileIo::Get().Read(file, buffer.data() + end, kChunk);
    end += n;
    readPosition += static_cast<long long>(n);
    if (!lineEndsKnown) DetectLineEnds(end - n);
    return n;
}

// Decided by the first line feed in sight: until one has been read, the rule is not known yet.
void CMyFile::DetectLineEnds(size_t firstNew) {
    const char* data = buffer.data() + begin;
    const char* last = buffer.data() + end;
    const char* lf = std::find(static_cast<const char*>(buffer.data() + firstNew), last, '\n');
    if (lf == last) return;
    lineEndsKnown = true;
    for (const char* p = lf; p != last; p = std::find(p + 1, last, '\n'))
        if (p > data && p[-1] == '\r') return;
    unixLineEnds = true;
}

bool CMyFile::FindLineEnd(size_t from, EBreaks breaks, size_t& length, size_t& endBytes) const {
    const char* data = buffer.data() + begin;
    size_t count = end - begin;
    if (breaks == EBreaks::Lf) {
        const char* lf = static_cast<const char*>(std::memchr(data + from, '\n', count - from));
        if (!lf) return false;
        size_t i = static_cast<size_t>(lf - data);
        bool cr = i > 0 && data[i - 1] == '\r';
        length = cr ? i - 1 : i;
        endBytes = cr ? 2 : 1;
        return true;
    }
    if (breaks == EBreaks::CrLfOnly) {
        for (size_t i = from; i + 1 < count; ++i) {
            const char* cr = static_cast<const char*>(std::memchr(data + i, '\r', count - i - 1));
            if (!cr) return false;
            i = static_cast<size_t>(cr - data);
            if (data[i + 1] == '\n') {
                length = i;
                endBytes = 2;
                return true;
            }
        }
        return false;
    }
    for (size_t i = from; i < count; ++i) {
        if (data[i] == '\n' || data[i] == '\r') {
            // A CR at the end of the buffered bytes may be the first half of a CR LF.
            if (data[i] == '\r' && i + 1 == count) return false;
            length = i;
            endBytes = data[i] == '\r' && data[i + 1] == '\n' ? 2 : 1;
            return true;
        }
    }
    return false;
}

void CMyFile::ReadLine(std::string& line, EBreaks breaks) {
    size_t lastRead = kChunk;
    if (end - begin < kChunk) lastRead = ReadChunk();
    size_t length = 0;
    size_t endBytes = 0;
    size_t from = 0;
    // The line ends of a file are known once its first line feed is read.
    auto rule = [&] { return breaks == EBreaks::CrLfOnly && unixLineEnds ? EBreaks::Lf : breaks; };
    // A line never comes back in pieces: without a line end in sight, more is read while the file
    // may hold more.
    while (!FindLineEnd(from, rule(), length, endBytes)) {
        if (lastRead < kChunk) {
            length = end - begin;
            endBytes = 0;
            // A CR at the very end of the file ends the last line on its own.
            if (breaks == EBreaks::Any && length > 0 && buffer[end - 1] == '\r') {
                --length;
                endBytes = 1;
            }
            break;
        }
        from = end - begin > 0 ? end - begin - 1 : 0;
        lastRead = ReadChunk();
    }
    line.assign(buffer.data() + begin, length);
    std::replace(line.begin(), line.end(), '\0', ' ');
    begin += std::min(length + endBytes, end - begin);
    if (begin == end && lastRead < kChunk) endOfFile = 1;
}

void CMyFile::ReadLine(std::string& line) {
    CStepCode::Set(9513);
    ReadLine(line, EBreaks::CrLfOnly);
    CStepCode::Set(9519);
}

std::string CMyFile::ReadLine() {
    std::string line;
    ReadLine(line);
    return line;
}

std::string CMyFile::ReadLineAnyBreak() {
    CStepCode::Set(9503);
    std::string line;
    ReadLine(line, EBreaks::Any);
    CStepCode::Set(9509);
    return line;
}
