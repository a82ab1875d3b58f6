#include "datev/CDatevProReader.h"

#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CTool.h"
#include "datev/CExtfLayout.h"
#include "text/CModulCSV.h"

#include <array>
#include <vector>

namespace {

const char* const kLayoutFile = "datevpro.ini";
const int kBookings = 21;
const int kMaster = 16;

const char* const kBookingsHeader[] = {"DATEV-Format-KZ", "Versionsnummer",
                                       "Datenkategorie",  "Formatname",
                                       "Formatversion",   "Erzeugt am",
                                       "Importiert",      "Herkunft",
                                       "Exportiert von",  "Importiert von",
                                       "Berater",         "Mandant",
                                       "WJ-Beginn",       "Sachkontennummernl\xE4nge",
                                       "Datum von",       "Datum bis",
                                       "Bezeichnung",     "Diktatk\xFCrzel",
                                       "Buchungstyp",     "Rechnungslegungszweck",
                                       "Festschreibung",  "WKZ"};

// The header line, read by position.
class CHeader {
public:
    explicit CHeader(CFrontEnd& frontEnd) : engine(frontEnd) {}

    // False only when the column dialog was cancelled. A file that cannot be opened (the engine has
    // said so) leaves every value empty.
    bool Open(const std::vector<std::string>& names, const std::string& path, const char* section,
              int showDialog) {
        engine.ResetLayout();
        for (const std::string& name : names)
            engine.DefineColumn(name, 1);
        if (!engine.OpenImportFile(path)) return true;
        engine.noHeading = 1;
        if (!engine.SetupImport(kLayoutFile, section, showDialog)) return false;
        engine.quoteAll = 0;
        // Line 1 once more, now with the positions the section gives.
        engine.CloseFile();
        if (!engine.OpenImportFile(path)) return true;
        engine.ClearValues();
        engine.ReadRecord();
        return true;
    }
    int Int(const char* name) const {
        int value = 0;
        engine.GetInt(name, value);
        return value;
    }
    std::string Text(const char* name) const {
        std::string value;
        engine.GetString(name, value);
        return value;
    }
    // A header line running on into further lines: the file does not end its lines with CR LF, or a
    // quote in the header never closes.
    bool SpansLines() const {
        for (int i = 0; i < engine.GetColumnCount(); ++i)
            if (engine.GetColumn(i).value.find('\n') != std::string::npos) return true;
        return false;
    }
    void Close() { engine.CloseFile(); }

private:
    CModulCSV engine;
};

std::vector<std::string> HeaderNames(bool withFestschreibung) {
    std::vector<std::string> names;
    for (const char* name : kBookingsHeader)
        if (withFestschreibung || std::string(name) != "Festschreibung") names.push_back(name);
    return names;
}

// "JJJJMMTT" -> "TT.MM.JJJJ".
std::string FromHeaderDate(const std::string& date) {
    return CTool::ConvertDate(date, "JJJJMMTT", "TT.MM.JJJJ");
}

// Version and category, with the finding about an unknown version.
struct CKind {
    int version = 0;
    int category = 0;
};

CKind ReadKind(const CHeader& header, std::string* messages) {
    CKind kind{header.Int("Versionsnummer"), header.Int("Datenkategorie")};
    if (messages && !CExtfLayout::Find(kind.version))
        *messages += CTool::Format("FEHLER: Die Datev-Version %d ist unbekannt.\r\n", kind.version);
    return kind;
}

// The data columns read up to the last one the program takes. An unknown version is read with the
// nearest older table, without the names that differ between versions.
std::vector<std::string> DataNames(int version, const std::vector<CExtfColumn> CExtfVersion::*columns,
                                   EExtfRole last) {
    const CExtfVersion* exact = CExtfLayout::Find(version);
    const std::vector<CExtfColumn>& table =
        exact ? (*exact).*columns : CExtfLayout::Nearest(version).*columns;
    std::vector<std::string> names;
    for (const CExtfColumn& column : table) {
        if (exact || !column.namedByVersion) names.push_back(column.name);
        if (column.role == last) break;
    }
    return names;
}

// The data lines, matched to the columns by their headings.
class CData {
public:
    CData(CFrontEnd& frontEnd, const std::vector<CExtfColumn>& tableRef) : engine(frontEnd), table(tableRef) {
        keys.fill(-1);
    }

