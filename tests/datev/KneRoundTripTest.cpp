#include "core/CCodePage.h"
#include "datev/CDatev.h"
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
        CBuchungenCtrl back;
        EXPECT_TRUE(reader.ReadKneBookings(temp.File(writer.IsExtendedFormat() ? "ED00001" : "DE001"), back,
                                           frontEnd, messages));
        return back;
    }

    CStammCtrl WriteAndReadMaster(const CStammCtrl& list) {
        EXPECT_EQ(writer.WriteKneMaster(temp.path.string(), list, frontEnd, messages), list.GetCount());
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

    const CBuchungenData& full = *back.GetAt(0);
    EXPECT_DOUBLE_EQ(full.betrag, 1234.56);
    EXPECT_EQ(full.datevSchluessel, 9);
    EXPECT_EQ(full.habenKonto, 8400);
    EXPECT_EQ(full.buchungsnummer, "RE-2023/17");
    EXPECT_EQ(full.belegnummer2, "000123");
    EXPECT_EQ(full.datum, "05.03.2023");
    EXPECT_EQ(full.sollKonto, 10000);
    EXPECT_EQ(full.kostenstelle1, "0042");
    EXPECT_EQ(full.kostenstelle2, "KST2");
    EXPECT_DOUBLE_EQ(full.skonto, 0.28); // the writer truncates 28.999... cents
    EXPECT_EQ(full.buchungstext, Ansi("Müller Säge § 4"));
    EXPECT_EQ(full.ustId, "DE123456789");
    EXPECT_DOUBLE_EQ(full.euSteuersatz, 19.0);
    EXPECT_EQ(full.waehrung, "USD");
    EXPECT_DOUBLE_EQ(full.waehrungskurs, 1.0832);

    const CBuchungenData& rounded = *back.GetAt(1);
    EXPECT_DOUBLE_EQ(rounded.betrag, -10.13);
    EXPECT_EQ(rounded.datevSchluessel, -1); // 0 is not written
    EXPECT_EQ(rounded.datum, "31.12.2023");
    EXPECT_EQ(rounded.waehrung, "EUR");
    for (int i = 2; i < back.GetCount(); ++i) {
        EXPECT_DOUBLE_EQ(back.GetAt(i)->betrag, i - 2);
        EXPECT_EQ(back.GetAt(i)->buchungstext, list.GetAt(i)->buchungstext.substr(0, 30));
    }

    EXPECT_EQ(reader.beraterNummer, 1234567);
    EXPECT_EQ(reader.beraterName, "");
    EXPECT_EQ(reader.mandantenNummer, 12345);
    EXPECT_EQ(reader.dfvKennzeichen, "MM");
    EXPECT_EQ(reader.datentraegerNummer, 7);
    EXPECT_EQ(reader.abrechnungsNummer, 12);
    EXPECT_EQ(reader.passwort, "pw12");
    EXPECT_EQ(reader.kontonummernErweiterung, 1);
    EXPECT_EQ(reader.kontonummernLaenge, 6);
    EXPECT_EQ(reader.datumVon, "01.01.2023");
    EXPECT_EQ(reader.datumBis, "31.12.2023");
}

TEST_F(KneRoundTrip, OldFormatBookingsComeBackAsNumbers) {
    writer.kontonummernErweiterung = 0;
    CBuchungenCtrl list;
    list.Add(FullBooking());
    CBuchungenData b = FullBooking();
    b.waehrung = "DEM";
    b.datevSchluessel = 0;
    b.kostenstelle2 = "";
    list.Add(b);
    CBuchungenCtrl back = WriteAndReadBookings(list);
    ASSERT_EQ(back.GetCount(), 2);
    const CBuchungenData& full = *back.GetAt(0);
    EXPECT_DOUBLE_EQ(full.betrag, 1234.56);
    EXPECT_EQ(full.datevSchluessel, 9);
    EXPECT_EQ(full.habenKonto, 8400);
    EXPECT_EQ(full.buchungsnummer, "202317");
    EXPECT_EQ(full.belegnummer2, "123");
    EXPECT_EQ(full.kostenstelle1, "42");
    EXPECT_EQ(full.kostenstelle2, "2"); // only the digits of "KST2" are written
    EXPECT_EQ(full.datum, "05.03.2023");
    EXPECT_EQ(full.buchungstext, Ansi("Müller Säge § 4"));
    EXPECT_EQ(full.ustId, "DE123456789");
    EXPECT_EQ(full.waehrung, "EUR");
    EXPECT_EQ(back.GetAt(1)->waehrung, "DEM");
    EXPECT_EQ(back.GetAt(1)->datevSchluessel, -1);
    EXPECT_EQ(back.GetAt(1)->habenKonto, 8400);
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
        for (int i = 0; i < back.GetCount(); ++i) {
            const CStammData& a = *list.GetAt(i);
            const CStammData& r = *back.GetAt(i);
            EXPECT_EQ(r.datevKonto, a.datevKonto);
            EXPECT_EQ(std::tie(r.name1, r.kundennummer, r.name2, r.strasse, r.postleitzahl, r.ort, r.anrede,
                               r.bank, r.kontonummer, r.bankleitzahl, r.ustIdnr, r.postfach, r.land),
                      std::tie(a.name1, a.kundennummer, a.name2, a.strasse, a.postleitzahl, a.ort, a.anrede,
                               a.bank, a.kontonummer, a.bankleitzahl, a.ustIdnr, a.postfach, a.land));
            EXPECT_EQ(std::tie(r.telefon, r.fax, r.email, r.laenderkennz, r.iban, r.swift, r.laenderkennz2,
                               r.bank2, r.iban2, r.swift2),
                      std::tie(a.telefon, a.fax, a.email, a.laenderkennz, a.iban, a.swift, a.laenderkennz2,
                               a.bank2, a.iban2, a.swift2));
        }
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
