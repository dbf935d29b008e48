// The no-replace rename: names the file system would refuse, never replacing, the same file
// under another name, and the rename through a temporary name.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AccessOverride.h"
#include "RenameFixture.h"
#include "platform/FileIo.h"
#include "rename/SafeRename.h"

namespace tagmora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Strings = std::vector<std::string>;

Strings FilesOf(const TempDir& dir) {
    Strings out;
    test::CollectFiles(dir.Path(), "", out);
    std::sort(out.begin(), out.end());
    return out;
}

TEST(CheckNewPath, RefusesNulBytesAndOverlongComponents) {
    EXPECT_EQ(CheckNewPath("/music/a.mp3"), 0);
    EXPECT_EQ(CheckNewPath(std::string("/music/a\0b.mp3", 14)), EINVAL);
    const std::string longest(kMaxNameBytes, 'x');
    EXPECT_EQ(CheckNewPath("/music/" + longest), 0);
    EXPECT_EQ(CheckNewPath("/music/" + longest + "y"), ENAMETOOLONG);
    EXPECT_EQ(CheckNewPath("/" + longest + "y/a.mp3"), ENAMETOOLONG);  // a folder component too
    // Bytes, not characters: 128 two-byte letters are 256 bytes.
    std::string cyrillic;
    for (int i = 0; i < 128; ++i) cyrillic += "Ж";
    EXPECT_EQ(CheckNewPath("/music/" + cyrillic), ENAMETOOLONG);
    std::string deep;
    while (deep.size() <= kMaxPathBytes) deep += "/abcdefgh";
    EXPECT_EQ(CheckNewPath(deep), ENAMETOOLONG);
}

TEST(CheckNewPath, RefusesNamesThatWouldHideTheFile) {
    // Empty before the extension, or starting with ".": the file would be hidden.
    for (const char* name : {".mp3", "..mp3", ".x.mp3", "...mp3"}) {
        EXPECT_EQ(CheckNewPath(std::string("/music/") + name), kNameHidden) << name;
    }
    EXPECT_NE(RenameErrorText(kNameHidden).find("hidden file"), std::string::npos);
    for (const char* name : {"x.mp3", "x..mp3", " .mp3", "/music/.folder/x.mp3"}) {
        EXPECT_EQ(CheckNewPath(std::string("/music/") + name), 0) << name;
    }
    EXPECT_NE(RenameErrorText(kNameIsPath).find("\"/\""), std::string::npos);
    EXPECT_EQ(RenameErrorText(kScriptFailed), "the script gives Error on this file");
    EXPECT_EQ(RenameErrorText(EEXIST), "File exists");
}

TEST(RenameFileNoReplace, HiddenNamesAndPathsThroughALinkFail) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "A");
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / ".mp3"), kNameHidden);
    // "link/.." reads as this folder, but the system follows the link into the other folder first.
    dir.MakeDir("elsewhere/inner");
    ASSERT_EQ(::symlink((dir / "elsewhere/inner").c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / "link/../b.mp3"), EINVAL);
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir.Path() + "/./b.mp3"), 0);
    EXPECT_EQ(FilesOf(dir), (Strings{"b.mp3", "link"}));
}

TEST(MoveFileNoReplace, AFolderThatCannotBeMadeReportsItsOwnCause) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "A");
    const std::string locked = dir.MakeDir("locked");
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    const int error =
        test::RunWithoutAccessOverride([&] { return MoveFileNoReplace(dir / "a.mp3", locked + "/New/a.mp3"); });
    EXPECT_EQ(error, EACCES);  // not ENOENT, the missing folder the move then meets
    EXPECT_EQ(ReadFile(dir / "a.mp3"), "A");
    EXPECT_EQ(MoveFileNoReplace(dir / "a.mp3", dir / "Sub/.hidden.mp3"), kNameHidden);
    struct stat st {};
    EXPECT_NE(::stat((dir / "Sub").c_str(), &st), 0);  // refused before any folder is made
}

TEST(RenameFileNoReplace, NeverReplacesAndCreatesNoFolder) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "A");
    WriteFile(dir / "b.mp3", "B");
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / "b.mp3"), EEXIST);
    // Never into another folder, existing or not.
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / "New/a.mp3"), EINVAL);
    dir.MakeDir("Old");
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / "Old/a.mp3"), EINVAL);
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / "Old/../../a.mp3"), EINVAL);
    EXPECT_EQ(RenameFileNoReplace(dir / "missing.mp3", dir / "c.mp3"), ENOENT);
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / (std::string(256, 'n') + ".mp3")), ENAMETOOLONG);
    EXPECT_EQ(FilesOf(dir), (Strings{"a.mp3", "b.mp3"}));
    EXPECT_EQ(ReadFile(dir / "b.mp3"), "B");

    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / "c.mp3"), 0);
    EXPECT_EQ(ReadFile(dir / "c.mp3"), "A");
    // The same entry written another way is already where it should be.
    EXPECT_EQ(RenameFileNoReplace(dir / "c.mp3", dir.Path() + "//c.mp3"), 0);
    EXPECT_EQ(FilesOf(dir), (Strings{"b.mp3", "c.mp3"}));
}

