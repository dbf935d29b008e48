// The ID3v1 tag: the last 128 bytes of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tags/TagOutcome.h"

namespace tagmora {

// How many characters a tag write puts into ID3v1's Title, Artist, Album and Comment, and into its
// Year (the batch dialog lets no more be typed).
inline constexpr std::size_t kId3v1TextChars = 29;
inline constexpr std::size_t kId3v1YearChars = 4;

// Texts are UTF-8 in memory, the legacy code page on disk.
struct Id3v1Tag {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;  // as read: the 4 raw characters, NULs included
    std::string Comment;
    std::uint8_t Track = 0;
    std::uint8_t Genre = 0;
    std::int64_t FileSize = 0;  // whole file, set by reading
};

// The file operations below give the errno of a failure through `error` when it is not null (0
// when there was none), so that callers need not rely on the global errno.

// Found; NoTag (FileSize set; also for files shorter than 128 bytes); Failed: the file does not
// exist or cannot be opened or read.
TagRead ReadId3v1Tag(const std::string& path, Id3v1Tag& tag, int codePage, int* error = nullptr);
// The same on an open file descriptor of a file of `fileSize` bytes (does not close it).
TagRead ReadId3v1TagFd(int fd, std::int64_t fileSize, Id3v1Tag& tag, int codePage, int* error = nullptr);
// Parses a 128-byte image; false when it does not start with "TAG".
bool ParseId3v1(const unsigned char* bytes128, Id3v1Tag& tag, int codePage);
// The tag in the last bytes of a file of `fileSize` bytes, of which `got` were read at fileSize - 128
// into `tail`: Found; NoTag (the file is shorter than a tag, it shrank since its size was taken so
// that fewer than 128 bytes came, or they do not start with "TAG").
TagRead ParseId3v1Tail(const unsigned char* tail, std::size_t got, std::int64_t fileSize, Id3v1Tag& tag, int codePage);
// Whether ParseId3v1Tail finds a tag in these bytes, without parsing them.
bool Id3v1TailHasTag(const unsigned char* tail, std::size_t got, std::int64_t fileSize);
// Renders the 128-byte image of a tag (texts cut to their field widths in bytes; the comment to
// 29 bytes, or to 28 beside a track so that byte 125 stays zero).
std::string RenderId3v1(const Id3v1Tag& tag, int codePage);

// Overwrites the tag in place or appends one: Done, Missing or Failed. The file is locked while it
// is written; a failed overwrite writes the old 128 bytes back, a failed append cuts the file back
// to its old size, so that a failure leaves the file as it was.
TagOutcome WriteId3v1Tag(const std::string& path, const Id3v1Tag& tag, int codePage);
// Cuts the tag off: Done, NoTag (also files shorter than 128 bytes), ReadOnly (read-only and
// !tryChangeAttrs; PrepareFileForWrite decides), Missing or Failed (the permission cannot be
// changed, or the file cannot be opened, locked or cut).
TagOutcome RemoveId3v1Tag(const std::string& path, bool tryChangeAttrs);

}  // namespace tagmora
