#include "db/CSqlSubset.h"

#include "core/CCodePage.h"

#include <cctype>

namespace {

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Case-insensitive test for a keyword phrase at the start; on success rest holds what follows.
bool Starts(const std::string& sql, const char* phrase, std::string& rest) {
    size_t i = 0;
    for (; phrase[i]; ++i)
        if (i >= sql.size() || std::toupper(static_cast<unsigned char>(sql[i])) != phrase[i]) return false;
    if (i < sql.size() && sql[i] != ' ' && sql[i] != '(' && sql[i] != '\t') return false;
    rest = sql.substr(i);
    return true;
}

// The text up to the closing character of a bracket or quote starting at i, or npos.
size_t Closing(const std::string& text, size_t i) {
    const char open = text[i];
    const char close = open == '[' ? ']' : open;
    for (size_t j = i + 1; j < text.size(); ++j) {
        if (text[j] != close) continue;
        if (open == '\'' && j + 1 < text.size() && text[j + 1] == '\'') {
            ++j;
            continue;
        }
        return j;
    }
    return std::string::npos;
}

// At a bracket or quote, moves i onto its closing character; false when there is none.
bool SkipQuoted(const std::string& text, size_t& i) {
    const char c = text[i];
    if (c != '[' && c != '"' && c != '`' && c != '\'') return true;
    i = Closing(text, i);
    return i != std::string::npos;
}

// Splits at commas outside brackets, quotes and parentheses; false when one is left open.
bool SplitList(const std::string& text, std::vector<std::string>& parts) {
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!SkipQuoted(text, i)) return false;
        const char c = text[i];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth < 0) return false;
        } else if (c == ',' && depth == 0) {
            parts.push_back(Trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    parts.push_back(Trim(text.substr(start)));
    return depth == 0;
}

// A name in brackets, double quotes or back quotes loses them; a plain name stays.
std::string Unquoted(const std::string& name) {
    if (name.size() >= 2 &&
        ((name.front() == '[' && name.back() == ']') || (name.front() == '"' && name.back() == '"') ||
         (name.front() == '`' && name.back() == '`')))
        return name.substr(1, name.size() - 2);
    return name;
}

// The list between the first "(" of text and its matching ")"; after receives what follows.
bool Parenthesized(const std::string& text, std::string& before, std::string& inside, std::string& after) {
    size_t open = text.find('(');
    if (open == std::string::npos) return false;
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (!SkipQuoted(text, i)) return false;
        const char c = text[i];
        if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            before = Trim(text.substr(0, open));
            inside = text.substr(open + 1, i - open - 1);
            after = Trim(text.substr(i + 1));
            return true;
        }
    }
    return false;
}

// "[Name] TYPE" or "Name TYPE".
bool SplitDefinition(const std::string& definition, std::string& name, std::string& type) {
    size_t end = 0;
    if (!definition.empty() && (definition[0] == '[' || definition[0] == '"' || definition[0] == '`')) {
        end = Closing(definition, 0);
        if (end == std::string::npos) return false;
        ++end;
    } else {
        end = definition.find_first_of(" \t");
        if (end == std::string::npos) end = definition.size();
    }
    name = Unquoted(definition.substr(0, end));
    type = Trim(definition.substr(end));
    return !name.empty();
}

} // namespace

