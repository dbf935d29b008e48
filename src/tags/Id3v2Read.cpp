// Reading the ID3v2 tag (versions 2.2, 2.3 and 2.4) at the start of a file into an Id3v2Tag.
// The frames come from the frame layer (Id3v2Layout), which the writer uses too; this file picks
// the frames the program shows out of them and decodes their texts. Unknown frames are skipped
// without being copied.
#include "tags/Id3v2Read.h"

#include "common/Text.h"
#include "platform/FileIo.h"
#include "tags/Id3v2FrameContent.h"
#include "tags/Id3v2Header.h"
#include "tags/Id3v2Layout.h"
#include "tags/TagFields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace tagmora {

namespace {

// A whole-tag buffer larger than this is given back after the read.
constexpr std::size_t kKeptBufferSize = 1 << 20;

enum class Field : std::uint8_t {
    None,
    Text,           // encoding byte, then the value up to its terminator
    UserText,       // encoding byte, description, value (see UserText)
    Year,           // a text frame that also outranks the recording time
    RecordingTime,  // version 2.4 only: Year when no year frame is present
    Comment,        // language, description, text
    Url,            // description, link
    Raw,            // the bytes after the first one, up to a NUL, in the code page
};

struct FrameKind {
    Field field = Field::None;
    std::string Id3v2Tag::*member = nullptr;
};

constexpr std::uint32_t IdNumber(std::string_view id) {
    std::uint32_t value = 0;
    for (const char c : id) value = value << 8 | static_cast<unsigned char>(c);
    return value;
}

constexpr Field FieldOf(FieldShape shape) {
    switch (shape) {
        case FieldShape::Text:
        case FieldShape::Genre: return Field::Text;
        case FieldShape::Year: return Field::Year;
        case FieldShape::Comment: return Field::Comment;
        case FieldShape::Url: return Field::Url;
        case FieldShape::UserText: return Field::UserText;
        case FieldShape::Raw: return Field::Raw;
        default: return Field::None;
    }
}

// The frames a tag of one version shows, by identifier, made from the field table. A version 2.4
// tag is read by its own identifiers and by those of version 2.3; where a field has a frame of its
// own in version 2.4 (the recording time), that frame gives the year only when the version 2.3
// one does not.
// The identifiers are kept in a table of their own hashes (open addressing, an empty slot ending
// a search), so that a frame's kind is found in a probe or two; an identifier added twice keeps
// its first kind.
struct FrameKinds {
    struct Entry {
        std::uint32_t Id = 0;  // 0: an empty slot (no frame has that identifier)
        FrameKind Kind;
    };
    static constexpr std::size_t kSlots = 64;
    static_assert(std::has_single_bit(kSlots));
    static_assert(kSlots >= 3 * kTagFields.size(), "the table stays at most two thirds full");
    std::array<Entry, kSlots> Slots{};

