#include "core/CPelkoSettings.h"
#include "core/CIniEx.h"
#include "core/CPelkoDoc.h"

#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

namespace {

using EReader = CPelkoSettings::EReader;

// Loads "pelko.ini" with the given content into a fresh document.
struct CLoaded {
    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};

    CLoaded(const std::string& content, EReader reader = EReader::MainWindow) {
        std::filesystem::create_directories(temp.path / "data");
        CTempDir::Write(temp.DataFile("pelko.ini"), content);
        CIniEx ini;
        ini.Open("pelko.ini");
        CPelkoSettings::Load(ini, doc, reader);
    }
};

} // namespace

TEST(CPelkoSettingsTest, MissingKeysTakeTheirDefaults) {
    CLoaded loaded("");
    const CPelkoDoc& doc = loaded.doc;
    EXPECT_EQ(doc.inputType, 0);
    EXPECT_EQ(doc.dataType, 0);
    EXPECT_EQ(doc.outputType, 0);
    EXPECT_EQ(doc.inputFile, "");
    EXPECT_EQ(doc.outputFile, "");
    const CFormatSettings& s = doc.settings;
    EXPECT_EQ(s.betragVorzeichenHinten, 0);
    EXPECT_EQ(s.betragTeilen, "");
    EXPECT_EQ(s.datevproName1, 2);
    EXPECT_EQ(s.datevproName2, 3);
    EXPECT_EQ(s.datevproTyp, 0);
    EXPECT_EQ(s.updateAktiviert, 1);
    EXPECT_EQ(s.updateInterval, 30);
}

TEST(CPelkoSettingsTest, ReadsEveryKey) {
    CLoaded loaded("[Eingabe]\r\nTyp=2\r\nDatentyp=1\r\nDatei=/daten/In.csv\r\n"
                   "[Ausgabe]\r\nTyp=5\r\nDatei=/daten/Liste.rtf\r\n"
                   "[einstellungen]\r\npelko_layout=Varolo\r\nservice=7305\r\n"
                   "csv_betrag_vorzeichen_hinten=1\r\ncsv_betrag_teilen=10\r\ncsv_steuersatz_teilen=1000\r\n"
                   "in_format_datum=JJJJMMTT\r\nout_format_datum=TT.MM.JJ\r\n"
                   "[datevpro]\r\nStammdaten Name1=4\r\nStammdaten Name2=5\r\nStammdaten Typ=1\r\n"
                   "[update]\r\naktiviert=0\r\nletzte suche=01.02.2026\r\ninterval=14\r\n");
    const CPelkoDoc& doc = loaded.doc;
    EXPECT_EQ(doc.inputType, 2);
    EXPECT_EQ(doc.dataType, 1);
    EXPECT_EQ(doc.inputFile, "/daten/In.csv");
    EXPECT_EQ(doc.outputType, 5);
    EXPECT_EQ(doc.outputFile, "/daten/Liste.rtf");
    const CFormatSettings& s = doc.settings;
    EXPECT_EQ(s.pelkoLayout, "Varolo");
    EXPECT_EQ(s.service, "7305");
    EXPECT_EQ(s.betragVorzeichenHinten, 1);
    EXPECT_EQ(s.betragTeilen, "10");
    EXPECT_EQ(s.steuersatzTeilen, "1000");
    EXPECT_EQ(s.inFormatDatum, "JJJJMMTT");
    EXPECT_EQ(s.outFormatDatum, "TT.MM.JJ");
    EXPECT_EQ(s.datevproName1, 4);
    EXPECT_EQ(s.datevproName2, 5);
    EXPECT_EQ(s.datevproTyp, 1);
    EXPECT_EQ(s.updateAktiviert, 0);
    EXPECT_EQ(s.letzteSuche, "01.02.2026");
    EXPECT_EQ(s.updateInterval, 14);
}

TEST(CPelkoSettingsTest, IntervalIsAtLeastSevenAndEmptyMeansThirty) {
    EXPECT_EQ(CLoaded("[update]\r\ninterval=3\r\n").doc.settings.updateInterval, 7);
    EXPECT_EQ(CLoaded("[update]\r\ninterval=-20\r\n").doc.settings.updateInterval, 7);
    EXPECT_EQ(CLoaded("[update]\r\ninterval=7\r\n").doc.settings.updateInterval, 7);
    EXPECT_EQ(CLoaded("[update]\r\ninterval=\r\n").doc.settings.updateInterval, 30);
    EXPECT_EQ(CLoaded("[datevpro]\r\nStammdaten Name1=\r\n").doc.settings.datevproName1, 2);
}

