// Writing and removing the ID3v2 tag at the start of a file, on the frame layer: the old tag's
// frame list is edited (fields kept, replaced or removed; frames the list does not show are kept
// byte for byte) and rendered as a version 2.3 tag; a tag that fits is rewritten in place, a tag
// that grows and a tag that is removed go through a temporary file renamed over the original.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "common/Ports.h"
#include "tags/Id3v2Read.h"

namespace tagmora {

// The fields a tag write sets, in the order their frames are written.
enum class Id3v2Field : int {
    Title, Artist, Album, Year, Comment, Track, Genre, URL, Composer, OrigArtist, Copyright,
    EncodedBy, TXXX, UFID, MCDI, TSSE, TIT1,
};
inline constexpr std::size_t kId3v2FieldCount = 17;

// What a write puts into the tag: per field, keep the old frame(s) byte for byte, or the new
// value from `Values` (an empty value removes the field's frame). Comment carries
// Values.CommentOwner as its owner ("eng" + owner, or "eng" + "Tagmora" when empty); Genre is
// written as "(n)Name".
//
// Values.CommentOwner is the description alone, as the "TAG Owner" column shows it: {Comment
// "Hi", CommentOwner "Me"} writes COMM 00 "eng" "Me" 00 "Hi", which reads back as CommentOwner
// "engMe". Texts are written in encoding 0 when they are plain ASCII, else in UTF-16 with a
// byte-order mark; the link, UFID and MCDI are written in the code page, as the reader reads them.
// TXXX holds an empty description before its value: 00 00 "Value", or 01 FF FE 00 00 and the
// value in UTF-16 with its byte-order mark.
struct Id3v2WriteRecord {
    Id3v2Tag Values;
    std::array<bool, kId3v2FieldCount> Keep{};

    bool Kept(Id3v2Field field) const { return Keep[static_cast<std::size_t>(field)]; }
    void SetKept(Id3v2Field field, bool keep) { Keep[static_cast<std::size_t>(field)] = keep; }
};

// What the writer needs of the program: boxes go to the host; `IgnoreDeleteErrors` starts false
// when the program starts and, once the user chose Ignore, stays true until it ends.
struct Id3v2WriteSession {
    Host& HostPort;
    int CodePage = 1251;
    bool IgnoreDeleteErrors = false;
    // Tests only: called with the number of bytes written to the temporary file so far, after the
    // tag and after each block of audio (a test can interrupt the write there).
    std::function<void(std::uint64_t written)> AfterTemporaryWrite = {};
};

// The total size given to a tag that grows, when its frames fit.
inline constexpr std::uint64_t kId3v2NewTagSize = 2064;
// The zero padding after the frames of a tag that grows beyond kId3v2NewTagSize.
inline constexpr std::uint64_t kId3v2GrowPadding = 1024;
// The block in which audio is copied into the temporary file.
inline constexpr std::size_t kId3v2CopyBlockSize = 65536;

// The temporary file of a write or removal: the path of the file (a link followed to its target)
// with its last three characters replaced by "Mora": "/music/song.mp3" -> "/music/song.Mora".
std::string Id3v2TemporaryPath(const std::string& path);

// The frames of the new version 2.3 tag (without tag header and padding) that `record` makes of
// the old tag in the `oldSize` bytes at `oldTag` (any version; no tag when they do not start with
// "ID3"). The bytes WriteId3v2Tag puts after the tag header.
std::string RenderId3v2Frames(const unsigned char* oldTag, std::size_t oldSize, const Id3v2WriteRecord& record,
                              int codePage);

// 0 written (also when, after Ignore, the new content stays in the temporary file); 2 the user
// chose Abort in the delete-failure box; -1 the file does not exist, or the write failed (after
// an error box).
//
// The new tag is rewritten in place when its frames end before the old tag's end (the rest up to
// there becomes zero padding; the audio does not move); otherwise the file is rebuilt with a tag of
// kId3v2NewTagSize bytes (or the frames plus kId3v2GrowPadding when they need more) through the
// temporary file, flushed and renamed over the original in one step. When that rename fails the
// delete-failure box (Abort, Retry, Ignore) is shown unless `session.IgnoreDeleteErrors` is set.
int WriteId3v2Tag(const std::string& path, const Id3v2WriteRecord& record, Id3v2WriteSession& session);

// 0 removed; 1 the file has no ID3v2 tag, or it is read-only and `tryChangeAttrs` is off; -1 the
// file does not exist, or it cannot be opened or rewritten (after an error box); 2 the user chose
// Abort in the delete-failure box. The file without its tag is written through the temporary file
// and renamed over the original, as a growing write is (the same box when the rename fails).
int RemoveId3v2Tag(const std::string& path, bool tryChangeAttrs, Id3v2WriteSession& session);

}  // namespace tagmora
