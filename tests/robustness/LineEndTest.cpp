#include "core/CPelkoDoc.h"
#include "datev/CDatevProReader.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"
#include "text/CCsvConversion.h"

#include <gtest/gtest.h>

namespace {

struct CLineEnds : ::testing::Test {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    std::string messages;
    void SetUp() override { doc.InitDocument(); }

    int ImportCsv(const std::string& bytes) {
        std::string path = temp.File("in.csv");
        CTempDir::Write(path, bytes);
        return CCsvConversion::ImportBookingsCsv(doc, path, 0, messages);
    }
    bool ReadExtf(const std::string& bytes) {
        std::string path = temp.File("EXTF_Buchungsstapel.csv");
        CTempDir::Write(path, bytes);
        return CDatevProReader::ReadDatevProBookings(doc, path, frontEnd, 0, messages);
    }
};

const std::string kCsvLines[] = {"Buchungsnummer;Datum;Betrag", "A1;01.01.2024;10,00", "A2;02.01.2024;20,00"};

// The sample of the tests with its CR LF line ends replaced from the given line on.
std::string ExtfWithLf(size_t fromLine) {
    std::string text = CTempDir::Read(std::string(PELKO_TEST_DATA) + "/extf/EXTF_Buchungen_510.csv");
    for (size_t at = 0, line = 0; (at = text.find("\r\n", at)) != std::string::npos; ++line)
        if (line >= fromLine)
            text.erase(at, 1);
        else
            at += 2;
    return text;
}

} // namespace

TEST_F(CLineEnds, CsvWithLineFeedsAloneIsReadLineByLine) {
    EXPECT_EQ(ImportCsv(kCsvLines[0] + "\n" + kCsvLines[1] + "\n" + kCsvLines[2] + "\n"), 1);
    EXPECT_TRUE(frontEnd.boxes.empty());
    ASSERT_EQ(doc.buchungen.GetCount(), 2);
    EXPECT_EQ(doc.buchungen.GetAt(1)->buchungsnummer, "A2");
}

TEST_F(CLineEnds, CsvWhoseLinesRunIntoOneHeadingIsRefused) {
    // One CR LF at the end keeps the CR LF rule, so the LF lines before it form a single heading.
    EXPECT_EQ(ImportCsv(kCsvLines[0] + "\n" + kCsvLines[1] + "\n" + kCsvLines[2] + "\r\n"), 0);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_TRUE(frontEnd.boxes[0].text.starts_with("(E:603#")) << frontEnd.boxes[0].text;
    EXPECT_NE(frontEnd.boxes[0].text.find("CR LF"), std::string::npos);
    EXPECT_EQ(doc.buchungen.GetCount(), 0);
}

TEST_F(CLineEnds, LineFeedsInsideCsvValuesStayValues) {
    // A quoted heading over two lines, and a value with a line feed as an export without quotes writes it.
    EXPECT_EQ(
        ImportCsv("\"Kopf\nzwei\";K2;K3;K4;K5;K6;K7;K8;K9;K10\r\nA1;;01.01.2024;;;;10,00;EUR;eins\nzwei;\r\n"
                  "A2;;02.01.2024;;;;20,00;EUR;drei\r\n"),
        1);
    EXPECT_TRUE(frontEnd.boxes.empty());
    ASSERT_EQ(doc.buchungen.GetCount(), 2);
    EXPECT_EQ(doc.buchungen.GetAt(0)->buchungstext, "eins\r\nzwei");
    // A one-line file with a line feed at its end and no heading option has no records, and says nothing.
    EXPECT_EQ(ImportCsv("Kopf;K2\r\n"), 1);
}

TEST_F(CLineEnds, DatevProDataLinesWithLineFeedsAloneAreAFinding) {
    for (size_t fromLine : {1u}) {
        messages.clear();
        doc.buchungen.RemoveAll();
        EXPECT_FALSE(ReadExtf(ExtfWithLf(fromLine))) << fromLine;
        EXPECT_EQ(messages, "FEHLER: Die Zeilen der Datei enden nicht mit CR LF, die Daten k\xF6nnen nicht "
                            "gelesen werden.\r\n")
            << fromLine;
    }
    // Data lines ended by LF alone after the CR LF heading line end their records all the same,
    // and the unchanged file reads both bookings, one with a quoted text.
    for (size_t fromLine : {2u, 99u}) {
        messages.clear();
        doc.buchungen.RemoveAll();
        EXPECT_TRUE(ReadExtf(ExtfWithLf(fromLine)));
        EXPECT_EQ(messages, "");
        EXPECT_EQ(doc.buchungen.GetCount(), 2);
    }
}
