// Tests of the script language: evaluation on in-memory rows, folder counters, the preview on the
// sample row, and the text operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/Script.h"
#include "filelist/FileList.h"

namespace tagmora {
namespace {

struct Case {
    const char* script;
    const char* expected;
};

class ScriptTest : public ::testing::Test {
protected:
    ScriptTest() : list(settings, status, host) {
        settings.ScriptSeparator = "%";
        settings.AddPrefixSeparator = " - ";
        settings.IncludeSubDirs = false;
    }

    // Appends a row of a flat scan: FileText is the bare name, the real path is kept in Path.
    int AddRow(const std::string& path, int folder = 0, bool checked = true) {
        FileRow row;
        row.SetPath(path);
        row.SetFileText(path.substr(path.rfind('/') + 1));
        row.FolderNumber = folder;
        row.Checked = checked;
        row.SetColumnText(ColTitle, "Привет, мир");
        row.SetColumnText(ColArtist, "Artist");
        row.SetColumnText(ColTrack, "05");
        row.SetColumnText(ColFileSize, "1 234");
        list.Rows().push_back(row);
        if (static_cast<int>(list.FolderCounters.size()) <= folder) list.FolderCounters.resize(folder + 1, 0);
        return list.RowCount() - 1;
    }

    void ExpectAll(const std::vector<Case>& cases, int row) {
        for (const Case& c : cases) EXPECT_EQ(EvaluateScript(c.script, list, row), c.expected) << "script " << c.script;
    }

