#include "db/COdbcConnection.h"

#include "core/CCodePage.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <functional>
#include <vector>

namespace {

using CWide = std::vector<SQLWCHAR>;

CWide Wide(const std::string& ansi) {
    CWide wide;
    wide.reserve(ansi.size() + 1);
    for (char c : ansi)
        wide.push_back(static_cast<SQLWCHAR>(CCodePage::AnsiToUnicode(static_cast<unsigned char>(c))));
    wide.push_back(0);
    return wide;
}

void AppendNarrow(std::string& ansi, const SQLWCHAR* wide, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        unsigned unit = wide[i];
        // Surrogate pairs stand for characters beyond Windows-1252 anyway.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) ++i;
        ansi += unit >= 0xD800 && unit <= 0xDFFF ? '?' : CCodePage::UnicodeToAnsi(unit);
    }
}

// The driver manager's and the driver's descriptions of the last failure, one per line.
std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::string text;
    SQLWCHAR state[6];
    SQLWCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1;
         SQL_SUCCEEDED(SQLGetDiagRecW(handleType, handle, record, state, &native, message,
                                      static_cast<SQLSMALLINT>(std::size(message)), &length));
         ++record) {
        if (!text.empty()) text += '\n';
        AppendNarrow(text, message, std::min<size_t>(static_cast<size_t>(length), std::size(message) - 1));
    }
    return text.empty() ? "(null)" : text;
}

bool Succeeded(SQLRETURN rc) {
    return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
}

class COdbcCursor : public CDbCursor {
public:
    // open runs the statement (query or catalog function) on the handle, also again for Rewind.
    COdbcCursor(SQLHSTMT handle, std::function<SQLRETURN(SQLHSTMT)> openFunction)
        : stmt(handle), open(std::move(openFunction)) {}
    ~COdbcCursor() override { SQLFreeHandle(SQL_HANDLE_STMT, stmt); }

    bool Start(std::string& errorText) {
        if (!Succeeded(open(stmt))) {
            errorText = Diagnostics(SQL_HANDLE_STMT, stmt);
            return false;
        }
        SQLSMALLINT count = 0;
        SQLNumResultCols(stmt, &count);
        for (SQLUSMALLINT i = 1; i <= count; ++i) {
            SQLWCHAR name[256];
            SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            SQLDescribeColW(stmt, i, name, static_cast<SQLSMALLINT>(std::size(name)), &length, &type, &size,
                            &digits, &nullable);
            std::string text;
            AppendNarrow(text, name, std::min<size_t>(static_cast<size_t>(length), std::size(name) - 1));
            names.push_back(text);
            types.push_back(type);
            truthAsText.push_back(IsTruthType(i));
        }
        values.resize(names.size());
        return true;
    }

    bool Fetch() override {
        SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA) return false;
        if (!SQL_SUCCEEDED(rc)) throw CDbError(Diagnostics(SQL_HANDLE_STMT, stmt));
        for (size_t i = 0; i < values.size(); ++i)
            Read(static_cast<SQLUSMALLINT>(i + 1), values[i]);
        return true;
    }

    void Rewind() override {
        SQLCloseCursor(stmt);
        if (!Succeeded(open(stmt))) throw CDbError(Diagnostics(SQL_HANDLE_STMT, stmt));
    }

    long long KnownCount() override {
        SQLLEN count = -1;
        return SQL_SUCCEEDED(SQLRowCount(stmt, &count)) && count >= 0 ? count : -1;
    }

