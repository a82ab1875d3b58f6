#pragma once

#include "text/CMyFile.h"
#include "text/CsvColumn.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CIniEx;

class CFrontEnd;

// Reads and writes delimited text line by line through a layout of named columns. Where a column
// stands, whether it is used, its heading and the file options come from a layout section that is
// loaded before and saved after every run.
//
// Columns are found by name through an index built as they are defined; a caller on a hot path
// resolves a name once with NameKey and uses the key-based overloads per record.
class CModulCSV {
public:
    static constexpr int kMaxColumns = 300;

    explicit CModulCSV(CFrontEnd& frontEnd);
    CModulCSV(const CModulCSV&) = delete;
    CModulCSV& operator=(const CModulCSV&) = delete;

    // Defining.
    void ResetLayout();
    int DefineColumn(const std::string& name, int selected);

    // Layout sections of "csv.ini" and "datevpro.ini".
    void LoadLayout(const std::string& fileName, const std::string& section);
    // 0 when the section could not be saved (a read-only file, a full disk).
    int SaveLayout(const std::string& fileName, const std::string& section);
    // HINWEIS lines gathered since the last call (a layout that could not be saved); emptied here.
    std::string TakeFindings();

    // Export run.
    int SetupExport(const std::string& fileName, const std::string& section, int showDialog);
    int OpenExportFile(const std::string& path, int append);
    // Writes on in the file another engine opened for export, which takes its place on CloseFile.
    void ContinueExport(CModulCSV& from);
    int WriteHeading();
    void ClearValues();
    // The values set so far are the same on every line from now on, apart from those of the columns
    // set again; ClearValues ends it. A line of many columns set once is then joined from few parts.
    void HoldValues();
    int SetValue(const std::string& name, const std::string& value, int numeric = 0, int forceQuotes = 0);
    int SetValue(int key, std::string_view value, int numeric = 0, int forceQuotes = 0);
    // Like SetValue, but a value written as it is stays the caller's text, not copied: the text must
    // stay valid and unchanged until the record is written, and ClearValues come before the next.
    int SetView(int key, std::string_view value, int numeric = 0, int forceQuotes = 0);
    struct CView {
        int key;
        std::string_view value;
        int numeric = 0;
        int forceQuotes = 0;
    };
    // SetView of each, in turn: the values of a line in one call, not one call each.
    void SetViews(const CView* views, size_t count);
    int WriteRecord();
    // Closes the file; after an export, 0 (with message E:602) when the file could not be completed.
    int CloseFile();
    // The export's bytes are complete on disk; the target is replaced by CloseFile.
    bool FinishExport() { return file.FinishWrite(); }
    CTargetFile* ExportTarget() { return file.WriteTarget(); }
    // Drops the export's bytes without a message; the target stays as it was.
    void AbandonExport() {
        file.AbandonWrite();
        exportPath.clear();
    }

    // Import run.
    int PrepareImport(const std::string& path);
    int OpenImportFile(const std::string& path);
    // The open input file read again from its first line (after the heading line was looked at).
    void RewindImportFile();
    int SetupImport(const std::string& fileName, const std::string& section, int showDialog);
    void AssignByHeadings();
    // 1 while more lines follow, 0 when the line just read was the last one.
    int ReadRecord();
    // True when the line just read held a line feed outside quotes: the file ends its lines with
    // LF alone, which only CR LF ends here.
    bool HadBareLineFeed() const { return bareLineFeed; }
    // Number of fields the line just read held.
    size_t FieldsRead() const { return fieldsRead + emptyLastField; }
    bool AtEndOfFile() const { return file.IsEndOfFile() && !hasPending; }
    // The line of the file where the record just read starts (1 = the first line).
    int RecordLine() const { return recordLine; }
    // Compares the heading line of an import with the layout: a file field whose heading names
    // another program column than the one the layout reads there is a FEHLER, and 0 is returned.
    // A layout section that did not exist yet is assigned by the headings instead (with a
    // HINWEIS). "Überschriften prüfen=0" in the layout turns the comparison off.
    int CheckHeadings(std::string& messages);
    // After the last record: 0 when the input could not be read to its end (E:601 shown) or a
    // quoted field never closed (FEHLER); also notes the characters that UTF-8 input held
    // without a Windows form.
    int FinishImport(std::string& messages);
    int GetString(const std::string& name, std::string& target) const;
    int GetDouble(const std::string& name, double& target) const;
    int GetInt(const std::string& name, int& target) const;
    int GetString(int key, std::string& target) const;
    // Like GetString without a copy: a view of the value, or of scratch where its line ends had to
    // be converted. Valid until the next record is read.
    // Inline, so that the view stays in registers: readers call it for every field of every record
    // (the copy for ValueText keeps the target's address from being taken: a view read back from the
    // stack right after it was stored there whole waits for that store).
    int GetView(int key, std::string_view& target, std::string& scratch) const {
        if (readInPlace && !lineNeedsCrLf) return InPlaceText(key, target) ? 1 : 0;
        std::string_view text;
        if (!ValueText(key, text, scratch)) return 0;
        target = text;
        return 1;
    }
    int GetDouble(int key, double& target) const;
    int GetInt(int key, int& target) const;
    int ProgressPercent() const { return file.ProgressPercent(); }

