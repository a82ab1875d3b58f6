#include "text/CModulCSV.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CIniEx.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "core/CValueCheck.h"
#include "text/CDlgModulCsvExport.h"
#include "text/CDlgModulCsvImport.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char kSeparators[4] = {';', ',', '\t', '|'};
const char* const kReplacements[4] = {",", ".", "    ", "/"};
// Stands in for a text while another replacement runs, so that no replacement meets its own result.
const std::string kMarker = "~\xA7";
constexpr size_t kMaxValue = 32760;
constexpr size_t kCutValue = 32700;
constexpr size_t kDenseFields = 4096;

std::string OptionKeyNoHeading() {
    static const std::string key = Ansi("Keine Überschriftszeile");
    return key;
}

// The fields from the first one up to the highest position a key reads (-1: none). No line holds
// more columns than the limit: a layout's far position gives no size beyond it.
size_t FieldsUpTo(int highest) {
    return std::min(static_cast<size_t>(highest) + 1, static_cast<size_t>(CModulCSV::kMaxColumns));
}

bool HasMarker(const std::string& text) {
    return text.find(kMarker) != std::string::npos;
}

// Every LF becomes CR LF (and a marker read from the file too).
std::string WithCrLf(const std::string& value) {
    if (value.find('\n') == std::string::npos && !HasMarker(value)) return value;
    return CTool::ReplaceAll(CTool::ReplaceAll(value, "\n", kMarker), kMarker, "\r\n");
}

// Pairs of LF become LF, blank, LF, scanning from the left without overlap.
std::string SplitEmptyLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += " \n";
            ++i;
        }
    }
    return out;
}

} // namespace

CModulCSV::CModulCSV(CFrontEnd& frontEndRef) : frontEnd(frontEndRef) {}

void CModulCSV::ResetLayout() {
    CStepCode::Set(6000);
    columns.clear();
    written.clear();
    keys.clear();
    keyColumns.clear();
    firstColumns.clear();
    hasReferences = false;
    OrderChanged();
    CStepCode::Set(6001);
    quoteAll = 1;
    separatorIndex = 0;
    noLineBreaks = 0;
    importProfile.clear();
    exportProfile.clear();
}

int CModulCSV::DefineColumn(const std::string& name, int selected) {
    CStepCode::Set(6002);
    if (columns.size() >= kMaxColumns) return 0;
    CsvColumn column;
    column.name = name;
    column.heading = name;
    column.selected = selected;
    column.position = static_cast<int>(columns.size());
    columns.push_back(std::move(column));
    written.emplace_back();
    auto [it, added] = keys.try_emplace(name, static_cast<int>(keyColumns.size()));
    if (added) {
        keyColumns.emplace_back();
        firstColumns.push_back(columns.size() - 1);
    }
    keyColumns[static_cast<size_t>(it->second)].push_back(static_cast<int>(columns.size()) - 1);
    OrderChanged();
    return 1;
}

int CModulCSV::NameKey(const std::string& name) const {
    auto it = keys.find(name);
    return it == keys.end() ? -1 : it->second;
}

void CModulCSV::SetPosition(int index, int position) {
    columns[static_cast<size_t>(index)].position = position;
    OrderChanged();
}

void CModulCSV::SetSelected(int index, int selected) {
    columns[static_cast<size_t>(index)].selected = selected;
    OrderChanged();
}

void CModulCSV::SwapPositions(int a, int b) {
    std::swap(columns[static_cast<size_t>(a)].position, columns[static_cast<size_t>(b)].position);
    OrderChanged();
}

const std::string& CModulCSV::AssignedHeading(int index) const {
    static const std::string none;
    int position = columns[static_cast<size_t>(index)].position;
    return position >= 0 && position < GetColumnCount() ? columns[static_cast<size_t>(position)].value : none;
}

// ---------------------------------------------------------------------------------------------
// Layout sections

// What a layout section gave the columns: its options, and per column position, selection, heading
// and fixed value. Every reader and writer reads its unchanged layout at every set-up and saves it
// back unchanged; what was read or saved last is taken again while the file holds the same bytes.
struct CModulCSV::CLayoutState {
    std::vector<std::string> texts;
    std::vector<int> numbers;
};

namespace {

// Per kind (read or saved), file, section, column names and, for reading, the selection before
// (a column without "Sel.:" keeps its own): the contents it was taken from and what it gave.
struct CRememberedLayout {
    bool saved = false;
    std::string path;
    std::string section;
    std::vector<std::string> names;
    std::vector<int> selection;
    std::shared_ptr<const void> contents;
    std::shared_ptr<const void> state;
};
std::mutex rememberedLock;
// Found by a hash of the key, so that a look-up neither copies nor compares all column names twice.
std::unordered_multimap<size_t, CRememberedLayout> rememberedLayouts;
// Input files with extra fields make new column lists; a few hundred are plenty.
constexpr size_t kRememberedLimit = 256;

size_t Mix(size_t hash, size_t value) {
    return hash ^ (value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2));
}

bool SameKey(const CRememberedLayout& entry, bool saved, const std::string& path, const std::string& section,
             const std::vector<CsvColumn>& columns, const std::vector<int>& selection) {
    return entry.saved == saved && entry.path == path && entry.section == section &&
           entry.selection == selection &&
           std::equal(entry.names.begin(), entry.names.end(), columns.begin(), columns.end(),
                      [](const std::string& name, const CsvColumn& column) { return name == column.name; });
}

} // namespace

std::array<int, 10> CModulCSV::LayoutOptions() const {
    return {separatorIndex, quoteAll,  noLineBreaks,  softReturn,  oemCharset,
            decimalPoint,   noHeading, checkHeadings, layoutFound, hasReferences};
}

CModulCSV::CLayoutState CModulCSV::CaptureLayout() const {
    CLayoutState state;
    const std::array<int, 10> options = LayoutOptions();
    state.numbers.assign(options.begin(), options.end());
    for (const CsvColumn& column : columns) {
        state.numbers.push_back(column.position);
        state.numbers.push_back(column.selected);
        state.numbers.push_back(column.placedByLayout);
        state.texts.push_back(column.heading);
        state.texts.push_back(column.fixedValue);
    }
    return state;
}

bool CModulCSV::HoldsLayout(const CLayoutState& state) const {
    const std::vector<int>& n = state.numbers;
    const std::array<int, 10> options = LayoutOptions();
    if (n.size() != 10 + 3 * columns.size() || !std::equal(options.begin(), options.end(), n.begin()))
        return false;
    for (size_t i = 0; i < columns.size(); ++i) {
        const CsvColumn& column = columns[i];
        if (column.position != n[10 + 3 * i] || column.selected != n[11 + 3 * i] ||
            column.placedByLayout != (n[12 + 3 * i] != 0) || column.heading != state.texts[2 * i] ||
            column.fixedValue != state.texts[2 * i + 1])
            return false;
    }
    return true;
}

void CModulCSV::ApplyLayout(const CLayoutState& state) {
    const std::vector<int>& n = state.numbers;
    separatorIndex = n[0], quoteAll = n[1], noLineBreaks = n[2], softReturn = n[3], oemCharset = n[4];
    decimalPoint = n[5], noHeading = n[6], checkHeadings = n[7], layoutFound = n[8], hasReferences = n[9];
    for (size_t i = 0; i < columns.size(); ++i) {
        columns[i].position = n[10 + 3 * i];
        columns[i].selected = n[11 + 3 * i];
        columns[i].placedByLayout = n[12 + 3 * i];
        columns[i].heading = state.texts[2 * i];
        columns[i].fixedValue = state.texts[2 * i + 1];
    }
    OrderChanged();
}

std::vector<int> CModulCSV::SelectionKey() const {
    std::vector<int> selection;
    selection.reserve(columns.size());
    for (const CsvColumn& column : columns)
        selection.push_back(column.selected);
    return selection;
}

size_t CModulCSV::LayoutKeyHash(bool saved, const std::string& path, const std::string& section,
                                const std::vector<int>& selection) const {
    const std::hash<std::string_view> hash;
    size_t key = Mix(Mix(hash(path), hash(section)), saved);
    for (const CsvColumn& column : columns)
        key = Mix(key, hash(column.name));
    for (int selected : selection)
        key = Mix(key, static_cast<size_t>(selected));
    return key;
}

