// Any "csv.ini": the CSV engine imports a fixed file and exports the records under its layouts.
#include "FuzzSupport.h"
#include "text/CCsvConversion.h"

namespace {

const char kBookings[] = "Datum;Betrag;Soll/Haben;Konto;Gegenkonto;Buchungstext;Belegfeld 1\r\n"
                         "01.02.2024;1.234,56;S;1200;8400;\"Miete; \"\"Februar\"\"\";RE-1\r\n"
                         "2.2.24;-7,5;H;10000;70000;Kasse\xE4\xF6\xFC;\r\n";
const char kMaster[] = "Konto;Name;Strasse;PLZ;Ort;IBAN\r\n"
                       "10000;\"M\xFCller, Hans\";Hauptstr. 1;12345;Berlin;DE02120300000000202051\r\n";

// What the export cases write: the records of the two files above.
void FillDocument(CPelkoDoc& doc) {
    CBuchungenData booking;
    booking.datum = "01.02.2024";
    booking.betrag = 1234.56;
    booking.sollKonto = 1200;
    booking.habenKonto = 8400;
    booking.buchungstext = "Miete; \"Februar\"";
    booking.buchungsnummer = "RE-1";
    doc.buchungen.Add(booking);
    booking = CBuchungenData();
    booking.datum = "02.02.2024";
    booking.betrag = -7.5;
    booking.sollKonto = 10000;
    booking.habenKonto = 70000;
    booking.buchungstext = "Kasse\xE4\xF6\xFC\nzweite Zeile";
    doc.buchungen.Add(booking);
    CStammData account;
    account.datevKonto = 10000;
    account.name1 = "M\xFCller, Hans";
    account.strasse = "Hauptstr. 1";
    account.postleitzahl = "12345";
    account.ort = "Berlin";
    account.iban = "DE02120300000000202051";
    doc.stamm.Add(account);
}

} // namespace

// One conversion per input, chosen by its length, so that each input costs one set-up; the
// mutations that change the length walk the same layout through all four.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    std::string messages;
    static const std::string bookings = fuzz::Write("buchungen.csv", kBookings);
    static const std::string master = fuzz::Write("stamm.csv", kMaster);
    fuzz::Write("data/csv.ini", fuzz::Bytes(data, size));
    const std::string out = (fuzz::Folder() / "aus.csv").string();
    if (size % 4 >= 2) FillDocument(doc);
    switch (size % 4) {
    case 0:
        CCsvConversion::ImportBookingsCsv(doc, bookings, 0, messages);
        break;
    case 1:
        CCsvConversion::ImportMasterCsv(doc, master, 0, messages);
        break;
    case 2:
        CCsvConversion::ExportBookingsCsv(doc, out, 0);
        break;
    default:
        CCsvConversion::ExportMasterCsv(doc, out, 0);
        break;
    }
    doc.buchungen.RemoveAll();
    doc.stamm.RemoveAll();
    return 0;
}
