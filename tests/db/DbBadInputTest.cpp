#include "db/CADOXCatalog.h"
#include "db/DbTestSupport.h"
#include "support/CDbServer.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>

namespace {

const std::string kEarlier = "vom letzten Lauf";

// The 17 booking columns of a table the user made himself, all text.
const char* const kBookingTable =
    "([Buchungsnummer] TEXT, [Belegnummer 2] TEXT, [Datum] TEXT, [Soll-Konto] TEXT, [Haben-Konto] TEXT, "
    "[Datev-Schlüssel] TEXT, [Betrag] TEXT, [Währung] TEXT, [Buchungstext] TEXT, [Kostenstelle 1] TEXT, "
    "[Kostenstelle 2] TEXT, [Skonto] TEXT, [Ust-ID] TEXT, [EU-Steuersatz] TEXT, [Waehrungskurs] TEXT, "
    "[Umsatz (optional)] TEXT, [S/H-Kennz. (optional)] TEXT)";

struct CFailure {
    std::vector<std::string> args;
    const char* code; // expected at the start of a message on stderr
};

// Each run fails: exit status 1, the German message with its code, the earlier output untouched.
void ExpectFailures(const CTempDir& temp, const std::vector<CFailure>& failures) {
    const std::string earlier = temp.File("aus.csv");
    for (const CFailure& failure : failures) {
        CTempDir::Write(earlier, kEarlier);
        std::vector<std::string> args = failure.args;
        args.insert(args.begin(), "/AUTO");
        if (std::none_of(args.begin(), args.end(),
                         [](const std::string& a) { return a.rfind("/out:", 0) == 0; }))
            args.push_back("/out:csv:" + earlier);
        CResult result = RunPelko(temp, args);
        EXPECT_EQ(result.exitCode, 1) << args[1] << " " << args[2] << "\n" << result.err;
        EXPECT_NE(result.err.find(failure.code), std::string::npos) << args[1] << "\n" << result.err;
        EXPECT_EQ(CTempDir::Read(earlier), kEarlier) << args[1];
    }
}

std::string Sqlite(const std::string& file) {
    return "Provider=SQLite;Data source=" + file;
}

// A SQLite file with tables of the user's making.
void CreateSqlite(const std::string& file, const std::vector<std::string>& statements) {
    CADOXCatalog catalog;
    ASSERT_TRUE(catalog.CreateDatabaseFile(Sqlite(file))) << catalog.errorText;
    Execute(Sqlite(file), statements);
}

} // namespace

