#pragma once

#include "db/CBiffFormulas.h"
#include "db/CFileTables.h"

// Excel 97-2003 workbooks (.xls) as read-only databases through FreeXL: a worksheet is a table
// whose first row holds the column names. Formula results, which FreeXL leaves empty, come from
// CBiffFormulas.
class CXlsConnection : public CFileTables {
public:
    static std::unique_ptr<CDbConnection> Open(const std::string& path, std::string& errorText);
    // Why no .xls file is ever written.
    static std::string ReadOnly();
    ~CXlsConnection() override;

protected:
    bool Load(CFileTable& table, std::string& errorText) override;
    std::string ReadOnlyText() const override { return ReadOnly(); }

private:
    CXlsConnection() = default;

    const void* handle = nullptr;
    CBiffFormulas formulas;
};
