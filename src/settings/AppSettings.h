// AppSettings: the settings record, each field named after its stored value, with the load,
// the save and the start-up sequence that reacts to the load.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/Messages.h"  // kProductName
#include "settings/SettingsStore.h"
#include "tags/TagFields.h"  // kColumnCount

namespace tagmora {

inline constexpr int kStoredColumnEntries = 22;  // ShowItem / HeaderWidth images have one spare entry
inline constexpr int kMaxExportColumns = 24;

// The settings key (per-user hive) and the installation key (machine-wide hive).
inline constexpr const char* kSettingsKey = "Software\\Doskvel\\Tagmora";

struct ExportColumn {
    std::string Head;
    std::string Script;
    bool Group = false;
    bool IsLink = false;
    bool IsLocal = false;
    std::string NetAddr;
    bool operator==(const ExportColumn&) const = default;
};

struct AppSettings {
    bool ReplaceBannedSymbols = false;
    bool AddPrefix = false;
    std::int32_t AddPrefixHow = 0;
    std::int32_t AddPrefixStart = 0;
    bool AddPrefixArtist = false;
    bool AddPrefixAlbum = false;
    std::string AddPrefixSeparator;
    std::string StartDir;
    bool UseShellCall = false;
    bool TryChangeAttrs = false;
    bool ResizeTabHeaders = false;
    bool ShowGrid = false;
    bool NewStyleDialog = false;
    std::string ReplaceSymbol;
    std::int32_t TAGReadSequence = 0;
    std::string ScriptSeparator;
    std::array<std::uint8_t, kStoredColumnEntries> ShowItem{};
    std::array<std::int32_t, kStoredColumnEntries> HeaderWidth{};
    std::int32_t ExcColumnsCount = 0;
    std::array<ExportColumn, kMaxExportColumns> ExportColumns{};
    bool IncludeSubDirs = false;
    // The legacy code page of 8-bit tag text: 1251 (default) or 1252.
    std::int32_t TagCodePage = 1251;
    // The player's enqueue command, to which the files are appended (empty: "audacious -e").
    std::string EnqueueCommand;
    // The installation folder, read from the machine-wide hive; never written.
    std::string Path;
    bool operator==(const AppSettings&) const = default;
};

enum class SettingsLoadResult { Loaded, InstallPathError, FirstRun };

// Fills `settings` in place from the store, in the documented read order and reading rules. An
// "ExcColumnsCount" of 0 or less loads as 1 (column 0 as it was: no column is read); one above 24
// stops the load with FirstRun once column 23 is read.
SettingsLoadResult LoadSettings(AppSettings& settings, SettingsStore& store);

// Writes every value in the documented write order; false when the key cannot be opened/written.
// "ExcColumnsCount" is written within 1..24, and as many columns as it says.
bool SaveSettings(const AppSettings& settings, SettingsStore& store);

// The values SaveSettings writes, in the order it writes them: every stored value name once
// ("ExcColHead_0" ... for the columns in use), with its type.
std::vector<std::pair<std::string, RegValue>> StoredSettingValues(const AppSettings& settings);

// A stored value as the text SetSettingByName takes back: a number in decimal (a Boolean as 0 or
// 1), a string as it is, an array in the store's text form ("hex:01,01,00").
std::string SettingValueText(const RegValue& value);

// The box a command shows when SaveSettings failed (error icon, caption "Tagmora").
inline constexpr const char* kSettingsNotSaved = "Не удалось сохранить настройки.";

// The first-run defaults of every field that has one; `columnWidths` are the current widths
// of the 21 main-list columns (they become HeaderWidth 0..20). NewStyleDialog becomes true.
void ApplyFirstRunDefaults(AppSettings& settings, const std::array<int, kColumnCount>& columnWidths);

// The designed widths of the 21 main-list columns (the window resource's values).
const std::array<int, kColumnCount>& DesignedColumnWidths();

// Sets one field from text by its value name, ignoring case ("IncludeSubDirs" as 0/1/true/false,
// "TAGReadSequence", "ShowItem" as 22 comma-separated numbers or its SettingValueText,
// "ExcColHead_3", ...). False, with `error` saying what is wrong (without repeating the name), for
// an unknown name or a value that does not convert, lies outside the field's range, or that the
// settings dialog refuses (more than one character, a replacement among BannedChars).
bool SetSettingByName(AppSettings& settings, const std::string& name, const std::string& value, std::string& error);

// Every name SetSettingByName takes, in the spelling of the stored values; the export columns'
// names once per column ("ExcColHead_0" ... "ExcColNetAddr_23").
std::vector<std::string> SettingNames();

// What RunSettingsStartup needs from the window and the rest of the program.
struct SettingsStartupPorts {
    std::function<std::array<int, kColumnCount>()> CurrentColumnWidths;
    std::function<bool()> SaveWindowPosition;
    std::function<bool()> RestoreWindowPosition;
    // Opens the settings dialog; confirming it saves the settings.
    std::function<void()> OpenSettingsDialog;
    // Shows a message box (text, caption, error icon when `error`).
    std::function<void(const std::string& text, const std::string& caption, bool error)> ShowMessage;
    std::function<void()> EndProgram;
    std::function<void(bool)> SetGridLines;
};

// Loads the settings and reacts: install-path error, first run, or restoring the window position.
SettingsLoadResult RunSettingsStartup(AppSettings& settings, SettingsStore& store, const SettingsStartupPorts& ports);

}  // namespace tagmora
