#include "core/CCommandLine.h"
#include "core/CIniEx.h"
#include "core/CPelkoDoc.h"
#include "core/CTool.h"
#include "datev/CDatev.h"
#include "robustness/FuzzSupport.h"
#include "robustness/SettingsProbes.h"
#include "support/CRecordingFrontEnd.h"
#include "text/CDlgModulCsvExport.h"
#include "text/CDlgModulCsvImport.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace fuzz;
using namespace probe;

namespace {

const std::string kCsvData = std::string(PELKO_TEST_DATA) + "/csv/";

} // namespace

TEST(SettingsFuzz, DamagedIniFilesKeepEveryValueThroughASave) {
    CTempDir temp;
    const std::string seeds[] = {
        CTempDir::Read(kCsvData + "csv_sign.ini"), CTempDir::Read(kCsvData + "stamm_in.prf"),
        CTempDir::Read(std::string(PELKO_SOURCE_DIR) + "/data/stammdaten_umsetzung.ini")};
    const std::string path = temp.File("fuzz.ini");
    std::mt19937 random(1606);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = round % 4 == 3 ? RandomBytes(random, 600) : Mutate(seeds[round % 3], random);
        Replace(path, bytes);
        std::vector<std::string> before;
        {
            CIniEx ini;
            ASSERT_TRUE(ini.Open(path, true, false));
            before = AllValues(ini);
            ini.SetString("Fuzz", "Wert", "eins=zwei");
        }
        CIniEx again;
        ASSERT_TRUE(again.Open(path, false, false));
        std::string value;
        EXPECT_TRUE(again.GetString("fuzz", "WERT", value)) << "round " << round;
        EXPECT_EQ(value, "eins=zwei") << "round " << round;
        std::vector<std::string> after = AllValues(again);
        after.erase(std::remove(after.begin(), after.end(),
                                "Fuzz\x01Wert\x01"
                                "eins=zwei"),
                    after.end());
        EXPECT_EQ(before, after) << "round " << round;
    }
}

TEST(SettingsFuzz, DamagedDatevParameterFilesLoadAndSaveStably) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev written(frontEnd);
    written.beraterNummer = 1234567;
    written.beraterName = "Berater";
    written.mandantenNummer = 12345;
    written.passwort = "0000";
    written.wirtschaftsjahrBeginn = "01.01.2024";
    written.datevProVersion = 510;
    ASSERT_TRUE(written.SaveAngaben());
    const std::string seed = CTempDir::Read(temp.DataFile("angaben_datev.txt"));
    std::mt19937 random(2024);
    for (int round = 0; round < 400; ++round) {
        Replace(temp.DataFile("angaben_datev.txt"),
                round % 5 == 4 ? RandomBytes(random, 800) : Mutate(seed, random));
        CDatev first(frontEnd);
        ASSERT_TRUE(first.LoadAngaben(""));
        ASSERT_TRUE(first.SaveAngaben());
        CDatev second(frontEnd);
        ASSERT_TRUE(second.LoadAngaben(""));
        ASSERT_TRUE(second.SaveAngaben());
        CDatev third(frontEnd);
        ASSERT_TRUE(third.LoadAngaben(""));
        // What a save writes reads back as it was saved.
        EXPECT_EQ(AngabenOf(second), AngabenOf(third)) << "round " << round;
    }
}

TEST(SettingsFuzz, DamagedProfilesInTheColumnDialogs) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    doc.InitDocument();
    const std::string seeds[] = {CTempDir::Read(kCsvData + "stamm_in.prf"),
                                 CTempDir::Read(kCsvData + "stamm_out.prf")};
    const std::string profile = temp.File("profil.prf");
    const std::string out = temp.File("out.csv");
    std::mt19937 random(99);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = Mutate(seeds[round % 2], random);
        if (round % 4 == 0) bytes += "Pos.: Ort=" + std::to_string(static_cast<int>(random())) + "\r\n";
        Replace(profile, bytes);
        ASSERT_TRUE(UseProfile(doc, profile, out));
        // Every written line has no more fields than the layout has columns.
        const std::string written = CTempDir::Read(out);
        long long separators = std::count(written.begin(), written.end(), ';') +
                               std::count(written.begin(), written.end(), ',') +
                               std::count(written.begin(), written.end(), '\t') +
                               std::count(written.begin(), written.end(), '|');
        EXPECT_LE(separators, 8 * doc.csvExportMaster.GetColumnCount()) << "round " << round;
    }
}

TEST(SettingsFuzz, RandomCommandLines) {
    CTempDir temp;
    // "/out:error:" creates its file where the line says: keep that inside the test's folder.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(temp.path);
    const char* const tokens[] = {"/AUTO",
                                  "/auto",
                                  "/in:csv:bu:",
                                  "/in:datevpro:",
                                  "/out:datev:",
                                  "/out:error:",
                                  "/dv:",
                                  "/prfin:",
                                  "/bnr:",
                                  "/vers:",
                                  "/in",
                                  "/out",
                                  "/dv",
                                  "/tbl",
                                  "/typ1",
                                  "\"",
                                  " ",
                                  "/",
                                  ":",
                                  "a b",
                                  "x.csv",
                                  "\xE4\xF6\xFC",
                                  "",
                                  "/datevdlg",
                                  "/fest:"};
    std::mt19937 random(1404);
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    for (int round = 0; round < 800; ++round) {
        std::string line = "pelko";
        for (size_t i = 0, n = Pick(random, 12); i < n; ++i)
            line += Pick(random, 4) ? tokens[Pick(random, std::size(tokens))] : RandomBytes(random, 8);
        if (round % 100 == 0) line += std::string(100 * 1024, '/');
        CCommandLine::Parse(line, doc);
        EXPECT_EQ(CCommandLine::ToLower(line).size(), line.size());
        CCommandLine::IsAutomatic(line);
        std::vector<std::string> args = {"pelko", line.substr(0, line.size() / 2),
                                         line.substr(line.size() / 2)};
        std::vector<const char*> argv;
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        CCommandLine::Parse(CCommandLine::FromArgv(static_cast<int>(argv.size()), argv.data()), doc);
    }
    doc.CloseErrorFile();
    std::filesystem::current_path(before);
}
