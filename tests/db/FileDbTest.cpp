#include "db/DbTestSupport.h"

#include <xlsxwriter.h>

#include <gtest/gtest.h>

namespace {

std::string Connection(const std::string& file) {
    return "Provider=x;Data source=" + file;
}

// The named columns of a table's first rows, each row "a|b|c" (UTF-8), rows joined by "\n",
// preceded by the row count; the back end's error text when the table cannot be read.
std::string Rows(const std::string& file, const std::string& table, const std::vector<std::string>& columns,
                 int limit = 100) {
    CADODatabase database;
    database.connectionString = Connection(file);
    if (!database.Connect()) return "? " + CCodePage::AnsiToUtf8(database.errorText);
    std::string sql = "SELECT ";
    for (const std::string& column : columns)
        sql += (sql.size() > 7 ? "," : "") + ("[" + column + "]");
    CADORecordset rows(database);
    if (!rows.OpenQuery(Ansi(sql + " FROM [" + table + "]")))
        return "? " + CCodePage::AnsiToUtf8(rows.errorText);
    std::string all = std::to_string(rows.CountRecords());
    for (int n = 0; !rows.AtEnd() && n < limit; rows.NextRow(), ++n) {
        all += "\n";
        for (int i = 0; i < rows.FieldCount(); ++i) {
            std::string text;
            all +=
                (i ? "|" : "") + (rows.FieldText(i, text) ? CCodePage::AnsiToUtf8(text) : std::string("<?>"));
        }
    }
    return all;
}

std::string Data(const std::string& file) {
    return std::string(PELKO_TEST_DATA) + "/" + file;
}

} // namespace

