// Editing the frames of an ID3v2 tag for a write: what a write puts into the tag, field by field,
// and the frames of the new version 2.3 tag that it makes of the old one.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "tags/Id3v2Read.h"
#include "tags/TagFields.h"

namespace tagmora {

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

// The frames of the new version 2.3 tag (without tag header and padding) that `record` makes of
// the old tag in the `oldSize` bytes at `oldTag` (any version; no tag when they do not start with
// "ID3"). The bytes WriteId3v2Tag puts after the tag header.
std::string RenderId3v2Frames(const unsigned char* oldTag, std::size_t oldSize, const Id3v2WriteRecord& record,
                              int codePage);

}  // namespace tagmora
