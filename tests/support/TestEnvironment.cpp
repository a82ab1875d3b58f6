#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Every test and every run of the binary sees a home and a data folder of its own, so that no test
// ever reads or changes the settings of the person running them. Tests that need a particular data
// folder still point PELKO_DATA_DIR elsewhere (CTempDir does).
class CIsolatedHome {
public:
    CIsolatedHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelko-home-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        home = pattern;
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("PELKO_DATA_DIR", (home / "data").c_str(), 1);
    }
    ~CIsolatedHome() {
        std::error_code error;
        std::filesystem::remove_all(home, error);
    }

private:
    std::filesystem::path home;
};

const CIsolatedHome isolatedHome;

} // namespace