    // A stable key for every column name defined so far (-1 when none has that name).
    int NameKey(const std::string& name) const;

    // The columns in definition order; changes go through the setters so that the derived
    // orders stay right.
    // The message of a delimited-text file that cannot be opened for export (600), opened for
    // import (601) or completely written (602), naming the path the user gave.
    static std::string FileError(int code, const std::string& path);

    int GetColumnCount() const { return static_cast<int>(columns.size()); }
    const CsvColumn& GetColumn(int index) const { return columns[static_cast<size_t>(index)]; }
    void SetPosition(int index, int position);
    void SetSelected(int index, int selected);
    void SetHeading(int index, const std::string& heading) {
        columns[static_cast<size_t>(index)].heading = heading;
    }
    void SwapPositions(int a, int b);
    // The columns that a line holds, in the order written: positions 0, 1, 2, ... as long as a
    // column holds the next position (definition indexes).
    std::vector<int> PositionOrder() const;
    // The heading read for a column on import: the value of the column whose definition index
    // equals the column's position.
    const std::string& AssignedHeading(int index) const;

    CFrontEnd& GetFrontEnd() const { return frontEnd; }

    int quoteAll = 1;
    int separatorIndex = 0;
    int noLineBreaks = 0;
    int softReturn = 10;
    int oemCharset = 0; // "Zeichensatz": 0 Windows, 2 UTF-8, any other value DOS
    static constexpr int kUtf8Charset = 2;
    int decimalPoint = 0;
    int noHeading = 0;
    // Import: from now on fields of columns that are not selected are not kept at all (a reader that
    // takes a few of many columns); called after the set-up, which shows every column.
    void KeepSelectedOnly();
    // Import: from now on until another file is opened, the values of a record are views of its line
    // (GetView without any copy) rather than copies in the columns, and only named columns are read;
    // called after the set-up, which looks at the columns' values of the heading line.
    void ReadInPlace();
    std::string confirmCaption;
    std::string importProfile;
    std::string exportProfile;

private:
    // The selected column of a name key; nullptr when there is none.
    const CsvColumn* Selected(int key) const;
    // The value as GetString gives it: the column's own text, or scratch where its line ends had to
    // be converted; false when no column is selected for the key.
    bool ValueText(int key, std::string_view& text, std::string& scratch) const;
    // Read in place: the field a key reads, before any conversion; false when no column is selected.
    bool InPlaceText(int key, std::string_view& text) const {
        if (key < 0 || static_cast<size_t>(key) >= keyPositions.size()) return false;
        const int position = keyPositions[static_cast<size_t>(key)];
        if (position == kNoColumn) return false;
        text = static_cast<size_t>(position) < storedFields ? fieldValues[static_cast<size_t>(position)]
                                                            : std::string_view();
        return true;
    }
    bool InLine(std::string_view text) const {
        const auto begin = reinterpret_cast<std::uintptr_t>(line.data());
        const auto at = reinterpret_cast<std::uintptr_t>(text.data());
        return at >= begin && at + text.size() <= begin + line.size();
    }
    void CopyValuesOutOfLine();
    void StoreInPlace(size_t number, std::string_view text);
    void BuildKeyPositions();
    int Assign(int key, std::string_view value, int numeric, int forceQuotes, bool mayView);
    // The text written for a value: the value itself (mayView) or out, where it is transformed.
    std::string_view Transform(std::string_view value, int numeric, int forceQuotes, std::string& out,
                               bool mayView) const;
    void TransformSteps(std::string_view value, int numeric, bool quoting, std::string& out) const;
    // The definition index a "#n" fixed value refers to; -1 when it is no reference.
    int Reference(const std::string& fixedValue) const;
    void SaveLayoutNoting(const std::string& fileName, const std::string& section);
    struct CLayoutState;
    std::array<int, 10> LayoutOptions() const;
    CLayoutState CaptureLayout() const;
    bool HoldsLayout(const CLayoutState& state) const;
    size_t LayoutKeyHash(bool saved, const std::string& path, const std::string& section,
                         const std::vector<int>& selection) const;
    void ApplyLayout(const CLayoutState& state);
    std::vector<int> SelectionKey() const;
    bool Remembered(bool saved, const CIniEx& ini, const std::string& section,
                    const std::vector<int>& selection);
    void Remember(bool saved, const CIniEx& ini, const std::string& section,
                  std::vector<int> selection) const;
    // The separator written: one of the four, ";" for an index nobody knows.
    int WriteIndex() const;
    char WriteSeparator() const;
    // The line of one text of every selected column, in write order: planned as its parts (with
    // allConstant, all of it in lineEnd), then its length, the line written to out, and the line in
    // line.
    void PlanLine(std::string CsvColumn::*text, bool allConstant);
    bool PlannedValues() const;
    size_t JoinedSize() const;
    void JoinInto(char* out) const;
    void JoinSelected();
    bool Held(size_t index) const { return index < held.size() && held[index]; }
    void Release(size_t index);
    int ReadSeparator() const;
    void OrderChanged() {
        orderValid = false;
        plannedText = nullptr;
    }
    void BuildOrders();
    void AddExtraColumn(size_t number);
    // Called for every field of every line: a selective reader skips the fields after the last one
    // it keeps here, before any further work (a field beyond the known columns still adds one).
    void AssignField(size_t field, std::string_view text) {
        if (!readSelectedOnly || static_cast<long long>(field) <= lastKeptField || field >= columns.size())
            StoreField(field, text);
    }
    void StoreField(size_t field, std::string_view text);
    void ReadLineConverted(std::string& line);
    void ChooseSeparator(const std::vector<std::string>& sample);
    int FieldCount(const std::string& text, char separator) const;
    bool SplitLine(size_t& number);
    // lineFeed: the line holds one from i on.
    size_t SplitSimple(size_t& number, size_t i, bool lineFeed);
    bool SimpleField(size_t& i, bool lineFeed, std::string_view& value);
    void AssignUnquoted(size_t& number, size_t& i);
    void AssignQuoted(size_t& number, size_t& i);
    void ShowFileError(int code, const std::string& what, const std::string& path);
    int LayoutUnreadable(const std::string& layoutFile);

