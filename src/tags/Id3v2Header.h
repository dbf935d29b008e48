// The 10-byte ID3v2 tag header, and the footer of the same layout that version 2.4 may put after
// the tag ("3DI" instead of "ID3"). The size counts the bytes after the header (extended header,
// frames, padding), without header and footer.
//
//   "ID3" 04 00 90 00 00 02 01  ->  {Version 4, Revision 0, Flags kUnsynchronised|kFooter, Size 257}
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tagmora::id3v2 {

inline constexpr std::size_t kTagHeaderSize = 10;

struct Header {
    // Tag header flags.
    static constexpr std::uint8_t kUnsynchronised = 0x80;
    static constexpr std::uint8_t kExtendedHeader = 0x40;  // version 2.2: the tag is compressed
    static constexpr std::uint8_t kExperimental = 0x20;
    static constexpr std::uint8_t kFooter = 0x10;  // version 2.4 only

    std::uint8_t Version = 4;  // major version: 2, 3 or 4
    std::uint8_t Revision = 0;
    std::uint8_t Flags = 0;
    std::uint32_t Size = 0;  // synchsafe on disk, at most kMaxSynchsafe32

    bool Has(std::uint8_t flag) const { return (Flags & flag) != 0; }
    // The whole tag as stored: header, Size bytes and the footer when there is one.
    std::uint64_t TagSize() const;
    bool operator==(const Header&) const = default;
};

// Reads a header from the first 10 bytes of `data`; nullopt when there are fewer or they do not
// start with "ID3". Size bytes with a top bit set are read by their lower seven bits. The version
// is not checked.
std::optional<Header> ParseHeader(const unsigned char* data, std::size_t size);
// The same for a footer ("3DI").
std::optional<Header> ParseFooter(const unsigned char* data, std::size_t size);

// The 10 bytes of the header, or of the footer.
std::string RenderHeader(const Header& header);
std::string RenderFooter(const Header& header);

}  // namespace tagmora::id3v2
