#include "db/CXlsConnection.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "core/CTool.h"

#include <freexl.h>

#include <cstdio>

namespace {

// FreeXL gives dates as "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS".
bool ReadDate(const char* text, int type, CDbValue& value) {
    value.type = CDbValue::EType::Date;
    value.year = 1899, value.month = 12, value.day = 30;
    value.hour = value.minute = value.second = 0;
    if (type == FREEXL_CELL_TIME)
        return std::sscanf(text, "%d:%d:%d", &value.hour, &value.minute, &value.second) == 3;
    const int read = std::sscanf(text, "%d-%d-%d %d:%d:%d", &value.year, &value.month, &value.day,
                                 &value.hour, &value.minute, &value.second);
    return read == 3 || read == 6;
}

// A value as the other back ends deliver it; false for a cell FreeXL reports as unreadable.
void ReadCell(const FreeXL_CellValue& cell, CDbValue& value) {
    switch (cell.type) {
    case FREEXL_CELL_INT:
        value.type = CDbValue::EType::Float64;
        value.number = cell.value.int_value;
        return;
    case FREEXL_CELL_DOUBLE:
        value.type = CDbValue::EType::Float64;
        value.number = cell.value.double_value;
        return;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        value.type = CDbValue::EType::Text;
        value.text = CCodePage::Utf8ToAnsi(cell.value.text_value ? cell.value.text_value : "");
        return;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        if (!ReadDate(cell.value.text_value ? cell.value.text_value : "", cell.type, value))
            value.type = CDbValue::EType::Other;
        return;
    default:
        value.SetNull();
        return;
    }
}

} // namespace

std::string CXlsConnection::ReadOnly() {
    return Ansi("Arbeitsmappen im alten Excel-Format (.xls) liest Pelko nur. Exportieren Sie in eine "
                "Excel-2007-Arbeitsmappe (.xlsx).");
}

std::unique_ptr<CDbConnection> CXlsConnection::Open(const std::string& path, std::string& errorText) {
    if (path.empty() || !CPlatform::FileExists(path) || CPlatform::IsDirectory(path)) {
        errorText = Ansi("Die Arbeitsmappe existiert nicht: ") + path;
        return nullptr;
    }
    std::unique_ptr<CXlsConnection> connection(new CXlsConnection());
    const int result = freexl_open(CCodePage::AnsiToUtf8(path).c_str(), &connection->handle);
    unsigned password = 0;
    // FreeXL may report success without a handle (encrypted workbooks, some with charts).
    if (result != FREEXL_OK || !connection->handle ||
        freexl_get_info(connection->handle, FREEXL_BIFF_PASSWORD, &password) != FREEXL_OK ||
        password == FREEXL_BIFF_OBFUSCATED) {
        errorText = CTool::Format(
            Ansi("FreeXL kann die Arbeitsmappe nicht lesen (Fehler %d): sie ist keine Excel-97-2003-Datei, "
                 "beschädigt, kennwortgeschützt oder enthält Teile, die FreeXL nicht kennt. Speichern Sie "
                 "sie als Excel-2007-Arbeitsmappe (.xlsx) ohne Kennwort.")
                .c_str(),
            result != FREEXL_OK ? result : FREEXL_NULL_HANDLE);
        return nullptr;
    }
    unsigned count = 0;
    freexl_get_info(connection->handle, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned short i = 0; i < count; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(connection->handle, i, &name) != FREEXL_OK || !name) break;
        CFileTable table;
        table.name = CCodePage::Utf8ToAnsi(name);
        connection->tables.push_back(table);
    }
    if (!connection->formulas.Read(path, errorText)) return nullptr;
    return connection;
}

CXlsConnection::~CXlsConnection() {
    if (handle) freexl_close(handle);
}

bool CXlsConnection::Load(CFileTable& table, std::string& errorText) {
    const size_t index = static_cast<size_t>(&table - tables.data());
    unsigned rows = 0;
    unsigned short columns = 0;
    if (index >= tables.size() ||
        freexl_select_active_worksheet(handle, static_cast<unsigned short>(index)) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        errorText = Ansi("FreeXL kann das Tabellenblatt ") + table.name + Ansi(" nicht lesen.");
        return false;
    }
    std::vector<std::pair<long, std::vector<CDbValue>>> cells(rows);
    for (unsigned r = 0; r < rows; ++r) {
        cells[r].first = r;
        cells[r].second.resize(columns);
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            const int result = freexl_get_cell_value(handle, r, c, &cell);
            if (result != FREEXL_OK) {
                errorText =
                    CTool::Format(Ansi("FreeXL kann die Zelle %u/%u des Tabellenblatts %s nicht lesen "
                                       "(Fehler %d).")
                                      .c_str(),
                                  r + 1, c + 1, table.name.c_str(), result);
                return false;
            }
            ReadCell(cell, cells[r].second[c]);
            if (cell.type != FREEXL_CELL_NULL) continue;
            auto formula = formulas.results.find(CBiffFormulas::CKey(table.name, r, c));
            if (formula != formulas.results.end()) cells[r].second[c] = formula->second;
        }
    }
    BuildTable(cells, table);
    table.loaded = true;
    return true;
}
