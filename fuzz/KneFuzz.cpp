// A KNE data file, named as the new ("ED00001") and the old format ("DE001"), recognised and read
// as bookings and as master data.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    for (const char* name : {"ED00001", "DE001"}) {
        const std::string path = fuzz::Write(name, fuzz::Bytes(data, size));
        CDatev::DetectKneFileKind(path);
        std::string messages;
        doc.datev.ReadKneBookings(path, doc.buchungen, doc.GetFrontEnd(), messages);
        // A record takes at least its tag and one field byte.
        fuzz::Require(doc.buchungen.GetCount() <= static_cast<int>(size), "bookings beyond the bytes");
        doc.buchungen.RemoveAll();
        messages.clear();
        doc.datev.ReadKneMaster(path, doc.stamm, doc.GetFrontEnd(), messages);
        fuzz::Require(doc.stamm.GetCount() <= static_cast<int>(size), "master data beyond the bytes");
        doc.stamm.RemoveAll();
    }
    return 0;
}
