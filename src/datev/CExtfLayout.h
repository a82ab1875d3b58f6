#pragma once

#include <string>
#include <vector>

// What a column of a DATEVpro file carries for the program. Readers and writers address columns
// by role, so versions may name or place them differently.
enum class EExtfRole {
    None,
    // Bookings
    Umsatz,
    SollHaben,
    WkzUmsatz,
    Kurs,
    Konto,
    Gegenkonto,
    BuSchluessel,
    Belegdatum,
    Belegfeld1,
    Belegfeld2,
    Skonto,
    Buchungstext,
    Kost1,
    Kost2,
    UstId,
    EuSteuersatz,
    Festschreibung,
    Leistungsdatum,
    UstIdUrsprung,
    EuSteuersatzUrsprung,
    // Master data
    StammKonto,
    NameUnternehmen,
    NamePerson,
    NameKeineAngabe,
    Adressatentyp,
    EuLand,
    EuUstIdNr,
    Anrede,
    Strasse,
    Postfach,
    Postleitzahl,
    Ort,
    Land,
    Telefon,
    EMail,
    Fax,
    Sonstige,
    BemerkungSonstige,
    Bankleitzahl1,
    Bank1,
    Kontonummer1,
    Laenderkennz1,
    Iban1,
    Swift1,
    Bank2,
    Laenderkennz2,
    Iban2,
    Swift2,
    Kundennummer,
    // Account labels
    Beschriftung,
    SprachId,
    BeschriftungLang,
    Count
};

// Where a header field takes its value from.
enum class EExtfHeaderValue {
    Empty,
    Constant,
    Version,
    Created,
    Berater,
    Mandant,
    WjBeginn,
    KontoLaenge,
    DatumVon,
    DatumBis,
    Festschreibung,
};

struct CExtfColumn {
    // Windows-1252; the heading written unless `heading` says otherwise. Unique within a table, as
    // the layout sections of "datevpro.ini" keep a column's settings under its name.
    std::string name;
    bool quoted = false;
    bool numeric = false;
    // A reader of an unknown version must not rely on this name.
    bool namedByVersion = false;
    EExtfRole role = EExtfRole::None;
    // Most characters (text) or digits (numbers) the format allows; 0 = not checked by the table.
    int length = 0;
    // The heading line's text where several columns share it (DATEV's "Leerfeld").
    std::string heading;

    const std::string& Heading() const { return heading.empty() ? name : heading; }
};

struct CExtfHeaderField {
    std::string name;
    bool quoted = false;
    EExtfHeaderValue value = EExtfHeaderValue::Empty;
    std::string constant;
};

// The header fields and data columns of both file kinds of one DATEVpro version.
struct CExtfVersion {
    int version = 0;
    // "Formatversion" written for bookings and master data.
    int bookingsFormat = 0;
    int masterFormat = 0;
    // Files of this version name their columns by position: headings are informative only, and a
    // file of an older format version has the first columns of the table.
    bool byPosition = false;
    std::vector<CExtfHeaderField> bookingsHeader;
    std::vector<CExtfColumn> bookingsData;
    std::vector<CExtfHeaderField> masterHeader;
    std::vector<CExtfColumn> masterData;
    // "Kontenbeschriftungen" (category 20): ledger accounts with their labels; empty before 700.
    std::vector<CExtfHeaderField> labelsHeader;
    std::vector<CExtfColumn> labelsData;
};

// The DATEVpro versions this program writes and reads, oldest first. A new version is a new table.
class CExtfLayout {
public:
    static const std::vector<CExtfVersion>& Versions();
    // The table of exactly this version, or nullptr.
    static const CExtfVersion* Find(int version);
    // For reading a file of an unknown version: the newest table not newer than it (else the oldest).
    static const CExtfVersion& Nearest(int version);
    // Number of columns a file of this version, category (21 or 16) and format version has; 0 when
    // the format version is not one this build knows.
    static int ColumnCount(const CExtfVersion& version, bool bookings, int formatVersion);
    // The same for a file of account labels (category 20), of any version.
    static int LabelColumnCount(int formatVersion);
    // Name of the column with the role, or empty when the list has none.
    static std::string NameOf(const std::vector<CExtfColumn>& columns, EExtfRole role);
    // Definition index of the column with the role, or -1.
    static int IndexOf(const std::vector<CExtfColumn>& columns, EExtfRole role);
};
