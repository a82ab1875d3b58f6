#include "core/CCodePage.h"
#include "datev/CDatev.h"
#include "datev/KneRecordText.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

class KneRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        writer.beraterNummer = 1234567;
        writer.beraterName = "Beraterin";
        writer.mandantenNummer = 12345;
        writer.dfvKennzeichen = "MM";
        writer.datentraegerNummer = 7;
        writer.abrechnungsNummer = 12;
        writer.passwort = "pw12";
        writer.kontonummernLaenge = 6;
        writer.datumVon = "01.01.2023";
        writer.datumBis = "31.12.2023";
        writer.wirtschaftsjahrBeginn = "01.01.2023";
    }

    CBuchungenCtrl WriteAndReadBookings(const CBuchungenCtrl& list) {
        EXPECT_EQ(writer.WriteKneBookings(temp.path.string(), &list, frontEnd, messages), list.GetCount());
        EXPECT_TRUE(writer.WriteKneControl(temp.path.string(), messages));
        CBuchungenCtrl back;
        EXPECT_TRUE(reader.ReadKneBookings(temp.File(writer.IsExtendedFormat() ? "ED00001" : "DE001"), back,
                                           frontEnd, messages));
        return back;
    }

    CStammCtrl WriteAndReadMaster(const CStammCtrl& list) {
        EXPECT_EQ(writer.WriteKneMaster(temp.path.string(), list, frontEnd, messages), list.GetCount());
        EXPECT_TRUE(writer.WriteKneMasterControl(temp.path.string(), messages));
        CStammCtrl back;
        EXPECT_TRUE(reader.ReadKneMaster(temp.File(writer.IsExtendedFormat() ? "ED00001" : "DE001"), back,
                                         frontEnd, messages));
        return back;
    }

    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev writer{frontEnd};
    CDatev reader{frontEnd};
    std::string messages;
};

CBuchungenData FullBooking() {
    CBuchungenData b;
    b.betrag = 1234.56;
    b.datevSchluessel = 9;
    b.habenKonto = 8400;
    b.buchungsnummer = "RE-2023/17";
    b.belegnummer2 = "000123";
    b.datum = "05.03.2023";
    b.sollKonto = 10000;
    b.kostenstelle1 = "0042";
    b.kostenstelle2 = "KST2";
    b.skonto = 0.29;
    b.buchungstext = Ansi("Müller Säge § 4");
    b.ustId = "DE123456789";
    b.euSteuersatz = 19.0;
    b.waehrung = "usd";
    b.waehrungskurs = 1.0832;
    return b;
}

CStammData FullRecord(int konto) {
    CStammData s;
    s.datevKonto = konto;
    s.name1 = Ansi("Müller GmbH");
    s.kundennummer = "K-77";
    s.name2 = Ansi("Abt. Süd");
    s.strasse = Ansi("Hauptstraße 1");
    s.postleitzahl = "70173";
    s.ort = "Stuttgart";
    s.anrede = "Herr";
    s.bank = "Sparkasse";
    s.kontonummer = "123456";
    s.bankleitzahl = "60050101";
    s.ustIdnr = "DE999999999";
    s.postfach = "10 20 30";
    s.land = "Deutschland";
    s.telefon = "0711 1";
    s.fax = "0711 2";
    s.email = "info@example.de";
    s.laenderkennz = "DE";
    s.iban = "DE02600501010000123456";
    s.swift = "SOLADEST600";
    s.laenderkennz2 = "AT";
    s.bank2 = "Erste";
    s.iban2 = "AT021100000000000000";
    s.swift2 = "GIBAATWW";
    return s;
}

} // namespace