    // The top bits of a multiplicative hash, as many as number the slots.
    static constexpr std::size_t SlotOf(std::uint32_t id) {
        return (id * 2654435761u) >> (32 - std::countr_zero(kSlots));
    }
    constexpr void Add(std::string_view id, Field field, std::string Id3v2Tag::*member) {
        if (id.empty() || field == Field::None) return;
        const std::uint32_t number = IdNumber(id);
        std::size_t slot = SlotOf(number);
        for (; Slots[slot].Id != 0; slot = (slot + 1) % kSlots) {
            if (Slots[slot].Id == number) return;
        }
        Slots[slot] = {number, {field, member}};
    }
    constexpr FrameKind Find(std::uint32_t id) const {
        for (std::size_t slot = SlotOf(id); Slots[slot].Id != 0; slot = (slot + 1) % kSlots) {
            if (Slots[slot].Id == id) return Slots[slot].Kind;
        }
        return {};
    }
};

constexpr FrameKinds KindsOfVersion(int version) {
    FrameKinds kinds;
    for (const TagField& field : kTagFields) {
        const Field read = FieldOf(field.Shape);
        if (version == 2) {
            kinds.Add(field.Frame22, read, field.Member);
            continue;
        }
        if (version == 4 && field.Frame24 != field.Frame23)
            kinds.Add(field.Frame24, read == Field::Year ? Field::RecordingTime : read, field.Member);
        kinds.Add(field.Frame23, read, field.Member);
    }
    return kinds;
}

constexpr FrameKinds kKinds2 = KindsOfVersion(2);
constexpr FrameKinds kKinds3 = KindsOfVersion(3);
constexpr FrameKinds kKinds4 = KindsOfVersion(4);

FrameKind KindOf(std::uint32_t id, int version) {
    return (version == 2 ? kKinds2 : version == 3 ? kKinds3 : kKinds4).Find(id);
}

std::string_view Chars(const unsigned char* p, std::size_t n) { return {reinterpret_cast<const char*>(p), n}; }

bool IsWide(unsigned char encoding) { return encoding == 1 || encoding == 2; }

// A string of the given encoding inside [p, p + n): its length up to the terminator, and where
// the next string starts (after the terminator, or n when there is none).
struct Terminated {
    std::size_t length;
    std::size_t next;
};

Terminated FindTerminated(unsigned char encoding, const unsigned char* p, std::size_t n) {
    if (IsWide(encoding)) {
        for (std::size_t i = 0; i + 1 < n; i += 2) {
            if (p[i] == 0 && p[i + 1] == 0) return {i, i + 2};
        }
        return {n, n};
    }
    const void* nul = n > 0 ? std::memchr(p, 0, n) : nullptr;
    if (nul == nullptr) return {n, n};
    const auto at = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - p);
    return {at, at + 1};
}

// UTF-16 whose code units are all ASCII: their low bytes in `out`. False (and `out` untouched)
// when a unit is not. A byte-order mark decides the byte order; a trailing odd byte is dropped.
bool AsciiUtf16(const unsigned char* p, std::size_t n, bool bigEndian, std::string& out) {
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        bigEndian = p[0] == 0xFE;
        p += 2;
        n -= 2;
    }
    const std::size_t units = n / 2;
    const unsigned char* high = p + (bigEndian ? 0 : 1);
    const unsigned char* low = p + (bigEndian ? 1 : 0);
    // Four units at a time: a high byte that is set, or a low byte of 0x80 or more, is no ASCII
    // (the masks read the bytes of a word in little-endian order).
    static_assert(std::endian::native == std::endian::little);
    const std::uint64_t notAscii = bigEndian ? 0x80FF80FF80FF80FF : 0xFF80FF80FF80FF80;
    std::uint64_t other = 0;
    std::size_t i = 0;
    for (std::uint64_t w = 0; i + 4 <= units; i += 4) {
        std::memcpy(&w, p + 2 * i, 8);
        other |= w & notAscii;
    }
    for (; i < units; ++i) other |= high[2 * i] | (low[2 * i] & 0x80);
    if (other != 0) return false;
    out.resize(units);
    for (std::size_t i = 0; i < units; ++i) out[i] = static_cast<char>(low[2 * i]);
    return true;
}

// Most tags hold nothing but ASCII, which reads the same in the code pages and in UTF-8 and needs
// none of the decoders' work per character.
std::string Decode(unsigned char encoding, const unsigned char* p, std::size_t n, int codePage) {
    std::string out;
    switch (encoding) {
        case 1:
        case 2:
            if (AsciiUtf16(p, n, encoding == 2, out)) return out;
            return text::DecodeUtf16(Chars(p, n), encoding == 2);
        case 3:
            if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {  // a byte-order mark some writers add
                p += 3;
                n -= 3;
            }
            if (text::IsAscii(Chars(p, n))) return std::string(Chars(p, n));
            return text::SanitizeUtf8(Chars(p, n));
        default:
            if (text::IsAscii(Chars(p, n))) return std::string(Chars(p, n));
            return text::DecodeCodePage(Chars(p, n), codePage);
    }
}

