#include "core/CRunDispatch.h"

#include "core/CPelkoDoc.h"
#include "datev/CDatevProReader.h"
#include "datev/CDatevProWriter.h"
#include "db/CDbConversion.h"
#include "text/CCsvConversion.h"
#include "text/CRtfList.h"

namespace {

// KNE files.
int DetectKne(CPelkoDoc&, const std::string& file) {
    return CDatev::DetectKneFileKind(file);
}
int ReadKneBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return doc.datev.ReadKneBookings(file, doc.buchungen, doc.GetFrontEnd(), messages);
}
int ReadKneMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return doc.datev.ReadKneMaster(file, doc.stamm, doc.GetFrontEnd(), messages);
}
int PrepareDatev(CPelkoDoc& doc, int dataType, bool datevPro, bool automatic, std::string& messages) {
    switch (doc.datev.PrepareDatevTarget(doc, dataType, datevPro, automatic, messages)) {
    case CDatev::EPrepared::Ready:
        return 1;
    case CDatev::EPrepared::Cancelled:
        return 0;
    default:
        return -1;
    }
}
// The data file, then its control file; the file argument is the output folder.
int WriteKneBookings(CPelkoDoc& doc, const std::string& folder, std::string& messages) {
    doc.recordCounter = doc.datev.WriteKneBookings(folder, &doc.buchungen, doc.GetFrontEnd(), messages);
    return doc.datev.dataFileWritten && doc.datev.WriteKneControl(folder, messages);
}
int WriteKneMaster(CPelkoDoc& doc, const std::string& folder, std::string& messages) {
    doc.recordCounter = doc.datev.WriteKneMaster(folder, doc.stamm, doc.GetFrontEnd(), messages);
    return doc.datev.dataFileWritten && doc.datev.WriteKneMasterControl(folder, messages);
}

// DATEVpro files.
int DetectDatevPro(CPelkoDoc& doc, const std::string& file) {
    return CDatevProReader::ReadDatevProKind(doc, file);
}
int ReadDatevProBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return CDatevProReader::ReadDatevProBookings(doc, file, doc.GetFrontEnd(), 0, messages);
}
int ReadDatevProMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return CDatevProReader::ReadDatevProMaster(doc, file, doc.GetFrontEnd(), 0, messages);
}
int WriteDatevProBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return CDatevProWriter::WriteDatevProBookings(doc, file, doc.GetFrontEnd(), messages);
}
int WriteDatevProMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return CDatevProWriter::WriteDatevProMaster(doc, file, doc.GetFrontEnd(), messages);
}

// CSV files; conversion runs never show a column dialog.
// The engine's own findings (a layout file that could not be saved) join the run's.
int WithFindings(int result, CModulCSV& engine, std::string& messages) {
    messages += engine.TakeFindings();
    return result;
}
int ImportCsvBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return WithFindings(CCsvConversion::ImportBookingsCsv(doc, file, 0, messages), doc.csvImportBookings,
                        messages);
}
int ImportCsvMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return WithFindings(CCsvConversion::ImportMasterCsv(doc, file, 0, messages), doc.csvImportMaster,
                        messages);
}
int ExportCsvBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return WithFindings(CCsvConversion::ExportBookingsCsv(doc, file, 0), doc.csvExportBookings, messages);
}
int ExportCsvMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return WithFindings(CCsvConversion::ExportMasterCsv(doc, file, 0), doc.csvExportMaster, messages);
}

// Databases: a database file, or the connection string of "/in:sql:" and "/out:sql:".
int ImportMdbBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return CDbConversion::ImportBookingsDb(doc, file, std::string(), messages);
}
int ImportMdbMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return CDbConversion::ImportMasterDb(doc, file, std::string(), messages);
}
int ImportSqlBookings(CPelkoDoc& doc, const std::string& connection, std::string& messages) {
    return CDbConversion::ImportBookingsDb(doc, std::string(), connection, messages);
}
int ImportSqlMaster(CPelkoDoc& doc, const std::string& connection, std::string& messages) {
    return CDbConversion::ImportMasterDb(doc, std::string(), connection, messages);
}
int ExportMdbBookings(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return CDbConversion::ExportBookingsDb(doc, file, std::string(), messages);
}
int ExportMdbMaster(CPelkoDoc& doc, const std::string& file, std::string& messages) {
    return CDbConversion::ExportMasterDb(doc, file, std::string(), messages);
}
int ExportSqlBookings(CPelkoDoc& doc, const std::string&, std::string& messages) {
    return CDbConversion::ExportBookingsDb(doc, std::string(), doc.outputFile, messages);
}
int ExportSqlMaster(CPelkoDoc& doc, const std::string&, std::string& messages) {
    return CDbConversion::ExportMasterDb(doc, std::string(), doc.outputFile, messages);
}

// RTF lists.
int WriteBookingsRtf(CPelkoDoc& doc, const std::string& file, std::string&) {
    return CRtfList::WriteBookingsRtf(doc, file);
}
int WriteMasterRtf(CPelkoDoc& doc, const std::string& file, std::string&) {
    return CRtfList::WriteMasterRtf(doc, file);
}

using W = CWriterEntry;

// Input types in the order of the main window's input combo.
const CReaderEntry kReaders[] = {
    {"DATEV-Datei", 1002, DetectKne, {ReadKneBookings, ReadKneMaster}},
    {"DATEVpro-Datei (csv)", 1002, DetectDatevPro, {ReadDatevProBookings, ReadDatevProMaster}},
    {"Excel/CSV-Datei", 1004, nullptr, {ImportCsvBookings, ImportCsvMaster}},
    {"Access-Datenbank", 1003, nullptr, {ImportMdbBookings, ImportMdbMaster}},
    {"SQL-Datenbank", 1003, nullptr, {ImportSqlBookings, ImportSqlMaster}},
};

// Output types in the order of the main window's output combo.
// clang-format off
const CWriterEntry kWriters[] = {
    {"DATEV-Datei",          {1006, 1122}, PrepareDatev, W::Folder, {WriteKneBookings, WriteKneMaster}},
    {"DATEVpro-Datei (csv)", {1006, 1122}, PrepareDatev, W::File,   {WriteDatevProBookings, WriteDatevProMaster}},
    {"Excel/CSV-Datei",      {1008, 1008}, nullptr,      W::File,   {ExportCsvBookings, ExportCsvMaster}},
    {"Access-Datenbank",     {1007, 1007}, nullptr,      W::File,   {ExportMdbBookings, ExportMdbMaster}},
    {"SQL-Datenbank",        {1007, 1007}, nullptr,      W::NoFile, {ExportSqlBookings, ExportSqlMaster}},
    {"RTF/Word-Datei",       {1123, 1123}, nullptr,      W::File,   {WriteBookingsRtf, WriteMasterRtf}},
};
// clang-format on

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
