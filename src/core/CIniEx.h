#pragma once

#include <string>
#include <vector>

// An INI file held wholly in memory: comments, blank lines and the order of sections and keys
// survive a save, and the file is written back only when something changed.
class CIniEx {
public:
    CIniEx() = default;
    CIniEx(const CIniEx&) = delete;
    CIniEx& operator=(const CIniEx&) = delete;
    ~CIniEx();

    // A bare file name lives in the per-user data folder (seeded from the program folder);
    // a name with a folder is used where it is.
    bool Open(const std::string& fileName, bool autoSave = true, bool create = true,
              bool caseInsensitive = true);
    bool GetString(const std::string& section, const std::string& key, std::string& out) const;
    bool GetInt(const std::string& section, const std::string& key, int& out) const;
    void SetString(const std::string& section, const std::string& key, const std::string& value);
    void SetInt(const std::string& section, const std::string& key, int value);
    bool Save();
    void Clear();

    const std::string& GetPath() const { return path; }
    // True when the last Open found the file but could not read it to its end (Open returned false).
    bool ReadFailed() const { return readFailed; }
    bool IsModified() const { return modified; }
    // Section names in file order (entry 0 is the unnamed leading section).
    std::vector<std::string> GetSectionNames() const;
    // Keys of one section in file order, comments and blank lines included.
    std::vector<std::string> GetKeys(const std::string& section) const;
    bool HasSection(const std::string& section) const { return FindSection(section) >= 0; }
    // Resolves where a settings file of this name lives, seeding the data folder from the program folder.
    static std::string LocateFile(const std::string& fileName);

private:
    struct CSection {
        std::string name;
        std::vector<std::string> keys;
        std::vector<std::string> values;
    };

    int FindSection(const std::string& name) const;
    int FindKey(const CSection& section, const std::string& key) const;
    bool Same(const std::string& a, const std::string& b) const;
    void ParseLine(std::string line);

    std::string path;
    std::vector<CSection> sections;
    bool caseInsensitive = true;
    bool autoSave = false;
    bool modified = false;
    bool readFailed = false;
};
