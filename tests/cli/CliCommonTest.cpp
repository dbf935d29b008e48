// The escaping of the command-line output: every control character arrives as visible text, in
// the tab-separated fields and in JSON strings alike.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <streambuf>
#include <string>

#include "CliRunner.h"
#include "RenameFixture.h"
#include "cli/CliCommon.h"
#include "tags/Id3v2Read.h"

namespace tagmora::cli {
namespace {

TEST(CliEscaping, ControlCharactersNeverReachTheTerminalRaw) {
    struct Case {
        std::string Text;
        std::string Field;
        std::string Json;
    };
    const Case cases[] = {
        {"plain text", "plain text", "\"plain text\""},
        {"a\tb\nc\rd\\e", "a\\tb\\nc\\rd\\\\e", "\"a\\tb\\nc\\rd\\\\e\""},
        {std::string("nul\0end", 7), "nul\\0end", "\"nul\\u0000end\""},
        {"\x1b[2Jclear", "\\x1b[2Jclear", "\"\\u001b[2Jclear\""},
        {"bell\x07 del\x7f", "bell\\x07 del\\x7f", "\"bell\\u0007 del\\u007f\""},
        {"\x01\x1f", "\\x01\\x1f", "\"\\u0001\\u001f\""},
        // C1 controls (CSI is U+009B) as their two UTF-8 bytes; other letters stay as they are.
        {"csi\xc2\x9b"
         "31m",
         "csi\\xc2\\x9b31m", "\"csi\\u009b31m\""},
        {"Ёлка \xc2\xa0 é", "Ёлка \xc2\xa0 é", "\"Ёлка \xc2\xa0 é\""},
        // Bytes of a name that is no UTF-8 stay recoverable; a real U+FFFD stays itself.
        {"bad \xff byte \xef\xbf\xbd", "bad \\xff byte \xef\xbf\xbd", "\"bad \\\\xff byte \xef\xbf\xbd\""},
        {"quote \"", "quote \"", "\"quote \\\"\""},
        // A control after a plain first word, among the field's last eight bytes.
        {"12345678tail\x7f", "12345678tail\\x7f", "\"12345678tail\\u007f\""},
        // Three- and four-byte letters stay; a sequence cut short by the field's end does not.
        {"€ \xf0\x9f\x8e\xb5 Ж\xd0", "€ \xf0\x9f\x8e\xb5 Ж\\xd0", "\"€ \xf0\x9f\x8e\xb5 Ж\\\\xd0\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeField(c.Text), c.Field) << c.Field;
        EXPECT_EQ(JsonString(c.Text), c.Json) << c.Json;
    }
}

// A write that fails on an early piece is told by its own cause, not by what happened after it.
TEST(CliOutput, AFailedWriteIsToldByTheCauseOfItsFirstFailure) {
    struct FullDisk : std::streambuf {
        int overflow(int) override { return Fail(); }
        std::streamsize xsputn(const char*, std::streamsize) override { return Fail(); }
        static int Fail() {
            errno = ENOSPC;
            return traits_type::eof();
        }
    } full;
    std::ostream out(&full);
    std::ostringstream err;
    CliSession session(out, err, "list");
    std::string pending(kOutputPieceSize, 'x');
    FlushIfLarge(session, pending);
    errno = ENOENT;  // as reading the next file may leave it
    pending = "rest\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(FinishOutput(session, pending), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tagmora-cli list: standard output: " + std::string(std::strerror(ENOSPC)) + "\n");
}

class CliFaultsTest : public test::RenameFixture {};

// What a script or a shell needs to rely on: no "Error" written into a tag, a failing script
// is a failure, a folder given twice is read once, unreadable settings and unwritable output are
// said, and a run with nothing to do says so; every message is "tagmora-cli COMMAND: ...".
TEST_F(CliFaultsTest, ExitCodesAndMessages) {
    Song("d/01.mp3", "One");
    Song("d/02.mp3", "Error");  // a title that makes "%t1%" give Error on this row only
    test::TempDir config;
    const std::string d = dir / "d";
    const std::string comment =
        "tagmora-cli write-tags: --comment: the text is a malformed script and gives Error (a lone delimiter "
        "cannot be escaped; --set ScriptSeparator= makes every text plain); nothing was written\n";
    struct Case {
        std::vector<std::string> Args;
        int Exit;
        std::string Err;  // a line stderr holds
        std::string Out = {};
    };
    const Case cases[] = {
        {{"write-tags", "--v2", "--comment", "Rated 100%", d}, 2, comment},
        {{"write-tags", "--v2", "--artist", "%t1%", d},
         1,
         d + "/02.mp3: not written: the text of the Artist field gives Error on this file\ntagmora-cli write-tags: 1 "
             "of 2 files failed; make sure no other program uses them\n",
         d + "/01.mp3\n"},
        {{"check", "%zz%", d}, 1, "", "Error\n"},
        {{"eval", "%t1%", d}, 1, "", "One\nError\n"},
        {{"eval", "%p1%", d, d + "/."},
         0,
         "tagmora-cli eval: " + d + "/.: skipped: the same folder as " + d + "\n",
         "d\nd\n"},
        {{"write-tags", "--v1", d},
         2,
         "tagmora-cli write-tags: nothing to write: give a field option, --cover, --titles-from or "
         "--kill-v1\n"},
        {{"export", "--book", "-", d},
         2,
         "tagmora-cli export: --book -: a workbook cannot be written to standard output\n"},
        {{"eval", "--mark", "none", "%p0%", d}, 2, "tagmora-cli eval: no file is checked\n"},
        {{"export", "--book", d + "/01.mp3", d},
         1,
         "tagmora-cli export: " + d +
             "/01.mp3: cannot open the workbook: the file is no .xlsx workbook (no ZIP archive, or a damaged one)\n"},
        {{"--set", "IncludeSubDirs=0", "rename", "--script", "x", d},
         2,
         "tagmora-cli rename: a script rename needs the subfolders on: --set IncludeSubDirs=1 (or settings set "
         "IncludeSubDirs=1)\n"},
        {{"eval", "--bogus", "%p0%", d},
         2,
         "tagmora-cli eval: The following argument was not expected: --bogus (see 'tagmora-cli eval --help')\n"},
        {{"settings", "show", "Nope"}, 2, "tagmora-cli settings show: Nope: not a stored setting\n"},
    };
    for (const Case& c : cases) {
        const auto r = test::RunCli(c.Args, config.Path());
        EXPECT_EQ(r.ExitCode, c.Exit) << c.Args[0] << " " << c.Args[1] << ": " << r.Err;
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
        for (const std::string& line : test::SplitLines(r.Err)) {
            EXPECT_TRUE(line.starts_with("tagmora-cli ") && line.find(": ") != std::string::npos) << line;
        }
        if (!c.Out.empty()) {
            EXPECT_EQ(r.Out, c.Out) << c.Args[1];
        }
    }
    for (const auto& [name, artist] : {std::pair{"01.mp3", "One"}, std::pair{"02.mp3", ""}}) {
        Id3v2Tag tag;
        ASSERT_EQ(ReadId3v2Tag(d + "/" + name, tag, 1251), TagRead::Found);
        EXPECT_EQ(tag.Comment, "") << name;
        EXPECT_EQ(tag.Artist, artist) << name;
    }
    // Output that cannot be written is said, and so are settings that cannot be read.
    const auto full = test::RunCliTo({"list", d}, config.Path(), "/dev/full");
    EXPECT_EQ(full.ExitCode, 1);
    EXPECT_EQ(full.Err, "tagmora-cli list: standard output: No space left on device\n");
    test::WriteFile(config.MakeDir("tagmora") + "/user.reg", "not settings");
    const auto unreadable = test::RunCli({"list", d}, config.Path());
    EXPECT_EQ(unreadable.ExitCode, 2);
    EXPECT_TRUE(unreadable.Err.starts_with("tagmora-cli list: " + config.Path() +
                                           "/tagmora/user.reg: cannot read the "
                                           "settings: it is not a registry export"))
        << unreadable.Err;
    EXPECT_TRUE(unreadable.Out.empty());
}

}  // namespace
}  // namespace tagmora::cli
