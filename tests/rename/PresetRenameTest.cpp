// Preset renaming and its undo: numbering modes, name parts and options, banned characters,
// collisions, the undo pairs and the rules for enabling the undo command.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "RenameFixture.h"
#include "filelist/FolderCommands.h"
#include "rename/PresetRename.h"
#include "rename/SafeRename.h"

#include <unistd.h>

namespace tagmora {
namespace {

using test::ReadFile;
using Strings = std::vector<std::string>;

class PresetRenameTest : public test::RenameFixture {
protected:
    // The new file names of a plan, without folders.
    static Strings NewNames(const std::vector<RenamePlanItem>& plan) {
        Strings out;
        for (const auto& item : plan) out.push_back(item.NewPath.substr(item.NewPath.rfind('/') + 1));
        return out;
    }
    void FiveSongs() {
        for (const char* name : {"a", "b", "c", "d", "e"}) Song(std::string(name) + ".mp3", std::string("T") + name);
        Scan();
    }
};

TEST_F(PresetRenameTest, CheckedOrderAndAllRowsOrderNumberDifferently) {
    FiveSongs();
    CheckOnly({0, 1, 3});
    settings.AddPrefixHow = 0;
    EXPECT_EQ(NewNames(PlanPresetRename(list)), (Strings{"01 - Ta.mp3", "02 - Tb.mp3", "03 - Td.mp3"}));
    settings.AddPrefixHow = 1;
    EXPECT_EQ(NewNames(PlanPresetRename(list)), (Strings{"01 - Ta.mp3", "02 - Tb.mp3", "04 - Td.mp3"}));
    // Planning touches no file.
    EXPECT_EQ(Files(), (Strings{"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"}));
}

TEST_F(PresetRenameTest, StartNumberAndTwoDigits) {
    FiveSongs();
    CheckOnly({0, 2, 4});
    settings.AddPrefixHow = 0;
    settings.AddPrefixStart = 9;
    EXPECT_EQ(NewNames(PlanPresetRename(list)), (Strings{"09 - Ta.mp3", "10 - Tc.mp3", "11 - Te.mp3"}));
    settings.AddPrefixStart = 0;
    EXPECT_EQ(NewNames(PlanPresetRename(list)), (Strings{"00 - Ta.mp3", "01 - Tc.mp3", "02 - Te.mp3"}));
    settings.AddPrefixHow = 1;
    settings.AddPrefixStart = 98;
    EXPECT_EQ(NewNames(PlanPresetRename(list)), (Strings{"98 - Ta.mp3", "100 - Tc.mp3", "102 - Te.mp3"}));
}

TEST_F(PresetRenameTest, TrackModeUsesTheTrackTextAsItIs) {
    Song("a.mp3", "Seven", "", "", "7");
    Song("b.mp3", "None");
    Song("c.mp3", "Slash", "", "", "3/12");
    Scan();
    settings.AddPrefixHow = 2;
    settings.ReplaceBannedSymbols = true;  // the number is never cleaned: "3/12" leads nowhere
    const auto plan = PlanPresetRename(list);
    EXPECT_EQ(NewNames(plan)[0], "7 - Seven.mp3");
    EXPECT_EQ(NewNames(plan)[1], " - None.mp3");
    EXPECT_EQ(plan[2].NewPath, dir / "3/12 - Slash.mp3");
}

TEST_F(PresetRenameTest, PerFolderModeCountsEachFolderSeparately) {
    Song("A/1.mp3", "a1");
    Song("A/2.mp3", "a2");
    Song("B/1.mp3", "b1");
    Song("B/2.mp3", "b2");
    Song("B/3.mp3", "b3");
    Scan();
    ASSERT_EQ(list.RowCount(), 5);
    CheckOnly({0, 1, 2, 4});
    settings.AddPrefixHow = 3;
    settings.ScriptSeparator = "";  // the per-folder number does not depend on the script delimiter
    list.FolderCounters.assign(list.FolderCounters.size(), 7);  // left over from an earlier command
    const auto result = RunPresetRename(list, undo);
    EXPECT_EQ(result.Failed, 0);
    EXPECT_EQ(Files(), (Strings{"A/01 - a1.mp3", "A/02 - a2.mp3", "B/01 - b1.mp3", "B/02 - b3.mp3", "B/2.mp3"}));
    // The counters keep their final values.
    EXPECT_EQ(list.FolderCounters[static_cast<std::size_t>(list.Rows()[0].FolderNumber)], 2);
    EXPECT_EQ(list.FolderCounters[static_cast<std::size_t>(list.Rows()[4].FolderNumber)], 2);
}

TEST_F(PresetRenameTest, NameParts) {
    Song("a.mp3", "Title", "Artist", "Album", "3");
    Song("b.mp3", "");
    Scan();
    settings.AddPrefixHow = 1;
    settings.AddPrefixStart = 3;
    settings.AddPrefixArtist = true;
    settings.AddPrefixAlbum = true;
    EXPECT_EQ(NewNames(PlanPresetRename(list))[0], "03 - Artist - Album - Title.mp3");

    settings.AddPrefix = false;
    settings.AddPrefixAlbum = false;
    EXPECT_EQ(NewNames(PlanPresetRename(list))[0], "Artist - Title.mp3");
    settings.AddPrefixArtist = false;
    settings.AddPrefixAlbum = true;
    EXPECT_EQ(NewNames(PlanPresetRename(list))[0], "Album - Title.mp3");
    settings.AddPrefixAlbum = false;
    EXPECT_EQ(NewNames(PlanPresetRename(list)), (Strings{"Title.mp3", ".mp3"}));

    // A mode outside 0..3 gives no number, the separator stays; so does an empty title.
    settings.AddPrefix = true;
    settings.AddPrefixHow = 4;
    settings.AddPrefixSeparator = "_";
    EXPECT_EQ(NewNames(PlanPresetRename(list)), (Strings{"_Title.mp3", "_.mp3"}));
}

TEST_F(PresetRenameTest, BannedCharactersAreReplacedInTagTextsOnly) {
    Song("x.MP3", "AC/DC: Live?", "Who|What", "A*B");
    Scan();
    settings.AddPrefixHow = 1;
    settings.AddPrefixSeparator = " : ";  // a separator with a banned character is used unchanged
    EXPECT_EQ(NewNames(PlanPresetRename(list))[0], "01 : AC DC  Live .mp3");
    settings.AddPrefixArtist = true;
    settings.AddPrefixAlbum = true;
    settings.ReplaceSymbol = "";
    EXPECT_EQ(NewNames(PlanPresetRename(list))[0], "01 : WhoWhat : AB : ACDC Live.mp3");

    settings.AddPrefixArtist = false;
    settings.AddPrefixAlbum = false;
    settings.ReplaceSymbol = " ";
    settings.AddPrefixSeparator = " - ";
    RunPresetRename(list, undo);
    // The old extension is dropped; the new one is ".mp3" in lower case.
    EXPECT_EQ(Files(), (Strings{"01 - AC DC  Live .mp3"}));
}

TEST_F(PresetRenameTest, AFolderSeparatorFromTagTextNeverMovesTheFile) {
    // Without replacement, "/" and ".." in tag text (or a track text like "1/12") would lead into
    // another folder: such a name fails, whether that folder exists or not, and so does "a/../b"
    // that reads as the same folder (the system follows a link named "a" first).
    const std::string slash = Song("x.mp3", "AC/DC");
    const std::string existing = Song("y.mp3", "sub/inside");
    const std::string up = Song("z.mp3", "../up");
    const std::string through = Song("zz.mp3", "link/../b");
    dir.MakeDir("sub");
    dir.MakeDir("elsewhere/inner");
    ASSERT_EQ(::symlink((dir / "elsewhere/inner").c_str(), (dir / "link").c_str()), 0);
    Scan();
    settings.AddPrefix = false;
    settings.ReplaceBannedSymbols = false;
    const auto result = RunPresetRename(list, undo);
    EXPECT_EQ(result.Errors, (std::vector<int>{kNameIsPath, kNameIsPath, kNameIsPath, kNameIsPath}));
    EXPECT_EQ(ReadFile(dir / "zz.mp3"), through);
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere/b.mp3"));
    EXPECT_EQ(ReadFile(dir / "x.mp3"), slash);
    EXPECT_EQ(ReadFile(dir / "y.mp3"), existing);
    EXPECT_EQ(ReadFile(dir / "z.mp3"), up);
    EXPECT_FALSE(std::filesystem::exists(dir / "sub/inside.mp3"));
    EXPECT_FALSE(std::filesystem::exists(dir / "AC"));
    EXPECT_TRUE(undo.empty());
    ASSERT_EQ(host.Messages.size(), 1u);
}

TEST_F(PresetRenameTest, NoNameMakesAHiddenFile) {
    // An empty title with the number off, and a title starting with ".", would hide the file.
    const std::string empty = Song("a.mp3", "");
    const std::string dot = Song("b.mp3", ".hidden");
    Song("c.mp3", "Shown");
    Scan();
    settings.AddPrefix = false;
    const auto result = RunPresetRename(list, undo);
    EXPECT_EQ(result.Errors, (std::vector<int>{kNameHidden, kNameHidden, 0}));
    EXPECT_EQ(Files(), (Strings{"Shown.mp3", "a.mp3", "b.mp3"}));
    EXPECT_EQ(ReadFile(dir / "a.mp3"), empty);
    EXPECT_EQ(undo, (UndoList{{dir / "c.mp3", dir / "Shown.mp3"}}));
    EXPECT_EQ(host.Messages.size(), 1u);
}

TEST_F(PresetRenameTest, CollisionRenamesTheFirstAndReportsTheSecond) {
    const std::string a = Song("a.mp3", "Same");
    const std::string b = Song("b.mp3", "Same");
    const std::string other = Song("other.mp3", "Keep");
    const std::string c = Song("c.mp3", "other");
    Scan();
    settings.AddPrefix = false;
    list.Rows()[3].Checked = false;  // other.mp3
    const auto result = RunPresetRename(list, undo);
    EXPECT_EQ(result.Failed, 2);
    EXPECT_EQ(Files(), (Strings{"Same.mp3", "b.mp3", "c.mp3", "other.mp3"}));
    EXPECT_EQ(ReadFile(dir / "Same.mp3"), a);
    EXPECT_EQ(ReadFile(dir / "b.mp3"), b);
    EXPECT_EQ(ReadFile(dir / "c.mp3"), c);
    EXPECT_EQ(ReadFile(dir / "other.mp3"), other);
    EXPECT_EQ(result.Errors, (std::vector<int>{0, EEXIST, EEXIST}));

    // One summary message for both failures, the first file recorded for undo.
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text,
              "Один или несколько файлов остались непереименованными. Убедитесь, что ни один из файлов в "
              "данной папке не занят другим приложением, Вы имеете разрешения на изменение содержимого папки "
              "и в окне настроек на вкладке \"Переименовывание\" утановлен флажок \"Заменять недопустимые...");
    EXPECT_EQ(host.Messages[0].Caption, "Tagmora");
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Information);
    EXPECT_EQ(undo, (UndoList{{dir / "a.mp3", dir / "Same.mp3"}}));
    EXPECT_TRUE(host.Enabled.at("UnDoMnu"));
}

