#pragma once

class CIniEx;
class CPelkoDoc;

// The keys of "pelko.ini": read into a document when a window opens, written when the main window closes.
class CPelkoSettings {
public:
    enum class EReader { MainWindow, AutomaticRun };

    // Reads the keys in their fixed order; the "system" preset overrides what was read before it.
    // A settings file that could not be opened gives every setting its default.
    static void Load(const CIniEx& ini, CPelkoDoc& doc, EReader reader);
    static void Save(CIniEx& ini, const CPelkoDoc& doc);
};
