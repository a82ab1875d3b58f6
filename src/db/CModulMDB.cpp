#include "db/CModulMDB.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CIniEx.h"
#include "core/CPlatform.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "db/CADODatabase.h"
#include "db/CADORecordset.h"
#include "db/CADOXCatalog.h"
#include "db/CDbTypes.h"
#include "db/CDlgModulMdbExport.h"
#include "db/CDlgModulMdbImport.h"
#include "db/CLayoutKeys.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace {

const size_t kMaxExistingColumns = 1000;

const std::string& ErrorWindowCaption() {
    static const std::string caption = "Folgender Fehler ist aufgetreten:";
    return caption;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The width n of "VARCHAR(n)", or -1 for any other type.
int VarcharWidth(const std::string& sqlType) {
    if (sqlType.compare(0, 8, "VARCHAR(") != 0) return -1;
    size_t close = sqlType.find(')', 8);
    if (close == std::string::npos) return -1;
    return CTool::ToInt(sqlType.substr(8, close - 8));
}

double NumberOf(const CDbValue& value) {
    switch (value.type) {
    case CDbValue::EType::Integer:
        return static_cast<double>(value.integer);
    case CDbValue::EType::Float32:
    case CDbValue::EType::Float64:
        return value.number;
    case CDbValue::EType::Decimal: {
        double number = 0.0;
        std::from_chars(value.text.data(), value.text.data() + value.text.size(), number);
        return number;
    }
    default:
        return 0.0;
    }
}

// Root may write anywhere; a database file whose permissions forbid writing is still left alone.
bool IsWriteProtected(const std::string& path) {
    std::error_code error;
    auto status = std::filesystem::status(CCodePage::AnsiToUtf8(path), error);
    if (error || !std::filesystem::is_regular_file(status)) return false;
    using std::filesystem::perms;
    return (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) ==
           perms::none;
}

const char* const kHelpAddress = "README, Abschnitt \"Datenbanken\"";

} // namespace

CModulMDB::CModulMDB(CFrontEnd& frontEndRef) : frontEnd(frontEndRef) {}

CModulMDB::~CModulMDB() {
    CloseDatabase();
}

// ---------------------------------------------------------------------------------------------
// Defining

void CModulMDB::ResetLayout() {
    CStepCode::Set(6100);
    columns.clear();
    byName.clear();
    CStepCode::Set(6101);
}

bool CModulMDB::DefineColumn(const std::string& name, const std::string& sqlType) {
    CStepCode::Set(6102);
    if (columns.size() >= kMaxColumns) return false;
    DbColumn column;
    column.name = name;
    column.dbName = name;
    column.sqlType = sqlType;
    column.position = GetColumnCount();
    byName[name].push_back(GetColumnCount());
    columns.push_back(column);
    return true;
}

void CModulMDB::SetConnectionString(const std::string& text) {
    connectionString = text;
    connectionStringUpper = Upper(text);
}

void CModulMDB::DecideDialect() {
    dialect = CDbDialect::Of(*this);
}

// ---------------------------------------------------------------------------------------------
// Layout sections

bool CModulMDB::LoadLayout(const std::string& fileName, const std::string& section) {
    for (DbColumn& column : columns) {
        column.position = -1;
        column.selected = 0;
    }
    CIniEx ini;
    if (!ini.Open(fileName)) {
        databaseType = 0;
        SetConnectionString(std::string());
        tableName.clear();
        dropTable = updateTable = 0;
        CStepCode::Set(6137);
        for (size_t i = 0; i < columns.size(); ++i) {
            columns[i].position = static_cast<int>(i);
            columns[i].selected = 1;
        }
        DecideDialect();
        return false;
    }
    if (!ini.GetInt(section, "Datenbanktyp", databaseType)) databaseType = 0;
    CLayoutKeys::Take(ini, section, "Initialisierung", connectionString);
    CLayoutKeys::Take(ini, section, "Tabellenname", tableName);
    CLayoutKeys::Take(ini, section, CLayoutKeys::DropTable(), dropTable);
    CLayoutKeys::Take(ini, section, "Tabelle aktualisieren", updateTable);
    auto textOption = [&](const char* key, std::string& target) {
        if (!ini.GetString(section, key, target)) target.clear();
    };
    auto intOption = [&](const char* key, int& target) {
        if (!ini.GetInt(section, key, target)) target = 0;
    };
    textOption("AUTOINCREMENT Ersatz", autoIncrementReplacement);
    textOption("LONGCHAR Ersatz", longCharReplacement);
    intOption("Keine eckigen Klammern", noBrackets);
    intOption("Dezimaltrennzeichen Punkt", pointDecimals);
    intOption("Keine Hochkomma bei FLOAT", noQuotesForFloat);
    connectionStringUpper = Upper(connectionString);

    CStepCode::Set(6136);
    int highest = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        DbColumn& column = columns[i];
        CLayoutKeys::Take(ini, section, "Pos.: " + column.name, column.position);
        ini.GetInt(section, "Sel.: " + column.name, column.selected);
        if (!ini.GetString(section, "Tab.: " + column.name, column.dbName)) column.dbName = column.name;
        CLayoutKeys::Take(ini, section, "Typ : " + column.name, column.sqlType);
        // A position that an earlier column holds already goes behind the highest one so far.
        for (size_t j = 0; j < i && column.position >= 0; ++j)
            if (columns[j].position == column.position) column.position = highest + 1;
        highest = std::max(highest, column.position);
    }
    // Columns the section does not know yet (a new section, a column added in a new version).
    for (DbColumn& column : columns) {
        if (column.position != -1) continue;
        int free = 0;
        while (free < GetColumnCount() && std::any_of(columns.begin(), columns.end(),
                                                      [&](const DbColumn& c) { return c.position == free; }))
            ++free;
        column.position = free;
        if (!column.name.empty()) column.selected = 1;
    }
    DecideDialect();
    return true;
}

