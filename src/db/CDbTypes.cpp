#include "db/CDbTypes.h"

#include "core/CCodePage.h"

namespace {

struct CType {
    const char* combo;
    const char* connectionTemplate;
};

const CType kFileTypes[] = {
    {"Access 2000/XP", "Provider=Microsoft.JET.OLEDB.4.0;Jet OLEDB:Engine Type=5;"},
    {"Access 2007", "Provider=Microsoft.ACE.OLEDB.12.0;"},
    {"Access 97", "Provider=Microsoft.JET.OLEDB.4.0;Jet OLEDB:Engine Type=4;"},
    {"Excel 2007", "Provider=Microsoft.ACE.OLEDB.12.0;Extended Properties=\"Excel 12.0 Xml;HDR=YES\";"},
    {"Excel", "Provider=Microsoft.JET.OLEDB.4.0;Extended Properties=\"Excel 8.0;HDR=Yes;\";"},
    {"SQLite", "Provider=SQLite;"},
};

// ODBC connection strings: the driver names are those the Debian driver packages register.
const CType kServerTypes[] = {
    {"SQL Server", "DRIVER={FreeTDS};SERVER=localhost;PORT=1433;UID=sa;PWD=;DATABASE="},
    {"MySQL", "DRIVER={MariaDB Unicode};SERVER=localhost;USER=root;OPTION=3;DATABASE="},
    {"Oracle", "DRIVER={Oracle};DBQ=localhost:1521/XE;UID=;PWD=;"},
    {"(eigene Initialisierung)", "DRIVER={...};SERVER=...;DATABASE=...;UID=...;PWD=...;"},
    {"PostgreSQL", "DRIVER={PostgreSQL Unicode};SERVER=localhost;PORT=5432;UID=postgres;PWD=;DATABASE="},
};

template <size_t N> std::vector<std::string> Combo(const CType (&types)[N]) {
    std::vector<std::string> texts;
    for (const CType& type : types)
        texts.push_back(type.combo);
    return texts;
}

template <size_t N> std::vector<std::string> Templates(const CType (&types)[N]) {
    std::vector<std::string> texts;
    for (const CType& type : types)
        texts.push_back(type.connectionTemplate);
    return texts;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = CCodePage::ToLower(c);
    return text;
}

std::string Extension(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return std::string();
    return Lower(path.substr(dot));
}

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

} // namespace

const std::vector<std::string>& CDbTypes::ComboTexts(bool fileFamily) {
    static const std::vector<std::string> files = Combo(kFileTypes);
    static const std::vector<std::string> servers = Combo(kServerTypes);
    return fileFamily ? files : servers;
}

const std::string& CDbTypes::Template(bool fileFamily, int type) {
    static const std::vector<std::string> files = Templates(kFileTypes);
    static const std::vector<std::string> servers = Templates(kServerTypes);
    const std::vector<std::string>& family = fileFamily ? files : servers;
    return type >= 0 && static_cast<size_t>(type) < family.size() ? family[static_cast<size_t>(type)]
                                                                  : family.front();
}

bool CDbTypes::IsSqliteFile(const std::string& path) {
    const std::string extension = Extension(path);
    return extension == ".sqlite" || extension == ".sqlite3" || extension == ".db" || extension == ".db3";
}

int CDbTypes::TypeForFile(int type, const std::string& path) {
    const std::string extension = Extension(path);
    if (IsSqliteFile(path)) return kSqliteType;
    if (extension == ".mdb") return type == 2 ? 2 : 0;
    if (extension == ".accdb") return 1;
    if (extension == ".xlsx") return 3;
    if (extension == ".xls") return 4;
    return type;
}

std::string CDbTypes::FileConnectionString(int type, const std::string& path) {
    return Template(true, TypeForFile(type, path)) + "Data source=" + path;
}

std::string CDbTypes::DataSource(const std::string& connectionString) {
    size_t at = Lower(connectionString).find("data source=");
    return at == std::string::npos ? std::string() : connectionString.substr(at + 12);
}

CDbTypes::EBackEnd CDbTypes::BackEndOf(const std::string& connectionString) {
    const std::string path = DataSource(connectionString);
    if (IsSqliteFile(path)) return EBackEnd::Sqlite;
    const std::string extension = Extension(path);
    if (extension == ".mdb" || extension == ".accdb") return EBackEnd::Access;
    if (extension == ".xlsx") return EBackEnd::Xlsx;
    if (extension == ".xls") return EBackEnd::Xls;
    const std::string lower = Lower(connectionString);
    if (Contains(lower, "provider=sqlite;")) return EBackEnd::Sqlite;
    if (Contains(lower, "jet.oledb") || Contains(lower, "ace.oledb"))
        return Contains(lower, "excel 12.0") ? EBackEnd::Xlsx
               : Contains(lower, "excel")    ? EBackEnd::Xls
                                             : EBackEnd::Access;
    if (Contains(lower, "driver=") || Contains(lower, "dsn=")) return EBackEnd::Odbc;
    return EBackEnd::Unknown;
}
