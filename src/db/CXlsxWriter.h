#pragma once

#include "db/CFileTables.h"

#include <string>
#include <vector>

// Writes tables as the worksheets of a new workbook, through libxlsxwriter.
class CXlsxWriter {
public:
    // Writes path (UTF-8 on the file system, given as Windows-1252); false with errorText.
    static bool Write(const std::string& path, const std::vector<CFileTable>& tables, std::string& errorText);
};
