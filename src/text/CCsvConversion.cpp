#include "text/CCsvConversion.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "core/CValueCheck.h"
#include "text/CModulCSV.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

const char* const kLayoutFile = "csv.ini";

// Column names in definition order.
enum EBooking {
    kBuchungsnummer,
    kBelegnummer2,
    kDatum,
    kSollKonto,
    kHabenKonto,
    kDatevSchluessel,
    kBetrag,
    kWaehrung,
    kBuchungstext,
    kKostenstelle1,
    kKostenstelle2,
    kSkonto,
    kUstId,
    kEuSteuersatz,
    kWaehrungskurs,
    kUmsatz,
    kShKennz,
    // Added later: not written unless the layout selects them (see Define).
    kLeistungsdatum,
    kUstIdUrsprung,
    kEuSteuersatzUrsprung,
    kBookingColumns
};

const std::vector<std::string>& BookingColumns() {
    static const std::vector<std::string> names = {"Buchungsnummer",
                                                   "Belegnummer 2",
                                                   "Datum",
                                                   "Soll-Konto",
                                                   "Haben-Konto",
                                                   Ansi("Datev-Schlüssel"),
                                                   "Betrag",
                                                   Ansi("Währung"),
                                                   "Buchungstext",
                                                   "Kostenstelle 1",
                                                   "Kostenstelle 2",
                                                   "Skonto",
                                                   "Ust-ID",
                                                   "EU-Steuersatz",
                                                   "Waehrungskurs",
                                                   "Umsatz (optional)",
                                                   "S/H-Kennz. (optional)",
                                                   "Leistungsdatum",
                                                   "EU-Land u. UStID (Ursprung)",
                                                   "EU-Steuersatz (Ursprung)"};
    return names;
}

const std::vector<std::string>& MasterColumns() {
    static const std::vector<std::string> names = {
        "Datev-Konto",  "Anrede",  "Name_1",   "Kundennummer",
        "Name_2",       "Strasse", "Postfach", "Postleitzahl",
        "Ort",          "Land",    "Bank",     "Kontonummer",
        "Bankleitzahl", "UstIdnr", "Telefon",  "Fax",
        "EMail",        "IBAN",    "SWIFT",    Ansi("Länderkennz"),
        "Bank 2",       "IBAN 2",  "SWIFT 2",  Ansi("Länderkennz 2")};
    return names;
}

// The text fields of a master-data record after "Datev-Konto", in definition order.
CText CStammData::*const kMasterTexts[] = {
    &CStammData::anrede,  &CStammData::name1,    &CStammData::kundennummer, &CStammData::name2,
    &CStammData::strasse, &CStammData::postfach, &CStammData::postleitzahl, &CStammData::ort,
    &CStammData::land,    &CStammData::bank,     &CStammData::kontonummer,  &CStammData::bankleitzahl,
    &CStammData::ustIdnr, &CStammData::telefon,  &CStammData::fax,          &CStammData::email,
    &CStammData::iban,    &CStammData::swift,    &CStammData::laenderkennz, &CStammData::bank2,
    &CStammData::iban2,   &CStammData::swift2,   &CStammData::laenderkennz2};

// Columns from firstAdded on came after files and layouts existed: an export writes them only when
// the layout selects them, so that stored layouts keep writing the files their readers expect.
void Define(CModulCSV& engine, const std::vector<std::string>& names, size_t firstAdded) {
    engine.ResetLayout();
    engine.confirmCaption = "OK";
    for (size_t i = 0; i < names.size(); ++i)
        engine.DefineColumn(names[i], i < firstAdded ? 1 : 0);
}

// On import, such a column reads a field only where the layout places it or the heading line names
// it: the extra fields of an older file are no service dates.
void SkipUnplacedAddedColumns(CModulCSV& engine, size_t firstAdded) {
    for (int i = static_cast<int>(firstAdded); i < engine.GetColumnCount(); ++i) {
        const CsvColumn& column = engine.GetColumn(i);
        const std::string& heading = engine.AssignedHeading(i);
        const bool named = !engine.noHeading && !column.name.empty() &&
                           (heading == column.name || heading == column.heading);
        if (!column.placedByLayout && !named) engine.SetSelected(i, 0);
    }
}