// True when the same columns were read from (or saved unchanged to) these very contents before.
// Read: the columns take what was read then. Saved: only when they hold what was saved then.
bool CModulCSV::Remembered(bool saved, const CIniEx& ini, const std::string& section,
                           const std::vector<int>& selection) {
    std::shared_ptr<const void> state;
    {
        std::lock_guard<std::mutex> lock(rememberedLock);
        auto [first, last] =
            rememberedLayouts.equal_range(LayoutKeyHash(saved, ini.GetPath(), section, selection));
        for (auto it = first; it != last && !state; ++it) {
            if (!SameKey(it->second, saved, ini.GetPath(), section, columns, selection)) continue;
            if (it->second.contents != ini.Contents()) return false;
            state = it->second.state;
        }
    }
    if (!state) return false;
    const CLayoutState& layout = *std::static_pointer_cast<const CLayoutState>(state);
    if (saved) return HoldsLayout(layout);
    ApplyLayout(layout);
    return true;
}

void CModulCSV::Remember(bool saved, const CIniEx& ini, const std::string& section,
                         std::vector<int> selection) const {
    auto state = std::make_shared<CLayoutState>(CaptureLayout());
    const size_t key = LayoutKeyHash(saved, ini.GetPath(), section, selection);
    std::lock_guard<std::mutex> lock(rememberedLock);
    auto [first, last] = rememberedLayouts.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (!SameKey(it->second, saved, ini.GetPath(), section, columns, selection)) continue;
        it->second.contents = ini.Contents();
        it->second.state = std::move(state);
        return;
    }
    if (rememberedLayouts.size() >= kRememberedLimit) rememberedLayouts.clear();
    CRememberedLayout entry{saved,          ini.GetPath(),   section, {}, std::move(selection),
                            ini.Contents(), std::move(state)};
    for (const CsvColumn& column : columns)
        entry.names.push_back(column.name);
    rememberedLayouts.emplace(key, std::move(entry));
}

void CModulCSV::LoadLayout(const std::string& fileName, const std::string& section) {
    hasReferences = false;
    quoteAll = 1;
    separatorIndex = 0;
    for (CsvColumn& column : columns)
        column.position = -1;
    OrderChanged();

    CIniEx ini;
    layoutFound = false;
    checkHeadings = 1;
    layoutUnreadable = false;
    if (!ini.Open(fileName)) {
        layoutUnreadable = ini.ReadFailed();
        for (size_t i = 0; i < columns.size(); ++i) {
            columns[i].position = static_cast<int>(i);
            columns[i].selected = 1;
        }
        return;
    }
    const std::vector<int> selection = SelectionKey();
    if (Remembered(false, ini, section, selection)) return;
    auto option = [&](const std::string& key, int& target, int fallback) {
        if (!ini.GetInt(section, key, target)) target = fallback;
    };
    option("Trennzeichen", separatorIndex, 0);
    option("Hochkomma", quoteAll, 1);
    option("OpenOffice", noLineBreaks, 0);
    option("SoftReturn", softReturn, 10);
    option("Zeichensatz", oemCharset, 0);
    option("Nachkommazeichen", decimalPoint, 0);
    option(OptionKeyNoHeading(), noHeading, 0);
    option(Ansi("Überschriften prüfen"), checkHeadings, 1);
    layoutFound = ini.HasSection(section);

    int highest = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        CsvColumn& column = columns[i];
        column.placedByLayout = ini.GetInt(section, "Pos.: " + column.name, column.position);
        if (!column.placedByLayout) column.position = -1;
        int selected = 0;
        if (ini.GetInt(section, "Sel.: " + column.name, selected)) column.selected = selected;
        if (!ini.GetString(section, "Name: " + column.name, column.heading)) column.heading = column.name;
        ini.GetString(section, "Wert: " + column.name, column.fixedValue);
        // A position that an earlier column holds already goes behind the highest one so far.
        if (column.position >= 0) {
            for (size_t j = 0; j < i; ++j) {
                if (columns[j].position == column.position) {
                    // With no place behind the highest, it takes the first free one like an unplaced column.
                    column.position = highest < std::numeric_limits<int>::max() ? highest + 1 : -1;
                    break;
                }
            }
        }
        highest = std::max(highest, column.position);
    }
    hasReferences = std::any_of(columns.begin(), columns.end(),
                                [this](const CsvColumn& c) { return Reference(c.fixedValue) >= 0; });

    std::vector<char> taken(columns.size() + 1, 0);
    for (const CsvColumn& column : columns)
        if (column.position >= 0 && column.position < GetColumnCount())
            taken[static_cast<size_t>(column.position)] = 1;
    for (CsvColumn& column : columns) {
        if (column.position != -1) continue;
        size_t free = 0;
        while (free < columns.size() && taken[free])
            ++free;
        column.position = static_cast<int>(free);
        taken[free] = 1;
    }
    Remember(false, ini, section, selection);
}

// Half a layout would read or write the columns in wrong places, and saving it would lose the rest.
int CModulCSV::LayoutUnreadable(const std::string& layoutFile) {
    ShowFileError(601, Ansi("Die Datei (%s) kann nicht gelesen werden.\nDer Vorgang wird abgebrochen."),
                  CIniEx::LocateFile(layoutFile));
    return 0;
}

int CModulCSV::SaveLayout(const std::string& fileName, const std::string& section) {
    CIniEx ini;
    if (!ini.Open(fileName)) return 0;
    if (Remembered(true, ini, section, {})) return 1;
    ini.SetInt(section, "Trennzeichen", separatorIndex);
    ini.SetInt(section, "Hochkomma", quoteAll);
    ini.SetInt(section, "OpenOffice", noLineBreaks);
    ini.SetInt(section, "SoftReturn", softReturn);
    ini.SetInt(section, "Zeichensatz", oemCharset);
    ini.SetInt(section, "Nachkommazeichen", decimalPoint);
    ini.SetInt(section, OptionKeyNoHeading(), noHeading);
    for (const CsvColumn& column : columns) {
        if (column.name.empty()) continue;
        ini.SetInt(section, "Pos.: " + column.name, column.position);
        ini.SetInt(section, "Sel.: " + column.name, column.selected);
        ini.SetString(section, "Name: " + column.name, column.heading);
    }
    if (!ini.Save()) return 0;
    // The file holds these columns now: the next set-up with them need not save again.
    Remember(true, ini, section, {});
    return 1;
}

void CModulCSV::SaveLayoutNoting(const std::string& layoutFile, const std::string& section) {
    if (SaveLayout(layoutFile, section)) return;
    std::string shown =
        layoutFile.find('/') == std::string::npos ? CTool::GetDataDir(false) + "/" + layoutFile : layoutFile;
    findings += Ansi("HINWEIS: Die Einstellungen konnten nicht in der Datei '") + shown +
                Ansi("' gespeichert werden.\r\n");
}

std::string CModulCSV::TakeFindings() {
    return std::exchange(findings, std::string());
}

// ---------------------------------------------------------------------------------------------
// Export

int CModulCSV::SetupExport(const std::string& layoutFile, const std::string& section, int showDialog) {
    CStepCode::Set(6004);
    LoadLayout(layoutFile, section);
    if (layoutUnreadable) return LayoutUnreadable(layoutFile);
    CDlgModulCsvExport dialog(*this);
    if (!exportProfile.empty()) dialog.ApplyProfile(exportProfile);
    CStepCode::Set(6005);
    if (showDialog) {
        dialog.Open();
        if (!frontEnd.RunDialog(dialog)) return 0;
    }
    dialog.TakeOptions();
    CStepCode::Set(6006);
    SaveLayoutNoting(layoutFile, section);
    return 1;
}

int CModulCSV::OpenExportFile(const std::string& path, int append) {
    CStepCode::Set(6007);
    if (!file.OpenWrite(path, append)) {
        frontEnd.MessageBox(FileError(600, path));
        return 0;
    }
    exportPath = path;
    OrderChanged();
    return 1;
}

