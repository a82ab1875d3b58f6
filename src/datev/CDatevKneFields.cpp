#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CTool.h"
#include "datev/CKneFile.h"

#include <algorithm>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Stripped(const std::string& value) {
    size_t begin = 0;
    size_t end = value.size();
    while (begin < end && IsBlank(value[begin]))
        ++begin;
    while (end > begin && IsBlank(value[end - 1]))
        --end;
    return value.substr(begin, end - begin);
}

} // namespace

void CDatev::PutText(std::string& record, std::string& messages, const std::string& value,
                     const std::string& fieldName, int position, int width, bool required) {
    if (value.empty() && required) {
        messages +=
            CTool::Format(Ansi("FEHLER: Feld '%s' muss ausgefüllt sein !\r\n").c_str(), fieldName.c_str());
        return;
    }
    record.replace(static_cast<size_t>(position - 1), std::min(value.size(), static_cast<size_t>(width)),
                   value, 0, static_cast<size_t>(width));
}

void CDatev::PutNumber(std::string& record, std::string& messages, long long value,
                       const std::string& fieldName, int position, int width, bool required) {
    if (value == 0 && required) {
        messages +=
            CTool::Format(Ansi("FEHLER: Feld '%s' muss ausgefüllt sein !\r\n").c_str(), fieldName.c_str());
        return;
    }
    // A digit field cannot hold a sign: a negative value does not fit either.
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (value < 0 || digits.size() > static_cast<size_t>(width)) {
        messages += CTool::Format(
            Ansi("FEHLER: Der Wert des Feldes '%s' überschreitet max. Stellenanzahl (%d)!\r\n").c_str(),
            fieldName.c_str(), width);
        return;
    }
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    record.replace(static_cast<size_t>(position - 1), digits.size(), digits);
}

std::string CDatev::CheckValue(std::string& messages, int recordNumber, const std::string& fieldName,
                               const std::string& value, size_t minimum, size_t maximum, bool digitsOnly) {
    static const std::string changedNote =
        Ansi("HINWEIS: Zeile %d, Feld '%s' darf nur Zahlen enthalten. '%s' wurde auf '%s' geändert\r\n");
    static const std::string cutNote =
        Ansi("HINWEIS: Zeile %d, Feld '%s' darf maximal %d Zeichen haben. '%s' wurde auf '%s' gekürzt\r\n");
    std::string result = Stripped(value);
    if (digitsOnly) {
        std::string digits;
        for (char c : result)
            if (c >= '0' && c <= '9') digits += c;
        if (digits != result)
            messages += CTool::Format(changedNote.c_str(), recordNumber, fieldName.c_str(), result.c_str(),
                                      digits.c_str());
        result = std::move(digits);
    }
    if (result.size() < minimum) return " ";
    if (result.size() > maximum) {
        std::string cut = result.substr(0, maximum);
        messages += CTool::Format(cutNote.c_str(), recordNumber, fieldName.c_str(), static_cast<int>(maximum),
                                  result.c_str(), cut.c_str());
        return cut;
    }
    return result;
}

std::string CDatev::KnePath(const std::string& folder, const char* name) {
    return folder.empty() ? std::string(name) : folder + "/" + name;
}

void CDatev::PutDatentraeger(std::string& record, std::string& messages) const {
    static const std::string field = Ansi("Datenträger-Nummer");
    if (IsExtendedFormat())
        PutNumber(record, messages, datentraegerNummer, field, 4, 3, true);
    else
        PutText(record, messages, std::to_string(datentraegerNummer), field, 4, 3, true);
}

bool CDatev::FinishDataFile(CKneFile& file, const std::string& path, int errorCode, CFrontEnd& progress) {
    blockCount = static_cast<int>(file.Position() / CKneFile::kBlockSize);
    pendingData.reset();
    if (!file.Finish()) {
        progress.MessageBox(CTool::Format("(E:%d)\n", errorCode) + path +
                            Ansi(" konnte nicht vollständig geschrieben werden!"));
        return false;
    }
    pendingData = file.Release();
    dataFileWritten = true;
    return true;
}

std::string CDatev::HeaderStart(size_t length, int anwendungsnummer, std::string& messages) const {
    std::string header(length, ' ');
    header[0] = '\x1D';
    header[1] = '\x18';
    header[2] = '1';
    PutDatentraeger(header, messages);
    PutNumber(header, messages, anwendungsnummer, "Anwendungsnummer", 7, 2, false);
    PutText(header, messages, dfvKennzeichen, Ansi("Namenskürzel"), 9, 2, false);
    PutNumber(header, messages, beraterNummer, "Beraternummer", 11, 7, true);
    PutNumber(header, messages, mandantenNummer, "Mandantennummer", 18, 5, true);
    return header;
}

void CDatev::PutVersion(std::string& record, std::string& messages, int position) const {
    PutText(record, messages, "1,", "Versionsnummer", position, 2, false);
    PutNumber(record, messages, kontonummernLaenge, Ansi("Aufgez. Sachkontonr.länge"), position + 2, 1,
              false);
    PutText(record, messages, ",", "Trennzeichen", position + 3, 1, false);
    PutNumber(record, messages, kontonummernLaenge, Ansi("Gespeich. Sachkontonr.länge"), position + 4, 1,
              false);
    PutText(record, messages, ",", "Trennzeichen", position + 5, 1, false);
    PutText(record, messages, "----", Ansi("Produktkürzel"), position + 6, 4, false);
}

