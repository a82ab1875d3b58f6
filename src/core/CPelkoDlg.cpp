#include "core/CPelkoDlg.h"

#include "core/CCodePage.h"
#include "core/CCommandLine.h"
#include "core/CPelkoDoc.h"
#include "core/CPelkoSettings.h"
#include "core/CPlatform.h"
#include "core/CRunDispatch.h"
#include "datev/CExtfCheck.h"
#include "db/CDbConversion.h"
#include "text/CCsvConversion.h"

namespace {

// One row per input type: what the open dialog proposes.
struct CInputDialog {
    const char* proposedName;
    const char* extension;
    const char* filter;
};

const CInputDialog kInputDialogs[] = {
    {"ED*; DE*", "", "Datev-Datei (ED00001)|ED*|Datev-Datei, altes Format (DE001)|DE*|"},
    {"EXTF_*.csv", "csv", "DATEVpro-Dateien (EXTF_*.csv)|EXTF_*.csv|"},
    {"*.csv", "csv", "Excel/CSV-Dateien (*.csv)|*.csv|TXT-Dateien (*.txt)|*.txt|"},
    {"*.mdb", "mdb",
     "Access-Datenbanken (*.mdb)|*.mdb|Access 2007 (*.accdb)|*.accdb|Excel (*.xls)|*.xls|Excel "
     "2007(*.xlsx)|*.xlsx|"},
    {"", "", ""},
};

// One row per output type: what the save dialog proposes, and whether it asks before overwriting.
struct COutputDialog {
    const char* proposedName;
    const char* extension;
    const char* title; // empty: the common title
    bool confirmOverwrite;
    const char* filter;
};

const COutputDialog kOutputDialogs[] = {
    {"ED00001*", "", "Dateipfad zum Speichern der Datev-Datei angeben (Dateiname automatisch)", true,
     "Datev-Datei (ED00001)|ED00001* |Datev-Datei, altes Format (DE001)|DE001*|"},
    {"EXTF_*.csv", "csv", "Dateinamen zum Speichern der DatevPro-Datei angeben (Sternchen ersetzen)", true,
     "DATEVpro-Dateien (EXTF_*.csv)|EXTF_*.csv|"},
    {"*.csv", "csv", "", true, "Excel/CSV-Dateien (*.csv)|*.csv|TXT-Dateien (*.txt)|*.txt|"},
    {"*.mdb", "mdb", "", false,
     "Access-Datenbanken (*.mdb)|*.mdb|Access 2007 (*.accdb)|*.accdb|Excel (*.xls)|*.xls|Excel "
     "2007(*.xlsx)|*.xlsx|"},
    {"", "", "", false, ""},
    {"*.rtf", "rtf", "", true, "RTF/Word-Dateien (*.rtf)|*.rtf|"},
};

bool HasSettingsDialog(int type) {
    return type == CPelkoDoc::InCsv || type == CPelkoDoc::InAccess || type == CPelkoDoc::InSql;
}

} // namespace

CPelkoDlg::CPelkoDlg(CPelkoDoc& document)
    : doc(document), inputTypeNames{"DATEV-Datei", "DATEVpro-Datei (csv)", "Excel/CSV-Datei",
                                    "Access-Datenbank", "SQL-Datenbank"} {}

const std::vector<std::string>& CPelkoDlg::OutputTypeNames() {
    static const std::vector<std::string> names = {"DATEV-Datei",     "DATEVpro-Datei (csv)",
                                                   "Excel/CSV-Datei", "Access-Datenbank",
                                                   "SQL-Datenbank",   "RTF/Word-Datei"};
    return names;
}

const std::vector<std::string>& CPelkoDlg::DataTypeNames() {
    static const std::vector<std::string> names = {"Buchungsdaten", "Stammdaten"};
    return names;
}

std::string CPelkoDlg::WindowTitle() {
    return std::string("Pelko (") + PELKO_VERSION + ")";
}

std::string CPelkoDlg::TitleLine() {
    return Ansi("'Pelko' - Buchungs- und Stammdaten umwandeln und prüfen");
}

void CPelkoDlg::Init(const std::string& commandLine) {
    if (ini.Open("pelko.ini")) CPelkoSettings::Load(ini, doc, CPelkoSettings::EReader::MainWindow);
    CCommandLine::Parse(commandLine, doc);
    // After the command line, so that a preset such as "/in:sql:" also disables the file field.
    OnInputTypeChanged();
    OnOutputChanged();
    doc.InitDocument();
    if (doc.settings.pelkoLayout == "Varolo") ApplyVaroloLayout();
}

