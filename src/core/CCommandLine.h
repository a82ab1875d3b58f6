#pragma once

#include <string>

class CPelkoDoc;

// The switch syntax of batch calls ("/AUTO /in:csv:bu:... /out:datev:..."), parsed into a document.
class CCommandLine {
public:
    // Joins argv (UTF-8) into one Windows-1252 command line; switch values holding a blank or
    // a "/" are put in double quotes so that POSIX paths stay one value.
    static std::string FromArgv(int argc, const char* const* argv);
    // True when "/AUTO" (or else "/auto") occurs after the start of the line.
    static bool IsAutomatic(const std::string& commandLine);
    // Resets the command-line parameters of the document and applies every switch.
    static void Parse(const std::string& commandLine, CPelkoDoc& doc);
    // Locale-aware lower case of Windows-1252 text; keeps the length.
    static std::string ToLower(const std::string& text);
};
