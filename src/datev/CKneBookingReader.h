#pragma once

#include "core/CBuchungenCtrl.h"
#include "datev/CKneScanner.h"

#include <span>
#include <string>
#include <string_view>

class CDatev;
class CFrontEnd;

// The record scan of a KNE bookings file: every booking record between the header and the end
// mark becomes a booking, with the values a record may omit carried over from the one before.
class CKneBookingReader {
public:
    CKneBookingReader(const CDatev& datev, std::string_view data, size_t start, bool extended,
                      CBuchungenCtrl& list, CFrontEnd& progress, std::string& messages);
    void Run();

    enum class EField {
        Schluessel,
        Haben,
        HabenAndSchluessel,
        Buchungsnummer,
        Belegnummer2,
        NumberBuchungsnummer,
        NumberBelegnummer2,
        Datum,
        Soll,
        Kostenstelle1,
        Kostenstelle2,
        NumberKostenstelle1,
        NumberKostenstelle2,
        Skonto,
        Buchungstext,
        UstId,
        EuSteuersatz,
        Waehrung,
        WaehrungCode,
        Waehrungskurs,
        Ignored,
        NoBooking
    };
    struct CFieldRule {
        char tag;
        bool text;
        size_t maximum;
        EField target;
        const char* name;
    };

private:
    std::span<const CFieldRule> Fields() const;
    void ReadRecord();
    bool ReadNumberField(const CFieldRule& rule);
    bool ReadTextField(const CFieldRule& rule);
    bool StoreNumber(const CFieldRule& rule, std::string_view text);
    bool StoreAccountPair(std::string_view text);
    void StoreText(EField target, std::string&& text);
    void Append();
    bool Reject(const std::string& line);

    const CDatev& datev;
    CKneScanner scan;
    bool extended;
    CBuchungenCtrl& list;
    CFrontEnd& progress;
    std::string& messages;

    CBuchungenData booking;
    bool sollTagSeen = false;
    bool isBooking = true;
    int recordNumber = 0;
    // Values of the last appended booking that the next one may omit.
    std::string lastDatum;
    int lastSoll = 0;
    std::string lastBuchungsnummer;
};
