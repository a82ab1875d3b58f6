#pragma once

#include <string>
#include <vector>

// The database types the dialogs offer and their connection-string templates, in two families:
// database files (input or output type "Access-Datenbank") and servers ("SQL-Datenbank"). The
// stored type is the index within its family, so entries are only ever appended.
class CDbTypes {
public:
    enum class EBackEnd { Sqlite, Odbc, Access, Xlsx, Xls, Unknown };

    static constexpr int kSqliteType = 5; // file family

    static const std::vector<std::string>& ComboTexts(bool fileFamily);
    // The template of a type; an index outside the family gives the family's first entry.
    static const std::string& Template(bool fileFamily, int type);
    // The type of a database file: its extension decides where it names one family member
    // (".sqlite", ".mdb", ".xlsx", ...), the stored type otherwise.
    static int TypeForFile(int type, const std::string& path);
    // Template + "Data source=" + path, for the type the file's extension allows.
    static std::string FileConnectionString(int type, const std::string& path);
    static bool IsSqliteFile(const std::string& path);
    // The path after "Data source=" (any letter case) up to the end, or empty.
    static std::string DataSource(const std::string& connectionString);
    // Which back end serves a connection string: the database file's extension first, then the
    // provider or driver it names.
    static EBackEnd BackEndOf(const std::string& connectionString);
};
