#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CRunDispatch.h"
#include "datev/CDatev.h"
#include "datev/KneRecordText.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <tuple>

namespace {

std::string Sample(const std::string& name) {
    return std::string(PELKO_TEST_DATA) + "/kne/samples/" + name;
}

// Fills the records into 256-byte blocks as a writer does: NUL bytes up to the block border.
std::string Blocks(const std::string& records) {
    return records + std::string((256 - records.size() % 256) % 256, '\0');
}

// Consultant 1234567, client 54321, year 23, 01.01.2023 to 31.12.2023, account length 6.
std::string BookingsHeader(bool extended) {
    std::string header = std::string("\x1D\x18") + "1007" + "11" + "AB" + "1234567" + "54321" + "0012" +
                         "23" + "010123" + "311223" + "001" + "pw  " + std::string(32, ' ') + "y";
    return extended ? header + "\xB5"
                               "1,6,6,----\x1Cy"
                    : header;
}

std::string MasterHeader() {
    return std::string("\x1D\x18") + "1007" + "13" + "AB" + "1234567" + "54321" + "001223" + "pw  " +
           std::string(32, ' ') + "y" +
           "\xB6"
           "1,5,5,----\x1Cy";
}

std::string Field(const std::string& tag, const std::string& value) {
    return "t" + tag + "\x1E" + value + "\x1Cy";
}

class KneReader : public ::testing::Test {
protected:
    // The parameters object is made per read: it opens the mapping file when constructed.
    CBuchungenCtrl ReadBookings(const std::string& path) {
        CDatev datev(frontEnd);
        CBuchungenCtrl list;
        EXPECT_TRUE(datev.ReadKneBookings(path, list, frontEnd, messages)) << path;
        return list;
    }
    CStammCtrl ReadMaster(const std::string& path) {
        CDatev datev(frontEnd);
        CStammCtrl list;
        EXPECT_TRUE(datev.ReadKneMaster(path, list, frontEnd, messages)) << path;
        return list;
    }
    // total: the total record, "x" or "w" and the sum in cents.
    CBuchungenCtrl Bookings(const std::string& records, bool extended = true,
                            const std::string& total = "x") {
        std::string path = temp.File(extended ? "ED00001" : "DE001");
        CTempDir::Write(path, Blocks(BookingsHeader(extended) + records + total + "yz"));
        return ReadBookings(path);
    }
    CStammCtrl Master(const std::string& fields) {
        CTempDir::Write(temp.File("ED00001"), Blocks(MasterHeader() + fields + "z"));
        return ReadMaster(temp.File("ED00001"));
    }

    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    std::string messages;
};

} // namespace

TEST_F(KneReader, BookingSamplesOfFourProducers) {
    CDatev datev(frontEnd);
    CBuchungenCtrl list;
    ASSERT_TRUE(datev.ReadKneBookings(Sample("lxoffice_transactions/ED00001"), list, frontEnd, messages));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(RecordText(*list.GetAt(0)), "1250.00 l-1 a1400 e1000 d13.06.2008 b1010 c15-01-20070 k/ h0.00 "
                                          "tWasserspiel GmbH u j0.00 wEUR n0.000000");
    EXPECT_EQ(std::tie(datev.beraterNummer, datev.mandantenNummer, datev.datentraegerNummer,
                       datev.abrechnungsNummer, datev.kontonummernErweiterung, datev.kontonummernLaenge),
              std::make_tuple(471156, 42212, 1, 11, 1, 4));
    EXPECT_EQ(datev.dfvKennzeichen + "|" + datev.passwort + "|" + datev.datumVon + "|" + datev.datumBis +
                  "|" + datev.wirtschaftsjahrBeginn + "|" + datev.buchungsjahr,
              "00|0000|01.05.2008|15.06.2008|01.01.2008|08");
    EXPECT_EQ(frontEnd.rangeHigh, 167);
    EXPECT_EQ(frontEnd.positions.back(), 167);
    // The header values are kept for the next export.
    EXPECT_NE(CTempDir::Read(temp.DataFile("angaben_datev.txt")).find("471156\t\t(Beraternummer"),
              std::string::npos);

    list = ReadBookings(Sample("mms_bilanz_transactions_and_addresses/ED00001"));
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(RecordText(*list.GetAt(0)),
              "50.00 l-1 a30 e1000 d01.01.2008 b c k/ h0.00 tBarverkauf u j0.00 wEUR n0.000000");
    EXPECT_EQ(RecordText(*list.GetAt(2)),
              "800.00 l-1 a10000 e1460 d10.01.2008 b c300408 k/ h80.00 tSchmuggel "
              "uDE237335818 j0.00 wEUR n0.000000");

    list = ReadBookings(Sample("monkey_kassenbuch_transactions/ED00001"));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(RecordText(*list.GetAt(0)),
              "15000.00 l9 a1000 e3100 d28.06.2008 b1 c k/ h0.00 tbribes u j0.00 wEUR n0.000000");

    list = ReadBookings(Sample("tz_easybuch/ED00001"));
    ASSERT_EQ(list.GetCount(), 97);
    int withKey = 0;
    for (int i = 0; i < list.GetCount(); ++i) {
        withKey += list.GetAt(i)->datevSchluessel > 0;
        EXPECT_LE(list.GetAt(i)->buchungstext.size(), 30u);
        EXPECT_EQ(list.GetAt(i)->datum.substr(6), "2008");
    }
    EXPECT_EQ(withKey, 36);
    EXPECT_EQ(RecordText(*list.GetAt(0)),
              "23.73 l-1 a1545 e1200 d01.01.2008 bBank1 c k/ h0.00 tRest Umsatzsteuer "
              "2007 (wird s u j0.00 wEUR n0.000000");
    EXPECT_EQ(messages, "");
}

