#pragma once

#include "db/CDlgModulMdb.h"

// Logic of the dialog "Ausgabe: Auswahl der Datenbank": which columns are written and under which
// column names, and whether an existing table is dropped first.
class CDlgModulMdbExport : public CDlgModulMdb {
public:
    CDlgModulMdbExport(CModulMDB& engine, const std::string& databaseFile);

    std::string GetTitle() const override { return "Ausgabe: Auswahl der Datenbank"; }
    void Open() override;
    void TakeFromEngine(const std::string& table) override;
    void GiveToEngine() const override;
    std::string GetItemText(int item) const override;
    // A click on an item also shows its column name in "Neuer Spaltenname:".
    void ToggleItem(int item) override;
    void ShowColumnName(int item);
    // "Neuer Spaltenname:" changed: the current item's column takes the name.
    void RenameColumn(const std::string& newName);

    int dropTable = 0;
    int updateTable = 0;
    std::string newColumnName;

protected:
    std::string ProfileSection() const override { return "mdb_out"; }
    std::string DefaultConfirmCaption() const override { return "EXPORT"; }
    void WriteOwnKeys(CIniEx& ini, const std::string& section) const override;
    void ReadOwnKeys(const CIniEx& ini, const std::string& section) override;
};