TEST_F(PresetRenameTest, OverlongAndAlreadyRightNames) {
    Song("a.mp3", std::string(300, 'x'));
    Song("Right.mp3", "Right");
    Scan();
    settings.AddPrefix = false;
    const auto result = RunPresetRename(list, undo);
    // Rows sorted: a.mp3, Right.mp3. A file that already has its new name counts as renamed.
    EXPECT_EQ(result.Errors, (std::vector<int>{ENAMETOOLONG, 0}));
    EXPECT_EQ(undo, (UndoList{{dir / "Right.mp3", dir / "Right.mp3"}}));
    EXPECT_EQ(Files(), (Strings{"Right.mp3", "a.mp3"}));
    EXPECT_EQ(host.Messages.size(), 1u);
}

TEST_F(PresetRenameTest, CommandRebuildsTheListFromTheCurrentFolder) {
    Song("A/b.mp3", "Bee");
    Song("A/a.mp3", "Ay");
    Song("Other/c.mp3", "Sea");
    Scan(dir / "A");
    list.ScanFolder(dir / "Other", true, false);  // an appended folder is not part of the rescan
    BuildList(list, false, true);
    list.RestoreAutoOrdering();
    list.CurrentFolder = dir / "A";
    list.Rows()[2].Checked = false;
    RenameAllMnuClick(list, undo);
    EXPECT_EQ(RowNames(), (Strings{"01 - Ay.mp3", "02 - Bee.mp3"}));
    EXPECT_EQ(list.Rows()[0].ColumnText(ColTitle), "Ay");
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_TRUE(list.AutoOrdering);
    EXPECT_FALSE(list.Busy());
}

