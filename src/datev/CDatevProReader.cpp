#include "datev/CDatevProReader.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CTool.h"
#include "core/CValueCheck.h"
#include "datev/CExtfLayout.h"
#include "text/CModulCSV.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

namespace {

const char* const kLayoutFile = "datevpro.ini";
const int kBookings = 21;
const int kMaster = 16;
const int kLabels = 20;

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
        engine.RewindImportFile();
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

// The columns of account labels; the newest version has them all.
const std::vector<CExtfColumn>& LabelTable() {
    return CExtfLayout::Versions().back().labelsData;
}

// Layout section of the data lines; version 700 keeps its own, as its columns go by position.
std::string DataSection(const char* section, const CExtfVersion& table) {
    return table.byPosition ? std::string(section) + " " + std::to_string(table.version) : section;
}

// "JJJJMMTT" -> "TT.MM.JJJJ".
std::string FromHeaderDate(const std::string& date) {
    return CTool::ConvertDate(date, "JJJJMMTT", "TT.MM.JJJJ");
}

// Version and category, with the finding about an unknown version.
struct CKind {
    int version = 0;
    int category = 0;
    int format = 0;
};

CKind ReadKind(const CHeader& header, std::string* messages) {
    CKind kind{header.Int("Versionsnummer"), header.Int("Datenkategorie"), header.Int("Formatversion")};
    if (messages && !CExtfLayout::Find(kind.version))
        *messages += CTool::Format("FEHLER: Die Datev-Version %d ist unbekannt.\r\n", kind.version);
    return kind;
}

// The data columns read up to the last one the program takes. An unknown version is read with the
// nearest older table, without the names that differ between versions; a version that names its
// columns by position with the columns its format version has.
std::vector<CExtfColumn> DataColumns(int version, int count,
                                     const std::vector<CExtfColumn> CExtfVersion::*columns, EExtfRole last) {
    const CExtfVersion* exact = CExtfLayout::Find(version);
    const CExtfVersion& table = exact ? *exact : CExtfLayout::Nearest(version);
    std::vector<CExtfColumn> taken;
    for (const CExtfColumn& column : table.*columns) {
        if (table.byPosition && static_cast<int>(taken.size()) == count) break;
        if (exact || table.byPosition || !column.namedByVersion) taken.push_back(column);
        if (column.role == last && !table.byPosition) break;
    }
    return taken;
}

// Headings the program wrote before with a stray byte; files with them are still read.
const std::pair<const char*, const char*> kOldHeadings[] = {
    {"Gegenkonto (ohne BU-Schl\xFCssel)", "Gegenkonto (ohne BU-Schl\xFC\x81ssel)"},
    {"BU-Schl\xFCssel", "BU-Schl\x81\xFCssel"},
};

bool HasUtf8Mark(const std::string& path) {
    std::FILE* file = CPlatform::OpenFile(path, "rb");
    if (!file) return false;
    unsigned char mark[3] = {0, 0, 0};
    bool found = std::fread(mark, 1, 3, file) == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF;
    std::fclose(file);
    return found;
}

// The data lines, matched to the columns by their headings, or by position for the versions that
// name their columns so.
class CData {
public:
    CData(CFrontEnd& frontEnd, std::vector<CExtfColumn> columnList, bool positional)
        : engine(frontEnd), columns(std::move(columnList)), byPosition(positional) {
        keys.fill(-1);
    }

