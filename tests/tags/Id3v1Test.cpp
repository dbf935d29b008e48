// Tests of the ID3v1 reader, writer and remover on files built in a temporary folder.
// Layouts are checked byte by byte, since other programs read these 128 bytes too.
#include "tags/Id3v1.h"

#include "TestFiles.h"
#include "platform/FileIo.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace tagmora {
namespace {

using test::Id3v1Bytes;
using test::ReadFile;
using test::SilentFrames;
using test::TempDir;
using test::WriteFile;

constexpr int kCp1251 = 1251;
constexpr int kCp1252 = 1252;

std::string Tail(const std::string& bytes) { return bytes.substr(bytes.size() - 128); }

Id3v1Tag SampleTag() {
    Id3v1Tag tag;
    tag.Title = "Title";
    tag.Artist = "Artist";
    tag.Album = "Album";
    tag.Year = "1999";
    tag.Comment = "Comment";
    tag.Track = 7;
    tag.Genre = 17;
    return tag;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

// --- Reading ---

TEST(Id3v1Read, ReadsAndTrimsTheFields) {
    TempDir dir;
    const std::string path = dir / "a.mp3";
    WriteFile(path, SilentFrames() + Id3v1Bytes("  Title \t",
                                                "\x01"
                                                "Artist  x",
                                                "Album", "2001", " Note ", 3, 17));
    Id3v1Tag tag;
    ASSERT_EQ(ReadId3v1Tag(path, tag, kCp1251), TagRead::Found);
    EXPECT_EQ(tag.Title, "Title");
    EXPECT_EQ(tag.Artist, "Artist  x");  // only the ends are trimmed
    EXPECT_EQ(tag.Album, "Album");
    EXPECT_EQ(tag.Year, "2001");
    EXPECT_EQ(tag.Comment, "Note");
    EXPECT_EQ(tag.Track, 3);
    EXPECT_EQ(tag.Genre, 17);
    EXPECT_EQ(tag.FileSize, 3 * 417 + 128);
}

TEST(Id3v1Read, YearKeepsItsRawBytesAndInnerNulsStay) {
    TempDir dir;
    const std::string path = dir / "a.mp3";
    std::string image = Id3v1Bytes("A", "", "", "", "", 0, 255);
    image[3 + 1] = '\0';
    image[3 + 2] = 'B';  // "A\0B": a NUL inside the text is not trimmed
    WriteFile(path, SilentFrames(1) + image);
    Id3v1Tag tag;
    ASSERT_EQ(ReadId3v1Tag(path, tag, kCp1251), TagRead::Found);
    EXPECT_EQ(tag.Year, std::string(4, '\0'));
    EXPECT_EQ(tag.Title, std::string("A\0B", 3));
    EXPECT_EQ(tag.Artist, "");
    EXPECT_EQ(tag.Genre, 255);
}

TEST(Id3v1Read, FullThirtyByteCommentGivesItsLastByteAsTrack) {
    Id3v1Tag tag;
    const std::string image = Id3v1Bytes("", "", "", "", "123456789012345678901234567890", 0, 0).substr(0, 97) +
                              "123456789012345678901234567890" + std::string(1, '\x05');
    ASSERT_EQ(image.size(), 128u);
    ASSERT_TRUE(ParseId3v1(reinterpret_cast<const unsigned char*>(image.data()), tag, kCp1251));
    EXPECT_EQ(tag.Comment, "12345678901234567890123456789");
    EXPECT_EQ(tag.Track, '0');
    EXPECT_EQ(tag.Genre, 5);
}

TEST(Id3v1Read, DecodesTheLegacyCodePage) {
    // "\xCF\xF0\xE8\xE2\xE5\xF2" is "Привет" in 1251; 0xE9 is "й" in 1251 and "é" in 1252.
    const std::string image = Id3v1Bytes("\xCF\xF0\xE8\xE2\xE5\xF2", "Caf\xE9", "", "", "\x80", 0, 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(image.data());
    Id3v1Tag cyrillic;
    ASSERT_TRUE(ParseId3v1(bytes, cyrillic, kCp1251));
    EXPECT_EQ(cyrillic.Title, "Привет");
    EXPECT_EQ(cyrillic.Artist, "Cafй");
    EXPECT_EQ(cyrillic.Comment, "Ђ");
    Id3v1Tag western;
    ASSERT_TRUE(ParseId3v1(bytes, western, kCp1252));
    EXPECT_EQ(western.Artist, "Café");
    EXPECT_EQ(western.Comment, "€");
}

TEST(Id3v1Read, FilesWithoutATagReportTheirSize) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"audio only", SilentFrames(2)},
        {"empty", ""},
        {"shorter than a tag", "TAG" + std::string(100, 'x')},
        {"tag-like bytes not at the end", Id3v1Bytes("T", "", "", "", "", 0, 0) + "x"},
    };
    for (const Case& c : cases) {
        const std::string path = dir / "f.mp3";
        WriteFile(path, c.bytes);
        Id3v1Tag tag;
        EXPECT_EQ(ReadId3v1Tag(path, tag, kCp1251), TagRead::NoTag) << c.name;
        EXPECT_EQ(tag.FileSize, static_cast<std::int64_t>(c.bytes.size())) << c.name;
    }
}

