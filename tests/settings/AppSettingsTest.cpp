// Tests of AppSettings: load and save against a store in a temporary folder, the first-run rules,
// the start-up sequence with recording ports, and setting fields by their value names.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "TestFiles.h"
#include "settings/AppSettings.h"

namespace tagmora {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A record whose texts and numbers differ from the zero state and the first-run defaults; its
// Booleans are mixed (Flipped turns every one of them round).
AppSettings Sample() {
    AppSettings s;
    s.ReplaceBannedSymbols = true;
    s.AddPrefix = false;
    s.AddPrefixHow = 3;
    s.AddPrefixStart = -5;
    s.AddPrefixArtist = true;
    s.AddPrefixAlbum = true;
    s.AddPrefixSeparator = " — ";
    s.StartDir = "/home/user/Музыка";
    s.UseShellCall = true;
    s.TryChangeAttrs = false;
    s.ResizeTabHeaders = false;
    s.ShowGrid = false;
    s.NewStyleDialog = false;
    s.ReplaceSymbol = "_";
    s.TAGReadSequence = 3;
    s.ScriptSeparator = "$";
    for (int i = 0; i < kStoredColumnEntries; ++i) {
        s.ShowItem[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i == 21 ? 7 : (i % 3 == 0 ? 1 : 0));
        s.HeaderWidth[static_cast<std::size_t>(i)] = i * 1000 - 2;
    }
    s.HeaderWidth[21] = 0x01020304;
    s.ExcColumnsCount = 4;
    for (int i = 0; i < 4; ++i) {
        ExportColumn& c = s.ExportColumns[static_cast<std::size_t>(i)];
        c.Head = "Head " + std::to_string(i);
        c.Script = "%p" + std::to_string(i) + "%";
        c.Group = i % 2 == 0;
        c.IsLink = i % 2 == 1;
        c.IsLocal = i == 3;
        c.NetAddr = i == 1 ? "http://example.org/%p0%" : "";
    }
    s.IncludeSubDirs = false;
    s.TagCodePage = 1252;
    s.EnqueueCommand = "\"/opt/my player/run\" --enqueue";
    s.Path = "/opt/tagmora/share";
    return s;
}

AppSettings Flipped(AppSettings s) {
    for (bool* b : {&s.ReplaceBannedSymbols, &s.AddPrefix, &s.AddPrefixArtist, &s.AddPrefixAlbum, &s.UseShellCall,
                    &s.TryChangeAttrs, &s.ResizeTabHeaders, &s.ShowGrid, &s.NewStyleDialog, &s.IncludeSubDirs}) {
        *b = !*b;
    }
    for (ExportColumn& c : s.ExportColumns) {
        c.Group = !c.Group;
        c.IsLink = !c.IsLink;
        c.IsLocal = !c.IsLocal;
    }
    return s;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir_ / "machine.reg",
                  "Windows Registry Editor Version 5.00\n\n"
                  "[HKEY_LOCAL_MACHINE\\Software\\Doskvel\\Tagmora]\n"
                  "\"Path\"=\"/opt/tagmora/share\"\n");
    }

    std::string UserFile() const { return dir_ / "user.reg"; }
    std::string MachineFile() const { return dir_ / "machine.reg"; }

    // A fresh store over the files, as a new run of the program would open them.
    FileSettingsStore Store() const { return FileSettingsStore(UserFile(), MachineFile()); }

    SettingsLoadResult Load(AppSettings& s) const {
        FileSettingsStore store = Store();
        return LoadSettings(s, store);
    }

    void SaveSample() const {
        FileSettingsStore store = Store();
        ASSERT_TRUE(SaveSettings(Sample(), store));
    }

    void Put(Hive hive, const std::string& name, RegValue value) const {
        FileSettingsStore store = Store();
        ASSERT_TRUE(store.WriteValues(hive, kSettingsKey, {{name, std::move(value)}}));
    }

    // Removes a value from the settings key in the file.
    void Remove(const std::string& name) const {
        RegHive h = ParseRegFile(ReadFile(UserFile()), "HKEY_CURRENT_USER");
        RegKey* key = h.Find(kSettingsKey);
        ASSERT_NE(key, nullptr);
        const auto before = key->Values.size();
        std::erase_if(key->Values, [&](const auto& v) { return v.first == name; });
        ASSERT_EQ(key->Values.size() + 1, before) << name;
        WriteFile(UserFile(), RenderRegFile(h, "HKEY_CURRENT_USER"));
    }

    std::optional<RegValue> Stored(const std::string& name) const {
        FileSettingsStore store = Store();
        return store.ReadValue(Hive::CurrentUser, kSettingsKey, name);
    }

    TempDir dir_;
};

// ---- Load and save ----------------------------------------------------------------------------

