#include "db/CXlsxConnection.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "core/CTargetFile.h"
#include "core/CTool.h"
#include "db/CXlsxWriter.h"

#include <expat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

namespace {

// Receives the elements of one XML part by their local names (any namespace prefix removed).
class CXmlHandler {
public:
    virtual ~CXmlHandler() = default;
    virtual void Start(const char* name, const char** attributes) = 0;
    virtual void End(const char* name) = 0;
    virtual void Text(const char*, int) {}
};

const char* LocalName(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

const char* Attribute(const char** attributes, const char* name) {
    for (int i = 0; attributes[i]; i += 2)
        if (std::strcmp(LocalName(attributes[i]), name) == 0) return attributes[i + 1];
    return nullptr;
}

// Parses one part of the archive in pieces; false with errorText when it is missing or broken.
bool ParsePart(zip* archive, const std::string& part, CXmlHandler& handler, std::string& errorText) {
    zip_file_t* file = zip_fopen(archive, part.c_str(), 0);
    if (!file) {
        errorText = Ansi("Der Teil ") + part + Ansi(" fehlt in der Arbeitsmappe: ") + zip_strerror(archive);
        return false;
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &handler);
    XML_SetElementHandler(
        parser,
        [](void* user, const XML_Char* name, const XML_Char** attributes) {
            static_cast<CXmlHandler*>(user)->Start(LocalName(name), attributes);
        },
        [](void* user, const XML_Char* name) { static_cast<CXmlHandler*>(user)->End(LocalName(name)); });
    XML_SetCharacterDataHandler(parser, [](void* user, const XML_Char* text, int length) {
        static_cast<CXmlHandler*>(user)->Text(text, length);
    });
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        const zip_int64_t read = zip_fread(file, buffer.data(), buffer.size());
        if (read < 0) {
            errorText = Ansi("Der Teil ") + part + Ansi(" der Arbeitsmappe ist beschädigt: ") +
                        zip_file_strerror(file);
            ok = false;
            break;
        }
        if (XML_Parse(parser, buffer.data(), static_cast<int>(read), read == 0) == XML_STATUS_ERROR) {
            errorText = CTool::Format(
                Ansi("Der Teil %s der Arbeitsmappe ist kein gültiges XML (Zeile %lu: %s).").c_str(),
                part.c_str(), static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                XML_ErrorString(XML_GetErrorCode(parser)));
            ok = false;
            break;
        }
        if (read == 0) break;
    }
    XML_ParserFree(parser);
    zip_fclose(file);
    return ok;
}

// Texts in a workbook may hold "_x000D_" for characters XML cannot carry.
std::string Unescaped(const std::string& utf8) {
    if (utf8.find("_x") == std::string::npos) return CCodePage::Utf8ToAnsi(utf8);
    std::string plain;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8.compare(i, 2, "_x") == 0 && i + 6 < utf8.size() && utf8[i + 6] == '_' &&
            std::all_of(utf8.begin() + static_cast<long>(i) + 2, utf8.begin() + static_cast<long>(i) + 6,
                        [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
            const unsigned code =
                static_cast<unsigned>(std::strtoul(utf8.substr(i + 2, 4).c_str(), nullptr, 16));
            if (code < 0x80) {
                plain += static_cast<char>(code);
                i += 6;
                continue;
            }
        }
        plain += utf8[i];
    }
    return CCodePage::Utf8ToAnsi(plain);
}

// Collects the text of <t> elements (not those of phonetic hints) per item element.
class CTextCollector : public CXmlHandler {
public:
    explicit CTextCollector(std::vector<std::string>& target) : items(target) {}
    void Start(const char* name, const char**) override {
        if (std::strcmp(name, "si") == 0) current.clear();
        if (std::strcmp(name, "rPh") == 0) inPhonetic = true;
        if (std::strcmp(name, "t") == 0) inText = !inPhonetic;
    }
    void End(const char* name) override {
        if (std::strcmp(name, "si") == 0) items.push_back(Unescaped(current));
        if (std::strcmp(name, "rPh") == 0) inPhonetic = false;
        if (std::strcmp(name, "t") == 0) inText = false;
    }
    void Text(const char* text, int length) override {
        if (inText) current.append(text, static_cast<size_t>(length));
    }

private:
    std::vector<std::string>& items;
    std::string current;
    bool inText = false;
    bool inPhonetic = false;
};

// A number format shows a date or a time when it holds d, m, y, h or s outside quotes, brackets
// and escapes ("[$€-407]", "\"WAHR\"" and "0.0%" do not).
bool IsDateFormat(int id, const std::string& code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(code[i])));
        if (c == '"') {
            i = code.find('"', i + 1);
            if (i == std::string::npos) return false;
        } else if (c == '[') {
            size_t close = code.find(']', i);
            if (close == std::string::npos) return false;
            const std::string inside = code.substr(i + 1, close - i - 1);
            if (inside == "h" || inside == "hh" || inside == "m" || inside == "mm" || inside == "s" ||
                inside == "ss")
                return true;
            i = close;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 's') {
            return true;
        } else if (c == 'g' && code.compare(i, 7, "General") == 0) {
            i += 6;
        }
    }
    return false;
}

