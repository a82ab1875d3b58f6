#pragma once

#include <string>

// One master-data record: a ledger account, customer or supplier with address and bank details.
class CStammData {
public:
    int datevKonto = 0;        // "Datev-Konto"
    std::string name1;         // "Name_1"
    std::string kundennummer;  // "Kundennummer"
    std::string name2;         // "Name_2"
    std::string strasse;       // "Strasse"
    std::string postleitzahl;  // "Postleitzahl"
    std::string ort;           // "Ort"
    std::string bank;          // "Bank"
    std::string kontonummer;   // "Kontonummer"
    std::string bankleitzahl;  // "Bankleitzahl"
    std::string ustIdnr;       // "UstIdnr"
    std::string anrede;        // "Anrede"
    std::string postfach;      // "Postfach"
    std::string land;          // "Land"
    std::string telefon;       // "Telefon"
    std::string fax;           // "Fax"
    std::string email;         // "EMail"
    std::string iban;          // "IBAN"
    std::string swift;         // "SWIFT"
    std::string laenderkennz;  // "Länderkennz"
    std::string bank2;         // "Bank 2"
    std::string iban2;         // "IBAN 2"
    std::string swift2;        // "SWIFT 2"
    std::string laenderkennz2; // "Länderkennz 2"

    void Clear() { *this = CStammData(); }
    bool HasData() const;
};
