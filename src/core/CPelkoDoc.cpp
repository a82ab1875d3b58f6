#include "core/CPelkoDoc.h"

#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CPlatform.h"
#include "core/CRunDispatch.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "db/CDbConversion.h"
#include "text/CCsvConversion.h"

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string& ReadingStatus() {
    static const std::string text = "Daten werden eingelesen...";
    return text;
}

// A format whose reader or writer this build does not have ends the run visibly, never with fake output.
std::string NotAvailable(int code, const char* direction, const char* name) {
    return CTool::Format(Ansi("(E:%d)\nDas %s \"%s\" wird von dieser Version nicht unterstützt.").c_str(),
                         code, direction, Ansi(name).c_str());
}

std::string NoRecords(const std::string& inputFile) {
    std::string where = inputFile.empty() ? std::string() : " (" + inputFile + ")";
    return Ansi("(E:106)\nDie Eingabe") + where +
           Ansi(
               " enthält keine Datensätze.\nEs wird nichts geschrieben, die Konvertierung wird abgebrochen.");
}

// A copy in a temporary file of an input that can be read only once (a pipe), for the DATEVpro
// reader, which opens its file once for the header, once for the headings and once for the data.
// Removed with the object.
class CSpooledInput {
public:
    CSpooledInput() = default;
    CSpooledInput(const CSpooledInput&) = delete;
    CSpooledInput& operator=(const CSpooledInput&) = delete;
    ~CSpooledInput() {
        if (!path.empty()) std::remove(path.c_str());
    }
    // False when the input could not be read or copied to its end.
    bool Copy(const std::string& input) {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelko-eingabe-XXXXXX").string();
        int fd = mkstemp(pattern.data());
        if (fd < 0) return false;
        path = pattern;
        std::FILE* to = fdopen(fd, "wb");
        std::FILE* from = to ? CPlatform::OpenFile(input, "rb") : nullptr;
        bool ok = from != nullptr;
        char buffer[65536];
        for (size_t n; ok && (n = std::fread(buffer, 1, sizeof buffer, from)) > 0;)
            ok = std::fwrite(buffer, 1, n, to) == n;
        ok = ok && !std::ferror(from);
        if (from) std::fclose(from);
        if (to)
            ok = std::fclose(to) == 0 && ok;
        else
            close(fd);
        return ok;
    }
    const std::string& Path() const { return path; }

private:
    std::string path;
};

bool IsRegularOrMissing(const std::string& path) {
    struct stat info {};
    return CPlatform::IsDirectory(path) || stat(CCodePage::AnsiToUtf8(path).c_str(), &info) != 0 ||
           S_ISREG(info.st_mode);
}

// A type from "pelko.ini" that no reader or writer has: nothing could be read or written.
std::string UnknownType(int code, const char* what, int type) {
    return CTool::Format(Ansi("(E:%d)\nDer %s %d ist unbekannt.\nBitte wählen Sie im Hauptfenster einen "
                              "gültigen Typ.\nDie Konvertierung wird abgebrochen.")
                             .c_str(),
                         code, what, type);
}

// A FEHLER line anywhere in the run's findings: some value or record did not arrive as it was.
bool HasErrorFindings(const std::string& messages) {
    return messages.compare(0, 7, "FEHLER:") == 0 || messages.find("\nFEHLER:") != std::string::npos;
}

std::string Summary(CPelkoDoc::ERunResult result, int dataType, int count) {
    if (result == CPelkoDoc::ERunResult::Failed) return "Konvertierung abgebrochen.";
    return CTool::Format("Konvertierung abgeschlossen (%d %s).", count,
                         dataType == CPelkoDoc::Master ? "Stammdaten" : "Buchungen");
}

} // namespace

CPelkoDoc::CPelkoDoc(CFrontEnd& frontEndRef)
    : datev(frontEndRef), csvExportBookings(frontEndRef), csvImportBookings(frontEndRef),
      csvExportMaster(frontEndRef), csvImportMaster(frontEndRef), dbExportBookings(frontEndRef),
      dbImportBookings(frontEndRef), dbExportMaster(frontEndRef), dbImportMaster(frontEndRef),
      frontEnd(frontEndRef), dispatch(&CRunDispatch::Standard()) {}

CPelkoDoc::~CPelkoDoc() {
    CloseErrorFile();
}

void CPelkoDoc::InitDocument() {
    // The engines of the formats define their standard column lists here.
    CDbConversion::DefineEngines(*this);
    CCsvConversion::DefineEngines(*this);
}

bool CPelkoDoc::OpenErrorFile(const std::string& path) {
    CloseErrorFile();
    errorFilePath = path;
    errorFile = CPlatform::OpenFile(path, "wb");
    return errorFile != nullptr;
}

void CPelkoDoc::CloseErrorFile() {
    if (errorFile) std::fclose(errorFile);
    errorFile = nullptr;
}

void CPelkoDoc::AppendToErrorFile(const std::string& text) {
    if (!errorFile) return;
    std::fwrite(text.data(), 1, text.size(), errorFile);
    std::fwrite("\r\n", 1, 2, errorFile);
    std::fflush(errorFile);
}

void CPelkoDoc::EmptyLists() {
    buchungen.RemoveAll();
    stamm.RemoveAll();
}

CPelkoDoc::ERunResult CPelkoDoc::RunInteractive() {
    if (outputFile.empty() && outputType != OutSql) {
        frontEnd.MessageBox(
            Ansi("Bitte geben Sie in Schritt '2' im Feld 'Datei' einen Dateinamen für die Ausgabe an."),
            CFrontEnd::EIcon::Error);
        return ERunResult::Failed;
    }
    return Run(false);
}