bool CModulMDB::SaveLayout(const std::string& fileName, const std::string& section) {
    CIniEx ini;
    if (!ini.Open(fileName)) return false;
    ini.SetInt(section, "Datenbanktyp", databaseType);
    ini.SetString(section, "Initialisierung", connectionString);
    ini.SetString(section, "Tabellenname", tableName);
    ini.SetInt(section, CLayoutKeys::DropTable(), dropTable);
    ini.SetInt(section, "Tabelle aktualisieren", updateTable);
    ini.SetString(section, "AUTOINCREMENT Ersatz", autoIncrementReplacement);
    ini.SetString(section, "LONGCHAR Ersatz", longCharReplacement);
    ini.SetInt(section, "Keine eckigen Klammern", noBrackets);
    ini.SetInt(section, "Dezimaltrennzeichen Punkt", pointDecimals);
    ini.SetInt(section, "Keine Hochkomma bei FLOAT", noQuotesForFloat);
    CStepCode::Set(6135);
    for (const DbColumn& column : columns) {
        if (column.name.empty()) continue;
        ini.SetInt(section, "Pos.: " + column.name, column.position);
        ini.SetInt(section, "Sel.: " + column.name, column.selected);
        ini.SetString(section, "Tab.: " + column.name, column.dbName);
    }
    return ini.Save();
}

// Loads the layout into the dialog, applies the run's profile, shows the dialog when asked (or,
// for an export, when there is no connection string at all), takes its values and saves the layout.
bool CModulMDB::Setup(CDlgModulMdb& dialog, const std::string& fileName, const std::string& section,
                      const std::string& defaultTable, const std::string& profile, bool show,
                      bool showWithoutConnection, int takeStepCode) {
    LoadLayout(fileName, section);
    dialog.TakeFromEngine(tableOverride.empty() ? (tableName.empty() ? defaultTable : tableName)
                                                : tableOverride);
    if (!profile.empty()) dialog.ApplyProfile(profile);
    SetConnectionString(dialog.connectionString);
    show = show || (showWithoutConnection && connectionString.empty() && connectionOverride.empty() &&
                    dialog.databaseFile.empty());
    bool confirmed = true;
    if (show) {
        dialog.Open();
        confirmed = frontEnd.RunDialog(dialog);
    } else {
        dialog.UseDatabaseFile();
    }
    CStepCode::Set(takeStepCode);
    if (!confirmed) return false;
    dialog.GiveToEngine();
    SaveLayout(fileName, section);
    if (!connectionOverride.empty()) SetConnectionString(connectionOverride);
    DecideDialect();
    return true;
}

bool CModulMDB::SetupExport(const std::string& fileName, const std::string& section, const std::string& file,
                            const std::string& defaultTable, bool showDialog) {
    CStepCode::Set(6104);
    databaseFile = file;
    CDlgModulMdbExport dialog(*this, file);
    CStepCode::Set(6105);
    return Setup(dialog, fileName, section, defaultTable, exportProfile, showDialog, true, 6106);
}

bool CModulMDB::SetupImport(const std::string& fileName, const std::string& section, const std::string& file,
                            const std::string& defaultTable, bool showDialog) {
    CStepCode::Set(6116);
    CDlgModulMdbImport dialog(*this, file);
    CStepCode::Set(6117);
    return Setup(dialog, fileName, section, defaultTable, importProfile, showDialog, false, 6118);
}