TEST_F(KneReader, KassenbuchSampleWithNegativeAmountsAndOemText) {
    CBuchungenCtrl list = ReadBookings(Sample("mms_kassenbuch_transactions/ED00001"));
    ASSERT_EQ(list.GetCount(), 14);
    long long cents = 0;
    int negative = 0;
    for (int i = 0; i < list.GetCount(); ++i) {
        cents += std::llround(list.GetAt(i)->betrag * 100);
        negative += list.GetAt(i)->betrag < 0;
    }
    EXPECT_EQ(cents, -386300); // the total record "w386300"
    EXPECT_EQ(negative, 10);
    EXPECT_EQ(RecordText(*list.GetAt(0)),
              Ansi("1190.00 l-1 a8400 e1200 d01.01.2007 b1 c k/ h0.00 tErlöse u j0.00 wEUR n0.000000"));
    EXPECT_EQ(RecordText(*list.GetAt(6)),
              "-59.50 l9 a4530 e1200 d01.01.2007 b7 c k/ h0.00 tBenzin 19 % VSt u j0.00 wEUR n0.000000");
    EXPECT_EQ(messages, "");
}

TEST_F(KneReader, MasterRecordSample) {
    CStammCtrl list = ReadMaster(Sample("mms_bilanz_addresses/ED00001"));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(RecordText(*list.GetAt(0)), "10000|Evil||aka Big Boss|Wall Street 123|4711|New York|Berliner "
                                          "Sparkasse|123456789|50050201|DE123456789" +
                                              std::string(13, '|'));
}

// Labels of ledger accounts (below 10000) stand in files without master records.
TEST_F(KneReader, AccountLabelSamplesOfThreeProducers) {
    CStammCtrl mms = ReadMaster(Sample("mms_bilanz_transactions_and_addresses/ED00002"));
    ASSERT_EQ(mms.GetCount(), 8);
    EXPECT_EQ(RecordText(*mms.GetAt(0)), "30|Lizenzen" + std::string(22, '|'));
    EXPECT_EQ(mms.GetAt(6)->name1, Ansi("Gewährte Skonti 19%"));
    EXPECT_EQ(mms.GetAt(7)->datevKonto, 10000);

    CStammCtrl kassenbuch = ReadMaster(Sample("mms_kassenbuch_account_labels/ED00001"));
    ASSERT_EQ(kassenbuch.GetCount(), 19);
    EXPECT_EQ(kassenbuch.GetAt(13)->datevKonto, 4120);
    EXPECT_EQ(kassenbuch.GetAt(13)->name1, Ansi("Gehälter"));

    CStammCtrl monkey = ReadMaster(Sample("monkey_kassenbuch_account_labels/ED00001"));
    ASSERT_EQ(monkey.GetCount(), 286);
    EXPECT_EQ(monkey.GetAt(1)->name1, Ansi("Unbebaute Grundstücke"));
    EXPECT_EQ(monkey.GetAt(6)->name1, "Betriebsvorrichtungen"); // crosses a block border
    EXPECT_EQ(monkey.GetAt(27)->name1, Ansi("Verrechnungskonto Gewinnermittlung § 4/3"));
    EXPECT_EQ(monkey.GetAt(285)->datevKonto, 9090);
    for (int i = 0; i < monkey.GetCount(); ++i)
        EXPECT_LE(monkey.GetAt(i)->name1.size(), 40u);
    EXPECT_EQ(messages, "");
}

