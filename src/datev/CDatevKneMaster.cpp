#include "datev/CDatev.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CTool.h"
#include "datev/CKneFile.h"
#include "datev/CKneText.h"

namespace {

// A field record must end at byte 250 of its block at the latest.
const int kFieldLimit = 250;

std::string Padded(const std::string& value, size_t length) {
    std::string result = value.substr(0, length);
    result.resize(length, ' ');
    return result;
}

struct CField {
    int tag;
    const char* name;
    std::string value;
    size_t maximum;
};

} // namespace

std::string CDatev::MasterHeader(std::string& messages) const {
    std::string header = HeaderStart(65, 13, messages);
    PutNumber(header, messages, abrechnungsNummer, "Abrechnungsnummer", 23, 6, false);
    PutText(header, messages, passwort, "Passwort", 29, 4, false);
    PutText(header, messages, "y", "Satzende", 65, 1, false);
    return header;
}

void CDatev::WriteMasterRecord(CKneFile& file, const CStammData& s, int n, std::string& messages) const {
    static const std::string tooLong =
        Ansi("FEHLER: Zeile %d: Feld '%s': Inhalt '%s' ist zu gross und wird gekürzt! (Ist:%d, Max:%d)\r\n");
    bool variant1 = stammdatenAusgabe == "VARIANTE-1";
    std::string prefix = variant1 ? "000" : "";
    auto fixed = [variant1](const std::string& value, size_t length) {
        return variant1 ? Padded(value, length) : value;
    };
    std::string ustId = variant1 && !s.ustIdnr.empty() ? Padded(s.ustIdnr, 15) : std::string(s.ustIdnr);
    std::string anrede = s.anrede.empty() ? "" : MapValue(kOutAnrede, s.anrede, "1");
    std::string land = s.land.empty() ? "" : MapValue(kOutLand, s.land, s.land);
    const CField fields[] = {
        {101, "Ersteingabe", "1", 1},
        {102, "Kontonummer", CTool::FormatInt(s.datevKonto), 9},
        {104, "Kundennr.", fixed(s.kundennummer, 10), 15},
        {103, "Name 1", fixed(s.name1, 20), 40},
        {203, "Name 2", fixed(s.name2, 20), 40},
        {108, "Strasse", fixed(s.strasse, 20), 36},
        {106, "PLZ", fixed(s.postleitzahl, 10), 10},
        {107, "Ort", fixed(s.ort, 20), 30},
        {109, "Anrede", anrede, 1},
        {130, "Bank", variant1 ? "" : s.bank, 27},
        {132, "Konto", variant1 ? "" : s.kontonummer, 30},
        {133, "BLZ", variant1 ? "" : s.bankleitzahl, 8},
        {500, "UstID", ustId, 15},
        {700, "Postfach", s.postfach, 10},
        {702, "Land", land, 3},
        {710, "Telefon", s.telefon, 20},
        {711, "Fax", s.fax, 20},
        {712, "EMail", s.email, 60},
        {811, "Land Kennz 1", s.laenderkennz, 2},
        {815, "IBAN 1", s.iban, 34},
        {816, "SWIFT 1", s.swift, 11},
        {821, "Land Kennz 2", s.laenderkennz2, 2},
        {823, "Bank 2", s.bank2, 27},
        {825, "IBAN 2", s.iban2, 34},
        {826, "SWIFT 2", s.swift2, 11},
    };
    CKneText texts;
    std::string record;
    for (const CField& field : fields) {
        if (field.value.empty()) continue;
        std::string value = texts.Blanked(field.value, field.name);
        if (value.size() > field.maximum) {
            messages += CTool::Format(tooLong.c_str(), n, field.name, value.c_str(),
                                      static_cast<int>(value.size()), static_cast<int>(field.maximum));
            value.resize(field.maximum);
        }
        value = texts.ToOem(value, field.name);
        record = "t" + prefix + std::to_string(field.tag) + '\x1E' + value + "\x1Cy";
        if (file.PositionInBlock() + static_cast<int>(record.size()) > kFieldLimit) file.PadBlock();
        file.Write(record);
    }
    texts.Report(messages, n);
}

int CDatev::WriteKneMaster(const std::string& folder, const CStammCtrl& list, CFrontEnd& progress,
                           std::string& messages) {
    dataFileWritten = false;
    bool extended = IsExtendedFormat();
    std::string path = KnePath(folder, extended ? "ED00001" : "DE001");
    CKneFile file;
    if (!file.Open(path)) {
        progress.MessageBox("(E:327)\n" + path + Ansi(" konnte nicht geöffnet werden!"));
        return 0;
    }
    int count = list.GetCount();
    if (count == 0) {
        progress.MessageBox("(E:328)\nKeine Stammdaten vorhanden!");
        return 0;
    }
    file.Write(MasterHeader(messages));
    if (extended) file.Write(VersionRecord('\xB6', messages));
    progress.SetProgressRange(0, count - 1);
    progress.SetProgressPos(0);
    for (int i = 0; i < count; ++i) {
        WriteMasterRecord(file, *list.GetAt(i), i + 1, messages);
        progress.SetProgressPos(i);
    }
    long long endOffset = file.Position();
    file.Write("z");
    lastByteOffset = static_cast<int>(endOffset % CKneFile::kBlockSize);
    // The end mark is always followed by at least one NUL byte, on a block border by a whole block.
    file.Write(std::string(static_cast<size_t>(CKneFile::kBlockSize - file.PositionInBlock()), '\0'));
    return FinishDataFile(file, path, 327, progress) ? count : 0;
}

bool CDatev::WriteKneMasterControl(const std::string& folder, std::string& messages) {
    return WriteControl(folder, messages, true);
}
