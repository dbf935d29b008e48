// tagmora-cli list, --set, settings init and the usage errors.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "TestFiles.h"

namespace tagmora {
namespace {

using test::RunCli;
using test::SplitLines;
using test::SplitTabs;
using test::TempDir;

class CliListTest : public ::testing::Test {
protected:
    CliListTest() {
        music = dir.MakeDir("music");
        dir.MakeDir("music/Sub");
        test::WriteFile(music + "/b.mp3", test::SilentFrames() + test::Id3v1Bytes("Tab\there", "Art", "Alb", "2001", "back\\slash", 3, 17));
        test::WriteFile(music + "/Sub/a.mp3",
                        test::Id3v2TagBytes(3, test::Id3v2Frame(3, "TIT2", test::TextContent(0, "V2 title")) +
                                                   test::Id3v2Frame(3, "TRCK", test::TextContent(0, "12"))) +
                            test::SilentFrames());
        test::WriteFile(music + "/none.mp3", test::SilentFrames());
    }
    std::string Config() const { return dir / "config"; }

    TempDir dir;
    std::string music;
};

TEST_F(CliListTest, ListsEveryRowWithItsColumnsEscaped) {
    const auto r = RunCli({"list", music}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto lines = SplitLines(r.Out);
    ASSERT_EQ(lines.size(), 3u);
    // Sorted by File text, Latin letters folded: b.mp3, none.mp3, Sub/a.mp3.
    const auto b = SplitTabs(lines[0]);
    ASSERT_EQ(b.size(), 22u);
    EXPECT_EQ(b[0], "1");
    EXPECT_EQ(b[1], music + "/b.mp3");
    EXPECT_EQ(b[2], "Tab\\there");
    EXPECT_EQ(b[6], "3");  // not padded: the untagged row's empty track makes the lengths 0..2
    EXPECT_EQ(b[7], "1");
    EXPECT_EQ(b[8], "Rock");
    EXPECT_EQ(b[9], "back\\\\slash");
    const auto none = SplitTabs(lines[1]);
    EXPECT_EQ(none[0], "0");
    EXPECT_EQ(none[2], "Пусто");
    EXPECT_EQ(none[21], "1 251");
    const auto a = SplitTabs(lines[2]);
    EXPECT_EQ(a[1], music + "/Sub/a.mp3");
    EXPECT_EQ(a[2], "V2 title");
    EXPECT_EQ(a[6], "12");
    EXPECT_EQ(a[7], "2");
    // Nothing was saved: the CLI never writes settings on its own.
    EXPECT_THROW(test::ReadFile(Config() + "/tagmora/user.reg"), std::runtime_error);
}

TEST_F(CliListTest, JsonOutputAndOverrides) {
    const auto r = RunCli({"--set", "IncludeSubDirs=0", "--set=TAGReadSequence=1", "list", "--json", music}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto lines = SplitLines(r.Out);
    ASSERT_EQ(lines.size(), 2u);  // a flat scan: no Sub folder
    EXPECT_EQ(lines[0].rfind("{\"checked\": false, \"path\": \"" + music + "/b.mp3\", \"columns\": [\"b.mp3\", \"Пусто\"", 0), 0u)
        << lines[0];
}

TEST_F(CliListTest, OddBytesAreEscapedAndNamesShownWithReplacementCharacters) {
    TempDir odd;
    // A file name that is not UTF-8, a title with a quote, a control character and a tab, and a
    // year of four NUL bytes.
    test::WriteFile(odd / "\xFF.mp3",
                    test::SilentFrames() + test::Id3v1Bytes("say \"hi\"\x01\tend", "", "", "", "", 1, 0));
    auto r = RunCli({"list", "--json", odd.Path()}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string name = odd.Path() + "/\xEF\xBF\xBD.mp3";
    EXPECT_EQ(r.Out.rfind("{\"checked\": true, \"path\": \"" + name + "\", \"columns\": [\"" + name +
                              "\", \"say \\\"hi\\\"\\u0001\\tend\", \"\", \"\", \"\\u0000\\u0000\\u0000\\u0000\", \"1\", \"1\", \"Blues\"",
                          0),
              0u)
        << r.Out;
    r = RunCli({"list", odd.Path()}, Config());
    const auto fields = SplitTabs(SplitLines(r.Out).at(0));
    ASSERT_EQ(fields.size(), 22u);
    EXPECT_EQ(fields[1], name);
    EXPECT_EQ(fields[2], "say \"hi\"\x01\\tend");
}

TEST_F(CliListTest, AFailedWriteOfTheOutputIsAnError) {
    const auto r = test::RunCliTo({"list", music}, Config(), "/dev/full");
    EXPECT_EQ(r.ExitCode, 1);
}

TEST_F(CliListTest, SeveralFoldersAndMissingOnes) {
    const auto r = RunCli({"list", music + "/Sub", dir / "missing", music + "/Sub"}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out).size(), 2u);  // the same folder twice lists its file twice
}

TEST_F(CliListTest, UsageErrorsGoToStderr) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"frobnicate", music}, {"list"}, {"list", "--bogus", music},
          {"--set", "NoSuchSetting=1", "list", music}, {"--set", "IncludeSubDirs=maybe", "list", music},
          {"--set", "IncludeSubDirs", "list", music}}) {
        const auto r = RunCli(args, Config());
        EXPECT_NE(r.ExitCode, 0);
        EXPECT_FALSE(r.Err.empty());
        EXPECT_TRUE(r.Out.empty());
    }
    const auto help = RunCli({"--help"}, Config());
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("Usage: tagmora-cli"), std::string::npos);
    const auto version = RunCli({"--version"}, Config());
    EXPECT_EQ(version.Out.rfind("tagmora-cli ", 0), 0u);
}

TEST_F(CliListTest, SettingsInitStoresDefaultsOnce) {
    auto r = RunCli({"--set", "IncludeSubDirs=0", "settings", "init"}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string stored = test::ReadFile(Config() + "/tagmora/user.reg");
    EXPECT_NE(stored.find("\"WinPos\"=hex:"), std::string::npos);
    EXPECT_NE(stored.find("\"IncludeSubDirs\"=dword:00000000"), std::string::npos);
    // The stored settings now apply: a flat scan.
    r = RunCli({"list", music}, Config());
    EXPECT_EQ(SplitLines(r.Out).size(), 2u);
    r = RunCli({"settings", "init"}, Config());
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(test::ReadFile(Config() + "/tagmora/user.reg"), stored);
}

}  // namespace
}  // namespace tagmora
