#pragma once

#include "support/CTempDir.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

// Damaged and random text input for the robustness tests of the readers: fixed seeds, so a failing
// case comes back on every run.
namespace fuzz {

inline size_t Pick(std::mt19937& random, size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(random);
}

// Bytes that mean something to one of the text readers.
inline const std::string& StructureBytes() {
    static const std::string bytes("\";,\t|\r\n\0=[]/:#~\xA7\x96", 18);
    return bytes;
}

// Changes a text file the way broken transfers, editors and foreign programs do. Now and then a
// field of 100 KB or a line of thousands of columns.
inline std::string Mutate(std::string bytes, std::mt19937& random) {
    const std::string& structure = StructureBytes();
    for (int step = 0, steps = 1 + static_cast<int>(Pick(random, 5)); step < steps; ++step) {
        const size_t at = Pick(random, bytes.size() + 1);
        switch (Pick(random, 9)) {
        case 0:
            if (!bytes.empty()) bytes[Pick(random, bytes.size())] ^= static_cast<char>(1 << Pick(random, 8));
            break;
        case 1:
        case 2:
            bytes.insert(at, 1, structure[Pick(random, structure.size())]);
            break;
        case 3:
            if (!bytes.empty()) bytes[Pick(random, bytes.size())] = structure[Pick(random, structure.size())];
            break;
        case 4:
            bytes.resize(at);
            break;
        case 5:
            if (Pick(random, 8) == 0) bytes.insert(at, std::string(100 * 1024, 'x'));
            break;
        case 6:
            if (Pick(random, 8) == 0)
                bytes.insert(at, std::string(2000 + Pick(random, 3000), ";,|\t"[Pick(random, 4)]));
            break;
        case 7: {
            size_t from = Pick(random, bytes.size() + 1);
            bytes.insert(at, bytes.substr(from, 1 + Pick(random, 200)));
            break;
        }
        default:
            bytes.erase(at, 1 + Pick(random, 50));
        }
    }
    return bytes;
}

inline std::string RandomBytes(std::mt19937& random, size_t maxSize) {
    std::string bytes(Pick(random, maxSize + 1), '\0');
    const std::string& structure = StructureBytes();
    for (char& c : bytes)
        c = Pick(random, 2) ? structure[Pick(random, structure.size())] : static_cast<char>(random() & 0xFF);
    return bytes;
}

// Offsets just before, at and after every structure byte of the first lines: where a cut file ends
// in the middle of a field, a quote or a line end.
inline std::vector<size_t> CutOffsets(const std::string& bytes, size_t scanned, size_t stride) {
    std::vector<size_t> offsets;
    scanned = std::min(scanned, bytes.size());
    for (size_t i = 0, seen = 0; i < scanned; ++i) {
        if (StructureBytes().find(bytes[i]) == std::string::npos) continue;
        if (seen++ % stride == 0)
            for (size_t at : {i, i + 1})
                offsets.push_back(at);
    }
    offsets.push_back(bytes.size() - 1);
    return offsets;
}

// Lines of a file, counted as generously as any reader may split it.
inline long long LineCount(const std::string& bytes) {
    return 1 + std::count(bytes.begin(), bytes.end(), '\n') + std::count(bytes.begin(), bytes.end(), '\r');
}

inline std::vector<std::string> ReadAll(const std::vector<std::string>& folders, const std::string& prefix) {
    std::vector<std::string> files;
    for (const std::string& folder : folders) {
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().filename().string().starts_with(prefix))
                files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> contents;
    for (const std::string& file : files)
        contents.push_back(CTempDir::Read(file));
    return contents;
}

// Files are removed rather than overwritten: truncating a file makes the file system flush it.
inline void Replace(const std::string& path, const std::string& bytes) {
    std::filesystem::remove(path);
    CTempDir::Write(path, bytes);
}

} // namespace fuzz
