// The header of one ID3v2 frame: in version 2.2 a three-character identifier and a 3-byte size
// (6 bytes), in 2.3 a four-character identifier, a 32-bit size and two flag bytes (10 bytes), in
// 2.4 the same with a synchsafe size. The size counts the body after the header. What the flags
// add before the frame's data (group byte, decompressed size, data length indicator) belongs to
// the body; FrameFormat says which of them a frame has.
//
//   version 3: "TIT2" 00 00 01 2D 00 20  ->  {Id "TIT2", Size 301, Flags 0x0020 (grouped)}
//   version 4: "TIT2" 00 00 02 2D 00 01  ->  {Id "TIT2", Size 301, Flags 0x0001 (data length)}
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tagmora::id3v2 {

struct FrameHeader {
    std::string Id;  // three characters in version 2.2, four in 2.3 and 2.4
    std::uint32_t Size = 0;
    std::uint16_t Flags = 0;  // the two flag bytes as stored (none in version 2.2)

    bool operator==(const FrameHeader&) const = default;
};

// 6 for version 2.2, 10 for 2.3 and 2.4.
std::size_t FrameHeaderSize(int version);

// True when the `length` bytes at `p` are upper-case Latin letters or digits.
bool IsFrameId(const unsigned char* p, std::size_t length);

// How a version 2.4 frame size is read: synchsafe as the standard says, or as a plain 32-bit
// number as some writers store it.
enum class SizeReading { Synchsafe, Plain };

// Reads the frame header at `data`. False when fewer than FrameHeaderSize(version) bytes are
// there, when the identifier is not a frame identifier (padding, audio data), or when a synchsafe
// reading meets a size byte with its top bit set. The size is not checked against anything.
bool ParseFrameHeader(const unsigned char* data, std::size_t size, int version, SizeReading reading,
                      FrameHeader& out);

// Appends the header bytes in the layout of `version` (synchsafe sizes in version 2.4). The size
// must fit its field: 24 bits in version 2.2, 28 bits in 2.4.
void RenderFrameHeader(const FrameHeader& header, int version, std::string& out);

// What the flags of a frame say about its body, whatever the version's flag bits.
struct FrameFormat {
    bool Grouped = false;         // a group byte comes first
    bool Compressed = false;      // the data is zlib-compressed
    bool Encrypted = false;       // an encryption method byte comes before the data
    bool Unsynchronised = false;  // version 2.4: the body is unsynchronised
    bool DataLength = false;      // version 3: the decompressed size; 4: the data length indicator

    bool operator==(const FrameFormat&) const = default;
};

// The format bits of `flags` in `version`. Version 2.3 has no unsynchronisation flag and stores
// the decompressed size exactly when a frame is compressed.
FrameFormat FormatOf(std::uint16_t flags, int version);
// `flags` with its format bits replaced by those of `format` (status bits are kept).
std::uint16_t WithFormat(std::uint16_t flags, const FrameFormat& format, int version);

}  // namespace tagmora::id3v2
