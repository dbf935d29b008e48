// tagmora-cli --mark and --where: the marking commands on the rows of list, eval, check and
// rename, in the order given, and their usage errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliRunner.h"
#include "TestFiles.h"
#include "cli/CliMarking.h"
#include "common/Text.h"

namespace tagmora {
namespace {

using test::RunCli;
using test::SplitLines;
using test::SplitTabs;
using Strings = std::vector<std::string>;

// Four files: The Beatles, Кино (in Windows-1251, as ID3v1 holds it), КИНО, and one without a tag.
// Read, every tagged row is checked and the untagged one is not.
class CliMarkingTest : public ::testing::Test {
protected:
    CliMarkingTest() {
        music = dir.MakeDir("music");
        const auto song = [&](const char* name, const char* title, const char* artist) {
            test::WriteFile(
                music + "/" + name,
                test::SilentFrames() + test::Id3v1Bytes(text::EncodeCodePage(title, 1251),
                                                        text::EncodeCodePage(artist, 1251), "", "1999", "", 1, 12));
        };
        song("1.mp3", "Help", "The Beatles");
        song("2.mp3", "Группа крови", "Кино");
        song("3.mp3", "Кукушка", "КИНО");
        test::WriteFile(music + "/4.mp3", test::SilentFrames());
    }

    // The check states of `list` with the marking arguments, in row order ("1100"), or the error.
    std::string Checks(const Strings& marking) const {
        Strings args = {"list"};
        args.insert(args.end(), marking.begin(), marking.end());
        args.push_back(music);
        const auto r = RunCli(args, dir / "config");
        if (r.ExitCode != 0) return "exit " + std::to_string(r.ExitCode) + ": " + r.Err;
        std::string checks;
        for (const auto& line : SplitLines(r.Out)) checks += SplitTabs(line)[0];
        return checks;
    }

    test::TempDir dir;
    std::string music;
};

TEST_F(CliMarkingTest, MarkAndWhereInTheOrderGiven) {
    const struct {
        Strings Marking;
        const char* Checks;
    } cases[] = {
        {{}, "1110"},
        {{"--mark", "none"}, "0000"},
        {{"--mark", "empty"}, "0001"},
        {{"--mark", "full"}, "1110"},
        {{"--mark", "inverse"}, "0001"},
        {{"--mark", "none", "--mark", "all"}, "1111"},
        {{"--where", "Artist", "~", "beat"}, "1000"},
        {{"--where", "artist", "~", "beat", "--case"}, "0000"},
        {{"--where", "Artist", "=", "кино"}, "0110"},
        {{"--where", "Artist", "=", "Кино", "--case"}, "0100"},
        {{"--where", "Artist", "!=", "кино"}, "1001"},
        // The order counts: the rule after the condition works on its result.
        {{"--where", "Artist", "~", "beat", "--mark", "inverse"}, "0111"},
        {{"--mark", "inverse", "--where", "Artist", "~", "beat"}, "1000"},
        // --within-marked narrows, --add adds; with both the condition narrows.
        {{"--mark", "empty", "--where", "Artist", "=", "", "--within-marked"}, "0001"},
        {{"--where", "Artist", "~", "и", "--within-marked"}, "0110"},
        {{"--mark", "empty", "--where", "Artist", "~", "beat", "--add"}, "1001"},
        {{"--where", "Artist", "~", "кин", "--within-marked", "--add"}, "0110"},
        {{"--mark", "none", "--where", "File", "~", "1.mp3", "--where", "File", "~", "3.mp3", "--add"}, "1010"},
        {{"--where", "File size", "!=", "", "--mark", "inverse"}, "0000"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& word : c.Marking) shown += word + " ";
        EXPECT_EQ(Checks(c.Marking), c.Checks) << shown;
    }
}

TEST_F(CliMarkingTest, EvalCheckAndRenameActOnTheMarkedRows) {
    const auto eval = RunCli({"eval", "--where", "Artist", "=", "кино", "%t1%", music}, dir / "config");
    ASSERT_EQ(eval.ExitCode, 0) << eval.Err;
    EXPECT_EQ(SplitLines(eval.Out), (Strings{"Группа крови", "Кукушка"}));

    const auto check = RunCli({"check", "--mark", "empty", "%p0%", music}, dir / "config");
    ASSERT_EQ(check.ExitCode, 0) << check.Err;
    EXPECT_EQ(SplitLines(check.Out), (Strings{"4.mp3"}));

    const auto rename =
        RunCli({"--set", "AddPrefix=0", "rename", "--preset", "--dry-run", "--where", "Title", "=", "help", music},
               dir / "config");
    ASSERT_EQ(rename.ExitCode, 0) << rename.Err;
    EXPECT_EQ(SplitLines(rename.Out), (Strings{music + "/1.mp3\t" + music + "/Help.mp3"}));

    const auto none = RunCli({"rename", "--preset", "--mark", "none", music}, dir / "config");
    EXPECT_EQ(none.ExitCode, 2);
    EXPECT_EQ(none.Err, "tagmora-cli rename: no file is checked\n");
}

TEST_F(CliMarkingTest, BadRulesColumnsAndOperatorsAreUsageErrors) {
    const struct {
        Strings Marking;
        const char* Error;
    } cases[] = {
        {{"--mark", "some"}, "--mark: expected all, empty, full, inverse or none, got 'some'"},
        {{"--where", "Singer", "=", "x"}, "--where: no column 'Singer' (a caption such as Artist)"},
        {{"--where", "Artist", "<", "x"}, "--where: expected the operator =, != or ~, got '<'"},
    };
    for (const auto& c : cases) {
        const std::string result = Checks(c.Marking);
        EXPECT_EQ(result.rfind("exit 2: tagmora-cli list: ", 0), 0u) << result;
        EXPECT_NE(result.find(c.Error), std::string::npos) << result;
    }
}

TEST(CliMarkingParse, NamesOfRulesColumnsAndOperators) {
    MarkRule rule = MarkRule::None;
    EXPECT_TRUE(cli::ParseMarkRule("inverse", rule));
    EXPECT_EQ(rule, MarkRule::Inverse);
    EXPECT_FALSE(cli::ParseMarkRule("All", rule));
    EXPECT_FALSE(cli::ParseMarkRule("selected", rule));  // nothing is highlighted on the command line
    EXPECT_EQ(cli::ParseMarkField("File"), 0);
    EXPECT_EQ(cli::ParseMarkField("tag owner"), 14);
    EXPECT_EQ(cli::ParseMarkField("FILE SIZE"), 20);
    EXPECT_EQ(cli::ParseMarkField("Size"), -1);
    MarkOperator op = MarkOperator::Equal;
    EXPECT_TRUE(cli::ParseMarkOperator("~", op));
    EXPECT_EQ(op, MarkOperator::Contains);
    EXPECT_TRUE(cli::ParseMarkOperator("!=", op));
    EXPECT_EQ(op, MarkOperator::NotEqual);
    EXPECT_FALSE(cli::ParseMarkOperator("==", op));
}

}  // namespace
}  // namespace tagmora