TEST_F(SettingsTest, SaveThenLoadGivesTheSameRecord) {
    for (const AppSettings& saved : {Sample(), Flipped(Sample())}) {
        {
            FileSettingsStore store = Store();
            ASSERT_TRUE(SaveSettings(saved, store));
        }
        AppSettings loaded;
        EXPECT_EQ(Load(loaded), SettingsLoadResult::Loaded);
        // Columns past ExcColumnsCount are neither saved nor loaded.
        AppSettings expected = saved;
        for (std::size_t i = 4; i < expected.ExportColumns.size(); ++i) expected.ExportColumns[i] = ExportColumn{};
        EXPECT_EQ(loaded, expected);
    }
}

TEST_F(SettingsTest, SaveWritesEveryValueInOrderWithTheirTypesAndLayouts) {
    SaveSample();
    const RegHive h = ParseRegFile(ReadFile(UserFile()), "HKEY_CURRENT_USER");
    ASSERT_EQ(h.Keys.size(), 1u);
    EXPECT_EQ(h.Keys[0].Path, kSettingsKey);
    std::vector<std::string> names;
    for (const auto& v : h.Keys[0].Values) names.push_back(v.first);
    std::vector<std::string> expected = {
        "ReplaceBannedSymbols", "AddPrefix",          "AddPrefixHow",   "AddPrefixStart", "AddPrefixArtist",
        "AddPrefixAlbum",       "AddPrefixSeparator", "StartDir",       "UseShellCall",   "TryChangeAttrs",
        "ResizeTabHeaders",     "ShowGrid",           "NewStyleDialog", "ReplaceSymbol",  "TAGReadSequence",
        "ScriptSeparator",      "ShowItem",           "HeaderWidth",    "ExcColumnsCount"};
    for (int i = 0; i < 4; ++i) {
        for (const char* prefix :
             {"ExcColHead_", "ExcColScript_", "ExcColGroup_", "ExcColIsLink_", "ExcColIsLocal_", "ExcColNetAddr_"}) {
            expected.push_back(prefix + std::to_string(i));
        }
    }
    expected.push_back("IncludeSubDirs");
    expected.push_back("TagCodePage");
    expected.push_back("EnqueueCommand");
    EXPECT_EQ(names, expected);

    EXPECT_EQ(Stored("AddPrefixStart"), RegValue::Number(0xFFFFFFFBu));
    EXPECT_EQ(Stored("AddPrefixArtist"), RegValue::Number(1));
    EXPECT_EQ(Stored("ExcColIsLocal_3"), RegValue::Number(1));
    EXPECT_EQ(Stored("StartDir"), RegValue::String("/home/user/Музыка"));
    const auto showItem = Stored("ShowItem");
    ASSERT_TRUE(showItem && showItem->Type == RegType::Binary);
    ASSERT_EQ(showItem->Bytes.size(), 22u);
    EXPECT_EQ(showItem->Bytes[21], 7);
    const auto widths = Stored("HeaderWidth");
    ASSERT_TRUE(widths && widths->Type == RegType::Binary);
    ASSERT_EQ(widths->Bytes.size(), 88u);
    EXPECT_EQ(std::vector<std::uint8_t>(widths->Bytes.begin(), widths->Bytes.begin() + 4),
              (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));  // -2, little-endian
    EXPECT_EQ(std::vector<std::uint8_t>(widths->Bytes.end() - 4, widths->Bytes.end()),
              (std::vector<std::uint8_t>{0x04, 0x03, 0x02, 0x01}));
}

// Counts the writes that reach the store.
class CountingStore : public SettingsStore {
public:
    explicit CountingStore(SettingsStore& inner) : inner_(inner) {}
    bool KeyExists(Hive hive, const std::string& key) override { return inner_.KeyExists(hive, key); }
    std::optional<RegValue> ReadValue(Hive hive, const std::string& key, const std::string& name) override {
        return inner_.ReadValue(hive, key, name);
    }
    bool WriteValues(Hive hive, const std::string& key,
                     const std::vector<std::pair<std::string, RegValue>>& values) override {
        ++Writes;
        return inner_.WriteValues(hive, key, values);
    }
    bool DeleteKey(Hive hive, const std::string& key) override { return inner_.DeleteKey(hive, key); }
    int Writes = 0;

private:
    SettingsStore& inner_;
};

TEST_F(SettingsTest, SaveIsOneWriteAndFailsWhenTheStoreCannotBeWritten) {
    FileSettingsStore store = Store();
    CountingStore counting(store);
    EXPECT_TRUE(SaveSettings(Sample(), counting));
    EXPECT_EQ(counting.Writes, 1);

    WriteFile(dir_ / "blocker", "a file where a folder should be");
    FileSettingsStore blocked(dir_ / "blocker/user.reg", MachineFile());
    EXPECT_FALSE(SaveSettings(Sample(), blocked));
}

