#include "db/CADORecordset.h"

#include "core/CCodePage.h"
#include "core/CTool.h"
#include "db/CADODatabase.h"

#include <charconv>

namespace {

// Shortest text that reads back as the same number; a point stays when nothing follows it.
template <class T> std::string FloatText(T number) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number);
    std::string text(buffer, error == std::errc() ? end : buffer);
    if (text.find_first_of(".en") == std::string::npos) text += '.';
    return text;
}

// "50000000.2500" gives "50000000.25", "12.00" and "12" give "12.".
std::string DecimalText(std::string text) {
    size_t point = text.find('.');
    if (point == std::string::npos) return text + '.';
    while (text.size() > point + 1 && text.back() == '0')
        text.pop_back();
    return text;
}

bool ValidDate(const CDbValue& v) {
    return v.year >= 1 && v.year <= 9999 && v.month >= 1 && v.month <= 12 && v.day >= 1 && v.day <= 31 &&
           v.hour >= 0 && v.hour < 24 && v.minute >= 0 && v.minute < 60 && v.second >= 0 && v.second < 62;
}

} // namespace

CADORecordset::CADORecordset(CADODatabase& databaseRef) : database(databaseRef) {}

bool CADORecordset::Take(std::unique_ptr<CDbCursor> cursor) {
    if (!cursor) return false;
    rows = std::move(cursor);
    atEnd = !rows->Fetch();
    return true;
}

bool CADORecordset::Open(const std::function<std::unique_ptr<CDbCursor>(CDbConnection&)>& open) {
    CloseRows();
    CDbConnection* connection = database.GetConnection();
    if (!connection) {
        errorText = Ansi("Die Datenbank ist nicht verbunden.");
        return false;
    }
    try {
        return Take(open(*connection));
    } catch (const CDbError& error) {
        errorText = error.what();
        return false;
    }
}

bool CADORecordset::OpenQuery(const std::string& sql) {
    query = sql;
    return Open([&](CDbConnection& connection) { return connection.Query(sql, errorText); });
}

bool CADORecordset::OpenTableList() {
    return Open([&](CDbConnection& connection) { return connection.Tables(errorText); });
}

bool CADORecordset::OpenColumnList(const std::string& table) {
    return Open([&](CDbConnection& connection) { return connection.Columns(table, errorText); });
}

void CADORecordset::NextRow() {
    if (rows && !atEnd) atEnd = !rows->Fetch();
}

int CADORecordset::CountRecords() {
    if (!rows) return 0;
    long long count = rows->KnownCount();
    if (count < 0) {
        rows->Rewind();
        for (count = 0; rows->Fetch(); ++count) {
        }
        rows->Rewind();
        atEnd = !rows->Fetch();
    }
    return count > 0x7fffffff ? 0x7fffffff : static_cast<int>(count);
}

int CADORecordset::FieldCount() const {
    return rows ? static_cast<int>(rows->Names().size()) : 0;
}

int CADORecordset::FieldIndex(const std::string& name) const {
    for (int i = 0; i < FieldCount(); ++i)
        if (rows->Names()[static_cast<size_t>(i)] == name) return i;
    return -1;
}

const CDbValue* CADORecordset::FieldValue(int index) const {
    if (atEnd || index < 0 || index >= FieldCount()) return nullptr;
    return &rows->Values()[static_cast<size_t>(index)];
}

bool CADORecordset::FieldText(const std::string& name, std::string& text) const {
    return FieldText(FieldIndex(name), text);
}

bool CADORecordset::FieldText(int index, std::string& text) const {
    const CDbValue* value = FieldValue(index);
    return value && ValueText(*value, text);
}

void CADORecordset::CloseRows() {
    rows.reset();
    atEnd = true;
}

bool CADORecordset::ValueText(const CDbValue& value, std::string& text) {
    using T = CDbValue::EType;
    switch (value.type) {
    case T::Null:
        text.clear();
        return true;
    case T::Integer:
        text = std::to_string(value.integer);
        return true;
    case T::Float32:
        text = FloatText(static_cast<float>(value.number));
        return true;
    case T::Float64:
        text = FloatText(value.number);
        return true;
    case T::Decimal:
        text = DecimalText(value.text);
        return true;
    case T::Date:
        text = ValidDate(value) ? CTool::Format("%04d-%02d-%02d %02d:%02d:%02d", value.year, value.month,
                                                value.day, value.hour, value.minute, value.second)
                                : "Invalid DateTime";
        return true;
    case T::Text:
        text = value.text;
        return true;
    case T::Boolean:
        text.assign(1, value.integer ? 'T' : 'F');
        return true;
    default:
        return false;
    }
}
