// Any INI file: every value survives a change and a save, and "pelko.ini" loads into a document.
#include "FuzzSupport.h"
#include "core/CPelkoSettings.h"
#include "robustness/SettingsProbes.h"

#include <algorithm>
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
    std::vector<std::string> after = probe::AllValues(again);
    const std::string added = std::string("Fuzz\x01Wert\x01") + "eins=zwei";
    fuzz::Require(std::find(after.begin(), after.end(), added) != after.end(), "set value lost");
    after.erase(std::remove(after.begin(), after.end(), added), after.end());
    fuzz::Require(before == after, "a value changed through a save");
    return 0;
}
