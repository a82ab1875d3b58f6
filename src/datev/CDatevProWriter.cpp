#include "datev/CDatevProWriter.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CTool.h"
#include "core/CValueCheck.h"
#include "datev/CExtfCheck.h"
#include "datev/CExtfLayout.h"
#include "text/CModulCSV.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <string_view>

namespace {

const char* const kLayoutFile = "datevpro.ini";

// A check of CheckDatevProValue; no name means the value is not checked. A free text longer than
// the format allows is cut to it; any other value that long (an amount, an account, a key, a
// code) would change its meaning when cut, so its record is not written.
struct CCheck {
    const char* name = nullptr;
    int minimum = 0;
    int maximum = 0;
    bool required = false;
    bool text = false;
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

// The table of the version asked for; a version this build does not know stops the export, so
// that nobody receives a file of another version than the one set.
const CExtfVersion* TargetVersion(const CDatev& datev, std::string& messages) {
    const CExtfVersion* version = CExtfLayout::Find(datev.datevProVersion);
    if (!version)
        messages += CTool::Format("FEHLER: Die Datev-Version %d ist unbekannt (bekannt sind 300, 510 und "
                                  "700). Der Export wird abgebrochen.\r\n",
                                  datev.datevProVersion);
    return version;
}

// Layout section of the data lines: version 700 has columns of its own, so a layout saved for the
// older tables must not move them.
std::string DataSection(const char* section, const CExtfVersion& version) {
    return version.byPosition ? std::string(section) + " " + std::to_string(version.version) : section;
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
                                    const std::string& section, CModulCSV& header) {
    auto data = std::make_unique<CModulCSV>(doc.GetFrontEnd());
    data->ResetLayout();
    for (const CExtfColumn& column : columns)
        data->DefineColumn(column.name, 1);
    data->SetupExport(kLayoutFile, section, 0);
    data->quoteAll = 0;
    // Columns that share a heading keep their own names in the layout; a heading the user set stays.
    for (size_t i = 0; i < columns.size(); ++i)
        if (data->GetColumn(static_cast<int>(i)).heading == columns[i].name)
            data->SetHeading(static_cast<int>(i), columns[i].Heading());
    data->ContinueExport(header);
    data->WriteHeading();
    return data;
}

// A new file beside the target with header and heading line; it takes the target's place when the
// engine returned closes it complete, and is dropped when the engine goes unclosed. nullptr after
// the failure message.
std::unique_ptr<CModulCSV> OpenTarget(CPelkoDoc& doc, const std::vector<CExtfHeaderField>& header,
                                      const char* headerSection, const std::vector<CExtfColumn>& columns,
                                      const std::string& dataSection, const std::string& path,
                                      std::string& messages) {
    std::unique_ptr<CModulCSV> headerEngine = WriteHeader(doc, header, headerSection, path, messages);
    if (!headerEngine) return nullptr;
    return OpenData(doc, columns, dataSection, *headerEngine);
}

// Values of the data lines. A column without a record value and without a fixed value of the layout
// holds the same text on every line, so it is set once and held; the others are set for each line,
// straight into the engine, and those a record gave no value are emptied when it is written.
class CRecordValues {
public:
    CRecordValues(CModulCSV& engineRef, const std::vector<CExtfColumn>& columns)
        : engine(engineRef), slots(columns.size()) {
        engine.ClearValues();
        for (size_t i = 0; i < columns.size(); ++i) {
            const CExtfColumn& c = columns[i];
            CSlot& slot = slots[i];
            slot = {engine.NameKey(c.name), c.numeric, c.quoted,
                    c.role != EExtfRole::None || !engine.GetColumn(static_cast<int>(i)).fixedValue.empty()};
            if (slot.perLine)
                perLine.push_back(i);
            else if (c.quoted)
                engine.SetValue(slot.key, std::string(), 0, 1);
        }
        engine.HoldValues();
    }
    void Set(int index, std::string_view value) {
        if (CSlot* slot = PerLine(index)) engine.SetValue(slot->key, value, slot->numeric, slot->quoted);
    }
    // Like Set, for a value that stays valid until Write or Discard: it is not copied, and all of
    // them go to the engine in one call.
    void Refer(int index, std::string_view value) {
        if (CSlot* slot = PerLine(index)) views.push_back({slot->key, value, slot->numeric, slot->quoted});
    }
    void Write() {
        for (size_t i : perLine) {
            CSlot& slot = slots[i];
            if (!slot.set) views.push_back({slot.key, std::string_view(), slot.numeric, slot.quoted});
            slot.set = false;
        }
        engine.SetViews(views.data(), views.size());
        views.clear();
        engine.WriteRecord();
    }
    // Forgets the values of a record that is not written.
    void Discard() {
        for (size_t i : perLine)
            slots[i].set = false;
        views.clear();
    }

private:
    // One for each column, by definition index (the same in the table and the engine).
    struct CSlot {
        int key = -1;
        int numeric = 0;
        int quoted = 0;
        bool perLine = false;
        bool set = false; // set for the record being built
    };
    // The slot of a column set for each line, marked as set; nullptr for the others.
    CSlot* PerLine(int index) {
        if (index < 0 || !slots[static_cast<size_t>(index)].perLine) return nullptr;
        CSlot& slot = slots[static_cast<size_t>(index)];
        slot.set = true;
        return &slot;
    }

