#include "core/CCodePage.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"
#include "text/CDlgModulCsvExport.h"
#include "text/CDlgModulCsvImport.h"
#include "text/CModulCSV.h"

#include <gtest/gtest.h>

namespace {

struct CFixture {
    CTempDir dir;
    CRecordingFrontEnd frontEnd;
    CModulCSV engine{frontEnd};
    std::string layout = dir.File("csv.ini");

    explicit CFixture(std::vector<std::string> names = {"P", "Q", "R"}) {
        engine.ResetLayout();
        for (const std::string& name : names)
            engine.DefineColumn(name, 1);
    }
    std::vector<std::string> Texts(const CDlgModulCsv& dialog) const {
        std::vector<std::string> texts;
        for (int i = 0; i < dialog.GetItemCount(); ++i)
            texts.push_back(dialog.GetItemText(i));
        return texts;
    }
    std::vector<int> Positions() const {
        std::vector<int> positions;
        for (int i = 0; i < engine.GetColumnCount(); ++i)
            positions.push_back(engine.GetColumn(i).position);
        return positions;
    }
    // Opens the input file the way the main window does before the import dialog.
    void OpenInput(const std::string& bytes) {
        std::string in = dir.File("in.csv");
        CTempDir::Write(in, bytes);
        ASSERT_TRUE(engine.PrepareImport(in));
        ASSERT_TRUE(engine.OpenImportFile(in));
    }
};

using Texts = std::vector<std::string>;

std::vector<std::string> BookingColumns() {
    return {"Buchungsnummer",        "Belegnummer 2", "Datum",         "Soll-Konto",  "Haben-Konto",
            Ansi("Datev-Schlüssel"), "Betrag",        Ansi("Währung"), "Buchungstext"};
}

} // namespace

