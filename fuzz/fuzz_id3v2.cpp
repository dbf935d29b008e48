// libFuzzer target for the tag parsers: the ID3v2 reader in both code pages, the ID3v2 frame layer
// as round trips (a parsed tag's frame list, headers and extended header rendered and parsed
// again must give the same), the picture parts of every APIC (PIC) frame with their pixel size, and
// the ID3v1 parser on the first and last 128 bytes. The input is
// copied to a buffer of exactly its size.
#include "tags/Id3v1.h"
#include "tags/Id3v2ExtendedHeader.h"
#include "tags/Id3v2FrameContent.h"
#include "tags/Id3v2Layout.h"
#include "tags/Id3v2Read.h"
#include "tags/Pictures.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void RoundTripLayout(const std::vector<unsigned char>& bytes) {
    using namespace tagmora::id3v2;
    Layout layout;
    std::string resynchronised;
    if (!ParseLayout(bytes.data(), bytes.size(), layout, resynchronised)) return;
    const int version = layout.TagHeader.Version;

    // The frame list: rendered and parsed again, the same frames in the same order.
    const std::string rendered = RenderFrameList(layout.Frames);
    FrameList again;
    ParseFrameList(Bytes(rendered), rendered.size(), version, again);
    Check(again.Frames == layout.Frames.Frames);
    Check(again.End == FramesEnd::AreaEnd && again.FramesEndOffset == rendered.size());
    Check(!again.PlainSizes);

    // The whole tag: rendered and parsed again, the same header fields, frames and padding.
    const std::string tag = RenderLayout(layout, layout.PaddingSize);
    Layout reparsed;
    std::string reparsedScratch;
    Check(ParseLayout(Bytes(tag), tag.size(), reparsed, reparsedScratch));
    Check(reparsed.Frames.Frames == layout.Frames.Frames);
    Check(reparsed.Extended == layout.Extended ||
          (layout.Extended && reparsed.Extended &&
           RenderExtendedHeader(*reparsed.Extended, version) == RenderExtendedHeader(*layout.Extended, version)));
    Check(reparsed.TagHeader.Version == layout.TagHeader.Version);

    // Every frame's content decodes the same from a body rendered with the same flags (encrypted
    // frames are taken as they are).
    ContentScratch scratch;
    ContentScratch scratch2;
    const bool tagUnsynchronised = layout.TagHeader.Has(Header::kUnsynchronised);
    for (const Frame& frame : layout.Frames.Frames) {
        std::string_view content;
        if (DecodeFrameContent(frame.Body(), frame.Flags, version, tagUnsynchronised, scratch, content) !=
            ContentStatus::Ok)
            continue;
        const std::string body = RenderFrameBody(content, frame.Flags, version);
        std::string_view decoded;
        Check(DecodeFrameContent(body, frame.Flags, version, false, scratch2, decoded) == ContentStatus::Ok);
        Check(decoded == content);
        if (frame.Id == "APIC" || frame.Id == "PIC") {
            if (const auto parts = tagmora::ParsePictureContent(content, version == 2)) {
                Check(parts->Data.data() >= content.data() &&
                      parts->Data.data() + parts->Data.size() == content.data() + content.size());
                tagmora::PicturePixelSize(parts->Data);
            }
        }
    }
}

void RoundTripHeaders(const std::vector<unsigned char>& bytes) {
    using namespace tagmora::id3v2;
    if (const auto header = ParseHeader(bytes.data(), bytes.size())) {
        const std::string rendered = RenderHeader(*header);
        Check(ParseHeader(Bytes(rendered), rendered.size()) == header);
    }
    if (bytes.size() < 10) return;
    for (const int version : {3, 4}) {
        const auto extended = ParseExtendedHeader(bytes.data() + 10, bytes.size() - 10, version);
        if (!extended) continue;
        const std::string rendered = RenderExtendedHeader(*extended, version);
        const auto again = ParseExtendedHeader(Bytes(rendered), rendered.size(), version);
        Check(again.has_value());
        // Fields survive; the size is that of the rendered layout.
        auto expected = *extended;
        expected.Size = static_cast<std::uint32_t>(rendered.size());
        if (version == 3) {
            expected.Update = false;
            expected.Restrictions.reset();
            if (expected.Crc) expected.Crc = *expected.Crc & 0xFFFFFFFFu;
        } else {
            expected.PaddingSize = 0;
        }
        Check(*again == expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<unsigned char> bytes(data, data + size);
    for (const int codePage : {1251, 1252}) {
        tagmora::Id3v2Tag tag;
        tagmora::ParseId3v2(bytes.data(), bytes.size(), tag, codePage);
    }
    RoundTripLayout(bytes);
    tagmora::PicturePixelSize(std::string_view(reinterpret_cast<const char*>(data), size));
    RoundTripHeaders(bytes);
    if (size >= 128) {
        tagmora::Id3v1Tag tag;
        tagmora::ParseId3v1(bytes.data(), tag, 1251);
        tagmora::ParseId3v1(bytes.data() + size - 128, tag, 1252);
    }
    return 0;
}