// The name index is resolved once per run, not per record.
std::vector<int> Keys(const CModulCSV& engine, const std::vector<std::string>& names) {
    std::vector<int> keys;
    for (const std::string& name : names)
        keys.push_back(engine.NameKey(name));
    return keys;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

double Divisor(const std::string& setting) {
    return setting.empty() ? 0.0 : CTool::ParseAmount(setting);
}

int OpenImport(CModulCSV& engine, const std::string& path, const char* section, int showDialog,
               std::string& messages) {
    if (!engine.PrepareImport(path) || !engine.OpenImportFile(path)) return 0;
    if (!engine.SetupImport(kLayoutFile, section, showDialog)) {
        engine.CloseFile();
        return 0;
    }
    // Only CR LF ends a line: a file with LF line ends alone reads as one heading and no records.
    if (engine.HadBareLineFeed() && engine.AtEndOfFile() && !engine.noHeading) {
        engine.CloseFile();
        engine.GetFrontEnd().MessageBox(CTool::Format(
            "(E:603#%d)\nDie Zeilen der Datei (%s) enden mit LF statt mit CR LF.\nSpeichern Sie die Datei "
            "bitte mit Windows-Zeilenenden (CR LF) und starten Sie den Import erneut.\nDer Import wird "
            "abgebrochen.",
            CStepCode::Get(), path.c_str()));
        return 0;
    }
    if (!engine.CheckHeadings(messages)) {
        engine.CloseFile();
        return 0;
    }
    return 1;
}

// The values of one record through the readers' checks: a value that cannot be read as what its
// column holds gives a FEHLER line naming line, column and value, and the record is not taken.
class CCheckedRecord {
public:
    CCheckedRecord(const CModulCSV& engineRef, const std::vector<std::string>& namesRef,
                   std::string& findings)
        : engine(engineRef), names(namesRef), keys(Keys(engineRef, namesRef)), messages(findings) {}

    void Begin() { rejected = false; }
    bool Rejected() const { return rejected; }

    bool Text(size_t column, std::string& target) {
        std::string_view text;
        if (!View(column, text)) return false;
        target = text;
        return true;
    }

    // A record's text refers to the engine's value, which stays until the next record is read: the
    // record goes into its list, which keeps a copy, before that. A converted value is copied, as
    // scratch serves the next one.
    bool Text(size_t column, CText& target) {
        std::string_view text;
        if (!View(column, text)) return false;
        if (text.data() == scratch.data())
            target = text;
        else
            target.Refer(text.data(), static_cast<std::uint32_t>(text.size()));
        return true;
    }

    void Number(size_t column, double& target) {
        std::string_view text;
        if (!View(column, text)) return;
        double value = 0.0;
        if (!CValueCheck::ParseNumber(text, engine.decimalPoint != 0, value))
            return Reject(column, text, CValueCheck::EKind::Number);
        target = value;
    }

    void Integer(size_t column, int& target, CValueCheck::EKind kind) {
        std::string_view text;
        if (!View(column, text)) return;
        long long value = 0;
        if (!CValueCheck::ParseInteger(text, 0, kHighestNumber, value)) return Reject(column, text, kind);
        target = static_cast<int>(value);
    }

    // withYear: only a whole date "TT.MM.JJJJ" is taken.
    void Date(size_t column, const std::string& format, CText& target, bool withYear = false) {
        std::string_view text;
        if (!View(column, text)) return;
        if (!CValueCheck::ParseDate(text, format, date) || (withYear && !date.empty() && date.size() != 10))
            return Reject(column, text, CValueCheck::EKind::Date);
        target = date;
    }

private:
    static constexpr long long kHighestNumber = 999999999;

    bool View(size_t column, std::string_view& target) {
        return engine.GetView(keys[column], target, scratch);
    }

    void Reject(size_t column, std::string_view text, CValueCheck::EKind kind) {
        messages += CValueCheck::Rejected(engine.RecordLine(), names[column], text, kind);
        rejected = true;
    }

    const CModulCSV& engine;
    const std::vector<std::string>& names;
    std::vector<int> keys;
    std::string& messages;
    std::string scratch;
    std::string date;
    bool rejected = false;
};

int OpenExport(CModulCSV& engine, const std::string& path, const char* section, int showDialog) {
    if (!engine.SetupExport(kLayoutFile, section, showDialog) || !engine.OpenExportFile(path, 0)) return 0;
    engine.WriteHeading();
    return 1;
}

} // namespace

