#include "db/CModulMDB.h"
#include "db/CADOXCatalog.h"
#include "db/DbTestSupport.h"
#include "support/CRecordingFrontEnd.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct CSqliteEngine {
    explicit CSqliteEngine(const CTempDir& temp) : file(temp.File("test.sqlite")), engine(frontEnd) {
        for (const char* name : {"Datum", "Betrag", "Buchungstext"})
            engine.DefineColumn(name, std::string(name) == "Betrag" ? "FLOAT" : "VARCHAR(255)");
        engine.tableName = "Buchungsdaten";
        engine.SetConnectionString("Provider=SQLite;Data source=" + file);
    }
    std::string Columns() {
        return Query(engine.connectionString, "SELECT name FROM pragma_table_info('Buchungsdaten')");
    }
    std::string file;
    CRecordingFrontEnd frontEnd;
    CModulMDB engine;
};

} // namespace

TEST(CModulMDBTest, LayoutsRepairPositionsAndSelectWhatTheyDoNotKnow) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CModulMDB engine(frontEnd);
    for (const char* name : {"A", "B", "C", "D"})
        engine.DefineColumn(name, "INTEGER");
    const std::string layout = temp.File("mdb.ini");
    CTempDir::Write(layout, "[S]\r\nDatenbanktyp=2\r\nPos.: A=0\r\nSel.: A=0\r\nPos.: B=0\r\nSel.: B=1\r\n"
                            "Tab.: B=Spalte B\r\nTyp : C=FLOAT\r\nPos.: C=5\r\nSel.: C=1\r\n");
    ASSERT_TRUE(engine.LoadLayout(layout, "S"));
    EXPECT_EQ(engine.databaseType, 2);
    // B repeats A's position and goes behind the highest so far; D, unknown, takes the first free one.
    int expected[][2] = {{0, 0}, {1, 1}, {5, 1}, {2, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(engine.GetColumn(i).position, expected[i][0]) << i;
        EXPECT_EQ(engine.GetColumn(i).selected, expected[i][1]) << i;
    }
    EXPECT_EQ(engine.GetColumn(1).dbName, "Spalte B");
    EXPECT_EQ(engine.GetColumn(2).sqlType, "FLOAT");
    // A section that does not exist: every column selected at its definition index.
    ASSERT_TRUE(engine.LoadLayout(layout, "Neu"));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(engine.GetColumn(i).position == i && engine.GetColumn(i).selected == 1) << i;
    ASSERT_TRUE(engine.SaveLayout(layout, "Neu"));
    EXPECT_EQ(CTempDir::Read(layout).find("Typ : A"), std::string::npos); // the type is never written
}

// An existing table receives only the columns it lacks; with "Tabelle löschen" it is made anew.
TEST(CModulMDBTest, PrepareTableExtendsOrRecreatesTheTable) {
    CTempDir temp;
    CSqliteEngine e(temp);
    CADOXCatalog catalog;
    ASSERT_TRUE(catalog.CreateDatabaseFile(e.engine.connectionString));
    Execute(e.engine.connectionString, {"CREATE TABLE Buchungsdaten (Datum TEXT, Betrag REAL, Alt TEXT)",
                                        "INSERT INTO Buchungsdaten VALUES ('01.01.2024', 1, 'x')"});
    for (int drop : {0, 1}) {
        e.engine.dropTable = drop;
        ASSERT_TRUE(e.engine.OpenForWriting());
        ASSERT_TRUE(e.engine.PrepareTable());
        ASSERT_TRUE(e.engine.FinishWriting());
        e.engine.CloseDatabase();
        EXPECT_EQ(e.Columns(), drop ? "Datum|Betrag|Buchungstext" : "Datum|Betrag|Alt|Buchungstext");
        EXPECT_EQ(Query(e.engine.connectionString, "SELECT COUNT(*) FROM Buchungsdaten"), drop ? "0" : "1");
    }
    // A stored name that differs in letter case is not found in the column list: CREATE fails.
    e.engine.dropTable = 0;
    e.engine.tableName = "BUCHUNGSDATEN";
    ASSERT_TRUE(e.engine.OpenForWriting());
    EXPECT_FALSE(e.engine.PrepareTable());
    ASSERT_EQ(e.frontEnd.messageTexts.size(), 1u);
    EXPECT_EQ(e.frontEnd.messageTexts[0].rfind("(E:613#", 0), 0u) << e.frontEnd.messageTexts[0];
    EXPECT_EQ(e.frontEnd.messageCaption, "Folgender Fehler ist aufgetreten:");
}

// An export that does not finish leaves nothing: no table, and no database file it created.
TEST(CModulMDBTest, AnUnfinishedExportLeavesNothingBehind) {
    CTempDir temp;
    CSqliteEngine e(temp);
    ASSERT_TRUE(e.engine.OpenForWriting());
    ASSERT_TRUE(e.engine.PrepareTable());
    e.engine.ClearValues();
    e.engine.SetValue("Betrag", "1,00");
    ASSERT_TRUE(e.engine.WriteRecord());
    e.engine.CloseDatabase();
    EXPECT_FALSE(std::filesystem::exists(e.file));
}
