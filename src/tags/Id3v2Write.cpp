// Writing and removing the ID3v2 tag at the start of a file: the frames of the new tag come from
// Id3v2Edit; a tag that fits is rewritten in place, a tag that grows and a tag that is removed go
// through a new temporary file renamed over the original (or, for a file with several names, are
// rewritten in place after a backup copy).
#include "tags/Id3v2Write.h"

#include "common/FileHelpers.h"
#include "platform/FileIo.h"
#include "tags/Id3v2Header.h"
#include "tags/Id3v2Numbers.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace tagmora {

namespace {

constexpr std::size_t kHeaderSize = id3v2::kTagHeaderSize;

// --- Files ---

constexpr std::uint64_t kId3v1Size = 128;
constexpr std::uint64_t kApeFooterSize = 32;
constexpr std::uint32_t kApeHasHeader = 0x80000000u;
constexpr std::uint64_t kLyricsTrailerSize = 15;  // six digits of size, "LYRICS200"

std::uint32_t LittleEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Where the file's audio ends: its end before an ID3v1 tag, an APE tag and a Lyrics3 version 2
// tag at its end (a trailing tag whose own size does not fit is taken as no tag).
std::uint64_t AudioEnd(int fd, std::uint64_t fileSize) {
    std::uint64_t end = fileSize;
    unsigned char b[kApeFooterSize];
    const auto readBack = [&](std::uint64_t count, std::uint64_t distance) {
        return end >= distance && fileio::ReadFullyAt(fd, b, count, static_cast<std::int64_t>(end - distance)) == 0;
    };
    if (readBack(3, kId3v1Size) && std::memcmp(b, "TAG", 3) == 0) end -= kId3v1Size;
    for (int pass = 0; pass < 2; ++pass) {  // APE and Lyrics3 come in either order
        if (readBack(kApeFooterSize, kApeFooterSize) && std::memcmp(b, "APETAGEX", 8) == 0) {
            const std::uint64_t size =
                LittleEndian32(b + 12) + ((LittleEndian32(b + 20) & kApeHasHeader) != 0 ? kApeFooterSize : 0);
            if (size >= kApeFooterSize && size <= end) end -= size;
        }
        if (readBack(kLyricsTrailerSize, kLyricsTrailerSize) && std::memcmp(b + 6, "LYRICS200", 9) == 0 &&
            std::all_of(b, b + 6, [](unsigned char c) { return c >= '0' && c <= '9'; })) {
            const std::uint64_t size =
                std::stoull(std::string(reinterpret_cast<const char*>(b), 6)) + kLyricsTrailerSize;
            if (size <= end) end -= size;
        }
    }
    return end;
}

// The old tag of an open file: its size in the file (0 when the file does not start with "ID3")
// and its bytes.
struct OldTag {
    std::uint64_t Size = 0;
    std::vector<unsigned char> Bytes;
};

// Reads the old tag; refuses one whose header cannot be right.
TagOutcome ReadOldTag(int fd, std::int64_t fileSize, OldTag& old) {
    old.Bytes.resize(kId3v2HeadBlock);
    std::size_t got = 0;
    if (const int error = fileio::ReadAt(fd, old.Bytes.data(), old.Bytes.size(), 0, got); error != 0)
        return TagOutcome::Fail(TagStep::Read, error);
    old.Bytes.resize(got);
    const std::optional<id3v2::Header> header = id3v2::ParseHeader(old.Bytes.data(), old.Bytes.size());
    if (!header) {
        old.Size = 0;
        old.Bytes.clear();
        return {};
    }
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(fileSize, 0));
    if (std::string damage = Id3v2HeaderDamage(old.Bytes.data(), AudioEnd(fd, size)); !damage.empty())
        return TagOutcome::Fail(TagStep::Damaged, 0, std::move(damage));
    old.Size = header->TagSize();
    if (old.Size > got) {
        old.Bytes.resize(static_cast<std::size_t>(old.Size));
        if (const int error =
                fileio::ReadFullyAt(fd, old.Bytes.data() + got, old.Bytes.size() - got, static_cast<std::int64_t>(got));
            error != 0)
            return TagOutcome::Fail(TagStep::Read, error);
    } else {
        old.Bytes.resize(static_cast<std::size_t>(old.Size));
    }
    return {};
}

