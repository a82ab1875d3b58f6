// Automatic runs of the real program: CSV in, CSV out, compared byte by byte with files checked by hand.
#include "core/CCodePage.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

const std::string kData = std::string(PELKO_TEST_DATA) + "/csv/";

int RunPelko(const std::string& arguments) {
    std::string command = std::string(PELKO_BINARY) + " /AUTO " + arguments + " >/dev/null 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
}

void Seed(const CTempDir& dir, const std::string& from, const std::string& name) {
    std::filesystem::create_directories(dir.path / "data");
    std::filesystem::copy_file(kData + from, dir.DataFile(name));
}

} // namespace

TEST(CCsvRun, BookingsWithDefaultLayouts) {
    CTempDir dir;
    EXPECT_EQ(RunPelko("/in:csv:bu:" + kData + "buchungen_in.csv /out:csv:" + dir.File("out.csv") +
                       " /out:error:" + dir.File("err.txt")),
              0);
    EXPECT_EQ(CTempDir::Read(dir.File("out.csv")), CTempDir::Read(kData + "buchungen_out.csv"));
    EXPECT_EQ(CTempDir::Read(dir.File("err.txt")), "");
    // Both layout sections now list every booking column.
    std::string layout = CTempDir::Read(dir.DataFile("csv.ini"));
    EXPECT_NE(layout.find("[Import Buchungsdaten]\r\nTrennzeichen=0\r\n"), std::string::npos);
    EXPECT_NE(layout.find("[Export Buchungsdaten]\r\n"), std::string::npos);
    EXPECT_NE(layout.find("Pos.: S/H-Kennz. (optional)=16\r\nSel.: S/H-Kennz. (optional)=1\r\n"),
              std::string::npos);
}

TEST(CCsvRun, BookingsWithSettingsAndOwnLayout) {
    CTempDir dir;
    Seed(dir, "pelko_sign.ini", "pelko.ini");
    Seed(dir, "csv_sign.ini", "csv.ini");
    EXPECT_EQ(RunPelko("/in:csv:bu:" + kData + "buchungen_sign_in.csv /out:csv:" + dir.File("out.csv") +
                       " /out:error:" + dir.File("err.txt")),
              0);
    EXPECT_EQ(CTempDir::Read(dir.File("out.csv")), CTempDir::Read(kData + "buchungen_sign_out.csv"));
}

TEST(CCsvRun, MasterDataWithProfiles) {
    CTempDir dir;
    EXPECT_EQ(RunPelko("/in:csv:st:" + kData + "stamm_in.txt /prfin:" + kData +
                       "stamm_in.prf /prfout:" + kData + "stamm_out.prf /out:csv:" + dir.File("out.csv") +
                       " /out:error:" + dir.File("err.txt")),
              0);
    EXPECT_EQ(CTempDir::Read(dir.File("out.csv")), CTempDir::Read(kData + "stamm_out.csv"));
    // The profiles' options are stored in the layout sections of the run.
    std::string layout = CTempDir::Read(dir.DataFile("csv.ini"));
    EXPECT_NE(layout.find("[Export Stammdaten]\r\nTrennzeichen=3\r\nHochkomma=0\r\n"), std::string::npos);
}

