// The header of one ID3v2 frame: in version 2.2 a three-character identifier and a 3-byte size
// (6 bytes), in 2.3 a four-character identifier, a 32-bit size and two flag bytes (10 bytes), in
// 2.4 the same with a synchsafe size. The size counts the body after the header. What the flags
// add before the frame's data (group byte, decompressed size, data length indicator) belongs to
// the body; FrameFormat says which of them a frame has.
//
//   version 3: "TIT2" 00 00 01 2D 00 20  ->  {Id "TIT2", Size 301, Flags 0x0020 (grouped)}
//   version 4: "TIT2" 00 00 02 2D 00 01  ->  {Id "TIT2", Size 301, Flags 0x0001 (data length)}
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace tagmora::id3v2 {

// A frame identifier: three characters in version 2.2, four in 2.3 and 2.4, kept in place.
class FrameId {
public:
    constexpr FrameId() = default;
    constexpr FrameId(const char* id) : FrameId(std::string_view(id)) {}
    constexpr FrameId(std::string_view id) : size_(static_cast<std::uint8_t>(id.size() < 4 ? id.size() : 4)) {
        for (std::size_t i = 0; i < size_; ++i) chars_[i] = id[i];
    }

    // The `size` (3 or 4) bytes at `p`.
    static FrameId FromBytes(const unsigned char* p, std::size_t size) {
        FrameId id;
        std::memcpy(id.chars_, p, 4);  // a frame header is always longer than four bytes
        id.size_ = static_cast<std::uint8_t>(size);
        return id;
    }

    constexpr std::string_view View() const { return {chars_, size_}; }
    constexpr operator std::string_view() const { return View(); }
    constexpr std::size_t size() const { return size_; }

    constexpr bool operator==(const FrameId& other) const { return View() == other.View(); }
    constexpr bool operator==(std::string_view other) const { return View() == other; }
    constexpr bool operator==(const char* other) const { return View() == std::string_view(other); }
    friend std::ostream& operator<<(std::ostream& out, const FrameId& id) { return out << id.View(); }

private:
    char chars_[4]{};
    std::uint8_t size_ = 0;
};

struct FrameHeader {
    FrameId Id;
    std::uint32_t Size = 0;
    std::uint16_t Flags = 0;  // the two flag bytes as stored (none in version 2.2)

    bool operator==(const FrameHeader&) const = default;
};

// 6 for version 2.2, 10 for 2.3 and 2.4.
inline std::size_t FrameHeaderSize(int version) { return version == 2 ? 6 : 10; }

namespace detail {
// The characters of frame identifiers: upper-case Latin letters and digits.
inline constexpr std::array<bool, 256> kFrameIdChar = [] {
    std::array<bool, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<std::size_t>(c)] = true;
    for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = true;
    return table;
}();
}  // namespace detail

// True when the `length` bytes at `p` are upper-case Latin letters or digits.
inline bool IsFrameId(const unsigned char* p, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (!detail::kFrameIdChar[p[i]]) return false;
    }
    return true;
}

// How a version 2.4 frame size is read: synchsafe as the standard says, or as a plain 32-bit
// number as some writers store it.
enum class SizeReading { Synchsafe, Plain };

// Reads the frame header at `data`. False when fewer than FrameHeaderSize(version) bytes are
// there, when the identifier is not a frame identifier (padding, audio data), or when a synchsafe
// reading meets a size byte with its top bit set. The size is not checked against anything.
// (Inline: the frame walk calls it for every frame of every tag read.)
inline bool ParseFrameHeader(const unsigned char* data, std::size_t size, int version, SizeReading reading,
                             FrameHeader& out) {
    const auto byte = [data](std::size_t i) { return static_cast<std::uint32_t>(data[i]); };
    if (version == 2) {
        if (size < 6 ||
            !(detail::kFrameIdChar[data[0]] && detail::kFrameIdChar[data[1]] && detail::kFrameIdChar[data[2]]))
            return false;
        out.Id = FrameId::FromBytes(data, 3);
        out.Size = byte(3) << 16 | byte(4) << 8 | byte(5);
        out.Flags = 0;
        return true;
    }
    if (size < 10 || !(detail::kFrameIdChar[data[0]] && detail::kFrameIdChar[data[1]] &&
                       detail::kFrameIdChar[data[2]] && detail::kFrameIdChar[data[3]]))
        return false;
    if (version == 4 && reading == SizeReading::Synchsafe) {
        if ((data[4] | data[5] | data[6] | data[7]) & 0x80) return false;
        out.Size = byte(4) << 21 | byte(5) << 14 | byte(6) << 7 | byte(7);
    } else {
        out.Size = byte(4) << 24 | byte(5) << 16 | byte(6) << 8 | byte(7);
    }
    out.Id = FrameId::FromBytes(data, 4);
    out.Flags = static_cast<std::uint16_t>(byte(8) << 8 | byte(9));
    return true;
}

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

}  // namespace tagmora::id3v2
