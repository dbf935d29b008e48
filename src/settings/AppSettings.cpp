// AppSettings: the load with its first-run rules, the save, the first-run defaults, the start-up
// sequence and setting single fields by their value names.
#include "settings/AppSettings.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>
#include <vector>

#include "common/FileHelpers.h"
#include "common/Text.h"

namespace tagmora {

namespace {

constexpr int kHeaderWidthBytes = kStoredColumnEntries * 4;
constexpr const char* kInstallPathError = "Ошибка при чтении данных из реестра. Необходимо переустановить программу.";

// The value names of an export column's fields, in the order they are read and written.
constexpr const char* kHeadPrefix = "ExcColHead_";
constexpr const char* kScriptPrefix = "ExcColScript_";
constexpr const char* kGroupPrefix = "ExcColGroup_";
constexpr const char* kIsLinkPrefix = "ExcColIsLink_";
constexpr const char* kIsLocalPrefix = "ExcColIsLocal_";
constexpr const char* kNetAddrPrefix = "ExcColNetAddr_";

std::string ColumnValueName(const char* prefix, int index) { return prefix + std::to_string(index); }

int NormalizedCodePage(std::int32_t codePage) { return codePage == 1252 ? 1252 : 1251; }

// Reads values of the settings key by the reading rules; every method returns false when the
// load has to stop with FirstRun.
class SettingsReader {
public:
    explicit SettingsReader(SettingsStore& store) : store_(store) {}

    bool Boolean(const std::string& name, bool& field) {
        const auto v = Value(name);
        if (!v || v->Type != RegType::Dword) return false;
        field = v->Dword != 0;
        return true;
    }

    bool Integer(const std::string& name, std::int32_t& field) {
        const auto v = Value(name);
        if (!v || v->Type != RegType::Dword) return false;
        field = static_cast<std::int32_t>(v->Dword);
        return true;
    }

    // A missing string reads as empty.
    bool String(const std::string& name, std::string& field) {
        const auto v = Value(name);
        if (!v) {
            field.clear();
            return true;
        }
        if (v->Type != RegType::Sz && v->Type != RegType::ExpandSz) return false;
        field = v->Text;
        return true;
    }

