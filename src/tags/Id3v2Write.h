// Writing and removing the ID3v2 tag at the start of a file, on the frame layer: the old tag's
// frame list is edited (fields kept, replaced or removed; frames the list does not show are kept
// byte for byte) and rendered as a version 2.3 tag; a tag that fits is rewritten in place, a tag
// that grows and a tag that is removed go through a temporary file renamed over the original.
#pragma once

#include <array>
#include <cstddef>
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
};

// 0 written (also when, after Ignore, the new content stays in the temporary file); 2 the user
// chose Abort in the delete-failure box; -1 the file does not exist, or the write failed (after
// an error box).
int WriteId3v2Tag(const std::string& path, const Id3v2WriteRecord& record, Id3v2WriteSession& session);

// 0 removed; 1 the file has no ID3v2 tag, or it is read-only and `tryChangeAttrs` is off; -1 the
// file does not exist, or it cannot be opened or rewritten (after an error box).
int RemoveId3v2Tag(const std::string& path, bool tryChangeAttrs, Id3v2WriteSession& session);

}  // namespace tagmora
