#include "core/CCodePage.h"
#include "core/CFileIo.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CTool.h"
#include "core/CValueCheck.h"
#include "datev/CDatevProReader.h"
#include "datev/CDatevProWriter.h"
#include "datev/ExtfTestSupport.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace extf_test;

namespace {

// Fails the flush to disk of one file, found by the name its descriptor stands for.
class CFailingSync : public CFileIo {
public:
    explicit CFailingSync(std::string nameRef) : name(std::move(nameRef)) { CFileIo::Install(this); }
    ~CFailingSync() override { CFileIo::Install(nullptr); }
    bool Sync(std::FILE* file) override {
        std::error_code error;
        auto path = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fileno(file)), error);
        return path.string().find(name) == std::string::npos && CFileIo::Sync(file);
    }

private:
    std::string name;
};

class ExtfWriterTest : public ::testing::Test {
protected:
    std::string WriteBookings(int version, const std::string& name = "EXTF_Buchungen.csv") {
        SetParameters(doc.datev, version);
        AddBookings(doc.buchungen);
        std::string path = temp.File(name);
        EXPECT_TRUE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
        return CTempDir::Read(path);
    }
    std::string WriteMaster(int version) {
        SetParameters(doc.datev, version);
        AddMaster(doc.stamm);
        std::string path = temp.File("EXTF_Stamm.csv");
        EXPECT_TRUE(CDatevProWriter::WriteDatevProMaster(doc, path, frontEnd, messages));
        return CTempDir::Read(path);
    }

    // The golden files expect country names without a mapping entry.
    static bool WithoutMapping(const CTempDir& temp) {
        CPlatform::CreateDirectories(temp.DataFile(""));
        CTempDir::Write(temp.DataFile("stammdaten_umsetzung.ini"), "[OUT:Land]\r\n");
        return true;
    }

    CTempDir temp;
    bool noMapping = WithoutMapping(temp);
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    std::string messages;
};

const std::string kBookingFindings =
    "HINWEIS: Zeile 2, Feld 'Buchungstext' darf maximal 60 Zeichen haben. Inhalt:'" + std::string(70, 'x') +
    "'\r\n"
    "HINWEIS: Zeile 3: Die Zeile ist au\xDF"
    "erhalb des gew\xFCnschten Datumbereichs (01.01.2024) und wird nicht geschrieben.\r\n"
    "FEHLER: Zeile 4, 'Betrag' ist 0.\r\n"
    "FEHLER: Zeile 4, Feld 'Soll-Konto' muss ausgef\xFCllt sein.\r\n"
    "FEHLER: Zeile 4, Feld 'Haben-Konto' muss ausgef\xFCllt sein.\r\n"
    "FEHLER: Zeile 4, Feld 'Datum' muss ausgef\xFCllt sein.\r\n"
    "FEHLER: Zeile 4: Die Zeile wird wegen fehlenden Daten nicht geschrieben.\r\n";

TEST_F(ExtfWriterTest, BookingsV51AndV70MatchGoldenFilesWithFindingsAndCounter) {
    for (int version : {510, 700}) {
        doc.buchungen.RemoveAll();
        doc.recordCounter = 0;
        messages.clear();
        ExpectSameFields(CTempDir::Read(Data("EXTF_Buchungen_" + std::to_string(version) + ".csv")),
                         WithoutTimeStamp(WriteBookings(version)));
        EXPECT_EQ(kBookingFindings, messages);
        EXPECT_EQ(4, doc.recordCounter);
        EXPECT_EQ(3, frontEnd.rangeHigh);
    }
}