    bool Open(const std::vector<std::string>& names, const std::string& path, const char* section,
              int showDialog) {
        engine.ResetLayout();
        for (const std::string& name : names)
            engine.DefineColumn(name, 1);
        if (!engine.OpenImportFile(path)) return false;
        engine.ReadRecord();
        if (!engine.SetupImport(kLayoutFile, section, showDialog)) return false;
        engine.AssignByHeadings();
        engine.quoteAll = 0;
        for (const CExtfColumn& column : table)
            if (column.role != EExtfRole::None)
                keys[static_cast<size_t>(column.role)] = engine.NameKey(column.name);
        return true;
    }
    // 1 while more lines follow.
    int Next() {
        engine.ClearValues();
        return engine.ReadRecord();
    }
    std::string Text(EExtfRole role) const {
        std::string value;
        engine.GetString(Key(role), value);
        return value;
    }
    int Int(EExtfRole role) const {
        int value = 0;
        engine.GetInt(Key(role), value);
        return value;
    }
    double Number(EExtfRole role) const {
        double value = 0.0;
        engine.GetDouble(Key(role), value);
        return value;
    }
    int Percent() const { return engine.ProgressPercent(); }
    bool BareLineFeed() const { return engine.HadBareLineFeed(); }
    void Close() { engine.CloseFile(); }

private:
    int Key(EExtfRole role) const { return keys[static_cast<size_t>(role)]; }
    CModulCSV engine;
    const std::vector<CExtfColumn>& table;
    // Engine key of the column of each role, -1 when the role is not read.
    std::array<int, static_cast<size_t>(EExtfRole::Count)> keys;
};

// "H" with any white space around it.
bool IsCredit(const std::string& sollHaben) {
    size_t begin = sollHaben.find_first_not_of(" \t\r\n");
    return begin != std::string::npos && sollHaben[begin] == 'H' &&
           sollHaben.find_first_not_of(" \t\r\n", begin + 1) == std::string::npos;
}

// "TTMM" of the file (also "TMM") with its year. A fiscal year that does not follow the calendar
// spans two years: a day before the start of the range belongs to the year of its end.
std::string BookingDate(std::string dayMonth, const std::string& datumVon, const std::string& datumBis) {
    if (dayMonth.empty() || datumVon.size() < 4) return dayMonth;
    if (dayMonth.size() == 3) dayMonth.insert(dayMonth.begin(), '0');
    std::string year = datumVon.substr(datumVon.size() - 4);
    if (dayMonth.size() == 4 && datumVon.size() == 10 && datumBis.size() == 10) {
        std::string monthDay = dayMonth.substr(2, 2) + dayMonth.substr(0, 2);
        std::string fromMonthDay = datumVon.substr(3, 2) + datumVon.substr(0, 2);
        if (monthDay < fromMonthDay) year = datumBis.substr(6, 4);
    }
    return CTool::ConvertDate(dayMonth + year, "TTMMJJJJ", "TT.MM.JJJJ");
}

// Reads the header of a data file: version into the parameters, category check, line-end check.
// False after the finding that stops the reader.
bool ReadHeader(CPelkoDoc& doc, CHeader& header, const std::string& path, bool bookings, int showDialog,
                std::string& messages) {
    if (!header.Open(HeaderNames(bookings), path,
                     bookings ? "Import Buchungen Header" : "Import Stamm Header", showDialog))
        return false;
    CKind kind = ReadKind(header, &messages);
    doc.datev.datevProVersion = kind.version;
    if (bookings && kind.category != kBookings) {
        messages += CTool::Format(
            "FEHLER: Die Datei enth\xE4lt keine Buchungsdaten (Kategorie: ist=%d, soll=21).\r\n",
            kind.category);
        return false;
    }
    if (!bookings && kind.category != kMaster) {
        messages += CTool::Format(
            "FEHLER: Die Datei enth\xE4lt keine Stammdaten (Kategorie: ist=%d, soll=16).\r\n", kind.category);
        return false;
    }
    if (header.SpansLines()) {
        messages += "FEHLER: Die erste Zeile der Datei endet nicht mit CR LF oder enth\xE4lt ein nicht "
                    "geschlossenes Anf\xFChrungszeichen, die Daten k\xF6nnen nicht gelesen werden.\r\n";
        return false;
    }
    CDatev& datev = doc.datev;
    datev.beraterNummer = header.Int("Berater");
    datev.mandantenNummer = header.Int("Mandant");
    datev.wirtschaftsjahrBeginn = FromHeaderDate(header.Text("WJ-Beginn"));
    datev.kontonummernLaenge = header.Int("Sachkontennummernl\xE4nge");
    return true;
}

// A line read with a line feed outside quotes holds several lines of a file that ends them with LF
// alone: its fields would land in the wrong columns and the lines after it would be lost.
bool BrokenLineEnd(CData& data, std::string& messages) {
    if (!data.BareLineFeed()) return false;
    messages +=
        "FEHLER: Die Zeilen der Datei enden nicht mit CR LF, die Daten k\xF6nnen nicht gelesen werden.\r\n";
    data.Close();
    return true;
}

void ShowProgress(CFrontEnd& progress, const CData& data, int& shown) {
    int percent = data.Percent();
    if (percent == shown) return;
    shown = percent;
    progress.SetProgressPos(percent);
}

} // namespace

