#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CRunDispatch.h"
#include "datev/CDatev.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace {

std::string Sample(const std::string& name) {
    return std::string(PELKO_TEST_DATA) + "/kne/samples/" + name;
}

// Fills the records into 256-byte blocks as a writer does: NUL bytes up to the block border.
std::string Blocks(const std::string& records) {
    std::string bytes = records;
    bytes.append((256 - bytes.size() % 256) % 256, '\0');
    return bytes;
}

// Header of a bookings file: consultant 1234567, client 54321, accounting number 12, year 23,
// 01.01.2023 to 31.12.2023, password "pw", account length 6 in the version record.
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
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    std::string messages;

    // The file is written first: the parameters object opens the mapping file when constructed.
    bool ReadBookings(const std::string& path, CBuchungenCtrl& list) {
        CDatev datev(frontEnd);
        bool ok = datev.ReadKneBookings(path, list, frontEnd, messages);
        lastDatumVon = datev.datumVon;
        return ok;
    }
    CBuchungenCtrl Bookings(const std::string& records, bool extended = true) {
        std::string path = temp.File(extended ? "ED00001" : "DE001");
        CTempDir::Write(path, Blocks(BookingsHeader(extended) + records + "xyz"));
        CBuchungenCtrl list;
        EXPECT_TRUE(ReadBookings(path, list));
        return list;
    }
    CStammCtrl Master(const std::string& fields) {
        std::string path = temp.File("ED00001");
        CTempDir::Write(path, Blocks(MasterHeader() + fields + "z"));
        CDatev datev(frontEnd);
        CStammCtrl list;
        EXPECT_TRUE(datev.ReadKneMaster(path, list, frontEnd, messages));
        return list;
    }
    std::string Boxes() const {
        std::string all;
        for (const auto& box : frontEnd.boxes)
            all += box.text + "|";
        return all;
    }

    std::string lastDatumVon;
};

} // namespace

TEST_F(KneReader, LxOfficeBookingAndHeaderParameters) {
    CDatev datev(frontEnd);
    CBuchungenCtrl list;
    ASSERT_TRUE(datev.ReadKneBookings(Sample("lxoffice_transactions/ED00001"), list, frontEnd, messages));
    ASSERT_EQ(list.GetCount(), 1);
    const CBuchungenData& b = *list.GetAt(0);
    EXPECT_DOUBLE_EQ(b.betrag, 1250.0);
    EXPECT_EQ(b.habenKonto, 1400);
    EXPECT_EQ(b.sollKonto, 1000);
    EXPECT_EQ(b.datevSchluessel, -1);
    EXPECT_EQ(b.buchungsnummer, "1010");
    EXPECT_EQ(b.belegnummer2, "15-01-20070");
    EXPECT_EQ(b.datum, "13.06.2008");
    EXPECT_EQ(b.buchungstext, "Wasserspiel GmbH");
    EXPECT_EQ(b.waehrung, "EUR");

    EXPECT_EQ(datev.beraterNummer, 471156);
    EXPECT_EQ(datev.mandantenNummer, 42212);
    EXPECT_EQ(datev.datentraegerNummer, 1);
    EXPECT_EQ(datev.abrechnungsNummer, 11);
    EXPECT_EQ(datev.dfvKennzeichen, "00");
    EXPECT_EQ(datev.passwort, "0000");
    EXPECT_EQ(datev.kontonummernErweiterung, 1);
    EXPECT_EQ(datev.kontonummernLaenge, 4);
    EXPECT_EQ(datev.datumVon, "01.05.2008");
    EXPECT_EQ(datev.datumBis, "15.06.2008");
    EXPECT_EQ(datev.buchungsjahr, "08");
    EXPECT_EQ(datev.wirtschaftsjahrBeginn, "01.01.2008");
    EXPECT_EQ(messages, "");
    EXPECT_EQ(frontEnd.rangeHigh, 167);
    EXPECT_EQ(frontEnd.positions.back(), 167);
    // The header values are kept for the next export.
    EXPECT_NE(CTempDir::Read(temp.DataFile("angaben_datev.txt")).find("471156\t\t(Beraternummer"),
              std::string::npos);
}