TEST(CCsvRun, FailuresAreReportedAndLeaveNoOutput) {
    CTempDir dir;
    std::string error = dir.File("err.txt");
    EXPECT_EQ(RunPelko("/in:csv:bu:" + dir.File("fehlt.csv") + " /out:csv:" + dir.File("out.csv") +
                       " /out:error:" + error),
              1);
    EXPECT_EQ(CTempDir::Read(error).rfind("(E:601#9500)\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv")));

    EXPECT_EQ(RunPelko("/in:csv:bu:" + kData + "buchungen_in.csv /out:csv:" +
                       dir.File("kein/ordner/out.csv") + " /out:error:" + error),
              1);
    EXPECT_EQ(CTempDir::Read(error).rfind("(E:600#9510)\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.path / "kein"));

    // A profile that cannot be read is reported; the run goes on with the stored layout.
    EXPECT_EQ(RunPelko("/in:csv:bu:" + kData + "buchungen_in.csv /prfin:" + dir.File("fehlt.prf") +
                       " /out:csv:" + dir.File("out.csv") + " /out:error:" + error),
              0);
    EXPECT_EQ(CTempDir::Read(error),
              Ansi("Profildatei kann nicht geöffnet werden: ") + dir.File("fehlt.prf") + "\r\n");
    EXPECT_EQ(CTempDir::Read(dir.File("out.csv")), CTempDir::Read(kData + "buchungen_out.csv"));
}

TEST(CCsvRun, BinaryInputIsReadAsWhatItHolds) {
    CTempDir dir;
    std::string in = dir.File("in.csv");
    std::string out = dir.File("out.csv");
    std::string heading = CTempDir::Read(kData + "buchungen_out.csv");
    heading = heading.substr(0, heading.find("\r\n") + 2);
    std::string noise;
    for (unsigned i = 0; i < 300000; ++i)
        noise += static_cast<char>((i * 7919u + i / 13) % 256);
    CTempDir::Write(in, noise);
    int status = RunPelko("/in:csv:bu:" + in + " /out:csv:" + out + " /out:error:" + dir.File("err.txt"));
    // Whatever was read, the output is a well-formed file with its heading line, or there is none.
    EXPECT_TRUE(status == 0 || status == 1 || status == 3) << status;
    if (status == 1) {
        EXPECT_FALSE(std::filesystem::exists(out));
    } else {
        EXPECT_EQ(CTempDir::Read(out).substr(0, heading.size()), heading);
    }
}

TEST(CCsvRun, ShippedExamplesConvertAndConvertBackTheSame) {
    CTempDir dir;
    std::filesystem::create_directories(dir.path / "data");
    std::filesystem::copy_file(std::string(PELKO_SOURCE_DIR) + "/examples/csv.ini", dir.DataFile("csv.ini"));
    for (const char* kind : {"bu:buchungen", "st:stammdaten"}) {
        std::string type = std::string(kind).substr(0, 2);
        std::string name = std::string(kind).substr(3);
        std::string once = dir.File(name + "1.csv");
        std::string twice = dir.File(name + "2.csv");
        std::string error = " /out:error:" + dir.File("err.txt");
        EXPECT_EQ(RunPelko("/in:csv:" + type + ":" + std::string(PELKO_SOURCE_DIR) + "/examples/" + name +
                           ".csv /out:csv:" + once + error),
                  0);
        EXPECT_EQ(CTempDir::Read(dir.File("err.txt")), "");
        EXPECT_EQ(RunPelko("/in:csv:" + type + ":" + once + " /out:csv:" + twice + error), 0);
        std::string bytes = CTempDir::Read(once);
        EXPECT_GT(std::count(bytes.begin(), bytes.end(), '\n'), 12);
        EXPECT_EQ(CTempDir::Read(twice), bytes) << name;
    }
}

// 100 000 bookings through a pipe arrive whole; "Zeichensatz"=2 writes UTF-8 with its mark.
TEST(CCsvRun, PipeInputAndUtf8Output) {
    CTempDir dir;
    std::string in = dir.File("in.csv");
    std::string bytes = "Buchungsnummer;Datum;Soll-Konto;Haben-Konto;Betrag\r\n";
    for (int i = 1; i <= 100000; ++i)
        bytes += "B" + std::to_string(i) + ";01.02.2024;1200;8400;1,00\r\n";
    CTempDir::Write(in, bytes);
    std::filesystem::create_directories(dir.path / "data");
    CTempDir::Write(dir.DataFile("csv.ini"), "[Export Buchungsdaten]\r\nZeichensatz=2\r\n");
    std::string out = dir.File("out.csv");
    std::string command = "cat " + in + " | " + PELKO_BINARY +
                          " /AUTO /in:csv:bu:/dev/stdin /out:csv:" + out +
                          " /out:error:" + dir.File("err.txt") + " >" + dir.File("stdout.txt") + " 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
    EXPECT_NE(CTempDir::Read(dir.File("stdout.txt")).find("(100000 Buchungen)"), std::string::npos);
    std::string written = CTempDir::Read(out);
    EXPECT_EQ(written.substr(0, 20), "\xEF\xBB\xBF\"Buchungsnummer\";");
    EXPECT_NE(written.find("\"Datev-Schl\xC3\xBCssel\""), std::string::npos);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 100001);
    EXPECT_NE(written.find("\"B100000\";"), std::string::npos);
}

// A layout file that cannot be read stops the run before anything is written.
TEST(CCsvRun, UnreadableLayoutFails) {
    CTempDir dir;
    std::filesystem::create_directories(dir.path / "data");
    std::filesystem::create_symlink("/proc/self/mem", dir.DataFile("csv.ini"));
    std::string error = dir.File("err.txt");
    EXPECT_EQ(RunPelko("/in:csv:bu:" + kData + "buchungen_in.csv /out:csv:" + dir.File("out.csv") +
                       " /out:error:" + error),
              1);
    EXPECT_EQ(CTempDir::Read(error).rfind("(E:601#", 0), 0u) << CTempDir::Read(error);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv")));
}
