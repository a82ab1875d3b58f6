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
};
