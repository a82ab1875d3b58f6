#pragma once

#include "db/CDbConnection.h"

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Database files through SQLite's C library. Texts cross as UTF-8.
class CSqliteConnection : public CDbConnection {
public:
    // Opens an existing database file (never creates one) and checks that it is a database.
    static std::unique_ptr<CDbConnection> Open(const std::string& path, std::string& errorText);
    static bool CreateFile(const std::string& path, std::string& errorText);
    ~CSqliteConnection() override;

    bool Execute(const std::string& sql, std::string& errorText) override;
    std::unique_ptr<CDbCursor> Query(const std::string& sql, std::string& errorText) override;
    std::unique_ptr<CDbCursor> Tables(std::string& errorText) override;
    std::unique_ptr<CDbCursor> Columns(const std::string& table, std::string& errorText) override;
    bool Begin(std::string& errorText) override;
    bool Commit(std::string& errorText) override;
    void Rollback() override;

private:
    explicit CSqliteConnection(sqlite3* handle) : db(handle) {}
    std::string Error() const;
    bool Prepare(const std::string& sql, sqlite3_stmt*& stmt, std::string& errorText);
    bool Step(sqlite3_stmt* stmt, std::string& errorText);

    sqlite3* db;
    // The INSERT of the current export, prepared once; its values are bound per row.
    sqlite3_stmt* insert = nullptr;
    std::string insertShape;
    // Buffers reused from statement to statement.
    std::string utf8;
    std::string shape;
    std::vector<std::string> literals;
    std::vector<char> nulls;
    std::vector<std::string> bound;
};