void CModulCSV::ContinueExport(CModulCSV& from) {
    file.TakeOverWrite(from.file);
    exportPath = from.exportPath;
    from.exportPath.clear();
    OrderChanged();
}

std::string CModulCSV::FileError(int code, const std::string& path) {
    // The step code after "#" tells where in the operation the file failed.
    struct CErrorText {
        int code;
        const char* action;
        const char* file;
        const char* advice;
        const char* end;
    };
    static const CErrorText kTexts[] = {
        {600, "Öffnen", "Export-Datei",
         "Kontrollieren Sie bitte ob ein gültiger Dateiname angegeben wurde oder die Datei von "
         "einer anderen Anwendung (z.B. Excel) geöffnet ist.",
         "Der Export wird abgebrochen."},
        {601, "Öffnen", "Eingabedatei",
         "Kontrollieren Sie bitte ob die Datei nicht von einer anderen Anwendung (z.B. Excel) "
         "geöffnet ist.",
         "Der Import wird abgebrochen."},
        {602, "Schreiben", "Export-Datei", "Die Datei wurde nicht gespeichert.",
         "Der Export wird abgebrochen."},
    };
    const CErrorText* text = &kTexts[0];
    for (const CErrorText& t : kTexts)
        if (t.code == code) text = &t;
    return CTool::Format("(E:%d#%d)\n", text->code, CStepCode::Get()) +
           Ansi(std::string("Es ist ein Fehler beim ") + text->action + " der " + text->file + " (") + path +
           Ansi(std::string(") aufgetreten.\n") + text->advice + "\n" + text->end);
}

namespace {

// Most values of a line are a few bytes ("" above all): copied with fixed-size moves that the
// compiler inlines, instead of one call to memcpy each, the shortest looked at first. Two moves that
// may overlap cover any length from n to 2n; three single bytes any length up to 3.
void CopyValue(char* out, const char* in, size_t size) {
    if (size <= 3) {
        if (size == 0) return;
        out[0] = in[0];
        out[size / 2] = in[size / 2];
        out[size - 1] = in[size - 1];
    } else if (size < 8) {
        std::memcpy(out, in, 4);
        std::memcpy(out + size - 4, in + size - 4, 4);
    } else if (size <= 16) {
        std::memcpy(out, in, 8);
        std::memcpy(out + size - 8, in + size - 8, 8);
    } else {
        std::memcpy(out, in, size);
    }
}

} // namespace

// A line is planned once and then joined for every record from the parts that change: the text of
// each column that is not held, and the constant bytes before it (separators, quotes and the texts
// of the held columns in between). A DATEVpro line has 125 fields, most of them empty and the same
// on every line.
void CModulCSV::PlanLine(std::string CsvColumn::*text, bool allConstant) {
    const char separator = WriteSeparator();
    const std::string_view quote = quoteAll ? "\"" : "";
    lineParts.clear();
    std::string lead;
    bool first = true;
    for (int index : writeOrder) {
        const CsvColumn& column = columns[static_cast<size_t>(index)];
        if (column.selected != 1) continue;
        if (!first) lead += separator;
        first = false;
        lead += quote;
        if (allConstant || Held(static_cast<size_t>(index)))
            lead += column.*text;
        else
            lineParts.push_back({std::exchange(lead, std::string()), static_cast<size_t>(index)});
        lead += quote;
    }
    lineEnd = std::move(lead);
    constantSize = lineEnd.size();
    for (const CLinePart& part : lineParts)
        constantSize += part.lead.size();
    plannedText = allConstant ? nullptr : text;
    plannedQuotes = quoteAll != 0;
    plannedSeparator = separator;
}

bool CModulCSV::PlannedValues() const {
    return plannedText == &CsvColumn::value && plannedQuotes == (quoteAll != 0) &&
           plannedSeparator == WriteSeparator();
}

size_t CModulCSV::JoinedSize() const {
    size_t size = constantSize;
    for (const CLinePart& part : lineParts)
        size += written[part.column].size();
    return size;
}

void CModulCSV::JoinInto(char* out) const {
    const std::string_view* values = written.data();
    for (const CLinePart& part : lineParts) {
        CopyValue(out, part.lead.data(), part.lead.size());
        out += part.lead.size();
        const std::string_view value = values[part.column];
        CopyValue(out, value.data(), value.size());
        out += value.size();
    }
    CopyValue(out, lineEnd.data(), lineEnd.size());
}

void CModulCSV::JoinSelected() {
    line.resize(JoinedSize());
    JoinInto(line.data());
}

int CModulCSV::WriteHeading() {
    CStepCode::Set(6009);
    // "Zeichensatz"=2: UTF-8 with its mark, so that spreadsheet programs recognise it.
    if (oemCharset == kUtf8Charset) file.WriteRaw("\xEF\xBB\xBF");
    if (noHeading) return 1;
    BuildOrders();
    CStepCode::Set(6010);
    PlanLine(&CsvColumn::heading, true);
    JoinSelected();
    CStepCode::Set(6011);
    file.WriteLine(oemCharset == kUtf8Charset ? CCodePage::AnsiToUtf8(line) : line);
    return 1;
}

namespace {

// What a byte asks of a value written: line ends, quotes and the marker's "~" always need the
// steps of TransformSteps; a separator only in an unquoted value (kSeparatorBit shifted by its
// index), a comma only in a number written with a decimal point.
constexpr unsigned char kAlwaysSteps = 1;
constexpr unsigned char kDecimalComma = 2;
constexpr unsigned char kSeparatorBit = 4;

constexpr std::array<unsigned char, 256> StepBytes() {
    std::array<unsigned char, 256> bytes{};
    for (unsigned char c : {'\n', '\r', '"', '~'})
        bytes[c] = kAlwaysSteps;
    bytes[','] |= kDecimalComma;
    for (size_t i = 0; i < std::size(kSeparators); ++i)
        bytes[static_cast<unsigned char>(kSeparators[i])] |= static_cast<unsigned char>(kSeparatorBit << i);
    return bytes;
}

constexpr std::array<unsigned char, 256> kStepBytes = StepBytes();

// The marks of four bytes at a time are gathered and looked at once: nearly no value holds any.
// Inlined into Transform: the call made SetValue keep its registers on the stack for every value.
[[gnu::always_inline]] inline bool NeedsSteps(std::string_view value, unsigned mask) {
    const auto* p = reinterpret_cast<const unsigned char*>(value.data());
    const auto* end = p + value.size();
    unsigned marks = 0;
    for (; end - p >= 4; p += 4)
        marks |= kStepBytes[p[0]] | kStepBytes[p[1]] | kStepBytes[p[2]] | kStepBytes[p[3]];
    switch (end - p) {
    case 3:
        marks |= kStepBytes[p[2]];
        [[fallthrough]];
    case 2:
        marks |= kStepBytes[p[1]];
        [[fallthrough]];
    case 1:
        marks |= kStepBytes[p[0]];
    }
    return (marks & mask) != 0;
}

} // namespace

// Writes into the column text it replaces, so that its room is reused record after record.
// Most values need none of the steps, apart from the quotes a column asks for; inlined into SetValue,
// as a call of its own for every value was a large part of writing a line.
[[gnu::always_inline]] inline std::string_view CModulCSV::Transform(std::string_view input, int numeric,
                                                                    int forceQuotes, std::string& out,
                                                                    bool mayView) const {
    const bool quoting = quoteAll || forceQuotes;
    const bool ownQuotes = quoting && !quoteAll;
    const unsigned mask = kAlwaysSteps | (numeric && decimalPoint ? kDecimalComma : 0) |
                          (quoting ? 0 : kSeparatorBit << WriteIndex());
    const size_t size = input.size() + (ownQuotes ? 2 : 0);
    if (size > kMaxValue || NeedsSteps(input, mask)) {
        TransformSteps(input, numeric, quoting, out);
        return out;
    }
    if (mayView && !ownQuotes) return input;
    // The text takes the room of the one before: when it is no longer, without any call. A longer
    // one (each one after ClearValues) is appended to the emptied text, which copies it only once.
    if (size > out.size() && !ownQuotes) {
        out.clear();
        out.append(input);
        return out;
    }
    if (size > out.size()) out.resize(size);
    char* const begin = out.data();
    char* at = begin;
    if (ownQuotes) {
        at[0] = '"';
        at[size - 1] = '"';
        ++at;
    }
    CopyValue(at, input.data(), input.size());
    out.erase(size);
    return {begin, size};
}