TEST_F(KneReader, DetectsTheDataTypeFromTheApplicationNumber) {
    EXPECT_EQ(CDatev::DetectKneFileKind(Sample("tz_easybuch/ED00001")), 1);
    EXPECT_EQ(CDatev::DetectKneFileKind(Sample("monkey_kassenbuch_account_labels/ED00001")), 2);
    EXPECT_EQ(CDatev::DetectKneFileKind(temp.File("missing")), -1);
    CTempDir::Write(temp.File("short"), "\x1D\x18"
                                        "1007");
    EXPECT_EQ(CDatev::DetectKneFileKind(temp.File("short")), 0);
    CTempDir::Write(temp.File("other"), std::string("\x1D\x18") + "100712");
    EXPECT_EQ(CDatev::DetectKneFileKind(temp.File("other")), 0);
}

TEST_F(KneReader, OmittedTagsAndCarryOver) {
    CBuchungenCtrl list = Bookings("+5000a8400d3112e1200\xBD"
                                   "R-17\x1Cy"
                                   "-2500a4400\x1E"
                                   "ohne Datum\x1Cy"
                                   "+100a1000d101y");
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(RecordText(*list.GetAt(0)),
              "50.00 l-1 a8400 e1200 d31.12.2023 bR-17 c k/ h0.00 t u j0.00 w n0.000000");
    // No date, no debit account and no document number: all three repeat.
    EXPECT_EQ(RecordText(*list.GetAt(1)),
              "-25.00 l-1 a4400 e1200 d31.12.2023 bR-17 c k/ h0.00 tohne Datum u j0.00 w n0.000000");
    // With a date the document number does not repeat, the debit account does.
    EXPECT_EQ(RecordText(*list.GetAt(2)),
              "1.00 l-1 a1000 e1200 d01.01.2023 b c k/ h0.00 t u j0.00 w n0.000000");
}

TEST_F(KneReader, EveryFieldOfTheExtendedFormatInAnyOrder) {
    CBuchungenCtrl list = Bookings("-12345l9a8400\xBD"
                                   "B1\x1C\xBE"
                                   "B2\x1C"
                                   "d0503e1200t1300\xBB"
                                   "K1\x1C\xBC"
                                   "K2\x1Ck7h250\x1E"
                                   "Gr\x81\xE1"
                                   "e\x1C\xBA"
                                   "DE123\x1Cj1900\xB4"
                                   "x\x1C\xB3"
                                   "usd\x1Cm5\xB4"
                                   "y\x1Cn1234567y"
                                   "+5000e1200\x1E"
                                   "Text\x1C"
                                   "d3112a8400y");
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(
        RecordText(*list.GetAt(0)),
        Ansi("-123.45 l9 a8400 e1300 d05.03.2023 bB1 cB2 kK1/K2 h2.50 tGrüße uDE123 j19.00 wusd n1.234567"));
    EXPECT_EQ(RecordText(*list.GetAt(1)),
              "50.00 l-1 a8400 e1200 d31.12.2023 b c k/ h0.00 tText u j0.00 w n0.000000");
}

TEST_F(KneReader, RecordsThatAreNoBookings) {
    CBuchungenCtrl list = Bookings("+100a1000d101e1200y"
                                   "+200a2000\xB7"
                                   "Summe y\x1Cy"
                                   "v12y"
                                   "w300y"
                                   "+300a3000y");
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(RecordText(*list.GetAt(1)),
              "3.00 l-1 a3000 e1200 d01.01.2023 b c k/ h0.00 t u j0.00 w n0.000000");
}

TEST_F(KneReader, OldFormatBookings) {
    CBuchungenCtrl list = Bookings("+54321a901200b00123c45d3112e1000f0007g8h150\x1E"
                                   "Text\x1C\xBA"
                                   "DE9\x1Cj700o2y"
                                   "-100a1200o1y"
                                   "+1a1200o3y",
                                   false);
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(RecordText(*list.GetAt(0)),
              "543.21 l9 a1200 e1000 d31.12.2023 b123 c45 k7/8 h1.50 tText uDE9 j7.00 wDEM n0.000000");
    EXPECT_EQ(RecordText(*list.GetAt(1)),
              "-1.00 l-1 a1200 e1000 d31.12.2023 b123 c k/ h0.00 t u j0.00 wEUR n0.000000");
    EXPECT_EQ(list.GetAt(2)->waehrung, "");
}

