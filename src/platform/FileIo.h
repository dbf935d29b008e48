// File I/O of this operating system, in one place: opening a regular file without blocking,
// reading and writing at an offset in full, and replacing a file atomically through a temporary
// file beside it. Every call returns its errno with its result; none relies on the global errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

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

// What opening a file found: the descriptor (invalid on failure), the errno of the failure (0 on
// success), and the file's size and permission bits.
struct OpenedFile {
    UniqueFd File;
    int Error = 0;
    std::int64_t Size = 0;
    unsigned Mode = 0;  // permission bits (07777)
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

// What ReplaceFileKeepingTemporary came to: 0, or the errno of the step that failed; `RenameFailed`
// when that step was the final rename (the temporary file is then complete, flushed and kept).
struct ReplaceResult {
    int Error = 0;
    bool RenameFailed = false;
};

// ReplaceFileAtomically with the caller's temporary file, except that a failed final rename keeps
// the temporary file, so that the caller can try the rename again (RenameReplacement) or leave the
// new content there. A failure before the rename removes it, as ReplaceFileAtomically does.
ReplaceResult ReplaceFileKeepingTemporary(const std::string& path, const std::string& tempPath,
                                          const FileWriter& writer);
// Renames the complete temporary file over `path` (following a link, as the replacement does) and
// makes the rename durable: 0 or the errno.
int RenameReplacement(const std::string& path, const std::string& tempPath);

// Removes the file `path` (not a folder): 0 when it is gone or was not there, the errno otherwise.
int RemoveFile(const std::string& path);

// Removes the temporary files that ReplaceFileAtomically's default variant leaves beside `path`
// when the process dies in the middle of a replacement: regular files (not links) in the target's
// folder named "." + the target's name + ".tmp-" + six letters or digits, last modified at least
// `minAgeSeconds` ago (so that a replacement running in another process keeps its file). Nothing
// else is touched. Returns how many files were removed.
int RemoveLeftoverTemporaries(const std::string& path, int minAgeSeconds);

// The file a symbolic link at `path` leads to (the path itself when it is no link or the link
// cannot be resolved).
std::string ResolveLink(const std::string& path);

}  // namespace tagmora::fileio
