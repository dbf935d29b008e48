// The .reg text format: parsing (tolerant, UTF-8 or UTF-16, merging repeated keys and values) and
// rendering (strict, UTF-8, hex data wrapped at 80 columns), and the in-memory hive they share.
#include "settings/RegFile.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "common/Text.h"

namespace tagmora {

using reg::FoldedName;
using reg::IsBelow;
using reg::NormalizeKeyPath;
using reg::SameKey;

namespace {

// Hex data lines are wrapped so that no line (with its trailing ",\") is longer than 80 columns.
constexpr std::size_t kHexLineLimit = 77;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && text::EqualsAsciiIgnoreCase(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to 8 hex digits, nothing else.
bool ParseHexNumber(std::string_view s, std::uint32_t& value) {
    if (s.empty() || s.size() > 8) return false;
    std::uint32_t v = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    value = v;
    return true;
}

// The index name of a key path: without its outer backslashes, A-Z folded.
std::string FoldedKeyPath(std::string_view path) {
    path = NormalizeKeyPath(path);
    std::string folded(path);
    for (char& c : folded) c = text::AsciiLower(c);
    return folded;
}

std::string_view CanonicalRoot(std::string_view name) {
    static constexpr std::pair<std::string_view, std::string_view> kAbbreviations[] = {
        {"HKCU", "HKEY_CURRENT_USER"}, {"HKLM", "HKEY_LOCAL_MACHINE"},  {"HKCR", "HKEY_CLASSES_ROOT"},
        {"HKU", "HKEY_USERS"},         {"HKCC", "HKEY_CURRENT_CONFIG"},
    };
    for (const auto& [abbreviation, full] : kAbbreviations) {
        if (text::EqualsAsciiIgnoreCase(name, abbreviation)) return full;
    }
    return name;
}

bool SameRoot(std::string_view a, std::string_view b) {
    return text::EqualsAsciiIgnoreCase(CanonicalRoot(a), CanonicalRoot(b));
}

// The hive as the parser builds it. Keys met again are merged, removed keys and values are only
// marked, and every lookup goes through an index, so that each line costs about the same however
// large the file is; Finish drops the marks and gives the keys and values in file order.
class HiveBuilder {
public:
    // The key that takes the values from now on (an earlier key of the same path goes on).
    void OpenKey(std::string_view path) {
        const auto [it, added] = byPath_.emplace(FoldedKeyPath(path), keys_.size());
        if (added) keys_.emplace_back().Path = NormalizeKeyPath(path);
        open_ = it->second;
    }
    void CloseKey() { open_ = kNone; }
    bool HasOpenKey() const { return open_ != kNone; }

    // Removes the key and every key below it; the root "" removes them all.
    void RemoveSubtree(std::string_view path) {
        const std::string folded = FoldedKeyPath(path);
        auto first = byPath_.begin();
        auto last = byPath_.end();
        if (!folded.empty()) {
            if (const auto self = byPath_.find(folded); self != byPath_.end()) {
                keys_[self->second].Removed = true;
                byPath_.erase(self);
            }
            // The keys below sort together, right after the prefix "path\".
            const std::string below = folded + '\\';
            first = byPath_.lower_bound(below);
            last = first;
            while (last != byPath_.end() && last->first.starts_with(below)) ++last;
        }
        for (auto i = first; i != last; ++i) keys_[i->second].Removed = true;
        byPath_.erase(first, last);
    }

    // Sets a value of the open key: one of the same name (ignoring case) keeps its place and name.
    void SetValue(std::string name, RegValue value) {
        Key& key = keys_[open_];
        if (const std::size_t i = key.Find(name); i != kNone) {
            key.Values[i].second = std::move(value);
            return;
        }
        if (key.ByName) key.ByName->emplace(FoldedName(name), key.Values.size());
        key.Values.emplace_back(std::move(name), std::move(value));
        key.Gone.push_back(false);
        if (!key.ByName && key.Values.size() > kScanLimit) key.Index();
    }

    void RemoveValue(std::string_view name) {
        Key& key = keys_[open_];
        const std::size_t i = key.Find(name);
        if (i == kNone) return;
        key.Gone[i] = true;
        if (key.ByName) key.ByName->erase(FoldedName(name));
    }

    RegHive Finish() {
        RegHive hive;
        hive.Keys.reserve(byPath_.size());
        for (Key& key : keys_) {
            if (key.Removed) continue;
            RegKey& out = hive.Keys.emplace_back();
            out.Path = std::move(key.Path);
            out.Values = std::move(key.Values);
            std::size_t i = 0;
            std::erase_if(out.Values, [&](const auto&) { return key.Gone[i++]; });
        }
        return hive;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // Keys with up to this many values are searched from the front; larger ones get an index.
    static constexpr std::size_t kScanLimit = 16;

    struct Key {
        std::string Path;
        bool Removed = false;
        std::vector<std::pair<std::string, RegValue>> Values;
        std::vector<bool> Gone;  // removed values, by index in Values
        // Folded name -> index of the live value; only for keys with many values.
        std::unique_ptr<std::unordered_map<std::string, std::size_t>> ByName;

        std::size_t Find(std::string_view name) const {
            if (ByName) {
                const auto it = ByName->find(FoldedName(name));
                return it == ByName->end() ? kNone : it->second;
            }
            for (std::size_t i = 0; i < Values.size(); ++i) {
                if (!Gone[i] && text::EqualsAsciiIgnoreCase(Values[i].first, name)) return i;
            }
            return kNone;
        }
        void Index() {
            ByName = std::make_unique<std::unordered_map<std::string, std::size_t>>();
            for (std::size_t i = 0; i < Values.size(); ++i) {
                if (!Gone[i]) ByName->emplace(FoldedName(Values[i].first), i);
            }
        }
    };

    std::vector<Key> keys_;
    std::map<std::string, std::size_t> byPath_;  // folded path -> live key; ordered by path
    std::size_t open_ = kNone;
};

// ---- Parsing --------------------------------------------------------------------------------

// The file's text as UTF-8: UTF-16 by its byte-order mark, UTF-8 with or without one; an 8-bit
// REGEDIT4 export that is not UTF-8 is Windows-1251; any other invalid byte becomes U+FFFD.
std::string DecodeInput(std::string_view bytes) {
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        return text::DecodeUtf16(bytes, false);
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (text::IsValidUtf8(bytes)) return std::string(bytes);
    if (Trim(bytes.substr(0, bytes.find('\n'))) == kRegFileHeader4) return text::DecodeCodePage(bytes, 1251);
    return text::SanitizeUtf8(bytes);
}

// Physical lines, trimmed; a line ends at LF (a CR before it is trimmed away).
class LineReader {
public:
    explicit LineReader(std::string_view textIn) : text_(textIn) {}
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const std::size_t end = text_.find('\n', pos_);
        const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
        line = Trim(text_.substr(pos_, stop - pos_));
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// A quoted text starting at s[pos] == '"': \\ and \" are escapes, any other backslash is kept.
// On success `pos` is just past the closing quote.
bool ParseQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    out.clear();
    for (std::size_t i = pos + 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out.push_back(s[i + 1]);
            ++i;
            continue;
        }
        out.push_back(c);
    }
    return false;
}

// "01,02,ff" (an empty list is no bytes; one trailing comma is allowed).
bool ParseHexBytes(std::string_view s, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    s = Trim(s);
    if (s.empty()) return true;
    if (s.back() == ',') s.remove_suffix(1);
    while (true) {
        const std::size_t comma = s.find(',');
        const std::string_view item = Trim(s.substr(0, comma));
        std::uint32_t v = 0;
        if (item.size() > 2 || !ParseHexNumber(item, v)) return false;
        bytes.push_back(static_cast<std::uint8_t>(v));
        if (comma == std::string_view::npos) return true;
        s.remove_prefix(comma + 1);
    }
}

// String bytes of hex(1)/hex(2) data without their terminating zero.
std::string DecodeStringBytes(const std::vector<std::uint8_t>& bytes, bool eightBit) {
    std::string raw(bytes.begin(), bytes.end());
    if (eightBit) {
        if (!raw.empty() && raw.back() == '\0') raw.pop_back();
        return text::IsValidUtf8(raw) ? raw : text::DecodeCodePage(raw, 1251);
    }
    // The mark in front makes the decoder read little-endian and keep a U+FEFF of the data itself.
    std::string decoded = text::DecodeUtf16("\xFF\xFE" + raw, false);
    if (!decoded.empty() && decoded.back() == '\0') decoded.pop_back();
    return decoded;
}

bool RestIsEmpty(std::string_view rest) {
    rest = Trim(rest);
    return rest.empty() || rest.front() == ';';
}

// The data after "=": a quoted string, dword:, hex: or hex(N):. Nothing for malformed data.
std::optional<RegValue> ParseData(std::string_view data, bool eightBitStrings) {
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        std::string textValue;
        if (!ParseQuoted(data, pos, textValue) || !RestIsEmpty(data.substr(pos))) return std::nullopt;
        return RegValue::String(std::move(textValue));
    }
    if (StartsWithIgnoreCase(data, "dword:")) {
        std::uint32_t v = 0;
        std::string_view digits = data.substr(6);
        const std::size_t comment = digits.find(';');
        if (!ParseHexNumber(Trim(digits.substr(0, comment)), v)) return std::nullopt;
        return RegValue::Number(v);
    }
    if (!StartsWithIgnoreCase(data, "hex")) return std::nullopt;
    data.remove_prefix(3);
    std::uint32_t type = static_cast<std::uint32_t>(RegType::Binary);
    if (!data.empty() && data.front() == '(') {
        const std::size_t close = data.find(')');
        if (close == std::string_view::npos || !ParseHexNumber(data.substr(1, close - 1), type)) return std::nullopt;
        data.remove_prefix(close + 1);
    }
    if (data.empty() || data.front() != ':') return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (!ParseHexBytes(data.substr(1), bytes)) return std::nullopt;

    switch (static_cast<RegType>(type)) {
        case RegType::Sz: return RegValue::String(DecodeStringBytes(bytes, eightBitStrings));
        case RegType::ExpandSz: return RegValue::ExpandString(DecodeStringBytes(bytes, eightBitStrings));
        case RegType::Dword:
            if (bytes.size() != 4) return std::nullopt;
            return RegValue::Number(static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
                                    (static_cast<std::uint32_t>(bytes[2]) << 16) |
                                    (static_cast<std::uint32_t>(bytes[3]) << 24));
        default: {
            RegValue v;
            v.Type = static_cast<RegType>(type);
            v.Bytes = std::move(bytes);
            return v;
        }
    }
}

// ---- Rendering ------------------------------------------------------------------------------

bool HasControlCharacter(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

void AppendQuoted(std::string& out, std::string_view s) {
    out.push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

std::vector<std::uint8_t> Utf16LeWithTerminator(std::string_view utf8) {
    const std::string encoded = text::EncodeUtf16LeWithBom(utf8);
    std::vector<std::uint8_t> bytes(encoded.begin() + 2, encoded.end());
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

void AppendHex(std::string& out, std::string_view head, const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += head;
    std::size_t column = head.size();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t width = i + 1 < bytes.size() ? 3 : 2;
        if (column + width > kHexLineLimit) {
            out += "\\\n  ";
            column = 2;
        }
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0xF]);
        if (i + 1 < bytes.size()) out.push_back(',');
        column += width;
    }
    out.push_back('\n');
}

void AppendValue(std::string& out, const std::string& name, const RegValue& value) {
    std::string head;
    if (name.empty()) {
        head = "@";
    } else {
        AppendQuoted(head, name);
    }
    head.push_back('=');
    switch (value.Type) {
        case RegType::Sz:
            if (HasControlCharacter(value.Text)) {
                AppendHex(out, head + "hex(1):", Utf16LeWithTerminator(value.Text));
            } else {
                out += head;
                AppendQuoted(out, value.Text);
                out.push_back('\n');
            }
            return;
        case RegType::ExpandSz: AppendHex(out, head + "hex(2):", Utf16LeWithTerminator(value.Text)); return;
        case RegType::Dword: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(value.Dword));
            out += head;
            out += buf;
            out.push_back('\n');
            return;
        }
        case RegType::Binary: AppendHex(out, head + "hex:", value.Bytes); return;
        default: {
            char buf[24];
            std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.Type));
            AppendHex(out, head + buf, value.Bytes);
            return;
        }
    }
}

}  // namespace

