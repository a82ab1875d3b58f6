#include "core/CTool.h"
#include "core/CPlatform.h"
#include "core/CStepCode.h"

#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <random>

TEST(CToolTest, FormatsIntegersWithZeroAsEmptyText) {
    EXPECT_EQ(CTool::FormatInt(0), "");
    EXPECT_EQ(CTool::FormatInt(4711), "4711");
    EXPECT_EQ(CTool::FormatInt(-12), "-12");
    EXPECT_EQ(CTool::FormatInt(-2147483647 - 1), "-2147483648");
}

TEST(CToolTest, FormatsAmountsWithDecimalCommaRoundingAwayFromZero) {
    EXPECT_EQ(CTool::FormatAmount(987.5), "987,50");
    EXPECT_EQ(CTool::FormatAmount(-987.5), "-987,50");
    EXPECT_EQ(CTool::FormatAmount(0.0), "0,00");
    EXPECT_EQ(CTool::FormatAmount(2.675), "2,68");
    EXPECT_EQ(CTool::FormatAmount(-0.005), "-0,01");
    EXPECT_EQ(CTool::FormatAmount(1234567.891), "1234567,89");
    EXPECT_EQ(CTool::FormatDecimal(1.5, 6), "1,500000");
    EXPECT_EQ(CTool::FormatDecimal(12.345, 0), "12");
    EXPECT_EQ(CTool::FormatDecimal(-0.125, 2), "-0,13");
    // A negative number of decimals is no printf format; it counts as none.
    EXPECT_EQ(CTool::FormatDecimal(7.25, -3), "7");
}

TEST(CToolTest, ParsesGermanAndPlainAmounts) {
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("9.876,54"), 9876.54);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("12,5"), 12.5);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("9876.54"), 9876.54);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("9.876"), 9.876);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("9,876,54"), 9.0);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount(""), 0.0);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount(" 12,30"), 12.3);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("-1.000,01"), -1000.01);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("abc"), 0.0);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount(","), 0.0);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("+5,5 EUR"), 5.5);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount(",5"), 0.5);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("1,5e2"), 150.0);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("1e"), 1.0);
    EXPECT_DOUBLE_EQ(CTool::ParseAmount("\t\n 7"), 7.0);
}

TEST(CToolTest, ParseAmountTakesOnlyDecimalNumbers) {
    // Texts the C library would read as infinity, "not a number" or hexadecimal give 0.
    for (const char* text : {"inf", "-Infinity", "nan", "NAN(1)", "0x1A", "1e999", "-", "+", ".", "e5"})
        EXPECT_DOUBLE_EQ(CTool::ParseAmount(text), 0.0) << text;
}

TEST(CToolTest, ParseAmountIgnoresTheLocale) {
    // A desktop front end may switch the C library to a German locale; the point stays the decimal point.
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale installed";
    double plain = CTool::ParseAmount("12.5");
    double german = CTool::ParseAmount("1.234,5");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_DOUBLE_EQ(plain, 12.5);
    EXPECT_DOUBLE_EQ(german, 1234.5);
}

TEST(CToolTest, ConvertsDatesBetweenFormats) {
    EXPECT_EQ(CTool::ConvertDate("31122016", "TTMMJJJJ", "TT.MM.JJJJ"), "31.12.2016");
    EXPECT_EQ(CTool::ConvertDate("311299", "TTMMJJ", "TT.MM.JJJJ"), "31.12.1999");
    EXPECT_EQ(CTool::ConvertDate("311249", "TTMMJJ", "TT.MM.JJJJ"), "31.12.2049");
    EXPECT_EQ(CTool::ConvertDate("311250", "TTMMJJ", "TT.MM.JJJJ"), "31.12.1950");
    EXPECT_EQ(CTool::ConvertDate("3112", "TTMM", "TT.MM."), "31.12.");
    EXPECT_EQ(CTool::ConvertDate("3112", "TTMM", "TT.MM.JJJJ"), "31.12.");
    EXPECT_EQ(CTool::ConvertDate("31.12.2016", "TT.MM.JJJJ", "JJJJMMTT"), "20161231");
    EXPECT_EQ(CTool::ConvertDate("2016-12-31", "JJJJ-MM-TT", "TT.MM.JJJJ"), "31.12.2016");
    EXPECT_EQ(CTool::ConvertDate("2016-12-31", "jjjj-mm-tt", "TT.MM.JJJJ"), "31.12.2016");
    EXPECT_EQ(CTool::ConvertDate("31.12.2016", "TT.MM.JJJJ", "TT.MM.JJ"), "31.12.16");
    // Placeholders the source lacks stay literally.
    EXPECT_EQ(CTool::ConvertDate("122016", "MMJJJJ", "TT.MM.JJJJ"), "TT.12.2016");
}

