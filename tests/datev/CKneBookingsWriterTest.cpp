#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "core/CTool.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

std::string Golden(const std::string& name) {
    return CTempDir::Read(std::string(PELKO_TEST_DATA) + "/kne/" + name);
}

std::string Nul(size_t count) {
    return std::string(count, '\0');
}

class KneBookingsWriter : public ::testing::Test {
protected:
    void SetUp() override {
        datev.beraterNummer = 1234567;
        datev.beraterName = "Beraterin";
        datev.mandantenNummer = 12345;
        datev.dfvKennzeichen = "MM";
        datev.datentraegerNummer = 7;
        datev.abrechnungsNummer = 12;
        datev.passwort = "pw12";
        datev.kontonummernLaenge = 4;
        datev.datumVon = "01.02.2023";
        datev.datumBis = "05.03.2023";
        datev.wirtschaftsjahrBeginn = "01.01.2023";
    }

    // Every optional part, a rounded negative amount, a record without data and one without year;
    // the old format carries no foreign currency.
    void AddSampleBookings(bool foreignCurrency = true) {
        CBuchungenData b;
        b.betrag = 1234.56;
        b.datevSchluessel = 9;
        b.habenKonto = 8400;
        b.buchungsnummer = "RE-2023/17";
        b.belegnummer2 = "B2";
        b.datum = "05.03.2023";
        b.sollKonto = 10000;
        b.kostenstelle1 = "KST1";
        b.kostenstelle2 = "KST2";
        b.skonto = 12.34;
        b.buchungstext = Ansi("Müller Säge");
        b.ustId = "DE123456789";
        b.euSteuersatz = 19.0;
        b.waehrung = foreignCurrency ? "usd" : "eur";
        b.waehrungskurs = foreignCurrency ? 1.0832 : 0.0;
        list.Add(b);
        b = CBuchungenData();
        b.betrag = -10.125;
        b.habenKonto = 1200;
        b.datum = "01.02.2023";
        b.sollKonto = 4940;
        list.Add(b);
        list.Add(CBuchungenData());
        b = CBuchungenData();
        b.habenKonto = 1000;
        b.sollKonto = 1200;
        b.datum = "01.03.";
        b.waehrung = "DEM";
        b.buchungstext = "Kasse";
        list.Add(b);
    }

    CBuchungenData Simple(double betrag, const std::string& datum) {
        CBuchungenData b;
        b.betrag = betrag;
        b.habenKonto = 1200;
        b.sollKonto = 1000;
        b.datum = datum;
        return b;
    }

    int Write() {
        int count = datev.WriteKneBookings(folder, &list, frontEnd, messages);
        if (datev.dataFileWritten) datev.WriteKneControl(folder, messages);
        return count;
    }
    std::string Data() { return CTempDir::Read(temp.File(datev.IsExtendedFormat() ? "ED00001" : "DE001")); }
    std::string Control() { return CTempDir::Read(temp.File(datev.IsExtendedFormat() ? "EV01" : "DV01")); }

    CTempDir temp;
    std::string folder = temp.path.string();
    CRecordingFrontEnd frontEnd;
    CDatev datev{frontEnd};
    CBuchungenCtrl list;
    std::string messages;
};

} // namespace

