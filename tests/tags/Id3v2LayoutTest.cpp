// Tests of whole ID3v2 tags taken apart and put together: header, extended header, frames,
// padding and footer, with and without unsynchronisation.
#include "tags/Id3v2Layout.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;
using test::BigEndianBytes;
using test::Id3v2Frame;
using test::Id3v2TagBytes;
using test::Id3v2TagWithFooter;
using test::SilentFrames;
using test::SynchsafeBytes;
using test::UnsynchronisedBytes;

bool Parse(const std::string& bytes, Layout& layout, std::string& scratch) {
    return ParseLayout(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), layout, scratch);
}

std::vector<std::string> Ids(const Layout& layout) {
    std::vector<std::string> ids;
    for (const Frame& frame : layout.Frames.Frames) ids.emplace_back(frame.Id);
    return ids;
}

TEST(Id3v2Layout, ParseAndRenderGiveTheTagBack) {
    const std::string v3 = Id3v2Frame(3, "TIT2", "\0Title"s) + Id3v2Frame(3, "APIC", "\0image/png\0\x03\0\xFF\xE0"s);
    const std::string v4 = Id3v2Frame(4, "TIT2", SynchsafeBytes(6) + "\0Title"s, 0x0001) +
                           Id3v2Frame(4, "TPE1", "\x01\xFF\x00\xFE"s, 0x0002);
    const std::string v3Extended = BigEndianBytes(10) + "\x80\0"s + BigEndianBytes(40) + "\x01\x02\x03\x04"s;
    const std::string v4Extended = SynchsafeBytes(8) + "\x01\x10\x01\x8A"s;
    struct Case {
        const char* name;
        std::string tag;
        std::size_t padding;
        bool extended;
        bool footer;
    };
    const Case cases[] = {
        {"2.3 with padding", Id3v2TagBytes(3, v3, 40), 40, false, false},
        {"2.3 extended header", Id3v2TagBytes(3, v3Extended + v3, 40, 0x40), 40, true, false},
        {"2.3 unsynchronised", Id3v2TagBytes(3, UnsynchronisedBytes(v3 + std::string(8, '\0')), 0, 0x80), 8, false,
         false},
        {"2.4 extended header", Id3v2TagBytes(4, v4Extended + v4, 12, 0x40), 12, true, false},
        {"2.4 footer", Id3v2TagWithFooter(v4), 0, false, true},
        {"2.4 unsynchronised frames", Id3v2TagBytes(4, v4, 3, 0x80), 3, false, false},
        {"2.2", Id3v2TagBytes(2, Id3v2Frame(2, "TT2", "\0T"s) + Id3v2Frame(2, "PIC", "\0PNG\x03\0\x89"s), 7), 7,
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Layout layout;
        std::string scratch;
        ASSERT_TRUE(Parse(c.tag + SilentFrames(1), layout, scratch));
        EXPECT_EQ(layout.PaddingSize, c.padding);
        EXPECT_EQ(layout.Extended.has_value(), c.extended);
        EXPECT_FALSE(layout.ExtendedHeaderMissing);
        EXPECT_EQ(layout.Footer.has_value(), c.footer);
        if (c.footer) {
            EXPECT_EQ(layout.Footer, layout.TagHeader);
        }
        EXPECT_EQ(layout.Frames.Frames.size(), 2u);
        EXPECT_EQ(RenderLayout(layout, layout.PaddingSize), c.tag);
        EXPECT_EQ(layout.TagHeader.TagSize(), c.tag.size());
    }
}

TEST(Id3v2Layout, AnExtendedHeaderFlagWithoutAnExtendedHeader) {
    const std::string frames = Id3v2Frame(3, "TIT2", "\0Title"s) + Id3v2Frame(3, "TPE1", "\0A"s);
    struct Case {
        const char* name;
        std::string tag;
        std::vector<std::string> ids;
        bool missing;
    };
    const Case cases[] = {
        {"2.3 frames right after the header", Id3v2TagBytes(3, frames, 10, 0x40), {"TIT2", "TPE1"}, true},
        {"2.4 frames right after the header",
         Id3v2TagBytes(4, Id3v2Frame(4, "TIT2", "\0Title"s) + Id3v2Frame(4, "TPE1", "\0A"s), 0, 0x40),
         {"TIT2", "TPE1"}, true},
        {"a size larger than the tag", Id3v2TagBytes(3, BigEndianBytes(5000) + frames, 0, 0x40), {}, true},
        {"a real extended header", Id3v2TagBytes(3, BigEndianBytes(6) + std::string(6, '\0') + frames, 0, 0x40),
         {"TIT2", "TPE1"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Layout layout;
        std::string scratch;
        ASSERT_TRUE(Parse(c.tag, layout, scratch));
        EXPECT_EQ(Ids(layout), c.ids);
        EXPECT_EQ(layout.ExtendedHeaderMissing, c.missing);
        EXPECT_EQ(layout.Extended.has_value(), !c.missing);
    }
}

TEST(Id3v2Layout, WhatIsNoTagToTakeApart) {
    const std::string frames = Id3v2Frame(3, "TIT2", "\0T"s);
    for (const std::string& bytes : {"ID3\x03\0\0\0\0\0"s, "ID3\x05\0\0\0\0\0\x0C"s + frames,
                                     "ID3\x01\0\0\0\0\0\x0C"s + frames, Id3v2TagBytes(2, frames, 0, 0x40),
                                     SilentFrames(1)}) {
        Layout layout;
        std::string scratch;
        EXPECT_FALSE(Parse(bytes, layout, scratch));
    }
}

TEST(Id3v2Layout, BytesEndingInsideTheTag) {
    const std::string tag = Id3v2TagBytes(3, Id3v2Frame(3, "TIT2", "\0Title"s) + Id3v2Frame(3, "TPE1", "\0A"s), 20);
    for (std::size_t size = 10; size <= tag.size(); ++size) {
        Layout layout;
        std::string scratch;
        ASSERT_TRUE(Parse(tag.substr(0, size), layout, scratch));
        EXPECT_EQ(layout.Frames.Frames.size(), size >= 26 + 12 ? 2u : size >= 26 ? 1u : 0u) << size;
        EXPECT_EQ(layout.Frames.FramesEndOffset + layout.PaddingSize, size - 10) << size;
    }
}

}  // namespace
}  // namespace tagmora::id3v2
