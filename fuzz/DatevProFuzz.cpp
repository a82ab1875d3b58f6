// A DATEVpro file recognised and read as bookings and as master data.
#include "FuzzSupport.h"
#include "datev/CDatevProReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    const std::string path = fuzz::Write("EXTF_Buchungsstapel.csv", fuzz::Bytes(data, size));
    const int kind = CDatevProReader::ReadDatevProKind(doc, path);
    fuzz::Require(kind >= 0 && kind <= 2, "unknown kind");
    std::string messages;
    CDatevProReader::ReadDatevProBookings(doc, path, doc.GetFrontEnd(), 0, messages);
    fuzz::Require(doc.buchungen.GetCount() <= static_cast<int>(size) + 1, "bookings beyond the lines");
    doc.buchungen.RemoveAll();
    messages.clear();
    CDatevProReader::ReadDatevProMaster(doc, path, doc.GetFrontEnd(), 0, messages);
    fuzz::Require(doc.stamm.GetCount() <= static_cast<int>(size) + 1, "master data beyond the lines");
    doc.stamm.RemoveAll();
    return 0;
}