TEST_F(SettingsTest, FewerColumnsLeaveTheLaterColumnsStoredButUnread) {
    AppSettings s = Sample();
    s.ExcColumnsCount = 3;
    {
        FileSettingsStore store = Store();
        ASSERT_TRUE(SaveSettings(s, store));
        s.ExcColumnsCount = 2;
        s.ExportColumns[2].Head = "changed";
        ASSERT_TRUE(SaveSettings(s, store));
    }
    EXPECT_EQ(Stored("ExcColHead_2"), RegValue::String("Head 2"));
    EXPECT_EQ(Stored("ExcColNetAddr_2"), RegValue::String(""));
    EXPECT_FALSE(Stored("ExcColHead_3").has_value());

    AppSettings loaded;
    EXPECT_EQ(Load(loaded), SettingsLoadResult::Loaded);
    EXPECT_EQ(loaded.ExcColumnsCount, 2);
    EXPECT_EQ(loaded.ExportColumns[1], Sample().ExportColumns[1]);
    EXPECT_EQ(loaded.ExportColumns[2], ExportColumn{});
}

TEST_F(SettingsTest, TwentyFourColumnsLoadTwentyFiveAreAFirstRun) {
    AppSettings s = Sample();
    s.ExcColumnsCount = 24;
    for (int i = 0; i < 24; ++i) s.ExportColumns[static_cast<std::size_t>(i)].Head = "Column " + std::to_string(i);
    {
        FileSettingsStore store = Store();
        ASSERT_TRUE(SaveSettings(s, store));
    }
    AppSettings loaded;
    EXPECT_EQ(Load(loaded), SettingsLoadResult::Loaded);
    EXPECT_EQ(loaded.ExportColumns, s.ExportColumns);

    Put(Hive::CurrentUser, "ExcColumnsCount", RegValue::Number(25));
    AppSettings tooMany;
    EXPECT_EQ(Load(tooMany), SettingsLoadResult::FirstRun);
    EXPECT_EQ(tooMany.ExcColumnsCount, 25);
    EXPECT_EQ(tooMany.ExportColumns[23].Head, "Column 23");  // every column below 24 was read
    EXPECT_EQ(tooMany.StartDir, s.StartDir);

    Put(Hive::CurrentUser, "ExcColumnsCount", RegValue::Number(0));
    AppSettings none;
    EXPECT_EQ(Load(none), SettingsLoadResult::Loaded);
    EXPECT_EQ(none.ExportColumns[0], ExportColumn{});
    EXPECT_EQ(none.ExcColumnsCount, 1);  // the export always has a column

    Put(Hive::CurrentUser, "ExcColumnsCount", RegValue::Number(0xFFFFFFFD));  // -3
    AppSettings negative;
    negative.ExportColumns[0].Head = "in memory";
    EXPECT_EQ(Load(negative), SettingsLoadResult::Loaded);
    EXPECT_EQ(negative.ExcColumnsCount, 1);
    EXPECT_EQ(negative.ExportColumns[0].Head, "in memory");  // no column was read
}

TEST_F(SettingsTest, TheSavedColumnCountIsOneTheLoadAccepts) {
    // In memory: what the save writes; stored: what the next load then finds.
    const std::tuple<int, int> counts[] = {{-3, 1}, {0, 1}, {1, 1}, {24, 24}, {25, 24}, {1000, 24}};
    for (const auto& [inMemory, stored] : counts) {
        AppSettings s = Sample();
        for (int i = 0; i < kMaxExportColumns; ++i)
            s.ExportColumns[static_cast<std::size_t>(i)].Head = std::to_string(i);
        s.ExcColumnsCount = inMemory;
        {
            FileSettingsStore store = Store();
            ASSERT_TRUE(SaveSettings(s, store));
        }
        EXPECT_EQ(Stored("ExcColumnsCount"), RegValue::Number(static_cast<std::uint32_t>(stored))) << inMemory;
        AppSettings loaded;
        EXPECT_EQ(Load(loaded), SettingsLoadResult::Loaded) << inMemory;
        EXPECT_EQ(loaded.ExcColumnsCount, stored) << inMemory;
        EXPECT_EQ(loaded.ExportColumns[static_cast<std::size_t>(stored - 1)].Head, std::to_string(stored - 1));
    }
}

TEST_F(SettingsTest, NoSettingsKeyIsAFirstRunThatReadsOnlyThePath) {
    AppSettings s;
    s.AddPrefixArtist = true;
    s.StartDir = "kept";
    EXPECT_EQ(Load(s), SettingsLoadResult::FirstRun);
    EXPECT_EQ(s.Path, "/opt/tagmora/share");
    EXPECT_TRUE(s.AddPrefixArtist);
    EXPECT_EQ(s.StartDir, "kept");
}

