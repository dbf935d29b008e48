// tagmora-cli list, --set, settings init, show and set, and the usage errors.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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
        test::WriteFile(music + "/b.mp3", test::SilentFrames() + test::Id3v1Bytes("Tab\there", "Art", "Alb", "2001",
                                                                                  "back\\slash", 3, 17));
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
    EXPECT_EQ(
        lines[0].rfind("{\"checked\": false, \"path\": \"" + music + "/b.mp3\", \"columns\": [\"b.mp3\", \"Пусто\"", 0),
        0u)
        << lines[0];
}

TEST_F(CliListTest, OddBytesAreEscapedAndNamesKeepTheirBytes) {
    TempDir odd;
    // A file name that is not UTF-8, a title with a quote, a control character and a tab, and a
    // year of four NUL bytes.
    test::WriteFile(odd / "\xFF.mp3",
                    test::SilentFrames() + test::Id3v1Bytes("say \"hi\"\x01\tend", "", "", "", "", 1, 0));
    auto r = RunCli({"list", "--json", odd.Path()}, Config());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    // A name that is no UTF-8 keeps its bytes as \xHH, so that the real path can be made again.
    const std::string name = odd.Path() + "/\\xff.mp3";
    const std::string jsonName = odd.Path() + "/\\\\xff.mp3";
    EXPECT_EQ(r.Out.rfind("{\"checked\": true, \"path\": \"" + jsonName + "\", \"columns\": [\"" + jsonName +
                              "\", \"say \\\"hi\\\"\\u0001\\tend\", \"\", \"\", \"\\u0000\\u0000\\u0000\\u0000\", "
                              "\"1\", \"1\", \"Blues\"",
                          0),
              0u)
        << r.Out;
    r = RunCli({"list", odd.Path()}, Config());
    const auto fields = SplitTabs(SplitLines(r.Out).at(0));
    ASSERT_EQ(fields.size(), 22u);
    EXPECT_EQ(fields[1], name);
    EXPECT_EQ(fields[2], "say \"hi\"\\x01\\tend");
    EXPECT_EQ(fields[5], "\\0\\0\\0\\0");
}

TEST_F(CliListTest, AFailedWriteOfTheOutputIsAnError) {
    const auto r = test::RunCliTo({"list", music}, Config(), "/dev/full");
    EXPECT_EQ(r.ExitCode, 1);
}

TEST_F(CliListTest, SeveralFoldersAndMissingOnes) {
    // A missing folder is a failure, told on stderr; the other folders are still listed.
    const auto r = RunCli({"list", music + "/Sub", dir / "missing", music + "/Sub"}, Config());
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(SplitLines(r.Out).size(), 1u);  // the same folder twice is read once
    EXPECT_EQ(r.Err, "tagmora-cli list: " + music + "/Sub: skipped: the same folder as " + music +
                         "/Sub\ntagmora-cli list: " + dir / "missing" + ": No such file or directory\n");
}

TEST_F(CliListTest, FoldersAreTakenAsTheProgramTakesThem) {
    // A relative folder becomes a full path, so that %p1% names the folder itself.
    test::CliRunOptions in;
    in.WorkingDir = music + "/Sub";
    auto r = test::RunCliWith({"eval", "%p1%|%p0%", "."}, Config(), in);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "Sub|a.mp3\n");
    in.WorkingDir = music;
    r = test::RunCliWith({"list", "Sub/"}, Config(), in);
    EXPECT_EQ(SplitTabs(SplitLines(r.Out).at(0)).at(1), music + "/Sub/a.mp3");

    // Without subfolders only the first folder is scanned; the others are named on stderr.
    r = RunCli({"--set", "IncludeSubDirs=0", "eval", "--all", "%p0%", music, music + "/Sub"}, Config());
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out), (std::vector<std::string>{"b.mp3", "none.mp3"}));
    EXPECT_NE(r.Err.find(music + "/Sub: skipped"), std::string::npos) << r.Err;
}

