#include "db/CFileTables.h"

#include "core/CCodePage.h"
#include "core/CTool.h"
#include "db/CSqlSubset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        c = CCodePage::ToLower(c);
    return folded;
}

// The position of a column: its exact name first, then the name in any letter case.
int ColumnIndex(const CFileTable& table, const std::string& name) {
    for (size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i] == name) return static_cast<int>(i);
    const std::string folded = Folded(name);
    for (size_t i = 0; i < table.columns.size(); ++i)
        if (Folded(table.columns[i]) == folded) return static_cast<int>(i);
    return -1;
}

bool IsNumericType(const std::string& type) {
    const std::string t = Folded(type);
    for (const char* numeric : {"int", "float", "double", "real", "dec", "numeric", "currency", "money"})
        if (t.find(numeric) != std::string::npos) return true;
    return false;
}

// A column created in this run is numeric by its declared type; a column read from the file is
// when its first value is a number, so that rows added to an existing sheet look like its others.
bool NumericColumn(CFileTable& table, size_t column) {
    if (table.types[column].empty()) {
        table.types[column] = "TEXT";
        for (const std::vector<CDbValue>& row : table.rows) {
            if (column >= row.size() || row[column].type == CDbValue::EType::Null) continue;
            if (row[column].type == CDbValue::EType::Float64) table.types[column] = "FLOAT";
            break;
        }
    }
    return IsNumericType(table.types[column]);
}

// "-1234,50", "12.5" or "7": a plain decimal number with "," or "." (no thousands separators).
bool ParsePlainNumber(const std::string& text, double& number) {
    std::string plain = text;
    size_t digits = 0, points = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        char& c = plain[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == ',' || c == '.') {
            c = '.';
            ++points;
        } else if (!(c == '-' && i == 0)) {
            return false;
        }
    }
    if (digits == 0 || points > 1 || digits > 15) return false;
    number = std::strtod(plain.c_str(), nullptr);
    return std::isfinite(number);
}

// Rows owned by the cursor (table and column lists).
class CListCursor : public CDbCursor {
public:
    CListCursor(std::vector<std::string> fieldNames, std::vector<std::vector<CDbValue>> listRows)
        : rows(std::move(listRows)) {
        names = std::move(fieldNames);
    }
    bool Fetch() override {
        if (next >= rows.size()) return false;
        values = rows[next++];
        return true;
    }
    void Rewind() override { next = 0; }
    long long KnownCount() override { return static_cast<long long>(rows.size()); }

private:
    std::vector<std::vector<CDbValue>> rows;
    size_t next = 0;
};

// Named columns of a table held by the connection, which outlives its row sets.
class CTableCursor : public CDbCursor {
public:
    CTableCursor(const CFileTable& source, std::vector<std::string> fieldNames, std::vector<int> fieldColumns)
        : table(source), columns(std::move(fieldColumns)) {
        names = std::move(fieldNames);
        values.resize(columns.size());
    }
    bool Fetch() override {
        if (next >= table.rows.size()) return false;
        const std::vector<CDbValue>& row = table.rows[next++];
        for (size_t i = 0; i < columns.size(); ++i) {
            const size_t column = static_cast<size_t>(columns[i]);
            if (column < row.size())
                values[i] = row[column];
            else
                values[i].SetNull();
        }
        return true;
    }
    void Rewind() override { next = 0; }
    long long KnownCount() override { return static_cast<long long>(table.rows.size()); }

private:
    const CFileTable& table;
    std::vector<int> columns;
    size_t next = 0;
};

CDbValue TextValue(const std::string& text) {
    CDbValue value;
    value.type = CDbValue::EType::Text;
    value.text = text;
    return value;
}

// Days from 0001-01-01 style civil dates (proleptic Gregorian), after H. Hinnant.
void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool IsEmpty(const CDbValue& value) {
    return value.type == CDbValue::EType::Null;
}

} // namespace

// The rows of a sheet as a table: the first row with a value holds the names, the columns span
// from the first to the last column with a value, and the rows end with the last row holding one.
void CFileTables::BuildTable(std::vector<std::pair<long, std::vector<CDbValue>>>& cells, CFileTable& table) {
    size_t first = cells.size(), last = 0, low = 16384, high = 0;
    for (size_t r = 0; r < cells.size(); ++r)
        for (size_t c = 0; c < cells[r].second.size(); ++c)
            if (!IsEmpty(cells[r].second[c])) {
                first = std::min(first, r);
                last = r;
                low = std::min(low, c);
                high = std::max(high, c);
            }
    if (first == cells.size()) return;
    const size_t width = high - low + 1;
    auto cut = [&](std::vector<CDbValue>& row) {
        if (row.size() > high + 1) row.resize(high + 1);
        if (row.size() < low)
            row.clear();
        else
            row.erase(row.begin(), row.begin() + static_cast<long>(low));
        row.resize(width);
    };
    std::vector<CDbValue>& heading = cells[first].second;
    cut(heading);
    for (size_t c = 0; c < width; ++c) {
        std::string name;
        if (heading[c].type == CDbValue::EType::Text)
            name = heading[c].text;
        else if (heading[c].type == CDbValue::EType::Float64)
            name = CTool::Format("%.15g", heading[c].number);
        // A column without a name is called as the Excel driver calls it: F and its number.
        if (name.empty() || name.find_first_not_of(' ') == std::string::npos)
            name = CTool::Format("F%zu", c + 1);
        table.columns.push_back(name);
    }
    table.rows.reserve(static_cast<size_t>(cells[last].first - cells[first].first));
    long expected = cells[first].first + 1;
    for (size_t r = first + 1; r <= last; ++r) {
        // Empty rows between filled ones stay rows of the table.
        for (; expected < cells[r].first; ++expected)
            table.rows.emplace_back(width);
        cut(cells[r].second);
        table.rows.push_back(std::move(cells[r].second));
        expected = cells[r].first + 1;
    }
}

