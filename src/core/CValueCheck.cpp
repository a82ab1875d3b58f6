#include "core/CValueCheck.h"

#include "core/CCodePage.h"
#include "core/CTool.h"

#include <charconv>
#include <cstdint>
#include <vector>

namespace {

const char kNoBreakSpace = '\xA0';

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == kNoBreakSpace;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

int Digits(std::string_view text) {
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// Takes one sign from the front or the back of the text; false when there are two.
bool TakeSign(std::string_view& text, bool& negative) {
    negative = false;
    int signs = 0;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text = Trim(text.substr(1));
        ++signs;
    }
    if (!text.empty() && (text.back() == '-' || text.back() == '+')) {
        negative = text.back() == '-';
        text = Trim(text.substr(0, text.size() - 1));
        ++signs;
    }
    return signs <= 1;
}

struct CGroups {
    std::vector<std::string_view> digits; // the digit runs
    std::vector<char> separators;         // the character between run i and run i + 1
};

// Splits "1.234,56" into runs of digits and the single characters between them; a text may begin
// with a separator (",50") and end with one ("12." as a database writes a float).
bool Split(std::string_view text, CGroups& groups) {
    size_t i = 0;
    if (!text.empty() && !IsDigit(text[0])) groups.digits.push_back(text.substr(0, 0));
    while (i < text.size()) {
        if (IsDigit(text[i])) {
            size_t start = i;
            while (i < text.size() && IsDigit(text[i]))
                ++i;
            groups.digits.push_back(text.substr(start, i - start));
            continue;
        }
        char c = text[i];
        if (c != '.' && c != ',' && c != ' ' && c != kNoBreakSpace && c != '\'') return false;
        if (groups.separators.size() >= groups.digits.size()) return false; // two separators in a row
        groups.separators.push_back(c);
        ++i;
    }
    if (groups.separators.size() == groups.digits.size()) groups.digits.push_back(text.substr(0, 0));
    return true;
}

// The index of the separator that is the decimal one, or -1 when all of them group thousands.
bool FindDecimal(const CGroups& groups, bool decimalPoint, int& decimal) {
    decimal = -1;
    int lastDot = -1, lastComma = -1, dots = 0, commas = 0;
    for (size_t i = 0; i < groups.separators.size(); ++i) {
        if (groups.separators[i] == '.') lastDot = static_cast<int>(i), ++dots;
        if (groups.separators[i] == ',') lastComma = static_cast<int>(i), ++commas;
    }
    if (dots && commas) {
        decimal = std::max(lastDot, lastComma);
        return (decimal == lastDot ? dots : commas) == 1;
    }
    if (dots + commas != 1) return true; // none, or several of one kind: grouping
    int at = dots ? lastDot : lastComma;
    bool groupingChar = dots ? !decimalPoint : decimalPoint;
    bool threeDigitsFollow = static_cast<size_t>(at) + 1 == groups.separators.size() &&
                             groups.digits[static_cast<size_t>(at) + 1].size() == 3 &&
                             !groups.digits[static_cast<size_t>(at)].empty();
    if (!(groupingChar && threeDigitsFollow)) decimal = at;
    return true;
}

// Groups before the decimal separator: the first of 1 to 3 digits, every further one of exactly 3,
// all joined by the same character.
bool CheckGrouping(const CGroups& groups, size_t integerRuns) {
    if (integerRuns <= 1) return true;
    if (groups.digits[0].empty() || groups.digits[0].size() > 3) return false;
    for (size_t i = 1; i < integerRuns; ++i) {
        if (groups.digits[i].size() != 3) return false;
        if (groups.separators[i - 1] != groups.separators[0]) return false;
    }
    return true;
}

int SignificantDigits(std::string_view integer, std::string_view fraction) {
    size_t first = integer.find_first_not_of('0');
    size_t last = fraction.find_last_not_of('0');
    size_t count = (first == std::string_view::npos ? 0 : integer.size() - first) +
                   (last == std::string_view::npos ? 0 : last + 1);
    if (first == std::string_view::npos && last != std::string_view::npos)
        count -= fraction.find_first_not_of('0'); // leading zeros of 0,05
    return static_cast<int>(count);
}

// Digits with at most the configured decimal character among them ("1234", "1234,56"): the form of
// nearly every amount, read as the general rules would read it but without splitting it into
// groups first. False when the text has another form.
bool ReadPlainNumber(std::string_view t, char decimalChar, double& parsed) {
    const size_t kLongest = 20;
    // One pass finds the decimal character and gathers the digits; beyond 15 digits the sum is not
    // used, so its wrapping does no harm.
    size_t point = t.size();
    std::uint64_t digits = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        const unsigned digit = static_cast<unsigned char>(t[i]) - unsigned('0');
        if (digit < 10)
            digits = digits * 10 + digit;
        else if (t[i] != decimalChar || point != t.size())
            return false;
        else
            point = i;
    }
    const std::string_view integer = t.substr(0, point);
    const std::string_view fraction = point == t.size() ? std::string_view() : t.substr(point + 1);
    if (integer.empty() || (point != t.size() && fraction.empty())) return false;
    if (integer.size() > kLongest || fraction.size() > kLongest) return false;
    // Up to 15 digits are exact as an integer, and so is the power of ten: their quotient is the
    // correctly rounded value of the text, as from_chars gives it.
    if (integer.size() + fraction.size() <= 15) {
        static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        parsed = static_cast<double>(digits) / kPowers[fraction.size()];
        return true;
    }
    if (SignificantDigits(integer, fraction) > 15) return false;
    char plain[2 * kLongest + 2];
    size_t size = integer.copy(plain, integer.size());
    plain[size++] = '.';
    if (fraction.empty())
        plain[size++] = '0';
    else
        size += fraction.copy(plain + size, fraction.size());
    auto [end, error] = std::from_chars(plain, plain + size, parsed);
    return error == std::errc() && end == plain + size;
}