int CDatevProReader::ReadDatevProKind(CPelkoDoc& doc, const std::string& path) {
    CHeader header(doc.GetFrontEnd());
    std::vector<std::string> names(std::begin(kBookingsHeader), std::begin(kBookingsHeader) + 4);
    if (!header.Open(names, path, "Import Buchungen Header", 0)) return 0;
    CKind kind = ReadKind(header, nullptr);
    header.Close();
    return kind.category == kBookings ? 1 : kind.category == kMaster ? 2 : 0;
}

bool CDatevProReader::ReadDatevProBookings(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                           int showDialog, std::string& messages) {
    CHeader header(doc.GetFrontEnd());
    if (!ReadHeader(doc, header, path, true, showDialog, messages)) return false;
    CDatev& datev = doc.datev;
    datev.datumVon = FromHeaderDate(header.Text("Datum von"));
    datev.datumBis = FromHeaderDate(header.Text("Datum bis"));
    datev.festschreibung = datev.datevProVersion >= 510 ? header.Int("Festschreibung") : 0;
    header.Close();

    const int version = datev.datevProVersion;
    CData data(doc.GetFrontEnd(), CExtfLayout::Nearest(version).bookingsData);
    if (!data.Open(DataNames(version, &CExtfVersion::bookingsData, EExtfRole::EuSteuersatz), path,
                   "Import Buchungen Daten", showDialog))
        return false;
    if (BrokenLineEnd(data, messages)) return false;
    progress.SetProgressRange(0, 100);
    int shown = -1;
    for (int more = 1; more;) {
        more = data.Next();
        if (BrokenLineEnd(data, messages)) return false;
        CBuchungenData b;
        b.betrag = data.Number(EExtfRole::Umsatz);
        if (IsCredit(data.Text(EExtfRole::SollHaben))) b.betrag = -b.betrag;
        b.waehrung = data.Text(EExtfRole::WkzUmsatz);
        b.waehrungskurs = data.Number(EExtfRole::Kurs);
        b.sollKonto = data.Int(EExtfRole::Konto);
        b.habenKonto = data.Int(EExtfRole::Gegenkonto);
        b.datevSchluessel = data.Int(EExtfRole::BuSchluessel);
        b.datum = BookingDate(data.Text(EExtfRole::Belegdatum), datev.datumVon, datev.datumBis);
        b.buchungsnummer = data.Text(EExtfRole::Belegfeld1);
        b.belegnummer2 = data.Text(EExtfRole::Belegfeld2);
        b.skonto = data.Number(EExtfRole::Skonto);
        b.buchungstext = data.Text(EExtfRole::Buchungstext);
        b.kostenstelle1 = data.Text(EExtfRole::Kost1);
        b.kostenstelle2 = data.Text(EExtfRole::Kost2);
        b.ustId = data.Text(EExtfRole::UstId);
        b.euSteuersatz = data.Number(EExtfRole::EuSteuersatz);
        if (b.HasData()) doc.buchungen.Add(b);
        ShowProgress(progress, data, shown);
    }
    data.Close();
    return true;
}

