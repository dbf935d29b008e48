// Tests of the file I/O module: opening only regular files without blocking, reading at the end
// of a file, atomic replacement (permissions, links, failures) and the removal of leftovers.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "platform/FileIo.h"

namespace tagmora::fileio {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0xFFFFu;
}

FileIdentity IdentityOfPath(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

FileWriter Writes(std::string bytes) {
    return [bytes = std::move(bytes)](int fd) { return WriteAll(fd, bytes); };
}

// The variants of the replacement: the module's own temporary name, one the caller chose, and
// the unique one that a failed rename keeps.
struct Variant {
    const char* Name;
    bool CallerTemp;
    bool KeepOnRenameFailure = false;
};
constexpr Variant kVariants[] = {
    {"own temporary name", false}, {"caller's temporary name", true}, {"unique temporary name, kept", false, true}};

int Replace(const Variant& variant, const std::string& path, const FileWriter& writer) {
    if (variant.KeepOnRenameFailure) {
        const ReplaceResult result = ReplaceFileKeepingTemporary(path, IdentityOfPath(path), writer);
        EXPECT_FALSE(result.RenameFailed() && result.Error == 0);
        return result.Error;
    }
    if (!variant.CallerTemp) return ReplaceFileAtomically(path, writer);
    return ReplaceFileAtomically(path, fs::path(path).parent_path() / "chosen.tmp", writer);
}

TEST(ReplaceFileAtomically, KeepsThePermissionBits) {
    for (const Variant& variant : kVariants) {
        for (const unsigned mode : {0600u, 0640u, 0755u, 0444u, 02750u}) {
            TempDir dir;
            const std::string path = dir / "file.reg";
            WriteFile(path, "old");
            ASSERT_EQ(::chmod(path.c_str(), mode), 0);
            ASSERT_EQ(Replace(variant, path, Writes("new")), 0) << variant.Name;
            EXPECT_EQ(ReadFile(path), "new");
            EXPECT_EQ(ModeOf(path), mode) << variant.Name << " " << std::oct << mode;
            EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"file.reg"});
        }
    }
}

TEST(ReplaceFileAtomically, AFailingWriterLeavesTheTargetAndNoTemporaryFile) {
    const std::vector<std::pair<const char*, FileWriter>> writers = {
        {"fails at once", [](int) { return EIO; }},
        {"fails half-way", [](int fd) { return WriteAll(fd, "partial") == 0 ? ENOSPC : EIO; }},
    };
    for (const Variant& variant : kVariants) {
        for (const auto& [what, writer] : writers) {
            TempDir dir;
            const std::string path = dir / "file.reg";
            WriteFile(path, "old contents");
            const int result = Replace(variant, path, writer);
            EXPECT_TRUE(result == EIO || result == ENOSPC) << variant.Name << ", " << what << ": " << result;
            EXPECT_EQ(ReadFile(path), "old contents") << variant.Name << ", " << what;
            EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"file.reg"}) << variant.Name << ", " << what;
        }
    }
}

TEST(ReplaceFileAtomically, AnExistingTemporaryNameIsNeitherUsedNorRemoved) {
    TempDir dir;
    const std::string path = dir / "file.reg";
    WriteFile(path, "old");
    WriteFile(dir / "chosen.tmp", "someone else's");
    bool called = false;
    EXPECT_EQ(ReplaceFileAtomically(path, dir / "chosen.tmp",
                                    [&](int fd) {
                                        called = true;
                                        return WriteAll(fd, "new");
                                    }),
              EEXIST);
    EXPECT_FALSE(called);
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(ReadFile(dir / "chosen.tmp"), "someone else's");
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"chosen.tmp", "file.reg"}));
}

TEST(ReplaceFileKeepingTemporary, AFailedRenameKeepsTheCompleteTemporaryFile) {
    TempDir dir;
    dir.MakeDir("target.reg/inner");  // a folder: the rename over it fails
    const std::string path = dir / "target.reg";
    const ReplaceResult result = ReplaceFileKeepingTemporary(path, IdentityOfPath(path), Writes("new"));
    ASSERT_TRUE(result.RenameFailed());
    EXPECT_NE(result.Error, 0);
    const std::string temp = result.TempPath;
    EXPECT_EQ(ReadFile(temp), "new");
    EXPECT_NE(RenameReplacement(path, temp, IdentityOfPath(path)), 0);  // still a folder there
    // Another file in the target's place since the write began: the rename is refused.
    const FileIdentity folder = IdentityOfPath(path);
    WriteFile(dir / "someone's", "someone's new file");
    fs::remove_all(path);
    fs::rename(dir / "someone's", path);
    EXPECT_EQ(RenameReplacement(path, temp, folder), ESTALE);
    EXPECT_EQ(RenameReplacement(path, temp, IdentityOfPath(path)), 0);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"target.reg"});
}

