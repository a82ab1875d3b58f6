#include "core/CStammData.h"

bool CStammData::HasData() const {
    if (datevKonto != 0) return true;
    for (const CText* text : {&name1,        &kundennummer, &name2,        &strasse, &postleitzahl, &ort,
                              &bank,         &kontonummer,  &bankleitzahl, &ustIdnr, &anrede,       &postfach,
                              &land,         &telefon,      &fax,          &email,   &iban,         &swift,
                              &laenderkennz, &bank2,        &iban2,        &swift2,  &laenderkennz2})
        if (!text->empty()) return true;
    return false;
}
