#pragma once

#include "db/CDbConnection.h"

#include <functional>
#include <memory>
#include <string>

class CADODatabase;

// The rows of one query, table list or column list on a connected CADODatabase, walked forward.
// Opening catches every failure (result false, description in errorText); walking and counting
// throw CDbError, which ends a conversion with the run's exception message.
class CADORecordset {
public:
    explicit CADORecordset(CADODatabase& database);
    CADORecordset(const CADORecordset&) = delete;
    CADORecordset& operator=(const CADORecordset&) = delete;
    ~CADORecordset() { CloseRows(); }

    bool OpenQuery(const std::string& sql);
    // Fields "TABLE_NAME" (and more, as the back end reports them).
    bool OpenTableList();
    // Fields "TABLE_NAME" and "COLUMN_NAME"; a table name narrows the list where the back end can.
    bool OpenColumnList(const std::string& table = std::string());
    bool AtEnd() const { return atEnd; }
    void NextRow();
    // The number of rows; the row set stays on (or returns to) its first row.
    int CountRecords();
    // The field's value as text by its type; false (text unchanged) for a field that does not
    // exist and for a type without a text form.
    bool FieldText(const std::string& name, std::string& text) const;
    bool FieldText(int index, std::string& text) const;
    int FieldIndex(const std::string& name) const;
    int FieldCount() const;
    // The current row's value of a field, nullptr when there is none.
    const CDbValue* FieldValue(int index) const;
    void CloseRows();

    // Value to text: empty for NULL, digits for integers, floating-point numbers in general
    // notation with "." ("12." for twelve), dates as "2016-12-31 00:00:00", "T"/"F" for truth values.
    static bool ValueText(const CDbValue& value, std::string& text);

    std::string query;
    std::string errorText;

private:
    bool Open(const std::function<std::unique_ptr<CDbCursor>(CDbConnection&)>& open);
    bool Take(std::unique_ptr<CDbCursor> cursor);

    CADODatabase& database;
    std::unique_ptr<CDbCursor> rows;
    bool atEnd = true;
};
