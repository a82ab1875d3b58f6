#include "report/CCrashRecorder.h"

#include "core/CCodePage.h"
#include "core/CPlatform.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <typeinfo>
#include <ucontext.h>
#include <unistd.h>

// Nothing below the handlers allocates or uses stdio: the heap or a stdio lock may be what broke.
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kBufferSize = 8192;
constexpr size_t kFlushAbove = 7168;
constexpr int kMaxFrames = 64;

// What Install learned about the process, so the handler only has to copy it.
struct CFacts {
    char folder[PATH_MAX] = "";
    char program[PATH_MAX] = "Unknown";
    char user[256] = "Unknown";
    char system[512] = "";
    char machine[65] = "";
    long processors = 0;
    long utcOffset = 0; // seconds east of UTC when Install ran
};

CFacts facts;
std::atomic<bool> recorderFlag{true}; // cleared by the first report; later calls do nothing
std::atomic<bool> installed{false};
std::atomic<bool> consoleNotice{false};
char alternateStack[256 * 1024]; // a stack overflow leaves no room on the crashed stack

void Copy(char* to, size_t size, const char* from) {
    size_t i = 0;
    for (; i + 1 < size && from[i]; ++i)
        to[i] = from[i];
    to[i] = '\0';
}

void Join(char* to, size_t size, const char* a, const char* b) {
    Copy(to, size, a);
    size_t used = std::strlen(to);
    Copy(to + used, size - used, b);
}

// The report buffer: each piece is appended; above 7168 bytes the buffer goes to the file first.
class CReport {
public:
    explicit CReport(int fd) : fd(fd) {}
    ~CReport() { Flush(); }

    CReport& operator<<(const char* text) { return Piece(text, std::strlen(text)); }
    CReport& Piece(const char* text, size_t size) {
        if (fill > kFlushAbove) Flush();
        if (size > kBufferSize - fill) {
            Flush();
            WriteAll(text, size);
            return *this;
        }
        std::memcpy(buffer + fill, text, size);
        fill += size;
        return *this;
    }
    CReport& Number(unsigned long long value, int width = 0, char pad = ' ') {
        return Digits(value, 10, width, pad);
    }
    CReport& Signed(long long value) {
        if (value < 0) {
            *this << "-";
            return Number(0ULL - static_cast<unsigned long long>(value));
        }
        return Number(static_cast<unsigned long long>(value));
    }
    CReport& Hex(unsigned long long value, int width) { return Digits(value, 16, width, '0'); }
    void Flush() {
        WriteAll(buffer, fill);
        fill = 0;
    }
    int Fd() const { return fd; }

private:
    CReport& Digits(unsigned long long value, unsigned base, int width, char pad) {
        char digits[32];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value);
        char text[64];
        int size = 0;
        for (int i = n; i < width && size < 32; ++i)
            text[size++] = pad;
        while (n)
            text[size++] = digits[--n];
        return Piece(text, static_cast<size_t>(size));
    }
    void WriteAll(const char* text, size_t size) {
        while (size) {
            ssize_t written = write(fd, text, size);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return;
            text += written;
            size -= static_cast<size_t>(written);
        }
    }

    int fd;
    char buffer[kBufferSize];
    size_t fill = 0;
};

struct CCivilTime {
    long long year;
    unsigned month, day, hour, minute, second;
};

// Seconds since 1970 (already shifted to local time) as a civil date (H. Hinnant's algorithm).
CCivilTime Civil(long long seconds) {
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2);
    return {year,
            month,
            day,
            static_cast<unsigned>(rest / 3600),
            static_cast<unsigned>(rest / 60 % 60),
            static_cast<unsigned>(rest % 60)};
}

// Local time without localtime_r (which may take a lock): the UTC offset was taken at Install.
CCivilTime Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return Civil(now.tv_sec + facts.utcOffset);
}

const char* SignalName(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "?";
    }
}

// Creates the folder and its parents (mkdir is safe in a handler, std::filesystem is not).
void MakeFolders(const char* folder) {
    char path[PATH_MAX];
    Copy(path, sizeof path, folder);
    for (char* p = path + 1; *p; ++p) {
        if (*p != '/') continue;
        *p = '\0';
        mkdir(path, 0700);
        *p = '/';
    }
    mkdir(path, 0700);
}

int Create(const char* name) {
    char path[PATH_MAX];
    Join(path, sizeof path, facts.folder, name);
    return open(path, O_WRONLY | O_CREAT | O_TRUNC | O_SYNC | O_CLOEXEC, 0600);
}

