#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "core/CValueCheck.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(CDatevAngaben, SaveWritesTheFourteenLinesAndLoadReadsThemBack) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev datev(frontEnd);
    datev.beraterNummer = 1234567;
    datev.beraterName = "Muster";
    datev.mandantenNummer = 12345;
    datev.dfvKennzeichen = "AB";
    datev.datentraegerNummer = 7;
    datev.abrechnungsNummer = 12;
    datev.passwort = "geh";
    datev.kontonummernErweiterung = 0;
    datev.kontonummernLaenge = 2;
    datev.wirtschaftsjahrBeginn = "01.07.2023";
    datev.datevProVersion = 300;
    datev.festschreibung = 0;
    ASSERT_TRUE(datev.SaveAngaben());
    EXPECT_EQ(CTempDir::Read(temp.DataFile("angaben_datev.txt")),
              Ansi("DATEV-Angaben:\r\n--------------\r\n"
                   "1234567\t\t(Beraternummer: 7 stellig)\r\n"
                   "Muster\t(Beratername: 9 stellig)\r\n"
                   "12345\t\t(Mandantennummer: 5 stellig)\r\n"
                   "AB\t\t(DFV-Kennzeichen: 2 stellig)\r\n"
                   "7\t\t(Datenträgernummer: 6 stellig)\r\n"
                   "12\t\t(Abrechnungsnummer: 4 stellig, bei Stammd. 6 stellig)\r\n"
                   "geh\t\t(Passwort: 4 stellig)\r\n"
                   "0\t\t(Kontonummernerweiterung: 0=nein, 1=ja)\r\n"
                   "4\t\t(Kontonummernlänge)\r\n"
                   "01.07.2023\t\t(DatevPro: Beginn des Wirtschaftsjahres 'TT.MM.JJJJ')\r\n"
                   "300\t\t(DatevPro: Version: 300=V3.0, 510=V5.1, 700=V7.0)\r\n"
                   "0\t\t(DatevPro: Festschreibung: 0=nein, 1=ja)\r\n"));

    CDatev loaded(frontEnd);
    ASSERT_TRUE(loaded.LoadAngaben(""));
    EXPECT_EQ(loaded.beraterNummer, 1234567);
    EXPECT_EQ(loaded.beraterName, "Muster");
    EXPECT_EQ(loaded.mandantenNummer, 12345);
    EXPECT_EQ(loaded.dfvKennzeichen, "AB");
    EXPECT_EQ(loaded.datentraegerNummer, 7);
    EXPECT_EQ(loaded.abrechnungsNummer, 12);
    EXPECT_EQ(loaded.passwort, "geh");
    EXPECT_EQ(loaded.kontonummernErweiterung, 0);
    EXPECT_EQ(loaded.kontonummernLaenge, 4);
    EXPECT_EQ(loaded.wirtschaftsjahrBeginn, "01.07.2023");
    EXPECT_EQ(loaded.datevProVersion, 300);
    EXPECT_EQ(loaded.festschreibung, 0);
    EXPECT_TRUE(frontEnd.boxes.empty());
}

TEST(CDatevAngaben, LoadCutsTextsAtTheirLengthAndValuesAtTheParenthesis) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    std::string file = temp.File("angaben.txt");
    CTempDir::Write(file, "DATEV-Angaben:\n--\n"
                          "  4711 (Beraternummer)\r\n"
                          "Steuerbuero Mustermann\t(Beratername: 9 stellig)\r\n"
                          "12a\r\n"
                          "A(B\t\t(DFV)\r\n"
                          "x\r\n"
                          "-3\r\n"
                          " geheim \r\n");
    CDatev datev(frontEnd);
    datev.datumVon = "01.01.2023";
    ASSERT_TRUE(datev.LoadAngaben(file));
    EXPECT_EQ(datev.beraterNummer, 4711); // leading blanks and a sign belong to the number
    EXPECT_EQ(datev.beraterName, "Steuerbue");
    EXPECT_EQ(datev.mandantenNummer, 12);
    EXPECT_EQ(datev.dfvKennzeichen, "A");
    EXPECT_EQ(datev.datentraegerNummer, 0);
    EXPECT_EQ(datev.abrechnungsNummer, -3);
    EXPECT_EQ(datev.passwort, "geh");
    // Lines that are missing read as 0 or empty.
    EXPECT_EQ(datev.kontonummernErweiterung, 0);
    EXPECT_EQ(datev.wirtschaftsjahrBeginn, "");
    EXPECT_EQ(datev.datevProVersion, 0);
    EXPECT_EQ(datev.datumVon, "01.01.2023");
}

