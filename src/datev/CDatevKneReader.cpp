// The KNE reader: loads a DATEV data file ("ED00001", "DE001"), takes the header into the
// parameters and hands the records to the bookings or master-data scan.
#include "core/CCodePage.h"
#include "core/CFrontEnd.h"
#include "core/CLargeBlockAllocator.h"
#include "core/CPlatform.h"
#include "core/CStepCode.h"
#include "core/CTool.h"
#include "datev/CDatev.h"
#include "datev/CKneBookingReader.h"
#include "datev/CKneMasterReader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <filesystem>
#include <memory>

namespace {

struct CFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using CFilePtr = std::unique_ptr<std::FILE, CFileCloser>;

const size_t kBlockSize = 256;
const char kMark[] = "\x1D\x18";

// Header lengths and, in the extended format, the position of the account length in the version record.
struct CHeaderLayout {
    size_t length;
    size_t accountLengthPos;
};
const CHeaderLayout kBookingsHeader = {80, 86};
const CHeaderLayout kMasterHeader = {65, 69};

// Beyond this the input is no KNE file anyone wrote; reading stops instead of growing without bound.
const long long kMaxInput = 4LL << 30;

struct CLoaded {
    bool readError = false;
    bool tooLarge = false;
    long long trailingAt = -1; // file offset of bytes after the end of the data part
};

bool AllNul(const char* block, size_t size) {
    return std::all_of(block, block + size, [](char c) { return c == '\0'; });
}

// The NUL bytes at the end of each 256-byte block are fill: they disappear, and the records of
// consecutive blocks join. A NUL anywhere else stays and is reported with its record. The data
// part ends with the block that holds the end mark "z" before its fill, or with a block of fill
// only; after it at most one block of fill may follow (a "z" on the last byte of a block), so an
// endless input is not read on. A first block without the mark of a DATEV file ends reading too.
CLoaded LoadBlocks(std::FILE* file, long long sizeHint, std::string& data) {
    CLoaded loaded;
    if (sizeHint > 0) {
        data.reserve(static_cast<size_t>(std::min(sizeHint, kMaxInput)));
        AdviseHugePages(data.data(), data.capacity());
    }
    char block[kBlockSize];
    long long offset = 0;
    size_t got;
    while ((got = std::fread(block, 1, kBlockSize, file)) > 0) {
        offset += static_cast<long long>(got);
        size_t used = got;
        while (used > 0 && block[used - 1] == '\0')
            --used;
        data.append(block, used);
        if (offset == static_cast<long long>(got) && data.compare(0, 2, kMark) != 0) break;
        if (used == 0 || (used < got && data.back() == 'z')) {
            long long end = used == 0 ? offset - static_cast<long long>(got) : offset;
            got = std::fread(block, 1, kBlockSize, file);
            if ((got > 0 && !AllNul(block, got)) || (got == kBlockSize && std::fgetc(file) != EOF))
                loaded.trailingAt = end;
            break;
        }
        if (offset > kMaxInput) {
            loaded.tooLarge = true;
            break;
        }
    }
    loaded.readError = std::ferror(file) != 0;
    return loaded;
}

// 1-based position and width inside the header; the caller has checked the header length.
// Control bytes become blanks: the texts go into the line-based parameter file.
std::string HeaderText(const std::string& data, size_t position, size_t width) {
    std::string text = data.substr(position - 1, width);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

int HeaderNumber(const std::string& data, size_t position, size_t width) {
    return CTool::ToInt(data.substr(position - 1, width));
}

// The scan starts behind the version record (extended format) or at the "y" ending the header.
size_t ScanStart(const std::string& data, bool extended, const CHeaderLayout& layout) {
    if (!extended) return layout.length - 1;
    size_t end = data.find('\x1C');
    return end == std::string::npos ? data.size() : end + 1;
}

// A complete file ends with the end mark "z"; without it the file was cut off.
void CheckEndMark(const std::string& data, std::string& messages) {
    if (data.empty() || data.back() != 'z')
        messages +=
            Ansi("FEHLER: Die Datei endet ohne Endekennzeichen 'z', sie ist vermutlich unvollständig.\r\n");
}

void WriteScanProtocol(const std::string& data, size_t offset, int stepCode) {
    std::string text = "Fehler-Protokoll:\r\n\r\n";
    text += CTool::Format("(E:326#%d)\nFehler bei der DATEV-Erkennung (i=%zu,dbg=%d,cnt=%d,max=%zu)\r\n",
                          stepCode, offset, 0, 0, data.size());
    size_t last = std::min(offset + 50, data.size() >= 2 ? data.size() - 2 : 0);
    for (size_t i = 0; i <= last && i < data.size(); ++i)
        text += CTool::Format("%zu: %d\r\n", i, static_cast<int>(static_cast<signed char>(data[i])));
    CFilePtr file(CPlatform::OpenFile(CTool::GetDataDir(true) + "/protokoll.txt", "wb"));
    if (file) std::fwrite(text.data(), 1, text.size(), file.get());
}

// Opening steps shared by both readers; false after the failure message.
bool OpenKneInput(CDatev& datev, const std::string& path, bool master, std::string& data,
                  std::string& messages) {
    CFrontEnd& frontEnd = datev.GetFrontEnd();
    const int openCode = master ? 321 : 314;
    // The blocks are read through a buffer of up to 256 KB, not of 4 KB, the C library's own size;
    // a small file gets one of its own size. Made before the file, it is released after it.
    const long long fileSize = CPlatform::FileSize(path);
    const size_t readBufferSize = static_cast<size_t>(std::clamp(fileSize, 4096LL, 256LL << 10));
    auto readBuffer = std::make_unique_for_overwrite<char[]>(readBufferSize);
    CFilePtr file(CPlatform::OpenFile(path, "rb"));
    if (!file) {
        frontEnd.MessageBox(CTool::Format("(E:%d)\n", openCode) + path +
                            Ansi(" - Eingabedatei konnte nicht geöffnet werden!"));
        return false;
    }
    std::setvbuf(file.get(), readBuffer.get(), _IOFBF, readBufferSize);
    size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1, 2);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return std::toupper(static_cast<unsigned char>(c)); });
    if (name != "DE" && name != "ED") {
        frontEnd.MessageBox("(E:319)\nEingabedatei ist keine Datev-Datei im KNE oder OBE-Format.");
        return false;
    }
    datev.kontonummernErweiterung = name == "ED" ? 1 : 0;
    CLoaded loaded = LoadBlocks(file.get(), fileSize, data);
    if (loaded.readError || loaded.tooLarge) {
        frontEnd.MessageBox(CTool::Format("(E:%d)\n", openCode) + path +
                            (loaded.tooLarge ? Ansi(" - Eingabedatei ist größer als 4 GB!")
                                             : std::string(" - Eingabedatei konnte nicht gelesen werden!")));
        return false;
    }
    const std::string markError = CTool::Format("(E:%d)\n", master ? 324 : 317);
    if (data.compare(0, 2, kMark) != 0) {
        frontEnd.MessageBox(markError + Ansi("Eingabedatei hat keine gültige Kennung einer Datev-Datei."));
        return false;
    }
    if (loaded.trailingAt >= 0)
        messages +=
            CTool::Format(Ansi("FEHLER: Nach dem Ende der Daten (Byte %lld) folgen weitere Daten; sie "
                               "werden nicht gelesen.\r\n")
                              .c_str(),
                          loaded.trailingAt);
    const CHeaderLayout& layout = master ? kMasterHeader : kBookingsHeader;
    if (data.size() < (datev.kontonummernErweiterung ? layout.accountLengthPos : layout.length)) {
        frontEnd.MessageBox(markError + Ansi("Der Kopfsatz der Eingabedatei ist unvollständig."));
        return false;
    }
    if (data.find('\0') < layout.length)
        messages += Ansi("FEHLER: Der Kopfsatz der Eingabedatei enthält ein NUL-Byte; seine Angaben sind "
                         "vermutlich falsch.\r\n");
    return true;
}

