// AppSettings made from the settings table: the load with its first-run rules, the save, the
// first-run defaults and setting single fields by their value names; and the start-up sequence.
#include "settings/AppSettings.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

#include "common/FileHelpers.h"
#include "common/Text.h"
#include "settings/SettingsTable.h"

namespace tagmora {

namespace {

constexpr int kHeaderWidthBytes = kStoredColumnEntries * 4;
constexpr const char* kInstallPathError = "Ошибка при чтении данных из реестра. Необходимо переустановить программу.";
constexpr const char* kExpectedBoolean = "expected 0, 1, true or false, got ";

std::string ColumnValueName(const char* prefix, int index) { return prefix + std::to_string(index); }

bool IsText(const RegValue& value) { return value.Type == RegType::Sz || value.Type == RegType::ExpandSz; }

// A number within the row's limits, otherwise its Min (the code page's rule).
std::int32_t WithinOrMin(const SettingRow& row, std::int32_t value) {
    return value >= row.Min && value <= row.Max ? value : static_cast<std::int32_t>(row.Min);
}

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

// ---- Load -----------------------------------------------------------------------------------

bool ReadExportColumn(SettingsReader& in, int index, ExportColumn& column) {
    for (const ExportColumnField& field : kExportColumnFields) {
        const std::string name = ColumnValueName(field.Prefix, index);
        if (!(field.Text != nullptr ? in.String(name, column.*field.Text) : in.Boolean(name, column.*field.Flag))) {
            return false;
        }
    }
    return true;
}

// The columns after their count: the export always has a column, so none stored is one, as it is
// in memory (none read); more than there are stops the load once the last one is read.
bool ReadExportColumns(SettingsReader& in, std::int32_t& count, std::array<ExportColumn, kMaxExportColumns>& columns) {
    if (count < 1) {
        count = 1;
        return true;
    }
    for (int i = 0; i < count; ++i) {
        if (i >= kMaxExportColumns) return false;
        if (!ReadExportColumn(in, i, columns[static_cast<std::size_t>(i)])) return false;
    }
    return true;
}

// Reads one row of the settings key by the rules of its kind; false means FirstRun.
bool ReadSetting(SettingsReader& in, const SettingRow& row, AppSettings& s) {
    const SettingMember& m = row.Member;
    switch (row.Kind) {
        case SettingKind::Boolean: return in.Boolean(row.Name, s.*m.Flag);
        case SettingKind::Integer: return in.Integer(row.Name, s.*m.Number);
        case SettingKind::ColumnCount:
            return in.Integer(row.Name, s.*m.Number) && ReadExportColumns(in, s.*m.Number, s.ExportColumns);
        case SettingKind::Text:
        case SettingKind::Replacement: return in.String(row.Name, s.*m.Text);
        case SettingKind::CodePage: {
            std::int32_t codePage = 0;
            if (!in.Integer(row.Name, codePage)) return false;
            s.*m.Number = WithinOrMin(row, codePage);
            return true;
        }
        case SettingKind::ColumnBytes: return in.Bytes(row.Name, s.*m.Bytes);
        case SettingKind::ColumnWidths: {
            auto image = WidthImage(s.*m.Widths);
            const bool read = in.Bytes(row.Name, image);
            s.*m.Widths = WidthsOf(image);
            return read;
        }
    }
    return false;
}

// What a Tolerant value reads as when it is missing or of another type.
void ReadAsEmpty(const SettingRow& row, AppSettings& s) {
    if (row.Member.Flag != nullptr) s.*row.Member.Flag = false;
    if (row.Member.Number != nullptr) s.*row.Member.Number = static_cast<std::int32_t>(row.Min);
    if (row.Member.Text != nullptr) (s.*row.Member.Text).clear();
}

// The rows of the settings key in the order the load reads them.
const std::vector<const SettingRow*>& RowsInReadOrder() {
    static const std::vector<const SettingRow*> rows = [] {
        std::vector<const SettingRow*> inOrder;
        for (const SettingRow& row : kSettingRows) {
            if (row.Read != SettingRead::Installation) inOrder.push_back(&row);
        }
        std::sort(inOrder.begin(), inOrder.end(),
                  [](const SettingRow* a, const SettingRow* b) { return a->ReadAt < b->ReadAt; });
        return inOrder;
    }();
    return rows;
}

// ---- Save -----------------------------------------------------------------------------------

using StoredValues = std::vector<std::pair<std::string, RegValue>>;

void AppendNumber(StoredValues& values, std::string name, std::int32_t value) {
    values.emplace_back(std::move(name), RegValue::Number(static_cast<std::uint32_t>(value)));
}

// The count, within the limits the load accepts (at least one column, at most 24), then as many columns.
void AppendExportColumns(StoredValues& values, const SettingRow& row, const AppSettings& s) {
    const auto columns = static_cast<int>(std::clamp<std::int64_t>(s.*row.Member.Number, row.Min, row.Max));
    AppendNumber(values, row.Name, columns);
    for (int i = 0; i < columns; ++i) {
        const ExportColumn& column = s.ExportColumns[static_cast<std::size_t>(i)];
        for (const ExportColumnField& field : kExportColumnFields) {
            std::string name = ColumnValueName(field.Prefix, i);
            if (field.Text != nullptr) {
                values.emplace_back(std::move(name), RegValue::String(column.*field.Text));
            } else {
                AppendNumber(values, std::move(name), column.*field.Flag ? 1 : 0);
            }
        }
    }
}

// ---- Setting by name ------------------------------------------------------------------------

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

// Sets one row's field from text by the rules of its kind; nothing changes when it fails.
bool SetSetting(AppSettings& s, const SettingRow& row, const std::string& value, std::string& error) {
    const SettingMember& m = row.Member;
    const std::string min = std::to_string(row.Min);
    const std::string max = std::to_string(row.Max);
    switch (row.Kind) {
        case SettingKind::Boolean:
            if (ParseBool(value, s.*m.Flag)) return true;
            error = kExpectedBoolean + Quoted(value);
            return false;
        case SettingKind::Integer:
        case SettingKind::ColumnCount:
            if (ParseInt(value, row.Min, row.Max, s.*m.Number)) return true;
            error = "expected an integer from " + min + " to " + max + ", got " + Quoted(value);
            return false;
        case SettingKind::CodePage:
            if (ParseInt(value, row.Min, row.Max, s.*m.Number)) return true;
            error = "expected " + min + " or " + max + ", got " + Quoted(value);
            return false;
        case SettingKind::Text:
        case SettingKind::Replacement:
            if (row.Max > 0 && static_cast<std::int64_t>(text::CodePointCount(value)) > row.Max) {
                error = "expected at most " + (row.Max == 1 ? std::string("one character") : max + " characters") +
                        ", got " + Quoted(value);
                return false;
            }
            // The settings dialog empties a replacement that is itself a banned character.
            if (row.Kind == SettingKind::Replacement && value.size() == 1 &&
                BannedChars.find(value) != BannedChars.npos) {
                error = "expected a character allowed in file names, got " + Quoted(value);
                return false;
            }
            s.*m.Text = value;
            return true;
        case SettingKind::ColumnBytes: {
            std::array<std::int32_t, kStoredColumnEntries> items{};
            if (ParseHexImage(value, s.*m.Bytes)) return true;
            if (!ParseIntList(value, row.Min, row.Max, items)) {
                const std::string entries = std::to_string(kStoredColumnEntries);
                error = "expected " + entries + " comma-separated numbers from " + min + " to " + max +
                        " or hex: and up to " + entries + " bytes, got " + Quoted(value);
                return false;
            }
            for (std::size_t i = 0; i < items.size(); ++i) (s.*m.Bytes)[i] = static_cast<std::uint8_t>(items[i]);
            return true;
        }
        case SettingKind::ColumnWidths: {
            auto image = WidthImage(s.*m.Widths);
            const bool hex = ParseHexImage(value, image);
            const auto widths = WidthsOf(image);
            const bool valid =
                std::all_of(widths.begin(), widths.end(), [&](std::int32_t w) { return w >= row.Min && w <= row.Max; });
            if (hex && valid) {
                s.*m.Widths = widths;
                return true;
            }
            if (hex || !ParseIntList(value, row.Min, row.Max, s.*m.Widths)) {
                error = "expected " + std::to_string(kStoredColumnEntries) + " comma-separated integers of at least " +
                        min + " or hex: and up to " + std::to_string(kHeaderWidthBytes) + " bytes, got " +
                        Quoted(value);
                return false;
            }
            return true;
        }
    }
    return false;
}

// The order of SettingNames, as the shell completions list them: flags, numbers, texts, the code
// page, the column arrays; each group in the table's order.
int NameGroup(SettingKind kind) {
    switch (kind) {
        case SettingKind::Boolean: return 0;
        case SettingKind::Integer:
        case SettingKind::ColumnCount: return 1;
        case SettingKind::Text:
        case SettingKind::Replacement: return 2;
        case SettingKind::CodePage: return 3;
        case SettingKind::ColumnBytes: return 4;
        case SettingKind::ColumnWidths: return 5;
    }
    return 6;
}

}  // namespace

SettingsLoadResult LoadSettings(AppSettings& settings, SettingsStore& store) {
    for (const SettingRow& row : kSettingRows) {
        if (row.Read != SettingRead::Installation) continue;
        std::string& field = settings.*row.Member.Text;
        field.clear();
        if (const auto value = store.ReadValue(Hive::LocalMachine, kSettingsKey, row.Name)) {
            if (!IsText(*value)) return SettingsLoadResult::InstallPathError;
            field = value->Text;
        }
    }
    if (!store.KeyExists(Hive::CurrentUser, kSettingsKey)) return SettingsLoadResult::FirstRun;
    SettingsReader in(store);
    for (const SettingRow* row : RowsInReadOrder()) {
        if (ReadSetting(in, *row, settings)) continue;
        if (row->Read != SettingRead::Tolerant) return SettingsLoadResult::FirstRun;
        ReadAsEmpty(*row, settings);
    }
    return SettingsLoadResult::Loaded;
}

std::vector<std::pair<std::string, RegValue>> StoredSettingValues(const AppSettings& s) {
    StoredValues values;
    for (const SettingRow& row : kSettingRows) {
        const SettingMember& m = row.Member;
        if (row.Read == SettingRead::Installation) continue;
        switch (row.Kind) {
            case SettingKind::Boolean: AppendNumber(values, row.Name, s.*m.Flag ? 1 : 0); break;
            case SettingKind::Integer: AppendNumber(values, row.Name, s.*m.Number); break;
            case SettingKind::ColumnCount: AppendExportColumns(values, row, s); break;
            case SettingKind::Text:
            case SettingKind::Replacement: values.emplace_back(row.Name, RegValue::String(s.*m.Text)); break;
            case SettingKind::CodePage: AppendNumber(values, row.Name, WithinOrMin(row, s.*m.Number)); break;
            case SettingKind::ColumnBytes:
                values.emplace_back(row.Name, RegValue::Binary({(s.*m.Bytes).begin(), (s.*m.Bytes).end()}));
                break;
            case SettingKind::ColumnWidths: {
                const auto image = WidthImage(s.*m.Widths);
                values.emplace_back(row.Name, RegValue::Binary({image.begin(), image.end()}));
                break;
            }
        }
    }
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
    for (const SettingRow& row : kSettingRows) {
        std::string error;
        if (row.FirstRun != nullptr) {
            SetSetting(s, row, row.FirstRun, error);
        } else if (row.Kind == SettingKind::ColumnWidths) {
            for (int i = 0; i < kColumnCount; ++i)
                (s.*row.Member.Widths)[static_cast<std::size_t>(i)] = columnWidths[static_cast<std::size_t>(i)];
        } else if (row.Kind == SettingKind::ColumnCount) {
            s.ExportColumns[0] = ExportColumn{"Artist", "%p2%", true, false, true, ""};
            s.ExportColumns[1] = ExportColumn{"Album", "%p1%", true, false, true, ""};
            s.ExportColumns[2] = ExportColumn{"Title", "%p0n[-4]%", false, false, true, ""};
            s.*row.Member.Number = 3;
        }
    }
}

const std::array<int, kColumnCount>& DesignedColumnWidths() {
    static constexpr std::array<int, kColumnCount> kWidths = {130, 120, 55, 80, 40, 40, 35, 50, 69, 0, 0,
                                                              0,   0,   0,  0,  0,  0,  0,  0,  0,  0};
    return kWidths;
}

bool SetSettingByName(AppSettings& s, const std::string& name, const std::string& value, std::string& error) {
    for (const SettingRow& row : kSettingRows) {
        if (text::EqualsAsciiIgnoreCase(name, row.Name)) return SetSetting(s, row, value, error);
    }
    for (const ExportColumnField& field : kExportColumnFields) {
        int index = 0;
        if (!ColumnIndexOf(name, field.Prefix, index)) continue;
        ExportColumn& column = s.ExportColumns[static_cast<std::size_t>(index)];
        if (field.Text != nullptr) {
            column.*field.Text = value;
            return true;
        }
        if (ParseBool(value, column.*field.Flag)) return true;
        error = kExpectedBoolean + Quoted(value);
        return false;
    }
    error = "unknown setting";
    return false;
}

std::vector<std::string> SettingNames() {
    std::vector<const SettingRow*> rows;
    for (const SettingRow& row : kSettingRows) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const SettingRow* a, const SettingRow* b) { return NameGroup(a->Kind) < NameGroup(b->Kind); });
    std::vector<std::string> names;
    for (const SettingRow* row : rows) names.emplace_back(row->Name);
    for (const ExportColumnField& field : kExportColumnFields) {
        for (int i = 0; i < kMaxExportColumns; ++i) names.push_back(ColumnValueName(field.Prefix, i));
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