TEST_F(KneReader, MmsBilanzBookingsWithSkontoAndVatId) {
    CBuchungenCtrl list;
    ASSERT_TRUE(ReadBookings(Sample("mms_bilanz_transactions_and_addresses/ED00001"), list));
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_DOUBLE_EQ(list.GetAt(0)->betrag, 50.0);
    EXPECT_EQ(list.GetAt(0)->habenKonto, 30);
    EXPECT_EQ(list.GetAt(0)->datum, "01.01.2008");
    EXPECT_EQ(list.GetAt(1)->datum, "09.01.2008");
    const CBuchungenData& third = *list.GetAt(2);
    EXPECT_DOUBLE_EQ(third.betrag, 800.0);
    EXPECT_EQ(third.habenKonto, 10000);
    EXPECT_EQ(third.sollKonto, 1460);
    EXPECT_EQ(third.belegnummer2, "300408");
    EXPECT_EQ(third.buchungsnummer, "");
    EXPECT_DOUBLE_EQ(third.skonto, 80.0);
    EXPECT_EQ(third.ustId, "DE237335818");
    EXPECT_EQ(third.buchungstext, "Schmuggel");
}

TEST_F(KneReader, KassenbuchBookingsNegativeAmountsAndOemText) {
    CBuchungenCtrl list;
    ASSERT_TRUE(ReadBookings(Sample("mms_kassenbuch_transactions/ED00001"), list));
    ASSERT_EQ(list.GetCount(), 14);
    long long cents = 0;
    int negative = 0;
    for (int i = 0; i < list.GetCount(); ++i) {
        cents += std::llround(list.GetAt(i)->betrag * 100);
        negative += list.GetAt(i)->betrag < 0;
        EXPECT_EQ(list.GetAt(i)->datum, "01.01.2007");
    }
    EXPECT_EQ(cents, -386300); // the total record "w386300"
    EXPECT_EQ(negative, 10);
    EXPECT_EQ(list.GetAt(0)->buchungstext, Ansi("Erlöse"));
    EXPECT_EQ(list.GetAt(6)->datevSchluessel, 9);
    EXPECT_EQ(list.GetAt(6)->habenKonto, 4530);
    EXPECT_DOUBLE_EQ(list.GetAt(6)->betrag, -59.5);
    EXPECT_EQ(list.GetAt(8)->sollKonto, 10000);
    EXPECT_EQ(list.GetAt(13)->buchungstext, "Entnahme (Bsp. SKR04 Doku., S.");
}

TEST_F(KneReader, MonkeyBookingWithUnusualHeader) {
    CDatev datev(frontEnd);
    CBuchungenCtrl list;
    ASSERT_TRUE(
        datev.ReadKneBookings(Sample("monkey_kassenbuch_transactions/ED00001"), list, frontEnd, messages));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_DOUBLE_EQ(list.GetAt(0)->betrag, 15000.0);
    EXPECT_EQ(list.GetAt(0)->datevSchluessel, 9);
    EXPECT_EQ(list.GetAt(0)->datum, "28.06.2008");
    EXPECT_EQ(list.GetAt(0)->sollKonto, 3100);
    EXPECT_EQ(datev.datentraegerNummer, 1);
    EXPECT_EQ(datev.dfvKennzeichen, "");
    EXPECT_EQ(datev.passwort, "test");
    EXPECT_EQ(datev.beraterNummer, 589742);
}

TEST_F(KneReader, EasybuchNinetySevenBookingsOverManyBlocks) {
    CBuchungenCtrl list;
    ASSERT_TRUE(ReadBookings(Sample("tz_easybuch/ED00001"), list));
    ASSERT_EQ(list.GetCount(), 97);
    int withKey = 0;
    for (int i = 0; i < list.GetCount(); ++i) {
        withKey += list.GetAt(i)->datevSchluessel > 0;
        EXPECT_LE(list.GetAt(i)->buchungstext.size(), 30u);
        EXPECT_EQ(list.GetAt(i)->datum.substr(6), "2008");
    }
    EXPECT_EQ(withKey, 36);
    EXPECT_EQ(list.GetAt(0)->buchungsnummer, "Bank1");
    EXPECT_EQ(list.GetAt(0)->buchungstext, "Rest Umsatzsteuer 2007 (wird s");
    EXPECT_EQ(list.GetAt(96)->datum, "31.12.2008");
    EXPECT_EQ(messages, "");
}

