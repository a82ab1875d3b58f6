#include "text/CDlgModulCsvExport.h"

#include "text/CModulCSV.h"

#include <utility>

void CDlgModulCsvExport::Open() {
    items = engine.PositionOrder();
    SelectItem(0);
}

std::string CDlgModulCsvExport::GetItemText(int item) const {
    return engine.GetColumn(GetItemColumn(item)).name;
}

void CDlgModulCsvExport::Swap(int upper) {
    std::swap(items[static_cast<size_t>(upper)], items[static_cast<size_t>(upper) + 1]);
    engine.SwapPositions(items[static_cast<size_t>(upper)], items[static_cast<size_t>(upper) + 1]);
}

void CDlgModulCsvExport::MoveUp() {
    if (selectedItem < 1) return;
    Swap(selectedItem - 1);
    SelectItem(selectedItem - 1);
}

void CDlgModulCsvExport::MoveDown() {
    if (selectedItem < 0 || selectedItem + 1 >= GetItemCount()) return;
    Swap(selectedItem);
    SelectItem(selectedItem + 1);
}

void CDlgModulCsvExport::TakeOptions() {
    engine.quoteAll = quoteAll;
    engine.separatorIndex = separatorIndex;
    engine.noLineBreaks = noLineBreaks;
    engine.oemCharset = oemCharset;
    engine.decimalPoint = decimalPoint;
    engine.noHeading = noHeading;
}
