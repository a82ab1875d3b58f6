// Automatic runs of the real program with DATEVpro files on one or both sides.
#include "core/CPlatform.h"
#include "datev/ExtfTestSupport.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace extf_test;

namespace {

int RunPelko(const std::string& arguments) {
    std::string command = std::string(PELKO_BINARY) + " /AUTO " + arguments + " >/dev/null 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
}

// Parameter file of "/dv:": consultant 1234567, client 12345, fiscal year from 01.01.2023, V5.1.
std::string Angaben(const CTempDir& dir) {
    std::string path = dir.File("angaben.txt");
    CTempDir::Write(path,
                    "DATEV-Angaben:\r\n--------------\r\n1234567\t\t(B)\r\nName\t(N)\r\n12345\t\t(M)\r\n"
                    "AB\t\t(D)\r\n1\t\t(T)\r\n1\t\t(A)\r\n\t\t(P)\r\n1\t\t(K)\r\n4\t\t(L)\r\n"
                    "01.01.2023\t\t(W)\r\n510\t\t(V)\r\n1\t\t(F)\r\n");
    return path;
}

TEST(ExtfRun, BookingsFromDatevProToDatevProKeepEveryDataLine) {
    CTempDir dir;
    std::string out = dir.File("EXTF_out.csv");
    ASSERT_EQ(0, RunPelko("/in:datevpro:" + Data("EXTF_Buchungen_510.csv") + " /out:datevpro:" + out +
                          " /dv:" + Angaben(dir) + " /out:error:" + dir.File("err.txt")));
    std::vector<std::string> expected = Split(CTempDir::Read(Data("EXTF_Buchungen_510.csv")), "\r\n");
    std::vector<std::string> written = Split(CTempDir::Read(out), "\r\n");
    ASSERT_EQ(expected.size(), written.size());
    for (size_t line = 1; line < expected.size(); ++line)
        EXPECT_EQ(expected[line], written[line]) << line;
    // The date range comes from the bookings read.
    std::vector<std::string> header = Split(written[0], ";");
    EXPECT_EQ("20230115", header[14]);
    EXPECT_EQ("20231231", header[15]);
    EXPECT_EQ("", CTempDir::Read(dir.File("err.txt")));
}

TEST(ExtfRun, MasterFileIsDetectedAndWrittenAsV30WhenAskedFor) {
    CTempDir dir;
    std::string out = dir.File("EXTF_stamm.csv");
    ASSERT_EQ(0, RunPelko("/in:datevpro:" + Data("samples/v510/EXTF_Stammdaten.csv") + " /out:datevpro:" +
                          out + " /dv:" + Angaben(dir) + " /vers:300 /out:error:" + dir.File("err.txt")));
    std::vector<std::string> lines = Split(CTempDir::Read(out), "\r\n");
    ASSERT_EQ(7u, lines.size()); // header, headings, four accounts, end
    std::vector<std::string> header = Split(lines[0], ";");
    EXPECT_EQ(26u, header.size());
    EXPECT_EQ("16", header[2]);
    EXPECT_EQ("\"Debitoren/Kreditoren\"", header[3]);
    EXPECT_EQ(232u, Split(lines[2], ";").size());
    // The company name read becomes "Name_1" and goes to the column of the default target.
    EXPECT_EQ(0u, lines[3].find("70001;\"\";\"\";\"\";\"\";\"Meyer GmbH\";\"0\";"));
}

TEST(ExtfRun, DatevProBookingsAsRtfList) {
    CTempDir dir;
    std::string out = dir.File("liste.rtf");
    ASSERT_EQ(0, RunPelko("/in:datevpro:" + Data("samples/v510/EXTF_Buchungsstapel.csv") +
                          " /out:rtf:" + out + " /out:error:" + dir.File("err.txt")));
    std::string text = CTempDir::Read(out);
    EXPECT_NE(std::string::npos,
              text.find("{\\cell \\cell 21.02.2018\\cell 1200\\cell 4940\\cell 8\\cell -24,95\\cell "
                        "\\cell Fachbuch: Controlling f\xFCr Dummies\\cell "));
    EXPECT_NE(std::string::npos,
              text.find("{RE201802-135\\cell \\cell 22.02.2018\\cell 10000\\cell 8400\\cell "
                        "0\\cell 5950,00\\cell "));
    EXPECT_EQ(0u, text.rfind("{\\rtf1\\ansi", 0));
}

TEST(ExtfRun, VersionsAndFiscalYearsDecideWhetherTheExportRuns) {
    CTempDir dir;
    const std::string twoYears = dir.File("EXTF_zwei.csv");
    CTempDir::Write(
        twoYears,
        "\"EXTF\";510;21;\"Buchungsstapel\";7;;;\"\";\"\";\"\";1001;456;20230701;4;20230701;"
        "20240630;\"\";\"\";1;0;0;\"\";;;;;\"\";;;\"\";\"\"\r\n"
        "Umsatz (ohne Soll/Haben-Kz);Soll/Haben-Kennzeichen;Konto;Gegenkonto (ohne "
        "BU-Schl\xFCssel);Belegdatum\r\n1,00;\"S\";1200;8400;1508\r\n2,00;\"H\";1200;8400;0302\r\n");
    struct CCase {
        std::string input;
        std::string switches;
        int status;
        std::string header; // start of the written header, empty when nothing may be written
    };
    const CCase cases[] = {
        {Data("EXTF_Buchungen_510.csv"), " /vers:700", 0, "\"EXTF\";700;21;\"Buchungsstapel\";13;"},
        {Data("EXTF_Buchungen_510.csv"), " /vers:720", 1, ""},
        {twoYears, "", 1, ""}, // fiscal year from 01.01.2023: 2023 and 2024
        {twoYears, " /wj:01.07.2023", 0, "\"EXTF\";510;21;"},
    };
    for (const CCase& c : cases) {
        std::string out = dir.File("EXTF_out.csv");
        CPlatform::RemoveFile(out);
        EXPECT_EQ(c.status, RunPelko("/in:datevpro:" + c.input + " /out:datevpro:" + out + " /dv:" +
                                     Angaben(dir) + c.switches + " /out:error:" + dir.File("err.txt")))
            << c.switches;
        EXPECT_EQ(!c.header.empty(), CPlatform::FileExists(out)) << c.switches;
        if (!c.header.empty()) {
            EXPECT_EQ(0u, CTempDir::Read(out).rfind(c.header, 0)) << c.switches;
        }
    }
}

// A date that is no day of the calendar names its line and field; the other bookings arrive, exit 3.
TEST(ExtfRun, BookingDatesThatAreNoDaysAreNamedAndLeftOut) {
    CTempDir dir;
    const std::string in = dir.File("EXTF_daten.csv"), csv = dir.File("buchungen.csv");
    CTempDir::Write(in, "\"EXTF\";510;21;\"Buchungsstapel\";7;;;\"\";\"\";\"\";1001;456;20230101;4;20230101;"
                        "20231231;\"\";\"\";1;0;0;\"\";;;;;\"\";;;\"\";\"\"\r\n"
                        "Umsatz (ohne Soll/Haben-Kz);Soll/Haben-Kennzeichen;Konto;Gegenkonto (ohne "
                        "BU-Schl\xFCssel);Belegdatum\r\n1,00;\"S\";1200;8400;2802\r\n"
                        "2,00;\"S\";1200;8400;2902\r\n3,00;\"H\";1200;8400;3112\r\n");
    EXPECT_EQ(3, RunPelko("/in:datevpro:" + in + " /out:csv:" + csv + " /out:error:" + dir.File("err.txt")));
    EXPECT_NE(std::string::npos,
              CTempDir::Read(dir.File("err.txt")).find("Zeile 4, Feld 'Belegdatum': '2902'"));
    std::vector<std::string> lines = Split(CTempDir::Read(csv), "\r\n");
    ASSERT_EQ(4u, lines.size()); // headings, two bookings, end
    EXPECT_NE(std::string::npos, lines[1].find("\"28.02.2023\""));
    EXPECT_NE(std::string::npos, lines[2].find("\"31.12.2023\""));
}

TEST(ExtfRun, Version510To700ToCsvKeepsEveryBooking) {
    CTempDir dir;
    std::string v700 = dir.File("EXTF_700.csv"), csv = dir.File("buchungen.csv");
    ASSERT_EQ(0, RunPelko("/in:datevpro:" + Data("EXTF_Buchungen_510.csv") + " /out:datevpro:" + v700 +
                          " /dv:" + Angaben(dir) + " /vers:700 /out:error:" + dir.File("err.txt")));
    ASSERT_EQ(0,
              RunPelko("/in:datevpro:" + v700 + " /out:csv:" + csv + " /out:error:" + dir.File("err.txt")));
    std::vector<std::string> lines = Split(CTempDir::Read(csv), "\r\n");
    ASSERT_EQ(4u, lines.size()); // headings, two bookings, end
    EXPECT_NE(std::string::npos,
              lines[1].find("\"RE-1\";\"B2\";\"31.12.2023\";\"1200\";\"8400\";\"3\";\"-2345,50\""));
    EXPECT_NE(std::string::npos, lines[2].find("\"15.01.2023\";\"1000\";\"1200\";\"\";\"100,00\";\"USD\""));
}

// A booking the export cannot write (no amount, no accounts) is named and left out; the others
// arrive, exit 3.
TEST(ExtfRun, ABookingWithoutAmountAndAccountsIsNamedAndNotWritten) {
    CTempDir dir;
    const std::string in = dir.File("ein.csv"), out = dir.File("EXTF_aus.csv");
    CTempDir::Write(in, "\"Buchungsnummer\";\"Datum\";\"Soll-Konto\";\"Haben-Konto\";\"Betrag\"\r\n"
                        "\"RE-1\";\"15.03.2023\";\"1200\";\"8400\";\"119,00\"\r\n"
                        "\"RE-2\";\"16.03.2023\";\"\";\"\";\"0,00\"\r\n"
                        "\"RE-3\";\"17.03.2023\";\"1200\";\"8400\";\"5,00\"\r\n");
    EXPECT_EQ(3, RunPelko("/in:csv:bu:" + in + " /out:datevpro:" + out + " /dv:" + Angaben(dir) +
                          " /vers:700 /out:error:" + dir.File("err.txt")));
    EXPECT_NE(std::string::npos,
              CTempDir::Read(dir.File("err.txt"))
                  .find("FEHLER: Zeile 2: Die Zeile wird wegen fehlenden Daten nicht geschrieben."));
    const std::string written = CTempDir::Read(out);
    EXPECT_NE(std::string::npos, written.find("\"RE-1\""));
    EXPECT_EQ(std::string::npos, written.find("\"RE-2\""));
    EXPECT_NE(std::string::npos, written.find("\"RE-3\""));
}

// Service date and the EU fields of origin: CSV -> 700 -> CSV where the layouts select them (read by
// heading, written by selection); an older file's extra field is not taken for them.
TEST(ExtfRun, ServiceDateAndOriginPassThroughVersion700AndCsv) {
    CTempDir dir;
    const std::string in = dir.File("ein.csv"), v700 = dir.File("EXTF_700.csv"), out = dir.File("aus.csv");
    CTempDir::Write(in, "\"Buchungsnummer\";\"Datum\";\"Soll-Konto\";\"Haben-Konto\";\"Betrag\";"
                        "\"Leistungsdatum\";\"EU-Land u. UStID (Ursprung)\";\"EU-Steuersatz (Ursprung)\"\r\n"
                        "\"RE-1\";\"15.03.2023\";\"1200\";\"8400\";\"119,00\";\"10.03.2023\";\"ATU12345678\";"
                        "\"20,00\"\r\n");
    ASSERT_EQ(0, RunPelko("/in:csv:bu:" + in + " /out:datevpro:" + v700 + " /dv:" + Angaben(dir) +
                          " /vers:700 /out:error:" + dir.File("err.txt")));
    EXPECT_NE(std::string::npos, CTempDir::Read(v700).find("10032023"));
    EXPECT_NE(std::string::npos, CTempDir::Read(v700).find("\"ATU12345678\";20,00"));
    CTempDir::Write(dir.File("data/csv.ini"), "[Export Buchungsdaten]\r\nSel.: Leistungsdatum=1\r\n"
                                              "Sel.: EU-Land u. UStID (Ursprung)=1\r\n"
                                              "Sel.: EU-Steuersatz (Ursprung)=1\r\n");
    ASSERT_EQ(0,
              RunPelko("/in:datevpro:" + v700 + " /out:csv:" + out + " /out:error:" + dir.File("err.txt")));
    std::vector<std::string> lines = Split(CTempDir::Read(out), "\r\n");
    ASSERT_EQ(3u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find(";\"Leistungsdatum\";\"EU-Land u. UStID (Ursprung)\";"));
    EXPECT_NE(std::string::npos, lines[1].find(";\"10.03.2023\";\"ATU12345678\";\"20,00\""));

    // A layout that predates the columns, a file with one more field than it knew.
    CTempDir::Write(dir.File("data/csv.ini"), "[Import Buchungsdaten]\r\nTrennzeichen=0\r\n");
    std::string older = lines[0].substr(0, lines[0].find(";\"Leistungsdatum\"")) + ";\"Bemerkung\"\r\n" +
                        lines[1].substr(0, lines[1].find(";\"10.03.2023\"")) + ";\"erledigt\"\r\n";
    CTempDir::Write(in, older);
    EXPECT_EQ(0, RunPelko("/in:csv:bu:" + in + " /out:csv:" + out + " /out:error:" + dir.File("err.txt")));
    EXPECT_EQ("", CTempDir::Read(dir.File("err.txt")));
}

// A pipe is read once, however often the reader opens its input.
TEST(ExtfRun, PipeInputReadsLikeTheFile) {
    CTempDir dir;
    const std::string fromFile = dir.File("datei.csv"), fromPipe = dir.File("pipe.csv");
    ASSERT_EQ(0, RunPelko("/in:datevpro:" + Data("EXTF_Buchungen_700.csv") + " /out:csv:" + fromFile));
    const std::string command = "cat " + Data("EXTF_Buchungen_700.csv") + " | " + PELKO_BINARY +
                                " /AUTO /in:datevpro:/dev/stdin /out:csv:" + fromPipe + " >/dev/null 2>&1";
    EXPECT_EQ(0, WEXITSTATUS(std::system(command.c_str())));
    EXPECT_EQ(CTempDir::Read(fromFile), CTempDir::Read(fromPipe));
    EXPECT_NE("", CTempDir::Read(fromPipe));
}

} // namespace