TEST_F(KneReader, MasterRecordOfMmsBilanz) {
    CDatev datev(frontEnd);
    CStammCtrl list;
    ASSERT_TRUE(datev.ReadKneMaster(Sample("mms_bilanz_addresses/ED00001"), list, frontEnd, messages));
    ASSERT_EQ(list.GetCount(), 1);
    const CStammData& s = *list.GetAt(0);
    EXPECT_EQ(s.datevKonto, 10000);
    EXPECT_EQ(s.name1, "Evil");
    EXPECT_EQ(s.name2, "aka Big Boss");
    EXPECT_EQ(s.strasse, "Wall Street 123");
    EXPECT_EQ(s.postleitzahl, "4711");
    EXPECT_EQ(s.ort, "New York");
    EXPECT_EQ(s.ustIdnr, "DE123456789");
    EXPECT_EQ(s.bank, "Berliner Sparkasse");
    EXPECT_EQ(s.kontonummer, "123456789");
    EXPECT_EQ(s.bankleitzahl, "50050201");
    EXPECT_EQ(datev.abrechnungsNummer, 189);
    EXPECT_EQ(datev.buchungsjahr, "08");
    EXPECT_EQ(datev.datentraegerNummer, 100);
    EXPECT_EQ(datev.mandantenNummer, 101);
    EXPECT_EQ(datev.datumVon, "");
}

// Labels of ledger accounts (below 10000) stand outside any master record and are read as labels.
TEST_F(KneReader, AccountLabelFilesOfThreeProducers) {
    CDatev datev(frontEnd);
    CStammCtrl mms;
    ASSERT_TRUE(datev.ReadKneMaster(Sample("mms_bilanz_transactions_and_addresses/ED00002"), mms, frontEnd,
                                    messages));
    ASSERT_EQ(mms.GetCount(), 8);
    EXPECT_EQ(mms.GetAt(0)->datevKonto, 30);
    EXPECT_EQ(mms.GetAt(0)->name1, "Lizenzen");
    EXPECT_EQ(mms.GetAt(6)->name1, Ansi("Gewährte Skonti 19%"));
    EXPECT_EQ(mms.GetAt(7)->datevKonto, 10000);
    EXPECT_EQ(mms.GetAt(7)->name1, "Mafia");

    CStammCtrl kassenbuch;
    ASSERT_TRUE(
        datev.ReadKneMaster(Sample("mms_kassenbuch_account_labels/ED00001"), kassenbuch, frontEnd, messages));
    ASSERT_EQ(kassenbuch.GetCount(), 19);
    EXPECT_EQ(kassenbuch.GetAt(13)->datevKonto, 4120);
    EXPECT_EQ(kassenbuch.GetAt(13)->name1, Ansi("Gehälter"));

    CStammCtrl monkey;
    ASSERT_TRUE(
        datev.ReadKneMaster(Sample("monkey_kassenbuch_account_labels/ED00001"), monkey, frontEnd, messages));
    ASSERT_EQ(monkey.GetCount(), 286);
    EXPECT_EQ(monkey.GetAt(1)->name1, Ansi("Unbebaute Grundstücke"));
    EXPECT_EQ(monkey.GetAt(6)->name1, "Betriebsvorrichtungen"); // crosses a block border
    EXPECT_EQ(monkey.GetAt(27)->name1, Ansi("Verrechnungskonto Gewinnermittlung § 4/3"));
    EXPECT_EQ(monkey.GetAt(285)->datevKonto, 9090);
    for (int i = 0; i < monkey.GetCount(); ++i)
        EXPECT_LE(monkey.GetAt(i)->name1.size(), 40u);
    EXPECT_EQ(messages, "");
    EXPECT_EQ(datev.passwort, "test");
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

TEST_F(KneReader, ExtendedBookingWithOmittedTagsAndCarryOver) {
    CBuchungenCtrl list = Bookings("+5000a8400d3112e1200\xBD"
                                   "R-17\x1Cy"
                                   "-2500a4400\x1E"
                                   "ohne Datum\x1Cy"
                                   "+100a1000d101y");
    ASSERT_EQ(list.GetCount(), 3);
    const CBuchungenData& first = *list.GetAt(0);
    EXPECT_DOUBLE_EQ(first.betrag, 50.0);
    EXPECT_EQ(first.habenKonto, 8400);
    EXPECT_EQ(first.datum, "31.12.2023");
    EXPECT_EQ(first.sollKonto, 1200);
    EXPECT_EQ(first.datevSchluessel, -1);
    // No date, no debit account and no document number: all three repeat.
    const CBuchungenData& second = *list.GetAt(1);
    EXPECT_DOUBLE_EQ(second.betrag, -25.0);
    EXPECT_EQ(second.datum, "31.12.2023");
    EXPECT_EQ(second.sollKonto, 1200);
    EXPECT_EQ(second.buchungsnummer, "R-17");
    // With a date the document number does not repeat, the debit account does.
    const CBuchungenData& third = *list.GetAt(2);
    EXPECT_EQ(third.datum, "01.01.2023");
    EXPECT_EQ(third.sollKonto, 1200);
    EXPECT_EQ(third.buchungsnummer, "");
    EXPECT_EQ(lastDatumVon, "01.01.2023");
}

TEST_F(KneReader, ExtendedBookingWithEveryField) {
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
                                   "y\x1Cn1234567y");
    ASSERT_EQ(list.GetCount(), 1);
    const CBuchungenData& b = *list.GetAt(0);
    EXPECT_DOUBLE_EQ(b.betrag, -123.45);
    EXPECT_EQ(b.datevSchluessel, 9);
    EXPECT_EQ(b.buchungsnummer, "B1");
    EXPECT_EQ(b.belegnummer2, "B2");
    EXPECT_EQ(b.datum, "05.03.2023");
    EXPECT_EQ(b.sollKonto, 1300); // "t" replaces "e"
    EXPECT_EQ(b.kostenstelle1, "K1");
    EXPECT_EQ(b.kostenstelle2, "K2");
    EXPECT_DOUBLE_EQ(b.skonto, 2.5);
    EXPECT_EQ(b.buchungstext, Ansi("Grüße"));
    EXPECT_EQ(b.ustId, "DE123");
    EXPECT_DOUBLE_EQ(b.euSteuersatz, 19.0);
    EXPECT_EQ(b.waehrung, "usd");
    EXPECT_DOUBLE_EQ(b.waehrungskurs, 1.234567);
}

