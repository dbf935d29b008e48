// File I/O of this operating system: the only place that opens, reads, writes and atomically
// replaces files for the tag, settings and list code.
#include "platform/FileIo.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>  // renameat2, RENAME_NOREPLACE
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tagmora::fileio {

namespace fault {
namespace {
struct Planned {
    std::atomic<int> Countdown{0};
    std::atomic<int> Error{0};
};
std::array<Planned, 4> gPlanned;
}  // namespace

void FailNth(Op op, int nth, int error) {
    Planned& planned = gPlanned[static_cast<std::size_t>(op)];
    planned.Error = error;
    planned.Countdown = nth;
}

void Clear() {
    for (Planned& planned : gPlanned) planned.Countdown = 0;
}

// The planned error of this call of `op`, or 0.
int Injected(Op op) {
    Planned& planned = gPlanned[static_cast<std::size_t>(op)];
    if (planned.Countdown.load() <= 0) return 0;
    return planned.Countdown.fetch_sub(1) == 1 ? planned.Error.load() : 0;
}
}  // namespace fault

namespace {

FileIdentity IdentityOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// rename(2) with its planned fault.
int RenamePath(const std::string& from, const std::string& to) {
    if (const int error = fault::Injected(fault::Op::Rename); error != 0) return error;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Release();
    }
    return *this;
}

int UniqueFd::Release() { return std::exchange(fd_, -1); }

int UniqueFd::Close() {
    if (fd_ < 0) return 0;
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
}

bool OpenedFile::Missing() const { return !Ok() && (Error == ENOENT || Error == ENOTDIR); }

OpenedFile OpenRegularFile(const std::string& path, bool writable) {
    OpenedFile opened;
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        opened.Error = errno;
        return opened;
    }
    UniqueFd file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        opened.Error = errno;
        return opened;
    }
    if (!S_ISREG(st.st_mode)) {
        // A folder or a device named like a file cannot be read as one.
        opened.NotRegular = true;
        opened.Error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return opened;
    }
    opened.File = std::move(file);
    opened.Size = static_cast<std::int64_t>(st.st_size);
    opened.Mode = static_cast<unsigned>(st.st_mode & 07777);
    opened.Identity = IdentityOf(st);
    opened.Links = static_cast<std::uint64_t>(st.st_nlink);
    return opened;
}

int ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset, std::size_t& got) {
    auto* out = static_cast<unsigned char*>(buffer);
    got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, out + got, count - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return 0;
}

int ReadFullyAt(int fd, void* buffer, std::size_t count, std::int64_t offset) {
    std::size_t got = 0;
    const int error = ReadAt(fd, buffer, count, offset, got);
    if (error != 0) return error;
    return got == count ? 0 : EIO;
}

