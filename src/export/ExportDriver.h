// The workbook export: the checked rows of the list, one export column per sheet column, into the
// workbook and sheet the export dialog chose, with grouped outlines, hyperlinks and appending.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/ExportDialog.h"
#include "export/Spreadsheet.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"

namespace tagmora {

// The template of new workbooks: "Template.xlsx" in the installation folder.
inline constexpr const char* kTemplateFileName = "Template.xlsx";

// GetSpreadsheetProgId: the program identifier of the spreadsheet application; nothing when none.
std::optional<std::string> GetSpreadsheetProgId(const SpreadsheetProvider& spreadsheet);

// ListWorkbookSheets: the number of worksheets of the workbook at `path`, with their names in
// sheet order in `names`; -1 when there is no spreadsheet application or the workbook cannot be
// opened, with the reason in `reason` (in English, as the command line says it) when one is asked for.
int ListWorkbookSheets(SpreadsheetProvider& spreadsheet, const std::string& path, std::vector<std::string>& names,
                       std::string* reason = nullptr);

// What ExportToWorkbook came to.
enum class ExportResult {
    Done,
    NoApplication,  // nothing happened, nothing was shown
    Failed,         // stopped by a failure, shown in a box; nothing saved
};

// ExportToWorkbook: writes the checked rows of `list` into target.SheetName of target.BookPath
// (made from the template when target.NewBook), reporting through the list's status reporter and
// host. Clears Group of the last export column in `settings`. The list is as before afterwards.
//
// A new workbook is the template `settings.Path + "/" + kTemplateFileName` saved under BookPath;
// when that file is missing the application's new empty workbook takes its place, and a sheet
// without a comment on A1 gets one. A local hyperlink links to the file URL of the row's path
// ("file:///m/a%20b.mp3"). When the application refuses a call (a sheet name, a file it cannot
// open or save), the export stops: the workbook is closed unsaved (a workbook on disk stays as it
// was), the application quits, and ExportFailedText shows in a box (caption "Tagmora", error icon).
ExportResult ExportToWorkbook(FileList& list, AppSettings& settings, const ExportTarget& target,
                              SpreadsheetProvider& spreadsheet);

// The text of the failure box: Экспорт в книгу "/m/list.xlsx" не выполнен: <reason>.
std::string ExportFailedText(const std::string& bookPath, const std::string& reason);

}  // namespace tagmora