// ---- Key paths and value names --------------------------------------------------------------

namespace reg {

std::string_view NormalizeKeyPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

bool SameKey(std::string_view a, std::string_view b) {
    return text::EqualsAsciiIgnoreCase(NormalizeKeyPath(a), NormalizeKeyPath(b));
}

// True when `path` is a key below `parent` (not the key itself). Every key is below the root "".
bool IsBelow(std::string_view path, std::string_view parent) {
    path = NormalizeKeyPath(path);
    parent = NormalizeKeyPath(parent);
    if (parent.empty()) return !path.empty();
    return path.size() > parent.size() && path[parent.size()] == '\\' &&
           text::EqualsAsciiIgnoreCase(path.substr(0, parent.size()), parent);
}

// The index name of a value.
std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = text::AsciiLower(c);
    return folded;
}

}  // namespace reg

// ---- RegValue, RegHive ----------------------------------------------------------------------

RegValue RegValue::String(std::string textValue) {
    RegValue v;
    v.Type = RegType::Sz;
    v.Text = std::move(textValue);
    return v;
}

RegValue RegValue::ExpandString(std::string textValue) {
    RegValue v;
    v.Type = RegType::ExpandSz;
    v.Text = std::move(textValue);
    return v;
}

RegValue RegValue::Number(std::uint32_t value) {
    RegValue v;
    v.Type = RegType::Dword;
    v.Dword = value;
    return v;
}

