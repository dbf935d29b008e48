// A frame's body (the bytes after its header, as stored) and its content (the bytes the frame
// means): between them lie, as the frame's flags say, a group byte, an encryption method byte, the
// decompressed size or data length indicator, zlib compression and (version 2.4) per-frame
// unsynchronisation. Decoding peels them off; rendering puts them on.
//
//   version 4, flags 0x0001:  00 00 00 06 | 00 "Title"  ->  content 00 "Title"
#pragma once

#include "tags/Id3v2FrameHeader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tagmora::id3v2 {

// At most this many bytes come out of a compressed frame.
inline constexpr std::size_t kMaxInflatedSize = std::size_t{16} << 20;

enum class ContentStatus {
    Ok,
    Truncated,    // the body is too short for the bytes its flags announce
    Encrypted,    // the data is encrypted: the program cannot read it
    NotInflated,  // the compressed data is not a complete zlib stream
};

// Buffers that decoded content may live in; kept by the caller so that they can be reused.
struct ContentScratch {
    std::string Resynchronised;
    std::string Inflated;
};

// DecodeFrameContent for any frame; DecodeFrameContent itself handles the usual frame without
// flags inline, whose body is its content, and hands the others here.
ContentStatus DecodeFlaggedFrameContent(std::string_view body, std::uint16_t flags, int version, bool tagUnsynchronised,
                                        ContentScratch& scratch, std::string_view& content);

// Decodes `body` of a frame with `flags` in a tag of `version`; `tagUnsynchronised` is the tag
// header's flag (version 2.4 applies it frame by frame; in 2.2 and 2.3 the caller has undone it
// for the whole tag). On Ok `content` views `body` itself when nothing had to be undone, else one
// of the scratch buffers. A compressed frame inflates to at most its declared size and at most
// kMaxInflatedSize bytes; more output is cut there (so a stream that gives all its declared bytes
// counts as whole even when its checksum is missing).
inline ContentStatus DecodeFrameContent(std::string_view body, std::uint16_t flags, int version, bool tagUnsynchronised,
                                        ContentScratch& scratch, std::string_view& content) {
    if (flags == 0 && !(version == 4 && tagUnsynchronised)) {  // the usual frame: body and content are one
        content = body;
        return ContentStatus::Ok;
    }
    return DecodeFlaggedFrameContent(body, flags, version, tagUnsynchronised, scratch, content);
}

// The body of a frame with `flags` in a tag of `version` that holds `content`: compressed (with its
// size) when the flags say so, a data length indicator when they ask for one, the group and
// encryption method bytes given, and unsynchronised when a version 2.4 flag says so. An encrypted
// frame's content is taken as the encrypted data and stored as it is.
std::string RenderFrameBody(std::string_view content, std::uint16_t flags, int version, std::uint8_t groupId = 0,
                            std::uint8_t encryptionMethod = 0);

}  // namespace tagmora::id3v2
