#include "core/CBuchungenData.h"

#include "core/CTool.h"

bool CBuchungenData::HasData() const {
    // "Währung" alone and a negative amount alone do not make a record.
    return !buchungsnummer.empty() || !belegnummer2.empty() || !datum.empty() || !kostenstelle1.empty() ||
           !kostenstelle2.empty() || !buchungstext.empty() || !ustId.empty() || sollKonto > 0 ||
           habenKonto > 0 || datevSchluessel > 0 || betrag > 0.0 || skonto > 0.0 || euSteuersatz > 0.0 ||
           waehrungskurs > 0.0 || !leistungsdatum.empty() || !ustIdUrsprung.empty() ||
           euSteuersatzUrsprung > 0.0;
}

void CBuchungenData::NormalizeDate(const std::string& format) {
    datum = CTool::NormalizeDate(datum, format);
}