void CPelkoDlg::ApplyVaroloLayout() {
    inputTypeNames[CPelkoDoc::InCsv] = "Varolo Datei";
    doc.inputType = CPelkoDoc::InCsv;
    doc.dataType = CPelkoDoc::Bookings;
    doc.outputType = CPelkoDoc::OutDatev;
    OnInputTypeChanged();
    OnOutputChanged();
    typeListsEnabled = false;
    settingsButtonsVisible = false;
    inputSettingsEnabled = false;
    outputSettingsEnabled = false;
}

void CPelkoDlg::OnInputTypeChanged() {
    inputSettingsEnabled = settingsButtonsVisible && HasSettingsDialog(doc.inputType);
    inputFileEnabled = doc.inputType != CPelkoDoc::InSql;
}

void CPelkoDlg::OnOutputChanged() {
    outputSettingsEnabled = settingsButtonsVisible && HasSettingsDialog(doc.outputType);
    outputFileEnabled = doc.outputType != CPelkoDoc::OutSql;
    hint = CExtfCheck::FileNameHint(doc.outputType, doc.outputFile);
}

std::string CPelkoDlg::StoredFolder(const char* key) const {
    std::string folder;
    ini.GetString("dateipfad", key, folder);
    return folder;
}

void CPelkoDlg::RememberFolder(const char* key, const std::string& path) {
    ini.SetString("dateipfad", key, CPlatform::FolderOf(path));
    ini.Save();
}

CFrontEnd::CFileRequest CPelkoDlg::InputFileRequest() const {
    const CInputDialog& row = kInputDialogs[doc.inputType >= 0 && doc.inputType <= 4 ? doc.inputType : 4];
    CFrontEnd::CFileRequest request;
    request.title = Ansi("Datei öffnen");
    request.filter = std::string(row.filter) + "Alle-Dateien (*.*)|*.*|";
    request.folder = StoredFolder("datei_laden");
    request.proposedName = row.proposedName;
    request.defaultExtension = row.extension;
    return request;
}

CFrontEnd::CFileRequest CPelkoDlg::OutputFileRequest() const {
    const COutputDialog& row =
        kOutputDialogs[doc.outputType >= 0 && doc.outputType <= 5 ? doc.outputType : 4];
    CFrontEnd::CFileRequest request;
    request.save = true;
    request.title = *row.title ? row.title : "Dateipfad und Name zum Speichern der Daten angeben";
    request.filter = std::string(row.filter) + "ALL-Files (*.*)|*.*|";
    request.folder = StoredFolder("datei_speichern");
    request.proposedName = row.proposedName;
    request.defaultExtension = row.extension;
    request.confirmOverwrite = row.confirmOverwrite;
    return request;
}

bool CPelkoDlg::AskFile(const CFrontEnd::CFileRequest& request, std::string& chosen) {
    // A new choice starts a new run: the last one's status and progress go.
    CFrontEnd& frontEnd = doc.GetFrontEnd();
    frontEnd.SetStatus("");
    frontEnd.SetProgressRange(0, 100);
    frontEnd.SetProgressPos(0);
    return frontEnd.RequestFile(request, chosen);
}

bool CPelkoDlg::ChooseInputFile() {
    std::string chosen;
    if (!AskFile(InputFileRequest(), chosen)) return false;
    doc.inputFile = chosen;
    RememberFolder("datei_laden", chosen);
    // The file itself says whether it holds bookings or master data.
    const CReaderEntry* reader = CRunDispatch::Standard().FindReader(doc.inputType);
    if (reader && reader->detect) {
        int kind = reader->detect(doc, chosen);
        if (kind > 0) doc.dataType = kind - 1;
    }
    return true;
}

bool CPelkoDlg::ChooseOutputFile() {
    std::string chosen;
    if (!AskFile(OutputFileRequest(), chosen)) return false;
    doc.outputFile = chosen;
    RememberFolder("datei_speichern", chosen);
    OnOutputChanged();
    return true;
}

void CPelkoDlg::EditInputSettings() {
    if (doc.inputType == CPelkoDoc::InCsv)
        CCsvConversion::EditImportLayout(doc);
    else if (HasSettingsDialog(doc.inputType))
        CDbConversion::EditImportLayout(doc);
}

void CPelkoDlg::EditOutputSettings() {
    if (doc.outputType == CPelkoDoc::OutCsv)
        CCsvConversion::EditExportLayout(doc);
    else if (HasSettingsDialog(doc.outputType))
        CDbConversion::EditExportLayout(doc);
}

void CPelkoDlg::SaveSettings() {
    CPelkoSettings::Save(ini, doc);
    ini.Save();
}

bool CPelkoDlg::ServiceMenuAllowed() const {
    return doc.settings.service == "7305";
}
