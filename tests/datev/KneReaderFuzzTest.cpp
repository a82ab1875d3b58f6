#include "datev/CDatev.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace {

// Damages a real file the way broken transfers and foreign programs do: changed bytes, structure
// bytes in odd places, cut-off ends and repeated pieces.
std::string Mutate(std::string bytes, std::mt19937& random) {
    static const char kStructureBytes[] = {'\0', '\x1C', '\x1E', '\x1D', '\x18', 'y',
                                           'z',  't',    'x',    'd',    'a',    '+',
                                           '-',  '9',    '\xB5', '\xB6', '\xB7', '\xBD'};
    auto pick = [&random](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    for (int step = 0, steps = 1 + static_cast<int>(pick(6)); step < steps && !bytes.empty(); ++step) {
        switch (pick(5)) {
        case 0:
            bytes[pick(bytes.size())] = static_cast<char>(pick(256));
            break;
        case 1:
            bytes[pick(bytes.size())] = kStructureBytes[pick(sizeof kStructureBytes)];
            break;
        case 2:
            bytes.insert(pick(bytes.size()), std::string(1 + pick(40), '7'));
            break;
        case 3:
            bytes.resize(pick(bytes.size()));
            break;
        default: {
            size_t from = pick(bytes.size());
            bytes.insert(pick(bytes.size()), bytes.substr(from, 1 + pick(300)));
        }
        }
    }
    return bytes;
}

// Reads the file with both readers; true when each either succeeded or showed why it failed.
// Files are removed rather than overwritten: truncating a file makes the file system flush it,
// which would make this test slow.
bool ReadBoth(const CTempDir& temp, const std::string& path, const std::string& bytes,
              CBuchungenCtrl& bookings, CStammCtrl& master) {
    std::filesystem::remove(path);
    CTempDir::Write(path, bytes);
    CRecordingFrontEnd frontEnd;
    CDatev datev(frontEnd);
    std::string messages;
    size_t failures = 0;
    for (int kind = 0; kind < 2; ++kind) {
        std::filesystem::remove(temp.DataFile("angaben_datev.txt"));
        bool ok = kind == 0 ? datev.ReadKneBookings(path, bookings, frontEnd, messages)
                            : datev.ReadKneMaster(path, master, frontEnd, messages);
        failures += ok ? 0 : 1;
    }
    return frontEnd.boxes.size() == failures;
}

} // namespace

TEST(KneReaderFuzz, DamagedSamplesNeverCrashAndEveryFailureIsShown) {
    CTempDir temp;
    std::vector<std::string> samples;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(PELKO_TEST_DATA) + "/kne/samples"))
        if (entry.path().filename().string().rfind("ED", 0) == 0)
            samples.push_back(CTempDir::Read(entry.path()));
    std::sort(samples.begin(), samples.end());
    ASSERT_EQ(samples.size(), 9u);

    std::mt19937 random(20240611);
    const std::string path = temp.File("ED00001");
    for (int round = 0; round < 1500; ++round) {
        std::string bytes = Mutate(samples[static_cast<size_t>(round) % samples.size()], random);
        CBuchungenCtrl bookings;
        CStammCtrl master;
        EXPECT_TRUE(ReadBoth(temp, path, bytes, bookings, master)) << round;
        // No reader invents more records than the data hold record ends ("y") or fields ("t").
        EXPECT_LE(bookings.GetCount(), std::count(bytes.begin(), bytes.end(), 'y')) << round;
        EXPECT_LE(master.GetCount(), std::count(bytes.begin(), bytes.end(), 't')) << round;
    }
}

TEST(KneReaderFuzz, RandomBytesBehindAValidMark) {
    CTempDir temp;
    std::mt19937 random(7);
    const std::string path = temp.File("ED00001");
    for (int round = 0; round < 300; ++round) {
        std::string bytes = "\x1D\x18";
        size_t size = std::uniform_int_distribution<size_t>(0, 3000)(random);
        for (size_t i = 0; i < size; ++i)
            bytes += static_cast<char>(random() & 0xFF);
        CBuchungenCtrl bookings;
        CStammCtrl master;
        EXPECT_TRUE(ReadBoth(temp, path, bytes, bookings, master)) << round;
    }
}