TEST_F(KneReader, FileNameDecidesTheFormat) {
    std::string old = temp.File("de001.dat");
    CTempDir::Write(old, Blocks(BookingsHeader(false) + "+100a1200d101e1000yxyz"));
    CDatev datev(frontEnd);
    CBuchungenCtrl list;
    ASSERT_TRUE(datev.ReadKneBookings(old, list, frontEnd, messages));
    EXPECT_EQ(datev.kontonummernErweiterung, 0);
    EXPECT_EQ(datev.kontonummernLaenge, 4);
    EXPECT_EQ(list.GetCount(), 1);

    std::string foreign = temp.File("XDE001");
    CTempDir::Write(foreign, Blocks(BookingsHeader(false) + "xyz"));
    EXPECT_FALSE(datev.ReadKneBookings(foreign, list, frontEnd, messages));
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].text, "(E:319)\nEingabedatei ist keine Datev-Datei im KNE oder OBE-Format.");
    EXPECT_EQ(list.GetCount(), 1);
}

TEST_F(KneReader, NormalizesCompactDates) {
    CDatev datev(frontEnd);
    datev.buchungsjahr = "23";
    EXPECT_EQ(datev.NormalizeKneDate("010123"), "01.01.2023");
    EXPECT_EQ(datev.NormalizeKneDate("010171"), "01.01.1971");
    EXPECT_EQ(datev.NormalizeKneDate("10170"), "01.01.2070");
    EXPECT_EQ(datev.NormalizeKneDate("3112"), "31.12.2023");
    EXPECT_EQ(datev.NormalizeKneDate("101"), "01.01.2023");
    EXPECT_EQ(datev.NormalizeKneDate("12"), "12");
    EXPECT_EQ(datev.NormalizeKneDate("1234567"), "1234567");
}

TEST_F(KneReader, OpenAndMarkFailuresLeaveTheListAndTheParametersAlone) {
    CDatev datev(frontEnd);
    CBuchungenCtrl bookings;
    CStammCtrl master;
    EXPECT_FALSE(datev.ReadKneBookings(temp.File("ED_missing"), bookings, frontEnd, messages));
    EXPECT_FALSE(datev.ReadKneMaster(temp.File("ED_missing"), master, frontEnd, messages));
    CTempDir::Write(temp.File("ED_empty"), "");
    EXPECT_FALSE(datev.ReadKneBookings(temp.File("ED_empty"), bookings, frontEnd, messages));
    CTempDir::Write(temp.File("ED_text"), "Buchungen;Betrag\r\n1;2\r\n");
    EXPECT_FALSE(datev.ReadKneMaster(temp.File("ED_text"), master, frontEnd, messages));
    CTempDir::Write(temp.File("ED_cut"), BookingsHeader(true).substr(0, 40));
    EXPECT_FALSE(datev.ReadKneBookings(temp.File("ED_cut"), bookings, frontEnd, messages));
    std::filesystem::create_directories(temp.File("ED_folder"));
    EXPECT_FALSE(datev.ReadKneBookings(temp.File("ED_folder"), bookings, frontEnd, messages));
    ASSERT_EQ(frontEnd.boxes.size(), 6u);
    EXPECT_EQ(frontEnd.boxes[0].text,
              "(E:314)\n" + temp.File("ED_missing") + Ansi(" - Eingabedatei konnte nicht geöffnet werden!"));
    EXPECT_EQ(frontEnd.boxes[1].text.substr(0, 8), "(E:321)\n");
    EXPECT_EQ(frontEnd.boxes[2].text,
              Ansi("(E:317)\nEingabedatei hat keine gültige Kennung einer Datev-Datei."));
    EXPECT_EQ(frontEnd.boxes[3].text,
              Ansi("(E:324)\nEingabedatei hat keine gültige Kennung einer Datev-Datei."));
    EXPECT_EQ(frontEnd.boxes[4].text, Ansi("(E:317)\nDer Kopfsatz der Eingabedatei ist unvollständig."));
    EXPECT_EQ(frontEnd.boxes[5].text,
              "(E:314)\n" + temp.File("ED_folder") + " - Eingabedatei konnte nicht gelesen werden!");
    EXPECT_EQ(bookings.GetCount(), 0);
    EXPECT_EQ(master.GetCount(), 0);
    EXPECT_FALSE(CPlatform::FileExists(temp.DataFile("angaben_datev.txt")));
}

