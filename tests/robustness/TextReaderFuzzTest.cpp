#include "core/CPelkoDoc.h"
#include "core/CTool.h"
#include "datev/CDatevProReader.h"
#include "robustness/FuzzSupport.h"
#include "support/CRecordingFrontEnd.h"
#include "text/CCsvConversion.h"

#include <gtest/gtest.h>

using namespace fuzz;

namespace {

const std::string kCsvData = std::string(PELKO_TEST_DATA) + "/csv/";

// One document per case, as every run of the program starts with settings loaded anew.
struct CRun {
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    std::string messages;
    CRun() { doc.InitDocument(); }
};

// No reader makes up text: a value is at most the input, with its line breaks doubled to CR LF.
bool TextsWithin(const CPelkoDoc& doc, size_t inputSize) {
    const size_t bound = 2 * inputSize + 16;
    for (int i = 0; i < doc.buchungen.GetCount(); ++i) {
        const CBuchungenData& b = *doc.buchungen.GetAt(i);
        for (const CText* text : {&b.buchungsnummer, &b.buchungstext, &b.datum, &b.ustId})
            if (text->size() > bound) return false;
    }
    for (int i = 0; i < doc.stamm.GetCount(); ++i) {
        const CStammData& s = *doc.stamm.GetAt(i);
        for (const CText* text : {&s.name1, &s.strasse, &s.iban, &s.ustIdnr})
            if (text->size() > bound) return false;
    }
    return true;
}

// Imports the file as bookings and as master data. True when each import either went through or
// told the user why not, and read no more records than the file has lines.
::testing::AssertionResult ImportCsv(const std::string& path, const std::string& bytes,
                                     const std::string& profile = "") {
    for (int master = 0; master < 2; ++master) {
        CRun run;
        run.doc.profileIn = profile;
        std::string messages;
        int ok = master ? CCsvConversion::ImportMasterCsv(run.doc, path, 0, messages)
                        : CCsvConversion::ImportBookingsCsv(run.doc, path, 0, messages);
        if (!ok && run.frontEnd.boxes.empty() && messages.find("FEHLER: ") == std::string::npos)
            return ::testing::AssertionFailure() << "failed without a message, master " << master;
        long long records = master ? run.doc.stamm.GetCount() : run.doc.buchungen.GetCount();
        if (records > LineCount(bytes)) return ::testing::AssertionFailure() << records << " records";
        if (!TextsWithin(run.doc, bytes.size())) return ::testing::AssertionFailure() << "text beyond input";
    }
    return ::testing::AssertionSuccess();
}

// Reads the file with all three DATEVpro operations under the same rules.
::testing::AssertionResult ReadDatevPro(const std::string& path, const std::string& bytes) {
    CRun kind;
    int category = CDatevProReader::ReadDatevProKind(kind.doc, path);
    if (category < 0 || category > 2) return ::testing::AssertionFailure() << "kind " << category;
    for (int master = 0; master < 2; ++master) {
        CRun run;
        bool ok = master
                      ? CDatevProReader::ReadDatevProMaster(run.doc, path, run.frontEnd, 0, run.messages)
                      : CDatevProReader::ReadDatevProBookings(run.doc, path, run.frontEnd, 0, run.messages);
        if (!ok && run.messages.empty() && run.frontEnd.boxes.empty())
            return ::testing::AssertionFailure() << "failed without a message, master " << master;
        long long records = master ? run.doc.stamm.GetCount() : run.doc.buchungen.GetCount();
        if (records > LineCount(bytes)) return ::testing::AssertionFailure() << records << " records";
        if (!TextsWithin(run.doc, bytes.size())) return ::testing::AssertionFailure() << "text beyond input";
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> CsvSeeds() {
    std::vector<std::string> seeds;
    for (const char* name :
         {"buchungen_in.csv", "buchungen_sign_in.csv", "buchungen_out.csv", "stamm_in.txt", "stamm_out.csv"})
        seeds.push_back(CTempDir::Read(kCsvData + name));
    return seeds;
}

std::vector<std::string> ExtfSeeds() {
    // The project's own files and its copies of the shared samples (extf/samples).
    std::vector<std::string> seeds = ReadAll({std::string(PELKO_TEST_DATA) + "/extf"}, "EXTF_");
    EXPECT_EQ(seeds.size(), 14u);
    return seeds;
}

} // namespace

TEST(TextReaderFuzz, DamagedCsvFilesImportOrFailWithAMessage) {
    CTempDir temp;
    const std::vector<std::string> seeds = CsvSeeds();
    const std::string path = temp.File("in.csv");
    std::mt19937 random(3011);
    for (int round = 0; round < 100; ++round) {
        std::string bytes = Mutate(seeds[static_cast<size_t>(round) % seeds.size()], random);
        Replace(path, bytes);
        EXPECT_TRUE(ImportCsv(path, bytes)) << "round " << round;
    }
    // Cut off at every other quote, separator and line end.
    const std::string& seed = seeds[0];
    for (size_t at : CutOffsets(seed, seed.size(), 2)) {
        Replace(path, seed.substr(0, at));
        EXPECT_TRUE(ImportCsv(path, seed.substr(0, at))) << "cut at " << at;
    }
}

TEST(TextReaderFuzz, RandomCsvBytesAndEndlessLines) {
    CTempDir temp;
    const std::string path = temp.File("in.csv");
    std::mt19937 random(77);
    for (int round = 0; round < 120; ++round) {
        std::string bytes = RandomBytes(random, 2000);
        Replace(path, bytes);
        EXPECT_TRUE(ImportCsv(path, bytes)) << "round " << round;
    }
    // One quote that never closes, a field of 100 KB and a line of 5000 columns.
    for (const std::string& bytes : {"a;b\r\n\"" + std::string(70000, 'x') + "\r\n" + std::string(70000, 'y'),
                                     "a;b\r\n" + std::string(100 * 1024, 'z') + ";1\r\n",
                                     std::string(5000, ';') + "\r\n" + std::string(5000, ';')}) {
        Replace(path, bytes);
        EXPECT_TRUE(ImportCsv(path, bytes));
    }
}

TEST(TextReaderFuzz, DamagedLayoutsAndProfilesOnAValidFile) {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "data");
    const std::string path = temp.File("in.csv");
    const std::string profile = temp.File("profil.prf");
    const std::string input = CTempDir::Read(kCsvData + "buchungen_in.csv");
    const std::string layouts[] = {CTempDir::Read(kCsvData + "csv_sign.ini")};
    const std::string profiles[] = {CTempDir::Read(kCsvData + "stamm_in.prf"),
                                    CTempDir::Read(kCsvData + "stamm_out.prf")};
    CTempDir::Write(path, input);
    std::mt19937 random(4242);
    for (int round = 0; round < 150; ++round) {
        Replace(temp.DataFile("csv.ini"), Mutate(layouts[0], random));
        std::string prf = Mutate(profiles[static_cast<size_t>(round) % 2], random);
        // The profile names the import section of either data type.
        if (round % 3 == 0) prf = CTool::ReplaceAll(prf, "[csv_out]", "[csv_in]");
        Replace(profile, prf);
        EXPECT_TRUE(ImportCsv(path, input, round % 2 ? profile : "")) << "round " << round;
    }
}

TEST(TextReaderFuzz, DamagedDatevProFilesReadOrFailWithAFinding) {
    CTempDir temp;
    const std::vector<std::string> seeds = ExtfSeeds();
    const std::string path = temp.File("EXTF_Buchungsstapel.csv");
    std::mt19937 random(510700);
    for (int round = 0; round < 60; ++round) {
        std::string bytes = Mutate(seeds[static_cast<size_t>(round) % seeds.size()], random);
        Replace(path, bytes);
        EXPECT_TRUE(ReadDatevPro(path, bytes)) << "round " << round;
    }
}

TEST(TextReaderFuzz, CutDatevProFiles) {
    CTempDir temp;
    const std::vector<std::string> seeds = ExtfSeeds();
    const std::string path = temp.File("EXTF_Buchungsstapel.csv");
    // Cut off in the header, in the headings and in the data lines, a few places per seed.
    for (const std::string& seed : seeds) {
        for (size_t at : CutOffsets(seed, seed.size(), 1000)) {
            Replace(path, seed.substr(0, at));
            EXPECT_TRUE(ReadDatevPro(path, seed.substr(0, at))) << "cut at " << at;
        }
    }
}

TEST(TextReaderFuzz, DamagedDatevProLayoutSections) {
    CTempDir temp;
    std::filesystem::create_directories(temp.path / "data");
    const std::vector<std::string> seeds = ExtfSeeds();
    const std::string path = temp.File("EXTF_Stammdaten.csv");
    // The sections as the readers write them after a first run.
    for (const std::string& seed : seeds) {
        Replace(path, seed);
        ASSERT_TRUE(ReadDatevPro(path, seed));
    }
    const std::string layout = CTempDir::Read(temp.DataFile("datevpro.ini"));
    ASSERT_NE(layout.find("[Import Stamm Daten]"), std::string::npos);
    std::mt19937 random(8);
    for (int round = 0; round < 25; ++round) {
        Replace(temp.DataFile("datevpro.ini"), Mutate(layout, random));
        const std::string& seed = seeds[static_cast<size_t>(round) % seeds.size()];
        Replace(path, seed);
        EXPECT_TRUE(ReadDatevPro(path, seed)) << "round " << round;
    }
}
