// The ID3v2 extended header that follows the tag header when its flag is set, in the layouts of
// version 2.3 (size without itself, two flag bytes, padding size, optional CRC-32) and version
// 2.4 (synchsafe size with itself, flag bytes, then for each flag a length byte and its data).
//
//   version 3: 00 00 00 06  00 00  00 00 01 00       ->  {Size 10, PaddingSize 256}
//   version 4: 00 00 00 08  01 10  01 8A             ->  {Size 8, Restrictions 0x8A}
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tagmora::id3v2 {

struct ExtendedHeader {
    std::uint32_t Size = 0;                    // the bytes it takes in the tag, its own size field included
    std::uint32_t PaddingSize = 0;             // version 3 only
    std::optional<std::uint64_t> Crc;          // CRC-32 of the frames (version 4: 35 bits, synchsafe)
    bool Update = false;                       // version 4 only: the tag updates an earlier one
    std::optional<std::uint8_t> Restrictions;  // version 4 only

    bool operator==(const ExtendedHeader&) const = default;
};

// Reads the extended header at the start of `data` (the bytes after the tag header) for tag
// version 3 or 4. nullopt when its size is below the smallest layout or does not fit in `size`.
// Flag data that the size leaves no room for is not read.
std::optional<ExtendedHeader> ParseExtendedHeader(const unsigned char* data, std::size_t size, int version);

// The bytes of the extended header in the layout of `version` (3 or 4); the size field is
// computed from the fields (`header.Size` is not consulted).
std::string RenderExtendedHeader(const ExtendedHeader& header, int version);

}  // namespace tagmora::id3v2