// NUL bytes are fill at the end of a block only; the data part ends with the block of the end
// mark, and what follows it is not read on for ever.
TEST_F(KneReader, DataPartEndsWithTheEndMark) {
    const std::string first = BookingsHeader(true) + "+100a1d101e2y";
    const std::string text(137, 't'); // puts the "z" on the last byte of the block
    const struct {
        const char* name;
        std::string file;
        int count;
        std::string messages;
    } cases[] = {
        {"data after the end mark", Blocks(first + "x100yz") + Blocks("+999a1y"), 1,
         Ansi("FEHLER: Nach dem Ende der Daten (Byte 256) folgen weitere Daten; sie werden nicht "
              "gelesen.\r\n")},
        {"end mark on the last byte, one block of fill",
         first + "+0a1\x1E" + text + "\x1Cyx100yz" + std::string(256, '\0'), 2, ""},
        {"blocks of fill without end mark", Blocks(first) + std::string(3 * 256, '\0'), 1,
         Ansi("FEHLER: Nach dem Ende der Daten (Byte 256) folgen weitere Daten; sie werden nicht gelesen.\r\n"
              "FEHLER: Die Datei endet ohne Endekennzeichen 'z', sie ist vermutlich unvollständig.\r\n")},
    };
    for (const auto& c : cases) {
        messages.clear();
        CTempDir::Write(temp.File("ED00001"), c.file);
        EXPECT_EQ(ReadBookings(temp.File("ED00001")).GetCount(), c.count) << c.name;
        EXPECT_EQ(messages, c.messages) << c.name;
    }

    // An endless input without the mark of a DATEV file ends after its first block.
    std::filesystem::create_symlink("/dev/zero", temp.File("ED_zero"));
    CDatev datev(frontEnd);
    CBuchungenCtrl list;
    EXPECT_FALSE(datev.ReadKneBookings(temp.File("ED_zero"), list, frontEnd, messages));
    EXPECT_EQ(frontEnd.boxes.at(0).text,
              Ansi("(E:317)\nEingabedatei hat keine gültige Kennung einer Datev-Datei."));
}

// Line breaks in header texts would shift the lines of the parameter file.
TEST_F(KneReader, ControlBytesOfTheHeaderDoNotReachTheParameterFile) {
    std::string header = BookingsHeader(true);
    header.replace(43, 4, "a\r\nb");
    CTempDir::Write(temp.File("ED00001"), Blocks(header + "xyz"));
    ReadBookings(temp.File("ED00001"));
    CDatev reloaded(frontEnd);
    ASSERT_TRUE(reloaded.LoadAngaben(""));
    EXPECT_EQ(reloaded.passwort, "a  b");
    EXPECT_EQ(reloaded.kontonummernLaenge, 6);
}

TEST_F(KneReader, CutOffFilesAreReportedAndTheBrokenRecordDropped) {
    std::string full = BookingsHeader(true) + "+100a1000d101e1200y+200a2000\x1E"
                                              "Miete";
    for (size_t cut : {full.size(), full.size() - 6, full.size() - 10}) {
        messages.clear();
        CTempDir::Write(temp.File("ED00001"), full.substr(0, cut));
        EXPECT_EQ(ReadBookings(temp.File("ED00001")).GetCount(), 1) << cut;
        EXPECT_EQ(
            messages,
            Ansi("FEHLER: Zeile 2: Die Buchung ist unvollständig (Dateiende), sie wird nicht übernommen.\r\n"
                 "FEHLER: Die Datei endet ohne Endekennzeichen 'z', sie ist vermutlich unvollständig.\r\n"))
            << cut;
    }
}

