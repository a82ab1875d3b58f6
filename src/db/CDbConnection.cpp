#include "db/CDbConnection.h"

#include "core/CCodePage.h"
#include "db/CDbTypes.h"
#include "db/CMdbConnection.h"
#include "db/COdbcConnection.h"
#include "db/CSqliteConnection.h"
#include "db/CXlsConnection.h"
#include "db/CXlsxConnection.h"

std::unique_ptr<CDbConnection> CDbConnection::Open(const std::string& connectionString,
                                                   std::string& errorText) {
    const std::string file = CDbTypes::DataSource(connectionString);
    switch (CDbTypes::BackEndOf(connectionString)) {
    case CDbTypes::EBackEnd::Sqlite:
        return CSqliteConnection::Open(file, errorText);
    case CDbTypes::EBackEnd::Odbc:
        return COdbcConnection::Open(connectionString, errorText);
    case CDbTypes::EBackEnd::Xlsx:
        return CXlsxConnection::Open(file, errorText);
    case CDbTypes::EBackEnd::Xls:
        return CXlsConnection::Open(file, errorText);
    case CDbTypes::EBackEnd::Access:
        return CMdbConnection::Open(file, errorText);
    default:
        errorText = Ansi("Die Verbindungszeichenfolge nennt weder eine Datenbankdatei (.sqlite, .db, .xlsx, "
                         ".xls, .mdb, .accdb) noch einen ODBC-Treiber (\"DRIVER=...\" oder \"DSN=...\").");
        return nullptr;
    }
}

bool CDbConnection::CreateFile(const std::string& connectionString, std::string& errorText) {
    const std::string file = CDbTypes::DataSource(connectionString);
    switch (CDbTypes::BackEndOf(connectionString)) {
    case CDbTypes::EBackEnd::Sqlite:
        return CSqliteConnection::CreateFile(file, errorText);
    case CDbTypes::EBackEnd::Xlsx:
        return CXlsxConnection::CreateFile(file, errorText);
    case CDbTypes::EBackEnd::Xls:
        errorText = CXlsConnection::ReadOnly();
        return false;
    case CDbTypes::EBackEnd::Access:
        errorText = CMdbConnection::ReadOnly();
        return false;
    case CDbTypes::EBackEnd::Odbc:
        errorText = Ansi("Für eine ODBC-Verbindung legt Pelko keine Datenbankdatei an.");
        return false;
    default:
        errorText = Ansi("Die Verbindungszeichenfolge nennt keine Datenbankdatei.");
        return false;
    }
}
