#include "db/CSqliteConnection.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "core/CValueCheck.h"

#include <sqlite3.h>

#include <cstring>

namespace {

// A lock held by another program is waited for this long before the statement fails.
const int kBusyMilliseconds = 5000;

bool DeclaredAs(const char* declared, std::initializer_list<const char*> parts) {
    if (!declared) return false;
    std::string upper = declared;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const char* part : parts)
        if (upper.find(part) != std::string::npos) return true;
    return false;
}

// "2016-12-31" or "2016-12-31 23:59:58" (also with "T") into the date fields.
bool ReadIsoDate(std::string_view text, CDbValue& value) {
    std::string normalized;
    if (text.size() < 10 || !CValueCheck::ParseDate(text, "", normalized) || normalized.size() != 10)
        return false;
    auto number = [&](size_t at, size_t length) {
        int n = 0;
        for (size_t i = at; i < at + length; ++i)
            n = n * 10 + (text[i] - '0');
        return n;
    };
    value.year = number(0, 4);
    value.month = number(5, 2);
    value.day = number(8, 2);
    value.hour = value.minute = value.second = 0;
    if (text.size() >= 16) {
        value.hour = number(11, 2);
        value.minute = number(14, 2);
        if (text.size() >= 19 && text[16] == ':') value.second = number(17, 2);
    }
    value.type = CDbValue::EType::Date;
    return true;
}

class CSqliteCursor : public CDbCursor {
public:
    CSqliteCursor(sqlite3* handle, sqlite3_stmt* statement, std::string sqlText)
        : db(handle), stmt(statement), sql(std::move(sqlText)) {
        const int count = sqlite3_column_count(stmt);
        for (int i = 0; i < count; ++i)
            names.push_back(CCodePage::Utf8ToAnsi(sqlite3_column_name(stmt, i)));
        values.resize(static_cast<size_t>(count));
    }
    ~CSqliteCursor() override { sqlite3_finalize(stmt); }

    bool Fetch() override {
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) return false;
        if (rc != SQLITE_ROW) throw CDbError(CCodePage::Utf8ToAnsi(sqlite3_errmsg(db)));
        for (size_t i = 0; i < values.size(); ++i)
            Read(static_cast<int>(i), values[i]);
        return true;
    }
    void Rewind() override { sqlite3_reset(stmt); }

    long long KnownCount() override {
        sqlite3_stmt* count = nullptr;
        std::string countSql = "SELECT COUNT(*) FROM (" + sql + ")";
        long long result = -1;
        if (sqlite3_prepare_v2(db, countSql.c_str(), -1, &count, nullptr) == SQLITE_OK &&
            sqlite3_step(count) == SQLITE_ROW)
            result = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
        return result;
    }

private:
    // SQLite stores NULL, INTEGER, REAL, TEXT or BLOB; the declared type of the column says when
    // such a value means a truth value, a date or a decimal number.
    void Read(int column, CDbValue& value) {
        const char* declared = sqlite3_column_decltype(stmt, column);
        switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_NULL:
            value.SetNull();
            return;
        case SQLITE_INTEGER:
            value.integer = sqlite3_column_int64(stmt, column);
            value.number = static_cast<double>(value.integer);
            value.type = DeclaredAs(declared, {"BOOL"})             ? CDbValue::EType::Boolean
                         : DeclaredAs(declared, {"DEC", "NUMERIC"}) ? CDbValue::EType::Float64
                                                                    : CDbValue::EType::Integer;
            return;
        case SQLITE_FLOAT:
            value.number = sqlite3_column_double(stmt, column);
            value.type = CDbValue::EType::Float64;
            return;
        case SQLITE_TEXT: {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            std::string_view utf8(text, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
            if (DeclaredAs(declared, {"DATE", "TIME"}) && ReadIsoDate(utf8, value)) return;
            value.text = CCodePage::Utf8ToAnsi(utf8);
            value.type = CDbValue::EType::Text;
            return;
        }
        default:
            value.type = CDbValue::EType::Other;
            return;
        }
    }

    sqlite3* db;
    sqlite3_stmt* stmt;
    std::string sql; // UTF-8
};

bool OnlyBlanks(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n' && *text != ';') return false;
    return true;
}

