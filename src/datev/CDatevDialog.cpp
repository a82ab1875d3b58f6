#include "datev/CDatevDialog.h"

#include "core/CCodePage.h"
#include "core/CTool.h"
#include "datev/CDatev.h"

#include <cctype>

namespace {

std::string TrimRight(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text;
}

// A whole number as the dialog framework accepts it: blanks around, an optional sign, digits.
bool ParseWhole(const std::string& text, long long& value) {
    size_t i = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    if (i == std::string::npos) return false;
    bool negative = text[i] == '-';
    if (text[i] == '+' || text[i] == '-') ++i;
    if (i > end) return false;
    value = 0;
    for (; i <= end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        // Far beyond every range: stays out of range instead of overflowing.
        if (value < 1000000000000LL) value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    return true;
}

} // namespace

std::string CDatevDialog::GetTitle() const {
    return "DATEV-Angaben";
}

void CDatevDialog::Open() {
    beraterNummer = std::to_string(datev.beraterNummer);
    beraterName = TrimRight(datev.beraterName);
    mandantenNummer = std::to_string(datev.mandantenNummer);
    passwort = TrimRight(datev.passwort);
    dfvKennzeichen = TrimRight(datev.dfvKennzeichen);
    datentraegerNummer = std::to_string(datev.datentraegerNummer);
    abrechnungsNummer = std::to_string(datev.abrechnungsNummer);
    kontoErweiterung = datev.kontonummernErweiterung != 0;
    kontoLaenge = std::to_string(datev.kontonummernLaenge);
    datumVon = datev.datumVon;
    datumBis = datev.datumBis;
    wirtschaftsjahr = datev.wirtschaftsjahrBeginn;
    versionIndex = datev.datevProVersion < 510 ? 0 : datev.datevProVersion < 700 ? 1 : 2;
    festschreibungIndex = datev.festschreibung != 0 ? 1 : 0;

    festschreibungEnabled = versionIndex != 0;
    kontoLaengeEnabled = kontoErweiterung;
    datumEnabled = !masterMode;
    kontoErweiterungEnabled = !datevProMode;
    datentraegerEnabled = !datevProMode;
    versionEnabled = datevProMode;
    wirtschaftsjahrEnabled = datevProMode;
    if (!datevProMode) festschreibungEnabled = false;
}

void CDatevDialog::OnKontoErweiterung(bool checked) {
    kontoErweiterung = checked;
    kontoLaengeEnabled = checked;
}

void CDatevDialog::OnVersion(int index) {
    static const int kVersions[] = {300, 510, 700};
    versionIndex = index < 0 ? 0 : index > 2 ? 2 : index;
    datev.datevProVersion = kVersions[versionIndex];
    festschreibungEnabled = versionIndex != 0;
}

bool CDatevDialog::Check(EField field, const std::string& text, long long minimum, long long maximum,
                         long long& value) {
    if (!ParseWhole(text, value))
        error = "Geben Sie eine ganze Zahl ein.";
    else if (value < minimum || value > maximum)
        error = CTool::Format("Geben Sie eine ganze Zahl zwischen %lld und %lld ein.", minimum, maximum);
    else
        return true;
    errorField = field;
    return false;
}

bool CDatevDialog::Check(EField field, const std::string& text, size_t maximum) {
    if (text.size() <= maximum) return true;
    error = CTool::Format(Ansi("Geben Sie höchstens %d Zeichen ein.").c_str(), static_cast<int>(maximum));
    errorField = field;
    return false;
}

bool CDatevDialog::OnOk() {
    error.clear();
    errorField = None;
    long long berater = 0, mandant = 0, datentraeger = 0, abrechnung = 0, laenge = 0;
    // In the order of the controls, so the first faulty one is reported.
    bool valid = Check(BeraterNummer, beraterNummer, 0, 9999999, berater) &&
                 Check(BeraterName, beraterName, 9) &&
                 Check(MandantenNummer, mandantenNummer, 0, 99999, mandant) && Check(Passwort, passwort, 4) &&
                 Check(DfvKennzeichen, dfvKennzeichen, 2) &&
                 Check(DatentraegerNummer, datentraegerNummer, 0, 999999, datentraeger) &&
                 Check(AbrechnungsNummer, abrechnungsNummer, 1, 999999, abrechnung) &&
                 Check(KontoLaenge, kontoLaenge, 4, 8, laenge) && Check(DatumVon, datumVon, 10) &&
                 Check(DatumBis, datumBis, 10);
    if (!valid) return false;

    datev.beraterNummer = static_cast<int>(berater);
    datev.beraterName = beraterName;
    datev.mandantenNummer = static_cast<int>(mandant);
    datev.passwort = passwort;
    datev.dfvKennzeichen = dfvKennzeichen;
    datev.datentraegerNummer = static_cast<int>(datentraeger);
    datev.abrechnungsNummer = static_cast<int>(abrechnung);
    datev.kontonummernErweiterung = kontoErweiterung ? 1 : 0;
    datev.kontonummernLaenge = static_cast<int>(laenge);
    datev.datumVon = datumVon;
    datev.datumBis = datumBis;
    datev.wirtschaftsjahrBeginn = wirtschaftsjahr;
    datev.festschreibung = festschreibungIndex;
    datev.SaveAngaben();
    return true;
}