    CModulCSV& engine;
    std::vector<CSlot> slots;
    std::vector<size_t> perLine;
    std::vector<CModulCSV::CView> views; // the values referred to, for the record being built
};

// ------------------------------------------------------------------ bookings

// The texts a booking's values are formatted into: a value's view stays valid until the next one.
struct CBookingText {
    CNumberText number;
    char digits[16];
};

std::string_view PositiveDecimal(double x, int decimals, CBookingText& text) {
    return x > 0.0 ? text.number.Decimal(x, decimals) : std::string_view();
}

// The characters of text at the places given.
template <size_t N> std::string_view Picked(std::string_view text, const size_t (&places)[N], char* out) {
    for (size_t i = 0; i < N; ++i)
        out[i] = text[places[i]];
    return {out, N};
}

// "TTMM" of "TT.MM.JJJJ" or "TT.MM.".
std::string_view DayMonth(std::string_view datum, CBookingText& text) {
    static constexpr size_t kPlaces[] = {0, 1, 3, 4};
    return datum.size() > 4 ? Picked(datum, kPlaces, text.digits) : datum;
}

// "TTMMJJJJ" of "TT.MM.JJJJ", else empty.
std::string_view DayMonthYear(std::string_view datum, CBookingText& text) {
    static constexpr size_t kPlaces[] = {0, 1, 3, 4, 6, 7, 8, 9};
    return datum.size() == 10 ? Picked(datum, kPlaces, text.digits) : std::string_view();
}

std::string_view Integer(int n, CBookingText& text) {
    return {text.digits,
            static_cast<size_t>(std::to_chars(text.digits, std::end(text.digits), n).ptr - text.digits)};
}

struct CBookingValue {
    EExtfRole role;
    CCheck check;
    std::string_view (*get)(const CBuchungenData& b, const CDatev& datev, CBookingText& text);
};

const CBookingValue kBookingValues[] = {
    {EExtfRole::Umsatz,
     {"Betrag", 4, 13, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) {
         return t.number.Decimal(std::fabs(b.betrag), 2);
     }},
    {EExtfRole::SollHaben,
     {},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) {
         return std::string_view(b.betrag < 0 ? "H" : "S");
     }},
    {EExtfRole::WkzUmsatz,
     {"W\xE4hrung", 0, 3},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) {
         return b.waehrung.empty() || b.waehrung == "\x80" ? std::string_view("EUR") : b.waehrung.View();
     }},
    {EExtfRole::Kurs,
     {"Waehrungskurs", 0, 11},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) {
         return PositiveDecimal(b.waehrungskurs, 6, t);
     }},
    {EExtfRole::Konto,
     {"Soll-Konto", 1, 9, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) { return t.number.Int(b.sollKonto); }},
    {EExtfRole::Gegenkonto,
     {"Haben-Konto", 1, 9, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) { return t.number.Int(b.habenKonto); }},
    {EExtfRole::BuSchluessel,
     {"Datev-Schl\xFCssel", 0, 2},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) {
         return b.datevSchluessel >= 1 ? t.number.Int(b.datevSchluessel) : std::string_view();
     }},
    {EExtfRole::Belegdatum,
     {"Datum", 4, 4, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) { return DayMonth(b.datum, t); }},
    {EExtfRole::Belegfeld1,
     {"Buchungsnummer", 0, 12, false, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) { return b.buchungsnummer.View(); }},
    {EExtfRole::Belegfeld2,
     {"Belegnummer 2", 0, 12, false, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) { return b.belegnummer2.View(); }},
    {EExtfRole::Skonto,
     {"Skonto", 0, 11},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) { return PositiveDecimal(b.skonto, 2, t); }},
    {EExtfRole::Buchungstext,
     {"Buchungstext", 0, 60, false, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) { return b.buchungstext.View(); }},
    {EExtfRole::Kost1,
     {"Kostenstelle 1", 0, 8, false, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) { return b.kostenstelle1.View(); }},
    {EExtfRole::Kost2,
     {"Kostenstelle 2", 0, 8, false, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) { return b.kostenstelle2.View(); }},
    {EExtfRole::UstId,
     {"Ust-ID", 0, 15, false, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) { return b.ustId.View(); }},
    {EExtfRole::EuSteuersatz,
     {"EU-Steuersatz", 0, 5},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) {
         return PositiveDecimal(b.euSteuersatz, 2, t);
     }},
    {EExtfRole::Festschreibung,
     {},
     [](const CBuchungenData&, const CDatev& datev, CBookingText& t) {
         return Integer(datev.festschreibung, t);
     }},
    {EExtfRole::Leistungsdatum,
     {},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) {
         return DayMonthYear(b.leistungsdatum, t);
     }},
    {EExtfRole::UstIdUrsprung,
     {"Ust-ID (Ursprung)", 0, 15, false, true},
     [](const CBuchungenData& b, const CDatev&, CBookingText&) { return b.ustIdUrsprung.View(); }},
    {EExtfRole::EuSteuersatzUrsprung,
     {"EU-Steuersatz (Ursprung)", 0, 5},
     [](const CBuchungenData& b, const CDatev&, CBookingText& t) {
         return PositiveDecimal(b.euSteuersatzUrsprung, 2, t);
     }},
};

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A value the check leaves as it is, without a finding: no blank at either end, within its lengths,
// present where it is required. Nearly every value is one.
bool PassesUnchanged(std::string_view value, const CCheck& check) {
    const int size = static_cast<int>(value.size());
    if (size < check.minimum || size > check.maximum || (check.required && value.empty())) return false;
    return value.empty() || (!IsSpace(value.front()) && !IsSpace(value.back()));
}

