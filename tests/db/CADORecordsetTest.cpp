#include "db/CADORecordset.h"
#include "db/CADODatabase.h"
#include "db/CADOXCatalog.h"
#include "db/DbTestSupport.h"
#include "support/CDbServer.h"

#include <gtest/gtest.h>

namespace {

struct CField {
    const char* column;
    const char* text; // nullptr: no text form, FieldText fails and leaves the text as it was
};

// Reads one row of the table and compares every field's text.
void ExpectFieldTexts(const std::string& connection, const std::string& select,
                      const std::vector<CField>& fields) {
    CADODatabase database;
    database.connectionString = connection;
    ASSERT_TRUE(database.Connect()) << database.errorText;
    CADORecordset rows(database);
    ASSERT_TRUE(rows.OpenQuery(select)) << rows.errorText;
    ASSERT_EQ(rows.CountRecords(), 2);
    for (int row = 0; row < 2; ++row, rows.NextRow()) {
        ASSERT_FALSE(rows.AtEnd());
        for (const CField& field : fields) {
            std::string text = "vorher";
            bool ok = rows.FieldText(field.column, text);
            if (row == 0) { // the row of NULLs
                EXPECT_TRUE(ok && text.empty()) << field.column << ": " << text;
            } else if (!field.text) {
                EXPECT_FALSE(ok) << field.column;
                EXPECT_EQ(text, "vorher") << field.column;
            } else {
                EXPECT_TRUE(ok) << field.column;
                EXPECT_EQ(text, Ansi(field.text)) << field.column;
            }
        }
        std::string text = "vorher";
        EXPECT_FALSE(rows.FieldText("GibtEsNicht", text));
        EXPECT_EQ(text, "vorher");
    }
    EXPECT_TRUE(rows.AtEnd());
}

} // namespace

TEST(CADORecordsetTest, FieldTextFollowsTheValueTypeOnSqlite) {
    CTempDir temp;
    const std::string connection = "Provider=SQLite;Data source=" + temp.File("typen.db");
    CADOXCatalog catalog;
    ASSERT_TRUE(catalog.CreateDatabaseFile(connection));
    Execute(connection, {"CREATE TABLE T (i INTEGER, big BIGINT, d DOUBLE, f FLOAT, n DECIMAL(15,2), "
                         "n2 DECIMAL(15,2), b BOOLEAN, dt DATE, ts DATETIME, t VARCHAR(20), bl BLOB)",
                         "INSERT INTO T (i) VALUES (NULL)",
                         "INSERT INTO T VALUES (-42, 9007199254740993, 12, 987.25, 50000000.25, 12, 0, "
                         "'2016-12-31', '2016-12-31 23:59:58', 'Müller ''€''', x'00ff')"});
    ExpectFieldTexts(connection, "SELECT * FROM T",
                     {{"i", "-42"},
                      {"big", "9007199254740993"},
                      {"d", "12."},
                      {"f", "987.25"},
                      {"n", "50000000.25"},
                      {"n2", "12."},
                      {"b", "F"},
                      {"dt", "2016-12-31 00:00:00"},
                      {"ts", "2016-12-31 23:59:58"},
                      {"t", "Müller '€'"},
                      {"bl", nullptr}});
}

TEST(CADORecordsetTest, FieldTextFollowsTheValueTypeOnPostgres) {
    PELKO_DB_SERVER(server, CDbServer::EKind::Postgres);
    const std::string connection = server->ConnectionString();
    Execute(connection,
            {"CREATE TABLE typen (i INTEGER, big BIGINT, d DOUBLE PRECISION, r REAL, n NUMERIC(15,2), "
             "n2 NUMERIC(15,2), b BOOLEAN, dt DATE, ts TIMESTAMP, t VARCHAR(20), bl BYTEA, sort INTEGER)",
             "INSERT INTO typen (sort) VALUES (1)",
             "INSERT INTO typen VALUES (-42, 9007199254740993, 12, 12.5, 50000000.25, -0.5, true, "
             "'2016-12-31', '2016-12-31 23:59:58', 'Müller ''€''', '\\x00ff', 2)"});
    ExpectFieldTexts(connection, "SELECT i, big, d, r, n, n2, b, dt, ts, t, bl FROM typen ORDER BY sort",
                     {{"i", "-42"},
                      {"big", "9007199254740993"},
                      {"d", "12."},
                      {"r", "12.5"},
                      {"n", "50000000.25"},
                      {"n2", "-0.5"},
                      {"b", "T"},
                      {"dt", "2016-12-31 00:00:00"},
                      {"ts", "2016-12-31 23:59:58"},
                      {"t", "Müller '€'"},
                      {"bl", nullptr}});
}

// Numbers in general notation read back with the amount parser as the same value.
TEST(CADORecordsetTest, FloatTextsReadBackExactly) {
    for (double value : {0.1, -987.5, 1234567.89, 1e-7, 1e21, 0.30000000000000004, 12.0}) {
        CDbValue v;
        v.type = CDbValue::EType::Float64;
        v.number = value;
        std::string text;
        ASSERT_TRUE(CADORecordset::ValueText(v, text));
        EXPECT_EQ(CTool::ParseAmount(text), value) << text;
    }
}
