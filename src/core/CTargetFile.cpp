#include "core/CTargetFile.h"

#include "core/CCodePage.h"
#include "core/CFileIo.h"
#include "core/CPlatform.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kStagingSuffix = ".pelko-part";
const char* const kAsideSuffix = ".pelko-alt";
constexpr size_t kBufferSize = 256 << 10;
constexpr size_t kSyncStep = 8 << 20;

// Write buffers: one closed file leaves its buffer for the next one, as a fresh one for every
// small settings file would cost more than writing the file.
std::atomic<char*> spareBuffer{nullptr};

std::unique_ptr<char[]> TakeBuffer() {
    std::unique_ptr<char[]> buffer(spareBuffer.exchange(nullptr));
    return buffer ? std::move(buffer) : std::make_unique_for_overwrite<char[]>(kBufferSize);
}

void GiveBack(std::unique_ptr<char[]> buffer) {
    if (buffer) delete[] spareBuffer.exchange(buffer.release());
}

std::string Native(const std::string& ansiPath) {
    return CCodePage::AnsiToUtf8(ansiPath);
}

// What a symbolic link points to, followed to its end; other paths stay as they are.
std::string Resolved(const std::string& path) {
    std::error_code error;
    fs::path native(Native(path));
    if (!fs::is_symlink(fs::symlink_status(native, error))) return path;
    fs::path end = fs::weakly_canonical(native, error);
    return error ? path : CCodePage::Utf8ToAnsi(end.string());
}

