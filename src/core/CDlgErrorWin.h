#pragma once

#include <string>

class CFrontEnd;

// Logic of the message window "Meldungen": a long text (the findings of a run, a database error)
// that is also kept in "protokoll.txt" in the data folder, which "Protokoll speichern" copies.
class CDlgErrorWin {
public:
    static constexpr size_t kMaxText = 50000;

    // Cuts an overlong text, drops one leading LF and writes the protocol file; a protocol file that
    // cannot be written leaves the window working all the same.
    void Open(const std::string& caption, const std::string& text);
    // "Protokoll speichern": copies the protocol file to a file the user chooses.
    void SaveProtocol(CFrontEnd& frontEnd) const;

    std::string caption = "Folgende Fehler wurden festgestellt:";
    std::string text;
    std::string protocolPath;
};