// Reads a whole small /proc file into buffer; the size read.
size_t ReadSmallFile(const char* path, char* buffer, size_t size) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    size_t used = 0;
    while (used + 1 < size) {
        ssize_t got = read(fd, buffer + used, size - 1 - used);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        used += static_cast<size_t>(got);
    }
    close(fd);
    buffer[used] = '\0';
    return used;
}

// The value in kB of a "Key:   123 kB" line of a /proc file, in bytes; 0 when missing.
unsigned long long ProcValue(const char* text, const char* key) {
    const char* at = std::strstr(text, key);
    if (!at) return 0;
    at += std::strlen(key);
    while (*at == ' ' || *at == '\t')
        ++at;
    unsigned long long value = 0;
    while (*at >= '0' && *at <= '9')
        value = value * 10 + static_cast<unsigned>(*at++ - '0');
    return value * 1024;
}

unsigned long long Megabytes(unsigned long long bytes) {
    return (bytes + 1048575) >> 20;
}

void WriteMemory(CReport& report) {
    char meminfo[4096];
    ReadSmallFile("/proc/meminfo", meminfo, sizeof meminfo);
    char status[4096];
    ReadSmallFile("/proc/self/status", status, sizeof status);
    const unsigned long long total = ProcValue(meminfo, "MemTotal:");
    const unsigned long long available = ProcValue(meminfo, "MemAvailable:");
    const unsigned long long addressSpace = 1ULL << 47; // user half of the x86-64 and arm64 address space
    const unsigned long long used = ProcValue(status, "VmSize:");
    report.Number(total ? (total - available) * 100 / total : 0) << "% memory in use.\r\n";
    const unsigned long long sizes[] = {total,
                                        available,
                                        ProcValue(meminfo, "SwapTotal:"),
                                        ProcValue(meminfo, "SwapFree:"),
                                        addressSpace,
                                        used < addressSpace ? addressSpace - used : 0};
    const char* const names[] = {"physical memory",  "physical memory free", "paging file",
                                 "paging file free", "user address space",   "user address space free"};
    for (int i = 0; i < 6; ++i)
        report.Number(Megabytes(sizes[i])) << " MBytes " << names[i] << ".\r\n";
}

void WriteTime(CReport& report, const CCivilTime& time) {
    report.Number(time.month) << "/";
    report.Number(time.day) << "/";
    report.Signed(time.year) << " ";
    report.Number(time.hour, 2, '0') << ":";
    report.Number(time.minute, 2, '0') << ":";
    report.Number(time.second, 2, '0');
}

// One line of /proc/self/maps: start-end perms offset dev inode path.
struct CMapping {
    unsigned long long start = 0, end = 0, offset = 0;
    char perms[5] = "";
    const char* path = ""; // points into the line
};

bool ParseMapping(char* line, CMapping& mapping) {
    char* p = line;
    auto hex = [&p](unsigned long long& value) {
        value = 0;
        bool any = false;
        for (;; ++p) {
            char c = *p;
            int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0) return any;
            value = value * 16 + static_cast<unsigned>(digit);
            any = true;
        }
    };
    if (!hex(mapping.start) || *p++ != '-' || !hex(mapping.end) || *p++ != ' ') return false;
    for (int i = 0; i < 4 && *p; ++i)
        mapping.perms[i] = *p++;
    if (*p++ != ' ' || !hex(mapping.offset)) return false;
    for (int fields = 0; fields < 3 && *p; ++p) // to the blanks behind offset, device and inode
        if (*p == ' ' && p[-1] != ' ') ++fields;
    while (*p == ' ')
        ++p;
    mapping.path = p;
    return true;
}

// Calls visit for each line of /proc/self/maps, read in pieces into a fixed buffer.
template <class Visit> void ForEachMapping(Visit visit) {
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char buffer[8192];
    size_t used = 0;
    for (;;) {
        ssize_t got = read(fd, buffer + used, sizeof buffer - 1 - used);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        used += static_cast<size_t>(got);
        buffer[used] = '\0';
        char* line = buffer;
        for (char* end; (end = std::strchr(line, '\n')); line = end + 1) {
            *end = '\0';
            visit(line);
        }
        used = static_cast<size_t>(buffer + used - line);
        std::memmove(buffer, line, used);
        if (used == sizeof buffer - 1) used = 0; // a line longer than the buffer is skipped
    }
    close(fd);
}