// ---------------------------------------------------------------------------------------------
// Messages

void CModulMDB::ShowError(int code, const std::string& text) const {
    frontEnd.MessageBox(CTool::Format("(E:%d#%d)\n", code, CStepCode::Get()) + text);
}

bool CModulMDB::OpenFailed() {
    ShowError(611, Ansi("Die Datenbank konnte zum Schreiben nicht geöffnet werden.\nOLE DB meldet: ") +
                       database->errorText + "\n\nDer Export wurde abgebrochen.");
    return false;
}

bool CModulMDB::CreateFailed(const std::string& sql) {
    ShowWindowError(
        CTool::Format("(E:613#%d)\r\nDie Tabelle (%s) konnte nicht neu angelegt werden.\r\nOLE DB "
                      "meldet: %s\r\n\r\n%s\r\n\r\nDer Export wurde abgebrochen.",
                      CStepCode::Get(), tableName.c_str(), database->errorText.c_str(), sql.c_str()));
    return false;
}

void CModulMDB::ShowWindowError(const std::string& text) const {
    frontEnd.ShowMessages(ErrorWindowCaption(), text);
}

// Quotes and ";" in a table name would end the name inside the statements it is put into.
bool CModulMDB::CheckTableName(bool exporting) {
    if (tableName.find_first_of("'\"`;") == std::string::npos) return true;
    ShowError(619,
              Ansi("Der Tabellenname (") + tableName +
                  Ansi(") enthält ein Anführungszeichen oder ein Semikolon und wird nicht verwendet.\n\n") +
                  (exporting ? "Der Export wurde abgebrochen." : "Der Import wurde abgebrochen."));
    return false;
}

// ---------------------------------------------------------------------------------------------
// Export

bool CModulMDB::OpenForWriting() {
    CStepCode::Set(6107);
    CloseDatabase();
    DecideDialect();
    if (!CheckTableName(true)) return false;
    const std::string file = CDbTypes::DataSource(connectionString);
    if (dialect.IsFileDatabase() && !file.empty() && !CPlatform::FileExists(file)) {
        CADOXCatalog catalog;
        if (!catalog.CreateDatabaseFile(connectionString)) {
            ShowError(610, "Die Datenbank konnte nicht erzeugt werden.\nOLE DB meldet: " + catalog.errorText +
                               "\n\nDer Export wurde abgebrochen.");
            return false;
        }
        createdFile = file;
    }
    database = std::make_unique<CADODatabase>();
    database->connectionString = connectionString;
    bool connected = false;
    if (dialect.IsFileDatabase() && IsWriteProtected(file))
        database->errorText = Ansi("Die Datenbankdatei ist schreibgeschützt: ") + file;
    else
        connected = database->Connect() && (!dialect.UndoesTableChanges() || database->BeginTransaction());
    return connected || OpenFailed();
}

bool CModulMDB::TableExists(const std::string& name) {
    if (!database || !database->IsConnected()) return false;
    CADORecordset list(*database);
    if (!list.OpenTableList()) return false;
    const std::string wanted = Upper(name);
    bool found = false;
    std::string table;
    for (; !list.AtEnd(); list.NextRow())
        if (list.FieldText("TABLE_NAME", table) && Upper(table) == wanted) found = true;
    return found;
}

std::vector<std::string> CModulMDB::ExistingColumns() {
    std::vector<std::string> names;
    CADORecordset list(*database);
    std::string text;
    if (dialect.ShowsColumns()) {
        if (!list.OpenQuery("SHOW COLUMNS FROM " + tableName)) return names;
        for (; !list.AtEnd() && names.size() < kMaxExistingColumns; list.NextRow())
            if (list.FieldText(0, text)) names.push_back(text);
        return names;
    }
    const std::string table = dialect.CatalogTableName(tableName);
    if (!list.OpenColumnList(table)) return names;
    for (; !list.AtEnd() && names.size() < kMaxExistingColumns; list.NextRow())
        if (list.FieldText("TABLE_NAME", text) && text == table && list.FieldText("COLUMN_NAME", text))
            names.push_back(text);
    return names;
}

bool CModulMDB::PrepareTable() {
    CStepCode::Set(6109);
    const bool connected = database && database->IsConnected();
    if (connected && dropTable == 1 && TableExists(tableName) &&
        !database->ExecuteStatement("DROP TABLE " + tableName)) {
        ShowError(612, Ansi("Die Tabelle konnte nicht gelöscht werden.\nOLE DB meldet: ") +
                           database->errorText + "\n\nDer Export wurde abgebrochen.");
        return false;
    }
    std::vector<std::string> existing;
    if (connected && dropTable != 1) existing = ExistingColumns();
    if (!CreateOrExtend(existing)) return false;
    // Where table changes cannot be undone, the transaction covers the rows only.
    if (connected && !dialect.UndoesTableChanges() && !database->BeginTransaction()) return OpenFailed();
    return true;
}

