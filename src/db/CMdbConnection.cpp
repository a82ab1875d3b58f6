#include "db/CMdbConnection.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "core/CTool.h"

#include <mdbtools.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// MDB Tools reports pages beyond the end of a cut file, unknown formats and values it cannot
// convert only on stderr and goes on with what it has. What it prints while a file is opened or
// a table is read is caught here, so that such a file fails instead of giving a shortened table.
class CStderrCapture {
public:
    CStderrCapture() {
        std::fflush(stderr);
        file = std::tmpfile();
        saved = dup(2);
        if (file && saved >= 0) dup2(fileno(file), 2);
    }
    ~CStderrCapture() { Restore(); }

    // What was printed since the capture began; empty when nothing was.
    std::string Text() {
        Restore();
        std::string text;
        if (!file) return text;
        std::rewind(file);
        char buffer[512];
        for (size_t n; text.size() < 2000 && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        std::fclose(file);
        file = nullptr;
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        for (char& c : text)
            if (c == '\n') c = ' ';
        return CCodePage::Utf8ToAnsi(text);
    }

private:
    void Restore() {
        if (saved < 0) return;
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        saved = -1;
    }

    std::FILE* file = nullptr;
    int saved = -1;
};

std::string Damaged(const std::string& message) {
    return Ansi("MDB Tools kann die Access-Datenbank nicht vollständig lesen (") + message +
           Ansi("); die Datei ist beschädigt, abgeschnitten oder von einer neueren Access-Version.");
}

MdbHandle* Handle(void* mdb) {
    return static_cast<MdbHandle*>(mdb);
}

// MDB Tools hands texts over as UTF-8 in memory it allocated.
std::string Taken(char* utf8) {
    std::string text = utf8 ? CCodePage::Utf8ToAnsi(utf8) : std::string();
    g_free(utf8);
    return text;
}

bool IsCalculated(const MdbColumn* column) {
    return column->props && mdb_col_get_prop(column, "Expression") != nullptr;
}

// One value of the current row. Numbers and dates are read from the row's bytes, so that nothing
// is lost to a text form (dates before 1900, doubles); the rest through MDB Tools' text form.
void ReadValue(MdbHandle* mdb, MdbColumn* column, const char* boolText, CDbValue& value) {
    value.SetNull();
    if (IsCalculated(column)) {
        value.type = CDbValue::EType::Other; // MDB Tools reads calculated columns wrongly
        return;
    }
    if (column->col_type == MDB_BOOL) {
        value.type = CDbValue::EType::Boolean;
        value.integer = boolText[0] == '1' ? 1 : 0;
        return;
    }
    const int start = column->cur_value_start;
    const int length = column->cur_value_len;
    switch (column->col_type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_NUMERIC:
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
        break;
    default:
        value.type = CDbValue::EType::Other; // OLE objects, binary data, GUIDs, unknown types
        return;
    }
    if (length == 0) return;
    switch (column->col_type) {
    case MDB_DATETIME:
        CFileTables::SerialToDate(mdb_get_double(mdb->pg_buf, start), value);
        return;
    case MDB_DOUBLE:
        value.type = CDbValue::EType::Float64;
        value.number = mdb_get_double(mdb->pg_buf, start);
        return;
    case MDB_FLOAT:
        value.type = CDbValue::EType::Float32;
        value.number = mdb_get_single(mdb->pg_buf, start);
        return;
    default:
        break;
    }
    std::string text = Taken(mdb_col_to_string(mdb, mdb->pg_buf, start, column->col_type, length));
    if (column->col_type == MDB_MONEY || column->col_type == MDB_NUMERIC) {
        value.type = CDbValue::EType::Decimal;
        value.text = text;
    } else if (column->col_type == MDB_TEXT || column->col_type == MDB_MEMO) {
        value.type = CDbValue::EType::Text;
        value.text = text;
    } else {
        value.type = CDbValue::EType::Integer;
        value.integer = std::strtoll(text.c_str(), nullptr, 10);
    }
}

} // namespace

std::string CMdbConnection::ReadOnly() {
    return Ansi("Access-Datenbanken (.mdb, .accdb) liest Pelko nur; es gibt auf diesem System kein Programm, "
                "das sie schreibt. Exportieren Sie in eine Excel-Arbeitsmappe (.xlsx) oder eine SQLite-Datei "
                "(.sqlite).");
}

std::unique_ptr<CDbConnection> CMdbConnection::Open(const std::string& path, std::string& errorText) {
    if (path.empty() || !CPlatform::FileExists(path) || CPlatform::IsDirectory(path)) {
        errorText = Ansi("Die Access-Datenbank existiert nicht: ") + path;
        return nullptr;
    }
    // Access files consist of whole pages of 2048 (Access 97) or 4096 bytes.
    if (CPlatform::FileSize(path) % 2048 != 0) {
        errorText = Damaged(Ansi("die Dateigröße ist kein Vielfaches der Seitengröße"));
        return nullptr;
    }
    if (!Probe(path, errorText)) return nullptr;
    return OpenChecked(path, errorText);
}