CPelkoDoc::ERunResult CPelkoDoc::RunAutomatic() {
    ERunResult result = Run(true);
    CloseErrorFile();
    return result;
}

CPelkoDoc::ERunResult CPelkoDoc::Run(bool automaticRun) {
    std::string messages;
    frontEnd.SetStatus(ReadingStatus());
    EmptyLists();
    // After emptying, whose list operations set their own codes: 1001 marks the start of reading
    // (and stays until a DATEVpro reader of the automatic run sets its own).
    CStepCode::Set(1001);

    int readOk = 0;
    try {
        readOk = Read(automaticRun, messages);
    } catch (...) {
        frontEnd.MessageBox(
            CTool::Format("(E:102#%d)\nException: Fehler beim Einlesen der Daten.", CStepCode::Get()));
        return ERunResult::Failed;
    }

    // A failed read never reaches a writer: writing an empty target would replace the
    // user's previous export with nothing.
    ERunResult result = ERunResult::Failed;
    if (readOk) {
        try {
            result = Write(automaticRun, messages);
        } catch (...) {
            frontEnd.MessageBox(
                CTool::Format("(E:103#%d)\nException: Fehler beim Speichern der Daten.", CStepCode::Get()));
            return ERunResult::Failed;
        }
        if (result == ERunResult::Cancelled) return result;
    }

    if (result == ERunResult::Completed && HasErrorFindings(messages))
        result = ERunResult::CompletedWithErrors;
    const std::string summary = Summary(result, dataType, recordCounter);
    if (!automaticRun) frontEnd.SetStatus(summary);
    EmptyLists();
    CStepCode::Set(1068);
    if (automaticRun) frontEnd.SetStatus(summary);

    // Without an error file an unattended run still hands its findings to the front end, and so
    // does a failed one: its caller must not have to open a file to learn why.
    if (!messages.empty()) {
        if (automaticRun && errorFile) AppendToErrorFile(messages);
        if (!automaticRun || !errorFile || result == ERunResult::Failed)
            frontEnd.ShowMessages("Es wurden folgende Fehler festgestellt:", messages);
    }
    return result;
}

int CPelkoDoc::Read(bool automaticRun, std::string& messages) {
    const CReaderEntry* entry = dispatch->FindReader(inputType);
    if (!entry) {
        frontEnd.MessageBox(UnknownType(104, "Eingabetyp", inputType));
        return 0;
    }
    CSpooledInput spooled;
    if (inputType == InDatevPro && !IsRegularOrMissing(inputFile) && !spooled.Copy(inputFile)) {
        frontEnd.MessageBox(CTool::Format(Ansi("(E:601)\nDie Eingabedatei (%s) kann nicht gelesen werden.\n"
                                               "Der Import wird abgebrochen.")
                                              .c_str(),
                                          inputFile.c_str()));
        return 0;
    }
    const std::string& file = spooled.Path().empty() ? inputFile : spooled.Path();
    if (automaticRun && entry->detect) {
        int kind = entry->detect(*this, file);
        if (kind > 0) dataType = kind - 1;
    }
    FRead read = entry->read[dataType == Master ? 1 : 0];
    if (!read) {
        frontEnd.MessageBox(NotAvailable(104, "Eingabeformat", entry->name));
        return 0;
    }
    if (!(automaticRun && inputType == InDatevPro)) CStepCode::Set(entry->stepCode);
    if (!read(*this, file, messages)) return 0;
    // An input without a single record is no export either: the previous target stays.
    if ((dataType == Master ? stamm.GetCount() : buchungen.GetCount()) == 0) {
        frontEnd.MessageBox(NoRecords(inputType == InSql ? std::string() : inputFile));
        return 0;
    }
    return 1;
}

CPelkoDoc::ERunResult CPelkoDoc::Write(bool automaticRun, std::string& messages) {
    frontEnd.SetStatus("Daten werden abgespeichert...");
    recordCounter = 0;
    const CWriterEntry* entry = dispatch->FindWriter(outputType);
    if (!entry) {
        frontEnd.MessageBox(UnknownType(105, "Ausgabetyp", outputType));
        return ERunResult::Failed;
    }
    int kind = dataType == Master ? 1 : 0;
    FWrite write = entry->write[kind];
    if (!write) {
        frontEnd.MessageBox(NotAvailable(105, "Ausgabeformat", entry->name));
        return ERunResult::Failed;
    }
    CStepCode::Set(entry->stepCode[kind]);
    if (entry->prepare) {
        int prepared = entry->prepare(*this, dataType, outputType == OutDatevPro, automaticRun, messages);
        if (prepared == 0) return ERunResult::Cancelled;
        if (prepared < 0) return ERunResult::Failed;
    }

    std::string file = outputFile;
    if (entry->fileArg == CWriterEntry::NoFile) {
        file.clear();
    } else if (entry->fileArg == CWriterEntry::Folder && CPlatform::IsDirectory(outputFile)) {
        // An existing folder named without the closing "/" is the folder meant.
        while (file.size() > 1 && file.back() == '/')
            file.pop_back();
    } else if (entry->fileArg == CWriterEntry::Folder) {
        size_t slash = outputFile.rfind('/');
        if (slash != std::string::npos)
            file = outputFile.substr(0, slash);
        else if (automaticRun)
            file.clear();
    }
    return write(*this, file, messages) ? ERunResult::Completed : ERunResult::Failed;
}
