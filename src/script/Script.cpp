// The placeholder script language: the evaluator shared by EvaluateScript and CheckScript, and
// the operations on texts.
#include "script/Script.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/FileHelpers.h"
#include "common/Text.h"
#include "filelist/FileList.h"

namespace tagmora {

namespace {

constexpr std::int64_t kToTheEnd = INT64_MAX / 4;

// Advances `pos` over one character: a code point, or one byte of an invalid sequence (the same
// units as text::NextCodePoint, so invalid file-name bytes are kept, never replaced).
inline void SkipChar(std::string_view s, std::size_t& pos) {
    if (static_cast<unsigned char>(s[pos]) < 0x80) {
        ++pos;
    } else {
        text::NextCodePoint(s, pos);
    }
}

// Are the eight bytes at `pos` all ASCII (eight characters)?
inline bool AsciiBlock(std::string_view s, std::size_t pos) {
    std::uint64_t block = 0;
    std::memcpy(&block, s.data() + pos, sizeof block);
    return (block & 0x8080808080808080ULL) == 0;
}

std::int64_t CharCount(std::string_view s) {
    std::int64_t n = 0;
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (s.size() - pos >= 8 && AsciiBlock(s, pos)) {
            pos += 8;
            n += 8;
        } else {
            SkipChar(s, pos);
            ++n;
        }
    }
    return n;
}

// The byte offset `count` characters after `from`; s.size() when the text is shorter.
std::size_t ByteOffsetOf(std::string_view s, std::int64_t count, std::size_t from = 0) {
    std::size_t pos = from;
    while (count > 0 && pos < s.size()) {
        if (count >= 8 && s.size() - pos >= 8 && AsciiBlock(s, pos)) {
            pos += 8;
            count -= 8;
        } else {
            SkipChar(s, pos);
            --count;
        }
    }
    return pos;
}

std::string_view PathPartView(std::string_view t, int n) {
    std::size_t hi = t.size();  // end (exclusive) of the current component
    for (int k = 0;; ++k) {
        const std::size_t slash = hi == 0 ? std::string_view::npos : t.rfind('/', hi - 1);
        if (slash == std::string_view::npos) return k == n ? t.substr(0, hi) : std::string_view{};
        if (k == n) return t.substr(slash + 1, hi - slash - 1);
        hi = slash;
    }
}

std::string_view SplitPartView(std::string_view t, int k, std::string_view sep) {
    if (sep.empty()) return t;
    if (k <= 0) return {};
    std::size_t start = 0;
    for (int piece = 1;; ++piece) {
        const std::size_t at = t.find(sep, start);
        if (piece == k) return at == std::string_view::npos ? t.substr(start) : t.substr(start, at - start);
        if (at == std::string_view::npos) return {};
        start = at + sep.size();
    }
}

// take(T, first, count) on the text read forwards, or on the reversed text when `fromEnd`.
std::string_view SubRangeView(std::string_view t, std::int64_t start, std::int64_t end, bool fromEnd) {
    if (start == 0 && end == 0) return t;
    const std::int64_t len = (start == 0 || fromEnd) ? CharCount(t) : -1;
    std::int64_t first = 0;
    std::int64_t count = 0;
    if (start == 0) {
        first = 1;
        count = len - end;
    } else if (end == 0) {
        first = start;
        count = kToTheEnd;
    } else {
        first = start;
        count = end - start + 1;
    }
    first = std::max<std::int64_t>(first, 1);
    if (count <= 0) return {};
    std::int64_t last = first + std::min(count, kToTheEnd) - 1;  // inclusive
    if (fromEnd) {
        if (first > len) return {};
        last = std::min(last, len);
        const std::int64_t a = len - last + 1;
        const std::int64_t b = len - first + 1;
        first = a;
        last = b;
    }
    const std::size_t from = ByteOffsetOf(t, first - 1);
    if (from >= t.size()) return {};
    const std::size_t to = last >= kToTheEnd ? t.size() : ByteOffsetOf(t, last - first + 1, from);
    return t.substr(from, to - from);
}

// Appends `t` with every `oldText` replaced; false when the result would exceed `limit` bytes.
bool AppendReplaced(std::string& out, std::string_view t, std::string_view oldText, std::string_view newText,
                    std::size_t limit = kMaxScriptTextBytes) {
    if (oldText.empty()) {
        out.append(t);
        return out.size() <= limit;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = t.find(oldText, start);
        if (at == std::string_view::npos) break;
        out.append(t, start, at - start);
        out.append(newText);
        if (out.size() > limit) return false;
        start = at + oldText.size();
    }
    out.append(t, start);
    return out.size() <= limit;
}

// The Latin texts of А..Я (U+0410..U+042F).
constexpr std::array<std::string_view, 32> kUpperLatin = {
    "A", "B", "V", "G", "D", "E", "Zh", "Z",  "I",  "Y",   "K", "L", "M", "N", "O",  "P",
    "R", "S", "T", "U", "F", "H", "C",  "Ch", "Sh", "Sch", "'", "I", "'", "E", "Yu", "Ya",
};
constexpr std::array<std::string_view, 32> kLowerLatin = {
    "a", "b", "v", "g", "d", "e", "zh", "z",  "i",  "y",   "k", "l", "m", "n", "o",  "p",
    "r", "s", "t", "u", "f", "h", "c",  "ch", "sh", "sch", "'", "i", "'", "e", "yu", "ya",
};

void AppendTransliterated(std::string& out, std::string_view t) {
    std::size_t pos = 0;
    while (pos < t.size()) {
        const auto b = static_cast<unsigned char>(t[pos]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++pos;
            continue;
        }
        const std::size_t before = pos;
        const char32_t cp = text::NextCodePoint(t, pos);
        if (cp >= 0x0410 && cp <= 0x042F) {
            out.append(kUpperLatin[cp - 0x0410]);
        } else if (cp >= 0x0430 && cp <= 0x044F) {
            out.append(kLowerLatin[cp - 0x0430]);
        } else if (cp == 0x0401) {
            out.append("Yo");
        } else if (cp == 0x0451) {
            out.append("yo");
        } else {
            out.append(t, before, pos - before);
        }
    }
}

// The decimal text of TwoDigitNumber written into `buf`; returns its view.
std::string_view FormatTwoDigit(int n, std::array<char, 16>& buf) {
    char* p = buf.data();
    if (n <= 9) *p++ = '0';  // also before a negative number: -1 gives "0-1"
    const auto res = std::to_chars(p, buf.data() + buf.size(), n);
    return std::string_view(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
}

// A range number: the empty text is 0 (absent); otherwise a sign and decimal digits only.
bool RangeNumber(std::string_view s, std::int64_t& value) {
    if (s.empty()) {
        value = 0;
        return true;
    }
    std::int32_t v = 0;
    if (!StrToIntCheck(s, v)) return false;
    value = v;
    return true;
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What a placeholder reads: the text it starts from, the row's columns, and the counter behind
// "nn" (null for a preview, where "nn" gives "01").
struct ScriptContext {
    std::string_view delimiter;
    std::string_view separator;
    std::string_view start;
    const FileRow* row = nullptr;
    std::vector<int>* counters = nullptr;
};

class Evaluator {
public:
    Evaluator(std::string_view script, const ScriptContext& ctx) : s_(script), ctx_(ctx) {}

    std::string Run() {
        std::string result;
        result.reserve(s_.size() + ctx_.start.size());
        if (!Evaluate(result)) return std::string(kScriptError);
        return result;
    }

private:
    bool DelimiterAt(std::size_t pos) const {
        return s_.size() - pos >= ctx_.delimiter.size() && s_.compare(pos, ctx_.delimiter.size(), ctx_.delimiter) == 0;
    }

    bool Evaluate(std::string& result) {
        const std::string_view delim = ctx_.delimiter;
        if (delim.empty()) {
            result.assign(s_);
            return result.size() <= kMaxScriptTextBytes;
        }
        std::size_t last = 0;  // first byte after the last closing delimiter
        for (;;) {
            const std::size_t open = s_.find(delim, last);
            if (open == std::string_view::npos) {
                result.append(s_, last);
                return result.size() <= kMaxScriptTextBytes;
            }
            // An opening delimiter needs a later one.
            if (s_.find(delim, open + delim.size()) == std::string_view::npos) return false;
            result.append(s_, last, open - last);
            std::string_view t;
            std::size_t pos = open + delim.size();
            if (!Placeholder(pos, t)) return false;
            result.append(t);
            if (result.size() > kMaxScriptTextBytes) return false;
            last = pos + delim.size();
        }
    }

    // Runs the operations from `pos` up to the placeholder's closing delimiter, where `pos` stops.
    bool Placeholder(std::size_t& pos, std::string_view& t) {
        if (ctx_.row == nullptr) return false;
        t = ctx_.start;
        viewedBuffer_ = -1;
        // An empty placeholder (the delimiter where the first operation is expected) fails.
        if (DelimiterAt(pos)) return false;
        do {
            if (!Operation(pos, t)) return false;
            // Running into the end of the script means the placeholder was never closed.
            if (pos >= s_.size()) return false;
        } while (!DelimiterAt(pos));
        return true;
    }

    // The buffer a new text is written into: never the one `t` may be viewing.
    std::string& SpareBuffer() {
        const int spare = viewedBuffer_ == 0 ? 1 : 0;
        buffers_[spare].clear();
        viewedBuffer_ = spare;
        return buffers_[spare];
    }

    // Finds the "[" of a bracketed operation from `from`. The characters skipped on the way are
    // outside every argument, so the delimiter among them is the placeholder's end: the "[" would
    // lie beyond it, which fails.
    bool FindOpenBracket(std::size_t from, std::size_t& bracket) const {
        for (std::size_t q = from; q < s_.size(); ++q) {
            if (s_[q] == '[') {
                bracket = q;
                return true;
            }
            if (DelimiterAt(q)) return false;
        }
        return false;
    }

    // The parts of "[a<mid>b]": the first `mid` after the bracket, then the first "]" after it.
    bool BracketParts(std::size_t from, char mid, std::string_view& a, std::string_view& b, std::size_t& after) const {
        std::size_t bracket = 0;
        if (!FindOpenBracket(from, bracket)) return false;
        const std::size_t m = s_.find(mid, bracket + 1);
        if (m == std::string_view::npos) return false;
        const std::size_t close = s_.find(']', m + 1);
        if (close == std::string_view::npos) return false;
        a = s_.substr(bracket + 1, m - bracket - 1);
        b = s_.substr(m + 1, close - m - 1);
        after = close + 1;
        return true;
    }

    bool Operation(std::size_t& pos, std::string_view& t) {
        const std::size_t n = s_.size();
        const char c = s_[pos];
        const bool hasNext = pos + 1 < n;
        const char next = hasNext ? s_[pos + 1] : '\0';
        switch (c) {
            case 'p':
            case 's':
                if (!hasNext || !IsDigit(next)) return false;
                t = c == 'p' ? PathPartView(t, next - '0') : SplitPartView(t, next - '0', ctx_.separator);
                pos += 2;
                return true;
            case 't': {
                if (next == 'r') {
                    std::string& out = SpareBuffer();
                    AppendTransliterated(out, t);
                    if (out.size() > kMaxScriptTextBytes) return false;
                    t = out;
                    pos += 2;
                    return true;
                }
                std::size_t q = pos + 1;
                int column = 0;
                while (q < n && IsDigit(s_[q])) {
                    if (q - pos > 2) return false;  // three or more digits
                    column = column * 10 + (s_[q] - '0');
                    ++q;
                }
                if (q == pos + 1 || column >= kColumnCount) return false;
                t = ctx_.row->ColumnText(column);
                viewedBuffer_ = -1;
                pos = q;
                return true;
            }
            case 'n': {
                if (next == 'n') {
                    int value = 1;
                    if (ctx_.counters != nullptr) {
                        const int folder = ctx_.row->FolderNumber;
                        if (folder < 0 || static_cast<std::size_t>(folder) >= ctx_.counters->size()) return false;
                        int& counter = (*ctx_.counters)[static_cast<std::size_t>(folder)];
                        if (counter < INT_MAX) ++counter;
                        value = counter;
                    }
                    t = FormatTwoDigit(value, number_);
                    viewedBuffer_ = -1;
                    pos += 2;
                    return true;
                }
                const bool fromEnd = next == '!';
                std::string_view startText;
                std::string_view endText;
                std::size_t after = 0;
                if (!BracketParts(pos + (fromEnd ? 2 : 1), '-', startText, endText, after)) return false;
                std::int64_t start = 0;
                std::int64_t end = 0;
                if (!RangeNumber(startText, start) || !RangeNumber(endText, end)) return false;
                t = SubRangeView(t, start, end, fromEnd);
                pos = after;
                return true;
            }
            case 'r': {
                std::string_view oldText;
                std::string_view newText;
                std::size_t after = 0;
                if (!BracketParts(pos + 1, ',', oldText, newText, after)) return false;
                if (!oldText.empty()) {
                    std::string& out = SpareBuffer();
                    if (!AppendReplaced(out, t, oldText, newText)) return false;
                    t = out;
                }
                pos = after;
                return true;
            }
            default: return false;
        }
    }

    std::string_view s_;
    const ScriptContext& ctx_;
    std::array<std::string, 2> buffers_;
    int viewedBuffer_ = -1;  // which of buffers_ the current text views, -1 for none
    std::array<char, 16> number_{};
};

// The delimiter: the first character of ScriptSeparator.
std::string_view Delimiter(const AppSettings& settings) {
    const std::string_view sep = settings.ScriptSeparator;
    if (sep.empty()) return sep;
    std::size_t pos = 0;
    SkipChar(sep, pos);
    return sep.substr(0, pos);
}

}  // namespace

std::string EvaluateScript(std::string_view script, FileList& list, int row) {
    ScriptContext ctx;
    ctx.delimiter = Delimiter(list.Settings());
    ctx.separator = list.Settings().AddPrefixSeparator;
    if (row >= 0 && row < list.RowCount()) {
        ctx.row = &list.Rows()[static_cast<std::size_t>(row)];
        ctx.start = list.RowPath(row);
        ctx.counters = &list.FolderCounters;
    }
    return Evaluator(script, ctx).Run();
}

std::string CheckScript(std::string_view script, const FileList& list, int sampleRow) {
    static const FileRow kEmptyRow;
    ScriptContext ctx;
    ctx.delimiter = Delimiter(list.Settings());
    ctx.separator = list.Settings().AddPrefixSeparator;
    ctx.row = (sampleRow >= 0 && sampleRow < list.RowCount()) ? &list.Rows()[static_cast<std::size_t>(sampleRow)]
                                                              : &kEmptyRow;
    ctx.start = ctx.row->FileText();
    return Evaluator(script, ctx).Run();
}

int SampleRow(const FileList& list) {
    const auto& rows = list.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Checked) return static_cast<int>(i);
    }
    return -1;
}

void ResetFolderCounters(FileList& list) { std::fill(list.FolderCounters.begin(), list.FolderCounters.end(), 0); }

std::string PathPart(std::string_view text, int n) {
    return std::string(n < 0 ? std::string_view{} : PathPartView(text, n));
}

std::string SplitPart(std::string_view text, int k, std::string_view separator) {
    return std::string(SplitPartView(text, k, separator));
}

std::string SubRange(std::string_view text, int start, int end, bool fromEnd) {
    return std::string(SubRangeView(text, start, end, fromEnd));
}

std::string ReplaceAll(std::string_view text, std::string_view oldText, std::string_view newText) {
    std::string out;
    AppendReplaced(out, text, oldText, newText, std::numeric_limits<std::size_t>::max());
    return out;
}

std::string Transliterate(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendTransliterated(out, text);
    return out;
}

std::string TwoDigitNumber(int n) {
    std::array<char, 16> buf{};
    return std::string(FormatTwoDigit(n, buf));
}

}  // namespace tagmora
