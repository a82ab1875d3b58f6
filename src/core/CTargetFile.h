#pragma once

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The one way a target file is replaced. The bytes go into a staging file beside the target; only
// when every write, the flush to disk and the close succeeded does the staging file take the
// target's place, with the permission bits the target had. A failure or a kill therefore leaves
// the previous target as it was (at most a staging file lies beside it). A symbolic link stays:
// what it points to is replaced. A device or pipe is written directly.
//
// All calls go through CFileIo, so tests can make any of them fail.
class CTargetFile {
public:
    CTargetFile() = default;
    CTargetFile(const CTargetFile&) = delete;
    CTargetFile& operator=(const CTargetFile&) = delete;
    ~CTargetFile();

    // False when the target is a folder, exists but may not be written (read-only), or the staging
    // file cannot be created. Append writes at the end of the file itself, without staging.
    bool Open(const std::string& path, bool append = false);
    // False once any write has failed; later writes are skipped.
    bool Write(std::string_view bytes);
    // Room for size bytes at the end of the write buffer, for the caller to fill instead of a Write;
    // nullptr when the buffer could never hold them, nothing is open or a write has failed (a Write
    // then reports it).
    char* Room(size_t size);
    // Starts syncing what has been written so far on a second thread, for a caller that is done
    // writing: Finish then waits only for it. Files finished together are synced at once, not one
    // after the other.
    void SyncRest();
    // Flushes, syncs and closes the staging file; the target is replaced by Commit.
    bool Finish();
    // Finish, then replace the target. False after any failure: the target is untouched and the
    // staging file is gone.
    bool Commit();
    // Puts two finished files in place as a pair (KNE data and control file). The old data file is
    // moved aside first, so that an interruption leaves either the old pair, the new pair, or no
    // data file at all (which the reader reports), never a new file beside an old one. A failure
    // puts the old pair back.
    static bool CommitPair(CTargetFile& data, CTargetFile& control);
    // Puts finished files in place as one set (the files of a split export): every existing target,
    // and every stale file named (a file of an earlier, larger set that this one no longer has), is
    // moved aside before the first is placed, and removed once all are placed. A failure puts the
    // old files back and removes the new ones, so the folder holds the old set or the new one.
    static bool CommitAll(const std::vector<CTargetFile*>& files, const std::vector<std::string>& stale = {});
    // Closes and removes the staging file; the target stays as it was.
    void Abandon();

    bool IsOpen() const { return file != nullptr; }
    bool HasFailed() const { return failed; }
    // The path as the caller named it; messages show this one, never the staging file.
    const std::string& Path() const { return path; }

private:
    bool Place();
    // Hands the buffered bytes to the file.
    void Drain();
    void Put(const char* data, size_t size);
    // Syncs the bytes written so far on a second thread; AwaitSync waits for it and takes its result.
    void SyncBehind();
    void AwaitSync();

    std::string path;
    std::string target;  // the path, or what its symbolic link points to
    std::string staging; // empty while writing straight into the target
    std::FILE* file = nullptr;
    std::unique_ptr<char[]> buffer; // the open file's write buffer
    size_t used = 0;                // bytes of it not yet handed to the file
    bool failed = false;
    bool finished = false;
    int mode = -1;             // permission bits of the target that is replaced
    size_t notWrittenBack = 0; // bytes written since the last sync behind began
    size_t written = 0;        // bytes handed to the file
    std::thread syncer;        // the sync behind the writing, if one was started
    std::atomic<bool> writingBack{false};
    std::atomic<bool> syncFailed{false};
};
