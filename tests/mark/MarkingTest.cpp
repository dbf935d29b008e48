// The marking commands, the condition test and the removal of checked rows.
#include "mark/Marking.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDialogs.h"
#include "FakePorts.h"
#include "TestFiles.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"

namespace tagmora {
namespace {

using test::FakeHost;
using test::RecordingStatus;

struct Row {
    std::string FileText;
    std::string Id3v;  // "0": no tag; "": never read
    std::string Artist;
    bool Checked;
    bool Selected;
};

// Five rows: tagged, untagged, tagged with a Cyrillic artist, unread, untagged with "Ё".
// Checked at the start: 0 and 2; highlighted: 0 and 3.
const std::vector<Row> kRows = {
    {"/m/Beatles/01 Help.mp3", "1", "The Beatles", true, true},
    {"/m/Misc/02.mp3", "0", "", false, false},
    {"/m/Кино/03 Группа крови.mp3", "2", "Кино", true, false},
    {"/m/Misc/04 unread.mp3", "", "", false, true},
    {"/m/Ёлка/05.mp3", "0", "ЁЛКА", false, false},
};

// The five rows over recording ports.
class MarkedList {
public:
    MarkedList() : list_(settings_, status_, host_) {
        for (const Row& r : kRows) {
            FileRow& row = list_.Rows().emplace_back();
            row.SetFileText(r.FileText);
            row.SetPath(r.FileText);
            row.SetColumnText(ColId3v, r.Id3v);
            row.SetColumnText(ColArtist, r.Artist);
            row.Checked = r.Checked;
            row.Selected = r.Selected;
        }
    }

    // The check boxes as "1" and "0" in row order.
    std::string Checks() const {
        std::string s;
        for (const FileRow& row : list_.Rows()) s += row.Checked ? '1' : '0';
        return s;
    }

