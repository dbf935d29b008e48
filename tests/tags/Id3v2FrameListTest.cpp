// Tests of the frame list: parsing every frame of a tag, rendering it back byte for byte, editing
// it with frames of their own, and the version 2.4 size reading decided once per tag.
#include "tags/Id3v2FrameList.h"

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

using Ids = std::vector<std::string>;

FrameList Parsed(const std::string& area, int version) {
    FrameList list;
    ParseFrameList(reinterpret_cast<const unsigned char*>(area.data()), area.size(), version, list);
    return list;
}

Ids IdsOf(const FrameList& list) {
    Ids ids;
    for (const Frame& frame : list.Frames) ids.emplace_back(frame.Id);
    return ids;
}

TEST(Id3v2FrameList, ParseRenderParseKeepsEveryFrame) {
    const std::string picture = "\0image/png\0\x03\0\x89PNG"s + std::string(300, '\xFF');
    struct Case {
        int version;
        std::string frames;
        std::string after;  // padding or what is no frame
        FramesEnd end;
        Ids ids;
    };
    const Case cases[] = {
        {3,
         Id3v2Frame(3, "APIC", picture) + Id3v2Frame(3, "PRIV", "owner\0\x01"s) + Id3v2Frame(3, "TIT2", "\0T"s) +
             Id3v2Frame(3, "XYZ0", "", 0xE000),
         std::string(100, '\0'),
         FramesEnd::Padding,
         {"APIC", "PRIV", "TIT2", "XYZ0"}},
        {4,
         Id3v2Frame(4, "TIT2", SynchsafeBytes(6) + "\0Title"s, 0x0001) +
             Id3v2Frame(4, "TPE1", "\x01\xFF\x00\xFE"s, 0x0002) + Id3v2Frame(4, "GRP1", "\x85\0G"s, 0x0040) +
             Id3v2Frame(4, "APIC", picture),
         "",
         FramesEnd::AreaEnd,
         {"TIT2", "TPE1", "GRP1", "APIC"}},
        {2,
         Id3v2Frame(2, "TT2", "\0T"s) + Id3v2Frame(2, "PIC", picture),
         "\xFF\xFB\x90\x64\0\0"s,
         FramesEnd::NotFrame,
         {"TT2", "PIC"}},
        {3, Id3v2Frame(3, "TIT2", "\0T"s), Id3v2Frame(3, "TPE1", "\0A"s).substr(0, 11), FramesEnd::NotFrame, {"TIT2"}},
        {4, "", std::string(50, '\0'), FramesEnd::Padding, {}},
    };
    for (const Case& c : cases) {
        const std::string area = c.frames + c.after;
        const FrameList list = Parsed(area, c.version);
        EXPECT_EQ(IdsOf(list), c.ids);
        EXPECT_EQ(list.End, c.end);
        EXPECT_EQ(list.FramesEndOffset, c.frames.size());
        // An unchanged list renders to the very bytes it came from, and parses to the same frames.
        const std::string rendered = RenderFrameList(list);
        EXPECT_EQ(rendered, c.frames);
        EXPECT_EQ(Parsed(rendered, c.version).Frames, list.Frames);
    }
}

TEST(Id3v2FrameList, EditedListsRenderTheirOwnBytesAndKeepTheOthers) {
    const std::string picture = Id3v2Frame(4, "APIC", "\0image/jpeg\0\x03\0\xFF\xD8"s);
    const std::string area = Id3v2Frame(4, "TIT2", "\0Old"s) + picture + Id3v2Frame(4, "PRIV", "x"s);
    FrameList list = Parsed(area, 4);
    list.Find("TIT2")->SetBody("\0New title"s);
    std::erase_if(list.Frames, [](const Frame& f) { return f.Id == "PRIV"; });
    list.Frames.push_back(Frame::Owning("TPE1", 0, "\0Artist"s));
    EXPECT_EQ(list.Find("PRIV"), nullptr);
    const std::string rendered = RenderFrameList(list);
    EXPECT_EQ(rendered, Id3v2Frame(4, "TIT2", "\0New title"s) + picture + Id3v2Frame(4, "TPE1", "\0Artist"s));
    EXPECT_EQ(Parsed(rendered, 4).Frames, list.Frames);
}

TEST(Id3v2FrameList, Version4SizesAreReadOneWayForTheWholeTag) {
    const std::string upper = "\0"s + std::string(300, 'A');  // its synchsafe misreading lands on "AAAA"
    const std::string artist = Id3v2Frame(4, "TPE1", "\0Artist"s);
    struct Case {
        std::string area;
        bool plain;
        Ids ids;
    };
    std::string utf16 = "\x01\xFE\xFF"s;  // big-endian: the synchsafe misreading lands on a zero byte
    for (int i = 0; i < 127; ++i) utf16 += "\0a"s;
    const Case cases[] = {
        {Id3v2RawFrame("TIT2", BigEndianBytes(301), upper) + artist + std::string(10, '\0'), true, {"TIT2", "TPE1"}},
        {Id3v2RawFrame("TIT2", BigEndianBytes(257), utf16) + artist + std::string(10, '\0'), true, {"TIT2", "TPE1"}},
        {Id3v2RawFrame("TIT2", BigEndianBytes(0x81), std::string(0x81, 'A')) + artist, true, {"TIT2", "TPE1"}},
        {Id3v2Frame(4, "TIT2", upper) + artist, false, {"TIT2", "TPE1"}},
        // Both readings lead to the padding or the end: synchsafe.
        {Id3v2Frame(4, "TIT2", std::string(129, 'a')) + std::string(128, '\0'), false, {"TIT2"}},
        // Neither reaches the end: the one that walks further.
        {Id3v2RawFrame("TIT2", BigEndianBytes(301), upper) + artist + "junk"s, true, {"TIT2", "TPE1"}},
    };
    for (const Case& c : cases) {
        const FrameList list = Parsed(c.area, 4);
        EXPECT_EQ(list.PlainSizes, c.plain) << c.area.size();
        EXPECT_EQ(IdsOf(list), c.ids) << c.area.size();
        EXPECT_EQ(Parsed(RenderFrameList(list), 4).Frames, list.Frames);  // rendered synchsafe
    }
}

}  // namespace
}  // namespace tagmora::id3v2