struct CModule {
    char path[PATH_MAX] = "";
    unsigned long long base = 0, end = 0;
};

void WriteModule(CReport& report, const CModule& module, int number) {
    struct stat info {};
    const bool known = stat(module.path, &info) == 0;
    report << "Module ";
    report.Number(static_cast<unsigned>(number)) << "\r\n" << module.path << "\r\n";
    report << "Image Base: 0x";
    report.Hex(module.base, 8) << "  Image Size: 0x";
    report.Hex(module.end - module.base, 8) << "\r\n";
    report << "File Size:  ";
    report.Number(known ? static_cast<unsigned long long>(info.st_size) : 0, 0) << "  File Time:  ";
    if (known) WriteTime(report, Civil(info.st_mtime + facts.utcOffset));
    report << "\r\n\r\n";
}

// The loaded modules: each file mapped as an ELF image, with the span of all its mappings.
void WriteModules(CReport& report) {
    CModule module;
    int number = 1;
    ForEachMapping([&](char* line) {
        CMapping mapping;
        if (!ParseMapping(line, mapping) || mapping.path[0] != '/') return;
        if (std::strcmp(mapping.path, module.path) == 0 && mapping.start >= module.end) {
            module.end = mapping.end;
            return;
        }
        const bool image = mapping.offset == 0 && mapping.perms[0] == 'r' &&
                           std::memcmp(reinterpret_cast<const void*>(mapping.start),
                                       "\x7f"
                                       "ELF",
                                       4) == 0;
        if (!image) return;
        if (module.path[0]) WriteModule(report, module, number++);
        Copy(module.path, sizeof module.path, mapping.path);
        module.base = mapping.start;
        module.end = mapping.end;
    });
    if (module.path[0]) WriteModule(report, module, number);
}

void WriteBackTrace(CReport& report) {
    void* frames[kMaxFrames];
    const int count = backtrace(frames, kMaxFrames);
    report << "Back trace:\r\n";
    report.Flush();
    backtrace_symbols_fd(frames, count, report.Fd());
}

void WriteRegisters(CReport& report, const ucontext_t* context) {
    if (!context) return;
    report << "Registers:\r\n";
#if defined(__x86_64__)
    static const char* const names[] = {"R8",  "R9",  "R10", "R11", "R12", "R13", "R14", "R15", "RDI",
                                        "RSI", "RBP", "RBX", "RDX", "RAX", "RCX", "RSP", "RIP"};
    for (int i = 0; i < 17; ++i) {
        report << "   " << names[i] << (std::strlen(names[i]) == 2 ? "  " : " ") << "0x";
        report.Hex(static_cast<unsigned long long>(context->uc_mcontext.gregs[i]), 16) << "\r\n";
    }
    report << "   EFL 0x";
    report.Hex(static_cast<unsigned long long>(context->uc_mcontext.gregs[REG_EFL]), 16) << "\r\n";
    report << "   ERR 0x";
    report.Hex(static_cast<unsigned long long>(context->uc_mcontext.gregs[REG_ERR]), 16) << "\r\n";
#elif defined(__aarch64__)
    for (int i = 0; i < 31; ++i) {
        report << "   X";
        report.Number(static_cast<unsigned>(i), 2, '0') << " 0x";
        report.Hex(context->uc_mcontext.regs[i], 16) << "\r\n";
    }
    report << "   SP  0x";
    report.Hex(context->uc_mcontext.sp, 16) << "\r\n   PC  0x";
    report.Hex(context->uc_mcontext.pc, 16) << "\r\n";
#endif
}

// True when the signal says the faulting access was a write; false for a read or when unknown.
bool IsWrite(const ucontext_t* context) {
#if defined(__x86_64__)
    return context && (context->uc_mcontext.gregs[REG_ERR] & 2);
#else
    (void)context;
    return false;
#endif
}

void CopyTo(const char* name, const char* dated) {
    char from[PATH_MAX], to[PATH_MAX];
    Join(from, sizeof from, facts.folder, name);
    Join(to, sizeof to, facts.folder, dated);
    int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) return;
    int out = open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out >= 0) {
        CReport copy(out);
        char chunk[4096];
        for (ssize_t got; (got = read(in, chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR);)
            if (got > 0) copy.Piece(chunk, static_cast<size_t>(got));
        copy.Flush();
        close(out);
    }
    close(in);
}

