#include "text/CRtfList.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"
#include "core/CStepCode.h"
#include "core/CTargetFile.h"
#include "core/CTool.h"
#include "text/CModulCSV.h"

#include <vector>

namespace {

const char* const kRowEnd = "\\nowidctlpar\\widctlpar\\intbl\\adjustright {\\row }";

// Collects the document and hands it to the file in large pieces; every piece is checked.
class CRtfOut {
public:
    explicit CRtfOut(CTargetFile& targetFile) : target(targetFile) { text.reserve(kFlushAt + 4096); }
    void Line(const std::string& line) {
        text += line;
        EndLine();
    }
    void EndLine() {
        text += "\r\n";
        if (text.size() >= kFlushAt) Flush();
    }
    std::string& Text() { return text; }
    // The rest of the document, then the list takes the target's place; false after any failure.
    bool Commit() {
        Flush();
        return target.Commit();
    }

private:
    static constexpr size_t kFlushAt = 1 << 20;
    void Flush() {
        target.Write(text);
        text.clear();
    }
    CTargetFile& target;
    std::string text;
};

void AppendCell(std::string& row, std::string_view value) {
    CRtfList::AppendEscaped(row, value);
    row += "\\cell ";
}

void WriteTableStart(CRtfOut& out, const std::string& title, const std::vector<int>& borders,
                     const std::vector<std::string>& headings) {
    out.Line("{\\rtf1\\ansi \\deff0 {\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}");
    out.Line("\\f0\\fs25\\b " + title + ":\\par");
    out.Line("\\f0\\fs15 \\par");
    std::string rowDefinition = "\\trowd \\trgaph70\\trleft-70";
    for (int border : borders)
        rowDefinition += CTool::Format("\\clvertalt\\cltxlrtb \\cellx%d", border);
    out.Line(rowDefinition + "\\pard");
    out.Line("\\nowidctlpar\\widctlpar\\intbl\\adjustright");
    std::string row = "{";
    for (const std::string& heading : headings)
        row += heading + "\\cell ";
    out.Line(row + "}\\pard");
    out.Line(std::string(kRowEnd) + "\\b0");
}

void WriteTableEnd(CRtfOut& out) {
    out.Line("\\pard \\nowidctlpar\\widctlpar\\adjustright }");
}

// Accounts and keys: negative numbers are left out, 0 is shown.
std::string NonNegative(int n) {
    return n < 0 ? std::string() : CTool::Format("%d", n);
}

std::string PositiveAmount(double x) {
    return x > 0.0 ? CTool::FormatAmount(x) : std::string();
}

bool OpenList(CPelkoDoc& doc, CTargetFile& file, const std::string& path, int errorCode) {
    if (file.Open(path)) return true;
    doc.GetFrontEnd().MessageBox(CTool::Format("(E:%d)\n", errorCode) +
                                     Ansi("Ausgabedatei konnte nicht geöffnet werden!\n") + path,
                                 CFrontEnd::EIcon::Error);
    return false;
}

// A list that could not be written completely; the previous file stays.
int Finished(CPelkoDoc& doc, CRtfOut& out, const std::string& path) {
    if (out.Commit()) return 1;
    doc.GetFrontEnd().MessageBox(CModulCSV::FileError(602, path), CFrontEnd::EIcon::Error);
    return 0;
}

} // namespace

void CRtfList::AppendEscaped(std::string& out, std::string_view value) {
    for (char c : value) {
        if (c == '\\' || c == '{' || c == '}') out += '\\';
        out += c;
    }
}

