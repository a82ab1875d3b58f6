#include "db/CXlsxWriter.h"

#include "core/CCodePage.h"
#include "db/CADORecordset.h"

#include <xlsxwriter.h>

namespace {

std::string Utf8(const std::string& ansi) {
    return CCodePage::AnsiToUtf8(ansi);
}

struct CFormats {
    lxw_format* date = nullptr;
    lxw_format* dateTime = nullptr;
};

lxw_error WriteCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const CDbValue& value,
                    const CFormats& formats) {
    using T = CDbValue::EType;
    switch (value.type) {
    case T::Null:
        return LXW_NO_ERROR;
    case T::Integer:
        return worksheet_write_number(sheet, row, column, static_cast<double>(value.integer), nullptr);
    case T::Float32:
    case T::Float64:
        return worksheet_write_number(sheet, row, column, value.number, nullptr);
    case T::Boolean:
        return worksheet_write_boolean(sheet, row, column, value.integer != 0, nullptr);
    case T::Date:
        // Excel shows no dates before 1900: those stay text in the form every reader takes.
        if (value.year >= 1900) {
            lxw_datetime when = {value.year, value.month,  value.day,
                                 value.hour, value.minute, static_cast<double>(value.second)};
            const bool midnight = value.hour == 0 && value.minute == 0 && value.second == 0;
            return worksheet_write_datetime(sheet, row, column, &when,
                                            midnight ? formats.date : formats.dateTime);
        }
        [[fallthrough]];
    default: {
        std::string text;
        if (!CADORecordset::ValueText(value, text)) text = value.text;
        if (text.empty()) return LXW_NO_ERROR;
        return worksheet_write_string(sheet, row, column, Utf8(text).c_str(), nullptr);
    }
    }
}

} // namespace

bool CXlsxWriter::Write(const std::string& path, const std::vector<CFileTable>& tables,
                        std::string& errorText) {
    // Rows go to a temporary file as they are written, so a large table needs little memory.
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(Utf8(path).c_str(), &options);
    if (!workbook) {
        errorText = Ansi("Die Arbeitsmappe kann nicht angelegt werden: ") + path;
        return false;
    }
    CFormats formats;
    formats.date = workbook_add_format(workbook);
    format_set_num_format(formats.date, "dd.mm.yyyy");
    formats.dateTime = workbook_add_format(workbook);
    format_set_num_format(formats.dateTime, "dd.mm.yyyy hh:mm:ss");
    lxw_error result = LXW_NO_ERROR;
    for (const CFileTable& table : tables) {
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, Utf8(table.name).c_str());
        if (!sheet) {
            errorText = Ansi("Der Name ist als Tabellenblatt nicht erlaubt (höchstens 31 Zeichen, keine der "
                             "Zeichen : \\ / ? * [ ]): ") +
                        table.name;
            workbook_close(workbook);
            return false;
        }
        for (size_t c = 0; c < table.columns.size() && result == LXW_NO_ERROR; ++c)
            result = worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c),
                                            Utf8(table.columns[c]).c_str(), nullptr);
        for (size_t r = 0; r < table.rows.size() && result == LXW_NO_ERROR; ++r)
            for (size_t c = 0; c < table.rows[r].size() && result == LXW_NO_ERROR; ++c)
                result = WriteCell(sheet, static_cast<lxw_row_t>(r + 1), static_cast<lxw_col_t>(c),
                                   table.rows[r][c], formats);
        if (result != LXW_NO_ERROR) break;
    }
    const lxw_error closed = workbook_close(workbook);
    if (result == LXW_NO_ERROR) result = closed;
    if (result != LXW_NO_ERROR) {
        errorText = Ansi("Die Arbeitsmappe konnte nicht geschrieben werden: ") + lxw_strerror(result);
        return false;
    }
    return true;
}
