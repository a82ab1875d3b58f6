#include "db/CADOXCatalog.h"

#include "db/CDbConnection.h"

bool CADOXCatalog::CreateDatabaseFile(const std::string& connectionString) {
    return CDbConnection::CreateFile(connectionString, errorText);
}
