#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CPlatform.h"
#include "core/CTargetFile.h"
#include "core/CTool.h"
#include "core/CValueCheck.h"
#include "datev/CDatevDialog.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const char* const kAngabenFile = "angaben_datev.txt";
const size_t kMaxAngabenLine = 254;

struct CFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using CFilePtr = std::unique_ptr<std::FILE, CFileCloser>;

std::string Strip(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

// The leading decimal integer of a value: blanks and a sign may come first.
int LeadingNumber(const std::string& text) {
    return CTool::ToInt(text);
}

bool HasLeadingNumber(const std::string& text) {
    size_t i = text.find_first_not_of(" \t");
    if (i != std::string::npos && (text[i] == '+' || text[i] == '-')) ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

// Lines 3 to 14 of the parameter file, value text before the first "("; lines beyond a line too
// long to read stay missing.
struct CAngabenValues {
    std::vector<std::string> values;
    size_t read = 0; // values actually read
    bool tooLong = false;
};

CAngabenValues ReadAngabenValues(std::FILE* file) {
    CAngabenValues result;
    std::vector<std::string>& values = result.values;
    std::string line;
    int lineNumber = 0;
    bool& tooLong = result.tooLong;
    auto take = [&]() {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > kMaxAngabenLine) tooLong = true;
        if (lineNumber > 2 && !tooLong) values.push_back(line.substr(0, line.find('(')));
        line.clear();
    };
    int c;
    while (!tooLong && (c = std::fgetc(file)) != EOF) {
        if (c == '\n')
            take();
        else
            line += static_cast<char>(c);
    }
    if (!line.empty() && !tooLong) take();
    result.read = std::min<size_t>(values.size(), 12);
    values.resize(12);
    return result;
}

// The numbers among lines 3 to 14, with the names the file's comments give them.
struct CNumberLine {
    size_t index; // 0 = line 3
    const char* name;
};
const CNumberLine kNumberLines[] = {
    {0, "Beraternummer"},     {2, "Mandantennummer"},         {4, "Datentr\xE4gernummer"},
    {5, "Abrechnungsnummer"}, {7, "Kontonummernerweiterung"}, {8, "Kontonummernl\xE4nge"},
    {10, "DatevPro-Version"}, {11, "Festschreibung"},
};

// A FEHLER line for every number that cannot be read: a garbled file must not pass as zeros (an
// old KNE format, an empty consultant) without a word.
void CheckNumbers(const CAngabenValues& v, const std::string& path, std::string& findings) {
    for (const CNumberLine& n : kNumberLines) {
        if (n.index < v.read && HasLeadingNumber(v.values[n.index])) continue;
        const int line = static_cast<int>(n.index) + 3;
        if (n.index >= v.read && !v.tooLong) continue; // a missing line keeps its start rule
        findings += CTool::Format("FEHLER: DATEV-Angaben '%s', Zeile %d (%s): ", path.c_str(), line, n.name) +
                    (n.index < v.read ? "'" + v.values[n.index] + "' ist keine Zahl.\r\n"
                                      : std::string("nicht lesbar (eine Zeile davor ist zu lang).\r\n"));
    }
}

} // namespace

CDatev::CDatev(CFrontEnd& frontEndRef) : frontEnd(frontEndRef) {
    CIniEx settings;
    if (settings.Open("pelko.ini", false, false)) {
        settings.GetString("einstellungen", "stammdaten_ausgabe", stammdatenAusgabe);
        if (!settings.GetInt("einstellungen", "laenge_buchungstext", laengeBuchungstext))
            laengeBuchungstext = 30;
    }
    mapping.Open("stammdaten_umsetzung.ini", false, false);
}

void CDatev::ResetAngaben() {
    beraterNummer = 0;
    beraterName.clear();
    mandantenNummer = 0;
    dfvKennzeichen.clear();
    datentraegerNummer = 1;
    abrechnungsNummer = 1;
    passwort.clear();
    kontonummernErweiterung = 1;
    kontonummernLaenge = 4;
    wirtschaftsjahrBeginn = "01.01.2000";
    datevProVersion = 700;
    festschreibung = 1;
}

