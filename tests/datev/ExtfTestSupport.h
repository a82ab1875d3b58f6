#pragma once

#include "core/CPelkoDoc.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// Shared set-up of the DATEVpro tests: parameters, sample records, files of the test data.
namespace extf_test {

inline std::string Data(const std::string& name) {
    return std::string(PELKO_TEST_DATA) + "/extf/" + name;
}

inline std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size())
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

inline void SetParameters(CDatev& datev, int version) {
    datev.datevProVersion = version;
    datev.beraterNummer = 1234567;
    datev.mandantenNummer = 12345;
    datev.wirtschaftsjahrBeginn = "01.01.2023";
    datev.kontonummernLaenge = 4;
    datev.datumVon = "01.01.2023";
    datev.datumBis = "31.12.2023";
    datev.festschreibung = 1;
}

// Two bookings that are written, one outside the date range and one without data.
inline void AddBookings(CBuchungenCtrl& list) {
    CBuchungenData b;
    b.betrag = -2345.5;
    b.sollKonto = 1200;
    b.habenKonto = 8400;
    b.datevSchluessel = 3;
    b.datum = "31.12.2023";
    b.buchungsnummer = "RE-1";
    b.belegnummer2 = "B2";
    b.skonto = 2.5;
    b.buchungstext = "Miete \"Lager\";Nord";
    b.kostenstelle1 = "K1";
    b.ustId = "DE123456789";
    b.euSteuersatz = 19;
    list.Add(b);
    CBuchungenData second;
    second.betrag = 100;
    second.waehrung = "USD";
    second.waehrungskurs = 1.123456;
    second.sollKonto = 1000;
    second.habenKonto = 1200;
    second.datum = "15.01.";
    second.buchungstext = std::string(70, 'x');
    list.Add(second);
    CBuchungenData outside;
    outside.betrag = 5;
    outside.sollKonto = 1;
    outside.habenKonto = 2;
    outside.datum = "01.01.2024";
    list.Add(outside);
    list.Add(CBuchungenData());
}

// A full record with the default name targets, and one without any data.
inline void AddMaster(CStammCtrl& list) {
    CStammData s;
    s.datevKonto = 10000;
    s.name1 = "M\xFCller GmbH";
    s.name2 = "Lager";
    s.ustIdnr = "DE987654321";
    s.anrede = "Firma";
    s.strasse = "Hauptstra\xDF"
                "e 1";
    s.postfach = "PF 12";
    s.postleitzahl = "12345";
    s.ort = "K\xF6ln";
    s.land = "Deutschland";
    s.telefon = "0221 1";
    s.email = "a@b.de";
    s.fax = "0221 2";
    s.bankleitzahl = "37050198";
    s.bank = "Sparkasse";
    s.kontonummer = "123456";
    s.laenderkennz = "DE";
    s.iban = "DE02370501980001802057";
    s.swift = "COLSDE33";
    s.bank2 = "Bank2";
    s.laenderkennz2 = "AT";
    s.iban2 = "AT611904300234573201";
    s.swift2 = "BKAUATWW";
    s.kundennummer = "K-7";
    list.Add(s);
    list.Add(CStammData());
}

// The written file with the time stamp of "Erzeugt am" replaced by "@" once it has the right form.
inline std::string WithoutTimeStamp(const std::string& text) {
    size_t lineEnd = text.find("\r\n");
    std::vector<std::string> fields = Split(text.substr(0, lineEnd), ";");
    if (fields.size() < 6 || fields[5].size() != 17 ||
        fields[5].find_first_not_of("0123456789") != std::string::npos)
        return text;
    fields[5] = "@";
    std::string header;
    for (const std::string& f : fields)
        header += (header.empty() ? "" : ";") + f;
    return header + text.substr(lineEnd);
}

// Golden file against written file, line by line and field by field, so that a failure names the field.
inline void ExpectSameFields(const std::string& expected, const std::string& actual) {
    std::vector<std::string> expectedLines = Split(expected, "\r\n");
    std::vector<std::string> actualLines = Split(actual, "\r\n");
    ASSERT_EQ(expectedLines.size(), actualLines.size());
    for (size_t line = 0; line < expectedLines.size(); ++line) {
        std::vector<std::string> want = Split(expectedLines[line], ";");
        std::vector<std::string> got = Split(actualLines[line], ";");
        ASSERT_EQ(want.size(), got.size()) << "line " << line + 1;
        for (size_t field = 0; field < want.size(); ++field)
            ASSERT_EQ(want[field], got[field]) << "line " << line + 1 << ", field " << field + 1;
    }
}

} // namespace extf_test
