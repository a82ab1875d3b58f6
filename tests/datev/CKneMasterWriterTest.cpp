#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string Golden(const std::string& name) {
    return CTempDir::Read(std::string(PELKO_TEST_DATA) + "/kne/" + name);
}

std::string Field(const std::string& tag, const std::string& value) {
    return "t" + tag + "\x1E" + value + "\x1Cy";
}

class KneMasterWriter : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(temp.DataFile(""));
        CTempDir::Write(temp.DataFile("stammdaten_umsetzung.ini"),
                        "[OUT:Anrede]\r\nHerr=2\r\n[OUT:Land]\r\nDeutschland=DE\r\n");
        datev = std::make_unique<CDatev>(frontEnd);
        datev->beraterNummer = 1234567;
        datev->beraterName = "Beraterin";
        datev->mandantenNummer = 12345;
        datev->dfvKennzeichen = "MM";
        datev->datentraegerNummer = 7;
        datev->abrechnungsNummer = 202301;
        datev->passwort = "pw12";
        datev->kontonummernLaenge = 5;
    }

    void AddSampleRecords() {
        CStammData s;
        s.datevKonto = 10000;
        s.anrede = "Herr";
        s.name1 = Ansi("Müller GmbH");
        s.kundennummer = "K-1";
        s.strasse = Ansi("Hauptstraße 1");
        s.postleitzahl = "80331";
        s.ort = Ansi("München");
        s.land = "Deutschland";
        s.bank = "Sparkasse";
        s.kontonummer = "123456";
        s.bankleitzahl = "70150000";
        s.ustIdnr = "DE123456789";
        s.telefon = "089 123";
        s.email = "info@example.de";
        s.iban = "DE89370400440532013000";
        s.swift = "COBADEFFXXX";
        list.Add(s);
        s = CStammData();
        s.datevKonto = 70000;
        s.name1 = "Lieferant";
        s.anrede = "Unbekannt";
        s.land = "Atlantis";
        list.Add(s);
        list.Add(CStammData());
    }

    int Write() {
        int count = datev->WriteKneMaster(folder, list, frontEnd, messages);
        if (datev->dataFileWritten) datev->WriteKneMasterControl(folder, messages);
        return count;
    }
    std::string Data() { return CTempDir::Read(temp.File(datev->IsExtendedFormat() ? "ED00001" : "DE001")); }
    std::string Control() { return CTempDir::Read(temp.File(datev->IsExtendedFormat() ? "EV01" : "DV01")); }

    CTempDir temp;
    std::string folder = temp.path.string();
    CRecordingFrontEnd frontEnd;
    std::unique_ptr<CDatev> datev;
    CStammCtrl list;
    std::string messages;
};

const char* const kLandCut =
    "FEHLER: Zeile 2: Feld 'Land': Inhalt 'Atlantis' ist zu gross und wird gekürzt! (Ist:8, Max:3)\r\n";

} // namespace

TEST_F(KneMasterWriter, ExtendedFormatMatchesTheGoldenFiles) {
    AddSampleRecords();
    EXPECT_EQ(Write(), 3);
    std::string data = Data();
    ASSERT_EQ(data, Golden("master_ed/ED00001"));
    EXPECT_EQ(Control(), Golden("master_ed/EV01"));
    EXPECT_EQ(messages, Ansi(kLandCut));

    EXPECT_EQ(data.substr(0, 65), "\x1D\x18"
                                  "100713MM123456712345202301pw12" +
                                      std::string(32, ' ') + "y");
    EXPECT_EQ(data.substr(65, 13), "\xB6"
                                   "1,5,5,----\x1Cy");
    EXPECT_EQ(data.substr(78, 20), Field("101", "1") + Field("102", "10000"));
    // Texts in the OEM code page; the salutation mapped; "UstID" ends at 242, so "Land" opens block 2.
    EXPECT_NE(data.find(Field("103", "M\x81ller GmbH") + Field("108", "Hauptstra\xE1"
                                                                      "e 1")),
              std::string::npos);
    EXPECT_NE(data.find(Field("109", "2")), std::string::npos);
    EXPECT_EQ(data.substr(224, 32), Field("500", "DE123456789") + std::string(14, '\0'));
    EXPECT_EQ(data.substr(256, 9), Field("702", "DE"));
    // Unknown salutation becomes "1", unknown country stays and is cut; the empty record keeps its start
    // mark.
    EXPECT_NE(data.find(Field("103", "Lieferant") + Field("109", "1") + Field("702", "Atl") +
                        Field("101", "1") + "z"),
              std::string::npos);
    EXPECT_EQ(data.find('z', 256), 410u);
    EXPECT_EQ(data.substr(411), std::string(101, '\0'));
    EXPECT_EQ(datev->blockCount, 2);

    std::string control = Control();
    EXPECT_EQ(control.substr(0, 128), Golden("bookings_ed/EV01").substr(0, 128));
    EXPECT_EQ(control.substr(128, 71),
              "V0000113MM123456712345202301" + std::string(16, ' ') + "001pw1200002001 11,5,5,----");
    EXPECT_EQ(control.substr(199), std::string(57, ' '));
}