// The value of a string that starts at p: decoded up to its terminator.
std::string DecodeTerminated(unsigned char encoding, const unsigned char* p, std::size_t n, int codePage) {
    return Decode(encoding, p, FindTerminated(encoding, p, n).length, codePage);
}

// "2004-05-06T12:00" gives "2004"; anything else is kept whole.
std::string YearOfTimestamp(std::string value) {
    if (value.size() > 4 && std::all_of(value.begin(), value.begin() + 4, [](char c) { return c >= '0' && c <= '9'; }))
        value.resize(4);
    return value;
}

class FrameWalker {
public:
    FrameWalker(Id3v2Tag& tag, int codePage) : tag_(tag), codePage_(codePage) {}

    // Stores the value of one frame's content (flags already dealt with).
    void Take(const FrameKind& kind, const unsigned char* c, std::size_t n) {
        if (kind.field == Field::None || n == 0) return;
        std::string& target = tag_.*kind.member;
        const unsigned char encoding = c[0];
        switch (kind.field) {
            case Field::Text: target = DecodeTerminated(encoding, c + 1, n - 1, codePage_); break;
            case Field::Year:
                target = DecodeTerminated(encoding, c + 1, n - 1, codePage_);
                haveYearFrame_ = true;
                break;
            case Field::RecordingTime:
                if (!haveYearFrame_) target = YearOfTimestamp(DecodeTerminated(encoding, c + 1, n - 1, codePage_));
                break;
            case Field::Raw: target = DecodeTerminated(0, c + 1, n - 1, codePage_); break;
            case Field::Url: {
                const Terminated description = FindTerminated(encoding, c + 1, n - 1);
                const std::size_t url = 1 + description.next;
                target = DecodeTerminated(0, c + url, n - url, codePage_);
                break;
            }
            case Field::Comment: TakeComment(c, n); break;
            case Field::UserText: target = UserText(c, n); break;
            case Field::None: break;
        }
    }

    bool WantsComment() const { return tag_.Comment.empty(); }

private:
    // What a TXXX frame shows: its description, or its value when the description is empty
    // (00 00 "Value", as the program writes it). A frame of one string without a terminator, as the
    // program wrote it before (00 "Value"), shows that string.
    std::string UserText(const unsigned char* c, std::size_t n) const {
        const Terminated description = FindTerminated(c[0], c + 1, n - 1);
        std::string shown = Decode(c[0], c + 1, description.length, codePage_);
        if (!shown.empty()) return shown;
        return DecodeTerminated(c[0], c + 1 + description.next, n - 1 - description.next, codePage_);
    }

    // Encoding byte, three language bytes, a terminated description, then the text.
    void TakeComment(const unsigned char* c, std::size_t n) {
        const unsigned char encoding = c[0];
        const std::size_t languageEnd = std::min<std::size_t>(n, 4);
        const std::string_view language = Chars(c + 1, languageEnd - 1);
        const unsigned char* rest = c + languageEnd;
        const std::size_t restSize = n - languageEnd;
        const Terminated description = FindTerminated(encoding, rest, restSize);
        tag_.Comment = DecodeTerminated(encoding, rest + description.next, restSize - description.next, codePage_);
        if (language == "eng" || language == "XXX") {
            tag_.CommentOwner = text::DecodeCodePage(language, codePage_);
            tag_.CommentOwner += Decode(encoding, rest, description.length, codePage_);
        }
    }

    Id3v2Tag& tag_;
    int codePage_;
    bool haveYearFrame_ = false;
};