TEST(RemoveFile, GoneOrAbsentIsDoneAFolderIsNot) {
    TempDir dir;
    WriteFile(dir / "file", "x");
    EXPECT_EQ(RemoveFile(dir / "file"), 0);
    EXPECT_FALSE(fs::exists(dir / "file"));
    EXPECT_EQ(RemoveFile(dir / "file"), 0);
    dir.MakeDir("folder");
    EXPECT_EQ(RemoveFile(dir / "folder"), EISDIR);
    EXPECT_TRUE(fs::exists(dir / "folder"));
}

TEST(ReplaceFileAtomically, ReplacesTheTargetOfASymbolicLink) {
    struct Case {
        const char* Link;
        const char* Target;  // as written into the link
    };
    for (const Case& c : {Case{"link.reg", "real.reg"}, Case{"sub/link.reg", "../real.reg"}}) {
        TempDir dir;
        dir.MakeDir("sub");
        const std::string real = dir / "real.reg";
        WriteFile(real, "old");
        ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
        const std::string link = dir / c.Link;
        ASSERT_EQ(::symlink(c.Target, link.c_str()), 0);
        const std::vector<std::string> before = FolderEntries(dir.Path());

        ASSERT_EQ(ReplaceFileAtomically(link, Writes("new")), 0) << c.Link;
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), c.Target);
        EXPECT_EQ(ReadFile(real), "new");
        EXPECT_EQ(ModeOf(real), 0640u);
        EXPECT_EQ(FolderEntries(dir.Path()), before) << c.Link;
        EXPECT_EQ(FolderEntries(dir / "sub").size(), c.Link[0] == 's' ? 1u : 0u) << c.Link;
    }
}

TEST(ReplaceFileAtomically, ANewFileIsTheOwnersOnly) {
    for (const Variant& variant : kVariants) {
        if (variant.KeepOnRenameFailure) continue;  // replaces only a file that is there
        TempDir dir;
        const std::string path = dir / "new.reg";
        ASSERT_EQ(Replace(variant, path, Writes("fresh")), 0) << variant.Name;
        EXPECT_EQ(ReadFile(path), "fresh");
        EXPECT_EQ(ModeOf(path), 0600u) << variant.Name;
        EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"new.reg"});
    }
}

// A document made anew is readable as the file-creation mask allows; a replaced one keeps its bits.
TEST(ReplaceFileAtomically, ANewDocumentFollowsTheUmask) {
    const mode_t saved = ::umask(027);
    TempDir dir;
    const std::string path = dir / "new.xlsx";
    const auto replace = [&] { return ReplaceFileAtomically(path, Writes("book"), NewFileAccess::ByUmask); };
    EXPECT_EQ(replace(), 0);
    EXPECT_EQ(ModeOf(path), 0640u);
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    EXPECT_EQ(replace(), 0);
    EXPECT_EQ(ModeOf(path), 0604u);
    ::umask(saved);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"new.xlsx"});
}