TEST(CDatevAngaben, ALineTooLongEndsTheReading) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    std::string file = temp.File("angaben.txt");
    CTempDir::Write(file, "DATEV-Angaben:\r\n--\r\n1234\r\nName\r\n" + std::string(255, '7') + "\r\n9\r\n");
    CDatev datev(frontEnd);
    ASSERT_TRUE(datev.LoadAngaben(file));
    EXPECT_EQ(datev.beraterNummer, 1234);
    EXPECT_EQ(datev.beraterName, "Name");
    EXPECT_EQ(datev.mandantenNummer, 0);
    EXPECT_EQ(datev.dfvKennzeichen, "");
}

TEST(CDatevAngaben, MissingFileRestoresTheStartValuesSilently) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev datev(frontEnd);
    datev.beraterNummer = 5;
    datev.kontonummernErweiterung = 0;
    datev.datevProVersion = 300;
    datev.datumBis = "31.12.2023";
    EXPECT_FALSE(datev.LoadAngaben(temp.File("fehlt.txt")));
    EXPECT_EQ(datev.beraterNummer, 0);
    EXPECT_EQ(datev.datentraegerNummer, 1);
    EXPECT_EQ(datev.abrechnungsNummer, 1);
    EXPECT_EQ(datev.kontonummernErweiterung, 1);
    EXPECT_EQ(datev.kontonummernLaenge, 4);
    EXPECT_EQ(datev.wirtschaftsjahrBeginn, "01.01.2000");
    EXPECT_EQ(datev.datevProVersion, 700);
    EXPECT_EQ(datev.festschreibung, 1);
    EXPECT_EQ(datev.datumBis, "31.12.2023");
    EXPECT_TRUE(frontEnd.boxes.empty());
}

TEST(CDatevAngaben, SaveFailureIsReported) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev datev(frontEnd);
    // A folder in the place of the file cannot be replaced by it.
    std::filesystem::create_directories(temp.DataFile("angaben_datev.txt"));
    EXPECT_FALSE(datev.SaveAngaben());
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].text, Ansi("(E:304)\nANGABEN_DATEV.TXT konnte nicht geöffnet werden!"));
}

TEST(CDatevAngaben, SettingsOfPelkoIniAreRead) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    {
        CDatev datev(frontEnd);
        EXPECT_EQ(datev.laengeBuchungstext, 30);
        EXPECT_EQ(datev.stammdatenAusgabe, "");
    }
    CTempDir::Write(temp.DataFile("pelko.ini"),
                    "[einstellungen]\r\nstammdaten_ausgabe=VARIANTE-1\r\nlaenge_buchungstext=60\r\n");
    CTempDir::Write(temp.DataFile("stammdaten_umsetzung.ini"), "[OUT:Land]\r\nDeutschland=DE\r\n");
    CDatev datev(frontEnd);
    EXPECT_EQ(datev.laengeBuchungstext, 60);
    EXPECT_EQ(datev.stammdatenAusgabe, "VARIANTE-1");
    EXPECT_EQ(datev.MapValue(CDatev::kOutLand, "deutschland", "?"), "DE");
    EXPECT_EQ(datev.MapValue(CDatev::kOutLand, "Atlantis", "?"), "?");
}

TEST(CDatevAngaben, DateKeyOrdersFullDatesAndDatesWithoutYear) {
    EXPECT_EQ(CDatev::DateKey("31.12.2023"), 20231231);
    EXPECT_EQ(CDatev::DateKey("31.12."), 1231);
    EXPECT_EQ(CDatev::DateKey("1.1.2023"), 0);
    EXPECT_EQ(CDatev::DateKey(""), 0);
}

