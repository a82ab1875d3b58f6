#pragma once

#include <string>

class CFrontEnd;

// The logic of the automatic-run window: settings, command line, one conversion, exit status.
class CAutoRun {
public:
    enum EExit { Completed = 0, Failed = 1, UnusableCommandLine = 2 };

    explicit CAutoRun(CFrontEnd& frontEnd) : frontEnd(frontEnd) {}
    // Runs the conversion the command line asks for and returns the process exit status.
    int Execute(const std::string& commandLine);

private:
    CFrontEnd& frontEnd;
};
