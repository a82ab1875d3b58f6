#include "db/CDbConnection.h"

#include "core/CCodePage.h"
#include "db/CDbTypes.h"
#include "db/COdbcConnection.h"
#include "db/CSqliteConnection.h"

namespace {

// Access and Excel files, and OLE DB providers, have no back end on this platform yet: they are
// refused before anything is touched.
std::string NotAvailable(CDbTypes::EBackEnd backEnd) {
    switch (backEnd) {
    case CDbTypes::EBackEnd::Access:
        return Ansi("Access-Datenbanken (.mdb, .accdb) werden von dieser Version nicht gelesen oder "
                    "geschrieben. Verwenden Sie eine SQLite-Datei (.sqlite, .sqlite3, .db, .db3).");
    case CDbTypes::EBackEnd::Excel:
        return Ansi("Excel-Arbeitsmappen (.xls, .xlsx) werden von dieser Version nicht als Datenbank gelesen "
                    "oder geschrieben. Verwenden Sie eine SQLite-Datei (.sqlite, .sqlite3, .db, .db3).");
    default:
        return Ansi("Die Verbindungszeichenfolge nennt weder eine SQLite-Datei noch einen ODBC-Treiber "
                    "(\"DRIVER=...\" oder \"DSN=...\").");
    }
}

} // namespace

std::unique_ptr<CDbConnection> CDbConnection::Open(const std::string& connectionString,
                                                   std::string& errorText) {
    switch (CDbTypes::BackEndOf(connectionString)) {
    case CDbTypes::EBackEnd::Sqlite:
        return CSqliteConnection::Open(CDbTypes::DataSource(connectionString), errorText);
    case CDbTypes::EBackEnd::Odbc:
        return COdbcConnection::Open(connectionString, errorText);
    default:
        errorText = NotAvailable(CDbTypes::BackEndOf(connectionString));
        return nullptr;
    }
}

bool CDbConnection::CreateFile(const std::string& connectionString, std::string& errorText) {
    CDbTypes::EBackEnd backEnd = CDbTypes::BackEndOf(connectionString);
    if (backEnd == CDbTypes::EBackEnd::Sqlite)
        return CSqliteConnection::CreateFile(CDbTypes::DataSource(connectionString), errorText);
    errorText = backEnd == CDbTypes::EBackEnd::Odbc
                    ? Ansi("Für eine ODBC-Verbindung legt Pelko keine Datenbankdatei an.")
                    : NotAvailable(backEnd);
    return false;
}