TEST_F(KneReader, RecordsThatAreNoBookings) {
    CBuchungenCtrl list = Bookings("+100a1000d101e1200y"
                                   "+200a2000\xB7"
                                   "Summe y\x1Cy"
                                   "v12y"
                                   "w300y"
                                   "+300a3000y");
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_DOUBLE_EQ(list.GetAt(1)->betrag, 3.0);
    EXPECT_EQ(list.GetAt(1)->sollKonto, 1200);
}

TEST_F(KneReader, OldFormatBookings) {
    CBuchungenCtrl list = Bookings("+54321a901200b00123c45d3112e1000f0007g8h150\x1E"
                                   "Text\x1C\xBA"
                                   "DE9\x1Cj700o2y"
                                   "-100a1200o1y"
                                   "+1a1200o3y",
                                   false);
    ASSERT_EQ(list.GetCount(), 3);
    const CBuchungenData& b = *list.GetAt(0);
    EXPECT_DOUBLE_EQ(b.betrag, 543.21);
    EXPECT_EQ(b.datevSchluessel, 9);
    EXPECT_EQ(b.habenKonto, 1200);
    EXPECT_EQ(b.buchungsnummer, "123");
    EXPECT_EQ(b.belegnummer2, "45");
    EXPECT_EQ(b.datum, "31.12.2023");
    EXPECT_EQ(b.kostenstelle1, "7");
    EXPECT_EQ(b.kostenstelle2, "8");
    EXPECT_DOUBLE_EQ(b.skonto, 1.5);
    EXPECT_EQ(b.buchungstext, "Text");
    EXPECT_EQ(b.ustId, "DE9");
    EXPECT_DOUBLE_EQ(b.euSteuersatz, 7.0);
    EXPECT_EQ(b.waehrung, "DEM");
    EXPECT_EQ(list.GetAt(1)->datevSchluessel, -1);
    EXPECT_EQ(list.GetAt(1)->habenKonto, 1200);
    EXPECT_EQ(list.GetAt(1)->waehrung, "EUR");
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
    EXPECT_EQ(Boxes(), "(E:319)\nEingabedatei ist keine Datev-Datei im KNE oder OBE-Format.|");
    EXPECT_EQ(list.GetCount(), 1);
}