void CFileTables::SerialToDate(double serial, CDbValue& value) {
    value.type = CDbValue::EType::Date;
    value.year = 0;
    if (!std::isfinite(serial) || std::fabs(serial) > 3e6) return;
    // The fraction is the time of day also for days before 1899-12-30 (-1.25 is 29 Dec, 06:00).
    double days = std::trunc(serial);
    long long seconds = std::llround(std::fabs(serial - days) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += serial < 0 ? -1 : 1;
    }
    // 1899-12-30 is day -25569 of the Unix epoch.
    CivilFromDays(static_cast<long long>(days) - 25569, value.year, value.month, value.day);
    value.hour = static_cast<int>(seconds / 3600);
    value.minute = static_cast<int>(seconds / 60 % 60);
    value.second = static_cast<int>(seconds % 60);
    if (value.year < 1 || value.year > 9999) value.year = 0;
}

CFileTable* CFileTables::Find(const std::string& name) {
    for (CFileTable& table : tables)
        if (table.name == name) return &table;
    // Sheets are also named as "Blatt$", and names are compared in any letter case.
    std::string folded = Folded(name);
    if (folded.size() > 1 && folded.back() == '$') folded.pop_back();
    for (CFileTable& table : tables)
        if (Folded(table.name) == folded) return &table;
    return nullptr;
}

bool CFileTables::LoadAll(std::string& errorText) {
    for (CFileTable& table : tables)
        if (!table.loaded && !Load(table, errorText)) return false;
    return true;
}

bool CFileTables::Save(std::string& errorText) {
    errorText = ReadOnlyText();
    return false;
}

bool CFileTables::Begin(std::string& errorText) {
    errorText = ReadOnlyText();
    if (!errorText.empty()) return false;
    saved = tables;
    inTransaction = true;
    return true;
}

bool CFileTables::Commit(std::string& errorText) {
    if (!inTransaction) return true;
    bool changed = false;
    for (const CFileTable& table : tables)
        changed = changed || table.written;
    if (tables.size() != saved.size()) changed = true;
    if (changed && !Save(errorText)) return false;
    inTransaction = false;
    saved.clear();
    return true;
}

void CFileTables::Rollback() {
    if (!inTransaction) return;
    tables = std::move(saved);
    saved.clear();
    inTransaction = false;
}

bool CFileTables::Execute(const std::string& sql, std::string& errorText) {
    CSqlSubset statement;
    if (!statement.Parse(sql, errorText)) return false;
    const std::string readOnly = ReadOnlyText();
    if (statement.kind != CSqlSubset::EKind::Select && !readOnly.empty()) {
        errorText = readOnly;
        return false;
    }
    // Outside a transaction every statement is written at once, or not at all.
    const bool single = !inTransaction;
    if (single && !Begin(errorText)) return false;
    bool done = false;
    CFileTable* table = Find(statement.table);
    if (table && !table->loaded && !Load(*table, errorText)) {
        if (single) Rollback();
        return false;
    }
    switch (statement.kind) {
    case CSqlSubset::EKind::CreateTable:
    case CSqlSubset::EKind::AddColumn:
        if (!table && statement.kind == CSqlSubset::EKind::CreateTable) {
            // A sheet dropped and created again in one export keeps its place in the workbook.
            const size_t at = Folded(statement.table) == Folded(droppedName) ? droppedAt : tables.size();
            table = &*tables.emplace(tables.begin() + static_cast<long>(std::min(at, tables.size())));
            table->name = statement.table;
            table->loaded = true;
        }
        done = table != nullptr;
        for (size_t i = 0; done && i < statement.columns.size(); ++i) {
            if (ColumnIndex(*table, statement.columns[i]) >= 0) {
                errorText = Ansi("Die Spalte ") + statement.columns[i] + Ansi(" gibt es in der Tabelle ") +
                            table->name + Ansi(" schon.");
                done = false;
                break;
            }
            table->types.resize(table->columns.size());
            table->columns.push_back(statement.columns[i]);
            table->types.push_back(statement.types[i]);
            for (std::vector<CDbValue>& row : table->rows)
                row.resize(table->columns.size());
        }
        if (done) table->written = true;
        break;
    case CSqlSubset::EKind::DropTable:
        done = table != nullptr;
        if (done) {
            droppedName = table->name;
            droppedAt = static_cast<size_t>(table - tables.data());
            tables.erase(tables.begin() + static_cast<long>(droppedAt));
        }
        break;
    case CSqlSubset::EKind::Insert:
        done = table && Insert(*table, statement, errorText);
        break;
    case CSqlSubset::EKind::Select:
        errorText = Ansi("Eine Abfrage liefert Zeilen und wird nicht als Anweisung ausgeführt.");
        break;
    }
    if (!done && errorText.empty())
        errorText = Ansi("Die Tabelle ") + statement.table + Ansi(" gibt es in der Datei nicht.");
    if (single) {
        if (done) return Commit(errorText) || (Rollback(), false);
        Rollback();
    }
    return done;
}

