#pragma once

#include <string>

class CFrontEnd;
class CRunDispatch;

// The logic of the automatic-run window: settings, command line, one conversion, exit status.
class CAutoRun {
public:
    enum EExit { Completed = 0, Failed = 1, UnusableCommandLine = 2, CompletedWithErrors = 3 };

    // The dispatch is the standard table unless a test hands in its own readers and writers.
    explicit CAutoRun(CFrontEnd& frontEnd, const CRunDispatch* dispatch = nullptr)
        : frontEnd(frontEnd), dispatch(dispatch) {}
    // Runs the conversion the command line asks for and returns the process exit status.
    int Execute(const std::string& commandLine);

private:
    CFrontEnd& frontEnd;
    const CRunDispatch* dispatch;
};
