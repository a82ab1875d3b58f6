#include "core/CPlatform.h"
#include "core/CCodePage.h"
#include "core/CDialogLogic.h"
#include "core/CHeadlessFrontEnd.h"

#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(CPlatformTest, Windows1252PathsNameUtf8Files) {
    CTempDir temp;
    const std::string ansiPath = CCodePage::Utf8ToAnsi(temp.File("Bücher ä.txt"));
    std::FILE* file = CPlatform::OpenFile(ansiPath, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("abc", file);
    std::fclose(file);
    EXPECT_EQ(CTempDir::Read(temp.File("Bücher ä.txt")), "abc");
    EXPECT_TRUE(CPlatform::FileExists(ansiPath));
    EXPECT_EQ(CPlatform::FileSize(ansiPath), 3);
    EXPECT_EQ(CPlatform::OpenFile("", "rb"), nullptr);
}

TEST(CPlatformTest, FileOperations) {
    CTempDir temp;
    const std::string nested = temp.File("a/b/c");
    EXPECT_TRUE(CPlatform::CreateDirectories(nested));
    EXPECT_TRUE(CPlatform::IsDirectory(nested));
    EXPECT_FALSE(CPlatform::FileExists(nested)); // a folder is no file
    EXPECT_EQ(CPlatform::FileSize(temp.File("fehlt")), -1);

    CTempDir::Write(temp.File("eins"), "1");
    CTempDir::Write(temp.File("zwei"), "22");
    EXPECT_TRUE(CPlatform::CopyFile(temp.File("eins"), temp.File("zwei")));
    EXPECT_EQ(CTempDir::Read(temp.File("zwei")), "1");
    EXPECT_FALSE(CPlatform::CopyFile(temp.File("fehlt"), temp.File("drei")));
    EXPECT_TRUE(CPlatform::RenameFile(temp.File("zwei"), temp.File("a/zwei")));
    EXPECT_FALSE(CPlatform::FileExists(temp.File("zwei")));
    EXPECT_TRUE(CPlatform::FileExists(temp.File("a/zwei")));
    EXPECT_FALSE(CPlatform::RenameFile(temp.File("fehlt"), temp.File("x")));
    EXPECT_TRUE(CPlatform::RemoveFile(temp.File("a/zwei")));
    EXPECT_FALSE(CPlatform::RemoveFile(temp.File("a/zwei")));

    CTempDir::Write(temp.File("datei"), "x");
    EXPECT_FALSE(CPlatform::CreateDirectories(temp.File("datei/unter")));

    EXPECT_EQ(CPlatform::FolderOf("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(CPlatform::FolderOf("c.txt"), "");
    EXPECT_EQ(CPlatform::FolderOf("/c.txt"), "");
}

TEST(CPlatformTest, ClockGivesPlausibleDates) {
    for (CDateTime now : {CPlatform::NowLocal(), CPlatform::NowUtc()}) {
        EXPECT_GE(now.year, 2024);
        EXPECT_TRUE(now.month >= 1 && now.month <= 12);
        EXPECT_TRUE(now.day >= 1 && now.day <= 31);
        EXPECT_TRUE(now.hour >= 0 && now.hour <= 23);
        EXPECT_TRUE(now.millisecond >= 0 && now.millisecond <= 999);
    }
}

namespace {

class CNamedDialog : public CDialogLogic {
public:
    std::string GetTitle() const override { return "DATEV-Angaben"; }
};

std::string Contents(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

} // namespace

TEST(CHeadlessFrontEndTest, ShowsTextsAsUtf8AndAnswersCautiously) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    {
        CHeadlessFrontEnd frontEnd(out, err);
        using E = CFrontEnd;
        frontEnd.SetStatus(Ansi("Daten werden eingelesen... ä"));
        frontEnd.SetProgressRange(0, 10);
        frontEnd.SetProgressPos(5); // no terminal: no progress line
        EXPECT_EQ(frontEnd.MessageBox(Ansi("(E:301)\nDatei fehlt: ö"), E::EIcon::Error, E::EButtons::Ok),
                  E::EAnswer::Ok);
        EXPECT_EQ(frontEnd.MessageBox("?", E::EIcon::Question, E::EButtons::YesNo), E::EAnswer::No);
        EXPECT_EQ(frontEnd.MessageBox("?", E::EIcon::Question, E::EButtons::OkCancel), E::EAnswer::Cancel);
        EXPECT_EQ(frontEnd.MessageBox("?", E::EIcon::Question, E::EButtons::YesNoCancel), E::EAnswer::Cancel);
        CNamedDialog dialog;
        EXPECT_FALSE(frontEnd.RunDialog(dialog));
        std::string chosen = "unverändert";
        EXPECT_FALSE(frontEnd.ChooseFile(false, "Datei", "", "", chosen));
        EXPECT_EQ(chosen, "unverändert");
        frontEnd.ShowMessages("Es wurden folgende Fehler festgestellt:", "HINWEIS: x\r\n");
    }
    EXPECT_EQ(Contents(out), "Daten werden eingelesen... ä\n");
    EXPECT_EQ(Contents(err), "(E:301)\nDatei fehlt: ö\n?\n?\n?\n"
                             "Der Dialog 'DATEV-Angaben' kann ohne Bildschirm nicht angezeigt werden; der "
                             "Vorgang wurde abgebrochen.\n"
                             "Es wurden folgende Fehler festgestellt:\nHINWEIS: x\r\n\n");
    std::fclose(out);
    std::fclose(err);
}
