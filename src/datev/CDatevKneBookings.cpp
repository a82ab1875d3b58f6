#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "datev/CKneFile.h"
#include "datev/CKneText.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace {

// Records must end before byte 237 of their block; the longest booking without text is 166
// bytes, so a text of up to 60 characters always fits.
const int kMaxBookingText = 60;
const int kRecordLimit = 237;
const long long kMaxCents = 1000000000000000000LL;
// The old format keeps accounts of at most five digits: the contra account shares its number
// with the posting key.
const int kMaxOldAccount = 99999;

std::string LastTwo(const std::string& text) {
    return text.size() <= 2 ? text : text.substr(text.size() - 2);
}

// value × 10^decimals as an integer, rounded half away from zero exactly as FormatAmount and
// FormatDecimal round for the other formats; false when the result is no finite number within
// limit, so that it is never written as a wrapped or clamped value.
// The digits are read from the text as it stands, without a string of their own: it is done for
// every amount of an export.
bool Scaled(double value, int decimals, long long limit, long long& out) {
    CNumberText number;
    std::string_view text = number.Decimal(value, decimals);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const auto most = static_cast<unsigned long long>(limit);
    unsigned long long magnitude = 0;
    bool digits = false;
    for (char c : text) {
        if (c == ',') continue;
        const unsigned digit = static_cast<unsigned char>(c) - '0';
        if (digit > 9 || magnitude > (most - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
        digits = true;
    }
    out = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return digits;
}

void AppendNumber(std::string& record, long long value) {
    char digits[24];
    record.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void AppendTagged(std::string& record, char tag, long long value) {
    record += tag;
    AppendNumber(record, value);
}

void AppendSigned(std::string& record, long long cents) {
    AppendTagged(record, cents < 0 ? '-' : '+', cents < 0 ? -cents : cents);
}

std::string Digits(__int128 value) {
    std::string digits;
    for (; value > 0; value /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    return digits;
}

// "d", day without leading zeros, month as in "TT.MM.JJJJ".
void AppendDayMonth(std::string& record, std::string_view datum) {
    std::string_view day = datum.substr(0, 2);
    day.remove_prefix(std::min(day.find_first_not_of('0'), day.size()));
    record += 'd';
    record += day;
    if (datum.size() > 3) record += datum.substr(3, 2);
}

// The value behind its tag, when there is one.
void AppendPart(std::string& record, char tag, std::string_view value) {
    if (value.empty()) return;
    record += tag;
    record += value;
}

void AppendText(std::string& record, char mark, std::string_view value) {
    if (value.empty()) return;
    record += mark;
    record += value;
    record += '\x1C';
}

std::string Upper(std::string text) {
    for (char& c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) c = static_cast<char>(u - 0x20);
    }
    return text;
}

// "h", "j" and "n" parts: rounded like the amount, left out when 0.
bool AppendScaled(std::string& record, char tag, double value, int decimals) {
    if (value == 0.0) return true;
    long long scaled = 0;
    if (!Scaled(value, decimals, INT_MAX, scaled)) return false;
    AppendTagged(record, tag, scaled);
    return true;
}

std::string TooLarge(int recordNumber, const char* field) {
    return CTool::Format(
        Ansi(
            "FEHLER: Zeile %d, Feld '%s': Der Wert ist zu gross für die DATEV-Datei; die Buchung wurde nicht "
            "exportiert.\r\n")
            .c_str(),
        recordNumber, Ansi(field).c_str());
}

std::string NotInOldFormat(int recordNumber, const char* field, const std::string& value, const char* what) {
    return CTool::Format(Ansi("FEHLER: Zeile %d, Feld '%s': Das alte DATEV-Format (DE001) kann %s '%s' nicht "
                              "aufnehmen; die Buchung wurde nicht exportiert.\r\n")
                             .c_str(),
                         recordNumber, Ansi(field).c_str(), Ansi(what).c_str(), value.c_str());
}

// Currency digit of the old format: 1 for euro, 2 for mark; 0 for a currency it cannot carry.
char OldCurrency(const std::string& waehrung) {
    std::string code = Upper(waehrung);
    code.erase(0, code.find_first_not_of(' '));
    code.erase(code.find_last_not_of(' ') + 1);
    if (code.empty() || code == "EUR" || code == "\x80") return '1';
    return code == "DEM" || code == "DM" ? '2' : 0;
}

} // namespace

std::string CDatev::BookingsHeader(std::string& messages) const {
    std::string header = HeaderStart(80, 11, messages);
    PutNumber(header, messages, abrechnungsNummer, "Abrechnungsnummer", 23, 4, false);
    PutText(header, messages, buchungsjahr, "/Buchungsjahr", 27, 2, false);
    PutText(header, messages, CTool::ConvertDate(datumVon, "TT.MM.JJJJ", "TTMMJJ"), "Datum von", 29, 6, true);
    PutText(header, messages, CTool::ConvertDate(datumBis, "TT.MM.JJJJ", "TTMMJJ"), "Datum bis", 35, 6, true);
    PutText(header, messages, "001", "Primanota-Seite", 41, 3, false);
    PutText(header, messages, passwort, "Passwort", 44, 4, false);
    PutText(header, messages, "y", "Satzende", 80, 1, false);
    return header;
}

std::string_view CDatev::BookingText(const CBuchungenData& b, int recordNumber, CKneText& texts,
                                     std::string& messages) const {
    size_t maximum = static_cast<size_t>(std::clamp(laengeBuchungstext, 0, kMaxBookingText));
    return texts.Checked(messages, recordNumber, "Buchungstext", b.buchungstext, 0, maximum, false);
}

bool CDatev::ExtendedBooking(const CBuchungenData& b, int n, long long cents, std::string& messages,
                             std::string& r) const {
    static const std::string waehrung = Ansi("Währung");
    CKneText texts;
    r.clear();
    AppendSigned(r, cents);
    if (b.datevSchluessel > 0) AppendTagged(r, 'l', b.datevSchluessel);
    AppendTagged(r, 'a', b.habenKonto);
    AppendText(r, '\xBD', texts.Checked(messages, n, "Buchungsnummer", b.buchungsnummer, 0, 12, false));
    AppendText(r, '\xBE', texts.Checked(messages, n, "Belegnummer 2", b.belegnummer2, 0, 12, false));
    AppendDayMonth(r, b.datum);
    AppendTagged(r, 'e', b.sollKonto);
    AppendText(r, '\xBB', texts.Checked(messages, n, "Kostenstelle 1", b.kostenstelle1, 0, 8, false));
    AppendText(r, '\xBC', texts.Checked(messages, n, "Kostenstelle 2", b.kostenstelle2, 0, 8, false));
    if (!AppendScaled(r, 'h', b.skonto, 2)) return messages += TooLarge(n, "Skonto"), false;
    AppendText(r, '\x1E', BookingText(b, n, texts, messages));
    AppendText(r, '\xBA', texts.Checked(messages, n, "Ust-ID", b.ustId, 0, 13, false));
    if (!AppendScaled(r, 'j', b.euSteuersatz, 2)) return messages += TooLarge(n, "EU-Steuersatz"), false;
    std::string currency = b.waehrung.empty() || b.waehrung == "\x80" ? "EUR" : b.waehrung;
    r += '\xB3';
    // Nearly every booking is in euro, a code that none of the steps changes.
    r += currency == "EUR" ? currency
                           : texts.ToOem(Upper(CheckValue(messages, n, waehrung,
                                                          texts.Blanked(currency, waehrung), 1, 3, false)),
                                         waehrung);
    r += '\x1C';
    if (!AppendScaled(r, 'n', b.waehrungskurs, 6)) return messages += TooLarge(n, "Waehrungskurs"), false;
    r += 'y';
    texts.Report(messages, n);
    return true;
}

bool CDatev::OldBooking(const CBuchungenData& b, int n, long long cents, std::string& messages,
                        std::string& r) const {
    if (b.habenKonto < 0 || b.habenKonto > kMaxOldAccount)
        return messages += NotInOldFormat(n, "Haben-Konto", std::to_string(b.habenKonto), "das Konto"), false;
    if (b.sollKonto < 0 || b.sollKonto > kMaxOldAccount)
        return messages += NotInOldFormat(n, "Soll-Konto", std::to_string(b.sollKonto), "das Konto"), false;
    char currency = OldCurrency(b.waehrung);
    if (!currency) return messages += NotInOldFormat(n, "Währung", b.waehrung, "die Währung"), false;
    CKneText texts;
    r.clear();
    AppendSigned(r, cents);
    r += 'a';
    // Posting key and contra account form one number; a key read back as "absent" (-1) is none.
    std::string keyAndAccount = (b.datevSchluessel > 0 ? std::to_string(b.datevSchluessel) : std::string()) +
                                CTool::Format("%05d", b.habenKonto);
    r += keyAndAccount.substr(std::min(keyAndAccount.find_first_not_of('0'), keyAndAccount.size()));
    AppendPart(r, 'b', texts.Checked(messages, n, "Buchungsnummer", b.buchungsnummer, 0, 6, true));
    AppendPart(r, 'c', texts.Checked(messages, n, "Belegnummer 2", b.belegnummer2, 0, 6, true));
    AppendDayMonth(r, b.datum);
    AppendTagged(r, 'e', b.sollKonto);
    std::string_view kost1 = texts.Checked(messages, n, "Kostenstelle 1", b.kostenstelle1, 0, 4, true);
    if (!kost1.empty()) AppendTagged(r, 'f', CTool::ToInt(std::string(kost1)));
    std::string_view kost2 = texts.Checked(messages, n, "Kostenstelle 2", b.kostenstelle2, 0, 4, true);
    if (!kost2.empty()) AppendTagged(r, 'g', CTool::ToInt(std::string(kost2)));
    if (!AppendScaled(r, 'h', b.skonto, 2)) return messages += TooLarge(n, "Skonto"), false;
    AppendText(r, '\x1E', BookingText(b, n, texts, messages));
    // Bounded like every other field so that a record always fits its block.
    AppendText(r, '\xBA', texts.Checked(messages, n, "Ust-ID", b.ustId, 0, 15, false));
    if (!AppendScaled(r, 'j', b.euSteuersatz, 2)) return messages += TooLarge(n, "EU-Steuersatz"), false;
    r += 'o';
    r += currency;
    r += 'y';
    if (b.waehrungskurs != 0.0)
        messages +=
            CTool::Format(Ansi("FEHLER: Zeile %d, Feld 'Waehrungskurs': Das alte DATEV-Format (DE001) hat "
                               "kein Feld für den Kurs %s; er wurde nicht exportiert.\r\n")
                              .c_str(),
                          n, CTool::FormatDecimal(b.waehrungskurs, 6).c_str());
    texts.Report(messages, n);
    return true;
}

int CDatev::WriteKneBookings(const std::string& folder, const CBuchungenCtrl* list, CFrontEnd& progress,
                             std::string& messages) {
    dataFileWritten = false;
    bool extended = IsExtendedFormat();
    std::string path = KnePath(folder, extended ? "ED00001" : "DE001");
    CKneFile file;
    if (!file.Open(path)) {
        progress.MessageBox("(E:305)\n" + path + Ansi(" konnte nicht geöffnet werden!"));
        return 0;
    }
    if (!list) {
        progress.MessageBox(Ansi("(E:306)\nKeine Buchungssätze vorhanden!"));
        return 0;
    }
    buchungsjahr = LastTwo(datumVon);
    if (LastTwo(datumBis) != buchungsjahr) {
        progress.MessageBox(
            Ansi("(E:307)\nEs dürfen nur Buchungen innerhalb eines Jahres exportiert werden!\n") +
            CTool::Format("Buchungen sind von: %s bis: %s", datumVon.c_str(), datumBis.c_str()));
        // Every booking would carry the year of Datum von: nothing is written.
        return 0;
    }

    file.Write(BookingsHeader(messages));
    if (extended) file.Write(VersionRecord('\xB5', messages));

    int count = list->GetCount();
    progress.SetProgressRange(0, count - 1);
    progress.SetProgressPos(0);
    int keyVon = DateKey(datumVon);
    int keyBis = DateKey(datumBis);
    std::string year = wirtschaftsjahrBeginn.size() > 4
                           ? wirtschaftsjahrBeginn.substr(wirtschaftsjahrBeginn.size() - 4)
                           : wirtschaftsjahrBeginn;
    int written = 0;
    __int128 sum = 0;
    std::string record;
    record.reserve(kRecordLimit);
    for (int i = 0; i < count; ++i) {
        const CBuchungenData* b = list->GetAt(i);
        if (!b->HasData()) continue;
        int key = DateKey(b->datum.size() == 6 ? b->datum + year : std::string(b->datum));
        if (key < keyVon || key > keyBis) continue;
        long long cents = 0;
        if (!Scaled(b->betrag, 2, kMaxCents, cents)) {
            messages += TooLarge(i + 1, "Betrag");
            continue;
        }
        if (!(extended ? ExtendedBooking(*b, i + 1, cents, messages, record)
                       : OldBooking(*b, i + 1, cents, messages, record)))
            continue;
        ++written;
        sum += cents;
        if (file.PositionInBlock() + static_cast<int>(record.size()) >= kRecordLimit) file.PadBlock();
        file.Write(record);
        progress.SetProgressPos(i);
    }

    std::string total(1, sum < 0 ? 'w' : 'x');
    total += Digits(sum < 0 ? -sum : sum);
    total += "yz";
    if (file.PositionInBlock() + static_cast<int>(total.size()) >= CKneFile::kBlockSize) file.PadBlock();
    file.Write(total);
    lastByteOffset = file.PositionInBlock() - 1;
    file.PadBlock();
    return FinishDataFile(file, path, 305, progress) ? written : 0;
}

bool CDatev::WriteKneControl(const std::string& folder, std::string& messages) {
    return WriteControl(folder, messages, false);
}
