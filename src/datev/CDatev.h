#pragma once

#include "core/CBuchungenCtrl.h"
#include "core/CIniEx.h"
#include "core/CStammCtrl.h"
#include "core/CTargetFile.h"

#include <memory>
#include <string>
#include <string_view>

class CFrontEnd;
class CKneFile;
class CKneText;
class CPelkoDoc;
struct CDatevValues;

// The DATEV parameters (consultant, client, numbering, format switches) that every DATEV file
// carries, kept between runs in "angaben_datev.txt", plus the KNE readers and writers that use them.
// One object per document; all texts are Windows-1252.
class CDatev {
public:
    // Sections of the mapping file "stammdaten_umsetzung.ini".
    static constexpr const char* kOutAnrede = "OUT:Anrede";
    static constexpr const char* kOutLand = "OUT:Land";
    static constexpr const char* kInAnrede = "IN:Anrede";
    static constexpr const char* kInLand = "IN:Land";

    // Sets the start values, reads "stammdaten_ausgabe" and "laenge_buchungstext" of "pelko.ini"
    // and opens the mapping file. Message boxes go to the front end.
    explicit CDatev(CFrontEnd& frontEnd);
    CDatev(const CDatev&) = delete;
    CDatev& operator=(const CDatev&) = delete;

    // --- Parameter file "angaben_datev.txt" ---
    // Empty path: the file of the data folder, else the program folder. False (and start values)
    // when it cannot be opened; Datum von/bis are never read from the file. A line whose number
    // cannot be read (or that lies beyond a line too long to read) adds a FEHLER line naming it
    // to findings, when given.
    bool LoadAngaben(const std::string& path, std::string* findings = nullptr);
    // Writes the fourteen lines into the data folder; false after "(E:304)".
    bool SaveAngaben();
    // Returns every parameter of the file to its start value (Datum von/bis stay).
    void ResetAngaben();

    // "TT.MM.JJJJ" -> JJJJMMTT, "TT.MM." -> MMTT, anything else 0.
    static int DateKey(std::string_view datum);
    // Datum von/bis from the first smallest and first largest date of the filled bookings.
    void SetDateRange(const CBuchungenCtrl& list);
    // Load, date range, command-line values, dialog "DATEV-Angaben" when the rules ask for it, save.
    // Cancelled when the dialog was not confirmed, Failed when the parameter file named by "/dv:"
    // cannot be read or holds lines that cannot be read (FEHLER lines in messages): the writer
    // must not run then.
    enum class EPrepared { Ready, Cancelled, Failed };
    EPrepared PrepareDatevTarget(CPelkoDoc& doc, int dataType, bool datevPro, bool automatic,
                                 std::string& messages);

    // Copies each non-empty DATEV value of the command line into the parameters.
    void ApplyCommandLine(const CDatevValues& values);

    // Value of a key of the mapping file, or fallback when the key is missing or empty.
    std::string MapValue(const char* section, const std::string& key, const std::string& fallback) const;

    // --- KNE field operations (positions 1-based, record = buffer of blanks) ---
    static void PutText(std::string& record, std::string& messages, const std::string& value,
                        const std::string& fieldName, int position, int width, bool required);
    static void PutNumber(std::string& record, std::string& messages, long long value,
                          const std::string& fieldName, int position, int width, bool required);
    // Stripped, optionally reduced to digits, then blank when shorter than minimum, cut when longer
    // than maximum; each change is noted as a "HINWEIS" line.
    static std::string CheckValue(std::string& messages, int recordNumber, const std::string& fieldName,
                                  const std::string& value, size_t minimum, size_t maximum, bool digitsOnly);

    // --- KNE writers (folder without trailing "/"; empty folder = bare file names) ---
    // Data file of bookings; returns the number of bookings written, 0 after a failure.
    int WriteKneBookings(const std::string& folder, const CBuchungenCtrl* list, CFrontEnd& progress,
                         std::string& messages);
    // "EV01"/"DV01" for the bookings file just written.
    bool WriteKneControl(const std::string& folder, std::string& messages);
    // Data file of master data; returns the number of records, 0 after a failure.
    int WriteKneMaster(const std::string& folder, const CStammCtrl& list, CFrontEnd& progress,
                       std::string& messages);
    // "EV01"/"DV01" for the master-data file just written.
    bool WriteKneMasterControl(const std::string& folder, std::string& messages);

    // --- KNE readers ---
    // From bytes 7-8 of the header: 1 bookings, 2 master data, 0 unknown, -1 unreadable.
    static int DetectKneFileKind(const std::string& path);
    bool ReadKneBookings(const std::string& path, CBuchungenCtrl& list, CFrontEnd& progress,
                         std::string& messages);
    bool ReadKneMaster(const std::string& path, CStammCtrl& list, CFrontEnd& progress, std::string& messages);
    // "TTMM", "TTMMJJ" (also without leading zero) -> "TT.MM.JJJJ".
    std::string NormalizeKneDate(const std::string& text) const;