TEST_F(KneReader, ExtendedHeaderTakesTheStoredAccountLength) {
    CDatev datev(frontEnd);
    CBuchungenCtrl list;
    CTempDir::Write(temp.File("ED00001"), Blocks(BookingsHeader(true) + "xyz"));
    ASSERT_TRUE(datev.ReadKneBookings(temp.File("ED00001"), list, frontEnd, messages));
    EXPECT_EQ(datev.kontonummernLaenge, 6);
    EXPECT_EQ(datev.abrechnungsNummer, 12);
    EXPECT_EQ(datev.datentraegerNummer, 7);
    EXPECT_EQ(datev.datumBis, "31.12.2023");
    EXPECT_EQ(datev.passwort, "pw");
    EXPECT_EQ(datev.beraterName, "");
    EXPECT_EQ(list.GetCount(), 0);
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

TEST_F(KneReader, OpenAndMarkFailuresLeaveTheListAlone) {
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
              Ansi("(E:317)\nnEingabedatei hat keine gültige Kennung einer Datev-Datei."));
    EXPECT_EQ(frontEnd.boxes[3].text,
              Ansi("(E:324)\nnEingabedatei hat keine gültige Kennung einer Datev-Datei."));
    EXPECT_EQ(frontEnd.boxes[4].text, Ansi("(E:317)\nDer Kopfsatz der Eingabedatei ist unvollständig."));
    EXPECT_EQ(frontEnd.boxes[5].text,
              "(E:314)\n" + temp.File("ED_folder") + " - Eingabedatei konnte nicht gelesen werden!");
    EXPECT_EQ(bookings.GetCount(), 0);
    EXPECT_EQ(master.GetCount(), 0);
    EXPECT_FALSE(CPlatform::FileExists(temp.DataFile("angaben_datev.txt")));
}

TEST_F(KneReader, CutOffFilesAreReportedAndTheBrokenRecordDropped) {
    std::string full = BookingsHeader(true) + "+100a1000d101e1200y+200a2000\x1E"
                                              "Miete";
    for (size_t cut : {full.size(), full.size() - 6, full.size() - 10}) {
        messages.clear();
        CTempDir::Write(temp.File("ED00001"), full.substr(0, cut));
        CBuchungenCtrl list;
        ASSERT_TRUE(ReadBookings(temp.File("ED00001"), list));
        EXPECT_EQ(list.GetCount(), 1) << cut;
        EXPECT_EQ(
            messages,
            Ansi("FEHLER: Zeile 2: Die Buchung ist unvollständig (Dateiende), sie wird nicht übernommen.\r\n"
                 "FEHLER: Die Datei endet ohne Endekennzeichen 'z', sie ist vermutlich unvollständig.\r\n"))
            << cut;
    }
}

TEST_F(KneReader, NumbersBeyondTheirRangeDropTheBooking) {
    // The amount field ends after 30 characters, sign included.
    CBuchungenCtrl list = Bookings("+123456789012345678901234567890a1000y"
                                   "+100a99999999999e1200y"
                                   "+200a2000d12345678901234567890e1300y");
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->datum, "12345678901234567890"); // no known date form: left as it is
    EXPECT_EQ(messages,
              Ansi("FEHLER: Zeile 1, Feld 'Betrag': Der Wert '+12345678901234567890123456789' ist zu "
                   "groß, die Buchung wird nicht übernommen.\r\n"
                   "FEHLER: Zeile 2, Feld 'Haben-Konto': Der Wert '99999999999' ist zu groß, die Buchung "
                   "wird nicht übernommen.\r\n"));
}

TEST_F(KneReader, FieldsInUnusualOrderAreAllRead) {
    CBuchungenCtrl list = Bookings("+5000e1200\x1E"
                                   "Text\x1C"
                                   "d3112a8400y");
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->sollKonto, 1200);
    EXPECT_EQ(list.GetAt(0)->datum, "31.12.2023");
    EXPECT_EQ(list.GetAt(0)->habenKonto, 8400);
}

TEST_F(KneReader, OverlongTextIsCutWithNoticeAndItsRestIsNoField) {
    CBuchungenCtrl list = Bookings("+1a1000\xBA"
                                   "DE123456789012345a9e5\x1Cy");
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->ustId, "DE1234567890123");
    EXPECT_EQ(list.GetAt(0)->habenKonto, 1000);
    EXPECT_EQ(messages, Ansi("HINWEIS: Zeile 1, Feld 'Ust-ID' darf maximal 15 Zeichen haben. "
                             "'DE123456789012345a9e5' wurde auf 'DE1234567890123' gekürzt\r\n"));
}