bool CSqlSubset::Parse(const std::string& statement, std::string& errorText) {
    const std::string sql = Trim(statement);
    std::string rest;
    columns.clear();
    types.clear();
    values.clear();
    bool ok = false;
    if (Starts(sql, "CREATE TABLE", rest)) {
        kind = EKind::CreateTable;
        ok = ParseCreate(rest, errorText);
    } else if (Starts(sql, "ALTER TABLE", rest)) {
        kind = EKind::AddColumn;
        size_t add = rest.find(" ADD ");
        std::string name, type;
        if (add != std::string::npos && SplitDefinition(Trim(rest.substr(add + 5)), name, type)) {
            table = Trim(rest.substr(0, add));
            columns.push_back(name);
            types.push_back(type);
            ok = !table.empty();
        }
    } else if (Starts(sql, "DROP TABLE", rest)) {
        kind = EKind::DropTable;
        table = Unquoted(Trim(rest));
        ok = !table.empty();
    } else if (Starts(sql, "INSERT INTO", rest)) {
        kind = EKind::Insert;
        ok = ParseInsert(rest, errorText);
    } else if (Starts(sql, "SELECT", rest)) {
        kind = EKind::Select;
        ok = ParseSelect(rest, errorText);
    }
    if (!ok && errorText.empty())
        errorText =
            Ansi("Diese SQL-Anweisung kann Pelko hier nicht ausführen (nur CREATE TABLE, ALTER TABLE "
                 "... ADD, DROP TABLE, INSERT INTO und SELECT benannter Spalten FROM einer Tabelle): ") +
            sql;
    return ok;
}

bool CSqlSubset::ParseCreate(std::string rest, std::string&) {
    std::string inside, after;
    std::vector<std::string> definitions;
    if (!Parenthesized(rest, table, inside, after) || !after.empty() || table.empty() ||
        !SplitList(inside, definitions))
        return false;
    table = Unquoted(table);
    for (const std::string& definition : definitions) {
        std::string name, type;
        if (!SplitDefinition(definition, name, type)) return false;
        columns.push_back(name);
        types.push_back(type);
    }
    return true;
}

bool CSqlSubset::ParseInsert(std::string rest, std::string&) {
    std::string names, tail, list, after;
    std::vector<std::string> nameParts, valueParts;
    if (!Parenthesized(rest, table, names, tail) || table.empty() || !SplitList(names, nameParts))
        return false;
    table = Unquoted(table);
    std::string afterValues;
    if (!Starts(tail, "VALUES", afterValues)) return false;
    std::string nothing;
    if (!Parenthesized(afterValues, nothing, list, after) || !nothing.empty() || !after.empty() ||
        !SplitList(list, valueParts) || valueParts.size() != nameParts.size())
        return false;
    for (size_t i = 0; i < nameParts.size(); ++i) {
        columns.push_back(Unquoted(nameParts[i]));
        CLiteral literal;
        const std::string& value = valueParts[i];
        if (value.size() >= 2 && value.front() == '\'' && Closing(value, 0) == value.size() - 1) {
            literal.isNull = false;
            for (size_t j = 1; j + 1 < value.size(); ++j) {
                literal.text += value[j];
                if (value[j] == '\'') ++j;
            }
        } else if (value == "NULL" || value == "null") {
            literal.isNull = true;
        } else if (!value.empty() && value.find_first_of("'[]\"` ") == std::string::npos) {
            literal.isNull = false; // an unquoted number
            literal.text = value;
        } else {
            return false;
        }
        values.push_back(literal);
    }
    return true;
}

bool CSqlSubset::ParseSelect(std::string rest, std::string&) {
    // The last " FROM " outside brackets ends the column list.
    size_t from = std::string::npos;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (!SkipQuoted(rest, i)) return false;
        const char c = rest[i];
        if ((c == ' ' || c == '\t') && i + 6 <= rest.size()) {
            std::string word;
            if (Starts(rest.substr(i + 1), "FROM", word) && !word.empty() && word[0] == ' ') from = i;
        }
    }
    if (from == std::string::npos) return false;
    std::vector<std::string> names;
    if (!SplitList(rest.substr(0, from), names)) return false;
    for (const std::string& name : names) {
        const std::string column = Unquoted(name);
        if (name.empty() || (column == name && name.find_first_of("*()' ") != std::string::npos))
            return false;
        columns.push_back(column);
    }
    table = Trim(rest.substr(from + 6));
    if (table.empty()) return false;
    if (table.front() == '[' || table.front() == '"' || table.front() == '`') {
        if (Closing(table, 0) != table.size() - 1) return false;
    } else if (table.find_first_of("(),;'") != std::string::npos) {
        return false;
    }
    table = Unquoted(table);
    return true;
}
