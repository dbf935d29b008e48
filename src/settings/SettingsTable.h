// The settings table: one row per stored setting (its value name, its AppSettings member, its kind
// and limits, when the load reads it, its first-run default). The load, the save, the first-run
// defaults and setting a value by its name (the command line's --set and `settings`) are made from
// it; a value name is spelled here and nowhere else.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "settings/AppSettings.h"

namespace tagmora {

// How a setting is stored, read and set by name.
enum class SettingKind : std::uint8_t {
    // DWORD, true unless 0; by name 0, 1, true or false. Missing: the load stops.
    Boolean,
    // DWORD as a signed number; by name within Min..Max. Missing: the load stops.
    Integer,
    // An Integer followed by as many export columns (kExportColumnFields); none stored reads as 1
    // (no column read), and the save writes it within Min..Max.
    ColumnCount,
    // SZ (EXPAND_SZ reads too, unexpanded); by name at most Max characters when Max is not 0.
    // Missing: empty.
    Text,
    // A Text of at most Max characters that the settings dialog refuses when it is one of BannedChars.
    Replacement,
    // DWORD Min or Max; any other number reads and is saved as Min.
    CodePage,
    // BINARY, a byte per main-list column (kStoredColumnEntries), each Min..Max by name. Missing:
    // unchanged; a shorter one replaces the first entries; a longer one stops the load.
    ColumnBytes,
    // BINARY, a little-endian 32-bit number per main-list column, each Min..Max; read like ColumnBytes.
    ColumnWidths,
};

// How a missing or damaged value counts in the load.
enum class SettingRead : std::uint8_t {
    // By its kind: a missing Boolean or number, or a value of another type, stops the load (FirstRun).
    ByKind,
    // Never stops the load: missing or of another type, it reads as empty (a number as Min).
    Tolerant,
    // Read from the installation key of the machine-wide hive before the settings key, and never
    // written; another type than a text is an installation error.
    Installation,
};

using ColumnByteArray = std::array<std::uint8_t, kStoredColumnEntries>;
using ColumnWidthArray = std::array<std::int32_t, kStoredColumnEntries>;

// The AppSettings member of a row: the one pointer of its type is set.
struct SettingMember {
    constexpr SettingMember(bool AppSettings::*member) : Flag(member) {}
    constexpr SettingMember(std::int32_t AppSettings::*member) : Number(member) {}
    constexpr SettingMember(std::string AppSettings::*member) : Text(member) {}
    constexpr SettingMember(ColumnByteArray AppSettings::*member) : Bytes(member) {}
    constexpr SettingMember(ColumnWidthArray AppSettings::*member) : Widths(member) {}
    bool AppSettings::*Flag = nullptr;
    std::int32_t AppSettings::*Number = nullptr;
    std::string AppSettings::*Text = nullptr;
    ColumnByteArray AppSettings::*Bytes = nullptr;
    ColumnWidthArray AppSettings::*Widths = nullptr;
};

struct SettingRow {
    const char* Name;  // the value name, compared ignoring case
    SettingKind Kind;
    SettingMember Member;
    std::int64_t Min, Max;
    // The place in the load of the settings key, 0 first; -1 for an Installation value.
    int ReadAt;
    // The first-run default in the text SetSettingByName takes; none (the field is left as it is)
    // when null. HeaderWidth and the export columns have theirs in ApplyFirstRunDefaults.
    const char* FirstRun = nullptr;
    SettingRead Read = SettingRead::ByKind;
};

inline constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// In the order of the stored values (the save's order). The load reads by ReadAt: the values that
// never stop it first, so that a first run keeps them, then the rest in the documented read order,
// in which IncludeSubDirs comes before StartDir.
inline constexpr SettingRow kSettingRows[] = {
    {"ReplaceBannedSymbols", SettingKind::Boolean, &AppSettings::ReplaceBannedSymbols, 0, 1, 2, "1"},
    {"AddPrefix", SettingKind::Boolean, &AppSettings::AddPrefix, 0, 1, 3, "1"},
    {"AddPrefixHow", SettingKind::Integer, &AppSettings::AddPrefixHow, 0, 3, 4, "1"},
    {"AddPrefixStart", SettingKind::Integer, &AppSettings::AddPrefixStart, kInt32Min, kInt32Max, 5, "1"},
    {"AddPrefixArtist", SettingKind::Boolean, &AppSettings::AddPrefixArtist, 0, 1, 6},
    {"AddPrefixAlbum", SettingKind::Boolean, &AppSettings::AddPrefixAlbum, 0, 1, 7},
    {"AddPrefixSeparator", SettingKind::Text, &AppSettings::AddPrefixSeparator, 0, 0, 8, " - "},
    {"StartDir", SettingKind::Text, &AppSettings::StartDir, 0, 0, 18},
    {"UseShellCall", SettingKind::Boolean, &AppSettings::UseShellCall, 0, 1, 9},
    {"TryChangeAttrs", SettingKind::Boolean, &AppSettings::TryChangeAttrs, 0, 1, 10, "1"},
    {"ResizeTabHeaders", SettingKind::Boolean, &AppSettings::ResizeTabHeaders, 0, 1, 11, "1"},
    {"ShowGrid", SettingKind::Boolean, &AppSettings::ShowGrid, 0, 1, 12, "1"},
    // The operating-system version is not consulted here: the new-style folder dialog is the default.
    {"NewStyleDialog", SettingKind::Boolean, &AppSettings::NewStyleDialog, 0, 1, 13, "1"},
    {"ReplaceSymbol", SettingKind::Replacement, &AppSettings::ReplaceSymbol, 0, 1, 14, " "},
    {"TAGReadSequence", SettingKind::Integer, &AppSettings::TAGReadSequence, 0, 3, 15, "2"},
    {"ScriptSeparator", SettingKind::Text, &AppSettings::ScriptSeparator, 0, 1, 16, "%"},
    // The first nine columns shown, the other twelve hidden; the spare entry stays as it is.
    {"ShowItem", SettingKind::ColumnBytes, &AppSettings::ShowItem, 0, 255, 19,
     "hex:01,01,01,01,01,01,01,01,01,00,00,00,00,00,00,00,00,00,00,00,00"},
    // First run: the widths the main-list columns have at that moment.
    {"HeaderWidth", SettingKind::ColumnWidths, &AppSettings::HeaderWidth, -2, kInt32Max, 20},
    // First run: the three default export columns.
    {"ExcColumnsCount", SettingKind::ColumnCount, &AppSettings::ExcColumnsCount, 1, kMaxExportColumns, 21},
    {"IncludeSubDirs", SettingKind::Boolean, &AppSettings::IncludeSubDirs, 0, 1, 17, "1"},
    {"TagCodePage", SettingKind::CodePage, &AppSettings::TagCodePage, 1251, 1252, 0, nullptr, SettingRead::Tolerant},
    {"Path", SettingKind::Text, &AppSettings::Path, 0, 0, -1, nullptr, SettingRead::Installation},
    // Empty: the default player.
    {"EnqueueCommand", SettingKind::Text, &AppSettings::EnqueueCommand, 0, 0, 1, nullptr, SettingRead::Tolerant},
};

// The fields of an export column, in the order they are read and written. Each is stored under
// its prefix followed by the column's index in decimal without leading zeros ("ExcColHead_12").
struct ExportColumnField {
    constexpr ExportColumnField(const char* prefix, std::string ExportColumn::*text) : Prefix(prefix), Text(text) {}
    constexpr ExportColumnField(const char* prefix, bool ExportColumn::*flag) : Prefix(prefix), Flag(flag) {}
    const char* Prefix;
    std::string ExportColumn::*Text = nullptr;  // stored like a Text setting
    bool ExportColumn::*Flag = nullptr;         // stored like a Boolean setting
};

inline constexpr ExportColumnField kExportColumnFields[] = {
    {"ExcColHead_", &ExportColumn::Head},       {"ExcColScript_", &ExportColumn::Script},
    {"ExcColGroup_", &ExportColumn::Group},     {"ExcColIsLink_", &ExportColumn::IsLink},
    {"ExcColIsLocal_", &ExportColumn::IsLocal}, {"ExcColNetAddr_", &ExportColumn::NetAddr},
};

// Values of the settings key that are no AppSettings fields, each kept by its own code.
inline constexpr const char* kWinPosValue = "WinPos";                // WindowPosition
inline constexpr const char* kRenameScriptsValue = "RenameScripts";  // the script history of script renaming

}  // namespace tagmora
