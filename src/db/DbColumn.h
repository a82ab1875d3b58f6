#pragma once

#include "db/CDbValue.h"

#include <string>

// One column of a database layout.
struct DbColumn {
    std::string name;    // the program's column name; empty for a table column the import dialog added
    std::string dbName;  // name of the column in the table
    std::string sqlType; // type used when the column is created ("VARCHAR(40)", "INTEGER", "FLOAT", ...)
    int selected = 1;    // 1 = written, created and read; anything else = ignored
    int position = 0;    // place in the import dialog's list; no effect on any statement
    std::string value;   // value in the current record (escaped for SQL on export)

    // Import: the type the database delivered the value in, and its number when it is one.
    CDbValue::EType valueType = CDbValue::EType::Null;
    double number = 0.0;
    // Export: the width of its VARCHAR(n) type the value was cut to; -1 when it fitted.
    int cutWidth = -1;
};