// The checked text of a value that does not pass unchanged, in text. False in rejected when the value
// is required and missing, or too long and cannot be cut.
std::string_view Corrected(int record, const CCheck& check, std::string_view value, std::string& text,
                           std::string& messages, bool& rejected) {
    text = CExtfCheck::CheckDatevProValue(record, check.name, std::string(value), check.minimum,
                                          check.maximum, check.required, messages);
    // DATEV refuses the whole file for a record without a required value.
    if (check.required && text.empty()) rejected = true;
    if (static_cast<int>(text.size()) <= check.maximum) return text;
    if (check.text) {
        text.resize(static_cast<size_t>(check.maximum));
        return text;
    }
    messages += CTool::Format("FEHLER: Zeile %d: Das Feld '%s' ist zu lang, die Zeile wird nicht "
                              "geschrieben.\r\n",
                              record, check.name);
    rejected = true;
    return text;
}

// The checked value: value itself, or the text the check made of it in text; `length` of the table
// (when set) is the most the version allows. Inline, as it is taken for every value of every record
// and nearly every value passes unchanged.
inline std::string_view Checked(int record, CCheck check, int length, std::string_view value,
                                std::string& text, std::string& messages, bool& rejected) {
    if (!check.name) return value;
    if (length > 0) check.maximum = length;
    if (PassesUnchanged(value, check)) return value;
    return Corrected(record, check, value, text, messages, rejected);
}

// A date without year takes the year of the fiscal year's start.
std::string WithYear(const std::string& date, const std::string& wirtschaftsjahrBeginn) {
    if (date.size() != 6 || wirtschaftsjahrBeginn.size() < 4) return date;
    return date + wirtschaftsjahrBeginn.substr(wirtschaftsjahrBeginn.size() - 4);
}

// "TT.MM.JJJJ" of a booking date; a date without year lies in the range Datum von .. Datum bis (a
// range that crosses New Year gives the months before its start the year of its end). Empty when
// the text is no calendar date.
std::string BookingDate(std::string_view datum, const std::string& datumVon, const std::string& datumBis) {
    if (CValueCheck::IsFullDate(datum)) return std::string(datum);
    std::string date;
    if (!CValueCheck::ParseDate(datum, std::string(), date) || date.size() < 6) return {};
    if (date.size() == 10) return date;
    std::string year = datumVon.substr(6, 4);
    if (date.substr(3, 2) + date.substr(0, 2) < datumVon.substr(3, 2) + datumVon.substr(0, 2))
        year = datumBis.substr(6, 4);
    date += year;
    int day = CTool::ToInt(date.substr(0, 2)), month = CTool::ToInt(date.substr(3, 2));
    return CValueCheck::IsCalendarDate(day, month, CTool::ToInt(year)) ? date : std::string();
}

