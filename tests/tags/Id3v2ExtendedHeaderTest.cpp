// Tests of the ID3v2 extended header in the layouts of versions 2.3 and 2.4.
#include "tags/Id3v2ExtendedHeader.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;
using test::BigEndianBytes;
using test::SynchsafeBytes;

TEST(Id3v2ExtendedHeader, ParseAndRenderAreARoundTrip) {
    struct Case {
        int version;
        std::string bytes;
        std::optional<ExtendedHeader> header;  // size, padding size, CRC, update, restrictions
    };
    const Case cases[] = {
        {3, BigEndianBytes(6) + "\0\0"s + BigEndianBytes(256), ExtendedHeader{10, 256, {}, false, {}}},
        {3, BigEndianBytes(10) + "\x80\0"s + BigEndianBytes(0) + "\xDE\xAD\xBE\xEF",
         ExtendedHeader{14, 0, 0xDEADBEEF, false, {}}},
        {4, SynchsafeBytes(6) + "\x01\x00"s, ExtendedHeader{6, 0, {}, false, {}}},
        {4, SynchsafeBytes(12) + "\x01\x20\x05\x0F\x7F\x7F\x7F\x7F"s, ExtendedHeader{12, 0, 0xFFFFFFFF, false, {}}},
        {4, SynchsafeBytes(15) + "\x01\x70\x00\x05\x00\x00\x00\x01\x7F\x01\x8A"s,
         ExtendedHeader{15, 0, 0xFF, true, 0x8A}},
        // Sizes that do not fit: larger than the tag, below the smallest layout, a frame in its place.
        {3, BigEndianBytes(5000), {}},
        {3, BigEndianBytes(2), {}},
        {4, SynchsafeBytes(5), {}},
        {3, "TIT2\0\0\0\x02\0\0\0T"s, {}},
        {2, BigEndianBytes(6) + "\0\0"s + BigEndianBytes(256), {}},
    };
    for (const Case& c : cases) {
        const std::string withFrames = c.bytes + "TIT2\0\0\0\x02\0\0\0T"s;
        EXPECT_EQ(ParseExtendedHeader(reinterpret_cast<const unsigned char*>(withFrames.data()), withFrames.size(),
                                      c.version),
                  c.header)
            << c.bytes.size();
        if (c.header) {
            EXPECT_EQ(RenderExtendedHeader(*c.header, c.version), c.bytes);
        }
    }
}

}  // namespace
}  // namespace tagmora::id3v2
