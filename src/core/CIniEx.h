#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// An INI file held wholly in memory: comments, blank lines and the order of sections and keys
// survive a save, and the file is written back only when something changed. A file read before and
// unchanged on disk since is not parsed again: its contents are shared until one side changes them.
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
    // The parsed contents: the same object as long as the file holds the same bytes and no Set
    // changed them, so that callers can keep what they derived from it.
    std::shared_ptr<const void> Contents() const { return sections; }
    // Section names in file order (entry 0 is the unnamed leading section).
    std::vector<std::string> GetSectionNames() const;
    // Keys of one section in file order, comments and blank lines included.
    std::vector<std::string> GetKeys(const std::string& section) const;
    bool HasSection(const std::string& section) const { return FindSection(section) >= 0; }
    // Resolves where a settings file of this name lives, seeding the data folder from the program folder.
    static std::string LocateFile(const std::string& fileName);

private:
    // Hashes and compares keys under the file's case rule, looked up without a copy of the key.
    struct CKeyRule {
        bool caseInsensitive = true;
        using is_transparent = void;
        size_t operator()(std::string_view key) const;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct CSection {
        explicit CSection(std::string sectionName = {}, bool caseInsensitive = true)
            : name(std::move(sectionName)), index(0, CKeyRule{caseInsensitive}, CKeyRule{caseInsensitive}) {}
        std::string name;
        std::vector<std::string> keys;
        std::vector<std::string> values;
        // Key -> its last line: layouts hold hundreds of keys, each looked up several times.
        std::unordered_map<std::string, size_t, CKeyRule, CKeyRule> index;
    };

    using CSections = std::vector<CSection>;

    // The contents, copied first when they are shared with the cache or another object.
    CSections& Edit();
    CSections Fresh() const { return CSections(1, CSection({}, caseInsensitive)); }
    int FindSection(const std::string& name) const;
    int FindKey(const CSection& section, const std::string& key) const;
    bool Same(std::string_view a, std::string_view b) const { return CKeyRule{caseInsensitive}(a, b); }
    void AddEntry(CSection& section, std::string key, std::string value) const;
    void ParseLine(CSections& into, std::string line) const;
    static bool RoundTrips(const std::string& section, const std::string& key, const std::string& value);

    std::string path;
    std::shared_ptr<const CSections> sections = std::make_shared<CSections>();
    bool caseInsensitive = true;
    bool autoSave = false;
    bool modified = false;
    // Changed since the last save; only then does the destructor save.
    bool unsaved = false;
    bool readFailed = false;
    // No entry set since Open that would read back otherwise (see RoundTrips).
    bool roundTrips = true;
    // The section found last: a layout is read and written key by key within one section.
    mutable std::string lastSectionName;
    mutable int lastSection = -1;
};
