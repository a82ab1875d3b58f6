#pragma once

#include "db/CDlgModulMdb.h"

class CADODatabase;

#include <string>
#include <vector>

// Logic of the dialog "Eingabe: Auswahl und Zuordnung der Datenbank": reads the table list and a
// table's columns from the database and assigns a table column to each program field. The items
// keep their order; what moves is the assigned table column.
class CDlgModulMdbImport : public CDlgModulMdb {
public:
    CDlgModulMdbImport(CModulMDB& engine, const std::string& databaseFile);

    std::string GetTitle() const override { return "Eingabe: Auswahl und Zuordnung der Datenbank"; }
    void Open() override;
    void GiveToEngine() const override;
    std::string GetItemText(int item) const override;

    // "Alle Tabellen auslesen": fills the table list; tableName becomes its first entry.
    void ReadTables();
    // "Spalten der Tabelle auslesen": the table's columns in the order the database reports them,
    // the first to the first program field, and so on.
    void ReadColumns();
    // "Spalten automatisch zuordnen": a program field receives the table column of its own name.
    void AutoAssign();
    void MoveUp();
    void MoveDown();
    // Drag and drop of one item onto another: the two swap their table columns.
    void DropOn(int source, int target);

    std::vector<std::string> tables; // the entries of "Tabelle:"

protected:
    std::string ProfileSection() const override { return "mdb_in"; }
    std::string DefaultConfirmCaption() const override { return "IMPORT"; }

private:
    void SwapColumns(int item, int other, int select);
    void ItemsInDefinitionOrder();
    void ShowReadError(int code, const std::string& errorText) const;
    // Connects with the dialog's connection string; a failure shows codeWithoutText (no description)
    // or the code after it (with the back end's text).
    bool Connect(CADODatabase& database, int codeWithoutText) const;
};
