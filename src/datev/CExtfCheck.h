#pragma once

#include <string>

// The checks every DATEVpro writer and the main window share.
class CExtfCheck {
public:
    // The file name (after the last "/") must begin with "EXTF" and end with ".csv". Each failed
    // rule appends a "FEHLER" line when messages is given; false when either failed.
    static bool CheckExtfFileName(const std::string& path, std::string* messages);
    // Strips surrounding white space and notes an empty required value or a length outside
    // minimum .. maximum. The stripped value is returned in full: DATEVpro values are never cut.
    static std::string CheckDatevProValue(int recordNumber, const char* fieldName, std::string value,
                                          int minimum, int maximum, bool required, std::string& messages);
    // The main window's hint line for the chosen output type and file; empty when none is due.
    static std::string FileNameHint(int outputType, const std::string& outputFile);
};