TEST_F(KneMasterWriter, OldFormatMatchesTheGoldenFilesWithBinaryControlFields) {
    datev->kontonummernErweiterung = 0;
    AddSampleRecords();
    EXPECT_EQ(Write(), 3);
    std::string data = Data();
    ASSERT_EQ(data, Golden("master_de/DE001"));
    EXPECT_EQ(Control(), Golden("master_de/DV01"));
    EXPECT_EQ(data.substr(0, 8), "\x1D\x18"
                                 "17  13");
    EXPECT_EQ(data.substr(64, 9), "y" + Field("101", "1"));
    EXPECT_EQ(datev->lastByteOffset, 145);

    std::string control = Control();
    EXPECT_EQ(control.substr(64, 54), std::string("V\x01\x00"
                                                  "13MM123456712345202301",
                                                  25) +
                                          std::string(16, ' ') + "001pw12" +
                                          std::string("\x02\x00\x91\x00\x01\x00", 6));
    EXPECT_EQ(control.substr(118), std::string(9, ' ') + "1");
}

TEST_F(KneMasterWriter, VariantOnePadsTheAddressFieldsAndLeavesOutTheBank) {
    datev->stammdatenAusgabe = "VARIANTE-1";
    AddSampleRecords();
    Write();
    std::string data = Data();
    ASSERT_EQ(data, Golden("master_ed_variante1/ED00001"));
    EXPECT_EQ(Control(), Golden("master_ed_variante1/EV01"));
    EXPECT_EQ(data.find("t130"), std::string::npos);
    EXPECT_NE(data.find(Field("000500", "DE123456789    ")), std::string::npos);
    // The record with only an account number writes its six padded fields as blanks.
    list.RemoveAll();
    CStammData s;
    s.datevKonto = 10000;
    list.Add(s);
    Write();
    std::string expected = Field("000101", "1") + Field("000102", "10000") +
                           Field("000104", std::string(10, ' ')) + Field("000103", std::string(20, ' ')) +
                           Field("000203", std::string(20, ' ')) + Field("000108", std::string(20, ' ')) +
                           Field("000106", std::string(10, ' ')) + std::string(22, '\0') +
                           Field("000107", std::string(20, ' ')) + "z";
    EXPECT_EQ(Data().substr(78, expected.size()), expected);
}

TEST_F(KneMasterWriter, OnlyAnAccountNumberGivesTwoFieldRecords) {
    CStammData s;
    s.datevKonto = 10000;
    list.Add(s);
    EXPECT_EQ(Write(), 1);
    std::string data = Data();
    ASSERT_EQ(data.size(), 256u);
    EXPECT_EQ(data.substr(78, 21), Field("101", "1") + Field("102", "10000") + "z");
    EXPECT_EQ(datev->lastByteOffset, 98);
}

TEST_F(KneMasterWriter, ValuesLongerThanTheirFieldAreCutWithAnError) {
    CStammData s;
    s.datevKonto = 10000;
    s.email = std::string(70, 'e');
    list.Add(s);
    Write();
    EXPECT_NE(Data().find(Field("712", std::string(60, 'e'))), std::string::npos);
    EXPECT_EQ(messages, Ansi("FEHLER: Zeile 1: Feld 'EMail': Inhalt '" + std::string(70, 'e') +
                             "' ist zu gross und wird gekürzt! (Ist:70, Max:60)\r\n"));
}

TEST_F(KneMasterWriter, AccountingNumberOfSevenDigitsStaysBlankWithAnError) {
    datev->abrechnungsNummer = 2345678;
    list.Add(CStammData());
    Write();
    EXPECT_EQ(Data().substr(22, 6), "      ");
    EXPECT_EQ(Control().substr(128 + 22, 6), "      ");
    EXPECT_NE(messages.find(Ansi("'Abrechnungsnummer' überschreitet max. Stellenanzahl (6)!")),
              std::string::npos);
}

TEST_F(KneMasterWriter, FailuresShowTheirMessagesAndKeepThePreviousFile) {
    CTempDir::Write(temp.File("ED00001"), "vorher");
    EXPECT_EQ(Write(), 0);
    EXPECT_EQ(frontEnd.boxes.at(0).text, "(E:328)\nKeine Stammdaten vorhanden!");
    EXPECT_EQ(CTempDir::Read(temp.File("ED00001")), "vorher");
    EXPECT_FALSE(std::filesystem::exists(temp.File("EV01")));

    folder = temp.File("fehlt");
    list.Add(CStammData());
    EXPECT_EQ(Write(), 0);
    EXPECT_EQ(frontEnd.boxes.at(1).text,
              "(E:327)\n" + folder + Ansi("/ED00001 konnte nicht geöffnet werden!"));
    EXPECT_EQ(frontEnd.boxes.size(), 2u);
}
