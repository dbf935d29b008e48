// The export dialog as the export command sees it: the workbook and sheet chosen (ExportTarget),
// what the command hands the dialog, and how it ended.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tagmora {

struct AppSettings;
class FileList;

// The target of the export. It keeps its values from one export to the next during a run.
struct ExportTarget {
    std::string BookPath;   // the workbook file chosen in the dialog
    bool NewBook = false;   // "В новую книгу": the workbook is made; else it exists
    std::string SheetName;  // the sheet to write into
    bool NewSheet = false;  // SheetName is not one of the workbook's sheets: it is added
};

// ListWorkbookSheets as the dialog calls it: the number of worksheets of the workbook at `path`
// with their names in sheet order, or -1 when there is no spreadsheet application or the workbook
// cannot be opened.
using SheetLister = std::function<int(const std::string& path, std::vector<std::string>& names)>;

enum class ExportDialogResult {
    Cancelled,  // "Отмена", Esc or the window closed: nothing is saved, nothing exported
    Start,      // "Начать": save the settings, then export
    Declined,   // "Начать", then No to the grouping question: save the settings, export nothing
};

struct ExportDialogRequest {
    // The export columns (ExportColumns, ExcColumnsCount), edited in place: edits made before
    // "Отмена" stay in memory.
    AppSettings& Settings;
    // Filled by the dialog's workbook choice and "Начать".
    ExportTarget& Target;
    const FileList& List;
    int SampleRow = -1;              // the first checked row: the previews are evaluated on it
    SheetLister ListSheets;          // used by "Выбрать книгу"
    std::function<void()> OpenHelp;  // F1
};

// The dialog port.
class ExportDialogPort {
public:
    virtual ~ExportDialogPort() = default;
    virtual ExportDialogResult AskExport(const ExportDialogRequest& request) = 0;
};

}  // namespace tagmora
