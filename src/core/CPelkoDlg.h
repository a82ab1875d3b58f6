#pragma once

#include "core/CFrontEnd.h"
#include "core/CIniEx.h"

#include <string>
#include <vector>

class CPelkoDoc;

// Logic of the main window: what each control changes, the file dialogs of steps 1 and 2, and
// "pelko.ini", which stays open while the window lives. The control values are the document's
// fields (types and files); a front end binds its widgets to them and to the states below.
class CPelkoDlg {
public:
    explicit CPelkoDlg(CPelkoDoc& doc);

    // Settings, command line, document and layout, in the order the window opens.
    void Init(const std::string& commandLine);

    // Entries of the three lists (Windows-1252).
    const std::vector<std::string>& InputTypeNames() const { return inputTypeNames; }
    static const std::vector<std::string>& OutputTypeNames();
    static const std::vector<std::string>& DataTypeNames();
    // "Pelko (version)".
    static std::string WindowTitle();
    static std::string TitleLine();

    // The change rules; call after the document's type or file changed.
    void OnInputTypeChanged();
    void OnOutputChanged();

    // "Dateiauswahl" of step 1 and 2: true when a file was chosen (the document holds it).
    bool ChooseInputFile();
    bool ChooseOutputFile();
    // The file dialogs as the tables of the main window describe them.
    CFrontEnd::CFileRequest InputFileRequest() const;
    CFrontEnd::CFileRequest OutputFileRequest() const;

    // The two "Einstellungen" buttons: the column or database dialog of the chosen type.
    void EditInputSettings();
    void EditOutputSettings();

    // "Programm beenden", the close box and Esc.
    void SaveSettings();
    // Alt+F3 opens the service menu only for the service code.
    bool ServiceMenuAllowed() const;

    // States of the controls.
    bool inputSettingsEnabled = false;
    bool inputFileEnabled = true;
    bool outputSettingsEnabled = false;
    bool outputFileEnabled = true;
    bool typeListsEnabled = true;
    bool settingsButtonsVisible = true;
    std::string hint;

private:
    void ApplyVaroloLayout();
    bool AskFile(const CFrontEnd::CFileRequest& request, std::string& chosen);
    void RememberFolder(const char* key, const std::string& path);
    std::string StoredFolder(const char* key) const;

    CPelkoDoc& doc;
    CIniEx ini;
    std::vector<std::string> inputTypeNames;
};