void CModulCSV::ClearValues() {
    CStepCode::Set(6014);
    storedFields = 0;
    if (readInPlace) return pendingReferences.clear();
    if (!held.empty()) {
        held.clear();
        plannedText = nullptr;
    }
    std::fill(written.begin(), written.end(), std::string_view());
    for (CsvColumn& column : columns) {
        if (readSelectedOnly && column.selected != 1) continue; // never assigned
        column.value.clear();
        if (hasReferences) column.supplied.clear(); // only "#n" fixed values keep it
    }
    pendingReferences.clear();
}

// The line is planned from the held columns' own values: those set as views are copied.
void CModulCSV::HoldValues() {
    for (size_t i = 0; i < columns.size(); ++i)
        if (written[i].data() != columns[i].value.data()) columns[i].value = written[i];
    held.assign(columns.size(), 1);
    plannedText = nullptr;
}

void CModulCSV::Release(size_t index) {
    held[index] = 0;
    plannedText = nullptr;
}

int CModulCSV::SetValue(const std::string& name, const std::string& value, int numeric, int forceQuotes) {
    return SetValue(NameKey(name), value, numeric, forceQuotes);
}

int CModulCSV::Reference(const std::string& fixed) const {
    if (fixed.empty() || fixed[0] != '#') return -1;
    // The rest after the leading "#" is read as a decimal integer; out of range, the text stays.
    int reference = CTool::ToInt(fixed.substr(std::min(fixed.find_first_not_of('#'), fixed.size())));
    return reference >= 0 && reference < GetColumnCount() ? reference : -1;
}

int CModulCSV::SetValue(int key, std::string_view value, int numeric, int forceQuotes) {
    return Assign(key, value, numeric, forceQuotes, false);
}

int CModulCSV::SetView(int key, std::string_view value, int numeric, int forceQuotes) {
    return Assign(key, value, numeric, forceQuotes, true);
}

void CModulCSV::SetViews(const CView* views, size_t count) {
    for (const CView* view = views; view != views + count; ++view)
        Assign(view->key, view->value, view->numeric, view->forceQuotes, true);
}

[[gnu::always_inline]] inline int CModulCSV::Assign(int key, std::string_view value, int numeric,
                                                    int forceQuotes, bool mayView) {
    CStepCode::Set(6012);
    if (key < 0 || static_cast<size_t>(key) >= firstColumns.size()) return 0;
    const size_t index = firstColumns[static_cast<size_t>(key)];
    CsvColumn& column = columns[index];
    if (Held(index)) Release(index);
    CStepCode::Set(6013);
    const std::string_view text = column.fixedValue.empty() ? value : std::string_view(column.fixedValue);
    if (hasReferences) {
        column.supplied = text;
        if (int reference = Reference(column.fixedValue); reference >= 0) {
            auto same = [index](const CPendingReference& p) { return p.column == index; };
            pendingReferences.erase(std::remove_if(pendingReferences.begin(), pendingReferences.end(), same),
                                    pendingReferences.end());
            pendingReferences.push_back({index, static_cast<size_t>(reference), numeric, forceQuotes});
            return 1;
        }
    }
    written[index] = Transform(text, numeric, forceQuotes, column.value, mayView);
    return 1;
}

int CModulCSV::WriteIndex() const {
    return separatorIndex >= 0 && separatorIndex < 4 ? separatorIndex : 0;
}

char CModulCSV::WriteSeparator() const {
    return kSeparators[WriteIndex()];
}

int CModulCSV::ReadSeparator() const {
    if (separatorIndex == -1) return -1;
    return static_cast<unsigned char>(WriteSeparator());
}

void CModulCSV::TransformSteps(std::string_view input, int numeric, bool quoting, std::string& out) const {
    const char separator = WriteSeparator();
    const int softChar = softReturn >= 1 && softReturn <= 255 ? softReturn : 10;
    std::string value(input);
    if (value.find('\n') != std::string::npos || HasMarker(value))
        value = CTool::ReplaceAll(CTool::ReplaceAll(CTool::ReplaceAll(value, "\r\n", kMarker), "\n", kMarker),
                                  kMarker, "\n");
    if (quoting) {
        value = CTool::ReplaceAll(value, "\"", "\"\"");
        if (!quoteAll) value = '"' + value + '"';
    } else {
        value = CTool::ReplaceAll(value, std::string(1, separator), kReplacements[WriteIndex()]);
        if (!value.empty() && value.front() == '"') value.insert(0, 1, ' ');
        if (!value.empty() && value.back() == '"') value += ' ';
    }
    if (noLineBreaks)
        std::replace(value.begin(), value.end(), '\n', ' ');
    else if (softChar != 10)
        std::replace(value.begin(), value.end(), '\n', static_cast<char>(softChar));
    if (decimalPoint && numeric) std::replace(value.begin(), value.end(), ',', '.');
    value = SplitEmptyLines(value);
    if (value.size() > kMaxValue) {
        value.resize(kCutValue);
        value += "\n \n...(wegen Excel-Begrenzung abgeschnitten)";
    }
    out = std::move(value);
}

int CModulCSV::WriteRecord() {
    for (const CPendingReference& p : pendingReferences) {
        if (Held(p.column)) Release(p.column);
        written[p.column] = Transform(columns[p.reference].supplied, p.numeric, p.forceQuotes,
                                      columns[p.column].value, false);
    }
    pendingReferences.clear();
    BuildOrders();
    if (!PlannedValues()) PlanLine(&CsvColumn::value, false);
    // A Windows or DOS line keeps its length: it is joined straight into the file's write buffer.
    if (oemCharset != kUtf8Charset) {
        const size_t size = JoinedSize();
        if (char* room = file.LineRoom(size)) {
            JoinInto(room);
            if (oemCharset) CCodePage::AnsiToOemInPlace(room, size);
            return 1;
        }
    }
    JoinSelected();
    if (oemCharset == kUtf8Charset) {
        if (!CCodePage::IsAscii(line)) line = CCodePage::AnsiToUtf8(line);
    } else if (oemCharset) {
        CCodePage::AnsiToOemInPlace(line);
    }
    file.WriteLine(line);
    return 1;
}

int CModulCSV::CloseFile() {
    CStepCode::Set(6008);
    bool wasExport = !exportPath.empty();
    std::string path = exportPath;
    exportPath.clear();
    if (file.CloseFile() || !wasExport) return 1;
    frontEnd.MessageBox(FileError(602, path));
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Orders derived from the positions

std::vector<int> CModulCSV::PositionOrder() const {
    std::vector<int> order;
    int next = 0;
    for (size_t pass = 0; pass < columns.size(); ++pass) {
        size_t before = order.size();
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].position == next) {
                order.push_back(static_cast<int>(i));
                ++next;
            }
        }
        if (order.size() == before) break; // no later pass can find more
    }
    return order;
}

void CModulCSV::BuildOrders() {
    if (orderValid) return;
    writeOrder = PositionOrder();
    columnsAtField.assign(std::min(columns.size() + 1, kDenseFields), {});
    farColumns.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
        int position = columns[i].position;
        if (position < 0) continue;
        if (static_cast<size_t>(position) < columnsAtField.size())
            columnsAtField[static_cast<size_t>(position)].push_back(static_cast<int>(i));
        else
            farColumns.push_back(static_cast<int>(i));
    }
    BuildKeyPositions();
    orderValid = true;
}

