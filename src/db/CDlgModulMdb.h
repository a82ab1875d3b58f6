#pragma once

#include "core/CDialogLogic.h"
#include "db/CDbDialect.h"
#include "db/DbColumn.h"

#include <string>
#include <vector>

class CIniEx;
class CModulMDB;

// What the two database dialogs share: the database type, connection string and table, a tree of
// items bound to the engine's columns (ticked = selected 1), the dialect options carried through,
// and the profile files ("*.prf"). Changes of selection and column names are made on the engine's
// columns at once; the other values go back to the engine on confirm.
class CDlgModulMdb : public CDialogLogic {
public:
    CDlgModulMdb(CModulMDB& engine, const std::string& databaseFile);

    // The engine's values, with the table name of the run.
    virtual void TakeFromEngine(const std::string& table);
    // Confirm: the values go back to the engine.
    virtual void GiveToEngine() const;
    // A run without the dialog: the connection string of a database file names the run's file.
    void UseDatabaseFile();
    // The opening steps: connection string by type and file, items, current item.
    virtual void Open() = 0;

    // The type combo box: file types for a database file, server types otherwise.
    const std::vector<std::string>& TypeEntries() const;
    void ChangeDatabaseType(int type);

    int GetColumnCount() const;
    DbColumn& Column(int index);
    const DbColumn& Column(int index) const;
    int GetItemCount() const { return static_cast<int>(items.size()); }
    int GetItemColumn(int item) const { return items[static_cast<size_t>(item)]; }
    bool IsTicked(int item) const { return Column(GetItemColumn(item)).selected == 1; }
    virtual std::string GetItemText(int item) const = 0;
    int GetSelectedItem() const { return selectedItem; }
    void SelectItem(int item);
    std::string GetConfirmCaption() const;

    virtual void ToggleItem(int item);
    void SelectAll();
    void SelectNone();
    void InvertSelection();

    // "speichern" and "laden": ask for a file through the front end, remember its folder.
    void SaveProfile();
    void LoadProfile();
    // Reads a profile into the values and the columns; false (after a message) when it cannot be read.
    bool ApplyProfile(const std::string& path);

    std::string databaseFile;
    int databaseType = 0;
    std::string connectionString;
    std::string tableName;
    std::string autoIncrementReplacement;
    int noBrackets = 0;
    int pointDecimals = 0;
    std::string longCharReplacement;
    int noQuotesForFloat = 0;
    std::string confirmCaption;

protected:
    // "mdb_out" or "mdb_in".
    virtual std::string ProfileSection() const = 0;
    virtual std::string DefaultConfirmCaption() const = 0;
    // The export dialog's own profile keys ("Tabelle löschen", "Tabelle aktualisieren").
    virtual void WriteOwnKeys(CIniEx&, const std::string&) const {}
    virtual void ReadOwnKeys(const CIniEx&, const std::string&) {}
    // Opening step 1: a stored server connection string is replaced when it is empty or names
    // one of these providers.
    void RebuildConnectionString(const char* replacedProvider);
    void SetTicks(int mode); // 0 none, 1 all, 2 invert
    // The dialect of the dialog's connection string and options.
    CDbDialect Dialect() const;

    CModulMDB& engine;
    std::vector<DbColumn> addedColumns; // table columns beyond the program's, for this dialog only
    std::vector<int> items;             // column of each item
    int selectedItem = -1;

private:
    bool WriteProfile(const std::string& path) const;
};
