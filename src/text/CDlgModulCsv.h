#pragma once

#include "core/CDialogLogic.h"
#include "core/CFrontEnd.h"

#include <string>
#include <vector>

class CModulCSV;

// What the two column dialogs share: a tree of items bound to the engine's columns (by definition
// index, ticked = selection 1), copies of the engine's options, and the profile files ("*.prf").
// Selection and position changes are made on the engine's columns at once.
class CDlgModulCsv : public CDialogLogic {
public:
    explicit CDlgModulCsv(CModulCSV& engine);

    // The opening steps: rebuild the items and select the first.
    virtual void Open() = 0;
    virtual std::string GetItemText(int item) const = 0;
    virtual void MoveUp() = 0;
    virtual void MoveDown() = 0;
    // Confirm: hands the options back to the engine.
    virtual void TakeOptions() = 0;

    int GetItemCount() const { return static_cast<int>(items.size()); }
    int GetItemColumn(int item) const { return items[static_cast<size_t>(item)]; }
    bool IsTicked(int item) const;
    int GetSelectedItem() const { return selectedItem; }
    void SelectItem(int item);
    // The caption of the confirm button: confirmCaption when set, else the dialog's own.
    std::string GetConfirmCaption() const;

    void ToggleItem(int item);
    void SelectAll();
    void SelectNone();
    void InvertSelection();

    // "speichern" and "laden": ask for a file through the front end, remember its folder.
    void SaveProfile();
    void LoadProfile();
    // Reads a profile into the options and the columns; false (after a message) when it cannot be read.
    bool ApplyProfile(const std::string& path);

    // Entries of the combo boxes, in index order.
    static const std::vector<std::string>& SeparatorEntries();
    static const std::vector<std::string>& CharsetEntries();
    static const std::vector<std::string>& DecimalEntries();

    int quoteAll;
    int separatorIndex;
    int oemCharset;
    int noHeading;
    int noLineBreaks;
    int decimalPoint;
    std::string confirmCaption;

protected:
    // "csv_out" or "csv_in".
    virtual std::string ProfileSection() const = 0;
    virtual std::string DefaultConfirmCaption() const = 0;
    virtual bool WritesNumberOptions() const = 0;
    void SetTicks(int mode); // 0 none, 1 all, 2 invert

    CModulCSV& engine;
    std::vector<int> items; // definition index of each item's column
    int selectedItem = -1;

private:
    bool WriteProfile(const std::string& path) const;
    static CFrontEnd::CFileRequest ProfileRequest(bool save);
};
