#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "datev/CKneFile.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Records must end before byte 237 of their block; the longest booking without text is 166
// bytes, so a text of up to 60 characters always fits.
const int kMaxBookingText = 60;
const int kRecordLimit = 237;
const double kMaxCents = 1e18;

std::string LastTwo(const std::string& text) {
    return text.size() <= 2 ? text : text.substr(text.size() - 2);
}

// value × factor as an integer (rounded half away from zero or truncated); false when the result
// is no finite number within limit, so that it is never written as a wrapped or clamped value.
bool Scaled(double value, double factor, bool round, double limit, long long& out) {
    double x = value * factor;
    if (!std::isfinite(x)) return false;
    x = round ? std::round(x) : std::trunc(x);
    if (std::fabs(x) > limit) return false;
    out = static_cast<long long>(x);
    return true;
}

void AppendSigned(std::string& record, long long cents) {
    record += cents < 0 ? '-' : '+';
    record += std::to_string(cents < 0 ? -cents : cents);
}

std::string Digits(__int128 value) {
    std::string digits;
    for (; value > 0; value /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    return digits;
}

// "d", day without leading zeros, month as in "TT.MM.JJJJ".
void AppendDayMonth(std::string& record, const std::string& datum) {
    std::string day = datum.substr(0, 2);
    day.erase(0, day.find_first_not_of('0') == std::string::npos ? day.size() : day.find_first_not_of('0'));
    record += 'd';
    record += day;
    if (datum.size() > 3) record += datum.substr(3, 2);
}

void AppendText(std::string& record, char mark, const std::string& value) {
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

// "h", "j" and "n" parts: truncated toward zero, left out when 0.
bool AppendScaled(std::string& record, char tag, double value, double factor) {
    if (value == 0.0) return true;
    long long scaled = 0;
    if (!Scaled(value, factor, false, INT_MAX, scaled)) return false;
    record += tag;
    record += std::to_string(scaled);
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

std::string CDatev::BookingText(const CBuchungenData& b, int recordNumber, std::string& messages) const {
    // Checked before the OEM conversion so that the notice shows the text as the user knows it;
    // the conversion keeps the length, so the written bytes are the same.
    size_t maximum = static_cast<size_t>(std::clamp(laengeBuchungstext, 0, kMaxBookingText));
    std::string text = CheckValue(messages, recordNumber, "Buchungstext", b.buchungstext, 0, maximum, false);
    CCodePage::AnsiToOemInPlace(text);
    return text;
}

std::string CDatev::ExtendedBooking(const CBuchungenData& b, int n, long long cents,
                                    std::string& messages) const {
    static const std::string waehrung = Ansi("Währung");
    std::string r;
    r.reserve(kRecordLimit);
    AppendSigned(r, cents);
    if (b.datevSchluessel > 0) r += 'l' + std::to_string(b.datevSchluessel);
    r += 'a' + std::to_string(b.habenKonto);
    AppendText(r, '\xBD', CheckValue(messages, n, "Buchungsnummer", b.buchungsnummer, 0, 12, false));
    AppendText(r, '\xBE', CheckValue(messages, n, "Belegnummer 2", b.belegnummer2, 0, 12, false));
    AppendDayMonth(r, b.datum);
    r += 'e' + std::to_string(b.sollKonto);
    AppendText(r, '\xBB', CheckValue(messages, n, "Kostenstelle 1", b.kostenstelle1, 0, 8, false));
    AppendText(r, '\xBC', CheckValue(messages, n, "Kostenstelle 2", b.kostenstelle2, 0, 8, false));
    if (!AppendScaled(r, 'h', b.skonto, 100)) return messages += TooLarge(n, "Skonto"), std::string();
    AppendText(r, '\x1E', BookingText(b, n, messages));
    AppendText(r, '\xBA', CheckValue(messages, n, "Ust-ID", b.ustId, 0, 13, false));
    if (!AppendScaled(r, 'j', b.euSteuersatz, 100))
        return messages += TooLarge(n, "EU-Steuersatz"), std::string();
    std::string currency = b.waehrung.empty() || b.waehrung == "\x80" ? "EUR" : b.waehrung;
    r += '\xB3';
    r += Upper(CheckValue(messages, n, waehrung, currency, 1, 3, false));
    r += '\x1C';
    if (!AppendScaled(r, 'n', b.waehrungskurs, 1000000))
        return messages += TooLarge(n, "Waehrungskurs"), std::string();
    r += 'y';
    return r;
}

std::string CDatev::OldBooking(const CBuchungenData& b, int n, long long cents, std::string& messages) const {
    std::string r;
    r.reserve(kRecordLimit);
    AppendSigned(r, cents);
    r += 'a';
    // Posting key and contra account form one number; a key read back as "absent" (-1) is none.
    std::string keyAndAccount = (b.datevSchluessel > 0 ? std::to_string(b.datevSchluessel) : std::string()) +
                                CTool::Format("%05d", b.habenKonto);
    r += keyAndAccount.substr(std::min(keyAndAccount.find_first_not_of('0'), keyAndAccount.size()));
    std::string beleg1 = CheckValue(messages, n, "Buchungsnummer", b.buchungsnummer, 0, 6, true);
    if (!beleg1.empty()) r += 'b' + beleg1;
    std::string beleg2 = CheckValue(messages, n, "Belegnummer 2", b.belegnummer2, 0, 6, true);
    if (!beleg2.empty()) r += 'c' + beleg2;
    AppendDayMonth(r, b.datum);
    r += 'e' + std::to_string(b.sollKonto);
    std::string kost1 = CheckValue(messages, n, "Kostenstelle 1", b.kostenstelle1, 0, 4, true);
    if (!kost1.empty()) r += 'f' + std::to_string(CTool::ToInt(kost1));
    std::string kost2 = CheckValue(messages, n, "Kostenstelle 2", b.kostenstelle2, 0, 4, true);
    if (!kost2.empty()) r += 'g' + std::to_string(CTool::ToInt(kost2));
    if (!AppendScaled(r, 'h', b.skonto, 100)) return messages += TooLarge(n, "Skonto"), std::string();
    AppendText(r, '\x1E', BookingText(b, n, messages));
    // Bounded like every other field so that a record always fits its block.
    AppendText(r, '\xBA', CheckValue(messages, n, "Ust-ID", b.ustId, 0, 15, false));
    if (!AppendScaled(r, 'j', b.euSteuersatz, 100))
        return messages += TooLarge(n, "EU-Steuersatz"), std::string();
    r += 'o';
    r += !b.waehrung.empty() && b.waehrung[0] == 'D' ? '2' : '1';
    r += 'y';
    return r;
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
    if (LastTwo(datumBis) != buchungsjahr)
        progress.MessageBox(
            Ansi("(E:307)\nEs dürfen nur Buchungen innerhalb eines Jahres exportiert werden!\n") +
            CTool::Format("Buchungen sind von: %s bis: %s", datumVon.c_str(), datumBis.c_str()));

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
    for (int i = 0; i < count; ++i) {
        const CBuchungenData* b = list->GetAt(i);
        if (!b->HasData()) continue;
        int key = DateKey(b->datum.size() == 6 ? b->datum + year : b->datum);
        if (key < keyVon || key > keyBis) continue;
        long long cents = 0;
        if (!Scaled(b->betrag, 100, true, kMaxCents, cents)) {
            messages += TooLarge(i + 1, "Betrag");
            continue;
        }
        std::string record =
            extended ? ExtendedBooking(*b, i + 1, cents, messages) : OldBooking(*b, i + 1, cents, messages);
        if (record.empty()) continue;
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