// Each damaged record is named and not taken; the records around it are read, and the total
// record shows what is missing.
TEST_F(KneReader, DamagedRecordsAreNamedAndNotTaken) {
    struct CCase {
        const char* name;
        std::string records;
        std::string total;
        int count;
        long long cents; // of the bookings taken
        std::string messages;
    };
    const std::string sumOf3 = Ansi("FEHLER: Die Summe der gelesenen Buchungen (2,00) weicht von der "
                                    "Kontrollsumme der Datei (3,00) ab.\r\n");
    const CCase cases[] = {
        {"altered total", "+100a1d101e2y+200a2y", "x400", 2, 300,
         Ansi("FEHLER: Die Summe der gelesenen Buchungen (3,00) weicht von der Kontrollsumme der Datei "
              "(4,00) ab.\r\n")},
        {"negative total", "-100a1d101e2y-1a1y", "w101", 2, -101, ""},
        {"two totals, one per client", "+100a1d101e2yx100y+5a1y", "x5", 2, 105, ""},
        {"NUL inside a block", "+100a1d101e2y+5" + std::string(2, '\0') + "a2y+200a3y", "x305", 2, 300,
         Ansi("FEHLER: Zeile 2: Die Buchung enthält ein NUL-Byte, sie wird nicht übernommen.\r\n"
              "FEHLER: Die Summe der gelesenen Buchungen (3,00) weicht von der Kontrollsumme der Datei "
              "(3,05) ab.\r\n")},
        {"NUL inside a text", "+100a1d101e2\x1EHyundai" + std::string(1, '\0') + "\x1Cy+200a3y", "x300", 1,
         200,
         Ansi("FEHLER: Zeile 1: Die Buchung enthält ein NUL-Byte, sie wird nicht übernommen.\r\n") + sumOf3},
        {"text without its end byte",
         "+100a1d101e2\x1EMietey+200a2\xB3"
         "EUR\x1Cy",
         "x300", 1, 200,
         Ansi("FEHLER: Zeile 1, Feld 'Buchungstext': Das Feld endet nicht mit dem Feldende (0x1C) und läuft "
              "in das nächste Feld; die Buchung wird nicht übernommen.\r\n") +
             sumOf3},
        {"calendar date", "+100a1d2902e2y+200a2d2802y", "x300", 1, 200,
         Ansi("FEHLER: Zeile 1, Feld 'Datum': '2902' ist kein gültiges Datum. Der Datensatz wird nicht "
              "übernommen.\r\n") +
             sumOf3},
        {"date of seven digits", "+100a1d1234567e2y+200a2d101y", "x300", 1, 200,
         Ansi("FEHLER: Zeile 1, Feld 'Datum': '1234567' ist kein gültiges Datum. Der Datensatz wird nicht "
              "übernommen.\r\n") +
             sumOf3},
        {"blank inside an amount", "+1 00a1d101e2y+200a2y", "x300", 1, 200,
         Ansi("FEHLER: Zeile 1, Feld 'Betrag': '+1 00' ist keine gültige Zahl. Der Datensatz wird nicht "
              "übernommen.\r\n") +
             sumOf3},
        {"sign inside an account", "+100a1-2d101e2y+200a2y", "x300", 1, 200,
         Ansi("FEHLER: Zeile 1, Feld 'Haben-Konto': '1-2' ist keine gültige Kontonummer. Der Datensatz wird "
              "nicht übernommen.\r\n") +
             sumOf3},
        {"bytes that start no field", "+100a1Qd101e2y+200a2d101y", "x300", 1, 200,
         Ansi("FEHLER: Zeile 1: Die Buchung enthält ab 'Qd101e2' Zeichen, die kein Feld beginnen; sie wird "
              "nicht übernommen.\r\n") +
             sumOf3},
        {"amount of 31 characters", "+123456789012345678901234567890a1000y+200a2d101e2y", "x200", 1, 200,
         Ansi("FEHLER: Zeile 1, Feld 'Betrag': Der Wert '+12345678901234567890123456789' ist zu groß, die "
              "Buchung wird nicht übernommen.\r\n")},
        {"account beyond 32 bits", "+100a99999999999e1200y+200a2d101e2y", "x300", 1, 200,
         Ansi("FEHLER: Zeile 1, Feld 'Haben-Konto': Der Wert '99999999999' ist zu groß, die Buchung wird "
              "nicht übernommen.\r\n") +
             sumOf3},
        {"total out of form", "+100a1d101e2y", "x1 00", 1, 100,
         Ansi("FEHLER: Der Summensatz '1 00' ist keine gültige Zahl, die Summe wurde nicht geprüft.\r\n")},
        {"no total before the end mark", "+100a1d101e2y", "", 1, 100,
         Ansi("HINWEIS: Nach den Buchungen ab Zeile 1 folgt kein Summensatz, ihre Summe wurde nicht "
              "geprüft.\r\n")},
    };
    for (const CCase& c : cases) {
        messages.clear();
        CBuchungenCtrl list = Bookings(c.records, true, c.total);
        long long cents = 0;
        for (int i = 0; i < list.GetCount(); ++i)
            cents += std::llround(list.GetAt(i)->betrag * 100);
        EXPECT_EQ(list.GetCount(), c.count) << c.name;
        EXPECT_EQ(cents, c.cents) << c.name;
        EXPECT_EQ(messages, c.messages) << c.name;
    }
}

