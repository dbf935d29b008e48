// Tests of the ID3v2 writer and remover: what the new tag holds (fields written, kept, replaced,
// frames the list does not show kept byte for byte, old tags of every version brought into the
// version 2.3 layout), how it is placed in the file (in place, grown, removed), and the boxes.
#include "tags/Id3v2Write.h"

#include "AccessOverride.h"
#include "TagRecords.h"
#include "platform/FileIo.h"
#include "TestFiles.h"
#include "common/Messages.h"
#include "tags/Genres.h"
#include "tags/Id3v2FrameContent.h"
#include "tags/Id3v2Layout.h"
#include "tags/Id3v2Numbers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <tuple>
#include <filesystem>
#include <string>
#include <vector>

namespace tagmora {
namespace {

using namespace std::string_literals;
using test::Id3v2Frame;
using test::Id3v2TagBytes;
using test::ReadFile;
using test::SilentFrames;
using test::TempDir;
using test::TextContent;
using test::WriteFile;

constexpr int kCp1251 = 1251;

using test::EveryFieldTag;

// What the reader gives back for a tag written from `t`.
Id3v2Tag ExpectedRead(Id3v2Tag t) {
    t.CommentOwner = "eng" + (t.CommentOwner.empty() ? "Tagmora"s : t.CommentOwner);
    if (!t.Genre.empty()) t.Genre = "(" + std::to_string(GenreIndexOf(t.Genre)) + ")" + t.Genre;
    if (t.Comment.empty()) t.CommentOwner.clear();
    return t;
}

void ExpectSameFields(const Id3v2Tag& got, const Id3v2Tag& want) {
    EXPECT_EQ(got.Title, want.Title);
    EXPECT_EQ(got.Artist, want.Artist);
    EXPECT_EQ(got.Album, want.Album);
    EXPECT_EQ(got.Year, want.Year);
    EXPECT_EQ(got.Comment, want.Comment);
    EXPECT_EQ(got.CommentOwner, want.CommentOwner);
    EXPECT_EQ(got.Track, want.Track);
    EXPECT_EQ(got.Genre, want.Genre);
    EXPECT_EQ(got.URL, want.URL);
    EXPECT_EQ(got.Composer, want.Composer);
    EXPECT_EQ(got.OrigArtist, want.OrigArtist);
    EXPECT_EQ(got.Copyright, want.Copyright);
    EXPECT_EQ(got.EncodedBy, want.EncodedBy);
    EXPECT_EQ(got.TXXX, want.TXXX);
    EXPECT_EQ(got.UFID, want.UFID);
    EXPECT_EQ(got.MCDI, want.MCDI);
    EXPECT_EQ(got.TSSE, want.TSSE);
    EXPECT_EQ(got.TIT1, want.TIT1);
}

Id3v2WriteRecord Record(const Id3v2Tag& values) {
    Id3v2WriteRecord r;
    r.Values = values;
    return r;
}

Id3v2WriteRecord KeepAllBut(std::initializer_list<Id3v2Field> changed, const Id3v2Tag& values = {}) {
    Id3v2WriteRecord r = Record(values);
    r.Keep.fill(true);
    for (const Id3v2Field f : changed) r.SetKept(f, false);
    return r;
}

// The frames of the tag at the start of `bytes`.
std::vector<std::pair<std::string, std::string>> FramesOf(const std::string& bytes) {
    id3v2::Layout layout;
    std::string scratch;
    EXPECT_TRUE(
        id3v2::ParseLayout(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), layout, scratch));
    std::vector<std::pair<std::string, std::string>> out;
    for (const id3v2::Frame& f : layout.Frames.Frames)
        out.emplace_back(std::string(f.Id.View()), std::string(f.Body()));
    return out;
}

std::uint64_t TagSizeOf(const std::string& bytes) {
    return 10 + id3v2::ReadSynchsafe32(reinterpret_cast<const unsigned char*>(bytes.data()) + 6);
}

struct Writer {
    TempDir dir;
    Id3v2WriteSession session{kCp1251};
    std::string path = dir / "song.mp3";

