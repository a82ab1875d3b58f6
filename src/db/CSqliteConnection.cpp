#include "db/CSqliteConnection.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "core/CValueCheck.h"

#include <sqlite3.h>

#include <cctype>
#include <cstring>

namespace {

// A lock held by another program is waited for this long before the statement fails.
const int kBusyMilliseconds = 5000;

// What the declared type of a column says about the values SQLite stores in it.
enum class EDeclared { Plain, Truth, Decimal, Date };

EDeclared Declared(const char* declared) {
    std::string upper = declared ? declared : "";
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    auto has = [&](const char* part) { return upper.find(part) != std::string::npos; };
    if (has("BOOL")) return EDeclared::Truth;
    if (has("DEC") || has("NUMERIC")) return EDeclared::Decimal;
    if (has("DATE") || has("TIME")) return EDeclared::Date;
    return EDeclared::Plain;
}

// Most texts are plain ASCII and need no conversion at all.
void ToAnsi(std::string_view utf8, std::string& ansi) {
    if (CCodePage::IsAscii(utf8))
        ansi.assign(utf8);
    else
        ansi = CCodePage::Utf8ToAnsi(utf8);
}

void ToUtf8(std::string_view ansi, std::string& utf8) {
    if (CCodePage::IsAscii(ansi))
        utf8.assign(ansi);
    else
        utf8 = CCodePage::AnsiToUtf8(ansi);
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
        for (int i = 0; i < count; ++i) {
            names.push_back(CCodePage::Utf8ToAnsi(sqlite3_column_name(stmt, i)));
            declared.push_back(Declared(sqlite3_column_decltype(stmt, i)));
        }
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
        const EDeclared kind = declared[static_cast<size_t>(column)];
        switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_NULL:
            value.SetNull();
            return;
        case SQLITE_INTEGER:
            value.integer = sqlite3_column_int64(stmt, column);
            value.number = static_cast<double>(value.integer);
            value.type = kind == EDeclared::Truth     ? CDbValue::EType::Boolean
                         : kind == EDeclared::Decimal ? CDbValue::EType::Float64
                                                      : CDbValue::EType::Integer;
            return;
        case SQLITE_FLOAT:
            value.number = sqlite3_column_double(stmt, column);
            value.type = CDbValue::EType::Float64;
            return;
        case SQLITE_TEXT: {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            std::string_view utf8(text, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
            if (kind == EDeclared::Date && ReadIsoDate(utf8, value)) return;
            ToAnsi(utf8, value.text);
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
    std::vector<EDeclared> declared;
};

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// Splits an INSERT statement into its text with "?" for every literal (a quoted text or NULL) and
// the literals themselves, so that a run of INSERTs that differ only in their values is prepared
// once. Anything that is no INSERT gives false and runs as it stands.
bool SplitInsert(const std::string& sql, std::string& shape, std::vector<std::string>& texts,
                 std::vector<char>& isNull) {
    if (sql.compare(0, 12, "INSERT INTO ") != 0) return false;
    shape.clear();
    size_t count = 0;
    auto literal = [&]() -> std::string& {
        if (texts.size() <= count) texts.emplace_back(), isNull.push_back(0);
        texts[count].clear();
        isNull[count] = 0;
        shape += '?';
        return texts[count++];
    };
    for (size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (c == '[' || c == '"' || c == '`') { // a name: copied as it stands
            char close = c == '[' ? ']' : c;
            size_t end = sql.find(close, i + 1);
            if (end == std::string::npos) return false;
            shape.append(sql, i, end - i + 1);
            i = end;
        } else if (c == '\'') {
            std::string& text = literal();
            for (++i;; ++i) {
                if (i >= sql.size()) return false;
                if (sql[i] == '\'') {
                    if (i + 1 < sql.size() && sql[i + 1] == '\'') {
                        ++i;
                    } else {
                        break;
                    }
                }
                text += sql[i];
            }
        } else if (c == 'N' && sql.compare(i, 4, "NULL") == 0 && (i == 0 || !IsNameChar(sql[i - 1])) &&
                   (i + 4 >= sql.size() || !IsNameChar(sql[i + 4]))) {
            literal();
            isNull[count - 1] = 1;
            i += 3;
        } else {
            shape += c;
        }
    }
    texts.resize(count);
    isNull.resize(count);
    return true;
}

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
    if (sqlite3_open_v2(CCodePage::AnsiToUtf8(path).c_str(), &handle,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        errorText = CCodePage::Utf8ToAnsi(handle ? sqlite3_errmsg(handle) : "out of memory");
        sqlite3_close_v2(handle);
        return nullptr;
    }
    sqlite3_busy_timeout(handle, kBusyMilliseconds);
    // Large tables are read through the page cache of the system instead of copies of each page.
    sqlite3_exec(handle, "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
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
    sqlite3_finalize(insert);
    Rollback();
    sqlite3_close_v2(db);
}

std::string CSqliteConnection::Error() const {
    return CCodePage::Utf8ToAnsi(sqlite3_errmsg(db));
}

bool CSqliteConnection::Prepare(const std::string& sql, sqlite3_stmt*& stmt, std::string& errorText) {
    ToUtf8(sql, utf8);
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, utf8.c_str(), static_cast<int>(utf8.size()), &stmt, &tail) != SQLITE_OK) {
        errorText = Error();
        return false;
    }
    // One statement per call: a second one hidden in a value would otherwise run as well.
    if (tail && !OnlyBlanks(tail)) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
        errorText = Ansi("Die Anweisung enthält mehr als einen SQL-Befehl.");
        return false;
    }
    return true;
}

bool CSqliteConnection::Step(sqlite3_stmt* stmt, std::string& errorText) {
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) errorText = Error();
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE;
}

bool CSqliteConnection::Execute(const std::string& sql, std::string& errorText) {
    if (SplitInsert(sql, shape, literals, nulls)) {
        if (!insert || shape != insertShape) {
            sqlite3_finalize(insert);
            insert = nullptr;
            insertShape.clear();
            // A shape that does not prepare (a name that looked like a value) runs as it stands below.
            std::string ignored;
            if (Prepare(shape, insert, ignored)) insertShape = shape;
        }
        if (insert && sqlite3_bind_parameter_count(insert) == static_cast<int>(literals.size())) {
            bound.resize(literals.size());
            for (size_t i = 0; i < literals.size(); ++i) {
                if (nulls[i]) {
                    sqlite3_bind_null(insert, static_cast<int>(i + 1));
                    continue;
                }
                ToUtf8(literals[i], bound[i]);
                sqlite3_bind_text(insert, static_cast<int>(i + 1), bound[i].data(),
                                  static_cast<int>(bound[i].size()), SQLITE_STATIC);
            }
            return Step(insert, errorText);
        }
    }
    sqlite3_stmt* stmt = nullptr;
    if (!Prepare(sql, stmt, errorText)) return false;
    bool done = !stmt || Step(stmt, errorText);
    sqlite3_finalize(stmt);
    return done;
}

std::unique_ptr<CDbCursor> CSqliteConnection::Query(const std::string& sql, std::string& errorText) {
    sqlite3_stmt* stmt = nullptr;
    if (!Prepare(sql, stmt, errorText)) return nullptr;
    if (!stmt) {
        errorText = Ansi("Die Abfrage ist leer.");
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
