#pragma once

#include <string>

class CFrontEnd;
class CPelkoDoc;

// Reads DATEVpro "EXTF" files: the header line by position into the DATEV parameters, the data
// lines by their headings into the booking or master-data list.
class CDatevProReader {
public:
    // 1 bookings (category 21), 2 master data (category 16), 0 otherwise or unreadable.
    static int ReadDatevProKind(CPelkoDoc& doc, const std::string& path);
    // Appends the bookings of the file; false when it cannot be read or holds no bookings.
    static bool ReadDatevProBookings(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                     int showDialog, std::string& messages);
    // Appends the master records of the file; false when it cannot be read or holds no master data.
    static bool ReadDatevProMaster(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                   int showDialog, std::string& messages);
};
