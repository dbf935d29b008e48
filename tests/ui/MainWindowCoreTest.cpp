// The main window's rules without widgets: the progress bar's edges, the column bounds, layout
// and fitting, the widest-text search, and the command table's consistency.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>

#include "common/Text.h"
#include "main/ColumnLayout.h"
#include "main/CommandTable.h"
#include "main/ProgressGeometry.h"

namespace tagmora {
namespace {

TEST(ProgressBarTest, EdgesFollowThePanelAndThePercentage) {
    const ProgressBarEdges half = ComputeProgressBar(220, 623, 21, 50.0);
    EXPECT_EQ(half.Left, 223);
    EXPECT_EQ(half.Right, 423);
    EXPECT_EQ(half.Top, 3);
    EXPECT_EQ(half.Bottom, 20);
    EXPECT_EQ(half.TextX, 227);
    EXPECT_EQ(half.TextY, 5);

    EXPECT_EQ(ComputeProgressBar(220, 623, 21, 0.0).Right, 223);
    EXPECT_EQ(ComputeProgressBar(220, 623, 21, 100.0).Right, 623);
    // The length is truncated, not rounded: 400 / 100 * 33.3 = 133.2, and 99.9 % gives 399.6.
    EXPECT_EQ(ComputeProgressBar(220, 623, 21, 33.3).Right, 356);
    EXPECT_EQ(ComputeProgressBar(220, 623, 21, 99.9).Right, 622);
    // A wider first panel moves the bar.
    EXPECT_EQ(ComputeProgressBar(300, 623, 21, 50.0).Right, 303 + 160);
}

TEST(ProgressBarTest, StaysWithinTheStatusBar) {
    EXPECT_EQ(ComputeProgressBar(220, 623, 21, 150.0).Right, 623);
    EXPECT_EQ(ComputeProgressBar(220, 623, 21, -5.0).Right, 223);
    // A status bar narrower than the first panel: no bar at all.
    const ProgressBarEdges narrow = ComputeProgressBar(220, 100, 21, 50.0);
    EXPECT_EQ(narrow.Right, narrow.Left);
}

TEST(ColumnBoundsTest, WidthIsKeptWithinMinimumAndMaximum) {
    EXPECT_EQ(BoundWidth({35, 600, 0}, 100), 100);
    EXPECT_EQ(BoundWidth({35, 600, 0}, 10), 35);
    EXPECT_EQ(BoundWidth({35, 600, 0}, 900), 600);
    EXPECT_EQ(BoundWidth({40, 60, 0}, 0), 40);
    // A maximum of 0 is no maximum.
    EXPECT_EQ(BoundWidth({30, 0, 0}, 9000), 9000);
    // Minimum and maximum 0: the column is hidden.
    EXPECT_EQ(BoundWidth({0, 0, 0}, 120), 0);
    EXPECT_TRUE((ColumnBounds{0, 0, 0}).IsHidden());
    EXPECT_FALSE((ColumnBounds{0, 600, 0}).IsHidden());
}

TEST(ColumnLayoutTest, InitialLayoutHasTheDesignedColumns) {
    const ColumnLayout layout = InitialColumnLayout();
    EXPECT_EQ(ColumnWidths(layout), DesignedColumnWidths());
    EXPECT_EQ(layout[ColFile], (ColumnBounds{30, 1200, 130}));
    EXPECT_EQ(layout[ColTrack], (ColumnBounds{40, 60, 40}));
    EXPECT_EQ(layout[ColComment], (ColumnBounds{60, 5000, 69}));
    EXPECT_EQ(layout[ColFileSize], (ColumnBounds{0, 600, 0}));
    for (int c = 0; c < kColumnCount; ++c) {
        EXPECT_STREQ(ColumnSpecs()[static_cast<std::size_t>(c)].Caption, ColumnCaptions()[static_cast<std::size_t>(c)]);
        EXPECT_EQ(ColumnSpecs()[static_cast<std::size_t>(c)].RightAligned, c == ColFileSize) << c;
    }
    const std::array<int, kColumnCount> minimums = {30, 35, 45, 35, 35, 40, 35, 45, 60, 60, 55,
                                                    65, 35, 70, 70, 40, 40, 40, 40, 40, 50};
    EXPECT_EQ(ColumnMinWidths(), minimums);
}

AppSettings SettingsShowing(std::initializer_list<int> shown) {
    AppSettings settings;
    for (int c : shown) settings.ShowItem[static_cast<std::size_t>(c)] = 1;
    return settings;
}

TEST(ColumnLayoutTest, ApplyHidesColumnsAndBoundsStoredWidths) {
    AppSettings settings = SettingsShowing({ColFile, ColTitle, ColTrack, ColComposer});
    settings.ResizeTabHeaders = false;
    settings.HeaderWidth[ColFile] = 2000;
    settings.HeaderWidth[ColTitle] = 5;
    settings.HeaderWidth[ColTrack] = 100;
    settings.HeaderWidth[ColComposer] = 0;
    settings.HeaderWidth[ColComment] = 300;

    ColumnLayout layout = InitialColumnLayout();
    ApplyColumnLayout(layout, settings);
    EXPECT_EQ(layout[ColFile], (ColumnBounds{30, 1200, 1200}));
    EXPECT_EQ(layout[ColTitle], (ColumnBounds{35, 1200, 35}));
    // The shown maximum replaces the designed one (Track: 60 -> 1200).
    EXPECT_EQ(layout[ColTrack], (ColumnBounds{40, 1200, 100}));
    EXPECT_EQ(layout[ColComposer], (ColumnBounds{60, 1200, 60}));
    EXPECT_EQ(layout[ColComment], (ColumnBounds{0, 0, 0}));
    EXPECT_EQ(layout[ColAlbum], (ColumnBounds{0, 0, 0}));
}

TEST(ColumnLayoutTest, ApplyWithResizingKeepsCurrentWidthsWithinNewBounds) {
    AppSettings settings = SettingsShowing({ColFile, ColTitle, ColComposer});
    settings.ResizeTabHeaders = true;
    settings.HeaderWidth[ColTitle] = 500;
    ColumnLayout layout = InitialColumnLayout();
    layout[ColFile].Width = 250;
    ApplyColumnLayout(layout, settings);
    EXPECT_EQ(layout[ColFile].Width, 250);
    EXPECT_EQ(layout[ColTitle].Width, 120);
    // A column that had width 0 gets its minimum.
    EXPECT_EQ(layout[ColComposer].Width, 60);
}

TEST(ColumnLayoutTest, StoredWidthsAtShowingUseTheDesignedBounds) {
    AppSettings settings = SettingsShowing({ColFile});
    settings.HeaderWidth[ColTrack] = 100;
    settings.HeaderWidth[ColTitle] = 10;
    settings.HeaderWidth[ColURL] = 700;
    ColumnLayout layout = InitialColumnLayout();
    settings.ResizeTabHeaders = true;
    ApplyStoredWidths(layout, settings);
    EXPECT_EQ(layout, InitialColumnLayout());

    settings.ResizeTabHeaders = false;
    ApplyStoredWidths(layout, settings);
    EXPECT_EQ(layout[ColTrack].Width, 60);
    EXPECT_EQ(layout[ColTitle].Width, 35);
    EXPECT_EQ(layout[ColURL].Width, 600);
    EXPECT_EQ(layout[ColFile].Width, 30);  // HeaderWidth 0, minimum 30
}

TEST(ColumnLayoutTest, FittingPadsBoundsAndSkipsHiddenColumns) {
    AppSettings settings = SettingsShowing({ColFile, ColTitle, ColTrack, ColGenre});
    ColumnLayout layout = InitialColumnLayout();
    ApplyColumnLayout(layout, settings);
    std::set<int> asked;
    FitColumnLayout(layout, settings, [&](int column) {
        asked.insert(column);
        switch (column) {
            case ColFile: return 300;
            case ColTitle: return 2000;
            case ColTrack: return 10;
            default: return 0;
        }
    });
    EXPECT_EQ(asked, (std::set<int>{ColFile, ColTitle, ColTrack, ColGenre}));
    EXPECT_EQ(layout[ColFile].Width, 328);
    EXPECT_EQ(layout[ColTitle].Width, 1200);
    EXPECT_EQ(layout[ColTrack].Width, 40);
    EXPECT_EQ(layout[ColGenre].Width, 45);  // an empty column gets its minimum
    EXPECT_EQ(layout[ColComment].Width, 0);
    EXPECT_EQ(layout[ColAlbum].Width, 0);
}

TEST(ColumnLayoutTest, FittingBeforeTheLayoutIsAppliedLeavesZeroMinimumColumns) {
    // Shown by the settings, but the designed minimum of Composer is still 0.
    AppSettings settings = SettingsShowing({ColFile, ColComposer});
    ColumnLayout layout = InitialColumnLayout();
    FitColumnLayout(layout, settings, [](int) { return 100; });
    EXPECT_EQ(layout[ColFile].Width, 128);
    EXPECT_EQ(layout[ColComposer].Width, 0);
    EXPECT_FALSE(IsColumnFitted(layout, settings, ColComposer));
    // A hidden File column is not fitted either.
    settings.ShowItem[ColFile] = 0;
    EXPECT_FALSE(IsColumnFitted(layout, settings, ColFile));
}

// A measure in which some letter pairs kern: "AV" is 3 pixels narrower than its letters, "WW"
// one pixel wider.
int KernedWidth(const std::string& utf8) {
    const std::u32string cps = text::ToCodePoints(utf8);
    int width = 0;
    for (std::size_t i = 0; i < cps.size(); ++i) {
        width += cps[i] < 0x80 ? (cps[i] == 'W' || cps[i] == 'M' ? 11 : 6) : 8;
        if (i > 0 && cps[i - 1] == 'A' && cps[i] == 'V') width -= 3;
        if (i > 0 && cps[i - 1] == 'W' && cps[i] == 'W') width += 1;
    }
    return width;
}

TextAdvanceCache KernedAdvances() {
    return TextAdvanceCache(
        [](char32_t cp) { return static_cast<double>(KernedWidth(text::FromCodePoints(std::u32string(1, cp)))); },
        [](char32_t a, char32_t b) {
            return static_cast<double>(KernedWidth(text::FromCodePoints(std::u32string{a, b})));
        });
}

std::vector<FileRow> RowsWithTitles(const std::vector<std::string>& titles) {
    std::vector<FileRow> rows(titles.size());
    for (std::size_t i = 0; i < titles.size(); ++i) rows[i].SetColumnText(ColTitle, titles[i]);
    return rows;
}

TEST(LargestTextWidthTest, EstimatesAddPairAdjustments) {
    TextAdvanceCache advances = KernedAdvances();
    EXPECT_DOUBLE_EQ(advances.Estimate("AVAV"), 24.0 - 6.0);
    EXPECT_DOUBLE_EQ(advances.Estimate("WWW"), 35.0);
    EXPECT_DOUBLE_EQ(advances.Estimate("Жa"), 14.0);
    EXPECT_DOUBLE_EQ(advances.Estimate(""), 0.0);
}

TEST(LargestTextWidthTest, FindsTheWidestTextNotTheLongest) {
    const auto measure = [](const std::string& s) { return KernedWidth(s); };
    TextAdvanceCache advances = KernedAdvances();
    // 12 ASCII letters (72) against 5 "W" (55 + 4 kerning) and 10 Cyrillic letters (80, 20 bytes);
    // 14 letters "AVAV..." are 84 wide before kerning, 63 after.
    const auto rows = RowsWithTitles({"abcdefghijkl", "WWWWW", "ЖЖЖЖЖЖЖЖЖЖ", "", "AVAVAVAVAVAVAV"});
    EXPECT_EQ(LargestTextWidth(rows, ColTitle, advances, measure), 80);
    EXPECT_EQ(LargestTextWidth(RowsWithTitles({}), ColTitle, advances, measure), 0);
    EXPECT_EQ(LargestTextWidth(RowsWithTitles({"", ""}), ColTitle, advances, measure), 0);
    // Column 0 is FileText.
    std::vector<FileRow> files(2);
    files[0].SetFileText("MMMM");
    files[1].SetFileText("abc");
    EXPECT_EQ(LargestTextWidth(files, ColFile, advances, measure), 44);
}

TEST(LargestTextWidthTest, MatchesMeasuringEveryTextAndMeasuresFew) {
    std::mt19937 random(7);
    const std::string alphabet = "abcdefghAVWM ";
    std::vector<std::string> titles;
    for (int i = 0; i < 20000; ++i) {
        std::string title;
        const int length = 5 + static_cast<int>(random() % 30);
        for (int k = 0; k < length; ++k) title.push_back(alphabet[random() % alphabet.size()]);
        if (i % 7 == 0) title += "Ё";
        titles.push_back(title);
    }
    const auto rows = RowsWithTitles(titles);
    int brute = 0;
    for (const auto& t : titles) brute = std::max(brute, KernedWidth(t));

    int measured = 0;
    TextAdvanceCache advances = KernedAdvances();
    const int found = LargestTextWidth(rows, ColTitle, advances, [&](const std::string& s) {
        ++measured;
        return KernedWidth(s);
    });
    EXPECT_EQ(found, brute);
    EXPECT_LT(measured, 200);  // of 20,000 texts
}

TEST(LargestTextWidthTest, AGroupOfEqualEstimatesIsSampledUnlessItDisagrees) {
    // 10,000 sizes of the same shape: all have the same estimate and, shaped pair by pair, the
    // same width; a sample is enough.
    std::vector<std::string> sizes;
    for (int i = 0; i < 10000; ++i)
        sizes.push_back(std::to_string(1000 + i % 9000) + " " + std::to_string(100 + i % 900));
    int measured = 0;
    TextAdvanceCache advances = KernedAdvances();
    const auto counting = [&](const std::string& s) {
        ++measured;
        return KernedWidth(s);
    };
    EXPECT_EQ(LargestTextWidth(RowsWithTitles(sizes), ColTitle, advances, counting), 48);
    EXPECT_LE(measured, 17);

    // A group whose sample disagrees (shaping that is not pair by pair) is measured whole: the
    // widest text comes last.
    std::vector<std::string> group;
    for (int i = 0; i < 40; ++i) group.push_back("t" + std::to_string(10 + i));
    const auto contextual = [](const std::string& s) {
        return KernedWidth(s) + (s == "t11" ? 1 : 0) + (s == "t49" ? 9 : 0);
    };
    EXPECT_EQ(LargestTextWidth(RowsWithTitles(group), ColTitle, advances, contextual), 18 + 9);
    // Without the disagreement in the sample, the group is taken at the sample's width.
    const auto lateOnly = [](const std::string& s) { return KernedWidth(s) + (s == "t49" ? 9 : 0); };
    EXPECT_EQ(LargestTextWidth(RowsWithTitles(group), ColTitle, advances, lateOnly), 18);
}

TEST(LargestTextWidthTest, RunningEstimatesEqualEstimatesToTheBit) {
    // Widths that are not sums of binary fractions: adding in another order would show.
    TextAdvanceCache advances(
        [](char32_t cp) { return 0.1 * static_cast<double>(cp % 7 + 1); },
        [](char32_t a, char32_t b) { return 0.1 * static_cast<double>((a + b) % 5 + a % 7 + b % 7); });
    RunningEstimate running(advances);
    // Shared folders, a text ending inside the previous one, a repeat, a change inside a
    // two-byte code point, a cut sequence that the next text completes, and back.
    const std::vector<std::string> texts = {"/m/Ноч/a.mp3", "/m/Ноч/b.mp3", "/m/Ноч", "/m/Ноч", "/m/Нод/a.mp3",
                                            "x\xD0",        "x\xD0\x96y",   "x\xD0",  "",       "/m/Ноч/a.mp3"};
    for (const std::string& text : texts) EXPECT_EQ(running.Next(text), advances.Estimate(text)) << text;
}

TEST(LargestTextWidthTest, EachCodePointAndPairIsAskedOnceAndInvalidBytesCountAsReplacement) {
    std::map<char32_t, int> asked;
    std::map<std::pair<char32_t, char32_t>, int> pairs;
    TextAdvanceCache advances(
        [&](char32_t cp) {
            ++asked[cp];
            return cp == text::kReplacementChar ? 20.0 : 5.0;
        },
        [&](char32_t a, char32_t b) {
            ++pairs[{a, b}];
            return (a == text::kReplacementChar ? 20.0 : 5.0) + (b == text::kReplacementChar ? 20.0 : 5.0) - 1.0;
        });
    EXPECT_DOUBLE_EQ(advances.Estimate("abca"), 20.0 - 3.0);
    EXPECT_DOUBLE_EQ(advances.Estimate("a\xFF"), 25.0 - 1.0);
    EXPECT_DOUBLE_EQ(advances.Estimate("\xF0\x9F\x8E\xB5"), 5.0);  // one code point beyond U+FFFF
    EXPECT_DOUBLE_EQ(advances.Estimate("\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5"), 9.0);
    advances.Estimate(
        "\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5"
        "abc");
    EXPECT_EQ(asked['a'], 1);
    EXPECT_EQ(asked[text::kReplacementChar], 1);
    EXPECT_EQ(asked[0x1F3B5], 1);
    EXPECT_EQ((pairs[{'a', 'b'}]), 1);
    EXPECT_EQ((pairs[{0x1F3B5, 0x1F3B5}]), 1);
}

// The accelerator letter of a caption (the character after "&"), folded to lower case.
std::string AcceleratorOf(std::string_view caption) {
    const std::size_t amp = caption.find('&');
    if (amp == std::string_view::npos || amp + 1 >= caption.size()) return {};
    std::size_t pos = amp + 1;
    const char32_t cp = text::NextCodePoint(caption, pos);
    std::string out;
    text::AppendUtf8(out, text::FoldCase(cp));
    return out;
}

TEST(CommandTableTest, NamesKeysAndAcceleratorsAreUnique) {
    std::set<std::string_view> names;
    std::set<std::string_view> keys;
    std::set<std::string> menuAccelerators;
    int items = 0;
    for (const MenuSpec& menu : MainMenuTable()) {
        EXPECT_TRUE(menuAccelerators.insert(AcceleratorOf(menu.Caption)).second) << menu.Caption;
        std::set<std::string> accelerators;
        for (const CommandSpec& item : menu.Items) {
            if (item.IsSeparator()) continue;
            ++items;
            EXPECT_TRUE(names.insert(item.Name).second) << item.Name;
            if (!item.Key.empty()) {
                EXPECT_TRUE(keys.insert(item.Key).second) << item.Key;
            }
            const std::string accelerator = AcceleratorOf(item.Caption);
            EXPECT_FALSE(accelerator.empty()) << item.Name;
            EXPECT_TRUE(accelerators.insert(accelerator).second) << item.Name;
            EXPECT_EQ(FindCommand(item.Name), &item);
        }
        EXPECT_FALSE(menu.Items.front().IsSeparator());
        EXPECT_FALSE(menu.Items.back().IsSeparator());
    }
    EXPECT_EQ(items, 33);
    EXPECT_EQ(FindCommand("NoSuchMnu"), nullptr);
}

}  // namespace
}  // namespace tagmora
