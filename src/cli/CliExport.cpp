// tagmora-cli export: the checked rows of scanned folders into a workbook, with the stored export
// columns, as the export dialog's "Начать" would write them.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/CliCommands.h"
#include "cli/CliMessages.h"
#include "export/ExportColumns.h"
#include "export/ExportDriver.h"
#include "export/XlsxEngine.h"
#include "platform/FileIo.h"

namespace tagmora::cli {

int RunExport(CliSession& session, const ExportCliRequest& request, const std::vector<std::string>& folders) {
    if (request.Book == "-") {
        session.Say(say::kBookToStandardOutput);
        return 2;
    }
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return NothingCheckedExit(complete);
    std::unique_ptr<SpreadsheetProvider> spreadsheet = MakeBuiltInSpreadsheet();

    // As the dialog chooses: a book that does not exist is made ("В новую книгу"); an existing one
    // is written into the sheet of exactly that name, which is added when the book has none. The
    // sheet is "Music" unless named, in an existing book too: its first sheet may be the user's own.
    ExportTarget target;
    target.BookPath = request.Book;
    target.SheetName = request.Sheet.empty() ? kDefaultSheetName : request.Sheet;
    target.NewBook = !fileio::StatPath(request.Book, false).Exists();
    if (!target.NewBook) {
        std::vector<std::string> names;
        std::string reason;
        if (ListWorkbookSheets(*spreadsheet, request.Book, names, &reason) < 0) {
            session.Say(request.Book, reason);
            return 1;
        }
        target.NewSheet = IsNewSheet(target.SheetName, names);
    }

    ExportResult result = ExportResult::NoApplication;
    session.Context.RunCommand(
        [&] { result = ExportToWorkbook(session.List, session.Settings, target, *spreadsheet); });
    if (result != ExportResult::Done) return 1;  // the driver's box went to stderr
    std::string out;
    if (session.Json) {
        out = JsonLine()
                  .Text("book", target.BookPath)
                  .Text("sheet", target.SheetName)
                  .Number("rows", session.List.CountCheckedRows())
                  .Line();
    } else {
        AppendEscapedField(out, target.BookPath);
        out += '\t';
        AppendEscapedField(out, target.SheetName);
        out += '\n';
    }
    const int written = FinishOutput(session, out);
    return complete && written == 0 ? 0 : 1;
}

AddedCommand AddExportCommand(CLI::App& app, SharedOptions& shared) {
    auto request = std::make_shared<ExportCliRequest>();
    CLI::App* command = app.add_subcommand(
        "export",
        "export the checked rows into a workbook (.xlsx) with the stored export columns; prints BOOK<TAB>SHEET");
    command->footer(
        "The rows go to the sheet \"Music\" unless --sheet names one. A BOOK that does not exist is made; in "
        "an existing BOOK they follow the rows of earlier exports, and a sheet of that exact name is added "
        "when there is none (its other sheets stay as they are). A read-only BOOK is not replaced. The "
        "columns are the export columns of the settings (ExcColumnsCount, ExcColHead_N, ExcColScript_N, ...).\n"
        "\n"
        "Examples:\n  tagmora-cli export --book music.xlsx ~/Music\n"
        "  tagmora-cli export --book music.xlsx --sheet 1999 --where Year = 1999 ~/Music");
    command->add_option("--book", request->Book, "the workbook file")->type_name("FILE")->required();
    command->add_option("--sheet", request->Sheet, "the sheet")->type_name("NAME");
    command->add_flag("--json", shared.Json, "a JSON object: {\"book\", \"sheet\", \"rows\"}");
    AddFolders(*command, shared.Folders);
    AddMarkingOptions(*command, shared.Marking);
    return {command, [request, &shared](CliSession& session) { return RunExport(session, *request, shared.Folders); }};
}

}  // namespace tagmora::cli
