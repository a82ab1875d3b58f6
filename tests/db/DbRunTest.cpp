#include "db/DbTestSupport.h"
#include "support/CDbServer.h"

#include <gtest/gtest.h>

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