// Limits of each version: texts are cut to them with the finding, a value that would change its
// meaning when cut keeps its booking out of the file.
TEST_F(ExtfWriterTest, FieldLengthsOfEachVersion) {
    struct CCase {
        int version;
        int key;
        std::string beleg;
        std::string kost;
        std::string line; // fields 9, 11 and 37 as written, empty when the booking is not written
        std::string findings;
    };
    const std::string beleg36(36, 'b'), kost36(36, 'k');
    const CCase cases[] = {
        {700, 6501, beleg36 + "x", kost36, "\"6501\"|\"" + beleg36 + "\"|\"" + kost36 + "\"",
         "HINWEIS: Zeile 1, Feld 'Buchungsnummer' darf maximal 36 Zeichen haben. Inhalt:'" + beleg36 +
             "x'\r\n"},
        {510, 12, beleg36, kost36.substr(0, 9), "\"12\"|\"" + beleg36.substr(0, 12) + "\"|\"kkkkkkkk\"",
         "HINWEIS: Zeile 1, Feld 'Buchungsnummer' darf maximal 12 Zeichen haben. Inhalt:'" + beleg36 +
             "'\r\nHINWEIS: Zeile 1, Feld 'Kostenstelle 1' darf maximal 8 Zeichen haben. "
             "Inhalt:'kkkkkkkkk'\r\n"},
        {510, 401, "B", "K", "",
         "HINWEIS: Zeile 1, Feld 'Datev-Schl\xFCssel' darf maximal 2 Zeichen haben. Inhalt:'401'\r\n"
         "FEHLER: Zeile 1: Das Feld 'Datev-Schl\xFCssel' ist zu lang, die Zeile wird nicht geschrieben.\r\n"},
        {700, 12345, "B", "K", "",
         "HINWEIS: Zeile 1, Feld 'Datev-Schl\xFCssel' darf maximal 4 Zeichen haben. Inhalt:'12345'\r\n"
         "FEHLER: Zeile 1: Das Feld 'Datev-Schl\xFCssel' ist zu lang, die Zeile wird nicht geschrieben.\r\n"},
    };
    for (const CCase& c : cases) {
        CPelkoDoc one(frontEnd);
        SetParameters(one.datev, c.version);
        CBuchungenData b;
        b.betrag = 1;
        b.sollKonto = 1200;
        b.habenKonto = 8400;
        b.datum = "01.02.2023";
        b.datevSchluessel = c.key;
        b.buchungsnummer = c.beleg;
        b.kostenstelle1 = c.kost;
        one.buchungen.Add(b);
        std::string path = temp.File("EXTF_laenge.csv"), found;
        ASSERT_TRUE(CDatevProWriter::WriteDatevProBookings(one, path, frontEnd, found));
        std::vector<std::string> lines = Split(CTempDir::Read(path), "\r\n");
        std::string written;
        if (lines.size() == 4) {
            std::vector<std::string> fields = Split(lines[2], ";");
            written = fields[8] + "|" + fields[10] + "|" + fields[36];
        }
        EXPECT_EQ(c.line, written) << c.version << " " << c.key;
        EXPECT_EQ(c.findings, found) << c.version << " " << c.key;
    }
}

TEST_F(ExtfWriterTest, DatesOfTwoFiscalYearsOrNoneStopTheExportAndBadDatesStayOut) {
    SetParameters(doc.datev, 700);
    doc.datev.wirtschaftsjahrBeginn = "01.07.2023";
    const std::pair<std::string, std::string> ranges[] = {{"15.06.2023", "15.07.2023"},
                                                          {"31.02.2023", "15.07.2023"}};
    std::string path = temp.File("EXTF_jahre.csv");
    CTempDir::Write(path, "previous export");
    for (const auto& [von, bis] : ranges) {
        doc.datev.datumVon = von;
        doc.datev.datumBis = bis;
        messages.clear();
        EXPECT_FALSE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
        EXPECT_EQ(0u, messages.rfind("FEHLER: ", 0)) << messages;
        EXPECT_NE(std::string::npos, messages.find("Der Export wird abgebrochen.")) << messages;
        EXPECT_EQ("previous export", CTempDir::Read(path));
    }

    // One fiscal year; a date without year lies in the range, one of no calendar stays out.
    doc.datev.datumVon = "01.07.2023";
    doc.datev.datumBis = "30.06.2024";
    for (const char* datum : {"15.03.", "31.02.2024", "15.08."}) {
        CBuchungenData b;
        b.betrag = 1;
        b.sollKonto = 1;
        b.habenKonto = 2;
        b.datum = datum;
        doc.buchungen.Add(b);
    }
    messages.clear();
    ASSERT_TRUE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    std::vector<std::string> lines = Split(CTempDir::Read(path), "\r\n");
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("1503", Split(lines[2], ";")[9]);
    EXPECT_EQ("1508", Split(lines[3], ";")[9]);
    EXPECT_EQ("20230701", Split(lines[0], ";")[14]);
    EXPECT_EQ(CValueCheck::Rejected(2, "Datum", "31.02.2024", CValueCheck::EKind::Date), messages);
}

