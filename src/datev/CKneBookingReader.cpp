#include "datev/CKneBookingReader.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CTool.h"
#include "datev/CDatev.h"

#include <algorithm>
#include <climits>
#include <span>

namespace {

using EField = CKneBookingReader::EField;
using CFieldRule = CKneBookingReader::CFieldRule;

const size_t kUnlimited = std::string::npos;

// Fields of an "ED00001" booking; a tag listed twice acts the same at both places.
const CFieldRule kExtendedFields[] = {
    {'l', false, 255, EField::Schluessel, "Datev-Schl\xFCssel"},
    {'a', false, 255, EField::Haben, "Haben-Konto"},
    {'\xBD', true, 40, EField::Buchungsnummer, "Buchungsnummer"},
    {'\xBE', true, 40, EField::Belegnummer2, "Belegnummer 2"},
    {'d', false, 20, EField::Datum, "Datum"},
    {'e', false, 255, EField::Soll, "Soll-Konto"},
    {'t', false, 255, EField::Soll, "Soll-Konto"},
    {'\xBB', true, 40, EField::Kostenstelle1, "Kostenstelle 1"},
    {'\xBC', true, 40, EField::Kostenstelle2, "Kostenstelle 2"},
    {'k', false, 20, EField::Ignored, ""},
    {'h', false, 10, EField::Skonto, "Skonto"},
    {'\x1E', true, 255, EField::Buchungstext, "Buchungstext"},
    {'\xBA', true, 15, EField::UstId, "Ust-ID"},
    {'j', false, 10, EField::EuSteuersatz, "EU-Steuersatz"},
    {'\xB4', true, 10, EField::Ignored, ""},
    {'\xB3', true, 10, EField::Waehrung, "W\xE4hrung"},
    {'m', false, 10, EField::Ignored, ""},
    {'n', false, 10, EField::Waehrungskurs, "Waehrungskurs"},
    {'\xB7', true, kUnlimited, EField::NoBooking, ""},
    {'\xB8', true, kUnlimited, EField::NoBooking, ""},
};

// Fields of a "DE001" booking.
const CFieldRule kOldFields[] = {
    {'a', false, 255, EField::HabenAndSchluessel, "Haben-Konto"},
    {'b', false, 40, EField::NumberBuchungsnummer, "Buchungsnummer"},
    {'c', false, 40, EField::NumberBelegnummer2, "Belegnummer 2"},
    {'d', false, 20, EField::Datum, "Datum"},
    {'e', false, 255, EField::Soll, "Soll-Konto"},
    {'f', false, 40, EField::NumberKostenstelle1, "Kostenstelle 1"},
    {'g', false, 40, EField::NumberKostenstelle2, "Kostenstelle 2"},
    {'h', false, 10, EField::Skonto, "Skonto"},
    {'\x1E', true, 255, EField::Buchungstext, "Buchungstext"},
    {'\xBA', true, 15, EField::UstId, "Ust-ID"},
    {'j', false, 10, EField::EuSteuersatz, "EU-Steuersatz"},
    {'o', false, 5, EField::WaehrungCode, "W\xE4hrung"},
};

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
    list.Reserve(
        list.GetCount() +
        static_cast<int>(std::min<size_t>(
            std::count(data.begin() + static_cast<long>(scan.Pos()), data.end(), 'y'), INT_MAX / 2)));
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

std::span<const CFieldRule> CKneBookingReader::Fields() const {
    if (extended) return kExtendedFields;
    return kOldFields;
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

    // Fields in the usual order are read in one pass; an unknown byte ends the record's fields.
    while (valid && scan.Peek() != 'y' && !scan.AtEnd()) {
        bool known = false;
        for (const CFieldRule& rule : Fields())
            if (rule.tag == scan.Peek()) {
                known = true;
                scan.Take(rule.tag);
                valid = rule.text ? ReadTextField(rule) : ReadNumberField(rule);
                break;
            }
        if (!known) break;
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
    if (rule.target == EField::HabenAndSchluessel) return StoreAccountPair(text);
    return StoreNumber(rule, text);
}

bool CKneBookingReader::StoreNumber(const CFieldRule& rule, std::string_view text) {
    if (rule.target == EField::Ignored) return true;
    long long value = 0;
    bool parsed = CKneScanner::ParseNumber(text, value);
    if (rule.target == EField::Datum) {
        // Beyond 64 bits the digits are no date anyway; they stay as they are.
        booking.datum = datev.NormalizeKneDate(parsed ? CTool::Format("%04lld", value) : Digits(text));
        return true;
    }
    bool isInt = rule.target == EField::Schluessel || rule.target == EField::Haben ||
                 rule.target == EField::Soll || rule.target == EField::NumberBuchungsnummer ||
                 rule.target == EField::NumberBelegnummer2 || rule.target == EField::NumberKostenstelle1 ||
                 rule.target == EField::NumberKostenstelle2;
    if (!parsed || (isInt && !FitsInt(value))) return Reject(TooLarge(recordNumber, rule.name, text));
    int n = static_cast<int>(isInt ? value : 0);
    switch (rule.target) {
    case EField::Schluessel:
        booking.datevSchluessel = n;
        break;
    case EField::Haben:
        booking.habenKonto = n;
        break;
    case EField::Soll:
        booking.sollKonto = n;
        sollTagSeen = true;
        break;
    case EField::NumberBuchungsnummer:
        booking.buchungsnummer = CTool::FormatInt(n);
        break;
    case EField::NumberBelegnummer2:
        booking.belegnummer2 = CTool::FormatInt(n);
        break;
    case EField::NumberKostenstelle1:
        booking.kostenstelle1 = CTool::FormatInt(n);
        break;
    case EField::NumberKostenstelle2:
        booking.kostenstelle2 = CTool::FormatInt(n);
        break;
    case EField::Skonto:
        booking.skonto = static_cast<double>(value) / 100.0;
        break;
    case EField::EuSteuersatz:
        booking.euSteuersatz = static_cast<double>(value) / 100.0;
        break;
    case EField::Waehrungskurs:
        booking.waehrungskurs = static_cast<double>(value) / 1000000.0;
        break;
    case EField::WaehrungCode:
        booking.waehrung = value == 1 ? "EUR" : value == 2 ? "DEM" : "";
        break;
    default:
        break;
    }
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
    if (rule.target == EField::NoBooking) isBooking = false;
    if (rule.target == EField::Ignored || rule.target == EField::NoBooking) return true;
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
    StoreText(rule.target, std::move(text));
    return true;
}

void CKneBookingReader::StoreText(EField target, std::string&& text) {
    switch (target) {
    case EField::Buchungsnummer:
        booking.buchungsnummer = std::move(text);
        break;
    case EField::Belegnummer2:
        booking.belegnummer2 = std::move(text);
        break;
    case EField::Kostenstelle1:
        booking.kostenstelle1 = std::move(text);
        break;
    case EField::Kostenstelle2:
        booking.kostenstelle2 = std::move(text);
        break;
    case EField::Buchungstext:
        booking.buchungstext = std::move(text);
        break;
    case EField::UstId:
        booking.ustId = std::move(text);
        break;
    case EField::Waehrung:
        booking.waehrung = std::move(text);
        break;
    default:
        break;
    }
}

void CKneBookingReader::Append() {
    if (booking.datum.empty() && !sollTagSeen && booking.buchungsnummer.empty())
        booking.buchungsnummer = lastBuchungsnummer;
    if (booking.datum.empty()) booking.datum = lastDatum;
    if (!sollTagSeen) booking.sollKonto = lastSoll;
    list.Add(booking);
    lastDatum = booking.datum;
    lastSoll = booking.sollKonto;
    lastBuchungsnummer = booking.buchungsnummer;
}

bool CKneBookingReader::Reject(const std::string& line) {
    messages += line;
    return false;
}