// A full date is what the general date rules keep unchanged as "TT.MM.JJJJ".
TEST(CDatevAngaben, FullDatesAreTheDatesTheReadersKeepAsTheyAre) {
    for (const char* text :
         {"29.02.2024", "29.02.2023", "31.04.2024", "00.01.2024", "01.13.2024", "31.12.1899", "01.01.1900",
          "31.12.2099", "01.01.2100", " 1.01.2024", "01.01.2024 ", "1.1.2024", "01-01-2024", "01.01.20a4",
          "01.01.", "", "2024-01-01", "01012024"}) {
        std::string date;
        const bool kept =
            CValueCheck::ParseDate(text, std::string(), date) && date == text && date.size() == 10;
        EXPECT_EQ(CValueCheck::IsFullDate(text), kept) << text;
    }
}

TEST(CDatevAngaben, SetDateRangeKeepsTheFirstOfEqualDatesAndSkipsEmptyRecords) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev datev(frontEnd);
    CBuchungenCtrl list;
    datev.SetDateRange(list);
    EXPECT_EQ(datev.datumVon, "");

    CBuchungenData b;
    b.buchungstext = "erste";
    b.datum = "05.03.2023";
    list.Add(b);
    list.Add(CBuchungenData());
    b.datum = "01.02.2023";
    list.Add(b);
    b.datum = "01.02.2023";
    b.buchungstext = "dritte";
    list.Add(b);
    datev.SetDateRange(list);
    EXPECT_EQ(datev.datumVon, "01.02.2023");
    EXPECT_EQ(datev.datumBis, "05.03.2023");

    // A date without year, or none of the calendar, says nothing about the range.
    for (const char* datum : {"31.12.", "31.02.2023", "00.00.0000", "2023-01-01"}) {
        b.datum = datum;
        list.Add(b);
    }
    datev.SetDateRange(list);
    EXPECT_EQ(datev.datumVon, "01.02.2023");
    EXPECT_EQ(datev.datumBis, "05.03.2023");
}

TEST(CDatevAngaben, ShippedExampleReadsAndIsWrittenBackUnchanged) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    std::string example = std::string(PELKO_SOURCE_DIR) + "/examples/angaben_datev.txt";
    CDatev datev(frontEnd);
    ASSERT_TRUE(datev.LoadAngaben(example));
    EXPECT_EQ(datev.beraterNummer, 29098);
    EXPECT_EQ(datev.mandantenNummer, 55003);
    ASSERT_TRUE(datev.SaveAngaben());
    EXPECT_EQ(CTempDir::Read(temp.DataFile("angaben_datev.txt")), CTempDir::Read(example));
}

TEST(CDatevAngaben, OverlongTextsAreSavedAsTheyWillBeReadSoLaterLinesSurvive) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev datev(frontEnd);
    datev.beraterName = std::string(300, 'n');
    datev.passwort = "geheim";
    datev.wirtschaftsjahrBeginn = "01.07.2024" + std::string(300, ' ');
    datev.mandantenNummer = 815;
    datev.festschreibung = 0;
    ASSERT_TRUE(datev.SaveAngaben());
    CDatev loaded(frontEnd);
    ASSERT_TRUE(loaded.LoadAngaben(""));
    EXPECT_EQ(loaded.beraterName, std::string(9, 'n'));
    EXPECT_EQ(loaded.mandantenNummer, 815);
    EXPECT_EQ(loaded.passwort, "gehe");
    EXPECT_EQ(loaded.wirtschaftsjahrBeginn, "01.07.2024");
    EXPECT_EQ(loaded.festschreibung, 0);
    EXPECT_FALSE(CPlatform::FileExists(temp.DataFile("angaben_datev.txt.tmp")));
}

TEST(CDatevAngaben, ShippedMappingFileTranslatesBothWays) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev datev(frontEnd); // seeds the data folder from the file beside the program
    EXPECT_EQ(datev.MapValue(CDatev::kOutAnrede, "Frau", "?"), "3");
    EXPECT_EQ(datev.MapValue(CDatev::kInAnrede, "3", "?"), "Frau");
    EXPECT_EQ(datev.MapValue(CDatev::kOutLand, Ansi("Österreich"), "?"), "AT");
    EXPECT_EQ(datev.MapValue(CDatev::kInLand, "AT", "?"), Ansi("Österreich"));
    EXPECT_EQ(datev.MapValue(CDatev::kOutLand, Ansi("Großbritannien"), "?"), "GB");
}