TEST_F(SettingsTest, InstallationPathRules) {
    SaveSample();
    std::filesystem::remove(MachineFile());
    AppSettings noMachineHive;
    noMachineHive.Path = "stale";
    EXPECT_EQ(Load(noMachineHive), SettingsLoadResult::Loaded);
    EXPECT_EQ(noMachineHive.Path, "");

    Put(Hive::LocalMachine, "Other", RegValue::Number(1));  // the key without "Path"
    AppSettings noValue;
    EXPECT_EQ(Load(noValue), SettingsLoadResult::Loaded);
    EXPECT_EQ(noValue.Path, "");

    Put(Hive::LocalMachine, "Path", RegValue::ExpandString("/usr/share/%tagmora%"));
    AppSettings expand;
    EXPECT_EQ(Load(expand), SettingsLoadResult::Loaded);
    EXPECT_EQ(expand.Path, "/usr/share/%tagmora%");

    for (RegValue wrong : {RegValue::Number(1), RegValue::Binary({0x2F, 0})}) {
        Put(Hive::LocalMachine, "Path", wrong);
        AppSettings s;
        EXPECT_EQ(Load(s), SettingsLoadResult::InstallPathError);
        EXPECT_FALSE(s.ReplaceBannedSymbols);  // nothing of the settings key was read
    }
}

TEST_F(SettingsTest, MissingStringsReadEmptyAndMissingArraysStayAsTheyWere) {
    SaveSample();
    Remove("StartDir");
    Remove("AddPrefixSeparator");
    Remove("ExcColNetAddr_1");
    Remove("ShowItem");
    AppSettings s;
    s.StartDir = "old";
    EXPECT_EQ(Load(s), SettingsLoadResult::Loaded);
    EXPECT_EQ(s.StartDir, "");
    EXPECT_EQ(s.AddPrefixSeparator, "");
    EXPECT_EQ(s.ExportColumns[1].NetAddr, "");
    EXPECT_EQ(s.ShowItem, (std::array<std::uint8_t, kStoredColumnEntries>{}));

    Remove("HeaderWidth");
    AppSettings prefilled;
    prefilled.ShowItem.fill(1);
    prefilled.HeaderWidth.fill(55);
    EXPECT_EQ(Load(prefilled), SettingsLoadResult::Loaded);
    EXPECT_EQ(prefilled.ShowItem[5], 1);
    EXPECT_EQ(prefilled.HeaderWidth[5], 55);
}

TEST_F(SettingsTest, AMissingBooleanOrIntegerStopsTheLoadKeepingWhatWasRead) {
    SaveSample();
    Remove("IncludeSubDirs");
    AppSettings s;
    s.StartDir = "before the load";
    s.TagCodePage = 1251;
    EXPECT_EQ(Load(s), SettingsLoadResult::FirstRun);
    const AppSettings stored = Sample();
    EXPECT_EQ(s.AddPrefixArtist, stored.AddPrefixArtist);
    EXPECT_EQ(s.AddPrefixAlbum, stored.AddPrefixAlbum);
    EXPECT_EQ(s.UseShellCall, stored.UseShellCall);
    EXPECT_EQ(s.ScriptSeparator, stored.ScriptSeparator);
    EXPECT_EQ(s.StartDir, "before the load");  // read after IncludeSubDirs
    EXPECT_EQ(s.ExcColumnsCount, 0);
    EXPECT_EQ(s.TagCodePage, 1252);  // read whatever the load finds, so that a later save keeps it

    SaveSample();
    Remove("AddPrefixHow");
    AppSettings early;
    EXPECT_EQ(Load(early), SettingsLoadResult::FirstRun);
    EXPECT_TRUE(early.ReplaceBannedSymbols);
    EXPECT_FALSE(early.AddPrefixArtist);

    SaveSample();
    Remove("ExcColGroup_3");
    AppSettings column;
    EXPECT_EQ(Load(column), SettingsLoadResult::FirstRun);
    EXPECT_EQ(column.ExportColumns[3].Script, stored.ExportColumns[3].Script);
    EXPECT_EQ(column.ExportColumns[3].NetAddr, "");
}

