#include "core/CFolderMemory.h"

#include "core/CIniEx.h"
#include "core/CPlatform.h"

std::string CFolderMemory::Proposed(const std::string& key) {
    CIniEx ini;
    std::string folder;
    if (!ini.Open("dateipfad.ini")) return folder;
    int allSame = 0;
    if (!ini.GetInt("einstellungen", "dateipfad_alle_gleich", allSame) || allSame == 0)
        ini.GetString("dateipfad", key, folder);
    return folder;
}

void CFolderMemory::Remember(const std::string& key, const std::string& path) {
    CIniEx ini;
    if (!ini.Open("dateipfad.ini")) return;
    ini.SetString("dateipfad", key, CPlatform::FolderOf(path));
    ini.Save();
}