TEST(OpenRegularFile, OpensOnlyRegularFilesAndNeverBlocks) {
    TempDir dir;
    WriteFile(dir / "file.mp3", "12345");
    ASSERT_EQ(::chmod((dir / "file.mp3").c_str(), 0640), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.mp3").c_str(), 0600), 0);
    dir.MakeDir("folder.mp3");
    ASSERT_EQ(::symlink("missing.mp3", (dir / "dangling.mp3").c_str()), 0);
    struct Case {
        const char* Name;
        int Error;
        bool Missing;
        bool NotRegular;
    };
    const Case cases[] = {
        {"file.mp3", 0, false, false},
        {"fifo.mp3", EINVAL, false, true},  // no writer at the other end: a blocking open would hang
        {"folder.mp3", EISDIR, false, true},
        {"missing.mp3", ENOENT, true, false},
        {"dangling.mp3", ENOENT, true, false},
        {"file.mp3/below", ENOTDIR, true, false},
    };
    for (const Case& c : cases) {
        const OpenedFile opened = OpenRegularFile(dir / c.Name);
        EXPECT_EQ(opened.Ok(), c.Error == 0) << c.Name;
        EXPECT_EQ(opened.Error, c.Error) << c.Name;
        EXPECT_EQ(opened.Missing(), c.Missing) << c.Name;
        EXPECT_EQ(opened.NotRegular, c.NotRegular) << c.Name;
    }
    const OpenedFile file = OpenRegularFile(dir / "file.mp3", true);
    ASSERT_TRUE(file.Ok());
    EXPECT_EQ(file.Size, 5);
    EXPECT_EQ(file.Mode, 0640u);
    EXPECT_EQ(OpenRegularFile(dir / "fifo.mp3", true).Error, EINVAL);
    EXPECT_EQ(OpenRegularFile(dir / "folder.mp3", true).Error, EISDIR);

    std::string content = "stale";
    EXPECT_EQ(ReadWholeFile(dir / "fifo.mp3", content), EINVAL);
    EXPECT_EQ(ReadWholeFile(dir / "file.mp3", content), 0);
    EXPECT_EQ(content, "12345");
}

TEST(ReadAt, StopsAtTheEndOfTheFile) {
    TempDir dir;
    WriteFile(dir / "six", "abcdef");
    const OpenedFile opened = OpenRegularFile(dir / "six");
    ASSERT_TRUE(opened.Ok());
    struct Case {
        std::size_t Count;
        std::int64_t Offset;
        std::string Got;  // what ReadAt delivers
        int FullyResult;  // what ReadFullyAt returns for the same request
    };
    const Case cases[] = {
        {6, 0, "abcdef", 0}, {2, 4, "ef", 0}, {4, 4, "ef", EIO}, {1, 6, "", EIO}, {0, 6, "", 0}, {3, 100, "", EIO},
    };
    for (const Case& c : cases) {
        std::string buffer(c.Count, '\0');
        std::size_t got = 99;
        EXPECT_EQ(ReadAt(opened.File.Get(), buffer.data(), c.Count, c.Offset, got), 0);
        EXPECT_EQ(buffer.substr(0, got), c.Got) << c.Count << " at " << c.Offset;
        EXPECT_EQ(ReadFullyAt(opened.File.Get(), buffer.data(), c.Count, c.Offset), c.FullyResult)
            << c.Count << " at " << c.Offset;
    }
    char byte = 0;
    std::size_t got = 0;
    EXPECT_EQ(ReadAt(-1, &byte, 1, 0, got), EBADF);
    EXPECT_EQ(Truncate(opened.File.Get(), 2), EINVAL);  // opened for reading only

    const OpenedFile writable = OpenRegularFile(dir / "six", true);
    ASSERT_TRUE(writable.Ok());
    EXPECT_EQ(Truncate(writable.File.Get(), 2), 0);
    EXPECT_EQ(ReadFile(dir / "six"), "ab");
}

// A folder larger than one read of its entries is listed whole, each entry with its kind (a
// link as what it leads to), with the folder's identity.
TEST(ListFolderEntries, ListsEveryEntryOfALargeFolderByKindWithItsIdentity) {
    TempDir dir;
    std::vector<std::string> expected;
    for (int i = 0; i < 1500; ++i) {
        expected.push_back("a file with a name long enough to fill the buffer " + std::to_string(i) + ".mp3");
        WriteFile(dir / expected.back(), "x");
    }
    fs::create_directory_symlink(dir.MakeDir("sub"), dir / "link");
    fs::create_symlink(dir / "gone", dir / "dangling");
    WriteFile(dir / ".hidden", "x");
    std::vector<std::string> files;
    std::vector<std::string> others;
    FileIdentity identity;
    const int error = ListFolderEntries(
        dir.Path() + "/", false,
        [&](std::string_view name, EntryKind kind) {
            (kind == EntryKind::File ? files : others)
                .push_back(std::string(name) + (kind == EntryKind::Folder ? "/" : ""));
        },
        &identity);
    EXPECT_EQ(error, 0);
    std::sort(files.begin(), files.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);
    std::sort(others.begin(), others.end());
    EXPECT_EQ(others, (std::vector<std::string>{"dangling", "link/", "sub/"}));
    EXPECT_EQ(identity, IdentityOfPath(dir.Path()));
    EXPECT_EQ(ListFolderEntries(dir / "gone/", false, [](std::string_view, EntryKind) {}), ENOENT);
}

TEST(RemoveLeftoverTemporaries, RemovesOnlyOldTemporaryFilesOfThatName) {
    TempDir dir;
    const std::string path = dir / "user.reg";
    WriteFile(path, "settings");
    const std::vector<std::string> leftovers = {".user.reg.tmp-a1B2c3", ".user.reg.tmp-XXXXXX"};
    const std::vector<std::string> others = {".user.reg.tmp-abc",    ".user.reg.tmp-abcdefg", ".user.reg.tmp-ab.def",
                                             "user.reg.tmp-abcdef",  ".other.reg.tmp-abcdef", ".user.reg.bak-abcdef",
                                             ".user.reg.tmp-link00", ".user.reg.tmp-folder",  ".user.reg.tmp-young0"};
    for (const auto& name : leftovers) WriteFile(dir / name, "half written");
    for (const auto& name : others) {
        if (name.ends_with("link00")) {
            ASSERT_EQ(::symlink("user.reg", (dir / name).c_str()), 0);
        } else if (name.ends_with("folder")) {
            dir.MakeDir(name);
        } else {
            WriteFile(dir / name, "not ours");
        }
    }
    // Everything is an hour old but the one a replacement running now would be writing.
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& e : fs::directory_iterator(dir.Path())) {
        if (!e.is_symlink() && e.path().filename() != ".user.reg.tmp-young0") fs::last_write_time(e.path(), hourAgo);
    }

    EXPECT_EQ(RemoveLeftoverTemporaries(path, 60), 2);
    std::vector<std::string> expected = others;
    expected.push_back("user.reg");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(dir.Path()), expected);
    EXPECT_EQ(RemoveLeftoverTemporaries(path, 0), 1);  // the young one, once it may go
}

}  // namespace
}  // namespace tagmora::fileio
