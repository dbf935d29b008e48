// The ID3v2 tag header and footer: parse and render.
#include "tags/Id3v2Header.h"

#include "tags/Id3v2Numbers.h"

#include <cstring>

namespace tagmora::id3v2 {

namespace {

std::optional<Header> Parse(const unsigned char* data, std::size_t size, const char* magic) {
    if (size < kTagHeaderSize || std::memcmp(data, magic, 3) != 0) return std::nullopt;
    Header header;
    header.Version = data[3];
    header.Revision = data[4];
    header.Flags = data[5];
    header.Size = ReadSynchsafe32(data + 6);
    return header;
}

std::string Render(const Header& header, const char* magic) {
    std::string out(magic, 3);
    out.push_back(static_cast<char>(header.Version));
    out.push_back(static_cast<char>(header.Revision));
    out.push_back(static_cast<char>(header.Flags));
    AppendSynchsafe(out, header.Size);
    return out;
}

}  // namespace

std::uint64_t Header::TagSize() const {
    const bool footer = Version == 4 && Has(kFooter);
    return kTagHeaderSize + std::uint64_t{Size} + (footer ? kTagHeaderSize : 0);
}

std::optional<Header> ParseHeader(const unsigned char* data, std::size_t size) { return Parse(data, size, "ID3"); }
std::optional<Header> ParseFooter(const unsigned char* data, std::size_t size) { return Parse(data, size, "3DI"); }
std::string RenderHeader(const Header& header) { return Render(header, "ID3"); }
std::string RenderFooter(const Header& header) { return Render(header, "3DI"); }

}  // namespace tagmora::id3v2
