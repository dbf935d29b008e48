// Writing and removing the ID3v2 tag at the start of a file. The old tag is parsed by the frame
// layer, its frames brought into the version 2.3 layout, edited field by field and rendered as a
// version 2.3 tag; a tag that fits is rewritten in place, a tag that grows and a tag that is
// removed go through a new temporary file renamed over the original (or, for a file with several
// names, are rewritten in place after a backup copy).
#include "tags/Id3v2Write.h"

#include "common/FileHelpers.h"
#include "common/Messages.h"  // kProductName
#include "common/Text.h"
#include "platform/FileIo.h"
#include "tags/Genres.h"
#include "tags/Id3v2FrameContent.h"
#include "tags/Id3v2Layout.h"
#include "tags/Id3v2Numbers.h"
#include "tags/Unsynchronisation.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace tagmora {

namespace {

using id3v2::Frame;
using id3v2::FrameId;

constexpr std::size_t kHeaderSize = id3v2::kTagHeaderSize;
constexpr std::size_t kHeadReadSize = 4096;

// How the content of a new frame is made from its value.
enum class Shape { Text, UserText, Genre, Comment, Url, Raw };

struct FieldFrame {
    const char* Id;
    std::string Id3v2Tag::*Member;
    Shape Kind;
};

// The fields in the order their frames are written (the order of Id3v2Field).
constexpr std::array<FieldFrame, kId3v2FieldCount> kFieldFrames = {{
    {"TIT2", &Id3v2Tag::Title, Shape::Text},
    {"TPE1", &Id3v2Tag::Artist, Shape::Text},
    {"TALB", &Id3v2Tag::Album, Shape::Text},
    {"TYER", &Id3v2Tag::Year, Shape::Text},
    {"COMM", &Id3v2Tag::Comment, Shape::Comment},
    {"TRCK", &Id3v2Tag::Track, Shape::Text},
    {"TCON", &Id3v2Tag::Genre, Shape::Genre},
    {"WXXX", &Id3v2Tag::URL, Shape::Url},
    {"TCOM", &Id3v2Tag::Composer, Shape::Text},
    {"TOPE", &Id3v2Tag::OrigArtist, Shape::Text},
    {"TCOP", &Id3v2Tag::Copyright, Shape::Text},
    {"TENC", &Id3v2Tag::EncodedBy, Shape::Text},
    {"TXXX", &Id3v2Tag::TXXX, Shape::UserText},
    {"UFID", &Id3v2Tag::UFID, Shape::Raw},
    {"MCDI", &Id3v2Tag::MCDI, Shape::Raw},
    {"TSSE", &Id3v2Tag::TSSE, Shape::Text},
    {"TIT1", &Id3v2Tag::TIT1, Shape::Text},
}};
constexpr auto kCommentField = static_cast<std::size_t>(Id3v2Field::Comment);
constexpr auto kTxxxField = static_cast<std::size_t>(Id3v2Field::TXXX);

// The field a version 2.3 frame belongs to, or -1 for frames the list does not show.
int FieldOf(const FrameId& id) {
    for (std::size_t i = 0; i < kFieldFrames.size(); ++i) {
        if (id == kFieldFrames[i].Id) return static_cast<int>(i);
    }
    return -1;
}

// Version 2.2 identifiers and their version 2.3 equivalents. Every other version 2.2 frame is
// dropped: CRM (encrypted meta frame) and LNK (linked information, whose layout names frames by
// three letters) have no version 2.3 form, and identifiers the table does not know cannot be
// translated.
constexpr std::pair<const char*, const char*> kVersion22Ids[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"EQU", "EQUA"}, {"ETC", "ETCO"},
    {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"},
    {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"},
    {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
    {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
    {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"},
    {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"},
    {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"},
    {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"},
};

std::optional<FrameId> Version3IdOf22(const FrameId& id) {
    for (const auto& [old, now] : kVersion22Ids) {
        if (id == old) return FrameId(now);
    }
    return std::nullopt;
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// --- Re-encoding texts of version 2.4 frames (UTF-8, UTF-16 big-endian) as UTF-16 with BOM ---

// The length of the string at the start of `s` in `encoding` and the length with its terminator
// (both the whole rest when there is none).
std::pair<std::size_t, std::size_t> TerminatedLength(std::string_view s, unsigned char encoding) {
    if (encoding == 1 || encoding == 2) {
        for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
            if (s[i] == '\0' && s[i + 1] == '\0') return {i, i + 2};
        }
        return {s.size(), s.size()};
    }
    const std::size_t nul = s.find('\0');
    if (nul == std::string_view::npos) return {s.size(), s.size()};
    return {nul, nul + 1};
}

// Appends up to `count` strings of `s` in `encoding` (2 or 3) as UTF-16 with BOM, each with its
// terminator when it had one; returns the bytes of `s` consumed.
std::size_t AppendAsUtf16(std::string_view s, unsigned char encoding, std::size_t count, std::string& out) {
    std::size_t used = 0;
    for (std::size_t n = 0; n < count && used < s.size(); ++n) {
        const auto [length, withTerminator] = TerminatedLength(s.substr(used), encoding);
        std::string_view piece = s.substr(used, length);
        // A byte-order mark that some writers put before UTF-8 is no character (the reader skips it).
        if (encoding == 3 && piece.substr(0, 3) == "\xEF\xBB\xBF") piece.remove_prefix(3);
        out += text::EncodeUtf16LeWithBom(encoding == 2 ? text::DecodeUtf16(piece, true) : text::SanitizeUtf8(piece));
        if (withTerminator > length) out.append(2, '\0');
        used += withTerminator;
    }
    return used;
}

// The content of a version 2.4 frame with its UTF-8 and UTF-16BE texts (encodings 3 and 2, which
// version 2.3 lacks) as UTF-16 with BOM (encoding 1); nullopt when nothing needs re-encoding.
std::optional<std::string> ReencodedContent(const FrameId& id, std::string_view content) {
    if (content.empty()) return std::nullopt;
    const auto encoding = static_cast<unsigned char>(content[0]);
    if (encoding != 2 && encoding != 3) return std::nullopt;
    const std::string_view rest = content.substr(1);
    constexpr std::size_t kAll = std::string_view::npos;
    std::string out(1, '\x01');
    const std::string_view name = id;
    if (name[0] == 'T') {  // text frames, TXXX included: every string
        AppendAsUtf16(rest, encoding, kAll, out);
    } else if (name == "COMM" || name == "USLT" || name == "USER") {  // language, then the strings
        if (rest.size() < 3) return std::nullopt;
        out += rest.substr(0, 3);
        AppendAsUtf16(rest.substr(3), encoding, kAll, out);
    } else if (name == "WXXX") {  // the description; the link is Latin-1 in any case
        out += rest.substr(AppendAsUtf16(rest, encoding, 1, out));
    } else if (name == "APIC") {  // MIME type (Latin-1), picture type, description, picture data
        const std::size_t mimeEnd = rest.find('\0');
        if (mimeEnd == std::string_view::npos || mimeEnd + 2 > rest.size()) return std::nullopt;
        out += rest.substr(0, mimeEnd + 2);
        const std::string_view description = rest.substr(mimeEnd + 2);
        out += description.substr(AppendAsUtf16(description, encoding, 1, out));
    } else {
        return std::nullopt;
    }
    return out;
}

// --- Old frames in the version 2.3 layout ---

std::string EncodedText(std::string_view value) {
    if (IsAscii(value)) return std::string(1, '\0') + std::string(value);
    return std::string(1, '\x01') + text::EncodeUtf16LeWithBom(value);
}

// What the reader makes of one frame alone (the frame in a version 2.3 tag of its own).
Id3v2Tag ReadAlone(const Frame& frame, int codePage) {
    std::string frameBytes;
    id3v2::RenderFrameHeader({frame.Id, static_cast<std::uint32_t>(frame.Body().size()), frame.Flags}, 3, frameBytes);
    frameBytes += frame.Body();
    std::string tag = "ID3\x03";
    tag.append(2, '\0');
    id3v2::AppendSynchsafe(tag, frameBytes.size());
    tag += frameBytes;
    Id3v2Tag read;
    ParseId3v2(reinterpret_cast<const unsigned char*>(tag.data()), tag.size(), read, codePage);
    return read;
}

// Version 2.4 frame flags in their version 2.3 places: the status bits (tag alter preservation,
// file alter preservation, read only) move up by one; grouping, compression and encryption keep
// their meaning; unsynchronisation and the data length indicator are undone or dropped.
std::uint16_t Version3FlagsOf4(std::uint16_t flags) {
    const id3v2::FrameFormat format = id3v2::FormatOf(flags, 4);
    auto out = static_cast<std::uint16_t>((flags & 0x7000) << 1);
    if (format.Grouped) out |= 0x0020;
    if (format.Compressed) out |= 0x0080;
    if (format.Encrypted) out |= 0x0040;
    return out;
}

// Version 2.2 PIC: encoding, a three-letter image format, picture type, description, data;
// version 2.3 APIC names a MIME type instead of the format.
std::string ApicOfPic(std::string_view body) {
    if (body.size() < 4) return std::string(body);
    std::string format(body.substr(1, 3));
    std::transform(format.begin(), format.end(), format.begin(), [](char c) { return text::AsciiLower(c); });
    if (format == "jpg") format = "jpeg";
    std::string out(body.substr(0, 1));
    out += "image/" + format;
    out.push_back('\0');
    out += body.substr(4);
    return out;
}

// The frames of a parsed old tag in the version 2.3 layout (see ToVersion3); frames that cannot be
// carried over are dropped.
class Version3Frames {
public:
    explicit Version3Frames(int codePage) : codePage_(codePage) {}

    std::vector<Frame> Frames;

    void Take(const id3v2::Layout& layout) {
        const int version = layout.TagHeader.Version;
        const bool tagUnsynchronised = layout.TagHeader.Has(id3v2::Header::kUnsynchronised);
        // The reader shows a TDRC frame as the year only when no TYER frame gives one.
        bool hasTyer = false;
        for (const Frame& frame : layout.Frames.Frames) {
            std::string_view content;
            hasTyer |= version == 4 && frame.Id == "TYER" &&
                       id3v2::DecodeFrameContent(frame.Body(), frame.Flags, 4, tagUnsynchronised, scratch_, content) ==
                           id3v2::ContentStatus::Ok &&
                       !content.empty();
            hasTdat_ |= frame.Id == "TDAT";
            hasTime_ |= frame.Id == "TIME";
        }
        for (const Frame& frame : layout.Frames.Frames) {
            if (version == 3) {
                Frames.push_back(frame);  // byte for byte (the whole tag's unsynchronisation is undone)
            } else if (version == 2) {
                const std::optional<FrameId> id = Version3IdOf22(frame.Id);
                if (!id) continue;
                if (*id == "APIC") Frames.push_back(Frame::Owning(*id, 0, ApicOfPic(frame.Body())));
                else Frames.emplace_back(*id, 0, frame.Body());
            } else {
                TakeVersion4(frame, tagUnsynchronised, hasTyer);
            }
        }
    }

private:
    // A version 2.4 frame: header flags mapped, unsynchronisation and data length indicator undone,
    // texts re-encoded. TDRC, which the reader shows as the year when no TYER frame gives one,
    // becomes a TYER frame with that year and TDAT and TIME frames with the rest of its date
    // (version 2.3 has no TDRC); else it is dropped.
    // Frames whose flags cannot be honoured (too short for them, not inflating) are dropped.
    void TakeVersion4(const Frame& frame, bool tagUnsynchronised, bool hasTyer) {
        FrameId id = frame.Id;
        const id3v2::FrameFormat format = id3v2::FormatOf(frame.Flags, 4);
        const std::uint16_t flags = Version3FlagsOf4(frame.Flags);
        if (format.Encrypted) {
            TakeEncrypted(frame, format, flags, tagUnsynchronised);
            return;
        }
        std::string_view content;
        if (id3v2::DecodeFrameContent(frame.Body(), frame.Flags, 4, tagUnsynchronised, scratch_, content) !=
            id3v2::ContentStatus::Ok)
            return;
        std::optional<std::string> changed = ReencodedContent(id, content);
        if (id == "TDRC") {
            if (hasTyer || content.empty()) return;  // the reader passes over an empty frame
            id = FrameId("TYER");
            changed = DateContents(changed ? std::string_view(*changed) : content);
        }
        if (!changed && frame.Flags == 0 && content.data() == frame.Body().data() &&
            content.size() == frame.Body().size()) {
            Frames.emplace_back(id, 0, frame.Body());  // nothing to undo: the body as it is
            return;
        }
        const std::string_view data = changed ? std::string_view(*changed) : content;
        // The group byte comes first in the body; undoing unsynchronisation never changes a first byte.
        const auto group = static_cast<std::uint8_t>(format.Grouped && !frame.Body().empty() ? frame.Body()[0] : 0);
        Frames.push_back(Frame::Owning(id, flags, id3v2::RenderFrameBody(data, flags, 3, group)));
    }

    // An encrypted frame cannot be decoded: its extra bytes are put in the version 2.3 order
    // (decompressed size, method, group) around the encrypted data.
    void TakeEncrypted(const Frame& frame, const id3v2::FrameFormat& format, std::uint16_t flags,
                       bool tagUnsynchronised) {
        std::string_view body = frame.Body();
        if ((format.Unsynchronised || tagUnsynchronised) && id3v2::HasUnsynchronisation(body)) {
            id3v2::UndoUnsynchronisation(body, scratch_.Resynchronised);
            body = scratch_.Resynchronised;
        }
        const std::size_t extra = (format.Grouped ? 1 : 0) + 1 + (format.DataLength ? 4 : 0);
        if (body.size() < extra || (format.Compressed && !format.DataLength)) return;
        const char group = format.Grouped ? body[0] : '\0';
        const char method = body[format.Grouped ? 1 : 0];
        std::string out;
        if (format.Compressed) {
            const auto* p = reinterpret_cast<const unsigned char*>(body.data()) + extra - 4;
            id3v2::AppendBigEndian(out, id3v2::ReadSynchsafe32(p));
        }
        out.push_back(method);
        if (format.Grouped) out.push_back(group);
        out += body.substr(extra);
        Frames.push_back(Frame::Owning(frame.Id, flags, std::move(out)));
    }

    // A TDRC content ("2004-05-06T12:00") as the TYER content of the year the reader shows for it
    // ("2004"; a text that does not start with four digits stays whole). The day and month of a
    // whole date become a TDAT frame ("0605"), the hours and minutes of its time a TIME frame
    // ("1200"), as version 2.3 keeps them; a tag that has such a frame already keeps its own.
    std::string DateContents(std::string_view content) {
        const std::string date = ReadAlone(Frame("TYER", 0, content), codePage_).Year;
        const auto digits = [&](std::size_t at, std::size_t count) {
            return date.size() >= at + count && std::all_of(date.begin() + at, date.begin() + at + count,
                                                            [](char c) { return c >= '0' && c <= '9'; });
        };
        const auto is = [&](std::size_t at, char c) { return at < date.size() && date[at] == c; };
        if (!digits(0, 4)) return EncodedText(date);
        if (is(4, '-') && digits(5, 2) && is(7, '-') && digits(8, 2)) {
            if (!hasTdat_)
                Frames.push_back(Frame::Owning("TDAT", 0, EncodedText(date.substr(8, 2) + date.substr(5, 2))));
            if (!hasTime_ && is(10, 'T') && digits(11, 2) && is(13, ':') && digits(14, 2))
                Frames.push_back(Frame::Owning("TIME", 0, EncodedText(date.substr(11, 2) + date.substr(14, 2))));
        }
        return EncodedText(date.substr(0, 4));
    }

    int codePage_;
    bool hasTdat_ = false;
    bool hasTime_ = false;
    id3v2::ContentScratch scratch_;
};

// --- New frames ---

std::string NewContent(const FieldFrame& field, const Id3v2Tag& values, int codePage) {
    const std::string& value = values.*field.Member;
    switch (field.Kind) {
        case Shape::Text: return EncodedText(value);
        case Shape::UserText:  // an empty description with its terminator, then the value
            if (IsAscii(value)) return std::string(2, '\0') + value;
            return std::string("\x01\xFF\xFE\0\0", 5) + text::EncodeUtf16LeWithBom(value);
        case Shape::Genre: return EncodedText("(" + std::to_string(GenreIndexOf(value)) + ")" + value);
        case Shape::Url: return std::string(2, '\0') + text::EncodeCodePage(value, codePage);
        case Shape::Raw: return std::string(1, '\0') + text::EncodeCodePage(value, codePage);
        case Shape::Comment: {
            const std::string owner = values.CommentOwner.empty() ? std::string(kProductName) : values.CommentOwner;
            if (IsAscii(owner) && IsAscii(value)) return std::string(1, '\0') + "eng" + owner + '\0' + value;
            return std::string(1, '\x01') + "eng" + text::EncodeUtf16LeWithBom(owner) + std::string(2, '\0') +
                   text::EncodeUtf16LeWithBom(value);
        }
    }
    return {};
}

// The frames the list shows for Comment and TXXX, as the reader picks them: the COMM frames it
// reads up to the first that gives a comment text (frames it cannot decode or that are empty are
// not read), and the last TXXX frame it can decode.
std::vector<bool> ShownFrames(const std::vector<Frame>& frames, int codePage) {
    std::vector<bool> shown(frames.size(), false);
    id3v2::ContentScratch scratch;
    const auto readable = [&](const Frame& frame) {
        std::string_view content;
        return id3v2::DecodeFrameContent(frame.Body(), frame.Flags, 3, false, scratch, content) ==
                   id3v2::ContentStatus::Ok &&
               !content.empty();
    };
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].Id != "COMM" || !readable(frames[i])) continue;
        shown[i] = true;
        if (!ReadAlone(frames[i], codePage).Comment.empty()) break;
    }
    for (std::size_t i = frames.size(); i-- > 0;) {
        if (frames[i].Id == "TXXX" && readable(frames[i])) {
            shown[i] = true;
            break;
        }
    }
    return shown;
}

// The new frame list: per field in order, the kept frames or the new one; further COMM frames
// after the written comment (the reader shows the first), further TXXX frames before the written
// one (it shows the last); then every frame the list does not show, in its old order.
std::vector<Frame> NewFrames(const std::vector<Frame>& old, const Id3v2WriteRecord& record, int codePage) {
    std::vector<int> fieldOf(old.size());
    for (std::size_t i = 0; i < old.size(); ++i) fieldOf[i] = FieldOf(old[i].Id);
    const std::vector<bool> shown = ShownFrames(old, codePage);
    std::vector<Frame> out;
    out.reserve(old.size() + kFieldFrames.size());
    const auto addOld = [&](std::size_t field, bool shownToo, bool furtherToo) {
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (fieldOf[i] == static_cast<int>(field) && (shown[i] ? shownToo : furtherToo)) out.push_back(old[i]);
        }
    };
    for (std::size_t field = 0; field < kFieldFrames.size(); ++field) {
        if (record.Keep[field]) {
            addOld(field, true, true);
            continue;
        }
        if (field == kTxxxField) addOld(field, false, true);
        const FieldFrame& frame = kFieldFrames[field];
        if (!(record.Values.*frame.Member).empty())
            out.push_back(Frame::Owning(frame.Id, 0, NewContent(frame, record.Values, codePage)));
        if (field == kCommentField) addOld(field, false, true);
    }
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (fieldOf[i] < 0) out.push_back(old[i]);
    }
    return out;
}

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
    old.Bytes.resize(kHeadReadSize);
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
        for (std::string& backup : fileio::SweepLeftovers(folder, kLeftoverAgeSeconds))
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

std::string Id3v2HeaderDamage(const unsigned char* head, std::uint64_t end) {
    if (head[3] < 2 || head[3] > 4)
        return "its version 2." + std::to_string(head[3]) + " does not exist (only 2.2, 2.3 and 2.4 do)";
    if (((head[6] | head[7] | head[8] | head[9]) & 0x80) != 0) return "its size bytes have the high bit set";
    const std::optional<id3v2::Header> header = id3v2::ParseHeader(head, kHeaderSize);
    if (header && header->TagSize() > end) return "its size runs past the end of the file";
    return {};
}

std::string RenderId3v2Frames(const unsigned char* oldTag, std::size_t oldSize, const Id3v2WriteRecord& record,
                              int codePage) {
    Version3Frames old(codePage);
    id3v2::Layout layout;
    std::string resynchronised;
    if (oldSize >= 3 && std::memcmp(oldTag, "ID3", 3) == 0 &&
        id3v2::ParseLayout(oldTag, oldSize, layout, resynchronised))
        old.Take(layout);
    id3v2::FrameList list;
    list.Version = 3;
    list.Frames = NewFrames(old.Frames, record, codePage);
    return id3v2::RenderFrameList(list);
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