// Read in place, a value is found through its key: the position of the key's selected column. The
// extra fields of a line have no name to be read by: they are not kept.
void CModulCSV::BuildKeyPositions() {
    keyPositions.assign(keyColumns.size(), kNoColumn);
    highestReadPosition = -1;
    for (size_t key = 0; key < keyColumns.size(); ++key) {
        const CsvColumn* taken = Selected(static_cast<int>(key));
        if (!taken || taken->name.empty()) continue;
        keyPositions[key] = taken->position >= 0 ? taken->position : kNeverRead;
        if (taken->position >= 0) highestReadPosition = std::max(highestReadPosition, taken->position);
    }
    nextReadField.assign(FieldsUpTo(highestReadPosition), 0);
    for (int position : keyPositions)
        if (position >= 0 && static_cast<size_t>(position) < nextReadField.size())
            nextReadField[static_cast<size_t>(position)] = 1;
    for (size_t field = nextReadField.size(), next = field; field-- > 0;)
        nextReadField[field] = next = nextReadField[field] ? field : next;
}

// ---------------------------------------------------------------------------------------------
// Import

void CModulCSV::ShowFileError(int code, const std::string& what, const std::string& path) {
    frontEnd.MessageBox(CTool::Format("(E:%d#%d)\n", code, CStepCode::Get()) +
                        CTool::Format(what.c_str(), path.c_str()));
}

int CModulCSV::OpenImportFile(const std::string& path) {
    CStepCode::Set(6025);
    exportPath.clear();
    lineNumber = 0;
    hasPending = false;
    readInPlace = false;
    // PrepareImport left the file open at its start: a pipe cannot be opened a second time.
    if (preparedOpen && path == fileName && file.IsOpen()) {
        preparedOpen = false;
        file.Rewind();
        return 1;
    }
    preparedOpen = false;
    if (!file.OpenRead(path)) {
        frontEnd.MessageBox(FileError(601, path));
        return 0;
    }
    file.MeasureSize();
    return 1;
}

namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";

// Text that holds UTF-8 sequences of more than one byte and nothing that is not UTF-8.
bool LooksLikeUtf8(const std::string& text) {
    bool multiByte = false;
    for (size_t pos = 0; pos < text.size();) {
        size_t at = pos;
        if (CCodePage::NextCodePoint(text, pos) == 0xFFFD && text.compare(at, 3, "\xEF\xBF\xBD") != 0)
            return false;
        multiByte = multiByte || pos - at > 1;
    }
    return multiByte;
}

// UTF-8 to Windows-1252; a byte that is no part of a UTF-8 sequence stays as it is, and a
// character without a Windows form becomes "?" and is noted once.
void FromUtf8(std::string& text, std::string& unmapped) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        size_t at = pos;
        unsigned code = CCodePage::NextCodePoint(text, pos);
        if (code == 0xFFFD && text.compare(at, 3, "\xEF\xBF\xBD") != 0) {
            out += text[at];
            pos = at + 1;
            continue;
        }
        char c = CCodePage::UnicodeToAnsi(code);
        if (c == '?' && code != '?') {
            std::string character = text.substr(at, pos - at);
            if (unmapped.find(character) == std::string::npos) unmapped += character;
        }
        out += c;
    }
    text.swap(out);
}

} // namespace

// The separator with the most occurrences in the first line, unless the lines after it do not
// split into as many fields with it (headings with commas in a file separated by ";").
void CModulCSV::ChooseSeparator(const std::vector<std::string>& sample) {
    int counts[4] = {0, 0, 0, 0};
    for (char c : sample[0])
        for (int s = 0; s < 4; ++s)
            if (c == kSeparators[s]) ++counts[s];
    std::vector<int> order;
    for (int s = 0; s < 4; ++s)
        if (counts[s] > 0) order.push_back(s);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return counts[a] > counts[b]; });
    separatorIndex = order.empty() ? -1 : order[0];
    for (int s : order) {
        const int fields = FieldCount(sample[0], kSeparators[s]);
        bool confirmed = true;
        for (size_t i = 1; i < sample.size(); ++i)
            if (!sample[i].empty() && FieldCount(sample[i], kSeparators[s]) != fields) confirmed = false;
        if (confirmed) {
            separatorIndex = s;
            return;
        }
    }
}

int CModulCSV::FieldCount(const std::string& text, char separator) const {
    int fields = 1;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"' && (quoted || i == 0 || text[i - 1] == separator))
            quoted = !quoted;
        else if (text[i] == separator && !quoted)
            ++fields;
    }
    return fields;
}

int CModulCSV::PrepareImport(const std::string& path) {
    CStepCode::Set(6019);
    fileName = path;
    preparedOpen = false;
    if (!OpenImportFile(path)) return 0;
    CStepCode::Set(6020);
    const size_t kSampleLines = 6;
    std::vector<std::string> sample;
    while (sample.size() < kSampleLines && (sample.empty() || !file.IsEndOfFile()))
        sample.push_back(file.ReadLine());
    std::string text;
    for (const std::string& one : sample)
        text += one;
    utf8Detected = sample[0].starts_with(kUtf8Mark) || LooksLikeUtf8(text);
    ChooseSeparator(sample);
    CStepCode::Set(6021);
    for (size_t i = 0; i < columns.size(); ++i) {
        columns[i].value.clear();
        columns[i].selected = 1;
        columns[i].position = static_cast<int>(i);
    }
    OrderChanged();
    file.Rewind();
    preparedOpen = true;
    return 1;
}

int CModulCSV::SetupImport(const std::string& layoutFile, const std::string& section, int showDialog) {
    CStepCode::Set(6022);
    unmapped.clear();
    openQuoteLine = 0;
    expectedFields = 0;
    utf8 = utf8Detected;
    ReadRecord(); // the heading line, read with the positions PrepareImport gave
    expectedFields = fieldsRead;
    int detected = separatorIndex;
    LoadLayout(layoutFile, section);
    if (layoutUnreadable) return LayoutUnreadable(layoutFile);
    separatorIndex = detected;
    CDlgModulCsvImport dialog(*this);
    if (!importProfile.empty()) dialog.ApplyProfile(importProfile);
    CStepCode::Set(6023);
    if (showDialog) {
        dialog.Open();
        if (!frontEnd.RunDialog(dialog)) return 0;
    }
    dialog.TakeOptions();
    utf8 = utf8Detected || oemCharset == kUtf8Charset;
    SaveLayoutNoting(layoutFile, section);
    CStepCode::Set(6024);
    if (noHeading) RewindImportFile();
    return 1;
}

void CModulCSV::RewindImportFile() {
    file.Rewind();
    lineNumber = 0;
    hasPending = false;
}
namespace {

// Which columns read each place of the line; kept true while columns swap their places.
class CPlaceOwners {
public:
    explicit CPlaceOwners(const std::vector<CsvColumn>& columns)
        : first(columns.size(), -1), next(columns.size(), -1) {
        for (size_t j = 0; j < columns.size(); ++j)
            Add(static_cast<int>(j), columns[j].position);
    }
    template <class TVisit> void ForEach(int place, TVisit visit) const {
        if (!Valid(place)) return;
        for (int j = first[static_cast<size_t>(place)]; j >= 0; j = next[static_cast<size_t>(j)])
            visit(j);
    }
    void Add(int column, int place) {
        if (!Valid(place)) return;
        next[static_cast<size_t>(column)] = first[static_cast<size_t>(place)];
        first[static_cast<size_t>(place)] = column;
    }
    void Remove(int column, int place) {
        if (!Valid(place)) return;
        int* link = &first[static_cast<size_t>(place)];
        while (*link != column)
            link = &next[static_cast<size_t>(*link)];
        *link = next[static_cast<size_t>(column)];
    }

private:
    bool Valid(int place) const { return place >= 0 && static_cast<size_t>(place) < first.size(); }
    std::vector<int> first;
    std::vector<int> next;
};

} // namespace