// Copies the bytes of `source` from `from` on into `fd` at `to`, in blocks, calling `progress`
// with the end of what was written after each block.
template <typename Progress>
int CopyInto(int fd, std::uint64_t to, int source, std::uint64_t from, const Progress& progress) {
    thread_local std::vector<char> block(kId3v2CopyBlockSize);
    for (;;) {
        std::size_t got = 0;
        if (const int error = fileio::ReadAt(source, block.data(), block.size(), static_cast<std::int64_t>(from), got);
            error != 0)
            return error;
        if (got == 0) return 0;
        if (const int error = fileio::WriteAt(fd, {block.data(), got}, static_cast<std::int64_t>(to)); error != 0)
            return error;
        from += got;
        to += got;
        progress(to);
        if (got < block.size()) return 0;
    }
}

int CopyInto(int fd, std::uint64_t to, int source, std::uint64_t from) {
    return CopyInto(fd, to, source, from, [](std::uint64_t) {});
}

// Writes `head` at the start of `fd` and then the bytes of `source` from `from` to its end after it.
int WriteHeadAndRest(int fd, std::string_view head, int source, std::uint64_t from, const Id3v2WriteSession& session) {
    if (const int error = fileio::WriteAt(fd, head, 0); error != 0) return error;
    const auto progress = [&](std::uint64_t written) {
        if (session.AfterTemporaryWrite) session.AfterTemporaryWrite(written);
    };
    progress(head.size());
    return CopyInto(fd, head.size(), source, from, progress);
}

// The file `path`, open and locked in `file`, replaced by `head` followed by its own bytes from
// `from` on, through a new temporary file renamed over it; when that rename fails the session is
// asked (Retry, Abort, Ignore).
TagOutcome ReplaceThroughTemporary(const std::string& path, const fileio::OpenedFile& file, std::string_view head,
                                   std::uint64_t from, Id3v2WriteSession& session) {
    const fileio::ReplaceResult result = fileio::ReplaceFileKeepingTemporary(
        path, file.Identity, [&](int fd) { return WriteHeadAndRest(fd, head, file.File.Get(), from, session); });
    switch (result.Step) {
        case fileio::ReplaceStep::None: return {};
        case fileio::ReplaceStep::Create: return TagOutcome::Fail(TagStep::CreateTemporary, result.Error);
        case fileio::ReplaceStep::Changed: return TagOutcome::Fail(TagStep::Changed, result.Error);
        case fileio::ReplaceStep::Rename: break;
        default: return TagOutcome::Fail(TagStep::WriteTemporary, result.Error);
    }
    // The new file is complete beside the original, which the rename could not replace; it is kept
    // under a name that no sweep removes.
    const std::string kept = fileio::KeepTemporary(result.TempPath);
    int error = result.Error;
    for (;;) {
        const RenameDecision decision =
            session.AfterFailedRename ? session.AfterFailedRename(path, error, kept) : RenameDecision::Ignore;
        if (decision != RenameDecision::Retry) {
            TagOutcome outcome = TagOutcome::Fail(TagStep::Rename, error, kept);
            if (decision == RenameDecision::Abort) outcome.Result = TagResult::Aborted;
            return outcome;
        }
        error = fileio::RenameReplacement(path, kept, file.Identity);
        if (error == 0) return {};
        if (error == ESTALE) {
            fileio::RemoveFile(kept);
            return TagOutcome::Fail(TagStep::Changed, error);
        }
    }
}