bool ParseIso(std::string_view t, std::string& normalized) {
    if (t.size() < 10 || t[4] != '-' || t[7] != '-') return false;
    if (!AllDigits(t.substr(0, 4)) || !AllDigits(t.substr(5, 2)) || !AllDigits(t.substr(8, 2))) return false;
    std::string_view time = t.substr(10);
    if (!time.empty()) {
        if (time[0] != ' ' && time[0] != 'T') return false;
        if (time.size() < 6 || !AllDigits(time.substr(1, 2)) || time[3] != ':' ||
            !AllDigits(time.substr(4, 2)))
            return false;
        for (char c : time.substr(6))
            if (!IsDigit(c) && c != ':' && c != '.') return false;
    }
    normalized =
        std::string(t.substr(8, 2)) + "." + std::string(t.substr(5, 2)) + "." + std::string(t.substr(0, 4));
    return true;
}

// "1.2.16", "01.02.2016", "1.2." and "3.12": day and month of one or two digits.
// n has at most two digits here; printf's "%02d" per date cost more than reading the line.
void AppendTwoDigits(std::string& out, int n) {
    out += static_cast<char>('0' + n / 10);
    out += static_cast<char>('0' + n % 10);
}

// "TT.MM.JJJJ" with digits where they belong, the form of nearly every date.
bool IsWholeDate(std::string_view t) {
    return t.size() == 10 && t[2] == '.' && t[5] == '.' && IsDigit(t[0]) && IsDigit(t[1]) && IsDigit(t[3]) &&
           IsDigit(t[4]) && AllDigits(t.substr(6));
}

bool ParseDotted(std::string_view t, std::string& normalized) {
    size_t first = t.find('.');
    if (first == std::string_view::npos) return false;
    std::string_view day = t.substr(0, first);
    std::string_view rest = t.substr(first + 1);
    size_t second = rest.find('.');
    std::string_view month = rest.substr(0, second);
    std::string_view year = second == std::string_view::npos ? std::string_view() : rest.substr(second + 1);
    if (!AllDigits(day) || day.size() > 2 || !AllDigits(month) || month.size() > 2) return false;
    normalized.clear();
    AppendTwoDigits(normalized, Digits(day));
    normalized += '.';
    AppendTwoDigits(normalized, Digits(month));
    normalized += '.';
    if (year.empty()) return true;
    if (!AllDigits(year) || (year.size() != 2 && year.size() != 4)) return false;
    int y = Digits(year);
    if (year.size() == 2) y += y < 70 ? 2000 : 1900;
    AppendTwoDigits(normalized, y / 100); // at most four digits
    AppendTwoDigits(normalized, y % 100);
    return true;
}

