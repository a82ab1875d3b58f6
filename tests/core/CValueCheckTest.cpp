#include "core/CValueCheck.h"
#include "core/CCodePage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

struct CNumberCase {
    const char* text;
    bool decimalPoint;
    bool ok;
    double value;
};

} // namespace

TEST(CValueCheckTest, NumbersAreTakenWholeOrNotAtAll) {
    const CNumberCase cases[] = {
        {"", false, true, 0.0},
        {"  ", false, true, 0.0},
        {"12,50", false, true, 12.5},
        {" 12,30 ", false, true, 12.3},
        {"1 234,56", false, true, 1234.56},
        {"1\xA0"
         "234,56",
         false, true, 1234.56},
        {"1'234.56", false, true, 1234.56},
        {"1.234", false, true, 1234.0},
        {"1.234", true, true, 1.234},
        {"1,234", false, true, 1.234},
        {"1,234", true, true, 1234.0},
        {"2.500.000", false, true, 2500000.0},
        {"1,234,567", false, true, 1234567.0},
        {"1.234,56", false, true, 1234.56},
        {"1,234.56", false, true, 1234.56},
        {"9876.54", false, true, 9876.54},
        {"12,50-", false, true, -12.5},
        {"-12,50", false, true, -12.5},
        {"+12,50", false, true, 12.5},
        {"- 12,50", false, true, -12.5},
        {",50", false, true, 0.5},
        {"12.", false, true, 12.0},
        {"-0,00", false, true, 0.0},
        {"0,000001", false, true, 0.000001},
        {"9999999999999,99", false, true, 9999999999999.99},
        {"999999999999999", false, true, 999999999999999.0},
        {"9999999999999999", false, false, 0.0},
        {"000000000000000000000012,5", false, true, 12.5},
        {"12,5", true, true, 12.5},
        {"12.5", true, true, 12.5},
        {"99999999999999,99", false, false, 0.0},
        {"123456789012345678901234567890", false, false, 0.0},
        {"EUR 12,50", false, false, 0.0},
        {"(12,50)", false, false, 0.0},
        {"abc", false, false, 0.0},
        {"NaN", false, false, 0.0},
        {"inf", false, false, 0.0},
        {"1e400", false, false, 0.0},
        {"1e5", false, false, 0.0},
        {"0x10", false, false, 0.0},
        {"+12,50-", false, false, 0.0},
        {"-", false, false, 0.0},
        {".", false, false, 0.0},
        {"1..5", false, false, 0.0},
        {"1.23,45", false, false, 0.0},
        {"12 50", false, false, 0.0},
        {"1.234.56", false, false, 0.0},
        {"1,234,56", false, false, 0.0},
        {"1.234 567", false, false, 0.0},
        {"8400A", false, false, 0.0},
    };
    for (const CNumberCase& c : cases) {
        double value = -1.0;
        EXPECT_EQ(CValueCheck::ParseNumber(c.text, c.decimalPoint, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
            EXPECT_FALSE(value == 0.0 && std::signbit(value)) << c.text; // no "-0,00" on export
        }
    }
    // A NUL inside the field does not cut it off.
    double value = 0.0;
    EXPECT_FALSE(CValueCheck::ParseNumber(std::string_view("12\0"
                                                           "34",
                                                           5),
                                          false, value));
}

// Plain amounts take a shorter way than grouped ones: both must give the very same number.
TEST(CValueCheckTest, PlainAndGroupedAmountsReadAlike) {
    std::mt19937 random(7);
    for (int round = 0; round < 5000; ++round) {
        std::string integer = std::to_string(random() % 1000 + 1);
        for (unsigned more = random() % 5; more > 0; --more)
            integer += std::to_string(random() % 1000 + 1000).substr(1);
        std::string fraction = std::to_string(random() % 100000);
        fraction = fraction.substr(0, random() % (fraction.size() + 1));
        std::string grouped;
        for (size_t i = 0; i < integer.size(); ++i)
            grouped += (i > 0 && (integer.size() - i) % 3 == 0 ? "." : "") + integer.substr(i, 1);
        const std::string tail = fraction.empty() ? std::string() : "," + fraction;
        double plain = -1.0, general = -2.0;
        const bool plainOk = CValueCheck::ParseNumber(integer + tail, false, plain);
        const bool generalOk =
            CValueCheck::ParseNumber(grouped + (fraction.empty() ? ",0" : tail), false, general);
        ASSERT_EQ(plainOk, generalOk) << integer << tail;
        if (plainOk) {
            ASSERT_EQ(plain, general) << integer << tail;
        }
    }
}

TEST(CValueCheckTest, IntegersAreDigitsWithinTheirRange) {
    struct {
        const char* text;
        bool ok;
        long long value;
    } const cases[] = {{"8400", true, 8400},
                       {" 8400 ", true, 8400},
                       {"", true, 0},
                       {"008400", true, 8400},
                       {"99999999", true, 99999999},
                       {"8400A", false, 0},
                       {"A8400", false, 0},
                       {"KASSE", false, 0},
                       {"-5", false, 0},
                       {"+5", false, 0},
                       {"84 00", false, 0},
                       {"99999999999", false, 0},
                       {"99999999999999999999999", false, 0}};
    for (const auto& c : cases) {
        long long value = -1;
        EXPECT_EQ(CValueCheck::ParseInteger(c.text, 0, 999999999, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(CValueCheckTest, DatesMustBeRealCalendarDates) {
    struct {
        const char* text;
        const char* format;
        const char* result; // nullptr: rejected
    } const cases[] = {
        {"15.03.2024", "", "15.03.2024"},
        {"1.2.16", "", "01.02.2016"},
        {"1.2.75", "", "01.02.1975"},
        {"15.03.", "", "15.03."},
        {"3.12", "", "03.12."},
        {"29.02.", "", "29.02."},
        {"29.02.2024", "", "29.02.2024"},
        {"31122016", "", "31.12.2016"},
        {"311299", "", "31.12.1999"},
        {"3112", "", "31.12."},
        {"112", "", "01.12."},
        {"11299", "", "01.12.1999"},
        {"1122016", "", "01.12.2016"},
        {"311249", "", "31.12.2049"},
        {"311250", "", "31.12.1950"},
        {"2024-03-15", "", "15.03.2024"},
        {"2024-03-15 00:00:00", "", "15.03.2024"},
        {"2024-03-15T10:11", "", "15.03.2024"},
        {"20161231", "JJJJMMTT", "31.12.2016"},
        {"2016-12-31", "JJJJ-MM-TT", "31.12.2016"},
        {"31.12.16", "tt.mm.jj", "31.12.2016"},
        {"", "", ""},
        {"29.02.2023", "", nullptr},
        {"31.02.2024", "", nullptr},
        {"32.13.2024", "", nullptr},
        {"00.00.0000", "", nullptr},
        {"31.04.", "", nullptr},
        {"15.03.1024", "", nullptr},
        {"2024-02-30", "", nullptr},
        {"2024-03-15x", "", nullptr},
        {"15.3.024", "", nullptr},
        {"1.2.3.4", "", nullptr},
        {"heute", "", nullptr},
        {"20161231", "", nullptr},
        {"2016-12-31", "JJJJMMTT", nullptr},
        {"2016123", "JJJJMMTT", nullptr},
        {"2016x231", "JJJJMMTT", nullptr},
    };
    for (const auto& c : cases) {
        std::string normalized = "alt";
        bool ok = CValueCheck::ParseDate(c.text, c.format, normalized);
        EXPECT_EQ(ok, c.result != nullptr) << c.text << " / " << c.format;
        if (c.result) {
            EXPECT_EQ(normalized, c.result) << c.text;
        }
    }
}

// Every day and month of the two digits a date has, in years at the edges and of each leap rule, as
// the calendar of the standard library knows them; a date without a year may be 29 February.
TEST(CValueCheckTest, DatesAreTheDaysOfTheCalendar) {
    namespace cr = std::chrono;
    for (int year : {1899, 1900, 1996, 2000, 2023, 2024, 2099, 2100})
        for (unsigned month = 0; month <= 13; ++month)
            for (unsigned day = 0; day <= 32; ++day) {
                char full[16], digits[8];
                std::snprintf(full, sizeof full, "%02u.%02u.%04d", day, month, year);
                std::snprintf(digits, sizeof digits, "%02u%02u", day, month);
                const bool real = year >= 1900 && year <= 2099 &&
                                  cr::year_month_day(cr::year(year), cr::month(month), cr::day(day)).ok();
                const bool ofSomeYear =
                    cr::year_month_day(cr::year(2000), cr::month(month), cr::day(day)).ok();
                std::string normalized;
                EXPECT_EQ(CValueCheck::IsFullDate(full), real) << full;
                EXPECT_EQ(CValueCheck::ParseDate(full, "", normalized), real) << full;
                EXPECT_EQ(normalized, real ? full : "") << full;
                EXPECT_EQ(CValueCheck::ParseDate(digits, "", normalized), ofSomeYear) << digits;
                EXPECT_EQ(normalized, ofSomeYear ? std::string(full, 6) : "") << digits;
            }
    // A character that is no digit, anywhere.
    for (size_t at : {0, 1, 3, 4, 6, 7, 8, 9})
        for (char c : {'a', '/', ' ', '\xFF'}) {
            std::string text = "15.06.2024";
            text[at] = c;
            EXPECT_FALSE(CValueCheck::IsFullDate(text)) << text;
        }
}

TEST(CValueCheckTest, RejectedValuesAreNamedOnOneLine) {
    EXPECT_EQ(
        CValueCheck::Rejected(12, "Betrag", std::string_view("1\r\n2\0", 5), CValueCheck::EKind::Number),
        Ansi("FEHLER: Zeile 12, Feld 'Betrag': '1?"
             "?2?' ist keine gültige Zahl. Der Datensatz wird nicht "
             "übernommen.\r\n"));
    EXPECT_EQ(CValueCheck::Shown(std::string(70, 'x')), std::string(60, 'x') + "...");
}