// A new table is created with its first selected column and grows by one ALTER TABLE per further
// column; an existing one only receives the selected columns it lacks.
bool CModulMDB::CreateOrExtend(std::vector<std::string>& existing) {
    const bool connected = database && database->IsConnected();
    const std::string createPrefix = "CREATE TABLE " + tableName + " (";
    const std::string addPrefix = "ALTER TABLE " + tableName + " ADD ";
    std::string collected;
    int defined = 0;
    for (const DbColumn& column : columns) {
        if (column.selected != 1) continue;
        CStepCode::Set(6110);
        if (!existing.empty() && std::find(existing.begin(), existing.end(),
                                           dialect.CatalogColumnName(column.dbName)) != existing.end())
            continue;
        const std::string definition = dialect.ColumnDefinition(column.dbName, column.sqlType);
        collected += (collected.empty() ? "" : ",") + definition;
        if (connected && !dialect.CreatesAtOnce()) {
            const bool add = defined > 0 || !existing.empty();
            const std::string sql = add ? addPrefix + definition : createPrefix + definition + ")";
            if (!database->ExecuteStatement(sql)) {
                if (!add) return CreateFailed(sql);
                ShowWindowError(CTool::Format(
                    "(E:614#%d)\r\nEine neue Spalte (%s) konnte nicht angelegt "
                    "werden.\r\nOLE DB meldet: %s\r\n\r\n%s\r\n\r\nDer Export wurde "
                    "abgebrochen.",
                    CStepCode::Get(), column.dbName.c_str(), database->errorText.c_str(), sql.c_str()));
                return false;
            }
        }
        ++defined;
    }
    if (connected && dialect.CreatesAtOnce() && defined > 0) {
        const std::string sql = createPrefix + collected + ")";
        if (!database->ExecuteStatement(sql)) {
            return CreateFailed(sql);
        }
    }
    return true;
}

void CModulMDB::ClearValues() {
    CStepCode::Set(6113);
    for (DbColumn& column : columns) {
        column.value.clear();
        column.valueType = CDbValue::EType::Null;
        column.number = 0.0;
        column.cutWidth = -1;
    }
}

bool CModulMDB::SetValue(const std::string& name, const std::string& value) {
    CStepCode::Set(6111);
    auto found = byName.find(name);
    if (found == byName.end()) return true;
    CStepCode::Set(6112);
    std::string text = value;
    for (int index : found->second) {
        DbColumn& column = columns[static_cast<size_t>(index)];
        if (column.sqlType == "FLOAT" && dialect.FloatWithPoint())
            std::replace(text.begin(), text.end(), ',', '.');
        const int width = VarcharWidth(column.sqlType);
        if (width >= 0 && text.size() > static_cast<size_t>(width)) {
            text.resize(static_cast<size_t>(width));
            column.cutWidth = width;
        }
        column.value.clear();
        dialect.AppendEscaped(column.value, text);
    }
    return true;
}

bool CModulMDB::WriteRecord() {
    return InsertRecord();
}

bool CModulMDB::InsertRecord() {
    statement = "INSERT INTO " + tableName + " (";
    values = " VALUES (";
    bool first = true;
    for (const DbColumn& column : columns) {
        if (column.selected != 1 || column.sqlType == "AUTOINCREMENT") continue;
        CStepCode::Set(6114);
        if (!first) {
            statement += ',';
            values += ',';
        }
        first = false;
        dialect.AppendRowName(statement, column.dbName);
        statement += ' ';
        dialect.AppendLiteral(values, column.value, column.sqlType);
    }
    statement += ')';
    values += ')';
    statement += values;
    CStepCode::Set(6115);
    if (database && database->IsConnected() && !database->ExecuteStatement(statement)) {
        ShowWindowError(
            CTool::Format("(E:615#%d)\nDatensatz konnte nicht gespeichert werden.\r\n\r\n'%s'\nOLE DB "
                          "meldet: %s\r\n\r\nDer Export wurde abgebrochen.",
                          CStepCode::Get(), statement.c_str(), database->errorText.c_str()));
        return false;
    }
    return true;
}

