// The command context: RunCommand keeps a command from starting inside another, frames the
// commands that run, and shows what a command throws.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FakePorts.h"
#include "TestFiles.h"
#include "commands/CommandContext.h"
#include "filelist/FolderCommands.h"
#include "rename/PresetRename.h"
#include "rename/ScriptRename.h"
#include "rename/Undo.h"

namespace tagmora {
namespace {

using test::TempDir;

class CountingDialogs : public NullDialogs {
public:
    std::optional<std::string> AskRenameScript(const std::vector<std::string>&, const FileList&, int) override {
        ++Calls;
        return std::nullopt;
    }
    int Calls = 0;
};

class RecordingFrame : public CommandFrame {
public:
    void CommandStarting() override { Log.push_back("start"); }
    void CommandEnded() override { Log.push_back("end"); }
    std::vector<std::string> Log;
};

class CommandContextTest : public ::testing::Test {
protected:
    CommandContextTest() : store(dir / "user.reg", ""), context(store, status, host, dialogs), list(context.List()) {
        context.Settings().IncludeSubDirs = true;
        context.Settings().TAGReadSequence = 2;
    }
    void File(const std::string& relative) { test::WriteFile(dir / relative, test::SilentFrames(1)); }

    TempDir dir;
    FileSettingsStore store;
    test::RecordingStatus status;
    test::FakeHost host;
    CountingDialogs dialogs;
    CommandContext context;
    FileList& list;
};

TEST_F(CommandContextTest, ACommandCannotStartWhileAnotherRuns) {
    dir.MakeDir("a");
    File("a/x.mp3");
    list.CurrentFolder = dir.Path();
    int refused = 0;
    host.OnProcessEvents = [&] {
        if (!context.RunCommand([&] { RereadListCommand(list); })) ++refused;
        if (!context.RunCommand([&] { NextDirCommand(list); })) ++refused;
    };
    host.PickerAnswer = dir.Path();
    ASSERT_TRUE(context.RunCommand([&] { BrowseForFolderCommand(list); }));
    EXPECT_GT(refused, 0);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_FALSE(list.Busy());
}

TEST_F(CommandContextTest, EveryCommandIsRefusedInsideAnotherAndDoesNothing) {
    // No row is checked: each command that ran would at least show "Нет выбранных файлов." or
    // ask a dialog.
    File("x.mp3");
    list.CurrentFolder = dir.Path();
    list.ScanFolder(dir.Path(), false, false);
    status.Log.clear();
    context.Undo() = {{dir / "old.mp3", dir / "x.mp3"}};
    host.PickerAnswer = dir.Path();
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        {"BrowseForFolderMnu", [&] { BrowseForFolderCommand(list); }},
        {"AddToListMnu", [&] { AddToListCommand(list); }},
        {"RereadMnu", [&] { RereadCommand(list); }},
        {"RereadListMnu", [&] { RereadListCommand(list); }},
        {"RereadSelectedMnu", [&] { RereadSelectedCommand(list); }},
        {"RenameAllMnu", [&] { RenameAllMnuClick(list, context.Undo()); }},
        {"RenameWindMnu", [&] { RenameWindMnuClick(list, context.Store(), context.DialogsPort()); }},
        {"UnDoMnu", [&] { UnDoMnuClick(list, context.Undo()); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        bool refused = false;
        ASSERT_TRUE(context.RunCommand([&] { refused = !context.RunCommand(command); }));
        EXPECT_TRUE(refused);
        EXPECT_TRUE(host.Messages.empty());
        EXPECT_TRUE(host.PickerCalls.empty());
        EXPECT_EQ(dialogs.Calls, 0);
        EXPECT_EQ(context.Undo().size(), 1u);
        EXPECT_EQ(list.RowCount(), 1);
        EXPECT_TRUE(host.Enabled.empty());
        EXPECT_TRUE(status.Log.empty());
        EXPECT_FALSE(list.Busy());
    }
    // Outside another command the same command runs.
    EXPECT_TRUE(context.RunCommand([&] { RenameAllMnuClick(list, context.Undo()); }));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "Нет выбранных файлов.");
}

TEST_F(CommandContextTest, TheFrameSurroundsCommandsThatRunAndAThrownErrorIsShown) {
    RecordingFrame frame;
    context.SetFrame(&frame);
    EXPECT_TRUE(context.RunCommand([&] {
        EXPECT_TRUE(context.Busy());
        EXPECT_FALSE(context.RunCommand([] {}));  // refused: not framed
    }));
    EXPECT_EQ(frame.Log, (std::vector<std::string>{"start", "end"}));

    EXPECT_TRUE(context.RunCommand([] { throw std::runtime_error("disk on fire"); }));
    EXPECT_EQ(frame.Log.size(), 4u);
    EXPECT_EQ(frame.Log.back(), "end");
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "disk on fire");
    EXPECT_EQ(host.Messages[0].Caption, "Tagmora");
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Error);
    EXPECT_FALSE(context.Busy());
    EXPECT_TRUE(context.RunCommand([] {}));
}

}  // namespace
}  // namespace tagmora