bool CDatev::LoadAngaben(const std::string& path, std::string* findings) {
    std::string location = path.empty() ? CTool::FindDataFile(kAngabenFile) : path;
    CFilePtr file(CPlatform::OpenFile(location, "rb"));
    if (!file) {
        ResetAngaben();
        return false;
    }
    CAngabenValues read = ReadAngabenValues(file.get());
    if (findings) CheckNumbers(read, location, *findings);
    const std::vector<std::string>& v = read.values;
    beraterNummer = LeadingNumber(v[0]);
    beraterName = Strip(v[1].substr(0, 9));
    mandantenNummer = LeadingNumber(v[2]);
    dfvKennzeichen = Strip(v[3].substr(0, 2));
    datentraegerNummer = LeadingNumber(v[4]);
    abrechnungsNummer = LeadingNumber(v[5]);
    passwort = Strip(v[6].substr(0, 4));
    kontonummernErweiterung = LeadingNumber(v[7]);
    kontonummernLaenge = LeadingNumber(v[8]);
    wirtschaftsjahrBeginn = Strip(v[9]);
    datevProVersion = LeadingNumber(v[10]);
    festschreibung = LeadingNumber(v[11]);
    return true;
}

bool CDatev::SaveAngaben() {
    if (kontonummernLaenge < 4) kontonummernLaenge = 4;
    std::string text = "DATEV-Angaben:\r\n--------------\r\n";
    auto line = [&text](const std::string& value, const char* separator, const std::string& comment) {
        text += value + separator + comment + "\r\n";
    };
    // Texts are written no longer than they are read back: a line beyond 254 characters would end
    // the reading and lose every later value.
    line(std::to_string(beraterNummer), "\t\t", "(Beraternummer: 7 stellig)");
    line(beraterName.substr(0, 9), "\t", "(Beratername: 9 stellig)");
    line(std::to_string(mandantenNummer), "\t\t", "(Mandantennummer: 5 stellig)");
    line(dfvKennzeichen.substr(0, 2), "\t\t", "(DFV-Kennzeichen: 2 stellig)");
    line(std::to_string(datentraegerNummer), "\t\t", Ansi("(Datenträgernummer: 6 stellig)"));
    line(std::to_string(abrechnungsNummer), "\t\t", "(Abrechnungsnummer: 4 stellig, bei Stammd. 6 stellig)");
    line(passwort.substr(0, 4), "\t\t", "(Passwort: 4 stellig)");
    line(std::to_string(kontonummernErweiterung), "\t\t", "(Kontonummernerweiterung: 0=nein, 1=ja)");
    line(std::to_string(kontonummernLaenge), "\t\t", Ansi("(Kontonummernlänge)"));
    line(wirtschaftsjahrBeginn.substr(0, 10), "\t\t",
         "(DatevPro: Beginn des Wirtschaftsjahres 'TT.MM.JJJJ')");
    line(std::to_string(datevProVersion), "\t\t", "(DatevPro: Version: 300=V3.0, 510=V5.1, 700=V7.0)");
    line(std::to_string(festschreibung), "\t\t", "(DatevPro: Festschreibung: 0=nein, 1=ja)");

    CTargetFile file;
    if (file.Open(CTool::GetDataDir(true) + "/" + kAngabenFile) && file.Write(text) && file.Commit())
        return true;
    frontEnd.MessageBox(Ansi("(E:304)\nANGABEN_DATEV.TXT konnte nicht geöffnet werden!"));
    return false;
}

namespace {

// The number ToInt reads of datum's characters at the places given, in their order: for digits
// alone (nearly every date) without building the text.
template <size_t N> int NumberAt(std::string_view datum, const size_t (&places)[N]) {
    unsigned value = 0; // wraps harmlessly where a character is no digit
    bool digits = true;
    for (size_t i : places) {
        const unsigned digit = static_cast<unsigned char>(datum[i]) - unsigned{'0'};
        digits &= digit <= 9;
        value = value * 10 + digit;
    }
    if (digits) return static_cast<int>(value);
    std::string text;
    for (size_t i : places)
        text += datum[i];
    return CTool::ToInt(text);
}

} // namespace

