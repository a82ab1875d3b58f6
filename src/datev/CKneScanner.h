#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A cursor over the loaded bytes of a KNE data file. Every step checks the end of the data,
// so no input, however damaged, makes a reader look past it.
class CKneScanner {
public:
    static constexpr char kTextEnd = '\x1C';

    explicit CKneScanner(std::string_view data, size_t pos = 0)
        : data(data), pos(pos < data.size() ? pos : data.size()) {}

    bool AtEnd() const { return pos >= data.size(); }
    size_t Pos() const { return pos; }
    // Back to an earlier position, e.g. to scan again what a broken field took in.
    void SetPos(size_t p) { pos = p < data.size() ? p : data.size(); }
    // The bytes from an earlier position up to the cursor.
    std::string_view Since(size_t from) const { return data.substr(from, pos - from); }
    // The byte at the cursor; NUL at the end.
    char Peek() const { return AtEnd() ? '\0' : data[pos]; }
    // Steps over the tag when it is the byte at the cursor.
    bool Take(char tag);
    // Moves to the next occurrence of c (or the end); true when found.
    bool SeekTo(char c);
    // Moves behind the next occurrence of c; false (cursor at the end) when there is none.
    bool SkipPast(char c);
    // The characters of a number field (blank, sign, digits), at most max of them.
    std::string_view NumberText(size_t max);
    // A text field up to its end byte (0x1C), which is stepped over. False (cursor at the end)
    // when the data end before the end byte.
    bool Text(std::string_view& out, char end = kTextEnd);

    enum class ENumber { Ok, Malformed, TooLarge };
    // A decimal number: blanks, an optional sign, digits, blanks. A field without digits gives 0;
    // anything else in it (a blank or sign between digits) makes it Malformed, more than 64 bits
    // TooLarge, so that no part of a number is taken for the whole.
    static ENumber ParseNumber(std::string_view text, long long& value);

private:
    std::string_view data;
    size_t pos;
};
