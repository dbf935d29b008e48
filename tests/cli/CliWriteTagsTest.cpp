// tagmora-cli write-tags and remove-tags on generated files: the tags read back, the files changed
// on stdout, the files left unchanged on stderr, the exit codes and the usage errors.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "CliRunner.h"
#include "RenameFixture.h"
#include "tags/Genres.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Read.h"

namespace tagmora {
namespace {

using test::RunCli;
using test::SplitLines;
using Strings = std::vector<std::string>;
using namespace std::string_literals;

class CliWriteTagsTest : public test::RenameFixture {
protected:
    CliWriteTagsTest() {
        a = Song("music/01 - Alpha.mp3", "Alpha", "Artist", "Album", "3/12");
        b = Song("music/02 - Beta.mp3", "Beta", "Artist", "Album", "4");
        c = Song("music/03 - Gamma.mp3", "Gamma", "Artist", "Album", "5");
    }
    std::string Music(const std::string& name = {}) const {
        return name.empty() ? dir / "music" : dir / ("music/" + name);
    }
    Id3v1Tag V1(const std::string& name) const {
        Id3v1Tag tag;
        EXPECT_EQ(ReadId3v1Tag(Music(name), tag, 1251), TagRead::Found) << name;
        return tag;
    }
    void AddV1(const std::string& name) const {
        test::WriteFile(Music(name), test::ReadFile(Music(name)) + test::Id3v1Bytes("T", "A", "B", "1990", "C", 1, 2));
    }
    std::string a, b, c;
    test::TempDir config;
};

TEST_F(CliWriteTagsTest, WritesId3v1TagsFieldByField) {
    const auto r = RunCli({"--set", "IncludeSubDirs=0", "write-tags", "--v1", "--title", "%p0n[6-]n[-4]%", "--artist",
                           "Someone", "--genre", "Rock", "--track", "selected", "--comment=-note", Music()},
                          config.Path());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out), (Strings{Music("01 - Alpha.mp3"), Music("02 - Beta.mp3"), Music("03 - Gamma.mp3")}));
    struct Expect {
        std::string File, Title;
        int Track;
    };
    for (const Expect& e : std::vector<Expect>{
             {"01 - Alpha.mp3", "Alpha", 1}, {"02 - Beta.mp3", "Beta", 2}, {"03 - Gamma.mp3", "Gamma", 3}}) {
        const Id3v1Tag tag = V1(e.File);
        EXPECT_EQ(tag.Title, e.Title);
        EXPECT_EQ(tag.Artist, "Someone");
        EXPECT_EQ(tag.Album, "Album");  // not given: kept as listed
        EXPECT_EQ(tag.Comment, "-note");
        EXPECT_EQ(tag.Track, e.Track);
        EXPECT_EQ(tag.Genre, GenreIndexOf("Rock"));
    }
    // Kept tracks: "3/12" gives its leading number.
    const auto kept =
        RunCli({"--set", "IncludeSubDirs=0", "write-tags", "--v1", "--artist", "Someone", Music()}, config.Path());
    ASSERT_EQ(kept.ExitCode, 0) << kept.Err;
    EXPECT_EQ(V1("01 - Alpha.mp3").Track, 3);
    EXPECT_EQ(V1("01 - Alpha.mp3").Title, "Alpha");
    EXPECT_EQ(V1("01 - Alpha.mp3").Genre, GenreIndexOf("Other"));  // no genre listed
}

TEST_F(CliWriteTagsTest, TitlesFromAFileAndAReadOnlyFileInTheMiddle) {
    test::WriteFile(dir / "titles.txt", "First\r\nSecond\nThird\n");
    ::chmod(Music("02 - Beta.mp3").c_str(), 0444);
    const auto r = RunCli({"--set", "IncludeSubDirs=0", "--set", "TryChangeAttrs=0", "write-tags", "--v1",
                           "--titles-from", dir / "titles.txt", "--track", "selected", Music()},
                          config.Path());
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(SplitLines(r.Out), (Strings{Music("01 - Alpha.mp3"), Music("03 - Gamma.mp3")}));
    EXPECT_NE(r.Err.find("tagmora-cli write-tags: 1 of 3 files failed; make sure no other program uses them, or give "
                         "--set TryChangeAttrs=1 to write read-only files\n"),
              std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find("tagmora-cli write-tags: " + Music("02 - Beta.mp3") + ": not written"), std::string::npos);
    EXPECT_EQ(V1("01 - Alpha.mp3").Title, "First");
    EXPECT_EQ(V1("03 - Gamma.mp3").Title, "Third");
    EXPECT_EQ(V1("03 - Gamma.mp3").Track, 2);  // the read-only file used up no number
    EXPECT_EQ(test::ReadFile(Music("02 - Beta.mp3")), b);
    // With TryChangeAttrs the read-only file is written.
    const auto again =
        RunCli({"--set", "IncludeSubDirs=0", "write-tags", "--v1", "--track", "all", Music()}, config.Path());
    EXPECT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_EQ(V1("02 - Beta.mp3").Track, 2);
}

