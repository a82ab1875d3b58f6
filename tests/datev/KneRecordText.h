#pragma once

#include "core/CBuchungenData.h"
#include "core/CStammData.h"
#include "core/CTool.h"

#include <string>

// One line per record, so that a test compares every field at once and a failure shows them all.
inline std::string RecordText(const CBuchungenData& b) {
    return CTool::Format("%.2f l%d a%d e%d d%s b%s c%s k%s/%s h%.2f t%s u%s j%.2f w%s n%.6f", b.betrag,
                         b.datevSchluessel, b.habenKonto, b.sollKonto, b.datum.c_str(),
                         b.buchungsnummer.c_str(), b.belegnummer2.c_str(), b.kostenstelle1.c_str(),
                         b.kostenstelle2.c_str(), b.skonto, b.buchungstext.c_str(), b.ustId.c_str(),
                         b.euSteuersatz, b.waehrung.c_str(), b.waehrungskurs);
}

inline std::string RecordText(const CStammData& s) {
    std::string text = std::to_string(s.datevKonto);
    for (const CText* field :
         {&s.name1,        &s.kundennummer, &s.name2,        &s.strasse, &s.postleitzahl, &s.ort,
          &s.bank,         &s.kontonummer,  &s.bankleitzahl, &s.ustIdnr, &s.anrede,       &s.postfach,
          &s.land,         &s.telefon,      &s.fax,          &s.email,   &s.iban,         &s.swift,
          &s.laenderkennz, &s.bank2,        &s.iban2,        &s.swift2,  &s.laenderkennz2})
        text += "|" + *field;
    return text;
}
