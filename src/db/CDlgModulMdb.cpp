#include "db/CDlgModulMdb.h"

#include "core/CCodePage.h"
#include "core/CFolderMemory.h"
#include "core/CFrontEnd.h"
#include "core/CIniEx.h"
#include "core/CPlatform.h"
#include "db/CDbTypes.h"
#include "db/CLayoutKeys.h"
#include "db/CModulMDB.h"

namespace {

const char* const kFilter = "Profil Dateien (*.prf)|*.prf|Alle Dateien (*.*)|*.*|";

// A bare file name would send the INI class to the data folder; a profile is used where it is.
std::string AsGiven(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
}

std::string WithProfileExtension(const std::string& path) {
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    return name.find('.') == std::string::npos ? path + ".prf" : path;
}

} // namespace

CDlgModulMdb::CDlgModulMdb(CModulMDB& engineRef, const std::string& file)
    : databaseFile(file), engine(engineRef) {}

void CDlgModulMdb::TakeFromEngine(const std::string& table) {
    databaseType = engine.databaseType;
    connectionString = engine.connectionString;
    tableName = table;
    autoIncrementReplacement = engine.autoIncrementReplacement;
    noBrackets = engine.noBrackets;
    pointDecimals = engine.pointDecimals;
    longCharReplacement = engine.longCharReplacement;
    noQuotesForFloat = engine.noQuotesForFloat;
    confirmCaption = engine.confirmCaption;
}

void CDlgModulMdb::GiveToEngine() const {
    engine.databaseType = databaseType;
    engine.SetConnectionString(connectionString);
    engine.tableName = tableName;
    engine.autoIncrementReplacement = autoIncrementReplacement;
    engine.noBrackets = noBrackets;
    engine.pointDecimals = pointDecimals;
    engine.longCharReplacement = longCharReplacement;
    engine.noQuotesForFloat = noQuotesForFloat;
}

void CDlgModulMdb::UseDatabaseFile() {
    if (databaseFile.empty()) return;
    const int type = CDbTypes::TypeForFile(databaseType, databaseFile);
    size_t at = connectionString.find("Data source=");
    // The stored text before the path may hold the user's own options; a file of another type
    // than stored gets its own template.
    if (at == std::string::npos || at == 0 || type != databaseType)
        connectionString = CDbTypes::FileConnectionString(type, databaseFile);
    else
        connectionString = connectionString.substr(0, at) + "Data source=" + databaseFile;
    databaseType = type;
}

void CDlgModulMdb::RebuildConnectionString(const char* replacedProvider) {
    if (!databaseFile.empty()) {
        databaseType = CDbTypes::TypeForFile(databaseType, databaseFile);
        connectionString = CDbTypes::FileConnectionString(databaseType, databaseFile);
    } else if (connectionString.empty() || connectionString.find(replacedProvider) != std::string::npos) {
        connectionString = CDbTypes::Template(false, databaseType);
    }
}

CDbDialect CDlgModulMdb::Dialect() const {
    return CDbDialect::Of(*this);
}

const std::vector<std::string>& CDlgModulMdb::TypeEntries() const {
    return CDbTypes::ComboTexts(!databaseFile.empty());
}

void CDlgModulMdb::ChangeDatabaseType(int type) {
    databaseType = type;
    connectionString = databaseFile.empty() ? CDbTypes::Template(false, type)
                                            : CDbTypes::Template(true, type) + "Data source=" + databaseFile;
}

int CDlgModulMdb::GetColumnCount() const {
    return engine.GetColumnCount() + static_cast<int>(addedColumns.size());
}

DbColumn& CDlgModulMdb::Column(int index) {
    return index < engine.GetColumnCount()
               ? engine.GetColumn(index)
               : addedColumns[static_cast<size_t>(index - engine.GetColumnCount())];
}

const DbColumn& CDlgModulMdb::Column(int index) const {
    return const_cast<CDlgModulMdb*>(this)->Column(index);
}

void CDlgModulMdb::SelectItem(int item) {
    selectedItem = item >= 0 && item < GetItemCount() ? item : -1;
}

std::string CDlgModulMdb::GetConfirmCaption() const {
    return confirmCaption.empty() ? DefaultConfirmCaption() : confirmCaption;
}

void CDlgModulMdb::ToggleItem(int item) {
    if (item < 0 || item >= GetItemCount()) return;
    DbColumn& column = Column(GetItemColumn(item));
    column.selected = column.selected == 1 ? 0 : 1;
}

