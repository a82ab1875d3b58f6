#include "core/CCodePage.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Code points of Windows-1252 0x80..0x9F; 0 marks the five bytes without a character.
const unsigned kWin1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Code page 437, 0x80..0xFF, row by row.
const unsigned kCp437High[128] = {
    0xC7,   0xFC,   0xE9,   0xE2,   0xE4,   0xE0,   0xE5,   0xE7,   0xEA,   0xEB,   0xE8,   0xEF,   0xEE,
    0xEC,   0xC4,   0xC5,   0xC9,   0xE6,   0xC6,   0xF4,   0xF6,   0xF2,   0xFB,   0xF9,   0xFF,   0xD6,
    0xDC,   0xA2,   0xA3,   0xA5,   0x20A7, 0x192,  0xE1,   0xED,   0xF3,   0xFA,   0xF1,   0xD1,   0xAA,
    0xBA,   0xBF,   0x2310, 0xAC,   0xBD,   0xBC,   0xA1,   0xAB,   0xBB,   0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x3B1,  0xDF,   0x393,  0x3C0,  0x3A3,  0x3C3,  0xB5,   0x3C4,
    0x3A6,  0x398,  0x3A9,  0x3B4,  0x221E, 0x3C6,  0x3B5,  0x2229, 0x2261, 0xB1,   0x2265, 0x2264, 0x2320,
    0x2321, 0xF7,   0x2248, 0xB0,   0x2219, 0xB7,   0x221A, 0x207F, 0xB2,   0x25A0, 0xA0};

// The character of a Windows-1252 byte, or 0 when the byte has none.
unsigned Win1252(int byte) {
    return byte >= 0x80 && byte < 0xA0 ? kWin1252High[byte - 0x80] : static_cast<unsigned>(byte);
}

// DATEV's table: code page 437 with "§" at 0x15 and "€" in place of "■" at 0xFE.
unsigned Oem(int byte) {
    if (byte == 0x15) return 0xA7;
    if (byte == 0xFE) return 0x20AC;
    return byte < 0x80 ? static_cast<unsigned>(byte) : kCp437High[byte - 0x80];
}

std::string Utf8(unsigned u) {
    std::string out;
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
    return out;
}

std::string Byte(int b) {
    return std::string(1, static_cast<char>(b));
}

} // namespace

TEST(CCodePageTest, Windows1252AndUtf8RoundTripAllBytes) {
    for (int b = 0; b < 256; ++b) {
        unsigned u = Win1252(b);
        if (u == 0) {
            // The undefined bytes survive a round trip through their C1 controls.
            EXPECT_EQ(CCodePage::Utf8ToAnsi(CCodePage::AnsiToUtf8(Byte(b))), Byte(b)) << b;
            continue;
        }
        EXPECT_EQ(CCodePage::AnsiToUtf8(Byte(b)), Utf8(u)) << b;
        EXPECT_EQ(CCodePage::Utf8ToAnsi(Utf8(u)), Byte(b)) << b;
    }
    EXPECT_EQ(Ansi("Währung Schlüssel Größe €"), "W\xE4hrung Schl\xFCssel Gr\xF6\xDF"
                                                 "e \x80");
}

TEST(CCodePageTest, Utf8WithoutWindows1252FormBecomesQuestionMark) {
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xCE\xB1"), "?");                 // Greek alpha
    EXPECT_EQ(CCodePage::Utf8ToAnsi("a\xF0\x9F\x98\x80z"), "a?z");     // outside the BMP
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xC3"), "?");                     // cut short at the end
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xC3(x"), "?(x");                 // broken continuation
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\x80\xBF"), "??");                // stray continuation bytes
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xC0\xAF"), "??");                // overlong "/" (2 bytes)
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xE0\x80\xAF"), "?");             // overlong "/" (3 bytes)
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xE0\x83\xA4"), "?");             // overlong "ä"
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xF0\x80\x80\xAF"), "?");         // overlong "/" (4 bytes)
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xED\xA0\x80"), "?");             // surrogate
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xF4\x90\x80\x80"), "?");         // beyond U+10FFFF
    EXPECT_EQ(CCodePage::Utf8ToAnsi("\xF8\x88\x80\x80\x80"), "?????"); // no such lead byte
    EXPECT_EQ(CCodePage::Utf8ToAnsi(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CCodePageTest, OemTableMatchesDatevCharacterSetBothWays) {
    std::map<unsigned, int> oemOf;
    for (int o = 255; o >= 0; --o)
        oemOf[Oem(o)] = o;
    for (int b = 0; b < 256; ++b) {
        // OEM to ANSI: the Windows-1252 byte of the same character, else "?".
        unsigned u = Oem(b);
        int ansi = '?';
        for (int a = 0; a < 256; ++a)
            if (Win1252(a) == u && (u != 0 || a == 0)) ansi = a;
        EXPECT_EQ(CCodePage::OemToAnsi(Byte(b)), Byte(ansi)) << "OEM " << b;
        // ANSI to OEM: the OEM byte of the same character, else "?".
        unsigned w = Win1252(b);
        auto found = oemOf.find(w);
        int oem = w != 0 && found != oemOf.end() ? found->second : (b == 0 ? 0 : '?');
        EXPECT_EQ(CCodePage::AnsiToOem(Byte(b)), Byte(oem)) << "ANSI " << b;
    }
}

TEST(CCodePageTest, GermanLettersTakeTheirDosBytes) {
    const std::string ansi = Ansi("äöüÄÖÜß§€");
    const std::string oem = "\x84\x94\x81\x8E\x99\x9A\xE1\x15\xFE";
    EXPECT_EQ(CCodePage::AnsiToOem(ansi), oem);
    EXPECT_EQ(CCodePage::OemToAnsi(oem), ansi);
    std::string text = ansi + "Text";
    CCodePage::AnsiToOemInPlace(text);
    EXPECT_EQ(text, oem + "Text");
    CCodePage::OemToAnsiInPlace(text);
    EXPECT_EQ(text, ansi + "Text");
    // Box drawing has no Windows-1252 form.
    EXPECT_EQ(CCodePage::OemToAnsi("\xC9\xCD\xBB"), "???");
}
