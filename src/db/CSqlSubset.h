#pragma once

#include <string>
#include <vector>

// One statement of the few forms the database engine generates, for back ends that carry them
// out themselves (workbooks, Access files): CREATE TABLE, ALTER TABLE ... ADD, DROP TABLE,
// INSERT INTO and SELECT of named columns FROM one table. Anything else is refused, so that no
// statement is half understood.
class CSqlSubset {
public:
    enum class EKind { CreateTable, AddColumn, DropTable, Insert, Select };

    struct CLiteral {
        bool isNull = true;
        std::string text;
    };

    // False with a German errorText naming what was not understood.
    bool Parse(const std::string& sql, std::string& errorText);

    EKind kind = EKind::Select;
    std::string table;
    std::vector<std::string> columns; // names without brackets or quotes
    std::vector<std::string> types;   // CreateTable, AddColumn: one per column
    std::vector<CLiteral> values;     // Insert: one per column

private:
    bool ParseCreate(std::string rest, std::string& errorText);
    bool ParseInsert(std::string rest, std::string& errorText);
    bool ParseSelect(std::string rest, std::string& errorText);
};