TEST_F(CliWriteTagsTest, RemoveTagsCountsWhatItRemoved) {
    AddV1("01 - Alpha.mp3");
    AddV1("03 - Gamma.mp3");
    const std::string gamma = test::ReadFile(Music("03 - Gamma.mp3"));
    ::chmod(Music("03 - Gamma.mp3").c_str(), 0444);
    const auto r = RunCli({"--set", "IncludeSubDirs=0", "--set", "TryChangeAttrs=0", "remove-tags", "--v1", Music()},
                          config.Path());
    // Beta has no ID3v1 tag: nothing to do, no failure; Gamma keeps its tag: a failure.
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(SplitLines(r.Out), (Strings{Music("01 - Alpha.mp3")}));
    EXPECT_EQ(r.Err, "tagmora-cli remove-tags: " + Music("03 - Gamma.mp3") +
                         ": the tag stays: the file is read-only (TryChangeAttrs=0)\ntagmora-cli remove-tags: 1 of 3 "
                         "files failed; make sure no other program uses them, or give --set TryChangeAttrs=1 to "
                         "write read-only files\n");
    EXPECT_EQ(test::ReadFile(Music("01 - Alpha.mp3")), a);
    EXPECT_EQ(test::ReadFile(Music("03 - Gamma.mp3")), gamma);
    const auto again = RunCli({"--set", "IncludeSubDirs=0", "remove-tags", "--v1", Music()}, config.Path());
    EXPECT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_EQ(SplitLines(again.Out), (Strings{Music("03 - Gamma.mp3")}));
    EXPECT_EQ(test::ReadFile(Music("03 - Gamma.mp3")), c);
}

TEST_F(CliWriteTagsTest, WritesAndRemovesId3v2Tags) {
    AddV1("02 - Beta.mp3");
    const auto r = RunCli({"--set", "IncludeSubDirs=0", "write-tags", "--v2", "--kill-v1", "--album", "%p1%",
                           "--composer", "Composer %p0n[1-2]%", "--track", "selected", "--url", "", Music()},
                          config.Path());
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(SplitLines(r.Out), (Strings{Music("01 - Alpha.mp3"), Music("02 - Beta.mp3"), Music("03 - Gamma.mp3")}));
    struct Expect {
        std::string File, Title, Track, Composer;
    };
    for (const Expect& e : std::vector<Expect>{{"01 - Alpha.mp3", "Alpha", "01", "Composer 01"},
                                               {"02 - Beta.mp3", "Beta", "02", "Composer 02"},
                                               {"03 - Gamma.mp3", "Gamma", "03", "Composer 03"}}) {
        Id3v2Tag tag;
        ASSERT_EQ(ReadId3v2Tag(Music(e.File), tag, 1251), TagRead::Found) << e.File;
        EXPECT_EQ(tag.Title, e.Title);
        EXPECT_EQ(tag.Artist, "Artist");
        EXPECT_EQ(tag.Album, "music");
        EXPECT_EQ(tag.Track, e.Track);
        EXPECT_EQ(tag.Composer, e.Composer);
        Id3v1Tag v1;
        EXPECT_EQ(ReadId3v1Tag(Music(e.File), v1, 1251), TagRead::NoTag) << e.File;  // --kill-v1
    }
    const auto removed = RunCli({"--set", "IncludeSubDirs=0", "remove-tags", "--v2", Music()}, config.Path());
    ASSERT_EQ(removed.ExitCode, 0) << removed.Err;
    EXPECT_EQ(SplitLines(removed.Out).size(), 3u);
    EXPECT_EQ(test::ReadFile(Music("01 - Alpha.mp3")), test::SilentFrames(1) + "music/01 - Alpha.mp3");
    // Nothing is checked any more: no file has a tag.
    EXPECT_EQ(RunCli({"--set", "IncludeSubDirs=0", "remove-tags", "--v2", Music()}, config.Path()).ExitCode, 2);
}