class CStylesHandler : public CXmlHandler {
public:
    void Start(const char* name, const char** attributes) override {
        if (std::strcmp(name, "numFmt") == 0) {
            const char* id = Attribute(attributes, "numFmtId");
            const char* code = Attribute(attributes, "formatCode");
            if (id && code) formats[std::atoi(id)] = code;
        } else if (std::strcmp(name, "cellXfs") == 0) {
            inCellFormats = true;
        } else if (inCellFormats && std::strcmp(name, "xf") == 0) {
            const char* id = Attribute(attributes, "numFmtId");
            const int formatId = id ? std::atoi(id) : 0;
            auto found = formats.find(formatId);
            dates.push_back(IsDateFormat(formatId, found == formats.end() ? std::string() : found->second));
        }
    }
    void End(const char* name) override {
        if (std::strcmp(name, "cellXfs") == 0) inCellFormats = false;
    }

    std::map<int, std::string> formats;
    std::vector<bool> dates;

private:
    bool inCellFormats = false;
};

// Sheets by name and relationship id, and the date system.
class CWorkbookHandler : public CXmlHandler {
public:
    void Start(const char* name, const char** attributes) override {
        if (std::strcmp(name, "sheet") == 0) {
            const char* sheetName = Attribute(attributes, "name");
            const char* id = Attribute(attributes, "id");
            if (sheetName && id) sheets.emplace_back(Unescaped(sheetName), id);
        } else if (std::strcmp(name, "workbookPr") == 0) {
            const char* system = Attribute(attributes, "date1904");
            date1904 = system && (std::strcmp(system, "1") == 0 || std::strcmp(system, "true") == 0);
        }
    }
    void End(const char*) override {}

    std::vector<std::pair<std::string, std::string>> sheets;
    bool date1904 = false;
};

class CRelationsHandler : public CXmlHandler {
public:
    void Start(const char* name, const char** attributes) override {
        if (std::strcmp(name, "Relationship") != 0) return;
        const char* id = Attribute(attributes, "Id");
        const char* target = Attribute(attributes, "Target");
        const char* type = Attribute(attributes, "Type");
        if (id && target) targets[id] = target;
        const size_t length = type ? std::strlen(type) : 0;
        if (target && length > 15 && std::strcmp(type + length - 15, "/officeDocument") == 0)
            document = target;
    }
    void End(const char*) override {}

    std::map<std::string, std::string> targets;
    std::string document;
};

// "xl/" + "worksheets/sheet1.xml", "/xl/worksheets/sheet1.xml" or "../x.xml" relative to a folder.
std::string PartPath(const std::string& folder, const std::string& target) {
    if (!target.empty() && target[0] == '/') return target.substr(1);
    std::string base = folder;
    std::string rest = target;
    while (rest.compare(0, 3, "../") == 0) {
        rest = rest.substr(3);
        size_t slash = base.find_last_of('/', base.size() >= 2 ? base.size() - 2 : 0);
        base = slash == std::string::npos ? std::string() : base.substr(0, slash + 1);
    }
    return base + rest;
}

// Column letters of a cell reference ("AB12") as a 0-based index; -1 when there are none.
int ColumnOf(const char* reference) {
    int column = 0;
    int letters = 0;
    for (; *reference >= 'A' && *reference <= 'Z'; ++reference, ++letters)
        column = column * 26 + (*reference - 'A' + 1);
    return letters == 0 || letters > 3 ? -1 : column - 1;
}

// Reads the cells of one worksheet into rows of typed values.
class CSheetHandler : public CXmlHandler {
public:
    CSheetHandler(const std::vector<std::string>& strings, const std::vector<bool>& dateStyles,
                  bool system1904)
        : shared(strings), dates(dateStyles), date1904(system1904) {}

