#include "db/CDlgModulMdbImport.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/CModulMDB.h"

#include <utility>

namespace {

const char* const kHelpAddress = "README, Abschnitt \"Datenbanken\"";

} // namespace

CDlgModulMdbImport::CDlgModulMdbImport(CModulMDB& engineRef, const std::string& file)
    : CDlgModulMdb(engineRef, file) {}

void CDlgModulMdbImport::Open() {
    CStepCode::Set(8704);
    RebuildConnectionString("Provider=Microsoft.");
    CStepCode::Set(8706);
    ItemsInDefinitionOrder();
    CStepCode::Set(8709);
}

void CDlgModulMdbImport::ItemsInDefinitionOrder() {
    items.clear();
    for (int i = 0; i < GetColumnCount(); ++i)
        items.push_back(i);
    SelectItem(0);
}

void CDlgModulMdbImport::GiveToEngine() const {
    CStepCode::Set(8722);
    CDlgModulMdb::GiveToEngine();
}

std::string CDlgModulMdbImport::GetItemText(int item) const {
    const DbColumn& column = Column(GetItemColumn(item));
    return CTool::Format("[%s] <-- [%s]", column.name.c_str(), column.dbName.c_str());
}

void CDlgModulMdbImport::ShowReadError(int code, const std::string& errorText) const {
    std::string text;
    if (code == 870 || code == 873)
        text = Ansi(code == 870 ? "Der Zugriff auf die Tabellen ist gescheitert."
                                : "Der Zugriff auf die Spalten ist gescheitert.") +
               "\nOLE DB meldet: " + errorText;
    else if (errorText == "(null)")
        text = Ansi("Die Datenbank konnte zum Lesen nicht geöffnet werden.\nVermutlich ist keine oder eine "
                    "zu alte "
                    "Zugriffsbibliothek installiert (mindestens MDAC 2.6).\nInstallieren Sie bitte die "
                    "neueste MDAC "
                    "Bibliothek (siehe ") +
               kHelpAddress + ").";
    else
        text = Ansi("Die Datenbank konnte zum Lesen nicht geöffnet werden.\nOLE DB meldet: ") + errorText;
    engine.GetFrontEnd().MessageBox(CTool::Format("(E:%d#%d)\n", code, CStepCode::Get()) + text +
                                    "\n\nDer Export wurde abgebrochen.");
}

bool CDlgModulMdbImport::Connect(CADODatabase& database, int codeWithoutText) const {
    database.connectionString = connectionString;
    if (database.Connect()) return true;
    ShowReadError(database.errorText == "(null)" ? codeWithoutText : codeWithoutText + 1, database.errorText);
    return false;
}

void CDlgModulMdbImport::ReadTables() {
    CADODatabase database;
    if (!Connect(database, 871)) return;
    CADORecordset list(database);
    if (list.OpenTableList()) {
        tables.clear();
        std::string name;
        for (; !list.AtEnd(); list.NextRow())
            if (list.FieldText("TABLE_NAME", name)) tables.push_back(name);
    } else {
        ShowReadError(870, list.errorText);
    }
    if (!tables.empty()) tableName = tables.front();
}

void CDlgModulMdbImport::ReadColumns() {
    CADODatabase database;
    if (!Connect(database, 874)) return;
    const CDbDialect dialect = Dialect();
    CADORecordset list(database);
    const std::string table = dialect.CatalogTableName(tableName);
    const bool opened = dialect.ShowsColumns() ? list.OpenQuery("SHOW COLUMNS FROM " + tableName)
                                               : list.OpenColumnList(table);
    if (!opened) {
        ShowReadError(873, list.errorText);
        return;
    }
    for (int i = 0; i < GetColumnCount(); ++i)
        Column(i).dbName.clear();
    int next = 0;
    std::string name;
    for (; !list.AtEnd(); list.NextRow()) {
        if (dialect.ShowsColumns() ? !list.FieldText(0, name)
                                   : !list.FieldText("TABLE_NAME", name) || name != table ||
                                         !list.FieldText("COLUMN_NAME", name))
            continue;
        // The list holds at most as many columns as the engine can: table columns beyond are left out.
        if (next >= GetColumnCount()) {
            if (GetColumnCount() >= CModulMDB::kMaxColumns) break;
            DbColumn added;
            added.position = GetColumnCount();
            addedColumns.push_back(added);
        }
        Column(next++).dbName = name;
    }
    // The items in position order: 0, 1, 2, ... as long as a column holds the next position.
    CStepCode::Set(8731);
    items.clear();
    for (int position = 0;; ++position) {
        int found = -1;
        for (int i = 0; i < GetColumnCount() && found < 0; ++i)
            if (Column(i).position == position) found = i;
        if (found < 0) break;
        items.push_back(found);
    }
    SelectItem(0);
}

void CDlgModulMdbImport::AutoAssign() {
    CStepCode::Set(8725);
    for (int i = 0; i < GetColumnCount(); ++i)
        for (int j = 0; j < GetColumnCount(); ++j)
            if (Column(i).name == Column(j).dbName) std::swap(Column(i).dbName, Column(j).dbName);
    CStepCode::Set(8728);
    ItemsInDefinitionOrder();
}

void CDlgModulMdbImport::SwapColumns(int item, int other, int select) {
    std::swap(Column(GetItemColumn(item)).dbName, Column(GetItemColumn(other)).dbName);
    SelectItem(select);
}

void CDlgModulMdbImport::MoveUp() {
    CStepCode::Set(8713);
    if (selectedItem < 1) return;
    SwapColumns(selectedItem, selectedItem - 1, selectedItem - 1);
}

void CDlgModulMdbImport::MoveDown() {
    CStepCode::Set(8717);
    if (selectedItem < 0 || selectedItem + 1 >= GetItemCount()) return;
    SwapColumns(selectedItem, selectedItem + 1, selectedItem + 1);
}

void CDlgModulMdbImport::DropOn(int source, int target) {
    CStepCode::Set(8318);
    if (source < 0 || source >= GetItemCount() || target < 0 || target >= GetItemCount() || source == target)
        return;
    SwapColumns(source, target, target);
}
