// Any INI file: every value survives a change and a save, and "pelko.ini" loads into a document.
#include "FuzzSupport.h"
#include "core/CCodePage.h"
#include "core/CPelkoSettings.h"
#include "robustness/SettingsProbes.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    const std::string path = fuzz::Write("einstellungen.ini", fuzz::Bytes(data, size));
    std::vector<std::string> before;
    {
        CIniEx ini;
        fuzz::Require(ini.Open(path, true, false), "open");
        before = probe::AllValues(ini);
        ini.SetString("Fuzz", "Wert", "eins=zwei");
        CPelkoSettings::Load(ini, doc, CPelkoSettings::EReader::MainWindow);
        CPelkoSettings::Load(ini, doc, CPelkoSettings::EReader::AutomaticRun);
    }
    CIniEx again;
    fuzz::Require(again.Open(path, false, false), "reopen");
    std::string value;
    fuzz::Require(again.GetString("Fuzz", "Wert", value) && value == "eins=zwei", "set value lost");
    // Entries of the key set (in any case; an input may hold it already) are left out of the
    // comparison; every other one must come back as it was.
    auto isSet = [](const std::string& entry) {
        const std::string key = "fuzz\x01wert\x01";
        if (entry.size() < key.size()) return false;
        for (size_t i = 0; i < key.size(); ++i)
            if (CCodePage::ToLower(entry[i]) != key[i]) return false;
        return true;
    };
    std::vector<std::string> after = probe::AllValues(again);
    // What a save leaves in memory for the next Open must be what parsing the written bytes gives.
    std::ifstream written(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    CIniEx parsed;
    fuzz::Require(parsed.Open(fuzz::Write("kopie.ini", bytes), false, false), "open copy");
    fuzz::Require(probe::AllValues(parsed) == after, "held contents differ from the saved file");
    before.erase(std::remove_if(before.begin(), before.end(), isSet), before.end());
    after.erase(std::remove_if(after.begin(), after.end(), isSet), after.end());
    fuzz::Require(before == after, "a value changed through a save");
    return 0;
}
