#pragma once

#include <string>
#include <string_view>

// Checked reading of numbers, integers and dates from the text of a source file. Every reader
// takes its values through here: a value is either read exactly as the source meant it, or the
// reader is told that it cannot be read and names record, field and value in a finding.
// Texts are Windows-1252. An empty field (or one of blanks only) is "not set": 0 or "".
class CValueCheck {
public:
    enum class EKind { Number, Integer, Account, Date };

    // The whole field must be a number. Blanks around it are allowed; a "-" or "+" before or
    // after it is the sign. Grouping: with both "." and "," the last one is the decimal
    // separator; a lone "." followed by exactly three digits groups thousands unless
    // decimalPoint (the layout's "Nachkommazeichen") says the point is the decimal separator,
    // and likewise a lone "," before three digits when it does; several equal separators group.
    // Blanks, non-breaking spaces and apostrophes between digit groups group thousands.
    // No exponent, hex, NaN or infinity; at most 15 significant digits, so that every value
    // taken is exact to the cent.
    static bool ParseNumber(std::string_view text, bool decimalPoint, double& value);

    // Digits only (blanks around allowed), within [low, high].
    static bool ParseInteger(std::string_view text, long long low, long long high, long long& value);

    // A real calendar date in one of the forms "TT.MM.JJJJ", "TT.MM.JJ", "TT.MM." (day and month
    // may have one digit), the digit forms "TTMMJJJJ", "TTMMJJ", "TTMM", or, when no input format
    // is configured, ISO "JJJJ-MM-TT" with an optional time part; with a configured format the
    // value must fit that format. The result is "TT.MM.JJJJ", or "TT.MM." when the value has no
    // year. Years run from 1900 to 2099.
    static bool ParseDate(std::string_view text, const std::string& format, std::string& normalized);
    // A real date "TT.MM.JJJJ" that ParseDate keeps as it is: a date in its normal form with a year,
    // told apart without the general rules (writers ask it for every booking).
    static bool IsFullDate(std::string_view text);
    // Day and month of a real date; year 0 stands for "no year" (29.02. is allowed then).
    static bool IsCalendarDate(int day, int month, int year);

    // The finding for a value that could not be read: the record is not taken.
    // "FEHLER: Zeile 12, Feld 'Betrag': 'abc' ist kein gültiger Betrag. Der Datensatz wird nicht übernommen."
    static std::string Rejected(int line, const std::string& field, std::string_view value, EKind kind);
    // A value shown inside a finding: control bytes become "?" so that the line stays one line,
    // and a long value is cut with "...".
    static std::string Shown(std::string_view value);
};
