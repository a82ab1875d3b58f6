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
    // The byte at the cursor; NUL at the end (loaded data never hold a NUL).
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
    bool Text(std::string& out, char end = kTextEnd);

    // A decimal number with optional leading blanks and sign, ending at the first other
    // character; no digits give 0. False when it does not fit into 64 bits.
    static bool ParseNumber(std::string_view text, long long& value);

private:
    std::string_view data;
    size_t pos;
};
