#pragma once

#include "db/CDbConnection.h"

#include <sql.h>

// Servers and any "DRIVER=..."/"DSN=..." connection string through the ODBC driver manager.
// Every text crosses as UTF-16 (the drivers' wide interface), so the server's character set does
// not matter.
class COdbcConnection : public CDbConnection {
public:
    static std::unique_ptr<CDbConnection> Open(const std::string& connectionString, std::string& errorText);
    ~COdbcConnection() override;

    bool Execute(const std::string& sql, std::string& errorText) override;
    std::unique_ptr<CDbCursor> Query(const std::string& sql, std::string& errorText) override;
    std::unique_ptr<CDbCursor> Tables(std::string& errorText) override;
    std::unique_ptr<CDbCursor> Columns(const std::string& table, std::string& errorText) override;
    bool Begin(std::string& errorText) override;
    bool Commit(std::string& errorText) override;
    void Rollback() override;

private:
    COdbcConnection() = default;
    bool EndTransaction(SQLSMALLINT completion, std::string& errorText);

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT statement = SQL_NULL_HSTMT; // reused by Execute
    bool connected = false;
    bool inTransaction = false;
};
