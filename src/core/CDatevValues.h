#pragma once

#include <string>

// DATEV values given on the command line; each non-empty one overrides the stored DATEV
// parameters just before a DATEV target is written.
struct CDatevValues {
    std::string beraterNummer;      // "/bnr:"
    std::string beraterName;        // "/bname:"
    std::string mandantenNummer;    // "/mandnr:"
    std::string dfvKennzeichen;     // "/dfv:"
    std::string datentraegerNummer; // "/datnr:"
    std::string abrechnungsNummer;  // "/abrnr:"
    std::string passwort;           // "/pw:"
    std::string kne;                // "/kne:"
    std::string kontoLaenge;        // "/knrln:"
    std::string version;            // "/vers:"
    std::string wirtschaftsjahr;    // "/wj:"
    std::string festschreibung;     // "/fest:"
};
