// The export column list without widgets: "Добавить" and "Удалить" in the middle, at the ends and
// at the limits, PageUp and PageDown at the ends, the grouping check and the new-sheet rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/ExportColumns.h"
#include "settings/AppSettings.h"

namespace tagmora {
namespace {

// One column per letter of `heads`, its script the letter in lower case and its Group flag set
// where `grouped` has a "g" (so that moved columns can be told from new ones).
AppSettings Columns(const std::string& heads, const std::string& grouped = "") {
    AppSettings settings;
    for (char head : heads) {
        const auto i = static_cast<std::size_t>(settings.ExcColumnsCount++);
        settings.ExportColumns[i] = ExportColumn{std::string(1, head),
                                                 std::string(1, char(head | 0x20)),
                                                 i < grouped.size() && grouped[i] == 'g',
                                                 true,
                                                 false,
                                                 "//net"};
    }
    return settings;
}

std::string Heads(const AppSettings& settings) {
    std::string heads;
    for (int i = 0; i < settings.ExcColumnsCount; ++i) heads += (i ? "," : "") + settings.ExportColumns[i].Head;
    return heads;
}

TEST(ExportColumnsTest, AddAndDeleteChangeTheListAndSayWhatToSelect) {
    const struct {
        bool Add;
        int Selected;
        int ToSelect;
        const char* After;
    } cases[] = {
        {true, 0, 1, "A,2,B,C"}, {true, 1, 2, "A,B,3,C"},
        {true, 2, 3, "A,B,C,4"}, {true, -1, 3, "A,B,C,4"},  // nothing selected: after the last
        {false, 0, 1, "B,C"},    {false, 1, 1, "A,C"},
        {false, 2, 1, "A,B"},    {false, 3, 3, "A,B,C"},  // nothing there: nothing changes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.After);
        AppSettings settings = Columns("ABC");
        EXPECT_EQ(c.Add ? AddExportColumn(settings, c.Selected) : DeleteExportColumn(settings, c.Selected), c.ToSelect);
        EXPECT_EQ(Heads(settings), c.After);
        for (int i = 0; i < settings.ExcColumnsCount; ++i) {
            const ExportColumn& column = settings.ExportColumns[i];
            const bool added = c.Add && i == c.ToSelect;
            const ExportColumn expected =
                added ? ExportColumn{column.Head, "", false, false, true, ""}
                      : ExportColumn{column.Head, std::string(1, char(column.Head[0] | 0x20)), false, true, false,
                                     "//net"};
            EXPECT_EQ(column, expected) << i;
        }
    }
}

TEST(ExportColumnsTest, TheListHoldsOneTo24Columns) {
    AppSettings settings = Columns("A");
    EXPECT_EQ(DeleteExportColumn(settings, 0), 0);
    EXPECT_EQ(Heads(settings), "A");
    for (int i = 1; i < kMaxExportColumns; ++i) EXPECT_EQ(AddExportColumn(settings, i - 1), i);
    EXPECT_EQ(settings.ExportColumns[23].Head, "24");
    const AppSettings full = settings;
    EXPECT_EQ(AddExportColumn(settings, 5), 5);
    EXPECT_EQ(settings, full);
    for (const auto& [stored, clamped] : {std::pair{-3, 1}, {0, 1}, {17, 17}, {25, 24}}) {
        settings.ExcColumnsCount = stored;
        ClampExportColumnCount(settings);
        EXPECT_EQ(settings.ExcColumnsCount, clamped) << stored;
    }
}

TEST(ExportColumnsTest, PageUpAndPageDownStopAtTheEnds) {
    const AppSettings settings = Columns("ABC");
    for (const auto& [selected, previous, next] : {std::tuple{0, 0, 1}, {1, 0, 2}, {2, 1, 2}}) {
        EXPECT_EQ(PreviousExportColumn(selected), previous) << selected;
        EXPECT_EQ(NextExportColumn(settings, selected), next) << selected;
    }
    EXPECT_EQ(NextExportColumn(Columns("A"), 0), 0);
}

TEST(ExportColumnsTest, GroupedColumnsMustFormOneRun) {
    // Column 5 lies beyond the five columns: its flag does not count.
    for (const auto& [grouped, oneRun] : {std::pair{"", true},
                                          {"gg", true},
                                          {".g", true},
                                          {"...gg", true},
                                          {"g.g", false},
                                          {".g.gg", false},
                                          {"gg.g", false},
                                          {"g....g", true}}) {
        AppSettings settings = Columns("ABCDE", grouped);
        settings.ExportColumns[5].Group = std::string(grouped).size() > 5;
        EXPECT_EQ(GroupedColumnsFormOneRun(settings), oneRun) << grouped;
    }
}

TEST(ExportColumnsTest, ASheetIsNewUnlessItsNameIsListedExactly) {
    const std::vector<std::string> listed = {"Music", "Лист1"};
    for (const auto& [sheet, isNew] : {std::pair{"Music", false},
                                       {"music", true},
                                       {"Лист1", false},
                                       {"лист1", true},
                                       {"Music ", true},
                                       {"Mus", true}}) {
        EXPECT_EQ(IsNewSheet(sheet, listed), isNew) << sheet;
    }
    EXPECT_TRUE(IsNewSheet("Music", {}));
    EXPECT_EQ(EditorVisibility(true, false), (ExportEditorVisibility{true, true}));
}

}  // namespace
}  // namespace tagmora