// The file of several names open in `file`, rewritten in place as `head` followed by its own bytes
// from `from` on: first a complete, flushed backup copy beside it, then the new content into the
// file, flushed, then the copy removed. A failure puts the old content back from the copy; when
// even that fails the copy stays, and the outcome names it.
TagOutcome RewriteWithBackup(const std::string& path, const fileio::OpenedFile& file, std::string_view head,
                             std::uint64_t from, const Id3v2WriteSession& session) {
    const int fd = file.File.Get();
    const auto oldSize = static_cast<std::uint64_t>(file.Size);
    fileio::UniqueFd backup;
    std::string backupPath;
    if (const int error = fileio::CreateUniqueFile(FolderOfPath(fileio::ResolveLink(path)), fileio::kBackupPrefix,
                                                   backup, backupPath);
        error != 0)
        return TagOutcome::Fail(TagStep::CreateTemporary, error);
    int error = CopyInto(backup.Get(), 0, fd, 0);
    if (error == 0) error = fileio::Flush(backup.Get());
    if (error != 0) {
        fileio::RemoveFile(backupPath);
        return TagOutcome::Fail(TagStep::CreateTemporary, error);
    }
    error = WriteHeadAndRest(fd, head, backup.Get(), from, session);
    if (error == 0) error = fileio::Truncate(fd, static_cast<std::int64_t>(head.size() + (oldSize - from)));
    if (error == 0) error = fileio::Flush(fd);
    if (error == 0) {
        fileio::RemoveFile(backupPath);
        return {};
    }
    int restore = CopyInto(fd, 0, backup.Get(), 0);
    if (restore == 0) restore = fileio::Truncate(fd, static_cast<std::int64_t>(oldSize));
    if (restore == 0) restore = fileio::Flush(fd);
    if (restore != 0) return TagOutcome::Fail(TagStep::Restore, error, backupPath);
    fileio::RemoveFile(backupPath);
    return TagOutcome::Fail(TagStep::WriteInPlace, error);
}

// The file `path` as `head` followed by its own bytes from `from` on.
TagOutcome Rebuild(const std::string& path, const fileio::OpenedFile& file, std::string_view head, std::uint64_t from,
                   Id3v2WriteSession& session) {
    if (file.Links > 1) return RewriteWithBackup(path, file, head, from, session);
    return ReplaceThroughTemporary(path, file, head, from, session);
}

// The tag rewritten in place over the old one's bytes; a failed write puts them back.
TagOutcome RewriteTagInPlace(int fd, std::string_view tag, const std::vector<unsigned char>& oldBytes) {
    int error = fileio::WriteAt(fd, tag, 0);
    if (error == 0) error = fileio::Flush(fd);
    if (error == 0) return {};
    int restore = fileio::WriteAt(fd, {reinterpret_cast<const char*>(oldBytes.data()), oldBytes.size()}, 0);
    if (restore == 0) restore = fileio::Flush(fd);
    return TagOutcome::Fail(restore == 0 ? TagStep::WriteInPlace : TagStep::Restore, error);
}

// Opens `path` for a write and locks it; the first write in a folder in this session clears the
// leftovers of killed writes there.
TagOutcome OpenForWrite(const std::string& path, Id3v2WriteSession& session, fileio::OpenedFile& file) {
    file = fileio::OpenRegularFile(path, true);
    if (file.Missing()) return {TagResult::Missing, TagStep::Open, file.Error, {}};
    if (!file.Ok()) return TagOutcome::Fail(TagStep::Open, file.Error);
    if (const int error = fileio::LockOpenedFile(file, path, true); error != 0) {
        if (file.Missing()) return {TagResult::Missing, TagStep::Open, error, {}};
        return TagOutcome::Fail(file.Ok() ? TagStep::Lock : TagStep::Open, error);
    }
    const std::string folder = FolderOfPath(fileio::ResolveLink(path));
    if (session.SweptFolders.insert(folder).second) {
        for (std::string& backup : fileio::SweepLeftovers(folder, fileio::kLeftoverAgeSeconds))
            session.BackupsFound.push_back(std::move(backup));
    }
    return {};
}