std::string CDatev::VersionRecord(char mark, std::string& messages) const {
    std::string record(13, ' ');
    record[0] = mark;
    PutVersion(record, messages, 2);
    record[11] = '\x1C';
    PutText(record, messages, "y", "Satzende", 13, 1, false);
    return record;
}

std::string CDatev::ControlRecord1(std::string& messages) const {
    bool extended = IsExtendedFormat();
    std::string record(extended ? 128 : 64, ' ');
    static const std::string field = Ansi("Datenträger-Nummer");
    if (extended)
        PutNumber(record, messages, datentraegerNummer, field, 1, 3, false);
    else
        PutText(record, messages, std::to_string(datentraegerNummer), field, 1, 3, false);
    PutNumber(record, messages, beraterNummer, "Beraternummer", 7, 7, false);
    PutText(record, messages, beraterName, "Beratername", 14, 9, false);
    if (extended) {
        PutNumber(record, messages, 1, "Anzahl Datendateien", 24, 5, false);
        PutNumber(record, messages, 1, "Letzte Datendateinummer", 29, 5, false);
    } else {
        record.replace(23, 4, std::string("\x01\x00\x01\x00", 4));
    }
    return record;
}

bool CDatev::PutOldControlTail(std::string& record, const std::string& folder, int endOffset) {
    if (blockCount > 0xFFFF) {
        // The data file cannot be described, so it must not replace the previous one.
        std::string dataPath = KnePath(folder, "DE001");
        pendingData.reset();
        frontEnd.MessageBox(
            CTool::Format(Ansi("(E:308)\n%s hat %d Blöcke; das alte DATEV-Format erlaubt höchstens "
                               "65535. Die Dateien wurden nicht geschrieben.")
                              .c_str(),
                          dataPath.c_str(), blockCount));
        return false;
    }
    auto put16 = [&record](int position, int value) {
        record[static_cast<size_t>(position - 1)] = static_cast<char>(value & 0xFF);
        record[static_cast<size_t>(position)] = static_cast<char>((value >> 8) & 0xFF);
    };
    put16(49, blockCount);
    put16(51, endOffset);
    put16(53, 1);
    record[63] = '1';
    return true;
}

bool CDatev::WriteControl(const std::string& folder, std::string& messages, bool master) {
    bool extended = IsExtendedFormat();
    std::string record(extended ? 128 : 64, ' ');
    int shift = extended ? 0 : 3; // the old record has a binary file number instead of "00001"
    PutText(record, messages, "V", "Verarbeitungs-Kennzeichen", 1, 1, false);
    if (extended)
        PutNumber(record, messages, 1, "Datei-Nummer", 2, 5, false);
    else
        record.replace(1, 2, std::string("\x01\x00", 2));
    PutNumber(record, messages, master ? 13 : 11, "Anwendungsnummer", 7 - shift, 2, false);
    PutText(record, messages, dfvKennzeichen, Ansi("Namenskürzel"), 9 - shift, 2, false);
    PutNumber(record, messages, beraterNummer, "Beraternummer", 11 - shift, 7, false);
    PutNumber(record, messages, mandantenNummer, "Mandantennummer", 18 - shift, 5, false);
    PutNumber(record, messages, abrechnungsNummer, "Abrechnungsnummer", 23 - shift, master ? 6 : 4, false);
    if (!master) {
        PutText(record, messages, buchungsjahr, "/Buchungsjahr", 27 - shift, 2, false);
        PutText(record, messages, "0000", Ansi("(Führungsnullen)"), 29 - shift, 4, false);
        PutText(record, messages, CTool::ConvertDate(datumVon, "TT.MM.JJJJ", "TTMMJJ"), "Datum von",
                33 - shift, 6, false);
        PutText(record, messages, CTool::ConvertDate(datumBis, "TT.MM.JJJJ", "TTMMJJ"), "Datum bis",
                39 - shift, 6, false);
    }
    PutText(record, messages, "001", "Primanota-Seite", 45 - shift, 3, false);
    PutText(record, messages, passwort, "Passwort", 48 - shift, 4, false);
    if (extended) {
        PutNumber(record, messages, blockCount, "Letzte Block-Nummer", 52, 5, false);
        PutText(record, messages, "001", "letzte Primanota-Seite", 57, 3, false);
        PutText(record, messages, "1", "Sonderverarbeitung", 61, 1, false);
        PutVersion(record, messages, 62);
    } else if (!PutOldControlTail(record, folder, lastByteOffset)) {
        return false;
    }

    std::string path = KnePath(folder, extended ? "EV01" : "DV01");
    CKneFile file;
    if (!file.Open(path)) {
        pendingData.reset();
        frontEnd.MessageBox("(E:308)\n" + path + Ansi(" konnte nicht geöffnet werden!"));
        return false;
    }
    file.Write(ControlRecord1(messages));
    file.Write(record);
    std::unique_ptr<CTargetFile> data = std::move(pendingData);
    if (!data || !file.Finish() || !CTargetFile::CommitPair(*data, file.Target())) {
        frontEnd.MessageBox("(E:308)\n" + path + Ansi(" konnte nicht vollständig geschrieben werden!"));
        return false;
    }
    return true;
}
