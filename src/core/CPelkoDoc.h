#pragma once

#include "core/CBuchungenCtrl.h"
#include "core/CDatevValues.h"
#include "core/CFormatSettings.h"
#include "core/CStammCtrl.h"
#include "datev/CDatev.h"
#include "db/CModulMDB.h"
#include "text/CModulCSV.h"

#include <cstdio>
#include <string>

class CFrontEnd;
class CRunDispatch;

// The state of one window's conversions: types, files, profiles, DATEV values of the command line,
// format settings, the two record lists and the engines. One document per window.
class CPelkoDoc {
public:
    enum EInputType { InDatev = 0, InDatevPro = 1, InCsv = 2, InAccess = 3, InSql = 4 };
    enum EOutputType { OutDatev = 0, OutDatevPro = 1, OutCsv = 2, OutAccess = 3, OutSql = 4, OutRtf = 5 };
    enum EDataType { Bookings = 0, Master = 1 };
    // CompletedWithErrors: the target was written, but FEHLER lines name values or records that did
    // not reach it as they were.
    enum class ERunResult { Completed, CompletedWithErrors, Failed, Cancelled };

    explicit CPelkoDoc(CFrontEnd& frontEnd);
    CPelkoDoc(const CPelkoDoc&) = delete;
    CPelkoDoc& operator=(const CPelkoDoc&) = delete;
    ~CPelkoDoc();

    // The engines define their standard column lists.
    void InitDocument();
    // "Konvertierung starten": the window has put its values into the document.
    ERunResult RunInteractive();
    // The unattended run of "/AUTO"; writes the findings to the error file and closes it.
    ERunResult RunAutomatic();

    // Opens the error file of "/out:error:" (created or emptied); false when it cannot be created.
    bool OpenErrorFile(const std::string& path);
    void CloseErrorFile();
    std::FILE* GetErrorFile() const { return errorFile; }
    const std::string& GetErrorFilePath() const { return errorFilePath; }
    // Appends a text and CR LF to the open error file, if any.
    void AppendToErrorFile(const std::string& text);

    CFrontEnd& GetFrontEnd() { return frontEnd; }
    void SetDispatch(const CRunDispatch& table) { dispatch = &table; }

    int inputType = 0;
    int outputType = 0;
    int dataType = 0;
    std::string inputFile;
    std::string outputFile;
    std::string datevParamFile;
    int automatic = 0;
    int forceDatevDialog = 0;
    CDatevValues datevValues;
    std::string profileIn;
    std::string profileOut;
    std::string tableName;
    int recordCounter = 0;
    CFormatSettings settings;

    CBuchungenCtrl buchungen;
    CStammCtrl stamm;
    CDatev datev;

    // The delimited-text engines live as long as the document; InitDocument defines their columns.
    CModulCSV csvExportBookings;
    CModulCSV csvImportBookings;
    CModulCSV csvExportMaster;
    CModulCSV csvImportMaster;

    // The database engines, likewise.
    CModulMDB dbExportBookings;
    CModulMDB dbImportBookings;
    CModulMDB dbExportMaster;
    CModulMDB dbImportMaster;

private:
    ERunResult Run(bool automaticRun);
    int Read(bool automaticRun, std::string& messages);
    ERunResult Write(bool automaticRun, std::string& messages);
    void EmptyLists();

    CFrontEnd& frontEnd;
    const CRunDispatch* dispatch;
    std::FILE* errorFile = nullptr;
    std::string errorFilePath;
};
