// The export command (ExportMnu, F9): the export dialog, then the workbook export.
#pragma once

#include <functional>

#include "export/ExportDialog.h"
#include "export/Spreadsheet.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

namespace tagmora {

// " Подождите..."; "Нет выбранных файлов." when no row is checked; otherwise the export dialog on
// the first checked row, and after "Начать" SaveSettings and ExportToWorkbook (after a declined
// "Начать" SaveSettings only). `target` keeps the dialog's choice from one export to the next;
// `openHelp` is F1 of the dialog. The dialog lists sheets through ListWorkbookSheets on
// `spreadsheet`.
void ExportMnuClick(FileList& list, AppSettings& settings, SettingsStore& store, ExportDialogPort& dialog,
                    SpreadsheetProvider& spreadsheet, ExportTarget& target, const std::function<void()>& openHelp);

}  // namespace tagmora
