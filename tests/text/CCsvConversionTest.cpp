#include "text/CCsvConversion.h"
#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

namespace {

struct CFixture {
    CTempDir dir;
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    std::string messages;
    CFixture() { doc.InitDocument(); }
    void Layout(const std::string& text) {
        std::filesystem::create_directories(dir.path / "data");
        CTempDir::Write(dir.DataFile("csv.ini"), text);
    }

    // Imports one booking line in the default column order (with a heading line).
    CBuchungenData ImportOne(const std::string& line) {
        std::string in = dir.File("in.csv");
        CTempDir::Write(in, "Kopf;Kopf\r\n" + line + "\r\n");
        doc.buchungen.RemoveAll();
        EXPECT_EQ(CCsvConversion::ImportBookingsCsv(doc, in, 0, messages), 1);
        EXPECT_EQ(doc.buchungen.GetCount(), 1);
        return doc.buchungen.GetCount() ? *doc.buchungen.GetAt(0) : CBuchungenData();
    }
    // Writes the bookings and returns the first data line.
    std::string ExportLine() {
        std::string out = dir.File("out.csv");
        EXPECT_EQ(CCsvConversion::ExportBookingsCsv(doc, out, 0), 1);
        std::string bytes = CTempDir::Read(out);
        size_t start = bytes.find("\r\n") + 2;
        return bytes.substr(start, bytes.find("\r\n", start) - start);
    }
};

// Fields 0..16: Nr;Beleg2;Datum;Soll;Haben;Schl;Betrag;Whg;Text;K1;K2;Skonto;UstID;EU;Kurs;Umsatz;SH
std::string Line(const std::string& betrag, const std::string& umsatz = "", const std::string& sh = "") {
    return "1;;01.02.2024;1200;8400;;" + betrag + ";EUR;T;;;;;19;;" + umsatz + ";" + sh;
}

} // namespace

TEST(CCsvConversion, AmountSignDivisorAndIndicator) {
    CFixture f;
    f.doc.settings.betragVorzeichenHinten = 1;
    EXPECT_DOUBLE_EQ(f.ImportOne(Line("0012,50-")).betrag, -12.5);
    EXPECT_DOUBLE_EQ(f.ImportOne(Line("12,50+")).betrag, 12.5);
    // Only a sign moves to the front: a plain amount keeps its digits.
    EXPECT_DOUBLE_EQ(f.ImportOne(Line("12,34")).betrag, 12.34);
    f.doc.settings.betragVorzeichenHinten = 0;
    f.doc.settings.betragTeilen = "100";
    f.doc.settings.steuersatzTeilen = "10";
    CBuchungenData b = f.ImportOne(Line("1250"));
    EXPECT_DOUBLE_EQ(b.betrag, 12.5);
    EXPECT_DOUBLE_EQ(b.euSteuersatz, 1.9);
    f.doc.settings.betragTeilen = "abc";
    EXPECT_DOUBLE_EQ(f.ImportOne(Line("1250")).betrag, 1250);
    f.doc.settings.betragTeilen.clear();
    EXPECT_DOUBLE_EQ(f.ImportOne(Line("", "99,90", " H ")).betrag, -99.9);
    EXPECT_DOUBLE_EQ(f.ImportOne(Line("", "99,90", "h")).betrag, 99.9);
    EXPECT_DOUBLE_EQ(f.ImportOne(Line("10", "20", "H")).betrag, -10);
    // What the export writes for a negative amount reads back as that amount.
    EXPECT_DOUBLE_EQ(f.ImportOne(Line("-59,50", "59,50", "H")).betrag, -59.5);
    EXPECT_EQ(f.doc.recordCounter, 1);
}

TEST(CCsvConversion, CurrencyDefaultsOnlyForAMissingColumn) {
    CFixture f;
    EXPECT_EQ(f.ImportOne("1;;;;;;5;;Text").waehrung, "");
    f.Layout("[Import Buchungsdaten]\r\nSel.: " + Ansi("Währung") + "=0\r\n");
    EXPECT_EQ(f.ImportOne("1;;;;;;5;USD;Text").waehrung, "EUR");
}

TEST(CCsvConversion, ExportLeavesZeroFieldsEmpty) {
    CFixture f;
    f.Layout("[Export Buchungsdaten]\r\nHochkomma=0\r\n");
    CBuchungenData b;
    b.buchungsnummer = "7";
    b.datum = "24.12.";
    b.habenKonto = 8400;
    b.betrag = -987.5;
    f.doc.buchungen.Add(b);
    f.doc.settings.outFormatDatum = "MM/TT";
    EXPECT_EQ(f.ExportLine(), "7;;12/24;;8400;;-987,50;;;;;;;;;987,50;\"H\"");
    f.doc.settings.outFormatDatum.clear();
    EXPECT_EQ(f.ExportLine(), "7;;24.12.;;8400;;-987,50;;;;;;;;;987,50;\"H\"");
    EXPECT_EQ(f.doc.recordCounter, 2);
}