    void Start(const char* name, const char** attributes) override {
        if (std::strcmp(name, "row") == 0) {
            const char* number = Attribute(attributes, "r");
            row = number ? std::atol(number) - 1 : row + 1;
            column = -1;
        } else if (std::strcmp(name, "c") == 0) {
            const char* reference = Attribute(attributes, "r");
            column = reference ? ColumnOf(reference) : column + 1;
            const char* type = Attribute(attributes, "t");
            cellType = type ? type : "n";
            const char* style = Attribute(attributes, "s");
            styleIndex = style ? std::atoi(style) : 0;
            text.clear();
            hasValue = false;
            hasFormula = false;
        } else if (std::strcmp(name, "v") == 0 || (std::strcmp(name, "t") == 0 && cellType == "inlineStr")) {
            collecting = true;
            hasValue = true;
        } else if (std::strcmp(name, "f") == 0) {
            hasFormula = true;
        } else if (std::strcmp(name, "rPh") == 0) {
            inPhonetic = true;
        } else if (std::strcmp(name, "mergeCell") == 0) {
            const char* reference = Attribute(attributes, "ref");
            if (merged.empty() && reference) merged = reference;
        }
    }

    void End(const char* name) override {
        if (std::strcmp(name, "v") == 0 || std::strcmp(name, "t") == 0) {
            collecting = false;
        } else if (std::strcmp(name, "rPh") == 0) {
            inPhonetic = false;
        } else if (std::strcmp(name, "c") == 0) {
            if (hasFormula) formulas = true;
            TakeCell();
        }
    }

    void Text(const char* data, int length) override {
        if (collecting && !inPhonetic) text.append(data, static_cast<size_t>(length));
    }

    std::vector<std::pair<long, std::vector<CDbValue>>> rows; // sheet row index and its cells
    std::string merged;                                       // the first merged range, if any
    std::string error;
    bool formulas = false;
    bool errorCells = false;

private:
    void TakeCell() {
        if (row < 0 || column < 0 || row >= 1048576 || column >= 16384) {
            if (error.empty()) error = Ansi("Eine Zelle der Arbeitsmappe hat keine gültige Position.");
            return;
        }
        CDbValue value;
        if (!hasValue) {
            // A formula whose result was never stored cannot be read as a value.
            if (!hasFormula) return;
            value.type = CDbValue::EType::Other;
        } else if (cellType == "s") {
            char* end = nullptr;
            const unsigned long index = std::strtoul(text.c_str(), &end, 10);
            if (*end || index >= shared.size()) {
                if (error.empty())
                    error = Ansi("Eine Zelle verweist auf einen gemeinsamen Text, den es nicht gibt.");
                return;
            }
            value.type = CDbValue::EType::Text;
            value.text = shared[index];
        } else if (cellType == "inlineStr" || cellType == "str") {
            value.type = CDbValue::EType::Text;
            value.text = Unescaped(text);
        } else if (cellType == "b") {
            value.type = CDbValue::EType::Boolean;
            value.integer = text == "1" || text == "true" ? 1 : 0;
        } else if (cellType == "e") {
            value.type = CDbValue::EType::Other; // #DIV/0!, #NV, ...
            value.text = text;
            errorCells = true;
        } else if (cellType == "d") {
            if (!IsoDate(value)) value.type = CDbValue::EType::Other;
        } else {
            char* end = nullptr;
            const double number = std::strtod(text.c_str(), &end);
            if (text.empty() || *end) {
                if (error.empty()) error = Ansi("Eine Zelle enthält keine gültige Zahl: ") + text;
                return;
            }
            if (styleIndex >= 0 && static_cast<size_t>(styleIndex) < dates.size() &&
                dates[static_cast<size_t>(styleIndex)]) {
                SerialDate(number, value);
            } else {
                value.type = CDbValue::EType::Float64;
                value.number = number;
            }
        }
        if (rows.empty() || rows.back().first != row) rows.emplace_back(row, std::vector<CDbValue>());
        std::vector<CDbValue>& cells = rows.back().second;
        if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
        cells[static_cast<size_t>(column)] = std::move(value);
    }

    // Excel counts 1900 as a leap year: serial 60 is a 29 February that never was, and the days
    // before it are one day later than the plain count from 30 December 1899.
    void SerialDate(double serial, CDbValue& value) const {
        if (date1904)
            serial += 1462;
        else if (serial < 61 && serial >= 60)
            serial = -1e9;
        else if (serial < 60 && serial >= 1)
            serial += 1;
        CFileTables::SerialToDate(serial, value);
    }

