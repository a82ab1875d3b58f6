#pragma once

#include <string>
#include <string_view>

// Text inside the program is Windows-1252; these conversions happen only at the edges:
// UTF-8 for paths, command line, console and widgets, the OEM table for KNE files and DOS layouts.
class CCodePage {
public:
    static std::string Utf8ToAnsi(std::string_view utf8);
    static std::string AnsiToUtf8(std::string_view ansi);
    // No byte from 0x80 on: the same text in every code page here, which needs no conversion.
    static bool IsAscii(std::string_view text);
    static std::string AnsiToOem(std::string_view ansi);
    static std::string OemToAnsi(std::string_view oem);
    static void AnsiToOemInPlace(std::string& text);
    static void AnsiToOemInPlace(char* text, size_t size);
    static void OemToAnsiInPlace(std::string& text);
    // Unicode code point of a Windows-1252 byte (undefined bytes map to the C1 control of the same value).
    static unsigned AnsiToUnicode(unsigned char byte);
    // Unicode code point of an OEM byte.
    static unsigned OemToUnicode(unsigned char byte);
    // Windows-1252 byte of a code point, or '?' when it has none.
    static char UnicodeToAnsi(unsigned codePoint);
    // The code point of the UTF-8 sequence at pos, which moves past it; U+FFFD for a broken one.
    static unsigned NextCodePoint(std::string_view utf8, size_t& pos);
    // UTF-16 bytes (without their byte order mark) as UTF-8; a lone surrogate becomes U+FFFD.
    static std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
    // Lower case of a Windows-1252 letter (also "Ä", "Š", "Ÿ"); other bytes stay.
    static char ToLower(char c);
};

// Brings a UTF-8 source literal into Windows-1252, e.g. Ansi("Währung").
// Cached per literal by callers on hot paths.
inline std::string Ansi(std::string_view utf8) {
    return CCodePage::Utf8ToAnsi(utf8);
}