TEST_F(PresetRenameTest, CommandWithoutCheckedRowsOnlyTellsSo) {
    FiveSongs();
    CheckOnly({});
    undo = {{"x", "y"}};
    const auto logBefore = status.Log.size();
    RenameAllMnuClick(list, undo);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "Нет выбранных файлов.");
    EXPECT_EQ(status.Log.size(), logBefore);  // not rebuilt
    EXPECT_EQ(undo.size(), 1u);
    EXPECT_EQ(host.Enabled.count("UnDoMnu"), 0u);
    // Refused while another command runs: CommandContextTest, through RunCommand.
}

class UndoTest : public PresetRenameTest {};

TEST_F(UndoTest, UndoRestoresEveryNameAndDisablesItself) {
    const std::string a = Song("a.mp3", "One");
    Song("b.mp3", "Two");
    Song("c.mp3", "Three");
    Scan();
    RenameAllMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{"01 - One.mp3", "02 - Two.mp3", "03 - Three.mp3"}));
    ASSERT_EQ(undo.size(), 3u);
    EXPECT_EQ(undo[0], (UndoPair{dir / "a.mp3", dir / "01 - One.mp3"}));
    ASSERT_TRUE(host.Enabled.at("UnDoMnu"));

    UnDoMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(ReadFile(dir / "a.mp3"), a);
    EXPECT_FALSE(host.Enabled.at("UnDoMnu"));
    EXPECT_EQ(RowNames(), (Strings{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_TRUE(undo.empty());

    // The pairs are used once: a second undo does not touch a file that took a new name again.
    ASSERT_EQ(std::rename((dir / "a.mp3").c_str(), (dir / "01 - One.mp3").c_str()), 0);
    UnDoMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{"01 - One.mp3", "b.mp3", "c.mp3"}));
}

