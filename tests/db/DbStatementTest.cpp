#include "db/CModulMDB.h"
#include "support/CRecordingFrontEnd.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// An engine with a few columns of every kind and the values of one booking.
struct CEngine {
    explicit CEngine(const std::string& connection, int noBrackets = 0, int noQuotes = 0) : engine(frontEnd) {
        engine.DefineColumn("Datum", "VARCHAR(20)");
        engine.DefineColumn("Betrag", "FLOAT");
        engine.DefineColumn("Buchungstext", "VARCHAR(255)");
        engine.DefineColumn("Umsatz (optional)", "FLOAT");
        engine.DefineColumn("Id", "AUTOINCREMENT");
        engine.tableName = "Buchungsdaten";
        engine.SetConnectionString(connection);
        engine.noBrackets = noBrackets;
        engine.noQuotesForFloat = noQuotes;
        engine.DecideDialect();
        engine.ClearValues();
        engine.SetValue("Datum", "31.12.2016");
        engine.SetValue("Betrag", "12,50");
        engine.SetValue("Buchungstext", "O'Neil \\");
    }
    std::string Definitions() {
        std::string all;
        for (int i = 0; i < engine.GetColumnCount(); ++i)
            all +=
                engine.Dialect().ColumnDefinition(engine.GetColumn(i).dbName, engine.GetColumn(i).sqlType) +
                "|";
        return all;
    }
    CRecordingFrontEnd frontEnd;
    CModulMDB engine;
};

const char* const kAccess = "Provider=Microsoft.JET.OLEDB.4.0;Jet OLEDB:Engine Type=4;Data source=/x/out.mdb";

} // namespace

// Every dialect's INSERT, SELECT and column definitions, byte for byte, with the blanks exactly
// where the engine puts them.
TEST(DbStatementTest, EachDialectWritesItsOwnStatements) {
    struct CCase {
        const char* connection;
        int noBrackets, noQuotes;
        const char* insert;
        const char* select;
        const char* definitions;
    } cases[] = {
        {kAccess, 0, 0,
         "INSERT INTO Buchungsdaten ([Datum] ,[Betrag] ,[Buchungstext] ,[Umsatz (optional)] ) VALUES "
         "('31.12.2016' "
         ",'12,50' ,'O''Neil \\' ,NULL )",
         "SELECT [Datum] ,[Betrag] ,[Buchungstext] ,[Umsatz (optional)] ,[Id]  FROM [Buchungsdaten] ",
         "[Datum] VARCHAR(20)|[Betrag] FLOAT|[Buchungstext] VARCHAR(255)|[Umsatz (optional)] FLOAT|[Id] "
         "AUTOINCREMENT|"},
        {kAccess, 0, 1,
         "INSERT INTO Buchungsdaten ([Datum] ,[Betrag] ,[Buchungstext] ,[Umsatz (optional)] ) VALUES "
         "('31.12.2016' "
         ",12,50 ,'O''Neil \\' ,NULL )",
         nullptr, nullptr},
        {kAccess, 1, 0, nullptr,
         "SELECT Datum ,Betrag ,Buchungstext ,Umsatz__optional_ ,Id  FROM Buchungsdaten ",
         "Datum VARCHAR(20)|Betrag FLOAT|Buchungstext VARCHAR(255)|Umsatz__optional_ FLOAT|Id "
         "AUTOINCREMENT|"},
        {"DRIVER={MySQL ODBC 3.51 Driver};SERVER=localhost;USER=root;OPTION=3;DATABASE=fibu", 0, 0,
         "INSERT INTO Buchungsdaten (Datum ,Betrag ,Buchungstext ,Umsatz__optional_ ) VALUES ('31.12.2016' "
         ",'12.50' "
         ",'O''Neil \\\\' ,NULL )",
         "SELECT Datum ,Betrag ,Buchungstext ,Umsatz__optional_ ,Id  FROM Buchungsdaten ",
         "Datum VARCHAR(20)|Betrag DOUBLE|Buchungstext VARCHAR(255)|Umsatz__optional_ DOUBLE|Id MEDIUMINT "
         "NOT NULL "
         "AUTO_INCREMENT, PRIMARY KEY (Id)|"},
        {"DRIVER={MariaDB Unicode};SERVER=localhost;DATABASE=fibu", 0, 0,
         "INSERT INTO Buchungsdaten (Datum ,Betrag ,Buchungstext ,Umsatz__optional_ ) VALUES ('31.12.2016' "
         ",'12.50' "
         ",'O''Neil \\\\' ,NULL )",
         nullptr, nullptr},
        {"Provider=sqloledb;", 0, 0,
         "INSERT INTO Buchungsdaten ([Datum] ,[Betrag] ,[Buchungstext] ,[Umsatz (optional)] ) VALUES "
         "('31.12.2016' "
         ",'12.50' ,'O''Neil \\' ,NULL )",
         nullptr,
         "[Datum] VARCHAR(20)|[Betrag] FLOAT|[Buchungstext] VARCHAR(255)|[Umsatz (optional)] FLOAT|[Id] INT "
         "IDENTITY(1,1) NOT NULL|"},
        {"Provider=MSDAORA;", 0, 0,
         "INSERT INTO Buchungsdaten (Datum ,Betrag ,Buchungstext ,Umsatz__optional_ ) VALUES ('31.12.2016' "
         ",'12.50' "
         ",'O''Neil \\' ,NULL )",
         nullptr,
         "Datum VARCHAR(20)|Betrag FLOAT|Buchungstext VARCHAR(255)|Umsatz__optional_ FLOAT|Id "
         "AUTOINCREMENT|"},
        {"Provider=Microsoft.ACE.OLEDB.12.0;Extended Properties=\"Excel 12.0 Xml;HDR=YES\";Data "
         "source=/x/a.xlsx",
         0, 0,
         "INSERT INTO Buchungsdaten ([Datum] ,[Betrag] ,[Buchungstext] ,[Umsatz (optional)] ) VALUES "
         "('31.12.2016' "
         ",'12,50' ,'O''Neil \\' ,NULL )",
         nullptr, nullptr},
        {"DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=1;DATABASE=fibu", 0, 0,
         "INSERT INTO Buchungsdaten (\"Datum\" ,\"Betrag\" ,\"Buchungstext\" ,\"Umsatz (optional)\" ) VALUES "
         "('31.12.2016' ,'12.50' ,'O''Neil \\' ,NULL )",
         "SELECT \"Datum\" ,\"Betrag\" ,\"Buchungstext\" ,\"Umsatz (optional)\" ,\"Id\"  FROM Buchungsdaten ",
         "\"Datum\" VARCHAR(20)|\"Betrag\" FLOAT|\"Buchungstext\" VARCHAR(255)|\"Umsatz (optional)\" "
         "FLOAT|\"Id\" "
         "INTEGER GENERATED BY DEFAULT AS IDENTITY|"},
        {"Provider=SQLite;Data source=/nicht/da.sqlite", 0, 0,
         "INSERT INTO Buchungsdaten ([Datum] ,[Betrag] ,[Buchungstext] ,[Umsatz (optional)] ) VALUES "
         "('31.12.2016' "
         ",'12.50' ,'O''Neil \\' ,NULL )",
         "SELECT [Datum] ,[Betrag] ,[Buchungstext] ,[Umsatz (optional)] ,[Id]  FROM [Buchungsdaten] ",
         "[Datum] VARCHAR(20)|[Betrag] FLOAT|[Buchungstext] VARCHAR(255)|[Umsatz (optional)] FLOAT|[Id] "
         "INTEGER "
         "PRIMARY KEY AUTOINCREMENT|"},
    };
    for (const CCase& c : cases) {
        CEngine e(c.connection, c.noBrackets, c.noQuotes);
        ASSERT_TRUE(e.engine.InsertRecord()) << c.connection; // not connected: built, not executed
        if (c.insert) {
            EXPECT_EQ(e.engine.LastStatement(), c.insert) << c.connection;
        }
        if (c.definitions) {
            EXPECT_EQ(e.Definitions(), c.definitions) << c.connection;
        }
        if (c.select) {
            EXPECT_FALSE(e.engine.OpenForReading()) << c.connection; // there is no such database
            EXPECT_EQ(e.engine.LastStatement(), c.select) << c.connection;
            ASSERT_EQ(e.frontEnd.boxes.size(), 1u);
            EXPECT_EQ(e.frontEnd.boxes[0].text.rfind("(E:618#", 0), 0u) << e.frontEnd.boxes[0].text;
        }
    }
}