// Each named column takes the place whose heading is its name, column by column in turn, swapping
// with the column that held it. The places holding a heading are looked up through a sorted index
// and the columns at a place through CPlaceOwners, instead of comparing every column with every
// heading: the 125 columns of a DATEVpro line made that the largest part of a small file's reading.
void CModulCSV::AssignByHeadings() {
    CStepCode::Set(6041);
    const size_t count = columns.size();
    std::vector<int> places(count);
    for (size_t k = 0; k < count; ++k)
        places[k] = static_cast<int>(k);
    auto heading = [this](int place) { return std::string_view(columns[static_cast<size_t>(place)].value); };
    std::stable_sort(places.begin(), places.end(), [&](int a, int b) { return heading(a) < heading(b); });
    CPlaceOwners owners(columns);
    std::vector<char> holdsName(count, 0);
    std::vector<int> candidates;
    for (size_t i = 0; i < count; ++i) {
        const std::string& name = columns[i].name;
        // A column without a name is an extra field of the file, not a program field to assign.
        if (name.empty()) continue;
        const std::string_view wanted(name);
        auto begin =
            std::lower_bound(places.begin(), places.end(), wanted,
                             [&](int place, std::string_view text) { return heading(place) < text; });
        auto end = std::upper_bound(begin, places.end(), wanted,
                                    [&](std::string_view text, int place) { return text < heading(place); });
        if (begin == end) continue;
        // The columns at those places. This one, once moved to one of them, would only swap with itself.
        candidates.clear();
        for (auto it = begin; it != end; ++it) {
            holdsName[static_cast<size_t>(*it)] = 1;
            owners.ForEach(*it, [&](int j) { candidates.push_back(j); });
        }
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        for (int j : candidates) {
            const int mine = columns[i].position;
            const int theirs = columns[static_cast<size_t>(j)].position;
            if (theirs < 0 || static_cast<size_t>(theirs) >= count || !holdsName[static_cast<size_t>(theirs)])
                continue;
            owners.Remove(static_cast<int>(i), mine);
            if (j != static_cast<int>(i)) owners.Remove(j, theirs);
            SwapPositions(static_cast<int>(i), j);
            owners.Add(static_cast<int>(i), theirs);
            if (j != static_cast<int>(i)) owners.Add(j, mine);
        }
        for (auto it = begin; it != end; ++it)
            holdsName[static_cast<size_t>(*it)] = 0;
    }
}

void CModulCSV::ReadLineConverted(std::string& text) {
    ++lineNumber;
    if (hasPending) {
        text.swap(pending);
        hasPending = false;
        return;
    }
    file.ReadLine(text);
    if (lineNumber == 1 && text.starts_with(kUtf8Mark)) text.erase(0, 3);
    if (utf8)
        FromUtf8(text, unmapped);
    else if (oemCharset && oemCharset != kUtf8Charset)
        CCodePage::OemToAnsiInPlace(text);
}

// An extra field of the file becomes a column of its own. The orders grow with it rather than being
// rebuilt for every such field of a long line.
void CModulCSV::AddExtraColumn(size_t number) {
    const bool extend = orderValid && writeOrder.size() == number;
    DefineColumn(std::string(), 1);
    const int index = static_cast<int>(columns.size()) - 1;
    columns.back().position = static_cast<int>(number);
    if (readSelectedOnly) lastKeptField = static_cast<long long>(number);
    if (!extend) return BuildOrders();
    writeOrder.push_back(index);
    columnsAtField.resize(std::min(columns.size() + 1, kDenseFields));
    if (number < columnsAtField.size())
        columnsAtField[number].push_back(index);
    else
        farColumns.push_back(index);
    orderValid = true;
}

void CModulCSV::KeepSelectedOnly() {
    readSelectedOnly = true;
    lastKeptField = -1;
    for (const CsvColumn& column : columns)
        if (column.selected == 1) lastKeptField = std::max<long long>(lastKeptField, column.position);
}

void CModulCSV::ReadInPlace() {
    readInPlace = true;
    storedFields = 0;
    OrderChanged(); // the set-up may have changed the selection directly
    BuildOrders();
    const size_t fields = FieldsUpTo(highestReadPosition);
    fieldValues.resize(std::max(fieldValues.size(), fields));
    fieldCopies.resize(fieldValues.size());
}

// Values still in the line are copied out before the line grows, which may move it.
void CModulCSV::CopyValuesOutOfLine() {
    for (size_t i = 0; i < storedFields; ++i)
        if (InLine(fieldValues[i])) fieldValues[i] = fieldCopies[i].assign(fieldValues[i]);
}

// A view of the line; a field taken apart from it (quotes inside) is copied, as the room it was put
// together in serves the next one. Fields that no selected column reads are not kept.
void CModulCSV::StoreInPlace(size_t number, std::string_view text) {
    if (static_cast<long long>(number) > highestReadPosition) return;
    if (number >= fieldValues.size()) {
        fieldValues.resize(number + 1);
        fieldCopies.resize(number + 1);
    }
    for (; storedFields < number; ++storedFields)
        fieldValues[storedFields] = {};
    fieldValues[number] = text.empty() || InLine(text) ? text : fieldCopies[number].assign(text);
    storedFields = number + 1;
}

void CModulCSV::StoreField(size_t number, std::string_view text) {
    if (number == columns.size() && columns.size() < kMaxColumns) AddExtraColumn(number);
    if (readInPlace) return StoreInPlace(number, text);
    auto assign = [&](int index) {
        CsvColumn& column = columns[static_cast<size_t>(index)];
        if (!readSelectedOnly || column.selected == 1) column.value = text;
    };
    if (number < columnsAtField.size()) {
        for (int index : columnsAtField[number])
            assign(index);
        return;
    }
    for (int index : farColumns)
        if (static_cast<size_t>(columns[static_cast<size_t>(index)].position) == number) assign(index);
}

// A field that does not start with a quote: a quote inside it is a character like any other, as
// spreadsheet programs read it. A lone LF (the file's lines end with CR LF) ends the record when
// the record already has the fields of the heading line; before that it belongs to the value, as
// an export without quotes writes a text over several lines.
void CModulCSV::AssignUnquoted(size_t& number, size_t& i) {
    const int separator = ReadSeparator();
    size_t j = i;
    for (; j < line.size() && static_cast<unsigned char>(line[j]) != separator; ++j) {
        if (line[j] != '\n') continue;
        if (expectedFields > 0 && number + 1 >= expectedFields) {
            pending.assign(line, j + 1);
            hasPending = !pending.empty() || !file.IsEndOfFile();
            line.resize(j);
            break;
        }
        bareLineFeed = true;
    }
    const bool ended = j < line.size();
    if (ended || j > i) AssignField(number++, std::string_view(line).substr(i, j - i));
    i = ended ? j + 1 : line.size() + 1;
}

namespace {

// The first c in [from, end), or nullptr. Most fields are a few bytes long: the first 16 bytes are
// looked at directly, which costs less than a call of memchr, which takes the rest.
const char* FindByte(const char* from, const char* end, int c) {
#if defined(__SSE2__)
    if (end - from >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const auto found = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(c)))));
        if (found) return from + std::countr_zero(found);
        from += 16;
    }
#endif
    const char* const near = from + std::min<std::ptrdiff_t>(end - from, 16);
    for (; from < near; ++from)
        if (static_cast<unsigned char>(*from) == c) return from;
    return from < end ? static_cast<const char*>(std::memchr(from, c, static_cast<size_t>(end - from)))
                      : nullptr;
}

// Bit k of quotes (of separators) is set where byte k of the 64 at text is a quote (the separator).
void ByteMasks(const char* text, int separator, std::uint64_t& quotes, std::uint64_t& separators) {
    quotes = separators = 0;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(separator));
    for (int k = 0; k < 4; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 16 * k));
        const auto mask = [&](__m128i c) {
            return static_cast<std::uint64_t>(
                       static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, c))))
                   << (16 * k);
        };
        quotes |= mask(quote);
        separators |= mask(wanted);
    }
#else
    for (int k = 0; k < 64; ++k) {
        quotes |= static_cast<std::uint64_t>(text[k] == '"') << k;
        separators |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[k]) == separator) << k;
    }
#endif
}

// The set bits: std::popcount calls the library where the processor may lack the instruction
// (baseline x86-64 does).
size_t CountBits(std::uint64_t bits) {
    bits -= (bits >> 1) & 0x5555555555555555u;
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<size_t>((bits * 0x0101010101010101u) >> 56);
}

