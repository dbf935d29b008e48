// Tests of the ID3v2 reader: frames of versions 2.2, 2.3 and 2.4 in every text encoding, the
// structures around them (sizes, unsynchronisation, extended headers, frame flags) and the files.
#include "tags/Id3v2Read.h"

#include "TestFiles.h"
#include "common/Text.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cerrno>
#include <string>
#include <vector>

namespace tagmora {
namespace {

using namespace std::string_literals;
using test::BigEndianBytes;
using test::Id3v2Frame;
using test::Id3v2RawFrame;
using test::Id3v2TagBytes;
using test::SilentFrames;
using test::SynchsafeBytes;
using test::TempDir;
using test::TextContent;
using test::WriteFile;

constexpr int kCp1251 = 1251;
constexpr int kCp1252 = 1252;

// Parses from a buffer of exactly the bytes given.
TagRead Parse(const std::string& bytes, Id3v2Tag& tag, int codePage = kCp1251) {
    const std::vector<unsigned char> exact(bytes.begin(), bytes.end());
    return ParseId3v2(exact.data(), exact.size(), tag, codePage);
}

Id3v2Tag Parsed(const std::string& bytes, int codePage = kCp1251) {
    Id3v2Tag tag;
    EXPECT_EQ(Parse(bytes, tag, codePage), TagRead::Found);
    return tag;
}

std::string Text(int version, std::string_view id, std::string_view value, std::uint8_t encoding = 0) {
    return Id3v2Frame(version, id, TextContent(encoding, value));
}

// Inserts a zero after every 0xFF that is followed by 0x00, by a byte of 0xE0 or more, or by nothing.
std::string Unsynchronised(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        const bool ff = static_cast<unsigned char>(bytes[i]) == 0xFF;
        if (ff && (i + 1 == bytes.size() || bytes[i + 1] == '\0' || static_cast<unsigned char>(bytes[i + 1]) >= 0xE0))
            out.push_back('\0');
    }
    return out;
}

// A frame header whose size field is written as the caller says.
std::string RawFrame(std::string_view id, std::string_view sizeBytes, std::string_view content) {
    return std::string(id) + std::string(sizeBytes) + "\0\0"s + std::string(content);
}

bool AllTextsEmpty(const Id3v2Tag& t) {
    for (const std::string* s :
         {&t.Title, &t.Artist, &t.Album, &t.Year, &t.Comment, &t.CommentOwner, &t.Track, &t.Genre, &t.URL, &t.Composer,
          &t.OrigArtist, &t.Copyright, &t.EncodedBy, &t.TXXX, &t.UFID, &t.MCDI, &t.TSSE, &t.TIT1}) {
        if (!s->empty()) return false;
    }
    return true;
}

// --- Frames and fields ---

// The frame identifiers of one version, in field order.
struct FrameIds {
    int version;
    const char* title;
    const char* artist;
    const char* album;
    const char* year;
    const char* track;
    const char* genre;
    const char* comment;
    const char* composer;
    const char* origArtist;
    const char* copyright;
    const char* encodedBy;
    const char* txxx;
    const char* url;
    const char* ufid;
    const char* tsse;
    const char* tit1;
};

const FrameIds kVersions[] = {
    {2, "TT2", "TP1", "TAL", "TYE", "TRK", "TCO", "COM", "TCM", "TOA", "TCR", "TEN", "TXX", "WXX", "UFI", "TSS", "TT1"},
    {3, "TIT2", "TPE1", "TALB", "TYER", "TRCK", "TCON", "COMM", "TCOM", "TOPE", "TCOP", "TENC", "TXXX", "WXXX", "UFID",
     "TSSE", "TIT1"},
    {4, "TIT2", "TPE1", "TALB", "TYER", "TRCK", "TCON", "COMM", "TCOM", "TOPE", "TCOP", "TENC", "TXXX", "WXXX", "UFID",
     "TSSE", "TIT1"},
};

TEST(Id3v2Frames, EverySupportedFrameFillsItsFieldInEveryVersion) {
    for (const FrameIds& v : kVersions) {
        const int n = v.version;
        std::string frames =
            Text(n, v.title, "Title") + Text(n, v.artist, "Artist") + Text(n, v.album, "Album") +
            Text(n, v.year, "1999") + Text(n, v.track, "7/12") + Text(n, v.genre, "(17)Rock") +
            Id3v2Frame(n, v.comment, "\0engOwner\0Text"s) + Text(n, v.composer, "Composer") +
            Text(n, v.origArtist, "Orig") + Text(n, v.copyright, "(C) 1999") + Text(n, v.encodedBy, "Encoder") +
            Text(n, v.txxx, "Description\0Value"s) + Id3v2Frame(n, v.url, "\0Link\0http://example.org/\0"s) +
            Id3v2Frame(n, v.ufid, "http://owner\0\x01\x02"s) + Text(n, v.tsse, "LAME") + Text(n, v.tit1, "Group");
        frames += Id3v2Frame(n, n == 2 ? "MCI" : "MCDI", "\x01\x02MCDI\0\x03"s);
        const Id3v2Tag tag = Parsed(Id3v2TagBytes(n, frames, 64) + SilentFrames(1));
        SCOPED_TRACE("version 2." + std::to_string(n));
        EXPECT_EQ(tag.Title, "Title");
        EXPECT_EQ(tag.Artist, "Artist");
        EXPECT_EQ(tag.Album, "Album");
        EXPECT_EQ(tag.Year, "1999");
        EXPECT_EQ(tag.Track, "7/12");
        EXPECT_EQ(tag.Genre, "(17)Rock");
        EXPECT_EQ(tag.Comment, "Text");
        EXPECT_EQ(tag.CommentOwner, "engOwner");
        EXPECT_EQ(tag.Composer, "Composer");
        EXPECT_EQ(tag.OrigArtist, "Orig");
        EXPECT_EQ(tag.Copyright, "(C) 1999");
        EXPECT_EQ(tag.EncodedBy, "Encoder");
        EXPECT_EQ(tag.TXXX, "Description");  // the part before the first terminator
        EXPECT_EQ(tag.URL, "http://example.org/");
        EXPECT_EQ(tag.UFID, "ttp://owner");  // the content after its first byte
        EXPECT_EQ(tag.TSSE, "LAME");
        EXPECT_EQ(tag.TIT1, "Group");
        EXPECT_EQ(tag.MCDI, "\x02MCDI");
        EXPECT_EQ(tag.FileSize, 0);  // the parser leaves the size to the file readers
    }
}

TEST(Id3v2Frames, ALaterFrameOfTheSameIdOverwrites) {
    const Id3v2Tag tag = Parsed(Id3v2TagBytes(3, Text(3, "TIT2", "First") + Text(3, "TIT2", "Second")));
    EXPECT_EQ(tag.Title, "Second");
}

TEST(Id3v2Frames, EncodingsAndTerminators) {
    struct Case {
        const char* name;
        std::uint8_t encoding;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"code page", 0, "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
        {"code page, NUL ends", 0, "A\0B"s, "A"},
        {"UTF-16 LE with BOM", 1, "\xFF\xFE\x1F\x04\x40\x04", "Пр"},
        {"UTF-16 BE with BOM", 1, "\xFE\xFF\x04\x1F\x04\x40", "Пр"},
        {"UTF-16 without BOM is LE", 1, "\x1F\x04\x40\x04", "Пр"},
        {"UTF-16 aligned terminator ends", 1,
         "\xFF\xFE"
         "A\0\0\0B\0"s,
         "A"},
        {"UTF-16 unaligned zeros do not end", 1,
         "\xFF\xFE"
         "A\0\0\x01"s,
         "AĀ"},
        {"UTF-16 surrogate pair", 1, "\xFF\xFE\x3C\xD8\x35\xDF", "🌵"},
        {"UTF-16BE", 2, "\x04\x1F\x04\x40", "Пр"},
        {"UTF-16BE terminator ends", 2,
         "\x00"
         "A"
         "\x00\x00\x00"
         "B"s,
         "A"},
        {"UTF-8", 3, "\xD0\x9F\xD1\x80", "Пр"},
        {"UTF-8, NUL ends", 3, "\xD0\xAF\0B"s, "Я"},
        {"UTF-8 invalid byte", 3, "A\xFF", "A\xEF\xBF\xBD"},
        {"UTF-8 byte-order mark dropped", 3,
         "\xEF\xBB\xBF"
         "A",
         "A"},
        {"unknown encoding as code page", 7, "\xC0", "А"},
        {"empty", 1, "", ""},
    };
    for (const Case& c : cases) {
        for (int version : {3, 4}) {
            const Id3v2Tag tag = Parsed(Id3v2TagBytes(version, Text(version, "TIT2", c.bytes, c.encoding)));
            EXPECT_EQ(tag.Title, c.expected) << c.name << ", version " << version;
        }
    }
    const Id3v2Tag v22 = Parsed(Id3v2TagBytes(2, Text(2, "TT2", "\xFF\xFE\x1F\x04", 1)));
    EXPECT_EQ(v22.Title, "П");
}

TEST(Id3v2Frames, AsciiTextsReadAsTheDecodersReadThem) {
    // ASCII is taken without the decoders; the byte-order mark, odd bytes and the first other
    // character must come out as they would through them.
    const std::pair<std::uint8_t, std::string> cases[] = {
        {1, "\xFE\xFF\0A\0B"s},
        {1,
         "\xFF\xFE"
         "A\0B"s},
        {2,
         "\xFF\xFE"
         "A\0B\0"s},
        {1, "A\0B\0"s},
        {2, "\0A\0B"s},
        {1,
         "\xFF\xFE"
         "A\0\x80\0"s},
        {1,
         "\xFF\xFE"
         "A\0\0\x01"s},
        {0, "AB\x7F"s},
        {0, "AB\x80"s},
        {3, "AB\x7F"s},
        {3, "A\xC3\xA9"s},
    };
    for (const auto& [encoding, bytes] : cases) {
        const std::string expected = encoding == 0   ? text::DecodeCodePage(bytes, kCp1251)
                                     : encoding == 3 ? text::SanitizeUtf8(bytes)
                                                     : text::DecodeUtf16(bytes, encoding == 2);
        EXPECT_EQ(Parsed(Id3v2TagBytes(3, Text(3, "TIT2", bytes, encoding))).Title, expected) << bytes;
    }
}

TEST(Id3v2Frames, CodePageDecidesEncodingZero) {
    const std::string bytes = Id3v2TagBytes(3, Text(3, "TIT2", "Caf\xE9"));
    EXPECT_EQ(Parsed(bytes, kCp1251).Title, "Cafй");
    EXPECT_EQ(Parsed(bytes, kCp1252).Title, "Café");
    // The URL and the raw frames have no encoding byte of their own: always the code page.
    const std::string url = Id3v2TagBytes(3, Id3v2Frame(3, "WXXX",
                                                        "\x01\xFF\xFE"
                                                        "d\0\0\0http://\xE9"s));
    EXPECT_EQ(Parsed(url, kCp1252).URL, "http://é");
}

TEST(Id3v2Frames, DescriptionsEndAtTheTerminatorOfTheirEncoding) {
    // WXXX and COMM in UTF-16: the description ends at an aligned double zero, not at the first zero byte.
    const std::string frames = Id3v2Frame(3, "WXXX",
                                          "\x01\xFF\xFE"
                                          "d\0e\0\0\0http://x.org\0"s) +
                               Id3v2Frame(3, "COMM",
                                          "\x01"
                                          "eng"
                                          "\xFF\xFE"
                                          "O\0w\0n\0\0\0"
                                          "\xFF\xFE\x1F\x04\x40\x04\0\0"s) +
                               Id3v2Frame(3, "TXXX", "\x01\xFF\xFE\0\0\xFF\xFE\x1F\x04"s);  // empty: the value shows
    const Id3v2Tag tag = Parsed(Id3v2TagBytes(3, frames));
    EXPECT_EQ(tag.TXXX, "П");
    EXPECT_EQ(tag.URL, "http://x.org");
    EXPECT_EQ(tag.CommentOwner, "engOwn");
    EXPECT_EQ(tag.Comment, "Пр");

    const Id3v2Tag utf8 = Parsed(Id3v2TagBytes(4, Id3v2Frame(4, "COMM",
                                                             "\x03"
                                                             "XXX"
                                                             "Кто\0Что"s)));
    EXPECT_EQ(utf8.CommentOwner, "XXXКто");
    EXPECT_EQ(utf8.Comment, "Что");
}

TEST(Id3v2Frames, CommentOwnerOnlyForEnglishOrUnknownLanguage) {
    struct Case {
        std::string content;
        std::string comment;
        std::string owner;
    };
    const Case cases[] = {
        {"\0deu\0Text"s, "Text", ""},
        {"\0deuBeschreibung\0Text"s, "Text", ""},
        {"\0XXX\0Text"s, "Text", "XXX"},
        {"\0Eng\0Text"s, "Text", ""},
        {"\0eng"s, "", "eng"},
        {"\0en"s, "", ""},
        {"\0engNo terminator"s, "", "engNo terminator"},
    };
    for (const Case& c : cases) {
        const Id3v2Tag tag = Parsed(Id3v2TagBytes(3, Id3v2Frame(3, "COMM", c.content)));
        EXPECT_EQ(tag.Comment, c.comment) << c.content;
        EXPECT_EQ(tag.CommentOwner, c.owner) << c.content;
    }
}

TEST(Id3v2Frames, FirstCommentWinsAndTheWalkGoesOn) {
    const std::string frames = Id3v2Frame(3, "COMM", "\0engOwner\0First"s) +
                               Id3v2Frame(3, "COMM", "\0engOther\0Second"s) + Text(3, "TIT2", "After");
    const Id3v2Tag tag = Parsed(Id3v2TagBytes(3, frames));
    EXPECT_EQ(tag.Comment, "First");
    EXPECT_EQ(tag.CommentOwner, "engOwner");
    EXPECT_EQ(tag.Title, "After");

    // A comment frame with an empty text leaves room for a later one.
    const std::string emptyFirst = Id3v2Frame(3, "COMM", "\0engiTunNORM\0"s) + Id3v2Frame(3, "COMM", "\0deu\0Zweiter"s);
    const Id3v2Tag second = Parsed(Id3v2TagBytes(3, emptyFirst));
    EXPECT_EQ(second.Comment, "Zweiter");
    EXPECT_EQ(second.CommentOwner, "engiTunNORM");
}

TEST(Id3v2Frames, RecordingTimeGivesTheYearOnlyInVersion4AndOnlyWithoutTyer) {
    EXPECT_EQ(Parsed(Id3v2TagBytes(4, Text(4, "TDRC", "2004-05-06T12:00", 3))).Year, "2004");
    EXPECT_EQ(Parsed(Id3v2TagBytes(4, Text(4, "TDRC", "2004"))).Year, "2004");
    EXPECT_EQ(Parsed(Id3v2TagBytes(4, Text(4, "TDRC", "unknown"))).Year, "unknown");
    EXPECT_EQ(Parsed(Id3v2TagBytes(4, Text(4, "TYER", "1999") + Text(4, "TDRC", "2004"))).Year, "1999");
    EXPECT_EQ(Parsed(Id3v2TagBytes(4, Text(4, "TDRC", "2004") + Text(4, "TYER", "1999"))).Year, "1999");
    const Id3v2Tag v3 = Parsed(Id3v2TagBytes(3, Text(3, "TDRC", "2004") + Text(3, "TIT2", "T")));
    EXPECT_EQ(v3.Year, "");
    EXPECT_EQ(v3.Title, "T");
}

TEST(Id3v2Frames, UnsupportedAndEmptyFramesAreSkipped) {
    const std::string picture = "\0image/jpeg\0\x03\0"s + std::string(2000, '\xFF');
    const std::string frames = Id3v2Frame(3, "APIC", picture) + Id3v2Frame(3, "PRIV", "owner\0\x01"s) +
                               Id3v2Frame(3, "TPE1", "") + Text(3, "TIT2", "Title");
    const Id3v2Tag tag = Parsed(Id3v2TagBytes(3, frames));
    EXPECT_EQ(tag.Title, "Title");
    EXPECT_EQ(tag.Artist, "");

    const Id3v2Tag v22 = Parsed(Id3v2TagBytes(2, Id3v2Frame(2, "PIC", "\0JPG\x03\0\xFF\xD8"s) + Text(2, "TT2", "T")));
    EXPECT_EQ(v22.Title, "T");
}

// --- Sizes ---

TEST(Id3v2Sizes, LargeFramesAreReadInFull) {
    const std::string longText(300, 'x');
    const Id3v2Tag v3 = Parsed(Id3v2TagBytes(3, Text(3, "TIT2", longText) + Text(3, "TPE1", "Artist")));
    EXPECT_EQ(v3.Title, longText);
    EXPECT_EQ(v3.Artist, "Artist");

    const std::string v4Text(200, 'y');  // 201 bytes: synchsafe 00 00 01 49, plain reading 0x149
    const Id3v2Tag v4 = Parsed(Id3v2TagBytes(4, Text(4, "TIT2", v4Text) + Text(4, "TPE1", "Artist")));
    EXPECT_EQ(v4.Title, v4Text);
    EXPECT_EQ(v4.Artist, "Artist");

    const std::string v2Text(70000, 'z');
    const Id3v2Tag v2 = Parsed(Id3v2TagBytes(2, Text(2, "TT2", v2Text) + Text(2, "TP1", "Artist")));
    EXPECT_EQ(v2.Title, v2Text);
    EXPECT_EQ(v2.Artist, "Artist");
}

TEST(Id3v2Sizes, Version4ToleratesPlainFrameSizes) {
    // 0xC9 has its top bit set, so it cannot be synchsafe.
    const std::string a(200, 'a');
    const std::string plainHigh = RawFrame("TIT2", BigEndianBytes(201), TextContent(0, a)) + Text(4, "TPE1", "Artist");
    const Id3v2Tag high = Parsed(Id3v2TagBytes(4, plainHigh));
    EXPECT_EQ(high.Title, a);
    EXPECT_EQ(high.Artist, "Artist");

    // 00 00 01 2D: read as synchsafe (173) it lands inside the text; read plain (301) on TPE1.
    const std::string b(300, 'b');
    const std::string plain = RawFrame("TIT2", BigEndianBytes(301), TextContent(0, b)) + Text(4, "TPE1", "Artist");
    const Id3v2Tag tag = Parsed(Id3v2TagBytes(4, plain));
    EXPECT_EQ(tag.Title, b);
    EXPECT_EQ(tag.Artist, "Artist");

    // The same plain size as the last frame before the padding.
    const Id3v2Tag padded = Parsed(Id3v2TagBytes(4, RawFrame("TIT2", BigEndianBytes(301), TextContent(0, b)), 100));
    EXPECT_EQ(padded.Title, b);

    // Version 3 sizes are always plain: the same bytes as a synchsafe number would be wrong.
    const std::string v3 = RawFrame("TIT2", SynchsafeBytes(301), TextContent(0, b)) + Text(3, "TPE1", "Artist");
    EXPECT_EQ(Parsed(Id3v2TagBytes(3, v3)).Artist, "");
}

TEST(Id3v2Sizes, TheTagSizeBoundsTheWalk) {
    // A frame right after the tag (where the audio starts) is not part of it.
    const Id3v2Tag after = Parsed(Id3v2TagBytes(3, Text(3, "TIT2", "T")) + Text(3, "TPE1", "Outside"));
    EXPECT_EQ(after.Title, "T");
    EXPECT_EQ(after.Artist, "");

    // A frame that would run past the tag's end stops the walk.
    std::string cut = Id3v2TagBytes(3, Text(3, "TPE1", "A") + Text(3, "TIT2", "Title"));
    cut[9] = static_cast<char>(cut[9] - 2);
    const Id3v2Tag stopped = Parsed(cut + "\0\0\0\0"s);
    EXPECT_EQ(stopped.Artist, "A");
    EXPECT_EQ(stopped.Title, "");
}

TEST(Id3v2Sizes, PaddingAndInvalidIdentifiersStopTheWalk) {
    const Id3v2Tag padding = Parsed(Id3v2TagBytes(3, Text(3, "TIT2", "T") + "\0\0\0\0"s + Text(3, "TPE1", "A")));
    EXPECT_EQ(padding.Title, "T");
    EXPECT_EQ(padding.Artist, "");

    for (const char* id : {"tpe1", "TP-1", "\xFF\xFB\x90\x64"}) {
        const std::string frames = Text(3, "TIT2", "T") + Text(3, id, "x") + Text(3, "TALB", "Album");
        const Id3v2Tag tag = Parsed(Id3v2TagBytes(3, frames));
        EXPECT_EQ(tag.Title, "T") << id;
        EXPECT_EQ(tag.Album, "") << id;
    }
}

TEST(Id3v2Sizes, BytesEndingInsideTheTagEndTheWalk) {
    const std::string tag = Id3v2TagBytes(4, Text(4, "TIT2", "Title") + Text(4, "TPE1", "Artist"), 50);
    const std::size_t artistEnd = 10 + 16 + 17;
    for (std::size_t size = 0; size <= tag.size(); ++size) {
        Id3v2Tag parsed;
        const TagRead result = Parse(tag.substr(0, size), parsed);
        EXPECT_EQ(result, size < 3 ? TagRead::NoTag : TagRead::Found) << size;
        EXPECT_EQ(parsed.Title, size >= 26 ? "Title" : "") << size;
        EXPECT_EQ(parsed.Artist, size >= artistEnd ? "Artist" : "") << size;
    }
}

// --- Tag header ---

TEST(Id3v2Header, UnsynchronisationIsUndone) {
    // "ÿ" in UTF-16 LE is FF 00, and the byte-order mark FF FE needs a zero too.
    const std::string content = TextContent(1, "\xFF\xFE\xFF\x00"s);
    const std::string frames = Id3v2Frame(3, "TIT2", content) + Text(3, "TPE1", "B");
    const Id3v2Tag v3 = Parsed(Id3v2TagBytes(3, Unsynchronised(frames), 0, 0x80));
    EXPECT_EQ(v3.Title, "ÿ");
    EXPECT_EQ(v3.Artist, "B");

    const std::string v22Frames = Id3v2Frame(2, "TT2", content) + Text(2, "TP1", "B");
    const Id3v2Tag v22 = Parsed(Id3v2TagBytes(2, Unsynchronised(v22Frames), 0, 0x80));
    EXPECT_EQ(v22.Title, "ÿ");
    EXPECT_EQ(v22.Artist, "B");

    // Version 4 undoes it frame by frame; the frame size counts the stored bytes.
    const std::string stored = Unsynchronised(content);
    ASSERT_NE(stored.size(), content.size());
    const std::string frameFlag = Id3v2Frame(4, "TIT2", stored, 0x0002) + Text(4, "TPE1", "B");
    const Id3v2Tag byFrame = Parsed(Id3v2TagBytes(4, frameFlag));
    EXPECT_EQ(byFrame.Title, "ÿ");
    EXPECT_EQ(byFrame.Artist, "B");
    const Id3v2Tag byTag = Parsed(Id3v2TagBytes(4, Id3v2Frame(4, "TIT2", stored) + Text(4, "TPE1", "B"), 0, 0x80));
    EXPECT_EQ(byTag.Title, "ÿ");
    EXPECT_EQ(byTag.Artist, "B");
    // Without any flag the stored bytes are taken as they are.
    EXPECT_EQ(Parsed(Id3v2TagBytes(4, Id3v2Frame(4, "TIT2", stored))).Title, "ÿ\xEF\xBF\xBE");
}

TEST(Id3v2Header, ExtendedHeaderIsSkipped) {
    const std::string v3Extended = BigEndianBytes(6) + std::string(6, '\0');
    const Id3v2Tag v3 = Parsed(Id3v2TagBytes(3, v3Extended + Text(3, "TIT2", "T"), 0, 0x40));
    EXPECT_EQ(v3.Title, "T");

    const std::string v3Crc = BigEndianBytes(10) + "\x80\0\0\0\0\0\xDE\xAD\xBE\xEF"s;
    EXPECT_EQ(Parsed(Id3v2TagBytes(3, v3Crc + Text(3, "TIT2", "T"), 0, 0x40)).Title, "T");

    const std::string v4Extended = SynchsafeBytes(6) + "\x01\x00"s;
    const Id3v2Tag v4 = Parsed(Id3v2TagBytes(4, v4Extended + Text(4, "TIT2", "T"), 0, 0x40));
    EXPECT_EQ(v4.Title, "T");

    // Without the flag the same bytes are not a frame: nothing is read.
    EXPECT_EQ(Parsed(Id3v2TagBytes(4, v4Extended + Text(4, "TIT2", "T"))).Title, "");
    // An extended header larger than the tag: the tag is there, its frames are not.
    const Id3v2Tag huge = Parsed(Id3v2TagBytes(3, BigEndianBytes(5000) + Text(3, "TIT2", "T"), 0, 0x40));
    EXPECT_TRUE(AllTextsEmpty(huge));
}

TEST(Id3v2Header, FrameFlags) {
    struct Case {
        const char* name;
        int version;
        std::uint16_t flags;
        std::string prefix;  // bytes between the frame header and the text content
        bool read;
    };
    const Case cases[] = {
        {"2.3 compressed", 3, 0x0080, BigEndianBytes(6), false},
        {"2.3 encrypted", 3, 0x0040, "\x81", false},
        {"2.3 grouped", 3, 0x0020, "\x85", true},
        {"2.3 status flags only", 3, 0xE000, "", true},
        {"2.4 compressed", 4, 0x0008, "", false},
        {"2.4 compressed with length", 4, 0x0009, SynchsafeBytes(6), false},
        {"2.4 encrypted", 4, 0x0004, "\x81", false},
        {"2.4 data length indicator", 4, 0x0001, SynchsafeBytes(6), true},
        {"2.4 grouped", 4, 0x0040, "\x85", true},
        {"2.4 grouped with length", 4, 0x0041, "\x85" + SynchsafeBytes(6), true},
    };
    for (const Case& c : cases) {
        const std::string frames = Id3v2Frame(c.version, "TIT2", c.prefix + TextContent(0, "Title"), c.flags) +
                                   Text(c.version, "TPE1", "Artist");
        const Id3v2Tag tag = Parsed(Id3v2TagBytes(c.version, frames));
        EXPECT_EQ(tag.Title, c.read ? "Title" : "") << c.name;
        EXPECT_EQ(tag.Artist, "Artist") << c.name;
    }
}

TEST(Id3v2Header, StartsWithId3ButNothingToWalk) {
    const std::string frames = Text(3, "TIT2", "T");
    for (const std::string& bytes : {
             "ID3"s,
             "ID3\x03\0\0\0\0"s,
             "ID3\x05\0\0\0\0\0\x11"s + frames,  // unknown major version
             "ID3\x01\0\0\0\0\0\x11"s + frames,
             Id3v2TagBytes(2, Text(2, "TT2", "T"), 0, 0x40),  // compressed 2.2 tag
             Id3v2TagBytes(3, "", 100),
             Id3v2TagBytes(3, Text(3, "XYZW", "T") + Text(3, "TIT3", "Sub")),
         }) {
        Id3v2Tag tag;
        EXPECT_EQ(Parse(bytes, tag), TagRead::Found);
        EXPECT_TRUE(AllTextsEmpty(tag));
    }
}

TEST(Id3v2Header, NoId3MeansNoTag) {
    for (const std::string& bytes : {""s, "ID"s, "id3\x03\0\0\0\0\0\0"s, "TAG"s, SilentFrames(1),
                                     " ID3\x03\0\0\0\0\0\x0b"s + Text(3, "TIT2", "T")}) {
        Id3v2Tag tag;
        EXPECT_EQ(Parse(bytes, tag), TagRead::NoTag);
        EXPECT_TRUE(AllTextsEmpty(tag));
    }
}

// --- Tags that other writers lay out in their own way ---

std::string Zlib(std::string_view data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), Z_BEST_COMPRESSION);
    out.resize(size);
    return out;
}

