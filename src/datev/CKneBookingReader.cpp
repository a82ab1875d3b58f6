#include "datev/CKneBookingReader.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CTool.h"
#include "datev/CDatev.h"

#include <algorithm>
#include <climits>
#include <span>

namespace {

using EKind = CKneBookingReader::EKind;
using CFieldRule = CKneBookingReader::CFieldRule;
using B = CBuchungenData;

const size_t kUnlimited = std::string::npos;

// Fields of an "ED00001" booking; a tag listed twice acts the same at both places.
const CFieldRule kExtendedFields[] = {
    {.tag = 'l',
     .kind = EKind::Whole,
     .maximum = 255,
     .name = "Datev-Schl\xFCssel",
     .whole = &B::datevSchluessel},
    {.tag = 'a', .kind = EKind::Whole, .maximum = 255, .name = "Haben-Konto", .whole = &B::habenKonto},
    {.tag = '\xBD', .kind = EKind::Text, .maximum = 40, .name = "Buchungsnummer", .text = &B::buchungsnummer},
    {.tag = '\xBE', .kind = EKind::Text, .maximum = 40, .name = "Belegnummer 2", .text = &B::belegnummer2},
    {.tag = 'd', .kind = EKind::Datum, .maximum = 20},
    {.tag = 'e', .kind = EKind::Whole, .maximum = 255, .name = "Soll-Konto", .whole = &B::sollKonto},
    {.tag = 't', .kind = EKind::Whole, .maximum = 255, .name = "Soll-Konto", .whole = &B::sollKonto},
    {.tag = '\xBB', .kind = EKind::Text, .maximum = 40, .name = "Kostenstelle 1", .text = &B::kostenstelle1},
    {.tag = '\xBC', .kind = EKind::Text, .maximum = 40, .name = "Kostenstelle 2", .text = &B::kostenstelle2},
    {.tag = 'k', .kind = EKind::IgnoredNumber, .maximum = 20},
    {.tag = 'h', .kind = EKind::Fraction, .maximum = 10, .fraction = &B::skonto, .divisor = 100},
    {.tag = '\x1E', .kind = EKind::Text, .maximum = 255, .name = "Buchungstext", .text = &B::buchungstext},
    {.tag = '\xBA', .kind = EKind::Text, .maximum = 15, .name = "Ust-ID", .text = &B::ustId},
    {.tag = 'j', .kind = EKind::Fraction, .maximum = 10, .fraction = &B::euSteuersatz, .divisor = 100},
    {.tag = '\xB4', .kind = EKind::IgnoredText, .maximum = kUnlimited},
    {.tag = '\xB3', .kind = EKind::Text, .maximum = 10, .name = "W\xE4hrung", .text = &B::waehrung},
    {.tag = 'm', .kind = EKind::IgnoredNumber, .maximum = 10},
    {.tag = 'n', .kind = EKind::Fraction, .maximum = 10, .fraction = &B::waehrungskurs, .divisor = 1000000},
    {.tag = '\xB7', .kind = EKind::NoBooking, .maximum = kUnlimited},
    {.tag = '\xB8', .kind = EKind::NoBooking, .maximum = kUnlimited},
};

// Fields of a "DE001" booking.
const CFieldRule kOldFields[] = {
    {.tag = 'a', .kind = EKind::AccountPair, .maximum = 255},
    {.tag = 'b',
     .kind = EKind::Numbered,
     .maximum = 40,
     .name = "Buchungsnummer",
     .text = &B::buchungsnummer},
    {.tag = 'c', .kind = EKind::Numbered, .maximum = 40, .name = "Belegnummer 2", .text = &B::belegnummer2},
    {.tag = 'd', .kind = EKind::Datum, .maximum = 20},
    {.tag = 'e', .kind = EKind::Whole, .maximum = 255, .name = "Soll-Konto", .whole = &B::sollKonto},
    {.tag = 'f', .kind = EKind::Numbered, .maximum = 40, .name = "Kostenstelle 1", .text = &B::kostenstelle1},
    {.tag = 'g', .kind = EKind::Numbered, .maximum = 40, .name = "Kostenstelle 2", .text = &B::kostenstelle2},
    {.tag = 'h', .kind = EKind::Fraction, .maximum = 10, .fraction = &B::skonto, .divisor = 100},
    {.tag = '\x1E', .kind = EKind::Text, .maximum = 255, .name = "Buchungstext", .text = &B::buchungstext},
    {.tag = '\xBA', .kind = EKind::Text, .maximum = 15, .name = "Ust-ID", .text = &B::ustId},
    {.tag = 'j', .kind = EKind::Fraction, .maximum = 10, .fraction = &B::euSteuersatz, .divisor = 100},
    {.tag = 'o', .kind = EKind::CurrencyCode, .maximum = 5},
};

bool IsText(EKind kind) {
    return kind == EKind::Text || kind == EKind::IgnoredText || kind == EKind::NoBooking;
}

const size_t kAmountDigits = 30;

bool FitsInt(long long value) {
    return value >= INT_MIN && value <= INT_MAX;
}

std::string TooLarge(int recordNumber, const char* field, std::string_view value) {
    return CTool::Format(
        Ansi("FEHLER: Zeile %d, Feld '%s': Der Wert '%.*s' ist zu groß, die Buchung wird nicht "
             "übernommen.\r\n")
            .c_str(),
        recordNumber, field, static_cast<int>(value.size()), value.data());
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

} // namespace

CKneBookingReader::CKneBookingReader(const CDatev& datevRef, std::string_view data, size_t start,
                                     bool extendedFormat, CBuchungenCtrl& listRef, CFrontEnd& progressRef,
                                     std::string& messagesRef)
    : datev(datevRef), scan(data, start), extended(extendedFormat), list(listRef), progress(progressRef),
      messages(messagesRef) {
    // Every record ends with "y", so their count bounds the bookings: one allocation for the list.
    // A real booking takes 16 bytes at least; texts full of "y" must not make it huge.
    size_t ends =
        static_cast<size_t>(std::count(data.begin() + static_cast<long>(scan.Pos()), data.end(), 'y'));
    list.Reserve(list.GetCount() + static_cast<int>(std::min({ends, data.size() / 16, size_t{INT_MAX / 2}})));
}

void CKneBookingReader::Run() {
    while (scan.SkipPast('y') && !scan.AtEnd()) {
        char kind = scan.Peek();
        if (kind == 'x' || kind == 'w' || kind == 'v') {
            // Total or other numbered record: its number is not needed.
            scan.Take(kind);
            scan.NumberText(kAmountDigits);
        } else if (kind != 'z') {
            ReadRecord();
        }
        progress.SetProgressPos(static_cast<int>(std::min<size_t>(scan.Pos(), INT_MAX)));
    }
}

const CFieldRule* CKneBookingReader::FindRule(char tag) const {
    std::span<const CFieldRule> rules = extended ? std::span<const CFieldRule>(kExtendedFields) : kOldFields;
    auto rule = std::find_if(rules.begin(), rules.end(), [tag](const CFieldRule& r) { return r.tag == tag; });
    return rule == rules.end() ? nullptr : &*rule;
}

void CKneBookingReader::ReadRecord() {
    ++recordNumber;
    booking.Clear();
    booking.datevSchluessel = -1;
    booking.habenKonto = -1;
    sollTagSeen = false;
    isBooking = true;

    long long cents = 0;
    std::string_view amount = scan.NumberText(kAmountDigits);
    bool valid = CKneScanner::ParseNumber(amount, cents) || Reject(TooLarge(recordNumber, "Betrag", amount));
    booking.betrag = static_cast<double>(cents) / 100.0;

    // Each tag is recognised wherever it stands, so fields in an unusual order are read as well;
    // an unknown byte ends the fields of the record.
    while (valid && scan.Peek() != 'y' && !scan.AtEnd()) {
        const CFieldRule* rule = FindRule(scan.Peek());
        if (!rule) break;
        scan.Take(rule->tag);
        valid = IsText(rule->kind) ? ReadTextField(*rule) : ReadNumberField(*rule);
    }
    // A record that runs into the end of the data was cut off: its values are not trustworthy.
    if (!scan.SeekTo('y') && isBooking)
        valid = Reject(CTool::Format(
            Ansi(
                "FEHLER: Zeile %d: Die Buchung ist unvollständig (Dateiende), sie wird nicht übernommen.\r\n")
                .c_str(),
            recordNumber));
    if (valid && isBooking) Append();
}

bool CKneBookingReader::ReadNumberField(const CFieldRule& rule) {
    std::string_view text = scan.NumberText(rule.maximum);
    long long value = 0;
    bool parsed = CKneScanner::ParseNumber(text, value);
    switch (rule.kind) {
    case EKind::IgnoredNumber:
        return true;
    case EKind::AccountPair:
        return StoreAccountPair(text);
    case EKind::Datum:
        // Beyond 64 bits the digits are no date anyway; they stay as they are.
        booking.datum = datev.NormalizeKneDate(parsed ? AtLeastFourDigits(value) : Digits(text));
        return true;
    case EKind::Fraction:
        booking.*rule.fraction = static_cast<double>(value) / rule.divisor;
        return true;
    case EKind::CurrencyCode:
        booking.waehrung = value == 1 ? "EUR" : value == 2 ? "DEM" : "";
        return true;
    default:
        break;
    }
    if (!parsed || !FitsInt(value)) return Reject(TooLarge(recordNumber, rule.name, text));
    if (rule.kind == EKind::Numbered)
        booking.*rule.text = CTool::FormatInt(static_cast<int>(value));
    else
        booking.*rule.whole = static_cast<int>(value);
    if (rule.whole == &CBuchungenData::sollKonto) sollTagSeen = true;
    return true;
}

// Old format: posting key and account in one number, the account being the last five digits.
bool CKneBookingReader::StoreAccountPair(std::string_view text) {
    std::string digits = Digits(text);
    size_t split = digits.size() >= 6 ? digits.size() - 5 : 0;
    long long key = -1;
    long long account = 0;
    if ((split > 0 && !CKneScanner::ParseNumber(std::string_view(digits).substr(0, split), key)) ||
        !CKneScanner::ParseNumber(std::string_view(digits).substr(split), account) || !FitsInt(key))
        return Reject(TooLarge(recordNumber, "Haben-Konto", digits));
    booking.datevSchluessel = static_cast<int>(key);
    booking.habenKonto = static_cast<int>(account);
    return true;
}

bool CKneBookingReader::ReadTextField(const CFieldRule& rule) {
    std::string text;
    if (!scan.Text(text)) return true; // the end of the data is reported for the whole record
    if (rule.kind == EKind::NoBooking) isBooking = false;
    if (rule.kind != EKind::Text) return true;
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
    list.Add(std::move(booking));
}

bool CKneBookingReader::Reject(const std::string& line) {
    messages += line;
    return false;
}