// A tag whose size runs past the end of the file is no licence to treat the whole file as tag:
// writing into it and removing it fail with the reason, and the song stays byte for byte.
TEST_F(CliWriteTagsTest, ADamagedTagIsNeitherWrittenNorRemoved) {
    const std::string damaged = Music("04 - Damaged.mp3");
    const std::string bytes =
        "ID3\x03\0\0\x0f\0\0\0"s + test::SilentFrames(2) + test::Id3v1Bytes("T", "A", "", "", "", 1, 0);
    test::WriteFile(damaged, bytes);
    for (const Strings& command :
         {Strings{"write-tags", "--v2", "--comment", "x"}, Strings{"write-tags", "--v2", "--comment", "x", "--dry-run"},
          Strings{"remove-tags", "--v2"}}) {
        Strings args = {"--set", "IncludeSubDirs=0", "--set", "TAGReadSequence=2"};
        args.insert(args.end(), command.begin(), command.end());
        args.push_back(Music());
        const auto r = RunCli(args, config.Path());
        EXPECT_EQ(r.ExitCode, 1) << command[0];
        const std::string says = command.back() == "--dry-run" ? "would not be written: "
                                 : command[0] == "write-tags"  ? "not written: "
                                                               : "the tag stays: ";
        EXPECT_NE(
            r.Err.find(damaged + ": " + says + "the ID3v2 tag is damaged: its size runs past the end of the file"),
            std::string::npos)
            << r.Err;
        EXPECT_EQ(test::ReadFile(damaged), bytes);
    }
}

// The dry run changes nothing, names the file the run would refuse, and plans exactly the fields
// that the run then changes on each file it writes.
TEST_F(CliWriteTagsTest, TheDryRunPlansWhatTheRunWrites) {
    ::chmod(Music("02 - Beta.mp3").c_str(), 0444);
    const Strings run = {"--set", "IncludeSubDirs=0", "--set", "TryChangeAttrs=0", "write-tags", "--v2", "--title",
                         "Beta",  "--album",          "%p1%",  "--track",          "selected"};
    const auto bytes = [&] {
        std::string all;
        for (const char* name : {"01 - Alpha.mp3", "02 - Beta.mp3", "03 - Gamma.mp3"})
            all += test::ReadFile(Music(name));
        return all;
    };
    const std::string before = bytes();
    Strings dry = run;
    dry.insert(dry.end(), {"--dry-run", Music()});
    const auto plan = RunCli(dry, config.Path());
    EXPECT_EQ(plan.ExitCode, 1);
    EXPECT_NE(plan.Err.find(Music("02 - Beta.mp3") + ": would not be written: the file is read-only"),
              std::string::npos)
        << plan.Err;
    EXPECT_EQ(bytes(), before);
    const Strings lines = SplitLines(plan.Out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), Music("01 - Alpha.mp3") + "\ttitle\tAlpha\tBeta");
    // PATH<TAB>FIELD lines of the plan against the fields the run reports changed.
    Strings planned;
    for (const std::string& line : lines) planned.push_back(line.substr(0, line.find('\t', line.find('\t') + 1)));
    Strings changed;
    Strings real = run;
    real.insert(real.end(), {"--json", Music()});
    const auto done = RunCli(real, config.Path());
    EXPECT_EQ(done.ExitCode, 1);
    for (const std::string& line : SplitLines(done.Out)) {
        const auto path = line.substr(10, line.find('"', 10) - 10);  // {"path": "...", "changed": ["a", "b"]}
        const auto open = line.find("[\"");
        const std::string fields = open == std::string::npos ? "" : line.substr(open + 2, line.find("\"]") - open - 2);
        for (std::size_t at = 0; !fields.empty();) {
            changed.push_back(path + "\t" + fields.substr(at, fields.find('"', at) - at));
            if ((at = fields.find("\", \"", at)) == std::string::npos) break;
            at += 4;
        }
    }
    EXPECT_EQ(planned, changed);
}

TEST_F(CliWriteTagsTest, NothingCheckedAndUsageErrors) {
    const auto before = Files();
    dir.MakeDir("empty");
    for (const Strings& args : {Strings{"write-tags", "--v1", "--title", "x", dir / "empty"},
                                Strings{"remove-tags", "--v2", dir / "empty"}}) {
        const auto r = RunCli(args, config.Path());
        EXPECT_EQ(r.ExitCode, 2) << args[0];
        EXPECT_EQ(r.Err, "tagmora-cli " + args[0] + ": no file is checked\n");
    }
    const auto missing = RunCli({"write-tags", "--v1", "--titles-from", dir / "none.txt", Music()}, config.Path());
    EXPECT_EQ(missing.ExitCode, 1);
    for (const Strings& args :
         {Strings{"write-tags", Music()}, Strings{"write-tags", "--v1", "--v2", Music()},
          Strings{"write-tags", "--v1", "--composer", "x", Music()},
          Strings{"write-tags", "--v2", "--title", "x", "--titles-from", "t", Music()}, Strings{"write-tags", "--v2"},
          Strings{"remove-tags", Music()}, Strings{"remove-tags", "--v1", "--v2", Music()}}) {
        EXPECT_EQ(RunCli(args, config.Path()).ExitCode, 2) << args[1];
    }
    EXPECT_EQ(Files(), before);
}

}  // namespace
}  // namespace tagmora
