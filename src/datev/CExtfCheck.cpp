#include "datev/CExtfCheck.h"

#include "core/CCodePage.h"
#include "core/CPelkoDoc.h"
#include "core/CTool.h"

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

std::string CExtfCheck::CheckDatevProValue(int recordNumber, const std::string& fieldName,
                                           const std::string& value, int minimum, int maximum, bool required,
                                           std::string& messages) {
    const char* space = " \t\r\n\v\f";
    size_t begin = value.find_first_not_of(space);
    std::string text = begin == std::string::npos
                           ? std::string()
                           : value.substr(begin, value.find_last_not_of(space) - begin + 1);
    int length = static_cast<int>(text.size());
    if (required && text.empty())
        messages += CTool::Format(Ansi("FEHLER: Zeile %d, Feld '%s' muss ausgefüllt sein.\r\n").c_str(),
                                  recordNumber, fieldName.c_str());
    else if (length < minimum)
        messages +=
            CTool::Format("HINWEIS: Zeile %d, Feld '%s' muss mindestens %d Zeichen haben. Inhalt:'%s'\r\n",
                          recordNumber, fieldName.c_str(), minimum, text.c_str());
    else if (length > maximum)
        messages +=
            CTool::Format("HINWEIS: Zeile %d, Feld '%s' darf maximal %d Zeichen haben. Inhalt:'%s'\r\n",
                          recordNumber, fieldName.c_str(), maximum, text.c_str());
    return text;
}

std::string CExtfCheck::FileNameHint(int outputType, const std::string& outputFile) {
    if (outputType != CPelkoDoc::OutDatevPro || CheckExtfFileName(outputFile, nullptr)) return {};
    return "!!! Aufbau des Dateinamens: EXTF_{beliebig}.csv !!!";
}