    bool Open(const std::string& path, const std::string& section, int showDialog) {
        utf8 = HasUtf8Mark(path);
        std::vector<std::string> headings;
        if (!ReadHeadings(path, headings)) return false;
        headingCount = headings.size();
        // The engine compares headings byte by byte: names in the file's own encoding and spelling.
        std::vector<std::string> names;
        for (const CExtfColumn& column : columns) {
            std::string name = column.name;
            for (const auto& [now, before] : kOldHeadings)
                if (name == now && Contains(headings, before) && !Contains(headings, now)) name = before;
            names.push_back(utf8 ? CCodePage::AnsiToUtf8(name) : name);
        }
        engine.ResetLayout();
        for (const std::string& name : names)
            engine.DefineColumn(name, 1);
        // ReadHeadings left the file open.
        engine.RewindImportFile();
        engine.ReadRecord();
        if (!engine.SetupImport(kLayoutFile, section, showDialog)) return false;
        if (!byPosition) engine.AssignByHeadings();
        engine.quoteAll = 0;
        std::vector<char> read(columns.size(), 0);
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].role == EExtfRole::None) continue;
            // A column the heading line does not have reads nothing, not the field that happens to
            // stand at its place.
            int position = engine.GetColumn(static_cast<int>(i)).position;
            if (!IsPresent(position, names[i], headings, names)) continue;
            keys[static_cast<size_t>(columns[i].role)] = engine.NameKey(names[i]);
            lastPosition = std::max(lastPosition, position);
            read[i] = 1;
        }
        // Of the 125 fields of a line about 20 are taken: the others are not kept at all.
        for (size_t i = 0; i < columns.size(); ++i)
            if (!read[i]) engine.SetSelected(static_cast<int>(i), 0);
        engine.KeepSelectedOnly();
        engine.ReadInPlace();
        return true;
    }
    // False with a finding for each required column the heading line does not have; the file is then
    // closed.
    bool HasColumns(std::initializer_list<EExtfRole> required, std::string& messages) {
        bool complete = true;
        for (EExtfRole role : required) {
            if (Key(role) >= 0) continue;
            messages += CTool::Format("FEHLER: Die Spalte '%s' fehlt in der Datei, die Daten k\xF6nnen nicht "
                                      "gelesen werden.\r\n",
                                      CExtfLayout::NameOf(columns, role).c_str());
            complete = false;
        }
        if (!complete) engine.CloseFile();
        return complete;
    }
    // 1 while more lines follow.
    int Next() {
        engine.ClearValues();
        return engine.ReadRecord();
    }
    size_t Fields() const { return engine.FieldsRead(); }
    size_t HeadingCount() const { return headingCount; }
    // True when every column the program reads lies within the fields of the line just read.
    bool ReadColumnsComplete() const { return static_cast<int>(Fields()) > lastPosition; }
    std::string Text(EExtfRole role) const {
        std::string scratch;
        return std::string(View(role, scratch));
    }
    // Without a copy where the file's encoding is the program's: valid until the next line is read,
    // or while scratch holds a converted value.
    std::string_view View(EExtfRole role, std::string& scratch) const {
        std::string_view value;
        engine.GetView(Key(role), value, scratch);
        if (!utf8) return value;
        std::string converted = CCodePage::Utf8ToAnsi(value);
        scratch.swap(converted);
        return scratch;
    }
    bool DecimalPoint() const { return engine.decimalPoint != 0; }
    int Percent() const { return engine.ProgressPercent(); }
    bool BareLineFeed() const { return engine.HadBareLineFeed(); }
    // The file line where the record just read starts.
    int Line() const { return engine.RecordLine(); }
    void Close() { engine.CloseFile(); }
    // False (after its finding or message) when the file could not be read to its end or a quoted
    // field never closed.
    bool Finish(std::string& messages) {
        bool finished = engine.FinishImport(messages) != 0;
        engine.CloseFile();
        return finished;
    }

private:
    static bool Contains(const std::vector<std::string>& list, const std::string& text) {
        return std::find(list.begin(), list.end(), text) != list.end();
    }
    // Line 2 of the file, field by field (in the file's encoding).
    bool ReadHeadings(const std::string& path, std::vector<std::string>& headings) {
        engine.ResetLayout();
        if (!engine.OpenImportFile(path)) return false;
        engine.quoteAll = 0;
        engine.ReadRecord();
        engine.ClearValues();
        engine.ReadRecord();
        for (size_t i = 0; i < engine.FieldsRead() && i < static_cast<size_t>(engine.GetColumnCount()); ++i)
            headings.push_back(engine.GetColumn(static_cast<int>(i)).value);
        return true;
    }
    // A column is there when the heading line has a field at its position that no other column of
    // the table claims: its own heading, or one the layout renamed.
    bool IsPresent(int position, const std::string& name, const std::vector<std::string>& headings,
                   const std::vector<std::string>& names) const {
        if (position < 0 || static_cast<size_t>(position) >= headings.size()) return false;
        const std::string& heading = headings[static_cast<size_t>(position)];
        return byPosition || heading == name || !Contains(names, heading);
    }
    int Key(EExtfRole role) const { return keys[static_cast<size_t>(role)]; }

    CModulCSV engine;
    std::vector<CExtfColumn> columns;
    bool byPosition = false;
    bool utf8 = false;
    size_t headingCount = 0;
    int lastPosition = -1;
    // Engine key of the column of each role, -1 when the role is not read.
    std::array<int, static_cast<size_t>(EExtfRole::Count)> keys;
};

