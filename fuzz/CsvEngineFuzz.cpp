// The CSV engine alone: separator detection, headings, quotes and fields of any file, with the
// columns of the bookings import and no layout file read per input.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CModulCSV& engine = fuzz::Doc().csvImportBookings;
    const std::string path = fuzz::Write("eingabe.csv", fuzz::Bytes(data, size));
    if (!engine.PrepareImport(path) || !engine.OpenImportFile(path)) return 0;
    engine.ReadRecord(); // the heading line
    engine.AssignByHeadings();
    std::string value;
    for (size_t records = 0; !engine.AtEndOfFile(); ++records) {
        fuzz::Require(records <= size, "more records than bytes");
        engine.ReadRecord();
        for (int i = 0; i < engine.GetColumnCount(); ++i) {
            // Extra fields of the file have no name; the import asks for the program's fields only.
            if (engine.GetColumn(i).name.empty()) continue;
            engine.GetString(engine.GetColumn(i).name, value);
            fuzz::Require(value.size() <= 2 * size + 2, "a field longer than the file");
        }
    }
    engine.CloseFile();
    return 0;
}
