#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "core/CHeadlessFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CRunDispatch.h"
#include "core/CTool.h"
#include "datev/CDatevDialog.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const char* const kAngaben =
    "DATEV-Angaben:\r\n--\r\n4711\r\nBerater\r\n815\r\nMM\r\n3\r\n12\r\n\r\n1\r\n4\r\n01.01."
    "2023\r\n510\r\n1\r\n";

int ReadTwoBookings(CPelkoDoc& doc, const std::string&, std::string&) {
    CBuchungenData b;
    b.betrag = 10;
    b.sollKonto = 1000;
    b.habenKonto = 8400;
    b.datum = "02.01.2023";
    doc.buchungen.Add(b);
    b.datum = "30.06.2023";
    doc.buchungen.Add(b);
    return 1;
}

int ReadOneMasterRecord(CPelkoDoc& doc, const std::string&, std::string&) {
    CStammData s;
    s.datevKonto = 10000;
    doc.stamm.Add(s);
    return 1;
}

class DatevPrepare : public ::testing::Test {
protected:
    DatevPrepare() {
        CTempDir::Write(paramFile, kAngaben);
        doc.SetDispatch(dispatch);
        doc.outputFile = temp.File("ED00001");
    }

    // Whether the dialog was shown for the given flags.
    bool Shows(bool automaticRun, const std::string& file, int automaticFlag, int force) {
        frontEnd.dialogs.clear();
        doc.datevParamFile = file;
        doc.automatic = automaticFlag;
        doc.forceDatevDialog = force;
        EXPECT_EQ(doc.datev.PrepareDatevTarget(doc, CPelkoDoc::Bookings, false, automaticRun, messages),
                  Ready);
        return !frontEnd.dialogs.empty();
    }

    CTempDir temp;
    std::string paramFile = temp.File("angaben.txt");
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    const CReaderEntry readers[1] = {{"Test", 1002, nullptr, {ReadTwoBookings, ReadOneMasterRecord}}};
    const CWriterEntry writers[1] = {*CRunDispatch::Standard().FindWriter(CPelkoDoc::OutDatev)};
    CRunDispatch dispatch{readers, writers};
    std::string messages;
    static constexpr CDatev::EPrepared Ready = CDatev::EPrepared::Ready;
};

} // namespace

TEST_F(DatevPrepare, InteractiveRunSkipsTheDialogOnlyWithFileAndAutomaticFlag) {
    EXPECT_TRUE(Shows(false, "", 0, 0));
    EXPECT_TRUE(Shows(false, paramFile, 0, 0));
    EXPECT_TRUE(Shows(false, "", 1, 0));
    EXPECT_FALSE(Shows(false, paramFile, 1, 0));
    EXPECT_TRUE(Shows(false, paramFile, 1, 1));
}

TEST_F(DatevPrepare, AutomaticRunShowsTheDialogOnlyWithoutAutomaticFlagOrWhenForced) {
    EXPECT_FALSE(Shows(true, "", 1, 0));
    EXPECT_FALSE(Shows(true, paramFile, 1, 0));
    EXPECT_TRUE(Shows(true, paramFile, 0, 0));
    EXPECT_TRUE(Shows(true, "", 1, 1));
}

TEST_F(DatevPrepare, LoadsDateRangeAndCommandLineValuesThenSaves) {
    std::string ignored;
    ReadTwoBookings(doc, "", ignored);
    doc.datevParamFile = paramFile;
    doc.automatic = 1;
    doc.datevValues.mandantenNummer = " +42x";
    doc.datevValues.beraterName = "Neu";
    doc.datevValues.kne = "0";
    doc.datevValues.version = "99999999999999";
    doc.datevValues.wirtschaftsjahr = "01.07.2023";
    ASSERT_EQ(doc.datev.PrepareDatevTarget(doc, CPelkoDoc::Bookings, false, true, messages), Ready);
    CDatev& datev = doc.datev;
    EXPECT_EQ(datev.beraterNummer, 4711);
    EXPECT_EQ(datev.beraterName, "Neu");
    EXPECT_EQ(datev.mandantenNummer, 42);
    EXPECT_EQ(datev.kontonummernErweiterung, 0);
    EXPECT_EQ(datev.datevProVersion, 2147483647);
    EXPECT_EQ(datev.wirtschaftsjahrBeginn, "01.07.2023");
    EXPECT_EQ(datev.datumVon, "02.01.2023");
    EXPECT_EQ(datev.datumBis, "30.06.2023");

    CDatev saved(frontEnd);
    ASSERT_TRUE(saved.LoadAngaben(""));
    EXPECT_EQ(saved.mandantenNummer, 42);
    EXPECT_EQ(saved.beraterName, "Neu");
}

TEST_F(DatevPrepare, DialogGetsTheModesAndCancelStopsBeforeSaving) {
    bool master = false, datevPro = false;
    frontEnd.onDialog = [&](CDialogLogic& logic) {
        auto& dialog = dynamic_cast<CDatevDialog&>(logic);
        master = dialog.masterMode;
        datevPro = dialog.datevProMode;
        return false;
    };
    EXPECT_EQ(doc.datev.PrepareDatevTarget(doc, CPelkoDoc::Master, true, false, messages),
              CDatev::EPrepared::Cancelled);
    EXPECT_TRUE(master);
    EXPECT_TRUE(datevPro);
    EXPECT_FALSE(CPlatform::FileExists(temp.DataFile("angaben_datev.txt")));
}