    bool IsoDate(CDbValue& value) const {
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &s) < 3) return false;
        value.type = CDbValue::EType::Date;
        value.year = y, value.month = mo, value.day = d, value.hour = h, value.minute = mi, value.second = s;
        return true;
    }

    const std::vector<std::string>& shared;
    const std::vector<bool>& dates;
    bool date1904;
    long row = -1;
    int column = -1;
    std::string cellType;
    int styleIndex = 0;
    std::string text;
    bool collecting = false;
    bool hasValue = false;
    bool hasFormula = false;
    bool inPhonetic = false;
};

bool IsKeptPart(const std::string& name) {
    static const char* const kept[] = {"[Content_Types].xml",  "_rels/",          "docProps/",
                                       "xl/workbook.xml",      "xl/_rels/",       "xl/worksheets/",
                                       "xl/sharedStrings.xml", "xl/styles.xml",   "xl/theme/",
                                       "xl/printerSettings/",  "xl/calcChain.xml"};
    for (const char* part : kept)
        if (name.compare(0, std::strlen(part), part) == 0) return true;
    return name.back() == '/';
}

} // namespace

std::unique_ptr<CDbConnection> CXlsxConnection::Open(const std::string& path, std::string& errorText) {
    if (path.empty() || !CPlatform::FileExists(path) || CPlatform::IsDirectory(path)) {
        errorText = Ansi("Die Arbeitsmappe existiert nicht: ") + path;
        return nullptr;
    }
    std::unique_ptr<CXlsxConnection> connection(new CXlsxConnection(path));
    if (CPlatform::FileSize(path) == 0) return connection;
    char magic[8] = {};
    if (std::FILE* file = CPlatform::OpenFile(path, "rb")) {
        std::fread(magic, 1, sizeof magic, file);
        std::fclose(file);
    }
    if (std::memcmp(magic, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) {
        errorText =
            Ansi("Die Datei ist keine Excel-2007-Arbeitsmappe (.xlsx), sondern eine verschlüsselte "
                 "(kennwortgeschützte) Arbeitsmappe oder eine im alten Format (.xls). Pelko liest keine "
                 "verschlüsselten Arbeitsmappen; speichern Sie sie ohne Kennwort.");
        return nullptr;
    }
    int code = 0;
    connection->archive = zip_open(CCodePage::AnsiToUtf8(path).c_str(), ZIP_RDONLY, &code);
    if (!connection->archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        errorText = (code == ZIP_ER_NOZIP
                         ? Ansi("Die Datei ist keine Excel-Arbeitsmappe (keine vollständige ZIP-Datei): ")
                         : Ansi("Die Arbeitsmappe kann nicht gelesen werden: ")) +
                    zip_error_strerror(&error);
        zip_error_fini(&error);
        return nullptr;
    }
    if (!connection->ReadWorkbook(errorText)) return nullptr;
    return connection;
}

bool CXlsxConnection::CreateFile(const std::string& path, std::string& errorText) {
    std::FILE* file = CPlatform::OpenFile(path, "wb");
    if (!file || std::fclose(file) != 0) {
        errorText = Ansi("Die Datei kann nicht angelegt werden: ") + path;
        return false;
    }
    return true;
}

CXlsxConnection::~CXlsxConnection() {
    if (archive) zip_discard(archive);
}

bool CXlsxConnection::ReadWorkbook(std::string& errorText) {
    CRelationsHandler package;
    std::string ignored;
    std::string workbookPart = "xl/workbook.xml";
    if (ParsePart(archive, "_rels/.rels", package, ignored) && !package.document.empty())
        workbookPart = PartPath("", package.document);
    if (zip_name_locate(archive, workbookPart.c_str(), 0) < 0) {
        errorText = Ansi("Die ZIP-Datei ist keine Excel-Arbeitsmappe (") + workbookPart + Ansi(" fehlt).");
        return false;
    }
    const std::string folder = workbookPart.substr(0, workbookPart.find_last_of('/') + 1);
    const std::string relationsPart = folder + "_rels/" + workbookPart.substr(folder.size()) + ".rels";
    CWorkbookHandler workbook;
    CRelationsHandler relations;
    if (!ParsePart(archive, workbookPart, workbook, errorText) ||
        !ParsePart(archive, relationsPart, relations, errorText))
        return false;
    date1904 = workbook.date1904;
    for (const auto& [name, id] : workbook.sheets) {
        auto target = relations.targets.find(id);
        if (target == relations.targets.end()) {
            errorText = Ansi("Das Tabellenblatt ") + name + Ansi(" hat keinen Teil in der Arbeitsmappe.");
            return false;
        }
        sheetParts[name] = PartPath(folder, target->second);
        CFileTable table;
        table.name = name;
        tables.push_back(table);
    }
    for (const auto& [id, target] : relations.targets) {
        const std::string part = PartPath(folder, target);
        if (part.find("sharedStrings") != std::string::npos) {
            CTextCollector strings(sharedStrings);
            if (!ParsePart(archive, part, strings, errorText)) return false;
        }
    }
    if (!ReadStyles(errorText)) return false;
    const zip_int64_t entries = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (name && *name && !IsKeptPart(name))
            unkeptParts += (unkeptParts.empty() ? "" : ", ") + std::string(name);
    }
    return true;
}

