// The two ways ID3v2 stores a number: plain big-endian bytes, and synchsafe bytes that carry
// seven bits each so that no byte has its top bit set (version 2.4 sizes, tag sizes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tagmora::id3v2 {

// The largest value four synchsafe bytes hold (28 bits).
inline constexpr std::uint32_t kMaxSynchsafe32 = (1u << 28) - 1;

// Reads `count` (at most 4) big-endian bytes: {0x00, 0x01, 0x02} gives 0x000102.
inline std::uint32_t ReadBigEndian(const unsigned char* p, std::size_t count = 4) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = value << 8 | p[i];
    return value;
}

// Reads `count` synchsafe bytes, ignoring their top bits: {0x00, 0x00, 0x01, 0x7F} gives 255.
inline std::uint64_t ReadSynchsafe(const unsigned char* p, std::size_t count = 4) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = value << 7 | (p[i] & 0x7F);
    return value;
}

inline std::uint32_t ReadSynchsafe32(const unsigned char* p) { return static_cast<std::uint32_t>(ReadSynchsafe(p, 4)); }

// True when none of the four bytes has its top bit set.
inline bool IsSynchsafe32(const unsigned char* p) { return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0; }

// Appends the lowest `count` bytes of `value`, most significant first.
inline void AppendBigEndian(std::string& out, std::uint32_t value, std::size_t count = 4) {
    for (std::size_t i = count; i-- > 0;) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Appends `value` as `count` synchsafe bytes (its lowest 7 * count bits).
inline void AppendSynchsafe(std::string& out, std::uint64_t value, std::size_t count = 4) {
    for (std::size_t i = count; i-- > 0;) out.push_back(static_cast<char>((value >> (7 * i)) & 0x7F));
}

}  // namespace tagmora::id3v2