void CCsvConversion::DefineEngines(CPelkoDoc& doc) {
    Define(doc.csvExportBookings, BookingColumns(), kLeistungsdatum);
    Define(doc.csvImportBookings, BookingColumns(), kLeistungsdatum);
    Define(doc.csvExportMaster, MasterColumns(), MasterColumns().size());
    Define(doc.csvImportMaster, MasterColumns(), MasterColumns().size());
}

int CCsvConversion::ExportBookingsCsv(CPelkoDoc& doc, const std::string& path, int showDialog) {
    CModulCSV& engine = doc.csvExportBookings;
    engine.exportProfile = doc.profileOut;
    if (!OpenExport(engine, path, "Export Buchungsdaten", showDialog)) return 0;
    const std::vector<int> key = Keys(engine, BookingColumns());
    const std::string& dateFormat = doc.settings.outFormatDatum;
    CFrontEnd& progress = doc.GetFrontEnd();
    progress.SetProgressRange(0, doc.buchungen.GetCount() - 1);
    progress.SetProgressPos(0);
    // The record's texts and the numbers' buffers (one for each column) stay as they are until the
    // record is written: they are set as views, without a copy.
    std::array<CNumberText, kBookingColumns> number;
    std::array<CModulCSV::CView, kBookingColumns> views;
    for (int i = 0; i < doc.buchungen.GetCount(); ++i) {
        const CBuchungenData& b = *doc.buchungen.GetAt(i);
        engine.ClearValues();
        size_t count = 0;
        auto view = [&](int column, std::string_view value, int numeric = 0, int forceQuotes = 0) {
            views[count++] = {key[static_cast<size_t>(column)], value, numeric, forceQuotes};
        };
        view(kBuchungsnummer, b.buchungsnummer);
        view(kBelegnummer2, b.belegnummer2);
        if (dateFormat.empty())
            view(kDatum, b.datum);
        else
            engine.SetValue(
                key[kDatum],
                CTool::ConvertDate(b.datum, b.datum.size() == 6 ? "TT.MM." : "TT.MM.JJJJ", dateFormat));
        if (b.sollKonto > 0) view(kSollKonto, number[kSollKonto].Int(b.sollKonto));
        if (b.habenKonto > 0) view(kHabenKonto, number[kHabenKonto].Int(b.habenKonto));
        if (b.datevSchluessel > 0) view(kDatevSchluessel, number[kDatevSchluessel].Int(b.datevSchluessel));
        const std::string_view amount = number[kBetrag].Amount(b.betrag);
        view(kBetrag, amount, 1);
        view(kWaehrung, b.waehrung);
        view(kBuchungstext, b.buchungstext);
        view(kKostenstelle1, b.kostenstelle1);
        view(kKostenstelle2, b.kostenstelle2);
        if (b.skonto > 0) view(kSkonto, number[kSkonto].Amount(b.skonto), 1);
        view(kUstId, b.ustId);
        if (b.euSteuersatz > 0) view(kEuSteuersatz, number[kEuSteuersatz].Amount(b.euSteuersatz), 1);
        if (b.waehrungskurs > 0) view(kWaehrungskurs, number[kWaehrungskurs].Decimal(b.waehrungskurs, 6), 1);
        // The turnover is the amount's two decimals without sign, as FormatDecimal(|x|, 2) would
        // give them; taken from the amount text, it saves a second float formatting per record.
        view(kUmsatz, amount[0] == '-' ? amount.substr(1) : amount, 1);
        view(kShKennz, b.betrag < 0 ? std::string_view("H") : std::string_view("S"), 0, 1);
        if (!b.leistungsdatum.empty()) {
            if (dateFormat.empty())
                view(kLeistungsdatum, b.leistungsdatum);
            else
                engine.SetValue(key[kLeistungsdatum],
                                CTool::ConvertDate(b.leistungsdatum, "TT.MM.JJJJ", dateFormat));
        }
        view(kUstIdUrsprung, b.ustIdUrsprung);
        if (b.euSteuersatzUrsprung > 0)
            view(kEuSteuersatzUrsprung, number[kEuSteuersatzUrsprung].Amount(b.euSteuersatzUrsprung), 1);
        engine.SetViews(views.data(), count);
        engine.WriteRecord();
        progress.SetProgressPos(i);
        ++doc.recordCounter;
    }
    return engine.CloseFile();
}

