// The registry export text format: typed values, the keys and hives they form, and the
// parse/render pair between a hive and the text of a .reg file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tagmora {

enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    Qword = 11,
};

// One value: strings (Sz, ExpandSz) as UTF-8 text, Dword as a number, everything else as bytes.
struct RegValue {
    RegType Type = RegType::None;
    std::string Text;
    std::uint32_t Dword = 0;
    std::vector<std::uint8_t> Bytes;

    static RegValue String(std::string text);
    static RegValue ExpandString(std::string text);
    static RegValue Number(std::uint32_t value);
    static RegValue Binary(std::vector<std::uint8_t> bytes);
    bool operator==(const RegValue&) const = default;
};

// A hive in memory: keys in file order, values in insertion order.
struct RegKey {
    std::string Path;  // without the hive root, e.g. "Software\Doskvel\Tagmora"
    std::vector<std::pair<std::string, RegValue>> Values;
    bool operator==(const RegKey&) const = default;
};

// Keys are found by path through an index (the path without its outer backslashes, A-Z folded),
// so that a lookup costs the same in a hive of ten keys and of a hundred thousand.
struct RegHive {
    // In file order. Read them and change their values freely; add and remove keys only through
    // the members below.
    std::vector<RegKey> Keys;
    RegKey* Find(std::string_view path);
    const RegKey* Find(std::string_view path) const;
    RegKey& FindOrCreate(std::string_view path);
    // Removes the key and every key below it (the root "" removes them all); true when any went.
    bool EraseSubtree(std::string_view path);
    bool operator==(const RegHive& other) const { return Keys == other.Keys; }

private:
    // The index of Keys by folded path; rebuilt whenever it no longer matches Keys.
    mutable std::unordered_map<std::string, std::size_t> byPath_;
    std::size_t IndexOf(std::string_view path) const;  // Keys.size() when there is no such key
    void Reindex() const;
};

// The first line of an export, and of an older 8-bit one.
inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kRegFileHeader4 = "REGEDIT4";

// Key paths and value names as the format compares them: ignoring A-Z case, key paths also
// without the backslashes at their ends.
namespace reg {
// A key path without the backslashes at its ends.
std::string_view NormalizeKeyPath(std::string_view path);
bool SameKey(std::string_view a, std::string_view b);
// True when `path` is a key below `parent` (not the key itself). Every key is below the root "".
bool IsBelow(std::string_view path, std::string_view parent);
// The index name of a value: A-Z folded.
std::string FoldedName(std::string_view name);
}  // namespace reg

// Parses the registry export text format (UTF-8, or UTF-16LE with BOM). Only keys under
// `rootName` (e.g. "HKEY_CURRENT_USER", or its abbreviation "HKCU") are kept. Tolerant: malformed
// lines are skipped. Keys met twice are merged; a value met twice keeps its place and the later data.
// Texts come out as valid UTF-8, so that RenderRegFile followed by ParseRegFile gives the same hive.
RegHive ParseRegFile(std::string_view bytes, std::string_view rootName);

// Renders a hive in the registry export text format, UTF-8. Strings with control characters are
// written as hex(1) (UTF-16LE), so that parsing the result gives the same hive back.
std::string RenderRegFile(const RegHive& hive, std::string_view rootName);

}  // namespace tagmora
