// A SQLite target whose file calls fail one at a time (open, read, write, sync, truncate, delete of
// the journal), and one killed while it writes: the database keeps exactly what it held.
#include "core/CPelkoDoc.h"
#include "core/CRunDispatch.h"
#include "db/DbTestSupport.h"
#include "support/CRecordingFrontEnd.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The default file system of SQLite, with the n-th call of the calls above failing. Installed as the
// default while it lives, so the program's own connection uses it.
class CFailingVfs {
public:
    explicit CFailingVfs(int failAtCall) : failAt(failAtCall) {
        base = sqlite3_vfs_find(nullptr);
        vfs = *base;
        vfs.zName = "pelko-fehler";
        vfs.szOsFile = static_cast<int>(sizeof(CFile)) + base->szOsFile;
        vfs.pAppData = this;
        vfs.xOpen = Open;
        vfs.xDelete = Delete;
        sqlite3_vfs_register(&vfs, 1);
    }
    ~CFailingVfs() {
        sqlite3_vfs_unregister(&vfs);
        sqlite3_vfs_register(base, 1);
    }
    CFailingVfs(const CFailingVfs&) = delete;
    CFailingVfs& operator=(const CFailingVfs&) = delete;
    bool Reached() const { return calls >= failAt; }

private:
    struct CFile {
        sqlite3_file file; // first: SQLite sees a CFile as a sqlite3_file
        CFailingVfs* owner;
        sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
    };

    static CFailingVfs& Of(sqlite3_vfs* v) { return *static_cast<CFailingVfs*>(v->pAppData); }
    static CFile& Of(sqlite3_file* f) { return *reinterpret_cast<CFile*>(f); }
    bool Fails() { return ++calls == failAt; }

    static int Open(sqlite3_vfs* v, const char* name, sqlite3_file* f, int flags, int* outFlags) {
        CFailingVfs& self = Of(v);
        CFile& file = Of(f);
        file.file.pMethods = nullptr;
        if (self.Fails()) return SQLITE_CANTOPEN;
        int rc = self.base->xOpen(self.base, name, file.real(), flags, outFlags);
        if (rc != SQLITE_OK) return rc;
        file.owner = &self;
        self.methods = *file.real()->pMethods;
        self.methods.xClose = [](sqlite3_file* f) {
            int rc = Of(f).real()->pMethods->xClose(Of(f).real());
            return rc;
        };
        self.methods.xRead = [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
            return Of(f).owner->Fails() ? SQLITE_IOERR_READ
                                        : Of(f).real()->pMethods->xRead(Of(f).real(), data, amount, offset);
        };
        self.methods.xWrite = [](sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
            return Of(f).owner->Fails() ? SQLITE_IOERR_WRITE
                                        : Of(f).real()->pMethods->xWrite(Of(f).real(), data, amount, offset);
        };
        self.methods.xSync = [](sqlite3_file* f, int flags) {
            return Of(f).owner->Fails() ? SQLITE_IOERR_FSYNC
                                        : Of(f).real()->pMethods->xSync(Of(f).real(), flags);
        };
        self.methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
            return Of(f).owner->Fails() ? SQLITE_IOERR_TRUNCATE
                                        : Of(f).real()->pMethods->xTruncate(Of(f).real(), size);
        };
        // Everything else goes straight to the real file.
        self.methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
            return Of(f).real()->pMethods->xFileSize(Of(f).real(), size);
        };
        self.methods.xLock = [](sqlite3_file* f, int lock) {
            return Of(f).real()->pMethods->xLock(Of(f).real(), lock);
        };
        self.methods.xUnlock = [](sqlite3_file* f, int lock) {
            return Of(f).real()->pMethods->xUnlock(Of(f).real(), lock);
        };
        self.methods.xCheckReservedLock = [](sqlite3_file* f, int* out) {
            return Of(f).real()->pMethods->xCheckReservedLock(Of(f).real(), out);
        };
        self.methods.xFileControl = [](sqlite3_file* f, int op, void* arg) {
            return Of(f).real()->pMethods->xFileControl(Of(f).real(), op, arg);
        };
        self.methods.xSectorSize = [](sqlite3_file* f) {
            return Of(f).real()->pMethods->xSectorSize(Of(f).real());
        };
        self.methods.xDeviceCharacteristics = [](sqlite3_file* f) {
            return Of(f).real()->pMethods->xDeviceCharacteristics(Of(f).real());
        };
        // Version 1 methods only: no shared memory (no WAL) and no memory map, so every page goes
        // through the calls above.
        self.methods.iVersion = 1;
        file.file.pMethods = &self.methods;
        return SQLITE_OK;
    }
    static int Delete(sqlite3_vfs* v, const char* name, int syncDir) {
        CFailingVfs& self = Of(v);
        return self.Fails() ? SQLITE_IOERR_DELETE : self.base->xDelete(self.base, name, syncDir);
    }

    sqlite3_vfs* base = nullptr;
    sqlite3_vfs vfs{};
    sqlite3_io_methods methods{};
    int failAt;
    int calls = 0;
};

