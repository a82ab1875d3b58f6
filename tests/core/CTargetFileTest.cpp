#include "core/CTargetFile.h"

#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "core/CRunDispatch.h"
#include "support/CFailingFileIo.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

int Mode(const std::string& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return static_cast<int>(status.st_mode & 07777);
}

bool Replace(const std::string& path, const std::string& text) {
    CTargetFile file;
    return file.Open(path) && file.Write(text) && file.Commit();
}

bool NoStagingFiles(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().string().find(".pelko-") != std::string::npos) return false;
    return true;
}

} // namespace

// What a replaced target keeps: its permission bits, a symbolic link to it, a read-only file
// stays untouched, and a device is written, never replaced.
TEST(CTargetFileTest, ReplacementKeepsModeAndLinksAndRefusesReadOnlyTargets) {
    CTempDir temp;
    const std::string real = temp.File("echt.csv");
    CTempDir::Write(real, "alt");
    chmod(real.c_str(), 0640);
    fs::create_symlink(real, temp.File("verweis.csv"));
    ASSERT_TRUE(Replace(temp.File("verweis.csv"), "neu"));
    EXPECT_TRUE(fs::is_symlink(temp.File("verweis.csv")));
    EXPECT_EQ(CTempDir::Read(real), "neu");
    EXPECT_EQ(Mode(real), 0640);

    chmod(real.c_str(), 0444);
    EXPECT_FALSE(Replace(real, "anders"));
    EXPECT_EQ(CTempDir::Read(real), "neu");
    EXPECT_FALSE(Replace(temp.path.string(), "x")); // a folder

    EXPECT_TRUE(Replace("/dev/null", "weg"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(NoStagingFiles(temp.path));
}

// Every writer, made to fail at each of its file calls in turn: the run reports the failure and
// the previous target stays byte for byte, or the run succeeds with the new target. Never a mix,
// never a staging file left behind.
TEST(CTargetFileTest, EveryWriterKeepsThePreviousTargetWhenAnyFileCallFails) {
    struct CCase {
        const char* name;
        int outputType;
        int dataType;
        std::vector<std::string> targets; // the first one is the file argument unless it is a folder
        bool folder;
        int version = 700; // of a DATEVpro target
    } cases[] = {
        {"CSV", CPelkoDoc::OutCsv, CPelkoDoc::Bookings, {"aus.csv"}, false},
        {"CSV Stammdaten", CPelkoDoc::OutCsv, CPelkoDoc::Master, {"stamm.csv"}, false},
        {"RTF", CPelkoDoc::OutRtf, CPelkoDoc::Bookings, {"liste.rtf"}, false},
        {"RTF Stammdaten", CPelkoDoc::OutRtf, CPelkoDoc::Master, {"stamm.rtf"}, false},
        {"DATEVpro", CPelkoDoc::OutDatevPro, CPelkoDoc::Bookings, {"EXTF_Buchungen.csv"}, false},
        {"DATEVpro Stammdaten", CPelkoDoc::OutDatevPro, CPelkoDoc::Master, {"EXTF_Stamm.csv"}, false},
        // An earlier, larger export's second file goes with the new set; ledger accounts go into a
        // labels file beside the master file, also for the older versions.
        {"DATEVpro alte Folgedatei",
         CPelkoDoc::OutDatevPro,
         CPelkoDoc::Bookings,
         {"EXTF_Buchungen.csv", "EXTF_Buchungen_002.csv"},
         false},
        {"DATEVpro 510 Sachkonten",
         CPelkoDoc::OutDatevPro,
         CPelkoDoc::Master,
         {"EXTF_Stamm.csv", "EXTF_Stamm_Kontenbeschriftungen.csv"},
         false,
         510},
        {"KNE", CPelkoDoc::OutDatev, CPelkoDoc::Bookings, {"ED00001", "EV01"}, true},
        {"KNE Stammdaten", CPelkoDoc::OutDatev, CPelkoDoc::Master, {"ED00001", "EV01"}, true},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir temp;
        fs::create_directories(temp.path / "data");
        CRecordingFrontEnd frontEnd;
        CPelkoDoc doc{frontEnd};
        doc.InitDocument();
        for (int i = 1; i <= 3; ++i) {
            CBuchungenData b;
            b.datum = "0" + std::to_string(i) + ".02.2023";
            b.betrag = 10.5 * i;
            b.sollKonto = 1200;
            b.habenKonto = 8400;
            b.buchungstext = "Miete";
            doc.buchungen.Add(b);
            CStammData s;
            s.datevKonto = 10000 + i;
            s.name1 = "Kunde";
            doc.stamm.Add(s);
        }
        CStammData ledger;
        ledger.datevKonto = 1200;
        ledger.name1 = "Bank";
        doc.stamm.Add(ledger);
        CDatev& datev = doc.datev;
        datev.beraterNummer = 1234567;
        datev.mandantenNummer = 12345;
        datev.datumVon = "01.02.2023";
        datev.datumBis = "03.02.2023";
        datev.wirtschaftsjahrBeginn = "01.01.2023";
        datev.datevProVersion = c.version;
        const CWriterEntry& entry = *CRunDispatch::Standard().FindWriter(c.outputType);
        const std::string argument = c.folder ? temp.path.string() : temp.File(c.targets[0]);
        std::vector<std::string> previous;
        for (const std::string& target : c.targets) {
            previous.push_back("vorher " + target);
            CTempDir::Write(temp.File(target), previous.back());
        }

        int failures = 0;
        for (int n = 1;; ++n) {
            SCOPED_TRACE("Aufruf " + std::to_string(n));
            frontEnd.boxes.clear();
            std::string messages;
            CFailingFileIo io(n);
            bool ok = entry.write[c.dataType](doc, argument, messages) != 0;
            if (!io.Reached()) {
                EXPECT_TRUE(ok);
                break;
            }
            ASSERT_LT(n, 200);
            EXPECT_TRUE(NoStagingFiles(temp.path));
            if (ok) {
                for (size_t t = 0; t < c.targets.size(); ++t)
                    CTempDir::Write(temp.File(c.targets[t]), previous[t]); // a later call may fail again
                continue; // the failed call did not matter (a layout file that could not be saved)
            }
            ++failures;
            EXPECT_FALSE(frontEnd.boxes.empty());
            for (size_t t = 0; t < c.targets.size(); ++t)
                EXPECT_EQ(CTempDir::Read(temp.File(c.targets[t])), previous[t]) << c.targets[t];
        }
        EXPECT_GE(failures, 4); // open, write, flush, sync, close, rename at least
        for (size_t t = 0; t < c.targets.size(); ++t)
            EXPECT_NE(CTempDir::Read(temp.File(c.targets[t])), previous[t]) << c.targets[t];
    }
}

// The E:600 text names the file the user gave, never the staging file.
TEST(CTargetFileTest, ReadOnlyCsvAndDatevProTargetsAreRefusedNamingTheUsersPath) {
    CTempDir temp;
    fs::create_directories(temp.path / "data");
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    doc.InitDocument();
    doc.buchungen.Add(CBuchungenData());
    for (int type : {CPelkoDoc::OutCsv, CPelkoDoc::OutDatevPro}) {
        const std::string path = temp.File("EXTF_" + std::to_string(type) + ".csv");
        CTempDir::Write(path, "vorher");
        chmod(path.c_str(), 0444);
        frontEnd.boxes.clear();
        std::string messages;
        EXPECT_EQ(CRunDispatch::Standard().FindWriter(type)->write[0](doc, path, messages), 0);
        ASSERT_EQ(frontEnd.boxes.size(), 1u);
        const std::string& text = frontEnd.boxes[0].text;
        EXPECT_TRUE(text.starts_with("(E:600#")) << text;
        EXPECT_NE(text.find("(" + path + ")"), std::string::npos) << text;
        EXPECT_EQ(text.find(".pelko-part"), std::string::npos) << text;
        EXPECT_EQ(CTempDir::Read(path), "vorher");
    }
}

// Writes and rooms filled in place, across the edges of the write buffer and beyond its size, keep
// their order; bytes written straight into a file reach it even when the file is given up.
TEST(CTargetFileTest, WritesAndRoomsKeepTheirOrderAcrossTheWriteBuffer) {
    CTempDir temp;
    const std::string path = temp.File("ziel.txt");
    CTargetFile file;
    ASSERT_TRUE(file.Open(path));
    std::mt19937 random(7);
    std::string expected;
    for (int i = 0; i < 400; ++i) {
        // The large writes start syncs behind the writing, which the later writes run beside.
        const size_t size = i == 100 || i == 300 ? 9 << 20 : i == 200 ? 600 << 10 : random() % 5000;
        const std::string bytes(size, static_cast<char>('a' + i % 26));
        char* room = i % 2 ? nullptr : file.Room(size);
        if (room)
            std::memcpy(room, bytes.data(), size);
        else
            ASSERT_TRUE(file.Write(bytes));
        EXPECT_EQ(room == nullptr, i % 2 == 1 || (i > 0 && i % 100 == 0)) << i;
        expected += bytes;
    }
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(CTempDir::Read(path), expected);

    CTargetFile appended;
    ASSERT_TRUE(appended.Open(path, true));
    ASSERT_TRUE(appended.Write("dazu"));
    appended.Abandon();
    EXPECT_EQ(CTempDir::Read(path), expected + "dazu");

    CTargetFile dropped;
    ASSERT_TRUE(dropped.Open(temp.File("verworfen.txt")));
    ASSERT_TRUE(dropped.Write(std::string(9 << 20, 'x')));
    dropped.Abandon();
    EXPECT_FALSE(fs::exists(temp.File("verworfen.txt")));
    EXPECT_TRUE(NoStagingFiles(temp.path));
}

// The system reports a write error to one sync only; when that is the sync behind the writing, the
// final one succeeds and the target must still fail. Here the staging file is a device that
// refuses every sync, the final sync is made to pass and putting it in place writes "neu". No target
// exists beforehand: its permission bits would be given to the device.
TEST(CTargetFileTest, AFailedSyncBehindTheWritingFailsTheTarget) {
    struct CDeviceStaging : CFileIo {
        CDeviceStaging() { CFileIo::Install(this); }
        ~CDeviceStaging() override { CFileIo::Install(nullptr); }
        std::FILE* Open(const std::string&, const char* mode) override {
            return CFileIo::Open("/dev/null", mode);
        }
        bool Sync(std::FILE*) override { return true; }
        bool Rename(const std::string&, const std::string& to) override {
            CTempDir::Write(to, "neu");
            return true;
        }
    } io;
    CTempDir temp;
    const std::string path = temp.File("ziel.txt");
    CTargetFile file;
    ASSERT_TRUE(file.Open(path));
    file.Write(std::string(9 << 20, 'x'));
    file.Write("Rest");
    EXPECT_FALSE(file.Commit());
    EXPECT_FALSE(fs::exists(path));

    ASSERT_TRUE(file.Open(temp.File("klein.txt")));
    ASSERT_TRUE(file.Write("kurz"));
    EXPECT_TRUE(file.Finish()) << "a small file has no sync behind it";

    // The rest synced behind the writer's back (a finished part of a split export) counts as well.
    ASSERT_TRUE(file.Open(temp.File("teil.txt")));
    ASSERT_TRUE(file.Write("kurz"));
    file.SyncRest();
    EXPECT_FALSE(file.Finish());
}