// The start (JJJJMMTT) of the fiscal year that holds the date, for a fiscal year beginning on the day
// and month of wirtschaftsjahrBeginn.
int FiscalYearStart(const std::string& datum, const std::string& wirtschaftsjahrBeginn) {
    int key = CDatev::DateKey(datum);
    int startMonthDay = CDatev::DateKey(wirtschaftsjahrBeginn) % 10000;
    int year = key / 10000;
    if (key % 10000 < startMonthDay) --year;
    return year * 10000 + startMonthDay;
}

// Without any booking date that has a year, the range is the fiscal year that begins at
// wirtschaftsjahrBeginn: the year of every date without one is taken from it.
void FiscalYearRange(CDatev& datev) {
    if (!datev.datumVon.empty() || !datev.datumBis.empty() ||
        !CValueCheck::IsFullDate(datev.wirtschaftsjahrBeginn))
        return;
    const std::string& start = datev.wirtschaftsjahrBeginn;
    int day = CTool::ToInt(start.substr(0, 2)), month = CTool::ToInt(start.substr(3, 2));
    int year = CTool::ToInt(start.substr(6, 4)) + 1;
    if (--day == 0) {
        if (--month == 0) {
            month = 12;
            --year;
        }
        day = 31;
        while (!CValueCheck::IsCalendarDate(day, month, year))
            --day;
    }
    datev.datumVon = start;
    datev.datumBis = CTool::Format("%02d.%02d.%04d", day, month, year);
}

// The header's date range must be two real dates within one fiscal year: DATEV takes the year of
// every booking from it. False after the finding that stops the export.
bool CheckDateRange(const CDatev& datev, std::string& messages) {
    for (const auto& [name, value] : {std::pair<const char*, const std::string&>{"Datum von", datev.datumVon},
                                      {"Datum bis", datev.datumBis}}) {
        if (CValueCheck::IsFullDate(value)) continue;
        messages += CTool::Format(Ansi("FEHLER: '%s' (%s) ist kein gültiges Datum. Der Export wird "
                                       "abgebrochen.\r\n")
                                      .c_str(),
                                  name, CValueCheck::Shown(value).c_str());
        return false;
    }
    if (!CValueCheck::IsFullDate(datev.wirtschaftsjahrBeginn)) return true; // the header check names it
    if (FiscalYearStart(datev.datumVon, datev.wirtschaftsjahrBeginn) ==
        FiscalYearStart(datev.datumBis, datev.wirtschaftsjahrBeginn))
        return true;
    messages +=
        CTool::Format(Ansi("FEHLER: Die Buchungen vom %s bis %s liegen in mehr als einem "
                           "Wirtschaftsjahr (Beginn des Wirtschaftsjahres: %s). Eine DATEVpro-Datei "
                           "nimmt nur Buchungen eines Wirtschaftsjahres auf. Der Export wird "
                           "abgebrochen.\r\n")
                          .c_str(),
                      datev.datumVon.c_str(), datev.datumBis.c_str(), datev.wirtschaftsjahrBeginn.c_str());
    return false;
}

// DATEV takes at most this many bookings in one file.
const int kMaxBookings = 99999;

// The path with suffix before the extension of the file name.
std::string WithSuffix(const std::string& path, const std::string& suffix) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < path.rfind('/') + 1) dot = path.size();
    return path.substr(0, dot) + suffix + path.substr(dot);
}