TEST(DbBadInputTest, UnusableDatabasesAndTablesFailWithAGermanErrorAndChangeNothing) {
    CTempDir temp;
    const std::string db = temp.File("daten.sqlite");
    const std::string table = std::string("CREATE TABLE Buchungsdaten ") + kBookingTable;
    CreateSqlite(db, {table, "CREATE TABLE Leer " + std::string(kBookingTable),
                      "CREATE TABLE Teil (Datum TEXT)", "CREATE TABLE Nullen " + std::string(kBookingTable),
                      "INSERT INTO Nullen ([Datum], [Betrag]) VALUES (NULL, NULL)"});
    const std::string noDatabase = temp.File("text.sqlite");
    CTempDir::Write(noDatabase, "Buchungsnummer;Betrag\r\n");
    const std::string access = temp.File("alt.mdb");
    CTempDir::Write(access, "Standard Jet DB");
    const std::string readOnly = temp.File("schreibgeschuetzt.db");
    CreateSqlite(readOnly, {});
    std::filesystem::permissions(readOnly,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    const std::string readOnlyBytes = CTempDir::Read(readOnly);
    const std::string input = temp.File("ein.csv");
    CTempDir::Write(input, BookingsCsv());
    const std::string csv = "/in:csv:bu:" + input;
    const std::string noDriver = "DRIVER={Gibt es nicht};SERVER=localhost;DATABASE=fibu";

    ExpectFailures(temp, {
                             {{"/in:mdb:bu:" + temp.File("fehlt.sqlite")}, "(E:618#"},
                             {{"/in:mdb:bu:" + noDatabase}, "(E:618#"},
                             {{"/in:mdb:bu:" + access}, "(E:618#"},
                             {{"/in:mdb:bu:" + db, "/tblGibtEsNicht"}, "(E:617#"},
                             {{"/in:mdb:bu:" + db, "/tblTeil"}, "(E:617#"},
                             {{"/in:mdb:bu:" + db, "/tblLeer"}, "(E:620#"},
                             {{"/in:mdb:bu:" + db, "/tblNullen"}, "(E:620#"},
                             {{"/in:sql:bu:" + noDriver}, "[unixODBC]"},
                             {{"/in:mdb:bu:" + db, "/tblBuchungs'daten"}, "(E:619#"},
                             {{csv, "/out:mdb:" + noDatabase}, "(E:611#"},
                             {{csv, "/out:mdb:" + readOnly}, "(E:611#"},
                             {{csv, "/out:mdb:" + temp.File("neu.mdb")}, "(E:610#"},
                             {{csv, "/out:mdb:" + access}, "(E:611#"},
                             {{csv, "/out:sql:" + noDriver}, "(E:611#"},
                             {{csv, "/out:mdb:" + db, "/tblA;B"}, "(E:619#"},
                         });
    EXPECT_EQ(CTempDir::Read(noDatabase), "Buchungsnummer;Betrag\r\n");
    EXPECT_EQ(CTempDir::Read(access), "Standard Jet DB");
    EXPECT_EQ(CTempDir::Read(readOnly), readOnlyBytes);
    EXPECT_FALSE(std::filesystem::exists(temp.File("neu.mdb")));
    EXPECT_EQ(Query(Sqlite(db), "SELECT COUNT(*) FROM sqlite_master"), "4");
}

// Values that are no number, account or date give a FEHLER naming row, field and value; the rest
// of the table arrives, and the run ends with status 3.
TEST(DbBadInputTest, UnreadableValuesAreNamedAndTheirRecordsLeftOut) {
    CTempDir temp;
    const std::string db = temp.File("daten.sqlite");
    CreateSqlite(db, {std::string("CREATE TABLE Buchungsdaten ") + kBookingTable,
                      "INSERT INTO Buchungsdaten ([Buchungsnummer], [Datum], [Betrag], [Soll-Konto]) VALUES "
                      "('A', '01.02.2024', '1.250,50', '1200'), ('B', '01.02.2024', 'abc', '1200'), "
                      "('C', '31.02.2024', '1,00', '1200'), ('D', '01.02.2024', '2,00', '12A0'), "
                      "('E', '2024-02-03', '3', ' 1200 ')"});
    const std::string errors = temp.File("fehler.txt");
    ExpectRun(temp, {"/in:mdb:bu:" + db, "/out:csv:" + temp.File("aus.csv"), "/out:error:" + errors}, 3);
    EXPECT_EQ(
        CTempDir::Read(errors),
        Ansi("FEHLER: Zeile 2, Feld 'Betrag': 'abc' ist keine gültige Zahl. Der Datensatz wird nicht "
             "übernommen.\r\n"
             "FEHLER: Zeile 3, Feld 'Datum': '31.02.2024' ist kein gültiges Datum. Der Datensatz wird nicht "
             "übernommen.\r\n"
             "FEHLER: Zeile 4, Feld 'Soll-Konto': '12A0' ist keine gültige Kontonummer. Der Datensatz wird "
             "nicht übernommen.\r\n\r\n"));
    const std::string out = CTempDir::Read(temp.File("aus.csv"));
    EXPECT_NE(out.find("\"A\";\"\";\"01.02.2024\";\"1200\";\"\";\"\";\"1250,50\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"E\";\"\";\"03.02.2024\";\"1200\";\"\";\"\";\"3,00\""), std::string::npos) << out;
}

// A text longer than its column is cut to the column's width with a HINWEIS.
TEST(DbBadInputTest, LongTextsAreCutWithANote) {
    CTempDir temp;
    const std::string input = temp.File("lang.csv");
    CTempDir::Write(input,
                    "Buchungsnummer;Belegnummer 2;Datum;Soll-Konto;Haben-Konto;Datev-Schl\xFCssel;Betrag;"
                    "W\xE4hrung;Buchungstext\r\nL-1;;01.01.2024;1200;8400;;1,00;EUR;" +
                        std::string(300, 'x') + "\r\n");
    const std::string db = temp.File("lang.sqlite");
    const std::string errors = temp.File("fehler.txt");
    ExpectRun(temp, {"/in:csv:bu:" + input, "/out:mdb:" + db, "/out:error:" + errors});
    EXPECT_EQ(Query(Sqlite(db), "SELECT length(Buchungstext) FROM Buchungsdaten"), "255");
    EXPECT_EQ(CTempDir::Read(errors),
              Ansi("HINWEIS: Zeile 1, Feld 'Buchungstext' darf maximal 255 Zeichen haben. "
                   "Der Text wurde gekürzt.\r\n\r\n"));
}

TEST(DbBadInputTest, ServersThatAreDownOrRefuseThePasswordFail) {
    for (CDbServer::EKind kind : {CDbServer::EKind::Postgres, CDbServer::EKind::MariaDb}) {
        PELKO_DB_SERVER(server, kind);
        CTempDir temp;
        const std::string input = temp.File("ein.csv");
        CTempDir::Write(input, BookingsCsv());
        std::string down = server->ConnectionString();
        down.replace(down.find(std::to_string(server->port)), std::to_string(server->port).size(), "1");
        const std::string wrong = server->ConnectionString("fibu", "falsch");
        ExpectFailures(temp, {{{"/in:sql:bu:" + down}, "(E:618#"},
                              {{"/in:sql:bu:" + wrong}, "(E:618#"},
                              {{"/in:csv:bu:" + input, "/out:sql:" + down}, "(E:611#"},
                              {{"/in:csv:bu:" + input, "/out:sql:" + wrong}, "(E:611#"}});
    }
}

// Workbooks and Access files that cannot be read, or not in full, fail with the back end's
// reason (E:617/E:618) and exit status 1; .xls and Access files are never written, and nothing
// is touched when that is asked for.
TEST(DbBadInputTest, UnreadableWorkbooksAndAccessFilesFailAndAreNeverWritten) {
    CTempDir temp;
    auto sample = [&](const std::string& name, const std::string& copy, size_t length = std::string::npos) {
        const std::string bytes = CTempDir::Read(std::string(PELKO_TEST_DATA) + "/" + name);
        CTempDir::Write(temp.File(copy), bytes.substr(0, length));
        return temp.File(copy);
    };
    const std::string notZip = temp.File("text.xlsx");
    CTempDir::Write(notZip, "Buchungsnummer;Betrag\r\n");
    const std::string otherZip = temp.File("anderes.xlsx");
    zip_t* archive = zip_open(otherZip.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    zip_add(archive, "hallo.txt", zip_source_buffer(archive, "hallo", 5, 0));
    ASSERT_EQ(zip_close(archive), 0);
    const std::string merged = temp.File("verbunden.xlsx");
    lxw_workbook* workbook = workbook_new(merged.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Buchungsdaten");
    worksheet_write_string(sheet, 0, 0, "Buchungsnummer", nullptr);
    worksheet_merge_range(sheet, 1, 0, 2, 0, "RE-1", nullptr);
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
    std::string newer = CTempDir::Read(std::string(PELKO_TEST_DATA) + "/access/testV1997.mdb");
    newer[0x14] = 0x09; // a version byte MDB Tools does not know
    CTempDir::Write(temp.File("neuer.mdb"), newer);
    const std::string xls = sample("workbooks/meza-test.xls", "alt.xls");
    const std::string mdb = sample("access/testV1997.mdb", "alt.mdb");
    const std::string input = temp.File("ein.csv");
    CTempDir::Write(input, BookingsCsv());
    const std::string csv = "/in:csv:bu:" + input;

    ExpectFailures(
        temp, {
                  {{"/in:mdb:bu:" + notZip}, "(E:618#"},
                  {{"/in:mdb:bu:" + otherZip}, "(E:618#"},
                  {{"/in:mdb:bu:" + sample("workbooks/testsimple.xlsx", "ok.xlsx"), "/tblFehlt"}, "(E:617#"},
                  {{"/in:mdb:bu:" + merged, "/tblBuchungsdaten"}, "(E:617#"},
                  {{"/in:mdb:bu:" + sample("workbooks/excel2013encrypt.xlsx", "k.xlsx")}, "(E:618#"},
                  {{"/in:mdb:bu:" + sample("workbooks/excel2003encrypt.xls", "k.xls")}, "(E:618#"},
                  {{"/in:mdb:bu:" + sample("workbooks/Formate.xls", "diagramm.xls")}, "(E:618#"},
                  {{"/in:mdb:bu:" + sample("workbooks/testsimple.xlsx", "halb.xlsx", 5000)}, "(E:618#"},
                  {{"/in:mdb:bu:" + sample("workbooks/meza-test.xls", "halb.xls", 20000)}, "(E:618#"},
                  {{"/in:mdb:bu:" + temp.File("neuer.mdb")}, "(E:618#"},
                  {{"/in:mdb:bu:" + sample("access/testV1997.mdb", "halb.mdb", 100352)}, "(E:618#"},
                  {{"/in:mdb:bu:" + sample("access/testV1997.mdb", "rest.mdb", 30000)}, "(E:618#"},
                  {{csv, "/out:mdb:" + temp.File("neu.xls")}, "(E:610#"},
                  {{csv, "/out:mdb:" + xls}, "(E:611#"},
                  {{csv, "/out:mdb:" + temp.File("neu.accdb")}, "(E:610#"},
                  {{csv, "/out:mdb:" + mdb}, "(E:611#"},
              });
    EXPECT_FALSE(std::filesystem::exists(temp.File("neu.xls")));
    EXPECT_FALSE(std::filesystem::exists(temp.File("neu.accdb")));
    EXPECT_EQ(CTempDir::Read(xls), CTempDir::Read(std::string(PELKO_TEST_DATA) + "/workbooks/meza-test.xls"));
    EXPECT_EQ(CTempDir::Read(mdb), CTempDir::Read(std::string(PELKO_TEST_DATA) + "/access/testV1997.mdb"));
    CResult result = RunPelko(
        temp, {"/AUTO", "/in:mdb:bu:" + merged, "/tblBuchungsdaten", "/out:csv:" + temp.File("x.csv")});
    EXPECT_NE(result.err.find("verbundene Zellen (A2:A3)"), std::string::npos) << result.err;
    result = RunPelko(temp, {"/AUTO", csv, "/out:mdb:" + xls});
    EXPECT_NE(result.err.find("(.xlsx)"), std::string::npos) << result.err;
}
