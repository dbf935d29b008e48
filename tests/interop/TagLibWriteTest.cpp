// Interop of the ID3v2 writer with TagLib: TagLib reads every field that WriteId3v2Tag writes
// (Latin-1 and Cyrillic texts, long values) and finds the cover picture it wrote itself kept byte
// for byte; then TagLib changes a field of our tag and our reader sees its change and our fields.
#include "tags/Genres.h"
#include "tags/Id3v2Read.h"
#include "tags/Id3v2Write.h"
#include "tags/Pictures.h"

#include "FakePorts.h"
#include "TagRecords.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <commentsframe.h>
#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>
#include <tstring.h>
#include <uniquefileidentifierframe.h>
#include <unknownframe.h>
#include <urllinkframe.h>

#include <string>

namespace tagmora {
namespace {

using test::SilentFrames;
using test::TempDir;
using test::WriteFile;

TagLib::String Utf8(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }
std::string Utf8Of(const TagLib::String& s) { return s.to8Bit(true); }

TagLib::ByteVector Picture() {
    std::string bytes = "\xFF\xD8\xFF\xE0";
    for (int i = 0; bytes.size() < 30000; ++i) bytes.push_back(static_cast<char>((i * 7919) & 0xFF));
    return TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size()));
}

struct Sample {
    const char* name;
    std::string text;  // put into every text field
    int codePage;
};
void PrintTo(const Sample& c, std::ostream* os) { *os << c.name; }

// Every field; the link, UFID and MCDI are plain ASCII (links are; the other two are written in
// the code page, which TagLib does not know).
Id3v2Tag Values(const std::string& text) {
    Id3v2Tag t = test::EveryFieldTag(text, text);
    t.Year = "2001";
    t.Track = "3/9";
    t.Genre = "Jazz";
    t.URL = "http://example.org/a?b=c";
    t.UFID = "ufid-0042";
    t.MCDI = "mcdi-0017";
    return t;
}

std::string TextFrame(const TagLib::ID3v2::Tag& tag, const char* id) {
    const TagLib::ID3v2::FrameList& list = tag.frameListMap()[id];
    return list.isEmpty() ? "<none>" : Utf8Of(list.front()->toString());
}

class TagLibReadsOurId3v2 : public ::testing::TestWithParam<Sample> {};

TEST_P(TagLibReadsOurId3v2, EveryFieldAndTheKeptPicture) {
    const Sample& s = GetParam();
    TempDir dir;
    const std::string path = dir / "song.mp3";
    WriteFile(path, SilentFrames(20));
    {  // TagLib's own tag first: a cover picture and a title, in version 2.4.
        TagLib::MPEG::File file(path.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setMimeType("image/jpeg");
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(Picture());
        tag->addFrame(picture);
        tag->setTitle("TagLib's title");
        tag->addFrame(TagLib::ID3v2::Frame::createTextualFrame("DATE", TagLib::StringList("2001-01-02T13:45")));
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4));
    }

    const Id3v2Tag values = Values(s.text);
    Id3v2WriteRecord record;
    record.Values = values;
    Id3v2WriteSession session{s.codePage};
    ASSERT_TRUE(WriteId3v2Tag(path, record, session).Done());

    {
        TagLib::MPEG::File file(path.c_str());
        ASSERT_TRUE(file.hasID3v2Tag());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        EXPECT_EQ(tag->header()->majorVersion(), 3u);
        EXPECT_EQ(Utf8Of(tag->title()), values.Title);
        EXPECT_EQ(Utf8Of(tag->artist()), values.Artist);
        EXPECT_EQ(Utf8Of(tag->album()), values.Album);
        EXPECT_EQ(tag->year(), 2001u);
        EXPECT_EQ(TextFrame(*tag, "TDRC"), "2001-01-02T13:45");  // TagLib's date of TYER, TDAT and TIME
        EXPECT_EQ(tag->track(), 3u);
        EXPECT_EQ(Utf8Of(tag->genre()), values.Genre);
        EXPECT_EQ(Utf8Of(tag->comment()), values.Comment);
        EXPECT_EQ(TextFrame(*tag, "TCOM"), values.Composer);
        EXPECT_EQ(TextFrame(*tag, "TOPE"), values.OrigArtist);
        EXPECT_EQ(TextFrame(*tag, "TCOP"), values.Copyright);
        EXPECT_EQ(TextFrame(*tag, "TENC"), values.EncodedBy);
        EXPECT_EQ(TextFrame(*tag, "TSSE"), values.TSSE);
        EXPECT_EQ(TextFrame(*tag, "TIT1"), values.TIT1);

        const auto& comments = tag->frameListMap()["COMM"];
        ASSERT_EQ(comments.size(), 1u);
        const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(comments.front());
        ASSERT_NE(comment, nullptr);
        EXPECT_EQ(comment->language(), TagLib::ByteVector("eng"));
        EXPECT_EQ(Utf8Of(comment->description()), values.CommentOwner);

        const auto& urls = tag->frameListMap()["WXXX"];
        ASSERT_EQ(urls.size(), 1u);
        EXPECT_EQ(Utf8Of(dynamic_cast<const TagLib::ID3v2::UserUrlLinkFrame*>(urls.front())->url()), values.URL);
        const auto* user = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "");  // no description
        EXPECT_EQ(user ? Utf8Of(user->fieldList().back()) : "<none>", values.TXXX);
        const auto& ufids = tag->frameListMap()["UFID"];
        ASSERT_EQ(ufids.size(), 1u);
        const auto* ufid = dynamic_cast<const TagLib::ID3v2::UniqueFileIdentifierFrame*>(ufids.front());
        ASSERT_NE(ufid, nullptr);
        EXPECT_EQ(ufid->identifier(), TagLib::ByteVector(values.UFID.c_str()));
        const auto& mcdis = tag->frameListMap()["MCDI"];
        ASSERT_EQ(mcdis.size(), 1u);
        EXPECT_EQ(mcdis.front()->render().mid(10), TagLib::ByteVector('\0') + TagLib::ByteVector(values.MCDI.c_str()));

        const auto& pictures = tag->frameListMap()["APIC"];
        ASSERT_EQ(pictures.size(), 1u);
        const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->picture(), Picture());
        EXPECT_EQ(picture->mimeType(), "image/jpeg");

        // TagLib changes the artist and saves in version 2.3.
        tag->setArtist(Utf8("TagLib " + s.text));
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3));
    }

    Id3v2Tag read;
    ASSERT_EQ(ReadId3v2Tag(path, read, s.codePage), TagRead::Found);
    EXPECT_EQ(read.Artist, "TagLib " + s.text);
    EXPECT_EQ(read.Title, values.Title);
    EXPECT_EQ(read.Album, values.Album);
    EXPECT_EQ(read.Comment, values.Comment);
    EXPECT_EQ(read.CommentOwner, "eng" + values.CommentOwner);
    EXPECT_EQ(read.Composer, values.Composer);
    EXPECT_EQ(read.TIT1, values.TIT1);
    EXPECT_EQ(read.URL, values.URL);
    EXPECT_EQ(read.Year, values.Year);
}

