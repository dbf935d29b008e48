// tagmora-cli --help and --version: every page shows an example, the options as they are typed
// and the exit status, in lines of at most 80 columns when the output is not a terminal.
#include <gtest/gtest.h>

#include <regex>

#include "CliRunner.h"
#include "TestFiles.h"

namespace tagmora {
namespace {

TEST(CliHelpTest, EveryPageHasAnExampleTheExitStatusAndFitsEightyColumns) {
    test::TempDir dir;
    const std::regex parserMarks(R"(\{\d+\}| x \d|REQUIRED|Excludes:)");
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{{},
                                                                                         {"list"},
                                                                                         {"eval"},
                                                                                         {"check"},
                                                                                         {"rename"},
                                                                                         {"write-tags"},
                                                                                         {"remove-tags"},
                                                                                         {"export"},
                                                                                         {"settings"},
                                                                                         {"settings", "init"}}) {
        std::vector<std::string> args = command;
        args.push_back("--help");
        const auto r = test::RunCli(args, dir / "config");
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_NE(r.Out.find("\n  tagmora-cli "), std::string::npos) << r.Out;
        EXPECT_TRUE(r.Out.ends_with("\nExit status: 0 done, 1 a file or folder failed, 2 usage or nothing to do.\n"))
            << r.Out;
        EXPECT_FALSE(std::regex_search(r.Out, parserMarks)) << r.Out;
        for (const std::string& line : test::SplitLines(r.Out)) EXPECT_LE(line.size(), 80u) << line;
    }
    for (const char* flag : {"-V", "--version"}) {
        const auto r = test::RunCli({flag}, dir / "config");
        EXPECT_TRUE(r.Out.starts_with("tagmora-cli ") && r.Out.ends_with("\nLicense: see the README\n")) << r.Out;
    }
}

}  // namespace
}  // namespace tagmora
