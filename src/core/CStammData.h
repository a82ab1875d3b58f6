#pragma once

#include "core/CRecordFields.h"
#include "core/CText.h"

#include <array>

// One master-data record: a ledger account, customer or supplier with address and bank details.
class CStammData {
public:
    int datevKonto = 0;  // "Datev-Konto"
    CText name1;         // "Name_1"
    CText kundennummer;  // "Kundennummer"
    CText name2;         // "Name_2"
    CText strasse;       // "Strasse"
    CText postleitzahl;  // "Postleitzahl"
    CText ort;           // "Ort"
    CText bank;          // "Bank"
    CText kontonummer;   // "Kontonummer"
    CText bankleitzahl;  // "Bankleitzahl"
    CText ustIdnr;       // "UstIdnr"
    CText anrede;        // "Anrede"
    CText postfach;      // "Postfach"
    CText land;          // "Land"
    CText telefon;       // "Telefon"
    CText fax;           // "Fax"
    CText email;         // "EMail"
    CText iban;          // "IBAN"
    CText swift;         // "SWIFT"
    CText laenderkennz;  // "Länderkennz"
    CText bank2;         // "Bank 2"
    CText iban2;         // "IBAN 2"
    CText swift2;        // "SWIFT 2"
    CText laenderkennz2; // "Länderkennz 2"

    void Clear() { *this = CStammData(); }
    bool HasData() const;
};

template <> struct CRecordFields<CStammData> {
    using S = CStammData;
    static constexpr std::array texts{
        &S::name1,        &S::kundennummer, &S::name2,        &S::strasse, &S::postleitzahl, &S::ort,
        &S::bank,         &S::kontonummer,  &S::bankleitzahl, &S::ustIdnr, &S::anrede,       &S::postfach,
        &S::land,         &S::telefon,      &S::fax,          &S::email,   &S::iban,         &S::swift,
        &S::laenderkennz, &S::bank2,        &S::iban2,        &S::swift2,  &S::laenderkennz2};
    static constexpr std::array integers{&S::datevKonto};
    static constexpr std::array<double S::*, 0> numbers{};
};