TEST_F(ExtfWriterTest, BookingsV30MatchGoldenFileAndAnUnknownVersionWritesNothing) {
    ExpectSameFields(CTempDir::Read(Data("EXTF_Buchungen_300.csv")), WithoutTimeStamp(WriteBookings(300)));
    EXPECT_EQ(kBookingFindings, messages);

    messages.clear();
    doc.datev.datevProVersion = 400;
    std::string path = temp.File("EXTF_400.csv");
    EXPECT_FALSE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    EXPECT_FALSE(CDatevProWriter::WriteDatevProMaster(doc, path, frontEnd, messages));
    EXPECT_FALSE(CPlatform::FileExists(path));
    EXPECT_EQ(2u, Split(messages, "FEHLER: Die Datev-Version 400 ist unbekannt").size() - 1);
}

TEST_F(ExtfWriterTest, DecimalPointOptionChangesNumbersOnly) {
    CTempDir::Write(temp.DataFile("datevpro.ini"), "[Export Buchungen Daten V2]\r\nNachkommazeichen=1\r\n");
    ExpectSameFields(CTempDir::Read(Data("EXTF_Buchungen_510_Punkt.csv")),
                     WithoutTimeStamp(WriteBookings(510)));
}

TEST_F(ExtfWriterTest, WrongNameShortHeaderValuesAndRangeWithoutYearAreNotedAndWritten) {
    SetParameters(doc.datev, 510);
    doc.datev.beraterNummer = 123;
    doc.datev.mandantenNummer = 0;
    doc.datev.wirtschaftsjahrBeginn = "01.07.2022";
    doc.datev.datumVon = "01.07.";
    doc.datev.datumBis = "30.06.2023";
    std::string path = temp.File("buchungen.txt");
    ASSERT_TRUE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    std::vector<std::string> header = Split(Split(CTempDir::Read(path), "\r\n")[0], ";");
    ASSERT_EQ(31u, header.size());
    EXPECT_EQ("123", header[10]);
    EXPECT_EQ("", header[11]);
    EXPECT_EQ("20220701", header[14]);
    EXPECT_EQ("01.07.2022", doc.datev.datumVon);
    EXPECT_EQ("FEHLER: Der Dateiname sollte mit 'EXTF_' beginnen! Angegebener Dateiname: 'buchungen.txt'\r\n"
              "FEHLER: Der Dateiname sollte mit '.csv' enden! Angegebener Dateiname: 'buchungen.txt'\r\n"
              "HINWEIS: Zeile 0, Feld 'Beraternummer' muss mindestens 4 Zeichen haben. Inhalt:'123'\r\n"
              "FEHLER: Zeile 0, Feld 'Mandantennummer' muss ausgef\xFCllt sein.\r\n",
              messages);
}

TEST_F(ExtfWriterTest, FestschreibungZeroIsWrittenAsZero) {
    SetParameters(doc.datev, 510);
    doc.datev.festschreibung = 0;
    AddBookings(doc.buchungen);
    std::string path = temp.File("EXTF_f.csv");
    ASSERT_TRUE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    std::vector<std::string> lines = Split(CTempDir::Read(path), "\r\n");
    EXPECT_EQ("0", Split(lines[0], ";")[20]);
    EXPECT_EQ("0", Split(lines[3], ";")[113]);
}

