#pragma once

#include <string>
#include <vector>

// The state and operations of the error dialog "FEHLER": its number line and text, which crash
// report files it found, deleting them afterwards and handing them to the user's mail program.
// Texts are Windows-1252 like every text of the program.
class CErrorReport {
public:
    static constexpr int kCrashNumber = 399;
    static const std::string& CrashText();
    static constexpr const char* kDefaultAddress = "support@pelko.example";

    // Sets the number line "Fehlernummer: %d:%d" (number and current step code) and the text, and
    // looks for the crash files.
    void SetError(int number, const std::string& text);
    // 0 neither crash file, 1 only "FEHLER.DMP", 2 only "FEHLER_LOG.TXT", 3 both; remembers which.
    int CrashFilesPresent();
    bool LogFound() const { return logFound; }
    bool DumpFound() const { return dumpFound; }
    const std::string& NumberLine() const { return numberLine; }
    const std::string& Text() const { return text; }
    // After the dialog: deletes the fixed files that were there when it opened; dated copies stay.
    void DeleteFoundFiles() const;

    std::string Subject() const;
    std::string Body() const;
    // The arguments of xdg-email (after the program name), each found report file attached.
    std::vector<std::string> MailArguments(const std::string& address) const;
    // Hands the report to the user's mail program; an empty text when that worked, else the
    // message to show.
    std::string Send(const std::string& address) const;
    // "Adresse" in section "Fehlerbericht" of "pelko.ini", else kDefaultAddress.
    static std::string SupportAddress();

private:
    std::string numberLine;
    std::string text;
    bool logFound = false;
    bool dumpFound = false;
};