    // A missing array leaves the image as it is; a shorter one fills its first bytes.
    template <std::size_t N>
    bool Bytes(const std::string& name, std::array<std::uint8_t, N>& image) {
        const auto v = Value(name);
        if (!v) return true;
        if (v->Type != RegType::Binary || v->Bytes.size() > N) return false;
        std::copy(v->Bytes.begin(), v->Bytes.end(), image.begin());
        return true;
    }

private:
    std::optional<RegValue> Value(const std::string& name) {
        return store_.ReadValue(Hive::CurrentUser, kSettingsKey, name);
    }
    SettingsStore& store_;
};

std::array<std::uint8_t, kHeaderWidthBytes> WidthImage(const std::array<std::int32_t, kStoredColumnEntries>& widths) {
    std::array<std::uint8_t, kHeaderWidthBytes> image{};
    for (int i = 0; i < kStoredColumnEntries; ++i) {
        const auto v = static_cast<std::uint32_t>(widths[static_cast<std::size_t>(i)]);
        for (int b = 0; b < 4; ++b)
            image[static_cast<std::size_t>(i * 4 + b)] = static_cast<std::uint8_t>(v >> (8 * b));
    }
    return image;
}

std::array<std::int32_t, kStoredColumnEntries> WidthsOf(const std::array<std::uint8_t, kHeaderWidthBytes>& image) {
    std::array<std::int32_t, kStoredColumnEntries> widths{};
    for (int i = 0; i < kStoredColumnEntries; ++i) {
        std::uint32_t v = 0;
        for (int b = 0; b < 4; ++b)
            v |= static_cast<std::uint32_t>(image[static_cast<std::size_t>(i * 4 + b)]) << (8 * b);
        widths[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(v);
    }
    return widths;
}

bool ReadExportColumn(SettingsReader& in, int index, ExportColumn& column) {
    return in.String(ColumnValueName(kHeadPrefix, index), column.Head) &&
           in.String(ColumnValueName(kScriptPrefix, index), column.Script) &&
           in.Boolean(ColumnValueName(kGroupPrefix, index), column.Group) &&
           in.Boolean(ColumnValueName(kIsLinkPrefix, index), column.IsLink) &&
           in.Boolean(ColumnValueName(kIsLocalPrefix, index), column.IsLocal) &&
           in.String(ColumnValueName(kNetAddrPrefix, index), column.NetAddr);
}

// The settings key from "ReplaceBannedSymbols" to the last export column; false means FirstRun.
bool ReadSettingsKey(AppSettings& s, SettingsStore& store) {
    SettingsReader in(store);
    if (!in.Boolean("ReplaceBannedSymbols", s.ReplaceBannedSymbols) || !in.Boolean("AddPrefix", s.AddPrefix) ||
        !in.Integer("AddPrefixHow", s.AddPrefixHow) || !in.Integer("AddPrefixStart", s.AddPrefixStart) ||
        !in.Boolean("AddPrefixArtist", s.AddPrefixArtist) || !in.Boolean("AddPrefixAlbum", s.AddPrefixAlbum) ||
        !in.String("AddPrefixSeparator", s.AddPrefixSeparator) || !in.Boolean("UseShellCall", s.UseShellCall) ||
        !in.Boolean("TryChangeAttrs", s.TryChangeAttrs) || !in.Boolean("ResizeTabHeaders", s.ResizeTabHeaders) ||
        !in.Boolean("ShowGrid", s.ShowGrid) || !in.Boolean("NewStyleDialog", s.NewStyleDialog) ||
        !in.String("ReplaceSymbol", s.ReplaceSymbol) || !in.Integer("TAGReadSequence", s.TAGReadSequence) ||
        !in.String("ScriptSeparator", s.ScriptSeparator) || !in.Boolean("IncludeSubDirs", s.IncludeSubDirs) ||
        !in.String("StartDir", s.StartDir) || !in.Bytes("ShowItem", s.ShowItem)) {
        return false;
    }
    auto widthImage = WidthImage(s.HeaderWidth);
    const bool widthsRead = in.Bytes("HeaderWidth", widthImage);
    s.HeaderWidth = WidthsOf(widthImage);
    if (!widthsRead || !in.Integer("ExcColumnsCount", s.ExcColumnsCount)) return false;
    if (s.ExcColumnsCount < 1) {
        // The export always has a column: no column stored is one, as it is in memory (none read).
        s.ExcColumnsCount = 1;
        return true;
    }
    for (int i = 0; i < s.ExcColumnsCount; ++i) {
        if (i >= kMaxExportColumns) return false;
        if (!ReadExportColumn(in, i, s.ExportColumns[static_cast<std::size_t>(i)])) return false;
    }
    return true;
}

// ---- SetSettingByName ---------------------------------------------------------------------

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool ParseInt(std::string_view s, std::int64_t min, std::int64_t max, std::int32_t& out) {
    s = TrimBlanks(s);
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc{} || end != s.data() + s.size() || v < min || v > max) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

bool ParseBool(std::string_view s, bool& out) {
    s = TrimBlanks(s);
    if (s == "1" || text::EqualsAsciiIgnoreCase(s, "true")) {
        out = true;
        return true;
    }
    if (s == "0" || text::EqualsAsciiIgnoreCase(s, "false")) {
        out = false;
        return true;
    }
    return false;
}

// Exactly `N` comma-separated integers in [min, max].
template <std::size_t N>
bool ParseIntList(std::string_view s, std::int64_t min, std::int64_t max, std::array<std::int32_t, N>& out) {
    std::array<std::int32_t, N> values{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t comma = s.find(',');
        if ((comma == std::string_view::npos) != (i + 1 == N)) return false;
        if (!ParseInt(s.substr(0, comma), min, max, values[i])) return false;
        if (comma != std::string_view::npos) s.remove_prefix(comma + 1);
    }
    out = values;
    return true;
}

// The store's text form of an array, "hex:01,00,ff": one to `N` bytes, which replace the first
// bytes of `image` as the load does.
template <std::size_t N>
bool ParseHexImage(std::string_view s, std::array<std::uint8_t, N>& image) {
    if (s.size() < 6 || !text::EqualsAsciiIgnoreCase(s.substr(0, 4), "hex:")) return false;
    std::array<std::uint8_t, N> bytes = image;
    std::size_t count = 0;
    for (s.remove_prefix(4);; s.remove_prefix(3)) {
        unsigned v = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + std::min<std::size_t>(2, s.size()), v, 16);
        if (count == N || ec != std::errc{} || end != s.data() + 2) return false;
        bytes[count++] = static_cast<std::uint8_t>(v);
        if (s.size() == 2) break;
        if (s[2] != ',') return false;
    }
    image = bytes;
    return true;
}

struct BooleanField {
    const char* Name;
    bool AppSettings::*Field;
};
constexpr BooleanField kBooleanFields[] = {
    {"ReplaceBannedSymbols", &AppSettings::ReplaceBannedSymbols},
    {"AddPrefix", &AppSettings::AddPrefix},
    {"AddPrefixArtist", &AppSettings::AddPrefixArtist},
    {"AddPrefixAlbum", &AppSettings::AddPrefixAlbum},
    {"UseShellCall", &AppSettings::UseShellCall},
    {"TryChangeAttrs", &AppSettings::TryChangeAttrs},
    {"ResizeTabHeaders", &AppSettings::ResizeTabHeaders},
    {"ShowGrid", &AppSettings::ShowGrid},
    {"NewStyleDialog", &AppSettings::NewStyleDialog},
    {"IncludeSubDirs", &AppSettings::IncludeSubDirs},
};

struct IntegerField {
    const char* Name;
    std::int32_t AppSettings::*Field;
    std::int64_t Min, Max;
};
constexpr IntegerField kIntegerFields[] = {
    {"AddPrefixHow", &AppSettings::AddPrefixHow, 0, 3},
    {"AddPrefixStart", &AppSettings::AddPrefixStart, std::numeric_limits<std::int32_t>::min(),
     std::numeric_limits<std::int32_t>::max()},
    {"TAGReadSequence", &AppSettings::TAGReadSequence, 0, 3},
    {"ExcColumnsCount", &AppSettings::ExcColumnsCount, 1, kMaxExportColumns},
};

struct StringField {
    const char* Name;
    std::string AppSettings::*Field;
    bool OneCharacter;  // at most one character
};
constexpr StringField kStringFields[] = {
    {"AddPrefixSeparator", &AppSettings::AddPrefixSeparator, false},
    {"StartDir", &AppSettings::StartDir, false},
    {"ReplaceSymbol", &AppSettings::ReplaceSymbol, true},
    {"ScriptSeparator", &AppSettings::ScriptSeparator, true},
    {"Path", &AppSettings::Path, false},
    {"EnqueueCommand", &AppSettings::EnqueueCommand, false},
};

std::string Quoted(std::string_view value) { return "\"" + std::string(value) + "\""; }

// "ExcColHead_12" → 12 when `name` is the prefix followed by 0..23 without leading zeros.
bool ColumnIndexOf(std::string_view name, std::string_view prefix, int& index) {
    if (name.size() <= prefix.size() || !text::EqualsAsciiIgnoreCase(name.substr(0, prefix.size()), prefix)) {
        return false;
    }
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 1 && digits.front() == '0') return false;
    int v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (ec != std::errc{} || end != digits.data() + digits.size() || v < 0 || v >= kMaxExportColumns) return false;
    index = v;
    return true;
}

bool SetExportColumnField(AppSettings& s, const std::string& name, const std::string& value, std::string& error,
                          bool& matched) {
    int index = 0;
    matched = true;
    if (ColumnIndexOf(name, kHeadPrefix, index)) {
        s.ExportColumns[static_cast<std::size_t>(index)].Head = value;
        return true;
    }
    if (ColumnIndexOf(name, kScriptPrefix, index)) {
        s.ExportColumns[static_cast<std::size_t>(index)].Script = value;
        return true;
    }
    if (ColumnIndexOf(name, kNetAddrPrefix, index)) {
        s.ExportColumns[static_cast<std::size_t>(index)].NetAddr = value;
        return true;
    }
    const std::pair<const char*, bool ExportColumn::*> booleans[] = {
        {kGroupPrefix, &ExportColumn::Group},
        {kIsLinkPrefix, &ExportColumn::IsLink},
        {kIsLocalPrefix, &ExportColumn::IsLocal},
    };
    for (const auto& [prefix, field] : booleans) {
        if (!ColumnIndexOf(name, prefix, index)) continue;
        if (!ParseBool(value, s.ExportColumns[static_cast<std::size_t>(index)].*field)) {
            error = "expected 0, 1, true or false, got " + Quoted(value);
            return false;
        }
        return true;
    }
    matched = false;
    return false;
}

}  // namespace

