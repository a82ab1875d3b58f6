#pragma once

#include "text/CDlgModulCsv.h"

// Logic of the import column dialog: assigns the fields of the input file, shown by their headings,
// to the program's columns. The items keep their order; what moves is the assigned file field.
class CDlgModulCsvImport : public CDlgModulCsv {
public:
    explicit CDlgModulCsvImport(CModulCSV& engine) : CDlgModulCsv(engine) {}

    std::string GetTitle() const override { return "Auswahl und Zuordnung der Daten:"; }
    void Open() override;
    std::string GetItemText(int item) const override;
    void MoveUp() override;
    void MoveDown() override;
    void TakeOptions() override;
    // "automatisch zuordnen".
    void AutoAssign();
    // Drag and drop of one item onto another: the two swap their file fields.
    void DropOn(int source, int target);

protected:
    std::string ProfileSection() const override { return "csv_in"; }
    std::string DefaultConfirmCaption() const override { return "IMPORT"; }
    bool WritesNumberOptions() const override { return false; }

private:
    void SwapFields(int item, int other, int select);
};
