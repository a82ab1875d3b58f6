#include "core/CTool.h"

#include "core/CPlatform.h"
#include "core/CStepCode.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Where an upper-case placeholder first stands in a format written in either case.
size_t FindPlaceholder(std::string_view format, std::string_view placeholder) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    for (size_t at = 0; at + placeholder.size() <= format.size(); ++at) {
        size_t k = 0;
        while (k < placeholder.size() && upper(format[at + k]) == placeholder[k])
            ++k;
        if (k == placeholder.size()) return at;
    }
    return std::string_view::npos;
}

bool IsDigit(const std::string& t, size_t i) {
    return i < t.size() && t[i] >= '0' && t[i] <= '9';
}

// The number at the start of the text (after white space), as the C library's string-to-double
// conversion reads it, but only in decimal form and always with "." as the decimal point: the
// library would also take "inf", "nan" and hexadecimal numbers, which no booking file means,
// and would follow the locale that a desktop front end sets.
double DecimalPrefix(const std::string& t) {
    size_t i = 0;
    while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i])))
        ++i;
    bool negative = i < t.size() && t[i] == '-';
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    const size_t start = i;
    size_t digits = 0;
    for (; IsDigit(t, i); ++i)
        ++digits;
    if (i < t.size() && t[i] == '.')
        for (++i; IsDigit(t, i); ++i)
            ++digits;
    if (digits == 0) return 0.0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        if (IsDigit(t, j)) {
            while (IsDigit(t, j))
                ++j;
            i = j;
        }
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(t.data() + start, t.data() + i, value);
    if (error != std::errc() || end != t.data() + i) return 0.0;
    return negative ? -value : value;
}

double Nudge(double x) {
    return x >= 0.0 ? x + 1e-11 : x - 1e-11;
}

// Copies the characters of a placeholder from the value into the result, both at first occurrence.
// The result holds the destination format: the placeholder's characters are overwritten.
void CopyPlaceholder(std::string_view value, std::string_view src, std::string_view dst, std::string& result,
                     std::string_view placeholder) {
    size_t from = FindPlaceholder(src, placeholder);
    size_t to = FindPlaceholder(dst, placeholder);
    if (from == std::string_view::npos || to == std::string_view::npos) return;
    value.copy(result.data() + to, placeholder.size(), from);
}

} // namespace

std::string CTool::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

std::string CTool::FormatInt(int n) {
    return std::string(CNumberText().Int(n));
}

std::string CTool::FormatAmount(double x) {
    return std::string(CNumberText().Amount(x));
}

std::string CTool::FormatDecimal(double x, int decimals) {
    return std::string(CNumberText().Decimal(x, decimals));
}

std::string_view CNumberText::Int(int n) {
    CStepCode::Set(9203);
    if (n == 0) return {};
    return {buffer, static_cast<size_t>(std::to_chars(buffer, buffer + sizeof buffer, n).ptr - buffer)};
}

std::string_view CNumberText::Amount(double x) {
    CStepCode::Set(9200);
    return Fixed(Nudge(x), 2);
}

std::string_view CNumberText::Decimal(double x, int decimals) {
    CStepCode::Set(9201);
    return Fixed(Nudge(x), decimals < 0 ? 0 : decimals);
}

namespace {

// The digits of a number scaled by 10^decimals, with a decimal comma before the last decimals;
// the count of bytes written.
size_t WriteScaled(uint64_t scaled, int decimals, bool negative, char* out) {
    char digits[20];
    const size_t count =
        static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, scaled).ptr - digits);
    const size_t width = std::max(count, static_cast<size_t>(decimals) + 1); // "0,05"
    const size_t zeros = width - count;
    char* p = out;
    if (negative) *p++ = '-';
    for (size_t i = 0; i < width; ++i) {
        if (i == width - static_cast<size_t>(decimals)) *p++ = ',';
        *p++ = i < zeros ? '0' : digits[i - zeros];
    }
    return static_cast<size_t>(p - out);
}

