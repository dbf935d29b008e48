// tagmora-cli eval and check on generated MP3 files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliRunner.h"
#include "TestFiles.h"

namespace tagmora {
namespace {

using test::RunCli;
using test::SplitLines;
using test::TempDir;

class CliScriptTest : public ::testing::Test {
protected:
    CliScriptTest() {
        music = dir.MakeDir("music");
        dir.MakeDir("music/Sub");
        dir.MakeDir("empty");
        // Titles are ID3v1 bytes in Windows-1251: "\xa8\xeb\xea\xe0" is "Ёлка".
        test::WriteFile(music + "/b.mp3",
                        test::SilentFrames() + test::Id3v1Bytes("Back\\slash", "Art", "Alb", "2001", "", 3, 17));
        test::WriteFile(music + "/none.mp3", test::SilentFrames());
        test::WriteFile(music + "/Sub/a.mp3",
                        test::SilentFrames() + test::Id3v1Bytes("\xa8\xeb\xea\xe0", "Cyr", "Alb", "2002", "", 1, 0));
        test::WriteFile(dir / "empty/untagged.mp3", test::SilentFrames());
    }
    std::string Config() const { return dir / "config"; }

    TempDir dir;
    std::string music;
};

TEST_F(CliScriptTest, EvalPrintsCheckedRowsInListOrderWithPerFolderNumbers) {
    // List order is b.mp3, none.mp3 (untagged, unchecked), Sub/a.mp3.
    auto r = RunCli({"eval", "%p0n[-4]%|%t1%|%t1tr%|%nn%", music}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out), (std::vector<std::string>{"b|Back\\\\slash|Back\\\\slash|01", "a|Ёлка|Yolka|01"}));

    r = RunCli({"eval", "--all", "%p1%:%nn%", music}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out), (std::vector<std::string>{"music:01", "music:02", "Sub:01"}));

    r = RunCli({"--set", "ScriptSeparator=#", "eval", "#p0s1#%", music}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out), (std::vector<std::string>{"b.mp3%", "a.mp3%"}));

    r = RunCli({"eval", "%p0n%[1-2]%", music}, Config());
    EXPECT_EQ(r.ExitCode, 1) << r.Err;  // a failing script is a failure
    EXPECT_EQ(SplitLines(r.Out), (std::vector<std::string>{"Error", "Error"}));
}

TEST_F(CliScriptTest, CheckPreviewsTheFirstCheckedRow) {
    auto r = RunCli({"check", "%p1% %nn% %t3%", music}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "music 01 Art\n");

    // In a flat scan the preview starts from the bare file name.
    r = RunCli({"--set", "IncludeSubDirs=0", "check", "[%p1%] %p0%", music}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "[] b.mp3\n");

    r = RunCli({"check", "%p1", music}, Config());
    EXPECT_EQ(r.ExitCode, 1) << r.Err;
    EXPECT_EQ(r.Out, "Error\n");
}

TEST_F(CliScriptTest, CheckAndEvalWithoutCheckedRowsAndUsageErrors) {
    auto r = RunCli({"check", "%p0%", dir / "empty"}, Config());
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "tagmora-cli check: no file is checked\n");
    r = RunCli({"eval", "%p0%", dir / "empty"}, Config());
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Err, "tagmora-cli eval: no file is checked\n");

    for (const std::vector<std::string>& args : {std::vector<std::string>{"eval"},
                                                 {"eval", "%p0%"},
                                                 {"check", "%p0%"},
                                                 {"eval", "--bogus", "%p0%", music},
                                                 {"check", "--all", "%p0%", music}}) {
        r = RunCli(args, Config());
        EXPECT_EQ(r.ExitCode, 2) << args.size();
        EXPECT_EQ(r.Out, "");
        EXPECT_FALSE(r.Err.empty());
    }
}

}  // namespace
}  // namespace tagmora