bool CXlsxConnection::ReadStyles(std::string& errorText) {
    if (zip_name_locate(archive, "xl/styles.xml", 0) < 0) return true;
    CStylesHandler styles;
    if (!ParsePart(archive, "xl/styles.xml", styles, errorText)) return false;
    dateStyles = std::move(styles.dates);
    return true;
}

bool CXlsxConnection::Load(CFileTable& table, std::string& errorText) {
    auto part = sheetParts.find(table.name);
    if (!archive || part == sheetParts.end()) {
        table.loaded = true;
        return true;
    }
    CSheetHandler sheet(sharedStrings, dateStyles, date1904);
    if (!ParsePart(archive, part->second, sheet, errorText)) return false;
    if (!sheet.error.empty()) {
        errorText = Ansi("Tabellenblatt ") + table.name + ": " + sheet.error;
        return false;
    }
    BuildTable(sheet.rows, table);
    table.loaded = true;
    if (!sheet.merged.empty())
        table.loadError =
            Ansi("Das Tabellenblatt ") + table.name + Ansi(" enthält verbundene Zellen (") + sheet.merged +
            Ansi("). Pelko liest es nicht als Tabelle: heben Sie die Verbindung auf, damit jede "
                 "Zeile ihre Werte selbst trägt.");
    if (sheet.formulas) table.notKept = Ansi("Formeln im Tabellenblatt ") + table.name;
    if (sheet.errorCells) table.notKept = Ansi("Fehlerwerte im Tabellenblatt ") + table.name;
    return true;
}

bool CXlsxConnection::Save(std::string& errorText) {
    if (!LoadAll(errorText)) return false;
    std::string lost = unkeptParts;
    for (const CFileTable& table : tables)
        if (!table.notKept.empty()) lost += (lost.empty() ? "" : ", ") + table.notKept;
    if (!lost.empty()) {
        errorText = Ansi("Die Arbeitsmappe enthält, was Pelko beim Schreiben nicht erhalten kann (") + lost +
                    Ansi("). Sie bleibt unverändert; exportieren Sie in eine eigene Arbeitsmappe.");
        return false;
    }
    // The whole workbook is written to a temporary file and then replaces the target the way
    // every target is replaced: a failure leaves the previous workbook as it was.
    std::string staging = (std::filesystem::temp_directory_path() / "pelko-mappe-XXXXXX").string();
    const int fd = mkstemp(staging.data());
    if (fd < 0) {
        errorText = Ansi("Für die Arbeitsmappe kann keine temporäre Datei angelegt werden.");
        return false;
    }
    close(fd);
    staging = CCodePage::Utf8ToAnsi(staging);
    bool written = CXlsxWriter::Write(staging, tables, errorText);
    CTargetFile target;
    if (written && !target.Open(path)) {
        errorText = Ansi("Die Arbeitsmappe kann nicht ersetzt werden: ") + path;
        written = false;
    }
    if (written) {
        std::FILE* file = CPlatform::OpenFile(staging, "rb");
        char buffer[1 << 16];
        for (size_t n; file && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            target.Write(std::string_view(buffer, n));
        written = file && !std::ferror(file) && target.Commit();
        if (file) std::fclose(file);
        if (!written) errorText = Ansi("Die Arbeitsmappe konnte nicht geschrieben werden: ") + path;
    }
    CPlatform::RemoveFile(staging);
    if (!written) return false;
    // The archive read before belongs to the replaced file; every table is in memory now.
    if (archive) zip_discard(archive);
    archive = nullptr;
    sheetParts.clear();
    unkeptParts.clear();
    for (CFileTable& table : tables)
        table.written = false;
    return true;
}
