#pragma once

#include "db/CDbConnection.h"

#include <string>
#include <vector>

// One table of a file back end: a worksheet or an Access table, its column names and rows.
struct CFileTable {
    std::string name;                 // Windows-1252
    std::vector<std::string> columns; // Windows-1252
    std::vector<std::string> types;   // declared types of columns created in this run, else empty
    std::vector<std::vector<CDbValue>> rows;
    bool loaded = false;   // columns and rows have been read from the file
    bool written = false;  // created or changed in this run
    std::string loadError; // why the rows cannot be read (a sheet with merged cells, ...)
    std::string notKept;   // what writing the file again would lose (formulas, ...)
};

// The part shared by the back ends of database files that no SQL engine serves (workbooks,
// Access files): the file's tables in memory, the statements the engine generates carried out on
// them (CSqlSubset) and, for a writable format, the whole file written at commit.
class CFileTables : public CDbConnection {
public:
    bool Execute(const std::string& sql, std::string& errorText) override;
    std::unique_ptr<CDbCursor> Query(const std::string& sql, std::string& errorText) override;
    std::unique_ptr<CDbCursor> Tables(std::string& errorText) override;
    std::unique_ptr<CDbCursor> Columns(const std::string& table, std::string& errorText) override;
    bool Begin(std::string& errorText) override;
    bool Commit(std::string& errorText) override;
    void Rollback() override;

    // A serial day number (days since 1899-12-30, the fraction is the time of day) as a date;
    // year 0 when it lies outside 0001 ... 9999.
    static void SerialToDate(double serial, CDbValue& value);

protected:
    // The cells of a sheet (its row indexes and their cells by column) as a table: the first row
    // with a value holds the names, the columns span from the first to the last column with a
    // value, the rows end with the last one holding a value.
    static void BuildTable(std::vector<std::pair<long, std::vector<CDbValue>>>& cells, CFileTable& table);
    // Reads the columns and rows of a table whose name is known; false with errorText.
    virtual bool Load(CFileTable& table, std::string& errorText) = 0;
    // Writes every table to the file; only formats that can be written override it.
    virtual bool Save(std::string& errorText);
    // Empty for a writable format, else why it cannot be written.
    virtual std::string ReadOnlyText() const = 0;
    // The largest number of rows (heading included) and of characters in a text a table holds.
    virtual size_t MaxRows() const { return static_cast<size_t>(-1); }
    virtual size_t MaxTextLength() const { return static_cast<size_t>(-1); }

    CFileTable* Find(const std::string& name);
    bool LoadAll(std::string& errorText);

    std::vector<CFileTable> tables;

private:
    bool Insert(CFileTable& table, const class CSqlSubset& statement, std::string& errorText);

    std::string droppedName; // the table dropped last, and where it stood
    size_t droppedAt = 0;
    bool inTransaction = false;
    std::vector<CFileTable> saved;
};
