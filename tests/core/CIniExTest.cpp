#include "core/CIniEx.h"
#include "core/CCodePage.h"
#include "core/CTool.h"

#include "support/CTempDir.h"

#include <gtest/gtest.h>

namespace {

const std::string kSample = "; Einstellungen\r\n"
                            "vorne=1\r\n"
                            "\r\n"
                            "[Eingabe]\r\n"
                            "Typ=1\r\n"
                            "; Kommentar mit = Zeichen\r\n"
                            "unbekannt=bleibt\r\n"
                            "abc\r\n"
                            "Typ=2\r\n"
                            "Typ = 3\r\n"
                            "\r\n"
                            "[Ausgabe]\r\n"
                            "Datei=C:\\Export\\liste.csv\r\n";

} // namespace

TEST(CIniExTest, SavesCommentsBlankLinesAndOrderInPlace) {
    CTempDir temp;
    std::string file = temp.File("a.ini");
    CTempDir::Write(file, kSample);
    {
        CIniEx ini;
        ASSERT_TRUE(ini.Open(file));
        ini.SetInt("eingabe", "TYP", 7);
        ini.SetString("Neu", "Schluessel", "Wert");
    }
    std::string expected = kSample;
    expected.replace(expected.find("Typ=2"), 5, "Typ=7");      // the later duplicate only
    expected.replace(expected.find("abc\r\n"), 5, "abc=\r\n"); // a line without "=" gains one
    expected += "[Neu]\r\nSchluessel=Wert\r\n";
    EXPECT_EQ(CTempDir::Read(file), expected);
}