// A chain of folders whose full path passes the system's limit (PATH_MAX, 4096 bytes), made
// through folder descriptors; an MP3 file at `fileDepth` with a name of 200 bytes. Removed again
// by the destructor, which the TempDir could not do by path.
class DeepTree {
public:
    DeepTree(const std::string& root, int depth, int fileDepth) : root_(root) {
        int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
        for (int level = 0; level < depth; ++level) {
            if (level == fileDepth) {
                const int file = ::openat(fd, (std::string(200, 'f') + ".mp3").c_str(), O_WRONLY | O_CREAT, 0644);
                const std::string bytes = test::SilentFrames() + test::Id3v1Bytes("Deep", "", "", "", "", 1, 0);
                EXPECT_EQ(::write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
                ::close(file);
            }
            ::mkdirat(fd, Name().c_str(), 0755);
            const int next = ::openat(fd, Name().c_str(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        ::close(fd);
        depth_ = depth;
        fileDepth_ = fileDepth;
    }
    ~DeepTree() { Remove(::open(root_.c_str(), O_RDONLY | O_DIRECTORY), 0); }
    static std::string Name() { return std::string(200, 'd'); }

private:
    void Remove(int fd, int level) {
        if (level == fileDepth_) ::unlinkat(fd, (std::string(200, 'f') + ".mp3").c_str(), 0);
        if (level < depth_) {
            Remove(::openat(fd, Name().c_str(), O_RDONLY | O_DIRECTORY), level + 1);
            ::unlinkat(fd, Name().c_str(), AT_REMOVEDIR);
        }
        ::close(fd);
    }
    std::string root_;
    int depth_ = 0;
    int fileDepth_ = 0;
};

TEST_F(CliListTest, FoldersAndFilesThatCannotBeReadAreFailuresNotGaps) {
    // A file whose path is too long to open (about 4100 bytes), and the folders below it, whose
    // paths are too long to list, each get a message; the rest of the tree is still listed.
    const std::string deep = dir.MakeDir("music/Deep");
    const DeepTree tree(deep, 21, 20);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list", music}, {"eval", "%p0%", music}, {"check", "%p0%", music}}) {
        const auto r = RunCli(args, Config());
        EXPECT_EQ(r.ExitCode, 1) << args[0];
        EXPECT_EQ(r.Err.rfind("tagmora-cli " + args[0] + ": " + deep + "/", 0), 0u) << r.Err;
        EXPECT_NE(r.Err.find(".mp3: File name too long\n"), std::string::npos) << args[0] << r.Err;
        EXPECT_NE(r.Err.find("/: cannot read the folder: File name too long\n"), std::string::npos) << r.Err;
        EXPECT_FALSE(r.Out.empty()) << args[0];
    }
    EXPECT_EQ(SplitLines(RunCli({"list", music}, Config()).Out).size(), 4u);

    // A folder without read permission, inside the tree and given as the top folder.
    const std::string locked = dir.MakeDir("music/Locked");
    test::WriteFile(locked + "/hidden.mp3", test::SilentFrames());
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    test::CliRunOptions plain;
    plain.WithoutAccessOverride = true;
    auto r = test::RunCliWith({"list", music + "/Sub", locked}, Config(), plain);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(SplitLines(r.Out).size(), 1u);
    EXPECT_EQ(r.Err, "tagmora-cli list: " + locked + "/: cannot read the folder: Permission denied\n");
    r = test::RunCliWith({"--set", "IncludeSubDirs=0", "list", locked}, Config(), plain);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err, "tagmora-cli list: " + locked + "/: cannot read the folder: Permission denied\n");
}

TEST_F(CliListTest, UsageErrorsGoToStderr) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"frobnicate", music},
                                                 {"list"},
                                                 {"list", "--bogus", music},
                                                 {"--set", "NoSuchSetting=1", "list", music},
                                                 {"--set", "IncludeSubDirs=maybe", "list", music},
                                                 {"--set", "IncludeSubDirs", "list", music}}) {
        const auto r = RunCli(args, Config());
        EXPECT_NE(r.ExitCode, 0);
        EXPECT_FALSE(r.Err.empty());
        EXPECT_TRUE(r.Out.empty());
    }
    const auto help = RunCli({"--help"}, Config());
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find("Usage: tagmora-cli"), std::string::npos);
    // Every command has its own help, and a usage error names what is wrong.
    for (const char* command : {"list", "eval", "check", "rename", "settings"}) {
        const auto r = RunCli({command, "--help"}, Config());
        EXPECT_EQ(r.ExitCode, 0) << command;
        EXPECT_NE(r.Out.find(std::string("Usage: tagmora-cli ") + command), std::string::npos) << r.Out;
    }
    struct Usage {
        std::vector<std::string> Args;
        std::string Message;  // after "tagmora-cli COMMAND: ", on one line
    };
    for (const Usage& u : {Usage{{"list", "--bogus", music}, "list: The following argument was not expected: --bogus"},
                           Usage{{"eval", "%p0%"}, "eval: FOLDER is required"},
                           Usage{{"frobnicate", music}, ": unknown command 'frobnicate'"},
                           Usage{{"rename", "--script"}, "rename: --script: 1 required SCRIPT missing"},
                           Usage{{"rename", music}, "rename: Exactly 1 option from [--preset,--script] is required"},
                           Usage{{"--set", "IncludeSubDirs", "list", music}, "list: --set: needs NAME=VALUE"}}) {
        const auto r = RunCli(u.Args, Config());
        EXPECT_EQ(r.ExitCode, 2) << u.Message;
        EXPECT_EQ(r.Err.rfind("tagmora-cli" + std::string(u.Message[0] == ':' ? "" : " ") + u.Message, 0), 0u) << r.Err;
        EXPECT_EQ(SplitLines(r.Err).size(), 1u) << r.Err;
        EXPECT_NE(r.Err.find(u.Message), std::string::npos) << r.Err;
    }
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