SettingsLoadResult LoadSettings(AppSettings& settings, SettingsStore& store) {
    settings.Path.clear();
    if (const auto path = store.ReadValue(Hive::LocalMachine, kSettingsKey, "Path")) {
        if (path->Type != RegType::Sz && path->Type != RegType::ExpandSz) return SettingsLoadResult::InstallPathError;
        settings.Path = path->Text;
    }
    if (!store.KeyExists(Hive::CurrentUser, kSettingsKey)) return SettingsLoadResult::FirstRun;

    // The legacy code page of tag text: 1251 unless 1252 is stored; never a first-run reason, and
    // read whatever the rest of the load finds, so that a first run keeps a stored 1252.
    const auto codePage = store.ReadValue(Hive::CurrentUser, kSettingsKey, "TagCodePage");
    settings.TagCodePage = codePage && codePage->Type == RegType::Dword
                               ? NormalizedCodePage(static_cast<std::int32_t>(codePage->Dword))
                               : 1251;
    // The player's command: like the code page, never a first-run reason; missing or not a text
    // reads as empty (the default player).
    const auto enqueue = store.ReadValue(Hive::CurrentUser, kSettingsKey, "EnqueueCommand");
    settings.EnqueueCommand =
        enqueue && (enqueue->Type == RegType::Sz || enqueue->Type == RegType::ExpandSz) ? enqueue->Text : "";
    if (!ReadSettingsKey(settings, store)) return SettingsLoadResult::FirstRun;
    return SettingsLoadResult::Loaded;
}

