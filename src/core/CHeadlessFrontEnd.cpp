#include "core/CHeadlessFrontEnd.h"

#include "core/CCodePage.h"
#include "core/CDialogLogic.h"

#include <unistd.h>

CHeadlessFrontEnd::CHeadlessFrontEnd(std::FILE* outStream, std::FILE* errStream)
    : out(outStream), err(errStream), showProgress(isatty(fileno(errStream)) != 0) {}

void CHeadlessFrontEnd::SetStatus(const std::string& text) {
    EndProgressLine();
    std::fprintf(out, "%s\n", CCodePage::AnsiToUtf8(text).c_str());
    std::fflush(out);
}

void CHeadlessFrontEnd::SetProgressRange(int lowValue, int highValue) {
    low = lowValue;
    high = highValue;
    lastPercent = -1;
}

void CHeadlessFrontEnd::SetProgressPos(int position) {
    if (!showProgress) return;
    long long span = static_cast<long long>(high) - low;
    int percent = span <= 0 ? 100 : static_cast<int>((static_cast<long long>(position) - low) * 100 / span);
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    if (percent == lastPercent) return;
    lastPercent = percent;
    progressShown = true;
    std::fprintf(err, "\r%3d %%", percent);
    std::fflush(err);
}

void CHeadlessFrontEnd::EndProgressLine() {
    if (!progressShown) return;
    std::fprintf(err, "\n");
    progressShown = false;
}

CFrontEnd::EAnswer CHeadlessFrontEnd::MessageBox(const std::string& text, EIcon, EButtons buttons) {
    EndProgressLine();
    std::fprintf(err, "%s\n", CCodePage::AnsiToUtf8(text).c_str());
    std::fflush(err);
    // Nobody can answer: take the cautious choice.
    switch (buttons) {
    case EButtons::Ok:
        return EAnswer::Ok;
    case EButtons::OkCancel:
        return EAnswer::Cancel;
    case EButtons::YesNo:
        return EAnswer::No;
    case EButtons::YesNoCancel:
        return EAnswer::Cancel;
    }
    return EAnswer::Cancel;
}

void CHeadlessFrontEnd::ShowMessages(const std::string& caption, const std::string& text) {
    EndProgressLine();
    std::fprintf(err, "%s\n%s\n", CCodePage::AnsiToUtf8(caption).c_str(),
                 CCodePage::AnsiToUtf8(text).c_str());
}

bool CHeadlessFrontEnd::RunDialog(CDialogLogic& dialog) {
    MessageBox(Ansi("Der Dialog '") + dialog.GetTitle() +
                   Ansi("' kann ohne Bildschirm nicht angezeigt werden; der Vorgang wurde abgebrochen."),
               EIcon::Error, EButtons::Ok);
    return false;
}

bool CHeadlessFrontEnd::ChooseFile(bool, const std::string&, const std::string&, const std::string&,
                                   std::string&) {
    return false;
}