// The values of the booking lines: checked with their findings, then set for writing.
class CBookingLines {
public:
    CBookingLines(const std::vector<CExtfColumn>& columns, const CDatev& datevRef)
        : datev(datevRef), datumVon(datev.datumVon), datumBis(datev.datumBis),
          from(CDatev::DateKey(datumVon)), to(CDatev::DateKey(datumBis)) {
        for (const CBookingValue& v : kBookingValues) {
            const int index = CExtfLayout::IndexOf(columns, v.role);
            if (index < 0) continue;
            CCheck check = v.check;
            if (check.name && columns[static_cast<size_t>(index)].length > 0)
                check.maximum = columns[static_cast<size_t>(index)].length;
            present.push_back({v.get, check, index});
        }
        texts.resize(present.size());
        corrected.resize(present.size());
    }
    // True when booking k goes into the file; its findings are added, its values set for writing.
    // They refer to the booking and to this object until the next Check.
    bool Check(int k, const CBuchungenData& booking, std::string& messages, CRecordValues& values) {
        const CBuchungenData& b = Normalized(booking);
        if (b.betrag == 0.0) messages += CTool::Format("FEHLER: Zeile %d, 'Betrag' ist 0.\r\n", k);
        bool rejected = false;
        Values(k, b, messages, rejected, values);
        if (!b.datum.empty() && date.empty()) {
            messages += CValueCheck::Rejected(k, "Datum", b.datum, CValueCheck::EKind::Date);
            rejected = true;
        }
        if (b.betrag == 0.0 && b.sollKonto == 0 && b.habenKonto == 0) {
            messages += CTool::Format(
                "FEHLER: Zeile %d: Die Zeile wird wegen fehlenden Daten nicht geschrieben.\r\n", k);
            return false;
        }
        if (rejected) return false;
        int key = CDatev::DateKey(date);
        if (key >= from && key <= to) return true;
        messages += CTool::Format("HINWEIS: Zeile %d: Die Zeile ist au\xDF"
                                  "erhalb des gew\xFCnschten Datumbereichs (%s) und "
                                  "wird nicht geschrieben.\r\n",
                                  k, date.empty() ? b.datum.c_str() : date.c_str());
        return false;
    }
    // The full date of a booking with data whose date lies in the range (key its DateKey), else empty.
    // Only the fields it needs are read from the list.
    std::string DateInRange(const CBuchungenCtrl& list, int i, int& key) const {
        using B = CBuchungenData;
        if (list.NumberAt(i, &B::betrag) == 0.0 && list.IntegerAt(i, &B::sollKonto) == 0 &&
            list.IntegerAt(i, &B::habenKonto) == 0)
            return {};
        std::string date = BookingDate(list.TextAt(i, &B::datum), datumVon, datumBis);
        key = CDatev::DateKey(date);
        return key >= from && key <= to ? date : std::string();
    }

private:
    // Belegdatum comes from the date in its normal form ("1.3.24" is "01.03.2024").
    const CBuchungenData& Normalized(const CBuchungenData& b) {
        date = BookingDate(b.datum, datumVon, datumBis);
        if (date.empty() || date == b.datum) return b;
        normalized.emplace(b);
        normalized->datum = date;
        return *normalized;
    }
    void Values(int k, const CBuchungenData& b, std::string& messages, bool& rejected,
                CRecordValues& values) {
        for (size_t i = 0; i < present.size(); ++i) {
            const CPresent& p = present[i];
            values.Refer(p.index,
                         Checked(k, p.check, 0, p.get(b, datev, texts[i]), corrected[i], messages, rejected));
        }
    }

    // A value of kBookingValues whose column the version has, with the most it allows for it.
    struct CPresent {
        decltype(CBookingValue::get) get;
        CCheck check;
        int index;
    };

    const CDatev& datev;
    // The range of the whole export: the parts of a large one have narrower ones in their headers.
    const std::string datumVon;
    const std::string datumBis;
    const int from;
    const int to;
    std::vector<CPresent> present;
    // Of the booking being checked: its date in normal form, the booking with it (when that differs
    // from the one given), and each present value's formatted and corrected text.
    std::string date;
    std::optional<CBuchungenData> normalized;
    std::vector<CBookingText> texts;
    std::vector<std::string> corrected;
};

// ------------------------------------------------------------------ master data

// The record's fields that go into a column unchanged.
struct CMasterValue {
    EExtfRole role;
    CCheck check;
    const CText CStammData::*field;
};

constexpr CCheck Text(const char* name, int maximum) {
    return {name, 0, maximum, false, true};
}

const CMasterValue kMasterValues[] = {
    {EExtfRole::Anrede, Text("Anrede", 30), &CStammData::anrede},
    {EExtfRole::Strasse, Text("Strasse", 36), &CStammData::strasse},
    {EExtfRole::Postfach, Text("Postfach", 10), &CStammData::postfach},
    {EExtfRole::Postleitzahl, Text("Postleitzahl", 10), &CStammData::postleitzahl},
    {EExtfRole::Ort, Text("Ort", 30), &CStammData::ort},
    {EExtfRole::Telefon, Text("Telefon", 60), &CStammData::telefon},
    {EExtfRole::EMail, Text("EMail", 60), &CStammData::email},
    {EExtfRole::Fax, Text("Fax", 60), &CStammData::fax},
    {EExtfRole::Bankleitzahl1, Text("Bankleitzahl", 8), &CStammData::bankleitzahl},
    {EExtfRole::Bank1, Text("Bank", 30), &CStammData::bank},
    {EExtfRole::Kontonummer1, Text("Kontonummer", 10), &CStammData::kontonummer},
    {EExtfRole::Laenderkennz1, Text("L\xE4nderkennz", 2), &CStammData::laenderkennz},
    {EExtfRole::Iban1, Text("IBAN", 34), &CStammData::iban},
    {EExtfRole::Swift1, Text("SWIFT", 11), &CStammData::swift},
    {EExtfRole::Bank2, Text("Bank 2", 30), &CStammData::bank2},
    {EExtfRole::Laenderkennz2, Text("L\xE4nderkennz 2", 2), &CStammData::laenderkennz2},
    {EExtfRole::Iban2, Text("IBAN 2", 34), &CStammData::iban2},
    {EExtfRole::Swift2, Text("SWIFT 2", 11), &CStammData::swift2},
    {EExtfRole::Kundennummer, Text("Kundennummer", 15), &CStammData::kundennummer},
};