TEST_F(KneBookingsWriter, ExtendedFormatMatchesTheGoldenFiles) {
    AddSampleBookings();
    EXPECT_EQ(Write(), 3);
    std::string data = Data();
    ASSERT_EQ(data, Golden("bookings_ed/ED00001"));
    EXPECT_EQ(Control(), Golden("bookings_ed/EV01"));
    EXPECT_EQ(messages, "");
    EXPECT_TRUE(frontEnd.boxes.empty());

    // Header: marks, Datenträger 007, application 11, short sign, consultant, client, accounting
    // number 0012, year 23, dates as TTMMJJ, Primanota page, password, blanks, "y".
    EXPECT_EQ(data.substr(0, 80), "\x1D\x18"
                                  "100711MM1234567123450012230102230503230"
                                  "01pw12" +
                                      std::string(32, ' ') + "y");
    EXPECT_EQ(data.substr(80, 13), "\xB5"
                                   "1,4,4,----\x1Cy");
    EXPECT_EQ(data.substr(93, 127), "+123456l9a8400\xBDRE-2023/17\x1C\xBE"
                                    "B2\x1C"
                                    "d503e10000\xBBKST1\x1C\xBCKST2\x1C"
                                    "h1234\x1EM\x81ller S\x84ge\x1C\xBA"
                                    "DE123456789\x1Cj1900\xB3USD\x1Cn1083200y"
                                    "-1013a1200d102e4940\xB3"
                                    "EUR\x1Cy");
    // The record without year (01.03. of 2023) would end at byte 248: it opens block 2.
    EXPECT_EQ(data.substr(220, 36), Nul(36));
    EXPECT_EQ(data.substr(256, 38), "+0a1000d103e1200\x1EKasse\x1C\xB3"
                                    "DEM\x1Cyx122443yz");
    EXPECT_EQ(data.substr(294), Nul(218));
    EXPECT_EQ(datev.blockCount, 2);

    std::string control = Control();
    ASSERT_EQ(control.size(), 256u);
    EXPECT_EQ(control.substr(0, 33), "007   1234567Beraterin 0000100001");
    EXPECT_EQ(control.substr(33, 95), std::string(95, ' '));
    EXPECT_EQ(control.substr(128, 71),
              "V0000111MM1234567123450012230000010223050323001pw1200002001 11,4,4,----");
    EXPECT_EQ(control.substr(199), std::string(57, ' '));
}

TEST_F(KneBookingsWriter, OldFormatMatchesTheGoldenFilesWithBinaryControlFields) {
    datev.kontonummernErweiterung = 0;
    AddSampleBookings(false);
    EXPECT_EQ(Write(), 3);
    std::string data = Data();
    ASSERT_EQ(data, Golden("bookings_de/DE001"));
    EXPECT_EQ(Control(), Golden("bookings_de/DV01"));

    EXPECT_EQ(data.substr(0, 8), "\x1D\x18"
                                 "17  11");
    // Posting key 9 joins the contra account 08400; only digits in document fields and cost centres.
    EXPECT_EQ(data.substr(80, 133),
              "+123456a908400b202317c2d503e10000f1g2h1234\x1EM\x81ller S\x84ge\x1C\xBA"
              "DE123456789\x1Cj1900o1y-1013a1200d102e4940o1y+0a1000d103e1200\x1EKasse\x1C"
              "o2yx122443yz");
    EXPECT_EQ(datev.lastByteOffset, 212);
    EXPECT_EQ(messages,
              Ansi("HINWEIS: Zeile 1, Feld 'Buchungsnummer' darf nur Zahlen enthalten. 'RE-2023/17' wurde "
                   "auf '202317' geändert\r\n"
                   "HINWEIS: Zeile 1, Feld 'Belegnummer 2' darf nur Zahlen enthalten. 'B2' wurde auf '2' "
                   "geändert\r\n"
                   "HINWEIS: Zeile 1, Feld 'Kostenstelle 1' darf nur Zahlen enthalten. 'KST1' wurde auf "
                   "'1' geändert\r\n"
                   "HINWEIS: Zeile 1, Feld 'Kostenstelle 2' darf nur Zahlen enthalten. 'KST2' wurde auf "
                   "'2' geändert\r\n"));

    std::string control = Control();
    ASSERT_EQ(control.size(), 128u);
    EXPECT_EQ(control.substr(0, 64),
              std::string("7     1234567Beraterin \x01\x00\x01\x00", 27) + std::string(37, ' '));
    EXPECT_EQ(control.substr(64, 48), std::string("V\x01\x00"
                                                  "11MM1234567123450012230000010223050323001pw12",
                                                  48));
    EXPECT_EQ(control.substr(112, 6), std::string("\x01\x00\xD4\x00\x01\x00", 6)); // 1 block, "z" at 212
    EXPECT_EQ(control.substr(118), std::string(9, ' ') + "1");
}

