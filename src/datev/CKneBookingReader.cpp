#include "datev/CKneBookingReader.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CTool.h"
#include "datev/CDatev.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <span>

namespace {

using EKind = CKneBookingReader::EKind;
using CFieldRule = CKneBookingReader::CFieldRule;
using B = CBuchungenData;

const size_t kUnlimited = std::string::npos;

// Fields both formats share.
const CFieldRule kDatum = {.tag = 'd', .kind = EKind::Datum, .maximum = 20, .name = "Datum"};
const CFieldRule kSollKonto = {.tag = 'e',
                               .kind = EKind::Whole,
                               .maximum = 255,
                               .name = "Soll-Konto",
                               .whole = &B::sollKonto,
                               .check = CValueCheck::EKind::Account};
const CFieldRule kSkonto = {.tag = 'h',
                            .kind = EKind::Fraction,
                            .maximum = 10,
                            .name = "Skonto",
                            .fraction = &B::skonto,
                            .divisor = 100};
const CFieldRule kBuchungstext = {
    .tag = '\x1E', .kind = EKind::Text, .maximum = 255, .name = "Buchungstext", .text = &B::buchungstext};
const CFieldRule kUstId = {
    .tag = '\xBA', .kind = EKind::Text, .maximum = 15, .name = "Ust-ID", .text = &B::ustId};
const CFieldRule kEuSteuersatz = {.tag = 'j',
                                  .kind = EKind::Fraction,
                                  .maximum = 10,
                                  .name = "EU-Steuersatz",
                                  .fraction = &B::euSteuersatz,
                                  .divisor = 100};

// Fields of an "ED00001" booking; a tag listed twice acts the same at both places.
const CFieldRule kExtendedFields[] = {
    {.tag = 'l',
     .kind = EKind::Whole,
     .maximum = 255,
     .name = "Datev-Schl\xFCssel",
     .whole = &B::datevSchluessel},
    {.tag = 'a',
     .kind = EKind::Whole,
     .maximum = 255,
     .name = "Haben-Konto",
     .whole = &B::habenKonto,
     .check = CValueCheck::EKind::Account},
    {.tag = '\xBD', .kind = EKind::Text, .maximum = 40, .name = "Buchungsnummer", .text = &B::buchungsnummer},
    {.tag = '\xBE', .kind = EKind::Text, .maximum = 40, .name = "Belegnummer 2", .text = &B::belegnummer2},
    kDatum,
    kSollKonto,
    {.tag = 't',
     .kind = EKind::Whole,
     .maximum = 255,
     .name = "Soll-Konto",
     .whole = &B::sollKonto,
     .check = CValueCheck::EKind::Account},
    {.tag = '\xBB', .kind = EKind::Text, .maximum = 40, .name = "Kostenstelle 1", .text = &B::kostenstelle1},
    {.tag = '\xBC', .kind = EKind::Text, .maximum = 40, .name = "Kostenstelle 2", .text = &B::kostenstelle2},
    {.tag = 'k', .kind = EKind::IgnoredNumber, .maximum = 20},
    kSkonto,
    kBuchungstext,
    kUstId,
    kEuSteuersatz,
    {.tag = '\xB4', .kind = EKind::IgnoredText, .maximum = kUnlimited},
    {.tag = '\xB3', .kind = EKind::Text, .maximum = 10, .name = "W\xE4hrung", .text = &B::waehrung},
    {.tag = 'm', .kind = EKind::IgnoredNumber, .maximum = 10},
    {.tag = 'n',
     .kind = EKind::Fraction,
     .maximum = 10,
     .name = "Waehrungskurs",
     .fraction = &B::waehrungskurs,
     .divisor = 1000000},
    {.tag = '\xB7', .kind = EKind::NoBooking, .maximum = kUnlimited},
    {.tag = '\xB8', .kind = EKind::NoBooking, .maximum = kUnlimited},
};

// Fields of a "DE001" booking.
const CFieldRule kOldFields[] = {
    {.tag = 'a', .kind = EKind::AccountPair, .maximum = 255, .name = "Haben-Konto"},
    {.tag = 'b',
     .kind = EKind::Numbered,
     .maximum = 40,
     .name = "Buchungsnummer",
     .text = &B::buchungsnummer},
    {.tag = 'c', .kind = EKind::Numbered, .maximum = 40, .name = "Belegnummer 2", .text = &B::belegnummer2},
    kDatum,
    kSollKonto,
    {.tag = 'f', .kind = EKind::Numbered, .maximum = 40, .name = "Kostenstelle 1", .text = &B::kostenstelle1},
    {.tag = 'g', .kind = EKind::Numbered, .maximum = 40, .name = "Kostenstelle 2", .text = &B::kostenstelle2},
    kSkonto,
    kBuchungstext,
    kUstId,
    kEuSteuersatz,
    {.tag = 'o', .kind = EKind::CurrencyCode, .maximum = 5, .name = "W\xE4hrung"},
};

bool IsText(EKind kind) {
    return kind == EKind::Text || kind == EKind::IgnoredText || kind == EKind::NoBooking;
}

const size_t kAmountDigits = 30;

// Bytes that start a field or a record (0x1D, 0x1E, 0xB3 to 0xBE but 0xB9): inside a text they mean
// that its end byte is missing. Tested byte by byte: a search for the set costs a call a byte.
bool HoldsFieldStart(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0x1D || byte == 0x1E || (byte >= 0xB3 && byte <= 0xBE && byte != 0xB9)) return true;
    }
    return false;
}