// Reads the tag of an open file: Found or NoTag as ReadId3v2Tag, or Failed with `error` set. The bytes the parser
// needs are the first block and, when it announces a larger tag, the rest of it (Id3v2ReadExtent).
TagRead ReadFd(int fd, std::int64_t fileSize, Id3v2Tag& tag, int codePage, int& error) {
    tag.FileSize = fileSize;
    unsigned char head[kId3v2HeadBlock];
    std::size_t got = 0;
    if ((error = fileio::ReadAt(fd, head, sizeof head, 0, got)) != 0) return TagRead::Failed;
    const std::uint64_t extent = Id3v2ReadExtent(head, got, fileSize);
    if (extent <= got) return ParseId3v2(head, got, tag, codePage);

    // The tag runs past the first block (a cover picture often comes first): read it whole.
    thread_local std::vector<unsigned char> whole;
    whole.resize(static_cast<std::size_t>(extent));
    std::memcpy(whole.data(), head, got);
    std::size_t more = 0;
    error = fileio::ReadAt(fd, whole.data() + got, whole.size() - got, static_cast<std::int64_t>(got), more);
    const TagRead result = error == 0 ? ParseId3v2(whole.data(), got + more, tag, codePage) : TagRead::Failed;
    if (whole.capacity() > kKeptBufferSize) std::vector<unsigned char>().swap(whole);
    return result;
}

}  // namespace

TagRead ParseId3v2(const unsigned char* data, std::size_t size, Id3v2Tag& tag, int codePage) {
    if (!StartsWithId3v2(data, size)) return TagRead::NoTag;
    // Scratch state of the tag engine, kept so that its buffers are reused from file to file.
    thread_local id3v2::Layout layout;
    thread_local std::string resynchronised;
    thread_local id3v2::ContentScratch scratch;
    if (!id3v2::ParseLayout(data, size, layout, resynchronised)) return TagRead::Found;

    const int version = layout.TagHeader.Version;
    const bool tagUnsynchronised = layout.TagHeader.Has(id3v2::Header::kUnsynchronised);
    FrameWalker walker(tag, codePage);
    for (const id3v2::Frame& frame : layout.Frames.Frames) {
        const FrameKind kind = KindOf(IdNumber(frame.Id), version);
        if (kind.field == Field::None || (kind.field == Field::Comment && !walker.WantsComment())) continue;
        std::string_view content;
        // Encrypted frames, frames too short for their flags and frames that do not inflate are skipped.
        if (id3v2::DecodeFrameContent(frame.Body(), frame.Flags, version, tagUnsynchronised, scratch, content) !=
            id3v2::ContentStatus::Ok)
            continue;
        walker.Take(kind, reinterpret_cast<const unsigned char*>(content.data()), content.size());
    }
    // No view outlives the bytes it looks at; large buffers are given back.
    layout.Frames.Frames.clear();
    for (std::string* buffer : {&resynchronised, &scratch.Resynchronised, &scratch.Inflated}) {
        if (buffer->capacity() > kKeptBufferSize) std::string().swap(*buffer);
    }
    return TagRead::Found;
}

TagRead ReadId3v2Tag(const std::string& path, Id3v2Tag& tag, int codePage, const OpenErrorHandler& onOpenError) {
    fileio::OpenedFile opened = fileio::OpenRegularFile(path);
    int error = opened.Error;
    if (opened.Ok()) {
        const TagRead result = ReadFd(opened.File.Get(), opened.Size, tag, codePage, error);
        if (result != TagRead::Failed) return result;
    } else if (opened.Missing()) {
        return TagRead::Failed;  // the file does not exist
    }
    if (onOpenError) onOpenError(error, path);
    return TagRead::Failed;
}

bool StartsWithId3v2(const unsigned char* data, std::size_t size) {
    return size >= 3 && std::memcmp(data, "ID3", 3) == 0;
}

std::uint64_t Id3v2ReadExtent(const unsigned char* head, std::size_t got, std::int64_t fileSize) {
    // Only a full first block of a known version can announce more.
    const std::optional<id3v2::Header> header = id3v2::ParseHeader(head, got);
    if (!header || header->Version < 2 || header->Version > 4 || got < kId3v2HeadBlock) return got;
    const std::uint64_t tagEnd = header->TagSize();
    if (tagEnd <= got) return got;
    const std::uint64_t want =
        fileSize > 0 ? std::min<std::uint64_t>(tagEnd, static_cast<std::uint64_t>(fileSize)) : tagEnd;
    return std::max<std::uint64_t>(want, got);
}

}  // namespace tagmora