RegValue RegValue::Binary(std::vector<std::uint8_t> bytes) {
    RegValue v;
    v.Type = RegType::Binary;
    v.Bytes = std::move(bytes);
    return v;
}

void RegHive::Reindex() const {
    byPath_.clear();
    byPath_.reserve(Keys.size());
    // The first of two keys of the same path wins, as a search from the front would find it.
    for (std::size_t i = 0; i < Keys.size(); ++i) byPath_.emplace(FoldedKeyPath(Keys[i].Path), i);
}

std::size_t RegHive::IndexOf(std::string_view path) const {
    if (byPath_.size() != Keys.size()) Reindex();
    const std::string folded = FoldedKeyPath(path);
    auto it = byPath_.find(folded);
    if (it != byPath_.end() && (it->second >= Keys.size() || !SameKey(Keys[it->second].Path, path))) {
        Reindex();  // the keys were changed behind the index's back
        it = byPath_.find(folded);
    }
    return it == byPath_.end() ? Keys.size() : it->second;
}

RegKey* RegHive::Find(std::string_view path) {
    const std::size_t i = IndexOf(path);
    return i < Keys.size() ? &Keys[i] : nullptr;
}

const RegKey* RegHive::Find(std::string_view path) const {
    const std::size_t i = IndexOf(path);
    return i < Keys.size() ? &Keys[i] : nullptr;
}

