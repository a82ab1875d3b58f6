#include "text/CDlgModulCsvImport.h"

#include "core/CTool.h"
#include "text/CModulCSV.h"

void CDlgModulCsvImport::Open() {
    const int count = engine.GetColumnCount();
    bool outside = false;
    for (int i = 0; i < count; ++i)
        outside = outside || engine.GetColumn(i).position >= count;
    // A layout that points beyond the file's fields is numbered anew.
    if (outside)
        for (int i = 0; i < count; ++i)
            engine.SetPosition(i, i);
    items.clear();
    for (int i = 0; i < count; ++i)
        items.push_back(i);
    SelectItem(0);
}

std::string CDlgModulCsvImport::GetItemText(int item) const {
    int column = GetItemColumn(item);
    return CTool::Format("[%s] <-- [%s]", engine.GetColumn(column).name.c_str(),
                         engine.AssignedHeading(column).c_str());
}

void CDlgModulCsvImport::SwapFields(int item, int other, int select) {
    engine.SwapPositions(GetItemColumn(item), GetItemColumn(other));
    SelectItem(select);
}

void CDlgModulCsvImport::MoveUp() {
    if (selectedItem < 1) return;
    SwapFields(selectedItem, selectedItem - 1, selectedItem - 1);
}

void CDlgModulCsvImport::MoveDown() {
    if (selectedItem < 0 || selectedItem + 1 >= GetItemCount()) return;
    SwapFields(selectedItem, selectedItem + 1, selectedItem + 1);
}

void CDlgModulCsvImport::DropOn(int source, int target) {
    if (source < 0 || source >= GetItemCount() || target < 0 || target >= GetItemCount() || source == target)
        return;
    SwapFields(source, target, target);
}

void CDlgModulCsvImport::AutoAssign() {
    engine.AssignByHeadings();
    Open();
}

void CDlgModulCsvImport::TakeOptions() {
    engine.quoteAll = quoteAll;
    engine.separatorIndex = separatorIndex;
    engine.oemCharset = oemCharset;
    engine.noHeading = noHeading;
}
