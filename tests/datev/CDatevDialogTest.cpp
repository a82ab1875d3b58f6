#include "datev/CDatevDialog.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "datev/CDatev.h"
#include "support/CRecordingFrontEnd.h"
#include "support/CTempDir.h"

#include <gtest/gtest.h>

namespace {

class DatevDialog : public ::testing::Test {
protected:
    void SetUp() override {
        datev.beraterNummer = 1234567;
        datev.beraterName = "Name   ";
        datev.passwort = "pw \t";
        datev.dfvKennzeichen = "MM";
        datev.datumVon = "01.01.2023";
        datev.datumBis = "31.12.2023";
    }

    CTempDir temp;
    CRecordingFrontEnd frontEnd;
    CDatev datev{frontEnd};
    CDatevDialog dialog{datev};
};

} // namespace

TEST_F(DatevDialog, OpeningForKneBookingsShowsTheParameters) {
    dialog.Open();
    EXPECT_EQ(dialog.GetTitle(), "DATEV-Angaben");
    EXPECT_EQ(dialog.beraterNummer, "1234567");
    EXPECT_EQ(dialog.beraterName, "Name");
    EXPECT_EQ(dialog.passwort, "pw");
    EXPECT_EQ(dialog.datentraegerNummer, "1");
    EXPECT_TRUE(dialog.kontoErweiterung);
    EXPECT_EQ(dialog.kontoLaenge, "4");
    EXPECT_EQ(dialog.versionIndex, 2); // "V7.0", the start value
    EXPECT_EQ(dialog.festschreibungIndex, 1);
    EXPECT_TRUE(dialog.kontoErweiterungEnabled && dialog.datentraegerEnabled && dialog.kontoLaengeEnabled &&
                dialog.datumEnabled);
    EXPECT_FALSE(dialog.versionEnabled || dialog.wirtschaftsjahrEnabled || dialog.festschreibungEnabled);

    dialog.OnKontoErweiterung(false);
    EXPECT_FALSE(dialog.kontoLaengeEnabled);
    dialog.OnKontoErweiterung(true);
    EXPECT_TRUE(dialog.kontoLaengeEnabled);
}

TEST_F(DatevDialog, OpeningForDatevProMasterDataFollowsTheVersion) {
    datev.datevProVersion = 300;
    datev.festschreibung = 0;
    datev.kontonummernErweiterung = 0;
    dialog.masterMode = true;
    dialog.datevProMode = true;
    dialog.Open();
    EXPECT_EQ(dialog.versionIndex, 0);
    EXPECT_EQ(dialog.festschreibungIndex, 0);
    EXPECT_FALSE(dialog.festschreibungEnabled);
    EXPECT_FALSE(dialog.kontoLaengeEnabled);
    EXPECT_FALSE(dialog.datumEnabled || dialog.kontoErweiterungEnabled || dialog.datentraegerEnabled);
    EXPECT_TRUE(dialog.versionEnabled && dialog.wirtschaftsjahrEnabled);

    dialog.OnVersion(1);
    EXPECT_EQ(datev.datevProVersion, 510);
    EXPECT_TRUE(dialog.festschreibungEnabled);
    dialog.OnVersion(2);
    EXPECT_EQ(datev.datevProVersion, 700);
    EXPECT_TRUE(dialog.festschreibungEnabled);
    dialog.OnVersion(0);
    EXPECT_EQ(datev.datevProVersion, 300);
    EXPECT_FALSE(dialog.festschreibungEnabled);
}