int CCsvConversion::ImportBookingsCsv(CPelkoDoc& doc, const std::string& path, int showDialog,
                                      std::string& messages) {
    doc.recordCounter = 0;
    CModulCSV& engine = doc.csvImportBookings;
    engine.importProfile = doc.profileIn;
    if (!OpenImport(engine, path, "Import Buchungsdaten", showDialog, messages)) return 0;
    SkipUnplacedAddedColumns(engine, kLeistungsdatum);
    engine.ReadInPlace();
    CCheckedRecord check(engine, BookingColumns(), messages);
    const CFormatSettings& settings = doc.settings;
    const double amountDivisor = Divisor(settings.betragTeilen);
    const double rateDivisor = Divisor(settings.steuersatzTeilen);
    CFrontEnd& progress = doc.GetFrontEnd();
    progress.SetProgressRange(0, 100);
    progress.SetProgressPos(0);
    for (int more = 1; more;) {
        // A fresh record rather than one cleared by assignment: moving the texts of an empty record
        // reads them whole right after their bytes were stored one by one, and waits for the stores.
        CBuchungenData b;
        engine.ClearValues();
        more = engine.ReadRecord();
        check.Begin();
        check.Text(kBuchungsnummer, b.buchungsnummer);
        check.Text(kBelegnummer2, b.belegnummer2);
        check.Date(kDatum, settings.inFormatDatum, b.datum);
        check.Integer(kSollKonto, b.sollKonto, CValueCheck::EKind::Account);
        check.Integer(kHabenKonto, b.habenKonto, CValueCheck::EKind::Account);
        check.Integer(kDatevSchluessel, b.datevSchluessel, CValueCheck::EKind::Integer);
        // A sign after the amount ("12,50-") is read whether or not the settings announce it.
        check.Number(kBetrag, b.betrag);
        if (amountDivisor != 0.0) b.betrag /= amountDivisor;
        if (!check.Text(kWaehrung, b.waehrung)) b.waehrung = "EUR";
        check.Text(kBuchungstext, b.buchungstext);
        check.Text(kKostenstelle1, b.kostenstelle1);
        check.Text(kKostenstelle2, b.kostenstelle2);
        check.Number(kSkonto, b.skonto);
        check.Text(kUstId, b.ustId);
        check.Number(kEuSteuersatz, b.euSteuersatz);
        if (rateDivisor != 0.0) b.euSteuersatz /= rateDivisor;
        check.Number(kWaehrungskurs, b.waehrungskurs);
        double turnover = 0.0;
        check.Number(kUmsatz, turnover);
        if (b.betrag == 0.0 && turnover != 0.0) b.betrag = turnover;
        std::string indicator;
        check.Text(kShKennz, indicator);
        // "H" makes the amount negative. Flipping its sign instead would turn every negative
        // amount of the program's own export (Betrag -5,00, Umsatz 5,00, "H") positive.
        if (Trim(indicator) == "H" && turnover > 0.0) b.betrag = -std::fabs(b.betrag);
        check.Date(kLeistungsdatum, settings.inFormatDatum, b.leistungsdatum, true);
        check.Text(kUstIdUrsprung, b.ustIdUrsprung);
        check.Number(kEuSteuersatzUrsprung, b.euSteuersatzUrsprung);
        if (rateDivisor != 0.0) b.euSteuersatzUrsprung /= rateDivisor;
        if (!check.Rejected() && b.HasData()) {
            doc.buchungen.Add(std::move(b));
            ++doc.recordCounter;
        }
        progress.SetProgressPos(engine.ProgressPercent());
    }
    int finished = engine.FinishImport(messages);
    engine.CloseFile();
    return finished;
}

