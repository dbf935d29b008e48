// The hand-offs: the enqueue command line, the clipboard text, the About text and the help file,
// each through a recording shell (no player starts, no viewer opens).
#include "mark/HandOffs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"

namespace tagmora {
namespace {

using test::FakeHost;
using test::RecordingShell;
using test::RecordingStatus;
using Words = std::vector<std::string>;

class HandOffsTest : public ::testing::Test {
protected:
    HandOffsTest() : list_(settings_, status_, host_) {}

    // Scans a folder of a.mp3, b.mp3 and sub/c.mp3, with or without subfolders, and checks
    // every row but b.mp3.
    void Scan(bool withSubfolders) {
        dir_.MakeDir("sub");
        for (const char* name : {"a.mp3", "b.mp3", "sub/c.mp3"}) test::WriteFile(dir_ / name, test::SilentFrames());
        settings_.IncludeSubDirs = withSubfolders;
        list_.CurrentFolder = dir_.Path();
        list_.ScanFolder(dir_.Path(), false, false);
        for (FileRow& row : list_.Rows()) row.Checked = row.Path() != dir_ / "b.mp3";
        status_.Log.clear();
    }

    void AddRow(const std::string& title, bool checked) {
        FileRow& row = list_.Rows().emplace_back();
        row.SetColumnText(ColTitle, title);
        row.Checked = checked;
    }