// Checked values of one data line; the first value that cannot be read rejects the record.
class CLineValues {
public:
    CLineValues(const CData& dataRef, int lineRef, std::string& messagesRef)
        : data(dataRef), line(lineRef), messages(messagesRef) {}

    std::string Text(EExtfRole role) const { return data.Text(role); }
    // Valid until the next value of this line is taken.
    std::string_view View(EExtfRole role) { return data.View(role, scratch); }
    // The record refers to the line, which stays until the next line is read: the record goes into
    // its list, which keeps a copy, before that. A converted value is copied, as scratch serves the
    // next one.
    void Text(EExtfRole role, CText& target) {
        const std::string_view text = View(role);
        if (text.data() == scratch.data())
            target = text;
        else
            target.Refer(text.data(), static_cast<std::uint32_t>(text.size()));
    }
    double Number(EExtfRole role, const char* field) {
        const std::string_view text = data.View(role, scratch);
        double value = 0.0;
        if (!CValueCheck::ParseNumber(text, data.DecimalPoint(), value))
            Reject(field, text, CValueCheck::EKind::Number);
        return value;
    }
    int Integer(EExtfRole role, const char* field, long long high, CValueCheck::EKind kind) {
        const std::string_view text = data.View(role, scratch);
        long long value = 0;
        if (!CValueCheck::ParseInteger(text, 0, high, value)) Reject(field, text, kind);
        return static_cast<int>(value);
    }
    void Reject(const char* field, std::string_view text, CValueCheck::EKind kind) {
        if (rejected) return;
        messages += CValueCheck::Rejected(line, field, text, kind);
        rejected = true;
    }
    void Reject(const std::string& finding) {
        if (rejected) return;
        messages += finding;
        rejected = true;
    }
    bool Rejected() const { return rejected; }
    int Line() const { return line; }

private:
    const CData& data;
    int line;
    std::string& messages;
    std::string scratch; // a value's converted text
    bool rejected = false;
};

// The year of a booking's "TTMM", from the date range of the header ("TT.MM.JJJJ"): a fiscal year that
// does not follow the calendar spans two years, and a day before the start of the range belongs to
// the year of its end. Taken apart once for the file rather than for every booking.
class CBookingYear {
public:
    CBookingYear(std::string_view datumVon, std::string_view datumBis)
        : known(datumVon.size() == 10), spans(known && datumBis.size() == 10) {
        if (!known) return;
        startMonthDay = MonthDay(datumVon.substr(3, 2), datumVon.substr(0, 2));
        SetYear(start, datumVon.substr(6, 4));
        if (spans) SetYear(end, datumBis.substr(6, 4));
    }
    // "TT.MM.JJJJ" of text ("TTMM", also "TMM"); without a range "TT.MM.". Empty when it is no
    // calendar date of its year.
    std::string Date(std::string_view text) const {
        char padded[4] = {'0'};
        if (text.size() == 3) {
            text.copy(padded + 1, 3);
            text = std::string_view(padded, 4);
        }
        static const std::string kNoFormat;
        std::string date;
        if (text.size() != 4 || !CValueCheck::ParseDate(text, kNoFormat, date)) return {};
        if (!known) return date; // no year to give it
        const CYear& year =
            spans && MonthDay(text.substr(2, 2), text.substr(0, 2)) < startMonthDay ? end : start;
        date.append(year.text, 4);
        auto twoDigits = [&](size_t at) { return (date[at] - '0') * 10 + (date[at + 1] - '0'); }; // "TT.MM."
        return CValueCheck::IsCalendarDate(twoDigits(0), twoDigits(3), year.number) ? date : std::string();
    }

private:
    struct CYear {
        char text[4] = {};
        int number = 0;
    };
    // Month and day in the order their texts compare as "MMTT".
    static std::uint32_t MonthDay(std::string_view month, std::string_view day) {
        auto byte = [](char c) { return static_cast<std::uint32_t>(static_cast<unsigned char>(c)); };
        return byte(month[0]) << 24 | byte(month[1]) << 16 | byte(day[0]) << 8 | byte(day[1]);
    }
    static void SetYear(CYear& year, std::string_view text) {
        text.copy(year.text, 4);
        year.number = CTool::ToInt(std::string(text));
    }

