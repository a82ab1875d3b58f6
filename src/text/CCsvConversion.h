#pragma once

#include <string>

class CPelkoDoc;

// Bookings and master data as delimited text: the four engines of the document and the four
// operations of the conversion run. Each operation returns 1 when the run may go on, 0 when it
// must stop (the user has been told why).
class CCsvConversion {
public:
    // Defines the columns of the document's four engines; done whenever the settings are loaded.
    static void DefineEngines(CPelkoDoc& doc);

    static int ExportBookingsCsv(CPelkoDoc& doc, const std::string& path, int showDialog);
    // The imports append their findings (values that cannot be read, headings that contradict the
    // layout) to messages.
    static int ImportBookingsCsv(CPelkoDoc& doc, const std::string& path, int showDialog,
                                 std::string& messages);
    static int ExportMasterCsv(CPelkoDoc& doc, const std::string& path, int showDialog);
    static int ImportMasterCsv(CPelkoDoc& doc, const std::string& path, int showDialog,
                               std::string& messages);

    // The main window's "Einstellungen" buttons for "Excel/CSV-Datei": the column dialog of the
    // export or import layout of the document's data type. 0 when cancelled or not shown.
    static int EditExportLayout(CPelkoDoc& doc);
    static int EditImportLayout(CPelkoDoc& doc);
};