RegKey& RegHive::FindOrCreate(std::string_view path) {
    if (RegKey* k = Find(path)) return *k;
    byPath_.emplace(FoldedKeyPath(path), Keys.size());
    Keys.push_back(RegKey{std::string(NormalizeKeyPath(path)), {}});
    return Keys.back();
}

bool RegHive::EraseSubtree(std::string_view path) {
    const auto before = Keys.size();
    std::erase_if(Keys, [&](const RegKey& k) { return SameKey(k.Path, path) || IsBelow(k.Path, path); });
    if (Keys.size() == before) return false;
    Reindex();
    return true;
}

// ---- The .reg format ------------------------------------------------------------------------

RegHive ParseRegFile(std::string_view bytes, std::string_view rootName) {
    const std::string content = DecodeInput(bytes);
    LineReader lines(content);
    HiveBuilder hive;
    bool eightBitStrings = false;
    bool sawContent = false;

    std::string_view line;
    while (lines.Next(line)) {
        if (line.empty() || line.front() == ';') continue;
        if (!sawContent) {
            sawContent = true;
            if (line == kRegFileHeader4) {
                eightBitStrings = true;
                continue;
            }
            if (line == kRegFileHeader) continue;
        }

        if (line.front() == '[') {
            hive.CloseKey();
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos || close == 0) continue;
            std::string_view inner = line.substr(1, close - 1);
            const bool remove = !inner.empty() && inner.front() == '-';
            if (remove) inner.remove_prefix(1);
            const std::size_t slash = inner.find('\\');
            const std::string_view root = inner.substr(0, slash);
            const std::string_view path =
                slash == std::string_view::npos ? std::string_view{} : inner.substr(slash + 1);
            if (!SameRoot(root, rootName)) continue;
            if (remove) {
                hive.RemoveSubtree(path);
            } else {
                hive.OpenKey(path);
            }
            continue;
        }

        if (line.front() != '"' && line.front() != '@') continue;
        std::string name;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, name)) {
            continue;
        }
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size() || line[pos] != '=') continue;
        ++pos;
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        std::string data(line.substr(pos));

        // Hex data goes on over the following lines while a line ends with a backslash.
        if (StartsWithIgnoreCase(data, "hex")) {
            std::string_view next;
            while (!data.empty() && data.back() == '\\') {
                data.pop_back();
                if (!lines.Next(next)) break;
                data += next;
            }
        }
        if (!hive.HasOpenKey()) continue;
        if (Trim(data) == "-") {
            hive.RemoveValue(name);
            continue;
        }
        if (auto value = ParseData(data, eightBitStrings)) hive.SetValue(std::move(name), std::move(*value));
    }
    return hive.Finish();
}

std::string RenderRegFile(const RegHive& hive, std::string_view rootName) {
    const std::string_view root = CanonicalRoot(rootName);
    std::string out;
    out += kRegFileHeader;
    out += "\n\n";
    for (const RegKey& key : hive.Keys) {
        out.push_back('[');
        out += root;
        const std::string_view path = NormalizeKeyPath(key.Path);
        if (!path.empty()) {
            out.push_back('\\');
            out += path;
        }
        out += "]\n";
        for (const auto& [name, value] : key.Values) AppendValue(out, name, value);
        out.push_back('\n');
    }
    return out;
}

}  // namespace tagmora