TEST_F(KneReader, OldFormatAccountPairsOutOfForm) {
    CBuchungenCtrl list = Bookings("+100a-1200d101e1000y+100a90 1200y+100a901200y", false, "x300");
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->datevSchluessel, 9);
    EXPECT_EQ(
        messages,
        Ansi("FEHLER: Zeile 1, Feld 'Haben-Konto': '-1200' ist keine gültige Kontonummer. Der Datensatz "
             "wird nicht übernommen.\r\n"
             "FEHLER: Zeile 2, Feld 'Haben-Konto': '90 1200' ist keine gültige Kontonummer. Der Datensatz "
             "wird nicht übernommen.\r\n"
             "FEHLER: Die Summe der gelesenen Buchungen (1,00) weicht von der Kontrollsumme der Datei "
             "(3,00) ab.\r\n"));
}

TEST_F(KneReader, OverlongTextIsCutWithNoticeAndItsRestIsNoField) {
    CBuchungenCtrl list = Bookings("+1a1000\xBA"
                                   "DE123456789012345a9e5\x1Cy",
                                   true, "x1");
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->ustId, "DE1234567890123");
    EXPECT_EQ(list.GetAt(0)->habenKonto, 1000);
    EXPECT_EQ(messages, Ansi("HINWEIS: Zeile 1, Feld 'Ust-ID' darf maximal 15 Zeichen haben. "
                             "'DE123456789012345a9e5' wurde auf 'DE1234567890123' gekürzt\r\n"));
}

TEST_F(KneReader, MasterFieldsLabelsAndMappings) {
    std::filesystem::create_directories(temp.DataFile(""));
    CTempDir::Write(temp.DataFile("stammdaten_umsetzung.ini"),
                    "[IN:Anrede]\r\n1=Herr\r\n[IN:Land]\r\nD=Deutschland\r\n");
    CStammCtrl list =
        Master(Field("4711", "Label") + Field("702", "vor dem ersten Satz") + Field("000101", "1") +
               Field("000102", "70001") + Field("104", "K-1") + Field("109", "1") + Field("702", "D") +
               Field("710", "0711") + Field("711", "0712") + Field("712", "a@b.de") + Field("700", "PF 1") +
               Field("811", "DE") + Field("815", "DE02") + Field("816", "SWIFTX") + Field("821", "AT") +
               Field("823", "Bank2") + Field("825", "AT02") + Field("826", "SW2") + Field("999", "x") +
               Field("4712", "x") + Field("45678", "Kasse") + Field("103", "M\x81ller") + Field("101", "2") +
               Field("109", "9") + Field("702", "F") + Field("101", "3") + Field("103", "Geloescht"));
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(RecordText(*list.GetAt(0)), "4711|Label" + std::string(22, '|'));
    EXPECT_EQ(RecordText(*list.GetAt(1)), "45678|Kasse" + std::string(22, '|'));
    // A label amid a record leaves it alone: the record goes on after it.
    EXPECT_EQ(
        RecordText(*list.GetAt(2)),
        Ansi("70001|Müller|K-1|||||||||Herr|PF 1|Deutschland|0711|0712|a@b.de|DE02|SWIFTX|DE|Bank2|AT02|"
             "SW2|AT"));
    EXPECT_EQ(RecordText(*list.GetAt(3)), "0" + std::string(11, '|') + "9||F" + std::string(10, '|'));
}