int WriteAt(int fd, std::string_view bytes, std::int64_t offset) {
    if (const int error = fault::Injected(fault::Op::Write); error != 0) {
        (void)::pwrite(fd, bytes.data(), bytes.size() / 2, static_cast<off_t>(offset));
        return error;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return 0;
}

int WriteAll(int fd, std::string_view bytes) {
    if (const int error = fault::Injected(fault::Op::Write); error != 0) {
        (void)::write(fd, bytes.data(), bytes.size() / 2);
        return error;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

int Truncate(int fd, std::int64_t size) {
    if (const int error = fault::Injected(fault::Op::Truncate); error != 0) return error;
    while (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

int ReadWholeFile(const std::string& path, std::string& out) {
    OpenedFile opened = OpenRegularFile(path);
    if (!opened.Ok()) return opened.Error;
    out.clear();
    // The size is a hint: a file that grows or shrinks meanwhile is read to its real end.
    out.resize(static_cast<std::size_t>(opened.Size));
    std::size_t got = 0;
    if (const int error = ReadAt(opened.File.Get(), out.data(), out.size(), 0, got); error != 0) return error;
    out.resize(got);
    char more[4096];
    for (;;) {
        std::size_t extra = 0;
        const int error = ReadAt(opened.File.Get(), more, sizeof more, static_cast<std::int64_t>(out.size()), extra);
        if (error != 0) return error;
        if (extra == 0) break;
        out.append(more, extra);
    }
    return 0;
}

PathStatus StatPath(const std::string& path, bool followLinks) {
    PathStatus status;
    struct stat st {};
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
        status.Error = errno;
        return status;
    }
    status.Folder = S_ISDIR(st.st_mode);
    status.Regular = S_ISREG(st.st_mode);
    status.Link = S_ISLNK(st.st_mode);
    status.Mode = st.st_mode & 07777;
    status.Identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    status.Size = st.st_size;
    status.Links = st.st_nlink;
    status.ModifiedSec = st.st_mtim.tv_sec;
    status.ModifiedNsec = st.st_mtim.tv_nsec;
    return status;
}

int ChangeMode(const std::string& path, unsigned mode) {
    return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0 ? 0 : errno;
}

int MakeFolders(const std::string& folder) {
    if (folder.empty() || StatPath(folder).Exists()) return 0;
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        if (const int error = MakeFolders(folder.substr(0, slash)); error != 0) return error;
    }
    return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        return error;
    }
    return 0;
}

int ListFolderEntries(const std::string& folder, bool withHidden,
                      const std::function<void(std::string_view name, EntryKind kind)>& visit, FileIdentity* identity) {
    // The entries are read as getdents64 records after the folder's own fstat, which gives its
    // identity: the system calls of opendir and readdir, with nothing asked twice.
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) return errno;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return errno;
    if (identity != nullptr) *identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    alignas(struct dirent64) char buffer[32768];
    for (;;) {
        const ssize_t got = ::getdents64(fd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // an error once the folder is open ends the listing, as readdir's does
        for (ssize_t at = 0; at < got;) {
            const auto* e = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += e->d_reclen;
            const std::string_view name(e->d_name);
            if (name == "." || name == ".." || name.empty() || (!withHidden && name[0] == '.')) continue;
            EntryKind kind = EntryKind::Other;
            if (e->d_type == DT_REG) {
                kind = EntryKind::File;
            } else if (e->d_type == DT_DIR) {
                kind = EntryKind::Folder;
            } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                const PathStatus target = StatPath(folder + std::string(name));
                if (target.Regular) kind = EntryKind::File;
                else if (target.Folder) kind = EntryKind::Folder;
            }
            visit(name, kind);
        }
    }
    return 0;
}

std::string ResolveLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    // realpath needs the whole chain to exist; a dangling link resolves by hand, one level at a time.
    if (char* real = ::realpath(path.c_str(), nullptr); real != nullptr) {
        std::string resolved(real);
        std::free(real);
        return resolved;
    }
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
        if (n < 0) break;
        std::string next(target, static_cast<std::size_t>(n));
        if (next.empty() || next[0] != '/') {
            const std::size_t slash = current.rfind('/');
            next = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + next;
        }
        current = std::move(next);
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    }
    return current;
}

