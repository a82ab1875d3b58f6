#include "text/CMyFile.h"

#include "core/CCodePage.h"
#include "core/CFileIo.h"
#include "core/CPlatform.h"
#include "core/CStepCode.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace {

// Bytes asked of the file at a time: one system call for 256 KB costs less than eight for 32 KB,
// and a buffer of this size still stays in the processor's cache.
constexpr size_t kChunk = 256 << 10;
// More is read once fewer bytes than this are buffered. The rest moves to the front of the buffer
// first, so it is kept small; a longer line reads on until its end is in sight.
constexpr size_t kReadAhead = 16 << 10;

// Looks at the first two bytes of a file and goes back to its start.
bool StartsWithUtf16Mark(std::FILE* file) {
    unsigned char mark[2] = {0, 0};
    bool utf16 = std::fread(mark, 1, 2, file) == 2 &&
                 ((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF));
    std::clearerr(file);
    fseeko(file, 0, SEEK_SET);
    return utf16;
}

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
    size = 0;
    readPosition = 0;
    endOfFile = 0;
    lineEndsKnown = false;
    unixLineEnds = false;
    crLineEnds = false;
    memoryInput = false;
    drained = false;
    readFault = EReadFault::None;
    // A folder opens for reading on this platform but holds no lines.
    if (!CPlatform::IsDirectory(path)) file = CPlatform::OpenFile(path, "rb");
    if (!file) {
        endOfFile = 1;
        return 0;
    }
    struct stat info {};
    regularFile = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    if (!regularFile || StartsWithUtf16Mark(file)) LoadWhole();
    return 1;
}

// Reads an input that cannot seek to its end (a FIFO ends when its writer closes it).
void CMyFile::LoadWhole() {
    for (;;) {
        Reserve(end + kChunk);
        size_t n = std::fread(buffer.get() + end, 1, kChunk, file);
        end += n;
        if (static_cast<long long>(end) > readLimit) {
            readFault = EReadFault::TooLarge;
            break;
        }
        if (n < kChunk) {
            if (std::ferror(file)) readFault = EReadFault::Error;
            break;
        }
    }
    memoryInput = true;
    drained = true;
    if (readFault != EReadFault::None) end = 0;
    // UTF-16 text is read as UTF-8 with its mark, which the readers of text recognise.
    if (end >= 2 &&
        (std::memcmp(buffer.get(), "\xFF\xFE", 2) == 0 || std::memcmp(buffer.get(), "\xFE\xFF", 2) == 0)) {
        std::string text =
            "\xEF\xBB\xBF" +
            CCodePage::Utf16ToUtf8(std::string_view(buffer.get() + 2, end - 2), buffer[0] == '\xFE');
        end = 0;
        Reserve(text.size());
        std::memcpy(buffer.get(), text.data(), text.size());
        end = text.size();
    }
    readPosition = size = static_cast<long long>(end);
    TakeEndOfInput();
    DetectLineEnds(0, true);
}

void CMyFile::Rewind() {
    begin = 0;
    endOfFile = 0;
    if (memoryInput) {
        end = static_cast<size_t>(size);
        TakeEndOfInput();
        return;
    }
    end = 0;
    readPosition = 0;
    drained = false;
    if (file) {
        std::clearerr(file);
        fseeko(file, 0, SEEK_SET);
    }
}

