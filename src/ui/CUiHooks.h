#pragma once

class QWidget;

// What the crash recording adds to the main window once it is built in; unset, the window
// leaves the start check out and its service menu has no "Exception Test".
struct CUiHooks {
    // Two seconds after the main window opened: report a crash of the previous use.
    static inline void (*startCheck)(QWidget* window) = nullptr;
    // "Exception Test" of the service menu: provokes a crash so that its recording can be tried.
    static inline void (*exceptionTest)() = nullptr;
};