// Name targets of "pelko.ini": 0 company, 1 natural person, 2 no addressee type, 3 "Sonstige".
const EExtfRole kNameTargets[] = {EExtfRole::NameUnternehmen, EExtfRole::NamePerson,
                                  EExtfRole::NameKeineAngabe, EExtfRole::Sonstige};

// False when the record cannot be written as it is.
bool SetMasterValues(CRecordValues& values, const std::vector<CExtfColumn>& columns, const CPelkoDoc& doc,
                     const CStammData& s, int record, std::string& messages) {
    auto at = [&](EExtfRole role) { return CExtfLayout::IndexOf(columns, role); };
    auto length = [&](EExtfRole role) {
        int i = at(role);
        return i < 0 ? 0 : columns[static_cast<size_t>(i)].length;
    };
    bool rejected = false;
    std::string text;
    auto checked = [&](const CCheck& check, EExtfRole role, std::string_view value) {
        return Checked(record, check, length(role), value, text, messages, rejected);
    };
    values.Set(at(EExtfRole::StammKonto),
               checked({"Datev-Konto", 1, 9, true}, EExtfRole::StammKonto, CTool::FormatInt(s.datevKonto)));

    bool named = false;
    for (int target = 0; target < 4; ++target) {
        int maximum = target == 3 ? 60 : 50;
        std::string value, remark;
        if (doc.settings.datevproName2 == target) {
            value = checked(Text("Name 2", maximum), kNameTargets[target], s.name2);
            remark = "Name 2";
        }
        if (doc.settings.datevproName1 == target) {
            value = checked(Text("Name 1", maximum), kNameTargets[target], s.name1);
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
                   checked(Text("UstIdnr", 13), EExtfRole::EuUstIdNr, s.ustIdnr.substr(2)));
    }
    std::string land = doc.datev.MapValue(CDatev::kOutLand, s.land, s.land.substr(0, 3));
    values.Set(at(EExtfRole::Land), checked(Text("Land", 2), EExtfRole::Land, land));
    for (const CMasterValue& v : kMasterValues)
        values.Set(at(v.role), checked(v.check, v.role, s.*v.field));
    return !rejected;
}

// A ledger account has at most the digits of "Kontonummernlänge"; customers and suppliers one more.
bool IsLedgerAccount(int konto, int kontonummernLaenge) {
    return konto > 0 && static_cast<int>(std::to_string(konto).size()) <= kontonummernLaenge;
}

// Account, label (cut to its length), language and the full label of a ledger account.
void SetLabelValues(CRecordValues& values, const std::vector<CExtfColumn>& columns, const CStammData& s,
                    int record, std::string& messages) {
    auto at = [&](EExtfRole role) { return CExtfLayout::IndexOf(columns, role); };
    bool rejected = false;
    std::string text;
    values.Set(at(EExtfRole::StammKonto), CTool::FormatInt(s.datevKonto));
    values.Set(at(EExtfRole::Beschriftung),
               Checked(record, Text("Name 1", 40), 0, s.name1, text, messages, rejected));
    values.Set(at(EExtfRole::SprachId), "de-DE");
    values.Set(at(EExtfRole::BeschriftungLang), s.name1.substr(0, 300));
}

// The bookings of one file: list records begin .. end - 1 (1-based) and the header's date range.
struct CPart {
    std::string path;
    int begin = 1;
    int end = 1;
    std::string datumVon;
    std::string datumBis;
};

