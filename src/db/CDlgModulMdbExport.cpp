#include "db/CDlgModulMdbExport.h"

#include "core/CCodePage.h"
#include "core/CIniEx.h"
#include "core/CStepCode.h"
#include "db/CLayoutKeys.h"
#include "db/CModulMDB.h"

CDlgModulMdbExport::CDlgModulMdbExport(CModulMDB& engineRef, const std::string& file)
    : CDlgModulMdb(engineRef, file) {}

void CDlgModulMdbExport::TakeFromEngine(const std::string& table) {
    CDlgModulMdb::TakeFromEngine(table);
    dropTable = engine.dropTable;
    updateTable = engine.updateTable;
}

void CDlgModulMdbExport::Open() {
    CStepCode::Set(8605);
    RebuildConnectionString("Provider=Microsoft.JET.OLEDB.");
    CStepCode::Set(8607);
    items.clear();
    for (int i = 0; i < GetColumnCount(); ++i)
        items.push_back(i);
    SelectItem(0);
    ShowColumnName(0);
    CStepCode::Set(8610);
}

void CDlgModulMdbExport::GiveToEngine() const {
    CStepCode::Set(8613);
    CDlgModulMdb::GiveToEngine();
    engine.dropTable = dropTable;
    engine.updateTable = updateTable;
}

std::string CDlgModulMdbExport::GetItemText(int item) const {
    const DbColumn& column = Column(GetItemColumn(item));
    return column.name + " -> " + column.dbName;
}

void CDlgModulMdbExport::ToggleItem(int item) {
    CStepCode::Set(8611);
    CDlgModulMdb::ToggleItem(item);
    ShowColumnName(item);
    CStepCode::Set(8612);
}

void CDlgModulMdbExport::ShowColumnName(int item) {
    if (item < 0 || item >= GetItemCount()) return;
    SelectItem(item);
    newColumnName = Column(GetItemColumn(item)).dbName;
}

void CDlgModulMdbExport::RenameColumn(const std::string& newName) {
    newColumnName = newName;
    if (selectedItem >= 0) Column(GetItemColumn(selectedItem)).dbName = newName;
}

void CDlgModulMdbExport::WriteOwnKeys(CIniEx& ini, const std::string& section) const {
    ini.SetInt(section, CLayoutKeys::DropTable(), dropTable);
    ini.SetInt(section, "Tabelle aktualisieren", updateTable);
}

void CDlgModulMdbExport::ReadOwnKeys(const CIniEx& ini, const std::string& section) {
    CLayoutKeys::Take(ini, section, CLayoutKeys::DropTable(), dropTable);
    CLayoutKeys::Take(ini, section, "Tabelle aktualisieren", updateTable);
}