// A Ctrl-Z at the very end is the old end-of-text mark, not a character of the last line.
void CMyFile::TakeEndOfInput() {
    if (end > begin && buffer[end - 1] == '\x1A') --end;
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

bool CMyFile::FinishWrite() {
    return target && target->Finish();
}

void CMyFile::AbandonWrite() {
    if (target) target->Abandon();
    target.reset();
}

void CMyFile::TakeOverWrite(CMyFile& from) {
    Discard();
    target = std::move(from.target);
    endOfFile = 0;
}

long long CMyFile::MeasureSize() {
    CStepCode::Set(9502);
    if (memoryInput) return size;
    size = 0;
    if (!file) return 0;
    long long here = ftello(file);
    if (fseeko(file, 0, SEEK_END) == 0) size = ftello(file);
    fseeko(file, here, SEEK_SET);
    return size;
}

int CMyFile::ProgressPercent() const {
    if (size < 1 || !file) return 0;
    return static_cast<int>((memoryInput ? static_cast<long long>(begin) : readPosition) * 100 / size);
}

void CMyFile::WriteLine(const std::string& text) {
    CStepCode::Set(9512);
    WriteRaw(text);
    if (target) target->Write("\r\n");
}

char* CMyFile::LineRoom(size_t size) {
    CStepCode::Set(9512);
    char* room = target ? target->Room(size + 2) : nullptr;
    if (room) std::memcpy(room + size, "\r\n", 2);
    return room;
}

void CMyFile::WriteRaw(const std::string& text) {
    CStepCode::Set(9511);
    if (target) target->Write(text);
}

// Room for size bytes, the buffered ones kept. New room is not cleared: only bytes read are looked at,
// and clearing would touch every page of it even for a small file.
void CMyFile::Reserve(size_t size) {
    if (size <= capacity) return;
    const size_t grown = std::max(capacity * 2, size);
    std::unique_ptr<char[]> larger = std::make_unique_for_overwrite<char[]>(grown);
    if (end > 0) std::memcpy(larger.get(), buffer.get(), end);
    buffer = std::move(larger);
    capacity = grown;
}

size_t CMyFile::ReadChunk() {
    if (memoryInput || !file || readFault != EReadFault::None) {
        drained = true;
        return 0;
    }
    if (begin > 0) {
        std::memmove(buffer.get(), buffer.get() + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    Reserve(end + kChunk);
    size_t n = CFileIo::Get().Read(file, buffer.get() + end, kChunk);
    // A short read is the end of the input (or a fault): nothing more comes.
    if (n < kChunk) drained = true;
    const size_t firstNew = end;
    end += n;
    readPosition += static_cast<long long>(n);
    // A read error, or a file that is shorter now than when it was measured, is no end of file.
    if (readPosition > readLimit)
        readFault = EReadFault::TooLarge;
    else if (n < kChunk && (std::ferror(file) || (regularFile && readPosition < size)))
        readFault = EReadFault::Error;
    if (readFault != EReadFault::None) {
        begin = end = 0; // what was read is not the input; nothing of it is handed on
        drained = true;
        return 0;
    }
    if (n < kChunk) TakeEndOfInput();
    if (!lineEndsKnown) DetectLineEnds(std::min(firstNew, end), n < kChunk);
    return n;
}

// Decided by the first line feed in sight: until one has been read, the rule is not known yet.
// Without any line feed in the first read, CRs mean CR line ends.
void CMyFile::DetectLineEnds(size_t firstNew, bool atEnd) {
    const char* data = buffer.get() + begin;
    const char* last = buffer.get() + end;
    const char* lf = std::find(static_cast<const char*>(buffer.get() + firstNew), last, '\n');
    if (lf == last) {
        // Two CRs (or one in a file that ends within the first read), and no line feed.
        if (firstNew != begin) return;
        long long crs = std::count(data, atEnd ? last : last - 1, '\r');
        if (crs >= 2 || (crs == 1 && atEnd)) lineEndsKnown = crLineEnds = true;
        return;
    }
    lineEndsKnown = true;
    for (const char* p = lf; p != last; p = std::find(p + 1, last, '\n'))
        if (p > data && p[-1] == '\r') return;
    unixLineEnds = true;
}

bool CMyFile::FindLineEnd(size_t from, EBreaks breaks, size_t& length, size_t& endBytes) const {
    const char* data = buffer.get() + begin;
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
    if (end - begin < kReadAhead) ReadChunk();
    size_t length = 0;
    size_t endBytes = 0;
    size_t from = 0;
    // The line ends of a file are known once its first line feed is read.
    auto rule = [&] {
        if (breaks != EBreaks::CrLfOnly) return breaks;
        return unixLineEnds ? EBreaks::Lf : crLineEnds ? EBreaks::Any : breaks;
    };
    // A line never comes back in pieces: without a line end in sight, more is read while the file
    // may hold more.
    while (!FindLineEnd(from, rule(), length, endBytes)) {
        if (drained) {
            length = end - begin;
            endBytes = 0;
            // A CR at the very end of the file ends the last line on its own.
            if (rule() == EBreaks::Any && length > 0 && buffer[end - 1] == '\r') {
                --length;
                endBytes = 1;
            }
            break;
        }
        from = end - begin > 0 ? end - begin - 1 : 0;
        ReadChunk();
    }
    line.assign(buffer.get() + begin, length);
    if (std::memchr(line.data(), '\0', line.size())) std::replace(line.begin(), line.end(), '\0', ' ');
    begin += std::min(length + endBytes, end - begin);
    // Also after a last line longer than kReadAhead, which needed no read: no empty line follows it.
    if (begin == end && drained) endOfFile = 1;
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