TEST_F(KneBookingsWriter, EmptyListGivesOneBlockWithTheTotalRecord) {
    EXPECT_EQ(Write(), 0);
    EXPECT_TRUE(datev.dataFileWritten);
    std::string data = Data();
    ASSERT_EQ(data.size(), 256u);
    EXPECT_EQ(data.substr(93, 3), "xyz");
    EXPECT_EQ(data.substr(96), Nul(160));

    datev.kontonummernErweiterung = 0;
    EXPECT_EQ(Write(), 0);
    data = Data();
    EXPECT_EQ(data.substr(79, 4), "yxyz");
    EXPECT_EQ(data.substr(83), Nul(173));
    EXPECT_EQ(datev.lastByteOffset, 82);
}

TEST_F(KneBookingsWriter, HeaderFieldsThatAreMissingOrTooLongStayBlankWithAnError) {
    datev.beraterNummer = 0;
    datev.abrechnungsNummer = 202301;
    datev.datentraegerNummer = 2345;
    Write();
    std::string data = Data();
    EXPECT_EQ(data.substr(3, 3), "   ");
    EXPECT_EQ(data.substr(10, 7), "       ");
    EXPECT_EQ(data.substr(22, 4), "    ");
    EXPECT_NE(messages.find(Ansi("FEHLER: Feld 'Beraternummer' muss ausgefüllt sein !\r\n")),
              std::string::npos);
    EXPECT_NE(messages.find(Ansi("\r\nFEHLER: Der Wert des Feldes 'Abrechnungsnummer' überschreitet max. "
                                 "Stellenanzahl (4)!")),
              std::string::npos);
    EXPECT_NE(messages.find(Ansi("'Datenträger-Nummer' überschreitet max. Stellenanzahl (3)!")),
              std::string::npos);

    // The old format writes the plain number, cut to three characters.
    datev.kontonummernErweiterung = 0;
    Write();
    EXPECT_EQ(Data().substr(3, 3), "234");
}

TEST_F(KneBookingsWriter, RecordEndingAtByte237StartsANewBlock) {
    datev.laengeBuchungstext = 60;
    CBuchungenData first = Simple(1.0, "01.02.2023");
    first.buchungstext = std::string(60, 'a'); // 86 bytes: ends at 179
    list.Add(first);
    CBuchungenData second = Simple(1.0, "01.02.2023");
    second.buchungstext = std::string(31, 'b'); // 57 bytes: ends at 236, fits
    list.Add(second);
    Write();
    EXPECT_EQ(Data().substr(235, 2), "yx");

    list.RemoveAll();
    list.Add(first);
    second.buchungstext = std::string(32, 'b'); // 58 bytes: would end at 237
    list.Add(second);
    Write();
    std::string data = Data();
    EXPECT_EQ(data.substr(178, 78), "y" + Nul(77));
    EXPECT_EQ(data.substr(256, 4), "+100");
}

TEST_F(KneBookingsWriter, ValuesAreCheckedAndShortenedWithNotices) {
    CBuchungenData b = Simple(0.0, "01.02.2023");
    b.buchungstext = std::string(40, 'x');
    b.waehrung = "\x80";
    list.Add(b);
    Write();
    EXPECT_NE(Data().find("\x1E" + std::string(30, 'x') +
                          "\x1C\xB3"
                          "EUR\x1C"),
              std::string::npos);
    EXPECT_EQ(messages, "HINWEIS: Zeile 1, Feld 'Buchungstext' darf maximal 30 Zeichen haben. '" +
                            std::string(40, 'x') + "' wurde auf '" + std::string(30, 'x') +
                            Ansi("' gekürzt\r\n"));
}

TEST_F(KneBookingsWriter, DateRangeAppliesTheFiscalYearToDatesWithoutYear) {
    datev.datumBis = "31.05.2023";
    list.Add(Simple(1.0, "15.05."));     // 15.05.2023: inside
    list.Add(Simple(2.0, "01.06.2023")); // after Datum bis: skipped silently
    list.Add(Simple(4.0, "31.01.2023")); // before Datum von: skipped silently
    EXPECT_EQ(Write(), 1);
    EXPECT_NE(Data().find("+100a1200d1505e1000\xB3"
                          "EUR\x1Cyx100yz"),
              std::string::npos);
    EXPECT_EQ(messages, "");
}