    CFrontEnd& GetFrontEnd() { return frontEnd; }
    bool IsExtendedFormat() const { return kontonummernErweiterung != 0; }

    // --- Parameters (stored in "angaben_datev.txt" except Datum von/bis) ---
    int beraterNummer = 0;                            // "Beraternummer", 0..9999999
    std::string beraterName;                          // "Beratername", at most 9
    int mandantenNummer = 0;                          // "Mandantennummer", 0..99999
    std::string dfvKennzeichen;                       // "DFV-Kennzeichen", at most 2
    int datentraegerNummer = 1;                       // "Datenträgernummer", 0..999999
    int abrechnungsNummer = 1;                        // "Abrechnungsnummer", 1..999999
    std::string passwort;                             // "Passwort", at most 4
    int kontonummernErweiterung = 1;                  // 1 = "ED00001"/"EV01", 0 = "DE001"/"DV01"
    int kontonummernLaenge = 4;                       // "Kontonummernlänge", 4..8
    std::string datumVon;                             // "Datum von" "TT.MM.JJJJ"
    std::string datumBis;                             // "Datum bis"
    std::string wirtschaftsjahrBeginn = "01.01.2000"; // "Beginn des Wirtschaftsjahres"
    int datevProVersion = 700;                        // 300 = "V3.0", 510 = "V5.1", 700 = "V7.0"
    int festschreibung = 1;                           // 0 or 1

    // --- Working values ---
    std::string buchungsjahr;      // last two characters of Datum von, set by the bookings writer
    int blockCount = 0;            // 256-byte blocks of the last KNE data file
    int lastByteOffset = 0;        // offset of the last used byte in its block ("DV01")
    int laengeBuchungstext = 30;   // "pelko.ini" "einstellungen"/"laenge_buchungstext"
    std::string stammdatenAusgabe; // "pelko.ini" "einstellungen"/"stammdaten_ausgabe"
    CIniEx mapping;                // "stammdaten_umsetzung.ini", open while the object lives
    // Set by the KNE data writers: false when the data file could not be written, so that no
    // control file is written for it.
    bool dataFileWritten = false;
    // The finished data file, waiting for its control file: the two replace the old pair together.
    std::unique_ptr<CTargetFile> pendingData;

private:
    // Folder + "/" + name; an empty folder gives the bare name.
    static std::string KnePath(const std::string& folder, const char* name);
    // Position 4 of the data-file headers: 3 digits (extended format) or the plain number.
    void PutDatentraeger(std::string& record, std::string& messages) const;
    // The first fields of both KNE headers, up to the client number.
    std::string HeaderStart(size_t length, int anwendungsnummer, std::string& messages) const;
    // Finishes a data file (it waits in pendingData for its control file): its block count for the
    // control file, or the error box.
    bool FinishDataFile(CKneFile& file, const std::string& path, int errorCode, CFrontEnd& progress);
    // "1,", Kontonummernlänge, ",", Kontonummernlänge, ",", "----" from position on.
    void PutVersion(std::string& record, std::string& messages, int position) const;
    // The 13-byte version record of the extended format, starting with mark.
    std::string VersionRecord(char mark, std::string& messages) const;
    // Record 1 of "EV01"/"DV01", the same for bookings and master data.
    std::string ControlRecord1(std::string& messages) const;
    // Binary block count, end offset and Primanota page of "DV01" record 2; false (after a message)
    // when the data file has more blocks than 16 bits can count.
    bool PutOldControlTail(std::string& record, const std::string& folder, int endOffset);
    // "EV01"/"DV01" of the bookings or the master-data file just written.
    bool WriteControl(const std::string& folder, std::string& messages, bool master);
    std::string BookingsHeader(std::string& messages) const;
    // The record of a booking into record; false (after its FEHLER) when it is not written.
    bool ExtendedBooking(const CBuchungenData& b, int recordNumber, long long cents, std::string& messages,
                         std::string& record) const;
    bool OldBooking(const CBuchungenData& b, int recordNumber, long long cents, std::string& messages,
                    std::string& record) const;
    std::string_view BookingText(const CBuchungenData& b, int recordNumber, CKneText& texts,
                                 std::string& messages) const;
    std::string MasterHeader(std::string& messages) const;
    void WriteMasterRecord(CKneFile& file, const CStammData& record, int recordNumber,
                           std::string& messages) const;

    CFrontEnd& frontEnd;
};
