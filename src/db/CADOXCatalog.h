#pragma once

#include <string>

// Creates empty database files.
class CADOXCatalog {
public:
    // The connection string names the back end and, after "Data source=", the file.
    bool CreateDatabaseFile(const std::string& connectionString);

    std::string errorText;
};
