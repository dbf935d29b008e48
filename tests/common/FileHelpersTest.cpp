// Tests of the shared text and file helpers: banned characters, folder of a path, moving files
// into new folders without replacing, preparing files for writing, rotation, number conversion.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "TestFiles.h"
#include "common/FileHelpers.h"

namespace tagmora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

TEST(FileHelpers, ReplaceBannedChars) {
    EXPECT_EQ(ReplaceBannedChars("AC/DC: Live?", " "), "AC DC  Live ");
    EXPECT_EQ(ReplaceBannedChars("AC/DC: Live?", ""), "ACDC Live");
    EXPECT_EQ(ReplaceBannedChars("/|\\?;*\"<>:", "_"), "__________");
    EXPECT_EQ(ReplaceBannedChars("Rock-n-Roll, Don't Stop. Ёлка №1 [x]", " "), "Rock-n-Roll, Don't Stop. Ёлка №1 [x]");
    EXPECT_EQ(ReplaceBannedChars("a:b", "…"), "a…b");
}

TEST(FileHelpers, FolderOfPath) {
    EXPECT_EQ(LastBackslashPos("/Music/Album/01.mp3"), 13u);
    EXPECT_EQ(FolderOfPath("/Music/Album/01.mp3"), "/Music/Album/");
    EXPECT_EQ(LastBackslashPos("01.mp3"), 0u);
    EXPECT_EQ(FolderOfPath("01.mp3"), "");
    EXPECT_EQ(FolderOfPath("/01.mp3"), "/");
}

TEST(FileHelpers, MoveCreatesNestedFolders) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "A");
    ASSERT_EQ(MoveFileWithFolders(dir / "a.mp3", dir / "New/Sub/a.mp3").Error, 0);
    EXPECT_FALSE(Exists(dir / "a.mp3"));
    EXPECT_EQ(ReadFile(dir / "New/Sub/a.mp3"), "A");

    // Into an existing folder, and back up again.
    ASSERT_TRUE(MoveFileWithFolders(dir / "New/Sub/a.mp3", dir / "New/b.mp3"));
    EXPECT_EQ(ReadFile(dir / "New/b.mp3"), "A");
}

TEST(FileHelpers, MoveNeverReplacesAnExistingFile) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "A");
    dir.MakeDir("Sub");
    WriteFile(dir / "Sub/b.mp3", "B");
    const FileResult moved = MoveFileWithFolders(dir / "a.mp3", dir / "Sub/b.mp3");
    EXPECT_FALSE(moved);
    EXPECT_EQ(moved.Error, EEXIST);
    EXPECT_EQ(ReadFile(dir / "a.mp3"), "A");
    EXPECT_EQ(ReadFile(dir / "Sub/b.mp3"), "B");
}

TEST(FileHelpers, FailedMoveKeepsCreatedFolders) {
    TempDir dir;
    const FileResult moved = MoveFileWithFolders(dir / "missing.mp3", dir / "X/Y/missing.mp3");
    EXPECT_FALSE(moved);
    EXPECT_EQ(moved.Error, ENOENT);
    EXPECT_TRUE(Exists(dir / "X/Y"));

    // A target folder that cannot be created (a file stands in its way) makes the move fail.
    WriteFile(dir / "a.mp3", "A");
    WriteFile(dir / "file", "F");
    EXPECT_EQ(MoveFileWithFolders(dir / "a.mp3", dir / "file/Sub/a.mp3").Error, ENOTDIR);
    EXPECT_EQ(ReadFile(dir / "a.mp3"), "A");
}

TEST(FileHelpers, PrepareFileForWrite) {
    TempDir dir;
    EXPECT_EQ(PrepareFileForWrite(dir / "missing.mp3", true), FileReadiness::Missing);

    const std::string writable = dir / "w.mp3";
    WriteFile(writable, "x");
    ASSERT_EQ(::chmod(writable.c_str(), 0640), 0);
    EXPECT_EQ(PrepareFileForWrite(writable, false), FileReadiness::Writable);
    EXPECT_EQ(PrepareFileForWrite(writable, true), FileReadiness::Writable);
    EXPECT_EQ(ModeOf(writable), 0640u);

    // Read-only means the owner's write bit is clear, whatever the group and others may do.
    const std::string readOnly = dir / "r.mp3";
    WriteFile(readOnly, "x");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0464), 0);
    EXPECT_EQ(PrepareFileForWrite(readOnly, false), FileReadiness::ReadOnly);
    EXPECT_EQ(ModeOf(readOnly), 0464u);
    EXPECT_EQ(PrepareFileForWrite(readOnly, true), FileReadiness::Writable);
    EXPECT_EQ(ModeOf(readOnly), 0664u);

    const std::string setgid = dir / "s.mp3";
    WriteFile(setgid, "x");
    ASSERT_EQ(::chmod(setgid.c_str(), 02505), 0);
    EXPECT_EQ(PrepareFileForWrite(setgid, true), FileReadiness::Writable);
    EXPECT_EQ(ModeOf(setgid), 02705u);
}

TEST(FileHelpers, RotateTextByCharacter) {
    EXPECT_EQ(RotateText("abc"), "bca");
    EXPECT_EQ(RotateText(RotateText(RotateText("abc"))), "abc");
    EXPECT_EQ(RotateText("Жук"), "укЖ");
    EXPECT_EQ(RotateText("Ж"), "Ж");
    EXPECT_EQ(RotateText(""), "");
}

TEST(FileHelpers, StrToIntCheck) {
    struct Good {
        const char* text;
        std::int32_t value;
    };
    for (const Good& g : std::vector<Good>{{"12", 12},
                                           {"+12", 12},
                                           {"-12", -12},
                                           {"007", 7},
                                           {"2147483647", 2147483647},
                                           {"-2147483648", INT32_MIN},
                                           {"-0", 0}}) {
        std::int32_t v = 99;
        EXPECT_TRUE(StrToIntCheck(g.text, v)) << g.text;
        EXPECT_EQ(v, g.value) << g.text;
    }
    for (const char* bad : {"", " ", "   ", " 12", "12 ", "12a", "a12", "+", "-", "--1", "+-1", "1.5", "0x10", "$10",
                            "1e3", "2147483648", "-2147483649", "99999999999999999999999"}) {
        std::int32_t v = 99;
        EXPECT_FALSE(StrToIntCheck(bad, v)) << "'" << bad << "'";
        EXPECT_EQ(v, 99) << bad;
    }
    std::uint8_t b = 0;
    EXPECT_TRUE(StrToByteCheck("257", b));
    EXPECT_EQ(b, 1);
    EXPECT_TRUE(StrToByteCheck("-1", b));
    EXPECT_EQ(b, 255);
    EXPECT_FALSE(StrToByteCheck("25x", b));
}

}  // namespace
}  // namespace tagmora