TEST(DbStatementTest, ValuesAreCutToTheirWidthBeforeTheirQuotesAreDoubled) {
    CEngine e(kAccess);
    e.engine.DefineColumn("Kurz", "VARCHAR(5)");
    e.engine.SetValue("Kurz", "Ab'cdefg");
    EXPECT_EQ(e.engine.GetColumn(5).value, "Ab''cd");
    EXPECT_EQ(e.engine.GetColumn(5).cutWidth, 5);
    e.engine.SetValue("Buchungstext", "12,50");
    EXPECT_EQ(e.engine.GetColumn(2).value, "12,50"); // only FLOAT values change their comma
    EXPECT_EQ(e.engine.GetColumn(2).cutWidth, -1);
    EXPECT_EQ(CDbDialect::PlainForm("S/H-Kennz. (optional)"), "S_H_Kennz___optional_");
}

// A table name that would end its own quoting is refused before anything is touched.
TEST(DbStatementTest, TableNamesWithQuotesOrSemicolonsAreRefused) {
    for (const char* name : {"Buchungs'daten", "a;DROP TABLE b", "\"x\"", "`x`"}) {
        CEngine e("Provider=SQLite;Data source=/nicht/da.sqlite");
        e.engine.tableName = name;
        EXPECT_FALSE(e.engine.OpenForWriting()) << name;
        EXPECT_FALSE(e.engine.OpenForReading()) << name;
        ASSERT_EQ(e.frontEnd.boxes.size(), 2u) << name;
        EXPECT_EQ(e.frontEnd.boxes[0].text.rfind("(E:619#", 0), 0u) << e.frontEnd.boxes[0].text;
        EXPECT_FALSE(std::filesystem::exists("/nicht/da.sqlite"));
    }
}