    TagOutcome Write(const Id3v2WriteRecord& record) { return WriteId3v2Tag(path, record, session); }
    Id3v2Tag Read() {
        Id3v2Tag tag;
        EXPECT_EQ(ReadId3v2Tag(path, tag, session.CodePage), TagRead::Found);
        return tag;
    }
};

// --- Round trips ---

struct RoundTripCase {
    const char* name;
    std::string a, b;
    std::uint64_t tagSize;  // of the grown tag (0: the frames and the padding after them)
    int codePage;           // the link, UFID and MCDI are written in it
};
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class WriteReadRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(WriteReadRoundTrip, EveryFieldReadsBackAndTheAudioFollowsTheTag) {
    const RoundTripCase& c = GetParam();
    Writer w;
    w.session.CodePage = c.codePage;
    const std::string audio = SilentFrames(5);
    WriteFile(w.path, audio);
    const Id3v2Tag values = EveryFieldTag(c.a, c.b);
    ASSERT_TRUE(w.Write(Record(values)).Done());
    ExpectSameFields(w.Read(), ExpectedRead(values));
    const std::string bytes = ReadFile(w.path);
    std::uint64_t size = c.tagSize;
    if (size == 0) size = 10 + RenderId3v2Frames(nullptr, 0, Record(values), c.codePage).size() + kId3v2GrowPadding;
    EXPECT_EQ(TagSizeOf(bytes), size);
    EXPECT_EQ(bytes.substr(0, 6), "ID3\x03\0\0"s);
    EXPECT_EQ(bytes.substr(size), audio);

    // Written again over itself, the tag fits in place and reads the same.
    ASSERT_TRUE(w.Write(Record(values)).Done());
    EXPECT_EQ(ReadFile(w.path), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteReadRoundTrip,
    ::testing::Values(RoundTripCase{"Latin", "Café", "Ærø", 2064, 1252},
                      RoundTripCase{"Ascii", "abc", "xyz", 2064, 1251},
                      RoundTripCase{"Cyrillic", "Группа крови", "Кино ё", 2064, 1251},
                      // 300-character values: no frame size byte limits them.
                      RoundTripCase{"Long", std::string(300, 'x'), std::string(300, 'y'), 0, 1251},
                      // 20,000 characters: frames above 16 KB, the tag above 2064 bytes.
                      RoundTripCase{"Huge", std::string(20000, 'z'), "Ж" + std::string(20000, 'q'), 0, 1251}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

TEST(WriteId3v2Tag, NewFramesInTheirOrderAndLayout) {
    Id3v2Tag t;
    t.Title = "T";
    t.Comment = "Hi";
    t.Genre = "Rock";
    t.URL = "http://a";
    t.UFID = "Ж";  // in the code page, as the reader reads it
    t.Artist = "Ё";
    const std::string frames = RenderId3v2Frames(nullptr, 0, Record(t), kCp1251);
    const std::string want = Id3v2Frame(3, "TIT2", "\0T"s) + Id3v2Frame(3, "TPE1", "\x01\xFF\xFE\x01\x04"s) +
                             Id3v2Frame(3, "COMM", "\0engTagmora\0Hi"s) + Id3v2Frame(3, "TCON", "\0(17)Rock"s) +
                             Id3v2Frame(3, "WXXX", "\0\0http://a"s) + Id3v2Frame(3, "UFID", "\0\xC6"s);
    EXPECT_EQ(frames, want);
}

// --- Where the tag goes ---

struct PlacementCase {
    const char* name;
    std::string oldTag;  // before the audio
    Id3v2Tag values;
    std::uint64_t tagSize;  // of the new tag
};
void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }

Id3v2Tag TitleOnly(std::string title) {
    Id3v2Tag t;
    t.Title = std::move(title);
    return t;
}

std::string TitleFrame(std::size_t valueLength) { return Id3v2Frame(3, "TIT2", "\0"s + std::string(valueLength, 'o')); }

class WritePlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(WritePlacement, TagSizeZeroFillAndAudio) {
    const PlacementCase& c = GetParam();
    Writer w;
    const std::string audio = SilentFrames(3);
    WriteFile(w.path, c.oldTag + audio);
    ASSERT_TRUE(w.Write(Record(c.values)).Done());
    const std::string bytes = ReadFile(w.path);
    ASSERT_EQ(bytes.size(), c.tagSize + audio.size());
    EXPECT_EQ(TagSizeOf(bytes), c.tagSize);
    EXPECT_EQ(bytes.substr(c.tagSize), audio);
    const std::string frames = RenderId3v2Frames(reinterpret_cast<const unsigned char*>(c.oldTag.data()),
                                                 c.oldTag.size(), Record(c.values), kCp1251);
    EXPECT_EQ(bytes.substr(10, frames.size()), frames);
    EXPECT_EQ(bytes.substr(10 + frames.size(), c.tagSize - 10 - frames.size()),
              std::string(c.tagSize - 10 - frames.size(), '\0'));
    ExpectSameFields(w.Read(), ExpectedRead(c.values));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WritePlacement,
    ::testing::Values(
        // No tag: 2064 bytes, size bytes 00 00 10 06.
        PlacementCase{"NoTagGrows", "", TitleOnly("Song"), 2064},
        // Room in the old tag: rewritten in place, the rest zeros.
        PlacementCase{"InPlace", Id3v2TagBytes(3, TitleFrame(100), 300), TitleOnly("Short"), 10 + 111 + 300},
        // New frames ending exactly at the old tag's end do not fit.
        PlacementCase{"EndEqualToOldSizeGrows", Id3v2TagBytes(3, TitleFrame(179)), TitleOnly(std::string(179, 'n')),
                      2064},
        PlacementCase{"OneByteLessFits", Id3v2TagBytes(3, TitleFrame(179)), TitleOnly(std::string(178, 'n')), 200},
        // Every field empty: the header and zeros, in the old room or in 2064 bytes.
        PlacementCase{"AllEmptyInPlace", Id3v2TagBytes(3, TitleFrame(40), 10), {}, 10 + 51 + 10},
        PlacementCase{"AllEmptyNoTag", "", {}, 2064},
        // A version 2.4 footer counts to the old tag's room.
        PlacementCase{"FooterRoom", test::Id3v2TagWithFooter(Id3v2Frame(4, "TIT2", "\0"s + std::string(40, 'o'))),
                      TitleOnly(std::string(40, 'p')), 10 + 51 + 10},
        // A tag that needs bytes 6 and 7 of its size: 40,000 bytes of padding are room enough.
        PlacementCase{"LargeOldSize", Id3v2TagBytes(3, TitleFrame(10), 40000), TitleOnly("x"), 10 + 21 + 40000}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST(WriteId3v2Tag, GrownTagSizeBytes) {
    Writer w;
    WriteFile(w.path, SilentFrames(1));
    ASSERT_TRUE(w.Write(Record(TitleOnly("a"))).Done());
    EXPECT_EQ(ReadFile(w.path).substr(6, 4), "\0\0\x10\x06"s);
}

TEST(WriteId3v2Tag, CommentOnly) {
    Writer w;
    WriteFile(w.path, SilentFrames(1));
    Id3v2Tag t;
    t.Comment = "Nice";
    ASSERT_TRUE(w.Write(Record(t)).Done());
    const auto frames = FramesOf(ReadFile(w.path));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].first, "COMM");
    EXPECT_EQ(frames[0].second, "\0engTagmora\0Nice"s);
    const Id3v2Tag read = w.Read();
    EXPECT_EQ(read.CommentOwner, "engTagmora");
    EXPECT_EQ(read.Comment, "Nice");
}

// --- Kept and replaced frames ---

const std::string kPicture = [] {
    std::string p = "\0image/jpeg\0\x03\0"s;
    for (int i = 0; p.size() < 40000; ++i) p.push_back(static_cast<char>((i * 7919) & 0xFF));
    return p;
}();

// A version 2.3 tag with every kind of frame: shown fields, further comments and TXXX frames,
// a cover picture, lyrics, a private frame and an unknown one.
std::string RichTagV3() {
    std::string frames = Id3v2Frame(3, "APIC", kPicture) + Id3v2Frame(3, "TIT2", "\0Old title"s) +
                         Id3v2Frame(3, "TPE1", "\x01\xFF\xFE\x1A\x04"s) +
                         Id3v2Frame(3, "COMM", "\0engOld\0Old comment"s) + Id3v2Frame(3, "COMM", "\0deu\0Hallo"s) +
                         Id3v2Frame(3, "TXXX", "\0first"s) + Id3v2Frame(3, "USLT", "\0eng\0Lyrics"s) +
                         Id3v2Frame(3, "TXXX", "\0shown"s) + Id3v2Frame(3, "PRIV", "owner\0\x01\x02"s) +
                         Id3v2Frame(3, "XYZW", "\xFF\x00\x01"s) + Id3v2Frame(3, "TCON", "\0(13)"s);
    return Id3v2TagBytes(3, frames, 64);
}

std::vector<std::string> Ids(const std::vector<std::pair<std::string, std::string>>& frames) {
    std::vector<std::string> ids;
    for (const auto& f : frames) ids.push_back(f.first);
    return ids;
}

std::string BodyOf(const std::vector<std::pair<std::string, std::string>>& frames, const std::string& id, int nth = 0) {
    for (const auto& f : frames) {
        if (f.first == id && nth-- == 0) return f.second;
    }
    return "<none>";
}

TEST(WriteId3v2Tag, KeptFieldsAndUnshownFramesStayByteForByte) {
    Writer w;
    const std::string audio = SilentFrames(4);
    WriteFile(w.path, RichTagV3() + audio);
    Id3v2Tag t;
    t.Title = "New title";
    ASSERT_TRUE(w.Write(KeepAllBut({Id3v2Field::Title}, t)).Done());
    const std::string bytes = ReadFile(w.path);
    const auto frames = FramesOf(bytes);
    EXPECT_EQ(Ids(frames), (std::vector<std::string>{"TIT2", "TPE1", "COMM", "COMM", "TCON", "TXXX", "TXXX", "APIC",
                                                     "USLT", "PRIV", "XYZW"}));
    EXPECT_EQ(BodyOf(frames, "TIT2"), "\0New title"s);
    EXPECT_EQ(BodyOf(frames, "TPE1"), "\x01\xFF\xFE\x1A\x04"s);
    EXPECT_EQ(BodyOf(frames, "APIC"), kPicture);
    EXPECT_EQ(BodyOf(frames, "XYZW"), "\xFF\x00\x01"s);
    EXPECT_EQ(BodyOf(frames, "TXXX", 1), "\0shown"s);
    EXPECT_EQ(bytes.substr(TagSizeOf(bytes)), audio);
    const Id3v2Tag read = w.Read();
    EXPECT_EQ(read.Title, "New title");
    EXPECT_EQ(read.Artist, "К");
    EXPECT_EQ(read.Comment, "Old comment");
    EXPECT_EQ(read.TXXX, "shown");
}

TEST(WriteId3v2Tag, ReplacedCommentAndTxxxStayTheOnesShown) {
    Writer w;
    WriteFile(w.path, RichTagV3() + SilentFrames(1));
    Id3v2Tag t;
    t.Comment = "Новый";
    t.CommentOwner = "Me";
    t.TXXX = "replaced";
    ASSERT_TRUE(w.Write(KeepAllBut({Id3v2Field::Comment, Id3v2Field::TXXX, Id3v2Field::Genre}, t)).Done());
    const auto frames = FramesOf(ReadFile(w.path));
    // The German comment and the first TXXX stay; the old English comment and "shown" are gone,
    // and so is TCON, whose new value is empty.
    EXPECT_EQ(BodyOf(frames, "COMM", 1), "\0deu\0Hallo"s);
    EXPECT_EQ(BodyOf(frames, "COMM", 2), "<none>");
    EXPECT_EQ(BodyOf(frames, "TXXX", 0), "\0first"s);
    EXPECT_EQ(BodyOf(frames, "TXXX", 1), "\0\0replaced"s);
    EXPECT_EQ(BodyOf(frames, "TCON"), "<none>");
    const Id3v2Tag read = w.Read();
    EXPECT_EQ(read.Comment, "Новый");
    EXPECT_EQ(read.CommentOwner, "engMe");
    EXPECT_EQ(read.TXXX, "replaced");
    EXPECT_EQ(read.Genre, "");
}

TEST(WriteId3v2Tag, AnEmptyFirstCommentIsReplacedWithTheOneAfterIt) {
    // The reader passes over a comment without text and shows the next one: both are the shown
    // comment, and both go when it is replaced; a comment after the shown one stays.
    Writer w;
    const std::string frames = Id3v2Frame(3, "COMM", "\0engEmpty\0"s) + Id3v2Frame(3, "COMM", "\0fra\0Shown"s) +
                               Id3v2Frame(3, "COMM", "\0deu\0Later"s);
    WriteFile(w.path, Id3v2TagBytes(3, frames, 100) + SilentFrames(1));
    Id3v2Tag t;
    t.Comment = "New";
    ASSERT_TRUE(w.Write(KeepAllBut({Id3v2Field::Comment}, t)).Done());
    const auto after = FramesOf(ReadFile(w.path));
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].second, "\0engTagmora\0New"s);
    EXPECT_EQ(after[1].second, "\0deu\0Later"s);
}

TEST(WriteId3v2Tag, FieldsNotKeptAndEmptyLeaveOnlyUnshownFrames) {
    Writer w;
    WriteFile(w.path, RichTagV3() + SilentFrames(1));
    ASSERT_TRUE(w.Write(Record({})).Done());
    const auto frames = FramesOf(ReadFile(w.path));
    EXPECT_EQ(Ids(frames), (std::vector<std::string>{"COMM", "TXXX", "APIC", "USLT", "PRIV", "XYZW"}));
}

// --- Old tags of other versions ---

struct OldVersionCase {
    const char* name;
    std::string oldTag;
    // The frames expected after a write that keeps every field: id and body.
    std::vector<std::pair<std::string, std::string>> frames;
};
void PrintTo(const OldVersionCase& c, std::ostream* os) { *os << c.name; }

std::string Unsync(std::string_view s) { return test::UnsynchronisedBytes(s); }

class KeepFromOldVersion : public ::testing::TestWithParam<OldVersionCase> {};

TEST_P(KeepFromOldVersion, FramesInTheVersion3Layout) {
    const OldVersionCase& c = GetParam();
    Writer w;
    const std::string audio = SilentFrames(2);
    WriteFile(w.path, c.oldTag + audio);
    Id3v2Tag before;
    ASSERT_EQ(ReadId3v2Tag(w.path, before, kCp1251), TagRead::Found);
    ASSERT_TRUE(w.Write(KeepAllBut({})).Done());
    const std::string bytes = ReadFile(w.path);
    EXPECT_EQ(bytes.substr(0, 6), "ID3\x03\0\0"s);
    EXPECT_EQ(FramesOf(bytes), c.frames);
    EXPECT_EQ(bytes.substr(TagSizeOf(bytes)), audio);
    // What the list showed, it still shows.
    ExpectSameFields(w.Read(), before);
}

const std::string kFfBytes = "\xFF\xE0\xFF\x00\xFF"s;

// A version 2.4 body compressed with its data length indicator.
std::string CompressedV4(const std::string& content) { return id3v2::RenderFrameBody(content, 0x0009, 4); }

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepFromOldVersion,
    ::testing::Values(
        OldVersionCase{
            "V24Utf8ToUtf16",
            Id3v2TagBytes(4, Id3v2Frame(4, "TIT2", "\x03Песня"s) +
                                 Id3v2Frame(4, "TALB",
                                            "\x00"
                                            "Album"s) +
                                 Id3v2Frame(4, "COMM",
                                            "\x03"
                                            "eng"
                                            "Опис\0Текст"s) +
                                 Id3v2Frame(4, "WXXX", "\x03Ссылка\0http://x"s) +
                                 Id3v2Frame(4, "TPE1", "\x02\x04\x1A"s)),
            {{"TIT2", "\x01\xFF\xFE\x1F\x04\x35\x04\x41\x04\x3D\x04\x4F\x04"s},
             {"TPE1", "\x01\xFF\xFE\x1A\x04"s},
             {"TALB", "\0Album"s},
             {"COMM",
              "\x01"
              "eng"
              "\xFF\xFE\x1E\x04\x3F\x04\x38\x04\x41\x04\0\0\xFF\xFE\x22\x04\x35\x04\x3A\x04\x41\x04\x42\x04"s},
             {"WXXX", "\x01\xFF\xFE\x21\x04\x41\x04\x4B\x04\x3B\x04\x3A\x04\x30\x04\0\0http://x"s}}},
        // Data length indicator and unsynchronisation undone; status flags moved; TDRC as TYER and TDAT, TIME kept.
        OldVersionCase{"V24FlagsAndTdrc",
                       Id3v2TagBytes(4, Id3v2Frame(4, "TIT2", "\0\0\0\x06\0Title"s, 0x0001) +
                                            Id3v2Frame(4, "XXXX", Unsync(kFfBytes), 0x4002) +
                                            Id3v2Frame(4, "TIME", "\0"s + "1200") +
                                            Id3v2Frame(4, "TDRC",
                                                       "\0"
                                                       "2004-05-06T12:00"s)),
                       {{"TIT2", "\0Title"s},
                        {"TYER",
                         "\0"
                         "2004"s},
                        {"XXXX", kFfBytes},
                        {"TIME", "\0"s + "1200"},
                        {"TDAT", "\0"s + "0605"}}},
        // Grouping keeps its group byte; compression is redone in the version 2.3 layout.
        OldVersionCase{
            "V24GroupedAndCompressed",
            Id3v2TagBytes(4, Id3v2Frame(4, "TIT2", "\x07\0Grouped"s, 0x0040) +
                                 Id3v2Frame(4, "TALB", CompressedV4("\0"s + std::string(200, 'c')), 0x0009)),
            {{"TIT2", "\x07\0Grouped"s}, {"TALB", id3v2::RenderFrameBody("\0"s + std::string(200, 'c'), 0x0080, 3)}}},
        // An empty TDRC frame is passed over by the reader, so it does not become an empty year.
        OldVersionCase{"V24EmptyTdrcAfterAYear",
                       Id3v2TagBytes(4, Id3v2Frame(4, "TDRC",
                                                   "\0"
                                                   "1999"s) +
                                            Id3v2Frame(4, "TDRC", "")),
                       {{"TYER",
                         "\0"
                         "1999"s}}},
        OldVersionCase{"V24UnsynchronisedTag",
                       Id3v2TagBytes(4,
                                     Id3v2Frame(4, "APIC", Unsync("\0image/png\0\x03\0"s + kFfBytes)) +
                                         Id3v2Frame(4, "TIT2", "\0T"s),
                                     0, 0x80),
                       {{"TIT2", "\0T"s}, {"APIC", "\0image/png\0\x03\0"s + kFfBytes}}},
        OldVersionCase{"V23UnsynchronisedTag",
                       Id3v2TagBytes(3,
                                     Unsync(Id3v2Frame(3, "APIC", "\0image/png\0\x03\0"s + kFfBytes) +
                                            Id3v2Frame(3, "TIT2", "\0T"s)),
                                     0, 0x80),
                       {{"TIT2", "\0T"s}, {"APIC", "\0image/png\0\x03\0"s + kFfBytes}}},
        // Version 2.2: identifiers translated, PIC made APIC, CRM and unknown frames dropped.
        OldVersionCase{
            "V22",
            Id3v2TagBytes(2, Id3v2Frame(2, "TT2", "\0Two"s) + Id3v2Frame(2, "COM", "\0eng\0C"s) +
                                 Id3v2Frame(2, "PIC", "\0JPG\x03\0data"s) + Id3v2Frame(2, "CRM", "x\0y"s) +
                                 Id3v2Frame(2, "ZZZ", "z"s) + Id3v2Frame(2, "TP2", "\0Band"s)),
            {{"TIT2", "\0Two"s}, {"COMM", "\0eng\0C"s}, {"APIC", "\0image/jpeg\0\x03\0data"s}, {"TPE2", "\0Band"s}}}),
    [](const ::testing::TestParamInfo<OldVersionCase>& info) { return std::string(info.param.name); });

