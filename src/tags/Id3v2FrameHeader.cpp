// The ID3v2 frame header of versions 2.2, 2.3 and 2.4: parse and render, and the meaning of its
// flags.
#include "tags/Id3v2FrameHeader.h"

#include "tags/Id3v2Numbers.h"

#include <algorithm>

namespace tagmora::id3v2 {

namespace {

// Format flag bits of version 2.3 and 2.4.
constexpr std::uint16_t kV3Compressed = 0x0080;
constexpr std::uint16_t kV3Encrypted = 0x0040;
constexpr std::uint16_t kV3Grouped = 0x0020;
constexpr std::uint16_t kV4Grouped = 0x0040;
constexpr std::uint16_t kV4Compressed = 0x0008;
constexpr std::uint16_t kV4Encrypted = 0x0004;
constexpr std::uint16_t kV4Unsynchronised = 0x0002;
constexpr std::uint16_t kV4DataLength = 0x0001;

}  // namespace

void RenderFrameHeader(const FrameHeader& header, int version, std::string& out) {
    const std::size_t idLength = version == 2 ? 3 : 4;
    const std::string_view id = header.Id;
    out.append(id.substr(0, idLength));
    out.append(idLength - std::min(idLength, id.size()), ' ');
    if (version == 2) {
        AppendBigEndian(out, header.Size, 3);
        return;
    }
    if (version == 4) AppendSynchsafe(out, header.Size);
    else AppendBigEndian(out, header.Size);
    AppendBigEndian(out, header.Flags, 2);
}

FrameFormat FormatOf(std::uint16_t flags, int version) {
    FrameFormat format;
    if (version == 3) {
        format.Compressed = (flags & kV3Compressed) != 0;
        format.Encrypted = (flags & kV3Encrypted) != 0;
        format.Grouped = (flags & kV3Grouped) != 0;
        format.DataLength = format.Compressed;
    } else if (version == 4) {
        format.Grouped = (flags & kV4Grouped) != 0;
        format.Compressed = (flags & kV4Compressed) != 0;
        format.Encrypted = (flags & kV4Encrypted) != 0;
        format.Unsynchronised = (flags & kV4Unsynchronised) != 0;
        format.DataLength = (flags & kV4DataLength) != 0;
    }
    return format;
}

}  // namespace tagmora::id3v2