void CDlgModulMdb::SetTicks(int mode) {
    for (int item = 0; item < GetItemCount(); ++item) {
        DbColumn& column = Column(GetItemColumn(item));
        bool tick = mode == 2 ? column.selected != 1 : mode == 1;
        column.selected = tick ? 1 : 0;
    }
}

void CDlgModulMdb::SelectAll() {
    SetTicks(1);
}

void CDlgModulMdb::SelectNone() {
    SetTicks(0);
}

void CDlgModulMdb::InvertSelection() {
    SetTicks(2);
}

void CDlgModulMdb::SaveProfile() {
    std::string chosen;
    if (!engine.GetFrontEnd().ChooseFile(true, "Profil speichern", kFilter, CFolderMemory::Proposed("profil"),
                                         chosen))
        return;
    chosen = WithProfileExtension(chosen);
    // A profile the user believes saved must exist: say so when it could not be written.
    if (!WriteProfile(chosen))
        engine.GetFrontEnd().MessageBox("Profildatei kann nicht gespeichert werden: " + chosen);
    CFolderMemory::Remember("profil", chosen);
}

bool CDlgModulMdb::WriteProfile(const std::string& path) const {
    CIniEx ini;
    if (!ini.Open(AsGiven(path))) return false;
    const std::string section = ProfileSection();
    ini.SetInt(section, "Datenbanktyp", databaseType);
    ini.SetString(section, "Initialisierung", connectionString);
    ini.SetString(section, "Tabellenname", tableName);
    WriteOwnKeys(ini, section);
    ini.SetString(section, "AUTOINCREMENT Ersatz", autoIncrementReplacement);
    ini.SetString(section, "LONGCHAR Ersatz", longCharReplacement);
    ini.SetInt(section, "Keine eckigen Klammern", noBrackets);
    ini.SetInt(section, "Dezimaltrennzeichen Punkt", pointDecimals);
    ini.SetInt(section, "Keine Hochkomma bei FLOAT", noQuotesForFloat);
    for (int i = 0; i < GetColumnCount(); ++i) {
        const DbColumn& column = Column(i);
        ini.SetInt(section, "Pos.: " + column.name, column.position);
        ini.SetInt(section, "Sel.: " + column.name, column.selected);
        ini.SetString(section, "Tab.: " + column.name, column.dbName);
    }
    return ini.Save();
}

void CDlgModulMdb::LoadProfile() {
    std::string chosen;
    if (!engine.GetFrontEnd().ChooseFile(false, "Profil laden", kFilter, CFolderMemory::Proposed("profil"),
                                         chosen))
        return;
    ApplyProfile(chosen);
    Open();
    CFolderMemory::Remember("profil", chosen);
}

bool CDlgModulMdb::ApplyProfile(const std::string& path) {
    std::FILE* probe = CPlatform::OpenFile(path, "rb");
    if (!probe) {
        engine.GetFrontEnd().MessageBox(Ansi("Profildatei kann nicht geöffnet werden: ") + path);
        return false;
    }
    std::fclose(probe);
    CIniEx ini;
    if (!ini.Open(AsGiven(path), false, false)) return false;
    const std::string section = ProfileSection();
    CLayoutKeys::Take(ini, section, "Datenbanktyp", databaseType);
    CLayoutKeys::Take(ini, section, "Initialisierung", connectionString);
    CLayoutKeys::Take(ini, section, "Tabellenname", tableName);
    ReadOwnKeys(ini, section);
    if (!ini.GetString(section, "AUTOINCREMENT Ersatz", autoIncrementReplacement))
        autoIncrementReplacement.clear();
    if (!ini.GetString(section, "LONGCHAR Ersatz", longCharReplacement)) longCharReplacement.clear();
    for (auto [key, target] : {std::pair{"Keine eckigen Klammern", &noBrackets},
                               std::pair{"Dezimaltrennzeichen Punkt", &pointDecimals},
                               std::pair{"Keine Hochkomma bei FLOAT", &noQuotesForFloat}})
        if (!ini.GetInt(section, key, *target)) *target = 0;
    // Positions are taken as they are, repeated or missing ones included.
    for (int i = 0; i < GetColumnCount(); ++i) {
        DbColumn& column = Column(i);
        CLayoutKeys::Take(ini, section, "Pos.: " + column.name, column.position);
        CLayoutKeys::Take(ini, section, "Sel.: " + column.name, column.selected);
        CLayoutKeys::Take(ini, section, "Tab.: " + column.name, column.dbName);
        CLayoutKeys::Take(ini, section, "Typ : " + column.name, column.sqlType);
    }
    return true;
}