TEST_F(KneReader, MasterFieldsTagsAndMappings) {
    std::filesystem::create_directories(temp.DataFile(""));
    CTempDir::Write(temp.DataFile("stammdaten_umsetzung.ini"),
                    "[IN:Anrede]\r\n1=Herr\r\n[IN:Land]\r\nD=Deutschland\r\n");
    CStammCtrl list =
        Master(Field("000101", "1") + Field("000102", "70001") + Field("104", "K-1") + Field("109", "1") +
               Field("702", "D") + Field("710", "0711") + Field("711", "0712") + Field("712", "a@b.de") +
               Field("700", "PF 1") + Field("811", "DE") + Field("815", "DE02") + Field("816", "SWIFTX") +
               Field("821", "AT") + Field("823", "Bank2") + Field("825", "AT02") + Field("826", "SW2") +
               Field("999", "x") + Field("45678", "Kasse") + Field("103", "M\x81ller") + Field("101", "2") +
               Field("109", "9") + Field("702", "F"));
    ASSERT_EQ(list.GetCount(), 3);
    const CStammData& s = *list.GetAt(1); // the label was appended at once, the record when it ended
    EXPECT_EQ(s.datevKonto, 70001);
    EXPECT_EQ(s.kundennummer, "K-1");
    EXPECT_EQ(s.anrede, "Herr");
    EXPECT_EQ(s.land, "Deutschland");
    EXPECT_EQ(s.telefon, "0711");
    EXPECT_EQ(s.fax, "0712");
    EXPECT_EQ(s.email, "a@b.de");
    EXPECT_EQ(s.postfach, "PF 1");
    EXPECT_EQ(s.laenderkennz, "DE");
    EXPECT_EQ(s.iban, "DE02");
    EXPECT_EQ(s.swift, "SWIFTX");
    EXPECT_EQ(s.laenderkennz2, "AT");
    EXPECT_EQ(s.bank2, "Bank2");
    EXPECT_EQ(s.iban2, "AT02");
    EXPECT_EQ(s.swift2, "SW2");
    EXPECT_EQ(s.name1, Ansi("Müller")); // fields after a label still belong to the record
    EXPECT_EQ(list.GetAt(0)->datevKonto, 45678);
    EXPECT_EQ(list.GetAt(0)->name1, "Kasse");
    EXPECT_EQ(list.GetAt(2)->anrede, "9");
    EXPECT_EQ(list.GetAt(2)->land, "F");
    EXPECT_EQ(list.GetAt(2)->datevKonto, 0);
}

TEST_F(KneReader, MasterBadTagsAndCutFields) {
    CStammCtrl list = Master(Field(std::string(5000, '9'), "riesig") + Field("12a", "kaputt") +
                             Field("101", "1") + Field("102", "99999999999") + Field("103", "Name") +
                             "t103\x1E"
                             "abgeschn");
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->name1, "Name");
    EXPECT_EQ(list.GetAt(0)->datevKonto, 0);
    EXPECT_EQ(
        messages,
        Ansi("FEHLER: Zeile 1, Feld 'Datev-Konto': Der Wert '99999999999' ist zu groß und wird nicht "
             "übernommen.\r\n"
             "FEHLER: Das Feld ab Byte 5138 ist unvollständig (Dateiende), es wird nicht übernommen.\r\n"));
}

// A front end whose progress bar fails stands for any failure inside the scan.
class CFailingProgress : public CRecordingFrontEnd {
public:
    void SetProgressPos(int position) override {
        if (position > 100) throw std::runtime_error("progress");
        CRecordingFrontEnd::SetProgressPos(position);
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

TEST_F(KneReader, DispatchDetectsAndReadsKneInput) {
    CPelkoDoc doc(frontEnd);
    const CReaderEntry* entry = CRunDispatch::Standard().FindReader(CPelkoDoc::InDatev);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->detect(doc, Sample("mms_bilanz_addresses/ED00001")), 2);
    EXPECT_TRUE(entry->read[1](doc, Sample("mms_bilanz_addresses/ED00001"), messages));
    EXPECT_EQ(doc.stamm.GetCount(), 1);
    EXPECT_TRUE(entry->read[0](doc, Sample("tz_easybuch/ED00001"), messages));
    EXPECT_EQ(doc.buchungen.GetCount(), 97);
    EXPECT_EQ(doc.datev.mandantenNummer, 6);
}
