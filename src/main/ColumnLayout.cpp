#include "main/ColumnLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <string_view>
#include <unordered_set>

#include "common/Text.h"

namespace tagmora {

const std::array<ColumnSpec, kColumnCount>& ColumnSpecs() {
    // The widths, one column a line in ColumnId order; the captions are the field table's.
    struct Widths {
        ColumnId Column;
        int InitialWidth;
        int InitialMin;
        int InitialMax;
        int MinWidth;
        bool RightAligned;
    };
    // clang-format off
    static constexpr std::array<Widths, kColumnCount> kWidths = {{
        {ColFile, 130, 30, 1200, 30, false},
        {ColTitle, 120, 35, 600, 35, false},
        {ColAlbum, 55, 45, 600, 45, false},
        {ColArtist, 80, 35, 600, 35, false},
        {ColYear, 40, 35, 600, 35, false},
        {ColTrack, 40, 40, 60, 40, false},
        {ColId3v, 35, 35, 50, 35, false},
        {ColGenre, 50, 45, 300, 45, false},
        {ColComment, 69, 60, 5000, 60, false},
        {ColComposer, 0, 0, 600, 60, false},
        {ColOrigArtist, 0, 0, 600, 55, false},
        {ColCopyRight, 0, 0, 600, 65, false},
        {ColURL, 0, 0, 600, 35, false},
        {ColEncodedBy, 0, 0, 600, 70, false},
        {ColTagOwner, 0, 0, 600, 70, false},
        {ColTXXX, 0, 0, 600, 40, false},
        {ColUFID, 0, 0, 600, 40, false},
        {ColMCDI, 0, 0, 600, 40, false},
        {ColTSSE, 0, 0, 600, 40, false},
        {ColTIT1, 0, 0, 600, 40, false},
        {ColFileSize, 0, 0, 600, 50, true},
    }};
    // clang-format on
    static const std::array<ColumnSpec, kColumnCount> specs = [] {
        std::array<ColumnSpec, kColumnCount> out{};
        for (std::size_t i = 0; i < out.size(); ++i) {
            const Widths& w = kWidths[i];
            out[i] = {
                TagFieldOf(w.Column).Caption, w.InitialWidth, w.InitialMin, w.InitialMax, w.MinWidth, w.RightAligned};
        }
        return out;
    }();
    static_assert([] {
        for (std::size_t i = 0; i < kWidths.size(); ++i) {
            if (kWidths[i].Column != static_cast<int>(i)) return false;
        }
        return true;
    }());
    return specs;
}

std::array<int, kColumnCount> ColumnMinWidths() {
    std::array<int, kColumnCount> out{};
    for (int i = 0; i < kColumnCount; ++i)
        out[static_cast<std::size_t>(i)] = ColumnSpecs()[static_cast<std::size_t>(i)].MinWidth;
    return out;
}

int BoundWidth(const ColumnBounds& bounds, int width) {
    if (bounds.IsHidden()) return 0;
    if (bounds.Max != 0) width = std::min(width, bounds.Max);
    return std::max(width, bounds.Min);
}

ColumnLayout InitialColumnLayout() {
    ColumnLayout layout{};
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const ColumnSpec& column = ColumnSpecs()[i];
        layout[i] = ColumnBounds{column.InitialMin, column.InitialMax, column.InitialWidth};
    }
    return layout;
}

std::array<int, kColumnCount> ColumnWidths(const ColumnLayout& layout) {
    std::array<int, kColumnCount> out{};
    for (std::size_t i = 0; i < layout.size(); ++i) out[i] = layout[i].Width;
    return out;
}

void ApplyStoredWidths(ColumnLayout& layout, const AppSettings& settings) {
    if (settings.ResizeTabHeaders) return;
    for (std::size_t i = 0; i < layout.size(); ++i) layout[i].Width = BoundWidth(layout[i], settings.HeaderWidth[i]);
}

void ApplyColumnLayout(ColumnLayout& layout, const AppSettings& settings) {
    const auto minWidths = ColumnMinWidths();
    for (std::size_t i = 0; i < layout.size(); ++i) {
        ColumnBounds& column = layout[i];
        if (settings.ShowItem[i] == 0) {
            column = ColumnBounds{0, 0, 0};
            continue;
        }
        column.Min = minWidths[i];
        column.Max = kShownColumnMaxWidth;
        if (!settings.ResizeTabHeaders) column.Width = settings.HeaderWidth[i];
        column.Width = BoundWidth(column, column.Width);
    }
}

bool IsColumnFitted(const ColumnLayout& layout, const AppSettings& settings, int column) {
    const auto i = static_cast<std::size_t>(column);
    if (settings.ShowItem[i] == 0) return false;
    return column == 0 || layout[i].Min != 0;
}

void FitColumnLayout(ColumnLayout& layout, const AppSettings& settings,
                     const std::function<int(int column)>& largestTextWidth,
                     const std::function<int(int column)>& captionWidth) {
    for (int c = 0; c < kColumnCount; ++c) {
        if (!IsColumnFitted(layout, settings, c)) continue;
        ColumnBounds& column = layout[static_cast<std::size_t>(c)];
        const int padding = c == 0 ? kFileColumnPadding : kColumnPadding;
        const int caption = captionWidth ? captionWidth(c) : 0;
        column.Width = BoundWidth(column, std::max(largestTextWidth(c) + padding, caption));
    }
}

