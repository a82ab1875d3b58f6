// Throughput of the DATEVpro writer and reader and of the RTF list for many bookings.
// Usage: BenchExtf write|read|rtf FILE [COUNT [VERSION]]; one phase per process so that each peak RSS
// stands alone. Version 700 writes files of at most 99 999 bookings; "read" reads all of them.

#include "CQuietFrontEnd.h"
#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CTool.h"
#include "datev/CDatevProReader.h"
#include "datev/CDatevProWriter.h"
#include "text/CRtfList.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

// "EXTF_name.csv", "EXTF_name_002.csv", ... as far as they exist.
std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts{path};
    const size_t dot = path.rfind('.');
    for (int n = 2;; ++n) {
        std::string part = path.substr(0, dot) + CTool::Format("_%03d", n) + path.substr(dot);
        if (!CPlatform::FileExists(part)) return parts;
        parts.push_back(part);
    }
}

void Fill(CPelkoDoc& doc, int count) {
    CBuchungenData b;
    for (int i = 0; i < count; ++i) {
        b.buchungsnummer = CTool::Format("RE-%d", i);
        b.datum = CTool::Format("15.%02d.2023", 1 + i % 9);
        b.sollKonto = 1200 + i % 100;
        b.habenKonto = 8400;
        b.betrag = (i % 2 ? -1 : 1) * (10.0 + i % 1000 / 7.0);
        b.datevSchluessel = i % 10;
        b.buchungstext = CTool::Format("Rechnung Nr. %d Bueromaterial", i);
        b.kostenstelle1 = CTool::Format("K%d", i % 50);
        b.skonto = i % 3 ? 0.0 : 1.5;
        doc.buchungen.Add(b);
    }
    doc.datev.beraterNummer = 1234567;
    doc.datev.mandantenNummer = 12345;
    doc.datev.wirtschaftsjahrBeginn = "01.01.2023";
    doc.datev.datumVon = "01.01.2023";
    doc.datev.datumBis = "31.12.2023";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: BenchExtf write|read|rtf FILE [COUNT]\n");
        return 2;
    }
    const std::string mode = argv[1], path = argv[2];
    const int count = argc > 3 ? std::atoi(argv[3]) : 1000000;
    const int version = argc > 4 ? std::atoi(argv[4]) : 510;
    CQuietFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    std::string messages;
    if (mode != "read") Fill(doc, count);
    doc.datev.datevProVersion = version;
    const std::vector<std::string> parts = mode == "write" ? std::vector<std::string>{path} : Parts(path);

    auto start = std::chrono::steady_clock::now();
    std::clock_t cpuStart = std::clock();
    bool ok = false;
    if (mode == "write")
        ok = CDatevProWriter::WriteDatevProBookings(doc, path, frontEnd, messages);
    else if (mode == "read")
        for (const std::string& part : parts)
            ok = CDatevProReader::ReadDatevProBookings(doc, part, frontEnd, 0, messages);
    else if (mode == "rtf")
        ok = CRtfList::WriteBookingsRtf(doc, path) != 0;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // On a busy machine the wall time also counts other processes; the CPU time does not.
    double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    int records = doc.buchungen.GetCount();
    double megabytes = 0.0;
    for (const std::string& part : mode == "write" ? Parts(path) : parts)
        megabytes += static_cast<double>(CPlatform::FileSize(part)) / 1e6;
    std::printf(
        "%s: %d records, %.1f MB: %.3f s wall, %.3f s CPU = %.0f records/s, %.1f MB/s (CPU), %zu bytes "
        "of findings\n",
        mode.c_str(), records, megabytes, seconds, cpuSeconds, records / cpuSeconds, megabytes / cpuSeconds,
        messages.size());
    return ok ? 0 : 1;
}
