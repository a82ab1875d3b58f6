// Throughput of the CSV bookings import and export, each measured on its own.
//   BenchCsv generate FILE COUNT   writes COUNT bookings in the default column order
//   BenchCsv import FILE           reads them (timed)
//   BenchCsv export FILE COUNT     builds COUNT bookings in memory (not timed) and writes them (timed)
#include "CQuietFrontEnd.h"
#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "text/CCsvConversion.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>

namespace {

CBuchungenData Booking(int i) {
    CBuchungenData b;
    b.buchungsnummer = "RE" + std::to_string(100000 + i);
    char date[16];
    std::snprintf(date, sizeof date, "%02d.%02d.2024", i % 28 + 1, i % 12 + 1);
    b.datum = date;
    b.sollKonto = 10000 + i % 5000;
    b.habenKonto = 8400;
    b.betrag = (i % 7 == 0 ? -1 : 1) * ((i % 100000) + 0.5);
    b.waehrung = "EUR";
    b.buchungstext = "Rechnung " + std::to_string(i) + " Kunde";
    b.kostenstelle1 = std::to_string(100 + i % 9);
    return b;
}

// Wall and processor seconds: on a shared machine only the processor time compares runs, and the
// system's part of it is mostly the kernel taking the file.
struct CTimes {
    double wall;
    double user;
    double system;
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

CTimes Now() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
            Seconds(usage.ru_utime), Seconds(usage.ru_stime)};
}

void Report(const char* what, CTimes start, long long bytes, int records) {
    const CTimes end = Now();
    const double seconds = end.wall - start.wall;
    double mb = static_cast<double>(bytes) / 1e6;
    std::printf("%s: %d Buchungen, %.1f MB in %.3f s (CPU %.3f s Benutzer, %.3f s System) = %.1f MB/s, "
                "%.0f Buchungen/s\n",
                what, records, mb, seconds, end.user - start.user, end.system - start.system, mb / seconds,
                records / seconds);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: BenchCsv generate|import|export DATEI [ANZAHL]\n");
        return 2;
    }
    const std::string mode = argv[1];
    const std::string file = argv[2];
    const int count = argc > 3 ? std::atoi(argv[3]) : 0;
    CQuietFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    doc.InitDocument();

    if (mode == "generate" || mode == "export") {
        for (int i = 0; i < count; ++i)
            doc.buchungen.Add(Booking(i));
        const CTimes start = Now();
        if (!CCsvConversion::ExportBookingsCsv(doc, file, 0)) return 1;
        if (mode == "export") Report("Export", start, CPlatform::FileSize(file), count);
        return 0;
    }
    if (mode == "import") {
        const CTimes start = Now();
        std::string messages;
        if (!CCsvConversion::ImportBookingsCsv(doc, file, 0, messages)) return 1;
        Report("Import", start, CPlatform::FileSize(file), doc.buchungen.GetCount());
        return 0;
    }
    std::fprintf(stderr, "Unbekannte Betriebsart %s\n", mode.c_str());
    return 2;
}
