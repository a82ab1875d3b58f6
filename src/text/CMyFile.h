#pragma once

#include "core/CTargetFile.h"

#include <cstdio>
#include <memory>
#include <string>

// A platform file with a read-ahead buffer: lines end with CR LF on reading and writing.
// The delimited-text engine relies on these exact line rules.
//
// A file opened for writing with append 0 replaces its target through CTargetFile: only when
// CloseFile finds every write succeeded, so a failed export never leaves a damaged file where a
// good one was expected.
class CMyFile {
public:
    CMyFile() = default;
    CMyFile(const CMyFile&) = delete;
    CMyFile& operator=(const CMyFile&) = delete;
    ~CMyFile();

    // Opens for reading. An input that cannot seek (a pipe, a FIFO, a device) is read into memory
    // here, whole, so that nothing it held is lost to a look ahead or a second pass.
    int OpenRead(const std::string& path);
    // Starts reading again at the first byte (also for an input held in memory).
    void Rewind();
    int OpenWrite(const std::string& path, int append);
    // Closes the file; 0 when a written file could not be completed (the target is then untouched).
    int CloseFile();
    // Flushes, syncs and closes what was written without replacing the target yet (CloseFile does
    // that); false when any write failed. Lets several files be complete before any is replaced.
    bool FinishWrite();
    // Drops what was written; the target stays as it was.
    void AbandonWrite();
    // Takes over the file another object opened for writing, to write on where it stopped (one file
    // built by two layouts).
    void TakeOverWrite(CMyFile& from);
    // The file being written, for placing several files as one set; null when none is.
    CTargetFile* WriteTarget() { return target.get(); }
    long long MeasureSize();
    int ProgressPercent() const;
    long long GetSize() const { return size; }

    void WriteLine(const std::string& text);
    // Room for a line of size bytes in the write buffer, its CR LF already behind it, to be filled
    // instead of a WriteLine; nullptr when the buffer cannot take it (WriteLine then).
    char* LineRoom(size_t size);
    void WriteRaw(const std::string& text);

    // The next line without its CR LF; a lone CR or LF stays part of the line. NUL bytes become blanks.
    // A file whose first 32 KiB hold line feeds but no CR LF at all was written with Unix line ends:
    // there a LF (with or without a CR before it) ends the line instead; one that holds CRs but no
    // line feed at all ends its lines with CR alone. A Ctrl-Z as the last byte marks the end of
    // the text and is no part of it.
    std::string ReadLine();
    void ReadLine(std::string& line);
    // Like ReadLine, but a lone LF or a lone CR ends a line too.
    std::string ReadLineAnyBreak();

    // Why reading stopped before the end of the input: a read error of the platform (or a file
    // that shrank while it was read), or the size limit. The lines read so far are not the whole
    // input then.
    enum class EReadFault { None, Error, TooLarge };
    EReadFault GetReadFault() const { return readFault; }
    static constexpr long long kDefaultReadLimit = 4LL << 30;
    void SetReadLimit(long long bytes) { readLimit = bytes; }

    bool IsEndOfFile() const { return endOfFile != 0; }
    bool IsOpen() const { return file != nullptr || target != nullptr; }

private:
    enum class EBreaks { CrLfOnly, Lf, Any };
    void ReadLine(std::string& line, EBreaks breaks);
    size_t ReadChunk();
    void Reserve(size_t size);
    void LoadWhole();
    void TakeEndOfInput();
    void DetectLineEnds(size_t firstNew, bool atEnd);
    // Finds the end of the line in the buffered bytes from index from: the line length and the bytes
    // of its line end, or false when the buffered bytes hold no complete line end.
    bool FindLineEnd(size_t from, EBreaks breaks, size_t& length, size_t& endBytes) const;
    void Discard();

    long long size = 0;
    long long readPosition = 0; // bytes taken from the platform file so far
    std::FILE* file = nullptr;
    int endOfFile = 0;
    std::unique_ptr<char[]> buffer;
    size_t capacity = 0;
    size_t begin = 0; // first buffered byte; the buffered part is [begin, end)
    size_t end = 0;
    bool lineEndsKnown = false;
    bool unixLineEnds = false;
    bool crLineEnds = false;  // old Mac files: a CR alone ends every line
    bool memoryInput = false; // the whole input is in the buffer; nothing more is read
    bool drained = false;     // every byte the input gives is in the buffer
    bool regularFile = false;
    EReadFault readFault = EReadFault::None;
    long long readLimit = kDefaultReadLimit;
    std::unique_ptr<CTargetFile> target; // while open for writing
};