bool CDatevProReader::ReadDatevProMaster(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                         int showDialog, std::string& messages) {
    CHeader header(doc.GetFrontEnd());
    if (!ReadHeader(doc, header, path, false, showDialog, messages)) return false;
    header.Close();

    const int version = doc.datev.datevProVersion;
    CData data(doc.GetFrontEnd(), CExtfLayout::Nearest(version).masterData);
    if (!data.Open(DataNames(version, &CExtfVersion::masterData, EExtfRole::Kundennummer), path,
                   "Import Stamm Daten", showDialog))
        return false;
    if (BrokenLineEnd(data, messages)) return false;
    progress.SetProgressRange(0, 100);
    int shown = -1;
    for (int more = 1; more;) {
        more = data.Next();
        if (BrokenLineEnd(data, messages)) return false;
        CStammData s;
        s.datevKonto = data.Int(EExtfRole::StammKonto);
        for (EExtfRole role : {EExtfRole::NameKeineAngabe, EExtfRole::NameUnternehmen, EExtfRole::NamePerson})
            if (s.name1.empty()) s.name1 = data.Text(role);
        s.ustIdnr = data.Text(EExtfRole::EuLand) + data.Text(EExtfRole::EuUstIdNr);
        s.anrede = data.Text(EExtfRole::Anrede);
        s.strasse = data.Text(EExtfRole::Strasse);
        s.postfach = data.Text(EExtfRole::Postfach);
        s.postleitzahl = data.Text(EExtfRole::Postleitzahl);
        s.ort = data.Text(EExtfRole::Ort);
        std::string land = data.Text(EExtfRole::Land);
        s.land = doc.datev.MapValue(CDatev::kInLand, land, land);
        s.telefon = data.Text(EExtfRole::Telefon);
        s.email = data.Text(EExtfRole::EMail);
        s.fax = data.Text(EExtfRole::Fax);
        if (data.Text(EExtfRole::BemerkungSonstige) == "Name 2") s.name2 = data.Text(EExtfRole::Sonstige);
        s.bankleitzahl = data.Text(EExtfRole::Bankleitzahl1);
        s.bank = data.Text(EExtfRole::Bank1);
        s.kontonummer = data.Text(EExtfRole::Kontonummer1);
        s.laenderkennz = data.Text(EExtfRole::Laenderkennz1);
        s.iban = data.Text(EExtfRole::Iban1);
        s.swift = data.Text(EExtfRole::Swift1);
        s.bank2 = data.Text(EExtfRole::Bank2);
        s.laenderkennz2 = data.Text(EExtfRole::Laenderkennz2);
        s.iban2 = data.Text(EExtfRole::Iban2);
        s.swift2 = data.Text(EExtfRole::Swift2);
        s.kundennummer = data.Text(EExtfRole::Kundennummer);
        if (s.HasData()) doc.stamm.Add(s);
        ShowProgress(progress, data, shown);
    }
    data.Close();
    return true;
}
