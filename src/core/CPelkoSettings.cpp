#include "core/CPelkoSettings.h"

#include "core/CIniEx.h"
#include "core/CPelkoDoc.h"

namespace {

int IntOr(const CIniEx& ini, const char* section, const char* key, int fallback) {
    int value = 0;
    return ini.GetInt(section, key, value) ? value : fallback;
}

std::string Text(const CIniEx& ini, const char* section, const char* key) {
    std::string value;
    ini.GetString(section, key, value);
    return value;
}

} // namespace

void CPelkoSettings::Load(const CIniEx& ini, CPelkoDoc& doc, EReader reader) {
    bool mainWindow = reader == EReader::MainWindow;
    doc.inputType = IntOr(ini, "Eingabe", "Typ", 0);
    doc.dataType = IntOr(ini, "Eingabe", "Datentyp", 0);
    doc.inputFile = Text(ini, "Eingabe", "Datei");
    doc.outputType = IntOr(ini, "Ausgabe", "Typ", 0);
    doc.outputFile = Text(ini, "Ausgabe", "Datei");

    CFormatSettings& s = doc.settings;
    if (mainWindow) s.pelkoLayout = Text(ini, "einstellungen", "pelko_layout");
    s.service = Text(ini, "einstellungen", "service");
    s.betragVorzeichenHinten = IntOr(ini, "einstellungen", "csv_betrag_vorzeichen_hinten", 0);
    s.betragTeilen = Text(ini, "einstellungen", "csv_betrag_teilen");
    s.steuersatzTeilen = Text(ini, "einstellungen", "csv_steuersatz_teilen");
    s.inFormatDatum = Text(ini, "einstellungen", "in_format_datum");
    s.outFormatDatum = Text(ini, "einstellungen", "out_format_datum");
    if (Text(ini, "einstellungen", "system") == "PSI-Penta") {
        s.betragVorzeichenHinten = 1;
        s.betragTeilen = "100";
        s.steuersatzTeilen = "100";
    }

    s.datevproName1 = IntOr(ini, "datevpro", "Stammdaten Name1", 2);
    s.datevproName2 = IntOr(ini, "datevpro", "Stammdaten Name2", 3);
    s.datevproTyp = IntOr(ini, "datevpro", "Stammdaten Typ", 0);
    if (!mainWindow) return;
    s.updateAktiviert = IntOr(ini, "update", "aktiviert", 1);
    s.letzteSuche = Text(ini, "update", "letzte suche");
    s.updateInterval = IntOr(ini, "update", "interval", 30);
    if (s.updateInterval < 7) s.updateInterval = 7;
}

void CPelkoSettings::Save(CIniEx& ini, const CPelkoDoc& doc) {
    const CFormatSettings& s = doc.settings;
    ini.SetInt("Eingabe", "Typ", doc.inputType);
    ini.SetInt("Eingabe", "Datentyp", doc.dataType);
    ini.SetString("Eingabe", "Datei", doc.inputFile);
    ini.SetInt("Ausgabe", "Typ", doc.outputType);
    ini.SetString("Ausgabe", "Datei", doc.outputFile);
    ini.SetInt("datevpro", "Stammdaten Name1", s.datevproName1);
    ini.SetInt("datevpro", "Stammdaten Name2", s.datevproName2);
    ini.SetInt("datevpro", "Stammdaten Typ", s.datevproTyp);
    ini.SetInt("update", "aktiviert", s.updateAktiviert);
    ini.SetString("update", "letzte suche", s.letzteSuche);
    ini.SetInt("update", "interval", s.updateInterval);
}