std::vector<std::pair<std::string, RegValue>> StoredSettingValues(const AppSettings& s) {
    std::vector<std::pair<std::string, RegValue>> values;
    const auto boolean = [&](const char* name, bool v) { values.emplace_back(name, RegValue::Number(v ? 1 : 0)); };
    const auto integer = [&](const char* name, std::int32_t v) {
        values.emplace_back(name, RegValue::Number(static_cast<std::uint32_t>(v)));
    };
    const auto string = [&](const char* name, const std::string& v) { values.emplace_back(name, RegValue::String(v)); };

    boolean("ReplaceBannedSymbols", s.ReplaceBannedSymbols);
    boolean("AddPrefix", s.AddPrefix);
    integer("AddPrefixHow", s.AddPrefixHow);
    integer("AddPrefixStart", s.AddPrefixStart);
    boolean("AddPrefixArtist", s.AddPrefixArtist);
    boolean("AddPrefixAlbum", s.AddPrefixAlbum);
    string("AddPrefixSeparator", s.AddPrefixSeparator);
    string("StartDir", s.StartDir);
    boolean("UseShellCall", s.UseShellCall);
    boolean("TryChangeAttrs", s.TryChangeAttrs);
    boolean("ResizeTabHeaders", s.ResizeTabHeaders);
    boolean("ShowGrid", s.ShowGrid);
    boolean("NewStyleDialog", s.NewStyleDialog);
    string("ReplaceSymbol", s.ReplaceSymbol);
    integer("TAGReadSequence", s.TAGReadSequence);
    string("ScriptSeparator", s.ScriptSeparator);
    values.emplace_back("ShowItem", RegValue::Binary({s.ShowItem.begin(), s.ShowItem.end()}));
    const auto widths = WidthImage(s.HeaderWidth);
    values.emplace_back("HeaderWidth", RegValue::Binary({widths.begin(), widths.end()}));
    // The stored count is one the load accepts: at least one column, at most 24.
    const int columns = std::clamp(s.ExcColumnsCount, 1, kMaxExportColumns);
    integer("ExcColumnsCount", columns);
    for (int i = 0; i < columns; ++i) {
        const ExportColumn& c = s.ExportColumns[static_cast<std::size_t>(i)];
        values.emplace_back(ColumnValueName(kHeadPrefix, i), RegValue::String(c.Head));
        values.emplace_back(ColumnValueName(kScriptPrefix, i), RegValue::String(c.Script));
        values.emplace_back(ColumnValueName(kGroupPrefix, i), RegValue::Number(c.Group ? 1 : 0));
        values.emplace_back(ColumnValueName(kIsLinkPrefix, i), RegValue::Number(c.IsLink ? 1 : 0));
        values.emplace_back(ColumnValueName(kIsLocalPrefix, i), RegValue::Number(c.IsLocal ? 1 : 0));
        values.emplace_back(ColumnValueName(kNetAddrPrefix, i), RegValue::String(c.NetAddr));
    }
    boolean("IncludeSubDirs", s.IncludeSubDirs);
    integer("TagCodePage", NormalizedCodePage(s.TagCodePage));
    string("EnqueueCommand", s.EnqueueCommand);
    return values;
}