TEST(Id3v2OtherWriters, Version4PlainSizesAreRecognisedForTheWholeTag) {
    // Big-endian UTF-16: the synchsafe misreading of its size lands on a zero byte inside the text.
    std::string utf16 = "\xFE\xFF"s;
    for (int i = 0; i < 127; ++i) utf16 += "\0a"s;
    const std::string latin127(127, 'a');
    const std::string upper(300, 'A');
    const std::string rest = Text(4, "TPE1", "Artist") + Text(4, "TALB", "Album");
    struct Case {
        const char* name;
        std::string frames;
        std::size_t padding;
        std::string title;
    };
    const Case cases[] = {
        {"UTF-16 title of 127 letters", Id3v2RawFrame("TIT2", BigEndianBytes(257), TextContent(1, utf16)) + rest, 64,
         latin127},
        {"upper-case title of 300 letters", Id3v2RawFrame("TIT2", BigEndianBytes(301), TextContent(0, upper)) + rest, 0,
         upper},
        {"a correct tag", Text(4, "TIT2", upper) + rest, 100, upper},
    };
    for (const Case& c : cases) {
        const Id3v2Tag tag = Parsed(Id3v2TagBytes(4, c.frames, c.padding) + SilentFrames(1));
        EXPECT_EQ(tag.Title, c.title) << c.name;
        EXPECT_EQ(tag.Artist, "Artist") << c.name;
        EXPECT_EQ(tag.Album, "Album") << c.name;
    }
}