TEST_F(SettingsTest, AValueOfTheWrongTypeIsAFirstRun) {
    const std::vector<std::pair<std::string, RegValue>> wrong = {
        {"AddPrefix", RegValue::String("1")},   {"AddPrefixHow", RegValue::Binary({1, 0, 0, 0})},
        {"StartDir", RegValue::Number(1)},      {"ShowItem", RegValue::Number(1)},
        {"HeaderWidth", RegValue::String("")},  {"ExcColumnsCount", RegValue::String("3")},
        {"ExcColHead_1", RegValue::Binary({})}, {"ExcColIsLink_0", RegValue::String("0")},
    };
    for (const auto& [name, value] : wrong) {
        SaveSample();
        Put(Hive::CurrentUser, name, value);
        AppSettings s;
        EXPECT_EQ(Load(s), SettingsLoadResult::FirstRun) << name;
    }
}

TEST_F(SettingsTest, ValuesReadByTheirRegistryRules) {
    SaveSample();
    Put(Hive::CurrentUser, "ShowGrid", RegValue::Number(7));
    Put(Hive::CurrentUser, "AddPrefixStart", RegValue::Number(0x80000000u));
    Put(Hive::CurrentUser, "StartDir", RegValue::ExpandString("%HOME%/music"));
    AppSettings s;
    ASSERT_EQ(Load(s), SettingsLoadResult::Loaded);
    EXPECT_TRUE(s.ShowGrid);
    EXPECT_EQ(s.AddPrefixStart, -2147483647 - 1);
    EXPECT_EQ(s.StartDir, "%HOME%/music");  // read without expansion
}

TEST_F(SettingsTest, ShortArraysFillTheirFirstEntriesLongOnesAreAFirstRun) {
    SaveSample();
    std::vector<std::uint8_t> forty(40, 0);
    for (int i = 0; i < 10; ++i) forty[static_cast<std::size_t>(i * 4)] = static_cast<std::uint8_t>(i + 1);
    Put(Hive::CurrentUser, "HeaderWidth", RegValue::Binary(forty));
    Put(Hive::CurrentUser, "ShowItem", RegValue::Binary({9, 9}));
    AppSettings s;
    s.HeaderWidth.fill(-1);
    s.ShowItem.fill(4);
    ASSERT_EQ(Load(s), SettingsLoadResult::Loaded);
    EXPECT_EQ(s.HeaderWidth[0], 1);
    EXPECT_EQ(s.HeaderWidth[9], 10);
    EXPECT_EQ(s.HeaderWidth[10], -1);
    EXPECT_EQ(s.HeaderWidth[21], -1);
    EXPECT_EQ(s.ShowItem[1], 9);
    EXPECT_EQ(s.ShowItem[2], 4);

    Put(Hive::CurrentUser, "HeaderWidth", RegValue::Binary(std::vector<std::uint8_t>(100, 1)));
    AppSettings longWidths;
    EXPECT_EQ(Load(longWidths), SettingsLoadResult::FirstRun);
    EXPECT_EQ(longWidths.HeaderWidth[0], 0);

    Put(Hive::CurrentUser, "HeaderWidth", RegValue::Binary(std::vector<std::uint8_t>(88, 0)));
    Put(Hive::CurrentUser, "ShowItem", RegValue::Binary(std::vector<std::uint8_t>(23, 1)));
    AppSettings longItems;
    EXPECT_EQ(Load(longItems), SettingsLoadResult::FirstRun);
    EXPECT_EQ(longItems.ShowItem[0], 0);
}

TEST_F(SettingsTest, TagCodePageRules) {
    SaveSample();
    const auto load = [&] {
        AppSettings s;
        s.TagCodePage = 0;
        EXPECT_EQ(Load(s), SettingsLoadResult::Loaded);
        return s.TagCodePage;
    };
    EXPECT_EQ(load(), 1252);
    Put(Hive::CurrentUser, "TagCodePage", RegValue::Number(866));
    EXPECT_EQ(load(), 1251);
    Put(Hive::CurrentUser, "TagCodePage", RegValue::String("1252"));
    EXPECT_EQ(load(), 1251);
    Remove("TagCodePage");
    EXPECT_EQ(load(), 1251);

    AppSettings odd = Sample();
    odd.TagCodePage = 437;
    FileSettingsStore store = Store();
    ASSERT_TRUE(SaveSettings(odd, store));
    EXPECT_EQ(Stored("TagCodePage"), RegValue::Number(1251));
}

TEST_F(SettingsTest, EnqueueCommandIsNeverAFirstRunReason) {
    SaveSample();
    const auto load = [&] {
        AppSettings s;
        s.EnqueueCommand = "before the load";
        EXPECT_EQ(Load(s), SettingsLoadResult::Loaded);
        return s.EnqueueCommand;
    };
    EXPECT_EQ(load(), Sample().EnqueueCommand);
    Put(Hive::CurrentUser, "EnqueueCommand", RegValue::Number(1));
    EXPECT_EQ(load(), "");
    Remove("EnqueueCommand");
    EXPECT_EQ(load(), "");  // a key saved before the setting existed: the default player

    // A first run keeps what is stored, like the code page.
    SaveSample();
    Remove("IncludeSubDirs");
    AppSettings first;
    EXPECT_EQ(Load(first), SettingsLoadResult::FirstRun);
    EXPECT_EQ(first.EnqueueCommand, Sample().EnqueueCommand);
}

