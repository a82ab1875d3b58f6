#pragma once

#include "text/CDlgModulCsv.h"

// Logic of the export column dialog: which columns are written, in which order, with which options.
// The items stand in position order, so moving an item moves its column in the line.
class CDlgModulCsvExport : public CDlgModulCsv {
public:
    explicit CDlgModulCsvExport(CModulCSV& engine) : CDlgModulCsv(engine) {}

    std::string GetTitle() const override { return "Auswahl und Position der Daten:"; }
    void Open() override;
    std::string GetItemText(int item) const override;
    void MoveUp() override;
    void MoveDown() override;
    void TakeOptions() override;

protected:
    std::string ProfileSection() const override { return "csv_out"; }
    std::string DefaultConfirmCaption() const override { return "EXPORT"; }
    bool WritesNumberOptions() const override { return true; }

private:
    void Swap(int upper);
};
