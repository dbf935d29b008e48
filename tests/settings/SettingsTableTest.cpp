// Tests of the settings table: every row is one the load, the save and SetSettingByName can use.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "common/Text.h"
#include "settings/SettingsTable.h"

namespace tagmora {
namespace {

std::string Folded(std::string name) {
    for (char& c : name) c = text::AsciiLower(c);
    return name;
}

bool SameMember(const SettingMember& a, const SettingMember& b) {
    return (a.Flag != nullptr && a.Flag == b.Flag) || (a.Number != nullptr && a.Number == b.Number) ||
           (a.Text != nullptr && a.Text == b.Text) || (a.Bytes != nullptr && a.Bytes == b.Bytes) ||
           (a.Widths != nullptr && a.Widths == b.Widths);
}

std::optional<RegValue> StoredValue(const AppSettings& s, const std::string& name) {
    for (const auto& [n, v] : StoredSettingValues(s)) {
        if (n == name) return v;
    }
    return std::nullopt;
}

// Per row: a unique name and member, the member its kind works on, sane limits, a place in the
// load, a first-run default that SetSettingByName takes, and a stored value that `settings show`
// prints in a form `settings set` takes back unchanged.
TEST(SettingsTable, EveryRowIsConsistent) {
    std::set<std::string> names;
    std::set<int> readAt;
    int lastTolerant = -1, firstByKind = 1000;
    AppSettings defaults;
    ApplyFirstRunDefaults(defaults, DesignedColumnWidths());
    for (const SettingRow& row : kSettingRows) {
        SCOPED_TRACE(row.Name);
        EXPECT_TRUE(names.insert(Folded(row.Name)).second);
        for (const ExportColumnField& field : kExportColumnFields) {
            EXPECT_FALSE(Folded(row.Name).starts_with(Folded(field.Prefix)));
        }
        for (const SettingRow& other : kSettingRows) EXPECT_EQ(SameMember(row.Member, other.Member), &row == &other);

        const SettingMember& m = row.Member;
        const SettingKind k = row.Kind;
        EXPECT_EQ(m.Flag != nullptr, k == SettingKind::Boolean);
        EXPECT_EQ(m.Number != nullptr,
                  k == SettingKind::Integer || k == SettingKind::ColumnCount || k == SettingKind::CodePage);
        EXPECT_EQ(m.Text != nullptr, k == SettingKind::Text || k == SettingKind::Replacement);
        EXPECT_EQ(m.Bytes != nullptr, k == SettingKind::ColumnBytes);
        EXPECT_EQ(m.Widths != nullptr, k == SettingKind::ColumnWidths);
        EXPECT_LE(row.Min, row.Max);
        if (k == SettingKind::ColumnCount) {
            EXPECT_LE(row.Max, kMaxExportColumns);
        }

        EXPECT_EQ(row.ReadAt < 0, row.Read == SettingRead::Installation);
        if (row.Read == SettingRead::Installation) {
            EXPECT_EQ(k, SettingKind::Text);
            EXPECT_FALSE(StoredValue(defaults, row.Name));  // never written
            continue;
        }
        EXPECT_TRUE(readAt.insert(row.ReadAt).second);
        if (row.Read == SettingRead::Tolerant) lastTolerant = std::max(lastTolerant, row.ReadAt);
        if (row.Read == SettingRead::ByKind) firstByKind = std::min(firstByKind, row.ReadAt);

        AppSettings set;
        std::string error;
        if (row.FirstRun != nullptr) {
            EXPECT_TRUE(SetSettingByName(set, row.Name, row.FirstRun, error)) << error;
        }
        const auto shown = StoredValue(defaults, row.Name);
        ASSERT_TRUE(shown);
        EXPECT_TRUE(SetSettingByName(set, row.Name, SettingValueText(*shown), error)) << error;
        EXPECT_EQ(StoredValue(set, row.Name), shown);
    }
    // The load reads every value of the settings key once, those that never stop it first.
    ASSERT_FALSE(readAt.empty());
    EXPECT_EQ(*readAt.begin(), 0);
    EXPECT_EQ(*readAt.rbegin(), static_cast<int>(readAt.size()) - 1);
    EXPECT_LT(lastTolerant, firstByKind);
}

}  // namespace
}  // namespace tagmora
