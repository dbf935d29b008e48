// Tests of the frame list: parsing every frame of a tag, rendering it back byte for byte, editing
// it with frames of their own, and the version 2.4 size reading decided once per tag.
#include "tags/Id3v2FrameList.h"

#include "tags/Id3v2FrameContent.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;
using test::BigEndianBytes;
using test::Id3v2Frame;
using test::Id3v2RawFrame;
using test::SynchsafeBytes;
using test::TextContent;

FrameList Parsed(const std::string& area, int version) {
    FrameList list;
    ParseFrameList(reinterpret_cast<const unsigned char*>(area.data()), area.size(), version, list);
    return list;
}

std::vector<std::string> Ids(const FrameList& list) {
    std::vector<std::string> ids;
    for (const Frame& frame : list.Frames) ids.emplace_back(frame.Id);
    return ids;
}

using Ids_ = std::vector<std::string>;

TEST(Id3v2FrameList, ParseRenderParseKeepsEveryFrame) {
    const std::string picture = "\0image/png\0\x03\0\x89PNG"s + std::string(300, '\xFF');
    struct Case {
        const char* name;
        int version;
        std::string frames;
        std::size_t padding;
        Ids_ ids;
    };
    const Case cases[] = {
        {"2.3 unknown frames", 3,
         Id3v2Frame(3, "APIC", picture) + Id3v2Frame(3, "PRIV", "owner\0\x01\x02"s) +
             Id3v2Frame(3, "TIT2", TextContent(0, "Title")) + Id3v2Frame(3, "XYZ0", "", 0xE000),
         100, {"APIC", "PRIV", "TIT2", "XYZ0"}},
        {"2.4 data length and unsynchronised frames", 4,
         Id3v2Frame(4, "TIT2", SynchsafeBytes(6) + "\0Title"s, 0x0001) +
             Id3v2Frame(4, "TPE1", "\x01\xFF\x00\xFE"s, 0x0002) + Id3v2Frame(4, "GRP1", "\x85\0G"s, 0x0040) +
             Id3v2Frame(4, "APIC", picture),
         0, {"TIT2", "TPE1", "GRP1", "APIC"}},
        {"2.3 compressed frame", 3,
         Id3v2Frame(3, "TIT2", RenderFrameBody("\0Title"s, 0x0080, 3), 0x0080) + Id3v2Frame(3, "TPE1", "\0A"s), 10,
         {"TIT2", "TPE1"}},
        {"2.2", 2, Id3v2Frame(2, "TT2", "\0T"s) + Id3v2Frame(2, "PIC", picture), 5, {"TT2", "PIC"}},
        {"no frames", 4, "", 50, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string area = c.frames + std::string(c.padding, '\0');
        const FrameList list = Parsed(area, c.version);
        EXPECT_EQ(Ids(list), c.ids);
        EXPECT_EQ(list.FramesEndOffset, c.frames.size());
        EXPECT_EQ(list.End, c.padding > 0 ? FramesEnd::Padding : FramesEnd::AreaEnd);
        EXPECT_FALSE(list.PlainSizes);
        for (const Frame& frame : list.Frames) EXPECT_FALSE(frame.OwnsBody());
        // An unchanged list renders to the very bytes it came from, and parses to the same frames.
        const std::string rendered = RenderFrameList(list);
        EXPECT_EQ(rendered, c.frames);
        EXPECT_EQ(Parsed(rendered, c.version).Frames, list.Frames);
    }
}

TEST(Id3v2FrameList, WhereTheFramesEnd) {
    const std::string title = Id3v2Frame(3, "TIT2", "\0T"s);
    struct Case {
        const char* name;
        std::string area;
        FramesEnd end;
        std::size_t frames;
    };
    const Case cases[] = {
        {"end of the area", title + title, FramesEnd::AreaEnd, 2},
        {"padding", title + "\0\0\0\0"s + title, FramesEnd::Padding, 1},
        {"audio data", title + "\xFF\xFB\x90\x64\0\0\0\0\0\0"s, FramesEnd::NotFrame, 1},
        {"too few bytes for a header", title + "TIT"s, FramesEnd::NotFrame, 1},
        {"a frame past the end", title + Id3v2Frame(3, "TPE1", "\0A"s).substr(0, 11), FramesEnd::NotFrame, 1},
    };
    for (const Case& c : cases) {
        const FrameList list = Parsed(c.area, 3);
        EXPECT_EQ(list.End, c.end) << c.name;
        EXPECT_EQ(list.Frames.size(), c.frames) << c.name;
        EXPECT_EQ(list.FramesEndOffset, title.size() * c.frames) << c.name;
    }
}

TEST(Id3v2FrameList, EditedListsRenderTheirOwnBytesAndKeepTheOthers) {
    const std::string picture = Id3v2Frame(4, "APIC", "\0image/jpeg\0\x03\0\xFF\xD8"s);
    const std::string area = Id3v2Frame(4, "TIT2", "\0Old"s) + picture + Id3v2Frame(4, "PRIV", "x"s) +
                             std::string(20, '\0');
    FrameList list = Parsed(area, 4);
    ASSERT_EQ(Ids(list), (Ids_{"TIT2", "APIC", "PRIV"}));

    list.Find("TIT2")->SetBody("\0New title"s);
    std::erase_if(list.Frames, [](const Frame& f) { return f.Id == "PRIV"; });
    list.Frames.push_back(Frame::Owning("TPE1", 0, "\0Artist"s));
    EXPECT_EQ(list.Find("PRIV"), nullptr);

    const std::string rendered = RenderFrameList(list);
    EXPECT_EQ(rendered,
              Id3v2Frame(4, "TIT2", "\0New title"s) + picture + Id3v2Frame(4, "TPE1", "\0Artist"s));
    const FrameList again = Parsed(rendered, 4);
    EXPECT_EQ(again.Frames, list.Frames);
    EXPECT_EQ(again.Find("APIC")->Body(), Parsed(area, 4).Find("APIC")->Body());
}

TEST(Id3v2FrameList, Version4SizesAreReadOneWayForTheWholeTag) {
    // 127 Latin letters in UTF-16: 257 bytes, plain 00 00 01 01, synchsafe reading 129.
    std::string utf16 = "\x01\xFF\xFE"s;
    for (int i = 0; i < 127; ++i) utf16 += "a\0"s;
    const std::string upper = TextContent(0, std::string(300, 'A'));  // synchsafe reading lands on "AAAA"
    const std::string artist = Id3v2Frame(4, "TPE1", "\0Artist"s);
    struct Case {
        const char* name;
        std::string area;
        bool plain;
        Ids_ ids;
        std::size_t firstBody;
    };
    const Case cases[] = {
        {"plain UTF-16 title", Id3v2RawFrame("TIT2", BigEndianBytes(257), utf16) + artist + std::string(10, '\0'),
         true, {"TIT2", "TPE1"}, 257},
        {"plain upper-case title", Id3v2RawFrame("TIT2", BigEndianBytes(301), upper) + artist, true,
         {"TIT2", "TPE1"}, 301},
        {"plain size with its top bit", Id3v2RawFrame("TIT2", BigEndianBytes(0x81), std::string(0x81, 'A')) + artist,
         true, {"TIT2", "TPE1"}, 0x81},
        // Both readings lead to the padding or the end: the synchsafe one is taken.
        {"both readings fit", Id3v2Frame(4, "TIT2", std::string(129, 'a')) + std::string(128, '\0'), false,
         {"TIT2"}, 129},
        {"correct tag", Id3v2Frame(4, "TIT2", upper) + artist, false, {"TIT2", "TPE1"}, 301},
        // Neither reading reaches the end: the one that walks further.
        {"plain, then garbage", Id3v2RawFrame("TIT2", BigEndianBytes(301), upper) + artist + "junk"s, true,
         {"TIT2", "TPE1"}, 301},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FrameList list = Parsed(c.area, 4);
        EXPECT_EQ(list.PlainSizes, c.plain);
        EXPECT_EQ(Ids(list), c.ids);
        ASSERT_FALSE(list.Frames.empty());
        EXPECT_EQ(list.Frames[0].Body().size(), c.firstBody);
        // Rendered with synchsafe sizes, the same frames come back.
        EXPECT_EQ(Parsed(RenderFrameList(list), 4).Frames, list.Frames);
    }
}

}  // namespace
}  // namespace tagmora::id3v2