    test::TempDir dir_;
    AppSettings settings_;
    RecordingStatus status_;
    FakeHost host_;
    RecordingShell shell_;
    FileList list_;
};

TEST(EnqueueCommand, WordsOfTheSettingThenTheFiles) {
    const Words files = {"/m/a b.mp3", "/m/c.mp3"};
    EXPECT_EQ(EnqueueCommandLine("", files), (Words{"audacious", "-e", "/m/a b.mp3", "/m/c.mp3"}));
    EXPECT_EQ(EnqueueCommandLine(" \t ", files), (Words{"audacious", "-e", "/m/a b.mp3", "/m/c.mp3"}));
    EXPECT_EQ(EnqueueCommandLine("  vlc   --one-instance\t--playlist-enqueue ", {"/x.mp3"}),
              (Words{"vlc", "--one-instance", "--playlist-enqueue", "/x.mp3"}));
    EXPECT_EQ(EnqueueCommandLine("\"/opt/my player/run\" --add=\"q 1\" \"\"", {}),
              (Words{"/opt/my player/run", "--add=q 1", ""}));
}

TEST_F(HandOffsTest, EnqueueHandsTheFullPathsOfAFlatScanToThePlayerInOneDetachedStart) {
    Scan(false);
    ASSERT_EQ(list_.Rows()[0].FileText(), "a.mp3");  // the list shows bare names
    EnqInWinampMnuClick(list_, shell_);
    EXPECT_EQ(shell_.Started, (std::vector<Words>{{"audacious", "-e", dir_ / "a.mp3"}}));
    EXPECT_EQ(status_.Log, (Words{"status: Подождите...", "brief: Готово."}));
    EXPECT_TRUE(host_.Messages.empty());
}

TEST_F(HandOffsTest, EnqueueOfARecursiveScanKeepsListOrderAndTakesTheSettingsCommand) {
    Scan(true);
    settings_.EnqueueCommand = "vlc --playlist-enqueue";
    EnqInWinampMnuClick(list_, shell_);
    EXPECT_EQ(shell_.Started, (std::vector<Words>{{"vlc", "--playlist-enqueue", dir_ / "a.mp3", dir_ / "sub/c.mp3"}}));
}

TEST_F(HandOffsTest, EnqueueStartsThePlayerInBatchesThatFitTheArgumentLimit) {
    Scan(true);
    const std::string a = dir_ / "a.mp3", c = dir_ / "sub/c.mp3";
    const std::size_t oneFile = (10 + 8) + (3 + 8) + (c.size() + 1 + 8);  // "audacious", "-e", a file
    EnqInWinampMnuClick(list_, shell_, oneFile);
    EnqInWinampMnuClick(list_, shell_, oneFile + a.size() + 1 + 8);
    EXPECT_EQ(shell_.Started,
              (std::vector<Words>{{"audacious", "-e", a}, {"audacious", "-e", c}, {"audacious", "-e", a, c}}));
}

TEST_F(HandOffsTest, EnqueueWithoutCheckedRowsOrWithoutAPlayerSaysSo) {
    Scan(false);
    for (FileRow& row : list_.Rows()) row.Checked = false;
    EnqInWinampMnuClick(list_, shell_);
    EXPECT_TRUE(shell_.Started.empty());
    ASSERT_EQ(host_.Messages.size(), 1u);
    EXPECT_EQ(host_.Messages[0].Text, "Нет выбранных файлов.");
    EXPECT_EQ(host_.Messages[0].Icon, MessageIcon::Information);
    EXPECT_TRUE(status_.Log.empty());

    list_.Rows()[0].Checked = true;
    shell_.Starts = false;
    settings_.EnqueueCommand = "\"/opt/my player\" -e";
    EnqInWinampMnuClick(list_, shell_);
    ASSERT_EQ(host_.Messages.size(), 2u);
    EXPECT_EQ(host_.Messages[1].Text, "Не удалось запустить проигрыватель:\n\"/opt/my player\" -e");
    EXPECT_EQ(host_.Messages[1].Caption, "Tagmora");
    EXPECT_EQ(host_.Messages[1].Icon, MessageIcon::Error);
    EXPECT_EQ(status_.Log, (Words{"status: Подождите...", "total"}));
}

TEST_F(HandOffsTest, CopyPutsTheCheckedTitlesWithCrLfAfterEveryLine) {
    AddRow("A", true);
    AddRow("B", false);
    AddRow("", true);
    AddRow("Ц", true);
    CopyToClipbrdMnuClick(list_, shell_);
    EXPECT_EQ(shell_.Clipboard, (Words{"A\r\n\r\nЦ\r\n"}));
    EXPECT_EQ(status_.Log, (Words{"status: Подождите...", "brief: Готово."}));

    for (FileRow& row : list_.Rows()) row.Checked = false;
    status_.Log.clear();
    CopyToClipbrdMnuClick(list_, shell_);
    EXPECT_EQ(shell_.Clipboard.size(), 1u);
    ASSERT_EQ(host_.Messages.size(), 1u);
    EXPECT_EQ(host_.Messages[0].Text, "Нет выбранных файлов.");
    EXPECT_EQ(status_.Log, (Words{"status: Подождите..."}));  // the status stays
}

TEST(About, TextWithTheVersionLine) {
    EXPECT_EQ(AboutText("2.1.0.15"),
              "Программа для пакетного переименовывания mp3-файлов / пакетной записи в TAG'и.\n\n"
              "Доскел.\nTagmora version 2.1.0.15");
    EXPECT_EQ(VersionLine(""), "Tagmora");
    FakeHost host;
    AboutMnuClick(host, "0.1.0");
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, AboutText("0.1.0"));
    EXPECT_EQ(host.Messages[0].Caption, "Tagmora");
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Information);
    EXPECT_EQ(host.Messages[0].Buttons, MessageButtons::Ok);
}

TEST(Help, OpensTagmoraHtmlOfTheInstallationFolderOrSaysWhatFailed) {
    FakeHost host;
    RecordingShell shell;
    OpenHelpFile(host, shell, "/opt/tagmora/share");
    OpenHelpFile(host, shell, "/opt/tagmora/share/", kHelpKeysAnchor);
    OpenHelpFile(host, shell, "");
    EXPECT_EQ(shell.Opened, (std::vector<std::pair<std::string, std::string>>{
                                {"/opt/tagmora/share/Tagmora.html", ""},
                                {"/opt/tagmora/share/Tagmora.html", "keys"},
                                {"Tagmora.html", ""},
                            }));
    EXPECT_TRUE(host.Messages.empty());

    shell.Opens = false;
    OpenHelpFile(host, shell, "/nowhere");
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "Не удалось открыть файл помощи:\n/nowhere/Tagmora.html");
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Error);
}

}  // namespace
}  // namespace tagmora
