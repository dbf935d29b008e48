// The export column list as the export dialog edits it, without widgets: adding and deleting a
// column, the columns PageUp and PageDown move to, the grouping check of "Начать", the new-sheet
// rule and which editors a column shows.
#pragma once

#include <string>
#include <vector>

namespace tagmora {

struct AppSettings;

// Brings ExcColumnsCount into 1..kMaxExportColumns (the dialog always has a column to show): a
// count below 1 becomes 1 (column 0 as it is), one above the array's size becomes that size.
void ClampExportColumnCount(AppSettings& settings);

// "Добавить": a new column right after column `selected` (a `selected` outside the list counts as
// the last column), the columns after it moved down one place. The new column is headed with its
// 1-based position in decimal, has an empty script and address, IsLocal set and the other flags
// clear. With columns A, B, C and 1 selected the list becomes A, B, "3", C. Returns the new
// column's index; with kMaxExportColumns columns nothing changes and `selected` is returned.
int AddExportColumn(AppSettings& settings, int selected);

// "Удалить": removes column `selected`, moving the columns after it up one place, and returns the
// index to select: the last column. With one column (or `selected` outside the list) nothing
// changes and `selected` is returned.
int DeleteExportColumn(AppSettings& settings, int selected);

// PageDown: the column after `selected`, or `selected` itself on the last column.
int NextExportColumn(const AppSettings& settings, int selected);
// PageUp: the column before `selected`, or `selected` itself on the first column.
int PreviousExportColumn(int selected);

// The grouping check: true when the columns with Group set form one unbroken run (columns 0 and 1,
// or one column alone) or there are none; false for gaps such as columns 0 and 2, which the
// dialog asks about before exporting.
bool GroupedColumnsFormOneRun(const AppSettings& settings);

// The new-sheet rule: true unless `sheet` equals one of `listed` exactly (case-sensitive, so
// "music" is new beside "Music").
bool IsNewSheet(const std::string& sheet, const std::vector<std::string>& listed);

// Which editors a column shows: "Локальная ссылка" while "Ссылка на файл" is ticked, "Сетевой
// путь" while "Локальная ссылка" shows and is not ticked.
struct ExportEditorVisibility {
    bool LocalLink = false;
    bool NetAddr = false;
    bool operator==(const ExportEditorVisibility&) const = default;
};
ExportEditorVisibility EditorVisibility(bool isLink, bool isLocal);

}  // namespace tagmora
