// Tests of frame bodies and contents: group and method bytes, sizes, zlib compression and
// per-frame unsynchronisation, rendered and decoded as round trips.
#include "tags/Id3v2FrameContent.h"

#include "TestFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace tagmora::id3v2 {
namespace {

using namespace std::string_literals;
using test::BigEndianBytes;
using test::SynchsafeBytes;

std::string Zlib(std::string_view data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

ContentStatus Decode(std::string_view body, std::uint16_t flags, int version, std::string& content,
                     bool tagUnsynchronised = false) {
    ContentScratch scratch;
    std::string_view view;
    const ContentStatus status = DecodeFrameContent(body, flags, version, tagUnsynchronised, scratch, view);
    content = view;
    return status;
}

TEST(Id3v2FrameContent, RenderAndDecodeAreARoundTrip) {
    const std::string contents[] = {"", "\0Title"s, "\x01\xFF\xFE\xFF\x00\xFF\xE0"s, std::string(3000, '\xFF')};
    const std::pair<int, std::uint16_t> formats[] = {
        {2, 0},      {3, 0},      {3, 0x0080}, {3, 0x0020}, {3, 0x00A0}, {4, 0},      {4, 0x0001},
        {4, 0x0002}, {4, 0x0003}, {4, 0x0009}, {4, 0x0040}, {4, 0x004B}, {4, 0x000A},
    };
    for (const auto& [version, flags] : formats) {
        for (const std::string& content : contents) {
            SCOPED_TRACE(testing::Message() << version << " " << flags << " " << content.size());
            const std::string body = RenderFrameBody(content, flags, version, 0x85);
            std::string decoded;
            ASSERT_EQ(Decode(body, flags, version, decoded), ContentStatus::Ok);
            EXPECT_EQ(decoded, content);
        }
    }
}

TEST(Id3v2FrameContent, BodiesAreLaidOutAsTheVersionSays) {
    struct Case {
        const char* name;
        int version;
        std::uint16_t flags;
        std::string body;
    };
    const std::string text = "\0Title"s;
    const Case cases[] = {
        {"2.3 plain", 3, 0, text},
        {"2.3 grouped", 3, 0x0020, "\x85"s + text},
        {"2.3 compressed and grouped", 3, 0x00A0, BigEndianBytes(6) + "\x85"s + Zlib(text)},
        {"2.4 data length", 4, 0x0001, SynchsafeBytes(6) + text},
        {"2.4 grouped with data length", 4, 0x0041, "\x85"s + SynchsafeBytes(6) + text},
        {"2.4 compressed", 4, 0x0009, SynchsafeBytes(6) + Zlib(text)},
        {"2.4 unsynchronised", 4, 0x0002, "\xFF\x00\xFE"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string content = c.flags == 0x0002 ? "\xFF\xFE"s : text;
        std::string decoded;
        ASSERT_EQ(Decode(c.body, c.flags, c.version, decoded), ContentStatus::Ok);
        EXPECT_EQ(decoded, content);
        // Our compression level may differ from the one of the bytes above; the rest is exact.
        if (!FormatOf(c.flags, c.version).Compressed) {
            EXPECT_EQ(RenderFrameBody(content, c.flags, c.version, 0x85), c.body);
        }
    }
}

TEST(Id3v2FrameContent, WhatCannotBeRead) {
    const std::string stream = Zlib("\0Title"s);
    struct Case {
        const char* name;
        int version;
        std::uint16_t flags;
        std::string body;
        ContentStatus status;
    };
    const Case cases[] = {
        {"2.3 encrypted", 3, 0x0040, "\x81\0Title"s, ContentStatus::Encrypted},
        {"2.4 encrypted", 4, 0x0004, "\x81\0Title"s, ContentStatus::Encrypted},
        {"2.4 data length cut", 4, 0x0001, "\0\0"s, ContentStatus::Truncated},
        {"2.3 size cut", 3, 0x0080, "\0\0\0"s, ContentStatus::Truncated},
        {"2.3 not zlib", 3, 0x0080, BigEndianBytes(6) + "\0Title"s, ContentStatus::NotInflated},
        {"2.4 stream cut", 4, 0x0009, SynchsafeBytes(6) + stream.substr(0, stream.size() / 2),
         ContentStatus::NotInflated},
        {"2.4 compressed without length", 4, 0x0008, "\0Title"s, ContentStatus::NotInflated},
    };
    for (const Case& c : cases) {
        std::string content;
        EXPECT_EQ(Decode(c.body, c.flags, c.version, content), c.status) << c.name;
    }
}

TEST(Id3v2FrameContent, InflatingStopsAtTheDeclaredSizeAndAtSixteenMebibytes) {
    const std::string text(100000, 'x');
    std::string content;
    ASSERT_EQ(Decode(SynchsafeBytes(1000) + Zlib(text), 0x0009, 4, content), ContentStatus::Ok);
    EXPECT_EQ(content, text.substr(0, 1000));

    const std::string huge((std::size_t{17} << 20), '\0');
    ASSERT_EQ(Decode(BigEndianBytes(0xFFFFFFFF) + Zlib(huge), 0x0080, 3, content), ContentStatus::Ok);
    EXPECT_EQ(content.size(), kMaxInflatedSize);
}

TEST(Id3v2FrameContent, Version4TagUnsynchronisationAppliesToEveryFrame) {
    std::string content;
    ASSERT_EQ(Decode("\xFF\x00\xFE"s, 0, 4, content, true), ContentStatus::Ok);
    EXPECT_EQ(content, "\xFF\xFE"s);
    ASSERT_EQ(Decode("\xFF\x00\xFE"s, 0, 4, content, false), ContentStatus::Ok);
    EXPECT_EQ(content, "\xFF\x00\xFE"s);
}

}  // namespace
}  // namespace tagmora::id3v2
