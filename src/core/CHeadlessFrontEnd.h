#pragma once

#include "core/CFrontEnd.h"

#include <cstdio>

// Front end of an automatic run without a display: status on stdout, message boxes on stderr,
// a progress indicator on stderr only when it is a terminal, and no dialogs.
class CHeadlessFrontEnd : public CFrontEnd {
public:
    CHeadlessFrontEnd(std::FILE* out = stdout, std::FILE* err = stderr);

    void SetStatus(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int position) override;
    EAnswer MessageBox(const std::string& text, EIcon icon, EButtons buttons) override;
    void ShowMessages(const std::string& caption, const std::string& text) override;
    bool RunDialog(CDialogLogic& dialog) override;
    bool ChooseFile(bool save, const std::string& title, const std::string& filter, const std::string& folder,
                    std::string& chosen) override;

private:
    void EndProgressLine();

    std::FILE* out;
    std::FILE* err;
    bool showProgress;
    bool progressShown = false;
    int low = 0;
    int high = 100;
    int lastPercent = -1;
};
