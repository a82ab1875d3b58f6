#pragma once

#include "db/CDbDialect.h"
#include "db/DbColumn.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CADODatabase;
class CADORecordset;
class CDlgModulMdb;
class CFrontEnd;

// The database engine: writes records into a table as INSERT statements built from column values
// set by name, and reads a table with one SELECT, handing out the values of each row by name.
// Which columns are used, their names in the table, the connection string, the table and the
// dialect options come from a layout section of "mdb.ini" that is loaded before and saved after
// every run.
class CModulMDB {
public:
    static constexpr int kMaxColumns = 100;

    explicit CModulMDB(CFrontEnd& frontEnd);
    CModulMDB(const CModulMDB&) = delete;
    CModulMDB& operator=(const CModulMDB&) = delete;
    ~CModulMDB();

    // Defining.
    void ResetLayout();
    bool DefineColumn(const std::string& name, const std::string& sqlType);

    // Layout sections of "mdb.ini".
    bool LoadLayout(const std::string& fileName, const std::string& section);
    bool SaveLayout(const std::string& fileName, const std::string& section);
    bool SetupExport(const std::string& fileName, const std::string& section, const std::string& databaseFile,
                     const std::string& defaultTable, bool showDialog);
    bool SetupImport(const std::string& fileName, const std::string& section, const std::string& databaseFile,
                     const std::string& defaultTable, bool showDialog);

    // Export run. The rows go into the table in one transaction (where the database can, the
    // table changes too): FinishWriting commits, CloseDatabase without it undoes everything.
    bool OpenForWriting();
    bool PrepareTable();
    void ClearValues();
    bool SetValue(const std::string& name, const std::string& value);
    bool WriteRecord();
    bool InsertRecord();
    bool FinishWriting();
    void CloseDatabase();
    bool TableExists(const std::string& name);

    // Import run.
    bool OpenForReading();
    bool ReadRecord();
    bool GetString(const std::string& name, std::string& target) const;
    bool GetDouble(const std::string& name, double& target) const;
    bool GetInt(const std::string& name, int& target) const;
    // The column a getter takes a name from: the last selected one of that name, or nullptr.
    const DbColumn* TakenColumn(const std::string& name) const;

    // The dialect of the current connection string and options; decided again by DecideDialect.
    const CDbDialect& Dialect() const { return dialect; }
    void DecideDialect();
    // Sets connectionString and connectionStringUpper together.
    void SetConnectionString(const std::string& text);

    int GetColumnCount() const { return static_cast<int>(columns.size()); }
    DbColumn& GetColumn(int index) { return columns[static_cast<size_t>(index)]; }
    const DbColumn& GetColumn(int index) const { return columns[static_cast<size_t>(index)]; }
    CFrontEnd& GetFrontEnd() const { return frontEnd; }
    // The statement of the last INSERT or SELECT.
    const std::string& LastStatement() const { return statement; }

    int databaseType = 0;
    std::string connectionString;
    std::string connectionStringUpper;
    std::string tableName;
    int dropTable = 0;
    int updateTable = 0;
    std::string databaseFile;
    std::string autoIncrementReplacement;
    int noBrackets = 0;
    int pointDecimals = 0;
    std::string longCharReplacement;
    int noQuotesForFloat = 0;
    int recordCount = 0;
    std::string tableOverride;
    // A connection string named for the run (the value of "/in:sql:", "/out:sql:"); used instead of
    // the stored one, never saved in the layout.
    std::string connectionOverride;
    std::string importProfile;
    std::string exportProfile;
    std::string confirmCaption;

private:
    bool CheckTableName(bool exporting);
    bool ConnectForWriting();
    bool CreateOrExtend(std::vector<std::string>& existing);
    std::vector<std::string> ExistingColumns();
    void ShowError(int code, const std::string& text) const;
    bool OpenFailed();
    void ShowWindowError(const std::string& text) const;
    bool CreateFailed(const std::string& sql);
    bool Setup(CDlgModulMdb& dialog, const std::string& fileName, const std::string& section,
               const std::string& defaultTable, const std::string& profile, bool show,
               bool showWithoutConnection, int takeStepCode);

    CFrontEnd& frontEnd;
    std::vector<DbColumn> columns;
    std::unordered_map<std::string, std::vector<int>> byName; // definition indexes per name
    CDbDialect dialect;
    std::unique_ptr<CADODatabase> database;
    std::unique_ptr<CADORecordset> rows;
    std::vector<int> fieldOfColumn; // import: the row set's field of each column, -1 for none
    std::string createdFile;        // export: a database file this run created, removed unless finished
    std::string statement;
    std::string values;
};
