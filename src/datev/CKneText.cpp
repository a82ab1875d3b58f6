#include "datev/CKneText.h"

#include "core/CCodePage.h"
#include "core/CTool.h"
#include "datev/CDatev.h"

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == '\x7F';
}

void AddOnce(std::string& set, char c) {
    if (set.find(c) == std::string::npos) set += c;
}

} // namespace

CKneText::CNote& CKneText::Note(const std::string& field) {
    for (CNote& note : notes)
        if (note.field == field) return note;
    return notes.emplace_back(CNote{field, {}, {}});
}

std::string CKneText::Blanked(const std::string& value, const std::string& field) {
    std::string result = value;
    for (char& c : result)
        if (IsControl(c)) {
            AddOnce(Note(field).controls, c);
            c = ' ';
        }
    return result;
}

std::string CKneText::ToOem(const std::string& value, const std::string& field) {
    std::string oem = CCodePage::AnsiToOem(value);
    for (size_t i = 0; i < oem.size(); ++i)
        if (oem[i] == '?' && value[i] != '?') AddOnce(Note(field).missing, value[i]);
    return oem;
}

namespace {

// A value that every step of Checked leaves as it is: printable ASCII (the same in the OEM table),
// no blank at either end, not too short or long, digits where only digits may stand.
bool PassesUnchanged(std::string_view value, size_t minimum, size_t maximum, bool digitsOnly) {
    if (value.size() < minimum || value.size() > maximum) return false;
    if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) return false;
    for (char c : value)
        if (digitsOnly ? c < '0' || c > '9' : c < ' ' || c > '~') return false;
    return true;
}

} // namespace

std::string_view CKneText::Checked(std::string& messages, int recordNumber, const char* field,
                                   std::string_view value, size_t minimum, size_t maximum, bool digitsOnly) {
    if (PassesUnchanged(value, minimum, maximum, digitsOnly)) return value;
    const std::string name = field;
    checked = ToOem(CDatev::CheckValue(messages, recordNumber, name, Blanked(std::string(value), name),
                                       minimum, maximum, digitsOnly),
                    name);
    return checked;
}

void CKneText::Report(std::string& messages, int recordNumber) {
    if (notes.empty()) return;
    std::string line = CTool::Format(
        Ansi("HINWEIS: Zeile %d: Zeichen, die eine DATEV-Datei nicht aufnehmen kann, wurden ersetzt:")
            .c_str(),
        recordNumber);
    const char* separator = " ";
    for (const CNote& note : notes) {
        line += separator + ("Feld '" + note.field + "'");
        if (!note.missing.empty()) line += " '" + note.missing + "' durch '?'";
        if (!note.controls.empty()) {
            if (!note.missing.empty()) line += ",";
            for (char c : note.controls)
                line += CTool::Format(" 0x%02X", static_cast<unsigned char>(c));
            line += " durch Leerzeichen";
        }
        separator = "; ";
    }
    messages += line + "\r\n";
    notes.clear();
}