TEST(Id3v2OtherWriters, CompressedFramesAreInflated) {
    const std::string title = TextContent(0, "Compressed title");
    const std::string stream = Zlib(title);
    const auto size = static_cast<std::uint32_t>(title.size());
    struct Case {
        const char* name;
        int version;
        std::uint16_t flags;
        std::string body;
        std::string expected;
    };
    const Case cases[] = {
        {"2.3", 3, 0x0080, BigEndianBytes(size) + stream, "Compressed title"},
        {"2.4 grouped and unsynchronised", 4, 0x004B, Unsynchronised("\x85"s + SynchsafeBytes(size) + stream),
         "Compressed title"},
        {"a stream cut short", 4, 0x0009, SynchsafeBytes(size) + stream.substr(0, stream.size() / 2), ""},
        {"2.3 encrypted", 3, 0x00C0, BigEndianBytes(size) + "\x81"s + stream, ""},
    };
    for (const Case& c : cases) {
        const std::string frames = Id3v2Frame(c.version, "TIT2", c.body, c.flags) + Text(c.version, "TPE1", "Artist");
        const Id3v2Tag tag = Parsed(Id3v2TagBytes(c.version, frames));
        EXPECT_EQ(tag.Title, c.expected) << c.name;
        EXPECT_EQ(tag.Artist, "Artist") << c.name;
    }
}

