#pragma once

#include "db/CDbConnection.h"

struct sqlite3;

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

    sqlite3* db;
};