TEST_F(ExtfWriterTest, MoreThan99999BookingsAreSplitIntoCompleteBatches) {
    SetParameters(doc.datev, 700);
    CBuchungenData b;
    // Not written, so not counted for the parts: no amount (-0 is none either) and no accounts.
    b.betrag = -0.0;
    b.datum = "01.01.2023";
    doc.buchungen.Add(b);
    b.betrag = 1;
    b.sollKonto = 1200;
    b.habenKonto = 8400;
    for (int i = 0; i < 99999; ++i) {
        b.datum = CTool::Format("%02d.%02d.2023", i % 28 + 1, i % 11 + 1); // January to November
        doc.buchungen.Add(b);
    }
    for (const char* datum : {"20.12.2023", "15.12.2023"}) {
        b.datum = datum;
        doc.buchungen.Add(b);
    }
    std::string path = temp.File("EXTF_gross.csv");
    // The second file fails: neither previous file is replaced.
    CTempDir::Write(path, "vorher");
    CTempDir::Write(temp.File("EXTF_gross_002.csv"), "vorher 2");
    {
        CFailingSync failing("EXTF_gross_002.csv");
        EXPECT_FALSE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    }
    EXPECT_EQ("vorher", CTempDir::Read(path));
    EXPECT_EQ("vorher 2", CTempDir::Read(temp.File("EXTF_gross_002.csv")));
    for (const auto& entry : std::filesystem::directory_iterator(temp.path))
        EXPECT_FALSE(entry.path().string().ends_with(".pelko-part")) << entry.path();
    messages.clear();
    ASSERT_TRUE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    EXPECT_EQ("HINWEIS: Eine DATEVpro-Datei nimmt h\xF6"
              "chstens 99999 Buchungen auf; die Buchungen werden in 2 Dateien geschrieben: "
              "EXTF_gross.csv, EXTF_gross_002.csv\r\n"
              "FEHLER: Zeile 1, 'Betrag' ist 0.\r\n"
              "FEHLER: Zeile 1, Feld 'Soll-Konto' muss ausgef\xFCllt sein.\r\n"
              "FEHLER: Zeile 1, Feld 'Haben-Konto' muss ausgef\xFCllt sein.\r\n"
              "FEHLER: Zeile 1: Die Zeile wird wegen fehlenden Daten nicht geschrieben.\r\n",
              messages);
    const std::pair<std::string, std::vector<std::string>> parts[] = {
        {path, {"20230101", "20231128"}}, {temp.File("EXTF_gross_002.csv"), {"20231215", "20231220"}}};
    size_t total = 0;
    for (const auto& [file, range] : parts) {
        std::vector<std::string> lines = Split(CTempDir::Read(file), "\r\n");
        std::vector<std::string> header = Split(lines[0], ";");
        EXPECT_EQ(range[0], header[14]) << file;
        EXPECT_EQ(range[1], header[15]) << file;
        EXPECT_EQ(125u, Split(lines[1], ";").size());
        total += lines.size() - 3;
    }
    EXPECT_EQ(100001u, total);
    EXPECT_EQ(100002, doc.recordCounter); // every booking of the list, the one not written too
}

TEST_F(ExtfWriterTest, LedgerAccountsGoIntoAFileOfAccountLabelsThatReadsBack) {
    SetParameters(doc.datev, 700);
    AddMaster(doc.stamm);
    CStammData ledger;
    ledger.datevKonto = 1200;
    ledger.name1 = "Bank " + std::string(40, 'b');
    doc.stamm.Add(ledger);
    std::string path = temp.File("EXTF_Stamm.csv");
    ASSERT_TRUE(CDatevProWriter::WriteDatevProMaster(doc, path, frontEnd, messages));
    EXPECT_NE(std::string::npos,
              messages.find("HINWEIS: Zeile 3: Das Konto 1200 hat die L\xE4nge eines Sachkontos "
                            "und wird in die Datei 'EXTF_Stamm_Kontenbeschriftungen.csv' "
                            "(Kontenbeschriftungen) geschrieben.\r\n"));
    EXPECT_EQ(4u, Split(CTempDir::Read(path), "\r\n").size()); // header, headings, 10000, end
    const std::string labels = CTempDir::Read(temp.File("EXTF_Stamm_Kontenbeschriftungen.csv"));
    std::vector<std::string> lines = Split(WithoutTimeStamp(labels), "\r\n");
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("\"EXTF\";700;20;\"Kontenbeschriftungen\";3;@;;\"\";\"--\";\"\";1234567;12345;20230101;4;;;"
              "\"\";\"\";;;;"
              "\"\";;\"\";;;\"\";;;\"\";\"\"",
              lines[0]);
    EXPECT_EQ("Konto;Kontobeschriftung;SprachId;Kontenbeschriftung lang", lines[1]);
    EXPECT_EQ("1200;\"Bank " + std::string(35, 'b') + "\";\"de-DE\";\"" + ledger.name1 + "\"", lines[2]);

    CPelkoDoc back(frontEnd);
    std::string found;
    ASSERT_TRUE(CDatevProReader::ReadDatevProMaster(back, temp.File("EXTF_Stamm_Kontenbeschriftungen.csv"),
                                                    frontEnd, 0, found));
    ASSERT_EQ(1, back.stamm.GetCount());
    EXPECT_EQ(1200, back.stamm.GetAt(0)->datevKonto);
    EXPECT_EQ(ledger.name1, back.stamm.GetAt(0)->name1);
    EXPECT_EQ("", found);
}

