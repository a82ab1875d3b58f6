#pragma once

#include "core/CRecordFields.h"
#include "core/CText.h"

#include <array>

#include <string>

// One booking. Readers and writers address the fields by their German column names;
// 0 and the empty text mean "not set".
class CBuchungenData {
public:
    CText buchungsnummer;       // "Buchungsnummer" (Belegfeld 1)
    CText belegnummer2;         // "Belegnummer 2" (Belegfeld 2)
    CText datum;                // "Datum": "TT.MM.JJJJ" or "TT.MM."
    int sollKonto = 0;          // "Soll-Konto"
    int habenKonto = 0;         // "Haben-Konto"
    double betrag = 0.0;        // "Betrag": negative = "H"
    CText waehrung;             // "Währung"
    int datevSchluessel = 0;    // "Datev-Schlüssel"
    CText kostenstelle1;        // "Kostenstelle 1"
    CText kostenstelle2;        // "Kostenstelle 2"
    CText buchungstext;         // "Buchungstext"
    double skonto = 0.0;        // "Skonto"
    CText ustId;                // "Ust-ID"
    double euSteuersatz = 0.0;  // "EU-Steuersatz"
    double waehrungskurs = 0.0; // "Waehrungskurs"
    // Only DATEVpro files carry these so far.
    CText leistungsdatum;              // "Leistungsdatum": "TT.MM.JJJJ"
    CText ustIdUrsprung;               // "EU-Land u. UStID (Ursprung)"
    double euSteuersatzUrsprung = 0.0; // "EU-Steuersatz (Ursprung)"

    void Clear() { *this = CBuchungenData(); }
    bool HasData() const;
    // Brings "Datum" into "TT.MM.JJJJ" or "TT.MM."; format is the configured input date format.
    void NormalizeDate(const std::string& format);
};

template <> struct CRecordFields<CBuchungenData> {
    using B = CBuchungenData;
    static constexpr std::array texts{&B::buchungsnummer, &B::belegnummer2,  &B::datum,        &B::waehrung,
                                      &B::kostenstelle1,  &B::kostenstelle2, &B::buchungstext, &B::ustId,
                                      &B::leistungsdatum, &B::ustIdUrsprung};
    static constexpr std::array integers{&B::sollKonto, &B::habenKonto, &B::datevSchluessel};
    static constexpr std::array numbers{&B::betrag, &B::skonto, &B::euSteuersatz, &B::waehrungskurs,
                                        &B::euSteuersatzUrsprung};
};
