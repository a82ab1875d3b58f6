#pragma once

#include "core/CStammCtrl.h"
#include "datev/CKneScanner.h"

#include <string>
#include <string_view>

class CDatev;
class CFrontEnd;

// The field scan of a KNE master-data file: "t", tag digits, 0x1E, value, 0x1C, "y". Tag 101
// starts a master record; tags of 10000 and above, and in files of labels only any account
// number, are short account labels.
class CKneMasterReader {
public:
    CKneMasterReader(const CDatev& datev, std::string_view data, size_t start, CStammCtrl& list,
                     CFrontEnd& progress, std::string& messages);
    // May throw (the list cannot grow); the caller reports it with the scan offset.
    void Run();
    size_t Pos() const { return scan.Pos(); }

private:
    void Act(int tag, std::string&& value);
    void StoreField(int tag, std::string&& value);
    void AppendLabel(int tag, std::string&& value);
    // A field that cannot be read: FEHLER line, and the record it belongs to is not taken.
    void Broken(size_t offset, const char* what);
    void AppendPending();
    static int TagNumber(std::string_view text);

    const CDatev& datev;
    CKneScanner scan;
    CStammCtrl& list;
    CFrontEnd& progress;
    std::string& messages;

    CStammData record;
    bool pending = false;    // a record started by tag 101 with the value "1" or "2" is collected
    bool recordSeen = false; // tag 101 occurred
    bool rejected = false;   // a field of the pending record could not be read
};