TEST_F(KneRoundTrip, ExtendedBookingsComeBackWithTheListedDifferences) {
    CBuchungenCtrl list;
    list.Add(FullBooking());
    CBuchungenData b;
    b.betrag = -10.125;
    b.habenKonto = 1200;
    b.sollKonto = 1000;
    b.datum = "31.12."; // no year: tested against the range as 31.12.2023
    list.Add(b);
    for (int i = 0; i < 60; ++i) { // enough for several blocks
        b.betrag = i;
        b.buchungstext = "Buchung Nummer " + std::to_string(i) + " mit langem Text";
        list.Add(b);
    }
    CBuchungenCtrl back = WriteAndReadBookings(list);
    ASSERT_EQ(back.GetCount(), list.GetCount());

    // Listed differences: currency in capitals, posting key 0 not written, the year of the
    // header for a date without year.
    EXPECT_EQ(RecordText(*back.GetAt(0)),
              Ansi("1234.56 l9 a8400 e10000 d05.03.2023 bRE-2023/17 c000123 k0042/KST2 "
                   "h0.29 tMüller Säge § 4 uDE123456789 j19.00 wUSD n1.083200"));
    EXPECT_EQ(RecordText(*back.GetAt(1)),
              "-10.13 l-1 a1200 e1000 d31.12.2023 b c k/ h0.00 t u j0.00 wEUR n0.000000");
    for (int i = 2; i < back.GetCount(); ++i) {
        EXPECT_DOUBLE_EQ(back.GetAt(i)->betrag, i - 2);
        EXPECT_EQ(back.GetAt(i)->buchungstext, list.GetAt(i)->buchungstext.substr(0, 30));
    }

    EXPECT_EQ(std::tie(reader.beraterNummer, reader.mandantenNummer, reader.datentraegerNummer,
                       reader.abrechnungsNummer, reader.kontonummernErweiterung, reader.kontonummernLaenge),
              std::make_tuple(1234567, 12345, 7, 12, 1, 6));
    EXPECT_EQ(reader.beraterName + "|" + reader.dfvKennzeichen + "|" + reader.passwort + "|" +
                  reader.datumVon + "|" + reader.datumBis,
              "|MM|pw12|01.01.2023|31.12.2023");
}

TEST_F(KneRoundTrip, OldFormatBookingsComeBackAsNumbers) {
    writer.kontonummernErweiterung = 0;
    CBuchungenCtrl list;
    // The old format carries neither a foreign currency nor a rate.
    CBuchungenData b = FullBooking();
    b.waehrung = "eur";
    b.waehrungskurs = 0;
    list.Add(b);
    b.waehrung = "DEM";
    b.datevSchluessel = 0;
    b.kostenstelle2 = "";
    list.Add(b);
    CBuchungenCtrl back = WriteAndReadBookings(list);
    ASSERT_EQ(back.GetCount(), 2);
    // Document fields and cost centres come back as numbers (only the digits are written), the
    // currency as "EUR" or "DEM".
    EXPECT_EQ(RecordText(*back.GetAt(0)), Ansi("1234.56 l9 a8400 e10000 d05.03.2023 b202317 c123 k42/2 h0.29 "
                                               "tMüller Säge § 4 uDE123456789 j19.00 wEUR n0.000000"));
    EXPECT_EQ(RecordText(*back.GetAt(1)), Ansi("1234.56 l-1 a8400 e10000 d05.03.2023 b202317 c123 k42/ h0.29 "
                                               "tMüller Säge § 4 uDE123456789 j19.00 wDEM n0.000000"));
    EXPECT_EQ(reader.kontonummernErweiterung, 0);
    EXPECT_EQ(reader.kontonummernLaenge, 4);
    EXPECT_EQ(reader.datentraegerNummer, 7);
}

TEST_F(KneRoundTrip, MasterDataComeBackUnchanged) {
    for (int extended = 1; extended >= 0; --extended) {
        writer.kontonummernErweiterung = extended;
        writer.abrechnungsNummer = 1223;
        CStammCtrl list;
        for (int i = 0; i < 40; ++i) // several blocks
            list.Add(FullRecord(10000 + i));
        CStammData small;
        small.datevKonto = 70000;
        small.name1 = "Lieferant";
        list.Add(small);
        CStammCtrl back = WriteAndReadMaster(list);
        ASSERT_EQ(back.GetCount(), list.GetCount());
        for (int i = 0; i < back.GetCount(); ++i)
            EXPECT_EQ(RecordText(*back.GetAt(i)), RecordText(*list.GetAt(i))) << i;
        EXPECT_EQ(reader.abrechnungsNummer, 12); // "001223": number and year
        EXPECT_EQ(reader.buchungsjahr, "23");
        EXPECT_EQ(reader.kontonummernLaenge, extended ? 6 : 4);
        EXPECT_EQ(messages, "");
    }
}

TEST_F(KneRoundTrip, MasterVariantOneComesBackPadded) {
    writer.stammdatenAusgabe = "VARIANTE-1";
    CStammCtrl list;
    list.Add(FullRecord(10000));
    CStammCtrl back = WriteAndReadMaster(list);
    ASSERT_EQ(back.GetCount(), 1);
    EXPECT_EQ(back.GetAt(0)->datevKonto, 10000);
    EXPECT_EQ(back.GetAt(0)->name1, Ansi("Müller GmbH         "));
    EXPECT_EQ(back.GetAt(0)->ort, "Stuttgart           ");
    EXPECT_EQ(back.GetAt(0)->bank, "");
    EXPECT_EQ(back.GetAt(0)->iban, "DE02600501010000123456");
}
