// TSStrings: sorted ignoring case, duplicates ignoring case refused, and the round trip through
// the settings store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"
#include "script/SStrings.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

namespace tagmora {
namespace {

using Strings = std::vector<std::string>;

TEST(TSStrings, KeepsAlphabeticalOrderIgnoringCaseWithoutDuplicates) {
    TSStrings list;
    EXPECT_TRUE(list.Add("%p0%"));
    EXPECT_TRUE(list.Add("beta"));
    EXPECT_TRUE(list.Add("Alpha"));
    EXPECT_TRUE(list.Add("Яблоко"));
    EXPECT_TRUE(list.Add("груша"));
    EXPECT_TRUE(list.Add("Charlie"));
    EXPECT_EQ(list.Items(), (Strings{"%p0%", "Alpha", "beta", "Charlie", "груша", "Яблоко"}));

    EXPECT_FALSE(list.Add("ALPHA"));
    EXPECT_FALSE(list.Add("ГРУША"));
    EXPECT_FALSE(list.Add("яблоко"));
    EXPECT_EQ(list.Count(), 6u);
    EXPECT_EQ(list[1], "Alpha");  // the first spelling stays
    EXPECT_TRUE(list.Add("alphabet"));
    EXPECT_EQ(list[2], "alphabet");
    EXPECT_EQ(list.Text(), "%p0%\r\nAlpha\r\nalphabet\r\nbeta\r\nCharlie\r\nгруша\r\nЯблоко\r\n");
}

class TSStringsStoreTest : public ::testing::Test {
protected:
    TSStringsStoreTest() : store(dir / "user.reg", "") {}
    void Store(RegValue value) {
        ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kSettingsKey, {{"RenameScripts", value}}));
    }
    test::TempDir dir;
    FileSettingsStore store;
};

TEST_F(TSStringsStoreTest, RoundTripThroughTheStoreFile) {
    TSStrings saved;
    for (const char* s : {"%p1%\\%p0n[-4]%", "%nn% - %t1%", "Zed", "\xD0\x96 tab\there"}) saved.Add(s);
    ASSERT_TRUE(saved.SaveToRegistry(store, kSettingsKey, "RenameScripts"));

    FileSettingsStore again(dir / "user.reg", "");
    const auto value = again.ReadValue(Hive::CurrentUser, kSettingsKey, "RenameScripts");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Type, RegType::Sz);
    EXPECT_EQ(value->Text, saved.Text());

    TSStrings loaded;
    loaded.Add("dropped on load");
    ASSERT_TRUE(loaded.LoadFromRegistry(again, kSettingsKey, "RenameScripts"));
    EXPECT_EQ(loaded.Items(), saved.Items());
}

TEST_F(TSStringsStoreTest, LoadSplitsAtEveryLineBreakAndSorts) {
    Store(RegValue::String("b\r\na\nc\rB\r\n\r\nd"));
    TSStrings list;
    ASSERT_TRUE(list.LoadFromRegistry(store, kSettingsKey, "RenameScripts"));
    // An empty line inside stays an entry; "B" repeats "b" ignoring case.
    EXPECT_EQ(list.Items(), (Strings{"", "a", "b", "c", "d"}));

    Store(RegValue::String("one\r\n"));
    ASSERT_TRUE(list.LoadFromRegistry(store, kSettingsKey, "RenameScripts"));
    EXPECT_EQ(list.Items(), (Strings{"one"}));
}

TEST_F(TSStringsStoreTest, MissingKeyValueOrWrongType) {
    TSStrings list;
    list.Add("kept");
    EXPECT_FALSE(list.LoadFromRegistry(store, kSettingsKey, "RenameScripts"));
    EXPECT_EQ(list.Items(), (Strings{"kept"}));

    // An existing key without the value reads as empty.
    ASSERT_TRUE(store.WriteValues(Hive::CurrentUser, kSettingsKey, {{"Other", RegValue::Number(1)}}));
    EXPECT_TRUE(list.LoadFromRegistry(store, kSettingsKey, "RenameScripts"));
    EXPECT_TRUE(list.Items().empty());

    Store(RegValue::Number(5));
    list.Add("x");
    EXPECT_TRUE(list.LoadFromRegistry(store, kSettingsKey, "RenameScripts"));
    EXPECT_TRUE(list.Items().empty());

    // A store that cannot be written reports it.
    test::WriteFile(dir / "file", "x");
    FileSettingsStore blocked(dir / "file/user.reg", "");
    EXPECT_FALSE(list.SaveToRegistry(blocked, kSettingsKey, "RenameScripts"));
}

}  // namespace
}  // namespace tagmora