// Splits the list into files of at most kMaxBookings bookings. Counted are the bookings whose date
// puts them into the file; those that a value check keeps out later only make a file smaller, and
// the range wider than it needs to be. One file keeps the range of the export.
std::vector<CPart> Parts(const CBuchungenCtrl& list, const CBookingLines& lines, const CDatev& datev,
                         const std::string& path) {
    std::vector<CPart> parts{{path, 1, list.GetCount() + 1, datev.datumVon, datev.datumBis}};
    if (list.GetCount() <= kMaxBookings) return parts;
    int inPart = 0, first = 0, last = 0; // the keys of the part's range
    for (int k = 1; k <= list.GetCount(); ++k) {
        int key = 0;
        const std::string date = lines.DateInRange(list, k - 1, key);
        if (date.empty()) continue;
        if (inPart == kMaxBookings) {
            parts.back().end = k;
            parts.push_back({WithSuffix(path, CTool::Format("_%03zu", parts.size() + 1)),
                             k,
                             list.GetCount() + 1,
                             {},
                             {}});
            inPart = 0;
        }
        CPart& part = parts.back();
        if (inPart++ == 0 || key < first) {
            part.datumVon = date;
            first = key;
        }
        if (inPart == 1 || key > last) {
            part.datumBis = date;
            last = key;
        }
    }
    return parts;
}

// Files of an earlier export that the new one replaces by nothing go with its commit, named in a HINWEIS.
std::vector<std::string> Announced(const std::vector<std::string>& stale, std::string& messages) {
    for (const std::string& file : stale)
        messages += CTool::Format("HINWEIS: Die Datei '%s' stammt aus einem fr\xFCheren Export und geh\xF6rt "
                                  "nicht zu diesem; sie wird entfernt, damit DATEV ihre Daten nicht noch "
                                  "einmal einliest.\r\n",
                                  file.substr(file.rfind('/') + 1).c_str());
    return stale;
}

// Files "_002", "_003" … beside the target that an earlier, larger export left and this one does not
// write: DATEV would import their bookings a second time.
std::vector<std::string> StaleParts(const std::string& path, size_t written, std::string& messages) {
    std::vector<std::string> stale;
    for (size_t n = std::max<size_t>(written, 1) + 1;; ++n) {
        std::string part = WithSuffix(path, CTool::Format("_%03zu", n));
        if (!CPlatform::FileExists(part)) break;
        stale.push_back(part);
    }
    return Announced(stale, messages);
}

// Every file is complete on disk before the first one replaces its target, and all replace their
// targets as one set: a failure in any of them leaves all previous files as they were.
bool PlaceAll(CPelkoDoc& doc, const std::vector<std::unique_ptr<CModulCSV>>& files,
              const std::vector<std::string>& stale) {
    std::vector<bool> finished;
    for (const std::unique_ptr<CModulCSV>& file : files)
        finished.push_back(file->FinishExport());
    if (std::find(finished.begin(), finished.end(), false) != finished.end()) {
        for (size_t i = 0; i < files.size(); ++i) {
            if (!finished[i])
                files[i]->CloseFile(); // reports E:602 for this file
            else
                files[i]->AbandonExport();
        }
        return false;
    }
    std::vector<CTargetFile*> targets;
    for (const std::unique_ptr<CModulCSV>& file : files)
        targets.push_back(file->ExportTarget());
    if (!CTargetFile::CommitAll(targets, stale)) {
        const std::string shown = targets.front()->Path();
        for (const std::unique_ptr<CModulCSV>& file : files)
            file->AbandonExport();
        doc.GetFrontEnd().MessageBox(CModulCSV::FileError(602, shown));
        return false;
    }
    for (const std::unique_ptr<CModulCSV>& file : files)
        file->CloseFile();
    return true;
}

} // namespace