// Bit k set where an odd number of bits 0 to k are: the bytes from an opening quote to before its
// closing one.
std::uint64_t PrefixXor(std::uint64_t bits) {
    for (int shift = 1; shift < 64; shift *= 2)
        bits ^= bits << shift;
    return bits;
}

// The ends of the fields in the 64 bytes from a field start on, as the simple rules take them on
// a line without a line feed: a field ends at a separator outside quotes, and a quote opens a field
// or closes it before a separator. The ends stop before the first quote that stands anywhere else;
// a field longer than the block, or the line's last one, has none here. Either is left to the
// rules field by field.
class CBlockEnds {
public:
    CBlockEnds(const char* text, size_t size, size_t start, int separator) : base(start) {
        std::uint64_t quotes, separators;
        Masks(text, size, start, separator, quotes, separators);
        const std::uint64_t inside = PrefixXor(quotes);
        const std::uint64_t misplaced =
            (quotes & inside & ~(separators << 1 | 1)) | (quotes & ~inside & ~(separators >> 1));
        ends = separators & ~inside;
        if (misplaced) ends &= (misplaced & (0 - misplaced)) - 1; // the fields before the first of them
    }
    bool Empty() const { return ends == 0; }
    // Where the separator after the next field stands.
    size_t Take() {
        const size_t end = base + static_cast<size_t>(std::countr_zero(ends));
        ends &= ends - 1;
        return end;
    }
    // Passes over the next fields, at most count of them; i is where the field after them starts.
    size_t Pass(size_t count, size_t& i) {
        const size_t found = CountBits(ends);
        if (count >= found) {
            i = base + static_cast<size_t>(std::bit_width(ends));
            ends = 0;
            return found;
        }
        for (size_t k = 0; k < count; ++k)
            i = Take() + 1;
        return count;
    }

private:
    // The masks of the 64 bytes from start on. Beyond the line's end there are no bits: the last
    // bytes of a line are looked at where the last 64 bytes of the line start, or in a copy that NUL
    // bytes fill up.
    static void Masks(const char* text, size_t size, size_t start, int separator, std::uint64_t& quotes,
                      std::uint64_t& separators) {
        const size_t kBlock = 64;
        if (size - start >= kBlock) return ByteMasks(text + start, separator, quotes, separators);
        if (size >= kBlock) {
            ByteMasks(text + size - kBlock, separator, quotes, separators);
            const size_t before = kBlock - (size - start);
            quotes >>= before;
            separators >>= before;
            return;
        }
        char tail[kBlock] = {};
        std::memcpy(tail, text + start, size - start);
        ByteMasks(tail, separator, quotes, separators);
    }

    size_t base;
    std::uint64_t ends;
};

} // namespace

// Splits the line into fields: runs of fields taken where they stand, and between them the fields
// that need the general rules. False when the line holds no line feed.
bool CModulCSV::SplitLine(size_t& number) {
    const size_t size = line.size();
    const bool lineFeed = std::memchr(line.data(), '\n', size) != nullptr;
    size_t i = SplitSimple(number, 0, lineFeed);
    while (i < line.size()) {
        if (line[i] == '"')
            AssignQuoted(number, i);
        else
            AssignUnquoted(number, i);
        if (i < line.size()) // beyond it after the line's last field
            i = SplitSimple(number, i, std::memchr(line.data() + i, '\n', line.size() - i) != nullptr);
    }
    return lineFeed || line.size() != size; // a line that went on in the next one holds its line feed
}

// From field start i on, the fields taken where they stand: a field in quotes that holds no quote
// and ends at a separator or at the line's end, and on a line without a line feed, a field without
// quotes. Returns where the first other field starts (beyond the line's end after its last field).
// Read in place, a field that a column reads is put straight into its place, and one that no column
// reads is only counted: its value is left as it was, as no key reads it.
size_t CModulCSV::SplitSimple(size_t& number, size_t i, bool lineFeed) {
    const int separator = ReadSeparator();
    const char* const text = line.data();
    const size_t size = line.size();
    std::string_view* const values = fieldValues.data();
    size_t n = number; // in registers: the stores below could otherwise alias them
    const size_t kept =
        readInPlace ? std::min({fieldValues.size(), columns.size(), FieldsUpTo(highestReadPosition)}) : 0;
    // The fields before n that a column reads have been put into their places.
    auto stored = [&] {
        if (readInPlace) storedFields = std::max(storedFields, std::min(n, kept));
    };
    auto take = [&](std::string_view value) {
        if (n < kept) {
            values[n] = value;
        } else if (!readInPlace || n >= columns.size() || static_cast<long long>(n) <= highestReadPosition) {
            stored();
            AssignField(n, value);
        }
        ++n;
    };
    // Most fields are found 64 bytes at a time; the others, and those of a line with a line feed,
    // one by one.
    const bool blocks = !lineFeed && separator >= 0;
    // Up to it, fields that no column reads are only counted.
    const size_t counted = blocks && readInPlace ? std::min(kept, nextReadField.size()) : 0;
    const size_t* const nextRead = nextReadField.data();
    while (i < size) {
        if (blocks) {
            CBlockEnds ends(text, size, i, separator);
            if (!ends.Empty()) {
                do {
                    if (n < counted && nextRead[n] != n) {
                        n += ends.Pass(std::min(nextRead[n], kept) - n, i);
                        continue;
                    }
                    const size_t end = ends.Take();
                    const size_t quoted = text[i] == '"'; // the quotes of a field are no part of its value
                    take(std::string_view(text + i + quoted, end - i - 2 * quoted));
                    i = end + 1;
                } while (!ends.Empty());
                continue;
            }
        }
        std::string_view value;
        if (!SimpleField(i, lineFeed, value)) break;
        take(value);
    }
    stored();
    number = n;
    return i;
}

// One field from field start i on by the simple rules of SplitSimple: its value, and where the next
// field starts; false when the field needs the general rules, or after "" at the end of the line.
bool CModulCSV::SimpleField(size_t& i, bool lineFeed, std::string_view& value) {
    const int separator = ReadSeparator();
    const char* const text = line.data();
    const size_t size = line.size();
    size_t start = i;
    size_t stop;
    if (text[i] == '"' && i + 2 < size && text[i + 1] == '"' &&
        static_cast<unsigned char>(text[i + 2]) == separator) {
        stop = ++start; // "" between separators, most fields of a DATEVpro line
        i += 3;
    } else if (text[i] == '"') {
        const char* quote = FindByte(text + i + 1, text + size, '"');
        if (!quote) return false;
        stop = static_cast<size_t>(quote - text);
        if (stop + 1 < size && static_cast<unsigned char>(text[stop + 1]) != separator) return false;
        if (stop + 1 == size && stop == i + 1) {
            emptyLastField = true; // "" at the end of the line
            i = size + 1;
            return false;
        }
        ++start;
        i = stop + 2;
    } else if (static_cast<unsigned char>(text[i]) == separator) {
        stop = i++; // an empty field
    } else {
        if (lineFeed || separator < 0) return false;
        const char* next = FindByte(text + i, text + size, separator);
        stop = next ? static_cast<size_t>(next - text) : size;
        i = stop + 1;
    }
    value = std::string_view(text + start, stop - start);
    return true;
}

// A field in quotes that SplitLine could not take where it stands: "" is one quote, and a field
// still open at the end of the line goes on in the next one. Text after the closing quote up to the
// separator is kept as it stands.
void CModulCSV::AssignQuoted(size_t& number, size_t& i) {
    const int separator = ReadSeparator();
    const int opened = lineNumber;
    field.clear();
    for (++i;;) {
        size_t quote = line.find('"', i);
        if (quote == std::string::npos) {
            field.append(line, i);
            i = line.size();
            if (AtEndOfFile()) {
                if (!openQuoteLine) openQuoteLine = opened;
                break;
            }
            ReadLineConverted(next);
            if (readInPlace) CopyValuesOutOfLine();
            line += '\n';
            field += '\n';
            i = line.size();
            line += next;
            continue;
        }
        field.append(line, i, quote - i);
        i = quote + 1;
        if (i < line.size() && line[i] == '"') {
            field += '"';
            ++i;
            continue;
        }
        break;
    }
    size_t j = i;
    while (j < line.size() && static_cast<unsigned char>(line[j]) != separator)
        ++j;
    field.append(line, i, j - i);
    const bool ended = j < line.size();
    if (ended || !field.empty())
        AssignField(number++, field);
    else
        emptyLastField = true; // "" at the end of the line
    i = ended ? j + 1 : line.size() + 1;
}

