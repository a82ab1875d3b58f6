#include "core/CCodePage.h"

#include "support/CTempDir.h"
#include "support/RunPelko.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>

namespace {

const std::string kSample = PELKO_TEST_DATA "/kne/bookings_ed/ED00001"; // 3 bookings, total x122443

// The header and version record of the sample, then the given records, filled to whole blocks.
std::string KneFile(const std::string& records) {
    std::string data = CTempDir::Read(kSample).substr(0, 93) + records;
    return data + std::string((256 - data.size() % 256) % 256, '\0');
}

} // namespace

// A changed total record: the bookings are converted, a FEHLER line names both sums, exit 3.
TEST(KneRun, AlteredControlTotalCompletesWithErrors) {
    CTempDir temp;
    std::string data = CTempDir::Read(kSample);
    data.replace(data.find("x122443yz"), 9, "x122453yz");
    CTempDir::Write(temp.File("ED00001"), data);
    const std::string errorFile = temp.File("fehler.txt");
    CResult result = RunPelko(temp, {"/AUTO", "/in:datev:" + temp.File("ED00001"),
                                     "/out:csv:" + temp.File("aus.csv"), "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_NE(result.out.find("Konvertierung abgeschlossen (3 Buchungen)."), std::string::npos) << result.out;
    EXPECT_TRUE(CTempDir::Read(errorFile).starts_with(
        Ansi("FEHLER: Die Summe der gelesenen Buchungen (1224,43) weicht von der "
             "Kontrollsumme der Datei (1224,53) ab.\r\n")));
}

// An input that never ends (a pipe fed from /dev/zero behind a first block) is read up to the
// end of its data part, not for ever.
TEST(KneRun, EndlessInputStopsAfterTheDataPart) {
    CTempDir temp;
    const std::string head = temp.File("block1");
    CTempDir::Write(head, CTempDir::Read(kSample).substr(0, 256)); // header and two bookings
    const std::string fifo = temp.File("ED00001");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> args = {"/bin/sh", "-c", "exec cat \"$0\" /dev/zero > \"$1\"", head, fifo};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t writer = 0;
    ASSERT_EQ(posix_spawn(&writer, "/bin/sh", nullptr, nullptr, argv.data(), environ), 0);

    const std::string errorFile = temp.File("fehler.txt");
    CResult result = RunPelko(
        temp, {"/AUTO", "/in:datev:" + fifo, "/out:csv:" + temp.File("aus.csv"), "/out:error:" + errorFile});
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_NE(result.out.find("Konvertierung abgeschlossen (2 Buchungen)."), std::string::npos) << result.out;
    EXPECT_TRUE(CTempDir::Read(errorFile).starts_with(
        Ansi("FEHLER: Nach dem Ende der Daten (Byte 256) folgen weitere Daten; sie werden nicht gelesen.\r\n"
             "FEHLER: Die Datei endet ohne Endekennzeichen 'z', sie ist vermutlich unvollständig.\r\n")));
}

// Read back, every booking would carry one year: nothing is written, the previous pair stays.
TEST(KneRun, BookingsOfTwoYearsStopTheKneExport) {
    CTempDir temp;
    CTempDir::Write(temp.File("ED00001"), KneFile("+100a8400d311222e1200\xB3"
                                                  "EUR\x1Cy+200a8400d10123e1200\xB3"
                                                  "EUR\x1Cyx300yz"));
    const std::string out = temp.File("aus") + "/";
    std::filesystem::create_directories(out);
    CTempDir::Write(out + "ED00001", "vorher");
    CTempDir::Write(out + "EV01", "vorher");
    const std::string errorFile = temp.File("fehler.txt");
    CResult result = RunPelko(
        temp, {"/AUTO", "/in:datev:" + temp.File("ED00001"), "/out:datev:" + out, "/out:error:" + errorFile});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.out.find("Konvertierung abgebrochen."), std::string::npos) << result.out;
    EXPECT_NE(CTempDir::Read(errorFile).find(Ansi("(E:307)\nEs dürfen nur Buchungen innerhalb eines Jahres "
                                                  "exportiert werden!\nBuchungen sind von: 31.12.2022 bis: "
                                                  "01.01.2023")),
              std::string::npos)
        << CTempDir::Read(errorFile);
    EXPECT_EQ(CTempDir::Read(out + "ED00001"), "vorher");
    EXPECT_EQ(CTempDir::Read(out + "EV01"), "vorher");
}
