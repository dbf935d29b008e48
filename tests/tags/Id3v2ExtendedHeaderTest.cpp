// Tests of the ID3v2 extended header in the layouts of versions 2.3 and 2.4.
#include "tags/Id3v2ExtendedHeader.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;
using test::BigEndianBytes;
using test::SynchsafeBytes;

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

ExtendedHeader Made(std::uint32_t size, std::uint32_t padding, std::optional<std::uint64_t> crc, bool update,
                    std::optional<std::uint8_t> restrictions) {
    ExtendedHeader header;
    header.Size = size;
    header.PaddingSize = padding;
    header.Crc = crc;
    header.Update = update;
    header.Restrictions = restrictions;
    return header;
}

TEST(Id3v2ExtendedHeader, ParseAndRenderAreARoundTrip) {
    struct Case {
        const char* name;
        int version;
        std::string bytes;
        ExtendedHeader header;
    };
    const Case cases[] = {
        {"2.3", 3, BigEndianBytes(6) + "\0\0"s + BigEndianBytes(256), Made(10, 256, {}, false, {})},
        {"2.3 with CRC", 3, BigEndianBytes(10) + "\x80\0"s + BigEndianBytes(0) + "\xDE\xAD\xBE\xEF",
         Made(14, 0, 0xDEADBEEF, false, {})},
        {"2.4", 4, SynchsafeBytes(6) + "\x01\x00"s, Made(6, 0, {}, false, {})},
        {"2.4 update", 4, SynchsafeBytes(7) + "\x01\x40\x00"s, Made(7, 0, {}, true, {})},
        {"2.4 CRC", 4, SynchsafeBytes(12) + "\x01\x20\x05\x0F\x7F\x7F\x7F\x7F"s, Made(12, 0, 0xFFFFFFFF, false, {})},
        {"2.4 restrictions", 4, SynchsafeBytes(8) + "\x01\x10\x01\x8A"s, Made(8, 0, {}, false, 0x8A)},
        {"2.4 all flags", 4, SynchsafeBytes(15) + "\x01\x70\x00\x05\x00\x00\x00\x01\x7F\x01\x03"s,
         Made(15, 0, 0xFF, true, 0x03)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string withFrames = c.bytes + "TIT2\0\0\0\x02\0\0\0T"s;
        EXPECT_EQ(ParseExtendedHeader(Bytes(withFrames), withFrames.size(), c.version), c.header);
        EXPECT_EQ(RenderExtendedHeader(c.header, c.version), c.bytes);
    }
}

TEST(Id3v2ExtendedHeader, SizesThatDoNotFitAreNoHeader) {
    struct Case {
        const char* name;
        int version;
        std::string bytes;
    };
    const Case cases[] = {
        {"2.3 larger than the bytes", 3, BigEndianBytes(5000) + std::string(20, '\0')},
        {"2.3 below its smallest layout", 3, BigEndianBytes(2) + std::string(20, '\0')},
        {"2.4 larger than the bytes", 4, SynchsafeBytes(5000) + std::string(20, '\0')},
        {"2.4 below its smallest layout", 4, SynchsafeBytes(5) + std::string(20, '\0')},
        {"fewer than six bytes", 4, SynchsafeBytes(6) + "\x01"s},
        {"a frame where the header would be", 3, "TIT2\0\0\0\x02\0\0\0T"s},
        {"version 2.2 has none", 2, BigEndianBytes(6) + std::string(20, '\0')},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ParseExtendedHeader(Bytes(c.bytes), c.bytes.size(), c.version)) << c.name;
    }
}

TEST(Id3v2ExtendedHeader, FlagDataBeyondItsSizeIsNotRead) {
    // The CRC flag is set but the size leaves room for its length byte only.
    const std::string bytes = SynchsafeBytes(7) + "\x01\x20\x05\x0F\x7F\x7F\x7F\x7F"s;
    const auto header = ParseExtendedHeader(Bytes(bytes), bytes.size(), 4);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->Size, 7u);
    EXPECT_FALSE(header->Crc);
}

}  // namespace
}  // namespace tagmora::id3v2
