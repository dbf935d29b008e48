// The export column list without widgets.
#include "export/ExportColumns.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "settings/AppSettings.h"

namespace tagmora {
namespace {

std::size_t At(int index) { return static_cast<std::size_t>(index); }

}  // namespace

void ClampExportColumnCount(AppSettings& settings) {
    settings.ExcColumnsCount = std::clamp(settings.ExcColumnsCount, 1, kMaxExportColumns);
}

int AddExportColumn(AppSettings& settings, int selected) {
    const int count = settings.ExcColumnsCount;
    if (count >= kMaxExportColumns) return selected;
    const int at = selected >= 0 && selected < count ? selected + 1 : std::max(count, 0);
    auto& columns = settings.ExportColumns;
    std::move_backward(columns.begin() + at, columns.begin() + std::max(count, 0), columns.begin() + count + 1);
    columns[At(at)] = ExportColumn{std::to_string(at + 1), "", false, false, true, ""};
    settings.ExcColumnsCount = std::max(count, 0) + 1;
    return at;
}

int DeleteExportColumn(AppSettings& settings, int selected) {
    const int count = settings.ExcColumnsCount;
    if (count <= 1 || count > kMaxExportColumns || selected < 0 || selected >= count) return selected;
    auto& columns = settings.ExportColumns;
    std::move(columns.begin() + selected + 1, columns.begin() + count, columns.begin() + selected);
    columns[At(count - 1)] = ExportColumn{};
    settings.ExcColumnsCount = count - 1;
    return count - 2;
}

int NextExportColumn(const AppSettings& settings, int selected) {
    return selected + 1 < settings.ExcColumnsCount ? selected + 1 : selected;
}

int PreviousExportColumn(int selected) { return selected > 0 ? selected - 1 : selected; }

bool GroupedColumnsFormOneRun(const AppSettings& settings) {
    int grouped = 0;
    int first = -1;
    int last = -1;
    const int count = std::min(settings.ExcColumnsCount, kMaxExportColumns);
    for (int i = 0; i < count; ++i) {
        if (!settings.ExportColumns[At(i)].Group) continue;
        ++grouped;
        if (first < 0) first = i;
        last = i;
    }
    return grouped == 0 || last - first <= grouped - 1;
}

bool IsNewSheet(const std::string& sheet, const std::vector<std::string>& listed) {
    return std::find(listed.begin(), listed.end(), sheet) == listed.end();
}

ExportEditorVisibility EditorVisibility(bool isLink, bool isLocal) { return {isLink, isLink && !isLocal}; }

}  // namespace tagmora