// ---- First run and start-up -------------------------------------------------------------------

TEST(FirstRunDefaults, SetTheDocumentedDefaultsAndLeaveTheRest) {
    AppSettings s;
    s.AddPrefixArtist = true;
    s.StartDir = "/music";
    s.ShowItem[21] = 5;
    s.HeaderWidth[21] = 77;
    s.ExportColumns[3].Head = "kept";
    std::array<int, kColumnCount> widths{};
    for (int i = 0; i < kColumnCount; ++i) widths[static_cast<std::size_t>(i)] = 100 + i;
    ApplyFirstRunDefaults(s, widths);

    EXPECT_EQ(s.HeaderWidth[0], 100);
    EXPECT_EQ(s.HeaderWidth[20], 120);
    EXPECT_EQ(s.HeaderWidth[21], 77);
    for (int i = 0; i <= 20; ++i) EXPECT_EQ(s.ShowItem[static_cast<std::size_t>(i)], i <= 8 ? 1 : 0) << i;
    EXPECT_EQ(s.ShowItem[21], 5);
    EXPECT_EQ(s.ExcColumnsCount, 3);
    EXPECT_EQ(s.ExportColumns[0], (ExportColumn{"Artist", "%p2%", true, false, true, ""}));
    EXPECT_EQ(s.ExportColumns[1], (ExportColumn{"Album", "%p1%", true, false, true, ""}));
    EXPECT_EQ(s.ExportColumns[2], (ExportColumn{"Title", "%p0n[-4]%", false, false, true, ""}));
    EXPECT_EQ(s.ExportColumns[3].Head, "kept");
    EXPECT_TRUE(s.AddPrefix);
    EXPECT_EQ(s.AddPrefixHow, 1);
    EXPECT_EQ(s.AddPrefixStart, 1);
    EXPECT_EQ(s.AddPrefixSeparator, " - ");
    EXPECT_TRUE(s.TryChangeAttrs);
    EXPECT_TRUE(s.ResizeTabHeaders);
    EXPECT_TRUE(s.ShowGrid);
    EXPECT_TRUE(s.ReplaceBannedSymbols);
    EXPECT_EQ(s.ReplaceSymbol, " ");
    EXPECT_EQ(s.TAGReadSequence, 2);
    EXPECT_TRUE(s.IncludeSubDirs);
    EXPECT_EQ(s.ScriptSeparator, "%");
    EXPECT_TRUE(s.NewStyleDialog);
    EXPECT_TRUE(s.AddPrefixArtist);  // no default: unchanged
    EXPECT_EQ(s.StartDir, "/music");
    EXPECT_FALSE(s.UseShellCall);

    const auto& designed = DesignedColumnWidths();
    EXPECT_EQ(designed[0], 130);
    EXPECT_EQ(designed[8], 69);
    EXPECT_EQ(designed[9], 0);
}

// Ports that log every call; the window position is written through the store as the
// window-position code does.
struct RecordingPorts {
    std::vector<std::string> Log;
    std::vector<std::tuple<std::string, std::string, bool>> Messages;
    std::array<int, kColumnCount> Widths{};

    SettingsStartupPorts Make(SettingsStore& store) {
        for (int i = 0; i < kColumnCount; ++i) Widths[static_cast<std::size_t>(i)] = 10 * (i + 1);
        SettingsStartupPorts p;
        p.CurrentColumnWidths = [this] {
            Log.push_back("widths");
            return Widths;
        };
        p.SaveWindowPosition = [this, &store] {
            Log.push_back("save position");
            return store.WriteValues(Hive::CurrentUser, kSettingsKey,
                                     {{"WinPos", RegValue::Binary(std::vector<std::uint8_t>(20, 1))}});
        };
        p.RestoreWindowPosition = [this] {
            Log.push_back("restore position");
            return true;
        };
        p.OpenSettingsDialog = [this] { Log.push_back("settings dialog"); };
        p.ShowMessage = [this](const std::string& text, const std::string& caption, bool error) {
            Log.push_back("message");
            Messages.emplace_back(text, caption, error);
        };
        p.EndProgram = [this] { Log.push_back("end"); };
        p.SetGridLines = [this](bool on) { Log.push_back(on ? "grid on" : "grid off"); };
        return p;
    }
};