// --- Removal ---

struct RemoveCase {
    const char* name;
    std::size_t audioSize;
};
void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }

std::string Audio(std::size_t size) {
    std::string a;
    a.reserve(size);
    for (std::size_t i = 0; a.size() < size; ++i) a.push_back(static_cast<char>((i * 131 + i / 65536) & 0xFF));
    return a;
}

class RemoveKeepsAudio : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveKeepsAudio, EveryByteInOrder) {
    Writer w;
    const std::string audio = Audio(GetParam().audioSize);
    WriteFile(w.path, audio);
    ASSERT_TRUE(w.Write(Record(EveryFieldTag("a", "b"))).Done());
    ASSERT_EQ(ReadFile(w.path).size(), 2064 + audio.size());
    ASSERT_TRUE(RemoveId3v2Tag(w.path, false, w.session).Done());
    EXPECT_EQ(ReadFile(w.path), audio);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(w.dir.Path()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoveKeepsAudio,
                         ::testing::Values(RemoveCase{"Empty", 0}, RemoveCase{"Small", 1251},
                                           RemoveCase{"OneBlock", 65536}, RemoveCase{"ThreeBlocks", 3 * 65536},
                                           RemoveCase{"SeveralBlocksAndMore", 4 * 65536 + 17}),
                         [](const ::testing::TestParamInfo<RemoveCase>& info) { return std::string(info.param.name); });

TEST(RemoveId3v2Tag, ResultsWithoutATagOrWithoutLeave) {
    Writer w;
    const std::string plain = "RIFF" + SilentFrames(2);
    WriteFile(w.path, plain);
    EXPECT_EQ(RemoveId3v2Tag(w.path, true, w.session).Result, TagResult::NoTag);
    EXPECT_EQ(ReadFile(w.path), plain);
    EXPECT_EQ(RemoveId3v2Tag(w.dir / "missing.mp3", true, w.session).Result, TagResult::Missing);
}

TEST(RemoveId3v2Tag, ReadOnlyFileByTryChangeAttrs) {
    Writer w;
    const std::string audio = SilentFrames(2);
    const std::string tagged = Id3v2TagBytes(3, TitleFrame(5), 20) + audio;
    WriteFile(w.path, tagged);
    ASSERT_EQ(::chmod(w.path.c_str(), 0444), 0);
    EXPECT_EQ(RemoveId3v2Tag(w.path, false, w.session).Result, TagResult::ReadOnly);
    EXPECT_EQ(ReadFile(w.path), tagged);
    EXPECT_TRUE(RemoveId3v2Tag(w.path, true, w.session).Done());
    EXPECT_EQ(ReadFile(w.path), audio);
    struct stat st {};
    ASSERT_EQ(::stat(w.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);  // the write bit added stays; the new file keeps the permissions
}

// --- Failures ---

TEST(WriteId3v2Tag, OutcomesOfFilesThatCannotBeWritten) {
    Writer w;
    EXPECT_EQ(w.Write(Record(TitleOnly("x"))).Result, TagResult::Missing);
    const std::string folder = w.dir.MakeDir("folder.mp3");
    const TagOutcome removed = RemoveId3v2Tag(folder, false, w.session);
    EXPECT_EQ(std::tie(removed.Result, removed.Step, removed.Error),
              std::make_tuple(TagResult::Failed, TagStep::Open, EISDIR));
    // In place into a read-only file (without root's access override): a failure, never done.
    const std::string tagged = Id3v2TagBytes(3, TitleFrame(5), 200) + SilentFrames(1);
    WriteFile(w.path, tagged);
    ASSERT_EQ(::chmod(w.path.c_str(), 0444), 0);
    const int result =
        test::RunWithoutAccessOverride([&] { return w.Write(Record(TitleOnly("x"))).Step == TagStep::Open; });
    ASSERT_NE(result, -1) << "capabilities could not be dropped";
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadFile(w.path), tagged);
}

// A header that cannot be right is never taken as "the whole file is tag": writing into it and
// removing it are refused, and the file stays byte for byte.
TEST(WriteId3v2Tag, DamagedHeadersAreRefused) {
    const std::string audio = SilentFrames(4);  // 1672 bytes
    const std::string v1 = test::Id3v1Bytes("T", "A", "", "", "", 0, 0);
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const auto header = [](char version, std::string size) { return "ID3"s + version + "\0\0"s + size; };
    const Case cases[] = {
        {"unknown version", header(5, "\0\0\0\x10"s) + std::string(16, '\0') + audio, "its version 2.5 does not exist"},
        {"all bits set", "ID3\xff\xff\xff\xff\xff\xff\xff"s + audio, "its version 2.255 does not exist"},
        {"size bytes with the high bit", header(3, "\0\0\x80\x10"s) + std::string(16, '\0') + audio,
         "its size bytes have the high bit set"},
        {"size past the end", header(3, "\x0f\x00\x00\x00"s) + audio, "its size runs past the end of the file"},
        {"size into the ID3v1 tag", header(3, "\0\0\x0d\x0e"s) + audio + v1, "its size runs past the end of the file"},
    };
    for (const Case& c : cases) {
        Writer w;
        WriteFile(w.path, c.bytes);
        for (const TagOutcome& outcome : {w.Write(Record(TitleOnly("x"))), RemoveId3v2Tag(w.path, true, w.session)}) {
            EXPECT_EQ(outcome.Step, TagStep::Damaged) << c.name;
            EXPECT_TRUE(TagOutcomeText(outcome).starts_with("the ID3v2 tag is damaged: "s + c.reason))
                << c.name << ": " << TagOutcomeText(outcome);
            EXPECT_EQ(ReadFile(w.path), c.bytes) << c.name;
        }
    }
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// The writer's temporary files have names of their own: a user's file of any other name is never
// touched, a leftover of a killed write is removed once it is a minute old, and a file whose own
// name has 255 bytes can still grow and lose its tag.
TEST(WriteId3v2Tag, TemporaryFilesBelongToTheWriter) {
    Writer w;
    const std::string longName = w.dir / (std::string(251, 'n') + ".mp3");
    for (const std::string& path : {w.path, longName}) WriteFile(path, SilentFrames(2));
    WriteFile(w.dir / "song.Mora", "the user's own");
    WriteFile(w.dir / ".tagmora-tmp-young1", "a running write's");
    WriteFile(w.dir / ".tagmora-tmp-old123", "a killed write's");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
    std::filesystem::last_write_time(w.dir / ".tagmora-tmp-old123", old);
    ASSERT_TRUE(w.Write(Record(TitleOnly("x"))).Done());
    ASSERT_TRUE(WriteId3v2Tag(longName, Record(TitleOnly("y")), w.session).Done());
    EXPECT_EQ(w.Read().Title, "x");
    ASSERT_TRUE(RemoveId3v2Tag(longName, false, w.session).Done());
    EXPECT_EQ(ReadFile(longName), SilentFrames(2));
    EXPECT_EQ(
        FolderEntries(w.dir.Path()),
        (std::vector<std::string>{".tagmora-tmp-young1", std::string(251, 'n') + ".mp3", "song.Mora", "song.mp3"}));
}

// A file with several names stays one file: every name shows the new tag, and a backup copy left
// by an interrupted rewrite is named, never removed.
TEST(WriteId3v2Tag, HardLinksStayOneFile) {
    Writer w;
    const std::string audio = Audio(3 * 65536 + 5);
    WriteFile(w.path, audio);
    const std::string other = w.dir.MakeDir("elsewhere") + "/same.mp3";
    std::filesystem::create_hard_link(w.path, other);
    WriteFile(w.dir / ".tagmora-bak-abc123", "left by a crash");
    ASSERT_TRUE(w.Write(Record(TitleOnly("grown"))).Done());
    Id3v2Tag tag;
    ASSERT_EQ(ReadId3v2Tag(other, tag, kCp1251), TagRead::Found);
    EXPECT_EQ(tag.Title, "grown");
    EXPECT_EQ(std::filesystem::hard_link_count(other), 2u);
    EXPECT_EQ(w.session.BackupsFound, std::vector<std::string>{w.dir / ".tagmora-bak-abc123"});
    ASSERT_TRUE(RemoveId3v2Tag(w.path, false, w.session).Done());
    EXPECT_EQ(ReadFile(other), audio);
    EXPECT_EQ(FolderEntries(w.dir.Path()), (std::vector<std::string>{".tagmora-bak-abc123", "elsewhere", "song.mp3"}));
}

// A write that fails part-way (a full disk, a failed flush or rename) leaves the file byte for
// byte as it was, reports the step, and leaves nothing of its own behind.
TEST(WriteId3v2Tag, AFailedWriteLeavesTheFileAsItWas) {
    struct Case {
        const char* name;
        bool inPlace, linked;
        fileio::fault::Op op;
        TagStep step;
    };
    using Op = fileio::fault::Op;
    const Case cases[] = {
        {"in place, short write", true, false, Op::Write, TagStep::WriteInPlace},
        {"in place, flush", true, false, Op::Flush, TagStep::WriteInPlace},
        {"grown, full disk", false, false, Op::Write, TagStep::WriteTemporary},
        {"grown, rename", false, false, Op::Rename, TagStep::Rename},
        {"linked, full disk", false, true, Op::Write, TagStep::WriteInPlace},
    };
    for (const Case& c : cases) {
        Writer w;
        std::string frames;
        for (int i = 0; i < 33; ++i) frames += Id3v2Frame(3, "TXXX", "\0"s + "frame " + std::to_string(i));
        const std::string original = c.inPlace ? Id3v2TagBytes(3, frames, 100) + Audio(70000)
                                               : SilentFrames(3) + test::Id3v1Bytes("T", "", "", "", "", 1, 0);
        WriteFile(w.path, original);
        if (c.linked) std::filesystem::create_hard_link(w.path, w.dir / "link.mp3");
        fileio::fault::FailNth(c.op, c.linked ? 2 : 1, ENOSPC);  // the linked rewrite writes its backup first
        const TagOutcome outcome = w.Write(Record(TitleOnly("new")));
        fileio::fault::Clear();
        EXPECT_EQ(std::tie(outcome.Result, outcome.Step, outcome.Error),
                  std::make_tuple(TagResult::Failed, c.step, ENOSPC))
            << c.name << ": " << TagOutcomeText(outcome);
        EXPECT_EQ(ReadFile(w.path), original) << c.name;
        const std::vector<std::string> expected =
            c.op == Op::Rename ? std::vector<std::string>{FolderEntries(w.dir.Path())[0], "song.mp3"}
            : c.linked         ? std::vector<std::string>{"link.mp3", "song.mp3"}
                               : std::vector<std::string>{"song.mp3"};
        EXPECT_EQ(FolderEntries(w.dir.Path()), expected) << c.name;
        if (c.op == Op::Rename) {
            EXPECT_EQ(outcome.Detail, w.dir / expected[0]) << "the new content is kept and named";
        }
    }
}

// Another of the program's processes holds the file: the write waits, then gives up with its reason.
TEST(WriteId3v2Tag, AFileLockedByAnotherWriterIsInUse) {
    Writer w;
    WriteFile(w.path, SilentFrames(2));
    const int other = ::open(w.path.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    fileio::SetLockWaitMilliseconds(100);
    const TagOutcome outcome = w.Write(Record(TitleOnly("x")));
    fileio::SetLockWaitMilliseconds(5000);
    ::close(other);
    EXPECT_EQ(TagOutcomeText(outcome), "the file is in use by another Tagmora");
    EXPECT_EQ(ReadFile(w.path), SilentFrames(2));
}

// The rename over the original fails (the folder is made read-only while the new file is
// written): the session's answer decides, and the new content is kept under a name no sweep
// removes.
struct RenameFailureCase {
    const char* name;
    std::vector<RenameDecision> answers;
    TagResult result;
};
void PrintTo(const RenameFailureCase& c, std::ostream* os) { *os << c.name; }

class RenameFailure : public ::testing::TestWithParam<RenameFailureCase> {};

TEST_P(RenameFailure, TheAnswerDecides) {
    const RenameFailureCase& c = GetParam();
    Writer w;
    const std::string original = SilentFrames(3);
    WriteFile(w.path, original);
    const std::string folder = w.dir.Path();
    std::size_t asked = 0;
    bool wrongQuestion = false;
    w.session.AfterFailedRename = [&](const std::string&, int error, const std::string& kept) {
        // Kept as ".tagmora-new-..." where the folder lets it be renamed.
        wrongQuestion |= error != EACCES || !kept.starts_with(folder + "/.tagmora-");
        if (c.answers[asked] == RenameDecision::Retry && asked > 0) ::chmod(folder.c_str(), 0755);
        return c.answers[asked++];
    };
    w.session.AfterTemporaryWrite = [&](std::uint64_t) { ::chmod(folder.c_str(), 0555); };
    const int code = test::RunWithoutAccessOverride([&] {
        const TagOutcome outcome = w.Write(Record(TitleOnly("new")));
        ::chmod(folder.c_str(), 0755);
        return outcome.Result == c.result && asked == c.answers.size() && !wrongQuestion ? 0 : 1;
    });
    ::chmod(folder.c_str(), 0755);
    ASSERT_NE(code, -1) << "capabilities could not be dropped";
    EXPECT_EQ(code, 0);
    const std::vector<std::string> entries = FolderEntries(folder);
    if (c.result == TagResult::Done) {
        EXPECT_EQ(w.Read().Title, "new");
        EXPECT_EQ(entries, std::vector<std::string>{"song.mp3"});
    } else {
        EXPECT_EQ(ReadFile(w.path), original);
        ASSERT_EQ(entries.size(), 2u);
        Id3v2Tag kept;
        EXPECT_EQ(ReadId3v2Tag(w.dir / entries[0], kept, kCp1251), TagRead::Found);
        EXPECT_EQ(kept.Title, "new");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameFailure,
    ::testing::Values(
        RenameFailureCase{"Abort", {RenameDecision::Abort}, TagResult::Aborted},
        RenameFailureCase{"Ignore", {RenameDecision::Ignore}, TagResult::Failed},
        RenameFailureCase{
            "RetryFailsAgainThenAbort", {RenameDecision::Retry, RenameDecision::Abort}, TagResult::Aborted},
        RenameFailureCase{"RetrySucceeds", {RenameDecision::Retry, RenameDecision::Retry}, TagResult::Done}),
    [](const ::testing::TestParamInfo<RenameFailureCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tagmora
