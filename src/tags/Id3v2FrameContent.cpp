// ID3v2 frame bodies and contents, decoding: the extra bytes, zlib compression and per-frame
// unsynchronisation that frame flags announce are peeled off. Rendering lives in
// Id3v2FrameContentRender.cpp, so that a program that only reads links no compressor.
#include "tags/Id3v2FrameContent.h"

#include "tags/Id3v2Numbers.h"
#include "tags/Unsynchronisation.h"

#include <algorithm>
#include <zlib.h>

namespace tagmora::id3v2 {

namespace {

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Inflates a zlib stream into `out`, at most `limit` bytes. False when the data is no complete
// stream (a stream that would give more than `limit` bytes is cut there and counts as complete).
bool Inflate(std::string_view data, std::size_t limit, std::string& out) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(Bytes(data));
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(data.size(), UINT32_MAX));
    // Grow step by step, so that a frame that claims much but holds little costs little.
    out.resize(std::min(limit, std::max<std::size_t>(data.size() * 4, 4096)));
    std::size_t produced = 0;
    int result = Z_OK;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        stream.avail_out = static_cast<uInt>(out.size() - produced);
        result = inflate(&stream, Z_NO_FLUSH);
        produced = out.size() - stream.avail_out;
        if (result != Z_OK) break;
        if (stream.avail_out == 0) {
            if (out.size() >= limit) break;  // cut at the limit
            out.resize(std::min(limit, out.size() * 2));
        } else if (stream.avail_in == 0) {
            break;  // the stream ends before its end mark
        }
    }
    inflateEnd(&stream);
    out.resize(produced);
    return result == Z_STREAM_END || ((result == Z_OK || result == Z_BUF_ERROR) && produced == limit);
}

}  // namespace

ContentStatus DecodeFlaggedFrameContent(std::string_view body, std::uint16_t flags, int version, bool tagUnsynchronised,
                                        ContentScratch& scratch, std::string_view& content) {
    const FrameFormat format = FormatOf(flags, version);
    if (version == 4 && (format.Unsynchronised || tagUnsynchronised) && HasUnsynchronisation(body)) {
        UndoUnsynchronisation(body, scratch.Resynchronised);
        body = scratch.Resynchronised;
    }
    // The extra bytes: version 2.3 puts the decompressed size, the method and the group in this
    // order; version 2.4 the group, the method and the data length indicator.
    std::size_t extra = 0;
    std::uint64_t declared = kMaxInflatedSize;
    const auto take = [&](std::size_t n) {
        const unsigned char* at = Bytes(body) + extra;
        extra += n;
        return at;
    };
    const std::size_t needed = (format.Grouped ? 1 : 0) + (format.Encrypted ? 1 : 0) + (format.DataLength ? 4 : 0);
    if (body.size() < needed) return ContentStatus::Truncated;
    if (version == 3) {
        if (format.DataLength) declared = ReadBigEndian(take(4));
        if (format.Encrypted) take(1);
        if (format.Grouped) take(1);
    } else {
        if (format.Grouped) take(1);
        if (format.Encrypted) take(1);
        if (format.DataLength) declared = ReadSynchsafe32(take(4));
    }
    if (format.Encrypted) return ContentStatus::Encrypted;
    const std::string_view data = body.substr(extra);
    if (!format.Compressed) {
        content = data;
        return ContentStatus::Ok;
    }
    const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(declared, kMaxInflatedSize));
    if (!Inflate(data, limit, scratch.Inflated)) return ContentStatus::NotInflated;
    content = scratch.Inflated;
    return ContentStatus::Ok;
}

}  // namespace tagmora::id3v2