bool SaveSettings(const AppSettings& s, SettingsStore& store) {
    return store.WriteValues(Hive::CurrentUser, kSettingsKey, StoredSettingValues(s));
}

std::string SettingValueText(const RegValue& value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    switch (value.Type) {
        case RegType::Dword: return std::to_string(static_cast<std::int32_t>(value.Dword));
        case RegType::Binary: {
            std::string text = "hex:";
            for (const std::uint8_t byte : value.Bytes) {
                if (text.size() > 4) text += ',';
                text += kDigits[byte >> 4];
                text += kDigits[byte & 0xF];
            }
            return text;
        }
        default: return value.Text;
    }
}

void ApplyFirstRunDefaults(AppSettings& s, const std::array<int, kColumnCount>& columnWidths) {
    for (int i = 0; i < kColumnCount; ++i)
        s.HeaderWidth[static_cast<std::size_t>(i)] = columnWidths[static_cast<std::size_t>(i)];
    for (int i = 0; i < kColumnCount; ++i) s.ShowItem[static_cast<std::size_t>(i)] = i <= 8 ? 1 : 0;

    s.ExportColumns[0] = ExportColumn{"Artist", "%p2%", true, false, true, ""};
    s.ExportColumns[1] = ExportColumn{"Album", "%p1%", true, false, true, ""};
    s.ExportColumns[2] = ExportColumn{"Title", "%p0n[-4]%", false, false, true, ""};
    s.ExcColumnsCount = 3;

    s.AddPrefix = true;
    s.AddPrefixHow = 1;
    s.AddPrefixStart = 1;
    s.AddPrefixSeparator = " - ";
    s.TryChangeAttrs = true;
    s.ResizeTabHeaders = true;
    s.ShowGrid = true;
    s.ReplaceBannedSymbols = true;
    s.ReplaceSymbol = " ";
    s.TAGReadSequence = 2;
    s.IncludeSubDirs = true;
    s.ScriptSeparator = "%";
    // The operating-system version is not consulted here: the new-style folder dialog is the default.
    s.NewStyleDialog = true;
}

const std::array<int, kColumnCount>& DesignedColumnWidths() {
    static constexpr std::array<int, kColumnCount> kWidths = {130, 120, 55, 80, 40, 40, 35, 50, 69, 0, 0,
                                                              0,   0,   0,  0,  0,  0,  0,  0,  0,  0};
    return kWidths;
}