int CDatev::DateKey(std::string_view datum) {
    // What converting to "JJJJMMTT" (or "MMTT") and reading the number gives, without the general
    // date conversion: the key is taken for every booking of an export.
    static constexpr size_t kFull[] = {6, 7, 8, 9, 3, 4, 0, 1};
    static constexpr size_t kDayMonth[] = {3, 4, 0, 1};
    if (datum.size() == 10) return NumberAt(datum, kFull);
    if (datum.size() == 6) return NumberAt(datum, kDayMonth);
    return 0;
}

void CDatev::SetDateRange(const CBuchungenCtrl& list) {
    int smallest = 99999999;
    int largest = 0;
    for (int i = 0; i < list.GetCount(); ++i) {
        // Only the date is read: a booking with a date has data (HasData).
        const std::string_view datum = list.TextAt(i, &CBuchungenData::datum);
        // A date that is no calendar date or has no year says nothing about the range: taken, it
        // would give the header 00000000 or move every other booking out of the range.
        if (!CValueCheck::IsFullDate(datum)) continue;
        int key = DateKey(datum);
        if (key < smallest) {
            smallest = key;
            datumVon = datum;
        }
        if (key > largest) {
            largest = key;
            datumBis = datum;
        }
    }
}

std::string CDatev::MapValue(const char* section, const std::string& key, const std::string& fallback) const {
    std::string value;
    return mapping.GetString(section, key, value) ? value : fallback;
}

CDatev::EPrepared CDatev::PrepareDatevTarget(CPelkoDoc& doc, int dataType, bool datevPro, bool automatic,
                                             std::string& messages) {
    std::string findings;
    bool loaded = LoadAngaben(doc.datevParamFile, &findings);
    const std::string& named = doc.datevParamFile;
    if (!named.empty() && !loaded) {
        frontEnd.MessageBox(CTool::Format(Ansi("(E:330)\nDie Datei mit den DATEV-Angaben (%s) konnte nicht "
                                               "gelesen werden.\nDer Export wird abgebrochen.")
                                              .c_str(),
                                          named.c_str()),
                            CFrontEnd::EIcon::Error);
        return EPrepared::Failed;
    }
    if (!findings.empty()) {
        messages += findings;
        frontEnd.MessageBox(
            CTool::Format(Ansi("(E:330)\nDie Datei mit den DATEV-Angaben (%s) enthält Zeilen, "
                               "die nicht gelesen werden können.\nDer Export wird abgebrochen.")
                              .c_str(),
                          (named.empty() ? CTool::FindDataFile(kAngabenFile) : named).c_str()),
            CFrontEnd::EIcon::Error);
        return EPrepared::Failed;
    }
    if (dataType == CPelkoDoc::Bookings) SetDateRange(doc.buchungen);
    ApplyCommandLine(doc.datevValues);

    CDatevDialog dialog(*this);
    dialog.masterMode = dataType == CPelkoDoc::Master;
    dialog.datevProMode = datevPro;
    bool showDialog = automatic ? !doc.automatic || doc.forceDatevDialog
                                : doc.datevParamFile.empty() || !doc.automatic || doc.forceDatevDialog;
    if (showDialog) {
        dialog.Open();
        if (!frontEnd.RunDialog(dialog)) return EPrepared::Cancelled;
    }
    SaveAngaben();
    return EPrepared::Ready;
}

void CDatev::ApplyCommandLine(const CDatevValues& values) {
    auto number = [](const std::string& text, int& target) {
        if (!text.empty()) target = CTool::ToInt(text);
    };
    auto text = [](const std::string& value, std::string& target) {
        if (!value.empty()) target = value;
    };
    number(values.beraterNummer, beraterNummer);
    text(values.beraterName, beraterName);
    number(values.mandantenNummer, mandantenNummer);
    text(values.dfvKennzeichen, dfvKennzeichen);
    number(values.datentraegerNummer, datentraegerNummer);
    number(values.abrechnungsNummer, abrechnungsNummer);
    text(values.passwort, passwort);
    number(values.kne, kontonummernErweiterung);
    number(values.kontoLaenge, kontonummernLaenge);
    number(values.version, datevProVersion);
    text(values.wirtschaftsjahr, wirtschaftsjahrBeginn);
    number(values.festschreibung, festschreibung);
}
