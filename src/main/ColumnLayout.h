// The columns of the main list: captions, alignment, initial and minimum widths, and the rules
// that bound, apply and fit their widths. The window measures text and mirrors the widths.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "filelist/FileList.h"
#include "settings/AppSettings.h"

namespace tagmora {

struct ColumnSpec {
    const char* Caption;
    int InitialWidth;
    int InitialMin;
    int InitialMax;
    int MinWidth;  // ColumnMinWidths: the minimum that ApplyColumnLayout gives a shown column
    bool RightAligned;
};

// The 21 columns in ColumnId order.
const std::array<ColumnSpec, kColumnCount>& ColumnSpecs();
// The minimum widths of shown columns (ColumnMinWidths), by ColumnId.
std::array<int, kColumnCount> ColumnMinWidths();

inline constexpr int kShownColumnMaxWidth = 1200;
// What fitting adds to the widest text: the check box and margins of column 0, margins elsewhere.
inline constexpr int kFileColumnPadding = 28;
inline constexpr int kColumnPadding = 12;

// The current bounds and width of one column. Min = Max = 0: the column is hidden (width 0);
// otherwise a Max of 0 means no maximum.
struct ColumnBounds {
    int Min = 0;
    int Max = 0;
    int Width = 0;
    bool IsHidden() const { return Min == 0 && Max == 0; }
    bool operator==(const ColumnBounds&) const = default;
};

using ColumnLayout = std::array<ColumnBounds, kColumnCount>;

// `width` kept within the column's bounds: 0 for a hidden column.
int BoundWidth(const ColumnBounds& bounds, int width);

// The layout the window starts with (initial widths and bounds of every column).
ColumnLayout InitialColumnLayout();

// The widths of every column, in ColumnId order.
std::array<int, kColumnCount> ColumnWidths(const ColumnLayout& layout);

// Showing the main window: unless ResizeTabHeaders is on, every width becomes HeaderWidth
// (bounded by the column's current bounds).
void ApplyStoredWidths(ColumnLayout& layout, const AppSettings& settings);

// ApplyColumnLayout without the status texts: a column whose ShowItem is off is hidden; a shown
// one gets ColumnMinWidths and 1200 as bounds and, unless ResizeTabHeaders is on, HeaderWidth.
// Every width ends within its bounds.
void ApplyColumnLayout(ColumnLayout& layout, const AppSettings& settings);

// Does FitColumns measure this column? Column 0 when ShowItem is on; the others when ShowItem is
// on and their minimum width is not 0.
bool IsColumnFitted(const ColumnLayout& layout, const AppSettings& settings, int column);

// FitColumns without the status texts: each fitted column becomes largestTextWidth(column) plus
// its padding, and at least captionWidth(column) (its caption with the header's margins and sort
// indicator) when that is given, bounded; the other columns keep their widths.
void FitColumnLayout(ColumnLayout& layout, const AppSettings& settings,
                     const std::function<int(int column)>& largestTextWidth,
                     const std::function<int(int column)>& captionWidth = {});

// Text widths estimated from the list's font: the advance of each code point and the width of
// each pair of code points (which holds the pair's kerning or ligature), each asked once.
class TextAdvanceCache {
public:
    TextAdvanceCache(std::function<double(char32_t)> advance, std::function<double(char32_t, char32_t)> pairWidth);
    double Advance(char32_t cp);
    // The width of the pair minus the advances of its two code points.
    double PairAdjustment(char32_t first, char32_t second);
    // The sum of the code points' advances and of the adjustments of every adjacent pair
    // (invalid UTF-8 counts as U+FFFD). For text shaped pair by pair it is the text's width.
    double Estimate(std::string_view utf8);

private:
    std::function<double(char32_t)> advance_;
    std::function<double(char32_t, char32_t)> pairWidth_;
    std::vector<double> low_;         // code points below 0x800; NaN = not asked yet
    std::vector<double> asciiPairs_;  // 128 x 128 adjustments; NaN = not asked yet
    std::unordered_map<char32_t, double> high_;
    std::unordered_map<std::uint64_t, double> pairs_;
};

// Estimates texts one after another: the sums over the beginning that a text shares with the
// previous one (the folders of paths in path order) are taken from the previous text and only
// the rest is added, in Estimate's order, so each result is Estimate's to the bit. The texts
// must stay alive until the next call.
class RunningEstimate {
public:
    explicit RunningEstimate(TextAdvanceCache& advances) : advances_(advances) {}
    double Next(std::string_view utf8);

private:
    struct Step {
        std::size_t End;  // the byte after the code point
        double Sum;       // the estimate up to and including it
        char32_t CodePoint;
    };
    TextAdvanceCache& advances_;
    std::string_view previous_;
    std::vector<Step> steps_;
};

// The largest `measure`d width of column `column`'s texts over all rows (0 for no rows or only
// empty texts). Measuring every text is too slow for large lists, so:
// 1. every text gets its estimate (TextAdvanceCache::Estimate);
// 2. texts are measured exactly from the highest estimate down, until the estimates, with an
//    allowance of 1 % + 2 pixels, fall below the widest exact width found;
// 3. texts with the same estimate form a group; of a group larger than 16, when its first 16
//    distinct texts measure the same, the rest are taken to measure that too (text shaped pair by
//    pair has the width its estimate says); otherwise the whole group is measured.
// Each distinct text is measured at most once; texts are estimated in row order, each from where
// it first differs from the previous one.
int LargestTextWidth(const std::vector<FileRow>& rows, int column, TextAdvanceCache& advances,
                     const std::function<int(const std::string&)>& measure);

}  // namespace tagmora
