// Tests of the settings store: atomic replacement and the file-backed store. Every failure case
// leaves the old file as it was.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "HiveValue.h"
#include "TestFiles.h"
#include "settings/SettingsStore.h"

namespace tagmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using test::kCU;
using test::ValueOf;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string HexDword(int value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value));
    return digits;
}

// ---- Atomic replacement -----------------------------------------------------------------------

TEST(AtomicWrite, CreatesFoldersAndLeavesNoTemporaryFiles) {
    TempDir dir;
    const std::string path = dir / "a/b/settings.reg";
    ASSERT_EQ(WriteFileAtomically(path, "first"), 0);
    EXPECT_EQ(ReadFile(path), "first");
    ASSERT_EQ(WriteFileAtomically(path, "second, longer"), 0);
    EXPECT_EQ(ReadFile(path), "second, longer");
    ASSERT_EQ(WriteFileAtomically(path, ""), 0);
    EXPECT_EQ(ReadFile(path), "");
    EXPECT_EQ(FolderEntries(dir / "a/b"), std::vector<std::string>{"settings.reg"});
}

TEST(AtomicWrite, KeepsPermissionsAndSymbolicLinks) {
    TempDir dir;
    const std::string real = dir / "real.reg";
    WriteFile(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    const std::string link = dir / "link.reg";
    fs::create_symlink(real, link);

    ASSERT_EQ(WriteFileAtomically(link, "new"), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "new");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"link.reg", "real.reg"}));
}

TEST(AtomicWrite, FailsWithoutTouchingAnythingWhenTheFolderCannotBeMade) {
    TempDir dir;
    WriteFile(dir / "plain", "a regular file");
    EXPECT_EQ(WriteFileAtomically(dir / "plain/sub/settings.reg", "x"), ENOTDIR);
    EXPECT_EQ(WriteFileAtomically(dir / "plain/settings.reg", "x"), ENOTDIR);
    EXPECT_EQ(ReadFile(dir / "plain"), "a regular file");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"plain"});
}

TEST(AtomicWrite, FailureLeavesTheOldFileIntact) {
    TempDir dir;
    // The name fits the file system, the temporary name beside it does not: creating it fails.
    const std::string path = dir / std::string(250, 'n');
    WriteFile(path, "old contents");
    EXPECT_EQ(WriteFileAtomically(path, "new contents"), ENAMETOOLONG);
    EXPECT_EQ(ReadFile(path), "old contents");
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 1u);

    // A folder in the way of the rename.
    fs::create_directory(dir / "folder.reg");
    EXPECT_EQ(WriteFileAtomically(dir / "folder.reg", "x"), EISDIR);
    EXPECT_TRUE(fs::is_directory(dir / "folder.reg"));
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u);
}

// ---- FileSettingsStore ------------------------------------------------------------------------

const std::string kKey = "Software\\Doskvel\\Tagmora";

TEST(FileStore, MissingFileIsAnEmptyHiveAndWritesCreateIt) {
    TempDir dir;
    const std::string user = dir / "config/tagmora/user.reg";
    FileSettingsStore store(user, dir / "machine.reg");
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, kKey));
    EXPECT_FALSE(store.ReadValue(Hive::LocalMachine, kKey, "Path").has_value());
    EXPECT_FALSE(fs::exists(user));

    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kKey, {{"A", RegValue::Number(1)}, {"B", RegValue::String("b")}}));
    EXPECT_TRUE(store.KeyExists(Hive::CurrentUser, "software\\doskvel\\TAGMORA"));
    EXPECT_TRUE(store.KeyExists(Hive::CurrentUser, "Software\\Doskvel"));  // a parent of a stored key
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "Software\\Dosk"));
    EXPECT_EQ(FolderEntries(dir / "config/tagmora"), std::vector<std::string>{"user.reg"});

    const RegHive onDisk = ParseRegFile(ReadFile(user), "HKEY_CURRENT_USER");
    ASSERT_NE(ValueOf(onDisk, kKey, "B"), nullptr);
    EXPECT_EQ(ValueOf(onDisk, kKey, "B")->Text, "b");
    FileSettingsStore reopened(user, "");
    EXPECT_EQ(reopened.ReadValue(Hive::CurrentUser, kKey, "a"), RegValue::Number(1));
}

