// Script renaming: moves into new subfolders, per-folder numbering, collisions, the rows after
// the run, status and progress, and the command with its dialog port and script history.
#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "RenameFixture.h"
#include "script/SStrings.h"
#include "rename/SafeRename.h"
#include "rename/ScriptRename.h"
#include "settings/SettingsStore.h"

namespace tagmora {
namespace {

using test::ReadFile;
using Strings = std::vector<std::string>;

class ScriptRenameTest : public test::RenameFixture {};

TEST_F(ScriptRenameTest, BackslashOrSlashMovesIntoNewSubfolders) {
    const std::string a = Song("Album/01 - a.mp3", "A");
    Song("Album/02 - b.mp3", "B");
    Scan();
    const auto result = RunScriptRename(list, "%p1%\\%p0n[-4]%");
    EXPECT_EQ(result.Failed, 0);
    EXPECT_EQ(Files(), (Strings{"Album/Album/01 - a.mp3", "Album/Album/02 - b.mp3"}));
    EXPECT_EQ(ReadFile(dir / "Album/Album/01 - a.mp3"), a);

    Scan();
    RunScriptRename(list, "../Flat/%p0%");  // ".." leads upwards
    EXPECT_EQ(Files(), (Strings{"Album/Flat/01 - a.mp3.mp3", "Album/Flat/02 - b.mp3.mp3"}));
}

TEST_F(ScriptRenameTest, PerFolderNumberingRestartsOnEveryRun) {
    Song("A/x.mp3", "1");
    Song("A/y.mp3", "2");
    Song("B/z.mp3", "3");
    Scan();
    RunScriptRename(list, "%nn%");
    EXPECT_EQ(Files(), (Strings{"A/01.mp3", "A/02.mp3", "B/01.mp3"}));
    RunScriptRename(list, "n%nn%");
    EXPECT_EQ(Files(), (Strings{"A/n01.mp3", "A/n02.mp3", "B/n01.mp3"}));
}

TEST_F(ScriptRenameTest, RowsKeepTheirPlaceAndTagsAndShowTheNewPath) {
    Song("b.mp3", "Bee", "Artist");
    Song("a.mp3", "Ay");
    Song("c.mp3", "Sea");
    Scan();
    list.Rows()[1].Checked = false;
    list.AutoOrdering = true;
    RunScriptRename(list, "Z/%t1%");
    EXPECT_EQ(list.Rows()[0].FileText(), dir / "Z/Ay.mp3");
    EXPECT_EQ(list.RowPath(0), dir / "Z/Ay.mp3");
    EXPECT_EQ(list.Rows()[0].ColumnText(ColTitle), "Ay");
    EXPECT_EQ(list.Rows()[1].FileText(), dir / "b.mp3");
    EXPECT_EQ(list.Rows()[1].ColumnText(ColArtist), "Artist");
    EXPECT_EQ(list.Rows()[2].FileText(), dir / "Z/Sea.mp3");
    EXPECT_TRUE(list.AutoOrdering);
    EXPECT_EQ(Files(), (Strings{"Z/Ay.mp3", "Z/Sea.mp3", "b.mp3"}));
}

TEST_F(ScriptRenameTest, CollisionStatusAndProgress) {
    const std::string b = Song("b.mp3", "B");
    Song("a.mp3", "A");
    Song("c.mp3", "C");
    Scan();
    list.Rows()[2].Checked = false;
    status.Log.clear();
    status.Progress.clear();
    host.ListVisibility.clear();
    const auto result = RunScriptRename(list, "same");
    EXPECT_EQ(result.Errors, (std::vector<int>{0, EEXIST}));
    EXPECT_EQ(Files(), (Strings{"b.mp3", "c.mp3", "same.mp3"}));
    EXPECT_EQ(ReadFile(dir / "b.mp3"), b);
    EXPECT_EQ(list.Rows()[1].FileText(), dir / "b.mp3");  // a failed row keeps its text

    EXPECT_EQ(status.Log, (Strings{"status: Переименовывание...", "brief: Готово."}));
    ASSERT_EQ(status.Progress.size(), 2u);
    EXPECT_EQ(status.Progress[0].first, dir / "same.mp3");
    EXPECT_DOUBLE_EQ(status.Progress[0].second, 50.0);
    EXPECT_EQ(status.Progress[1].first, dir / "b.mp3");
    EXPECT_DOUBLE_EQ(status.Progress[1].second, 100.0);
    EXPECT_EQ(host.ListVisibility, (std::vector<bool>{false, true}));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, kFilesNotRenamed);
    EXPECT_TRUE(host.Enabled.empty());  // script renaming leaves the undo command alone
}

// Control characters of the result (a NUL, a line break from a title) never reach a file name:
// they become the ReplaceSymbol, as banned characters do.
TEST_F(ScriptRenameTest, ControlCharactersInTheResultAreReplaced) {
    Song("a.mp3", "A");
    Scan();
    settings.ReplaceSymbol = "_";
    const auto result = RunScriptRename(list, std::string_view("New/x\0y\nz\x7f", 10));
    EXPECT_EQ(result.Errors, (std::vector<int>{0}));
    EXPECT_EQ(Files(), (Strings{"New/x_y_z_.mp3"}));
}

TEST_F(ScriptRenameTest, ResultsThatWouldHideTheFileOrGiveErrorFailThatFile) {
    // A result that grows past the length limit on one row only gives "Error" there.
    const std::string grows = Song("zzzzzzzzzzzz.mp3", "Z");
    Song("b.mp3", "B");
    Scan();
    const std::string big(100000, 'Y');
    struct Case {
        std::string Script;
        std::vector<int> Errors;
        Strings Files;
    };
    const Case cases[] = {
        {"%p0r[z," + big + "]n[1-1]%", {0, kScriptFailed}, {"b.mp3", "zzzzzzzzzzzz.mp3"}},
        {"Error", {kScriptFailed, kScriptFailed}, {"b.mp3", "zzzzzzzzzzzz.mp3"}},
        {"", {kNameHidden, kNameHidden}, {"b.mp3", "zzzzzzzzzzzz.mp3"}},
        {".%t1%", {kNameHidden, kNameHidden}, {"b.mp3", "zzzzzzzzzzzz.mp3"}},
        {"%t1%\\", {kNameHidden, kNameHidden}, {"b.mp3", "zzzzzzzzzzzz.mp3"}},
        {"New/.cache/%t1%", {kNameHidden, kNameHidden}, {"b.mp3", "zzzzzzzzzzzz.mp3"}},
        {"./New/../%t1%", {0, 0}, {"B.mp3", "Z.mp3"}},
    };
    for (const Case& c : cases) {
        Scan();
        EXPECT_EQ(RunScriptRename(list, c.Script).Errors, c.Errors) << c.Script.substr(0, 20);
        EXPECT_EQ(Files(), c.Files) << c.Script.substr(0, 20);
    }
    EXPECT_EQ(ReadFile(dir / "Z.mp3"), grows);
}

class FakeScriptDialog : public ScriptDialogPort {
public:
    std::optional<std::string> AskRenameScript(const std::vector<std::string>& history, const FileList&,
                                               int sampleRow) override {
        ++Calls;
        History = history;
        Sample = sampleRow;
        return Answer;
    }
    std::optional<std::string> Answer;
    int Calls = 0;
    std::vector<std::string> History;
    int Sample = -1;
};

class RenameCommandTest : public test::RenameFixture {
protected:
    RenameCommandTest() : store(config / "user.reg", "") {}
    Strings StoredHistory() {
        TSStrings h;
        h.LoadFromRegistry(store, kSettingsKey, "RenameScripts");
        return h.Items();
    }
    test::TempDir config;
    FileSettingsStore store;
    FakeScriptDialog dialog;
};

TEST_F(RenameCommandTest, RefusesWithoutCheckedRowsOrSubfolders) {
    Song("a.mp3", "A");
    Scan();
    CheckOnly({});
    RenameWindMnuClick(list, store, dialog);
    CheckOnly({0});
    settings.IncludeSubDirs = false;
    RenameWindMnuClick(list, store, dialog);
    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(host.Messages[0].Text, "Нет выбранных файлов.");
    EXPECT_EQ(host.Messages[1].Text, "Эта функция работает только в режиме просмотра поддиректорий.");
    EXPECT_EQ(host.Messages[1].Caption, "Tagmora");
    EXPECT_EQ(host.Messages[1].Icon, MessageIcon::Information);
    EXPECT_EQ(dialog.Calls, 0);
    // Refused while another command runs: CommandContextTest, through RunCommand.
}

TEST_F(RenameCommandTest, ConfirmedScriptRenamesAndJoinsTheHistoryOnce) {
    Song("a.mp3", "A");
    Song("b.mp3", "B");
    Scan();
    CheckOnly({1});
    TSStrings history;
    for (const char* s : {"zz%p0%", "%T1%", "Abc"}) history.Add(s);
    ASSERT_TRUE(history.SaveToRegistry(store, kSettingsKey, "RenameScripts"));

    dialog.Answer = "%t1%";
    RenameWindMnuClick(list, store, dialog);
    EXPECT_EQ(dialog.History, (Strings{"%T1%", "Abc", "zz%p0%"}));
    EXPECT_EQ(dialog.Sample, 1);
    EXPECT_EQ(Files(), (Strings{"B.mp3", "a.mp3"}));
    // "%t1%" equals "%T1%" ignoring case: not a second entry.
    EXPECT_EQ(StoredHistory(), (Strings{"%T1%", "Abc", "zz%p0%"}));

    dialog.Answer = "x%t1%";
    CheckOnly({0});
    RenameWindMnuClick(list, store, dialog);
    EXPECT_EQ(Files(), (Strings{"B.mp3", "xA.mp3"}));
    EXPECT_EQ(StoredHistory(), (Strings{"%T1%", "Abc", "x%t1%", "zz%p0%"}));
    EXPECT_EQ(list.Rows()[1].FileText(), dir / "B.mp3");  // the list is not rebuilt
}

TEST_F(RenameCommandTest, HistoryIsSavedEvenWhenFilesFailAndNotOnCancel) {
    Song("a.mp3", "A");
    Song("b.mp3", "B");
    Scan();
    RenameWindMnuClick(list, store, dialog);  // cancelled
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, kSettingsKey));
    EXPECT_TRUE(dialog.History.empty());
    EXPECT_EQ(Files(), (Strings{"a.mp3", "b.mp3"}));

    dialog.Answer = "one";
    RenameWindMnuClick(list, store, dialog);
    EXPECT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(StoredHistory(), (Strings{"one"}));

    // An empty script fails every file (the name would be hidden) and is not remembered.
    dialog.Answer = "";
    RenameWindMnuClick(list, store, dialog);
    EXPECT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(StoredHistory(), (Strings{"one"}));
    EXPECT_EQ(Files(), (Strings{"b.mp3", "one.mp3"}));
}

}  // namespace
}  // namespace tagmora
