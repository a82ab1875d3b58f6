#include "core/CDlgErrorWin.h"

#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

namespace {

const std::string kCut = "\r\n\r\n(weitere Fehlermeldungen wurden abgeschnitten)";

} // namespace

TEST(CDlgErrorWin, OpeningCutsDropsOneLeadingLineFeedAndWritesTheProtocol) {
    struct CCase {
        std::string text;
        std::string shown;
    };
    const std::string full(CDlgErrorWin::kMaxText, 'x');
    const CCase cases[] = {
        {full.substr(1), full.substr(1)},     // 49 999 characters stay
        {full, full + kCut},                  // 50 000 are cut with the note
        {full + "yz", full + kCut},           // and so is anything longer
        {"\nFEHLER: a\r\n", "FEHLER: a\r\n"}, // one leading LF goes
        {"\r\nFEHLER: a", "\r\nFEHLER: a"},   // CR LF stays
        {"\n\nHINWEIS: b", "\nHINWEIS: b"},   // only one LF
    };
    for (const CCase& c : cases) {
        CTempDir temp;
        CDlgErrorWin window;
        window.Open("Es wurden folgende Fehler festgestellt:", c.text);
        EXPECT_EQ(window.text, c.shown) << c.text.substr(0, 20);
        EXPECT_EQ(window.caption, "Es wurden folgende Fehler festgestellt:");
        EXPECT_EQ(CTempDir::Read(temp.DataFile("protokoll.txt")), "Fehler-Protokoll:\r\n" + c.shown + "\r\n");
    }
}

TEST(CDlgErrorWin, SavingTheProtocolCopiesItAndRemembersTheFolder) {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDlgErrorWin window;
    window.Open("", "FEHLER: x\r\n");
    EXPECT_EQ(window.caption, "Folgende Fehler wurden festgestellt:");

    frontEnd.nextFiles = {temp.File("kopie.txt"), temp.File("fehlt/kopie.txt")};
    window.SaveProtocol(frontEnd);
    EXPECT_EQ(CTempDir::Read(temp.File("kopie.txt")), "Fehler-Protokoll:\r\nFEHLER: x\r\n\r\n");
    EXPECT_TRUE(frontEnd.boxes.empty());
    // The next dialog proposes that folder, unless every dialog is to start without one.
    window.SaveProtocol(frontEnd);
    ASSERT_EQ(frontEnd.fileRequests.size(), 2u);
    EXPECT_EQ(frontEnd.fileRequests[1].folder, temp.path.string());
    ASSERT_EQ(frontEnd.boxes.size(), 1u); // a copy that failed is not passed over in silence
    EXPECT_NE(frontEnd.boxes[0].text.find("fehlt/kopie.txt"), std::string::npos);

    CTempDir::Write(
        temp.DataFile("dateipfad.ini"),
        "[einstellungen]\r\ndateipfad_alle_gleich=1\r\n[dateipfad]\r\nfehlerprotokolldatei=/x\r\n");
    window.SaveProtocol(frontEnd);
    EXPECT_EQ(frontEnd.fileRequests.back().folder, "");
}
