// Editing the frames of an ID3v2 tag for a write: the old tag is parsed by the frame layer, its
// frames brought into the version 2.3 layout (version 2.2 identifiers translated, version 2.4 flags,
// texts and dates carried over) and edited field by field; frames the list does not show are kept
// byte for byte.
#include "tags/Id3v2Edit.h"

#include "common/Messages.h"  // kProductName
#include "common/Text.h"
#include "tags/Genres.h"
#include "tags/Id3v2FrameContent.h"
#include "tags/Id3v2Layout.h"
#include "tags/Id3v2Numbers.h"
#include "tags/Pictures.h"
#include "tags/TagFields.h"
#include "tags/Unsynchronisation.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace tagmora {

namespace {

using id3v2::Frame;
using id3v2::FrameId;

// The row of the field table whose frame a written field makes (in the order of Id3v2Field).
const TagField& WrittenField(std::size_t field) { return TagFieldOf(kWrittenColumns[field]); }
constexpr auto kCommentField = static_cast<std::size_t>(Id3v2Field::Comment);
constexpr auto kTxxxField = static_cast<std::size_t>(Id3v2Field::TXXX);
// The version 2.3 frames of the fields whose frames have a layout of their own.
constexpr std::string_view kCommentId = kTagFields[ColComment].Frame23;
constexpr std::string_view kUserTextId = kTagFields[ColTXXX].Frame23;
constexpr std::string_view kUrlId = kTagFields[ColURL].Frame23;
constexpr std::string_view kYearId = kTagFields[ColYear].Frame23;
constexpr std::string_view kRecordingTimeId = kTagFields[ColYear].Frame24;
constexpr std::string_view kPictureId = "APIC";

// The field a version 2.3 frame belongs to, or -1 for frames the list does not show.
int FieldOf(const FrameId& id) {
    for (std::size_t i = 0; i < kId3v2FieldCount; ++i) {
        if (id == WrittenField(i).Frame23) return static_cast<int>(i);
    }
    return -1;
}

// Version 2.2 identifiers of frames the list does not show and their version 2.3 equivalents (the
// fields' own come from the field table). Every other version 2.2 frame is dropped: CRM (encrypted
// meta frame) and LNK (linked information, whose layout names frames by three letters) have no
// version 2.3 form, and identifiers the tables do not know cannot be translated.
constexpr std::pair<const char*, const char*> kVersion22Ids[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"CRA", "AENC"}, {"EQU", "EQUA"}, {"ETC", "ETCO"}, {"GEO", "GEOB"},
    {"IPL", "IPLS"}, {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"},
    {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TBP", "TBPM"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TFT", "TFLT"},
    {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOF", "TOFN"},
    {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"},
    {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TSI", "TSIZ"}, {"TT3", "TIT3"},
    {"TXT", "TEXT"}, {"ULT", "USLT"}, {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"},
    {"WCP", "WCOP"}, {"WPB", "WPUB"},
};

std::optional<FrameId> Version3IdOf22(const FrameId& id) {
    for (const TagField& field : kTagFields) {
        if (!field.Frame22.empty() && id == field.Frame22) return FrameId(field.Frame23);
    }
    for (const auto& [old, now] : kVersion22Ids) {
        if (id == old) return FrameId(now);
    }
    return std::nullopt;
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
    } else if (name == kCommentId || name == "USLT" || name == "USER") {  // language, then the strings
        if (rest.size() < 3) return std::nullopt;
        out += rest.substr(0, 3);
        AppendAsUtf16(rest.substr(3), encoding, kAll, out);
    } else if (name == kUrlId) {  // the description; the link is Latin-1 in any case
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
    if (text::IsAscii(value)) return std::string(1, '\0') + std::string(value);
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
            hasTyer |= version == 4 && frame.Id == kYearId &&
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
        if (id == kRecordingTimeId) {
            if (hasTyer || content.empty()) return;  // the reader passes over an empty frame
            id = FrameId(kYearId);
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
        const std::string date = ReadAlone(Frame(kYearId, 0, content), codePage_).Year;
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

std::string NewContent(const TagField& field, const Id3v2Tag& values, int codePage) {
    const std::string& value = values.*field.Member;
    switch (field.Shape) {
        case FieldShape::Text:
        case FieldShape::Year: return EncodedText(value);
        case FieldShape::UserText:  // an empty description with its terminator, then the value
            if (text::IsAscii(value)) return std::string(2, '\0') + value;
            return std::string("\x01\xFF\xFE\0\0", 5) + text::EncodeUtf16LeWithBom(value);
        case FieldShape::Genre: return EncodedText("(" + std::to_string(GenreIndexOf(value)) + ")" + value);
        case FieldShape::Url: return std::string(2, '\0') + text::EncodeCodePage(value, codePage);
        case FieldShape::Raw: return std::string(1, '\0') + text::EncodeCodePage(value, codePage);
        case FieldShape::Comment: {
            const std::string owner = values.CommentOwner.empty() ? std::string(kProductName) : values.CommentOwner;
            if (text::IsAscii(owner) && text::IsAscii(value))
                return std::string(1, '\0') + "eng" + owner + '\0' + value;
            return std::string(1, '\x01') + "eng" + text::EncodeUtf16LeWithBom(owner) + std::string(2, '\0') +
                   text::EncodeUtf16LeWithBom(value);
        }
        case FieldShape::None:
        case FieldShape::CommentOwner: break;
    }
    return {};
}

// The frames the list shows for Comment and TXXX, as the reader picks them: the comment frames it
// reads up to the first that gives a comment text (frames it cannot decode or that are empty are
// not read), and the last user text frame it can decode.
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
        if (frames[i].Id != kCommentId || !readable(frames[i])) continue;
        shown[i] = true;
        if (!ReadAlone(frames[i], codePage).Comment.empty()) break;
    }
    for (std::size_t i = frames.size(); i-- > 0;) {
        if (frames[i].Id == kUserTextId && readable(frames[i])) {
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
    out.reserve(old.size() + kId3v2FieldCount);
    const auto addOld = [&](std::size_t field, bool shownToo, bool furtherToo) {
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (fieldOf[i] == static_cast<int>(field) && (shown[i] ? shownToo : furtherToo)) out.push_back(old[i]);
        }
    };
    for (std::size_t field = 0; field < kId3v2FieldCount; ++field) {
        if (record.Keep[field]) {
            addOld(field, true, true);
            continue;
        }
        if (field == kTxxxField) addOld(field, false, true);
        const TagField& frame = WrittenField(field);
        if (!(record.Values.*frame.Member).empty())
            out.push_back(Frame::Owning(frame.Frame23, 0, NewContent(frame, record.Values, codePage)));
        if (field == kCommentField) addOld(field, false, true);
    }
    // Pictures: a new front cover takes the place of the first old one (else it comes last).
    std::optional<std::size_t> coverAt;
    id3v2::ContentScratch scratch;
    const auto isFrontCover = [&](const Frame& frame) {
        std::string_view content;
        if (id3v2::DecodeFrameContent(frame.Body(), frame.Flags, 3, false, scratch, content) !=
            id3v2::ContentStatus::Ok)
            return false;  // an encrypted picture cannot be told apart: it stays
        const std::optional<PictureParts> parts = ParsePictureContent(content);
        return parts && parts->Type == kFrontCoverType;
    };
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (fieldOf[i] >= 0) continue;
        if (old[i].Id == kPictureId && record.Cover != CoverEdit::Keep) {
            if (record.Cover == CoverEdit::RemoveAll) continue;
            if (isFrontCover(old[i])) {
                if (!coverAt) coverAt = out.size();
                continue;
            }
        }
        out.push_back(old[i]);
    }
    if (record.Cover == CoverEdit::Set && record.CoverContent) {
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(coverAt.value_or(out.size())),
                   Frame::Viewing(kPictureId, 0, *record.CoverContent));
    }
    return out;
}

}  // namespace

Id3v2WriteRecord KeepEveryField(CoverEdit cover, std::shared_ptr<const std::string> content) {
    Id3v2WriteRecord record;
    record.Keep.fill(true);
    record.Cover = cover;
    record.CoverContent = std::move(content);
    return record;
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

}  // namespace tagmora