TEST(CCsvConversion, MasterDataWithoutAccountColumn) {
    CFixture f;
    f.Layout("[Import Stammdaten]\r\nSel.: Datev-Konto=0\r\n");
    std::string in = f.dir.File("in.csv");
    CTempDir::Write(in, "Konto;Anrede;Name\r\n10000;Herr;Meier\r\n");
    EXPECT_EQ(CCsvConversion::ImportMasterCsv(f.doc, in, 0, f.messages), 1);
    ASSERT_EQ(f.doc.stamm.GetCount(), 1);
    EXPECT_EQ(f.doc.stamm.GetAt(0)->datevKonto, 0);
    EXPECT_EQ(f.doc.stamm.GetAt(0)->name1, "Meier");
}

TEST(CCsvConversion, ShownDialogThatIsCancelledStopsTheRun) {
    CFixture f;
    f.frontEnd.dialogAnswer = false;
    std::string out = f.dir.File("out.csv");
    EXPECT_EQ(CCsvConversion::ExportMasterCsv(f.doc, out, 1), 0);
    EXPECT_EQ(f.frontEnd.dialogs, (std::vector<std::string>{"Auswahl und Position der Daten:"}));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(f.dir.DataFile("csv.ini")) &&
                 CTempDir::Read(f.dir.DataFile("csv.ini")).find("[Export Stammdaten]") != std::string::npos);
}

TEST(CCsvConversion, SettingsButtonsOpenTheDialogOfTheDataType) {
    CFixture f;
    f.doc.dataType = CPelkoDoc::Master;
    f.frontEnd.dialogAnswer = true;
    EXPECT_EQ(CCsvConversion::EditExportLayout(f.doc), 1);
    EXPECT_NE(CTempDir::Read(f.dir.DataFile("csv.ini")).find("[Export Stammdaten]"), std::string::npos);
    // Without a readable input file the import dialog is not shown; E:601 is shown once.
    f.doc.inputFile = f.dir.File("fehlt.csv");
    EXPECT_EQ(CCsvConversion::EditImportLayout(f.doc), 0);
    EXPECT_EQ(f.frontEnd.dialogs.size(), 1u);
    ASSERT_EQ(f.frontEnd.boxes.size(), 1u);
    EXPECT_EQ(f.frontEnd.boxes[0].text.rfind("(E:601#9500)", 0), 0u);
}