// "FEHLER_LOG_%y%m%d_%H%M.TXT" and "FEHLER_%y%m%d_%H%M.DMP".
void DatedName(char* out, size_t size, const char* prefix, const char* suffix, const CCivilTime& time) {
    char stamp[16];
    const unsigned parts[] = {static_cast<unsigned>(time.year % 100), time.month, time.day, time.hour,
                              time.minute};
    int n = 0;
    for (int i = 0; i < 5; ++i) {
        if (i == 3) stamp[n++] = '_';
        stamp[n++] = static_cast<char>('0' + parts[i] / 10);
        stamp[n++] = static_cast<char>('0' + parts[i] % 10);
    }
    stamp[n] = '\0';
    char head[64];
    Join(head, sizeof head, prefix, stamp);
    Join(out, size, head, suffix);
}

struct CCrash {
    int signal = 0; // 0: an exception nobody caught
    const siginfo_t* info = nullptr;
    const ucontext_t* context = nullptr;
    const char* exception = nullptr;
};

void WriteWhat(CReport& report, const CCrash& crash) {
    if (crash.exception) {
        report << "Uncaught exception: " << crash.exception << "\r\n";
        return;
    }
    report << "Signal ";
    report.Number(static_cast<unsigned>(crash.signal)) << " (" << SignalName(crash.signal) << "), code ";
    report.Signed(crash.info ? crash.info->si_code : 0) << ".\r\n";
}

bool HasFaultAddress(const CCrash& crash) {
    return crash.info && crash.info->si_code > 0 &&
           (crash.signal == SIGSEGV || crash.signal == SIGBUS || crash.signal == SIGFPE ||
            crash.signal == SIGILL);
}

bool WriteLog(const CCrash& crash, const CCivilTime& time) {
    int fd = Create(CCrashRecorder::kLogName);
    if (fd < 0) {
        static const char text[] = "Error creating exception report\r\n";
        (void)!write(STDERR_FILENO, text, sizeof text - 1);
        return false;
    }
    {
        CReport report(fd);
        report << "Exception handler called in " << CCrashRecorder::kPlace << ".\r\n";
        report << "Error occurred at ";
        WriteTime(report, time);
        report << ".\r\n" << facts.program << ", run by " << facts.user << ".\r\n";
        report << "Operating system:  " << facts.system << ".\r\n";
        report.Number(static_cast<unsigned long long>(facts.processors))
            << " processor(s), type " << facts.machine << ".\r\n";
        WriteMemory(report);
        WriteWhat(report, crash);
        if (crash.signal == SIGSEGV && HasFaultAddress(crash)) {
            report << (IsWrite(crash.context) ? "Write to" : "Read from") << " location ";
            report.Hex(reinterpret_cast<uintptr_t>(crash.info->si_addr), 8)
                << " caused an access violation.\r\n";
        }
        report << "\r\nContext:\r\n64-BIT\r\n";
        WriteBackTrace(report);
        report << "\r\n";
        WriteModules(report);
        report << "\r\n===== [end of " << CCrashRecorder::kLogName << "] =====\r\n";
    }
    close(fd);
    return true;
}

bool WriteDump(const CCrash& crash) {
    int fd = Create(CCrashRecorder::kDumpName);
    if (fd < 0) return false;
    {
        CReport report(fd);
        report << "Pelko crash dump\r\n";
        WriteWhat(report, crash);
        if (HasFaultAddress(crash)) {
            report << "Fault address: 0x";
            report.Hex(reinterpret_cast<uintptr_t>(crash.info->si_addr), 16) << "\r\n";
            if (crash.signal == SIGSEGV)
                report << "Access: " << (IsWrite(crash.context) ? "write" : "read") << "\r\n";
        }
        WriteRegisters(report, crash.context);
        WriteBackTrace(report);
        report << "\r\nMemory map:\r\n";
        ForEachMapping([&report](char* line) { report << line << "\r\n"; });
        report << "\r\n===== [end of " << CCrashRecorder::kDumpName << "] =====\r\n";
    }
    close(fd);
    return true;
}

void Notice(bool dump) {
    if (!consoleNotice.load()) return;
    char path[PATH_MAX];
    CReport console(STDERR_FILENO);
    console << "FEHLER: Pelko ist abgest\xc3\xbcrzt. Der Fehlerbericht steht in ";
    Join(path, sizeof path, facts.folder, CCrashRecorder::kLogName);
    console << path;
    if (dump) {
        Join(path, sizeof path, facts.folder, CCrashRecorder::kDumpName);
        console << " und " << path;
    }
    console << ".\n";
}