// Read back, every booking would carry the year of Datum von.
TEST_F(KneBookingsWriter, BookingsOfTwoYearsStopTheExportAndKeepThePreviousFiles) {
    CTempDir::Write(temp.File("ED00001"), "vorher");
    datev.datumVon = "01.12.2022";
    datev.datumBis = "31.01.2023";
    list.Add(Simple(1.0, "01.12.2022"));
    list.Add(Simple(1.0, "31.01.2023"));
    EXPECT_EQ(Write(), 0);
    EXPECT_FALSE(datev.dataFileWritten);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].text,
              Ansi("(E:307)\nEs dürfen nur Buchungen innerhalb eines Jahres exportiert "
                   "werden!\nBuchungen sind von: 01.12.2022 bis: 31.01.2023"));
    EXPECT_EQ(Data(), "vorher");
    EXPECT_FALSE(std::filesystem::exists(temp.File("EV01")));
}

TEST_F(KneBookingsWriter, AmountsThatCannotBeWrittenSkipTheBookingWithAnError) {
    list.Add(Simple(1e300, "01.02.2023"));
    list.Add(Simple(NAN, "01.02.2023"));
    CBuchungenData b = Simple(5.0, "01.02.2023");
    b.waehrungskurs = 1e10; // beyond 32 bits once scaled
    list.Add(b);
    list.Add(Simple(-0.5, "01.02.2023"));
    EXPECT_EQ(Write(), 1);
    EXPECT_EQ(Data().substr(93, 28), "-50a1200d102e1000\xB3"
                                     "EUR\x1Cyw50yz");
    EXPECT_EQ(messages,
              Ansi("FEHLER: Zeile 1, Feld 'Betrag': Der Wert ist zu gross für die DATEV-Datei; die Buchung "
                   "wurde nicht exportiert.\r\n"
                   "FEHLER: Zeile 2, Feld 'Betrag': Der Wert ist zu gross für die DATEV-Datei; die Buchung "
                   "wurde nicht exportiert.\r\n"
                   "FEHLER: Zeile 3, Feld 'Waehrungskurs': Der Wert ist zu gross für die DATEV-Datei; die "
                   "Buchung wurde nicht exportiert.\r\n"));
}

TEST_F(KneBookingsWriter, MissingFolderFailsWithoutWritingAnything) {
    folder = temp.File("fehlt");
    AddSampleBookings();
    EXPECT_EQ(datev.WriteKneBookings(folder, &list, frontEnd, messages), 0);
    EXPECT_FALSE(datev.dataFileWritten);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].text, "(E:305)\n" + folder + Ansi("/ED00001 konnte nicht geöffnet werden!"));
    EXPECT_FALSE(datev.WriteKneControl(folder, messages));
    EXPECT_EQ(frontEnd.boxes[1].text, "(E:308)\n" + folder + Ansi("/EV01 konnte nicht geöffnet werden!"));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_F(KneBookingsWriter, AFailedExportKeepsThePreviousFile) {
    CTempDir::Write(temp.File("ED00001"), "vorher");
    EXPECT_EQ(datev.WriteKneBookings(folder, nullptr, frontEnd, messages), 0);
    EXPECT_EQ(frontEnd.boxes.at(0).text, Ansi("(E:306)\nKeine Buchungssätze vorhanden!"));
    EXPECT_EQ(CTempDir::Read(temp.File("ED00001")), "vorher");
    EXPECT_FALSE(std::filesystem::exists(temp.File("ED00001.pelko-part")));
}

TEST_F(KneBookingsWriter, OldControlFileRefusesMoreBlocksThanSixteenBitsCount) {
    datev.kontonummernErweiterung = 0;
    CTempDir::Write(temp.File("DE001"), "vorher");
    list.Add(Simple(1.0, "01.02.2023"));
    ASSERT_EQ(datev.WriteKneBookings(folder, &list, frontEnd, messages), 1);
    datev.blockCount = 65536;
    EXPECT_FALSE(datev.WriteKneControl(folder, messages));
    EXPECT_EQ(frontEnd.boxes.back().text,
              "(E:308)\n" + folder +
                  Ansi("/DE001 hat 65536 Blöcke; das alte DATEV-Format erlaubt höchstens 65535. "
                       "Die Dateien wurden nicht geschrieben."));
    EXPECT_EQ(CTempDir::Read(temp.File("DE001")), "vorher");
    EXPECT_FALSE(std::filesystem::exists(temp.File("DV01")));
    EXPECT_FALSE(std::filesystem::exists(temp.File("DE001.pelko-part")));
}

