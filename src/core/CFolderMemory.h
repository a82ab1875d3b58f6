#pragma once

#include <string>

// The folders last used in the file dialogs of the message window and the profile dialogs
// ("dateipfad.ini", section "dateipfad").
class CFolderMemory {
public:
    // The folder stored under key, or empty when none is stored or "dateipfad_alle_gleich" is set.
    static std::string Proposed(const std::string& key);
    // Stores the folder of path (the text before its last "/") under key.
    static void Remember(const std::string& key, const std::string& path);
};
