#pragma once

#include "core/CBuchungenCtrl.h"
#include "core/CValueCheck.h"
#include "datev/CKneScanner.h"

#include <string>
#include <string_view>

class CDatev;
class CFrontEnd;

// The record scan of a KNE bookings file: every booking record between the header and the end
// mark becomes a booking, with the values a record may omit carried over from the one before.
// A record that cannot be read exactly (a value out of form, a NUL byte, a field without its end
// byte, bytes that start no field) is not taken and named in a FEHLER line; each total record is
// compared with the sum of the bookings taken since the one before.
class CKneBookingReader {
public:
    CKneBookingReader(const CDatev& datev, std::string_view data, size_t start, bool extended,
                      CBuchungenCtrl& list, CFrontEnd& progress, std::string& messages);
    void Run();

    // Text fields run up to 0x1C, number fields are blanks, signs and digits.
    enum class EKind {
        Text,
        IgnoredText,
        NoBooking,
        Whole,
        Numbered,
        Fraction,
        Datum,
        AccountPair,
        CurrencyCode,
        IgnoredNumber
    };
    struct CFieldRule {
        char tag;
        EKind kind;
        size_t maximum;
        const char* name = "";
        CText CBuchungenData::*text = nullptr;      // Text, Numbered
        int CBuchungenData::*whole = nullptr;       // Whole
        double CBuchungenData::*fraction = nullptr; // Fraction: the number divided by divisor
        double divisor = 1;
        CValueCheck::EKind check = CValueCheck::EKind::Integer; // how a malformed value is named
    };

private:
    // The rule of a tag in the table of the format, or nullptr for an unknown byte.
    const CFieldRule* FindRule(char tag) const;
    void ReadRecord();
    bool ReadNumberField(const CFieldRule& rule);
    bool ReadTextField(const CFieldRule& rule);
    bool StoreAccountPair(std::string_view text);
    // The number of a field; false after the FEHLER line when it is out of form or too large.
    bool Number(std::string_view text, const char* field, CValueCheck::EKind kind, long long& value);
    void CheckTotal(bool negative, std::string_view text);
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
    long long cents = 0;
    // Sum of the bookings taken since the last total record, and the first of them.
    __int128 sum = 0;
    int firstUnchecked = 0;
    // Values of the last appended booking that the next one may omit.
    std::string lastDatum;
    int lastSoll = 0;
    std::string lastBuchungsnummer;
};
