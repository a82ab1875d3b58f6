#pragma once

#include "db/CDbValue.h"

#include <memory>
#include <string>
#include <vector>

// The rows of one query or catalog list, walked forward. A back end fills every value of the
// current row when it moves there.
class CDbCursor {
public:
    virtual ~CDbCursor() = default;
    // Moves to the next row (the first one after opening); false at the end. A failure while
    // walking throws CDbError.
    virtual bool Fetch() = 0;
    // Back before the first row, so that Fetch delivers it again.
    virtual void Rewind() = 0;
    // The number of rows when the back end knows it without walking them, else -1.
    virtual long long KnownCount() { return -1; }

    const std::vector<std::string>& Names() const { return names; }
    const std::vector<CDbValue>& Values() const { return values; }

protected:
    std::vector<std::string> names; // field names (Windows-1252)
    std::vector<CDbValue> values;   // the current row
};

// A failure inside the non-catching row operations (walking, counting).
class CDbError : public std::exception {
public:
    explicit CDbError(std::string text) : message(std::move(text)) {}
    const char* what() const noexcept override { return message.c_str(); }

private:
    std::string message;
};

// One open connection of a back end (SQLite, ODBC, ...). Every operation that can fail returns
// false or nullptr and leaves the back end's description in errorText.
class CDbConnection {
public:
    virtual ~CDbConnection() = default;

    virtual bool Execute(const std::string& sql, std::string& errorText) = 0;
    virtual std::unique_ptr<CDbCursor> Query(const std::string& sql, std::string& errorText) = 0;
    // Fields "TABLE_NAME" (tables) and "TABLE_NAME", "COLUMN_NAME" (columns). A table name narrows
    // the column list where the back end can; callers still filter by "TABLE_NAME".
    virtual std::unique_ptr<CDbCursor> Tables(std::string& errorText) = 0;
    virtual std::unique_ptr<CDbCursor> Columns(const std::string& table, std::string& errorText) = 0;
    // One transaction around an export; false when the back end cannot start one.
    virtual bool Begin(std::string& errorText) = 0;
    virtual bool Commit(std::string& errorText) = 0;
    virtual void Rollback() = 0;

    // The back end that serves a connection string, connected; nullptr with errorText on failure.
    static std::unique_ptr<CDbConnection> Open(const std::string& connectionString, std::string& errorText);
    // Creates an empty database file for the connection string of a file database.
    static bool CreateFile(const std::string& connectionString, std::string& errorText);
};