int CCsvConversion::ExportMasterCsv(CPelkoDoc& doc, const std::string& path, int showDialog) {
    CModulCSV& engine = doc.csvExportMaster;
    engine.exportProfile = doc.profileOut;
    if (!OpenExport(engine, path, "Export Stammdaten", showDialog)) return 0;
    const std::vector<int> key = Keys(engine, MasterColumns());
    CFrontEnd& progress = doc.GetFrontEnd();
    progress.SetProgressRange(0, doc.stamm.GetCount() - 1);
    progress.SetProgressPos(0);
    CNumberText number;
    for (int i = 0; i < doc.stamm.GetCount(); ++i) {
        const CStammData& s = *doc.stamm.GetAt(i);
        engine.ClearValues();
        engine.SetValue(key[0], number.Int(s.datevKonto));
        for (size_t t = 0; t < std::size(kMasterTexts); ++t)
            engine.SetValue(key[t + 1], s.*kMasterTexts[t]);
        engine.WriteRecord();
        progress.SetProgressPos(i);
        ++doc.recordCounter;
    }
    return engine.CloseFile();
}

int CCsvConversion::ImportMasterCsv(CPelkoDoc& doc, const std::string& path, int showDialog,
                                    std::string& messages) {
    CModulCSV& engine = doc.csvImportMaster;
    engine.importProfile = doc.profileIn;
    if (!OpenImport(engine, path, "Import Stammdaten", showDialog, messages)) return 0;
    engine.ReadInPlace();
    CCheckedRecord check(engine, MasterColumns(), messages);
    CFrontEnd& progress = doc.GetFrontEnd();
    progress.SetProgressRange(0, 100);
    progress.SetProgressPos(0);
    for (int more = 1; more;) {
        CStammData s; // fresh, as the booking of ImportBookingsCsv
        engine.ClearValues();
        more = engine.ReadRecord();
        check.Begin();
        check.Integer(0, s.datevKonto, CValueCheck::EKind::Account);
        for (size_t t = 0; t < std::size(kMasterTexts); ++t)
            check.Text(t + 1, s.*kMasterTexts[t]);
        CStepCode::Set(1263);
        if (!check.Rejected() && s.HasData()) {
            doc.stamm.Add(std::move(s));
            ++doc.recordCounter;
        }
        progress.SetProgressPos(engine.ProgressPercent());
    }
    int finished = engine.FinishImport(messages);
    engine.CloseFile();
    return finished;
}

int CCsvConversion::EditExportLayout(CPelkoDoc& doc) {
    bool master = doc.dataType == CPelkoDoc::Master;
    doc.csvExportBookings.exportProfile = doc.profileOut;
    doc.csvExportMaster.exportProfile = doc.profileOut;
    CModulCSV& engine = master ? doc.csvExportMaster : doc.csvExportBookings;
    return engine.SetupExport(kLayoutFile, master ? "Export Stammdaten" : "Export Buchungsdaten", 1);
}

int CCsvConversion::EditImportLayout(CPelkoDoc& doc) {
    bool master = doc.dataType == CPelkoDoc::Master;
    doc.csvImportBookings.importProfile = doc.profileIn;
    doc.csvImportMaster.importProfile = doc.profileIn;
    CModulCSV& engine = master ? doc.csvImportMaster : doc.csvImportBookings;
    std::string findings; // the dialog shows the file's headings; the run reports what they say
    int confirmed =
        OpenImport(engine, doc.inputFile, master ? "Import Stammdaten" : "Import Buchungsdaten", 1, findings);
    engine.CloseFile();
    return confirmed;
}
