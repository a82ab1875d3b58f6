#pragma once

#include "db/CDbValue.h"

#include <map>
#include <string>
#include <tuple>

// The stored results of the formula cells of an Excel 97-2003 workbook (.xls), which FreeXL hands
// over as empty cells: read from the workbook stream's FORMULA records, keyed by sheet name
// (Windows-1252), row and column (0-based).
class CBiffFormulas {
public:
    using CKey = std::tuple<std::string, unsigned, unsigned>;

    // False with errorText when the file's container or record structure cannot be read.
    bool Read(const std::string& path, std::string& errorText);

    std::map<CKey, CDbValue> results;
};
