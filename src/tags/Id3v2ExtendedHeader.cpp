// The ID3v2 extended header of versions 2.3 and 2.4: parse and render.
#include "tags/Id3v2ExtendedHeader.h"

#include "tags/Id3v2Numbers.h"

namespace tagmora::id3v2 {

namespace {

constexpr std::uint16_t kV3Crc = 0x8000;
constexpr std::uint8_t kV4Update = 0x40;
constexpr std::uint8_t kV4Crc = 0x20;
constexpr std::uint8_t kV4Restrictions = 0x10;

std::optional<ExtendedHeader> ParseVersion3(const unsigned char* data, std::size_t size) {
    const std::uint64_t total = std::uint64_t{ReadBigEndian(data)} + 4;
    if (total < 10 || total > size) return std::nullopt;
    ExtendedHeader header;
    header.Size = static_cast<std::uint32_t>(total);
    const auto flags = static_cast<std::uint16_t>(ReadBigEndian(data + 4, 2));
    header.PaddingSize = ReadBigEndian(data + 6);
    if ((flags & kV3Crc) && total >= 14) header.Crc = ReadBigEndian(data + 10);
    return header;
}

std::optional<ExtendedHeader> ParseVersion4(const unsigned char* data, std::size_t size) {
    const std::uint64_t total = ReadSynchsafe32(data);
    if (total < 6 || total > size) return std::nullopt;
    ExtendedHeader header;
    header.Size = static_cast<std::uint32_t>(total);
    const std::size_t flagBytes = data[4];
    const std::uint8_t flags = flagBytes > 0 ? data[5] : 0;
    std::size_t pos = 5 + flagBytes;
    // Each set flag, highest first, is followed by a length byte and that many bytes of data.
    const auto flagData = [&](std::uint8_t flag, std::size_t expected) -> const unsigned char* {
        if (!(flags & flag) || pos >= total) return nullptr;
        const std::size_t length = data[pos];
        const unsigned char* at = data + pos + 1;
        pos += 1 + length;
        return length == expected && pos <= total ? at : nullptr;
    };
    if (flags & kV4Update) {
        flagData(kV4Update, 0);
        header.Update = true;
    }
    if (const unsigned char* crc = flagData(kV4Crc, 5)) header.Crc = ReadSynchsafe(crc, 5);
    if (const unsigned char* restrictions = flagData(kV4Restrictions, 1)) header.Restrictions = *restrictions;
    return header;
}

}  // namespace

std::optional<ExtendedHeader> ParseExtendedHeader(const unsigned char* data, std::size_t size, int version) {
    if (size < 6) return std::nullopt;
    if (version == 3) return ParseVersion3(data, size);
    if (version == 4) return ParseVersion4(data, size);
    return std::nullopt;
}

std::string RenderExtendedHeader(const ExtendedHeader& header, int version) {
    std::string out;
    if (version == 3) {
        AppendBigEndian(out, header.Crc ? 10 : 6);
        AppendBigEndian(out, header.Crc ? kV3Crc : 0, 2);
        AppendBigEndian(out, header.PaddingSize);
        if (header.Crc) AppendBigEndian(out, static_cast<std::uint32_t>(*header.Crc));
        return out;
    }
    std::string flagData;
    std::uint8_t flags = 0;
    if (header.Update) {
        flags |= kV4Update;
        flagData.push_back('\0');
    }
    if (header.Crc) {
        flags |= kV4Crc;
        flagData.push_back('\x05');
        AppendSynchsafe(flagData, *header.Crc, 5);
    }
    if (header.Restrictions) {
        flags |= kV4Restrictions;
        flagData.push_back('\x01');
        flagData.push_back(static_cast<char>(*header.Restrictions));
    }
    AppendSynchsafe(out, 6 + flagData.size());
    out.push_back('\x01');
    out.push_back(static_cast<char>(flags));
    return out + flagData;
}

}  // namespace tagmora::id3v2
