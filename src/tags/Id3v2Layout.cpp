// A whole ID3v2 tag: parse into header, extended header, frames, padding and footer, and render.
#include "tags/Id3v2Layout.h"

#include "tags/Id3v2Numbers.h"
#include "tags/Unsynchronisation.h"

#include <algorithm>

namespace tagmora::id3v2 {

namespace {

// True when a frame header starts at `body`: a four-character identifier and a size (either
// reading) that fits in the tag.
bool StartsWithFrame(const unsigned char* body, std::size_t available, std::uint64_t tagBodySize) {
    if (available < 10 || tagBodySize < 10 || !IsFrameId(body, 4)) return false;
    const std::uint64_t room = tagBodySize - 10;
    return ReadBigEndian(body + 4) <= room || (IsSynchsafe32(body + 4) && ReadSynchsafe32(body + 4) <= room);
}

}  // namespace

bool ParseLayout(const unsigned char* data, std::size_t size, Layout& out, std::string& resynchronised) {
    const std::optional<Header> header = ParseHeader(data, size);
    if (!header || header->Version < 2 || header->Version > 4) return false;
    if (header->Version == 2 && header->Has(Header::kExtendedHeader)) return false;
    out.TagHeader = *header;
    out.Extended.reset();
    out.ExtendedHeaderMissing = false;
    out.Footer.reset();
    const int version = header->Version;

    const std::uint64_t tagEnd = kTagHeaderSize + std::uint64_t{header->Size};
    const unsigned char* body = data + kTagHeaderSize;
    std::size_t bodySize = static_cast<std::size_t>(std::min<std::uint64_t>(tagEnd, size)) - kTagHeaderSize;
    if (version == 4 && header->Has(Header::kFooter) && tagEnd + kTagHeaderSize <= size)
        out.Footer = ParseFooter(data + tagEnd, size - tagEnd);

    // Versions 2.2 and 2.3 unsynchronise the whole tag; version 2.4 does it frame by frame.
    if (version < 4 && header->Has(Header::kUnsynchronised)) {
        UndoUnsynchronisation({reinterpret_cast<const char*>(body), bodySize}, resynchronised);
        body = reinterpret_cast<const unsigned char*>(resynchronised.data());
        bodySize = resynchronised.size();
    }

    std::size_t start = 0;
    if (version > 2 && header->Has(Header::kExtendedHeader)) {
        out.Extended = ParseExtendedHeader(body, bodySize, version);
        if (!out.Extended || StartsWithFrame(body, bodySize, header->Size)) {
            out.Extended.reset();
            out.ExtendedHeaderMissing = true;
        } else {
            start = out.Extended->Size;
        }
    }
    ParseFrameList(body + start, bodySize - start, version, out.Frames);
    out.PaddingSize = bodySize - start - out.Frames.FramesEndOffset;
    return true;
}

std::string RenderLayout(const Layout& layout, std::size_t padding) {
    const int version = layout.TagHeader.Version;
    std::string body;
    if (layout.Extended && version > 2) body = RenderExtendedHeader(*layout.Extended, version);
    RenderFrameList(layout.Frames, body);
    body.append(padding, '\0');
    if (version < 4 && layout.TagHeader.Has(Header::kUnsynchronised)) {
        std::string stored;
        ApplyUnsynchronisation(body, stored);
        body.swap(stored);
    }
    Header header = layout.TagHeader;
    header.Size = static_cast<std::uint32_t>(body.size());
    if (layout.Extended && version > 2) header.Flags |= Header::kExtendedHeader;
    else header.Flags &= static_cast<std::uint8_t>(~Header::kExtendedHeader);
    std::string out = RenderHeader(header) + body;
    if (version == 4 && header.Has(Header::kFooter)) out += RenderFooter(header);
    return out;
}

}  // namespace tagmora::id3v2