// The real files of other programs read with the counts and values their sources document:
// every cell type, both date systems, formula results, dates before 1900, NULLs, names with
// blanks; a column type MDB Tools cannot read and a calculated column give no value ("<?>").
TEST(FileDbTest, SampleFilesReadWithTheirDocumentedValues) {
    struct CCase {
        const char* file;
        const char* table;
        std::vector<std::string> columns;
        int limit;
        const char* expected;
    };
    const std::vector<CCase> cases = {
        {"access/testV1997.mdb",
         "Table1",
         {"A", "B", "C", "D", "E", "F", "G", "H", "I"},
         9,
         "2\na|b|0|0|0|0.|1981-12-12 00:00:00|0.|F\n"
         "abcdefg|hijklmnop|2|222|333333333|444.555|1974-09-21 00:00:00|3.5|T"},
        {"access/testV2007.accdb",
         "Table1",
         {"F", "G", "H", "I"},
         9,
         "2\n0.|1981-12-12 00:00:00|0.|F\n444.555|1974-09-21 00:00:00|3.5|T"},
        {"access/testV2007.accdb", "Table2", {"column1", "column89"}, 9, "0"},
        {"access/testAccess2_2000.mdb",
         "Table1",
         {"ID", "CurrencyField", "DateField", "YesNoField", "PlainTextMemo", "OLEObject", "HyperLinkField"},
         9,
         "2\n1|6.23|2015-06-24 00:00:00|T|red and brown|<?>|#http://tika.apach.org#\n2|0.||F||<?>|"},
        {"access/extDateTestV2019.accdb",
         "Table1",
         {"ID", "DateExt", "DateNormal", "DateNormalCalc"},
         9,
         "9\n1|<?>|2020-06-17 00:00:00|<?>\n2|<?>|2021-06-14 00:00:00|<?>\n3|<?>|2021-06-14 12:45:00|<?>\n"
         "4|<?>|2021-06-14 01:45:00|<?>\n5|<?>||<?>\n6|<?>|2021-06-14 22:45:12|<?>\n"
         "9|<?>|1265-06-14 12:45:00|<?>\n7|<?>|1765-06-14 12:45:00|<?>\n8|<?>|0100-06-14 12:45:00|<?>"},
        {"access/meza-test.mdb",
         "merchant_taylors",
         {"Id No", "Surname", "Freedom", "Remarks"},
         1,
         "20\n1|Aaron|1760-07-03 00:00:00|"},
        {"access/githubIssue16.accdb",
         "Donation Detail",
         {"Donor_ID", "Donation Date", "Amount", "Designation"},
         9,
         "1\n372|2024-01-01 00:00:00|500.|5010 - Direct Payment"},
        {"workbooks/testsimple.xlsx",
         "Sheet1",
         {"decimalsc1", "booleancolumn", "datecolumn", "stringcolumn", "decimalp8sc3", "longcolumn"},
         9,
         "6\n1.|T|2017-01-01 00:00:00|This is a text|10.|65335.\n1.5|F|2017-02-28 00:00:00|Another "
         "String|2.334|1.\n"
         "3.4|F|2000-02-29 00:00:00|10.|4.5|250.\n5.5|F|2017-03-01 00:00:00|test3|11.|10.\n"
         "|||test4|100.|3147483647.\n3.4|T|2017-03-01 00:00:00|test5|10000.5|10."},
        {"workbooks/meza-test.xlsx",
         "sheet1_bad",
         {"text", "boolean", "float", "time", "datetime", "F9"},
         3,
         "5\nChicago Tribune|F|41800000.01|1899-12-30 00:00:00|1915-12-31 00:00:00|\n"
         "Chicago Sun-Times|T|1.27|1899-12-30 14:57:13|1943-12-31 14:57:13|Extra data past headers will be "
         "trimmed\n"
         "Chicago Reader|T|1.|1899-12-30 04:14:00|1966-12-31 04:14:00|"},
        {"workbooks/meza-test.xlsx",
         "sheet0$",
         {"Some Date", "Sparse Data", "Some Value"},
         3,
         "5\n1982-05-04 00:00:00|Iñtërnâtiônàližætiøn|234.\n2015-01-01 00:00:00||100.\n1995-12-31 "
         "00:00:00||0.44"},
        {"workbooks/agate-test.xlsx",
         "test.csv",
         {"number", "boolean", "date", "datetime"},
         9,
         "3\n1.|T|2015-11-04 00:00:00|2015-11-04 12:22:00\n2.|F|2015-11-05 00:00:00|2015-11-04 "
         "12:45:00\n|||"},
        {"workbooks/meza-test.xls",
         "Sheet2",
         {"text", "date", "boolean", "time"},
         2,
         "5\nChicago Tribune|1915-12-31 00:00:00|F|1899-12-30 00:00:00\n"
         "Chicago Sun-Times|1943-12-31 00:00:00|T|1899-12-30 14:57:13"},
        {"workbooks/agate-test.xls",
         "test.csv",
         {"number", "date", "datetime"},
         9,
         "3\n1.|2015-11-04 00:00:00|2015-11-04 12:22:00\n2.|2015-11-05 00:00:00|2015-11-04 12:45:00\n||"},
        {"workbooks/excel2003test.xls",
         "Sheet1",
         {"test1", "test2", "test3", "F5"},
         9,
         "5\n4.|||\n1999-12-31 00:00:00|5.||null\n1.|||\n2.|6.|10.|\n3.|4.|15.|"},
        {"workbooks/profiles.xls",
         "PROFILELEVELS",
         {"PROFIL", "Quergefälle", "i1"},
         1,
         "14\nP8.2|0.025|265.21206"},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(Rows(Data(c.file), c.table, c.columns, c.limit), c.expected) << c.file << " " << c.table;
}

// A workbook cell holds up to 32 767 characters and a sheet up to 1 048 576 rows: both are read
// in full, and a longer text is refused with the reason instead of being cut.
TEST(FileDbTest, WorkbookLimitsAreReadInFullAndNeverCut) {
    CTempDir temp;
    const std::string file = temp.File("grenzen.xlsx");
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(file.c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Zeilen");
    worksheet_write_string(sheet, 0, 0, "Nummer", nullptr);
    worksheet_write_string(sheet, 0, 1, "Text", nullptr);
    const std::string longText(32767, 'x');
    for (lxw_row_t row = 1; row < 1048576; ++row)
        worksheet_write_number(sheet, row, 0, row, nullptr);
    worksheet_write_string(sheet, 1048575, 1, longText.c_str(), nullptr);
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);

    const std::string all = Rows(file, "Zeilen", {"Nummer", "Text"}, 1048576);
    EXPECT_EQ(all.substr(0, all.find('\n')), "1048575");
    EXPECT_EQ(all.substr(all.rfind('\n') + 1), "1048575.|" + longText);

    const std::string created = temp.File("neu.xlsx");
    CTempDir::Write(created, "");
    CADODatabase database;
    database.connectionString = Connection(created);
    ASSERT_TRUE(database.Connect()) << database.errorText;
    ASSERT_TRUE(database.ExecuteStatement("CREATE TABLE Lang ([Text] LONGCHAR)"));
    EXPECT_TRUE(database.ExecuteStatement("INSERT INTO Lang ([Text] ) VALUES ('" + longText + "' )"));
    EXPECT_FALSE(database.ExecuteStatement("INSERT INTO Lang ([Text] ) VALUES ('" + longText + "x' )"));
    EXPECT_EQ(database.errorText,
              Ansi("Der Wert der Spalte Text hat 32768 Zeichen; eine Zelle fasst höchstens 32767."));
    EXPECT_EQ(Rows(created, "Lang", {"Text"}), "1\n" + longText);
}

// Only the statements the engine generates are carried out; anything else names its reason.
TEST(FileDbTest, StatementsBeyondTheEnginesAreRefused) {
    CTempDir temp;
    const std::string file = temp.File("mappe.xlsx");
    CTempDir::Write(file, "");
    CADODatabase database;
    database.connectionString = Connection(file);
    ASSERT_TRUE(database.Connect());
    ASSERT_TRUE(database.ExecuteStatement("CREATE TABLE T ([A] VARCHAR(10),[B] FLOAT)"));
    for (const char* sql : {"UPDATE T SET [A]='x'", "DELETE FROM T", "INSERT INTO T ([A]) SELECT [A] FROM T",
                            "INSERT INTO T ([A],[B]) VALUES ('x')", "CREATE TABLE T ([A] VARCHAR(10))",
                            "INSERT INTO T ([C]) VALUES ('x')", "DROP TABLE U"})
        EXPECT_FALSE(database.ExecuteStatement(sql)) << sql;
    CADORecordset rows(database);
    for (const char* sql : {"SELECT * FROM T", "SELECT COUNT([A]) FROM T", "SELECT [A] FROM T WHERE [A]='x'",
                            "SELECT [C] FROM T"})
        EXPECT_FALSE(rows.OpenQuery(sql)) << sql;
    EXPECT_TRUE(database.ExecuteStatement("INSERT INTO T ([A] ,[B] ) VALUES ('O''Neil' ,'-1,5' )"));
    EXPECT_EQ(Rows(file, "T", {"A", "B"}), "1\nO'Neil|-1.5");
}