TEST(MoveFileNoReplace, RefusedNamesCreateNoFolders) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "A");
    EXPECT_EQ(MoveFileNoReplace(dir / "a.mp3", dir / ("New/" + std::string(300, 'x') + ".mp3")), ENAMETOOLONG);
    EXPECT_EQ(MoveFileNoReplace(dir / "a.mp3", dir / std::string("New/a\0.mp3", 10)), EINVAL);
    EXPECT_EQ(FilesOf(dir), (Strings{"a.mp3"}));
    struct stat st {};
    EXPECT_NE(::stat((dir / "New").c_str(), &st), 0);

    EXPECT_EQ(MoveFileNoReplace(dir / "a.mp3", dir / "New/Sub/a.mp3"), 0);
    EXPECT_EQ(ReadFile(dir / "New/Sub/a.mp3"), "A");
}

// On a case-sensitive file system a hard link is the only way to see one file under two names.
// Only names that differ in letter case alone count as the same file; the rename through a
// temporary name then still meets the other entry and is rolled back.
// A file that another of the program's processes holds (it is writing its tag) is not renamed
// under it: the rename waits, then fails with its reason, and nothing has changed.
TEST(RenameFileNoReplace, AFileInUseByAnotherWriterStays) {
    TempDir dir;
    WriteFile(dir / "a.mp3", "song");
    const int writer = ::open((dir / "a.mp3").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    fileio::SetLockWaitMilliseconds(100);
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / "b.mp3"), kFileInUse);
    EXPECT_EQ(MoveFileNoReplace(dir / "a.mp3", dir / "sub/b.mp3"), kFileInUse);
    fileio::SetLockWaitMilliseconds(5000);
    EXPECT_EQ(RenameErrorText(kFileInUse), "the file is in use by another Tagmora");
    ::close(writer);
    EXPECT_EQ(FilesOf(dir), Strings{"a.mp3"});
    EXPECT_EQ(RenameFileNoReplace(dir / "a.mp3", dir / "b.mp3"), 0);
}

TEST(SameFileOtherCase, HardLinksShowWhatCountsAsTheSameFile) {
    TempDir dir;
    WriteFile(dir / "song.mp3", "S");
    ASSERT_EQ(::link((dir / "song.mp3").c_str(), (dir / "SONG.mp3").c_str()), 0);
    ASSERT_EQ(::link((dir / "song.mp3").c_str(), (dir / "other.mp3").c_str()), 0);
    WriteFile(dir / "Song.mp3", "different file");

    EXPECT_EQ(ClassifyExistingTarget(dir / "song.mp3", dir / "SONG.mp3"), ExistingTarget::SameFileOtherCase);
    EXPECT_EQ(ClassifyExistingTarget(dir / "song.mp3", dir / "other.mp3"), ExistingTarget::OtherFile);
    EXPECT_EQ(ClassifyExistingTarget(dir / "song.mp3", dir / "Song.mp3"), ExistingTarget::OtherFile);
    EXPECT_EQ(ClassifyExistingTarget(dir / "song.mp3", dir / "song.mp3"), ExistingTarget::SameEntry);
    EXPECT_EQ(ClassifyExistingTarget(dir / "gone.mp3", dir / "song.mp3"), ExistingTarget::OtherFile);

    // Each rename fails and leaves every entry as it was, with no temporary name behind.
    EXPECT_EQ(RenameFileNoReplace(dir / "song.mp3", dir / "SONG.mp3"), EEXIST);
    EXPECT_EQ(RenameFileNoReplace(dir / "song.mp3", dir / "other.mp3"), EEXIST);
    EXPECT_EQ(MoveFileNoReplace(dir / "song.mp3", dir / "SONG.mp3"), EEXIST);
    EXPECT_EQ(FilesOf(dir), (Strings{"SONG.mp3", "Song.mp3", "other.mp3", "song.mp3"}));
    EXPECT_EQ(ReadFile(dir / "Song.mp3"), "different file");

    // The same name in another folder is another entry, even as a hard link.
    dir.MakeDir("Sub");
    ASSERT_EQ(::link((dir / "song.mp3").c_str(), (dir / "Sub/SONG.mp3").c_str()), 0);
    EXPECT_EQ(ClassifyExistingTarget(dir / "song.mp3", dir / "Sub/SONG.mp3"), ExistingTarget::OtherFile);
    // Cyrillic letters fold too.
    WriteFile(dir / "ёж.mp3", "Ё");
    ASSERT_EQ(::link((dir / "ёж.mp3").c_str(), (dir / "ЁЖ.mp3").c_str()), 0);
    EXPECT_EQ(ClassifyExistingTarget(dir / "ёж.mp3", dir / "ЁЖ.mp3"), ExistingTarget::SameFileOtherCase);
}

TEST(SameFileOtherCase, RenameThroughATemporaryName) {
    TempDir dir;
    WriteFile(dir / "song.mp3", "S");
    EXPECT_EQ(RenameViaTemporary(dir / "song.mp3", dir / "Song.mp3"), 0);
    EXPECT_EQ(FilesOf(dir), (Strings{"Song.mp3"}));
    EXPECT_EQ(ReadFile(dir / "Song.mp3"), "S");

    // When the last step meets an existing file, the source gets its name back.
    WriteFile(dir / "taken.mp3", "T");
    EXPECT_EQ(RenameViaTemporary(dir / "Song.mp3", dir / "taken.mp3"), EEXIST);
    EXPECT_EQ(FilesOf(dir), (Strings{"Song.mp3", "taken.mp3"}));
    EXPECT_EQ(ReadFile(dir / "taken.mp3"), "T");
    EXPECT_EQ(RenameViaTemporary(dir / "missing.mp3", dir / "x.mp3"), ENOENT);
}

}  // namespace
}  // namespace tagmora
