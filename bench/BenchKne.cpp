// Writes 1 000 000 bookings to "ED00001" and reports the writer's time and throughput.
#include "CQuietFrontEnd.h"
#include "core/CBuchungenCtrl.h"
#include "core/CFrontEnd.h"
#include "core/CPlatform.h"
#include "core/CTool.h"
#include "datev/CDatev.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// CPU time of this process: on a busy machine wall time says more about the neighbours.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const std::string folder = argc > 1 ? argv[1] : ".";
    CBuchungenCtrl list;
    for (int i = 0; i < count; ++i) {
        CBuchungenData b;
        b.buchungsnummer = "RE" + std::to_string(100000 + i % 900000);
        b.datum = CTool::Format("%02d.%02d.2023", 1 + i % 28, 1 + i % 12);
        b.sollKonto = 10000 + i % 5000;
        b.habenKonto = 8400;
        b.datevSchluessel = i % 7 == 0 ? 9 : 0;
        b.betrag = (i % 3 == 0 ? -1 : 1) * (1 + i % 99999) / 100.0;
        b.waehrung = "EUR";
        b.buchungstext = "Ausgangsrechnung Kunde " + std::to_string(i % 1000);
        b.kostenstelle1 = i % 4 == 0 ? "100" : "";
        list.Add(b);
    }

    CQuietFrontEnd frontEnd;
    CDatev datev(frontEnd);
    datev.beraterNummer = 1234567;
    datev.mandantenNummer = 12345;
    datev.SetDateRange(list);
    std::string messages;
    double cpuStart = CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    int written = datev.WriteKneBookings(folder, &list, frontEnd, messages);
    bool control = datev.dataFileWritten && datev.WriteKneControl(folder, messages);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpuSeconds = CpuSeconds() - cpuStart;

    double megabytes = static_cast<double>(CPlatform::FileSize(folder + "/ED00001")) / 1e6;
    std::printf("bookings written: %d (control file %s)\n", written, control ? "ok" : "FAILED");
    std::printf("writer time: %.3f s, %.0f records/s, %.1f MB/s (%.1f MB, %d blocks)\n", seconds,
                written / seconds, megabytes / seconds, megabytes, datev.blockCount);
    std::printf("writer CPU time: %.3f s\n", cpuSeconds);
    return written == count && control ? 0 : 1;
}
