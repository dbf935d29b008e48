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
    struct Case {
        std::string bytes;  // from "ID3" on; the footer is "3DI" and the same bytes
        Header header;
    };
    const Case cases[] = {
        {"ID3\x03\x00\x00\x00\x00\x02\x01"s, {3, 0, 0, 257}},
        {"ID3\x04\x00\x90\x00\x00\x00\x7F"s, {4, 0, Header::kUnsynchronised | Header::kFooter, 127}},
        {"ID3\x02\x01\x40\x7F\x7F\x7F\x7F"s, {2, 1, 0x40, kMaxSynchsafe32}},
        {"ID3\x04\x00\x70\x01\x00\x00\x00"s, {4, 0, 0x70, 1u << 21}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(3));
        EXPECT_EQ(ParseHeader(Bytes(c.bytes), c.bytes.size()), c.header);
        EXPECT_EQ(RenderHeader(c.header), c.bytes);
        const std::string footer = "3DI" + c.bytes.substr(3);
        EXPECT_EQ(ParseFooter(Bytes(footer), footer.size()), c.header);
        EXPECT_EQ(RenderFooter(c.header), footer);
    }
}

TEST(Id3v2TagHeader, WhatIsNoHeader) {
    for (const std::string& bytes : {"ID3\x03\x00\x00\x00\x00\x02"s, "ID2\x03\x00\x00\x00\x00\x02\x01"s,
                                     "3DI\x04\x00\x00\x00\x00\x02\x01"s, ""s}) {
        EXPECT_FALSE(ParseHeader(Bytes(bytes), bytes.size())) << bytes;
    }
    const std::string header = "ID3\x04\x00\x10\x00\x00\x02\x01"s;
    EXPECT_FALSE(ParseFooter(Bytes(header), header.size()));
}

TEST(Id3v2TagHeader, SizeBytesAreReadBySevenBits) {
    // A top bit in a size byte is no part of the size (some writers set it).
    const std::string bytes = "ID3\x03\x00\x00\x80\x80\x81\x81"s;
    EXPECT_EQ(ParseHeader(Bytes(bytes), bytes.size())->Size, 129u);
}

TEST(Id3v2TagHeader, TagSizeCountsTheFooterOnlyInVersion4) {
    EXPECT_EQ((Header{4, 0, Header::kFooter, 100}.TagSize()), 120u);
    EXPECT_EQ((Header{4, 0, 0, 100}.TagSize()), 110u);
    EXPECT_EQ((Header{3, 0, Header::kFooter, 100}.TagSize()), 110u);
}

}  // namespace
}  // namespace tagmora::id3v2