TEST(Id3v2OtherWriters, AnExtendedHeaderFlagWithoutAnExtendedHeader) {
    for (const int version : {3, 4}) {
        const std::string frames = Text(version, "TIT2", "Title") + Text(version, "TPE1", "Artist");
        for (const std::size_t padding : {std::size_t{0}, std::size_t{200}}) {
            const Id3v2Tag tag = Parsed(Id3v2TagBytes(version, frames, padding, 0x40) + SilentFrames(1));
            EXPECT_EQ(tag.Title, "Title") << version << " " << padding;
            EXPECT_EQ(tag.Artist, "Artist") << version << " " << padding;
        }
    }
}

// --- Files ---

class Id3v2File : public ::testing::Test {
protected:
    TagRead Read(const std::string& path, Id3v2Tag& tag) {
        return ReadId3v2Tag(path, tag, kCp1251, [this](int error, const std::string& p) {
            errors_.push_back(error);
            paths_.push_back(p);
        });
    }

    TempDir dir_;
    std::vector<int> errors_;
    std::vector<std::string> paths_;
};

TEST_F(Id3v2File, ReadsTheTagAndTheFileSize) {
    const std::string path = dir_ / "a.mp3";
    const std::string bytes = Id3v2TagBytes(3, Text(3, "TIT2", "\xCF\xE5\xF1\xED\xFF"), 200) + SilentFrames();
    WriteFile(path, bytes);
    Id3v2Tag tag;
    EXPECT_EQ(Read(path, tag), TagRead::Found);
    EXPECT_EQ(tag.Title, "Песня");
    EXPECT_EQ(tag.FileSize, static_cast<std::int64_t>(bytes.size()));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Id3v2File, NoTagGivesOneWithTheFileSize) {
    for (const std::string& bytes : {SilentFrames(), ""s, "ID"s}) {
        const std::string path = dir_ / "a.mp3";
        WriteFile(path, bytes);
        Id3v2Tag tag;
        EXPECT_EQ(Read(path, tag), TagRead::NoTag);
        EXPECT_EQ(tag.FileSize, static_cast<std::int64_t>(bytes.size()));
    }
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Id3v2File, MissingFileIsSilentUnreadableFileIsReported) {
    Id3v2Tag tag;
    EXPECT_EQ(Read(dir_ / "missing.mp3", tag), TagRead::Failed);
    EXPECT_EQ(Read(dir_ / "missing/inside.mp3", tag), TagRead::Failed);
    EXPECT_TRUE(errors_.empty());

    // A folder named like an MP3 file: it opens, but cannot be read as a file (permissions would not
    // stop a test running as root).
    const std::string folder = dir_.MakeDir("folder.mp3");
    EXPECT_EQ(Read(folder, tag), TagRead::Failed);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], EISDIR);
    EXPECT_EQ(paths_[0], folder);
    EXPECT_TRUE(AllTextsEmpty(tag));
    EXPECT_EQ(tag.FileSize, 0);

    // Without a handler the result is the same.
    EXPECT_EQ(ReadId3v2Tag(folder, tag, kCp1251), TagRead::Failed);
}

