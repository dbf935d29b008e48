// Interop: tags written by TagLib onto files of silence, read back by our ID3v1 and ID3v2 readers.
// Each ID3v2 case puts a 30 KB cover picture before the text frames, as many taggers do.
#include "tags/Genres.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Read.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <id3v1tag.h>
#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tstring.h>

#include <iconv.h>

#include <stdexcept>
#include <string>

namespace tagmora {
namespace {

using test::ReadFile;
using test::SilentFrames;
using test::TempDir;
using test::WriteFile;

struct Sample {
    std::string title;
    std::string artist;
    std::string album;
    std::string comment;
    std::string genre;
    unsigned year;
    unsigned track;
};

const Sample kWestern{"Café déjà vu", "Björk & Sigur Rós", "Ærø", "Señor", "Rock", 1999, 7};
const Sample kCyrillic{"Группа крови", "Кино", "Звезда по имени Солнце", "Комментарий ё", "Pop", 1988, 12};

TagLib::String Utf8(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }

// A TagLib ID3v1 string handler that writes Windows-1251 through iconv.
class Cp1251Handler : public TagLib::ID3v1::StringHandler {
public:
    TagLib::ByteVector render(const TagLib::String& s) const override {
        const std::string in = s.to8Bit(true);
        iconv_t cd = iconv_open("CP1251", "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv has no CP1251");
        std::string out(in.size(), '\0');
        char* src = const_cast<char*>(in.data());
        char* dst = out.data();
        std::size_t srcLeft = in.size();
        std::size_t dstLeft = out.size();
        const std::size_t converted = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        iconv_close(cd);
        if (converted == static_cast<std::size_t>(-1)) throw std::runtime_error("not representable in CP1251");
        out.resize(out.size() - dstLeft);
        return TagLib::ByteVector(out.data(), static_cast<unsigned>(out.size()));
    }
};

void FillTag(TagLib::Tag& tag, const Sample& s) {
    tag.setTitle(Utf8(s.title));
    tag.setArtist(Utf8(s.artist));
    tag.setAlbum(Utf8(s.album));
    tag.setComment(Utf8(s.comment));
    tag.setGenre(Utf8(s.genre));
    tag.setYear(s.year);
    tag.setTrack(s.track);
}

// A picture of 30 000 bytes with every byte value in it, zeros and 0xFF included.
TagLib::ByteVector Picture() {
    std::string bytes = "\xFF\xD8\xFF\xE0";
    for (int i = 0; bytes.size() < 30000; ++i) bytes.push_back(static_cast<char>((i * 7919) & 0xFF));
    return TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size()));
}

void WriteId3v2WithTagLib(const std::string& path, TagLib::ID3v2::Version version, TagLib::String::Type encoding,
                          const Sample& s) {
    // The default encoding is global to TagLib: put it back however this function is left.
    struct EncodingGuard {
        explicit EncodingGuard(TagLib::String::Type e) {
            TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(e);
        }
        ~EncodingGuard() { TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::Latin1); }
    } guard(encoding);
    {
        TagLib::MPEG::File file(path.c_str());
        ASSERT_TRUE(file.isValid());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setMimeType("image/jpeg");
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(Picture());
        tag->addFrame(picture);
        FillTag(*tag, s);
        ASSERT_TRUE(
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, version, TagLib::File::DoNotDuplicate));
    }
}

// The genre as the file list shows it: the text after the first ")".
std::string ShownGenre(const std::string& raw) {
    const auto paren = raw.find(')');
    return paren == std::string::npos ? raw : raw.substr(paren + 1);
}

struct Id3v2Case {
    const char* name;
    TagLib::ID3v2::Version version;
    TagLib::String::Type encoding;
    char encodingByte;  // what TagLib is expected to put into the text frames
    const Sample* sample;
    int codePage;
};
void PrintTo(const Id3v2Case& c, std::ostream* os) { *os << c.name; }

class TagLibWritesId3v2 : public ::testing::TestWithParam<Id3v2Case> {};