TEST(Id3v1Read, MissingOrUnopenableFileGivesMinusOne) {
    TempDir dir;
    Id3v1Tag tag;
    EXPECT_EQ(ReadId3v1Tag(dir / "missing.mp3", tag, kCp1251), TagRead::Failed);
    // A folder named like an MP3 file stands for a file that cannot be read (tests may run as root,
    // for whom permissions do not forbid anything).
    EXPECT_EQ(ReadId3v1Tag(dir.MakeDir("folder.mp3"), tag, kCp1251), TagRead::Failed);
    EXPECT_EQ(tag.FileSize, 0);
}

// Every file operation gives the cause of its failure with its result, and no file in the way
// (a folder or a FIFO named like an MP3 file) can hang or break it.
TEST(Id3v1Files, FailuresComeWithTheirErrno) {
    TempDir dir;
    dir.MakeDir("folder.mp3");
    ASSERT_EQ(::mkfifo((dir / "fifo.mp3").c_str(), 0600), 0);
    WriteFile(dir / "a.mp3", SilentFrames(1) + Id3v1Bytes("T", "", "", "", "", 0, 0));
    struct Case {
        const char* name;
        int read, write, remove;  // the errno of each operation; 0 where it succeeds
    };
    const Case cases[] = {
        {"missing.mp3", ENOENT, ENOENT, ENOENT},
        {"folder.mp3", EISDIR, EISDIR, EISDIR},
        {"fifo.mp3", EINVAL, EINVAL, EINVAL},
        {"a.mp3/below.mp3", ENOTDIR, ENOTDIR, ENOTDIR},
        {"a.mp3", 0, 0, 0},
    };
    for (const Case& c : cases) {
        const std::string path = dir / c.name;
        Id3v1Tag tag;
        int error = -1;
        EXPECT_EQ(ReadId3v1Tag(path, tag, kCp1251, &error), c.read == 0 ? TagRead::Found : TagRead::Failed) << c.name;
        EXPECT_EQ(error, c.read) << c.name;
        EXPECT_EQ(WriteId3v1Tag(path, SampleTag(), kCp1251).Error, c.write) << c.name;
        EXPECT_EQ(RemoveId3v1Tag(path, true).Error, c.remove) << c.name;
    }
    EXPECT_EQ(ReadFile(dir / "a.mp3"), SilentFrames(1));
}

// --- Rendering and writing ---

TEST(Id3v1Write, AppendsToAFileWithoutATag) {
    TempDir dir;
    const std::string path = dir / "a.mp3";
    const std::string audio = SilentFrames();
    WriteFile(path, audio);
    ASSERT_TRUE(WriteId3v1Tag(path, SampleTag(), kCp1251).Done());
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), audio.size() + 128);
    EXPECT_EQ(bytes.substr(0, audio.size()), audio);
    EXPECT_EQ(Tail(bytes), Id3v1Bytes("Title", "Artist", "Album", "1999", "Comment", 7, 17));
}

