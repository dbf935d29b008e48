// Tests of whole ID3v2 tags taken apart and put together: header, extended header, frames,
// padding and footer, with and without unsynchronisation.
#include "tags/Id3v2Layout.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;
using test::BigEndianBytes;
using test::Id3v2Frame;
using test::Id3v2TagBytes;
using test::SynchsafeBytes;

TEST(Id3v2Layout, ParseAndRenderGiveTheTagBack) {
    const std::string v3 = Id3v2Frame(3, "TIT2", "\0Title"s) + Id3v2Frame(3, "APIC", "\0image/png\0\x03\0\xFF\xE0"s);
    const std::string v4 = Id3v2Frame(4, "TIT2", SynchsafeBytes(6) + "\0Title"s, 0x0001) +
                           Id3v2Frame(4, "TPE1", "\x01\xFF\x00\xFE"s, 0x0002);
    const std::string v3Extended = BigEndianBytes(10) + "\x80\0"s + BigEndianBytes(40) + "\x01\x02\x03\x04"s;
    struct Case {
        std::string tag;
        std::size_t padding;
        bool extended;
    };
    const Case cases[] = {
        {Id3v2TagBytes(3, v3Extended + v3, 40, 0x40), 40, true},
        {Id3v2TagBytes(3, test::UnsynchronisedBytes(v3 + std::string(8, '\0')), 0, 0x80), 8, false},
        {Id3v2TagBytes(4, SynchsafeBytes(8) + "\x01\x10\x01\x8A"s + v4, 12, 0xC0), 12, true},
        {test::Id3v2TagWithFooter(v4), 0, false},
        {Id3v2TagBytes(2, Id3v2Frame(2, "TT2", "\0T"s) + Id3v2Frame(2, "PIC", "\0PNG\x03\0\x89"s), 7), 7, false},
        // The extended-header flag without an extended header: the frames start after the tag header.
        {Id3v2TagBytes(4, v4, 0, 0x40), 0, false},
    };
    for (const Case& c : cases) {
        Layout layout;
        std::string scratch;
        ASSERT_TRUE(ParseLayout(reinterpret_cast<const unsigned char*>(c.tag.data()), c.tag.size(), layout, scratch));
        EXPECT_EQ(layout.Frames.Frames.size(), 2u);
        EXPECT_EQ(layout.PaddingSize, c.padding);
        EXPECT_EQ(layout.Extended.has_value(), c.extended);
        EXPECT_EQ(layout.ExtendedHeaderMissing, !c.extended && layout.TagHeader.Has(Header::kExtendedHeader));
        EXPECT_EQ(layout.Footer.has_value(), layout.TagHeader.Has(Header::kFooter));
        EXPECT_EQ(layout.TagHeader.TagSize(), c.tag.size());
        if (!layout.ExtendedHeaderMissing) {
            EXPECT_EQ(RenderLayout(layout, layout.PaddingSize), c.tag);
        }
    }
}

}  // namespace
}  // namespace tagmora::id3v2