TEST(FileStore, WritesReplaceValuesInPlaceAndAppendNewOnes) {
    TempDir dir;
    FileSettingsStore store(dir / "user.reg", "");
    ASSERT_TRUE(
        store.WriteValues(Hive::CurrentUser, kKey, {{"One", RegValue::Number(1)}, {"Two", RegValue::Number(2)}}));
    ASSERT_TRUE(
        store.WriteValues(Hive::CurrentUser, kKey, {{"three", RegValue::Number(3)}, {"ONE", RegValue::String("uno")}}));
    const RegHive h = ParseRegFile(ReadFile(dir / "user.reg"), "HKEY_CURRENT_USER");
    ASSERT_EQ(h.Keys.size(), 1u);
    ASSERT_EQ(h.Keys[0].Values.size(), 3u);
    EXPECT_EQ(h.Keys[0].Values[0].first, "One");
    EXPECT_EQ(h.Keys[0].Values[0].second, RegValue::String("uno"));
    EXPECT_EQ(h.Keys[0].Values[1].first, "Two");
    EXPECT_EQ(h.Keys[0].Values[2].first, "three");
}

TEST(FileStore, FailedSaveKeepsTheOldFileAndTheOldValues) {
    TempDir dir;
    const std::string user = dir / std::string(250, 'u');
    const std::string original =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" + kKey + "]\n\"A\"=dword:00000001\n\n";
    WriteFile(user, original);
    FileSettingsStore store(user, "");
    EXPECT_FALSE(store.WriteValues(Hive::CurrentUser, kKey, {{"A", RegValue::Number(2)}, {"B", RegValue::Number(3)}}));
    EXPECT_FALSE(store.WriteValues(Hive::CurrentUser, "Other", {}));
    EXPECT_FALSE(store.DeleteKey(Hive::CurrentUser, kKey));
    EXPECT_EQ(ReadFile(user), original);
    EXPECT_EQ(store.ReadValue(Hive::CurrentUser, kKey, "A"), RegValue::Number(1));
    EXPECT_FALSE(store.ReadValue(Hive::CurrentUser, kKey, "B").has_value());
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "Other"));
    EXPECT_TRUE(store.KeyExists(Hive::CurrentUser, kKey));
}

TEST(FileStore, DeleteKeyRemovesTheWholeSubtree) {
    TempDir dir;
    FileSettingsStore store("", "", dir / "classes.reg");
    ASSERT_TRUE(
        store.WriteValues(Hive::ClassesRoot, "Directory\\Shell\\Tagmora", {{"", RegValue::String("Tag&mora")}}));
    ASSERT_TRUE(
        store.WriteValues(Hive::ClassesRoot, "Directory\\Shell\\Tagmora\\command", {{"", RegValue::String("cmd")}}));
    ASSERT_TRUE(store.WriteValues(Hive::ClassesRoot, "Directory\\Shell\\TagmoraOther", {}));
    EXPECT_FALSE(store.DeleteKey(Hive::ClassesRoot, "Directory\\Shell\\Missing"));
    ASSERT_TRUE(store.DeleteKey(Hive::ClassesRoot, "directory\\shell\\tagmora"));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, "Directory\\Shell\\Tagmora\\command"));
    EXPECT_TRUE(store.KeyExists(Hive::ClassesRoot, "Directory\\Shell\\TagmoraOther"));
    const RegHive onDisk = ParseRegFile(ReadFile(dir / "classes.reg"), "HKEY_CLASSES_ROOT");
    ASSERT_EQ(onDisk.Keys.size(), 1u);
    EXPECT_EQ(onDisk.Keys[0].Path, "Directory\\Shell\\TagmoraOther");
    EXPECT_FALSE(store.DeleteKey(Hive::ClassesRoot, "Directory\\Shell\\Tagmora"));
}