TEST_F(Id3v2File, TagsLargerThanTheFirstBlockAreReadWhole) {
    // A cover picture before the text frames; the tag ends below, at and beyond the first 4096 bytes.
    const std::string title = Text(3, "TIT2", "Title");
    const std::size_t fixed = 10 + 10 + title.size();
    for (const std::size_t tagSize : {std::size_t{4095}, std::size_t{4096}, std::size_t{4097}, std::size_t{30000}}) {
        const std::string pictureHeader = "\0image/png\0\x03\0"s;
        const std::string picture = pictureHeader + std::string(tagSize - fixed - pictureHeader.size(), '\x89');
        const std::string bytes = Id3v2TagBytes(3, Id3v2Frame(3, "APIC", picture) + title) + SilentFrames();
        ASSERT_EQ(bytes.size(), tagSize + 3 * 417);
        const std::string path = dir_ / "a.mp3";
        WriteFile(path, bytes);
        Id3v2Tag tag;
        EXPECT_EQ(Read(path, tag), TagRead::Found) << tagSize;
        EXPECT_EQ(tag.Title, "Title") << tagSize;
    }
}

TEST_F(Id3v2File, TagCutByTheEndOfTheFile) {
    const std::string path = dir_ / "a.mp3";
    std::string bytes = Id3v2TagBytes(
        3, Text(3, "TIT2", "Title") + Id3v2Frame(3, "APIC", std::string(9000, 'p')) + Text(3, "TPE1", "Artist"));
    bytes.resize(6000);
    WriteFile(path, bytes);
    Id3v2Tag tag;
    EXPECT_EQ(Read(path, tag), TagRead::Found);
    EXPECT_EQ(tag.Title, "Title");
    EXPECT_EQ(tag.Artist, "");
    EXPECT_EQ(tag.FileSize, 6000);

    // A header claiming far more than the file holds, and a tag that ends with the file.
    WriteFile(path, "ID3\x03\0\0\x7F\x7F\x7F\x7F"s + Text(3, "TIT2", "Title"));
    Id3v2Tag claims;
    EXPECT_EQ(Read(path, claims), TagRead::Found);
    EXPECT_EQ(claims.Title, "Title");
}

// A tag that runs past the first block ends where its header says, after its footer in version 2.4.
TEST(Id3v2ReadExtent, EndsAfterTheFooter) {
    const std::string frames = Id3v2Frame(4, "TIT2", TextContent(0, std::string(20000, 't')));
    for (const bool footer : {false, true}) {
        const std::string tag = footer ? test::Id3v2TagWithFooter(frames) : Id3v2TagBytes(4, frames);
        const std::string file = tag + SilentFrames();
        const auto* head = reinterpret_cast<const unsigned char*>(file.data());
        EXPECT_EQ(Id3v2ReadExtent(head, kId3v2HeadBlock, static_cast<std::int64_t>(file.size())), tag.size()) << footer;
    }
}

}  // namespace
}  // namespace tagmora
