#pragma once

#include "db/CDbConnection.h"

#include <memory>
#include <string>

// One database connection. The back end is chosen by the connection string when connecting;
// failures never show a message: they leave the back end's description in errorText.
class CADODatabase {
public:
    CADODatabase() = default;
    CADODatabase(const CADODatabase&) = delete;
    CADODatabase& operator=(const CADODatabase&) = delete;
    ~CADODatabase() { Disconnect(); }

    bool Connect();
    bool IsConnected() const { return connection != nullptr; }
    // An open transaction that was not committed is rolled back.
    void Disconnect() { connection.reset(); }
    bool ExecuteStatement(const std::string& sql);

    // One transaction around an export, so that a failure leaves the table as it was.
    bool BeginTransaction();
    bool CommitTransaction();
    void RollbackTransaction();

    CDbConnection* GetConnection() const { return connection.get(); }

    std::string errorText;
    std::string connectionString;

private:
    bool Failed(const char* what);

    std::unique_ptr<CDbConnection> connection;
};
