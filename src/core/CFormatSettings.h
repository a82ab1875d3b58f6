#pragma once

#include <string>

// The format settings of "pelko.ini" that readers and writers consult.
struct CFormatSettings {
    int betragVorzeichenHinten = 0; // "csv_betrag_vorzeichen_hinten"
    std::string betragTeilen;       // "csv_betrag_teilen"
    std::string steuersatzTeilen;   // "csv_steuersatz_teilen"
    std::string inFormatDatum;      // "in_format_datum"
    std::string outFormatDatum;     // "out_format_datum"
    std::string service;            // "service"
    int datevproName1 = 2;          // "datevpro"/"Stammdaten Name1"
    int datevproName2 = 3;          // "datevpro"/"Stammdaten Name2"
    int datevproTyp = 0;            // "datevpro"/"Stammdaten Typ"
    // Read by the main window only.
    std::string pelkoLayout; // "pelko_layout"
    int updateAktiviert = 1; // "update"/"aktiviert"
    std::string letzteSuche; // "update"/"letzte suche"
    int updateInterval = 30; // "update"/"interval"
};
