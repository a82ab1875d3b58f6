#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

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
                   "300\t\t(DatevPro: Version: 300=V3.0, 510=V5.1)\r\n"
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