void Record(const CCrash& crash) {
    if (!recorderFlag.exchange(false)) return;
    MakeFolders(facts.folder);
    const CCivilTime time = Now();
    if (!WriteLog(crash, time)) return;
    char dated[64];
    DatedName(dated, sizeof dated, "FEHLER_LOG_", ".TXT", time);
    CopyTo(CCrashRecorder::kLogName, dated);
    const bool dump = WriteDump(crash);
    if (dump) {
        DatedName(dated, sizeof dated, "FEHLER_", ".DMP", time);
        CopyTo(CCrashRecorder::kDumpName, dated);
    }
    Notice(dump);
}

void DefaultAction(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    // Pending until the handler returns (the signal is blocked in it), then the default action
    // ends the process by this signal; for a fault the faulting instruction is not reached again.
    raise(signal);
}

void OnSignal(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    Record({signal, info, static_cast<const ucontext_t*>(context), nullptr});
    DefaultAction(signal);
    errno = savedErrno;
}

// Outside a signal handler: the exception may be asked for its text.
[[noreturn]] void OnTerminate() {
    char description[1024] = "unknown exception";
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            int status = 0;
            char* type = abi::__cxa_demangle(typeid(error).name(), nullptr, nullptr, &status);
            Join(description, sizeof description, status == 0 && type ? type : typeid(error).name(), ": ");
            std::free(type);
            const size_t used = std::strlen(description);
            Copy(description + used, sizeof description - used, error.what());
        } catch (...) {
        }
    } else {
        Copy(description, sizeof description, "std::terminate called without an exception");
    }
    CCrashRecorder::RecordException(description);
    DefaultAction(SIGABRT);
    std::abort();
}

void LearnFacts() {
    std::string folder = CCodePage::AnsiToUtf8(CCrashRecorder::ReportFolder());
    Copy(facts.folder, sizeof facts.folder, folder.c_str());
    ssize_t length = readlink("/proc/self/exe", facts.program, sizeof facts.program - 1);
    facts.program[length > 0 ? length : 0] = '\0';
    if (length <= 0) Copy(facts.program, sizeof facts.program, "Unknown");
    passwd entry{}, *found = nullptr;
    char text[4096];
    if (getpwuid_r(getuid(), &entry, text, sizeof text, &found) == 0 && found)
        Copy(facts.user, sizeof facts.user, found->pw_name);
    Copy(facts.system, sizeof facts.system, CCrashRecorder::OperatingSystem().c_str());
    utsname system{};
    if (uname(&system) == 0) Copy(facts.machine, sizeof facts.machine, system.machine);
    facts.processors = sysconf(_SC_NPROCESSORS_ONLN);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    facts.utcOffset = local.tm_gmtoff;
}

} // namespace

std::string CCrashRecorder::OperatingSystem() {
    std::string name;
    char release[4096];
    if (ReadSmallFile("/etc/os-release", release, sizeof release)) {
        if (const char* at = std::strstr(release, "PRETTY_NAME=")) {
            at += 12;
            if (*at == '"') ++at;
            name.assign(at, std::strcspn(at, "\"\n"));
        }
    }
    utsname system{};
    if (uname(&system) == 0) {
        if (!name.empty()) name += ", ";
        name += std::string(system.sysname) + " " + system.release + " " + system.machine;
    }
    return (name.empty() ? std::string("Unbekanntes System") : name) +
           (sizeof(void*) == 8 ? " [64-Bit] " : " [32-Bit] ");
}

void CCrashRecorder::Install() {
    LearnFacts();
    if (installed.exchange(true)) return;
    void* frame[1];
    backtrace(frame, 1); // loads the unwinder now; loading it inside the handler would allocate
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = OnSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // A second fault while recording meets its signal blocked, and the kernel ends the process.
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
    std::set_terminate(OnTerminate);
}

void CCrashRecorder::SetConsoleNotice(bool on) {
    consoleNotice = on;
}

std::string CCrashRecorder::ReportFolder() {
    return CPlatform::DataDir() + "/";
}

void CCrashRecorder::RecordException(const char* description) {
    Record({0, nullptr, nullptr, description});
}

void CCrashRecorder::ProvokeCrash() {
    // Not address 0: a null check of the sanitizers would end the process before the recorder sees it.
    volatile uintptr_t address = 16;
    *reinterpret_cast<volatile int*>(address) = 1;
    std::abort();
}
