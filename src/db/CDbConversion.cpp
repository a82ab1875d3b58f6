#include "db/CDbConversion.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "core/CValueCheck.h"
#include "db/CModulMDB.h"

#include <cmath>

namespace {

const char* const kLayoutFile = "mdb.ini";
const long long kHighestAccount = 999999999;

struct CColumnType {
    const char* name; // UTF-8
    const char* sqlType;
};

const CColumnType kBookingColumns[] = {{"Buchungsnummer", "VARCHAR(40)"},
                                       {"Belegnummer 2", "VARCHAR(40)"},
                                       {"Datum", "VARCHAR(20)"},
                                       {"Soll-Konto", "INTEGER"},
                                       {"Haben-Konto", "INTEGER"},
                                       {"Datev-Schlüssel", "INTEGER"},
                                       {"Betrag", "FLOAT"},
                                       {"Währung", "VARCHAR(10)"},
                                       {"Buchungstext", "VARCHAR(255)"},
                                       {"Kostenstelle 1", "VARCHAR(20)"},
                                       {"Kostenstelle 2", "VARCHAR(20)"},
                                       {"Skonto", "FLOAT"},
                                       {"Ust-ID", "VARCHAR(15)"},
                                       {"EU-Steuersatz", "FLOAT"},
                                       {"Waehrungskurs", "FLOAT"},
                                       {"Umsatz (optional)", "FLOAT"},
                                       {"S/H-Kennz. (optional)", "VARCHAR(1)"}};

// The master-data columns after "Datev-Konto" ("INTEGER"), each "VARCHAR(255)", with their fields.
struct CMasterText {
    const char* name; // UTF-8
    CText CStammData::*field;
};

const CMasterText kMasterTexts[] = {{"Anrede", &CStammData::anrede},
                                    {"Name_1", &CStammData::name1},
                                    {"Kundennummer", &CStammData::kundennummer},
                                    {"Name_2", &CStammData::name2},
                                    {"Strasse", &CStammData::strasse},
                                    {"Postfach", &CStammData::postfach},
                                    {"Postleitzahl", &CStammData::postleitzahl},
                                    {"Ort", &CStammData::ort},
                                    {"Land", &CStammData::land},
                                    {"Bank", &CStammData::bank},
                                    {"Kontonummer", &CStammData::kontonummer},
                                    {"Bankleitzahl", &CStammData::bankleitzahl},
                                    {"UstIdnr", &CStammData::ustIdnr},
                                    {"Telefon", &CStammData::telefon},
                                    {"Fax", &CStammData::fax},
                                    {"EMail", &CStammData::email},
                                    {"IBAN", &CStammData::iban},
                                    {"SWIFT", &CStammData::swift},
                                    {"Länderkennz", &CStammData::laenderkennz},
                                    {"Bank 2", &CStammData::bank2},
                                    {"IBAN 2", &CStammData::iban2},
                                    {"SWIFT 2", &CStammData::swift2},
                                    {"Länderkennz 2", &CStammData::laenderkennz2}};

std::vector<std::string> BookingNames() {
    std::vector<std::string> names;
    for (const CColumnType& column : kBookingColumns)
        names.push_back(Ansi(column.name));
    return names;
}

// "Datev-Konto", then the texts.
std::vector<std::string> MasterNames() {
    std::vector<std::string> names = {"Datev-Konto"};
    for (const CMasterText& column : kMasterTexts)
        names.push_back(Ansi(column.name));
    return names;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The fields of an import: their names and the columns the getters take them from, found once
// per run (the columns do not move while the table is read).
struct CFields {
    CFields(const CModulMDB& engine, std::vector<std::string> fieldNames) : names(std::move(fieldNames)) {
        for (const std::string& name : names)
            columns.push_back(engine.TakenColumn(name));
    }
    std::vector<std::string> names;
    std::vector<const DbColumn*> columns; // nullptr: the field is not taken
};

// The values of one row through the readers' checks: a value that cannot be read as what its
// field holds gives a FEHLER line naming row, field and value, and the record is not taken.
class CCheckedRow {
public:
    CCheckedRow(const CFields& fieldsRef, bool decimalPoint, int rowNumber, std::string& findings)
        : fields(fieldsRef), point(decimalPoint), row(rowNumber), messages(findings) {}

    bool Rejected() const { return rejected; }

    template <class TText> void Text(size_t field, TText& target) {
        const DbColumn* column = Taken(field);
        if (column) target = column->value;
    }

    void Number(size_t field, double& target) {
        const DbColumn* column = Taken(field);
        if (!column) return;
        double value = 0.0;
        bool ok = IsNumeric(*column) ? std::isfinite(value = column->number)
                                     : CValueCheck::ParseNumber(column->value, point, value);
        if (!ok) return Reject(field, *column, CValueCheck::EKind::Number);
        target = value;
    }

    void Integer(size_t field, int& target, CValueCheck::EKind kind) {
        const DbColumn* column = Taken(field);
        if (!column) return;
        long long value = 0;
        bool ok = false;
        if (IsNumeric(*column)) {
            double number = column->number;
            ok = std::isfinite(number) && number == std::floor(number) && number >= 0 &&
                 number <= kHighestAccount;
            value = ok ? static_cast<long long>(number) : 0;
        } else {
            ok = CValueCheck::ParseInteger(column->value, 0, kHighestAccount, value);
        }
        if (!ok) return Reject(field, *column, kind);
        target = static_cast<int>(value);
    }

    // A date column arrives as "2016-12-31 00:00:00"; a text column must fit the input format.
    void Date(size_t field, const std::string& format, CText& target) {
        const DbColumn* column = Taken(field);
        if (!column) return;
        const bool dateColumn = column->valueType == CDbValue::EType::Date;
        std::string date;
        if (!CValueCheck::ParseDate(column->value, dateColumn ? std::string() : format, date))
            return Reject(field, *column, CValueCheck::EKind::Date);
        target = date;
    }

private:
    static bool IsNumeric(const DbColumn& column) {
        using T = CDbValue::EType;
        return column.valueType == T::Integer || column.valueType == T::Float32 ||
               column.valueType == T::Float64 || column.valueType == T::Decimal;
    }

    // The column the getters take, after a check that its value has a text form at all.
    const DbColumn* Taken(size_t field) {
        const DbColumn* column = fields.columns[field];
        if (column && column->valueType == CDbValue::EType::Other) {
            messages +=
                CTool::Format(Ansi("FEHLER: Zeile %d, Feld '%s': Der Wert hat einen Datentyp, den Pelko "
                                   "nicht lesen kann. Der Datensatz wird nicht übernommen.\r\n")
                                  .c_str(),
                              row, fields.names[field].c_str());
            rejected = true;
            return nullptr;
        }
        return column;
    }

    void Reject(size_t field, const DbColumn& column, CValueCheck::EKind kind) {
        messages += CValueCheck::Rejected(row, fields.names[field], column.value, kind);
        rejected = true;
    }

    const CFields& fields;
    bool point;
    int row;
    std::string& messages;
    bool rejected = false;
};

// Values the table's column types cannot hold in full.
void NoteCutValues(const CModulMDB& engine, int record, std::string& messages) {
    for (int i = 0; i < engine.GetColumnCount(); ++i) {
        const DbColumn& column = engine.GetColumn(i);
        if (column.cutWidth >= 0 && column.selected == 1)
            messages +=
                CTool::Format(Ansi("HINWEIS: Zeile %d, Feld '%s' darf maximal %d Zeichen haben. Der Text "
                                   "wurde gekürzt.\r\n")
                                  .c_str(),
                              record, column.name.c_str(), column.cutWidth);
    }
}

// The layout sections and the default table of one kind of data.
struct CTable {
    const char* exportSection;
    const char* importSection;
    const char* defaultTable;
};

const CTable kBookings = {"Export Buchungsdaten", "Import Buchungsdaten", "Buchungsdaten"};
const CTable kMaster = {"Export Stammdaten", "Import Stammdaten", "Stammdaten"};

// The rows are committed only when every record is in; any failure leaves the table as it was.
int CloseExport(CModulMDB& engine, bool written) {
    written = written && engine.FinishWriting();
    engine.CloseDatabase();
    return written ? 1 : 0;
}

// The frame of an export: every record of the list goes through setValues into one INSERT.
template <class TList, class FSet>
int ExportTable(CModulMDB& engine, CPelkoDoc& doc, const TList& list, const CTable& table,
                const std::string& file, const std::string& connection, std::string& messages,
                FSet setValues) {
    engine.tableOverride = doc.tableName;
    engine.exportProfile = doc.profileOut;
    engine.connectionOverride = connection;
    if (!engine.SetupExport(kLayoutFile, table.exportSection, file, table.defaultTable, false) ||
        !engine.OpenForWriting() || !engine.PrepareTable())
        return CloseExport(engine, false);
    CFrontEnd& progress = doc.GetFrontEnd();
    progress.SetProgressRange(0, list.GetCount() - 1);
    progress.SetProgressPos(0);
    for (int i = 0; i < list.GetCount(); ++i) {
        engine.ClearValues();
        setValues(*list.GetAt(i));
        NoteCutValues(engine, i + 1, messages);
        if (!engine.WriteRecord()) return CloseExport(engine, false);
        progress.SetProgressPos(i);
        ++doc.recordCounter;
    }
    return CloseExport(engine, true);
}

// The frame of an import: every row is read into a record through readRow and its checks; a
// record with a rejected value or without data is not taken. A table that yields no record at
// all stops the run: an empty target would replace the user's data.
template <class TRecord, class TList, class FRead>
int ImportTable(CModulMDB& engine, CPelkoDoc& doc, TList& list, const CTable& table, const std::string& file,
                const std::string& connection, std::vector<std::string> names, int stepCode,
                std::string& messages, FRead readRow) {
    engine.tableOverride = doc.tableName;
    engine.importProfile = doc.profileIn;
    engine.connectionOverride = connection;
    if (!engine.SetupImport(kLayoutFile, table.importSection, file, table.defaultTable, false) ||
        !engine.OpenForReading()) {
        engine.CloseDatabase();
        return 0;
    }
    const CFields fields(engine, std::move(names));
    CFrontEnd& progress = doc.GetFrontEnd();
    progress.SetProgressRange(0, engine.recordCount - 1);
    progress.SetProgressPos(0);
    int taken = 0;
    TRecord record;
    for (int row = 1, more = 1; more; ++row) {
        engine.ClearValues();
        more = engine.ReadRecord();
        record.Clear();
        CCheckedRow check(fields, engine.pointDecimals == 1, row, messages);
        readRow(check, record);
        CStepCode::Set(stepCode);
        if (!check.Rejected() && record.HasData()) {
            list.Add(record);
            ++doc.recordCounter;
            ++taken;
        }
        progress.SetProgressPos(list.GetCount());
    }
    engine.CloseDatabase();
    if (taken > 0) return 1;
    progress.MessageBox(
        CTool::Format(Ansi("(E:620#%d)\nDie Tabelle (%s) enthält keine Datensätze, die übernommen "
                           "werden können.\n\nDer Import wurde abgebrochen.")
                          .c_str(),
                      CStepCode::Get(), engine.tableName.c_str()));
    return 0;
}

} // namespace

void CDbConversion::DefineEngines(CPelkoDoc& doc) {
    for (CModulMDB* engine :
         {&doc.dbExportBookings, &doc.dbImportBookings, &doc.dbExportMaster, &doc.dbImportMaster}) {
        engine->ResetLayout();
        engine->confirmCaption = "OK";
    }
    for (CModulMDB* engine : {&doc.dbExportBookings, &doc.dbImportBookings})
        for (const CColumnType& column : kBookingColumns)
            engine->DefineColumn(Ansi(column.name), column.sqlType);
    for (CModulMDB* engine : {&doc.dbExportMaster, &doc.dbImportMaster})
        for (const std::string& name : MasterNames())
            engine->DefineColumn(name, name == "Datev-Konto" ? "INTEGER" : "VARCHAR(255)");
}

int CDbConversion::ExportBookingsDb(CPelkoDoc& doc, const std::string& file, const std::string& connection,
                                    std::string& messages) {
    CModulMDB& engine = doc.dbExportBookings;
    const std::vector<std::string> names = BookingNames();
    const std::string& dateFormat = doc.settings.outFormatDatum;
    return ExportTable(
        engine, doc, doc.buchungen, kBookings, file, connection, messages, [&](const CBuchungenData& b) {
            engine.SetValue(names[0], b.buchungsnummer);
            engine.SetValue(names[1], b.belegnummer2);
            std::string datum = b.datum;
            if (!dateFormat.empty())
                datum = CTool::ConvertDate(datum, datum.size() == 6 ? "TT.MM." : "TT.MM.JJJJ", dateFormat);
            engine.SetValue(names[2], datum);
            if (b.sollKonto > 0) engine.SetValue(names[3], CTool::FormatInt(b.sollKonto));
            if (b.habenKonto > 0) engine.SetValue(names[4], CTool::FormatInt(b.habenKonto));
            if (b.datevSchluessel > 0) engine.SetValue(names[5], CTool::FormatInt(b.datevSchluessel));
            const std::string amount = CTool::FormatAmount(b.betrag);
            engine.SetValue(names[6], amount);
            engine.SetValue(names[7], b.waehrung);
            engine.SetValue(names[8], b.buchungstext);
            engine.SetValue(names[9], b.kostenstelle1);
            engine.SetValue(names[10], b.kostenstelle2);
            if (b.skonto > 0) engine.SetValue(names[11], CTool::FormatAmount(b.skonto));
            engine.SetValue(names[12], b.ustId);
            if (b.euSteuersatz > 0) engine.SetValue(names[13], CTool::FormatAmount(b.euSteuersatz));
            if (b.waehrungskurs > 0) engine.SetValue(names[14], CTool::FormatDecimal(b.waehrungskurs, 6));
            // The amount's two decimals without sign, as FormatDecimal(|x|, 2) gives them.
            engine.SetValue(names[15], amount[0] == '-' ? amount.substr(1) : amount);
            engine.SetValue(names[16], b.betrag < 0 ? "H" : "S");
        });
}

int CDbConversion::ImportBookingsDb(CPelkoDoc& doc, const std::string& file, const std::string& connection,
                                    std::string& messages) {
    const std::string& dateFormat = doc.settings.inFormatDatum;
    return ImportTable<CBuchungenData>(doc.dbImportBookings, doc, doc.buchungen, kBookings, file, connection,
                                       BookingNames(), 1032, messages,
                                       [&](CCheckedRow& check, CBuchungenData& b) {
                                           check.Text(0, b.buchungsnummer);
                                           check.Text(1, b.belegnummer2);
                                           check.Date(2, dateFormat, b.datum);
                                           check.Integer(3, b.sollKonto, CValueCheck::EKind::Account);
                                           check.Integer(4, b.habenKonto, CValueCheck::EKind::Account);
                                           check.Integer(5, b.datevSchluessel, CValueCheck::EKind::Integer);
                                           check.Number(6, b.betrag);
                                           check.Text(7, b.waehrung);
                                           check.Text(8, b.buchungstext);
                                           check.Text(9, b.kostenstelle1);
                                           check.Text(10, b.kostenstelle2);
                                           check.Number(11, b.skonto);
                                           check.Text(12, b.ustId);
                                           check.Number(13, b.euSteuersatz);
                                           check.Number(14, b.waehrungskurs);
                                           double turnover = 0.0;
                                           check.Number(15, turnover);
                                           if (b.betrag == 0.0 && turnover != 0.0) b.betrag = turnover;
                                           std::string indicator;
                                           check.Text(16, indicator);
                                           // "H" makes the amount negative. Flipping its sign instead would
                                           // turn every negative amount of the program's own export (Betrag
                                           // -5.00, Umsatz 5.00, "H") positive.
                                           if (Trim(indicator) == "H" && turnover > 0.0)
                                               b.betrag = -std::fabs(b.betrag);
                                       });
}

int CDbConversion::ExportMasterDb(CPelkoDoc& doc, const std::string& file, const std::string& connection,
                                  std::string& messages) {
    CModulMDB& engine = doc.dbExportMaster;
    const std::vector<std::string> names = MasterNames();
    return ExportTable(engine, doc, doc.stamm, kMaster, file, connection, messages, [&](const CStammData& s) {
        engine.SetValue(names[0], CTool::FormatInt(s.datevKonto));
        for (size_t t = 0; t < std::size(kMasterTexts); ++t)
            engine.SetValue(names[t + 1], s.*kMasterTexts[t].field);
    });
}

int CDbConversion::ImportMasterDb(CPelkoDoc& doc, const std::string& file, const std::string& connection,
                                  std::string& messages) {
    return ImportTable<CStammData>(doc.dbImportMaster, doc, doc.stamm, kMaster, file, connection,
                                   MasterNames(), 1263, messages, [](CCheckedRow& check, CStammData& s) {
                                       check.Integer(0, s.datevKonto, CValueCheck::EKind::Account);
                                       for (size_t t = 0; t < std::size(kMasterTexts); ++t)
                                           check.Text(t + 1, s.*kMasterTexts[t].field);
                                   });
}

int CDbConversion::EditExportLayout(CPelkoDoc& doc) {
    bool master = doc.dataType == CPelkoDoc::Master;
    doc.dbExportBookings.exportProfile = doc.profileOut;
    doc.dbExportMaster.exportProfile = doc.profileOut;
    CModulMDB& engine = master ? doc.dbExportMaster : doc.dbExportBookings;
    engine.tableOverride.clear();
    engine.connectionOverride.clear();
    // An empty file name still offers the file types: a blank stands for the file to be chosen.
    std::string file = doc.outputType == CPelkoDoc::OutSql ? std::string()
                       : doc.outputFile.empty()            ? " "
                                                           : doc.outputFile;
    const CTable& table = master ? kMaster : kBookings;
    return engine.SetupExport(kLayoutFile, table.exportSection, file, table.defaultTable, true);
}

int CDbConversion::EditImportLayout(CPelkoDoc& doc) {
    bool master = doc.dataType == CPelkoDoc::Master;
    doc.dbImportBookings.importProfile = doc.profileIn;
    doc.dbImportMaster.importProfile = doc.profileIn;
    CModulMDB& engine = master ? doc.dbImportMaster : doc.dbImportBookings;
    engine.tableOverride.clear();
    engine.connectionOverride.clear();
    std::string file = doc.inputType == CPelkoDoc::InSql ? std::string() : doc.inputFile;
    const CTable& table = master ? kMaster : kBookings;
    return engine.SetupImport(kLayoutFile, table.importSection, file, table.defaultTable, true);
}