// Good values, then bad ones, each named and nothing stored (the good one before a bad one neither).
const std::pair<std::vector<std::string>, std::string> kSets[] = {
    {{"AddPrefixHow=3", "ReplaceSymbol=_", "ExcColumnsCount=4", "ExcColHead_2=Year", "ShowItem=hex:01,01,00"}, ""},
    {{"AddPrefixHow=2", "AddPrefixHow=4"}, "AddPrefixHow: expected an integer from 0 to 3"},
    {{"ExcColumnsCount=25"}, "ExcColumnsCount: expected an integer from 1 to 24"},
    {{"ReplaceSymbol=ab"}, "ReplaceSymbol: expected at most one character"},
    {{"ReplaceSymbol=*"}, "ReplaceSymbol: expected a character allowed in file names"},
    {{"HeaderWidth=hex:fd,ff,ff,ff"}, "HeaderWidth: expected 22"},
    {{"Path=/opt"}, "Path: not a stored setting"},
    {{"AddPrefixHow"}, "AddPrefixHow: expected NAME=VALUE"},
};

TEST_F(CliListTest, SettingsSetStoresGoodValuesAllOrNoneAndShowPrintsThemInTheStoresOrder) {
    const std::string config = Config();
    const auto show = [&] { return RunCli({"settings", "show", "ShowItem", "AddPrefixHow", "ReplaceSymbol"}, config); };
    EXPECT_TRUE(show().Out.starts_with("AddPrefixHow=1\nReplaceSymbol= \nShowItem=hex:01,01,01,01,01,01,01,01,01,00"));
    std::string stored;
    for (const auto& [values, refused] : kSets) {
        std::vector<std::string> args = {"settings", "set"};
        args.insert(args.end(), values.begin(), values.end());
        const auto r = RunCli(args, config);
        EXPECT_EQ(r.ExitCode, refused.empty() ? 0 : 2);
        EXPECT_TRUE(r.Err.starts_with(refused.empty() ? "" : "tagmora-cli settings set: " + refused)) << r.Err;
        if (refused.empty()) stored = show().Out;
        EXPECT_EQ(show().Out, stored);
    }
    EXPECT_TRUE(stored.starts_with("AddPrefixHow=3\nReplaceSymbol=_\nShowItem=hex:01,01,00,01,01,01,01,01,01,00"));
    // Every stored value once, the export columns in use included.
    const auto all = RunCli({"settings", "show"}, config).Out;
    EXPECT_EQ(SplitLines(all).size(), 19u + 4 * 6 + 3);
    EXPECT_NE(all.find("\nExcColNetAddr_3=\nIncludeSubDirs=1\n"), std::string::npos);
    // UseShellCall writes and removes the folder entry.
    const std::string entry = config + "/data/kio/servicemenus/tagmora.desktop";
    ASSERT_EQ(RunCli({"settings", "set", "UseShellCall=1"}, config).ExitCode, 0);
    EXPECT_NE(test::ReadFile(entry).find("/bin/tagmora\" %f"), std::string::npos);
    ASSERT_EQ(RunCli({"settings", "set", "UseShellCall=0"}, config).ExitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(entry));
}

}  // namespace
}  // namespace tagmora
