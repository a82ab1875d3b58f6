#include "core/CRunDispatch.h"

#include "core/CPelkoDoc.h"

namespace {

int DetectKne(CPelkoDoc&, const std::string& file) {
    return CDatev::DetectKneFileKind(file);
}

int ReadKneBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return doc.datev.ReadKneBookings(file, doc.buchungen, doc.GetFrontEnd(), messages);
}

int ReadKneMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return doc.datev.ReadKneMaster(file, doc.stamm, doc.GetFrontEnd(), messages);
}

bool PrepareDatev(CPelkoDoc& doc, int dataType, bool datevPro, bool automatic) {
    return doc.datev.PrepareDatevTarget(doc, dataType, datevPro, automatic);
}

// KNE targets: the data file, then its control file; the file argument is the output folder.
int WriteKneBookings(CPelkoDoc& doc, const std::string& folder, std::string& messages) {
    doc.recordCounter = doc.datev.WriteKneBookings(folder, &doc.buchungen, doc.GetFrontEnd(), messages);
    return doc.datev.dataFileWritten && doc.datev.WriteKneControl(folder, messages);
}

int WriteKneMaster(CPelkoDoc& doc, const std::string& folder, std::string& messages) {
    doc.recordCounter = doc.datev.WriteKneMaster(folder, doc.stamm, doc.GetFrontEnd(), messages);
    return doc.datev.dataFileWritten && doc.datev.WriteKneMasterControl(folder, messages);
}

// Input types in the order of the main window's input combo.
const CReaderEntry kReaders[] = {
    {"DATEV-Datei", 1002, DetectKne, {ReadKneBookings, ReadKneMaster}},
    {"DATEVpro-Datei (csv)", 1002, nullptr, {nullptr, nullptr}},
    {"Excel/CSV-Datei", 1004, nullptr, {nullptr, nullptr}},
    {"Access-Datenbank", 1003, nullptr, {nullptr, nullptr}},
    {"SQL-Datenbank", 1003, nullptr, {nullptr, nullptr}},
};

// Output types in the order of the main window's output combo.
const CWriterEntry kWriters[] = {
    {"DATEV-Datei", {1006, 1122}, PrepareDatev, CWriterEntry::Folder, {WriteKneBookings, WriteKneMaster}},
    {"DATEVpro-Datei (csv)", {1006, 1122}, PrepareDatev, CWriterEntry::File, {nullptr, nullptr}},
    {"Excel/CSV-Datei", {1008, 1008}, nullptr, CWriterEntry::File, {nullptr, nullptr}},
    {"Access-Datenbank", {1007, 1007}, nullptr, CWriterEntry::File, {nullptr, nullptr}},
    {"SQL-Datenbank", {1007, 1007}, nullptr, CWriterEntry::NoFile, {nullptr, nullptr}},
    {"RTF/Word-Datei", {1123, 1123}, nullptr, CWriterEntry::File, {nullptr, nullptr}},
};

} // namespace

const CRunDispatch& CRunDispatch::Standard() {
    static const CRunDispatch standard(kReaders, kWriters);
    return standard;
}

const CReaderEntry* CRunDispatch::FindReader(int inputType) const {
    if (inputType < 0 || static_cast<size_t>(inputType) >= readers.size()) return nullptr;
    return &readers[static_cast<size_t>(inputType)];
}

const CWriterEntry* CRunDispatch::FindWriter(int outputType) const {
    if (outputType < 0 || static_cast<size_t>(outputType) >= writers.size()) return nullptr;
    return &writers[static_cast<size_t>(outputType)];
}
