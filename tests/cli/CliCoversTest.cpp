// tagmora-cli covers and write-tags --cover on generated files: covers set from a picture file and
// from each file's folder, listed, saved without replacing and removed; a file that is no picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliRunner.h"
#include "RenameFixture.h"

namespace tagmora {
namespace {

using test::RunCli;
using test::SplitLines;
using Strings = std::vector<std::string>;
using namespace std::string_literals;

// A JPEG of 600 x 500 pixels as far as its header goes.
const std::string kJpeg = "\xFF\xD8\xFF\xC0\x00\x0B\x08\x01\xF4\x02\x58xyz"s;

class CliCoversTest : public test::RenameFixture {
protected:
    struct CliResultLines {
        int ExitCode;
        Strings Out;
        std::string Err;
    };
    test::TempDir config;
    CliResultLines Run(Strings args) {
        args.insert(args.begin(), {"--set", "IncludeSubDirs=1"});
        const test::CliResult r = RunCli(args, config.Path());
        return {r.ExitCode, SplitLines(r.Out), r.Err};
    }
};

TEST_F(CliCoversTest, SetListSaveAndRemove) {
    const std::string a = dir / "album/a.mp3", b = dir / "album/b.MP3", c = dir / "loose/c.mp3";
    Song("album/a.mp3", "A");
    Song("album/b.MP3", "B");
    Song("loose/c.mp3", "C");
    test::WriteFile(dir / "album/Folder.JPG", kJpeg);
    test::WriteFile(dir / "notes.jpg", "no picture");
    const std::string before = test::ReadFile(a);

    auto r = Run({"write-tags", "--v2", "--cover", dir / "notes.jpg", dir.Path()});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("notes.jpg: cannot be a cover: not a JPEG or PNG picture"), std::string::npos) << r.Err;
    EXPECT_EQ(test::ReadFile(a), before);

    r = Run({"write-tags", "--v2", "--cover", "folder", dir.Path()});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out, (Strings{a, b}));
    EXPECT_NE(r.Err.find(c + ": not written: its folder has no cover picture"), std::string::npos) << r.Err;

    r = Run({"covers", dir.Path()});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    const std::string facts = "\timage/jpeg\t600x500\t" + std::to_string(kJpeg.size());
    EXPECT_EQ(r.Out, (Strings{a + facts, b + facts, c + "\t-"}));

    for (const char* suffix : {"", " (2)"}) {
        r = Run({"covers", "--out", dir / "saved", dir.Path()});
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(r.Out, (Strings{a + "\t" + dir / "saved/a" + suffix + ".jpg",
                                  b + "\t" + dir / "saved/b" + suffix + ".jpg", c + "\t-"}));
        EXPECT_EQ(test::ReadFile(dir / "saved/b" + suffix + ".jpg"), kJpeg);
    }

    r = Run({"write-tags", "--v2", "--cover", "delete", dir.Path()});
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(Run({"covers", dir.Path()}).Out, (Strings{a + "\t-", b + "\t-", c + "\t-"}));
}

}  // namespace
}  // namespace tagmora
