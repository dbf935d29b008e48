// Tests of cover pictures: what a picture's header tells, a folder's cover picture, and the writer
// setting, replacing and removing the front cover of tags of every version.
#include "tags/Pictures.h"

#include "TestFiles.h"
#include "tags/Id3v2Read.h"
#include "tags/Id3v2Write.h"

#include <gtest/gtest.h>

#include <string>

namespace tagmora {
namespace {

using namespace std::string_literals;
using test::Id3v2Frame;
using test::Id3v2TagBytes;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A PNG header of `width` x `height` followed by `size` bytes in all.
std::string Png(std::uint32_t width, std::uint32_t height, std::size_t size = 40) {
    std::string png = "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR"s + test::BigEndianBytes(width) + test::BigEndianBytes(height);
    png.resize(size, 'p');
    return png;
}
// A JPEG whose APP0 and DHT segments come before its start of frame (SOF2, 600 x 500).
const std::string kJpeg = "\xFF\xD8\xFF\xE0\x00\x04JF\xFF\xC4\x00\x03\x00\xFF\xFF\xC2\x00\x0B\x08\x01\xF4\x02\x58xyz"s;

std::string Apic(unsigned char type, std::string_view data, int version = 3) {
    return Id3v2Frame(version, version == 2 ? "PIC" : "APIC",
                      version == 2
                          ? "\0PNG"s + static_cast<char>(type) + "\0"s + std::string(data)
                          : "\x01image/png\0"s + static_cast<char>(type) + "\xFF\xFE\x64\0\0\0"s + std::string(data));
}

TEST(Pictures, TypeAndPixelSizeComeFromTheHeader) {
    EXPECT_EQ(PictureMimeOf(kJpeg), kJpegMime);
    EXPECT_EQ(PictureMimeOf(Png(1, 1)), kPngMime);
    EXPECT_EQ(PictureMimeOf("GIF89a"), "");
    const std::optional<PixelSize> jpeg = PicturePixelSize(kJpeg);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->Width, 600u);
    EXPECT_EQ(jpeg->Height, 500u);
    const std::optional<PixelSize> png = PicturePixelSize(Png(70000, 3));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->Width, 70000u);
    EXPECT_EQ(png->Height, 3u);
    for (const std::string& cut : {kJpeg.substr(0, 20), Png(1, 1).substr(0, 20), "\xFF\xD8\xFF\xE0\x00\x01"s})
        EXPECT_FALSE(PicturePixelSize(cut));
    EXPECT_EQ(PictureExtensionOf("IMAGE/JPEG"), ".jpg");
    EXPECT_EQ(PictureExtensionOf("image/gif"), ".gif");
    EXPECT_EQ(PictureExtensionOf("../x"), ".bin");
}

TEST(Pictures, FolderPictureAndPictureFiles) {
    TempDir dir;
    const std::string folder = dir.Path() + "/";
    EXPECT_EQ(FolderPicturePath(folder), "");
    for (const char* name : {"AlbumArt.JPEG", "FRONT.png", "Folder.Jpg", "cover.gif", "covers.jpg"})
        WriteFile(dir / name, kJpeg);
    EXPECT_EQ(FolderPicturePath(folder), folder + "Folder.Jpg");
    WriteFile(dir / "COVER.PNG", "not a picture");
    EXPECT_EQ(FolderPicturePath(folder), folder + "COVER.PNG");
    EXPECT_EQ(LoadPictureFile(folder + "COVER.PNG").Status, PictureFileStatus::NotPicture);
    EXPECT_EQ(LoadPictureFile(folder + "none.png").Status, PictureFileStatus::Unreadable);
    WriteFile(dir / "big.png", Png(1, 1, kMaxCoverBytes + 1));
    EXPECT_EQ(LoadPictureFile(folder + "big.png").Status, PictureFileStatus::TooLarge);
    const PictureFile ok = LoadPictureFile(folder + "Folder.Jpg");
    EXPECT_EQ(ok.Mime, kJpegMime);
    EXPECT_EQ(ok.Bytes, kJpeg);

    std::string saved;
    ASSERT_EQ(SavePictureNoReplace(folder, "Folder", ".Jpg", "new", saved), 0);
    EXPECT_EQ(saved, folder + "Folder (2).Jpg");
    EXPECT_EQ(ReadFile(folder + "Folder.Jpg"), kJpeg);
}

// Setting a cover replaces the front cover (read from tags of versions 2.2 to 2.4) and keeps the
// other pictures; removing takes every picture; the fields stay.
TEST(Pictures, TheWriterSetsAndRemovesTheFrontCover) {
    for (const int version : {2, 3, 4}) {
        SCOPED_TRACE(version);
        TempDir dir;
        const std::string path = dir / "song.mp3";
        const std::string audio = test::SilentFrames(2);
        const std::string title = Id3v2Frame(version, version == 2 ? "TT2" : "TIT2", "\0Title"s);
        WriteFile(path, Id3v2TagBytes(version, title + Apic(4, "back", version) + Apic(3, "old", version)) + audio);
        TagPictures before = ReadTagPictures(path);
        ASSERT_EQ(before.Count, 2);
        ASSERT_TRUE(before.FrontCover);
        EXPECT_EQ(before.FrontCover->Bytes, "old");
        EXPECT_EQ(before.FrontCover->Mime, kPngMime);

        Id3v2WriteSession session;
        const std::string picture = Png(300, 300, 5'000'000);  // the tag must grow
        ASSERT_TRUE(WriteId3v2Tag(path,
                                  KeepEveryField(CoverEdit::Set, std::make_shared<const std::string>(
                                                                     FrontCoverContent(kPngMime, picture))),
                                  session)
                        .Done());
        const TagPictures set = ReadTagPictures(path);
        EXPECT_EQ(set.Count, 2);
        ASSERT_TRUE(set.FrontCover);
        EXPECT_TRUE(set.FrontCover->Bytes == picture);
        const std::string file = ReadFile(path);
        EXPECT_TRUE(file.ends_with(audio));
        Id3v2Tag fields;
        ReadId3v2Tag(path, fields, 1252);
        EXPECT_EQ(fields.Title, "Title");

        ASSERT_TRUE(WriteId3v2Tag(path, KeepEveryField(CoverEdit::RemoveAll), session).Done());
        EXPECT_EQ(ReadTagPictures(path).Count, 0);
        EXPECT_TRUE(ReadFile(path).ends_with(audio));
    }
}

}  // namespace
}  // namespace tagmora
