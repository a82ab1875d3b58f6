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