// MDB Tools can loop without end, or until memory runs out, on a damaged file. The whole file is
// read once in a child process with a time and memory limit; only a file that passes is read here.
bool CMdbConnection::Probe(const std::string& path, std::string& errorText) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__)
        // (AddressSanitizer reserves far more address space than any limit allows.)
        const rlimit memory = {kProbeMemory, kProbeMemory};
        setrlimit(RLIMIT_AS, &memory);
#endif
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        std::string ignored;
        std::unique_ptr<CDbConnection> connection = OpenChecked(path, ignored);
        _exit(connection && static_cast<CMdbConnection&>(*connection).LoadAll(ignored) ? 0 : 1);
    }
    if (child < 0) return true; // no probe possible: read directly
    int status = 0;
    // Five seconds and one more for every 10 MB: far more than MDB Tools needs for a sound file.
    const int seconds = static_cast<int>(5 + CPlatform::FileSize(path) / 10000000);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            errorText =
                Damaged(CTool::Format(Ansi("nach %d Sekunden nicht zu Ende gelesen").c_str(), seconds));
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFSIGNALED(status)) {
        errorText = Damaged(Ansi("MDB Tools ist beim Lesen abgebrochen"));
        return false;
    }
    // A plain failure is found again, with its text, when the file is read here.
    return true;
}

std::unique_ptr<CDbConnection> CMdbConnection::OpenChecked(const std::string& path, std::string& errorText) {
    CStderrCapture capture;
    MdbHandle* mdb = mdb_open(CCodePage::AnsiToUtf8(path).c_str(), MDB_NOFLAGS);
    if (!mdb) {
        errorText =
            Ansi("MDB Tools kann die Datei nicht öffnen: sie ist keine Access-Datenbank, beschädigt oder "
                 "von einer neueren Access-Version, als MDB Tools liest.");
        return nullptr;
    }
    std::unique_ptr<CMdbConnection> connection(new CMdbConnection());
    connection->mdb = mdb;
    mdb_set_boolean_fmt_numbers(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        errorText =
            Ansi("MDB Tools kann das Verzeichnis der Tabellen nicht lesen; die Datei ist beschädigt.");
        return nullptr;
    }
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        MdbCatalogEntry* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
        CFileTable table;
        table.name = CCodePage::Utf8ToAnsi(entry->object_name);
        connection->tables.push_back(table);
    }
    const std::string printed = capture.Text();
    if (!printed.empty()) {
        errorText = Damaged(printed);
        return nullptr;
    }
    return connection;
}

CMdbConnection::~CMdbConnection() {
    if (mdb) mdb_close(Handle(mdb));
}

bool CMdbConnection::Load(CFileTable& table, std::string& errorText) {
    MdbHandle* access = Handle(mdb);
    CStderrCapture capture;
    MdbTableDef* definition = nullptr;
    for (unsigned i = 0; i < access->num_catalog && !definition; ++i) {
        MdbCatalogEntry* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(access->catalog, i));
        if (entry->object_type == MDB_TABLE && CCodePage::Utf8ToAnsi(entry->object_name) == table.name)
            definition = mdb_read_table(entry);
    }
    if (!definition || !mdb_read_columns(definition)) {
        if (definition) mdb_free_tabledef(definition);
        errorText = Ansi("MDB Tools kann die Tabelle ") + table.name + Ansi(" nicht lesen.");
        return false;
    }
    const unsigned count = definition->num_cols;
    std::vector<MdbColumn*> columns(count);
    std::vector<std::string> boolTexts(count);
    std::vector<int> lengths(count);
    for (unsigned c = 0; c < count; ++c) {
        columns[c] = static_cast<MdbColumn*>(g_ptr_array_index(definition->columns, c));
        table.columns.push_back(CCodePage::Utf8ToAnsi(columns[c]->name));
        // Only truth values are bound: every other value is read from the row itself.
        if (columns[c]->col_type == MDB_BOOL) {
            boolTexts[c].assign(8, '\0');
            mdb_bind_column(definition, static_cast<int>(c + 1), boolTexts[c].data(), &lengths[c]);
        }
    }
    mdb_rewind_table(definition);
    // Memo texts may come from other pages: they are read after the values of the row's page.
    std::vector<unsigned> order;
    for (unsigned c = 0; c < count; ++c)
        if (columns[c]->col_type != MDB_MEMO) order.push_back(c);
    for (unsigned c = 0; c < count; ++c)
        if (columns[c]->col_type == MDB_MEMO) order.push_back(c);
    // A damaged page chain can deliver rows without end: never more than the table says it has.
    const size_t declared = definition->num_rows;
    while (table.rows.size() <= declared && mdb_fetch_row(definition)) {
        std::vector<CDbValue> row(count);
        for (unsigned c : order)
            ReadValue(access, columns[c], boolTexts[c].c_str(), row[c]);
        table.rows.push_back(std::move(row));
    }
    mdb_free_tabledef(definition);
    std::string printed = capture.Text();
    if (printed.empty() && table.rows.size() != declared)
        printed = CTool::Format(Ansi("%zu Zeilen gelesen, die Tabelle nennt %zu").c_str(), table.rows.size(),
                                declared);
    if (!printed.empty()) {
        table.rows.clear();
        errorText = Damaged(printed);
        return false;
    }
    table.loaded = true;
    return true;
}