// printf's "%.Nf" with a decimal comma for the numbers of bookings (below 2^52, up to nine
// decimals), from the binary value's integer parts: value = mantissa / 2^shift, scaled by 10^N and
// rounded to the nearest, a tie to the even one, as printf does. The library's general conversion
// costs several times as much. False where it does not apply.
bool ShortFixed(double x, int decimals, char* out, size_t& size) {
    const uint64_t bits = std::bit_cast<uint64_t>(x);
    const int exponent = static_cast<int>(bits >> 52 & 0x7FF);
    const int shift = 1075 - std::max(exponent, 1);
    if (decimals < 0 || decimals > 9 || exponent == 0x7FF || shift <= 0) return false;
    const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (exponent ? uint64_t{1} << 52 : 0);
    static constexpr uint64_t kPowers[] = {1,      10,      100,      1000,      10000,
                                           100000, 1000000, 10000000, 100000000, 1000000000};
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * kPowers[decimals];
    uint64_t rounded = 0; // a shift of 120 and more leaves less than half of one
    if (shift < 120) {
        const unsigned __int128 whole = scaled >> shift;
        const unsigned __int128 rest = scaled - (whole << shift);
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
        if (whole >> 63) return false;
        rounded = static_cast<uint64_t>(whole);
        if (rest > half || (rest == half && (rounded & 1))) ++rounded;
    }
    size = WriteScaled(rounded, decimals, bits >> 63, out);
    return true;
}

} // namespace

// printf's "%.Nf" with a decimal comma. Beyond ShortFixed through std::to_chars, which is defined to
// give the same text but skips the format parsing that dominated writing large files.
std::string_view CNumberText::Fixed(double x, int decimals) {
    if (size_t size = 0; ShortFixed(x, decimals, buffer, size)) return {buffer, size};
    char* text = buffer;
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
    size_t size = static_cast<size_t>(end - buffer);
    if (error != std::errc()) { // beyond the buffer
        beyond = CTool::Format(("%." + std::to_string(decimals) + "f").c_str(), x);
        text = beyond.data();
        size = beyond.size();
    }
    for (size_t i = size; i-- > 0;) {
        if (text[i] == '.') {
            text[i] = ',';
            break;
        }
    }
    return {text, size};
}

double CTool::ParseAmount(const std::string& text) {
    CStepCode::Set(9205);
    std::string t = text;
    size_t comma = t.rfind(',');
    if (comma != std::string::npos) {
        std::string withoutDots;
        for (char c : t)
            if (c != '.') withoutDots += c;
        t = withoutDots;
        t[t.rfind(',')] = '.';
    }
    return DecimalPrefix(t);
}

std::string CTool::ConvertDate(std::string_view value, std::string_view sourceFormat,
                               std::string_view destFormat) {
    CStepCode::Set(9206);
    if (value.empty() || sourceFormat.empty() || destFormat.empty() || value.size() != sourceFormat.size())
        return std::string(value);
    std::string result(destFormat);
    CopyPlaceholder(value, sourceFormat, destFormat, result, "TT");
    CStepCode::Set(9207);
    CopyPlaceholder(value, sourceFormat, destFormat, result, "MM");
    CStepCode::Set(9208);

    char year[4];
    if (size_t at = FindPlaceholder(sourceFormat, "JJJJ"); at != std::string_view::npos) {
        value.copy(year, 4, at);
    } else if (size_t at2 = FindPlaceholder(sourceFormat, "JJ"); at2 != std::string_view::npos) {
        const std::string yy(value.substr(at2, 2));
        std::memcpy(year, ToInt(yy) > 49 ? "19" : "20", 2);
        yy.copy(year + 2, 2);
    } else {
        result.erase(std::remove(result.begin(), result.end(), 'J'), result.end());
        return result;
    }
    CStepCode::Set(9209);
    if (size_t at = FindPlaceholder(destFormat, "JJJJ"); at != std::string_view::npos) {
        CStepCode::Set(9210);
        std::memcpy(result.data() + at, year, 4);
    } else if (size_t at2 = FindPlaceholder(destFormat, "JJ"); at2 != std::string_view::npos) {
        CStepCode::Set(9211);
        std::memcpy(result.data() + at2, year + 2, 2);
    }
    return result;
}

