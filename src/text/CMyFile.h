#pragma once

#include "core/CTargetFile.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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

    int OpenRead(const std::string& path);
    int OpenWrite(const std::string& path, int append);
    // Closes the file; 0 when a written file could not be completed (the target is then untouched).
    int CloseFile();
    // Takes over the file another object opened for writing, to write on where it stopped (one file
    // built by two layouts).
    void TakeOverWrite(CMyFile& from);
    long long MeasureSize();
    int ProgressPercent() const;
    long long GetSize() const { return size; }

    void WriteLine(const std::string& text);
    void WriteRaw(const std::string& text);

    // The next line without its CR LF; a lone CR or LF stays part of the line. NUL bytes become blanks.
    // A file whose first 32 KiB hold line feeds but no CR LF at all was written with Unix line ends:
    // there a LF (with or without a CR before it) ends the line instead.
    std::string ReadLine();
    void ReadLine(std::string& line);
    // Like ReadLine, but a lone LF or a lone CR ends a line too.
    std::string ReadLineAnyBreak();

    bool IsEndOfFile() const { return endOfFile != 0; }
    bool IsOpen() const { return file != nullptr || target != nullptr; }

private:
    enum class EBreaks { CrLfOnly, Lf, Any };
    void ReadLine(std::string& line, EBreaks breaks);
    size_t ReadChunk();
    void DetectLineEnds(size_t firstNew);
    // Finds the end of the line in the buffered bytes from index from: the line length and the bytes
    // of its line end, or false when the buffered bytes hold no complete line end.
    bool FindLineEnd(size_t from, EBreaks breaks, size_t& length, size_t& endBytes) const;
    void Discard();

    long long size = 0;
    long long readPosition = 0; // bytes taken from the platform file so far
    std::FILE* file = nullptr;
    int endOfFile = 0;
    std::vector<char> buffer;
    size_t begin = 0; // first buffered byte; the buffered part is [begin, end)
    size_t end = 0;
    bool lineEndsKnown = false;
    bool unixLineEnds = false;
    std::unique_ptr<CTargetFile> target; // while open for writing
};
