#include "core/CDlgErrorWin.h"

#include "core/CCodePage.h"
#include "core/CFolderMemory.h"
#include "core/CFrontEnd.h"
#include "core/CPlatform.h"
#include "core/CTool.h"

#include <cstdio>

void CDlgErrorWin::Open(const std::string& captionText, const std::string& shownText) {
    text = shownText;
    if (text.size() >= kMaxText) {
        text.resize(kMaxText);
        text += "\r\n\r\n(weitere Fehlermeldungen wurden abgeschnitten)";
    }
    if (!text.empty() && text[0] == '\n') text.erase(0, 1);
    if (!captionText.empty()) caption = captionText;

    protocolPath = CTool::GetDataDir(true) + "/protokoll.txt";
    if (std::FILE* file = CPlatform::OpenFile(protocolPath, "wb")) {
        const std::string content = "Fehler-Protokoll:\r\n" + text + "\r\n";
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
}

void CDlgErrorWin::SaveProtocol(CFrontEnd& frontEnd) const {
    CFrontEnd::CFileRequest request;
    request.save = true;
    request.title = "Protokoll speichern";
    request.filter = "Textdatei (*.txt)|*.txt|Alle Dateien (*.*)|*.*|";
    request.folder = CFolderMemory::Proposed("fehlerprotokolldatei");
    request.proposedName = "protokoll.txt";
    request.defaultExtension = "txt";
    std::string chosen;
    if (!frontEnd.RequestFile(request, chosen)) return;
    // The user must learn when the copy is not where he asked for it.
    if (!CPlatform::CopyFile(protocolPath, chosen))
        frontEnd.MessageBox(Ansi("Das Protokoll konnte nicht nach '") + chosen + "' kopiert werden.");
    CFolderMemory::Remember("fehlerprotokolldatei", chosen);
}