TEST(Id3v1Write, OverwritesAnExistingTagInPlace) {
    TempDir dir;
    const std::string path = dir / "a.mp3";
    const std::string audio = SilentFrames();
    WriteFile(path, audio + Id3v1Bytes("Old title that is rather long", "Old", "Old", "1970", "Old", 1, 1));
    Id3v1Tag tag = SampleTag();
    tag.Title = "New";
    ASSERT_TRUE(WriteId3v1Tag(path, tag, kCp1251).Done());
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), audio.size() + 128);
    EXPECT_EQ(Tail(bytes), Id3v1Bytes("New", "Artist", "Album", "1999", "Comment", 7, 17));

    Id3v1Tag back;
    ASSERT_EQ(ReadId3v1Tag(path, back, kCp1251), TagRead::Found);
    EXPECT_EQ(back.Title, "New");
    EXPECT_EQ(back.Year, "1999");
    EXPECT_EQ(back.Track, 7);
}

TEST(Id3v1Write, ShortFilesGetTheTagAppended) {
    TempDir dir;
    const std::string path = dir / "a.mp3";
    WriteFile(path, "TAGxx");
    ASSERT_TRUE(WriteId3v1Tag(path, SampleTag(), kCp1251).Done());
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 5u + 128);
    EXPECT_EQ(bytes.substr(0, 5), "TAGxx");
    EXPECT_EQ(bytes.substr(5, 3), "TAG");
}

TEST(Id3v1Write, FieldsAreZeroPaddedOrCutToTheirWidths) {
    Id3v1Tag tag;
    tag.Title = std::string(30, 'T');
    tag.Artist = "";
    tag.Album = std::string(35, 'L');
    tag.Year = "19999";
    tag.Comment = std::string(28, 'C');
    tag.Track = 7;
    tag.Genre = 12;
    const std::string image = RenderId3v1(tag, kCp1251);
    ASSERT_EQ(image.size(), 128u);
    EXPECT_EQ(image.substr(0, 3), "TAG");
    EXPECT_EQ(image.substr(3, 30), std::string(30, 'T'));  // no padding byte after 30 characters
    EXPECT_EQ(image.substr(33, 30), std::string(30, '\0'));
    EXPECT_EQ(image.substr(63, 30), std::string(30, 'L'));
    EXPECT_EQ(image.substr(93, 4), "1999");
    EXPECT_EQ(image.substr(97, 28), std::string(28, 'C'));
    EXPECT_EQ(image[125], '\0');  // the version 1.1 shape: zero byte, then the track
    EXPECT_EQ(image[126], '\x07');
    EXPECT_EQ(image[127], '\x0C');

    tag.Comment = std::string(29, 'C');
    const std::string full = RenderId3v1(tag, kCp1251);
    EXPECT_EQ(full.substr(97, 29), std::string(28, 'C') + '\0');  // beside a track byte 125 stays zero
    EXPECT_EQ(full[126], '\x07');

    tag.Comment = std::string(40, 'C');
    EXPECT_EQ(RenderId3v1(tag, kCp1251), full);
}

TEST(Id3v1Write, EncodesInTheCodePageWithQuestionMarksForTheRest) {
    Id3v1Tag tag;
    tag.Title = "Привет";
    tag.Artist = "Café";
    tag.Album = "日本";
    tag.Comment = "€";
    const std::string cyrillic = RenderId3v1(tag, kCp1251);
    EXPECT_EQ(cyrillic.substr(3, 7), std::string("\xCF\xF0\xE8\xE2\xE5\xF2") + '\0');
    EXPECT_EQ(cyrillic.substr(33, 5), std::string("Caf?") + '\0');
    EXPECT_EQ(cyrillic.substr(63, 3), std::string("??") + '\0');
    EXPECT_EQ(cyrillic.substr(97, 2), std::string("\x88") + '\0');

    const std::string western = RenderId3v1(tag, kCp1252);
    EXPECT_EQ(western.substr(3, 7), std::string("??????") + '\0');
    EXPECT_EQ(western.substr(33, 5), std::string("Caf\xE9") + '\0');
    EXPECT_EQ(western.substr(97, 2), std::string("\x80") + '\0');
}

