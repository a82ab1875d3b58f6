#include "datev/CDatevProWriter.h"

#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CTool.h"
#include "datev/CExtfCheck.h"
#include "datev/CExtfLayout.h"
#include "text/CModulCSV.h"

#include <cmath>
#include <memory>

namespace {

const char* const kLayoutFile = "datevpro.ini";

// A check of CheckDatevProValue; no name means the value is not checked.
struct CCheck {
    const char* name = nullptr;
    int minimum = 0;
    int maximum = 0;
    bool required = false;
};

// "TT.MM.JJJJ" -> "JJJJMMTT"; shorter texts stay as they are.
std::string HeaderDate(const std::string& date) {
    if (date.size() <= 9) return date;
    return date.substr(date.size() - 4) + date.substr(3, 2) + date.substr(0, 2);
}

std::string Created() {
    CDateTime t = CPlatform::NowUtc();
    return CTool::Format("%04d%02d%02d%02d%02d%02d%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                         t.millisecond);
}

// Value and check of a header field that takes a DATEV parameter.
std::string HeaderValue(const CExtfHeaderField& field, const CDatev& datev, std::string& messages) {
    auto checked = [&](const std::string& value, const char* name, int minimum, int maximum) {
        return CExtfCheck::CheckDatevProValue(0, name, value, minimum, maximum, true, messages);
    };
    switch (field.value) {
    case EExtfHeaderValue::Empty:
        return {};
    case EExtfHeaderValue::Constant:
        return field.constant;
    case EExtfHeaderValue::Version:
        return CTool::FormatInt(datev.datevProVersion);
    case EExtfHeaderValue::Created:
        return Created();
    case EExtfHeaderValue::Berater:
        return checked(CTool::FormatInt(datev.beraterNummer), "Beraternummer", 4, 7);
    case EExtfHeaderValue::Mandant:
        return checked(CTool::FormatInt(datev.mandantenNummer), "Mandantennummer", 1, 5);
    case EExtfHeaderValue::WjBeginn:
        return checked(HeaderDate(datev.wirtschaftsjahrBeginn), "Beginn des Wirtschaftsjahres", 8, 8);
    case EExtfHeaderValue::KontoLaenge:
        return checked(CTool::FormatInt(datev.kontonummernLaenge), "Kontonummernl\xE4nge", 1, 1);
    case EExtfHeaderValue::DatumVon:
        return checked(HeaderDate(datev.datumVon), "Datum von", 8, 8);
    case EExtfHeaderValue::DatumBis:
        return checked(HeaderDate(datev.datumBis), "Datum bis", 8, 8);
    case EExtfHeaderValue::Festschreibung:
        return datev.festschreibung != 0 ? "1" : "0";
    }
    return {};
}

// Versions without a table of their own are written in the oldest one.
const CExtfVersion& TargetVersion(CDatev& datev) {
    const CExtfVersion* version = CExtfLayout::Find(datev.datevProVersion);
    if (!version) version = &CExtfLayout::Versions().front();
    datev.datevProVersion = version->version;
    return *version;
}

// The header line, in its own engine so that its layout is kept apart from the data columns.
// The header line, written into a new file beside the target that takes the target's place only
// when the data engine closes it complete; nullptr after the failure message.
std::unique_ptr<CModulCSV> WriteHeader(CPelkoDoc& doc, const std::vector<CExtfHeaderField>& fields,
                                       const char* section, const std::string& path, std::string& messages) {
    auto header = std::make_unique<CModulCSV>(doc.GetFrontEnd());
    header->ResetLayout();
    for (const CExtfHeaderField& field : fields)
        header->DefineColumn(field.name, 1);
    header->SetupExport(kLayoutFile, section, 0);
    header->quoteAll = 0;
    if (!header->OpenExportFile(path, 0)) return nullptr;
    header->ClearValues();
    for (const CExtfHeaderField& field : fields)
        header->SetValue(field.name, HeaderValue(field, doc.datev, messages), 0, field.quoted);
    header->WriteRecord();
    return header;
}

// The data engine, writing on behind the header line with its heading line written.
std::unique_ptr<CModulCSV> OpenData(CPelkoDoc& doc, const std::vector<CExtfColumn>& columns,
                                    const char* section, CModulCSV& header) {
    auto data = std::make_unique<CModulCSV>(doc.GetFrontEnd());
    data->ResetLayout();
    for (const CExtfColumn& column : columns)
        data->DefineColumn(column.name, 1);
    data->SetupExport(kLayoutFile, section, 0);
    data->quoteAll = 0;
    data->ContinueExport(header);
    data->WriteHeading();
    return data;
}

// Values of the data lines. A column without a record value and without a fixed value of the layout
// holds the same text on every line, so it is set once; the others are set for each line.
class CRecordValues {
public:
    CRecordValues(CModulCSV& engineRef, const std::vector<CExtfColumn>& columns)
        : engine(engineRef), values(columns.size()) {
        engine.ClearValues();
        for (size_t i = 0; i < columns.size(); ++i) {
            const CExtfColumn& c = columns[i];
            CSlot slot{i, engine.NameKey(c.name), c.numeric, c.quoted};
            if (c.role != EExtfRole::None || !engine.GetColumn(static_cast<int>(i)).fixedValue.empty())
                perLine.push_back(slot);
            else if (c.quoted)
                engine.SetValue(slot.key, std::string(), 0, 1);
        }
    }
    void Set(int index, std::string value) {
        if (index >= 0) values[static_cast<size_t>(index)] = std::move(value);
    }
    void Write() {
        for (const CSlot& slot : perLine) {
            engine.SetValue(slot.key, values[slot.index], slot.numeric, slot.quoted);
            values[slot.index].clear();
        }
        engine.WriteRecord();
    }

private:
    struct CSlot {
        size_t index; // definition index, the same in the table and the engine
        int key;
        int numeric;
        int quoted;
    };
    CModulCSV& engine;
    std::vector<std::string> values;
    std::vector<CSlot> perLine;
};

// ------------------------------------------------------------------ bookings

std::string PositiveDecimal(double x, int decimals) {
    return x > 0.0 ? CTool::FormatDecimal(x, decimals) : std::string();
}

// "TTMM" of "TT.MM.JJJJ" or "TT.MM.".
std::string DayMonth(const std::string& datum) {
    return datum.size() > 4 ? datum.substr(0, 2) + datum.substr(3, 2) : datum;
}

struct CBookingValue {
    EExtfRole role;
    CCheck check;
    std::string (*get)(const CBuchungenData& b, const CDatev& datev);
};

const CBookingValue kBookingValues[] = {
    {EExtfRole::Umsatz,
     {"Betrag", 4, 13, true},
     [](const CBuchungenData& b, const CDatev&) { return CTool::FormatDecimal(std::fabs(b.betrag), 2); }},
    {EExtfRole::SollHaben,
     {},
     [](const CBuchungenData& b, const CDatev&) { return std::string(b.betrag < 0 ? "H" : "S"); }},
    {EExtfRole::WkzUmsatz,
     {"W\xE4hrung", 0, 3},
     [](const CBuchungenData& b, const CDatev&) {
         return b.waehrung.empty() || b.waehrung == "\x80" ? std::string("EUR") : b.waehrung;
     }},
    {EExtfRole::Kurs,
     {"Waehrungskurs", 0, 11},
     [](const CBuchungenData& b, const CDatev&) { return PositiveDecimal(b.waehrungskurs, 6); }},
    {EExtfRole::Konto,
     {"Soll-Konto", 1, 9, true},
     [](const CBuchungenData& b, const CDatev&) { return CTool::FormatInt(b.sollKonto); }},
    {EExtfRole::Gegenkonto,
     {"Haben-Konto", 1, 9, true},
     [](const CBuchungenData& b, const CDatev&) { return CTool::FormatInt(b.habenKonto); }},
    {EExtfRole::BuSchluessel,
     {"Datev-Schl\xFCssel", 0, 2},
     [](const CBuchungenData& b, const CDatev&) {
         return b.datevSchluessel >= 1 ? CTool::FormatInt(b.datevSchluessel) : std::string();
     }},
    {EExtfRole::Belegdatum,
     {"Datum", 4, 4, true},
     [](const CBuchungenData& b, const CDatev&) { return DayMonth(b.datum); }},
    {EExtfRole::Belegfeld1,
     {"Buchungsnummer", 0, 12},
     [](const CBuchungenData& b, const CDatev&) { return b.buchungsnummer; }},
    {EExtfRole::Belegfeld2,
     {"Belegnummer 2", 0, 12},
     [](const CBuchungenData& b, const CDatev&) { return b.belegnummer2; }},
    {EExtfRole::Skonto,
     {"Skonto", 0, 11},
     [](const CBuchungenData& b, const CDatev&) { return PositiveDecimal(b.skonto, 2); }},
    {EExtfRole::Buchungstext,
     {"Buchungstext", 0, 60},
     [](const CBuchungenData& b, const CDatev&) { return b.buchungstext; }},
    {EExtfRole::Kost1,
     {"Kostenstelle 1", 0, 8},
     [](const CBuchungenData& b, const CDatev&) { return b.kostenstelle1; }},
    {EExtfRole::Kost2,
     {"Kostenstelle 2", 0, 8},
     [](const CBuchungenData& b, const CDatev&) { return b.kostenstelle2; }},
    {EExtfRole::UstId, {"Ust-ID", 0, 15}, [](const CBuchungenData& b, const CDatev&) { return b.ustId; }},
    {EExtfRole::EuSteuersatz,
     {"EU-Steuersatz", 0, 5},
     [](const CBuchungenData& b, const CDatev&) { return PositiveDecimal(b.euSteuersatz, 2); }},
    {EExtfRole::Festschreibung,
     {},
     [](const CBuchungenData&, const CDatev& datev) { return CTool::Format("%d", datev.festschreibung); }},
};

std::string Checked(int record, const CCheck& check, const std::string& value, std::string& messages) {
    if (!check.name) return value;
    return CExtfCheck::CheckDatevProValue(record, check.name, value, check.minimum, check.maximum,
                                          check.required, messages);
}

// A date without year takes the year of the fiscal year's start.
std::string WithYear(const std::string& date, const std::string& wirtschaftsjahrBeginn) {
    if (date.size() != 6 || wirtschaftsjahrBeginn.size() < 4) return date;
    return date + wirtschaftsjahrBeginn.substr(wirtschaftsjahrBeginn.size() - 4);
}

// ------------------------------------------------------------------ master data

// The record's fields that go into a column unchanged.
struct CMasterValue {
    EExtfRole role;
    CCheck check;
    const std::string CStammData::*field;
};

const CMasterValue kMasterValues[] = {
    {EExtfRole::Anrede, {"Anrede", 0, 30}, &CStammData::anrede},
    {EExtfRole::Strasse, {"Strasse", 0, 36}, &CStammData::strasse},
    {EExtfRole::Postfach, {"Postfach", 0, 10}, &CStammData::postfach},
    {EExtfRole::Postleitzahl, {"Postleitzahl", 0, 10}, &CStammData::postleitzahl},
    {EExtfRole::Ort, {"Ort", 0, 30}, &CStammData::ort},
    {EExtfRole::Telefon, {"Telefon", 0, 60}, &CStammData::telefon},
    {EExtfRole::EMail, {"EMail", 0, 60}, &CStammData::email},
    {EExtfRole::Fax, {"Fax", 0, 60}, &CStammData::fax},
    {EExtfRole::Bankleitzahl1, {"Bankleitzahl", 0, 8}, &CStammData::bankleitzahl},
    {EExtfRole::Bank1, {"Bank", 0, 30}, &CStammData::bank},
    {EExtfRole::Kontonummer1, {"Kontonummer", 0, 10}, &CStammData::kontonummer},
    {EExtfRole::Laenderkennz1, {"L\xE4nderkennz", 0, 2}, &CStammData::laenderkennz},
    {EExtfRole::Iban1, {"IBAN", 0, 34}, &CStammData::iban},
    {EExtfRole::Swift1, {"SWIFT", 0, 11}, &CStammData::swift},
    {EExtfRole::Bank2, {"Bank 2", 0, 30}, &CStammData::bank2},
    {EExtfRole::Laenderkennz2, {"L\xE4nderkennz 2", 0, 2}, &CStammData::laenderkennz2},
    {EExtfRole::Iban2, {"IBAN 2", 0, 34}, &CStammData::iban2},
    {EExtfRole::Swift2, {"SWIFT 2", 0, 11}, &CStammData::swift2},
    {EExtfRole::Kundennummer, {"Kundennummer", 0, 15}, &CStammData::kundennummer},
};

// Name targets of "pelko.ini": 0 company, 1 natural person, 2 no addressee type, 3 "Sonstige".
const EExtfRole kNameTargets[] = {EExtfRole::NameUnternehmen, EExtfRole::NamePerson,
                                  EExtfRole::NameKeineAngabe, EExtfRole::Sonstige};

void SetMasterValues(CRecordValues& values, const std::vector<CExtfColumn>& columns, const CPelkoDoc& doc,
                     const CStammData& s, int record, std::string& messages) {
    auto at = [&](EExtfRole role) { return CExtfLayout::IndexOf(columns, role); };
    values.Set(at(EExtfRole::StammKonto),
               Checked(record, {"Datev-Konto", 1, 9, true}, CTool::FormatInt(s.datevKonto), messages));

    bool named = false;
    for (int target = 0; target < 4; ++target) {
        int maximum = target == 3 ? 60 : 50;
        std::string value, remark;
        if (doc.settings.datevproName2 == target) {
            value = Checked(record, {"Name 2", 0, maximum}, s.name2, messages);
            remark = "Name 2";
        }
        if (doc.settings.datevproName1 == target) {
            value = Checked(record, {"Name 1", 0, maximum}, s.name1, messages);
            remark = "Name 1";
        }
        if (target < 3)
            named = named || !value.empty();
        else if (!value.empty())
            values.Set(at(EExtfRole::BemerkungSonstige), remark);
        values.Set(at(kNameTargets[target]), value);
    }
    if (named) values.Set(at(EExtfRole::Adressatentyp), CTool::Format("%d", doc.settings.datevproTyp));

    if (s.ustIdnr.size() > 3) {
        values.Set(at(EExtfRole::EuLand), s.ustIdnr.substr(0, 2));
        values.Set(at(EExtfRole::EuUstIdNr),
                   Checked(record, {"UstIdnr", 0, 13}, s.ustIdnr.substr(2), messages));
    }
    std::string land = doc.datev.MapValue(CDatev::kOutLand, s.land, s.land.substr(0, 3));
    values.Set(at(EExtfRole::Land), Checked(record, {"Land", 0, 2}, land, messages));
    for (const CMasterValue& v : kMasterValues)
        values.Set(at(v.role), Checked(record, v.check, s.*v.field, messages));
}

} // namespace

bool CDatevProWriter::WriteDatevProBookings(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                            std::string& messages) {
    const CBuchungenCtrl& list = doc.buchungen;
    progress.SetProgressRange(0, list.GetCount() - 1);
    progress.SetProgressPos(0);
    CExtfCheck::CheckExtfFileName(path, &messages);
    CDatev& datev = doc.datev;
    const CExtfVersion& version = TargetVersion(datev);

    datev.datumVon = WithYear(datev.datumVon, datev.wirtschaftsjahrBeginn);
    datev.datumBis = WithYear(datev.datumBis, datev.wirtschaftsjahrBeginn);
    std::unique_ptr<CModulCSV> header =
        WriteHeader(doc, version.bookingsHeader, "Export Buchungen Header", path, messages);
    if (!header) return false;
    std::unique_ptr<CModulCSV> data =
        OpenData(doc, version.bookingsData, "Export Buchungen Daten V2", *header);

    CRecordValues values(*data, version.bookingsData);
    std::vector<int> indexes;
    for (const CBookingValue& v : kBookingValues)
        indexes.push_back(CExtfLayout::IndexOf(version.bookingsData, v.role));
    const int from = CDatev::DateKey(datev.datumVon);
    const int to = CDatev::DateKey(datev.datumBis);
    for (int k = 1; k <= list.GetCount(); ++k) {
        const CBuchungenData& b = *list.GetAt(k - 1);
        if (b.betrag == 0.0) messages += CTool::Format("FEHLER: Zeile %d, 'Betrag' ist 0.\r\n", k);
        for (size_t i = 0; i < std::size(kBookingValues); ++i) {
            if (indexes[i] < 0) continue;
            values.Set(indexes[i],
                       Checked(k, kBookingValues[i].check, kBookingValues[i].get(b, datev), messages));
        }
        std::string date = WithYear(b.datum, datev.wirtschaftsjahrBeginn);
        if (b.betrag != 0.0 || b.sollKonto != 0 || b.habenKonto != 0) {
            int key = CDatev::DateKey(date);
            if (key >= from && key <= to) {
                values.Write();
            } else {
                messages += CTool::Format("HINWEIS: Zeile %d: Die Zeile ist au\xDF"
                                          "erhalb des gew\xFCnschten Datumbereichs (%s) und "
                                          "wird nicht geschrieben.\r\n",
                                          k, date.c_str());
            }
        } else {
            messages += CTool::Format(
                "FEHLER: Zeile %d: Die Zeile wird wegen fehlenden Daten nicht geschrieben.\r\n", k);
        }
        if ((k - 1) % 10 == 0) progress.SetProgressPos(k - 1);
        ++doc.recordCounter;
    }
    return data->CloseFile() != 0;
}

bool CDatevProWriter::WriteDatevProMaster(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                          std::string& messages) {
    const CStammCtrl& list = doc.stamm;
    progress.SetProgressRange(0, list.GetCount() - 1);
    progress.SetProgressPos(0);
    CExtfCheck::CheckExtfFileName(path, &messages);
    const CExtfVersion& version = TargetVersion(doc.datev);
    std::unique_ptr<CModulCSV> header =
        WriteHeader(doc, version.masterHeader, "Export Stamm Header", path, messages);
    if (!header) return false;
    std::unique_ptr<CModulCSV> data = OpenData(doc, version.masterData, "Export Stamm Daten V3", *header);

    CRecordValues values(*data, version.masterData);
    for (int k = 1; k <= list.GetCount(); ++k) {
        SetMasterValues(values, version.masterData, doc, *list.GetAt(k - 1), k, messages);
        values.Write();
        if ((k - 1) % 10 == 0) progress.SetProgressPos(k - 1);
        ++doc.recordCounter;
    }
    return data->CloseFile() != 0;
}
