// tagmora-cli settings show and set: good and bad values, all or none stored, and UseShellCall
// writing and removing the folder entry.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRunner.h"
#include "TestFiles.h"

namespace tagmora {
namespace {

using test::RunCli;

// One after another on the same settings (at first none: the first-run defaults); a refused set
// stores nothing, the good value before the bad one included. Shown: five values after it.
const std::vector<std::string> kSetCases[][3] = {
    {{}, {""}, {"AddPrefixHow=1\nReplaceSymbol= \nShowItem=hex:01,01,01,01,01,01,01,01,01,00"}},
    {{"AddPrefixHow=3", "ReplaceSymbol=_", "ExcColumnsCount=4", "ExcColHead_2=Year", "ShowItem=hex:01,01,00"},
     {""},
     {"AddPrefixHow=3\nReplaceSymbol=_\nShowItem=hex:01,01,00,01,01,01,01,01,01,00"}},
    {{"AddPrefixHow=2", "AddPrefixHow=4"}, {"AddPrefixHow: expected an integer from 0 to 3"}, {}},
    {{"ExcColumnsCount=25"}, {"ExcColumnsCount: expected an integer from 1 to 24"}, {}},
    {{"ReplaceSymbol=ab"}, {"ReplaceSymbol: expected at most one character"}, {}},
    {{"ReplaceSymbol=*"}, {"ReplaceSymbol: expected a character allowed in file names"}, {}},
    {{"HeaderWidth=hex:fd,ff,ff,ff"}, {"HeaderWidth: expected 22"}, {}},
    {{"Path=/opt"}, {"Path: not a stored setting"}, {}},
    {{"ExcColHead_4=Genre"}, {"ExcColHead_4: not a stored setting"}, {}},
    {{"AddPrefixHow"}, {"AddPrefixHow: expected NAME=VALUE"}, {}},
};

TEST(CliSettingsTest, SetStoresGoodValuesAllOrNone) {
    test::TempDir dir;
    std::string shown;
    for (const auto& [set, err, show] : kSetCases) {
        std::vector<std::string> args = {"settings", "set"};
        args.insert(args.end(), set.begin(), set.end());
        const auto r = set.empty() ? test::CliResult{0, "", ""} : RunCli(args, dir / "config");
        const std::string refused = err[0].empty() ? "" : "tagmora-cli settings set: " + err[0];
        EXPECT_EQ(r.ExitCode, err[0].empty() ? 0 : 2);
        EXPECT_EQ(r.Err.substr(0, refused.size()), refused);
        if (!show.empty()) shown = show[0];
        const auto s = RunCli({"settings", "show", "ShowItem", "AddPrefixHow", "ReplaceSymbol"}, dir / "config");
        EXPECT_EQ(s.Out.substr(0, shown.size()), shown) << args.back();
    }
    // Every stored value once, in the store's order, the export columns in use included.
    const auto all = RunCli({"settings", "show"}, dir / "config").Out;
    EXPECT_EQ(test::SplitLines(all).size(), 19u + 4 * 6 + 3);
    EXPECT_NE(all.find("\nExcColHead_2=Year\n"), std::string::npos);
    EXPECT_NE(all.find("\nExcColNetAddr_3=\nIncludeSubDirs=1\n"), std::string::npos);
    EXPECT_EQ(RunCli({"settings", "show", "Path"}, dir / "config").ExitCode, 2);
}

TEST(CliSettingsTest, UseShellCallWritesAndRemovesTheFolderEntry) {
    test::TempDir dir;
    const std::string entry = dir / "config/data/kio/servicemenus/tagmora.desktop";
    ASSERT_EQ(RunCli({"settings", "set", "UseShellCall=1"}, dir / "config").ExitCode, 0);
    EXPECT_NE(test::ReadFile(entry).find("/bin/tagmora\" %f"), std::string::npos);
    ASSERT_EQ(RunCli({"settings", "set", "UseShellCall=0"}, dir / "config").ExitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(entry));
}

}  // namespace
}  // namespace tagmora
