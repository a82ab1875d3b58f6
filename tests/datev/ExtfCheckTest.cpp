#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "datev/CExtfCheck.h"

#include <gtest/gtest.h>

namespace {

TEST(ExtfCheckTest, FileNameRulesLookAtTheNameAfterTheLastSlashOnly) {
    std::string messages;
    EXPECT_TRUE(CExtfCheck::CheckExtfFileName("/daten/EXTF_x/EXTF_Buchungen.csv", &messages));
    EXPECT_EQ("", messages);

    EXPECT_FALSE(CExtfCheck::CheckExtfFileName("/EXTF_daten/buchungen.txt", &messages));
    EXPECT_EQ("FEHLER: Der Dateiname sollte mit 'EXTF_' beginnen! Angegebener Dateiname: 'buchungen.txt'\r\n"
              "FEHLER: Der Dateiname sollte mit '.csv' enden! Angegebener Dateiname: 'buchungen.txt'\r\n",
              messages);

    messages.clear();
    EXPECT_FALSE(CExtfCheck::CheckExtfFileName("EXTF_a.CSV", &messages));
    EXPECT_EQ("FEHLER: Der Dateiname sollte mit '.csv' enden! Angegebener Dateiname: 'EXTF_a.CSV'\r\n",
              messages);
    EXPECT_FALSE(CExtfCheck::CheckExtfFileName("EXT", nullptr));
    EXPECT_FALSE(CExtfCheck::CheckExtfFileName("/x/", nullptr));
}

TEST(ExtfCheckTest, ValueIsStrippedNotedAndNeverShortened) {
    std::string messages;
    EXPECT_EQ("123", CExtfCheck::CheckDatevProValue(0, "Beraternummer", " 123\t", 4, 7, true, messages));
    EXPECT_EQ("HINWEIS: Zeile 0, Feld 'Beraternummer' muss mindestens 4 Zeichen haben. Inhalt:'123'\r\n",
              messages);

    messages.clear();
    std::string text(70, 'x');
    EXPECT_EQ(text, CExtfCheck::CheckDatevProValue(3, "Buchungstext", text, 0, 60, false, messages));
    EXPECT_EQ("HINWEIS: Zeile 3, Feld 'Buchungstext' darf maximal 60 Zeichen haben. Inhalt:'" + text +
                  "'\r\n",
              messages);

    // A missing required value is an error and nothing else.
    messages.clear();
    EXPECT_EQ("", CExtfCheck::CheckDatevProValue(5, "Soll-Konto", "  ", 1, 9, true, messages));
    EXPECT_EQ(Ansi("FEHLER: Zeile 5, Feld 'Soll-Konto' muss ausgefüllt sein.\r\n"), messages);

    messages.clear();
    EXPECT_EQ("", CExtfCheck::CheckDatevProValue(5, "Skonto", "", 0, 11, false, messages));
    EXPECT_EQ("%s", CExtfCheck::CheckDatevProValue(5, "Text", "%s", 0, 2, false, messages));
    EXPECT_EQ("", messages);
}

TEST(ExtfCheckTest, HintOnlyForDatevProTargetsWithWrongNames) {
    const std::string hint = "!!! Aufbau des Dateinamens: EXTF_{beliebig}.csv !!!";
    EXPECT_EQ(hint, CExtfCheck::FileNameHint(CPelkoDoc::OutDatevPro, "/x/daten.csv"));
    EXPECT_EQ("", CExtfCheck::FileNameHint(CPelkoDoc::OutDatevPro, "/x/EXTF_daten.csv"));
    EXPECT_EQ("", CExtfCheck::FileNameHint(CPelkoDoc::OutCsv, "/x/daten.csv"));
}

} // namespace
