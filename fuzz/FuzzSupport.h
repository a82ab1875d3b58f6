#pragma once

#include "core/CFrontEnd.h"
#include "core/CPelkoDoc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

// What every fuzz target shares: a front end that shows nothing, and a folder on a memory file
// system (/dev/shm where there is one) for the files the readers insist on opening by name. The
// inputs are written there with one write each; nothing touches a disk.
namespace fuzz {

class CSilentFrontEnd : public CFrontEnd {
public:
    void SetStatus(const std::string&) override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    EAnswer MessageBox(const std::string&, EIcon, EButtons) override { return EAnswer::Ok; }
    void ShowMessages(const std::string&, const std::string&) override {}
    bool RunDialog(CDialogLogic&) override { return false; }
    bool ChooseFile(bool, const std::string&, const std::string&, const std::string&, std::string&) override {
        return false;
    }
};

// The folder of this process, with its data folder ("data" inside) and its home.
inline const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        // PELKO_FUZZ_TMP: where scripts/fuzz.sh collects them, as libFuzzer may end without atexit.
        const char* parent = std::getenv("PELKO_FUZZ_TMP");
        std::string pattern = (parent && *parent                           ? std::string(parent)
                               : std::filesystem::is_directory("/dev/shm") ? std::string("/dev/shm")
                                                                           : std::string("/tmp")) +
                              "/pelko-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        std::filesystem::path made = pattern;
        std::filesystem::create_directories(made / "data");
        setenv("PELKO_DATA_DIR", (made / "data").c_str(), 1);
        setenv("HOME", made.c_str(), 1);
        return made;
    }();
    // Registered once the folder exists, so that it runs before the folder's path is destroyed.
    static const bool removedAtExit = !std::atexit([] {
        std::error_code error;
        std::filesystem::remove_all(Folder(), error);
    });
    (void)removedAtExit;
    return folder;
}

inline std::string Write(const std::string& name, std::string_view bytes) {
    const std::string path = (Folder() / name).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::string_view Bytes(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// One document for all inputs, as one window serves run after run: its lists are emptied by the
// target, its settings were loaded once.
struct CFuzzDoc {
    bool folderReady = !Folder().empty();
    CSilentFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    CFuzzDoc() { doc.InitDocument(); }
};

inline CPelkoDoc& Doc() {
    static CFuzzDoc fuzzDoc;
    return fuzzDoc.doc;
}

// Stops the fuzzer with a finding when a property of the program does not hold.
inline void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "Eigenschaft verletzt: %s\n", what);
    std::abort();
}

} // namespace fuzz