TEST_P(TagLibWritesId3v2, OurReaderSeesTheSameTexts) {
    const Id3v2Case& c = GetParam();
    TempDir dir;
    const std::string path = dir / "song.mp3";
    WriteFile(path, SilentFrames(20));
    WriteId3v2WithTagLib(path, c.version, c.encoding, *c.sample);

    // Make sure the file has the shape the case is about.
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.substr(0, 4), std::string("ID3") + static_cast<char>(c.version));
    const auto picture = bytes.find("APIC");
    const auto title = bytes.find("TIT2");
    ASSERT_NE(picture, std::string::npos);
    ASSERT_NE(title, std::string::npos);
    ASSERT_LT(picture, title);
    ASSERT_GT(title, 4096u);
    ASSERT_EQ(bytes[title + 10], c.encodingByte);
    // Version 2.4 keeps the year in TDRC, version 2.3 in TYER.
    ASSERT_NE(bytes.find(c.version == TagLib::ID3v2::v4 ? "TDRC" : "TYER"), std::string::npos);

    Id3v2Tag tag;
    ASSERT_EQ(ReadId3v2Tag(path, tag, c.codePage), TagRead::Found);
    const Sample& s = *c.sample;
    EXPECT_EQ(tag.Title, s.title);
    EXPECT_EQ(tag.Artist, s.artist);
    EXPECT_EQ(tag.Album, s.album);
    EXPECT_EQ(tag.Comment, s.comment);
    EXPECT_EQ(tag.CommentOwner, "XXX");  // TagLib's comment: no language given, empty description
    EXPECT_EQ(tag.Year, std::to_string(s.year));
    EXPECT_EQ(tag.Track, std::to_string(s.track));
    EXPECT_EQ(ShownGenre(tag.Genre), s.genre);
    EXPECT_EQ(tag.FileSize, static_cast<std::int64_t>(bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TagLibWritesId3v2,
    ::testing::Values(Id3v2Case{"v23_Latin1", TagLib::ID3v2::v3, TagLib::String::Latin1, '\0', &kWestern, 1252},
                      Id3v2Case{"v23_UTF16", TagLib::ID3v2::v3, TagLib::String::UTF16, '\x01', &kCyrillic, 1251},
                      Id3v2Case{"v24_UTF8", TagLib::ID3v2::v4, TagLib::String::UTF8, '\x03', &kCyrillic, 1251},
                      Id3v2Case{"v24_UTF16BE", TagLib::ID3v2::v4, TagLib::String::UTF16BE, '\x02', &kCyrillic, 1251},
                      Id3v2Case{"v24_Latin1", TagLib::ID3v2::v4, TagLib::String::Latin1, '\0', &kWestern, 1252}),
    [](const ::testing::TestParamInfo<Id3v2Case>& info) { return std::string(info.param.name); });

void ExpectId3v1(const std::string& path, const Sample& s, int codePage) {
    Id3v1Tag tag;
    ASSERT_EQ(ReadId3v1Tag(path, tag, codePage), TagRead::Found);
    EXPECT_EQ(tag.Title, s.title);
    EXPECT_EQ(tag.Artist, s.artist);
    EXPECT_EQ(tag.Album, s.album);
    EXPECT_EQ(tag.Comment, s.comment);
    EXPECT_EQ(tag.Year, std::to_string(s.year));
    EXPECT_EQ(tag.Track, s.track);
    EXPECT_EQ(GenreNameOf(tag.Genre), s.genre);
}

void WriteId3v1WithTagLib(const std::string& path, const Sample& s) {
    TagLib::MPEG::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    FillTag(*file.ID3v1Tag(true), s);
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v1, TagLib::File::StripOthers, TagLib::ID3v2::v4,
                          TagLib::File::DoNotDuplicate));
}

TEST(TagLibWritesId3v1, Latin1ReadsThroughCodePage1252) {
    TempDir dir;
    const std::string path = dir / "song.mp3";
    WriteFile(path, SilentFrames(20));
    WriteId3v1WithTagLib(path, kWestern);
    ASSERT_EQ(ReadFile(path).size(), 20u * 417 + 128);
    ExpectId3v1(path, kWestern, 1252);
}

TEST(TagLibWritesId3v1, Cp1251ThroughAStringHandler) {
    static const Cp1251Handler handler;
    TempDir dir;
    const std::string path = dir / "song.mp3";
    WriteFile(path, SilentFrames(20));
    TagLib::ID3v1::Tag::setStringHandler(&handler);
    WriteId3v1WithTagLib(path, kCyrillic);
    TagLib::ID3v1::Tag::setStringHandler(nullptr);
    ExpectId3v1(path, kCyrillic, 1251);
}

// And the other way round: TagLib reads the ID3v1 tag that we write.
TEST(TagLibReadsId3v1, OurTagReadsTheSame) {
    TempDir dir;
    const std::string path = dir / "song.mp3";
    WriteFile(path, SilentFrames(20));
    Id3v1Tag ours;
    ours.Title = kWestern.title;
    ours.Artist = kWestern.artist;
    ours.Album = kWestern.album;
    ours.Comment = kWestern.comment + std::string(24, '.');  // 29 characters beside the track
    ours.Year = std::to_string(kWestern.year);
    ours.Track = static_cast<std::uint8_t>(kWestern.track);
    ours.Genre = static_cast<std::uint8_t>(GenreIndexOf(kWestern.genre));
    ASSERT_TRUE(WriteId3v1Tag(path, ours, 1252).Done());

    TagLib::MPEG::File file(path.c_str());
    ASSERT_TRUE(file.hasID3v1Tag());
    const TagLib::ID3v1::Tag* tag = file.ID3v1Tag();
    EXPECT_EQ(tag->title().to8Bit(true), kWestern.title);
    EXPECT_EQ(tag->artist().to8Bit(true), kWestern.artist);
    EXPECT_EQ(tag->album().to8Bit(true), kWestern.album);
    EXPECT_EQ(tag->comment().to8Bit(true), kWestern.comment + std::string(23, '.'));
    EXPECT_EQ(tag->year(), kWestern.year);
    EXPECT_EQ(tag->track(), kWestern.track);
    EXPECT_EQ(tag->genre().to8Bit(true), kWestern.genre);
}

}  // namespace
}  // namespace tagmora
