#pragma once

#include "core/CIniEx.h"
#include "core/CPelkoDoc.h"
#include "core/CTool.h"
#include "datev/CDatev.h"
#include "text/CDlgModulCsvExport.h"
#include "text/CDlgModulCsvImport.h"

#include <string>
#include <vector>

// What the robustness tests and the fuzz targets of the settings files look at.
namespace probe {

// Every value of the file as the class reads it, keyed by section and key.
inline std::vector<std::string> AllValues(const CIniEx& ini) {
    std::vector<std::string> values;
    for (const std::string& section : ini.GetSectionNames()) {
        for (const std::string& key : ini.GetKeys(section)) {
            std::string value;
            ini.GetString(section, key, value);
            values.push_back(section + "\x01" + key + "\x01" + value);
        }
    }
    return values;
}

inline std::string AngabenOf(const CDatev& d) {
    return CTool::Format("%d|%s|%d|%s|%d|%d|%s|%d|%d|%s|%d|%d", d.beraterNummer, d.beraterName.c_str(),
                         d.mandantenNummer, d.dfvKennzeichen.c_str(), d.datentraegerNummer,
                         d.abrechnungsNummer, d.passwort.c_str(), d.kontonummernErweiterung,
                         d.kontonummernLaenge, d.wirtschaftsjahrBeginn.c_str(), d.datevProVersion,
                         d.festschreibung);
}

// Works a damaged profile through both column dialogs and writes a file with the result; false
// when that file could not be written.
inline bool UseProfile(CPelkoDoc& doc, const std::string& profile, const std::string& out) {
    CDlgModulCsvImport import(doc.csvImportMaster);
    import.ApplyProfile(profile);
    import.Open();
    for (int i = 0; i < import.GetItemCount(); ++i)
        import.GetItemText(i);
    import.MoveDown();
    import.DropOn(0, import.GetItemCount() - 1);
    import.AutoAssign();
    import.TakeOptions();

    CModulCSV& engine = doc.csvExportMaster;
    CDlgModulCsvExport dialog(engine);
    dialog.ApplyProfile(profile);
    dialog.Open();
    for (int i = 0; i < dialog.GetItemCount(); ++i)
        dialog.GetItemText(i);
    dialog.SelectItem(dialog.GetItemCount() - 1);
    dialog.MoveUp();
    dialog.InvertSelection();
    dialog.TakeOptions();
    if (engine.OpenExportFile(out, 0) != 1) return false;
    engine.WriteHeading();
    for (int i = 0; i < engine.GetColumnCount(); ++i)
        engine.SetValue(engine.GetColumn(i).name, "Wert \"" + std::to_string(i) + "\";\n", i % 2);
    engine.WriteRecord();
    return engine.CloseFile() == 1;
}

} // namespace probe
