// Tests of the ID3v2 tag header and footer: parse and render as a round trip.
#include "tags/Id3v2Header.h"

#include "tags/Id3v2Numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

TEST(Id3v2TagHeader, ParseAndRenderAreARoundTrip) {
    const std::pair<std::string, Header> cases[] = {
        {"\x03\x00\x00\x00\x00\x02\x01"s, {3, 0, 0, 257}},
        {"\x04\x00\x90\x00\x00\x00\x7F"s, {4, 0, Header::kUnsynchronised | Header::kFooter, 127}},
        {"\x02\x01\x40\x7F\x7F\x7F\x7F"s, {2, 1, 0x40, kMaxSynchsafe32}},
    };
    for (const auto& [bytes, header] : cases) {
        const std::string head = "ID3" + bytes;
        const std::string foot = "3DI" + bytes;
        EXPECT_EQ(ParseHeader(Bytes(head), head.size()), header);
        EXPECT_EQ(ParseFooter(Bytes(foot), foot.size()), header);
        EXPECT_EQ(RenderHeader(header), head);
        EXPECT_EQ(RenderFooter(header), foot);
        EXPECT_FALSE(ParseHeader(Bytes(foot), foot.size()));
        EXPECT_FALSE(ParseHeader(Bytes(head), head.size() - 1));
    }
    // A top bit in a size byte is no part of the size (some writers set it).
    const std::string loose = "ID3\x03\x00\x00\x80\x80\x81\x81"s;
    EXPECT_EQ(ParseHeader(Bytes(loose), loose.size())->Size, 129u);
    // Only version 2.4 has a footer.
    EXPECT_EQ((Header{4, 0, Header::kFooter, 100}.TagSize()), 120u);
    EXPECT_EQ((Header{3, 0, Header::kFooter, 100}.TagSize()), 110u);
}

}  // namespace
}  // namespace tagmora::id3v2