TEST(Id3v1Write, WidthsCountBytesOfTheCodePageNotUtf8Bytes) {
    Id3v1Tag tag;
    tag.Title = std::string(15, 'a') + "яяяяяяяяяяяяяяяяяяя";  // 34 characters, 53 UTF-8 bytes
    const std::string image = RenderId3v1(tag, kCp1251);
    EXPECT_EQ(image.substr(3, 30), std::string(15, 'a') + std::string(15, '\xFF'));
    Id3v1Tag back;
    ASSERT_TRUE(ParseId3v1(reinterpret_cast<const unsigned char*>(image.data()), back, kCp1251));
    EXPECT_EQ(back.Title, std::string(15, 'a') + "яяяяяяяяяяяяяяя");
}

// An append or an overwrite stopped half-way (a full disk, a file-size limit) is undone: the file
// is byte for byte as before, and the failure is reported.
TEST(Id3v1Write, AFailedWriteIsUndone) {
    TempDir dir;
    const std::string path = dir / "a.mp3";
    for (const std::string& original : {SilentFrames(1), SilentFrames(1) + Id3v1Bytes("Old", "", "", "", "", 0, 0)}) {
        WriteFile(path, original);
        fileio::fault::FailNth(fileio::fault::Op::Write, 1, EFBIG);
        const TagOutcome outcome = WriteId3v1Tag(path, SampleTag(), kCp1251);
        fileio::fault::Clear();
        EXPECT_EQ(outcome.Step, TagStep::WriteInPlace);
        EXPECT_EQ(outcome.Error, EFBIG);
        EXPECT_EQ(ReadFile(path), original);
    }
}

TEST(Id3v1Write, MissingOrUnwritableFileGivesMinusOne) {
    TempDir dir;
    EXPECT_EQ(WriteId3v1Tag(dir / "missing.mp3", SampleTag(), kCp1251).Result, TagResult::Missing);
    EXPECT_EQ(WriteId3v1Tag(dir.MakeDir("folder.mp3"), SampleTag(), kCp1251).Result, TagResult::Failed);
}

// --- Removing ---

TEST(Id3v1Remove, CutsTheLast128Bytes) {
    TempDir dir;
    const std::string path = dir / "a.mp3";
    const std::string audio = SilentFrames();
    WriteFile(path, audio + Id3v1Bytes("T", "", "", "", "", 0, 0));
    EXPECT_EQ(RemoveId3v1Tag(path, false).Result, TagResult::Done);
    EXPECT_EQ(ReadFile(path), audio);
    EXPECT_EQ(RemoveId3v1Tag(path, false).Result, TagResult::NoTag);
    EXPECT_EQ(ReadFile(path), audio);
}

TEST(Id3v1Remove, FilesWithoutATagStayUnchanged) {
    TempDir dir;
    for (const std::string& bytes : {SilentFrames(), std::string("TAG"), std::string()}) {
        const std::string path = dir / "a.mp3";
        WriteFile(path, bytes);
        EXPECT_EQ(RemoveId3v1Tag(path, true).Result, TagResult::NoTag);
        EXPECT_EQ(ReadFile(path), bytes);
    }
    EXPECT_EQ(RemoveId3v1Tag(dir / "missing.mp3", true).Result, TagResult::Missing);
}

TEST(Id3v1Remove, ReadOnlyFileNeedsTryChangeAttrs) {
    TempDir dir;
    const std::string path = dir / "a.mp3";
    const std::string audio = SilentFrames();
    const std::string original = audio + Id3v1Bytes("T", "", "", "", "", 0, 0);
    WriteFile(path, original);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);

    EXPECT_EQ(RemoveId3v1Tag(path, false).Result, TagResult::ReadOnly);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(ModeOf(path), 0444u);

    EXPECT_TRUE(RemoveId3v1Tag(path, true).Done());
    EXPECT_EQ(ReadFile(path), audio);
    EXPECT_EQ(ModeOf(path), 0644u);  // only the owner's write bit is added
}

}  // namespace
}  // namespace tagmora
