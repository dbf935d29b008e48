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
        {2, 0}, {3, 0x0080}, {3, 0x00A0}, {4, 0x0001}, {4, 0x0002}, {4, 0x0009}, {4, 0x004B},
    };
    for (const auto& [version, flags] : formats) {
        for (const std::string& content : contents) {
            std::string decoded;
            ASSERT_EQ(Decode(RenderFrameBody(content, flags, version, 0x85), flags, version, decoded),
                      ContentStatus::Ok);
            EXPECT_EQ(decoded, content) << version << " " << flags << " " << content.size();
        }
    }
}

TEST(Id3v2FrameContent, BodiesAsOtherWritersStoreThem) {
    const std::string text = "\0Title"s;
    const std::string stream = Zlib(text);
    struct Case {
        int version;
        std::uint16_t flags;
        std::string body;
        ContentStatus status;
        std::string content;
    };
    const Case cases[] = {
        {3, 0x00A0, BigEndianBytes(6) + "\x85"s + stream, ContentStatus::Ok, text},
        {4, 0x0041, "\x85"s + SynchsafeBytes(6) + text, ContentStatus::Ok, text},
        {4, 0x0009, SynchsafeBytes(6) + stream, ContentStatus::Ok, text},
        {4, 0x0009, SynchsafeBytes(3) + stream, ContentStatus::Ok, text.substr(0, 3)},  // cut at the declared size
        {4, 0x0002, "\xFF\x00\xFE"s, ContentStatus::Ok, "\xFF\xFE"s},
        {3, 0x0040, "\x81\0Title"s, ContentStatus::Encrypted, ""},
        {4, 0x0004, "\x81\0Title"s, ContentStatus::Encrypted, ""},
        {4, 0x0001, "\0\0"s, ContentStatus::Truncated, ""},
        {3, 0x0080, BigEndianBytes(6) + text, ContentStatus::NotInflated, ""},
        {4, 0x0009, SynchsafeBytes(6) + stream.substr(0, stream.size() / 2), ContentStatus::NotInflated, ""},
    };
    for (const Case& c : cases) {
        std::string content;
        EXPECT_EQ(Decode(c.body, c.flags, c.version, content), c.status) << c.flags << " " << c.body.size();
        if (c.status == ContentStatus::Ok) {
            EXPECT_EQ(content, c.content) << c.flags;
        }
    }
    // Version 2.4's tag flag unsynchronises every frame.
    std::string content;
    ASSERT_EQ(Decode("\xFF\x00\xFE"s, 0, 4, content, true), ContentStatus::Ok);
    EXPECT_EQ(content, "\xFF\xFE"s);
}

TEST(Id3v2FrameContent, InflatingStopsAtSixteenMebibytes) {
    std::string content;
    const std::string huge((std::size_t{17} << 20), '\0');
    ASSERT_EQ(Decode(BigEndianBytes(0xFFFFFFFF) + Zlib(huge), 0x0080, 3, content), ContentStatus::Ok);
    EXPECT_EQ(content.size(), kMaxInflatedSize);
}

}  // namespace
}  // namespace tagmora::id3v2