TEST(FileStore, AHiveWithoutAFileFindsNothingAndTakesNoWrites) {
    FileSettingsStore store("", "");
    EXPECT_FALSE(store.WriteValues(Hive::ClassesRoot, "Directory", {{"x", RegValue::Number(1)}}));
    EXPECT_FALSE(store.KeyExists(Hive::ClassesRoot, "Directory"));
    EXPECT_FALSE(store.ReadValue(Hive::ClassesRoot, "Directory", "x").has_value());
    EXPECT_FALSE(store.DeleteKey(Hive::ClassesRoot, "Directory"));
}

TEST(FileStore, AnUnreadableHiveIsNeverReplaced) {
    TempDir dir;
    fs::create_directory(dir / "user.reg");  // something that exists but is no file
    FileSettingsStore store(dir / "user.reg", "");
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, kKey));
    EXPECT_FALSE(store.WriteValues(Hive::CurrentUser, kKey, {{"x", RegValue::Number(1)}}));
    EXPECT_TRUE(fs::is_directory(dir / "user.reg"));
}

TEST(FileStore, SeesChangesAnotherStoreSavedAndKeepsThem) {
    TempDir dir;
    const std::string user = dir / "user.reg";
    FileSettingsStore first(user, "");
    FileSettingsStore second(user, "");
    ASSERT_TRUE(first.WriteValues(Hive::CurrentUser, kKey, {{"A", RegValue::Number(1)}}));
    EXPECT_EQ(second.ReadValue(Hive::CurrentUser, kKey, "A"), RegValue::Number(1));
    ASSERT_TRUE(second.WriteValues(Hive::CurrentUser, kKey, {{"B", RegValue::Number(2)}}));
    EXPECT_EQ(first.ReadValue(Hive::CurrentUser, kKey, "B"), RegValue::Number(2));
    ASSERT_TRUE(first.WriteValues(Hive::CurrentUser, kKey, {{"C", RegValue::Number(3)}}));
    FileSettingsStore third(user, "");
    EXPECT_EQ(third.ReadValue(Hive::CurrentUser, kKey, "B"), RegValue::Number(2));
    EXPECT_EQ(third.ReadValue(Hive::CurrentUser, kKey, "C"), RegValue::Number(3));
}

