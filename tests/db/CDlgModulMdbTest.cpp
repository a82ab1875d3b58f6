#include "core/CPelkoDoc.h"
#include "db/CADOXCatalog.h"
#include "db/CDbTypes.h"
#include "db/CDlgModulMdbExport.h"
#include "db/CDlgModulMdbImport.h"
#include "db/CModulMDB.h"
#include "db/DbTestSupport.h"
#include "support/CRecordingFrontEnd.h"

#include <gtest/gtest.h>

namespace {

// The document's bookings engines, defined as for a run.
struct CDocument {
    CDocument() : doc(frontEnd) { doc.InitDocument(); }
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc;
};

std::string Items(const CDlgModulMdb& dialog, int count) {
    std::string all;
    for (int i = 0; i < count; ++i)
        all += dialog.GetItemText(i) + "|";
    return all;
}

std::string CreateTable(const CTempDir& temp, const std::string& columns) {
    const std::string connection = "Provider=SQLite;Data source=" + temp.File("spalten.sqlite");
    CADOXCatalog catalog;
    catalog.CreateDatabaseFile(connection);
    Execute(connection, {"CREATE TABLE Konten " + columns, "CREATE TABLE Zweite (x TEXT)"});
    return connection;
}

} // namespace

// The connection string of a database file is made from type and file when the dialog opens; a
// stored server string is replaced only when it names a provider of the file family.
TEST(CDlgModulMdbTest, OpeningBuildsTheConnectionString) {
    CDocument d;
    CModulMDB& engine = d.doc.dbExportBookings;
    struct CCase {
        const char* file;
        int type;
        const char* stored;
        bool import;
        const char* expected;
    } cases[] = {
        {"/x/out.mdb", 2, "Provider=MSDAORA;", false,
         "Provider=Microsoft.JET.OLEDB.4.0;Jet OLEDB:Engine Type=4;Data source=/x/out.mdb"},
        {"/x/out.sqlite", 0, "", false, "Provider=SQLite;Data source=/x/out.sqlite"},
        {"", 0, "Provider=Microsoft.JET.OLEDB.4.0;Data source=a.mdb", false,
         "DRIVER={FreeTDS};SERVER=localhost;PORT=1433;UID=sa;PWD=;DATABASE="},
        {"", 0, "Provider=MSDAORA;", false, "Provider=MSDAORA;"},
        {"", 1, "Provider=Microsoft.ACE.OLEDB.12.0;", false, "Provider=Microsoft.ACE.OLEDB.12.0;"},
        {"", 1, "Provider=Microsoft.ACE.OLEDB.12.0;", true,
         "DRIVER={MariaDB Unicode};SERVER=localhost;USER=root;OPTION=3;DATABASE="},
        {"", 4, "", true,
         "DRIVER={PostgreSQL Unicode};SERVER=localhost;PORT=5432;UID=postgres;PWD=;DATABASE="},
    };
    for (const CCase& c : cases) {
        engine.databaseType = c.type;
        engine.SetConnectionString(c.stored);
        std::unique_ptr<CDlgModulMdb> dialog;
        if (c.import)
            dialog = std::make_unique<CDlgModulMdbImport>(engine, c.file);
        else
            dialog = std::make_unique<CDlgModulMdbExport>(engine, c.file);
        dialog->TakeFromEngine("Buchungsdaten");
        dialog->Open();
        EXPECT_EQ(dialog->connectionString, c.expected) << c.file << " " << c.stored;
    }
    CDlgModulMdbExport server(engine, "");
    EXPECT_EQ(server.TypeEntries().back(), "PostgreSQL");
    server.ChangeDatabaseType(1);
    EXPECT_EQ(server.connectionString,
              "DRIVER={MariaDB Unicode};SERVER=localhost;USER=root;OPTION=3;DATABASE=");
}

TEST(CDlgModulMdbTest, ExportDialogRenamesAndTicksColumns) {
    CDocument d;
    CDlgModulMdbExport dialog(d.doc.dbExportBookings, "");
    dialog.Open();
    dialog.ToggleItem(2);
    EXPECT_EQ(dialog.newColumnName, "Datum");
    EXPECT_FALSE(dialog.IsTicked(2));
    dialog.RenameColumn("Datum2");
    EXPECT_EQ(dialog.GetItemText(2), "Datum -> Datum2");
    EXPECT_EQ(d.doc.dbExportBookings.GetColumn(2).dbName, "Datum2");
    dialog.InvertSelection();
    EXPECT_TRUE(dialog.IsTicked(2));
    EXPECT_FALSE(dialog.IsTicked(0));
}

