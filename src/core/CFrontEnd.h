#pragma once

#include <string>

class CDialogLogic;

// The one small interface through which the core talks to whoever drives it: the Qt windows,
// the console of a headless automatic run, or a recording fake in the tests.
// All texts are Windows-1252.
class CFrontEnd {
public:
    enum class EIcon { Error, Warning, Information, Question };
    enum class EButtons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class EAnswer { Ok, Cancel, Yes, No };

    // Everything a file dialog of the main window or the message window is told.
    struct CFileRequest {
        bool save = false;
        std::string title;
        std::string filter; // "CSV-Dateien (*.csv)|*.csv|Alle Dateien (*.*)|*.*|"
        std::string folder; // where the dialog starts; empty for the platform's choice
        std::string proposedName;
        std::string defaultExtension; // appended to a chosen name without one
        bool confirmOverwrite = true;
    };

    virtual ~CFrontEnd() = default;

    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgressRange(int low, int high) = 0;
    virtual void SetProgressPos(int position) = 0;
    virtual EAnswer MessageBox(const std::string& text, EIcon icon = EIcon::Error,
                               EButtons buttons = EButtons::Ok) = 0;
    // The message window "Meldungen" with the findings of a run.
    virtual void ShowMessages(const std::string& caption, const std::string& text) = 0;
    // Shows the dialog bound to the logic; true when the user confirmed it. Without a display a
    // dialog cannot be answered, so it counts as cancelled.
    virtual bool RunDialog(CDialogLogic& dialog) = 0;
    // A file dialog; true with the chosen path, false when cancelled. filter as "CSV-Dateien (*.csv)|*.csv".
    virtual bool ChooseFile(bool save, const std::string& title, const std::string& filter,
                            const std::string& folder, std::string& chosen) = 0;
    // The same with every detail of the request; front ends without more to show ask as above.
    virtual bool RequestFile(const CFileRequest& request, std::string& chosen) {
        return ChooseFile(request.save, request.title, request.filter, request.folder, chosen);
    }
};
