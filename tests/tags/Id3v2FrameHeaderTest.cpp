// Tests of the ID3v2 frame header of versions 2.2, 2.3 and 2.4 and of the meaning of its flags.
#include "tags/Id3v2FrameHeader.h"

#include "tags/Id3v2Numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;

TEST(Id3v2FrameHeader, ParseAndRenderAreARoundTrip) {
    struct Case {
        int version;
        SizeReading reading;
        std::string bytes;
        FrameHeader header;  // empty identifier: no frame header
    };
    const Case cases[] = {
        {2, SizeReading::Plain, "TT2\x00\x01\x2D"s, {"TT2", 301, 0}},
        {3, SizeReading::Plain, "APIC\x80\x00\x01\x2D\xE0\xE0"s, {"APIC", 0x8000012D, 0xE0E0}},
        {4, SizeReading::Synchsafe, "XYZ9\x7F\x7F\x7F\x7F\x70\x4F"s, {"XYZ9", kMaxSynchsafe32, 0x704F}},
        {4, SizeReading::Plain, "TIT2\x00\x00\x01\x80\x00\x01"s, {"TIT2", 0x180, 0x0001}},
        {4, SizeReading::Synchsafe, "TIT2\x00\x00\x01\x80\x00\x01"s, {}},  // not synchsafe
        {3, SizeReading::Plain, "\0\0\0\0\0\0\0\0\0\0"s, {}},              // padding
        {3, SizeReading::Plain, "\xFF\xFB\x90\x64\0\0\0\0\0\0"s, {}},      // audio data
        {3, SizeReading::Plain, "tit2\0\0\0\x01\0\0"s, {}},
        {3, SizeReading::Plain, "TIT2\0\0\0\x01\0"s, {}},  // one byte short
    };
    for (const Case& c : cases) {
        FrameHeader parsed;
        const bool isHeader = c.header.Id.size() > 0;
        ASSERT_EQ(ParseFrameHeader(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size(), c.version,
                                   c.reading, parsed),
                  isHeader)
            << c.bytes;
        if (!isHeader) continue;
        EXPECT_EQ(parsed, c.header);
        std::string rendered;
        RenderFrameHeader(c.header, c.version, rendered);
        // Sizes are rendered synchsafe in version 2.4, whatever the reading.
        FrameHeader again;
        ASSERT_TRUE(ParseFrameHeader(reinterpret_cast<const unsigned char*>(rendered.data()), rendered.size(),
                                     c.version, SizeReading::Synchsafe, again));
        EXPECT_EQ(again, c.header);
        if (c.reading == SizeReading::Synchsafe || c.version < 4) {
            EXPECT_EQ(rendered, c.bytes);
        }
    }
}

TEST(Id3v2FrameHeader, FlagsSayWhatTheBodyHolds) {
    struct Case {
        int version;
        std::uint16_t flags;
        FrameFormat format;  // grouped, compressed, encrypted, unsynchronised, data length
    };
    const Case cases[] = {
        {3, 0xE000, {}},
        {3, 0x0080, {false, true, false, false, true}},
        {3, 0x0040, {false, false, true, false, false}},
        {3, 0x00E0, {true, true, true, false, true}},
        {4, 0x7000, {}},
        {4, 0x0009, {false, true, false, false, true}},
        {4, 0x0042, {true, false, false, true, false}},
        {4, 0x004F, {true, true, true, true, true}},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatOf(c.flags, c.version), c.format) << c.version << " " << c.flags;
}

}  // namespace
}  // namespace tagmora::id3v2
