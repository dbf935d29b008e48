// A whole ID3v2 tag as its parts: header, extended header, frame list, padding and footer.
// Parsing undoes the whole-tag unsynchronisation of versions 2.2 and 2.3 and finds where the
// frames start; rendering puts the parts back together. Reader and writer both go through it.
//
//   "ID3" 03 00 00 00 00 00 20 | "TIT2" 00 00 00 06 00 00 00 "Title" | 16 zero bytes
//   -> {Header {3, 0, 0, 32}, no extended header, Frames [TIT2], FramesEnd at 16, PaddingSize 16}
#pragma once

#include "tags/Id3v2ExtendedHeader.h"
#include "tags/Id3v2FrameList.h"
#include "tags/Id3v2Header.h"

#include <cstddef>
#include <optional>
#include <string>

namespace tagmora::id3v2 {

struct Layout {
    Header TagHeader;
    std::optional<ExtendedHeader> Extended;
    // The header flag announces an extended header but none is there (its size does not fit, or a
    // frame starts right after the tag header): the frames are read from there.
    bool ExtendedHeaderMissing = false;
    FrameList Frames;
    // The bytes from the end of the frames to the end of the tag's area (padding, or what is no frame).
    std::size_t PaddingSize = 0;
    std::optional<Header> Footer;
};

// Parses the tag at the start of the `size` bytes at `data`, which may end before the tag does
// (then the frames end there). False when there is no tag header, its version is not 2, 3 or 4,
// or it is a compressed version 2.2 tag (no scheme is defined for it). When the whole tag is
// unsynchronised (versions 2.2 and 2.3) its resynchronised bytes go to `resynchronised` and the
// frames view them; otherwise they view `data`.
bool ParseLayout(const unsigned char* data, std::size_t size, Layout& out, std::string& resynchronised);

// The tag's bytes: the header with its size computed, the extended header, the frames,
// `padding` zero bytes and the footer when the header flag asks for one (version 2.4). When the
// unsynchronisation flag is set in version 2.2 or 2.3 everything after the header is
// unsynchronised; in version 2.4 the frame bodies are taken as stored.
std::string RenderLayout(const Layout& layout, std::size_t padding);

}  // namespace tagmora::id3v2
