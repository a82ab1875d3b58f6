// Any column profile ("*.prf") worked through both column dialogs, then used for an export.
#include "FuzzSupport.h"
#include "text/CDlgModulCsvExport.h"
#include "text/CDlgModulCsvImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPelkoDoc& doc = fuzz::Doc();
    const std::string profile = fuzz::Write("profil.prf", fuzz::Bytes(data, size));
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
    fuzz::Require(engine.OpenExportFile((fuzz::Folder() / "aus.csv").string(), 0) == 1, "export file");
    engine.WriteHeading();
    for (int i = 0; i < engine.GetColumnCount(); ++i)
        engine.SetValue(engine.GetColumn(i).name, "Wert \"" + std::to_string(i) + "\";\n", i % 2);
    engine.WriteRecord();
    fuzz::Require(engine.CloseFile() == 1, "export completed");
    return 0;
}