// A cover set by the writer over TagLib's own pictures: TagLib finds its back cover kept and our
// front cover with its type, MIME type and exact bytes.
TEST(TagLibReadsOurCover, TypeMimeAndBytes) {
    TempDir dir;
    const std::string path = dir / "song.mp3";
    WriteFile(path, SilentFrames(5));
    {
        TagLib::MPEG::File file(path.c_str());
        for (const auto type :
             {TagLib::ID3v2::AttachedPictureFrame::BackCover, TagLib::ID3v2::AttachedPictureFrame::FrontCover}) {
            auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
            picture->setMimeType("image/jpeg");
            picture->setType(type);
            picture->setPicture(Picture());
            file.ID3v2Tag(true)->addFrame(picture);
        }
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4));
    }
    std::string png = "\x89PNG\r\n\x1A\n";
    for (int i = 0; png.size() < 70000; ++i) png.push_back(static_cast<char>((i * 31) & 0xFF));
    Id3v2WriteSession session;
    ASSERT_TRUE(
        WriteId3v2Tag(
            path, KeepEveryField(CoverEdit::Set, std::make_shared<const std::string>(FrontCoverContent(kPngMime, png))),
            session)
            .Done());
    TagLib::MPEG::File file(path.c_str());
    const auto& frames = file.ID3v2Tag()->frameListMap()["APIC"];
    ASSERT_EQ(frames.size(), 2u);
    const auto* back = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frames.front());
    const auto* front = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frames.back());
    ASSERT_TRUE(back && front);
    EXPECT_EQ(back->type(), TagLib::ID3v2::AttachedPictureFrame::BackCover);
    EXPECT_EQ(back->picture(), Picture());
    EXPECT_EQ(front->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    EXPECT_EQ(front->mimeType(), "image/png");
    EXPECT_EQ(front->description(), "");
    EXPECT_EQ(front->picture(), TagLib::ByteVector(png.data(), static_cast<unsigned>(png.size())));
}

INSTANTIATE_TEST_SUITE_P(Samples, TagLibReadsOurId3v2,
                         ::testing::Values(Sample{"Latin1", "Café déjà vu", 1252},
                                           Sample{"Cyrillic", "Группа крови ё", 1251},
                                           Sample{"Long", std::string(5000, 'L') + "Ж", 1251}),
                         [](const ::testing::TestParamInfo<Sample>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tagmora
