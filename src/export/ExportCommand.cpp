// The export command: the export dialog on the checked rows, then the workbook export.
#include "export/ExportCommand.h"

#include "common/Messages.h"
#include "export/ExportDriver.h"
#include "script/Script.h"

namespace tagmora {

void ExportMnuClick(FileList& list, AppSettings& settings, SettingsStore& store, ExportDialogPort& dialog,
                    SpreadsheetProvider& spreadsheet, ExportTarget& target, const std::function<void()>& openHelp) {
    list.Status().ShowStatus(kStatusWait);
    if (!list.AnyRowChecked()) {
        ShowNoCheckedFiles(list.HostPort());
        return;
    }
    const ExportDialogRequest request{
        .Settings = settings,
        .Target = target,
        .List = list,
        .SampleRow = SampleRow(list),
        .ListSheets = [&spreadsheet](
                          const std::string& path,
                          std::vector<std::string>& names) { return ListWorkbookSheets(spreadsheet, path, names); },
        .OpenHelp = openHelp,
    };
    const ExportDialogResult result = dialog.AskExport(request);
    if (result == ExportDialogResult::Cancelled) return;
    if (!SaveSettings(settings, store)) {
        list.HostPort().ShowMessage(kSettingsNotSaved, kProductName, MessageIcon::Error, MessageButtons::Ok);
    }
    if (result == ExportDialogResult::Start) ExportToWorkbook(list, settings, target, spreadsheet);
}

}  // namespace tagmora
