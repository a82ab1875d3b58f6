#include "core/CCodePage.h"

#include <array>

namespace {

// Windows-1252 bytes 0x80..0x9F; the five undefined ones keep their C1 control value.
constexpr std::array<unsigned, 32> kAnsiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// DATEV's KNE character table: code page 437 with "§" at 0x15 and "€" at 0xFE.
constexpr std::array<unsigned, 256> kOem = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x0009, 0x000A, 0x000B, 0x000C,
    0x000D, 0x000E, 0x000F, 0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x00A7, 0x0016, 0x0017, 0x0018, 0x0019,
    0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F, 0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026,
    0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033,
    0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, 0x0040,
    0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D,
    0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A,
    0x005B, 0x005C, 0x005D, 0x005E, 0x005F, 0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x0073, 0x0074,
    0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F, 0x00C7, 0x00FC,
    0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4,
    0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2,
    0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF,
    0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561,
    0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C,
    0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584,
    0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398,
    0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7,
    0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x20AC, 0x00A0,
};

struct CTables {
    std::array<unsigned char, 256> ansiToOem{};
    std::array<unsigned char, 256> oemToAnsi{};
    CTables() {
        for (int a = 0; a < 256; ++a) {
            ansiToOem[a] = '?';
            unsigned u = CCodePage::AnsiToUnicode(static_cast<unsigned char>(a));
            for (int o = 0; o < 256; ++o)
                if (kOem[o] == u) {
                    ansiToOem[a] = static_cast<unsigned char>(o);
                    break;
                }
        }
        for (int o = 0; o < 256; ++o)
            oemToAnsi[o] = static_cast<unsigned char>(CCodePage::UnicodeToAnsi(kOem[o]));
    }
};

const CTables& Tables() {
    static const CTables tables;
    return tables;
}

void AppendUtf8(std::string& out, unsigned u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        // Beyond the basic plane (from UTF-16 surrogate pairs): four bytes.
        out += static_cast<char>(0xF0 | (u >> 18));
        out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// Decodes one UTF-8 sequence at pos; returns the code point or 0xFFFD for a broken sequence.
// Overlong forms are broken too: they would smuggle "/" or "." past a check of the bytes.
unsigned DecodeUtf8(std::string_view s, size_t& pos) {
    unsigned char c = static_cast<unsigned char>(s[pos++]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
    if (extra < 0) return 0xFFFD;
    unsigned u = c & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (pos >= s.size() || (static_cast<unsigned char>(s[pos]) & 0xC0) != 0x80) return 0xFFFD;
        u = (u << 6) | (static_cast<unsigned char>(s[pos++]) & 0x3F);
    }
    constexpr unsigned kSmallest[] = {0, 0x80, 0x800, 0x10000};
    return u < kSmallest[extra] ? 0xFFFD : u;
}

} // namespace

unsigned CCodePage::AnsiToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kAnsiHigh[byte - 0x80] : byte;
}

unsigned CCodePage::OemToUnicode(unsigned char byte) {
    return kOem[byte];
}

char CCodePage::UnicodeToAnsi(unsigned codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint < 0x100)) return static_cast<char>(codePoint);
    for (unsigned i = 0; i < kAnsiHigh.size(); ++i)
        if (kAnsiHigh[i] == codePoint) return static_cast<char>(0x80 + i);
    return '?';
}

char CCodePage::ToLower(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char>(c + 0x20);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<char>(c + 0x10);
    if (c == 0x9F) return static_cast<char>(0xFF);
    return ch;
}

std::string CCodePage::Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();)
        out += UnicodeToAnsi(DecodeUtf8(utf8, pos));
    return out;
}

unsigned CCodePage::NextCodePoint(std::string_view utf8, size_t& pos) {
    return DecodeUtf8(utf8, pos);
}

std::string CCodePage::Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    auto unit = [&](size_t i) {
        unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned u = static_cast<unsigned>(unit(i));
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (static_cast<unsigned>(unit(i + 2)) - 0xDC00);
            i += 2;
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
    return out;
}

std::string CCodePage::AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (char c : ansi)
        AppendUtf8(out, AnsiToUnicode(static_cast<unsigned char>(c)));
    return out;
}

bool CCodePage::IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

void CCodePage::AnsiToOemInPlace(std::string& text) {
    AnsiToOemInPlace(text.data(), text.size());
}

void CCodePage::AnsiToOemInPlace(char* text, size_t size) {
    const auto& table = Tables().ansiToOem;
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(table[static_cast<unsigned char>(text[i])]);
}

void CCodePage::OemToAnsiInPlace(std::string& text) {
    const auto& table = Tables().oemToAnsi;
    for (char& c : text)
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
}

std::string CCodePage::AnsiToOem(std::string_view ansi) {
    std::string out(ansi);
    AnsiToOemInPlace(out);
    return out;
}

std::string CCodePage::OemToAnsi(std::string_view oem) {
    std::string out(oem);
    OemToAnsiInPlace(out);
    return out;
}
