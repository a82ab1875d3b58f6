#include "datev/CExtfCheck.h"

#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "core/CTool.h"

#include <algorithm>

bool CExtfCheck::CheckExtfFileName(const std::string& path, std::string* messages) {
    std::string name = path.substr(path.rfind('/') + 1);
    bool startOk = name.compare(0, 4, "EXTF") == 0;
    bool endOk = name.size() >= 4 && name.compare(name.size() - 4, 4, ".csv") == 0;
    if (messages && !startOk)
        *messages += CTool::Format(
            "FEHLER: Der Dateiname sollte mit 'EXTF_' beginnen! Angegebener Dateiname: '%s'\r\n",
            name.c_str());
    if (messages && !endOk)
        *messages += CTool::Format(
            "FEHLER: Der Dateiname sollte mit '.csv' enden! Angegebener Dateiname: '%s'\r\n", name.c_str());
    return startOk && endOk;
}

// The value is taken by value and trimmed where it stands: every field of every record passes here.
std::string CExtfCheck::CheckDatevProValue(int recordNumber, const char* fieldName, std::string value,
                                           int minimum, int maximum, bool required, std::string& messages) {
    const char* space = " \t\r\n\v\f";
    const size_t last = value.find_last_not_of(space);
    value.erase(last == std::string::npos ? 0 : last + 1);
    value.erase(0, std::min(value.find_first_not_of(space), value.size()));
    const int length = static_cast<int>(value.size());
    if (required && value.empty())
        messages += CTool::Format(Ansi("FEHLER: Zeile %d, Feld '%s' muss ausgefüllt sein.\r\n").c_str(),
                                  recordNumber, fieldName);
    else if (length < minimum)
        messages +=
            CTool::Format("HINWEIS: Zeile %d, Feld '%s' muss mindestens %d Zeichen haben. Inhalt:'%s'\r\n",
                          recordNumber, fieldName, minimum, value.c_str());
    else if (length > maximum)
        messages +=
            CTool::Format("HINWEIS: Zeile %d, Feld '%s' darf maximal %d Zeichen haben. Inhalt:'%s'\r\n",
                          recordNumber, fieldName, maximum, value.c_str());
    return value;
}

std::string CExtfCheck::FileNameHint(int outputType, const std::string& outputFile) {
    if (outputType != CPelkoDoc::OutDatevPro || CheckExtfFileName(outputFile, nullptr)) return {};
    return "!!! Aufbau des Dateinamens: EXTF_{beliebig}.csv !!!";
}
