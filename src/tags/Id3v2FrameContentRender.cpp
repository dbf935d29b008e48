// ID3v2 frame bodies rendered from their contents: the extra bytes, zlib compression and
// per-frame unsynchronisation that frame flags ask for (the decoding is in Id3v2FrameContent.cpp).
#include "tags/Id3v2FrameContent.h"

#include "tags/Id3v2Numbers.h"
#include "tags/Unsynchronisation.h"

#include <zlib.h>

namespace tagmora::id3v2 {

namespace {

void Deflate(std::string_view data, std::string& out) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    const std::size_t start = out.size();
    out.resize(start + size);
    compress2(reinterpret_cast<Bytef*>(out.data() + start), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION);
    out.resize(start + size);
}

}  // namespace

std::string RenderFrameBody(std::string_view content, std::uint16_t flags, int version, std::uint8_t groupId,
                            std::uint8_t encryptionMethod) {
    const FrameFormat format = FormatOf(flags, version);
    const auto size = static_cast<std::uint32_t>(content.size());
    std::string body;
    if (version == 3) {
        if (format.DataLength) AppendBigEndian(body, size);
        if (format.Encrypted) body.push_back(static_cast<char>(encryptionMethod));
        if (format.Grouped) body.push_back(static_cast<char>(groupId));
    } else {
        if (format.Grouped) body.push_back(static_cast<char>(groupId));
        if (format.Encrypted) body.push_back(static_cast<char>(encryptionMethod));
        if (format.DataLength) AppendSynchsafe(body, size);
    }
    if (format.Compressed && !format.Encrypted) Deflate(content, body);
    else body += content;
    if (version == 4 && format.Unsynchronised) {
        std::string stored;
        ApplyUnsynchronisation(body, stored);
        return stored;
    }
    return body;
}

}  // namespace tagmora::id3v2