TEST_F(ExtfWriterTest, MasterOfEachVersionMatchesItsGoldenFile) {
    for (int version : {300, 510, 700}) {
        doc.stamm.RemoveAll();
        doc.recordCounter = 0;
        messages.clear();
        ExpectSameFields(CTempDir::Read(Data("EXTF_Stamm_" + std::to_string(version) + ".csv")),
                         WithoutTimeStamp(WriteMaster(version)));
        EXPECT_EQ("HINWEIS: Zeile 1, Feld 'Land' darf maximal 2 Zeichen haben. Inhalt:'Deu'\r\n"
                  "FEHLER: Zeile 2, Feld 'Datev-Konto' muss ausgef\xFCllt sein.\r\n",
                  messages);
        EXPECT_EQ(2, doc.recordCounter);
    }
}

TEST_F(ExtfWriterTest, NameTargetsAndCountryMapping) {
    CTempDir::Write(temp.DataFile("stammdaten_umsetzung.ini"), "[OUT:Land]\r\nDeutschland=DE\r\n");
    CPelkoDoc mapped(frontEnd); // opens the mapping file on construction
    SetParameters(mapped.datev, 510);
    AddMaster(mapped.stamm);
    CStammData accountOnly;
    accountOnly.datevKonto = 70000;
    mapped.stamm.Add(accountOnly);
    mapped.settings.datevproName1 = 0;
    mapped.settings.datevproName2 = 0;
    mapped.settings.datevproTyp = 2;
    std::string path = temp.File("EXTF_Stamm.csv");
    ASSERT_TRUE(CDatevProWriter::WriteDatevProMaster(mapped, path, frontEnd, messages));
    std::vector<std::string> lines = Split(CTempDir::Read(path), "\r\n");
    std::vector<std::string> first = Split(lines[2], ";");
    EXPECT_EQ("\"M\xFCller GmbH\"", first[1]);
    EXPECT_EQ("\"\"", first[5]);
    EXPECT_EQ("\"2\"", first[6]);
    EXPECT_EQ("\"DE\"", first[19]);
    EXPECT_EQ("\"\"", first[38]);
    EXPECT_EQ("\"\"", first[39]);
    ASSERT_EQ(5u, lines.size()); // the record without account is not written
    EXPECT_EQ("70000", Split(lines[3], ";")[0]);
    EXPECT_EQ("\"\"", Split(lines[3], ";")[6]); // no name, no addressee type
}

TEST_F(ExtfWriterTest, UnwritableTargetFails) {
    SetParameters(doc.datev, 510);
    AddBookings(doc.buchungen);
    EXPECT_FALSE(
        CDatevProWriter::WriteDatevProBookings(doc, temp.File("fehlt/EXTF_x.csv"), frontEnd, messages));
    EXPECT_FALSE(
        CDatevProWriter::WriteDatevProMaster(doc, temp.File("fehlt/EXTF_x.csv"), frontEnd, messages));
    EXPECT_EQ(2u, frontEnd.boxes.size());
    EXPECT_EQ(0, doc.recordCounter);
}

} // namespace

TEST_F(ExtfWriterTest, AFailedExportKeepsThePreviousFileAndLeavesNothingBeside) {
    std::string path = temp.File("EXTF_Buchungen.csv");
    CTempDir::Write(path, "previous export");
    // A folder where the file beside the target would go makes the export fail before any data.
    CPlatform::CreateDirectories(path + ".pelko-part");
    SetParameters(doc.datev, 510);
    AddBookings(doc.buchungen);
    EXPECT_FALSE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    EXPECT_EQ("previous export", CTempDir::Read(path));
    EXPECT_FALSE(frontEnd.boxes.empty());

    CPlatform::RemoveFile(path + ".pelko-part");
    frontEnd.boxes.clear();
    EXPECT_TRUE(CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages));
    EXPECT_NE("previous export", CTempDir::Read(path));
    EXPECT_FALSE(CPlatform::FileExists(path + ".pelko-part"));
    EXPECT_TRUE(frontEnd.boxes.empty());
}