int CModulCSV::ReadRecord() {
    CStepCode::Set(6026);
    BuildOrders();
    ReadLineConverted(line);
    recordLine = lineNumber;
    size_t number = 0;
    bareLineFeed = false;
    emptyLastField = false;
    storedFields = 0; // views of the line before are gone with it
    const bool lineFeed = SplitLine(number);
    fieldsRead = number;
    // Its values are looked at for line feeds and markers only when the line holds one.
    lineNeedsCrLf = lineFeed || std::memchr(line.data(), '~', line.size());
    emptyLastField =
        emptyLastField || (!line.empty() && static_cast<unsigned char>(line.back()) == ReadSeparator());
    CStepCode::Set(6027);
    return AtEndOfFile() ? 0 : 1;
}

int CModulCSV::CheckHeadings(std::string& messages) {
    if (noHeading || (layoutFound && !checkHeadings)) return 1;
    // The heading of file field p is the value the heading line gave the column defined p-th.
    auto headingAt = [&](int position) -> const std::string& {
        static const std::string none;
        return position >= 0 && position < GetColumnCount() ? columns[static_cast<size_t>(position)].value
                                                            : none;
    };
    auto names = [](const CsvColumn& column, const std::string& text) {
        return !column.name.empty() && (text == column.name || text == column.heading);
    };
    if (!layoutFound) {
        bool named = false;
        for (const CsvColumn& column : columns)
            for (int p = 0; p < GetColumnCount() && !named; ++p)
                named = names(column, headingAt(p));
        if (!named || !importProfile.empty()) return 1;
        // The dialog's automatic assignment; a column left on a field of another heading reads nothing.
        std::vector<CsvColumn> before = columns;
        AssignByHeadings();
        std::vector<char> taken(columns.size(), 0);
        bool changed = false;
        for (size_t i = 0; i < columns.size(); ++i) {
            CsvColumn& column = columns[i];
            const std::string& heading = AssignedHeading(static_cast<int>(i));
            if (!column.name.empty() && column.selected == 1 && !heading.empty() && !names(column, heading))
                column.selected = 0;
            if (column.selected == 1 && column.position >= 0 &&
                static_cast<size_t>(column.position) < taken.size())
                taken[static_cast<size_t>(column.position)] = 1;
            changed =
                changed || column.position != before[i].position || column.selected != before[i].selected;
        }
        if (!changed) return 1;
        std::string unused;
        for (size_t p = 0; p < columns.size(); ++p)
            if (!taken[p] && !headingAt(static_cast<int>(p)).empty())
                unused += (unused.empty() ? "" : ", ") + CValueCheck::Shown(headingAt(static_cast<int>(p)));
        messages +=
            CTool::Format(Ansi("HINWEIS: Für die Datei (%s) gab es noch keine Zuordnung der Spalten, sie "
                               "wurden nach den Überschriften zugeordnet.")
                              .c_str(),
                          fileName.c_str());
        if (!unused.empty()) messages += Ansi(" Nicht übernommen werden die Spalten: ") + unused + ".";
        messages += "\r\n";
        return 1;
    }
    int ok = 1;
    for (const CsvColumn& column : columns) {
        if (column.name.empty() || column.selected != 1) continue;
        const std::string& heading = headingAt(column.position);
        if (heading.empty() || names(column, heading)) continue;
        for (const CsvColumn& other : columns) {
            if (&other == &column || !names(other, heading)) continue;
            messages +=
                CTool::Format(Ansi("FEHLER: Zeile 1: Die Spalte %d der Datei heißt '%s', die Zuordnung "
                                   "liest dort aber '%s'. Bitte prüfen Sie die Zuordnung der Spalten.\r\n")
                                  .c_str(),
                              column.position + 1, CValueCheck::Shown(heading).c_str(), column.name.c_str());
            ok = 0;
            break;
        }
    }
    return ok;
}

int CModulCSV::FinishImport(std::string& messages) {
    if (!unmapped.empty()) {
        std::string list;
        for (size_t pos = 0; pos < unmapped.size();)
            list +=
                CTool::Format("%sU+%04X", list.empty() ? "" : ", ", CCodePage::NextCodePoint(unmapped, pos));
        messages +=
            Ansi("HINWEIS: Diese Zeichen der Datei gibt es im Windows-Zeichensatz nicht, sie wurden durch "
                 "'?' ersetzt: ") +
            list + "\r\n";
    }
    if (file.GetReadFault() == CMyFile::EReadFault::TooLarge) {
        ShowFileError(
            601,
            Ansi("Die Eingabedatei (%s) ist größer als 4 GB und kann nicht gelesen werden.\nDer Import "
                 "wird abgebrochen."),
            fileName);
        return 0;
    }
    if (file.GetReadFault() != CMyFile::EReadFault::None) {
        ShowFileError(
            601,
            Ansi("Es ist ein Fehler beim Lesen der Eingabedatei (%s) aufgetreten.\nDie Datei konnte "
                 "nicht vollständig gelesen werden.\nDer Import wird abgebrochen."),
            fileName);
        return 0;
    }
    if (openQuoteLine) {
        messages +=
            CTool::Format(Ansi("FEHLER: Zeile %d: Ein Feld in Anführungszeichen, das hier beginnt, wird bis "
                               "zum Ende der Datei nicht geschlossen. Die Datei kann nicht gelesen "
                               "werden.\r\n")
                              .c_str(),
                          openQuoteLine);
        return 0;
    }
    return 1;
}

int CModulCSV::GetString(const std::string& name, std::string& target) const {
    return GetString(NameKey(name), target);
}

int CModulCSV::GetDouble(const std::string& name, double& target) const {
    return GetDouble(NameKey(name), target);
}

int CModulCSV::GetInt(const std::string& name, int& target) const {
    return GetInt(NameKey(name), target);
}

const CsvColumn* CModulCSV::Selected(int key) const {
    CStepCode::Set(6029);
    if (key < 0) return nullptr;
    const CsvColumn* taken = nullptr;
    for (int index : keyColumns[static_cast<size_t>(key)])
        if (columns[static_cast<size_t>(index)].selected == 1) taken = &columns[static_cast<size_t>(index)];
    CStepCode::Set(6030);
    return taken;
}

namespace {

// One pass over the (mostly short) value rather than a search for each character.
bool NeedsCrLf(std::string_view value) {
    for (char c : value)
        if (c == '\n' || c == '~') return true;
    return false;
}

} // namespace

bool CModulCSV::ValueText(int key, std::string_view& text, std::string& scratch) const {
    if (readInPlace) {
        if (!InPlaceText(key, text)) return false;
    } else {
        const CsvColumn* taken = Selected(key);
        if (!taken) return false;
        text = taken->value;
    }
    if (!lineNeedsCrLf || !NeedsCrLf(text)) return true;
    scratch = WithCrLf(std::string(text));
    text = scratch;
    return true;
}

int CModulCSV::GetString(int key, std::string& target) const {
    std::string scratch;
    std::string_view text;
    if (!GetView(key, text, scratch)) return 0;
    target = text;
    return 1;
}

int CModulCSV::GetDouble(int key, double& target) const {
    CStepCode::Set(6031);
    std::string text;
    if (!GetString(key, text)) return 0;
    CStepCode::Set(6032);
    target = text.empty() ? 0.0 : CTool::ParseAmount(text);
    return 1;
}

int CModulCSV::GetInt(int key, int& target) const {
    CStepCode::Set(6033);
    std::string text;
    if (!GetString(key, text)) return 0;
    CStepCode::Set(6034);
    target = CTool::ToInt(text);
    return 1;
}