namespace {

// The folder part of a path with its "/" ("" for a bare name) and the name after it.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The name mkostemp makes of "." + name + ".tmp-XXXXXX".
bool IsTemporaryNameOf(std::string_view entry, std::string_view name) {
    constexpr std::string_view kMiddle = ".tmp-";
    constexpr std::size_t kRandom = 6;
    if (entry.size() != 1 + name.size() + kMiddle.size() + kRandom || entry[0] != '.') return false;
    if (entry.substr(1, name.size()) != name || entry.substr(1 + name.size(), kMiddle.size()) != kMiddle) return false;
    for (const char c : entry.substr(entry.size() - kRandom)) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit) return false;
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Makes a rename into the folder of `target` durable; a file system that cannot sync folders is no
// failure.
void SyncFolderOf(const std::string& target) {
    const int dirFd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// The process's file-creation mask, read without changing it (umask() would, for a moment, for
// every thread): the "Umask:" line of /proc/self/status; 022 when it cannot be read.
mode_t CurrentUmask() {
    constexpr mode_t kUsual = 022;
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kUsual;
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (got <= 0) return kUsual;
    buffer[got] = '\0';
    const char* line = std::strstr(buffer, "\nUmask:");
    if (line == nullptr) return kUsual;
    char* end = nullptr;
    const unsigned long mask = std::strtoul(line + 7, &end, 8);
    return end == line + 7 || mask > 0777 ? kUsual : static_cast<mode_t>(mask);
}

// Fills, flushes and renames the open temporary file over the target; removes it on failure (but
// for a failed rename when `keepOnRenameFailure`). With `expected`, the target must still be that
// file just before the rename.
ReplaceResult FinishReplacement(int fd, const std::string& tempPath, const std::string& target,
                                const FileWriter& writer, bool keepOnRenameFailure = false,
                                const FileIdentity* expected = nullptr) {
    UniqueFd file(fd);
    const auto fail = [&](int error, ReplaceStep step) {
        file.Reset();
        ::unlink(tempPath.c_str());
        return ReplaceResult{error, step, tempPath};
    };

    // The new file keeps the permissions, owner and group of the one it replaces (a new file is
    // the owner's only). Owner and group are kept where this user may set them.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Not allowed for another owner; the group alone may still be ours to keep.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        // After the owner: changing it clears the set-user and set-group bits.
        if (::fchmod(fd, old.st_mode & 07777) != 0) return fail(errno, ReplaceStep::Create);
    }

    if (const int error = writer(fd); error != 0) return fail(error, ReplaceStep::Write);
    if (const int error = Flush(fd); error != 0) return fail(error, ReplaceStep::Flush);
    if (const int error = file.Close(); error != 0) return fail(error, ReplaceStep::Flush);
    if (expected != nullptr && !NamesFile(target, *expected)) return fail(ESTALE, ReplaceStep::Changed);
    if (const int error = RenamePath(tempPath, target); error != 0) {
        if (keepOnRenameFailure) return ReplaceResult{error, ReplaceStep::Rename, tempPath};
        return fail(error, ReplaceStep::Rename);
    }
    SyncFolderOf(target);
    return {0, ReplaceStep::None, tempPath};
}

// Is `entry` `prefix` followed by six letters or digits?
bool IsUniqueNameOf(std::string_view entry, std::string_view prefix) {
    constexpr std::size_t kRandom = 6;
    if (entry.size() != prefix.size() + kRandom || entry.substr(0, prefix.size()) != prefix) return false;
    return std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

std::atomic<int> gLockWaitMilliseconds{5000};

// flock(LOCK_EX) on `fd`, polling until the lock wait has passed: 0, EWOULDBLOCK or the errno.
int LockWaiting(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(gLockWaitMilliseconds.load());
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return errno;
        if (std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

int ReplaceFileAtomically(const std::string& path, const FileWriter& writer) {
    return ReplaceFileAtomically(path, writer, NewFileAccess::OwnerOnly);
}

int ReplaceFileAtomically(const std::string& path, const FileWriter& writer, NewFileAccess newFile) {
    if (path.empty() || path.back() == '/') return EISDIR;
    const std::string target = ResolveLink(path);
    const auto [folder, name] = SplitPath(target);
    std::string pattern = folder + "." + name + ".tmp-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    // A replaced file's own permissions are given in FinishReplacement; this is for a new one.
    if (newFile == NewFileAccess::ByUmask && ::fchmod(fd, 0666 & ~CurrentUmask()) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        return error;
    }
    return FinishReplacement(fd, pattern, target, writer).Error;
}

int ReplaceFileAtomically(const std::string& path, const std::string& tempPath, const FileWriter& writer) {
    if (path.empty() || path.back() == '/') return EISDIR;
    const std::string target = ResolveLink(path);
    const int fd = ::open(tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    return FinishReplacement(fd, tempPath, target, writer).Error;
}

int CreateFileNoReplace(const std::string& path, std::string_view bytes) {
    if (path.empty() || path.back() == '/') return EISDIR;
    // A short name of the program's own, so that a target whose name has 255 bytes can be made.
    UniqueFd fd;
    std::string temp;
    if (const int error = CreateUniqueFile(SplitPath(path).first, kTemporaryPrefix, fd, temp); error != 0) return error;
    int error = ::fchmod(fd.Get(), 0666 & ~CurrentUmask()) != 0 ? errno : 0;
    if (error == 0) error = WriteAll(fd.Get(), bytes);
    if (error == 0) error = Flush(fd.Get());
    if (error == 0) error = fd.Close();
    if (error == 0) error = RenameNoReplace(temp, path);
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    SyncFolderOf(path);
    return 0;
}

ReplaceResult ReplaceFileKeepingTemporary(const std::string& path, const FileIdentity& expected,
                                          const FileWriter& writer) {
    if (path.empty() || path.back() == '/') return {EISDIR, ReplaceStep::Create, {}};
    const std::string target = ResolveLink(path);
    UniqueFd fd;
    std::string tempPath;
    if (const int error = CreateUniqueFile(SplitPath(target).first, kTemporaryPrefix, fd, tempPath); error != 0)
        return {error, ReplaceStep::Create, {}};
    return FinishReplacement(fd.Release(), tempPath, target, writer, true, &expected);
}

int RenameReplacement(const std::string& path, const std::string& tempPath, const FileIdentity& expected) {
    const std::string target = ResolveLink(path);
    if (!NamesFile(target, expected)) return ESTALE;
    if (const int error = RenamePath(tempPath, target); error != 0) return error;
    SyncFolderOf(target);
    return 0;
}

int CreateUniqueFile(const std::string& folder, std::string_view prefix, UniqueFd& fd, std::string& path) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // Drawn afresh each time: a forked process must not repeat its parent's names.
    std::random_device random;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        path = folder + std::string(prefix);
        for (int i = 0; i < 6; ++i) path.push_back(kLetters[pick(random)]);
        const int opened = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (opened >= 0) {
            fd = UniqueFd(opened);
            return 0;
        }
        error = errno;
    }
    path.clear();
    return error;
}

std::string KeepTemporary(const std::string& tempPath) {
    const auto [folder, name] = SplitPath(tempPath);
    if (!IsUniqueNameOf(name, kTemporaryPrefix)) return tempPath;
    const std::string kept = folder + std::string(kKeptPrefix) + name.substr(kTemporaryPrefix.size());
    if (::renameat2(AT_FDCWD, tempPath.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE) != 0) return tempPath;
    return kept;
}

std::vector<std::string> SweepLeftovers(const std::string& folder, int minAgeSeconds) {
    std::vector<std::string> backups;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return backups;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const bool temporary = IsUniqueNameOf(entry->d_name, kTemporaryPrefix);
        if (!temporary && !IsUniqueNameOf(entry->d_name, kBackupPrefix)) continue;
        const std::string full = folder + entry->d_name;
        struct stat st {};
        if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (!temporary) {
            backups.push_back(full);
        } else if (now - st.st_mtim.tv_sec >= minAgeSeconds) {
            ::unlink(full.c_str());
        }
    }
    ::closedir(dir);
    return backups;
}

void SetLockWaitMilliseconds(int milliseconds) { gLockWaitMilliseconds = milliseconds; }

bool NamesFile(const std::string& path, const FileIdentity& identity) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && IdentityOf(st) == identity;
}

int LockOpenedFile(OpenedFile& file, const std::string& path, bool writable) {
    // A process that held the lock may have put a new file in this one's place meanwhile: then the
    // lock is taken again on the file that the name leads to now.
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (const int error = LockWaiting(file.File.Get()); error != 0) return error;
        if (NamesFile(path, file.Identity)) return 0;
        file = OpenRegularFile(path, writable);
        if (!file.Ok()) return file.Error;
    }
    return EWOULDBLOCK;
}

int LockForRename(const std::string& path, UniqueFd& holder) {
    OpenedFile file = OpenRegularFile(path);
    if (!file.Ok()) return 0;  // the rename itself will say what is wrong
    const int error = LockOpenedFile(file, path, false);
    if (error == EWOULDBLOCK) return error;
    holder = std::move(file.File);
    return 0;
}

int Flush(int fd) {
    if (const int error = fault::Injected(fault::Op::Flush); error != 0) return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

int RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
    return errno;
}

int RemoveLeftoverTemporaries(const std::string& path, int minAgeSeconds) {
    if (path.empty() || path.back() == '/') return 0;
    const auto [folder, name] = SplitPath(ResolveLink(path));
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return 0;
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryNameOf(entry->d_name, name)) continue;
        const std::string full = folder + entry->d_name;
        struct stat st {};
        if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtim.tv_sec < minAgeSeconds) continue;
        if (::unlink(full.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace tagmora::fileio
