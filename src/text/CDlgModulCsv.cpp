#include "text/CDlgModulCsv.h"

#include "core/CCodePage.h"
#include "core/CFolderMemory.h"
#include "core/CFrontEnd.h"
#include "core/CIniEx.h"
#include "text/CModulCSV.h"
#include "text/CMyFile.h"

namespace {

const char* const kFilter = "Profil Dateien (*.prf)|*.prf|Alle Dateien (*.*)|*.*|";

// A bare file name would send the INI class to the data folder; a profile is used where it is.
std::string AsGiven(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
}

std::string WithDefaultExtension(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.find('.') == std::string::npos ? path + ".prf" : path;
}

} // namespace

CDlgModulCsv::CDlgModulCsv(CModulCSV& engineRef)
    : quoteAll(engineRef.quoteAll), separatorIndex(engineRef.separatorIndex),
      oemCharset(engineRef.oemCharset), noHeading(engineRef.noHeading), noLineBreaks(engineRef.noLineBreaks),
      decimalPoint(engineRef.decimalPoint), confirmCaption(engineRef.confirmCaption), engine(engineRef) {}

const std::vector<std::string>& CDlgModulCsv::SeparatorEntries() {
    static const std::vector<std::string> entries = {"; (Strichpunkt)", ", (Komma)", "TAB (Tabulator)",
                                                     "| (Hochstrich)"};
    return entries;
}

const std::vector<std::string>& CDlgModulCsv::CharsetEntries() {
    static const std::vector<std::string> entries = {"ANSI (Windows)", "OEM (DOS)", "UTF-8"};
    return entries;
}

const std::vector<std::string>& CDlgModulCsv::DecimalEntries() {
    static const std::vector<std::string> entries = {Ansi(", Komma (z.B. 3,50 €)"),
                                                     Ansi(". Punkt (z.B. 3.50 €)")};
    return entries;
}

bool CDlgModulCsv::IsTicked(int item) const {
    return engine.GetColumn(GetItemColumn(item)).selected == 1;
}

void CDlgModulCsv::SelectItem(int item) {
    selectedItem = item >= 0 && item < GetItemCount() ? item : -1;
}

std::string CDlgModulCsv::GetConfirmCaption() const {
    return confirmCaption.empty() ? DefaultConfirmCaption() : confirmCaption;
}

void CDlgModulCsv::ToggleItem(int item) {
    if (item < 0 || item >= GetItemCount()) return;
    engine.SetSelected(GetItemColumn(item), IsTicked(item) ? 0 : 1);
}

void CDlgModulCsv::SetTicks(int mode) {
    for (int item = 0; item < GetItemCount(); ++item) {
        bool tick = mode == 2 ? !IsTicked(item) : mode == 1;
        engine.SetSelected(GetItemColumn(item), tick ? 1 : 0);
    }
}

void CDlgModulCsv::SelectAll() {
    SetTicks(1);
}

void CDlgModulCsv::SelectNone() {
    SetTicks(0);
}

void CDlgModulCsv::InvertSelection() {
    SetTicks(2);
}

CFrontEnd::CFileRequest CDlgModulCsv::ProfileRequest(bool save) {
    CFrontEnd::CFileRequest request;
    request.save = save;
    request.title = save ? "Profil speichern" : "Profil laden";
    request.filter = kFilter;
    request.folder = CFolderMemory::Proposed("profil");
    request.proposedName = "*.prf";
    request.defaultExtension = "prf";
    return request;
}

void CDlgModulCsv::SaveProfile() {
    std::string chosen;
    if (!engine.GetFrontEnd().RequestFile(ProfileRequest(true), chosen)) return;
    chosen = WithDefaultExtension(chosen);
    // A profile the user believes saved must exist: say so when it could not be written.
    if (!WriteProfile(chosen))
        engine.GetFrontEnd().MessageBox("Profildatei kann nicht gespeichert werden: " + chosen);
    CFolderMemory::Remember("profil", chosen);
}

bool CDlgModulCsv::WriteProfile(const std::string& path) const {
    CIniEx ini;
    if (!ini.Open(AsGiven(path))) return false;
    const std::string section = ProfileSection();
    ini.SetInt(section, "Trennzeichen", separatorIndex);
    ini.SetInt(section, "Hochkomma", quoteAll);
    ini.SetInt(section, "Zeichensatz", oemCharset);
    ini.SetInt(section, Ansi("Keine Überschriftszeile"), noHeading);
    if (WritesNumberOptions()) {
        ini.SetInt(section, "OpenOffice", noLineBreaks);
        ini.SetInt(section, "Nachkommazeichen", decimalPoint);
    }
    for (int i = 0; i < engine.GetColumnCount(); ++i) {
        const CsvColumn& column = engine.GetColumn(i);
        ini.SetInt(section, "Pos.: " + column.name, column.position);
        ini.SetInt(section, "Sel.: " + column.name, column.selected);
    }
    return ini.Save();
}

void CDlgModulCsv::LoadProfile() {
    std::string chosen;
    if (!engine.GetFrontEnd().RequestFile(ProfileRequest(false), chosen)) return;
    ApplyProfile(chosen);
    Open();
    CFolderMemory::Remember("profil", chosen);
}

bool CDlgModulCsv::ApplyProfile(const std::string& path) {
    CMyFile probe;
    if (!probe.OpenRead(path)) {
        engine.GetFrontEnd().MessageBox(Ansi("Profildatei kann nicht geöffnet werden: ") + path);
        return false;
    }
    probe.CloseFile();
    CIniEx ini;
    if (!ini.Open(AsGiven(path), false, false)) return false;
    const std::string section = ProfileSection();
    int value = 0;
    auto take = [&](const std::string& key, int& target) {
        if (ini.GetInt(section, key, value)) target = value;
    };
    take("Trennzeichen", separatorIndex);
    take("Hochkomma", quoteAll);
    take("Zeichensatz", oemCharset);
    take(Ansi("Keine Überschriftszeile"), noHeading);
    if (WritesNumberOptions()) {
        take("OpenOffice", noLineBreaks);
        take("Nachkommazeichen", decimalPoint);
    }
    // Positions are taken as they are, repeated or missing ones included.
    for (int i = 0; i < engine.GetColumnCount(); ++i) {
        const std::string& name = engine.GetColumn(i).name;
        if (ini.GetInt(section, "Pos.: " + name, value)) engine.SetPosition(i, value);
        if (ini.GetInt(section, "Sel.: " + name, value)) engine.SetSelected(i, value);
    }
    return true;
}
