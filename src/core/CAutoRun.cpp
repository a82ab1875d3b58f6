#include "core/CAutoRun.h"

#include "core/CCodePage.h"
#include "core/CCommandLine.h"
#include "core/CDialogLogic.h"
#include "core/CFrontEnd.h"
#include "core/CIniEx.h"
#include "core/CPelkoDoc.h"
#include "core/CPelkoSettings.h"

namespace {

// Copies every message-box text into the open error file, so that a failed unattended run
// never leaves an empty error file behind.
class CErrorFileFrontEnd : public CFrontEnd {
public:
    explicit CErrorFileFrontEnd(CFrontEnd& innerFrontEnd) : inner(innerFrontEnd) {}
    void Attach(CPelkoDoc& document) { doc = &document; }

    void SetStatus(const std::string& text) override { inner.SetStatus(text); }
    void SetProgressRange(int low, int high) override { inner.SetProgressRange(low, high); }
    void SetProgressPos(int position) override { inner.SetProgressPos(position); }
    EAnswer MessageBox(const std::string& text, EIcon icon, EButtons buttons) override {
        if (doc) doc->AppendToErrorFile(text);
        return inner.MessageBox(text, icon, buttons);
    }
    void ShowMessages(const std::string& caption, const std::string& text) override {
        // An error shown in the message window (a database statement that failed) belongs in the
        // error file as much as a message box; the run's own findings are written there by the run.
        if (doc && caption != "Es wurden folgende Fehler festgestellt:") doc->AppendToErrorFile(text);
        inner.ShowMessages(caption, text);
    }
    bool RunDialog(CDialogLogic& dialog) override {
        if (inner.RunDialog(dialog)) return true;
        // A cancelled dialog ends the run; the error file says why instead of staying empty.
        if (doc) doc->AppendToErrorFile("Der Dialog '" + dialog.GetTitle() + "' wurde abgebrochen.");
        return false;
    }
    bool ChooseFile(bool save, const std::string& title, const std::string& filter, const std::string& folder,
                    std::string& chosen) override {
        return inner.ChooseFile(save, title, filter, folder, chosen);
    }

private:
    CFrontEnd& inner;
    CPelkoDoc* doc = nullptr;
};

} // namespace

int CAutoRun::Execute(const std::string& commandLine) {
    CErrorFileFrontEnd errorFileFrontEnd(frontEnd);
    CPelkoDoc doc(errorFileFrontEnd);
    errorFileFrontEnd.Attach(doc);
    if (dispatch) doc.SetDispatch(*dispatch);
    {
        CIniEx ini;
        ini.Open("pelko.ini");
        CPelkoSettings::Load(ini, doc, CPelkoSettings::EReader::AutomaticRun);
    }
    CCommandLine::Parse(commandLine, doc);
    if (!doc.GetErrorFilePath().empty() && !doc.GetErrorFile())
        frontEnd.MessageBox(Ansi("Die Fehlerdatei '") + doc.GetErrorFilePath() +
                                Ansi("' kann nicht angelegt werden; die Meldungen erscheinen nur hier."),
                            CFrontEnd::EIcon::Warning);
    doc.InitDocument();
    switch (doc.RunAutomatic()) {
    case CPelkoDoc::ERunResult::Completed:
        return Completed;
    case CPelkoDoc::ERunResult::CompletedWithErrors:
        return CompletedWithErrors;
    default:
        return Failed;
    }
}