// The whole tag of `total` bytes: header (version 2.3, no flags, synchsafe size), frames, zeros.
std::string TagBytes(std::string_view frames, std::uint64_t total) {
    id3v2::Header header;
    header.Version = 3;
    header.Size = static_cast<std::uint32_t>(total - kHeaderSize);
    std::string tag;
    tag.reserve(static_cast<std::size_t>(total));
    tag += id3v2::RenderHeader(header);
    tag += frames;
    tag.resize(static_cast<std::size_t>(total), '\0');
    return tag;
}

}  // namespace

std::string Id3v2FileDamage(const std::string& path) {
    const fileio::OpenedFile opened = fileio::OpenRegularFile(path);
    unsigned char head[kHeaderSize];
    if (!opened.Ok() || fileio::ReadFullyAt(opened.File.Get(), head, sizeof head, 0) != 0 ||
        !id3v2::ParseHeader(head, sizeof head))
        return {};
    return Id3v2HeaderDamage(head, AudioEnd(opened.File.Get(), static_cast<std::uint64_t>(opened.Size)));
}

std::string Id3v2HeaderDamage(const unsigned char* head, std::uint64_t end) {
    if (head[3] < 2 || head[3] > 4)
        return "its version 2." + std::to_string(head[3]) + " does not exist (only 2.2, 2.3 and 2.4 do)";
    if (((head[6] | head[7] | head[8] | head[9]) & 0x80) != 0) return "its size bytes have the high bit set";
    const std::optional<id3v2::Header> header = id3v2::ParseHeader(head, kHeaderSize);
    if (header && header->TagSize() > end) return "its size runs past the end of the file";
    return {};
}

TagOutcome WriteId3v2Tag(const std::string& path, const Id3v2WriteRecord& record, Id3v2WriteSession& session) {
    fileio::OpenedFile file;
    if (TagOutcome opened = OpenForWrite(path, session, file); !opened.Done()) return opened;
    OldTag old;
    if (TagOutcome read = ReadOldTag(file.File.Get(), file.Size, old); !read.Done()) return read;
    const std::string frames = RenderId3v2Frames(old.Bytes.data(), old.Bytes.size(), record, session.CodePage);
    const std::uint64_t end = kHeaderSize + frames.size();
    if (end < old.Size && old.Size - kHeaderSize <= id3v2::kMaxSynchsafe32) {
        // In place: the new tag takes the old one's room, zeros after its frames.
        return RewriteTagInPlace(file.File.Get(), TagBytes(frames, old.Size), old.Bytes);
    }
    const std::uint64_t total = end <= kId3v2NewTagSize ? kId3v2NewTagSize : end + kId3v2GrowPadding;
    if (total - kHeaderSize > id3v2::kMaxSynchsafe32) return TagOutcome::Fail(TagStep::WriteTemporary, EFBIG);
    return Rebuild(path, file, TagBytes(frames, total), old.Size, session);
}

TagOutcome RemoveId3v2Tag(const std::string& path, bool tryChangeAttrs, Id3v2WriteSession& session) {
    int prepareError = 0;
    const FileReadiness prepared = PrepareFileForWrite(path, tryChangeAttrs, &prepareError);
    if (prepared == FileReadiness::Missing) return {TagResult::Missing, TagStep::Open, prepareError, {}};
    if (prepared == FileReadiness::ReadOnly) {
        if (prepareError != 0) return TagOutcome::Fail(TagStep::Permission, prepareError);
        return {TagResult::ReadOnly, TagStep::None, 0, {}};
    }
    fileio::OpenedFile file;
    if (TagOutcome opened = OpenForWrite(path, session, file); !opened.Done()) return opened;
    OldTag old;
    if (TagOutcome read = ReadOldTag(file.File.Get(), file.Size, old); !read.Done()) return read;
    if (old.Size == 0) return {TagResult::NoTag, TagStep::None, 0, {}};
    return Rebuild(path, file, {}, old.Size, session);
}

}  // namespace tagmora