TEST(CToolTest, ConvertDateReturnsValuesThatDoNotFitUnchanged) {
    EXPECT_EQ(CTool::ConvertDate("3112201", "TTMMJJJJ", "TT.MM.JJJJ"), "3112201");
    EXPECT_EQ(CTool::ConvertDate("311220166", "TTMMJJJJ", "TT.MM.JJJJ"), "311220166");
    EXPECT_EQ(CTool::ConvertDate("", "TTMMJJJJ", "TT.MM.JJJJ"), "");
    EXPECT_EQ(CTool::ConvertDate("31122016", "", "TT.MM.JJJJ"), "31122016");
    EXPECT_EQ(CTool::ConvertDate("31122016", "TTMMJJJJ", ""), "31122016");
}

TEST(CToolTest, ConvertDateSetsItsStepCodes) {
    CTool::ConvertDate("311299", "TTMMJJ", "TT.MM.JJ");
    EXPECT_EQ(CStepCode::Get(), 9211);
    CTool::ConvertDate("311299", "TTMMJJ", "TT.MM.JJJJ");
    EXPECT_EQ(CStepCode::Get(), 9210);
    CTool::ConvertDate("3112", "TTMM", "TT.MM.");
    EXPECT_EQ(CStepCode::Get(), 9208);
}

