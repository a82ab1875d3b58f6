#include "datev/CDatev.h"

#include "core/CCodePage.h"

#include <gtest/gtest.h>

TEST(CKneFields, PutTextCutsSilentlyAndReportsAMissingRequiredValue) {
    std::string record(10, ' ');
    std::string messages;
    CDatev::PutText(record, messages, "abcdef", "Feld", 3, 4, true);
    EXPECT_EQ(record, "  abcd    ");
    CDatev::PutText(record, messages, "", "Optional", 8, 2, false);
    EXPECT_EQ(messages, "");
    CDatev::PutText(record, messages, "", "Passwort", 8, 2, true);
    EXPECT_EQ(record, "  abcd    ");
    EXPECT_EQ(messages, Ansi("FEHLER: Feld 'Passwort' muss ausgefüllt sein !\r\n"));
}

TEST(CKneFields, PutNumberPadsWithZerosAndRefusesWhatDoesNotFit) {
    std::string record(12, ' ');
    std::string messages;
    CDatev::PutNumber(record, messages, 12, "Abrechnungsnummer", 1, 4, false);
    CDatev::PutNumber(record, messages, 0, "Anwendungsnummer", 5, 2, false);
    EXPECT_EQ(record, "001200      ");
    EXPECT_EQ(messages, "");

    CDatev::PutNumber(record, messages, 0, "Beraternummer", 7, 3, true);
    CDatev::PutNumber(record, messages, 2345, Ansi("Datenträger-Nummer"), 7, 3, false);
    // A digit field has no place for a sign: -5 would come out as "-05".
    CDatev::PutNumber(record, messages, -5, "Mandantennummer", 7, 3, false);
    CDatev::PutNumber(record, messages, 99999999999LL, "Beraternummer", 7, 3, false);
    EXPECT_EQ(record, "001200      ");
    EXPECT_EQ(
        messages,
        Ansi("FEHLER: Feld 'Beraternummer' muss ausgefüllt sein !\r\n"
             "FEHLER: Der Wert des Feldes 'Datenträger-Nummer' überschreitet max. Stellenanzahl (3)!\r\n"
             "FEHLER: Der Wert des Feldes 'Mandantennummer' überschreitet max. Stellenanzahl (3)!\r\n"
             "FEHLER: Der Wert des Feldes 'Beraternummer' überschreitet max. Stellenanzahl (3)!\r\n"));
}

TEST(CKneFields, CheckValueStripsFiltersAndShortensWithNotices) {
    std::string messages;
    EXPECT_EQ(CDatev::CheckValue(messages, 4, "Kostenstelle 1", " \t12 \t", 0, 8, false), "12");
    EXPECT_EQ(messages, "");
    EXPECT_EQ(CDatev::CheckValue(messages, 5, "Buchungsnummer", " R-2023/17 ", 0, 6, true), "202317");
    EXPECT_EQ(CDatev::CheckValue(messages, 6, "Buchungstext", "abcdef", 0, 4, false), "abcd");
    EXPECT_EQ(CDatev::CheckValue(messages, 7, Ansi("Währung"), "   ", 1, 3, false), " ");
    EXPECT_EQ(CDatev::CheckValue(messages, 8, "Belegnummer 2", "R-1234567", 0, 6, true), "123456");
    EXPECT_EQ(
        messages,
        Ansi("HINWEIS: Zeile 5, Feld 'Buchungsnummer' darf nur Zahlen enthalten. 'R-2023/17' wurde auf "
             "'202317' geändert\r\n"
             "HINWEIS: Zeile 6, Feld 'Buchungstext' darf maximal 4 Zeichen haben. 'abcdef' wurde auf 'abcd' "
             "gekürzt\r\n"
             "HINWEIS: Zeile 8, Feld 'Belegnummer 2' darf nur Zahlen enthalten. 'R-1234567' wurde auf "
             "'1234567' geändert\r\n"
             "HINWEIS: Zeile 8, Feld 'Belegnummer 2' darf maximal 6 Zeichen haben. '1234567' wurde auf "
             "'123456' gekürzt\r\n"));
}
