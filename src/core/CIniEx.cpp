#include "core/CIniEx.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "core/CTargetFile.h"
#include "core/CTool.h"

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimRight(std::string text) {
    while (!text.empty() && IsSpace(text.back()))
        text.pop_back();
    return text;
}

bool IsComment(const std::string& line) {
    size_t i = 0;
    while (i < line.size() && IsSpace(line[i]))
        ++i;
    return i < line.size() && line[i] == ';';
}

// The whole file in one piece sized from the file: layouts are read at every set-up of a reader or
// writer, and growing the text step by step cost more than reading it.
std::string ReadAll(std::FILE* file) {
    std::string text;
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && info.st_size > 0) text.resize(static_cast<size_t>(info.st_size));
    text.resize(std::fread(text.data(), 1, text.size(), file));
    char more[4096]; // whatever was added since
    size_t got;
    while ((got = std::fread(more, 1, sizeof more, file)) > 0)
        text.append(more, got);
    return text;
}

struct CFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using CFilePtr = std::unique_ptr<std::FILE, CFileCloser>;

// Files parsed in this process, by path and case rule (the key index depends on it), with the bytes
// they were parsed from: layouts are opened at every set-up of a reader or writer, and parsing them
// each time was most of a small run. Reading the bytes again is cheap and tells any change, however
// fast it follows the last (file times are too coarse for that).
struct CParsedFile {
    std::string text;
    std::shared_ptr<const void> contents;
};
std::mutex parsedLock;
std::map<std::pair<std::string, bool>, CParsedFile> parsedFiles;

} // namespace

CIniEx::~CIniEx() {
    if (autoSave && unsaved) Save();
}

std::string CIniEx::LocateFile(const std::string& fileName) {
    if (fileName.find('/') != std::string::npos) return fileName;
    std::string dataDir = CTool::GetDataDir(true);
    std::string inData = dataDir + "/" + fileName;
    if (!CPlatform::FileExists(inData)) {
        std::string templ = CTool::GetProgramDir() + "/" + fileName;
        if (CPlatform::FileExists(templ)) CPlatform::CopyFile(templ, inData);
    }
    return inData;
}

bool CIniEx::Open(const std::string& fileName, bool autoSaveFlag, bool create, bool caseInsensitiveFlag) {
    if (!path.empty()) Save();
    Clear();
    readFailed = false;
    autoSave = autoSaveFlag;
    caseInsensitive = caseInsensitiveFlag;
    sections = std::make_shared<CSections>(Fresh());

    std::string location = LocateFile(fileName);
    CFilePtr file(CPlatform::OpenFile(location, "rb"));
    if (!file && create) {
        CFilePtr created(CPlatform::OpenFile(location, "ab"));
        if (created) file.reset(CPlatform::OpenFile(location, "rb"));
    }
    if (!file) {
        autoSave = false;
        return false;
    }
    path = location;
    std::string text = ReadAll(file.get());
    // A read error is no end of the file: half a settings file must neither be used nor saved
    // over the whole one.
    if (std::ferror(file.get())) {
        Clear();
        sections = std::make_shared<CSections>(Fresh());
        autoSave = false;
        readFailed = true;
        return false;
    }
    const std::pair<std::string, bool> cacheKey(location, caseInsensitive);
    std::lock_guard<std::mutex> lock(parsedLock);
    CParsedFile& parsedFile = parsedFiles[cacheKey];
    if (!parsedFile.contents || parsedFile.text != text) {
        auto parsed = std::make_shared<CSections>(Fresh());
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            ParseLine(*parsed, text.substr(start, end - start));
            start = end + 1;
        }
        parsedFile = CParsedFile{std::move(text), std::move(parsed)};
    }
    sections = std::static_pointer_cast<const CSections>(parsedFile.contents);
    return true;
}

CIniEx::CSections& CIniEx::Edit() {
    if (sections.use_count() > 1) sections = std::make_shared<CSections>(*sections);
    return const_cast<CSections&>(*sections);
}

void CIniEx::ParseLine(CSections& into, std::string line) const {
    line = TrimRight(std::move(line));
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        into.emplace_back(line.substr(1, line.size() - 2), caseInsensitive);
        return;
    }
    CSection& section = into.back();
    size_t eq = line.find('=');
    if (IsComment(line) || eq == std::string::npos)
        AddEntry(section, std::move(line), std::string());
    else
        AddEntry(section, line.substr(0, eq), line.substr(eq + 1));
}

size_t CIniEx::CKeyRule::operator()(std::string_view key) const {
    size_t hash = 14695981039346656037ull;
    for (char c : key)
        hash = (hash ^ static_cast<unsigned char>(caseInsensitive ? CCodePage::ToLower(c) : c)) *
               1099511628211ull;
    return hash;
}

bool CIniEx::CKeyRule::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    if (!caseInsensitive) return a == b;
    for (size_t i = 0; i < a.size(); ++i)
        if (CCodePage::ToLower(a[i]) != CCodePage::ToLower(b[i])) return false;
    return true;
}

