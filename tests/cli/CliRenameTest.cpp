// tagmora-cli rename: the dry run prints the plan and touches nothing, a real run renames and
// prints the pairs, failures give exit code 1, and the usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "RenameFixture.h"
#include "rename/RenamePlan.h"
#include "rename/SafeRename.h"

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
    ASSERT_EQ(r.ExitCode, 1) << r.Err;  // none.mp3 would become the hidden file ".mp3"
    EXPECT_EQ(SplitLines(r.Out), (Strings{Music() + "/a.mp3\t" + Music() + "/Tab here.mp3",
                                          Music() + "/Sub/b.mp3\t" + Music() + "/Sub/Bee.mp3"}));
    EXPECT_EQ(r.Err, "tagmora-cli rename: " + Music() + "/none.mp3: " + RenameErrorText(kNameHidden) +
                         "\ntagmora-cli rename: 1 of 3 files would not be renamed\n");
    EXPECT_EQ(Files(), before);

    const auto s = RunCli({"rename", "--script", "%p1%\\%t1%", "--dry-run", Music() + "/Sub"}, config.Path());
    ASSERT_EQ(s.ExitCode, 0) << s.Err;
    EXPECT_EQ(SplitLines(s.Out), (Strings{Music() + "/Sub/b.mp3\t" + Music() + "/Sub/Sub/Bee.mp3"}));
    EXPECT_EQ(Files(), before);
    // The command line keeps no script history.
    std::string stored;
    try {
        stored = test::ReadFile(config / "tagmora/user.reg");
    } catch (const std::exception&) {}
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
    EXPECT_EQ(Files(), (Strings{"music/01 - Artist - Tab here.mp3", "music/02 -  - .mp3", "music/Sub/b-Bee.mp3",
                                "music/untagged.mp3"}));
    EXPECT_EQ(test::ReadFile(Music() + "/01 - Artist - Tab here.mp3"), a);
}

TEST_F(CliRenameTest, ACollisionGivesExitCodeOne) {
    const std::string taken = Song("music/Sub/Bee.mp3", "Other");
    const auto r = RunCli({"--set", "AddPrefix=0", "rename", "--preset", Music() + "/Sub"}, config.Path());
    EXPECT_EQ(r.ExitCode, 1);
    // b.mp3 comes first in the list and finds Bee.mp3 still there; Bee.mp3 then becomes Other.mp3.
    EXPECT_NE(r.Err.find("tagmora-cli rename: 1 of 2 files not renamed\n"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("b.mp3"), std::string::npos);
    EXPECT_EQ(test::ReadFile(Music() + "/Sub/Other.mp3"), taken);
    EXPECT_EQ(test::ReadFile(Music() + "/Sub/b.mp3"), b);
}

TEST_F(CliRenameTest, DryRunReportsTheFailuresTheRunWouldMeet) {
    Song("music/Sub/c.mp3", "Bee");                  // the same name as b.mp3
    Song("music/Sub/d.mp3", "Taken");                // a name that exists
    Song("music/Sub/e.mp3", std::string(300, 'L'));  // a name too long
    Song("music/Sub/Taken.mp3", "Taken");
    const auto before = Files();
    const Strings args{"--set", "AddPrefix=0", "rename", "--preset", Music() + "/Sub"};
    Strings dry = args;
    dry.insert(dry.begin() + 3, "--dry-run");
    const auto planned = RunCli(dry, config.Path());
    EXPECT_EQ(planned.ExitCode, 1);
    EXPECT_EQ(Files(), before);
    const auto run = RunCli(args, config.Path());
    EXPECT_EQ(run.ExitCode, 1);
    // The dry run told what the run then did, line for line.
    EXPECT_EQ(planned.Out, run.Out);
    EXPECT_EQ(SplitLines(planned.Out), (Strings{Music() + "/Sub/b.mp3\t" + Music() + "/Sub/Bee.mp3",
                                                Music() + "/Sub/Taken.mp3\t" + Music() + "/Sub/Taken.mp3"}));
    const std::string prefix = "tagmora-cli rename: " + Music() + "/Sub/";
    const std::string failures =
        prefix + "c.mp3: File exists\n" + prefix + "d.mp3: File exists\n" + prefix + "e.mp3: File name too long\n";
    EXPECT_EQ(planned.Err, failures + "tagmora-cli rename: 3 of 5 files would not be renamed\n");
    EXPECT_EQ(run.Err, failures + "tagmora-cli rename: 3 of 5 files not renamed\n");
}

TEST_F(CliRenameTest, RefusalsAndUsageErrors) {
    const auto before = Files();
    const auto flat = RunCli({"--set", "IncludeSubDirs=0", "rename", "--script", "x", Music()}, config.Path());
    EXPECT_EQ(flat.ExitCode, 2);
    EXPECT_EQ(flat.Err.rfind("tagmora-cli rename: a script rename needs the subfolders on: --set IncludeSubDirs=1", 0),
              0u)
        << flat.Err;
    const auto invalid = RunCli({"rename", "--script", "%p0", Music()}, config.Path());
    EXPECT_EQ(invalid.ExitCode, 1);
    const auto none = RunCli({"rename", "--preset", dir / "empty"}, config.Path());
    EXPECT_EQ(none.ExitCode, 1);  // the folder does not exist
    EXPECT_NE(none.Err.find("tagmora-cli rename: no file is checked\n"), std::string::npos);
    for (const Strings& args : {Strings{"rename", Music()}, Strings{"rename", "--preset", "--script", "x", Music()},
                                Strings{"rename", "--preset"}, Strings{"rename", "--script"},
                                Strings{"rename", "--bogus", "--preset", Music()}}) {
        EXPECT_EQ(RunCli(args, config.Path()).ExitCode, 2) << args[1];
    }
    EXPECT_EQ(Files(), before);
}

}  // namespace
}  // namespace tagmora