// "Spalten der Tabelle auslesen" assigns the table's columns in their order; "automatisch zuordnen"
// gives each program field the column of its name; moving and dropping swap assignments.
TEST(CDlgModulMdbTest, ImportDialogAssignsTheTableColumns) {
    CTempDir temp;
    CDocument d;
    CDlgModulMdbImport dialog(d.doc.dbImportBookings, "");
    dialog.connectionString = CreateTable(temp, "(Datum TEXT, Betrag REAL, Text TEXT)");
    dialog.tableName = "Konten";
    dialog.ReadTables();
    EXPECT_EQ(dialog.tables, (std::vector<std::string>{"Konten", "Zweite"}));
    dialog.ReadColumns();
    EXPECT_EQ(Items(dialog, 4),
              "[Buchungsnummer] <-- [Datum]|[Belegnummer 2] <-- [Betrag]|[Datum] <-- [Text]|"
              "[Soll-Konto] <-- []|");
    dialog.AutoAssign();
    EXPECT_EQ(Items(dialog, 3), "[Buchungsnummer] <-- [Text]|[Belegnummer 2] <-- []|[Datum] <-- [Datum]|");
    EXPECT_EQ(dialog.GetItemText(6), "[Betrag] <-- [Betrag]");
    dialog.SelectItem(0);
    dialog.MoveUp(); // the first item cannot move up
    dialog.MoveDown();
    EXPECT_EQ(Items(dialog, 2), "[Buchungsnummer] <-- []|[Belegnummer 2] <-- [Text]|");
    EXPECT_EQ(dialog.GetSelectedItem(), 1);
    dialog.SelectItem(dialog.GetItemCount() - 1);
    dialog.MoveDown();
    EXPECT_EQ(dialog.GetSelectedItem(), dialog.GetItemCount() - 1);
}

// A table with more columns than the program has fields: the extra ones are items of the dialog
// only, and one dropped onto a field gives that field its column.
TEST(CDlgModulMdbTest, ExtraTableColumnsBelongToTheDialogOnly) {
    CTempDir temp;
    CDocument d;
    CModulMDB& engine = d.doc.dbImportBookings;
    std::string columns = "(";
    for (int i = 1; i <= 20; ++i)
        columns += (i > 1 ? ", c" : "c") + std::to_string(i) + " TEXT";
    const std::string connection = CreateTable(temp, columns + ")");
    d.frontEnd.onDialog = [&](CDialogLogic& logic) {
        auto& dialog = dynamic_cast<CDlgModulMdbImport&>(logic);
        dialog.connectionString = connection;
        dialog.tableName = "Konten";
        dialog.ReadColumns();
        EXPECT_EQ(dialog.GetItemCount(), 20);
        EXPECT_EQ(dialog.GetItemText(19), "[] <-- [c20]");
        dialog.DropOn(19, 8); // onto "Buchungstext"
        EXPECT_EQ(dialog.GetItemText(8), "[Buchungstext] <-- [c20]");
        return true;
    };
    ASSERT_TRUE(engine.SetupImport(temp.File("mdb.ini"), "Import Buchungsdaten", "", "Konten", true));
    EXPECT_EQ(engine.GetColumnCount(), 17);
    EXPECT_EQ(engine.GetColumn(8).dbName, "c20");
    const std::string layout = CTempDir::Read(temp.File("mdb.ini"));
    EXPECT_NE(layout.find("Tab.: Buchungstext=c20"), std::string::npos);
    EXPECT_EQ(layout.find("Tab.: =c"), std::string::npos);
    EXPECT_NE(layout.find("Initialisierung=" + connection), std::string::npos);
}

TEST(CDlgModulMdbTest, ReadingFromAnUnreachableDatabaseShowsTheDriversText) {
    CDocument d;
    CDlgModulMdbImport dialog(d.doc.dbImportBookings, "");
    dialog.connectionString = "DRIVER={Gibt es nicht};SERVER=localhost";
    dialog.tables = {"alt"};
    dialog.ReadTables();
    dialog.ReadColumns();
    ASSERT_EQ(d.frontEnd.boxes.size(), 2u);
    EXPECT_EQ(d.frontEnd.boxes[0].text.rfind("(E:872#", 0), 0u) << d.frontEnd.boxes[0].text;
    EXPECT_NE(d.frontEnd.boxes[0].text.find("OLE DB meldet: [unixODBC]"), std::string::npos);
    EXPECT_EQ(d.frontEnd.boxes[1].text.rfind("(E:875#", 0), 0u);
    EXPECT_EQ(dialog.tables, std::vector<std::string>{"alt"});
}

