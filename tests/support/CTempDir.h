#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A fresh folder per test, removed afterwards; also points PELKO_DATA_DIR at a data folder inside it.
class CTempDir {
public:
    CTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelko-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
        setenv("PELKO_DATA_DIR", (path / "data").c_str(), 1);
    }
    ~CTempDir() {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
    std::string DataFile(const std::string& name) const { return (path / "data" / name).string(); }

    static void Write(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }
    static std::string Read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path path;
};