void CIniEx::AddEntry(CSection& section, std::string key, std::string value) const {
    section.index[key] = section.keys.size();
    section.keys.push_back(std::move(key));
    section.values.push_back(std::move(value));
}

int CIniEx::FindSection(const std::string& name) const {
    if (lastSection >= 0 && name == lastSectionName) return lastSection;
    for (size_t i = 0; i < sections->size(); ++i) {
        if (Same((*sections)[i].name, name)) {
            lastSectionName = name;
            return lastSection = static_cast<int>(i);
        }
    }
    return -1;
}

int CIniEx::FindKey(const CSection& section, const std::string& key) const {
    auto found = section.index.find(std::string_view(key));
    return found == section.index.end() ? -1 : static_cast<int>(found->second);
}

bool CIniEx::GetString(const std::string& section, const std::string& key, std::string& out) const {
    out.clear();
    int s = FindSection(section);
    if (s < 0) return false;
    int k = FindKey((*sections)[static_cast<size_t>(s)], key);
    if (k < 0) return false;
    const std::string& value = (*sections)[static_cast<size_t>(s)].values[static_cast<size_t>(k)];
    out = value.find('\r') == std::string::npos ? value : CTool::ReplaceAll(value, "\r", "\r\n");
    return !out.empty();
}

bool CIniEx::GetInt(const std::string& section, const std::string& key, int& out) const {
    std::string text;
    bool found = GetString(section, key, text);
    out = CTool::ToInt(text);
    return found;
}

void CIniEx::SetString(const std::string& section, const std::string& key, const std::string& value) {
    // A line break would split the entry when the file is read again, so LF is kept as CR as well.
    std::string stored = value.find('\n') == std::string::npos
                             ? value
                             : CTool::ReplaceAll(CTool::ReplaceAll(value, "\r\n", "\r"), "\n", "\r");
    int s = FindSection(section);
    int k = s < 0 ? -1 : FindKey((*sections)[static_cast<size_t>(s)], key);
    if (k >= 0 && (*sections)[static_cast<size_t>(s)].values[static_cast<size_t>(k)] == stored) return;
    CSections& edited = Edit();
    modified = true;
    unsaved = true;
    roundTrips = roundTrips && RoundTrips(section, key, stored);
    if (edited.empty()) edited = Fresh();
    if (s < 0) {
        edited.emplace_back(section, caseInsensitive);
        s = static_cast<int>(edited.size()) - 1;
    }
    CSection& target = edited[static_cast<size_t>(s)];
    if (k < 0)
        AddEntry(target, key, stored);
    else
        target.values[static_cast<size_t>(k)] = stored;
}

void CIniEx::SetInt(const std::string& section, const std::string& key, int value) {
    SetString(section, key, std::to_string(value));
}

bool CIniEx::Save() {
    if (readFailed) return false;
    if (!modified || path.empty()) return true;
    std::string text;
    for (size_t s = 0; s < sections->size(); ++s) {
        const CSection& section = (*sections)[s];
        // Only the leading section has no header line; a header "[]" read from the file stays.
        if (s > 0) text += "[" + section.name + "]\r\n";
        for (size_t i = 0; i < section.keys.size(); ++i) {
            const std::string& key = section.keys[i];
            // A line such as "=x" has an empty key; writing the key alone would lose its value.
            if (!IsComment(key) && (!key.empty() || !section.values[i].empty()))
                text += key + "=" + section.values[i] + "\r\n";
            else
                text += key + "\r\n";
        }
    }
    CTargetFile file;
    if (!file.Open(path) || !file.Write(text) || !file.Commit()) return false;
    unsaved = false;
    // What was written parses into what is held: the next Open of these bytes takes it as it is.
    if (roundTrips) {
        std::lock_guard<std::mutex> lock(parsedLock);
        parsedFiles[{path, caseInsensitive}] = CParsedFile{std::move(text), sections};
    }
    return true;
}

// False for an entry that reads back otherwise than it was set: a line break or "=" in the key, a
// key read as a comment, trailing blanks that reading trims, a line break in a section name.
bool CIniEx::RoundTrips(const std::string& section, const std::string& key, const std::string& value) {
    auto trailingSpace = [](const std::string& text) { return !text.empty() && IsSpace(text.back()); };
    return section.find('\n') == std::string::npos && key.find_first_of("\n=") == std::string::npos &&
           !IsComment(key) && !trailingSpace(key) && value.find('\n') == std::string::npos &&
           !trailingSpace(value);
}

void CIniEx::Clear() {
    path.clear();
    roundTrips = true;
    unsaved = false;
    lastSection = -1;
    sections = std::make_shared<CSections>();
    modified = false;
}

std::vector<std::string> CIniEx::GetSectionNames() const {
    std::vector<std::string> names;
    for (const CSection& section : *sections)
        names.push_back(section.name);
    return names;
}

std::vector<std::string> CIniEx::GetKeys(const std::string& section) const {
    int s = FindSection(section);
    return s < 0 ? std::vector<std::string>{} : (*sections)[static_cast<size_t>(s)].keys;
}
