#pragma once

#include <string>
#include <string_view>
#include <vector>

// The texts of one KNE record as DATEV's character table holds them. A control byte inside a
// text would end or start a field (0x1C, 0x1E), so it becomes a blank; a character the table
// lacks becomes "?". What was replaced is named in one HINWEIS line per record.
class CKneText {
public:
    // Control bytes of the Windows-1252 value become blanks.
    std::string Blanked(const std::string& value, const std::string& field);
    // The value in the OEM table.
    std::string ToOem(const std::string& value, const std::string& field);
    // Blanked, checked and cut by `CDatev::CheckValue`, then in the OEM table: a view of value where
    // nothing changes it, else of a text of this object, valid until the next call.
    std::string_view Checked(std::string& messages, int recordNumber, const char* field,
                             std::string_view value, size_t minimum, size_t maximum, bool digitsOnly);
    // Appends the HINWEIS line of the record when anything was replaced, and starts over.
    void Report(std::string& messages, int recordNumber);

private:
    struct CNote {
        std::string field;
        std::string controls; // the control bytes found, each once
        std::string missing;  // the characters without an OEM form, each once
    };
    CNote& Note(const std::string& field);

    std::vector<CNote> notes;
    std::string checked;
};
