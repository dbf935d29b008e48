// tagmora-cli export: the checked rows of scanned folders into a workbook, with the stored export
// columns, as the export dialog's "Начать" would write them.
#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "cli/CliCommon.h"
#include "export/ExportDriver.h"
#include "export/XlsxEngine.h"

namespace tagmora::cli {

namespace {

// The sheet names of an existing workbook, or false with the reason on stderr.
bool ReadSheetNames(CliSession& session, SpreadsheetProvider& spreadsheet, const std::string& book,
                    std::vector<std::string>& names) {
    const std::optional<std::string> progId = GetSpreadsheetProgId(spreadsheet);
    if (!progId) {
        session.Err << "tagmora-cli export: no spreadsheet application\n";
        return false;
    }
    std::unique_ptr<SpreadsheetApplication> application;
    try {
        application = spreadsheet.CreateApplication(*progId);
        Workbook& workbook = application->OpenWorkbook(book);
        for (int i = 1; i <= workbook.WorksheetCount(); ++i) names.push_back(workbook.WorksheetItem(i).Name());
        workbook.Close();
        application->Quit();
        return true;
    } catch (const SpreadsheetError& error) {
        session.Err << "tagmora-cli export: " << EscapeField(book) << ": " << error.what() << '\n';
        if (application) application->Quit();
        return false;
    }
}

}  // namespace

int RunExport(CliSession& session, const ExportCliRequest& request, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    FileList& list = session.List;
    if (list.RowCount() == 0 || !list.AnyRowChecked()) {
        session.Err << "Нет выбранных файлов.\n";
        return 1;
    }
    std::unique_ptr<SpreadsheetProvider> spreadsheet = MakeBuiltInSpreadsheet();

    // As the dialog chooses: a book that does not exist is made ("В новую книгу", sheet "Music"
    // unless named); an existing one is written into the named sheet (its first one unless
    // named), which is added when the book has no sheet of exactly that name.
    ExportTarget target;
    target.BookPath = request.Book;
    struct stat status {};
    target.NewBook = ::lstat(request.Book.c_str(), &status) != 0;
    if (target.NewBook) {
        target.SheetName = request.Sheet.empty() ? kNewBookSheetName : request.Sheet;
    } else {
        std::vector<std::string> names;
        if (!ReadSheetNames(session, *spreadsheet, request.Book, names)) return 1;
        target.SheetName = request.Sheet.empty() && !names.empty() ? names.front() : request.Sheet;
        target.NewSheet = std::find(names.begin(), names.end(), target.SheetName) == names.end();
    }
    if (target.SheetName.empty()) {
        session.Err << "tagmora-cli export: " << EscapeField(request.Book) << ": the workbook has no sheet; name one "
                    << "with --sheet\n";
        return 1;
    }

    int result = kExportNoApplication;
    session.Context.RunCommand([&] { result = ExportToWorkbook(list, session.Settings, target, *spreadsheet); });
    if (result != kExportDone) return 1;  // the driver's box went to stderr
    std::string out;
    AppendEscapedField(out, target.BookPath);
    out += '\t';
    AppendEscapedField(out, target.SheetName);
    out += '\n';
    const int written = FinishOutput(session.Out, out);
    return complete && written == 0 ? 0 : 1;
}

}  // namespace tagmora::cli