std::string Connection(const std::string& file) {
    return "Provider=SQLite;Data source=" + file;
}

// A database with a table of two rows that every case must find again.
std::string Prepared(const CTempDir& temp) {
    const std::string file = temp.File("buchhaltung.sqlite");
    CTempDir::Write(file, "");
    Execute(Connection(file), {"CREATE TABLE Alt (Nummer INTEGER)", "INSERT INTO Alt VALUES (1), (2)"});
    return file;
}

// What the database holds, read after a fresh open (which rolls back a transaction left behind).
std::string Contents(const std::string& file) {
    return Query(Connection(file), "SELECT group_concat(name, ',') FROM sqlite_master") + "|" +
           Query(Connection(file), "SELECT group_concat(Nummer, ',') FROM Alt");
}

} // namespace

TEST(SqliteFaultTest, EveryFailingFileCallLeavesTheDatabaseAsItWas) {
    CTempDir temp;
    const std::string file = Prepared(temp);
    const std::string before = Contents(file);
    CRecordingFrontEnd frontEnd;
    CPelkoDoc doc{frontEnd};
    doc.InitDocument();
    doc.tableName = "Neu";
    for (int i = 1; i <= 2000; ++i) {
        CBuchungenData b;
        b.buchungsnummer = "RE-" + std::to_string(i);
        b.datum = "15.03.2023";
        b.betrag = i * 1.25;
        b.buchungstext = std::string(100, 'x'); // pages enough for the cache to spill
        doc.buchungen.Add(b);
    }
    const CWriterEntry& entry = *CRunDispatch::Standard().FindWriter(CPelkoDoc::OutAccess);
    int failures = 0;
    for (int n = 1;; ++n) {
        SCOPED_TRACE("Aufruf " + std::to_string(n));
        ASSERT_LT(n, 5000);
        frontEnd.boxes.clear();
        frontEnd.messageTexts.clear();
        std::string messages;
        bool ok = false, reached = false;
        {
            CFailingVfs vfs(n);
            ok = entry.write[CPelkoDoc::Bookings](doc, file, messages) != 0;
            reached = vfs.Reached();
        }
        if (!reached) {
            EXPECT_TRUE(ok);
            break;
        }
        if (ok) { // the failed call did not matter (a read SQLite tries again), or came after the commit
            Execute(Connection(file), {"DROP TABLE Neu"});
            continue;
        }
        ++failures;
        // A German message with the code, in a box or in the message window.
        EXPECT_TRUE(!frontEnd.boxes.empty() || !frontEnd.messageTexts.empty());
        EXPECT_EQ(Contents(file), before);
    }
    EXPECT_GE(failures, 5);
    EXPECT_EQ(Query(Connection(file), "SELECT COUNT(*) FROM Neu"), "2000");
}

// Killed in the middle of its transaction, the program leaves the database as it was.
TEST(SqliteFaultTest, KillDuringTheExportLeavesTheDatabaseAsItWas) {
    CTempDir temp;
    const std::string file = Prepared(temp);
    const std::string before = Contents(file);
    std::string text = "Buchungsnummer;Datum;Soll-Konto;Haben-Konto;Betrag;Buchungstext\r\n";
    for (int i = 1; i <= 300000; ++i)
        text += std::to_string(i) + ";15.03.2023;1200;8400;12,25;Miete Lager\r\n";
    CTempDir::Write(temp.File("ein.csv"), text);
    pid_t pid = fork();
    if (pid == 0) {
        std::string out = "/out:mdb:" + file, in = "/in:csv:bu:" + temp.File("ein.csv");
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execl(PELKO_BINARY, PELKO_BINARY, "/AUTO", in.c_str(), out.c_str(), "/tblNeu", nullptr);
        _exit(127);
    }
    // The journal exists once the transaction has written pages: kill then.
    const std::string journal = file + "-journal";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool writing = false;
    while (!(writing = access(journal.c_str(), F_OK) == 0) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(writing);
    EXPECT_EQ(Contents(file), before);
}
