// A CSV file imported as bookings and as master data with the layouts of a fresh data folder.
#include "FuzzSupport.h"
#include "text/CCsvConversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    std::string messages;
    const std::string path = fuzz::Write("eingabe.csv", fuzz::Bytes(data, size));
    CCsvConversion::ImportBookingsCsv(doc, path, 0, messages);
    // No record is made up: at most one per line break (and one for the last line).
    fuzz::Require(doc.buchungen.GetCount() <= static_cast<int>(size) + 1, "bookings beyond the lines");
    doc.buchungen.RemoveAll();
    CCsvConversion::ImportMasterCsv(doc, path, 0, messages);
    fuzz::Require(doc.stamm.GetCount() <= static_cast<int>(size) + 1, "master data beyond the lines");
    doc.stamm.RemoveAll();
    return 0;
}
