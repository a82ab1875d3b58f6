// A DATEVpro file recognised and read as what it claims to be; a file of no known kind is given to
// both readers, whose header checks must refuse it.
#include "FuzzSupport.h"
#include "datev/CDatevProReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    const std::string path = fuzz::Write("EXTF_Buchungsstapel.csv", fuzz::Bytes(data, size));
    const int kind = CDatevProReader::ReadDatevProKind(doc, path);
    fuzz::Require(kind >= 0 && kind <= 2, "unknown kind");
    std::string messages;
    if (kind != 2) {
        CDatevProReader::ReadDatevProBookings(doc, path, doc.GetFrontEnd(), 0, messages);
        fuzz::Require(doc.buchungen.GetCount() <= static_cast<int>(size) + 1, "bookings beyond the lines");
        fuzz::Require(kind == 1 || doc.buchungen.GetCount() == 0, "bookings from a file of no kind");
        doc.buchungen.RemoveAll();
        messages.clear();
    }
    if (kind != 1) {
        CDatevProReader::ReadDatevProMaster(doc, path, doc.GetFrontEnd(), 0, messages);
        fuzz::Require(doc.stamm.GetCount() <= static_cast<int>(size) + 1, "master data beyond the lines");
        fuzz::Require(kind == 2 || doc.stamm.GetCount() == 0, "master data from a file of no kind");
        doc.stamm.RemoveAll();
    }
    return 0;
}
