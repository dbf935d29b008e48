// tagmora-cli rename: the dry run prints the plan and touches nothing, a real run renames and
// prints the pairs, failures give exit code 1, and the usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "RenameFixture.h"

namespace tagmora {
namespace {

using test::RunCli;
using test::SplitLines;
using Strings = std::vector<std::string>;

class CliRenameTest : public test::RenameFixture {
protected:
    CliRenameTest() {
        a = Song("music/a.mp3", "Tab\there", "Artist");
        b = Song("music/Sub/b.mp3", "Bee");
        Song("music/none.mp3", "");
        // A file without any tag is not checked.
        test::WriteFile(dir / "music/untagged.mp3", test::SilentFrames(1));
    }
    std::string Music() const { return dir / "music"; }
    std::string a, b;
    test::TempDir config;
};

TEST_F(CliRenameTest, DryRunPrintsThePlanAndTouchesNothing) {
    const auto before = Files();
    const auto r = RunCli({"--set", "AddPrefix=0", "rename", "--dry-run", "--preset", Music()}, config.Path());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out), (Strings{Music() + "/a.mp3\t" + Music() + "/Tab\\there.mp3",
                                          Music() + "/none.mp3\t" + Music() + "/.mp3",
                                          Music() + "/Sub/b.mp3\t" + Music() + "/Sub/Bee.mp3"}));
    EXPECT_EQ(Files(), before);

    const auto s = RunCli({"rename", "--script", "%p1%\\%t3%", "--dry-run", Music() + "/Sub"}, config.Path());
    ASSERT_EQ(s.ExitCode, 0) << s.Err;
    EXPECT_EQ(SplitLines(s.Out), (Strings{Music() + "/Sub/b.mp3\t" + Music() + "/Sub/Sub/.mp3"}));
    EXPECT_EQ(Files(), before);
    // The command line keeps no script history.
    std::string stored;
    try {
        stored = test::ReadFile(config / "tagmora/user.reg");
    } catch (const std::exception&) {
    }
    EXPECT_EQ(stored.find("RenameScripts"), std::string::npos);
}

TEST_F(CliRenameTest, RealRunRenamesAndPrintsThePairs) {
    const auto r = RunCli({"rename", "--script=%p0n[-4]%-%t1%", Music() + "/Sub"}, config.Path());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, Music() + "/Sub/b.mp3\t" + Music() + "/Sub/b-Bee.mp3\n");
    EXPECT_EQ(test::ReadFile(Music() + "/Sub/b-Bee.mp3"), b);

    const auto p = RunCli({"--set", "AddPrefixArtist=1", "--set", "IncludeSubDirs=0", "rename", "--preset", Music()},
                          config.Path());
    ASSERT_EQ(p.ExitCode, 0) << p.Err;
    EXPECT_EQ(Files(), (Strings{"music/01 - Artist - Tab\there.mp3", "music/02 -  - .mp3", "music/Sub/b-Bee.mp3",
                                "music/untagged.mp3"}));
    EXPECT_EQ(test::ReadFile(Music() + "/01 - Artist - Tab\there.mp3"), a);
}

TEST_F(CliRenameTest, ACollisionGivesExitCodeOne) {
    const std::string taken = Song("music/Sub/Bee.mp3", "Other");
    const auto r = RunCli({"--set", "AddPrefix=0", "rename", "--preset", Music() + "/Sub"}, config.Path());
    EXPECT_EQ(r.ExitCode, 1);
    // b.mp3 comes first in the list and finds Bee.mp3 still there; Bee.mp3 then becomes Other.mp3.
    EXPECT_NE(r.Err.find("Один или несколько файлов остались непереименованными."), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("b.mp3"), std::string::npos);
    EXPECT_EQ(test::ReadFile(Music() + "/Sub/Other.mp3"), taken);
    EXPECT_EQ(test::ReadFile(Music() + "/Sub/b.mp3"), b);
}

TEST_F(CliRenameTest, RefusalsAndUsageErrors) {
    const auto before = Files();
    const auto flat = RunCli({"--set", "IncludeSubDirs=0", "rename", "--script", "x", Music()}, config.Path());
    EXPECT_EQ(flat.ExitCode, 1);
    EXPECT_NE(flat.Err.find("Эта функция работает только в режиме просмотра поддиректорий."), std::string::npos);
    const auto invalid = RunCli({"rename", "--script", "%p0", Music()}, config.Path());
    EXPECT_EQ(invalid.ExitCode, 1);
    const auto none = RunCli({"rename", "--preset", dir / "empty"}, config.Path());
    EXPECT_EQ(none.ExitCode, 1);
    EXPECT_NE(none.Err.find("Нет выбранных файлов."), std::string::npos);
    for (const Strings& args : {Strings{"rename", Music()}, Strings{"rename", "--preset", "--script", "x", Music()},
                                Strings{"rename", "--preset"}, Strings{"rename", "--script"},
                                Strings{"rename", "--bogus", "--preset", Music()}}) {
        EXPECT_EQ(RunCli(args, config.Path()).ExitCode, 2) << args[1];
    }
    EXPECT_EQ(Files(), before);
}

}  // namespace
}  // namespace tagmora