TEST_F(KneBookingsWriter, ProgressCoversTheListPositions) {
    list.Add(Simple(1.0, "01.02.2023"));
    list.Add(CBuchungenData());
    list.Add(Simple(1.0, "01.02.2023"));
    Write();
    EXPECT_EQ(frontEnd.rangeLow, 0);
    EXPECT_EQ(frontEnd.rangeHigh, 2);
    EXPECT_EQ(frontEnd.positions, (std::vector<int>{0, 0, 2}));
}

TEST_F(KneBookingsWriter, OldFormatTakesAnAbsentPostingKeyAsNone) {
    datev.kontonummernErweiterung = 0;
    CBuchungenData b = Simple(1.0, "01.02.2023");
    b.datevSchluessel = -1; // as the KNE reader leaves it when the file has none
    list.Add(b);
    b.datevSchluessel = 0;
    b.habenKonto = 0;
    list.Add(b);
    Write();
    EXPECT_EQ(Data().substr(80, 38), "+100a1200d102e1000o1y+100ad102e1000o1y");
}

// Amounts, Skonto, EU rate and exchange rate round half away from zero, as FormatAmount and
// FormatDecimal do for the CSV and DATEVpro files.
TEST_F(KneBookingsWriter, ValuesRoundLikeTheOtherFormats) {
    const struct {
        double betrag, skonto, euSteuersatz, kurs;
        const char* csvAmount; // what the CSV and DATEVpro writers show
        const char* record;
    } cases[] = {
        {10.125, 564.92, 0.29, 0.29, "10,13",
         "+1013a1200d102e1000h56492j29\xB3"
         "EUR\x1Cn290000y"},
        {-2.675, 0.285, 7.005, 1.0000005, "-2,68",
         "-268a1200d102e1000h29j701\xB3"
         "EUR\x1Cn1000001y"},
        {0.285, 0.005, 0, 0, "0,29",
         "+29a1200d102e1000h1\xB3"
         "EUR\x1Cy"},
    };
    for (const auto& c : cases) {
        list.RemoveAll();
        CBuchungenData b = Simple(c.betrag, "01.02.2023");
        b.skonto = c.skonto;
        b.euSteuersatz = c.euSteuersatz;
        b.waehrungskurs = c.kurs;
        list.Add(b);
        Write();
        EXPECT_EQ(Data().substr(93, std::string(c.record).size()), c.record) << c.betrag;
        EXPECT_EQ(CTool::FormatAmount(c.betrag), c.csvAmount);
    }
}

// The old format holds accounts of five digits and the currencies euro and mark only; the
// new format carries them all.
TEST_F(KneBookingsWriter, ValuesTheOldFormatCannotHoldAreErrors) {
    datev.kontonummernErweiterung = 0;
    CBuchungenData b = Simple(1.0, "01.02.2023");
    b.habenKonto = 98162488;
    list.Add(b);
    b = Simple(2.0, "01.02.2023");
    b.sollKonto = 100000;
    list.Add(b);
    b = Simple(4.0, "01.02.2023");
    b.waehrung = "USD";
    b.waehrungskurs = 1.0832;
    list.Add(b);
    b = Simple(8.0, "01.02.2023");
    b.waehrung = "dkk";
    list.Add(b);
    b = Simple(16.0, "01.02.2023");
    b.waehrung = "DM";
    b.datevSchluessel = 9;
    b.habenKonto = 99999;
    b.waehrungskurs = 1.95583;
    list.Add(b);
    EXPECT_EQ(Write(), 1);
    EXPECT_EQ(Data().substr(80, 32), "+1600a999999d102e1000o2yx1600yz" + Nul(1));
    EXPECT_EQ(
        messages,
        Ansi("FEHLER: Zeile 1, Feld 'Haben-Konto': Das alte DATEV-Format (DE001) kann das Konto '98162488' "
             "nicht aufnehmen; die Buchung wurde nicht exportiert.\r\n"
             "FEHLER: Zeile 2, Feld 'Soll-Konto': Das alte DATEV-Format (DE001) kann das Konto '100000' "
             "nicht aufnehmen; die Buchung wurde nicht exportiert.\r\n"
             "FEHLER: Zeile 3, Feld 'Währung': Das alte DATEV-Format (DE001) kann die Währung 'USD' nicht "
             "aufnehmen; die Buchung wurde nicht exportiert.\r\n"
             "FEHLER: Zeile 4, Feld 'Währung': Das alte DATEV-Format (DE001) kann die Währung 'dkk' nicht "
             "aufnehmen; die Buchung wurde nicht exportiert.\r\n"
             "FEHLER: Zeile 5, Feld 'Waehrungskurs': Das alte DATEV-Format (DE001) hat kein Feld für den "
             "Kurs 1,955830; er wurde nicht exportiert.\r\n"));

    messages.clear();
    datev.kontonummernErweiterung = 1;
    EXPECT_EQ(Write(), 5);
    EXPECT_NE(Data().find("+100a98162488d102e1000\xB3"
                          "EUR\x1Cy"),
              std::string::npos);
    EXPECT_EQ(messages, "");
}