bool CModulMDB::FinishWriting() {
    if (database && database->IsConnected() && !database->CommitTransaction()) {
        ShowWindowError(
            CTool::Format("(E:615#%d)\nDatensatz konnte nicht gespeichert werden.\r\n\r\n'%s'\nOLE DB "
                          "meldet: %s\r\n\r\nDer Export wurde abgebrochen.",
                          CStepCode::Get(), "COMMIT", database->errorText.c_str()));
        return false;
    }
    createdFile.clear();
    return true;
}

void CModulMDB::CloseDatabase() {
    CStepCode::Set(6108);
    rows.reset();
    database.reset();
    // A database file this export created and did not finish is no result to keep.
    if (!createdFile.empty()) {
        CPlatform::RemoveFile(createdFile);
        CPlatform::RemoveFile(createdFile + "-journal");
        createdFile.clear();
    }
}

// ---------------------------------------------------------------------------------------------
// Import

bool CModulMDB::OpenForReading() {
    CStepCode::Set(6119);
    CloseDatabase();
    recordCount = 0;
    DecideDialect();
    if (!CheckTableName(false)) return false;
    statement = "SELECT ";
    fieldOfColumn.assign(columns.size(), -1);
    int field = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        const DbColumn& column = columns[i];
        if (column.selected != 1 || column.dbName.empty()) continue;
        CStepCode::Set(6120);
        if (field > 0) statement += ',';
        statement += dialect.RowName(column.dbName) + " ";
        fieldOfColumn[i] = field++;
    }
    statement += " FROM " + dialect.SelectTable(tableName) + " ";

    database = std::make_unique<CADODatabase>();
    database->connectionString = connectionString;
    if (!database->Connect()) {
        ShowError(618, Ansi("Die Datenbank konnte zum Lesen nicht geöffnet werden.\nOLE DB meldet: ") +
                           database->errorText + "\n\nDer Export wurde abgebrochen.");
        return false;
    }
    rows = std::make_unique<CADORecordset>(*database);
    if (rows->OpenQuery(statement)) {
        recordCount = rows->CountRecords();
        return true;
    }
    if (rows->errorText != "(null)")
        ShowError(617, Ansi("Der Zugriff auf die Datensätze ist gescheitert.\n'") + statement +
                           "'\nOLE DB meldet: " + rows->errorText + "\n\nDer Export wurde abgebrochen.");
    else
        ShowError(616,
                  Ansi("Der Zugriff auf die Datensätze ist gescheitert.\nVermutlich ist eine zu alte "
                       "Zugriffsbibliothek installiert (mindestens MDAC 2.6).\nInstallieren Sie bitte die "
                       "neueste MDAC Bibliothek (siehe ") +
                      kHelpAddress + ").\n\nDer Export wurde abgebrochen.");
    rows.reset();
    return false;
}

// The values are taken by their place in the SELECT: the row set names a column by the form the
// statement used (plain on MySQL, "Soll_Konto"), which a lookup by the column's name would miss.
bool CModulMDB::ReadRecord() {
    CStepCode::Set(6121);
    if (!database || !rows || !database->IsConnected() || rows->AtEnd()) return false;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i >= fieldOfColumn.size() || fieldOfColumn[i] < 0) continue;
        const CDbValue* value = rows->FieldValue(fieldOfColumn[i]);
        if (!value) continue;
        DbColumn& column = columns[i];
        column.valueType = value->type;
        if (CADORecordset::ValueText(*value, column.value)) column.number = NumberOf(*value);
    }
    rows->NextRow();
    return true;
}

const DbColumn* CModulMDB::TakenColumn(const std::string& name) const {
    auto found = byName.find(name);
    if (found == byName.end()) return nullptr;
    const DbColumn* taken = nullptr;
    for (int index : found->second)
        if (columns[static_cast<size_t>(index)].selected == 1) taken = &columns[static_cast<size_t>(index)];
    return taken;
}

bool CModulMDB::GetString(const std::string& name, std::string& target) const {
    CStepCode::Set(6122);
    const DbColumn* column = TakenColumn(name);
    CStepCode::Set(6123);
    if (column) target = column->value;
    return column != nullptr;
}

bool CModulMDB::GetDouble(const std::string& name, double& target) const {
    CStepCode::Set(6124);
    const DbColumn* column = TakenColumn(name);
    CStepCode::Set(6125);
    if (column) target = column->value.empty() ? 0.0 : CTool::ParseAmount(column->value);
    return column != nullptr;
}

bool CModulMDB::GetInt(const std::string& name, int& target) const {
    CStepCode::Set(6126);
    const DbColumn* column = TakenColumn(name);
    CStepCode::Set(6127);
    if (column) target = CTool::ToInt(column->value);
    return column != nullptr;
}
