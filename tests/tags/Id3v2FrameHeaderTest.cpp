// Tests of the ID3v2 frame header of versions 2.2, 2.3 and 2.4 and of the meaning of its flags.
#include "tags/Id3v2FrameHeader.h"

#include "tags/Id3v2Numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

TEST(Id3v2FrameHeader, ParseAndRenderAreARoundTrip) {
    struct Case {
        int version;
        SizeReading reading;
        std::string bytes;
        FrameHeader header;
        bool rendersTheSame;  // a plain version 2.4 size is rendered synchsafe
    };
    const Case cases[] = {
        {2, SizeReading::Plain, "TT2\x00\x01\x2D"s, {"TT2", 301, 0}, true},
        {2, SizeReading::Plain, "PIC\xFF\xFF\xFF"s, {"PIC", 0xFFFFFF, 0}, true},
        {3, SizeReading::Plain, "TIT2\x00\x00\x01\x2D\x00\x20"s, {"TIT2", 301, 0x0020}, true},
        {3, SizeReading::Plain, "APIC\x80\x00\x00\x00\xE0\xE0"s, {"APIC", 0x80000000u, 0xE0E0}, true},
        {4, SizeReading::Synchsafe, "TIT2\x00\x00\x02\x2D\x00\x01"s, {"TIT2", 301, 0x0001}, true},
        {4, SizeReading::Synchsafe, "XYZ9\x7F\x7F\x7F\x7F\x70\x4F"s, {"XYZ9", kMaxSynchsafe32, 0x704F}, true},
        {4, SizeReading::Plain, "TIT2\x00\x00\x01\x2D\x40\x00"s, {"TIT2", 301, 0x4000}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, c.version == 2 ? 3 : 4));
        FrameHeader parsed;
        ASSERT_TRUE(ParseFrameHeader(Bytes(c.bytes), c.bytes.size(), c.version, c.reading, parsed));
        EXPECT_EQ(parsed, c.header);
        EXPECT_EQ(FrameHeaderSize(c.version), c.bytes.size());
        std::string rendered;
        RenderFrameHeader(c.header, c.version, rendered);
        if (c.rendersTheSame) {
            EXPECT_EQ(rendered, c.bytes);
        }
        FrameHeader again;
        ASSERT_TRUE(ParseFrameHeader(Bytes(rendered), rendered.size(), c.version, SizeReading::Synchsafe, again));
        EXPECT_EQ(again, c.header);
    }
}

TEST(Id3v2FrameHeader, WhatIsNoFrameHeader) {
    struct Case {
        int version;
        std::string bytes;
    };
    const Case cases[] = {
        {3, "\0\0\0\0\0\0\0\0\0\0"s},          // padding
        {3, "tit2\0\0\0\x01\0\0"s},            // lower case
        {3, "\xFF\xFB\x90\x64\0\0\0\0\0\0"s},  // audio data
        {3, "TIT2\0\0\0\x01\0"s},              // one byte short
        {2, "TT\0\0\0\x01"s},
        {4, "TIT2\0\0\0\x80\0\0"s},  // not synchsafe
    };
    for (const Case& c : cases) {
        FrameHeader header;
        EXPECT_FALSE(ParseFrameHeader(Bytes(c.bytes), c.bytes.size(), c.version, SizeReading::Synchsafe, header))
            << c.bytes;
    }
    // The same size bytes read as a plain number.
    FrameHeader plain;
    const std::string bytes = "TIT2\0\0\0\x80\0\0"s;
    ASSERT_TRUE(ParseFrameHeader(Bytes(bytes), bytes.size(), 4, SizeReading::Plain, plain));
    EXPECT_EQ(plain.Size, 0x80u);
}

TEST(Id3v2FrameHeader, FlagsSayWhatTheBodyHolds) {
    struct Case {
        int version;
        std::uint16_t flags;
        FrameFormat format;  // grouped, compressed, encrypted, unsynchronised, data length
    };
    const Case cases[] = {
        {3, 0x0000, {}},
        {3, 0xE000, {}},
        {3, 0x0080, {false, true, false, false, true}},
        {3, 0x0040, {false, false, true, false, false}},
        {3, 0x0020, {true, false, false, false, false}},
        {3, 0x00E0, {true, true, true, false, true}},
        {4, 0x7000, {}},
        {4, 0x0040, {true, false, false, false, false}},
        {4, 0x0009, {false, true, false, false, true}},
        {4, 0x0004, {false, false, true, false, false}},
        {4, 0x0002, {false, false, false, true, false}},
        {4, 0x004F, {true, true, true, true, true}},
        {2, 0x0000, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.version << " " << c.flags);
        EXPECT_EQ(FormatOf(c.flags, c.version), c.format);
        // Status bits survive a change of the format bits.
        EXPECT_EQ(WithFormat(c.flags & 0xF000, c.format, c.version), c.flags);
        EXPECT_EQ(WithFormat(c.flags, FrameFormat{}, c.version), c.flags & 0xF000);
    }
}

}  // namespace
}  // namespace tagmora::id3v2