TEST(CDlgModulCsv, ExportMovesItemsWithTheirPositions) {
    CFixture f;
    CDlgModulCsvExport dialog(f.engine);
    dialog.Open();
    EXPECT_EQ(dialog.GetConfirmCaption(), "EXPORT");
    dialog.MoveUp(); // the first item has nothing above it
    EXPECT_EQ(f.Texts(dialog), (Texts{"P", "Q", "R"}));
    dialog.SelectItem(1);
    dialog.MoveUp();
    EXPECT_EQ(f.Texts(dialog), (Texts{"Q", "P", "R"}));
    EXPECT_EQ(f.Positions(), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(dialog.GetSelectedItem(), 0);
    dialog.SelectItem(1);
    dialog.MoveDown();
    EXPECT_EQ(f.Texts(dialog), (Texts{"Q", "R", "P"}));
    EXPECT_EQ(f.Positions(), (std::vector<int>{2, 0, 1}));
    dialog.MoveDown(); // the last item stays
    EXPECT_EQ(dialog.GetSelectedItem(), 2);
}

TEST(CDlgModulCsv, TicksFollowTheColumnsSelection) {
    CFixture f;
    CDlgModulCsvExport dialog(f.engine);
    dialog.Open();
    dialog.ToggleItem(1);
    EXPECT_EQ(f.engine.GetColumn(1).selected, 0);
    dialog.InvertSelection();
    EXPECT_FALSE(dialog.IsTicked(0));
    EXPECT_TRUE(dialog.IsTicked(1));
    dialog.SelectAll();
    EXPECT_TRUE(dialog.IsTicked(0) && dialog.IsTicked(2));
}

TEST(CDlgModulCsv, NothingSelectedWritesEmptyLines) {
    CFixture f;
    f.frontEnd.onDialog = [](CDialogLogic& logic) {
        static_cast<CDlgModulCsv&>(logic).SelectNone();
        return true;
    };
    ASSERT_EQ(f.engine.SetupExport(f.layout, "Export", 1), 1);
    EXPECT_NE(CTempDir::Read(f.layout).find("Sel.: P=0\r\n"), std::string::npos);
    std::string out = f.dir.File("out.csv");
    f.engine.SetupExport(f.layout, "Export", 0);
    f.engine.OpenExportFile(out, 0);
    f.engine.WriteHeading();
    f.engine.ClearValues();
    f.engine.SetValue("P", "x");
    f.engine.WriteRecord();
    f.engine.CloseFile();
    EXPECT_EQ(CTempDir::Read(out), "\r\n\r\n");
}

TEST(CDlgModulCsv, CancelStoresNothing) {
    CFixture f;
    f.frontEnd.onDialog = [](CDialogLogic& logic) {
        static_cast<CDlgModulCsv&>(logic).SelectNone();
        return false;
    };
    EXPECT_EQ(f.engine.SetupExport(f.layout, "Export", 1), 0);
    EXPECT_EQ(CTempDir::Read(f.layout).find("Sel.: P=0"), std::string::npos);
}

TEST(CDlgModulCsv, ImportShowsHeadingsAndAssignsThem) {
    CFixture f(BookingColumns());
    f.OpenInput("Datum;Betrag;Text\r\n1;2;3\r\n");
    CDlgModulCsvImport* shown = nullptr;
    Texts before;
    f.frontEnd.onDialog = [&](CDialogLogic& logic) {
        CDlgModulCsvImport& dialog = static_cast<CDlgModulCsvImport&>(logic);
        before = f.Texts(dialog);
        dialog.AutoAssign();
        shown = &dialog;
        EXPECT_EQ(f.Texts(dialog)[0], "[Buchungsnummer] <-- [Text]");
        EXPECT_EQ(f.Texts(dialog)[2], "[Datum] <-- [Datum]");
        EXPECT_EQ(f.Texts(dialog)[6], "[Betrag] <-- [Betrag]");
        // Dragging "Betrag" onto "Buchungstext" swaps their fields; the items stay in place.
        dialog.DropOn(6, 8);
        EXPECT_EQ(f.Texts(dialog)[6], "[Betrag] <-- []");
        EXPECT_EQ(f.Texts(dialog)[8], "[Buchungstext] <-- [Betrag]");
        EXPECT_EQ(dialog.GetSelectedItem(), 8);
        dialog.MoveUp(); // the field of "Buchungstext" moves up to "Währung"
        EXPECT_EQ(f.Texts(dialog)[7], Ansi("[Währung] <-- [Betrag]"));
        EXPECT_EQ(dialog.GetSelectedItem(), 7);
        return true;
    };
    ASSERT_EQ(f.engine.SetupImport(f.layout, "Import", 1), 1);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(before[0], "[Buchungsnummer] <-- [Datum]");
    EXPECT_EQ(before[1], "[Belegnummer 2] <-- [Betrag]");
    EXPECT_EQ(before[2], "[Datum] <-- [Text]");
    EXPECT_EQ(before[3], "[Soll-Konto] <-- []");
    f.engine.ClearValues();
    f.engine.ReadRecord();
    std::string value;
    f.engine.GetString(Ansi("Währung"), value);
    EXPECT_EQ(value, "2");
    f.engine.CloseFile();
}

TEST(CDlgModulCsv, ProfileRoundTripAndFolderMemory) {
    CFixture f;
    std::string profile = f.dir.File("profile");
    {
        CDlgModulCsvExport dialog(f.engine);
        dialog.Open();
        dialog.SelectItem(2);
        dialog.MoveUp();
        dialog.ToggleItem(0);
        dialog.separatorIndex = 3;
        dialog.decimalPoint = 1;
        f.frontEnd.nextFiles = {profile};
        dialog.SaveProfile();
    }
    EXPECT_EQ(CTempDir::Read(profile + ".prf"),
              "[csv_out]\r\nTrennzeichen=3\r\nHochkomma=1\r\nZeichensatz=0\r\n" +
                  Ansi("Keine Überschriftszeile") +
                  "=0\r\nOpenOffice=0\r\nNachkommazeichen=1\r\nPos.: P=0\r\nSel.: P=0\r\nPos.: Q=2\r\n"
                  "Sel.: Q=1\r\nPos.: R=1\r\nSel.: R=1\r\n");

    CFixture g;
    CDlgModulCsvExport dialog(g.engine);
    g.frontEnd.nextFiles = {profile + ".prf"};
    dialog.LoadProfile();
    EXPECT_EQ(g.Texts(dialog), (Texts{"P", "R", "Q"}));
    EXPECT_FALSE(dialog.IsTicked(0));
    EXPECT_EQ(dialog.separatorIndex, 3);
    EXPECT_EQ(dialog.decimalPoint, 1);
    // The folder of the profile is proposed next time, unless all dialogs share one folder.
    dialog.LoadProfile();
    EXPECT_EQ(g.frontEnd.fileRequests.back().folder, f.dir.path.string());
    CTempDir::Write(g.dir.DataFile("dateipfad.ini"),
                    "[einstellungen]\r\ndateipfad_alle_gleich=1\r\n[dateipfad]\r\n"
                    "profil=/irgendwo\r\n");
    dialog.LoadProfile();
    EXPECT_EQ(g.frontEnd.fileRequests.back().folder, "");
}

TEST(CDlgModulCsv, ImportProfileBeyondTheColumnsIsNumberedAnew) {
    CFixture f;
    std::string profile = f.dir.File("in.prf");
    CTempDir::Write(profile,
                    "[csv_in]\r\nTrennzeichen=1\r\nPos.: P=2\r\nPos.: Q=40\r\nSel.: R=0\r\nPos.: X=0\r\n");
    CDlgModulCsvImport dialog(f.engine);
    ASSERT_TRUE(dialog.ApplyProfile(profile));
    EXPECT_EQ(dialog.separatorIndex, 1);
    EXPECT_EQ(f.Positions(), (std::vector<int>{2, 40, 2}));
    EXPECT_EQ(f.engine.GetColumn(2).selected, 0);
    dialog.Open();
    EXPECT_EQ(f.Positions(), (std::vector<int>{0, 1, 2}));

    EXPECT_FALSE(dialog.ApplyProfile(f.dir.File("fehlt.prf")));
    ASSERT_EQ(f.frontEnd.boxes.size(), 1u);
    EXPECT_EQ(f.frontEnd.boxes[0].text,
              Ansi("Profildatei kann nicht geöffnet werden: ") + f.dir.File("fehlt.prf"));
    EXPECT_EQ(dialog.separatorIndex, 1);
}

TEST(CDlgModulCsv, HeadlessDialogCountsAsCancelled) {
    CFixture f;
    f.frontEnd.dialogAnswer = false;
    f.OpenInput("a;b\r\n");
    EXPECT_EQ(f.engine.SetupImport(f.layout, "Import", 1), 0);
    EXPECT_EQ(f.frontEnd.dialogs, (Texts{"Auswahl und Zuordnung der Daten:"}));
    f.engine.CloseFile();
}
