#pragma once

#include <string>

class CPelkoDoc;

// Bookings and master data in database tables: the four engines of the document and the four
// operations of the conversion run. file is the database file ("Access-Datenbank"), empty for a
// server; connection, when not empty, is the connection string named for the run and replaces
// the stored one. Each operation returns 1 when the run may go on, 0 when it must stop (the user
// has been told why); findings go to messages.
class CDbConversion {
public:
    // Defines the columns of the document's four engines; done whenever the settings are loaded.
    static void DefineEngines(CPelkoDoc& doc);

    static int ExportBookingsDb(CPelkoDoc& doc, const std::string& file, const std::string& connection,
                                std::string& messages);
    static int ImportBookingsDb(CPelkoDoc& doc, const std::string& file, const std::string& connection,
                                std::string& messages);
    static int ExportMasterDb(CPelkoDoc& doc, const std::string& file, const std::string& connection,
                              std::string& messages);
    static int ImportMasterDb(CPelkoDoc& doc, const std::string& file, const std::string& connection,
                              std::string& messages);

    // The main window's "Einstellungen" buttons for "Access-Datenbank" and "SQL-Datenbank": the
    // database dialog of the document's data type. 0 when cancelled or not shown.
    static int EditExportLayout(CPelkoDoc& doc);
    static int EditImportLayout(CPelkoDoc& doc);
};
