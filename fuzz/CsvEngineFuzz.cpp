// The CSV engine alone: separator detection, headings, quotes and fields of any file, with the
// columns of the bookings import and no layout file read per input. Each file is read twice, with
// its values in place and copied into the columns: both must give every record the same values.
#include "FuzzSupport.h"

#include <vector>

namespace {

// The values of the program's fields, record after record.
std::vector<std::string> ReadAll(CModulCSV& engine, const std::string& path, size_t size, bool inPlace) {
    std::vector<std::string> values;
    if (!engine.PrepareImport(path) || !engine.OpenImportFile(path)) return values;
    engine.ReadRecord(); // the heading line
    engine.AssignByHeadings();
    if (inPlace) engine.ReadInPlace();
    std::string value;
    for (size_t records = 0; !engine.AtEndOfFile(); ++records) {
        fuzz::Require(records <= size, "more records than bytes");
        engine.ClearValues();
        engine.ReadRecord();
        for (int i = 0; i < engine.GetColumnCount(); ++i) {
            // Extra fields of the file have no name; the import asks for the program's fields only.
            if (engine.GetColumn(i).name.empty()) continue;
            value.clear();
            engine.GetString(engine.GetColumn(i).name, value);
            fuzz::Require(value.size() <= 2 * size + 2, "a field longer than the file");
            values.push_back(value);
        }
        values.emplace_back(1, '\n');
    }
    engine.CloseFile();
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CModulCSV& engine = fuzz::Doc().csvImportBookings;
    const std::string path = fuzz::Write("eingabe.csv", fuzz::Bytes(data, size));
    const std::vector<std::string> inPlace = ReadAll(engine, path, size, true);
    fuzz::Require(ReadAll(engine, path, size, false) == inPlace, "read in place, a value differs");
    return 0;
}
