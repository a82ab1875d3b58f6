#include "db/CADODatabase.h"

#include "core/CCodePage.h"

bool CADODatabase::Connect() {
    Disconnect();
    connection = CDbConnection::Open(connectionString, errorText);
    return connection != nullptr;
}

bool CADODatabase::Failed(const char* what) {
    errorText = Ansi("Die Datenbank ist nicht verbunden (") + what + ").";
    return false;
}

bool CADODatabase::ExecuteStatement(const std::string& sql) {
    if (!connection) return Failed("Anweisung");
    return connection->Execute(sql, errorText);
}

bool CADODatabase::BeginTransaction() {
    if (!connection) return Failed("BEGIN");
    return connection->Begin(errorText);
}

bool CADODatabase::CommitTransaction() {
    if (!connection) return Failed("COMMIT");
    return connection->Commit(errorText);
}

void CADODatabase::RollbackTransaction() {
    if (connection) connection->Rollback();
}