TEST(CIniExTest, LooksUpWithoutRegardToCaseAndLaterDuplicateWins) {
    CTempDir temp;
    std::string file = temp.File("a.ini");
    CTempDir::Write(file, kSample);
    CIniEx ini;
    ASSERT_TRUE(ini.Open(file));
    int value = 0;
    EXPECT_TRUE(ini.GetInt("EINGABE", "typ", value));
    EXPECT_EQ(value, 2);
    std::string text;
    EXPECT_TRUE(ini.GetString("ausgabe", "DATEI", text));
    EXPECT_EQ(text, "C:\\Export\\liste.csv");
    EXPECT_TRUE(ini.GetString("", "vorne", text));
    EXPECT_EQ(text, "1");
    // "Typ = 3" has the key "Typ " and answers no lookup of "Typ".
    EXPECT_TRUE(ini.GetString("Eingabe", "Typ ", text));
    EXPECT_EQ(text, " 3");
    EXPECT_FALSE(ini.GetString("Eingabe", "fehlt", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(ini.GetInt("Fehlt", "Typ", value));
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(ini.IsModified());
    // Letters of the Windows code page compare without regard to case as well.
    ini.SetString("Eingabe", Ansi("Pos.: Währung"), "7");
    EXPECT_TRUE(ini.GetString("EINGABE", Ansi("POS.: WÄHRUNG"), text));
    EXPECT_EQ(text, "7");
}

TEST(CIniExTest, CaseSensitiveObjectsKeepSectionsApart) {
    CTempDir temp;
    std::string file = temp.File("a.ini");
    CTempDir::Write(file, "[A]\r\nk=1\r\n[a]\r\nk=2\r\n");
    CIniEx ini;
    ASSERT_TRUE(ini.Open(file, false, false, false));
    std::string text;
    EXPECT_TRUE(ini.GetString("a", "k", text));
    EXPECT_EQ(text, "2");
    EXPECT_FALSE(ini.GetString("a", "K", text));
}

TEST(CIniExTest, ValuesWithLineBreaksReadBackWithCrLf) {
    CTempDir temp;
    std::string file = temp.File("a.ini");
    {
        CIniEx ini;
        ASSERT_TRUE(ini.Open(file));
        ini.SetString("S", "mehrzeilig", "eins\r\nzwei\r\ndrei");
        ini.SetString("S", "nur lf", "eins\nzwei");
        ini.SetString("S", "danach", "x");
    }
    EXPECT_EQ(CTempDir::Read(file),
              "[S]\r\nmehrzeilig=eins\rzwei\rdrei\r\nnur lf=eins\rzwei\r\ndanach=x\r\n");
    CIniEx ini;
    ASSERT_TRUE(ini.Open(file));
    std::string text;
    EXPECT_TRUE(ini.GetString("s", "MEHRZEILIG", text));
    EXPECT_EQ(text, "eins\r\nzwei\r\ndrei");
    EXPECT_TRUE(ini.GetString("s", "nur lf", text));
    EXPECT_EQ(text, "eins\r\nzwei");
    EXPECT_TRUE(ini.GetString("s", "danach", text));
    EXPECT_EQ(text, "x");
}

TEST(CIniExTest, WritesOnlyWhenSomethingChanged) {
    CTempDir temp;
    std::string file = temp.File("a.ini");
    // LF line ends and trailing blanks would be rewritten by a save; they show whether one happened.
    const std::string original = "[S]\nk=v   \n";
    CTempDir::Write(file, original);
    {
        CIniEx ini;
        ASSERT_TRUE(ini.Open(file));
        ini.SetString("s", "K", "v"); // the same value: no change
        EXPECT_FALSE(ini.IsModified());
    }
    EXPECT_EQ(CTempDir::Read(file), original);
    {
        CIniEx ini;
        ASSERT_TRUE(ini.Open(file, false));
        ini.SetString("S", "k", "w"); // changed, but without auto-save nothing is written
    }
    EXPECT_EQ(CTempDir::Read(file), original);
    CIniEx ini;
    ASSERT_TRUE(ini.Open(file, false));
    ini.SetString("S", "k", "w");
    EXPECT_TRUE(ini.Save());
    EXPECT_EQ(CTempDir::Read(file), "[S]\r\nk=w\r\n");
    // The flag stays set: a later save writes again.
    CTempDir::Write(file, "");
    EXPECT_TRUE(ini.Save());
    EXPECT_EQ(CTempDir::Read(file), "[S]\r\nk=w\r\n");
}

// Files read before are shared until changed: a change in one object or on disk (the same size, at
// once) never shows in another.
TEST(CIniExTest, SharedContentsStaySeparate) {
    CTempDir temp;
    std::string file = temp.File("b.ini");
    CTempDir::Write(file, "[S]\nk=1\n");
    CIniEx first, second;
    ASSERT_TRUE(first.Open(file, false));
    ASSERT_TRUE(second.Open(file, false));
    first.SetString("S", "k", "2");
    std::string value;
    EXPECT_TRUE(second.GetString("S", "K", value));
    EXPECT_EQ(value, "1");
    CTempDir::Write(file, "[S]\nk=3\n");
    CIniEx third;
    ASSERT_TRUE(third.Open(file, false));
    EXPECT_TRUE(third.GetString("S", "k", value));
    EXPECT_EQ(value, "3");
}

// After a save the next Open of the file takes what was held, unparsed: every entry, including
// those that read back otherwise than set, must come back as a fresh read of the file gives it.
TEST(CIniExTest, SavedContentsReadBackAsTheFileGivesThem) {
    struct Entry {
        const char* section;
        const char* key;
        const char* value;
    };
    const Entry entries[] = {{"S", "k", "wert"},        {"S", "blank", "wert  "}, {"S", "a=b", "c"},
                             {"S", "; kommentar", "x"}, {"S", "tab", "x\t"},      {"Neu", "", "leer"},
                             {"Neu", "zeilen", "a\nb"}, {"S", "[T]", ""},         {"S", "k ", "y"}};
    CTempDir temp;
    const std::string file = temp.File("c.ini");
    CTempDir::Write(file, "[S]\nk=1\n");
    for (const Entry& entry : entries) {
        SCOPED_TRACE(std::string(entry.key) + "=" + entry.value);
        {
            CIniEx ini;
            ASSERT_TRUE(ini.Open(file));
            ini.SetString(entry.section, entry.key, entry.value);
        }
        const std::string bytes = CTempDir::Read(file);
        const std::string copy = temp.File("kopie.ini");
        CTempDir::Write(copy, bytes);
        CIniEx held, parsed;
        ASSERT_TRUE(held.Open(file, false));
        ASSERT_TRUE(parsed.Open(copy, false));
        for (const std::string& section : parsed.GetSectionNames()) {
            EXPECT_EQ(held.GetKeys(section), parsed.GetKeys(section));
            for (const std::string& key : parsed.GetKeys(section)) {
                std::string a, b;
                EXPECT_EQ(held.GetString(section, key, a), parsed.GetString(section, key, b));
                EXPECT_EQ(a, b) << section << "/" << key;
            }
        }
        EXPECT_EQ(held.GetSectionNames(), parsed.GetSectionNames());
    }
}

TEST(CIniExTest, EmptySectionHeadersSurviveASave) {
    CTempDir temp;
    std::string file = temp.File("a.ini");
    const std::string original = "a=1\r\n[]\r\nb=2\r\n[ ]\r\nc=3\r\n";
    CTempDir::Write(file, original);
    {
        CIniEx ini;
        ASSERT_TRUE(ini.Open(file));
        ini.SetString("", "a", "9");
    }
    std::string expected = original;
    expected[2] = '9';
    EXPECT_EQ(CTempDir::Read(file), expected);
}

TEST(CIniExTest, OpeningASecondFileSavesTheFirst) {
    CTempDir temp;
    CIniEx ini;
    ASSERT_TRUE(ini.Open(temp.File("eins.ini")));
    ini.SetInt("S", "k", 1);
    ASSERT_TRUE(ini.Open(temp.File("zwei.ini")));
    EXPECT_EQ(CTempDir::Read(temp.File("eins.ini")), "[S]\r\nk=1\r\n");
    EXPECT_EQ(ini.GetPath(), temp.File("zwei.ini"));
    EXPECT_FALSE(ini.HasSection("S"));
    ini.Clear();
    EXPECT_EQ(ini.GetPath(), "");
}

TEST(CIniExTest, BareNamesLiveInTheDataFolderSeededFromTheProgramFolder) {
    CTempDir temp;
    // The program folder of the tests is the folder of the test program; a template placed there
    // is removed again at the end.
    const std::string name = "pelko-seed-test.ini";
    const std::string templ = CTool::GetProgramDir() + "/" + name;
    CTempDir::Write(templ, "[Vorlage]\r\nk=aus dem Programmordner\r\n");
    {
        CIniEx ini;
        bool opened = ini.Open(name);
        std::filesystem::remove(templ);
        ASSERT_TRUE(opened);
        EXPECT_EQ(ini.GetPath(), temp.DataFile(name));
        std::string text;
        EXPECT_TRUE(ini.GetString("vorlage", "k", text));
        EXPECT_EQ(text, "aus dem Programmordner");
        ini.SetString("Vorlage", "k", "geaendert");
    }
    EXPECT_EQ(CTempDir::Read(temp.DataFile(name)), "[Vorlage]\r\nk=geaendert\r\n");
    // Without a template, an empty file is created in the data folder.
    CIniEx ini;
    ASSERT_TRUE(ini.Open("neu.ini"));
    EXPECT_TRUE(std::filesystem::exists(temp.DataFile("neu.ini")));
    EXPECT_EQ(std::filesystem::file_size(temp.DataFile("neu.ini")), 0u);
    // Without the create flag a missing file is a failure.
    CIniEx other;
    EXPECT_FALSE(other.Open("fehlt.ini", true, false));
    EXPECT_FALSE(std::filesystem::exists(temp.DataFile("fehlt.ini")));
}

TEST(CIniExTest, UnusableFilesFailWithoutHarm) {
    CTempDir temp;
    // A file below a plain file can be neither opened nor created.
    CTempDir::Write(temp.File("datei"), "x");
    CIniEx missing;
    EXPECT_FALSE(missing.Open(temp.File("datei/a.ini")));
    missing.SetInt("S", "k", 1); // kept in memory, never written
    missing.Save();
    EXPECT_FALSE(std::filesystem::exists(temp.File("datei/a.ini")));
    std::string text;
    EXPECT_TRUE(missing.GetString("S", "k", text));

    // A data folder that cannot be created.
    setenv("PELKO_DATA_DIR", temp.File("datei/data").c_str(), 1);
    CIniEx noDataDir;
    EXPECT_FALSE(noDataDir.Open("pelko.ini"));

    // A folder that vanished before the save: the save fails quietly.
    std::filesystem::create_directory(temp.File("weg"));
    CIniEx gone;
    ASSERT_TRUE(gone.Open(temp.File("weg/a.ini")));
    std::filesystem::remove_all(temp.File("weg"));
    gone.SetInt("S", "k", 1);
    EXPECT_FALSE(gone.Save());
    EXPECT_FALSE(std::filesystem::exists(temp.File("weg")));
}

TEST(CIniExTest, GarbageBinaryAndHugeLinesLoadWithoutHarm) {
    CTempDir temp;
    std::string file = temp.File("a.ini");
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 7919) & 0xFF);
    const char withNul[] = "\r\n[S]\r\nk=a\0b\r\n";
    bytes += std::string(withNul, sizeof withNul - 1);
    bytes += "lang=" + std::string(1 << 20, 'x') + "\r\n";
    bytes += "[[]]]\r\n[\r\n]\r\n=\r\n==\r\n";
    CTempDir::Write(file, bytes);
    CIniEx ini;
    ASSERT_TRUE(ini.Open(file));
    std::string text;
    EXPECT_TRUE(ini.GetString("S", "k", text));
    EXPECT_TRUE(text == std::string("a\0b", 3));
    EXPECT_TRUE(ini.GetString("S", "lang", text));
    EXPECT_EQ(text.size(), size_t{1} << 20);
    EXPECT_TRUE(ini.HasSection("[]]"));
    EXPECT_TRUE(ini.GetString("[]]", "", text)); // the line "==": empty key, value "="
    EXPECT_EQ(text, "=");
    // Whatever was read is written back without loss of the readable parts.
    ini.SetString("S", "neu", "1");
    EXPECT_TRUE(ini.Save());
    CIniEx again;
    ASSERT_TRUE(again.Open(file));
    EXPECT_TRUE(again.GetString("S", "lang", text));
    EXPECT_EQ(text.size(), size_t{1} << 20);
    EXPECT_TRUE(again.GetString("S", "neu", text));
    EXPECT_TRUE(again.GetString("[]]", "", text)); // the line "==" kept its value
    EXPECT_EQ(text, "=");
}

TEST(CIniExTest, AFolderInsteadOfAFileGivesAnEmptyStoreAndIsNotReplaced) {
    CTempDir temp;
    std::filesystem::create_directory(temp.File("ordner.ini"));
    {
        CIniEx ini;
        ini.Open(temp.File("ordner.ini"));
        ini.SetInt("S", "k", 1);
        EXPECT_FALSE(ini.Save());
    }
    EXPECT_TRUE(std::filesystem::is_directory(temp.File("ordner.ini")));
}

// A file that fails while it is read is neither used nor saved over.
TEST(CIniExTest, ReadErrorIsNoEndOfFile) {
    CIniEx ini;
    EXPECT_FALSE(ini.Open("/proc/self/mem", true, false));
    EXPECT_TRUE(ini.ReadFailed());
    EXPECT_EQ(ini.GetSectionNames().size(), 1u);
    EXPECT_FALSE(ini.Save());
}