// Damaged or unusual files through the bookings import: how many bookings arrive, their amount
// sum, the result and the findings (every FEHLER names line, field and value).
TEST(CCsvConversion, DamagedFilesArriveWholeOrAreNamed) {
    const std::string head = "Buchungsnummer;Datum;Soll-Konto;Haben-Konto;Betrag\r\n";
    struct CCase {
        std::string bytes;
        int result;
        int count;
        double sum;
        std::string findings; // expected part of the findings; empty: no FEHLER
    };
    const CCase cases[] = {
        // Numbers, accounts and dates that cannot be read: the record stays out, a FEHLER names it.
        {head + "A;01.02.2024;1200;8400;1.234,56\r\nB;01.02.2024;1200;8400;1 234,56\r\n", 1, 2, 2469.12, ""},
        {head + "A;01.02.2024;1200;8400;12,50-\r\nB;01.02.2024;1200;8400;EUR 12,50\r\n", 1, 1, -12.5,
         Ansi("FEHLER: Zeile 3, Feld 'Betrag': 'EUR 12,50' ist keine gültige Zahl.")},
        {head + "A;01.02.2024;8400A;8400;1,00\r\n", 1, 0, 0, "Feld 'Soll-Konto': '8400A'"},
        {head + "A;31.02.2024;1200;8400;1,00\r\nB;2024-03-15;1200;8400;2,00\r\n", 1, 1, 2,
         "Zeile 2, Feld 'Datum': '31.02.2024'"},
        // A quote inside an unquoted field is a character; one that never closes fails the import.
        {head + "Zoll 3\" Rohr;01.02.2024;1200;8400;1,00\r\nB;01.02.2024;1200;8400;2,00\r\n", 1, 2, 3, ""},
        {head + "\"A;01.02.2024;1200;8400;1,00\r\nB;01.02.2024;1200;8400;2,00\r\n", 0, -1, 0,
         "FEHLER: Zeile 2: Ein Feld in"},
        // Line ends: CR alone, one LF alone among CR LF, and a Ctrl-Z at the end.
        {"Buchungsnummer;Betrag\rA;1,00\rB;2,00\r", 1, 2, 3, ""},
        {head + "A;01.02.2024;1200;8400;1,00\nB;01.02.2024;1200;8400;2,00\r\n", 1, 2, 3, ""},
        {head + "A;01.02.2024;1200;8400;1,00\r\n\x1A", 1, 1, 1, ""},
        // Headings with commas: the data lines confirm ";" as the separator.
        {"Nr, intern;Beleg, alt;Datum, Tag;Soll, Konto;Haben, Konto;BU, Schl;Betrag, EUR\r\n"
         "A;;01.02.2024;1200;8400;;1.428,00\r\n",
         1, 1, 1428, ""},
        // UTF-8 with and without its mark: umlauts arrive as such.
        {"\xEF\xBB\xBF"
         "Buchungsnummer;Betrag\r\nM\xC3\xBCller;1,00\r\n",
         1, 1, 1, ""},
        {"Buchungsnummer;Betrag\r\nM\xC3\xBCller \xE2\x82\xAC;1,00\r\n", 1, 1, 1, ""},
        {"Buchungsnummer;Betrag\r\n\xE2\x9C\x93;1,00\r\n", 1, 1, 1, "HINWEIS: Diese Zeichen"},
    };
    for (const CCase& c : cases) {
        CFixture f;
        std::string in = f.dir.File("in.csv");
        CTempDir::Write(in, c.bytes);
        EXPECT_EQ(CCsvConversion::ImportBookingsCsv(f.doc, in, 0, f.messages), c.result) << c.bytes;
        const std::string expected = c.findings.empty() ? "FEHLER" : c.findings;
        EXPECT_EQ(f.messages.find(expected) != std::string::npos, !c.findings.empty()) << c.bytes << "\n"
                                                                                       << f.messages;
        if (c.count < 0) continue; // a failed import: the run writes nothing
        EXPECT_EQ(f.doc.buchungen.GetCount(), c.count) << c.bytes;
        double sum = 0;
        for (int i = 0; i < f.doc.buchungen.GetCount(); ++i)
            sum += f.doc.buchungen.GetAt(i)->betrag;
        EXPECT_NEAR(sum, c.sum, 1e-9) << c.bytes;
        if (c.bytes.find("M\xC3\xBC") != std::string::npos) {
            EXPECT_EQ(f.doc.buchungen.GetAt(0)->buchungsnummer.substr(0, 6), "M\xFCller");
        }
    }
}

// A layout section that reads another column where the file's heading names one stops the import;
// without a section the headings assign the columns.
TEST(CCsvConversion, HeadingsAreComparedWithTheLayout) {
    CFixture f;
    std::string in = f.dir.File("in.csv");
    CTempDir::Write(in, "Buchungsnummer;Haben-Konto;Soll-Konto;Betrag\r\nA;8400;1200;5,00\r\n");
    EXPECT_EQ(CCsvConversion::ImportBookingsCsv(f.doc, in, 0, f.messages), 1);
    ASSERT_EQ(f.doc.buchungen.GetCount(), 1);
    EXPECT_EQ(f.doc.buchungen.GetAt(0)->sollKonto, 1200);
    EXPECT_EQ(f.doc.buchungen.GetAt(0)->habenKonto, 8400);
    EXPECT_DOUBLE_EQ(f.doc.buchungen.GetAt(0)->betrag, 5);
    EXPECT_NE(f.messages.find("HINWEIS: F\xFCr die Datei"), std::string::npos) << f.messages;

    f.Layout("[Import Buchungsdaten]\r\nPos.: Soll-Konto=1\r\nPos.: Haben-Konto=2\r\n");
    f.messages.clear();
    f.doc.buchungen.RemoveAll();
    EXPECT_EQ(CCsvConversion::ImportBookingsCsv(f.doc, in, 0, f.messages), 0);
    EXPECT_NE(f.messages.find("FEHLER: Zeile 1: Die Spalte 2 der Datei hei\xDFt 'Haben-Konto'"),
              std::string::npos)
        << f.messages;
    f.Layout(Ansi(
        "[Import Buchungsdaten]\r\nPos.: Soll-Konto=1\r\nPos.: Haben-Konto=2\r\nÜberschriften prüfen=0\r\n"));
    f.messages.clear();
    EXPECT_EQ(CCsvConversion::ImportBookingsCsv(f.doc, in, 0, f.messages), 1);
    EXPECT_EQ(f.doc.buchungen.GetAt(0)->sollKonto, 8400); // as the user wants it
}