bool SetSettingByName(AppSettings& s, const std::string& name, const std::string& value, std::string& error) {
    for (const auto& f : kBooleanFields) {
        if (!text::EqualsAsciiIgnoreCase(name, f.Name)) continue;
        if (ParseBool(value, s.*f.Field)) return true;
        error = "expected 0, 1, true or false, got " + Quoted(value);
        return false;
    }
    for (const auto& f : kIntegerFields) {
        if (!text::EqualsAsciiIgnoreCase(name, f.Name)) continue;
        if (ParseInt(value, f.Min, f.Max, s.*f.Field)) return true;
        error = "expected an integer from " + std::to_string(f.Min) + " to " + std::to_string(f.Max) + ", got " +
                Quoted(value);
        return false;
    }
    for (const auto& f : kStringFields) {
        if (!text::EqualsAsciiIgnoreCase(name, f.Name)) continue;
        if (f.OneCharacter && text::CodePointCount(value) > 1) {
            error = "expected at most one character, got " + Quoted(value);
            return false;
        }
        // The settings dialog empties a replacement that is itself a banned character.
        if (f.Field == &AppSettings::ReplaceSymbol && value.size() == 1 &&
            BannedChars.find(value) != BannedChars.npos) {
            error = "expected a character allowed in file names, got " + Quoted(value);
            return false;
        }
        s.*f.Field = value;
        return true;
    }
    if (text::EqualsAsciiIgnoreCase(name, "TagCodePage")) {
        std::int32_t codePage = 0;
        if (ParseInt(value, 1251, 1252, codePage)) {
            s.TagCodePage = codePage;
            return true;
        }
        error = "expected 1251 or 1252, got " + Quoted(value);
        return false;
    }
    if (text::EqualsAsciiIgnoreCase(name, "ShowItem")) {
        std::array<std::int32_t, kStoredColumnEntries> items{};
        if (ParseHexImage(value, s.ShowItem)) return true;
        if (!ParseIntList(value, 0, 255, items)) {
            error =
                "expected 22 comma-separated numbers from 0 to 255 or hex: and up to 22 bytes, got " + Quoted(value);
            return false;
        }
        for (std::size_t i = 0; i < items.size(); ++i) s.ShowItem[i] = static_cast<std::uint8_t>(items[i]);
        return true;
    }
    if (text::EqualsAsciiIgnoreCase(name, "HeaderWidth")) {
        auto image = WidthImage(s.HeaderWidth);
        const bool hex = ParseHexImage(value, image);
        const auto widths = WidthsOf(image);
        const bool valid = std::all_of(widths.begin(), widths.end(), [](std::int32_t w) { return w >= -2; });
        if (hex && valid) {
            s.HeaderWidth = widths;
            return true;
        }
        if (hex || !ParseIntList(value, -2, std::numeric_limits<std::int32_t>::max(), s.HeaderWidth)) {
            error =
                "expected 22 comma-separated integers of at least -2 or hex: and up to 88 bytes, got " + Quoted(value);
            return false;
        }
        return true;
    }
    bool matched = false;
    if (SetExportColumnField(s, name, value, error, matched)) return true;
    if (!matched) error = "unknown setting";
    return false;
}

std::vector<std::string> SettingNames() {
    std::vector<std::string> names;
    for (const auto& f : kBooleanFields) names.emplace_back(f.Name);
    for (const auto& f : kIntegerFields) names.emplace_back(f.Name);
    for (const auto& f : kStringFields) names.emplace_back(f.Name);
    // The names SetSettingByName reads on their own.
    names.insert(names.end(), {"TagCodePage", "ShowItem", "HeaderWidth"});
    for (const char* prefix :
         {kHeadPrefix, kScriptPrefix, kGroupPrefix, kIsLinkPrefix, kIsLocalPrefix, kNetAddrPrefix}) {
        for (int i = 0; i < kMaxExportColumns; ++i) names.push_back(prefix + std::to_string(i));
    }
    return names;
}

SettingsLoadResult RunSettingsStartup(AppSettings& settings, SettingsStore& store, const SettingsStartupPorts& ports) {
    const SettingsLoadResult result = LoadSettings(settings, store);
    switch (result) {
        case SettingsLoadResult::InstallPathError:
            if (ports.ShowMessage) ports.ShowMessage(kInstallPathError, kProductName, true);
            if (ports.EndProgram) ports.EndProgram();
            return result;
        case SettingsLoadResult::FirstRun: {
            const auto widths = ports.CurrentColumnWidths ? ports.CurrentColumnWidths() : DesignedColumnWidths();
            ApplyFirstRunDefaults(settings, widths);
            if (ports.SaveWindowPosition) ports.SaveWindowPosition();
            // NewStyleDialog is true (see ApplyFirstRunDefaults), so the old-system notice never shows.
            if (ports.OpenSettingsDialog) ports.OpenSettingsDialog();
            break;
        }
        case SettingsLoadResult::Loaded:
            if (ports.RestoreWindowPosition) ports.RestoreWindowPosition();
            break;
    }
    if (ports.SetGridLines) ports.SetGridLines(settings.ShowGrid);
    return result;
}

}  // namespace tagmora
