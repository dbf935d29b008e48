// File I/O of this operating system, in one place: opening a regular file without blocking,
// reading and writing at an offset in full, and replacing a file atomically through a temporary
// file beside it. Every call returns its errno with its result; none relies on the global errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tagmora::fileio {

// An open file descriptor, closed when the object goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release();
    // Closes the descriptor; the errno of a failed close, 0 otherwise.
    int Close();
    void Reset() { Close(); }

private:
    int fd_ = -1;
};

// Which file a name leads to: two names of one file (hard links) share it, and a file put in
// another's place under its name has another.
struct FileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// What opening a file found: the descriptor (invalid on failure), the errno of the failure (0 on
// success), and the file's size, permission bits, identity and number of names (hard links).
struct OpenedFile {
    UniqueFd File;
    int Error = 0;
    std::int64_t Size = 0;
    unsigned Mode = 0;  // permission bits (07777)
    FileIdentity Identity;
    std::uint64_t Links = 1;
    // The path was opened but names no regular file (a folder, a FIFO, a device).
    bool NotRegular = false;

    bool Ok() const { return File.Valid(); }
    // The file does not exist (as opposed to existing and refusing to open).
    bool Missing() const;
};

// Opens `path` with O_RDONLY or O_RDWR (`writable`) and O_NONBLOCK, so that a FIFO in a file's
// place cannot hang the open. A folder gives EISDIR, any other file that is not a regular file
// EINVAL.
OpenedFile OpenRegularFile(const std::string& path, bool writable = false);

// Reads up to `count` bytes at `offset`, stopping early only at the end of the file. 0 on success
// with `got` set; the errno otherwise.
int ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset, std::size_t& got);
// Reads exactly `count` bytes at `offset`: 0, the errno, or EIO when the file ends first.
int ReadFullyAt(int fd, void* buffer, std::size_t count, std::int64_t offset);
// Writes all of `bytes` at `offset`: 0 or the errno.
int WriteAt(int fd, std::string_view bytes, std::int64_t offset);
// Writes all of `bytes` at the descriptor's position: 0 or the errno.
int WriteAll(int fd, std::string_view bytes);

// Cuts or extends the file open on `fd` to `size` bytes: 0 or the errno.
int Truncate(int fd, std::int64_t size);

// Reads a whole file into `out`: 0 or the errno.
int ReadWholeFile(const std::string& path, std::string& out);

// Fills the temporary file open on `fd`; returns 0 or the errno of its failure.
using FileWriter = std::function<int(int fd)>;

// Replaces `path` (following a symbolic link to the file it names) with what `writer` writes:
// the writer fills a new temporary file beside the target; it is flushed to disk, given the
// target's permission bits (and owner and group where allowed; a new file is the owner's only),
// and renamed over the target in one step. On any failure the target is untouched, the temporary
// file is removed, and the errno is returned; 0 on success.
int ReplaceFileAtomically(const std::string& path, const FileWriter& writer);
// Who may read a file that ReplaceFileAtomically makes where none was: the owner only (settings),
// or whoever the process's file-creation mask lets, as for any document a program makes.
enum class NewFileAccess { OwnerOnly, ByUmask };
// The same, with the permissions of a new file chosen; a file that is replaced keeps its own.
int ReplaceFileAtomically(const std::string& path, const FileWriter& writer, NewFileAccess newFile);
// The same with the temporary file's full path chosen by the caller (it must not exist yet and
// must lie in the target's folder).
int ReplaceFileAtomically(const std::string& path, const std::string& tempPath, const FileWriter& writer);

// Creates the file `path` with `bytes`, never over an existing one: the bytes go to a temporary
// file of the kTemporaryPrefix pattern beside it (permissions by the file-creation mask), flushed
// and then renamed to `path` only if no file has that name. 0, EEXIST when one has, or the errno;
// on failure nothing is left.
int CreateFileNoReplace(const std::string& path, std::string_view bytes);

// --- The program's own files beside the user's ---
//
// A tag write makes its temporary file, and a rewrite of a file with several names its backup
// copy, in the file's own folder under a short unique name of its own (".tagmora-tmp-" or
// ".tagmora-bak-" and six letters or digits, created with O_EXCL), so that no user's file is ever
// taken for one and a file whose own name has 255 bytes can still be rewritten. A temporary file
// whose new content the user chose to keep is renamed to ".tagmora-new-..." so that no sweep
// removes it.
inline constexpr std::string_view kTemporaryPrefix = ".tagmora-tmp-";
inline constexpr std::string_view kBackupPrefix = ".tagmora-bak-";
inline constexpr std::string_view kKeptPrefix = ".tagmora-new-";

// Creates a new, empty file (owner-only) named `folder` + `prefix` + six random letters or digits
// (`folder` empty or ending in "/"). 0 with `fd` and `path` set, or the errno.
int CreateUniqueFile(const std::string& folder, std::string_view prefix, UniqueFd& fd, std::string& path);

// Renames the temporary file `tempPath` (kTemporaryPrefix) to the kKeptPrefix name with the same
// letters and returns that name; `tempPath` itself when the rename fails.
std::string KeepTemporary(const std::string& tempPath);

// Leftovers of killed writes in `folder` (ending in "/" or empty): temporary files of the
// kTemporaryPrefix pattern last changed at least `minAgeSeconds` ago are removed (a younger one may
// belong to a write running in another process); backups of the kBackupPrefix pattern are never
// removed: their paths are returned, for the user to look at. Nothing else is touched.
std::vector<std::string> SweepLeftovers(const std::string& folder, int minAgeSeconds);

// The step of a replacement that failed.
enum class ReplaceStep { None, Create, Write, Flush, Changed, Rename };

