#pragma once

#include "core/CCodePage.h"
#include "core/CIniEx.h"

#include <string>

// Layout and profile keys whose absence leaves the value as it was (the INI class would give an
// empty text or 0).
struct CLayoutKeys {
    // "Tabelle löschen" in Windows-1252.
    static const std::string& DropTable() {
        static const std::string key = Ansi("Tabelle löschen");
        return key;
    }
    static void Take(const CIniEx& ini, const std::string& section, const std::string& key,
                     std::string& target) {
        std::string text;
        if (ini.GetString(section, key, text)) target = text;
    }
    static void Take(const CIniEx& ini, const std::string& section, const std::string& key, int& target) {
        int number = 0;
        if (ini.GetInt(section, key, number)) target = number;
    }
};