// Control bytes would end or start fields; characters outside the OEM table cannot be written.
TEST_F(KneBookingsWriter, TextsKeepToTheCharacterTableWithOneNoticePerRecord) {
    CBuchungenData b = Simple(1.0, "01.02.2023");
    b.buchungstext = Ansi("Ski\x1C\x1Eurlaub Š€ „ok“");
    b.buchungsnummer = "R\x1C"
                       "1";
    b.ustId = "DE\x01"
              "1";
    list.Add(b);
    b = Simple(2.0, "01.02.2023");
    b.buchungstext = Ansi("Grüße §");
    list.Add(b);
    EXPECT_EQ(Write(), 2);
    std::string data = Data();
    EXPECT_NE(data.find("\xBDR 1\x1C"), std::string::npos);
    EXPECT_NE(data.find("\x1ESki  urlaub ?\xFE ?ok?\x1C\xBA"
                        "DE 1\x1C"),
              std::string::npos);
    EXPECT_NE(data.find("\x1EGr\x81\xE1"
                        "e \x15\x1C"),
              std::string::npos);
    EXPECT_EQ(messages,
              Ansi("HINWEIS: Zeile 1: Zeichen, die eine DATEV-Datei nicht aufnehmen kann, wurden ersetzt: "
                   "Feld 'Buchungsnummer' 0x1C durch Leerzeichen; Feld 'Buchungstext' 'Š„“' durch '?', "
                   "0x1C 0x1E durch Leerzeichen; Feld 'Ust-ID' 0x01 durch Leerzeichen\r\n"));

    // Read back, the texts are what was written.
    CBuchungenCtrl read;
    CDatev reader(frontEnd);
    messages.clear();
    ASSERT_TRUE(reader.ReadKneBookings(temp.File("ED00001"), read, frontEnd, messages));
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_EQ(read.GetAt(0)->buchungstext, Ansi("Ski  urlaub ?€ ?ok?"));
    EXPECT_EQ(read.GetAt(1)->buchungstext, Ansi("Grüße §"));
    EXPECT_EQ(messages, "");
}

// The limits of the amount (10^18 cents) and of a rate scaled to 32 bits are themselves written.
TEST_F(KneBookingsWriter, ScaledValuesAtTheirLimitsAreWrittenAndOneStepBeyondAreNot) {
    const struct {
        double betrag;
        double kurs;
        bool written;
    } cases[] = {{1e16, 0, true},        {-1e16, 0, true},        {1.0000000000000002e16, 0, false},
                 {5, 2147.483647, true}, {5, 2147.483648, false}, {5, -2147.483647, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.betrag + c.kurs);
        list.RemoveAll();
        messages.clear();
        CBuchungenData b = Simple(c.betrag, "01.02.2023");
        b.waehrungskurs = c.kurs;
        list.Add(b);
        EXPECT_EQ(Write(), c.written ? 1 : 0);
        EXPECT_EQ(messages.empty(), c.written) << messages;
    }
}
