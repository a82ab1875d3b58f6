#include "datev/CExtfLayout.h"

#include <initializer_list>

namespace {

using R = EExtfRole;
using H = EExtfHeaderValue;

enum : unsigned { Q = 1, N = 2, V = 4 };

// One line of a column table; "%d" in a name is the running number of a repeated group.
struct CLine {
    const char* name;
    unsigned flags = 0;
    EExtfRole role = R::None;
    // A marker (name nullptr): the next `count` lines repeat for n = from .. to.
    int count = 0, from = 0, to = 0;
};

constexpr CLine Repeat(int count, int from, int to) {
    return {nullptr, 0, R::None, count, from, to};
}

std::string Numbered(const char* name, int n) {
    std::string text = name;
    if (size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(n));
    return text;
}

CExtfColumn Column(const CLine& line, int n) {
    return {Numbered(line.name, n), (line.flags & Q) != 0, (line.flags & N) != 0, (line.flags & V) != 0,
            line.role};
}

std::vector<CExtfColumn> Columns(std::initializer_list<CLine> lines) {
    std::vector<CExtfColumn> columns;
    for (const CLine* line = lines.begin(); line != lines.end(); ++line) {
        if (line->name) {
            columns.push_back(Column(*line, 0));
            continue;
        }
        const CLine* group = line + 1;
        for (int n = line->from; n <= line->to; ++n)
            for (int k = 0; k < line->count; ++k)
                columns.push_back(Column(group[k], n));
        line += line->count;
    }
    return columns;
}

// One line of a header table: name, quote flag, where the value comes from, constant text.
struct CHeaderLine {
    const char* name;
    unsigned flags = 0;
    EExtfHeaderValue value = H::Empty;
    const char* constant = "";
};

std::vector<CExtfHeaderField> Header(std::initializer_list<CHeaderLine> lines) {
    std::vector<CExtfHeaderField> fields;
    for (const CHeaderLine& line : lines)
        fields.push_back({line.name, (line.flags & Q) != 0, line.value, line.constant});
    return fields;
}

// ---------------------------------------------------------------- V3.0 (300)

CExtfVersion Version300() {
    CExtfVersion v;
    v.version = 300;
    v.bookingsHeader = Header({
        {"DATEV-Format-KZ", Q, H::Constant, "EXTF"},
        {"Versionsnummer", 0, H::Version},
        {"Datenkategorie", 0, H::Constant, "21"},
        {"Formatname", Q, H::Constant, "Buchungsstapel"},
        {"Formatversion", 0, H::Constant, "4"},
        {"Erzeugt am", 0, H::Created},
        {"Importiert"},
        {"Herkunft", Q},
        {"Exportiert von", Q, H::Constant, "--"},
        {"Importiert von", Q},
        {"Berater", 0, H::Berater},
        {"Mandant", 0, H::Mandant},
        {"WJ-Beginn", 0, H::WjBeginn},
        {"Sachkontennummernl\xE4nge", 0, H::KontoLaenge},
        {"Datum von", 0, H::DatumVon},
        {"Datum bis", 0, H::DatumBis},
        {"Bezeichnung", Q},
        {"Diktatk\xFCrzel", Q},
        {"Buchungstyp", 0, H::Constant, "1"},
        {"Rechnungslegungszweck", 0, H::Constant, "0"},
        {"Festschreibung"},
        {"WKZ", Q},
        {"res2"},
        {"res3"},
        {"res4"},
        {"res5"},
    });
    v.bookingsData = Columns({
        {"Umsatz (ohne Soll/Haben-Kz)", N, R::Umsatz},
        {"Soll/Haben-Kennzeichen", Q, R::SollHaben},
        {"WKZ Umsatz", Q, R::WkzUmsatz},
        {"Kurs", N, R::Kurs},
        {"Basis-Umsatz"},
        {"WKZ Basis-Umsatz", Q},
        {"Konto", 0, R::Konto},
        {"Gegenkonto (ohne BU-Schl\xFC\x81ssel)", 0, R::Gegenkonto},
        {"BU-Schl\x81\xFCssel", Q, R::BuSchluessel},
        {"Belegdatum", 0, R::Belegdatum},
        {"Belegfeld 1", Q, R::Belegfeld1},
        {"Belegfeld 2", Q, R::Belegfeld2},
        {"Skonto", N, R::Skonto},
        {"Buchungstext", Q, R::Buchungstext},
        {"Postensperre"},
        {"Diverse Adressnummer", Q},
        {"Gesch\xE4"
         "ftspartnerbank"},
        {"Sachverhalt"},
        {"Zinssperre"},
        {"Beleglink", Q},
        Repeat(2, 1, 8),
        {"Beleginfo \x96 Art %d", Q},
        {"Beleginfo \x96 Inhalt %d", Q},
        {"KOST1 - Kostenstelle", Q, R::Kost1},
        {"KOST2 - Kostenstelle", Q, R::Kost2},
        {"KOST-Menge", V},
        {"EU-Mitgliedstaat u. UStIdNr", Q | V, R::UstId},
        {"EU-Steuersatz", N, R::EuSteuersatz},
        {"Abw. Versteuerungsart", Q},
        {"Sachverhalt L+L"},
        {"Funktionserg\xE4nzung L+L"},
        {"BU 49 Hauptfunktionstyp"},
        {"BU 49 Hauptfunktionsnummer"},
        {"BU 49 Funktionserg\xE4nzung"},
        Repeat(2, 1, 20),
        {"Zusatzinformation - Art %d", Q},
        {"Zusatzinformation- Inhalt %d", Q},
        {"St\xFC"
         "ck"},
        {"Gewicht"},
        {"Zahlungsweise", V},
        {"Forderungsart", Q},
        {"Veranlagungsjahr"},
        {"Zugeordnete F\xE4lligkeit", Q},
        {"Skontotyp"},
        {"Auftragsnummer", Q},
        {"Buchungstyp", Q},
        {"USt-Schl\xFCssel (Anzahlungen)"},
        {"EU-Land (Anzahlungen)", Q},
        {"Sachverhalt L+L (Anzahlungen)"},
        {"EU-Steuersatz (Anzahlungen)"},
        {"Erl\xF6skonto (Anzahlungen)"},
        {"Herkunft-Kz", Q},
        {"Leerfeld", Q},
        {"KOST-Datum", Q},
        {"Mandatsreferenz", Q},
    });
    v.masterHeader = Header({
        {"DATEV-Format-KZ", Q, H::Constant, "EXTF"},
        {"Versionsnummer", 0, H::Version},
        {"Datenkategorie", 0, H::Constant, "16"},
        {"Formatname", Q, H::Constant, "Debitoren/Kreditoren"},
        {"Formatversion", 0, H::Constant, "3"},
        {"Erzeugt am", 0, H::Created},
        {"Importiert"},
        {"Herkunft", Q},
        {"Exportiert von", Q, H::Constant, "--"},
        {"Importiert von", Q},
        {"Berater", 0, H::Berater},
        {"Mandant", 0, H::Mandant},
        {"WJ-Beginn", 0, H::WjBeginn},
        {"Sachkontennummernl\xE4nge", 0, H::KontoLaenge},
        {"Datum von"},
        {"Datum bis"},
        {"Bezeichnung", Q},
        {"Diktatk\xFCrzel", Q},
        {"Buchungstyp"},
        {"Rechnungslegungszweck"},
        {"res1"},
        {"WKZ", Q},
        {"res2"},
        {"res3"},
        {"res4"},
        {"res5"},
    });
    v.masterData = Columns({
        {"Konto", 0, R::StammKonto},
        {"Name (Adressatentyp Unternehmen)", Q, R::NameUnternehmen},
        {"Unternehmensgegenstand", Q},
        {"Name (Adressatentyp nat\xFCrl. Person)", Q, R::NamePerson},
        {"Vorname (Adressatentyp nat\xFCrl. Person)", Q},
        {"Name (Adressatentyp keine Angabe)", Q, R::NameKeineAngabe},
        {"Adressatentyp", Q, R::Adressatentyp},
        {"Kurzbezeichnung", Q},
        {"EU-Mitgliedstaat", Q | V, R::EuLand},
        {"EU-UStIdNr.", Q | V, R::EuUstIdNr},
        {"Anrede", Q, R::Anrede},
        {"Titel/Akad. Grad", Q},
        {"Adelstitel", Q},
        {"Namensvorsatz", Q},
        {"Adressart", Q},
        {"Stra\xDF"
         "e",
         Q, R::Strasse},
        {"Postfach", Q, R::Postfach},
        {"Postleitzahl", Q, R::Postleitzahl},
        {"Ort", Q, R::Ort},
        {"Land", Q, R::Land},
        {"Versandzusatz", Q},
        {"Adresszusatz", Q},
        {"Abweichende Anrede", Q},
        {"Abw. Zustellbezeichnung 1", Q},
        {"Abw. Zustellbezeichnung 2", Q},
        {"Kennz. Korrespondenzadresse"},
        {"Adresse G\xFCltig von"},
        {"Adresse G\xFCltig bis"},
        {"Telefon", Q, R::Telefon},
        {"Bemerkung (Telefon)", Q},
        {"Telefon Gesch\xE4"
         "ftsleitung",
         Q},
        {"Bemerkung (Telefon GL)", Q},
        {"E-Mail", Q, R::EMail},
        {"Bemerkung (E-Mail)", Q},
        {"Internet", Q},
        {"Bemerkung (Internet)", Q},
        {"Fax", Q, R::Fax},
        {"Bemerkung (Fax)", Q},
        {"Sonstige", Q, R::Sonstige},
        {"Bemerkung (Sonstige)", Q, R::BemerkungSonstige},
        {"Bankleitzahl 1", Q, R::Bankleitzahl1},
        {"Bankbezeichnung 1", Q, R::Bank1},
        {"Bankkonto-Nummer 1", Q, R::Kontonummer1},
        {"L\xE4nderkennzeichen 1", Q, R::Laenderkennz1},
        {"IBAN-Nr. 1", Q | V, R::Iban1},
        {"IBAN 1 korrekt", Q | V},
        {"SWIFT-Code 1", Q, R::Swift1},
        {"Abw. Kontoinhaber 1", Q},
        {"Kennz. Hauptbankverb. 1", Q},
        {"Bankverb. 1 G\xFCltig von", Q},
        {"Bankverb. 1 G\xFCltig bis", Q},
        {"Bankleitzahl 2", Q},
        {"Bankbezeichnung 2", Q, R::Bank2},
        {"Bankkonto-Nummer 2", Q},
        {"L\xE4nderkennzeichen 2", Q, R::Laenderkennz2},
        {"IBAN-Nr. 2", Q | V, R::Iban2},
        {"IBAN 2 korrekt", Q | V},
        {"SWIFT-Code 2", Q, R::Swift2},
        {"Abw. Kontoinhaber 2", Q},
        {"Kennz. Hauptbankverb. 2", Q},
        {"Bankverb. 2 G\xFCltig von", Q},
        {"Bankverb. 2 G\xFCltig bis", Q},
        Repeat(11, 3, 5),
        {"Bankleitzahl %d", Q},
        {"Bankbezeichnung %d", Q},
        {"Bankkonto-Nummer %d", Q},
        {"L\xE4nderkennzeichen %d", Q},
        {"IBAN-Nr. %d", Q | V},
        {"IBAN %d korrekt", Q | V},
        {"SWIFT-Code %d", Q},
        {"Abw. Kontoinhaber %d", Q},
        {"Kennz. Hauptbankverb. %d", Q},
        {"Bankverb. %d G\xFCltig von", Q},
        {"Bankverb. %d G\xFCltig bis", Q},
        {"Leerfeld"},
        {"Briefanrede", Q},
        {"Gru\xDF"
         "formel",
         Q},
        {"Kundennummer", Q, R::Kundennummer},
        {"Steuernummer", Q},
        {"Sprache"},
        {"Ansprechpartner", Q},
        {"Vertreter", Q},
        {"Sachbearbeiter", Q},
        {"Diverse-Konto"},
        {"Ausgabeziel"},
        {"W\xE4hrungssteuerung", Q},
        {"Kreditlimit (Debitor)"},
        {"Zahlungsbedingung"},
        {"F\xE4lligkeit in Tagen (Debitor)"},
        {"Skonto in Prozent (Debitor)"},
        {"Kreditoren-Ziel 1 (Tage)"},
        {"Kreditoren-Skonto 1 (%)"},
        {"Kreditoren-Ziel 2 (Tage)"},
        {"Kreditoren-Skonto 2 (%)"},
        {"Kreditoren-Ziel 3 Brutto (Tage)"},
        {"Kreditoren-Ziel 4 (Tage)"},
        {"Kreditoren-Skonto 4 (%)"},
        {"Kreditoren-Ziel 5 (Tage)"},
        {"Kreditoren-Skonto 5 (%)"},
        {"Mahnung"},
        {"Kontoauszug"},
        {"Mahntext 1"},
        {"Mahntext 2"},
        {"Mahntext 3"},
        {"Kontoauszugstext"},
        {"Mahnlimit Betrag"},
        {"Mahnlimit %"},
        {"Zinsberechnung"},
        {"Mahnzinssatz 1"},
        {"Mahnzinssatz 2"},
        {"Mahnzinssatz 3"},
        {"Lastschrift", Q},
        {"Verfahren", Q},
        {"Mandantenbank"},
        {"Zahlungstr\xE4ger", Q},
        Repeat(1, 1, 15),
        {"Indiv. Feld %d", Q},
        {"Abweichende Anrede (Rechnungsadresse)", Q},
        {"Adressart (Rechnungsadresse)", Q},
        {"Stra\xDF"
         "e (Rechnungsadresse)",
         Q},
        {"Postfach (Rechnungsadresse)", Q},
        {"Postleitzahl (Rechnungsadresse)", Q},
        {"Ort (Rechnungsadresse)", Q},
        {"Land (Rechnungsadresse)", Q},
        {"Versandzusatz (Rechnungsadresse)", Q},
        {"Adresszusatz (Rechnungsadresse)", Q},
        {"Abw. Zustellbezeichnung 1 (Rechnungsadresse)", Q},
        {"Abw. Zustellbezeichnung 2 (Rechnungsadresse)", Q},
        {"Adresse G\xFCltig von (Rechnungsadresse)"},
        {"Adresse G\xFCltig bis (Rechnungsadresse)"},
        Repeat(11, 6, 10),
        {"Bankleitzahl %d", Q},
        {"Bankbezeichnung %d", Q},
        {"Bankkonto-Nummer %d", Q},
        {"L\xE4nderkennzeichen %d", Q},
        {"IBAN-Nr. %d", Q | V},
        {"IBAN %d korrekt", Q | V},
        {"SWIFT-Code %d", Q},
        {"Abw. Kontoinhaber %d", Q},
        {"Kennz. Hauptbankverb. %d", Q},
        {"Bankverb. %d G\xFCltig von", Q},
        {"Bankverb. %d G\xFCltig bis", Q},
        {"Nummer Fremdsystem", Q},
        {"Insolvent"},
        Repeat(1, 1, 10),
        {"SEPA-Mandatsreferenz %d", Q},
        {"Verkn\xFCpftes OPOS-Konto"},
    });
    return v;
}

// ---------------------------------------------------------------- V5.1 (510)

CExtfVersion Version510() {
    CExtfVersion v;
    v.version = 510;
    v.bookingsHeader = Header({
        {"DATEV-Format-KZ", Q, H::Constant, "EXTF"},
        {"Versionsnummer", 0, H::Version},
        {"Datenkategorie", 0, H::Constant, "21"},
        {"Formatname", Q, H::Constant, "Buchungsstapel"},
        {"Formatversion", 0, H::Constant, "7"},
        {"Erzeugt am", 0, H::Created},
        {"Importiert"},
        {"Herkunft", Q},
        {"Exportiert von", Q, H::Constant, "--"},
        {"Importiert von", Q},
        {"Berater", 0, H::Berater},
        {"Mandant", 0, H::Mandant},
        {"WJ-Beginn", 0, H::WjBeginn},
        {"Sachkontennummernl\xE4nge", 0, H::KontoLaenge},
        {"Datum von", 0, H::DatumVon},
        {"Datum bis", 0, H::DatumBis},
        {"Bezeichnung", Q},
        {"Diktatk\xFCrzel", Q},
        {"Buchungstyp", 0, H::Constant, "1"},
        {"Rechnungslegungszweck", 0, H::Constant, "0"},
        {"Festschreibung", 0, H::Festschreibung},
        {"WKZ", Q},
        {"res2"},
        {"res3"},
        {"res4"},
        {"res5"},
        {"res6", Q},
        {"res7"},
        {"res8"},
        {"res9", Q},
        {"res10", Q},
    });
    v.bookingsData = Columns({
        {"Umsatz (ohne Soll/Haben-Kz)", N, R::Umsatz},
        {"Soll/Haben-Kennzeichen", Q, R::SollHaben},
        {"WKZ Umsatz", Q, R::WkzUmsatz},
        {"Kurs", N, R::Kurs},
        {"Basis-Umsatz"},
        {"WKZ Basis-Umsatz", Q},
        {"Konto", 0, R::Konto},
        {"Gegenkonto (ohne BU-Schl\xFC\x81ssel)", 0, R::Gegenkonto},
        {"BU-Schl\x81\xFCssel", Q, R::BuSchluessel},
        {"Belegdatum", 0, R::Belegdatum},
        {"Belegfeld 1", Q, R::Belegfeld1},
        {"Belegfeld 2", Q, R::Belegfeld2},
        {"Skonto", N, R::Skonto},
        {"Buchungstext", Q, R::Buchungstext},
        {"Postensperre"},
        {"Diverse Adressnummer", Q},
        {"Gesch\xE4"
         "ftspartnerbank"},
        {"Sachverhalt"},
        {"Zinssperre"},
        {"Beleglink", Q},
        Repeat(2, 1, 8),
        {"Beleginfo \x96 Art %d", Q},
        {"Beleginfo \x96 Inhalt %d", Q},
        {"KOST1 - Kostenstelle", Q, R::Kost1},
        {"KOST2 - Kostenstelle", Q, R::Kost2},
        {"Kost-Menge", V},
        {"EU-Land u. UStID", Q | V, R::UstId},
        {"EU-Steuersatz", N, R::EuSteuersatz},
        {"Abw. Versteuerungsart", Q},
        {"Sachverhalt L+L"},
        {"Funktionserg\xE4nzung L+L"},
        {"BU 49 Hauptfunktionstyp"},
        {"BU 49 Hauptfunktionsnummer"},
        {"BU 49 Funktionserg\xE4nzung"},
        Repeat(2, 1, 20),
        {"Zusatzinformation - Art %d", Q},
        {"Zusatzinformation- Inhalt %d", Q},
        {"St\xFC"
         "ck"},
        {"Gewicht"},
        {"Zahlweise", V},
        {"Forderungsart", Q},
        {"Veranlagungsjahr"},
        {"Zugeordnete F\xE4lligkeit", Q},
        {"Skontotyp"},
        {"Auftragsnummer", Q},
        {"Buchungstyp", Q},
        {"USt-Schl\xFCssel (Anzahlungen)"},
        {"EU-Land (Anzahlungen)", Q},
        {"Sachverhalt L+L (Anzahlungen)"},
        {"EU-Steuersatz (Anzahlungen)"},
        {"Erl\xF6skonto (Anzahlungen)"},
        {"Herkunft-Kz", Q},
        {"Leerfeld", Q},
        {"KOST-Datum", Q},
        {"Mandatsreferenz", Q},
        {"Skontosperre"},
        {"Gesellschaftername", Q},
        {"Beteiligtennummer"},
        {"Identifikationsnummer", Q},
        {"Zeichnernummer", Q},
        {"Postensperre bis"},
        {"Bezeichnung SoBil-Sachverhalt", Q},
        {"Kennzeichen SoBil-Buchung"},
        {"Festschreibung", 0, R::Festschreibung},
        {"Leistungsdatum"},
        {"Datum Zuord.Steuerperiode"},
    });
    v.masterHeader = Header({
        {"DATEV-Format-KZ", Q, H::Constant, "EXTF"},
        {"Versionsnummer", 0, H::Version},
        {"Datenkategorie", 0, H::Constant, "16"},
        {"Formatname", Q, H::Constant, "Debitoren/Kreditoren"},
        {"Formatversion", 0, H::Constant, "4"},
        {"Erzeugt am", 0, H::Created},
        {"Importiert"},
        {"Herkunft", Q},
        {"Exportiert von", Q, H::Constant, "--"},
        {"Importiert von", Q},
        {"Berater", 0, H::Berater},
        {"Mandant", 0, H::Mandant},
        {"WJ-Beginn", 0, H::WjBeginn},
        {"Sachkontennummernl\xE4nge", 0, H::KontoLaenge},
        {"Datum von"},
        {"Datum bis"},
        {"Bezeichnung", Q},
        {"Diktatk\xFCrzel", Q},
        {"Buchungstyp"},
        {"Rechnungslegungszweck"},
        {"res1"},
        {"WKZ", Q},
        {"res2"},
        {"res3"},
        {"res4"},
        {"res5"},
        {"res6", Q},
        {"res7"},
        {"res8"},
        {"res9", Q},
        {"res10", Q},
    });
    v.masterData = Columns({
        {"Konto", 0, R::StammKonto},
        {"Name (Adressatentyp Unternehmen)", Q, R::NameUnternehmen},
        {"Unternehmensgegenstand", Q},
        {"Name (Adressatentyp nat\xFCrl. Person)", Q, R::NamePerson},
        {"Vorname (Adressatentyp nat\xFCrl. Person)", Q},
        {"Name (Adressatentyp keine Angabe)", Q, R::NameKeineAngabe},
        {"Adressatentyp", Q, R::Adressatentyp},
        {"Kurzbezeichnung", Q},
        {"EU-Land", Q | V, R::EuLand},
        {"EU-USt-IdNr.", Q | V, R::EuUstIdNr},
        {"Anrede", Q, R::Anrede},
        {"Titel/Akad. Grad", Q},
        {"Adelstitel", Q},
        {"Namensvorsatz", Q},
        {"Adressart", Q},
        {"Stra\xDF"
         "e",
         Q, R::Strasse},
        {"Postfach", Q, R::Postfach},
        {"Postleitzahl", Q, R::Postleitzahl},
        {"Ort", Q, R::Ort},
        {"Land", Q, R::Land},
        {"Versandzusatz", Q},
        {"Adresszusatz", Q},
        {"Abweichende Anrede", Q},
        {"Abw. Zustellbezeichnung 1", Q},
        {"Abw. Zustellbezeichnung 2", Q},
        {"Kennz. Korrespondenzadresse"},
        {"Adresse G\xFCltig von"},
        {"Adresse G\xFCltig bis"},
        {"Telefon", Q, R::Telefon},
        {"Bemerkung (Telefon)", Q},
        {"Telefon Gesch\xE4"
         "ftsleitung",
         Q},
        {"Bemerkung (Telefon GL)", Q},
        {"E-Mail", Q, R::EMail},
        {"Bemerkung (E-Mail)", Q},
        {"Internet", Q},
        {"Bemerkung (Internet)", Q},
        {"Fax", Q, R::Fax},
        {"Bemerkung (Fax)", Q},
        {"Sonstige", Q, R::Sonstige},
        {"Bemerkung (Sonstige)", Q, R::BemerkungSonstige},
        {"Bankleitzahl 1", Q, R::Bankleitzahl1},
        {"Bankbezeichnung 1", Q, R::Bank1},
        {"Bankkonto-Nummer 1", Q, R::Kontonummer1},
        {"L\xE4nderkennzeichen 1", Q, R::Laenderkennz1},
        {"IBAN 1", Q, R::Iban1},
        {"Leerfeld 1", Q},
        {"SWIFT-Code 1", Q, R::Swift1},
        {"Abw. Kontoinhaber 1", Q},
        {"Kennz. Hauptbankverb. 1", Q},
        {"Bankverb. 1 G\xFCltig von", Q},
        {"Bankverb. 1 G\xFCltig bis", Q},
        {"Bankleitzahl 2", Q},
        {"Bankbezeichnung 2", Q, R::Bank2},
        {"Bankkonto-Nummer 2", Q},
        {"L\xE4nderkennzeichen 2", Q, R::Laenderkennz2},
        {"IBAN 2", Q, R::Iban2},
        {"Leerfeld 2", Q},
        {"SWIFT-Code 2", Q, R::Swift2},
        {"Abw. Kontoinhaber 2", Q},
        {"Kennz. Hauptbankverb. 2", Q},
        {"Bankverb. 2 G\xFCltig von", Q},
        {"Bankverb. 2 G\xFCltig bis", Q},
        Repeat(11, 3, 5),
        {"Bankleitzahl %d", Q},
        {"Bankbezeichnung %d", Q},
        {"Bankkonto-Nummer %d", Q},
        {"L\xE4nderkennzeichen %d", Q},
        {"IBAN %d", Q},
        {"Leerfeld %d", Q},
        {"SWIFT-Code %d", Q},
        {"Abw. Kontoinhaber %d", Q},
        {"Kennz. Hauptbankverb. %d", Q},
        {"Bankverb. %d G\xFCltig von", Q},
        {"Bankverb. %d G\xFCltig bis", Q},
        {"Leerfeld"},
        {"Briefanrede", Q},
        {"Gru\xDF"
         "formel",
         Q},
        {"Kundennummer", Q, R::Kundennummer},
        {"Steuernummer", Q},
        {"Sprache"},
        {"Ansprechpartner", Q},
        {"Vertreter", Q},
        {"Sachbearbeiter", Q},
        {"Diverse-Konto"},
        {"Ausgabeziel"},
        {"W\xE4hrungssteuerung", Q},
        {"Kreditlimit (Debitor)"},
        {"Zahlungsbedingung"},
        {"F\xE4lligkeit in Tagen (Debitor)"},
        {"Skonto in Prozent (Debitor)"},
        {"Kreditoren-Ziel 1 (Tage)"},
        {"Kreditoren-Skonto 1 (%)"},
        {"Kreditoren-Ziel 2 (Tage)"},
        {"Kreditoren-Skonto 2 (%)"},
        {"Kreditoren-Ziel 3 Brutto (Tage)"},
        {"Kreditoren-Ziel 4 (Tage)"},
        {"Kreditoren-Skonto 4 (%)"},
        {"Kreditoren-Ziel 5 (Tage)"},
        {"Kreditoren-Skonto 5 (%)"},
        {"Mahnung"},
        {"Kontoauszug"},
        {"Mahntext 1"},
        {"Mahntext 2"},
        {"Mahntext 3"},
        {"Kontoauszugstext"},
        {"Mahnlimit Betrag"},
        {"Mahnlimit %"},
        {"Zinsberechnung"},
        {"Mahnzinssatz 1"},
        {"Mahnzinssatz 2"},
        {"Mahnzinssatz 3"},
        {"Lastschrift", Q},
        {"Verfahren", Q},
        {"Mandantenbank"},
        {"Zahlungstr\xE4ger", Q},
        Repeat(1, 1, 15),
        {"Indiv. Feld %d", Q},
        {"Abweichende Anrede (Rechnungsadresse)", Q},
        {"Adressart (Rechnungsadresse)", Q},
        {"Stra\xDF"
         "e (Rechnungsadresse)",
         Q},
        {"Postfach (Rechnungsadresse)", Q},
        {"Postleitzahl (Rechnungsadresse)", Q},
        {"Ort (Rechnungsadresse)", Q},
        {"Land (Rechnungsadresse)", Q},
        {"Versandzusatz (Rechnungsadresse)", Q},
        {"Adresszusatz (Rechnungsadresse)", Q},
        {"Abw. Zustellbezeichnung 1 (Rechnungsadresse)", Q},
        {"Abw. Zustellbezeichnung 2 (Rechnungsadresse)", Q},
        {"Adresse G\xFCltig von (Rechnungsadresse)"},
        {"Adresse G\xFCltig bis (Rechnungsadresse)"},
        Repeat(11, 6, 10),
        {"Bankleitzahl %d", Q},
        {"Bankbezeichnung %d", Q},
        {"Bankkonto-Nummer %d", Q},
        {"L\xE4nderkennzeichen %d", Q},
        {"IBAN %d", Q},
        {"Leerfeld %d", Q},
        {"SWIFT-Code %d", Q},
        {"Abw. Kontoinhaber %d", Q},
        {"Kennz. Hauptbankverb. %d", Q},
        {"Bankverb. %d G\xFCltig von", Q},
        {"Bankverb. %d G\xFCltig bis", Q},
        {"Nummer Fremdsystem", Q},
        {"Insolvent"},
        Repeat(1, 1, 10),
        {"SEPA-Mandatsreferenz %d", Q},
        {"Verkn\xFCpftes OPOS-Konto"},
        {"Mahnsperre bis"},
        {"Lastschriftsperre bis"},
        {"Zahlungssperre bis"},
        {"Geb\xFChrenberechnung"},
        {"Mahngeb\xFChr 1"},
        {"Mahngeb\xFChr 2"},
        {"Mahngeb\xFChr 3"},
        {"Pauschalberechnung"},
        {"Verzugspauschale 1"},
        {"Verzugspauschale 2"},
        {"Verzugspauschale 3"},
    });
    return v;
}

} // namespace

const std::vector<CExtfVersion>& CExtfLayout::Versions() {
    static const std::vector<CExtfVersion> versions = {Version300(), Version510()};
    return versions;
}

const CExtfVersion* CExtfLayout::Find(int version) {
    for (const CExtfVersion& v : Versions())
        if (v.version == version) return &v;
    return nullptr;
}

const CExtfVersion& CExtfLayout::Nearest(int version) {
    const CExtfVersion* nearest = &Versions().front();
    for (const CExtfVersion& v : Versions())
        if (v.version <= version) nearest = &v;
    return *nearest;
}

int CExtfLayout::IndexOf(const std::vector<CExtfColumn>& columns, EExtfRole role) {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].role == role) return static_cast<int>(i);
    return -1;
}

std::string CExtfLayout::NameOf(const std::vector<CExtfColumn>& columns, EExtfRole role) {
    int i = IndexOf(columns, role);
    return i < 0 ? std::string() : columns[static_cast<size_t>(i)].name;
}
