#include "db/DbTestSupport.h"
#include "support/CDbServer.h"

#include <gtest/gtest.h>

#include <xlsxwriter.h>

#include <filesystem>

namespace {

using EKind = CDbServer::EKind;

// A database as the command line names it: "mdb" with a file or "sql" with a connection string.
struct CTarget {
    std::string type;
    std::string value;
    std::string Out() const { return "/out:" + type + ":" + value; }
    std::string In(const char* kind) const { return "/in:" + type + ":" + kind + ":" + value; }
};

// CSV -> database -> CSV gives the same bytes as CSV -> CSV, for bookings and master data.
void ExpectRoundTrips(const CTempDir& temp, const CTarget& db) {
    for (const char* kind : {"bu", "st"}) {
        const bool master = std::string(kind) == "st";
        const std::string input = temp.File(std::string("ein-") + kind + ".csv");
        CTempDir::Write(input, master ? MasterCsv() : BookingsCsv());
        const std::string inCsv = std::string("/in:csv:") + kind + ":" + input;
        const std::string table = std::string("/tblRund_") + kind;
        ExpectRun(temp, {inCsv, "/out:csv:" + temp.File("direkt.csv")});
        ExpectRun(temp, {inCsv, db.Out(), table});
        ExpectRun(temp, {db.In(kind), table, "/out:csv:" + temp.File("zurueck.csv")});
        const std::string direct = CTempDir::Read(temp.File("direkt.csv"));
        EXPECT_EQ(std::count(direct.begin(), direct.end(), '\n'), master ? 4 : 7);
        EXPECT_EQ(CTempDir::Read(temp.File("zurueck.csv")), direct) << db.value << " " << kind;
    }
}

// An export whose insert fails in the middle: the run fails with E:615 and the table keeps exactly
// the rows it had.
// quote encloses the column names as the program writes them (PostgreSQL keeps their letters then).
void ExpectFailedInsertLeavesTableUnchanged(const CTempDir& temp, const CTarget& db,
                                            const std::string& connection, const std::string& quote = "") {
    const std::string number = quote + "Buchungsnummer" + quote;
    Execute(connection, {"CREATE TABLE Eindeutig (" + number + " VARCHAR(40) UNIQUE, " + quote + "Betrag" +
                             quote + " FLOAT)",
                         "INSERT INTO Eindeutig (" + number + ") VALUES ('ALT-1')"});
    const std::string input = temp.File("doppelt.csv");
    // One column: the layout section of the round trip before reads the further ones elsewhere.
    CTempDir::Write(input, "Buchungsnummer\r\nN-1\r\nN-2\r\nN-1\r\nN-4\r\n");
    CResult result = RunPelko(temp, {"/AUTO", "/in:csv:bu:" + input, db.Out(), "/tblEindeutig"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("(E:615#"), std::string::npos) << result.err;
    EXPECT_EQ(Query(connection, "SELECT " + number + " FROM Eindeutig"), "ALT-1");
}

std::string SqliteConnection(const std::string& file) {
    return "Provider=SQLite;Data source=" + file;
}

} // namespace

TEST(DbRunTest, SqliteRoundTripsAndAFailedInsertChangesNothing) {
    CTempDir temp;
    const std::string file = temp.File("buchhaltung.sqlite");
    ExpectRoundTrips(temp, {"mdb", file});
    ExpectFailedInsertLeavesTableUnchanged(temp, {"mdb", file}, SqliteConnection(file));
    // "Tabelle löschen" of the layout: exporting again replaces the rows instead of adding them.
    const std::string layout = CTempDir::Read(temp.DataFile("mdb.ini"));
    CTempDir::Write(temp.DataFile("mdb.ini"),
                    CTool::ReplaceAll(layout, Ansi("Tabelle löschen=0"), Ansi("Tabelle löschen=1")));
    ExpectRun(temp, {"/in:csv:bu:" + temp.File("ein-bu.csv"), "/out:mdb:" + file, "/tblRund_bu"});
    EXPECT_EQ(Query(SqliteConnection(file), "SELECT COUNT(*) FROM Rund_bu"), "6");
    // Amounts are numbers in the table, so that a user's SUM works.
    EXPECT_EQ(Query(SqliteConnection(file), "SELECT typeof(Betrag) || ' ' || SUM(Betrag) FROM Rund_bu"),
              "real 10013654.17");
}

TEST(DbRunTest, PostgresRoundTripsAndAFailedInsertChangesNothing) {
    PELKO_DB_SERVER(server, EKind::Postgres);
    CTempDir temp;
    ExpectRoundTrips(temp, {"sql", server->ConnectionString()});
    ExpectFailedInsertLeavesTableUnchanged(temp, {"sql", server->ConnectionString()},
                                           server->ConnectionString(), "\"");
    // Quoted column names keep their letters; unquoted table names fold to lower case.
    EXPECT_EQ(Query(server->ConnectionString(), "SELECT SUM(\"Betrag\") FROM rund_bu"), "10013654.17");
}

TEST(DbRunTest, MariaDbRoundTripsAndAFailedInsertChangesNothing) {
    PELKO_DB_SERVER(server, EKind::MariaDb);
    CTempDir temp;
    ExpectRoundTrips(temp, {"sql", server->ConnectionString()});
    ExpectFailedInsertLeavesTableUnchanged(temp, {"sql", server->ConnectionString()},
                                           server->ConnectionString());
    // DOUBLE, not MySQL's seven-digit FLOAT: 9 999 999,99 stays exact.
    EXPECT_EQ(Query(server->ConnectionString(), "SELECT MAX(Betrag) FROM Rund_bu"), "9999999.99");
}

namespace {

// The cells of a sheet as an independent reader (openpyxl) sees them: one line per row, values
// joined by "|", empty cells as "-".
std::string OpenpyxlRows(const std::string& file, const std::string& sheet) {
    const std::string command = "/usr/bin/python3 -c \"import sys, openpyxl\n"
                                "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                "print(','.join(wb.sheetnames))\n"
                                "for r in wb[sys.argv[2]].iter_rows(values_only=True):\n"
                                "    print('|'.join('-' if v is None else str(v) for v in r))\" '" +
                                file + "' '" + sheet + "' 2>&1";
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

} // namespace

// CSV -> xlsx -> CSV gives the same bytes; the second export keeps the first one's sheet; an
// independent reader sees numbers as numbers and texts unchanged; a workbook holding what a
// rewrite would lose (a formula) is refused and stays byte for byte as it was.
TEST(DbRunTest, WorkbookRoundTripsKeepsOtherSheetsAndRefusesToLoseFormulas) {
    CTempDir temp;
    const std::string file = temp.File("auswertung.xlsx");
    ExpectRoundTrips(temp, {"mdb", file});
    const std::string cells = OpenpyxlRows(file, "Rund_bu");
    EXPECT_EQ(cells.substr(0, cells.find('\n')), "Rund_bu,Rund_st");
    EXPECT_NE(cells.find("RE-1|-|02.01.2024|10000|8400|-|1428|EUR|Müller & Söhne; \"Zum Korn\" "
                         "O'Neil|100|-|-|-|-|-|1428|S\n"),
              std::string::npos)
        << cells;
    EXPECT_NE(
        cells.find(
            "US-3|-|15.03.|1200|8400|-|12345.67|USD|€ ' ; \\ ´`|-|-|2.5|DE123456789|19|1.085|12345.67|S\n"),
        std::string::npos)
        << cells;
    EXPECT_EQ(std::count(cells.begin(), cells.end(), '\n'), 8);
    // "Tabelle löschen": the sheet is replaced in its place, not appended.
    const std::string layout = CTempDir::Read(temp.DataFile("mdb.ini"));
    CTempDir::Write(temp.DataFile("mdb.ini"),
                    CTool::ReplaceAll(layout, Ansi("Tabelle löschen=0"), Ansi("Tabelle löschen=1")));
    ExpectRun(temp, {"/in:csv:bu:" + temp.File("ein-bu.csv"), "/out:mdb:" + file, "/tblRund_bu"});
    EXPECT_EQ(OpenpyxlRows(file, "Rund_bu"), cells);

    const std::string formulas = temp.File("formeln.xlsx");
    lxw_workbook* workbook = workbook_new(formulas.c_str());
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Summen");
    worksheet_write_number(sheet, 0, 0, 1, nullptr);
    worksheet_write_formula_num(sheet, 1, 0, "=A1*2", nullptr, 2);
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
    const std::string before = CTempDir::Read(formulas);
    CResult result =
        RunPelko(temp, {"/AUTO", "/in:csv:bu:" + temp.File("ein-bu.csv"), "/out:mdb:" + formulas});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("(E:615#"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Formeln im Tabellenblatt Summen"), std::string::npos) << result.err;
    EXPECT_EQ(CTempDir::Read(formulas), before);
}