namespace {

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TextAdvanceCache::TextAdvanceCache(std::function<double(char32_t)> advance,
                                   std::function<double(char32_t, char32_t)> pairWidth)
    : advance_(std::move(advance)),
      pairWidth_(std::move(pairWidth)),
      low_(0x800, kUnknown),
      asciiPairs_(128 * 128, kUnknown) {}

double TextAdvanceCache::Advance(char32_t cp) {
    if (cp < low_.size()) {
        double& slot = low_[cp];
        if (std::isnan(slot)) slot = advance_(cp);
        return slot;
    }
    const auto found = high_.find(cp);
    if (found != high_.end()) return found->second;
    const double value = advance_(cp);
    high_.emplace(cp, value);
    return value;
}

double TextAdvanceCache::PairAdjustment(char32_t first, char32_t second) {
    if (first < 128 && second < 128) {
        double& slot = asciiPairs_[first * 128 + second];
        if (std::isnan(slot)) slot = pairWidth_(first, second) - Advance(first) - Advance(second);
        return slot;
    }
    const std::uint64_t key = (static_cast<std::uint64_t>(first) << 32) | second;
    const auto found = pairs_.find(key);
    if (found != pairs_.end()) return found->second;
    const double value = pairWidth_(first, second) - Advance(first) - Advance(second);
    pairs_.emplace(key, value);
    return value;
}

namespace {

// The code point at `pos`, which moves past it (ASCII without decoding).
char32_t CodePointAt(std::string_view utf8, std::size_t& pos) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte >= 0x80) return text::NextCodePoint(utf8, pos);
    ++pos;
    return byte;
}

}  // namespace

double TextAdvanceCache::Estimate(std::string_view utf8) {
    double sum = 0;
    char32_t previous = 0;
    bool first = true;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = CodePointAt(utf8, pos);
        sum += Advance(cp);
        if (!first) sum += PairAdjustment(previous, cp);
        previous = cp;
        first = false;
    }
    return sum;
}

double RunningEstimate::Next(std::string_view utf8) {
    // The previous text's code points that end before the first differing byte, and before the
    // byte after them (which told where an invalid sequence ended), are decoded alike.
    std::size_t same = 0;
    const std::size_t common = std::min(utf8.size(), previous_.size());
    while (same < common && utf8[same] == previous_[same]) ++same;
    while (!steps_.empty() && steps_.back().End >= same) steps_.pop_back();
    double sum = steps_.empty() ? 0.0 : steps_.back().Sum;
    std::size_t pos = steps_.empty() ? 0 : steps_.back().End;
    while (pos < utf8.size()) {
        const char32_t cp = CodePointAt(utf8, pos);
        // As Estimate adds them: the advance, then the pair's adjustment.
        sum += advances_.Advance(cp);
        if (!steps_.empty()) sum += advances_.PairAdjustment(steps_.back().CodePoint, cp);
        steps_.push_back({pos, sum, cp});
    }
    previous_ = utf8;
    return sum;
}

int LargestTextWidth(const std::vector<FileRow>& rows, int column, TextAdvanceCache& advances,
                     const std::function<int(const std::string&)>& measure) {
    struct Candidate {
        double Estimate;
        std::string_view Text;
    };
    constexpr double kRelativeAllowance = 1.01;
    constexpr double kAbsoluteAllowance = 2.0;
    constexpr std::size_t kGroupSample = 16;
    const auto ceiling = [&](double estimate) { return estimate * kRelativeAllowance + kAbsoluteAllowance; };

    // A text equal to the previous row's (an artist's rows, an album's year) is neither
    // estimated nor ranked again; a group's sample, its first distinct texts, stays the same.
    std::vector<Candidate> all;
    RunningEstimate estimates(advances);
    std::string_view previous;
    double top = -1;
    std::string_view topText;
    bool any = false;
    for (const FileRow& row : rows) {
        const std::string_view text = row.ColumnText(column);
        if (text.empty() || text == previous) continue;
        previous = text;
        const double estimate = estimates.Next(text);
        all.push_back({estimate, text});
        any = true;
        if (estimate > top) {
            top = estimate;
            topText = text;
        }
    }
    if (!any) return 0;

    std::unordered_map<std::string_view, int> measured;
    const auto exact = [&](std::string_view text) {
        const auto found = measured.find(text);
        if (found != measured.end()) return found->second;
        const int width = measure(std::string(text));
        measured.emplace(text, width);
        return width;
    };
    int best = exact(topText);
    // Only the texts that could still beat the best exact width are ranked and measured.
    std::vector<Candidate> rest;
    for (const Candidate& c : all) {
        if (ceiling(c.Estimate) >= best) rest.push_back(c);
    }
    // Stable: a group of equal estimates keeps the rows' order, so its sample is the first rows.
    std::stable_sort(rest.begin(), rest.end(),
                     [](const Candidate& a, const Candidate& b) { return a.Estimate > b.Estimate; });
    for (std::size_t first = 0; first < rest.size();) {
        const double estimate = rest[first].Estimate;
        if (ceiling(estimate) < best) break;
        std::size_t end = first;
        while (end < rest.size() && rest[end].Estimate == estimate) ++end;
        // A sample of the group's distinct texts first; the rest only when the sample disagrees.
        std::size_t next = first;
        std::unordered_set<std::string_view> sample;
        int sampleWidth = -1;
        bool agree = true;
        for (; next < end && sample.size() < kGroupSample; ++next) {
            if (!sample.insert(rest[next].Text).second) continue;
            const int width = exact(rest[next].Text);
            agree = agree && (sampleWidth < 0 || width == sampleWidth);
            sampleWidth = width;
            best = std::max(best, width);
        }
        if (!agree) {
            for (; next < end; ++next) best = std::max(best, exact(rest[next].Text));
        }
        first = end;
    }
    return best;
}

}  // namespace tagmora