void TakeBookingsHeader(CDatev& datev, const std::string& data) {
    datev.datentraegerNummer = HeaderNumber(data, 4, 3);
    datev.dfvKennzeichen = HeaderText(data, 9, 2);
    datev.beraterNummer = HeaderNumber(data, 11, 7);
    datev.mandantenNummer = HeaderNumber(data, 18, 5);
    datev.abrechnungsNummer = HeaderNumber(data, 23, 4);
    datev.buchungsjahr = HeaderText(data, 27, 2);
    datev.wirtschaftsjahrBeginn = "01.01.20" + datev.buchungsjahr;
    datev.datumVon = datev.NormalizeKneDate(HeaderText(data, 29, 6));
    if (datev.datumVon.size() >= 2) datev.buchungsjahr = datev.datumVon.substr(datev.datumVon.size() - 2);
    datev.datumBis = datev.NormalizeKneDate(HeaderText(data, 35, 6));
    datev.passwort = HeaderText(data, 44, 4);
    datev.kontonummernLaenge =
        datev.kontonummernErweiterung ? HeaderNumber(data, kBookingsHeader.accountLengthPos, 1) : 4;
    datev.beraterName.clear();
}

void TakeMasterHeader(CDatev& datev, const std::string& data) {
    datev.datentraegerNummer = HeaderNumber(data, 4, 3);
    datev.dfvKennzeichen = HeaderText(data, 9, 2);
    datev.beraterNummer = HeaderNumber(data, 11, 7);
    datev.mandantenNummer = HeaderNumber(data, 18, 5);
    datev.abrechnungsNummer = HeaderNumber(data, 23, 4); // "nnnnJJ": the number without the year
    datev.buchungsjahr = HeaderText(data, 27, 2);
    datev.wirtschaftsjahrBeginn = "01.01.20" + datev.buchungsjahr;
    datev.passwort = HeaderText(data, 29, 4);
    datev.kontonummernLaenge =
        datev.kontonummernErweiterung ? HeaderNumber(data, kMasterHeader.accountLengthPos, 1) : 4;
    datev.datumVon.clear();
    datev.datumBis.clear();
    datev.beraterName.clear();
}

