#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CValueCheck.h"
#include "datev/CDatevProReader.h"
#include "datev/CDatevProWriter.h"
#include "datev/ExtfTestSupport.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

using namespace extf_test;

namespace {

const std::string kHeader510 =
    "\"EXTF\";510;21;\"Buchungsstapel\";7;20240101120000000;;\"\";\"--\";\"\";1001;456;"
    "20230701;4;20230701;20240630;\"\";\"\";1;0;0;\"\";;;;;\"\";;;\"\";\"\"\r\n";

// The heading line with the columns every bookings file must have.
const std::string kRequired = "Umsatz (ohne Soll/Haben-Kz);Soll/Haben-Kennzeichen;Konto;Gegenkonto (ohne "
                              "BU-Schl\xFCssel);Belegdatum\r\n";

class ExtfReaderTest : public ::testing::Test {
protected:
    bool ReadBookings(const std::string& path) {
        return CDatevProReader::ReadDatevProBookings(doc, path, frontEnd, 0, messages);
    }
    bool ReadMaster(const std::string& path) {
        return CDatevProReader::ReadDatevProMaster(doc, path, frontEnd, 0, messages);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = temp.File(name);
        CTempDir::Write(path, bytes);
        return path;
    }
    const CBuchungenData& Booking(int i) { return *doc.buchungen.GetAt(i); }

    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    std::string messages;
};

TEST_F(ExtfReaderTest, GoldenBookingsOfEachVersionReadBackWithHeaderParameters) {
    for (int version : {300, 510, 700}) {
        doc.buchungen.RemoveAll();
        ASSERT_TRUE(ReadBookings(Data("EXTF_Buchungen_" + std::to_string(version) + ".csv")));
        EXPECT_EQ("", messages);
        ASSERT_EQ(2, doc.buchungen.GetCount());
        const CBuchungenData& b = Booking(0);
        EXPECT_DOUBLE_EQ(-2345.5, b.betrag);
        EXPECT_EQ("EUR", b.waehrung);
        EXPECT_EQ(1200, b.sollKonto);
        EXPECT_EQ(8400, b.habenKonto);
        EXPECT_EQ(3, b.datevSchluessel);
        EXPECT_EQ("31.12.2023", b.datum);
        EXPECT_EQ("RE-1", b.buchungsnummer);
        EXPECT_EQ("B2", b.belegnummer2);
        EXPECT_DOUBLE_EQ(2.5, b.skonto);
        EXPECT_EQ("Miete \"Lager\";Nord", b.buchungstext);
        EXPECT_EQ("K1", b.kostenstelle1);
        EXPECT_EQ("DE123456789", b.ustId) << version;
        EXPECT_DOUBLE_EQ(19, b.euSteuersatz);
        EXPECT_DOUBLE_EQ(1.123456, Booking(1).waehrungskurs);
        EXPECT_EQ("15.01.2023", Booking(1).datum);

        const CDatev& datev = doc.datev;
        EXPECT_EQ(version, datev.datevProVersion);
        EXPECT_EQ(1234567, datev.beraterNummer);
        EXPECT_EQ(12345, datev.mandantenNummer);
        EXPECT_EQ("01.01.2023", datev.wirtschaftsjahrBeginn);
        EXPECT_EQ(4, datev.kontonummernLaenge);
        EXPECT_EQ("01.01.2023", datev.datumVon);
        EXPECT_EQ("31.12.2023", datev.datumBis);
        EXPECT_EQ(version >= 510 ? 1 : 0, datev.festschreibung);
    }
}

TEST_F(ExtfReaderTest, MasterGoldenFilesOfEachVersionReadBack) {
    for (int version : {300, 510, 700}) {
        doc.stamm.RemoveAll();
        ASSERT_TRUE(ReadMaster(Data("EXTF_Stamm_" + std::to_string(version) + ".csv")));
        ASSERT_EQ(1, doc.stamm.GetCount());
        const CStammData& s = *doc.stamm.GetAt(0);
        EXPECT_EQ(10000, s.datevKonto);
        EXPECT_EQ("M\xFCller GmbH", s.name1);
        EXPECT_EQ("Lager", s.name2);
        EXPECT_EQ("DE987654321", s.ustIdnr) << version;
        EXPECT_EQ("Hauptstra\xDF"
                  "e 1",
                  s.strasse);
        EXPECT_EQ("Deutschland", s.land); // "De", the written value cut to its length, mapped back
        EXPECT_EQ("DE02370501980001802057", s.iban) << version;
        EXPECT_EQ("AT611904300234573201", s.iban2) << version;
        EXPECT_EQ("BKAUATWW", s.swift2);
        EXPECT_EQ("AT", s.laenderkennz2);
        EXPECT_EQ("K-7", s.kundennummer);
    }
    EXPECT_EQ("", messages);
}

TEST_F(ExtfReaderTest, RoundTripThroughEachVersionKeepsEveryWrittenValue) {
    for (int version : {300, 510, 700}) {
        CPelkoDoc source(frontEnd);
        SetParameters(source.datev, version);
        AddBookings(source.buchungen);
        AddMaster(source.stamm);
        std::string bookings = temp.File("EXTF_B.csv"), master = temp.File("EXTF_S.csv");
        std::string ignored;
        ASSERT_TRUE(CDatevProWriter::WriteDatevProBookings(source, bookings, frontEnd, ignored));
        ASSERT_TRUE(CDatevProWriter::WriteDatevProMaster(source, master, frontEnd, ignored));

        CPelkoDoc target(frontEnd);
        ASSERT_TRUE(CDatevProReader::ReadDatevProBookings(target, bookings, frontEnd, 0, messages));
        ASSERT_TRUE(CDatevProReader::ReadDatevProMaster(target, master, frontEnd, 0, messages));
        ASSERT_EQ(2, target.buchungen.GetCount());
        for (int i = 0; i < 2; ++i) {
            const CBuchungenData& in = *source.buchungen.GetAt(i);
            const CBuchungenData& out = *target.buchungen.GetAt(i);
            EXPECT_DOUBLE_EQ(in.betrag, out.betrag);
            EXPECT_EQ(in.sollKonto, out.sollKonto);
            EXPECT_EQ(in.habenKonto, out.habenKonto);
            EXPECT_EQ(in.buchungstext.substr(0, 60), out.buchungstext); // cut to its length
            EXPECT_EQ(in.ustId, out.ustId);
            EXPECT_DOUBLE_EQ(in.waehrungskurs, out.waehrungskurs);
        }
        const CStammData& in = *source.stamm.GetAt(0);
        const CStammData& out = *target.stamm.GetAt(0);
        EXPECT_EQ(in.name1, out.name1);
        EXPECT_EQ(in.name2, out.name2);
        EXPECT_EQ(in.ustIdnr, out.ustIdnr);
        EXPECT_EQ(in.iban, out.iban);
        EXPECT_EQ(in.email, out.email);
        EXPECT_EQ("", messages);
    }
}

TEST_F(ExtfReaderTest, RenamedHeadingFromTheLayoutKeepsItsPlaceOnReading) {
    CPlatform::CreateDirectories(temp.DataFile(""));
    CTempDir::Write(temp.DataFile("datevpro.ini"),
                    "[Export Buchungen Daten V2]\r\nName: Konto=Kontonummer\r\n");
    SetParameters(doc.datev, 510);
    AddBookings(doc.buchungen);
    std::string path = temp.File("EXTF_umbenannt.csv");
    ASSERT_TRUE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    EXPECT_EQ("Kontonummer", Split(Split(CTempDir::Read(path), "\r\n")[1], ";")[6]);

    doc.buchungen.RemoveAll();
    messages.clear();
    ASSERT_TRUE(ReadBookings(path));
    ASSERT_EQ(2, doc.buchungen.GetCount());
    EXPECT_EQ(1200, Booking(0).sollKonto);
    EXPECT_EQ(8400, Booking(0).habenKonto);
}

TEST_F(ExtfReaderTest, DataLinesAreMatchedByHeadingInAnyOrderAlsoWithTheOldSpelling) {
    std::string path = Write(
        "EXTF_hand.csv",
        kHeader510 + "Buchungstext;Unbekannt;Konto;Belegdatum;Soll/Haben-Kennzeichen;"
                     "Umsatz (ohne Soll/Haben-Kz);EU-Land u. UStID;Gegenkonto (ohne BU-Schl\xFC\x81ssel)\r\n"
                     "\"Text\";x;4400;1508;\"H\";12,5;\"ATU1\";8400;Rest;mehr\r\n");
    ASSERT_TRUE(ReadBookings(path));
    ASSERT_EQ(1, doc.buchungen.GetCount());
    EXPECT_EQ("Text", Booking(0).buchungstext);
    EXPECT_EQ(4400, Booking(0).sollKonto);
    EXPECT_DOUBLE_EQ(-12.5, Booking(0).betrag);
    EXPECT_EQ("ATU1", Booking(0).ustId);
    EXPECT_EQ(8400, Booking(0).habenKonto);
    EXPECT_EQ("HINWEIS: Zeile 3 hat 10 Felder, die \xDC"
              "berschriftenzeile nur 8; Felder ohne \xDC"
              "berschrift werden nur nach ihrer Stelle gelesen.\r\n",
              messages);
}

TEST_F(ExtfReaderTest, MissingRequiredColumnsStopTheReader) {
    std::string path =
        Write("EXTF_ohne.csv", kHeader510 + "Konto;Belegdatum;Soll/Haben-Kennzeichen\r\n1;0101;\"S\"\r\n");
    EXPECT_FALSE(ReadBookings(path));
    EXPECT_EQ(
        "FEHLER: Die Spalte 'Umsatz (ohne Soll/Haben-Kz)' fehlt in der Datei, die Daten k\xF6nnen nicht "
        "gelesen werden.\r\n"
        "FEHLER: Die Spalte 'Gegenkonto (ohne BU-Schl\xFCssel)' fehlt in der Datei, die Daten k\xF6nnen "
        "nicht gelesen werden.\r\n",
        messages);
    EXPECT_EQ(0, doc.buchungen.GetCount());
}

TEST_F(ExtfReaderTest, MasterNamesComeFromTheFirstFilledNameColumnAndOnlyName2FromSonstige) {
    std::string header =
        "\"EXTF\";300;16;\"Debitoren/Kreditoren\";3;;;\"\";\"\";\"\";1001;456;20230101;4\r\n";
    std::string path = Write("EXTF_namen.csv",
                             header + "Konto;Name (Adressatentyp Unternehmen);Sonstige;Bemerkung (Sonstige);"
                                      "EU-Mitgliedstaat;EU-UStIdNr.;Land\r\n"
                                      "1;\"Firma A\";\"Zweig\";\"Name 1\";\"DE\";\"987654321\";\"XX\"\r\n"
                                      "2;;\"Lager\";\"Name 2\";;;\r\n");
    ASSERT_TRUE(ReadMaster(path));
    ASSERT_EQ(2, doc.stamm.GetCount());
    EXPECT_EQ("Firma A", doc.stamm.GetAt(0)->name1);
    EXPECT_EQ("", doc.stamm.GetAt(0)->name2);
    EXPECT_EQ("DE987654321", doc.stamm.GetAt(0)->ustIdnr);
    EXPECT_EQ("XX", doc.stamm.GetAt(0)->land);
    EXPECT_EQ("Lager", doc.stamm.GetAt(1)->name2);
    EXPECT_EQ(1001, doc.datev.beraterNummer);
    EXPECT_EQ(300, doc.datev.datevProVersion);
}

TEST_F(ExtfReaderTest, EveryValueIsReadAsWrittenOrItsRecordIsNamed) {
    std::string lines = kHeader510 + kRequired +
                        "12,50;\"h\";1;2;0101\r\n"
                        "12,50;\"X\";1;2;0101\r\n"
                        "abc;\"S\";1;2;0101\r\n"
                        "123456789012345678901234567890;\"S\";1;2;0101\r\n"
                        "-5,00;\"S\";1;2;0101\r\n"
                        "1,00;\"S\";8400A;2;0101\r\n"
                        "1,00;\"S\";1;2;3102\r\n"
                        "1,00;\"S\";1;2\r\n"
                        "64083;\"H\";1200;8400;1508\r\n"
                        "\r\n"
                        "2,00;S;3;4;0201"; // DATEV's own files may end without a line end
    ASSERT_TRUE(ReadBookings(Write("EXTF_werte.csv", lines)));
    ASSERT_EQ(2, doc.buchungen.GetCount());
    EXPECT_DOUBLE_EQ(-64083, Booking(0).betrag);
    EXPECT_EQ("15.08.2023", Booking(0).datum);
    EXPECT_DOUBLE_EQ(2, Booking(1).betrag);
    EXPECT_EQ("02.01.2024", Booking(1).datum);
    const std::string notTaken = " Der Datensatz wird nicht \xFC"
                                 "bernommen.\r\n";
    EXPECT_EQ(
        "FEHLER: Zeile 3, Feld 'Soll/Haben-Kennzeichen': 'h' ist weder 'S' noch 'H'." + notTaken +
            "FEHLER: Zeile 4, Feld 'Soll/Haben-Kennzeichen': 'X' ist weder 'S' noch 'H'." + notTaken +
            CValueCheck::Rejected(5, "Umsatz", "abc", CValueCheck::EKind::Number) +
            CValueCheck::Rejected(6, "Umsatz", "123456789012345678901234567890", CValueCheck::EKind::Number) +
            "FEHLER: Zeile 7, Feld 'Umsatz': '-5,00' ist negativ, die Richtung gibt das "
            "Soll/Haben-Kennzeichen an." +
            notTaken + CValueCheck::Rejected(8, "Konto", "8400A", CValueCheck::EKind::Account) +
            CValueCheck::Rejected(9, "Belegdatum", "3102", CValueCheck::EKind::Date) +
            "FEHLER: Zeile 10 hat nur 4 von 5 Feldern." + notTaken,
        messages);
}

TEST_F(ExtfReaderTest, Utf8WithByteOrderMarkIsReadAsUtf8) {
    std::string path = Write("EXTF_utf8.csv", "\xEF\xBB\xBF" + kHeader510 + "Buchungstext;" +
                                                  CCodePage::AnsiToUtf8(kRequired) +
                                                  "\"M\xC3\xBCller \xE2\x82\xAC\";1,00;\"S\";1;2;0101\r\n");
    ASSERT_TRUE(ReadBookings(path));
    ASSERT_EQ(1, doc.buchungen.GetCount());
    EXPECT_EQ("M\xFCller \x80", Booking(0).buchungstext);
    EXPECT_EQ(2, Booking(0).habenKonto);
    EXPECT_EQ("", messages);
}

TEST_F(ExtfReaderTest, Version700OfAnUnknownFormatIsReadByPositionWithItsFindings) {
    const std::string header =
        "\"EXTF\";700;21;\"Buchungsstapel\";14;;;\"\";\"\";\"\";1001;456;20240101;4;20240101;"
        "20241231;\"\";\"\";1;0;0;\"EUR\";;\"\";;;\"\";;;\"\";\"\"\r\n";
    std::string path = Write("EXTF_fv14.csv", header + "A;B;C;D;E;F;G;H;I;J\r\n"
                                                       "1,00;\"S\";;;;;123456;8400;\"12345\";0101\r\n"
                                                       "2,00;\"H\";;;;;10000;8400;\"6501\";0201\r\n");
    ASSERT_TRUE(ReadBookings(path));
    ASSERT_EQ(1, doc.buchungen.GetCount()); // a key of five digits is no key
    EXPECT_EQ(6501, Booking(0).datevSchluessel);
    EXPECT_EQ("02.01.2024", Booking(0).datum);
    EXPECT_EQ(
        "HINWEIS: Die Formatversion 14 ist f\xFCr die Datev-Version 700 unbekannt, die Spalten werden nach "
        "ihrer Stelle gelesen.\r\n"
        "HINWEIS: Zeile 3, Feld 'Konto': Das Konto 123456 hat mehr als 5 Stellen (Sachkontenl\xE4nge 4 + "
        "1).\r\n" +
            CValueCheck::Rejected(3, "BU-Schl\xFCssel", "12345", CValueCheck::EKind::Integer),
        messages);
}

TEST_F(ExtfReaderTest, FieldsOfVersion700SurviveAWriteAndARead) {
    CPelkoDoc source(frontEnd);
    SetParameters(source.datev, 700);
    CBuchungenData b;
    b.betrag = 10;
    b.sollKonto = 10000;
    b.habenKonto = 8125;
    b.datum = "03.05.2023";
    b.buchungsnummer = std::string(36, '7');
    b.datevSchluessel = 6501;
    b.leistungsdatum = "30.04.2023";
    b.ustId = "FR12345678901";
    b.ustIdUrsprung = "DE123456789";
    b.euSteuersatzUrsprung = 19;
    source.buchungen.Add(b);
    std::string path = temp.File("EXTF_700.csv"), ignored;
    ASSERT_TRUE(CDatevProWriter::WriteDatevProBookings(source, path, frontEnd, ignored));
    EXPECT_EQ("", ignored);
    ASSERT_TRUE(ReadBookings(path));
    ASSERT_EQ(1, doc.buchungen.GetCount());
    const CBuchungenData& out = Booking(0);
    EXPECT_EQ(b.buchungsnummer, out.buchungsnummer);
    EXPECT_EQ(6501, out.datevSchluessel);
    EXPECT_EQ("30.04.2023", out.leistungsdatum);
    EXPECT_EQ("FR12345678901", out.ustId);
    EXPECT_EQ("DE123456789", out.ustIdUrsprung);
    EXPECT_DOUBLE_EQ(19, out.euSteuersatzUrsprung);
    EXPECT_EQ("", messages);
}

TEST_F(ExtfReaderTest, FiscalYearAcrossNewYearGivesEarlyMonthsTheSecondYear) {
    std::string path =
        Write("EXTF_wj.csv",
              kHeader510 + kRequired + "1;S;1;9;1508\r\n1;S;2;9;0302\r\n1;S;3;9;302\r\n1;S;4;9;0107\r\n");
    ASSERT_TRUE(ReadBookings(path));
    ASSERT_EQ(4, doc.buchungen.GetCount());
    EXPECT_EQ("15.08.2023", Booking(0).datum);
    EXPECT_EQ("03.02.2024", Booking(1).datum);
    EXPECT_EQ("03.02.2024", Booking(2).datum);
    EXPECT_EQ("01.07.2023", Booking(3).datum);
}

TEST_F(ExtfReaderTest, AHeaderWithoutTheRangeOrItsEndGivesNoYearOrTheStartYear) {
    const std::string bookings = kRequired + "1;S;1;9;1508\r\n1;S;2;9;0302\r\n";
    const struct {
        const char* range; // Datum von;Datum bis
        const char* august;
        const char* february;
    } cases[] = {{";", "15.08.", "03.02."}, {"20230701;", "15.08.2023", "03.02.2023"}};
    for (const auto& c : cases) {
        std::string header = kHeader510;
        header.replace(header.find("20230701;20240630"), 17, c.range);
        doc.buchungen.RemoveAll();
        ASSERT_TRUE(ReadBookings(Write("EXTF_range.csv", header + bookings))) << c.range;
        ASSERT_EQ(2, doc.buchungen.GetCount()) << c.range;
        EXPECT_EQ(c.august, std::string(Booking(0).datum)) << c.range;
        EXPECT_EQ(c.february, std::string(Booking(1).datum)) << c.range;
    }
}

TEST_F(ExtfReaderTest, UnknownVersionsAreReportedAndReadWithTheNearestTable) {
    std::string text = CTempDir::Read(Data("EXTF_Buchungen_510.csv"));
    text.replace(text.find(";510;"), 5, ";600;");
    ASSERT_TRUE(ReadBookings(Write("EXTF_600.csv", text)));
    EXPECT_EQ("FEHLER: Die Datev-Version 600 ist unbekannt.\r\n", messages);
    ASSERT_EQ(2, doc.buchungen.GetCount());
    EXPECT_EQ("", Booking(0).ustId); // its name differs between versions
    EXPECT_DOUBLE_EQ(19, Booking(0).euSteuersatz);
    EXPECT_DOUBLE_EQ(-2345.5, Booking(0).betrag);

    // Newer than 700: by position, whatever the format version says.
    messages.clear();
    doc.buchungen.RemoveAll();
    text.replace(text.find(";600;"), 5, ";720;");
    ASSERT_TRUE(ReadBookings(Write("EXTF_720.csv", text)));
    EXPECT_EQ(
        "FEHLER: Die Datev-Version 720 ist unbekannt.\r\n"
        "HINWEIS: Die Formatversion 7 ist f\xFCr die Datev-Version 720 unbekannt, die Spalten werden nach "
        "ihrer Stelle gelesen.\r\n",
        messages);
    ASSERT_EQ(2, doc.buchungen.GetCount());
    EXPECT_EQ("DE123456789", Booking(0).ustId);
}

TEST_F(ExtfReaderTest, WrongCategoryReadsNothing) {
    EXPECT_FALSE(ReadBookings(Data("EXTF_Stamm_510.csv")));
    EXPECT_EQ("FEHLER: Die Datei enth\xE4lt keine Buchungsdaten (Kategorie: ist=16, soll=21).\r\n", messages);
    EXPECT_EQ(0, doc.buchungen.GetCount());
    messages.clear();
    EXPECT_FALSE(ReadMaster(Data("EXTF_Buchungen_300.csv")));
    EXPECT_EQ("FEHLER: Die Datei enth\xE4lt keine Stammdaten (Kategorie: ist=21, soll=16).\r\n", messages);
    EXPECT_EQ(0, doc.stamm.GetCount());
}

TEST_F(ExtfReaderTest, KindComesFromTheCategory) {
    EXPECT_EQ(1, CDatevProReader::ReadDatevProKind(doc, Data("EXTF_Buchungen_300.csv")));
    EXPECT_EQ(2, CDatevProReader::ReadDatevProKind(doc, Data("EXTF_Stamm_510.csv")));
    EXPECT_EQ(2, CDatevProReader::ReadDatevProKind(doc, Data("samples/v510/EXTF_Kontenbeschriftungen.csv")));
    EXPECT_EQ(0, CDatevProReader::ReadDatevProKind(doc, temp.File("fehlt.csv")));
    EXPECT_EQ(1u, frontEnd.boxes.size());
    EXPECT_EQ(700, doc.datev.datevProVersion); // detection stores nothing
}

TEST_F(ExtfReaderTest, MissingFileGivesVersionAndCategoryFindings) {
    EXPECT_FALSE(ReadBookings(temp.File("fehlt.csv")));
    EXPECT_EQ("FEHLER: Die Datev-Version 0 ist unbekannt.\r\n"
              "FEHLER: Die Datei enth\xE4lt keine Buchungsdaten (Kategorie: ist=0, soll=21).\r\n",
              messages);
    EXPECT_EQ(1u, frontEnd.boxes.size());
}

TEST_F(ExtfReaderTest, DamagedHeadersGiveTheVersionAndCategoryFindings) {
    const std::string unknown = "FEHLER: Die Datev-Version 0 ist unbekannt.\r\n";
    const std::string noBookings =
        "FEHLER: Die Datei enth\xE4lt keine Buchungsdaten (Kategorie: ist=0, soll=21).\r\n";
    const std::pair<const char*, std::string> cases[] = {
        {"\"EXTF\";510\r\nBelegdatum;Konto\r\n0101;1\r\n", noBookings},
        {"\"EXTF\";abc;xyz\r\n", unknown + noBookings},
        {"", unknown + noBookings},
        {"\"EXTF;510;21;\"Buchungsstapel\"\r\nKonto\r\n1\r\n", unknown + noBookings},
    };
    for (const auto& [bytes, findings] : cases) {
        messages.clear();
        EXPECT_FALSE(ReadBookings(Write("EXTF_d.csv", bytes))) << bytes;
        EXPECT_EQ(findings, messages) << bytes;
        EXPECT_EQ(0, doc.buchungen.GetCount());
    }
}

TEST_F(ExtfReaderTest, HeaderOnlyLongLinesOddBytesAndOpenQuotes) {
    EXPECT_FALSE(ReadBookings(Write("EXTF_kopf.csv", kHeader510)));
    EXPECT_EQ(0, doc.buchungen.GetCount());

    messages.clear();
    std::string text(100000, 'a');
    text += "\x81\x96\x80";
    text += '\0';
    text += "z";
    const std::string headings = "Buchungstext;" + kRequired;
    ASSERT_TRUE(
        ReadBookings(Write("EXTF_lang.csv", kHeader510 + headings + "\"" + text + "\";1;\"S\";7;9;0101\r\n" +
                                                "\"offen;1;S;8;9;0101\r\n\"noch\";1;S;9;9;0101\r\n")));
    ASSERT_EQ(2, doc.buchungen.GetCount());
    EXPECT_EQ(text.substr(0, text.size() - 2) + " z", Booking(0).buchungstext);
    EXPECT_EQ(7, Booking(0).sollKonto);
    // A quoted field over two lines, with text after its closing quote: the fields stay in place.
    EXPECT_EQ("offen;1;S;8;9;0101\r\nnoch\"", Booking(1).buchungstext);
    EXPECT_EQ(9, Booking(1).sollKonto);
    EXPECT_EQ("", messages);

    // A line cut by the end of the file.
    messages.clear();
    doc.buchungen.RemoveAll();
    ASSERT_TRUE(ReadBookings(
        Write("EXTF_cut.csv", kHeader510 + headings + "\"a\";1;\"S\";7;9;0101\r\n\"b\";2;\"S\"")));
    EXPECT_EQ(1, doc.buchungen.GetCount());
    EXPECT_EQ("FEHLER: Zeile 4 endet nach 3 von 6 Feldern mit dem Ende der Datei, die Datei ist "
              "unvollst\xE4ndig. Der Datensatz wird nicht \xFC"
              "bernommen.\r\n",
              messages);
}

TEST_F(ExtfReaderTest, RealFilesOfOtherProgramsAreReadOrGetAFinding) {
    ASSERT_TRUE(ReadBookings(Data("samples/v510/EXTF_Buchungsstapel.csv")));
    EXPECT_EQ("", messages);
    ASSERT_EQ(2, doc.buchungen.GetCount());
    EXPECT_DOUBLE_EQ(-24.95, Booking(0).betrag);
    EXPECT_EQ(1200, Booking(0).sollKonto);
    EXPECT_EQ(4940, Booking(0).habenKonto);
    EXPECT_EQ(8, Booking(0).datevSchluessel);
    EXPECT_EQ("21.02.2018", Booking(0).datum);
    EXPECT_EQ("Fachbuch: Controlling f\xFCr Dummies", Booking(0).buchungstext);
    EXPECT_DOUBLE_EQ(5950, Booking(1).betrag);
    EXPECT_EQ("RE201802-135", Booking(1).buchungsnummer);
    EXPECT_EQ(1001, doc.datev.beraterNummer);

    doc.buchungen.RemoveAll();
    ASSERT_TRUE(ReadBookings(Data("samples/v700/EXTF_Buchungsstapel.csv"))); // format version 9
    EXPECT_EQ("", messages);
    ASSERT_EQ(2, doc.buchungen.GetCount());
    EXPECT_DOUBLE_EQ(-24.95, Booking(0).betrag);
    EXPECT_EQ(1200, Booking(0).sollKonto);
    EXPECT_EQ(4940, Booking(0).habenKonto);
    EXPECT_EQ(8, Booking(0).datevSchluessel);
    EXPECT_DOUBLE_EQ(5950, Booking(1).betrag);
    EXPECT_EQ(10000, Booking(1).sollKonto);
    EXPECT_EQ(8400, Booking(1).habenKonto);
    EXPECT_EQ(700, doc.datev.datevProVersion);

    for (const char* folder : {"samples/v510/", "samples/v700/"}) {
        doc.stamm.RemoveAll();
        ASSERT_TRUE(ReadMaster(Data(std::string(folder) + "EXTF_Stammdaten.csv")));
        ASSERT_EQ(4, doc.stamm.GetCount());
        const CStammData& person = *doc.stamm.GetAt(0);
        EXPECT_EQ(10000, person.datevKonto);
        EXPECT_EQ("Mustermann", person.name1);
        EXPECT_EQ("Frau", person.anrede);
        EXPECT_EQ("K\xF6ln", person.ort);
        EXPECT_EQ("Deutschland", person.land); // "IN:Land" of the shipped mapping file
        EXPECT_EQ("DE12500105170648489890", person.iban) << folder;
        EXPECT_EQ("Meyer GmbH", doc.stamm.GetAt(1)->name1);
    }

    // The early unquoted file ends its lines with LF alone.
    messages.clear();
    doc.buchungen.RemoveAll();
    ASSERT_TRUE(ReadBookings(Data("samples/v510-unquoted/EXTF_Buchungsstapel.csv")));
    EXPECT_EQ("", messages);
    ASSERT_EQ(2, doc.buchungen.GetCount());
    const CBuchungenData& book = *doc.buchungen.GetAt(0);
    EXPECT_EQ(-24.95, book.betrag);
    EXPECT_EQ(1200, book.sollKonto);
    EXPECT_EQ(4940, book.habenKonto);
    EXPECT_EQ(8, book.datevSchluessel);
    EXPECT_EQ("21.06.2016", book.datum);
    EXPECT_EQ(5950.0, doc.buchungen.GetAt(1)->betrag);
    EXPECT_EQ("RE201606-135", doc.buchungen.GetAt(1)->buchungsnummer);

    const std::string runsOn =
        "FEHLER: Die erste Zeile der Datei endet nicht mit CR LF oder enth\xE4lt ein nicht "
        "geschlossenes Anf\xFChrungszeichen, die Daten k\xF6nnen nicht gelesen werden.\r\n";
    messages.clear();
    std::string openQuote = kHeader510;
    openQuote.replace(openQuote.find("\"\";\"\";1;"), 3, "\"x;");
    EXPECT_FALSE(ReadBookings(Write("EXTF_q.csv", openQuote + "Konto\r\n1\r\n")));
    EXPECT_EQ(runsOn, messages);
    // Account labels are master data: account and label.
    for (const char* folder : {"samples/v510/", "samples/v700/"}) {
        messages.clear();
        doc.stamm.RemoveAll();
        ASSERT_TRUE(ReadMaster(Data(std::string(folder) + "EXTF_Kontenbeschriftungen.csv")));
        EXPECT_EQ("", messages);
        ASSERT_EQ(3, doc.stamm.GetCount());
        EXPECT_EQ(400, doc.stamm.GetAt(0)->datevKonto);
        EXPECT_EQ("Betriebsausstattung", doc.stamm.GetAt(0)->name1);
        EXPECT_EQ("Girokonto", doc.stamm.GetAt(2)->name1);
    }
}

} // namespace
