#pragma once

#include <string>
#include <string_view>

// Value conversions with German conventions (decimal comma, day-first dates) and the program's folders.
// Every operation works the same way everywhere, so readers and writers agree on numbers and dates.
class CTool {
public:
    static std::string FormatInt(int n);
    static std::string FormatAmount(double x);
    static std::string FormatDecimal(double x, int decimals);
    static double ParseAmount(const std::string& text);
    static std::string ConvertDate(std::string_view value, std::string_view sourceFormat,
                                   std::string_view destFormat);
    static std::string ReplaceAll(const std::string& text, const std::string& search,
                                  const std::string& replacement);
    static std::string SplitOff(std::string& text, char separator);
    static std::string NormalizeDate(const std::string& datum, const std::string& format);

    // Decimal text to integer: leading blanks and a sign allowed, stops at the first non-digit,
    // no digits give 0; values beyond 32 bits are clamped instead of overflowing.
    static int ToInt(const std::string& text);
    // printf into a std::string of any length.
    static std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

    static std::string GetProgramDir();
    static std::string GetDataDir(bool create);
    static std::string FindDataFile(const std::string& name);
    static double GetScaleFactor() { return 1.0; }
};

// The number texts of CTool, formatted into a buffer of this object instead of a string each: for
// writers on a hot path. A view stays valid until the next call on the same object.
class CNumberText {
public:
    std::string_view Int(int n);
    std::string_view Amount(double x);
    std::string_view Decimal(double x, int decimals);

private:
    std::string_view Fixed(double x, int decimals);

    char buffer[128];
    std::string beyond; // a number too long for the buffer
};
