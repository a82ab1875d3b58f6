#pragma once

#include <span>
#include <string>

class CPelkoDoc;

// The one table that joins input and output types to their readers and writers.
// Every function returns non-zero on success; a failing one has already told the user why.
using FRead = int (*)(CPelkoDoc& doc, const std::string& file, std::string& messages);
using FWrite = int (*)(CPelkoDoc& doc, const std::string& file, std::string& messages);
// Inspects the input file: 1 bookings, 2 master data, 0 unknown, -1 unreadable.
using FDetect = int (*)(CPelkoDoc& doc, const std::string& file);
// The DATEV preparation before a KNE or DATEVpro target: 1 ready, 0 cancelled by the user, -1 failed
// (after its message; FEHLER lines go to messages).
using FPrepare = int (*)(CPelkoDoc& doc, int dataType, bool datevPro, bool automatic, std::string& messages);

struct CReaderEntry {
    const char* name; // UTF-8, as in the main window's input combo
    int stepCode;
    FDetect detect; // used by the automatic run only
    FRead read[2];  // bookings, master data
};

struct CWriterEntry {
    enum EFileArg { File, Folder, NoFile };
    const char* name;
    int stepCode[2];
    FPrepare prepare; // DATEV targets only
    EFileArg fileArg;
    FWrite write[2];
};

// A pair of tables; the document uses the standard one, tests hand in their own.
class CRunDispatch {
public:
    CRunDispatch(std::span<const CReaderEntry> readers, std::span<const CWriterEntry> writers)
        : readers(readers), writers(writers) {}
    static const CRunDispatch& Standard();

    const CReaderEntry* FindReader(int inputType) const;
    const CWriterEntry* FindWriter(int outputType) const;

private:
    std::span<const CReaderEntry> readers;
    std::span<const CWriterEntry> writers;
};