    bool known;
    bool spans;
    std::uint32_t startMonthDay = 0;
    CYear start;
    CYear end;
};

// A line with fewer fields than the heading line: cut by the end of the file, or missing columns
// the program reads (FEHLER, the record is not taken), or missing only columns after them (one
// HINWEIS for the file: DATEV's own programs end their lines early).
bool ShortLine(const CData& data, bool last, int line, bool& noted, std::string& messages) {
    if (data.Fields() > data.HeadingCount() && !noted) {
        messages += CTool::Format("HINWEIS: Zeile %d hat %zu Felder, die \xDC"
                                  "berschriftenzeile nur %zu; Felder ohne \xDC"
                                  "berschrift werden nur nach ihrer Stelle gelesen.\r\n",
                                  line, data.Fields(), data.HeadingCount());
        noted = true;
    }
    if (data.Fields() >= data.HeadingCount()) return false;
    if (last) {
        messages += CTool::Format("FEHLER: Zeile %d endet nach %zu von %zu Feldern mit dem Ende der Datei, "
                                  "die Datei ist unvollst\xE4ndig. Der Datensatz wird nicht \xFC"
                                  "bernommen.\r\n",
                                  line, data.Fields(), data.HeadingCount());
        return true;
    }
    if (!data.ReadColumnsComplete()) {
        messages +=
            CTool::Format("FEHLER: Zeile %d hat nur %zu von %zu Feldern. Der Datensatz wird nicht \xFC"
                          "bernommen.\r\n",
                          line, data.Fields(), data.HeadingCount());
        return true;
    }
    if (!noted)
        messages += CTool::Format("HINWEIS: Zeile %d hat nur %zu von %zu Feldern; die fehlenden Felder am "
                                  "Zeilenende werden als leer gelesen.\r\n",
                                  line, data.Fields(), data.HeadingCount());
    noted = true;
    return false;
}

