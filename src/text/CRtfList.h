#pragma once

#include <string>
#include <string_view>

class CPelkoDoc;

// The printable table of the output type "RTF/Word-Datei": fixed columns, headings and widths,
// no layout file. Each written record counts once in the run's record counter.
class CRtfList {
public:
    // 1, or 0 after "(E:135)" when the file cannot be opened.
    static int WriteBookingsRtf(CPelkoDoc& doc, const std::string& path);
    // 1, or 0 after "(E:139)" when the file cannot be opened.
    static int WriteMasterRtf(CPelkoDoc& doc, const std::string& path);

    // A value as RTF text: backslash and braces would otherwise end the cell or the document.
    static void AppendEscaped(std::string& out, std::string_view value);
};
