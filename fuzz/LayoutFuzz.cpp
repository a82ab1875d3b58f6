// Any "csv.ini": the CSV engine imports a fixed file and exports the records under its layouts.
#include "FuzzSupport.h"
#include "text/CCsvConversion.h"

namespace {

const char kBookings[] = "Datum;Betrag;Soll/Haben;Konto;Gegenkonto;Buchungstext;Belegfeld 1\r\n"
                         "01.02.2024;1.234,56;S;1200;8400;\"Miete; \"\"Februar\"\"\";RE-1\r\n"
                         "2.2.24;-7,5;H;10000;70000;Kasse\xE4\xF6\xFC;\r\n";
const char kMaster[] = "Konto;Name;Strasse;PLZ;Ort;IBAN\r\n"
                       "10000;\"M\xFCller, Hans\";Hauptstr. 1;12345;Berlin;DE02120300000000202051\r\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    std::string messages;
    static const std::string bookings = fuzz::Write("buchungen.csv", kBookings);
    static const std::string master = fuzz::Write("stamm.csv", kMaster);
    fuzz::Write("data/csv.ini", fuzz::Bytes(data, size));
    if (CCsvConversion::ImportBookingsCsv(doc, bookings, 0, messages))
        CCsvConversion::ExportBookingsCsv(doc, (fuzz::Folder() / "aus.csv").string(), 0);
    doc.buchungen.RemoveAll();
    if (CCsvConversion::ImportMasterCsv(doc, master, 0, messages))
        CCsvConversion::ExportMasterCsv(doc, (fuzz::Folder() / "aus.csv").string(), 0);
    doc.stamm.RemoveAll();
    return 0;
}