std::string CTool::ReplaceAll(const std::string& text, const std::string& search,
                              const std::string& replacement) {
    CStepCode::Set(9213);
    if (search.empty()) return text;
    std::string out;
    if (replacement.find(search) != std::string::npos) {
        // Rescanning would never end here; such a pair is replaced in one pass.
        size_t from = 0;
        for (size_t at; (at = text.find(search, from)) != std::string::npos; from = at + search.size())
            out.append(text, from, at - from).append(replacement);
        return out.append(text, from, std::string::npos);
    }
    // Callers rely on the rescan from the start after every replacement: a replacement may join its
    // neighbours into a new occurrence ("  " by " " leaves one blank). Feeding each replacement back
    // into the scan gives that result in linear time: out never holds an occurrence, so the first
    // one to appear is the one a rescan from the start would find.
    std::vector<char> pending; // replacement characters still to scan, next one last
    for (size_t next = 0; !pending.empty() || next < text.size();) {
        if (pending.empty()) {
            out += text[next++];
        } else {
            out += pending.back();
            pending.pop_back();
        }
        if (out.size() >= search.size() &&
            out.compare(out.size() - search.size(), search.size(), search) == 0) {
            out.resize(out.size() - search.size());
            pending.insert(pending.end(), replacement.rbegin(), replacement.rend());
        }
    }
    return out;
}

std::string CTool::SplitOff(std::string& text, char separator) {
    size_t at = text.find(separator);
    if (at == std::string::npos) {
        std::string all;
        all.swap(text);
        return all;
    }
    std::string head = text.substr(0, at);
    text.erase(0, at + 1);
    return head;
}

int CTool::ToInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; IsDigit(text, i); ++i) { // a compare, not the locale's table behind a call
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

std::string CTool::NormalizeDate(const std::string& datum, const std::string& format) {
    if (datum.empty()) return datum;
    if (!format.empty()) return ConvertDate(datum, format, "TT.MM.JJJJ");
    if (datum.size() == 10) return datum;

    const auto dots = std::count(datum.begin(), datum.end(), '.');
    if (dots == 0) {
        if (datum.size() < 3 || datum.size() > 8) return datum;
        // A day of one digit: "1122016" is "01122016".
        const std::string t = datum.size() % 2 ? "0" + datum : datum;
        if (t.size() == 8) return ConvertDate(t, "TTMMJJJJ", "TT.MM.JJJJ");
        if (t.size() == 6) return ConvertDate(t, "TTMMJJ", "TT.MM.JJJJ");
        return ConvertDate(t, "TTMM", "TT.MM.");
    }
    if (dots > 2) return datum;

    std::string rest = datum;
    int day = ToInt(SplitOff(rest, '.'));
    if (dots == 1) return Format("%02d.%02d.", day, ToInt(rest));
    int month = ToInt(SplitOff(rest, '.'));
    if (rest.empty()) return Format("%02d.%02d.", day, month);
    int year = ToInt(rest);
    if (year < 70)
        year += 2000;
    else if (year < 100)
        year += 1900;
    return Format("%02d.%02d.%04d", day, month, year);
}

std::string CTool::GetProgramDir() {
    return CPlatform::ProgramDir();
}

std::string CTool::GetDataDir(bool create) {
    std::string dir = CPlatform::DataDir();
    if (create) CPlatform::CreateDirectories(dir);
    return dir;
}

std::string CTool::FindDataFile(const std::string& name) {
    std::string inData = GetDataDir(false) + "/" + name;
    if (CPlatform::FileExists(inData)) return inData;
    return GetProgramDir() + "/" + name;
}