TEST_F(SettingsTest, StartupWithABadInstallationPathShowsTheErrorAndEnds) {
    Put(Hive::LocalMachine, "Path", RegValue::Number(0));
    FileSettingsStore store = Store();
    RecordingPorts ports;
    AppSettings s;
    EXPECT_EQ(RunSettingsStartup(s, store, ports.Make(store)), SettingsLoadResult::InstallPathError);
    EXPECT_EQ(ports.Log, (std::vector<std::string>{"message", "end"}));
    ASSERT_EQ(ports.Messages.size(), 1u);
    EXPECT_EQ(std::get<0>(ports.Messages[0]),
              "Ошибка при чтении данных из реестра. Необходимо переустановить программу.");
    EXPECT_EQ(std::get<1>(ports.Messages[0]), "Tagmora");
    EXPECT_TRUE(std::get<2>(ports.Messages[0]));
}

TEST_F(SettingsTest, FirstRunRepeatsUntilTheSettingsAreSaved) {
    {
        FileSettingsStore store = Store();
        RecordingPorts ports;
        AppSettings s;
        EXPECT_EQ(RunSettingsStartup(s, store, ports.Make(store)), SettingsLoadResult::FirstRun);
        EXPECT_EQ(ports.Log, (std::vector<std::string>{"widths", "save position", "settings dialog", "grid on"}));
        EXPECT_EQ(s.HeaderWidth[0], 10);
        EXPECT_EQ(s.HeaderWidth[20], 210);
        EXPECT_TRUE(s.NewStyleDialog);
        EXPECT_EQ(s.Path, "/opt/tagmora/share");
        EXPECT_TRUE(ports.Messages.empty());  // no notice about old systems
    }
    // The dialog was cancelled: the key holds only the window position.
    const RegHive h = ParseRegFile(ReadFile(UserFile()), "HKEY_CURRENT_USER");
    ASSERT_EQ(h.Keys.size(), 1u);
    ASSERT_EQ(h.Keys[0].Values.size(), 1u);
    EXPECT_EQ(h.Keys[0].Values[0].first, "WinPos");
    {
        FileSettingsStore store = Store();
        RecordingPorts ports;
        AppSettings s;
        EXPECT_EQ(RunSettingsStartup(s, store, ports.Make(store)), SettingsLoadResult::FirstRun);
        // This time the dialog is confirmed.
        s.ShowGrid = false;
        ASSERT_TRUE(SaveSettings(s, store));
    }
    FileSettingsStore store = Store();
    RecordingPorts ports;
    AppSettings s;
    EXPECT_EQ(RunSettingsStartup(s, store, ports.Make(store)), SettingsLoadResult::Loaded);
    EXPECT_EQ(ports.Log, (std::vector<std::string>{"restore position", "grid off"}));
    EXPECT_EQ(s.ExcColumnsCount, 3);
    EXPECT_EQ(s.HeaderWidth[1], 20);
    EXPECT_EQ(Stored("WinPos"), RegValue::Binary(std::vector<std::uint8_t>(20, 1)));
}

TEST_F(SettingsTest, StartupSkipsPortsThatAreNotGiven) {
    FileSettingsStore store = Store();
    AppSettings s;
    EXPECT_EQ(RunSettingsStartup(s, store, SettingsStartupPorts{}), SettingsLoadResult::FirstRun);
    EXPECT_EQ(s.HeaderWidth[0], DesignedColumnWidths()[0]);
    EXPECT_EQ(s.HeaderWidth[8], DesignedColumnWidths()[8]);
    SaveSample();
    EXPECT_EQ(RunSettingsStartup(s, store, SettingsStartupPorts{}), SettingsLoadResult::Loaded);
    Put(Hive::LocalMachine, "Path", RegValue::Number(0));
    EXPECT_EQ(RunSettingsStartup(s, store, SettingsStartupPorts{}), SettingsLoadResult::InstallPathError);
}

// ---- Setting fields by name -------------------------------------------------------------------