    AppSettings settings;
    NullStatusReporter status;
    NullHost host;
    FileList list;
};

TEST_F(ScriptTest, WorkedExamplesOnAnAbsolutePath) {
    const int row = AddRow("/Music/Album/01 - Song.mp3");
    ExpectAll({{"%p0%", "01 - Song.mp3"},
               {"%p1%", "Album"},
               {"%p2%", "Music"},
               {"%p3%", ""},
               {"%p4%", ""},
               {"%p0n[-4]%", "01 - Song"},
               {"%p0n[6-]n[-4]%", "Song"},
               {"%p0n[1-2]%", "01"},
               {"%p0n![1-3]%", "mp3"},
               {"%p0s1%", "01"},
               {"%p0s2%", "Song.mp3"},
               {"%p0s2n[-4]%", "Song"},
               {"%p0s3%", ""},
               {"%p0s0%", ""},
               {"%p2% - %p1%", "Music - Album"},
               {"%p0r[ - ,_]%", "01_Song.mp3"},
               {"%p1%/%p0%", "Album/01 - Song.mp3"},
               {"Song", "Song"},
               {"", ""},
               {"[a-b], c-%p1%-[x,y]", "[a-b], c-Album-[x,y]"},
               {"%p0n[1-2]%-%p0n[-4]%", "01-01 - Song"},
               {"%t3% - %t1%", "Artist - Привет, мир"},
               {"%t0%", "01 - Song.mp3"},
               {"%t05%%t5%", "0505"},
               {"%t20%", "1 234"},
               {"%p2t3%", "Artist"},
               {"%t1n[1-3]%", "При"},
               {"%tr%", "/Music/Album/01 - Song.mp3"},
               {"%p1n [1-2]%", "Al"},  // characters between the letter and "[" are skipped
               {"%p1r![A,a]%", "album"}},
              row);
}

TEST_F(ScriptTest, CharacterRanges) {
    const int row = AddRow("/Music/Album/01 - Song.mp3");
    ExpectAll({{"%p0n[0-4]%", "01 - Song"},
               {"%p0n[-]%", "01 - Song.mp3"},
               {"%p0n[5-2]%", ""},
               {"%p0n[20-]%", ""},
               {"%p0n[1-50]%", "01 - Song.mp3"},
               {"%p0n[-50]%", ""},
               {"%p0n![-4]%", " Song.mp3"},
               {"%p0n![5-]%", "01 - Song"},
               {"%p0n![2-3]%", "mp"},
               {"%p0n![20-]%", ""},
               {"%p0n![1-3]n[1-2]%", "mp"},  // the second range counts from the start again
               {"%p0n[+6-+9]%", "Song"},
               {"%p0n[1--2]%", ""},
               {"%p0n[--2]%", "01 - Song.mp3"},
               {"%p0n[2147483647-]%", ""},
               {"%p0n[2-2147483647]%", "1 - Song.mp3"},
               {"%p0n[--2147483648]%", "01 - Song.mp3"}},
              row);
}

TEST_F(ScriptTest, CyrillicTextCountsCodePoints) {
    const int row = AddRow("/Музыка/Ёлка/01.mp3");
    ExpectAll({{"%p1tr%", "Yolka"},
               {"%p2tr%", "Muzika"},
               {"%p1n[1-2]%", "Ёл"},
               {"%p1n![1-2]%", "ка"},
               {"%p2n[-2]%", "Музы"},
               {"%p2n![-2]%", "зыка"},
               {"%p1r[ка,ки]%", "Ёлки"}},
              row);
}

TEST_F(ScriptTest, InvalidFileNameBytesAreKept) {
    const int row = AddRow(
        "/a/\xff\xfe"
        "b.mp3");
    ExpectAll({{"%p0n[1-1]%", "\xff"},
               {"%p0n[-4]%",
                "\xff\xfe"
                "b"},
               {"%p0n![-1]%",
                "\xfe"
                "b.mp3"},
               {"%p0tr%",
                "\xff\xfe"
                "b.mp3"}},
              row);
}

TEST_F(ScriptTest, MalformedScriptsGiveError) {
    const int row = AddRow("/Music/Album/01 - Song.mp3");
    const std::vector<const char*> scripts = {
        "%%",
        "%p%",
        "%px%",
        "%P0%",
        "% p0%",
        "%o%",
        "%q%",
        "%1%",
        "%s%",
        "%sx%",
        "%p0",
        "100%",
        "%p0% 100%",
        "%p0 %",
        "%p0p%",
        "%t%",
        "%t21%",
        "%t123%",
        "%t001%",
        "%tx%",
        "%n%",
        "%n-4]%",
        "%p0n[1%",
        "%p0n[-4%",
        "%n[a-]%",
        "%p0n[1 -2]%",
        "%p0n[ 1-2]%",
        "%p0n[1-2 ]%",
        "%p0n[+-]%",
        "%p0n[0x1-]%",
        "%p0n[1e2-]%",
        "%p0n[2147483648-]%",
        "%p0n[-99999999999]%",
        "%r%",
        "%r[a%",
        "%r[a,b%",
        "%r]a,b[%",
        // A "[" beyond the placeholder's closing delimiter, and operations running past the end.
        "%p0n%[1-2]%",
        "%p0n% literal [1-2]%",
        "%p0r% [a,b]%",
        "%r[%,x]",
        "%p0r[a,%]",
        "%p0n[1-%]",
        "%nnx%",
        "Error",
    };
    for (const char* script : scripts) EXPECT_EQ(EvaluateScript(script, list, row), "Error") << "script " << script;
}

TEST_F(ScriptTest, BracketedArgumentsMayHoldTheDelimiter) {
    const int row = AddRow("/Music/100% Hits/a%b.mp3");
    ExpectAll({{"%r[%,x]%", "/Music/100x Hits/axb.mp3"},
               {"%p1r[%,]% and %p0r[a%b,c]%", "100 Hits and c.mp3"},
               {"%p0r[.mp3,%]%", "a%b%"}},
              row);
}

TEST_F(ScriptTest, DelimiterAndSeparatorSettings) {
    const int row = AddRow("/Music/Album/01 - Song.mp3");
    settings.ScriptSeparator = "";
    ExpectAll({{"%p1%", "%p1%"}, {"%%", "%%"}}, row);
    settings.ScriptSeparator = "#";
    ExpectAll({{"#p1# 100%", "Album 100%"}, {"#p1", "Error"}}, row);
    settings.ScriptSeparator = "§";  // two bytes in UTF-8
    ExpectAll({{"§p1§§p2§", "AlbumMusic"}, {"§§", "Error"}}, row);
    settings.ScriptSeparator = "-";  // the range's own hyphen inside the brackets is ordinary
    ExpectAll({{"-p0n[-4]-", "01 - Song"}}, row);
    settings.ScriptSeparator = "%";
    settings.AddPrefixSeparator = "";
    ExpectAll({{"%p0s0%", "01 - Song.mp3"}, {"%p0s7%", "01 - Song.mp3"}}, row);
    settings.AddPrefixSeparator = "_";
    ExpectAll({{"%p0s1%", "01 - Song.mp3"}, {"%p0s2%", ""}}, row);
}

TEST_F(ScriptTest, FolderCountersNumberRowsPerFolder) {
    const int a1 = AddRow("/m/A/1.mp3", 0);
    const int a2 = AddRow("/m/A/2.mp3", 0);
    const int b1 = AddRow("/m/A/B/1.mp3", 1);
    const int a3 = AddRow("/m/A/3.mp3", 0);
    ResetFolderCounters(list);
    EXPECT_EQ(EvaluateScript("%nn% %t3%", list, a1), "01 Artist");
    EXPECT_EQ(EvaluateScript("%nn%", list, a2), "02");
    EXPECT_EQ(EvaluateScript("%nn%", list, b1), "01");
    EXPECT_EQ(EvaluateScript("%nn%", list, a3), "03");
    EXPECT_EQ(EvaluateScript("%nn%-%nn%", list, a3), "04-05");
    // A failing script still advances the counters it passed.
    EXPECT_EQ(EvaluateScript("%nn%%x%", list, b1), "Error");
    EXPECT_EQ(list.FolderCounters, (std::vector<int>{5, 2}));

    ResetFolderCounters(list);
    EXPECT_EQ(list.FolderCounters, (std::vector<int>{0, 0}));
    for (int i = 1; i <= 9; ++i) EvaluateScript("%nn%", list, b1);
    EXPECT_EQ(EvaluateScript("%nn%", list, b1), "10");
    EXPECT_EQ(EvaluateScript("%nn%", list, a1), "01");

    list.Rows()[static_cast<std::size_t>(a1)].FolderNumber = 7;  // a folder without a counter
    EXPECT_EQ(EvaluateScript("%nn%", list, a1), "Error");
    EXPECT_EQ(EvaluateScript("%p1%", list, a1), "A");
}

TEST_F(ScriptTest, RowOutsideTheListFailsOnlyForPlaceholders) {
    AddRow("/m/A/1.mp3");
    EXPECT_EQ(EvaluateScript("plain", list, 1), "plain");
    EXPECT_EQ(EvaluateScript("%p0%", list, 1), "Error");
    EXPECT_EQ(EvaluateScript("%p0%", list, -1), "Error");
}

TEST_F(ScriptTest, GrowthBeyondTheLimitFails) {
    const int row = AddRow("/aaaa/aaaa.mp3");
    std::string script = "%";
    for (int i = 0; i < 12; ++i) script += "r[a,aaaaaaaa]";
    script += "%";
    EXPECT_EQ(EvaluateScript(script, list, row), "Error");
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "%t1%";
    EXPECT_EQ(EvaluateScript(many, list, row).size(), 20000 * std::string("Привет, мир").size());
}

TEST_F(ScriptTest, CheckPreviewsTheSampleRowWithoutSideEffects) {
    AddRow("/m/A/0.mp3", 0, false);
    AddRow("/Music/Album/01 - Song.mp3", 0, true);
    const int sample = SampleRow(list);
    ASSERT_EQ(sample, 1);
    ResetFolderCounters(list);

    // The preview starts from FileText: in a flat scan the folders above p0 are empty.
    EXPECT_EQ(CheckScript("%p1%", list, sample), "");
    EXPECT_EQ(EvaluateScript("%p1%", list, sample), "Album");
    EXPECT_EQ(CheckScript("%p0n[-4]% %t3%", list, sample), "01 - Song Artist");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(CheckScript("%nn%", list, sample), "01");
    EXPECT_EQ(list.FolderCounters, std::vector<int>{0});

    // Same verdict as the evaluation on every script, valid or not.
    const std::vector<const char*> scripts = {"%p2% - %p1%", "%p0n![1-3]%", "%r[%,x]%", "%p0n%[1-2]%", "%t21%",
                                              "%%",          "x%p0",        "%tr%",     "%nn%%p9%",    "%r[%,x]"};
    for (const char* script : scripts) {
        const bool checkFails = CheckScript(script, list, sample) == "Error";
        EXPECT_EQ(checkFails, EvaluateScript(script, list, sample) == "Error") << "script " << script;
        EXPECT_EQ(checkFails, CheckScript(script, list, -1) == "Error") << "script " << script;
    }

    settings.IncludeSubDirs = true;
    list.Rows()[1].SetFileText(list.Rows()[1].Path());
    EXPECT_EQ(CheckScript("%p1%", list, sample), "Album");

    for (FileRow& row : list.Rows()) row.Checked = false;
    EXPECT_EQ(SampleRow(list), -1);
}

TEST(ScriptOperations, PathAndSplitPieces) {
    EXPECT_EQ(PathPart("/Music/Album/01.mp3", 0), "01.mp3");
    EXPECT_EQ(PathPart("/Music/Album/01.mp3", 3), "");
    EXPECT_EQ(PathPart("Music/Album", 2), "");
    EXPECT_EQ(PathPart("Music/Album", 1), "Music");
    EXPECT_EQ(PathPart("01.mp3", 0), "01.mp3");
    EXPECT_EQ(PathPart("01.mp3", 1), "");
    EXPECT_EQ(PathPart("/Music/", 0), "");
    EXPECT_EQ(PathPart("/Music/", 1), "Music");
    EXPECT_EQ(PathPart("", 0), "");
    EXPECT_EQ(SplitPart("a - b - c", 3, " - "), "c");
    EXPECT_EQ(SplitPart("a - b - ", 3, " - "), "");
    EXPECT_EQ(SplitPart("a - - b", 2, " - "), "- b");
    EXPECT_EQ(SplitPart("a - b", 4, " - "), "");
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(ScriptOperations, RangesTransliterationAndNumbers) {
    EXPECT_EQ(SubRange("Ёлка-палка", 2, 4), "лка");
    EXPECT_EQ(SubRange("Ёлка-палка", 1, 5, true), "палка");
    EXPECT_EQ(SubRange("Ёлка-палка", 0, 6, true), "алка");
    EXPECT_EQ(SubRange("", 1, 3, true), "");
    EXPECT_EQ(SubRange("abcdef", -2, 2), "abcde");  // a start below 1 counts as 1, the count stays
    EXPECT_EQ(Transliterate("Ёжик и ёлка, Щука: Шъ"), "Yozhik i yolka, Schuka: Sh'");
    EXPECT_EQ(Transliterate("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"), "ABVGDEZhZIYKLMNOPRSTUFHCChShSch'I'EYuYa");
    EXPECT_EQ(Transliterate("абвгдежзийклмнопрстуфхцчшщъыьэюя"), "abvgdezhziyklmnoprstufhcchshsch'i'eyuya");
    EXPECT_EQ(Transliterate("Єва Іван Їжак Ґанок ў"), "Єva Іvan Їzhak Ґanok ў");
    EXPECT_EQ(TwoDigitNumber(1), "01");
    EXPECT_EQ(TwoDigitNumber(9), "09");
    EXPECT_EQ(TwoDigitNumber(10), "10");
    EXPECT_EQ(TwoDigitNumber(100), "100");
    EXPECT_EQ(TwoDigitNumber(0), "00");
    EXPECT_EQ(TwoDigitNumber(-1), "0-1");  // "0" before every number up to 9
}

}  // namespace
}  // namespace tagmora