// Reads the header of a data file: version into the parameters, category check, line-end check.
// False after the finding that stops the reader. columns is the number of data columns a file of
// this version and format version has (0: not known by position).
bool ReadHeader(CPelkoDoc& doc, CHeader& header, const std::string& path, bool bookings, int showDialog,
                CKind& kind, int& columns, std::string& messages) {
    if (!header.Open(HeaderNames(bookings), path,
                     bookings ? "Import Buchungen Header" : "Import Stamm Header", showDialog))
        return false;
    kind = ReadKind(header, &messages);
    doc.datev.datevProVersion = kind.version;
    if (bookings && kind.category != kBookings) {
        messages += CTool::Format(
            "FEHLER: Die Datei enth\xE4lt keine Buchungsdaten (Kategorie: ist=%d, soll=21).\r\n",
            kind.category);
        return false;
    }
    if (!bookings && kind.category != kMaster && kind.category != kLabels) {
        messages += CTool::Format(
            "FEHLER: Die Datei enth\xE4lt keine Stammdaten (Kategorie: ist=%d, soll=16).\r\n", kind.category);
        return false;
    }
    if (header.SpansLines()) {
        messages += "FEHLER: Die erste Zeile der Datei endet nicht mit CR LF oder enth\xE4lt ein nicht "
                    "geschlossenes Anf\xFChrungszeichen, die Daten k\xF6nnen nicht gelesen werden.\r\n";
        return false;
    }
    const CExtfVersion& table = CExtfLayout::Nearest(kind.version);
    const bool labels = kind.category == kLabels;
    columns = labels ? CExtfLayout::LabelColumnCount(kind.format)
                     : CExtfLayout::ColumnCount(table, bookings, kind.format);
    if ((table.byPosition || labels) && columns == 0) {
        messages +=
            CTool::Format("HINWEIS: Die Formatversion %d ist f\xFCr die Datev-Version %d unbekannt, die "
                          "Spalten werden nach ihrer Stelle gelesen.\r\n",
                          kind.format, kind.version);
        columns = static_cast<int>(labels ? LabelTable().size()
                                          : (bookings ? table.bookingsData : table.masterData).size());
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

// The length of the decimal text of value, as std::to_string writes it.
long long TextLength(int value) {
    long long length = value < 0 ? 2 : 1;
    for (long long rest = value < 0 ? -static_cast<long long>(value) : value; rest >= 10; rest /= 10)
        ++length;
    return length;
}

// The booking of one data line; false (after the finding) when a value cannot be read.
bool ReadBooking(const CData& data, const CDatev& datev, const CBookingYear& years, int line,
                 CBuchungenData& b, std::string& messages) {
    using K = CValueCheck::EKind;
    CLineValues v(data, line, messages);
    const double umsatz = v.Number(EExtfRole::Umsatz, "Umsatz");
    const std::string_view sollHaben = v.View(EExtfRole::SollHaben);
    const size_t begin = sollHaben.find_first_not_of(' ');
    const std::string_view direction =
        begin == std::string_view::npos
            ? std::string_view()
            : sollHaben.substr(begin, sollHaben.find_last_not_of(' ') + 1 - begin);
    if (umsatz < 0.0)
        v.Reject(CTool::Format("FEHLER: Zeile %d, Feld 'Umsatz': '%s' ist negativ, die Richtung gibt das "
                               "Soll/Haben-Kennzeichen an. Der Datensatz wird nicht \xFC"
                               "bernommen.\r\n",
                               line, CValueCheck::Shown(v.Text(EExtfRole::Umsatz)).c_str()));
    if (direction != "S" && direction != "H")
        v.Reject(
            CTool::Format("FEHLER: Zeile %d, Feld 'Soll/Haben-Kennzeichen': '%s' ist weder 'S' noch 'H'. "
                          "Der Datensatz wird nicht \xFC"
                          "bernommen.\r\n",
                          line, CValueCheck::Shown(sollHaben).c_str()));
    b.betrag = direction == "H" ? -umsatz : umsatz;
    v.Text(EExtfRole::WkzUmsatz, b.waehrung);
    b.waehrungskurs = v.Number(EExtfRole::Kurs, "Kurs");
    b.sollKonto = v.Integer(EExtfRole::Konto, "Konto", 999999999, K::Account);
    b.habenKonto = v.Integer(EExtfRole::Gegenkonto, "Gegenkonto", 999999999, K::Account);
    // Person accounts have one digit more than ledger accounts; DATEV takes nothing longer.
    const long long longest = static_cast<long long>(datev.kontonummernLaenge) + 1; // any header value
    for (const auto& [field, konto] :
         {std::pair<const char*, int>{"Konto", b.sollKonto}, {"Gegenkonto", b.habenKonto}})
        if (datev.kontonummernLaenge >= 4 && TextLength(konto) > longest)
            messages += CTool::Format("HINWEIS: Zeile %d, Feld '%s': Das Konto %d hat mehr als %lld Stellen "
                                      "(Sachkontenl\xE4nge %d + 1).\r\n",
                                      line, field, konto, longest, datev.kontonummernLaenge);
    b.datevSchluessel = v.Integer(EExtfRole::BuSchluessel, "BU-Schl\xFCssel", 9999, K::Integer);
    const std::string_view belegdatum = v.View(EExtfRole::Belegdatum);
    b.datum = years.Date(belegdatum);
    if (b.datum.empty()) v.Reject("Belegdatum", belegdatum, K::Date);
    v.Text(EExtfRole::Belegfeld1, b.buchungsnummer);
    v.Text(EExtfRole::Belegfeld2, b.belegnummer2);
    b.skonto = v.Number(EExtfRole::Skonto, "Skonto");
    v.Text(EExtfRole::Buchungstext, b.buchungstext);
    v.Text(EExtfRole::Kost1, b.kostenstelle1);
    v.Text(EExtfRole::Kost2, b.kostenstelle2);
    v.Text(EExtfRole::UstId, b.ustId);
    b.euSteuersatz = v.Number(EExtfRole::EuSteuersatz, "EU-Steuersatz");
    const std::string_view leistungsdatum = v.View(EExtfRole::Leistungsdatum);
    std::string date;
    if (!CValueCheck::ParseDate(leistungsdatum, std::string(), date) || (!date.empty() && date.size() != 10))
        v.Reject("Leistungsdatum", leistungsdatum, K::Date);
    b.leistungsdatum = date;
    v.Text(EExtfRole::UstIdUrsprung, b.ustIdUrsprung);
    b.euSteuersatzUrsprung = v.Number(EExtfRole::EuSteuersatzUrsprung, "EU-Steuersatz (Ursprung)");
    return !v.Rejected();
}

// The data lines of a file whose header was read: each line gives a record, or a finding names it.
template <typename FRead>
bool ReadLines(CData& data, CFrontEnd& progress, std::string& messages, FRead read) {
    if (BrokenLineEnd(data, messages)) return false;
    progress.SetProgressRange(0, 100);
    int shown = -1;
    bool noted = false;
    for (int more = 1; more;) {
        more = data.Next();
        if (BrokenLineEnd(data, messages)) return false;
        if (data.Fields() == 0 || ShortLine(data, !more, data.Line(), noted, messages)) continue;
        read(data.Line());
        ShowProgress(progress, data, shown);
    }
    return data.Finish(messages);
}

// Master records of the data lines: the account, then what fill takes from the line.
template <typename FFill>
bool ReadMasterLines(CPelkoDoc& doc, CData& data, const std::string& path, const std::string& section,
                     int showDialog, CFrontEnd& progress, std::string& messages, FFill fill) {
    if (!data.Open(path, section, showDialog) || !data.HasColumns({EExtfRole::StammKonto}, messages))
        return false;
    return ReadLines(data, progress, messages, [&](int line) {
        CLineValues v(data, line, messages);
        CStammData s;
        s.datevKonto = v.Integer(EExtfRole::StammKonto, "Konto", 999999999, CValueCheck::EKind::Account);
        fill(v, s);
        if (!v.Rejected() && s.HasData()) doc.stamm.Add(std::move(s));
    });
}

// Ledger accounts with their labels (category 20), by position: account and label.
bool ReadLabels(CPelkoDoc& doc, const std::string& path, int count, CFrontEnd& progress, int showDialog,
                std::string& messages) {
    std::vector<CExtfColumn> columns = LabelTable();
    columns.resize(std::min(columns.size(), static_cast<size_t>(count)));
    CData data(doc.GetFrontEnd(), columns, true);
    return ReadMasterLines(doc, data, path, "Import Kontenbeschriftungen Daten", showDialog, progress,
                           messages, [](CLineValues& v, CStammData& s) {
                               v.Text(EExtfRole::BeschriftungLang, s.name1);
                               if (s.name1.empty()) v.Text(EExtfRole::Beschriftung, s.name1);
                           });
}

} // namespace

int CDatevProReader::ReadDatevProKind(CPelkoDoc& doc, const std::string& path) {
    CHeader header(doc.GetFrontEnd());
    std::vector<std::string> names(std::begin(kBookingsHeader), std::begin(kBookingsHeader) + 4);
    if (!header.Open(names, path, "Import Buchungen Header", 0)) return 0;
    CKind kind = ReadKind(header, nullptr);
    header.Close();
    return kind.category == kBookings ? 1 : kind.category == kMaster || kind.category == kLabels ? 2 : 0;
}

bool CDatevProReader::ReadDatevProBookings(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                           int showDialog, std::string& messages) {
    CHeader header(doc.GetFrontEnd());
    CKind kind;
    int count = 0;
    if (!ReadHeader(doc, header, path, true, showDialog, kind, count, messages)) return false;
    CDatev& datev = doc.datev;
    datev.datumVon = FromHeaderDate(header.Text("Datum von"));
    datev.datumBis = FromHeaderDate(header.Text("Datum bis"));
    datev.festschreibung = datev.datevProVersion >= 510 ? header.Int("Festschreibung") : 0;
    header.Close();

    const int version = datev.datevProVersion;
    const CExtfVersion& table = CExtfLayout::Nearest(version);
    CData data(doc.GetFrontEnd(),
               DataColumns(version, count, &CExtfVersion::bookingsData, EExtfRole::Leistungsdatum),
               table.byPosition);
    if (!data.Open(path, DataSection("Import Buchungen Daten", table), showDialog) ||
        !data.HasColumns({EExtfRole::Umsatz, EExtfRole::SollHaben, EExtfRole::Konto, EExtfRole::Gegenkonto,
                          EExtfRole::Belegdatum},
                         messages))
        return false;
    const CBookingYear years(datev.datumVon, datev.datumBis);
    return ReadLines(data, progress, messages, [&](int line) {
        CBuchungenData b;
        if (ReadBooking(data, datev, years, line, b, messages) && b.HasData())
            doc.buchungen.Add(std::move(b));
    });
}

namespace {

// The master texts that a column gives unchanged.
const std::pair<EExtfRole, CText CStammData::*> kMasterTexts[] = {
    {EExtfRole::Anrede, &CStammData::anrede},
    {EExtfRole::Strasse, &CStammData::strasse},
    {EExtfRole::Postfach, &CStammData::postfach},
    {EExtfRole::Postleitzahl, &CStammData::postleitzahl},
    {EExtfRole::Ort, &CStammData::ort},
    {EExtfRole::Telefon, &CStammData::telefon},
    {EExtfRole::EMail, &CStammData::email},
    {EExtfRole::Fax, &CStammData::fax},
    {EExtfRole::Bankleitzahl1, &CStammData::bankleitzahl},
    {EExtfRole::Bank1, &CStammData::bank},
    {EExtfRole::Kontonummer1, &CStammData::kontonummer},
    {EExtfRole::Laenderkennz1, &CStammData::laenderkennz},
    {EExtfRole::Iban1, &CStammData::iban},
    {EExtfRole::Swift1, &CStammData::swift},
    {EExtfRole::Bank2, &CStammData::bank2},
    {EExtfRole::Laenderkennz2, &CStammData::laenderkennz2},
    {EExtfRole::Iban2, &CStammData::iban2},
    {EExtfRole::Swift2, &CStammData::swift2},
    {EExtfRole::Kundennummer, &CStammData::kundennummer},
};

} // namespace

bool CDatevProReader::ReadDatevProMaster(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                         int showDialog, std::string& messages) {
    CHeader header(doc.GetFrontEnd());
    CKind kind;
    int count = 0;
    if (!ReadHeader(doc, header, path, false, showDialog, kind, count, messages)) return false;
    header.Close();
    if (kind.category == kLabels) return ReadLabels(doc, path, count, progress, showDialog, messages);

    const int version = doc.datev.datevProVersion;
    const CExtfVersion& table = CExtfLayout::Nearest(version);
    CData data(doc.GetFrontEnd(),
               DataColumns(version, count, &CExtfVersion::masterData, EExtfRole::Kundennummer),
               table.byPosition);
    return ReadMasterLines(doc, data, path, DataSection("Import Stamm Daten", table), showDialog, progress,
                           messages, [&](CLineValues& v, CStammData& s) {
                               for (EExtfRole role : {EExtfRole::NameKeineAngabe, EExtfRole::NameUnternehmen,
                                                      EExtfRole::NamePerson})
                                   if (s.name1.empty()) v.Text(role, s.name1);
                               s.ustIdnr = v.Text(EExtfRole::EuLand) + v.Text(EExtfRole::EuUstIdNr);
                               for (const auto& [role, field] : kMasterTexts)
                                   v.Text(role, s.*field);
                               std::string land = v.Text(EExtfRole::Land);
                               s.land = doc.datev.MapValue(CDatev::kInLand, land, land);
                               if (v.Text(EExtfRole::BemerkungSonstige) == "Name 2")
                                   v.Text(EExtfRole::Sonstige, s.name2);
                           });
}