    AppSettings settings_;
    RecordingStatus status_;
    FakeHost host_;
    FileList list_;
};

class MarkingTest : public ::testing::Test, public MarkedList {};

TEST_F(MarkingTest, EveryMenuRuleSetsTheBoxesAndReportsTheCheckedRowsOfTheWholeList) {
    struct Case {
        const char* Name;
        void (*Command)(FileList&);
        const char* Checks;  // after the command, from the initial 10100
        int Reported;
    };
    const Case cases[] = {
        {"MarkAllMnu", &MarkAllMnuClick, "11111", 5},
        // The unread row (empty ID3v text) is not empty.
        {"MarkEmptyMnu", &MarkEmptyMnuClick, "01001", 2},
        {"MarkFullMnu", &MarkFullMnuClick, "10110", 3},
        // Highlighted rows join the checked ones.
        {"MarkSelectedMnu", &MarkSelectedMnuClick, "10110", 3},
        {"MarkOnlySelectedMnu", &MarkOnlySelectedMnuClick, "10010", 2},
        {"UnMarkMnu", &UnMarkMnuClick, "00000", 0},
        {"InverseMnu", &InverseMnuClick, "01011", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        MarkedList fresh;
        c.Command(fresh.list_);
        EXPECT_EQ(fresh.Checks(), c.Checks);
        EXPECT_EQ(fresh.status_.Log,
                  (std::vector<std::string>{"status: Подождите...",
                                            "brief: Отмечено файлов - " + std::to_string(c.Reported)}));
        // The highlight is never changed by marking.
        EXPECT_TRUE(fresh.list_.Rows()[0].Selected && fresh.list_.Rows()[3].Selected);
    }
}

TEST_F(MarkingTest, InverseTwiceRestoresTheMarkingAndEmptyThenFullSplitTheList) {
    InverseMnuClick(list_);
    InverseMnuClick(list_);
    EXPECT_EQ(Checks(), "10100");
    EXPECT_EQ(status_.Log.back(), "brief: Отмечено файлов - 2");
    MarkEmptyMnuClick(list_);
    MarkFullMnuClick(list_);
    EXPECT_EQ(Checks(), "10110");
    EXPECT_EQ(status_.Log.back(), "brief: Отмечено файлов - 3");
}

TEST(MarkConditionHolds, OperatorsAndCaseRules) {
    struct Case {
        const char* Value;
        const char* Pattern;
        int Op;
        bool CaseSensitive;
        bool Holds;
    };
    const Case cases[] = {
        {"The Beatles", "the beatles", 0, false, true},
        {"The Beatles", "the beatles", 0, true, false},
        {"Кино", "КИНО", 0, false, true},
        {"Ёлка", "ёЛКА", 0, false, true},
        {"ОДО", "ΟΔΟ", 0, false, false},   // Cyrillic letters are not the Greek ones they look like
        {"ΟΔΟΣ", "οδος", 0, false, true},  // final sigma folds to sigma
        {"", "", 0, true, true},
        {"a", "", 0, false, false},
        {"Кино", "кино", 1, false, false},
        {"", "x", 1, false, true},
        {"The Beatles", "beat", 2, false, true},
        {"The Beatles", "beat", 2, true, false},
        {"Группа крови", "КРОВ", 2, false, true},
        {"Группа крови", "КРОВ", 2, true, false},
        {"abc", "", 2, false, false},  // an empty pattern never occurs
        {"", "", 2, true, false},
        {"", "a", 2, false, false},
        {"anything", "else", 3, true, true},  // an unknown operator holds
        {"anything", "else", -1, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MarkConditionHolds(c.Value, c.Pattern, c.Op, c.CaseSensitive), c.Holds)
            << c.Value << " / " << c.Pattern << " / " << c.Op << " / " << c.CaseSensitive;
    }
}

TEST_F(MarkingTest, ConditionsReplaceNarrowOrAddToTheMarking) {
    using Op = MarkOperator;
    struct Case {
        const char* Name;
        MarkCondition Condition;
        const char* Checks;  // from the initial 10100
    };
    const Case cases[] = {
        {"contains ignoring case", {ColArtist, Op::Contains, "beat", false, false, false}, "10000"},
        {"contains with case", {ColArtist, Op::Contains, "beat", false, false, true}, "00000"},
        {"equal to empty", {ColArtist, Op::Equal, "", false, false, false}, "01010"},
        {"Cyrillic ignoring case", {ColArtist, Op::Equal, "кино", false, false, false}, "00100"},
        {"Cyrillic with case", {ColArtist, Op::Equal, "кино", false, false, true}, "00000"},
        {"Ё ignoring case", {ColArtist, Op::Equal, "ёлка", false, false, false}, "00001"},
        {"not equal", {ColArtist, Op::NotEqual, "КИНО", false, false, false}, "11011"},
        {"empty pattern contained nowhere", {ColArtist, Op::Contains, "", false, false, false}, "00000"},
        {"the file text", {ColFile, Op::Contains, "misc/", false, false, false}, "01010"},
        {"the ID3v column", {ColId3v, Op::Equal, "0", false, false, false}, "01001"},
        {"unknown operator holds", {ColArtist, static_cast<Op>(5), "x", false, false, false}, "11111"},
        // MarkedCheckBox: unchecked rows are not looked at, unmatched checked ones are unchecked.
        {"only marked, matching", {ColArtist, Op::NotEqual, "x", true, false, false}, "10100"},
        {"only marked, narrowing", {ColArtist, Op::Contains, "кин", true, false, false}, "00100"},
        {"only marked, unchecked match", {ColArtist, Op::Equal, "ёлка", true, false, false}, "00000"},
        // IgnorCheckBox: unmatched rows keep their state, matching ones are added.
        {"keep unmatched", {ColArtist, Op::Contains, "ёл", false, true, false}, "10101"},
        // Both ticked: the greyed IgnorCheckBox does not count, the condition narrows.
        {"both ticked", {ColArtist, Op::Contains, "кин", true, true, false}, "00100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        MarkedList fresh;
        const int count = ApplyMarkCondition(fresh.list_, c.Condition);
        EXPECT_EQ(fresh.Checks(), c.Checks);
        EXPECT_EQ(count, fresh.list_.CountCheckedRows());
    }
}

TEST_F(MarkingTest, CustomMarkChangesNothingOnCancelAndRunsTheFrameOnOk) {
    test::AnsweringMarkDialog dialog;
    CustomMarkMnuClick(list_, dialog);
    EXPECT_EQ(dialog.Asked, 1);
    EXPECT_EQ(Checks(), "10100");
    EXPECT_TRUE(status_.Log.empty());

    dialog.Answer = MarkCondition{ColArtist, MarkOperator::Contains, "ёл", false, true, false};
    CustomMarkMnuClick(list_, dialog);
    EXPECT_EQ(Checks(), "10101");
    EXPECT_EQ(status_.Log, (std::vector<std::string>{"status: Подождите...", "brief: Отмечено файлов - 3"}));

    // An empty list still asks, and reports 0.
    list_.Rows().clear();
    CustomMarkMnuClick(list_, dialog);
    EXPECT_EQ(dialog.Asked, 3);
    EXPECT_EQ(status_.Log.back(), "brief: Отмечено файлов - 0");
}

TEST(RemoveMnu, TakesOutTheCheckedRowsAndKeepsFolderNumbersAndCounters) {
    test::TempDir dir;
    for (const char* name : {"A/1.mp3", "A/2.mp3", "B/3.mp3", "B/4.mp3", "C/5.mp3"}) {
        dir.MakeDir(std::string(name).substr(0, 1));
        test::WriteFile(dir / name, test::SilentFrames());
    }
    AppSettings settings;
    settings.IncludeSubDirs = true;
    RecordingStatus status;
    FakeHost host;
    FileList list(settings, status, host);
    list.CurrentFolder = dir.Path();
    list.ScanFolder(dir.Path(), false, false);
    ASSERT_EQ(list.RowCount(), 5);
    list.FolderCounters.assign(list.FolderCounters.size(), 7);
    const std::vector<int> counters = list.FolderCounters;
    const int folderOfFour = list.Rows()[3].FolderNumber;
    const int folderOfFive = list.Rows()[4].FolderNumber;
    ASSERT_NE(folderOfFour, folderOfFive);
    for (int i : {0, 1, 2}) list.Rows()[static_cast<std::size_t>(i)].Checked = true;
    status.Log.clear();

    RemoveMnuClick(list);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.RowPath(0), dir / "B/4.mp3");
    EXPECT_EQ(list.RowPath(1), dir / "C/5.mp3");
    EXPECT_EQ(list.Rows()[0].FolderNumber, folderOfFour);
    EXPECT_EQ(list.Rows()[1].FolderNumber, folderOfFive);
    EXPECT_EQ(list.FolderCounters, counters);
    EXPECT_EQ(status.Log, (std::vector<std::string>{"status: Удаление из списка...", "brief: Готово."}));
    // The files stay.
    EXPECT_EQ(test::ReadFile(dir / "A/1.mp3"), test::SilentFrames());

    RemoveMnuClick(list);  // nothing checked: nothing removed
    EXPECT_EQ(list.RowCount(), 2);
}

}  // namespace
}  // namespace tagmora