// A literal for SQL built here from a name the catalog or the caller gave.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}

} // namespace

std::unique_ptr<CDbConnection> CSqliteConnection::Open(const std::string& path, std::string& errorText) {
    if (path.empty() || !CPlatform::FileExists(path) || CPlatform::IsDirectory(path)) {
        errorText = Ansi("Die Datenbankdatei existiert nicht: ") + path;
        return nullptr;
    }
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(CCodePage::AnsiToUtf8(path).c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        errorText = CCodePage::Utf8ToAnsi(handle ? sqlite3_errmsg(handle) : "out of memory");
        sqlite3_close_v2(handle);
        return nullptr;
    }
    sqlite3_busy_timeout(handle, kBusyMilliseconds);
    std::unique_ptr<CSqliteConnection> connection(new CSqliteConnection(handle));
    // SQLite reads the file lazily: ask it once, so that a file that is no database fails here.
    if (!connection->Execute("SELECT COUNT(*) FROM sqlite_master", errorText)) return nullptr;
    return connection;
}

bool CSqliteConnection::CreateFile(const std::string& path, std::string& errorText) {
    sqlite3* handle = nullptr;
    int rc = sqlite3_open_v2(CCodePage::AnsiToUtf8(path).c_str(), &handle,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(handle, "PRAGMA user_version = 0", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) errorText = CCodePage::Utf8ToAnsi(handle ? sqlite3_errmsg(handle) : "out of memory");
    sqlite3_close_v2(handle);
    return rc == SQLITE_OK;
}

CSqliteConnection::~CSqliteConnection() {
    Rollback();
    sqlite3_close_v2(db);
}

std::string CSqliteConnection::Error() const {
    return CCodePage::Utf8ToAnsi(sqlite3_errmsg(db));
}

bool CSqliteConnection::Execute(const std::string& sql, std::string& errorText) {
    const std::string utf8 = CCodePage::AnsiToUtf8(sql);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, utf8.c_str(), static_cast<int>(utf8.size()), &stmt, &tail) != SQLITE_OK) {
        errorText = Error();
        return false;
    }
    // One statement per call: a second one hidden in a value would otherwise run as well.
    if (tail && !OnlyBlanks(tail)) {
        sqlite3_finalize(stmt);
        errorText = Ansi("Die Anweisung enthält mehr als einen SQL-Befehl.");
        return false;
    }
    int rc = SQLITE_ROW;
    while (stmt && rc == SQLITE_ROW)
        rc = sqlite3_step(stmt);
    if (stmt && rc != SQLITE_DONE) errorText = Error();
    sqlite3_finalize(stmt);
    return !stmt || rc == SQLITE_DONE;
}

std::unique_ptr<CDbCursor> CSqliteConnection::Query(const std::string& sql, std::string& errorText) {
    const std::string utf8 = CCodePage::AnsiToUtf8(sql);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, utf8.c_str(), static_cast<int>(utf8.size()), &stmt, nullptr) != SQLITE_OK ||
        !stmt) {
        errorText = stmt ? Error() : Ansi("Die Abfrage ist leer.");
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return std::make_unique<CSqliteCursor>(db, stmt, utf8);
}

std::unique_ptr<CDbCursor> CSqliteConnection::Tables(std::string& errorText) {
    return Query("SELECT name AS TABLE_NAME, type AS TABLE_TYPE FROM sqlite_master "
                 "WHERE type IN ('table', 'view') ORDER BY rowid",
                 errorText);
}

std::unique_ptr<CDbCursor> CSqliteConnection::Columns(const std::string& table, std::string& errorText) {
    std::string sql = "SELECT m.name AS TABLE_NAME, p.name AS COLUMN_NAME FROM sqlite_master AS m "
                      "JOIN pragma_table_info(m.name) AS p WHERE m.type IN ('table', 'view')";
    if (!table.empty()) sql += " AND m.name = " + Quoted(table);
    return Query(sql + " ORDER BY m.rowid, p.cid", errorText);
}

bool CSqliteConnection::Begin(std::string& errorText) {
    return Execute("BEGIN IMMEDIATE", errorText);
}

bool CSqliteConnection::Commit(std::string& errorText) {
    return Execute("COMMIT", errorText);
}

void CSqliteConnection::Rollback() {
    if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}
