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
// opened.
int ListWorkbookSheets(SpreadsheetProvider& spreadsheet, const std::string& path, std::vector<std::string>& names);

// What ExportToWorkbook came to.
inline constexpr int kExportDone = 0;
inline constexpr int kExportNoApplication = -1;  // nothing happened, nothing was shown
inline constexpr int kExportFailed = -2;         // stopped by a failure, shown in a box; nothing saved

// ExportToWorkbook: writes the checked rows of `list` into target.SheetName of target.BookPath
// (made from the template when target.NewBook), reporting through the list's status reporter and
// host. Clears Group of the last export column in `settings`. The list is as before afterwards.
int ExportToWorkbook(FileList& list, AppSettings& settings, const ExportTarget& target,
                     SpreadsheetProvider& spreadsheet);

}  // namespace tagmora