private:
    // Drivers that hand out truth values as characters ("1"/"0") still name their type.
    bool IsTruthType(SQLUSMALLINT column) {
        SQLWCHAR name[64];
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(
                SQLColAttributeW(stmt, column, SQL_DESC_TYPE_NAME, name, sizeof name, &length, nullptr)))
            return false;
        std::string text;
        AppendNarrow(text, name, std::min<size_t>(static_cast<size_t>(length) / sizeof(SQLWCHAR), 63));
        return text == "bool" || text == "boolean";
    }

    template <class T> bool Get(SQLUSMALLINT column, SQLSMALLINT cType, T& target, CDbValue& value) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(stmt, column, cType, &target, sizeof target, &indicator);
        if (!SQL_SUCCEEDED(rc)) throw CDbError(Diagnostics(SQL_HANDLE_STMT, stmt));
        if (indicator == SQL_NULL_DATA) value.SetNull();
        return indicator != SQL_NULL_DATA;
    }

    // The whole text of a field, in pieces when it is longer than the buffer.
    bool GetText(SQLUSMALLINT column, std::string& text) {
        text.clear();
        SQLWCHAR buffer[2048];
        for (;;) {
            SQLLEN indicator = 0;
            SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            if (rc == SQL_NO_DATA) return true;
            if (!SQL_SUCCEEDED(rc)) throw CDbError(Diagnostics(SQL_HANDLE_STMT, stmt));
            if (indicator == SQL_NULL_DATA) return false;
            size_t bytes = indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) >= sizeof buffer
                               ? sizeof buffer - sizeof(SQLWCHAR)
                               : static_cast<size_t>(indicator);
            AppendNarrow(text, buffer, bytes / sizeof(SQLWCHAR));
            if (rc == SQL_SUCCESS) return true;
        }
    }

    void Read(SQLUSMALLINT column, CDbValue& value) {
        using T = CDbValue::EType;
        switch (types[column - 1]) {
        case SQL_BIT: {
            unsigned char bit = 0;
            if (Get(column, SQL_C_BIT, bit, value)) value.integer = bit, value.type = T::Boolean;
            return;
        }
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: {
            SQLBIGINT number = 0;
            if (Get(column, SQL_C_SBIGINT, number, value)) value.integer = number, value.type = T::Integer;
            return;
        }
        case SQL_REAL: {
            float number = 0;
            if (Get(column, SQL_C_FLOAT, number, value)) value.number = number, value.type = T::Float32;
            return;
        }
        case SQL_FLOAT:
        case SQL_DOUBLE: {
            double number = 0;
            if (Get(column, SQL_C_DOUBLE, number, value)) value.number = number, value.type = T::Float64;
            return;
        }
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            value.type = GetText(column, value.text) ? T::Decimal : T::Null;
            return;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIMESTAMP: {
            SQL_TIMESTAMP_STRUCT stamp{};
            if (!Get(column, SQL_C_TYPE_TIMESTAMP, stamp, value)) return;
            value.year = stamp.year, value.month = stamp.month, value.day = stamp.day;
            value.hour = stamp.hour, value.minute = stamp.minute, value.second = stamp.second;
            value.type = T::Date;
            return;
        }
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_LONGVARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
        case SQL_WLONGVARCHAR:
            if (!GetText(column, value.text)) {
                value.SetNull();
            } else if (truthAsText[column - 1]) {
                value.integer = value.text == "1" || value.text == "t" || value.text == "true";
                value.type = T::Boolean;
            } else {
                value.type = T::Text;
            }
            return;
        default: {
            // No text form (binary, GUID, intervals), unless the field is NULL.
            unsigned char byte = 0;
            SQLLEN indicator = 0;
            SQLGetData(stmt, column, SQL_C_BINARY, &byte, sizeof byte, &indicator);
            value.type = indicator == SQL_NULL_DATA ? T::Null : T::Other;
            return;
        }
        }
    }

    SQLHSTMT stmt;
    std::function<SQLRETURN(SQLHSTMT)> open;
    std::vector<SQLSMALLINT> types;
    std::vector<bool> truthAsText;
};