// "TTMM", "TTMMJJ" and "TTMMJJJJ" of 3 to 8 digits, the day also of one digit ("1122016"), as
// NormalizeDate reads them: a year of two digits after 49 is one of the 1900s.
void ParseDigits(std::string_view t, std::string& normalized) {
    char digits[8] = {'0'};
    const size_t size = t.copy(digits + t.size() % 2, t.size()) + t.size() % 2;
    char date[10] = {digits[0], digits[1], '.', digits[2], digits[3], '.'};
    size_t length = 6;
    if (size == 6) {
        const bool before1950 = Digits({digits + 4, 2}) > 49;
        date[length++] = before1950 ? '1' : '2';
        date[length++] = before1950 ? '9' : '0';
    }
    for (size_t i = 4; i < size; ++i)
        date[length++] = digits[i];
    normalized.assign(date, length); // one assignment: most dates of a file are read here
}

// With a configured format the value must fit it: digits where the day, month and year stand,
// the format's own characters everywhere else.
bool ParseFormatted(std::string_view t, const std::string& format, std::string& normalized) {
    if (t.size() != format.size()) return false;
    std::string upper = format;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::vector<bool> digit(format.size(), false);
    auto mark = [&](const char* placeholder) {
        size_t at = upper.find(placeholder);
        if (at == std::string::npos) return false;
        for (size_t i = 0; placeholder[i]; ++i)
            digit[at + i] = true;
        return true;
    };
    if (!mark("TT") || !mark("MM")) return false;
    if (!mark("JJJJ")) mark("JJ");
    for (size_t i = 0; i < t.size(); ++i)
        if (digit[i] ? !IsDigit(t[i]) : t[i] != format[i]) return false;
    normalized = CTool::ConvertDate(t, format, "TT.MM.JJJJ");
    return true;
}

// "1.234,56", "1 234" and the like. Out of line: its groups and strings would otherwise widen the
// frame of every amount, nearly all of which are plain.
[[gnu::noinline]] bool ReadGroupedNumber(std::string_view t, bool decimalPoint, double& parsed) {
    CGroups groups;
    if (!Split(t, groups)) return false;
    int decimal = -1;
    if (!FindDecimal(groups, decimalPoint, decimal)) return false;
    // Only "." and "," may separate decimals; blanks and apostrophes always group.
    size_t integerRuns = decimal < 0 ? groups.digits.size() : static_cast<size_t>(decimal) + 1;
    if (decimal >= 0 && static_cast<size_t>(decimal) + 2 != groups.digits.size()) return false;
    if (!CheckGrouping(groups, integerRuns)) return false;
    std::string integer, fraction;
    for (size_t i = 0; i < integerRuns; ++i)
        integer += groups.digits[i];
    if (decimal >= 0) fraction = groups.digits.back();
    if (integer.empty() && fraction.empty()) return false;
    if (SignificantDigits(integer, fraction) > 15) return false;
    std::string plain = (integer.empty() ? "0" : integer) + "." + (fraction.empty() ? "0" : fraction);
    auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    return error == std::errc() && end == plain.data() + plain.size();
}

// Out of line, so that an empty field passes without the frame of a number.
[[gnu::noinline]] bool ReadNumber(std::string_view text, bool decimalPoint, double& value) {
    std::string_view t = Trim(text);
    if (t.empty()) return true;
    bool negative = false;
    if (!TakeSign(t, negative) || t.empty()) return false;
    double parsed = 0.0;
    if (!ReadPlainNumber(t, decimalPoint ? '.' : ',', parsed) && !ReadGroupedNumber(t, decimalPoint, parsed))
        return false;
    value = negative && parsed != 0.0 ? -parsed : parsed;
    return true;
}

