#pragma once

#include <string>

class CFrontEnd;
class CPelkoDoc;

// Writes the booking list or the master-data list as a DATEVpro "EXTF" file: a header line, a
// heading line and one line per record, arranged by the sections of "datevpro.ini". The DATEV
// parameters of the document fill the header.
class CDatevProWriter {
public:
    // "Buchungsstapel" (category 21); false when the file cannot be opened or written.
    static bool WriteDatevProBookings(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                      std::string& messages);
    // "Debitoren/Kreditoren" (category 16); false when the file cannot be opened or written.
    static bool WriteDatevProMaster(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                    std::string& messages);
};