int ProgressPos(size_t offset) {
    return static_cast<int>(std::min<size_t>(offset, INT_MAX));
}

} // namespace

int CDatev::DetectKneFileKind(const std::string& path) {
    // What is read from a pipe is gone for the reader that follows: the data type stays as given.
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) return 0;
    CFilePtr file(CPlatform::OpenFile(path, "rb"));
    if (!file) return -1;
    char head[10];
    size_t got = std::fread(head, 1, sizeof head, file.get());
    if (got < 8) return 0;
    int application = CTool::ToInt(std::string(head + 6, 2));
    return application == 11 ? 1 : application == 13 ? 2 : 0;
}

// Built in place: it is done for the date of every booking read.
std::string CDatev::NormalizeKneDate(const std::string& text) const {
    if (text.size() < 3 || text.size() > 6) return text; // seven or more digits carry no known date form
    const std::string_view t = text;
    const size_t dayCut = t.size() % 2; // 1 when the leading zero of the day is not written
    std::string date(dayCut, '0');
    date.append(t.substr(0, 2 - dayCut)).append(1, '.').append(t.substr(2 - dayCut, 2)).append(1, '.');
    const long long yy = CTool::ToInt(t.size() + dayCut == 4 ? buchungsjahr : text.substr(4 - dayCut, 2));
    char year[24];
    return date.append(year, std::to_chars(year, year + sizeof year, yy <= 70 ? 2000 + yy : 1900 + yy).ptr);
}

bool CDatev::ReadKneBookings(const std::string& path, CBuchungenCtrl& list, CFrontEnd& progress,
                             std::string& messages) {
    std::string data;
    if (!OpenKneInput(*this, path, false, data, messages)) return false;
    progress.SetProgressRange(0, ProgressPos(data.size()));
    TakeBookingsHeader(*this, data);
    bool extended = kontonummernErweiterung != 0;
    CKneBookingReader(*this, data, ScanStart(data, extended, kBookingsHeader), extended, list, progress,
                      messages)
        .Run();
    CheckEndMark(data, messages);
    progress.SetProgressPos(ProgressPos(data.size()));
    SaveAngaben();
    return true;
}

bool CDatev::ReadKneMaster(const std::string& path, CStammCtrl& list, CFrontEnd& progress,
                           std::string& messages) {
    std::string data;
    if (!OpenKneInput(*this, path, true, data, messages)) return false;
    progress.SetProgressRange(0, ProgressPos(data.size()));
    TakeMasterHeader(*this, data);
    CKneMasterReader reader(*this, data, ScanStart(data, kontonummernErweiterung != 0, kMasterHeader), list,
                            progress, messages);
    try {
        reader.Run();
    } catch (...) {
        int stepCode = CStepCode::Get();
        WriteScanProtocol(data, reader.Pos(), stepCode);
        frontEnd.MessageBox(CTool::Format("(E:325#%d)\nFehler bei der DATEV-Erkennung", stepCode));
        return false;
    }
    CheckEndMark(data, messages);
    progress.SetProgressPos(ProgressPos(data.size()));
    SaveAngaben();
    return true;
}