    CFrontEnd& frontEnd;
    std::vector<CsvColumn> columns;
    CMyFile file;
    std::string fileName;
    std::string exportPath;
    // Name index: key -> definition indexes of the columns with that name.
    std::unordered_map<std::string, int> keys;
    std::vector<std::vector<int>> keyColumns;
    std::vector<size_t> firstColumns; // key -> the first of them, the one SetValue writes
    // Orders derived from the positions, rebuilt only after a position changed.
    bool orderValid = false;
    bool readSelectedOnly = false;
    long long lastKeptField = -1; // with readSelectedOnly: fields after it are not looked at
    std::vector<int> writeOrder;
    std::vector<std::vector<int>> columnsAtField; // field number -> columns with that position
    std::vector<int> farColumns;                  // positions beyond columnsAtField
    // Export: the planned line (see PlanLine), valid while plannedText is the values' and the
    // options are those it was planned with; the columns whose values are held (HoldValues).
    struct CLinePart {
        std::string lead; // constant bytes before the column's text
        size_t column;
    };
    std::vector<CLinePart> lineParts;
    std::string lineEnd;
    size_t constantSize = 0; // the bytes of all leads and lineEnd
    std::string CsvColumn::*plannedText = nullptr;
    bool plannedQuotes = false;
    char plannedSeparator = 0;
    std::vector<char> held;
    // By definition index: the text the line holds, a view of the column's value or of the text
    // given to SetView.
    std::vector<std::string_view> written;
    std::string line;
    std::string field;
    std::string next;
    bool bareLineFeed = false;
    bool lineNeedsCrLf = true; // the record just read holds a line feed or "~"
    // Read in place: the values of the record's fields up to the highest one a selected column
    // reads, and the field each key reads (kNoColumn: no selected column, kNeverRead: none).
    bool readInPlace = false;
    static constexpr int kNoColumn = -1;
    static constexpr int kNeverRead = 1 << 30;
    std::vector<std::string_view> fieldValues;
    std::vector<std::string> fieldCopies;
    size_t storedFields = 0;
    std::vector<int> keyPositions;
    int highestReadPosition = -1;
    std::vector<size_t> nextReadField; // up to highestReadPosition: the first field a key reads from it on
    // Import state: the file stays open from PrepareImport on, so that an input that cannot be
    // opened twice (a pipe) is read whole; the rest of a line after a lone LF that ended a record.
    bool preparedOpen = false;
    bool layoutFound = false;
    bool layoutUnreadable = false;
    int checkHeadings = 1;
    size_t expectedFields = 0;
    size_t fieldsRead = 0;
    bool emptyLastField = false; // a separator ends the line: one more field, without a column
    bool utf8Detected = false;
    bool utf8 = false;
    std::string pending;
    bool hasPending = false;
    int lineNumber = 0;
    int recordLine = 0;
    int openQuoteLine = 0;
    std::string unmapped; // characters of UTF-8 input without a Windows-1252 form
    std::string findings;
    // "#n" fixed values wait for the whole record: the column referred to may be set after them.
    bool hasReferences = false;
    struct CPendingReference {
        size_t column;
        size_t reference;
        int numeric;
        int forceQuotes;
    };
    std::vector<CPendingReference> pendingReferences;
};
