#pragma once

#include "core/CDialogLogic.h"

#include <string>

class CDatev;

// Logic of the dialog "DATEV-Angaben": the edits hold texts as the user typed them; OK checks
// every field, takes the values into the parameters and saves the parameter file.
class CDatevDialog : public CDialogLogic {
public:
    enum EField {
        None,
        BeraterNummer,
        BeraterName,
        MandantenNummer,
        Passwort,
        DfvKennzeichen,
        DatentraegerNummer,
        AbrechnungsNummer,
        KontoLaenge,
        DatumVon,
        DatumBis,
        Wirtschaftsjahr
    };

    explicit CDatevDialog(CDatev& datev) : datev(datev) {}

    std::string GetTitle() const override;
    // Fills the controls from the parameters and sets which are enabled.
    void Open();
    // The check box "ja" of the account-number extension was clicked.
    void OnKontoErweiterung(bool checked);
    // The version combo: 0 = "V3.0", 1 = "V5.1", 2 = "V7.0"; takes effect on the parameters at once.
    void OnVersion(int index);
    // Validates all fields; on failure error and errorField tell what to show and nothing is taken.
    bool OnOk();

    // Set by the caller before Open.
    bool masterMode = false;
    bool datevProMode = false;

    // Control values.
    std::string beraterNummer;
    std::string beraterName;
    std::string mandantenNummer;
    std::string passwort;
    std::string dfvKennzeichen;
    std::string datentraegerNummer;
    std::string abrechnungsNummer;
    bool kontoErweiterung = false;
    std::string kontoLaenge;
    std::string datumVon;
    std::string datumBis;
    int versionIndex = 2;
    std::string wirtschaftsjahr;
    int festschreibungIndex = 1;

    // Which controls accept input.
    bool kontoErweiterungEnabled = true;
    bool datentraegerEnabled = true;
    bool kontoLaengeEnabled = true;
    bool datumEnabled = true;
    bool versionEnabled = true;
    bool wirtschaftsjahrEnabled = true;
    bool festschreibungEnabled = true;

    // The standard message of the last failed validation and the field that gets the focus.
    std::string error;
    EField errorField = None;

private:
    // One edit: a whole number within its range, or a text of at most maximum characters.
    bool Check(EField field, const std::string& text, long long minimum, long long maximum, long long& value);
    bool Check(EField field, const std::string& text, size_t maximum);

    CDatev& datev;
};