// A profile saved by one dialog and loaded into another restores every value and assignment; a
// profile named for a run is applied without the dialog.
TEST(CDlgModulMdbTest, ProfilesRoundTrip) {
    CTempDir temp;
    CDocument d;
    CModulMDB& engine = d.doc.dbExportBookings;
    const std::string profile = temp.File("profil.prf");
    {
        CDlgModulMdbExport dialog(engine, "");
        dialog.Open();
        dialog.connectionString = "DRIVER={PostgreSQL Unicode};SERVER=db;DATABASE=fibu";
        dialog.databaseType = 4;
        dialog.tableName = "Journal";
        dialog.dropTable = 1;
        dialog.pointDecimals = 1;
        dialog.longCharReplacement = "TEXT";
        dialog.SelectItem(6);
        dialog.RenameColumn("Summe");
        dialog.ToggleItem(1);
        d.frontEnd.nextFiles = {profile};
        dialog.SaveProfile();
    }
    const std::string text = CTempDir::Read(profile);
    EXPECT_EQ(
        text.rfind("[mdb_out]\r\nDatenbanktyp=4\r\nInitialisierung=DRIVER={PostgreSQL Unicode};SERVER=db;"
                   "DATABASE=fibu\r\nTabellenname=Journal\r\n",
                   0),
        0u)
        << text;
    d.doc.InitDocument(); // the engine's columns as defined
    engine.exportProfile = profile;
    engine.connectionOverride.clear();
    ASSERT_TRUE(engine.SetupExport(temp.File("mdb.ini"), "Export Buchungsdaten", "", "Buchungsdaten", false));
    EXPECT_EQ(engine.connectionString, "DRIVER={PostgreSQL Unicode};SERVER=db;DATABASE=fibu");
    EXPECT_EQ(engine.tableName, "Journal");
    EXPECT_EQ(engine.dropTable, 1);
    EXPECT_EQ(engine.pointDecimals, 1);
    EXPECT_EQ(engine.longCharReplacement, "TEXT");
    EXPECT_EQ(engine.GetColumn(6).dbName, "Summe");
    EXPECT_EQ(engine.GetColumn(1).selected, 0);
    engine.exportProfile = temp.File("fehlt.prf");
    EXPECT_TRUE(engine.SetupExport(temp.File("mdb.ini"), "Export Buchungsdaten", "", "Buchungsdaten", false));
    EXPECT_EQ(d.frontEnd.boxes.back().text,
              Ansi("Profildatei kann nicht geöffnet werden: ") + temp.File("fehlt.prf"));
}

// The import dialog lists the sheets of a workbook and the tables of an Access file, and their
// columns, as for any other database.
TEST(CDlgModulMdbTest, ImportDialogListsSheetsAndAccessTables) {
    CDocument d;
    CDlgModulMdbImport dialog(d.doc.dbImportBookings, "");
    dialog.connectionString =
        CDbTypes::FileConnectionString(0, std::string(PELKO_TEST_DATA) + "/workbooks/meza-test.xlsx");
    dialog.ReadTables();
    EXPECT_EQ(dialog.tables, (std::vector<std::string>{"sheet0", "sheet1", "sheet0_bad", "sheet1_bad"}));
    dialog.tableName = "sheet1";
    dialog.ReadColumns();
    EXPECT_EQ(Items(dialog, 3),
              "[Buchungsnummer] <-- [text]|[Belegnummer 2] <-- [date]|[Datum] <-- [integer]|");
    dialog.connectionString =
        CDbTypes::FileConnectionString(0, std::string(PELKO_TEST_DATA) + "/access/githubIssue16.accdb");
    dialog.ReadTables();
    EXPECT_EQ(dialog.tables,
              (std::vector<std::string>{"Designation", "Donation Detail", "Donation Type", "Donor"}));
    dialog.tableName = "Donation Detail";
    dialog.ReadColumns();
    EXPECT_EQ(Items(dialog, 2), "[Buchungsnummer] <-- [Donor_ID]|[Belegnummer 2] <-- [Batch]|");
}