// Like a read-only file on the desktop, a file without any write permission bit is never replaced,
// not even by a user whom the system would let write it.
bool MayWrite(const std::string& path, const struct stat& status) {
    return access(Native(path).c_str(), W_OK) == 0 && (status.st_mode & 0222) != 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return stat(Native(path).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

void SyncFolder(const std::string& path) {
    std::string folder = CPlatform::FolderOf(path);
    int fd = open(Native(folder.empty() ? "." : folder).c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

} // namespace

CTargetFile::~CTargetFile() {
    Abandon();
}

bool CTargetFile::Open(const std::string& filePath, bool append) {
    Abandon();
    path = filePath;
    target = Resolved(filePath);
    failed = false;
    finished = false;
    mode = -1;
    notWrittenBack = 0;
    written = 0;
    if (path.empty()) return false;
    struct stat status {};
    bool exists = stat(Native(target).c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode)) return false;
    if (exists && S_ISREG(status.st_mode) && !MayWrite(target, status)) return false;
    CFileIo& io = CFileIo::Get();
    if (append || (exists && !S_ISREG(status.st_mode))) {
        file = io.Open(target, append ? "ab" : "wb");
    } else {
        staging = target + kStagingSuffix;
        file = io.Open(staging, "wb");
        if (!file) staging.clear();
        if (file && exists) {
            mode = static_cast<int>(status.st_mode & 07777);
            fchmod(fileno(file), static_cast<mode_t>(mode));
        }
    }
    // The bytes gather in a buffer of this object, which writers may also fill in place (Room), and
    // go to the C library a full buffer at a time, unbuffered there so that they are not copied
    // twice. A larger buffer than this no longer stays in the processor's cache and makes writing
    // slower again.
    if (file) {
        buffer = TakeBuffer();
        used = 0;
        std::setvbuf(file, nullptr, _IONBF, 0);
    }
    return file != nullptr;
}

bool CTargetFile::Write(std::string_view bytes) {
    if (!file) failed = true;
    if (failed || bytes.empty()) return !failed;
    if (bytes.size() > kBufferSize - used) {
        Drain();
        if (bytes.size() >= kBufferSize) {
            Put(bytes.data(), bytes.size());
            return !failed;
        }
    }
    std::memcpy(buffer.get() + used, bytes.data(), bytes.size());
    used += bytes.size();
    return !failed;
}

char* CTargetFile::Room(size_t size) {
    if (!file || failed || size > kBufferSize) return nullptr;
    if (size > kBufferSize - used) Drain();
    char* room = buffer.get() + used;
    used += size;
    return room;
}

void CTargetFile::Drain() {
    Put(buffer.get(), used);
    used = 0;
}

void CTargetFile::Put(const char* data, size_t size) {
    if (failed || size == 0) return;
    if (CFileIo::Get().Write(file, data, size) != size) failed = true;
    notWrittenBack += size;
    written += size;
    if (!failed && !staging.empty() && notWrittenBack >= kSyncStep && !writingBack.load()) SyncBehind();
}

// A staging file is synced when it is finished, and that sync waits for the disk to store every byte
// not yet stored (about 0.7 ms per MB on a virtual disk). Syncing what has been written so far on a
// second thread, one sync at a time, while the rest is being written leaves the final sync little.
// Its result counts: the system reports a write error to one sync only, which may be this one.
// Once stored, those bytes leave the page cache: a large export would otherwise fill memory with
// a copy of its output, and the next bytes reuse the pages just freed instead of taking fresh
// ones (on a virtual machine about 1.5 ms per MB: 5 s of a 3.4 GB export).
void CTargetFile::SyncBehind() {
    if (syncer.joinable()) syncer.join();
    notWrittenBack = 0;
    writingBack.store(true);
    int fd = fileno(file);
    const off_t synced = static_cast<off_t>(written);
    // Without a thread to spare the final sync does all the work, as it would anyway.
    try {
        syncer = std::thread([this, fd, synced] {
            if (fdatasync(fd) != 0)
                syncFailed.store(true);
            else
                posix_fadvise(fd, 0, synced, POSIX_FADV_DONTNEED);
            writingBack.store(false);
        });
    } catch (const std::system_error&) {
        writingBack.store(false);
    }
}

void CTargetFile::SyncRest() {
    if (!file || failed || staging.empty()) return;
    Drain();
    if (!failed && notWrittenBack > 0) SyncBehind();
}

void CTargetFile::AwaitSync() {
    if (syncer.joinable()) syncer.join();
    if (syncFailed.exchange(false)) failed = true;
}

bool CTargetFile::Finish() {
    if (finished) return !failed;
    if (!file) return false;
    Drain();
    AwaitSync();
    CFileIo& io = CFileIo::Get();
    bool ok = !failed && io.Flush(file);
    // A pipe or device has nothing to sync.
    if (ok && !staging.empty()) ok = io.Sync(file);
    ok = io.Close(file) && ok;
    file = nullptr;
    GiveBack(std::move(buffer));
    finished = true;
    failed = !ok;
    return ok;
}

bool CTargetFile::Place() {
    if (staging.empty()) return true;
    if (!CFileIo::Get().Rename(staging, target)) return false;
    staging.clear();
    return true;
}

bool CTargetFile::Commit() {
    bool ok = Finish() && Place();
    if (!ok)
        Abandon();
    else
        SyncFolder(target);
    return ok;
}

bool CTargetFile::CommitPair(CTargetFile& data, CTargetFile& control) {
    // The data file goes aside first and comes back last: the reader reports a missing data file.
    return CommitAll({&data, &control});
}

bool CTargetFile::CommitAll(const std::vector<CTargetFile*>& files, const std::vector<std::string>& stale) {
    bool ok = true;
    for (CTargetFile* one : files)
        ok = one->Finish() && ok;
    // Only regular files are moved: a device or pipe was written in place and has nothing aside.
    std::vector<std::string> old;
    for (CTargetFile* one : files)
        if (ok && !one->staging.empty() && IsRegularFile(one->target)) old.push_back(one->target);
    for (const std::string& file : stale)
        if (ok && IsRegularFile(Resolved(file))) old.push_back(Resolved(file));
    CFileIo& io = CFileIo::Get();
    size_t moved = 0;
    while (ok && moved < old.size() && (ok = io.Rename(old[moved], old[moved] + kAsideSuffix)))
        ++moved;
    size_t placed = 0;
    for (auto one = files.rbegin(); ok && one != files.rend(); ++one, ++placed)
        ok = (*one)->Place();
    if (!ok) {
        // New files without an old one to come back are removed; the old ones come back over the rest.
        for (size_t i = 0; i < placed; ++i) {
            const std::string& target = files[files.size() - 1 - i]->target;
            if (std::find(old.begin(), old.begin() + static_cast<long>(moved), target) ==
                old.begin() + static_cast<long>(moved))
                CPlatform::RemoveFile(target);
        }
        for (size_t i = moved; i-- > 0;)
            io.Rename(old[i] + kAsideSuffix, old[i]);
        for (CTargetFile* one : files)
            one->Abandon();
        return false;
    }
    for (const std::string& file : old)
        CPlatform::RemoveFile(file + kAsideSuffix);
    for (CTargetFile* one : files)
        SyncFolder(one->target);
    return true;
}

void CTargetFile::Abandon() {
    // Bytes written straight into the target (a device, a pipe, an appended file) reach it on the
    // close, as the C library's own buffer would have given them.
    if (file && staging.empty()) Drain();
    AwaitSync();
    if (file) CFileIo::Get().Close(file);
    file = nullptr;
    used = 0;
    GiveBack(std::move(buffer));
    if (!staging.empty()) CPlatform::RemoveFile(staging);
    staging.clear();
}