int CRtfList::WriteBookingsRtf(CPelkoDoc& doc, const std::string& path) {
    CStepCode::Set(1107);
    const CBuchungenCtrl& list = doc.buchungen;
    CFrontEnd& progress = doc.GetFrontEnd();
    progress.SetProgressRange(0, list.GetCount());
    progress.SetProgressPos(0);
    CTargetFile file;
    if (!OpenList(doc, file, path, 135)) return 0;
    CStepCode::Set(1262);

    CRtfOut out(file);
    WriteTableStart(out, "Buchungsliste",
                    {651, 1134, 2127, 2835, 3544, 4075, 5103, 5917, 8218, 8647, 9140, 9500, 10000, 10500},
                    {"Nr.", "Nr.2", "Datum", "Soll-Konto", "Haben-Konto", "Key", "Betrag", Ansi("Währung"),
                     "Buchungstext", "Kst.1", "Kst.2", "Skonto", "Ust-ID", "EU-Steuersatz"});
    CStepCode::Set(1109);
    for (int i = 0; i < list.GetCount(); ++i) {
        const CBuchungenData& b = *list.GetAt(i);
        std::string& row = out.Text();
        row += '{';
        CStepCode::Set(1110);
        AppendCell(row, b.buchungsnummer);
        AppendCell(row, b.belegnummer2);
        AppendCell(row, b.datum);
        CStepCode::Set(1111);
        AppendCell(row, NonNegative(b.sollKonto));
        AppendCell(row, NonNegative(b.habenKonto));
        AppendCell(row, NonNegative(b.datevSchluessel));
        CStepCode::Set(1112);
        AppendCell(row, CTool::FormatAmount(b.betrag));
        AppendCell(row, b.waehrung);
        AppendCell(row, b.buchungstext);
        CStepCode::Set(1113);
        AppendCell(row, b.kostenstelle1);
        AppendCell(row, b.kostenstelle2);
        AppendCell(row, PositiveAmount(b.skonto));
        CStepCode::Set(1114);
        AppendCell(row, b.ustId);
        AppendCell(row, PositiveAmount(b.euSteuersatz));
        row += "}\\pard";
        out.EndLine();
        out.Line(kRowEnd);
        progress.SetProgressPos(i);
        ++doc.recordCounter;
    }
    CStepCode::Set(1115);
    WriteTableEnd(out);
    return Finished(doc, out, path);
}

int CRtfList::WriteMasterRtf(CPelkoDoc& doc, const std::string& path) {
    CStepCode::Set(1217);
    const CStammCtrl& list = doc.stamm;
    CFrontEnd& progress = doc.GetFrontEnd();
    progress.SetProgressRange(0, list.GetCount());
    progress.SetProgressPos(0);
    CTargetFile file;
    if (!OpenList(doc, file, path, 139)) return 0;
    CStepCode::Set(1218);

    CRtfOut out(file);
    std::vector<int> borders;
    for (int k = 1; k <= 24; ++k)
        borders.push_back(k * 9000 / 24);
    WriteTableStart(out, "Liste der Stammdaten", borders,
                    {"Datev-Konto", "Anrede",    "Name 1",   "Kundennummer",
                     "Name 2",      "Strasse",   "Postfach", "PLZ",
                     "Ort",         "Land",      "Bank",     "Kontonummer",
                     "BLZ",         "Ust.Idnr.", "Telefon",  "Fax",
                     "E-Mail",      "IBAN",      "SWIFT",    Ansi("Länderkennz"),
                     "Bank 2",      "IBAN 2",    "SWIFT 2",  Ansi("Länderkennz 2")});
    CStepCode::Set(1219);
    for (int i = 0; i < list.GetCount(); ++i) {
        const CStammData& s = *list.GetAt(i);
        std::string& row = out.Text();
        row += '{';
        CStepCode::Set(1220);
        AppendCell(row, CTool::Format("%u", static_cast<unsigned>(s.datevKonto)));
        for (const CText* text :
             {&s.anrede,       &s.name1,   &s.kundennummer, &s.name2,  &s.strasse,      &s.postfach,
              &s.postleitzahl, &s.ort,     &s.land,         &s.bank,   &s.kontonummer,  &s.bankleitzahl,
              &s.ustIdnr,      &s.telefon, &s.fax,          &s.email,  &s.iban,         &s.swift,
              &s.laenderkennz, &s.bank2,   &s.iban2,        &s.swift2, &s.laenderkennz2})
            AppendCell(row, *text);
        CStepCode::Set(1221);
        row += "}\\pard";
        out.EndLine();
        out.Line(kRowEnd);
        progress.SetProgressPos(i);
        ++doc.recordCounter;
    }
    CStepCode::Set(1222);
    WriteTableEnd(out);
    return Finished(doc, out, path);
}