TEST_F(UndoTest, NamesThatAreNotUtf8KeepTheirRealBytes) {
    // A Windows-1251 file name ("Ёлка.mp3") as an old card or archive may hold it.
    const std::string name = "\xA8\xEB\xEA\xE0.mp3";
    const std::string bytes = Song(name, "Fir");
    Scan();
    RenameAllMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{"01 - Fir.mp3"}));
    UnDoMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{name}));
    EXPECT_EQ(ReadFile(dir / name), bytes);
}

TEST_F(UndoTest, UndoOfAPartlyFailedRunRestoresTheRenamedFilesOnly) {
    Song("a.mp3", "Same");
    Song("b.mp3", "Same");
    Song("c.mp3", "Other");
    Scan();
    settings.AddPrefix = false;
    RenameAllMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{"Other.mp3", "Same.mp3", "b.mp3"}));
    UnDoMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{"a.mp3", "b.mp3", "c.mp3"}));
}

TEST_F(UndoTest, UndoWorksOnRecordedPathsAfterAFolderChange) {
    Song("A/a.mp3", "Ay");
    Song("B/b.mp3", "Bee");
    Scan(dir / "A");
    RenameAllMnuClick(list, undo);
    Scan(dir / "B");
    UnDoMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{"A/a.mp3", "B/b.mp3"}));
    EXPECT_EQ(list.CurrentFolder, dir / "B");
    EXPECT_EQ(RowNames(), (Strings{"b.mp3"}));
}

TEST_F(UndoTest, UndoSkipsDeletedFilesAndNeverOverwrites) {
    Song("a.mp3", "One");
    Song("b.mp3", "Two");
    Song("c.mp3", "Three");
    Scan();
    RenameAllMnuClick(list, undo);
    ASSERT_EQ(std::remove((dir / "02 - Two.mp3").c_str()), 0);
    test::WriteFile(dir / "c.mp3", "newcomer");  // took an old name meanwhile
    UnDoMnuClick(list, undo);
    EXPECT_EQ(Files(), (Strings{"03 - Three.mp3", "a.mp3", "c.mp3"}));
    EXPECT_EQ(ReadFile(dir / "c.mp3"), "newcomer");
    EXPECT_TRUE(host.Messages.empty());  // undo fails silently
    EXPECT_FALSE(host.Enabled.at("UnDoMnu"));
}

TEST_F(UndoTest, UndoNeverGivesAFileAHiddenName) {
    Song("a.mp3", "One");
    Scan();
    undo = {{dir / ".mp3", dir / "a.mp3"}, {dir / ".a.mp3", dir / "a.mp3"}};
    EXPECT_EQ(RestoreUndoList(undo), 0);
    EXPECT_EQ(Files(), (Strings{"a.mp3"}));
}

TEST_F(UndoTest, ARunWhereEveryFileFailsEmptiesTheListButLeavesTheCommand) {
    Song("a.mp3", "One");
    Song("b.mp3", "Two");
    Scan();
    RenameAllMnuClick(list, undo);
    ASSERT_EQ(undo.size(), 2u);
    ASSERT_TRUE(host.Enabled.at("UnDoMnu"));

    // Every new name of the next run is taken.
    settings.AddPrefixStart = 5;
    test::WriteFile(dir / "05 - One.mp3", "x");
    test::WriteFile(dir / "06 - Two.mp3", "y");
    host.Enabled.clear();
    RenameAllMnuClick(list, undo);
    EXPECT_TRUE(undo.empty());
    EXPECT_EQ(host.Enabled.count("UnDoMnu"), 0u);  // not touched: still enabled in the window
    EXPECT_EQ(host.Messages.size(), 1u);

    // The undo then restores nothing, disables itself and rebuilds the list.
    const auto files = Files();
    UnDoMnuClick(list, undo);
    EXPECT_EQ(Files(), files);
    EXPECT_FALSE(host.Enabled.at("UnDoMnu"));
    EXPECT_EQ(list.RowCount(), 4);
}

}  // namespace
}  // namespace tagmora
