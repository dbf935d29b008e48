// Cell addresses and the "_xHHHH_" escapes of cell text.
#include "export/XlsxText.h"

#include <algorithm>
#include <array>

#include "common/Text.h"

namespace tagmora::xlsx {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code point of an escape "_xHHHH_" at `pos`, or -1.
long EscapeAt(std::string_view s, std::size_t pos) {
    if (pos + 7 > s.size() || s[pos] != '_' || s[pos + 1] != 'x' || s[pos + 6] != '_') return -1;
    long value = 0;
    for (std::size_t i = pos + 2; i < pos + 6; ++i) {
        const int digit = HexValue(s[i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void AppendEscape(std::string& out, unsigned value) {
    static const char kHex[] = "0123456789ABCDEF";
    out += "_x";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
    out += '_';
}

}  // namespace

std::string ColumnName(int column) {
    std::string letters;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<char>('A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

std::string CellAddress(int row, int column) { return ColumnName(column) + std::to_string(row); }

bool ParseCell(std::string_view address, int& row, int& column) {
    std::size_t pos = 0;
    if (pos < address.size() && address[pos] == '$') ++pos;
    long col = 0;
    const std::size_t lettersStart = pos;
    while (pos < address.size() && pos - lettersStart < 3) {
        const char c = text::AsciiLower(address[pos]);
        if (c < 'a' || c > 'z') break;
        col = col * 26 + (c - 'a' + 1);
        ++pos;
    }
    if (pos == lettersStart) return false;
    if (pos < address.size() && address[pos] == '$') ++pos;
    long r = 0;
    const std::size_t digitsStart = pos;
    while (pos < address.size() && pos - digitsStart < 8 && address[pos] >= '0' && address[pos] <= '9')
        r = r * 10 + (address[pos++] - '0');
    if (pos == digitsStart || pos != address.size()) return false;
    if (r < 1 || r > kMaxRow || col < 1 || col > kMaxColumn) return false;
    row = static_cast<int>(r);
    column = static_cast<int>(col);
    return true;
}

bool ParseRange(std::string_view address, CellRange& range) {
    const auto colon = address.find(':');
    const std::string_view first = address.substr(0, colon);
    const std::string_view last = colon == std::string_view::npos ? first : address.substr(colon + 1);
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (ParseCell(first, r1, c1) && ParseCell(last, r2, c2)) {
        range = {std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
        return true;
    }
    // Whole rows: "5:17".
    const auto number = [](std::string_view s, int& out) {
        if (!s.empty() && s[0] == '$') s.remove_prefix(1);
        if (s.empty() || s.size() > 7) return false;
        long value = 0;
        for (char c : s) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        out = static_cast<int>(value);
        return value >= 1 && value <= kMaxRow;
    };
    if (colon == std::string_view::npos || !number(first, r1) || !number(last, r2)) return false;
    range = {std::min(r1, r2), 1, std::max(r1, r2), kMaxColumn};
    return true;
}

std::string EscapeCellText(std::string_view input) {
    // Bytes that are no UTF-8 would make the part unreadable: they become replacement characters.
    std::string sanitised;
    if (!text::IsValidUtf8(input)) sanitised = text::SanitizeUtf8(input);
    const std::string_view text = sanitised.empty() ? input : std::string_view(sanitised);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
            AppendEscape(out, c);
        } else if (c == '_' && EscapeAt(text, i) >= 0) {
            AppendEscape(out, '_');
        } else if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
                   static_cast<unsigned char>(text[i + 2]) >= 0xBE) {
            // U+FFFE and U+FFFF are not XML characters either.
            AppendEscape(out, 0xFF00u | static_cast<unsigned char>(text[i + 2]) | 0xC0u);
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string UnescapeCellText(std::string_view stored) {
    if (stored.find("_x") == std::string_view::npos) return std::string(stored);
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const long value = stored[i] == '_' ? EscapeAt(stored, i) : -1;
        if (value >= 0) {
            text::AppendUtf8(out, static_cast<char32_t>(value));
            i += 6;
        } else {
            out += stored[i];
        }
    }
    return out;
}

std::string_view CutToCell(std::string_view text) {
    if (text.size() <= kMaxCellUnits) return text;  // a UTF-16 unit takes at least one byte
    std::size_t units = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        units += text::NextCodePoint(text, pos) > 0xFFFF ? 2 : 1;
        if (units > kMaxCellUnits) return text.substr(0, start);
    }
    return text;
}

std::string LinkTarget(std::string_view address) {
    // The characters a URI holds as they are anywhere: unreserved, "/" and the sub-delimiters.
    static const auto kPlain = [] {
        std::array<bool, 256> plain{};
        for (const char c : std::string_view("-._~!$&'()*+,;=:@/")) plain[static_cast<unsigned char>(c)] = true;
        for (int c = 0; c < 256; ++c) plain[static_cast<std::size_t>(c)] |= IsAsciiAlnum(static_cast<char>(c));
        return plain;
    }();
    static const char kHex[] = "0123456789ABCDEF";
    std::string sanitised;
    if (!text::IsValidUtf8(address)) sanitised = text::SanitizeUtf8(address);
    std::string_view rest = sanitised.empty() ? address : std::string_view(sanitised);
    std::string out;
    out.reserve(rest.size() + rest.size() / 2);
    const bool share = rest.substr(0, 2) == "\\\\";
    // Where the host ends: after "scheme://" the first "/", "?" or "#"; nothing is host otherwise.
    std::size_t hostEnd = 0;
    if (share) {
        out = "file://";
        rest.remove_prefix(2);
    } else if (const auto colon = rest.find(':');
               colon != std::string_view::npos && colon > 0 && rest.substr(colon + 1, 2) == "//" &&
               std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(colon),
                           [](char c) { return IsAsciiAlnum(c) || c == '+' || c == '-' || c == '.'; })) {
        hostEnd = std::min(rest.size(), rest.find_first_of("/?#", colon + 3));
    }
    bool fragment = false;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        // A run of plain characters (and, outside a share path, of valid escapes) is copied whole.
        std::size_t plain = i;
        while (plain < rest.size()) {
            if (kPlain[static_cast<unsigned char>(rest[plain])]) {
                ++plain;
            } else if (!share && rest[plain] == '%' && plain + 2 < rest.size() && HexValue(rest[plain + 1]) >= 0 &&
                       HexValue(rest[plain + 2]) >= 0) {
                plain += 3;
            } else {
                break;
            }
        }
        out.append(rest, i, plain - i);
        if ((i = plain) == rest.size()) break;
        const auto c = static_cast<unsigned char>(rest[i]);
        bool keep = false;
        if (share) {
            if (c == '\\') {
                out += '/';
                continue;
            }
        } else if (c == '?') {
            keep = true;
        } else if (c == '#') {
            keep = !fragment;
            fragment = true;
        } else if (c == '[' || c == ']') {
            keep = i < hostEnd;
        }
        if (keep) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

bool NeedsSpacePreserve(std::string_view stored) {
    if (stored.empty()) return false;
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    return space(stored.front()) || space(stored.back()) || stored.find_first_of("\t\n") != std::string_view::npos;
}

}  // namespace tagmora::xlsx
