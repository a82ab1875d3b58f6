#include "core/CIniEx.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"
#include "core/CTargetFile.h"
#include "core/CTool.h"

#include <cstdio>
#include <memory>

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

struct CFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using CFilePtr = std::unique_ptr<std::FILE, CFileCloser>;

} // namespace

CIniEx::~CIniEx() {
    if (autoSave) Save();
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
    sections.push_back(CSection{});

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
    std::string line;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        for (size_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                ParseLine(std::move(line));
                line.clear();
            } else {
                line += buffer[i];
            }
        }
    }
    // A read error is no end of the file: half a settings file must neither be used nor saved
    // over the whole one.
    if (std::ferror(file.get())) {
        Clear();
        sections.push_back(CSection{});
        autoSave = false;
        readFailed = true;
        return false;
    }
    if (!line.empty()) ParseLine(std::move(line));
    return true;
}

void CIniEx::ParseLine(std::string line) {
    line = TrimRight(std::move(line));
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        sections.push_back(CSection{line.substr(1, line.size() - 2), {}, {}});
        return;
    }
    CSection& section = sections.back();
    size_t eq = line.find('=');
    if (IsComment(line) || eq == std::string::npos) {
        section.keys.push_back(std::move(line));
        section.values.emplace_back();
    } else {
        section.keys.push_back(line.substr(0, eq));
        section.values.push_back(line.substr(eq + 1));
    }
}

bool CIniEx::Same(const std::string& a, const std::string& b) const {
    if (a.size() != b.size()) return false;
    if (!caseInsensitive) return a == b;
    for (size_t i = 0; i < a.size(); ++i)
        if (CCodePage::ToLower(a[i]) != CCodePage::ToLower(b[i])) return false;
    return true;
}

int CIniEx::FindSection(const std::string& name) const {
    for (size_t i = 0; i < sections.size(); ++i)
        if (Same(sections[i].name, name)) return static_cast<int>(i);
    return -1;
}

int CIniEx::FindKey(const CSection& section, const std::string& key) const {
    for (size_t i = section.keys.size(); i-- > 0;)
        if (Same(section.keys[i], key)) return static_cast<int>(i);
    return -1;
}

bool CIniEx::GetString(const std::string& section, const std::string& key, std::string& out) const {
    out.clear();
    int s = FindSection(section);
    if (s < 0) return false;
    int k = FindKey(sections[static_cast<size_t>(s)], key);
    if (k < 0) return false;
    out = CTool::ReplaceAll(sections[static_cast<size_t>(s)].values[static_cast<size_t>(k)], "\r", "\r\n");
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
    std::string stored = CTool::ReplaceAll(CTool::ReplaceAll(value, "\r\n", "\r"), "\n", "\r");
    if (sections.empty()) sections.push_back(CSection{});
    int s = FindSection(section);
    if (s < 0) {
        sections.push_back(CSection{section, {}, {}});
        s = static_cast<int>(sections.size()) - 1;
        modified = true;
    }
    CSection& target = sections[static_cast<size_t>(s)];
    int k = FindKey(target, key);
    if (k < 0) {
        target.keys.push_back(key);
        target.values.push_back(stored);
        modified = true;
    } else if (target.values[static_cast<size_t>(k)] != stored) {
        target.values[static_cast<size_t>(k)] = stored;
        modified = true;
    }
}

void CIniEx::SetInt(const std::string& section, const std::string& key, int value) {
    SetString(section, key, std::to_string(value));
}

bool CIniEx::Save() {
    if (readFailed) return false;
    if (!modified || path.empty()) return true;
    std::string text;
    for (size_t s = 0; s < sections.size(); ++s) {
        const CSection& section = sections[s];
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
    return file.Open(path) && file.Write(text) && file.Commit();
}

void CIniEx::Clear() {
    path.clear();
    sections.clear();
    modified = false;
}

std::vector<std::string> CIniEx::GetSectionNames() const {
    std::vector<std::string> names;
    for (const CSection& section : sections)
        names.push_back(section.name);
    return names;
}

std::vector<std::string> CIniEx::GetKeys(const std::string& section) const {
    int s = FindSection(section);
    return s < 0 ? std::vector<std::string>{} : sections[static_cast<size_t>(s)].keys;
}
