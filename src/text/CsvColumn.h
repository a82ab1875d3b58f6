#pragma once

#include <string>

// One column of a delimited-text layout.
struct CsvColumn {
    std::string name;       // the program's column name; empty for an extra field of an input file
    std::string heading;    // text of the heading line
    int selected = 1;       // 1 = written and read; anything else = ignored
    int position = 0;       // 0-based place in the line (on import: the field number)
    std::string value;      // value in the current record
    std::string fixedValue; // "Wert: " of the layout; replaces the supplied value on writing
    std::string supplied;   // on writing, the text before quoting; kept only while "#n" values refer to it
    bool placedByLayout = false; // the layout file gave its position
};