bool FitsInt(long long value) {
    return value >= INT_MIN && value <= INT_MAX;
}

std::string TooLarge(int recordNumber, const char* field, std::string_view value) {
    return CTool::Format(
        Ansi("FEHLER: Zeile %d, Feld '%s': Der Wert '%s' ist zu groß, die Buchung wird nicht "
             "übernommen.\r\n")
            .c_str(),
        recordNumber, field, CValueCheck::Shown(value).c_str());
}

std::string RecordFault(int recordNumber, const char* what) {
    return CTool::Format(Ansi("FEHLER: Zeile %d: %s, sie wird nicht übernommen.\r\n").c_str(), recordNumber,
                         Ansi(what).c_str());
}

// The "d" number as "TTMM" or "TTMMJJ" (a leading zero of the day is not written).
std::string AtLeastFourDigits(long long value) {
    std::string text = std::to_string(value);
    if (value >= 0 && text.size() < 4) text.insert(0, 4 - text.size(), '0');
    return text;
}

std::string Digits(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

// Amount in cents as text, exact for any sum of 64-bit amounts.
std::string CentsText(__int128 cents) {
    unsigned __int128 magnitude = cents < 0 ? -static_cast<unsigned __int128>(cents) : cents;
    std::string digits;
    for (; magnitude > 0 || digits.size() < 3; magnitude /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    digits.insert(digits.size() - 2, 1, ',');
    return cents < 0 ? "-" + digits : digits;
}

} // namespace

CKneBookingReader::CKneBookingReader(const CDatev& datevRef, std::string_view data, size_t start,
                                     bool extendedFormat, CBuchungenCtrl& listRef, CFrontEnd& progressRef,
                                     std::string& messagesRef)
    : datev(datevRef), scan(data, start), extended(extendedFormat), list(listRef), progress(progressRef),
      messages(messagesRef) {}

void CKneBookingReader::Run() {
    bool endMark = false;
    while (scan.SkipPast('y') && !scan.AtEnd()) {
        char kind = scan.Peek();
        if (kind == 'x' || kind == 'w') {
            scan.Take(kind);
            CheckTotal(kind == 'w', scan.NumberText(kAmountDigits));
        } else if (kind == 'v') {
            // A numbered record of another kind: its number is not needed.
            scan.Take(kind);
            scan.NumberText(kAmountDigits);
        } else if (kind == 'z') {
            endMark = true;
        } else if (kind != 'y') { // an empty record holds nothing
            ReadRecord();
        }
        progress.SetProgressPos(static_cast<int>(std::min<size_t>(scan.Pos(), INT_MAX)));
    }
    // A file cut off before its total is reported as such by the caller.
    if (endMark && firstUnchecked > 0)
        messages += CTool::Format(Ansi("HINWEIS: Nach den Buchungen ab Zeile %d folgt kein Summensatz, ihre "
                                       "Summe wurde nicht geprüft.\r\n")
                                      .c_str(),
                                  firstUnchecked);
}

// The total record holds the sum of the bookings before it: a difference means that bookings
// were lost or changed on the way.
void CKneBookingReader::CheckTotal(bool negative, std::string_view text) {
    long long total = 0;
    if (CKneScanner::ParseNumber(text, total) != CKneScanner::ENumber::Ok)
        messages += CTool::Format(
            Ansi("FEHLER: Der Summensatz '%s' ist keine gültige Zahl, die Summe wurde nicht geprüft.\r\n")
                .c_str(),
            CValueCheck::Shown(text).c_str());
    else if ((negative ? -static_cast<__int128>(total) : total) != sum)
        messages += CTool::Format(Ansi("FEHLER: Die Summe der gelesenen Buchungen (%s) weicht von der "
                                       "Kontrollsumme der Datei (%s) ab.\r\n")
                                      .c_str(),
                                  CentsText(sum).c_str(),
                                  CentsText(negative ? -static_cast<__int128>(total) : total).c_str());
    sum = 0;
    firstUnchecked = 0;
}

namespace {

// The rule of every tag byte (nullptr for none), looked up for every field of every record.
using CRuleTable = std::array<const CFieldRule*, 256>;

CRuleTable RuleTable(std::span<const CFieldRule> rules) {
    CRuleTable table{};
    for (const CFieldRule& rule : rules) {
        const CFieldRule*& entry = table[static_cast<unsigned char>(rule.tag)];
        if (!entry) entry = &rule;
    }
    return table;
}

// Printable ASCII is the same in the OEM and the Windows table, and starts no field.
bool IsPrintableAscii(std::string_view text) {
    for (char c : text)
        if (c < ' ' || c > '~') return false;
    return true;
}

} // namespace

const CFieldRule* CKneBookingReader::FindRule(char tag) const {
    static const CRuleTable extendedRules = RuleTable(kExtendedFields);
    static const CRuleTable oldRules = RuleTable(kOldFields);
    return (extended ? extendedRules : oldRules)[static_cast<unsigned char>(tag)];
}

void CKneBookingReader::ReadRecord() {
    ++recordNumber;
    booking.Clear();
    booking.datevSchluessel = -1;
    booking.habenKonto = -1;
    sollTagSeen = false;
    isBooking = true;

    const size_t start = scan.Pos();
    // NUL bytes are fill at the end of a block only; elsewhere they replaced part of a record.
    CKneScanner ahead = scan;
    ahead.SeekTo('y');
    if (ahead.Since(start).find('\0') != std::string_view::npos) {
        scan = ahead;
        Reject(RecordFault(recordNumber, "Die Buchung enthält ein NUL-Byte"));
        return;
    }

    cents = 0;
    bool valid = Number(scan.NumberText(kAmountDigits), "Betrag", CValueCheck::EKind::Number, cents);
    booking.betrag = static_cast<double>(cents) / 100.0;

    // Each tag is recognised wherever it stands, so fields in an unusual order are read as well.
    while (valid && scan.Peek() != 'y' && !scan.AtEnd()) {
        const CFieldRule* rule = FindRule(scan.Peek());
        if (!rule) {
            size_t at = scan.Pos();
            scan.SeekTo('y');
            valid = Reject(CTool::Format(Ansi("FEHLER: Zeile %d: Die Buchung enthält ab '%s' Zeichen, die "
                                              "kein Feld beginnen; sie wird nicht übernommen.\r\n")
                                             .c_str(),
                                         recordNumber, CValueCheck::Shown(scan.Since(at)).c_str()));
            break;
        }
        scan.Take(rule->tag);
        valid = IsText(rule->kind) ? ReadTextField(*rule) : ReadNumberField(*rule);
    }
    // A record that runs into the end of the data was cut off: its values are not trustworthy.
    if (!scan.SeekTo('y') && isBooking)
        valid = Reject(RecordFault(recordNumber, "Die Buchung ist unvollständig (Dateiende)"));
    // A "y" inside a text made the record longer than the first look saw.
    if (valid && isBooking && scan.Pos() != ahead.Pos() &&
        scan.Since(start).find('\0') != std::string_view::npos)
        valid = Reject(RecordFault(recordNumber, "Die Buchung enthält ein NUL-Byte"));
    if (valid && isBooking) Append();
}

bool CKneBookingReader::Number(std::string_view text, const char* field, CValueCheck::EKind kind,
                               long long& value) {
    switch (CKneScanner::ParseNumber(text, value)) {
    case CKneScanner::ENumber::Ok:
        return true;
    case CKneScanner::ENumber::TooLarge:
        return Reject(TooLarge(recordNumber, field, text));
    default:
        return Reject(CValueCheck::Rejected(recordNumber, field, text, kind));
    }
}

bool CKneBookingReader::ReadNumberField(const CFieldRule& rule) {
    std::string_view text = scan.NumberText(rule.maximum);
    long long value = 0;
    switch (rule.kind) {
    case EKind::IgnoredNumber:
        return true;
    case EKind::AccountPair:
        return StoreAccountPair(text);
    case EKind::Datum: {
        // Checked against the calendar, with the year of the header for "TTMM".
        std::string datum;
        if (CKneScanner::ParseNumber(text, value) != CKneScanner::ENumber::Ok ||
            !CValueCheck::ParseDate(datev.NormalizeKneDate(AtLeastFourDigits(value)), "", datum) ||
            datum.size() != 10)
            return Reject(CValueCheck::Rejected(recordNumber, rule.name, text, CValueCheck::EKind::Date));
        booking.datum = std::move(datum);
        return true;
    }
    case EKind::Fraction:
        if (!Number(text, rule.name, CValueCheck::EKind::Number, value)) return false;
        booking.*rule.fraction = static_cast<double>(value) / rule.divisor;
        return true;
    case EKind::CurrencyCode:
        if (!Number(text, rule.name, CValueCheck::EKind::Integer, value)) return false;
        booking.waehrung = value == 1 ? "EUR" : value == 2 ? "DEM" : "";
        return true;
    default:
        break;
    }
    if (!Number(text, rule.name, rule.check, value)) return false;
    if (!FitsInt(value)) return Reject(TooLarge(recordNumber, rule.name, text));
    if (rule.kind == EKind::Numbered)
        booking.*rule.text = CTool::FormatInt(static_cast<int>(value));
    else
        booking.*rule.whole = static_cast<int>(value);
    if (rule.whole == &CBuchungenData::sollKonto) sollTagSeen = true;
    return true;
}

// Old format: posting key and account in one number, the account being the last five digits.
bool CKneBookingReader::StoreAccountPair(std::string_view text) {
    long long whole = 0;
    CKneScanner::ENumber form = CKneScanner::ParseNumber(text, whole);
    if (form == CKneScanner::ENumber::Malformed || whole < 0)
        return Reject(CValueCheck::Rejected(recordNumber, "Haben-Konto", text, CValueCheck::EKind::Account));
    std::string digits = Digits(text);
    size_t split = digits.size() >= 6 ? digits.size() - 5 : 0;
    long long key = -1;
    long long account = 0;
    if ((split > 0 && CKneScanner::ParseNumber(std::string_view(digits).substr(0, split), key) !=
                          CKneScanner::ENumber::Ok) ||
        CKneScanner::ParseNumber(std::string_view(digits).substr(split), account) !=
            CKneScanner::ENumber::Ok ||
        !FitsInt(key))
        return Reject(TooLarge(recordNumber, "Haben-Konto", digits));
    booking.datevSchluessel = static_cast<int>(key);
    booking.habenKonto = static_cast<int>(account);
    return true;
}

bool CKneBookingReader::ReadTextField(const CFieldRule& rule) {
    const size_t start = scan.Pos();
    std::string_view view;
    if (!scan.Text(view)) return true; // the end of the data is reported for the whole record
    if (rule.kind == EKind::NoBooking) {
        isBooking = false;
        return true;
    }
    const bool plain = IsPrintableAscii(view);
    if (!plain && HoldsFieldStart(view)) {
        // The scan goes on from the start of the text, so the records it took in are read again.
        scan.SetPos(start);
        return Reject(CTool::Format(Ansi("FEHLER: Zeile %d, Feld '%s': Das Feld endet nicht mit dem Feldende "
                                         "(0x1C) und läuft in das nächste Feld; die Buchung wird nicht "
                                         "übernommen.\r\n")
                                        .c_str(),
                                    recordNumber, rule.name));
    }
    if (rule.kind != EKind::Text) return true;
    // Nearly every text needs neither the table nor a cut: it refers to the data until the list
    // copies the booking.
    if (plain && view.size() <= rule.maximum) {
        (booking.*rule.text).Refer(view.data(), static_cast<std::uint32_t>(view.size()));
        return true;
    }
    std::string text(view);
    CCodePage::OemToAnsiInPlace(text);
    // Longer texts are cut at the field's maximum; the rest up to the end byte is passed over
    // instead of being taken for further fields.
    if (text.size() > rule.maximum) {
        std::string cut = text.substr(0, rule.maximum);
        messages +=
            CTool::Format("HINWEIS: Zeile %d, Feld '%s' darf maximal %d Zeichen haben. '%s' wurde auf "
                          "'%s' gek\xFCrzt\r\n",
                          recordNumber, rule.name, static_cast<int>(rule.maximum), text.c_str(), cut.c_str());
        text = std::move(cut);
    }
    booking.*rule.text = std::move(text);
    return true;
}

void CKneBookingReader::Append() {
    if (booking.datum.empty() && !sollTagSeen && booking.buchungsnummer.empty())
        booking.buchungsnummer = lastBuchungsnummer;
    if (booking.datum.empty()) booking.datum = lastDatum;
    if (!sollTagSeen) booking.sollKonto = lastSoll;
    lastDatum = booking.datum;
    lastSoll = booking.sollKonto;
    lastBuchungsnummer = booking.buchungsnummer;
    sum += cents;
    if (firstUnchecked == 0) firstUnchecked = recordNumber;
    list.Add(std::move(booking));
}

bool CKneBookingReader::Reject(const std::string& line) {
    messages += line;
    return false;
}