TEST_F(DatevPrepare, AutomaticRunWritesBothKneFilesAndCountsTheRecords) {
    doc.datevParamFile = paramFile;
    doc.automatic = 1;
    ASSERT_EQ(doc.RunAutomatic(), CPelkoDoc::ERunResult::Completed);
    EXPECT_EQ(CPlatform::FileSize(temp.File("ED00001")), 256);
    EXPECT_EQ(CTempDir::Read(temp.File("EV01")).substr(6, 7), "0004711");
    EXPECT_EQ(frontEnd.statuses.back(), "Konvertierung abgeschlossen (2 Buchungen).");

    doc.dataType = CPelkoDoc::Master;
    ASSERT_EQ(doc.RunAutomatic(), CPelkoDoc::ERunResult::Completed);
    EXPECT_EQ(CTempDir::Read(temp.File("ED00001")).substr(6, 2), "13");
    EXPECT_EQ(frontEnd.statuses.back(), "Konvertierung abgeschlossen (1 Stammdaten).");
}

TEST_F(DatevPrepare, NoControlFileIsWrittenForAFailedDataFile) {
    doc.datevParamFile = paramFile;
    doc.automatic = 1;
    doc.outputFile = temp.File("fehlt/ED00001");
    EXPECT_EQ(doc.RunAutomatic(), CPelkoDoc::ERunResult::Failed);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].text.substr(0, 8), "(E:305)\n");
}

TEST(DatevPrepareHeadless, ADialogThatMustBeShownCancelsTheUnattendedRun) {
    CTempDir temp;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CHeadlessFrontEnd frontEnd(out, err);
    CPelkoDoc doc(frontEnd);
    const CReaderEntry readers[1] = {{"Test", 1002, nullptr, {ReadTwoBookings, ReadOneMasterRecord}}};
    const CWriterEntry writers[1] = {*CRunDispatch::Standard().FindWriter(CPelkoDoc::OutDatev)};
    CRunDispatch dispatch(readers, writers);
    doc.SetDispatch(dispatch);
    doc.outputFile = temp.File("ED00001");
    doc.forceDatevDialog = 1;
    doc.automatic = 1;
    EXPECT_EQ(doc.RunAutomatic(), CPelkoDoc::ERunResult::Cancelled);
    EXPECT_FALSE(CPlatform::FileExists(temp.File("ED00001")));
    std::rewind(err);
    char text[512] = {};
    std::fread(text, 1, sizeof text - 1, err);
    EXPECT_NE(
        std::string(text).find("Der Dialog 'DATEV-Angaben' kann ohne Bildschirm nicht angezeigt werden"),
        std::string::npos);
    std::fclose(out);
    std::fclose(err);
}

// A parameter file that is named but missing, or holds numbers that cannot be read, stops the
// export; numbers with blanks or a sign before them are read.
TEST_F(DatevPrepare, ParameterFileThatCannotBeReadStopsTheExport) {
    const std::string good = kAngaben;
    struct {
        std::string file; // empty: the named file does not exist
        CDatev::EPrepared expected;
        const char* finding;
    } cases[] = {
        {"", CDatev::EPrepared::Failed, nullptr},
        {CTool::ReplaceAll(good, "\r\n1\r\n4\r\n", "\r\nja\r\n4\r\n"), CDatev::EPrepared::Failed,
         "Zeile 10 (Kontonummernerweiterung): 'ja' ist keine Zahl."},
        {"DATEV-Angaben:\r\n--\r\n" + std::string(300, 'x') + "\r\n", CDatev::EPrepared::Failed,
         "Zeile 3 (Beraternummer): nicht lesbar"},
        {CTool::ReplaceAll(CTool::ReplaceAll(good, "4711", " 29098"), "815", "+55003"), Ready, nullptr},
    };
    doc.automatic = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        messages.clear();
        frontEnd.boxes.clear();
        std::filesystem::remove(paramFile);
        if (!c.file.empty()) CTempDir::Write(paramFile, c.file);
        doc.datevParamFile = paramFile;
        EXPECT_EQ(doc.datev.PrepareDatevTarget(doc, CPelkoDoc::Bookings, false, true, messages), c.expected);
        if (c.expected == Ready) {
            EXPECT_EQ(doc.datev.beraterNummer, 29098);
            EXPECT_EQ(doc.datev.mandantenNummer, 55003);
            EXPECT_TRUE(frontEnd.boxes.empty());
            continue;
        }
        ASSERT_EQ(frontEnd.boxes.size(), 1u);
        EXPECT_TRUE(frontEnd.boxes[0].text.starts_with("(E:330)\n")) << frontEnd.boxes[0].text;
        EXPECT_NE(frontEnd.boxes[0].text.find(paramFile), std::string::npos);
        if (c.finding) {
            EXPECT_NE(messages.find(c.finding), std::string::npos) << messages;
        }
        EXPECT_FALSE(CPlatform::FileExists(temp.DataFile("angaben_datev.txt"))); // nothing saved
    }
}