// What ReplaceFileKeepingTemporary came to: 0, or the errno of the step that failed; the
// temporary file's path, which after a failed rename holds the complete, flushed new content.
struct ReplaceResult {
    int Error = 0;
    ReplaceStep Step = ReplaceStep::None;
    std::string TempPath;
    bool RenameFailed() const { return Step == ReplaceStep::Rename; }
};

// ReplaceFileAtomically through a new temporary file of the kTemporaryPrefix pattern, with two
// differences: just before the final rename it checks that `path` still names the file
// `expected` (ReplaceStep::Changed with ESTALE otherwise: another process renamed or replaced it),
// and a failed final rename keeps the temporary file, so that the caller can try the rename again
// (RenameReplacement) or leave the new content there. A failure before the rename removes it.
ReplaceResult ReplaceFileKeepingTemporary(const std::string& path, const FileIdentity& expected,
                                          const FileWriter& writer);
// Renames the complete temporary file over `path` (following a link, as the replacement does)
// after the same check (ESTALE), and makes the rename durable: 0 or the errno. The caller holds
// the lock of `path`.
int RenameReplacement(const std::string& path, const std::string& tempPath, const FileIdentity& expected);

// --- Taking turns with the program's other processes ---
//
// Every write, removal and rename of a user's file holds an exclusive advisory lock (flock) on
// it, so that two of the program's processes never work on one file at the same time.

// The longest wait for a lock held by another process, in milliseconds (5000; tests shorten it).
void SetLockWaitMilliseconds(int milliseconds);

// Locks the file open in `file`, waiting at most the lock wait; then checks that `path` still
// names that file, and when another process replaced or renamed it meanwhile, opens `path` anew
// (writable as asked) and locks that. 0, EWOULDBLOCK when the lock stayed taken, or the errno of
// the open (`file` then holds no file).
int LockOpenedFile(OpenedFile& file, const std::string& path, bool writable);

// Locks the file `path` for a rename: `holder` keeps it locked until it goes. 0 also when the file
// cannot be opened for reading (it is then renamed without a lock); EWOULDBLOCK when another
// process keeps it locked.
int LockForRename(const std::string& path, UniqueFd& holder);

// Does `path` (following links) name the file `identity`?
bool NamesFile(const std::string& path, const FileIdentity& identity);

// Flushes the content of the file open on `fd` to the disk: 0 or the errno.
int Flush(int fd);

// --- Faults, for tests ---
//
// Tests only: makes the `nth` next call (1-based) of an operation of this module fail with
// `error`; a failing write stores the first half of its bytes before it fails, as a full disk
// does. Clear() takes every planned fault back.
namespace fault {
enum class Op { Write, Truncate, Rename, Flush };
void FailNth(Op op, int nth, int error);
void Clear();
}  // namespace fault

// Removes the file `path` (not a folder): 0 when it is gone or was not there, the errno otherwise.
int RemoveFile(const std::string& path);

// Removes the temporary files that ReplaceFileAtomically's default variant leaves beside `path`
// when the process dies in the middle of a replacement: regular files (not links) in the target's
// folder named "." + the target's name + ".tmp-" + six letters or digits, last modified at least
// `minAgeSeconds` ago (so that a replacement running in another process keeps its file). Nothing
// else is touched. Returns how many files were removed.
int RemoveLeftoverTemporaries(const std::string& path, int minAgeSeconds);

// How old a leftover temporary file of a killed write must be before a later write removes it (a
// younger one may belong to a write running in another process).
inline constexpr int kLeftoverAgeSeconds = 60;

// What a name leads to: the errno of the look-up (0 when the name leads somewhere), the kind, the
// permission bits, identity, size and number of names of what it leads to.
struct PathStatus {
    int Error = 0;
    bool Folder = false;
    bool Regular = false;
    bool Link = false;  // only when links are not followed
    unsigned Mode = 0;  // permission bits (07777)
    FileIdentity Identity;
    std::int64_t Size = 0;
    std::uint64_t Links = 0;
    std::int64_t ModifiedSec = 0;  // the last modification, in seconds and nanoseconds
    std::int64_t ModifiedNsec = 0;

    bool Exists() const { return Error == 0; }
};

// Looks `path` up, following symbolic links (or not: the link itself).
PathStatus StatPath(const std::string& path, bool followLinks = true);

// Sets the permission bits of `path`: 0 or the errno.
int ChangeMode(const std::string& path, unsigned mode);

// Creates `folder` and every missing parent (existing folders are fine): 0 or the errno.
int MakeFolders(const std::string& folder);

// Renames `from` to `to` without ever replacing a file at `to`: RENAME_NOREPLACE where the file
// system supports it, otherwise a hard link to the new name (which fails on an existing target)
// and removal of the old name. 0 or the errno (EEXIST when `to` exists).
int RenameNoReplace(const std::string& from, const std::string& to);

// What a folder entry leads to (a symbolic link followed): Other for what is neither a regular
// file nor a folder, or a link that leads nowhere.
enum class EntryKind { File, Folder, Other };

// Calls `visit` with the name and kind of each entry of `folder` (a path ending in "/") other than
// "." and ".." and, unless `withHidden`, other than names starting with ".", in the order the file
// system gives them, and sets `identity` (when given) to the folder's own. 0, or the errno of
// opening the folder.
int ListFolderEntries(const std::string& folder, bool withHidden,
                      const std::function<void(std::string_view name, EntryKind kind)>& visit,
                      FileIdentity* identity = nullptr);

// The file a symbolic link at `path` leads to (the path itself when it is no link or the link
// cannot be resolved).
std::string ResolveLink(const std::string& path);

}  // namespace tagmora::fileio
