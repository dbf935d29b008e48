// Editing the frames of an ID3v2 tag for a write: what a write puts into the tag, field by field,
// and the frames of the new version 2.3 tag that it makes of the old one.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
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
// What a write does with the tag's pictures (APIC frames).
enum class CoverEdit {
    Keep,       // every picture stays
    Set,        // the front cover (picture type 3) becomes CoverContent; pictures of other types stay
    RemoveAll,  // every picture goes
};

struct Id3v2WriteRecord {
    Id3v2Tag Values;
    std::array<bool, kId3v2FieldCount> Keep{};
    CoverEdit Cover = CoverEdit::Keep;
    // The content of the new front cover's APIC frame (FrontCoverContent), shared by the records of
    // a batch.
    std::shared_ptr<const std::string> CoverContent;

    bool Kept(Id3v2Field field) const { return Keep[static_cast<std::size_t>(field)]; }
    void SetKept(Id3v2Field field, bool keep) { Keep[static_cast<std::size_t>(field)] = keep; }
};

// A record that keeps every field's frames as they are (a write of it changes only the pictures).
Id3v2WriteRecord KeepEveryField(CoverEdit cover = CoverEdit::Keep, std::shared_ptr<const std::string> content = {});

// The frames of the new version 2.3 tag (without tag header and padding) that `record` makes of
// the old tag in the `oldSize` bytes at `oldTag` (any version; no tag when they do not start with
// "ID3"). The bytes WriteId3v2Tag puts after the tag header.
std::string RenderId3v2Frames(const unsigned char* oldTag, std::size_t oldSize, const Id3v2WriteRecord& record,
                              int codePage);

}  // namespace tagmora
