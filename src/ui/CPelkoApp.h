#pragma once

#include <string>

// The desktop side of the program.
class CPelkoApp {
public:
    // True when a window can be shown: an X11 or Wayland display, or a platform chosen by
    // QT_QPA_PLATFORM (such as offscreen).
    static bool HasDisplay();
    // Opens the automatic-run window or the main window and returns the exit status once it closed.
    static int Run(int argc, char** argv, const std::string& commandLine, bool automatic);
};
