// Reads a large KNE bookings file back and reports the speed.
//   BenchKneRead write FOLDER COUNT   writes FOLDER/ED00001 with COUNT bookings
//   BenchKneRead read FOLDER          reads FOLDER/ED00001 and prints bookings/s and MB/s
#include "CQuietFrontEnd.h"
#include "core/CBuchungenCtrl.h"
#include "core/CFrontEnd.h"
#include "core/CPlatform.h"
#include "core/CTool.h"
#include "datev/CDatev.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

// Bookings as a cash book of one year has them: texts, document numbers, some posting keys.
int Write(CDatev& datev, CFrontEnd& frontEnd, const std::string& folder, int count) {
    CBuchungenCtrl list;
    CBuchungenData b;
    for (int i = 0; i < count; ++i) {
        b.betrag = (i % 2 ? -1 : 1) * (1 + i % 99999) / 100.0;
        b.habenKonto = 8400 + i % 7;
        b.sollKonto = 1200;
        b.datevSchluessel = i % 3 == 0 ? 9 : 0;
        b.datum = CTool::Format("%02d.%02d.2023", 1 + i % 28, 1 + i / 28 % 12);
        b.buchungsnummer = "RE" + std::to_string(i);
        b.buchungstext = "Wareneingang Lieferant " + std::to_string(i % 1000);
        list.Add(b);
    }
    datev.datumVon = "01.01.2023";
    datev.datumBis = "28.12.2023";
    datev.beraterNummer = 1234567;
    datev.mandantenNummer = 12345;
    std::string messages;
    return datev.WriteKneBookings(folder, &list, frontEnd, messages) == count ? 0 : 1;
}

int Read(CDatev& datev, CFrontEnd& frontEnd, const std::string& folder) {
    std::string path = folder + "/ED00001";
    CBuchungenCtrl list;
    std::string messages;
    auto start = std::chrono::steady_clock::now();
    bool ok = datev.ReadKneBookings(path, list, frontEnd, messages);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double megabytes = static_cast<double>(CPlatform::FileSize(path)) / 1e6;
    std::printf("%d Buchungen, %.1f MB in %.3f s: %.0f Buchungen/s, %.1f MB/s\n", list.GetCount(), megabytes,
                seconds, list.GetCount() / seconds, megabytes / seconds);
    return ok && messages.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 2 ? argv[1] : "";
    CQuietFrontEnd frontEnd;
    CDatev datev(frontEnd);
    if (mode == "write" && argc > 3) return Write(datev, frontEnd, argv[2], std::stoi(argv[3]));
    if (mode == "read") return Read(datev, frontEnd, argv[2]);
    std::fprintf(stderr, "Aufruf: BenchKneRead write ORDNER ANZAHL | BenchKneRead read ORDNER\n");
    return 2;
}
