// The export column list without widgets: "Добавить" and "Удалить" (in the middle, at the ends, at
// the limits), PageUp and PageDown at the ends, the grouping check, the new-sheet rule and which
// editors a column shows.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "export/ExportColumns.h"
#include "settings/AppSettings.h"

namespace tagmora {
namespace {

// Settings whose export columns are headed `heads`, each with a script and an address of its own.
AppSettings Columns(std::initializer_list<const char*> heads) {
    AppSettings settings;
    for (const char* head : heads) {
        settings.ExportColumns[static_cast<std::size_t>(settings.ExcColumnsCount++)] =
            ExportColumn{head, std::string("%") + head + "%", true, true, false, std::string("//host/") + head};
    }
    return settings;
}

std::vector<std::string> Heads(const AppSettings& settings) {
    std::vector<std::string> heads;
    for (int i = 0; i < settings.ExcColumnsCount; ++i) heads.push_back(settings.ExportColumns[i].Head);
    return heads;
}

TEST(ExportColumnsTest, AddPutsANumberedColumnRightAfterTheSelectedOne) {
    const struct {
        int Selected;
        int Expected;
        std::vector<std::string> Heads;
    } cases[] = {
        {0, 1, {"A", "2", "B", "C"}},
        {1, 2, {"A", "B", "3", "C"}},
        {2, 3, {"A", "B", "C", "4"}},
        {-1, 3, {"A", "B", "C", "4"}},  // nothing selected: after the last column
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Selected);
        AppSettings settings = Columns({"A", "B", "C"});
        const AppSettings before = settings;
        EXPECT_EQ(AddExportColumn(settings, c.Selected), c.Expected);
        EXPECT_EQ(settings.ExcColumnsCount, 4);
        EXPECT_EQ(Heads(settings), c.Heads);
        EXPECT_EQ(settings.ExportColumns[c.Expected], (ExportColumn{c.Heads[c.Expected], "", false, false, true, ""}));
        // The moved columns keep every field.
        for (int i = 0; i < 3; ++i) EXPECT_EQ(settings.ExportColumns[i < c.Expected ? i : i + 1], before.ExportColumns[i]);
    }
}

TEST(ExportColumnsTest, AddThenDeleteOfTheNewColumnGivesTheListBackWithTheLastSelected) {
    AppSettings settings = Columns({"A", "B", "C"});
    const AppSettings before = settings;
    EXPECT_EQ(DeleteExportColumn(settings, AddExportColumn(settings, 0)), 2);
    EXPECT_EQ(settings, before);
}

TEST(ExportColumnsTest, AddFillsTheListUpTo24ColumnsAndThenDoesNothing) {
    AppSettings settings = Columns({"A"});
    for (int i = 1; i < kMaxExportColumns; ++i) EXPECT_EQ(AddExportColumn(settings, i - 1), i);
    EXPECT_EQ(settings.ExcColumnsCount, kMaxExportColumns);
    EXPECT_EQ(settings.ExportColumns[23].Head, "24");
    const AppSettings full = settings;
    EXPECT_EQ(AddExportColumn(settings, 5), 5);
    EXPECT_EQ(settings, full);
}

TEST(ExportColumnsTest, DeleteRemovesTheSelectedColumnAndSelectsTheLast) {
    const struct {
        int Selected;
        std::vector<std::string> Heads;
    } cases[] = {
        {0, {"B", "C"}},
        {1, {"A", "C"}},
        {2, {"A", "B"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Selected);
        AppSettings settings = Columns({"A", "B", "C"});
        EXPECT_EQ(DeleteExportColumn(settings, c.Selected), 1);
        EXPECT_EQ(settings.ExcColumnsCount, 2);
        EXPECT_EQ(Heads(settings), c.Heads);
        EXPECT_EQ(settings.ExportColumns[1].Script, "%" + c.Heads[1] + "%");
        EXPECT_EQ(settings.ExportColumns[2], ExportColumn{});
    }
}

TEST(ExportColumnsTest, DeleteOfTheOnlyColumnOrOfNoColumnDoesNothing) {
    for (const auto& [heads, selected] : {std::pair{Columns({"A"}), 0}, std::pair{Columns({"A", "B"}), 2},
                                          std::pair{Columns({"A", "B"}), -1}}) {
        AppSettings settings = heads;
        EXPECT_EQ(DeleteExportColumn(settings, selected), selected);
        EXPECT_EQ(settings, heads);
    }
}

TEST(ExportColumnsTest, PageUpAndPageDownStopAtTheEnds) {
    const AppSettings settings = Columns({"A", "B", "C"});
    const int next[] = {1, 2, 2};
    const int previous[] = {0, 0, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(NextExportColumn(settings, i), next[i]) << i;
        EXPECT_EQ(PreviousExportColumn(i), previous[i]) << i;
    }
    EXPECT_EQ(NextExportColumn(Columns({"A"}), 0), 0);
}

TEST(ExportColumnsTest, GroupedColumnsMustFormOneRun) {
    const struct {
        std::vector<int> Grouped;
        bool OneRun;
    } cases[] = {
        {{}, true},      {{0, 1}, true},     {{1}, true},         {{0, 1, 2, 3}, true},
        {{0, 2}, false}, {{1, 3, 4}, false}, {{0, 1, 3}, false},  {{3, 4}, true},
        {{0, 5}, true},  // column 5 lies beyond the count: not a column of the list
    };
    for (const auto& c : cases) {
        AppSettings settings = Columns({"A", "B", "C", "D", "E"});
        for (ExportColumn& column : settings.ExportColumns) column.Group = false;
        for (int i : c.Grouped) settings.ExportColumns[i].Group = true;
        EXPECT_EQ(GroupedColumnsFormOneRun(settings), c.OneRun) << ::testing::PrintToString(c.Grouped);
    }
}

TEST(ExportColumnsTest, ASheetIsNewUnlessItsNameIsListedExactly) {
    const std::vector<std::string> listed = {"Music", "Лист1", "Old songs"};
    const struct {
        const char* Sheet;
        bool New;
    } cases[] = {
        {"Music", false}, {"music", true}, {"MUSIC", true},  {"Лист1", false},     {"лист1", true},
        {"Music ", true}, {"Old", true},    {"Other", true},  {"Old songs", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsNewSheet(c.Sheet, listed), c.New) << c.Sheet;
    EXPECT_TRUE(IsNewSheet("Music", {}));
}

TEST(ExportColumnsTest, TheAddressShowsOnlyForANetworkLink) {
    EXPECT_EQ(EditorVisibility(false, false), (ExportEditorVisibility{false, false}));
    EXPECT_EQ(EditorVisibility(false, true), (ExportEditorVisibility{false, false}));
    EXPECT_EQ(EditorVisibility(true, true), (ExportEditorVisibility{true, false}));
    EXPECT_EQ(EditorVisibility(true, false), (ExportEditorVisibility{true, true}));
}

TEST(ExportColumnsTest, TheCountIsBroughtIntoTheListsRange) {
    for (const auto& [stored, clamped] : {std::pair{-3, 1}, {0, 1}, {1, 1}, {17, 17}, {24, 24}, {25, 24}}) {
        AppSettings settings;
        settings.ExcColumnsCount = stored;
        ClampExportColumnCount(settings);
        EXPECT_EQ(settings.ExcColumnsCount, clamped) << stored;
    }
}

}  // namespace
}  // namespace tagmora