TEST(CToolTest, NormalizesDatesWithoutConfiguredFormat) {
    const std::pair<const char*, const char*> cases[] = {
        {"1.2.16", "01.02.2016"},
        {"1.2.1969", "01.02.1969"},
        {"1.2.75", "01.02.1975"},
        {"1.2.", "01.02."},
        {"3.12", "03.12."},
        {"31122016", "31.12.2016"},
        {"1122016", "01.12.2016"},
        {"11216", "01.12.2016"},
        {"3112", "31.12."},
        {"112", "01.12."},
        {"2016-12-31", "2016-12-31"},
        {"20161231", "20.16.1231"},
        {"31.", "31.00."},
        {"31", "31"},
        {"", ""},
        {"1.2.3.4", "1.2.3.4"},
        {"1.2.69", "01.02.2069"},
        {"1.2.70", "01.02.1970"},
        {"1.2.100", "01.02.0100"},
        {"123456789", "123456789"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(CTool::NormalizeDate(in, ""), out) << in;
}

TEST(CToolTest, NormalizesDatesWithConfiguredFormatOnly) {
    EXPECT_EQ(CTool::NormalizeDate("20161231", "JJJJMMTT"), "31.12.2016");
    EXPECT_EQ(CTool::NormalizeDate("2016123", "JJJJMMTT"), "2016123");
    EXPECT_EQ(CTool::NormalizeDate("1.2.16", "JJJJMMTT"), "1.2.16");
}

TEST(CToolTest, ReplaceAllRescansAfterEveryReplacement) {
    EXPECT_EQ(CTool::ReplaceAll("a;b;c", ";", ","), "a,b,c");
    EXPECT_EQ(CTool::ReplaceAll("", ";", ","), "");
    EXPECT_EQ(CTool::ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(CTool::ReplaceAll("x\r\ny\r\n", "\r\n", "~\xA7"), "x~\xA7y~\xA7");
    // A replacement may form a new occurrence with its neighbours; the rescan replaces it too.
    EXPECT_EQ(CTool::ReplaceAll("a     b", "  ", " "), "a b");
    EXPECT_EQ(CTool::ReplaceAll("abb", "ab", "a"), "a");
    EXPECT_EQ(CTool::ReplaceAll("aab", "ab", "b"), "b");
    // A pair that would never end is replaced in a single pass instead of hanging.
    EXPECT_EQ(CTool::ReplaceAll("a\rb\r", "\r", "\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(CTool::ReplaceAll("\"x\"", "\"", "\"\""), "\"\"x\"\"");
}

TEST(CToolTest, ReplaceAllStaysFastOnLongValues) {
    std::string blanks(1 << 20, ' ');
    EXPECT_EQ(CTool::ReplaceAll(blanks, "  ", " "), " ");
    std::string lines(1 << 20, '\n');
    EXPECT_EQ(CTool::ReplaceAll(lines, "\n", "~\xA7").size(), size_t{2} << 20);
}

TEST(CToolTest, SplitOffTakesThePartBeforeTheFirstSeparator) {
    std::string text = "31.12.2016";
    EXPECT_EQ(CTool::SplitOff(text, '.'), "31");
    EXPECT_EQ(text, "12.2016");
    text = "abc";
    EXPECT_EQ(CTool::SplitOff(text, '.'), "abc");
    EXPECT_EQ(text, "");
    text = "";
    EXPECT_EQ(CTool::SplitOff(text, '.'), "");
    EXPECT_EQ(text, "");
    text = ".x";
    EXPECT_EQ(CTool::SplitOff(text, '.'), "");
    EXPECT_EQ(text, "x");
    text = "x.";
    EXPECT_EQ(CTool::SplitOff(text, '.'), "x");
    EXPECT_EQ(text, "");
}

TEST(CToolTest, ToIntReadsLeadingDigitsOnly) {
    EXPECT_EQ(CTool::ToInt("  42abc"), 42);
    EXPECT_EQ(CTool::ToInt("-7"), -7);
    EXPECT_EQ(CTool::ToInt("+7"), 7);
    EXPECT_EQ(CTool::ToInt("x1"), 0);
    EXPECT_EQ(CTool::ToInt(""), 0);
    EXPECT_EQ(CTool::ToInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(CTool::ToInt("-99999999999999999999"), -2147483647 - 1);
}

TEST(CToolTest, FormatHandlesLongTexts) {
    std::string longText(100000, 'x');
    EXPECT_EQ(CTool::Format("%s|%d", longText.c_str(), 5), longText + "|5");
    EXPECT_EQ(CTool::Format("%s", ""), "");
}

TEST(CToolTest, FindsDataFilesInTheDataFolderFirst) {
    CTempDir temp;
    std::string dataDir = CTool::GetDataDir(false);
    EXPECT_EQ(dataDir, temp.path / "data");
    EXPECT_FALSE(CPlatform::IsDirectory(dataDir));
    EXPECT_EQ(CTool::FindDataFile("nirgends.ini"), CTool::GetProgramDir() + "/nirgends.ini");
    EXPECT_EQ(CTool::GetDataDir(true), dataDir);
    ASSERT_TRUE(CPlatform::IsDirectory(dataDir));
    CTempDir::Write(temp.DataFile("csv.ini"), "[x]\r\n");
    EXPECT_EQ(CTool::FindDataFile("csv.ini"), dataDir + "/csv.ini");
    // The program folder is the folder of this test program.
    EXPECT_TRUE(CPlatform::FileExists(CTool::GetProgramDir() + "/pelko_tests"));
}

// Amounts are formatted without printf for speed; the text must stay exactly printf's, for every
// count of decimals, near ties, at the edges of the short way (2^52, 2^63 scaled, the smallest
// numbers) and beyond it.
TEST(CToolTest, AmountTextsMatchPrintfForManyValues) {
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> wide(-1e9, 1e9);
    std::uniform_real_distribution<double> exponent(-320.0, 25.0);
    auto printfText = [](double x, int decimals) {
        double nudged = x >= 0.0 ? x + 1e-11 : x - 1e-11;
        std::string text = CTool::Format("%.*f", decimals, nudged);
        if (size_t dot = text.rfind('.'); dot != std::string::npos) text[dot] = ',';
        return text;
    };
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.125,
                                  -0.125,
                                  2.5,
                                  0.005,
                                  1e-11,
                                  -1e-11,
                                  5e-324,
                                  1e-300,
                                  4503599627370495.5,
                                  4503599627370496.0,
                                  9.2e9,
                                  9.3e9,
                                  9.2e18,
                                  1.8e19,
                                  -1.8e19,
                                  DBL_MAX,
                                  -DBL_MAX,
                                  INFINITY,
                                  -INFINITY,
                                  NAN};
    for (int i = 0; i < 4000; ++i) {
        values.push_back(wide(random));
        values.push_back(std::round(wide(random)) / 1000.0);            // near ties of two decimals
        values.push_back(std::round(wide(random)) / 8.0);               // ties the nudge cannot move
        values.push_back(std::round(wide(random) / 1e4) / 8.0 - 1e-11); // ties after the nudge
        values.push_back((i % 2 ? -1 : 1) * std::pow(10.0, exponent(random)));
    }
    for (int decimals : {0, 1, 2, 3, 6, 9, 10, 12}) {
        for (double x : values) {
            ASSERT_EQ(printfText(x, decimals), CTool::FormatDecimal(x, decimals)) << x << " " << decimals;
            if (decimals == 2) {
                ASSERT_EQ(printfText(x, 2), CTool::FormatAmount(x)) << x;
            }
        }
    }
    EXPECT_EQ(CTool::Format("%.2f", 1e300 + 1e-11).replace(301, 1, ","), CTool::FormatAmount(1e300));
}