TEST(CPelkoSettingsTest, PsiPentaPresetIsExactAndCaseSensitive) {
    const std::string keys = "[einstellungen]\r\ncsv_betrag_vorzeichen_hinten=0\r\ncsv_betrag_teilen=10\r\n"
                             "csv_steuersatz_teilen=1\r\nsystem=";
    CLoaded preset(keys + "PSI-Penta\r\n");
    EXPECT_EQ(preset.doc.settings.betragVorzeichenHinten, 1);
    EXPECT_EQ(preset.doc.settings.betragTeilen, "100");
    EXPECT_EQ(preset.doc.settings.steuersatzTeilen, "100");
    for (const char* other : {"psi-penta", " PSI-Penta", "PSI-Penta2", "PSI", ""}) {
        CLoaded loaded(keys + other + "\r\nx=1\r\n");
        EXPECT_EQ(loaded.doc.settings.betragVorzeichenHinten, 0) << other;
        EXPECT_EQ(loaded.doc.settings.betragTeilen, "10") << other;
        EXPECT_EQ(loaded.doc.settings.steuersatzTeilen, "1") << other;
    }
}

TEST(CPelkoSettingsTest, AutomaticRunSkipsLayoutAndUpdateKeys) {
    CLoaded loaded("[einstellungen]\r\npelko_layout=Varolo\r\nservice=7305\r\n"
                   "[update]\r\naktiviert=0\r\ninterval=99\r\n",
                   EReader::AutomaticRun);
    EXPECT_EQ(loaded.doc.settings.pelkoLayout, "");
    EXPECT_EQ(loaded.doc.settings.service, "7305");
    EXPECT_EQ(loaded.doc.settings.updateAktiviert, 1);
    EXPECT_EQ(loaded.doc.settings.updateInterval, 30);
}

TEST(CPelkoSettingsTest, UnusableSettingsFileGivesDefaults) {
    CTempDir temp;
    CTempDir::Write(temp.File("datei"), "x");
    setenv("PELKO_DATA_DIR", temp.File("datei/data").c_str(), 1);
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc(frontEnd);
    CIniEx ini;
    EXPECT_FALSE(ini.Open("pelko.ini"));
    CPelkoSettings::Load(ini, doc, EReader::MainWindow);
    EXPECT_EQ(doc.settings.updateInterval, 30);
    EXPECT_EQ(doc.settings.datevproName2, 3);

    // Binary garbage with NUL bytes reads as values that are not numbers.
    const char raw[] = "[Eingabe]\r\nTyp=\0\x01\xFF\r\n[update]\r\ninterval=\xFF\xFE\r\n\0\0\0";
    CLoaded garbage(std::string(raw, sizeof raw - 1));
    EXPECT_EQ(garbage.doc.inputType, 0);
    EXPECT_EQ(garbage.doc.settings.updateInterval, 7);
}

TEST(CPelkoSettingsTest, SaveWritesTheWindowKeysAndKeepsTheRest) {
    CLoaded loaded("; eigene Notiz\r\n[einstellungen]\r\nservice=7305\r\n[Eingabe]\r\nTyp=0\r\n");
    loaded.doc.inputType = 2;
    loaded.doc.dataType = 1;
    loaded.doc.inputFile = "/daten/In.csv";
    loaded.doc.outputType = 1;
    loaded.doc.outputFile = "/daten/EXTF_x.csv";
    loaded.doc.settings.updateInterval = 9;
    {
        CIniEx ini;
        ASSERT_TRUE(ini.Open("pelko.ini"));
        CPelkoSettings::Save(ini, loaded.doc);
    }
    EXPECT_EQ(CTempDir::Read(loaded.temp.DataFile("pelko.ini")),
              "; eigene Notiz\r\n[einstellungen]\r\nservice=7305\r\n"
              "[Eingabe]\r\nTyp=2\r\nDatentyp=1\r\nDatei=/daten/In.csv\r\n"
              "[Ausgabe]\r\nTyp=1\r\nDatei=/daten/EXTF_x.csv\r\n"
              "[datevpro]\r\nStammdaten Name1=2\r\nStammdaten Name2=3\r\nStammdaten Typ=0\r\n"
              "[update]\r\naktiviert=1\r\nletzte suche=\r\ninterval=9\r\n");
}