TEST_F(DatevDialog, EveryFieldIsCheckedWithTheStandardMessages) {
    struct CCase {
        std::string CDatevDialog::*member;
        std::string value;
        CDatevDialog::EField field;
        std::string error;
    };
    const CCase cases[] = {
        {&CDatevDialog::beraterNummer, "10000000", CDatevDialog::BeraterNummer,
         "Geben Sie eine ganze Zahl zwischen 0 und 9999999 ein."},
        {&CDatevDialog::beraterNummer, "12x", CDatevDialog::BeraterNummer, "Geben Sie eine ganze Zahl ein."},
        {&CDatevDialog::beraterNummer, "", CDatevDialog::BeraterNummer, "Geben Sie eine ganze Zahl ein."},
        {&CDatevDialog::beraterNummer, "99999999999999999999999", CDatevDialog::BeraterNummer,
         "Geben Sie eine ganze Zahl zwischen 0 und 9999999 ein."},
        {&CDatevDialog::beraterName, "0123456789", CDatevDialog::BeraterName,
         Ansi("Geben Sie höchstens 9 Zeichen ein.")},
        {&CDatevDialog::mandantenNummer, "-1", CDatevDialog::MandantenNummer,
         "Geben Sie eine ganze Zahl zwischen 0 und 99999 ein."},
        {&CDatevDialog::passwort, "12345", CDatevDialog::Passwort,
         Ansi("Geben Sie höchstens 4 Zeichen ein.")},
        {&CDatevDialog::dfvKennzeichen, "ABC", CDatevDialog::DfvKennzeichen,
         Ansi("Geben Sie höchstens 2 Zeichen ein.")},
        {&CDatevDialog::datentraegerNummer, "1000000", CDatevDialog::DatentraegerNummer,
         "Geben Sie eine ganze Zahl zwischen 0 und 999999 ein."},
        {&CDatevDialog::abrechnungsNummer, "0", CDatevDialog::AbrechnungsNummer,
         "Geben Sie eine ganze Zahl zwischen 1 und 999999 ein."},
        {&CDatevDialog::kontoLaenge, "9", CDatevDialog::KontoLaenge,
         "Geben Sie eine ganze Zahl zwischen 4 und 8 ein."},
        {&CDatevDialog::datumVon, "01.01.20231", CDatevDialog::DatumVon,
         Ansi("Geben Sie höchstens 10 Zeichen ein.")},
        {&CDatevDialog::datumBis, "31.12.20231", CDatevDialog::DatumBis,
         Ansi("Geben Sie höchstens 10 Zeichen ein.")},
    };
    for (const CCase& c : cases) {
        dialog.Open();
        dialog.*c.member = c.value;
        EXPECT_FALSE(dialog.OnOk()) << c.value;
        EXPECT_EQ(dialog.errorField, c.field) << c.value;
        EXPECT_EQ(dialog.error, c.error) << c.value;
    }
    // Nothing was taken over or saved.
    EXPECT_EQ(datev.beraterNummer, 1234567);
    EXPECT_FALSE(CPlatform::FileExists(temp.DataFile("angaben_datev.txt")));
}

TEST_F(DatevDialog, OkTakesAllValuesAndSavesTheFile) {
    dialog.datevProMode = true;
    dialog.Open();
    dialog.beraterNummer = " 9999999 ";
    dialog.beraterName = "Beraterin";
    dialog.mandantenNummer = "+5";
    dialog.abrechnungsNummer = "202301";
    dialog.kontoLaenge = "8";
    dialog.OnKontoErweiterung(false);
    dialog.datumVon = "02.01.2023";
    dialog.wirtschaftsjahr = "01.07.2023";
    dialog.OnVersion(0);
    dialog.festschreibungIndex = 0;
    ASSERT_TRUE(dialog.OnOk());
    EXPECT_EQ(dialog.error, "");
    EXPECT_EQ(datev.beraterNummer, 9999999);
    EXPECT_EQ(datev.beraterName, "Beraterin");
    EXPECT_EQ(datev.mandantenNummer, 5);
    EXPECT_EQ(datev.abrechnungsNummer, 202301);
    EXPECT_EQ(datev.kontonummernLaenge, 8);
    EXPECT_EQ(datev.kontonummernErweiterung, 0);
    EXPECT_EQ(datev.datumVon, "02.01.2023");
    EXPECT_EQ(datev.wirtschaftsjahrBeginn, "01.07.2023");
    EXPECT_EQ(datev.datevProVersion, 300);
    EXPECT_EQ(datev.festschreibung, 0);

    CDatev saved(frontEnd);
    ASSERT_TRUE(saved.LoadAngaben(""));
    EXPECT_EQ(saved.beraterNummer, 9999999);
    EXPECT_EQ(saved.datevProVersion, 300);
}