TEST(SetSettingByName, SetsEveryKindOfField) {
    AppSettings s;
    std::string error;
    const auto set = [&](const std::string& name, const std::string& value) {
        const bool ok = SetSettingByName(s, name, value, error);
        EXPECT_TRUE(ok) << name << "=" << value << ": " << error;
    };
    set("IncludeSubDirs", "true");
    EXPECT_TRUE(s.IncludeSubDirs);
    set("includesubdirs", "0");
    EXPECT_FALSE(s.IncludeSubDirs);
    set("ShowGrid", "TRUE");
    EXPECT_TRUE(s.ShowGrid);
    set("AddPrefixStart", "-7");
    EXPECT_EQ(s.AddPrefixStart, -7);
    set("TAGReadSequence", "3");
    EXPECT_EQ(s.TAGReadSequence, 3);
    set("AddPrefixSeparator", "  ~  ");
    EXPECT_EQ(s.AddPrefixSeparator, "  ~  ");
    set("ReplaceSymbol", "ё");
    EXPECT_EQ(s.ReplaceSymbol, "ё");
    set("ScriptSeparator", "");
    EXPECT_EQ(s.ScriptSeparator, "");
    set("Path", "/opt/tagmora");
    EXPECT_EQ(s.Path, "/opt/tagmora");
    set("TagCodePage", "1252");
    EXPECT_EQ(s.TagCodePage, 1252);
    set("enqueuecommand", "vlc --one-instance --playlist-enqueue");
    EXPECT_EQ(s.EnqueueCommand, "vlc --one-instance --playlist-enqueue");
    set("ExcColumnsCount", "24");
    EXPECT_EQ(s.ExcColumnsCount, 24);
    set("ShowItem", "1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,255");
    EXPECT_EQ(s.ShowItem[2], 1);
    EXPECT_EQ(s.ShowItem[3], 0);
    EXPECT_EQ(s.ShowItem[21], 255);
    set("HeaderWidth", "-2, 100,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,2147483647");
    EXPECT_EQ(s.HeaderWidth[0], -2);
    EXPECT_EQ(s.HeaderWidth[1], 100);
    EXPECT_EQ(s.HeaderWidth[21], 2147483647);
    set("ExcColHead_23", "Last");
    EXPECT_EQ(s.ExportColumns[23].Head, "Last");
    set("ExcColScript_0", "%p1%");
    EXPECT_EQ(s.ExportColumns[0].Script, "%p1%");
    set("ExcColNetAddr_10", "http://x/%p0%");
    EXPECT_EQ(s.ExportColumns[10].NetAddr, "http://x/%p0%");
    set("ExcColGroup_5", "1");
    EXPECT_TRUE(s.ExportColumns[5].Group);
    set("ExcColIsLink_5", "true");
    EXPECT_TRUE(s.ExportColumns[5].IsLink);
    set("ExcColIsLocal_5", "false");
    EXPECT_FALSE(s.ExportColumns[5].IsLocal);
}

TEST(SetSettingByName, RejectsUnknownNamesAndBadValuesWithoutChangingAnything) {
    const std::string unknown = "unknown setting";
    const std::string boolean = "expected 0, 1, true or false, got ";
    const std::vector<std::tuple<std::string, std::string, std::string>> bad = {
        // name, value, the error text or its start
        {"Foo", "1", unknown},
        {"ExcColHead_24", "x", unknown},
        {"ExcColHead_03", "x", unknown},
        {"ExcColHead_", "x", unknown},
        {"ExcColGroup_1", "yes", boolean + "\"yes\""},
        {"ShowGrid", "2", boolean + "\"2\""},
        {"ShowGrid", "", boolean + "\"\""},
        {"AddPrefixStart", "12x", "expected an integer from -2147483648 to 2147483647, got \"12x\""},
        {"AddPrefixStart", "99999999999", "expected an integer from -2147483648 to 2147483647"},
        {"AddPrefixHow", "4", "expected an integer from 0 to 3, got \"4\""},
        {"TAGReadSequence", "-1", "expected an integer from 0 to 3"},
        {"ExcColumnsCount", "0", "expected an integer from 1 to 24"},
        {"ExcColumnsCount", "25", "expected an integer from 1 to 24"},
        {"TagCodePage", "866", "expected 1251 or 1252, got \"866\""},
        {"ReplaceSymbol", "ab", "expected at most one character, got \"ab\""},
        {"ShowItem", "1,1,1", "expected 22 comma-separated numbers from 0 to 255"},
        {"ShowItem", "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1", "expected 22 comma-separated numbers"},
        {"ShowItem", "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,256", "expected 22 comma-separated numbers"},
        {"ShowItem", "1,,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1", "expected 22 comma-separated numbers"},
        {"HeaderWidth", "-3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
         "expected 22 comma-separated integers of at least -2"},
    };
    for (const auto& [name, value, expected] : bad) {
        AppSettings s;
        std::string error;
        EXPECT_FALSE(SetSettingByName(s, name, value, error)) << name << "=" << value;
        EXPECT_EQ(error.rfind(expected, 0), 0u) << name << "=" << value << ": " << error;
        EXPECT_EQ(s, AppSettings{}) << name << "=" << value;
    }
}

// The names the shell completion offers for --set are names SetSettingByName takes.
TEST(SetSettingByName, TakesEveryNameOfSettingNames) {
    const auto names = SettingNames();
    EXPECT_EQ(names.size(), 23u + 6u * kMaxExportColumns);
    for (const std::string& name : names) {
        AppSettings s;
        std::string error;
        SetSettingByName(s, name, "?", error);
        EXPECT_NE(error, "unknown setting") << name;
    }
}

}  // namespace
}  // namespace tagmora