bool CDatevProWriter::WriteDatevProBookings(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                            std::string& messages) {
    const CBuchungenCtrl& list = doc.buchungen;
    progress.SetProgressRange(0, list.GetCount() - 1);
    progress.SetProgressPos(0);
    CExtfCheck::CheckExtfFileName(path, &messages);
    CDatev& datev = doc.datev;
    const CExtfVersion* version = TargetVersion(datev, messages);
    if (!version) return false;

    FiscalYearRange(datev);
    datev.datumVon = WithYear(datev.datumVon, datev.wirtschaftsjahrBeginn);
    datev.datumBis = WithYear(datev.datumBis, datev.wirtschaftsjahrBeginn);
    if (!CheckDateRange(datev, messages)) return false;

    // A batch larger than DATEV takes is written as several files, each with the date range of its
    // own bookings; checks and findings run once, in the order of the list.
    const std::vector<CExtfColumn>& columns = version->bookingsData;
    CBookingLines lines(columns, datev);
    const std::vector<CPart> parts = Parts(doc.buchungen, lines, datev, path);
    if (parts.size() > 1) {
        std::string names;
        for (const CPart& part : parts)
            names += (names.empty() ? "" : ", ") + part.path.substr(part.path.rfind('/') + 1);
        messages += CTool::Format("HINWEIS: Eine DATEVpro-Datei nimmt h\xF6"
                                  "chstens %d Buchungen auf; die Buchungen werden in %zu Dateien "
                                  "geschrieben: %s\r\n",
                                  kMaxBookings, parts.size(), names.c_str());
    }
    const std::string datumVon = datev.datumVon, datumBis = datev.datumBis;
    // The files stay open until all are written: one that cannot be opened drops the others.
    std::vector<std::unique_ptr<CModulCSV>> files;
    for (const CPart& part : parts) {
        datev.datumVon = part.datumVon;
        datev.datumBis = part.datumBis;
        files.push_back(OpenTarget(doc, version->bookingsHeader, "Export Buchungen Header", columns,
                                   DataSection("Export Buchungen Daten V2", *version), part.path, messages));
        if (!files.back()) break;
        CRecordValues values(*files.back(), columns);
        for (int k = part.begin; k < part.end; ++k) {
            if (lines.Check(k, *list.GetAt(k - 1), messages, values))
                values.Write();
            else
                values.Discard();
            if ((k - 1) % 10 == 0) progress.SetProgressPos(k - 1);
        }
        // Its last bytes go to the disk while the next part is written.
        if (CTargetFile* target = files.back()->ExportTarget()) target->SyncRest();
    }
    datev.datumVon = datumVon;
    datev.datumBis = datumBis;
    if (!files.back()) return false;
    if (!PlaceAll(doc, files, StaleParts(path, parts.size(), messages))) return false;
    doc.recordCounter += list.GetCount();
    return true;
}

bool CDatevProWriter::WriteDatevProMaster(CPelkoDoc& doc, const std::string& path, CFrontEnd& progress,
                                          std::string& messages) {
    const CStammCtrl& list = doc.stamm;
    progress.SetProgressRange(0, list.GetCount() - 1);
    progress.SetProgressPos(0);
    CExtfCheck::CheckExtfFileName(path, &messages);
    const CExtfVersion* version = TargetVersion(doc.datev, messages);
    if (!version) return false;
    std::unique_ptr<CModulCSV> data =
        OpenTarget(doc, version->masterHeader, "Export Stamm Header", version->masterData,
                   DataSection("Export Stamm Daten V3", *version), path, messages);
    if (!data) return false;

    // DATEV refuses a customer and supplier file that holds a ledger account: those go into a file of
    // account labels beside it, opened with the first of them. The older versions have no such file;
    // theirs is the one of version 700, the only one DATEV reads today.
    const CExtfVersion& labelsVersion = version->labelsData.empty() ? *CExtfLayout::Find(700) : *version;
    const std::string labelsPath = WithSuffix(path, "_Kontenbeschriftungen");
    std::unique_ptr<CModulCSV> labels;
    std::optional<CRecordValues> labelValues;
    CRecordValues values(*data, version->masterData);
    for (int k = 1; k <= list.GetCount(); ++k) {
        const CStammData& s = *list.GetAt(k - 1);
        if (IsLedgerAccount(s.datevKonto, doc.datev.kontonummernLaenge)) {
            if (!labels) {
                labels = OpenTarget(doc, labelsVersion.labelsHeader, "Export Kontenbeschriftungen Header",
                                    labelsVersion.labelsData, "Export Kontenbeschriftungen Daten 700",
                                    labelsPath, messages);
                if (!labels) return false;
                labelValues.emplace(*labels, labelsVersion.labelsData);
            }
            messages += CTool::Format("HINWEIS: Zeile %d: Das Konto %d hat die L\xE4nge eines Sachkontos und "
                                      "wird in die Datei '%s' (Kontenbeschriftungen) geschrieben.\r\n",
                                      k, s.datevKonto, labelsPath.substr(labelsPath.rfind('/') + 1).c_str());
            SetLabelValues(*labelValues, labelsVersion.labelsData, s, k, messages);
            labelValues->Write();
        } else if (!SetMasterValues(values, version->masterData, doc, s, k, messages)) {
            values.Discard();
        } else {
            values.Write();
        }
        if ((k - 1) % 10 == 0) progress.SetProgressPos(k - 1);
    }
    const std::vector<std::string> stale = !labels && CPlatform::FileExists(labelsPath)
                                               ? Announced({labelsPath}, messages)
                                               : std::vector<std::string>{};
    std::vector<std::unique_ptr<CModulCSV>> files;
    files.push_back(std::move(data));
    if (labels) files.push_back(std::move(labels));
    if (!PlaceAll(doc, files, stale)) return false;
    doc.recordCounter += list.GetCount();
    return true;
}