// A record with a field that cannot be read is not taken; the scan goes on with the next one.
TEST_F(KneReader, MasterRecordsWithBrokenFieldsAreNotTaken) {
    const std::string withNul =
        Field("101", "1") + Field("102", "70001") + "t103\x1EM\x81" + std::string(1, '\0') + "ller\x1Cy";
    const std::string runOver =
        Field("101", "1") + Field("102", "70002") + "t103\x1EOhne Endey" + Field("104", "K-3");
    const std::string fields = Field(std::string(5000, '9'), "riesig") + Field("12a", "kaputt") +
                               Field("101", "1") + Field("102", "99999999999") + Field("103", "Name") +
                               withNul + runOver + Field("101", "1") + Field("102", "70003") +
                               Field("103", "Gut") + Field("101", "1") +
                               "t103\x1E"
                               "abgeschn";
    CStammCtrl list = Master(fields);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(RecordText(*list.GetAt(0)), "70003|Gut" + std::string(22, '|'));
    const std::string data = MasterHeader() + fields;
    EXPECT_EQ(
        messages,
        Ansi(
            "FEHLER: Zeile 1, Feld 'Datev-Konto': '99999999999' ist keine gültige Kontonummer. Der Datensatz "
            "wird nicht übernommen.\r\n") +
            CTool::Format(
                Ansi("FEHLER: Das Feld ab Byte %zu enthält ein NUL-Byte; der Datensatz wird nicht "
                     "übernommen.\r\n"
                     "FEHLER: Das Feld ab Byte %zu endet nicht mit dem Feldende (0x1C) und läuft in das "
                     "nächste Feld; der Datensatz wird nicht übernommen.\r\n"
                     "FEHLER: Das Feld ab Byte %zu ist unvollständig (Dateiende); der Datensatz wird "
                     "nicht übernommen.\r\n")
                    .c_str(),
                data.find("t103\x1EM"), data.find("t103\x1EOhne"), data.rfind("t103")));
}

// A front end whose progress bar fails stands for any failure inside the scan.
class CFailingProgress : public CRecordingFrontEnd {
public:
    void SetProgressPos(int position) override {
        if (position > 100) throw std::runtime_error("progress");
    }
};

TEST_F(KneReader, FailureInsideTheMasterScanWritesTheProtocol) {
    CFailingProgress failing;
    CDatev datev(failing);
    CStammCtrl list;
    std::string path = temp.File("ED00001");
    CTempDir::Write(path,
                    Blocks(MasterHeader() + Field("1200", "Bank") + Field("1400", "Forderungen") + "z"));
    EXPECT_FALSE(datev.ReadKneMaster(path, list, failing, messages));
    ASSERT_EQ(failing.boxes.size(), 1u);
    EXPECT_EQ(failing.boxes[0].text.substr(0, 7), "(E:325#");
    EXPECT_EQ(list.GetCount(), 2); // what was appended before the failure stays
    std::string protocol = CTempDir::Read(temp.DataFile("protokoll.txt"));
    EXPECT_EQ(protocol.substr(0, 28), "Fehler-Protokoll:\r\n\r\n(E:326#");
    EXPECT_NE(protocol.find("(i=108,dbg=0,cnt=0,max=110)\r\n0: 29\r\n1: 24\r\n"), std::string::npos);
    EXPECT_NE(protocol.find("\r\n65: -74\r\n"), std::string::npos);
    EXPECT_EQ(protocol.substr(protocol.size() - 12), "\r\n108: 121\r\n");
}

// The detection chooses the reader; the header values of the input go into the export.
TEST_F(KneReader, AutomaticRunDetectsTheDataTypeAndExportsWithTheHeaderValues) {
    CPelkoDoc doc(frontEnd);
    doc.inputType = CPelkoDoc::InDatev;
    doc.outputType = CPelkoDoc::OutDatev;
    doc.outputFile = temp.File("out") + "/";
    doc.automatic = 1;
    std::filesystem::create_directories(temp.File("out"));
    const std::pair<const char*, int> inputs[] = {{"monkey_kassenbuch_account_labels/ED00001", 286},
                                                  {"tz_easybuch/ED00001", 97}};
    for (const auto& [sample, count] : inputs) {
        doc.inputFile = Sample(sample);
        ASSERT_EQ(doc.RunAutomatic(), CPelkoDoc::ERunResult::Completed) << sample;
        EXPECT_EQ(doc.recordCounter, count);
        std::string written = CTempDir::Read(temp.File("out/ED00001"));
        EXPECT_EQ(written.substr(6, 2), count == 286 ? "13" : "11");
        EXPECT_EQ(doc.dataType, count == 286 ? CPelkoDoc::Master : CPelkoDoc::Bookings);
        EXPECT_EQ(written.substr(10, 7), count == 286 ? "0589742" : "0654321");
    }
}