bool CFileTables::Insert(CFileTable& table, const CSqlSubset& statement, std::string& errorText) {
    if (table.rows.size() + 1 >= MaxRows()) {
        errorText =
            CTool::Format(Ansi("Die Tabelle %s fasst höchstens %zu Zeilen (mit der Überschrift).").c_str(),
                          table.name.c_str(), MaxRows());
        return false;
    }
    std::vector<CDbValue> row(table.columns.size());
    table.types.resize(table.columns.size());
    for (size_t i = 0; i < statement.columns.size(); ++i) {
        const int column = ColumnIndex(table, statement.columns[i]);
        if (column < 0) {
            errorText = Ansi("Die Spalte ") + statement.columns[i] + Ansi(" gibt es in der Tabelle ") +
                        table.name + Ansi(" nicht.");
            return false;
        }
        const CSqlSubset::CLiteral& literal = statement.values[i];
        if (literal.isNull) continue;
        if (literal.text.size() > MaxTextLength()) {
            errorText = CTool::Format(
                Ansi("Der Wert der Spalte %s hat %zu Zeichen; eine Zelle fasst höchstens %zu.").c_str(),
                statement.columns[i].c_str(), literal.text.size(), MaxTextLength());
            return false;
        }
        CDbValue& value = row[static_cast<size_t>(column)];
        if (NumericColumn(table, static_cast<size_t>(column)) &&
            ParsePlainNumber(literal.text, value.number)) {
            value.type = CDbValue::EType::Float64;
        } else {
            value = TextValue(literal.text);
        }
    }
    table.rows.push_back(std::move(row));
    table.written = true;
    return true;
}

std::unique_ptr<CDbCursor> CFileTables::Query(const std::string& sql, std::string& errorText) {
    CSqlSubset statement;
    if (!statement.Parse(sql, errorText)) return nullptr;
    if (statement.kind != CSqlSubset::EKind::Select) {
        errorText = Ansi("Nur SELECT liefert Zeilen: ") + sql;
        return nullptr;
    }
    CFileTable* table = Find(statement.table);
    if (!table) {
        errorText = Ansi("Die Tabelle ") + statement.table + Ansi(" gibt es in der Datei nicht.");
        return nullptr;
    }
    if (!table->loaded && !Load(*table, errorText)) return nullptr;
    if (!table->loadError.empty()) {
        errorText = table->loadError;
        return nullptr;
    }
    std::vector<int> columns;
    for (const std::string& name : statement.columns) {
        const int column = ColumnIndex(*table, name);
        if (column < 0) {
            errorText =
                Ansi("Die Spalte ") + name + Ansi(" gibt es in der Tabelle ") + table->name + Ansi(" nicht.");
            return nullptr;
        }
        columns.push_back(column);
    }
    return std::make_unique<CTableCursor>(*table, statement.columns, std::move(columns));
}

std::unique_ptr<CDbCursor> CFileTables::Tables(std::string&) {
    std::vector<std::vector<CDbValue>> rows;
    for (const CFileTable& table : tables)
        rows.push_back({TextValue(table.name), TextValue("TABLE")});
    return std::make_unique<CListCursor>(std::vector<std::string>{"TABLE_NAME", "TABLE_TYPE"},
                                         std::move(rows));
}

std::unique_ptr<CDbCursor> CFileTables::Columns(const std::string& name, std::string& errorText) {
    std::vector<std::vector<CDbValue>> rows;
    for (CFileTable& table : tables) {
        if (!name.empty() && &table != Find(name)) continue;
        if (!table.loaded && !Load(table, errorText)) return nullptr;
        for (const std::string& column : table.columns)
            rows.push_back({TextValue(table.name), TextValue(column)});
    }
    return std::make_unique<CListCursor>(std::vector<std::string>{"TABLE_NAME", "COLUMN_NAME"},
                                         std::move(rows));
}