std::unique_ptr<CDbCursor> OpenCursor(SQLHDBC dbc, std::function<SQLRETURN(SQLHSTMT)> open,
                                      std::string& errorText) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt))) {
        errorText = Diagnostics(SQL_HANDLE_DBC, dbc);
        return nullptr;
    }
    auto cursor = std::make_unique<COdbcCursor>(stmt, std::move(open));
    if (!cursor->Start(errorText)) return nullptr;
    return cursor;
}

} // namespace

std::unique_ptr<CDbConnection> COdbcConnection::Open(const std::string& connectionString,
                                                     std::string& errorText) {
    std::unique_ptr<COdbcConnection> connection(new COdbcConnection());
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &connection->env))) {
        errorText = "(null)";
        return nullptr;
    }
    SQLSetEnvAttr(connection->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, connection->env, &connection->dbc))) {
        errorText = Diagnostics(SQL_HANDLE_ENV, connection->env);
        return nullptr;
    }
    // A server that does not answer must not hold an unattended run for minutes.
    SQLSetConnectAttr(connection->dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(15), 0);
    CWide wide = Wide(connectionString);
    if (!SQL_SUCCEEDED(SQLDriverConnectW(connection->dbc, nullptr, wide.data(), SQL_NTS, nullptr, 0, nullptr,
                                         SQL_DRIVER_NOPROMPT))) {
        errorText = Diagnostics(SQL_HANDLE_DBC, connection->dbc);
        return nullptr;
    }
    connection->connected = true;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection->dbc, &connection->statement))) {
        errorText = Diagnostics(SQL_HANDLE_DBC, connection->dbc);
        return nullptr;
    }
    return connection;
}

COdbcConnection::~COdbcConnection() {
    Rollback();
    if (statement != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, statement);
    if (connected) SQLDisconnect(dbc);
    if (dbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
}

bool COdbcConnection::Execute(const std::string& sql, std::string& errorText) {
    CWide wide = Wide(sql);
    SQLRETURN rc = SQLExecDirectW(statement, wide.data(), SQL_NTS);
    if (!Succeeded(rc)) errorText = Diagnostics(SQL_HANDLE_STMT, statement);
    SQLFreeStmt(statement, SQL_CLOSE);
    return Succeeded(rc);
}

std::unique_ptr<CDbCursor> COdbcConnection::Query(const std::string& sql, std::string& errorText) {
    return OpenCursor(
        dbc, [wide = Wide(sql)](SQLHSTMT stmt) mutable { return SQLExecDirectW(stmt, wide.data(), SQL_NTS); },
        errorText);
}

std::unique_ptr<CDbCursor> COdbcConnection::Tables(std::string& errorText) {
    return OpenCursor(
        dbc, [](SQLHSTMT stmt) { return SQLTablesW(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0); },
        errorText);
}

std::unique_ptr<CDbCursor> COdbcConnection::Columns(const std::string& table, std::string& errorText) {
    return OpenCursor(
        dbc,
        [wide = Wide(table), all = table.empty()](SQLHSTMT stmt) mutable {
            return SQLColumnsW(stmt, nullptr, 0, nullptr, 0, all ? nullptr : wide.data(), all ? 0 : SQL_NTS,
                               nullptr, 0);
        },
        errorText);
}

bool COdbcConnection::Begin(std::string& errorText) {
    SQLRETURN rc = SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(rc)) {
        errorText = Diagnostics(SQL_HANDLE_DBC, dbc);
        return false;
    }
    inTransaction = true;
    return true;
}

bool COdbcConnection::EndTransaction(SQLSMALLINT completion, std::string& errorText) {
    if (!inTransaction) return true;
    inTransaction = false;
    bool ended = SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc, completion));
    if (!ended) errorText = Diagnostics(SQL_HANDLE_DBC, dbc);
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      SQL_IS_UINTEGER);
    return ended;
}

bool COdbcConnection::Commit(std::string& errorText) {
    return EndTransaction(SQL_COMMIT, errorText);
}

void COdbcConnection::Rollback() {
    std::string ignored;
    EndTransaction(SQL_ROLLBACK, ignored);
}