bool ValidNormalized(std::string_view date) {
    if ((date.size() != 6 && date.size() != 10) || date[2] != '.' || date[5] != '.') return false;
    // Digit by digit, without the loops of AllDigits: every date of a run passes here, some twice.
    bool digits = true;
    auto digit = [&](size_t at) {
        const unsigned value = static_cast<unsigned char>(date[at]) - unsigned{'0'};
        digits &= value <= 9;
        return value <= 9 ? static_cast<int>(value) : 0;
    };
    const int day = digit(0) * 10 + digit(1);
    const int month = digit(3) * 10 + digit(4);
    const int year = date.size() == 10 ? digit(6) * 1000 + digit(7) * 100 + digit(8) * 10 + digit(9) : 0;
    if (!digits || (date.size() == 10 && (year < 1900 || year > 2099))) return false;
    return CValueCheck::IsCalendarDate(day, month, year);
}

} // namespace

bool CValueCheck::ParseNumber(std::string_view text, bool decimalPoint, double& value) {
    value = 0.0;
    return text.empty() || ReadNumber(text, decimalPoint, value); // most amount columns are empty
}

bool CValueCheck::ParseInteger(std::string_view text, long long low, long long high, long long& value) {
    value = 0;
    if (text.empty()) return true;
    std::string_view t = Trim(text);
    if (t.empty()) return true;
    // Leading zeros are free; more than 18 digits after them could overflow.
    size_t first = 0;
    while (first < t.size() && t[first] == '0')
        ++first;
    if (t.size() - first > 18) return false;
    long long parsed = 0;
    for (char c : t.substr(first)) {
        const unsigned digit = static_cast<unsigned char>(c) - unsigned('0');
        if (digit >= 10) return false;
        parsed = parsed * 10 + digit;
    }
    if (parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool CValueCheck::IsCalendarDate(int day, int month, int year) {
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
    bool leap = year == 0 || (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0));
    return month != 2 || day <= 28 || leap;
}

bool CValueCheck::IsFullDate(std::string_view text) {
    return IsWholeDate(text) && ValidNormalized(text);
}

bool CValueCheck::ParseDate(std::string_view text, const std::string& format, std::string& normalized) {
    normalized.clear();
    std::string_view t = Trim(text);
    if (t.empty()) return true;
    if (format.empty() && IsWholeDate(t)) {
        if (!ValidNormalized(t)) return false;
        normalized = t; // its own normalized form
        return true;
    }
    bool fits = false;
    if (!format.empty()) {
        fits = ParseFormatted(t, format, normalized);
    } else if (t.find('-') != std::string_view::npos) {
        fits = ParseIso(t, normalized);
    } else if (t.find('.') != std::string_view::npos) {
        fits = ParseDotted(t, normalized);
    } else if (AllDigits(t) && t.size() >= 3 && t.size() <= 8) {
        ParseDigits(t, normalized);
        fits = true;
    }
    if (fits && ValidNormalized(normalized)) return true;
    normalized.clear(); // nothing of a value that is no date is handed on
    return false;
}

std::string CValueCheck::Shown(std::string_view value) {
    const size_t kLongest = 60;
    std::string shown;
    for (char c : value.substr(0, kLongest))
        shown += static_cast<unsigned char>(c) < 0x20 || c == '\x7F' ? '?' : c;
    if (value.size() > kLongest) shown += "...";
    return shown;
}

std::string CValueCheck::Rejected(int line, const std::string& field, std::string_view value, EKind kind) {
    static const std::string what[] = {Ansi("keine gültige Zahl"), Ansi("keine gültige ganze Zahl"),
                                       Ansi("keine gültige Kontonummer"), Ansi("kein gültiges Datum")};
    static const std::string rest = Ansi(". Der Datensatz wird nicht übernommen.\r\n");
    return CTool::Format("FEHLER: Zeile %d, Feld '%s': '%s' ist ", line, field.c_str(),
                         Shown(value).c_str()) +
           what[static_cast<int>(kind)] + rest;
}