// A save killed between creating its temporary file and renaming it leaves the file behind; the
// next save of that hive clears it, and nothing else.
TEST(FileStore, ASaveClearsTheTemporaryFilesOfKilledSaves) {
    TempDir dir;
    const std::string user = dir / "user.reg";
    FileSettingsStore store(user, "");
    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kKey, {{"A", RegValue::Number(1)}}));
    const std::vector<std::string> leftovers = {".user.reg.tmp-Ab12Cd", ".user.reg.tmp-zzzzzz"};
    const std::vector<std::string> kept = {".machine.reg.tmp-Ab12Cd",  ".user.reg.tmp-Ab12C",  "user.reg.tmp-Ab12Cd",
                                           ".user.reg.tmp-Ab12Cd.bak", ".user.reg.tmp-dir000", "notes.txt"};
    for (const auto& name : leftovers) WriteFile(dir / name, "[HKEY_CURRENT_USER\\half");
    for (const auto& name : kept) {
        if (name.ends_with("dir000")) {
            dir.MakeDir(name);
        } else {
            WriteFile(dir / name, "not the store's");
        }
    }
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    for (const auto& e : fs::directory_iterator(dir.Path())) fs::last_write_time(e.path(), longAgo);

    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kKey, {{"B", RegValue::Number(2)}}));
    std::vector<std::string> expected = kept;
    expected.push_back("user.reg");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(dir.Path()), expected);
    EXPECT_EQ(store.ReadValue(Hive::CurrentUser, kKey, "B"), RegValue::Number(2));
}
// A store far larger than any real one: 100,000 keys, and one key with 100,000 values. Loading
// it, looking every value up by name and saving it again must not compare names pairwise.
TEST(FileStore, AHugeHiveLoadsWholeAndSavesBackUnchanged) {
    constexpr int kCount = 100000;
    std::string file = "Windows Registry Editor Version 5.00\n\n";
    for (int i = 0; i < kCount; ++i) {
        file += "[HKEY_CURRENT_USER\\Bulk\\K" + std::to_string(i) + "]\n\"N\"=dword:" + HexDword(i) + "\n";
    }
    file += "[HKEY_CURRENT_USER\\Wide]\n";
    for (int i = 0; i < kCount; ++i) file += "\"V" + std::to_string(i) + "\"=dword:" + HexDword(i) + "\n";
    // A key and a value met again, in other cases: merged into the first ones, in their places.
    file += "[HKEY_CURRENT_USER\\BULK\\k7]\n\"n\"=dword:00000000\n[HKEY_CURRENT_USER\\wide]\n\"v5\"=dword:00000000\n";

    const RegHive h = ParseRegFile(file, kCU);
    ASSERT_EQ(h.Keys.size(), static_cast<std::size_t>(kCount) + 1);
    const RegKey& wide = h.Keys.back();
    ASSERT_EQ(wide.Path, "Wide");
    ASSERT_EQ(wide.Values.size(), static_cast<std::size_t>(kCount));
    // Each value holds its number, but the two written again hold 0.
    const auto number = [](int i, int rewritten) { return RegValue::Number(i == rewritten ? 0 : i); };
    int wrong = 0;
    for (int i = 0; i < kCount; ++i) {
        const std::string n = std::to_string(i);
        const RegKey& key = h.Keys[static_cast<std::size_t>(i)];
        if (key.Path != "Bulk\\K" + n || key.Values.size() != 1 || key.Values[0].first != "N") ++wrong;
        if (key.Values[0].second != number(i, 7)) ++wrong;
        const auto& [name, value] = wide.Values[static_cast<std::size_t>(i)];
        if (name != "V" + n || value != number(i, 5)) ++wrong;
    }
    EXPECT_EQ(wrong, 0);

    // Every value by name through the store, ignoring case.
    TempDir dir;
    const std::string user = dir / "user.reg";
    WriteFile(user, file);
    FileSettingsStore store(user, "");
    for (int i = 0; i < kCount; ++i) {
        const std::string n = std::to_string(i);
        if (store.ReadValue(Hive::CurrentUser, "bulk\\k" + n, "n") != number(i, 7)) ++wrong;
        if (store.ReadValue(Hive::CurrentUser, "WIDE", "v" + n) != number(i, 5)) ++wrong;
    }
    EXPECT_EQ(wrong, 0);

    // Load, save, load: a write of a value as it stands gives the same hive back.
    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, "Bulk\\K0", {{"n", RegValue::Number(0)}}));
    EXPECT_TRUE(ParseRegFile(ReadFile(user), kCU) == h);
}

// Sets or removes an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(FileStore, DefaultHivePathsFollowTheBaseDirectoriesAndTheProgramFolder) {
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/tmp/xdg-config");
        EXPECT_EQ(FileSettingsStore::DefaultUserHivePath(), "/tmp/xdg-config/tagmora/user.reg");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(FileSettingsStore::DefaultUserHivePath(), "/home/someone/.config/tagmora/user.reg");
        ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(FileSettingsStore::DefaultUserHivePath(), "/home/someone/.config/tagmora/user.reg");
    }
    const fs::path exeFolder = fs::read_symlink("/proc/self/exe").parent_path();
    EXPECT_EQ(FileSettingsStore::DefaultMachineHivePath(),
              (exeFolder.parent_path() / "share/tagmora/machine.reg").string());
}

}  // namespace
}  // namespace tagmora
