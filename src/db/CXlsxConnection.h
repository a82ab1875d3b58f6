#pragma once

#include "db/CFileTables.h"

#include <map>
#include <string>
#include <vector>

struct zip;

// Excel 2007 workbooks (.xlsx) as databases: a worksheet is a table whose first row holds the
// column names. Read through libzip and expat; written whole, beside the file and renamed over
// it, by CXlsxWriter when an export commits.
class CXlsxConnection : public CFileTables {
public:
    static std::unique_ptr<CDbConnection> Open(const std::string& path, std::string& errorText);
    // An empty file stands for a new workbook until the first export writes it.
    static bool CreateFile(const std::string& path, std::string& errorText);
    ~CXlsxConnection() override;

protected:
    bool Load(CFileTable& table, std::string& errorText) override;
    bool Save(std::string& errorText) override;
    std::string ReadOnlyText() const override { return std::string(); }
    size_t MaxRows() const override { return 1048576; }
    size_t MaxTextLength() const override { return 32767; }

private:
    explicit CXlsxConnection(std::string file) : path(std::move(file)) {}
    bool ReadWorkbook(std::string& errorText);
    bool ReadStyles(std::string& errorText);

    std::string path;
    zip* archive = nullptr;
    bool date1904 = false;
    std::map<std::string, std::string> sheetParts; // sheet name (Windows-1252) -> part in the archive
    std::vector<std::string> sharedStrings;        // Windows-1252
    std::vector<bool> dateStyles;                  // per cell format: a date or time format
    std::string unkeptParts;                       // parts a rewrite would lose (charts, macros, ...)
};
