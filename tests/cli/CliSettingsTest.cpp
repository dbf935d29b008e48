// tagmora-cli settings show and set: the values in the store's order, good and bad values, and
// UseShellCall writing and removing the folder entry.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRunner.h"
#include "TestFiles.h"

namespace tagmora {
namespace {

using test::RunCli;
using test::TempDir;

struct SetCase {
    std::vector<std::string> Set;
    int ExitCode;
    std::string Err;    // the start of stderr
    std::string Shown;  // `settings show` of five values after it; empty: as before
};

const std::string kFirstRun =
    "AddPrefixHow=1\nReplaceSymbol= \nShowItem=hex:01,01,01,01,01,01,01,01,01,00,00,00,00,"
    "00,00,00,00,00,00,00,00,00\nExcColumnsCount=3\nExcColHead_2=Title\n";
const std::string kRefused = "tagmora-cli settings set: ";

// One after another on the same settings: a refused set stores nothing, the good value before the
// bad one included.
const SetCase kSetCases[] = {
    {{}, 0, "", kFirstRun},
    {{"AddPrefixHow=3", "ReplaceSymbol=_", "ExcColumnsCount=4", "ExcColHead_2=Year", "ShowItem=hex:01,01,00"},
     0,
     "",
     "AddPrefixHow=3\nReplaceSymbol=_\nShowItem=hex:01,01,00,01,01,01,01,01,01,00,00,00,00,00,00,00,00,00,00,00,00,"
     "00\nExcColumnsCount=4\nExcColHead_2=Year\n"},
    {{"AddPrefixHow=2", "AddPrefixHow=4"}, 2, kRefused + "AddPrefixHow: expected an integer from 0 to 3", ""},
    {{"ExcColumnsCount=25"}, 2, kRefused + "ExcColumnsCount: expected an integer from 1 to 24", ""},
    {{"ReplaceSymbol=ab"}, 2, kRefused + "ReplaceSymbol: expected at most one character", ""},
    {{"ReplaceSymbol=*"}, 2, kRefused + "ReplaceSymbol: expected a character allowed in file names", ""},
    {{"ShowItem=hex:01,1"}, 2, kRefused + "ShowItem: expected 22", ""},
    {{"HeaderWidth=hex:fd,ff,ff,ff"}, 2, kRefused + "HeaderWidth: expected 22", ""},
    {{"Path=/opt"}, 2, kRefused + "Path: not a stored setting", ""},
    {{"ExcColHead_4=Genre"}, 2, kRefused + "ExcColHead_4: not a stored setting", ""},
    {{"Bogus=1"}, 2, kRefused + "Bogus: unknown setting", ""},
    {{"AddPrefixHow"}, 2, kRefused + "AddPrefixHow: expected NAME=VALUE", ""},
};

TEST(CliSettingsTest, ShowAndSetTakeGoodValuesOnlyAndAllOrNone) {
    TempDir dir;
    std::string shown;
    for (const SetCase& c : kSetCases) {
        SCOPED_TRACE(c.Set.empty() ? "show" : c.Set.back());
        if (!c.Set.empty()) {
            std::vector<std::string> args = {"settings", "set"};
            args.insert(args.end(), c.Set.begin(), c.Set.end());
            const auto r = RunCli(args, dir / "config");
            EXPECT_EQ(r.ExitCode, c.ExitCode);
            EXPECT_EQ(r.Err.substr(0, c.Err.size()), c.Err);
        }
        const auto r =
            RunCli({"settings", "show", "ExcColHead_2", "ShowItem", "ExcColumnsCount", "AddPrefixHow", "ReplaceSymbol"},
                   dir / "config");
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        if (!c.Shown.empty()) shown = c.Shown;
        EXPECT_EQ(r.Out, shown);
    }
    // Every stored value once, the export columns in use included.
    const auto all = RunCli({"settings", "show"}, dir / "config");
    EXPECT_EQ(test::SplitLines(all.Out).size(), 19u + 4 * 6 + 3);
    EXPECT_NE(all.Out.find("\nExcColIsLocal_3=0\nExcColNetAddr_3=\nIncludeSubDirs=1\n"), std::string::npos);
    EXPECT_EQ(RunCli({"settings", "show", "Path"}, dir / "config").ExitCode, 2);
}

TEST(CliSettingsTest, UseShellCallWritesAndRemovesTheFolderEntry) {
    TempDir dir;
    const std::string entry = dir / "config/data/kio/servicemenus/tagmora.desktop";
    ASSERT_EQ(RunCli({"settings", "set", "UseShellCall=1"}, dir / "config").ExitCode, 0);
    EXPECT_NE(test::ReadFile(entry).find("/bin/tagmora\" %f"), std::string::npos);
    EXPECT_EQ(RunCli({"settings", "show", "UseShellCall"}, dir / "config").Out, "UseShellCall=1\n");
    ASSERT_EQ(RunCli({"settings", "set", "UseShellCall=0"}, dir / "config").ExitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(entry));
}

}  // namespace
}  // namespace tagmora
