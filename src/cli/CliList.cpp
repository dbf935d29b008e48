// tagmora-cli list: every row with its check state and 21 column texts, as text or JSON lines.
#include <algorithm>
#include <array>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/CliCommands.h"

namespace tagmora::cli {

int RunList(CliSession& session, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);

    std::string out;
    out.reserve(
        std::min<std::size_t>(static_cast<std::size_t>(session.List.RowCount()) * 160, kOutputPieceSize + 4096));
    for (int i = 0; i < session.List.RowCount(); ++i) {
        const FileRow& row = session.List.Rows()[static_cast<std::size_t>(i)];
        if (session.Json) {
            std::vector<std::string> columns;
            for (int c = 0; c < kColumnCount; ++c) columns.emplace_back(row.ColumnText(c));
            out += JsonLine()
                       .Bool("checked", row.Checked)
                       .Text("path", session.List.RowPath(i))
                       .Texts("columns", columns)
                       .Raw("fields", RowFieldsJson(row))
                       .Line();
        } else {
            // The line is written in place, in room for its longest escaping.
            std::array<std::string_view, kColumnCount> texts;
            std::size_t bytes = 0;
            for (int c = 0; c < kColumnCount; ++c)
                bytes += (texts[static_cast<std::size_t>(c)] = row.ColumnText(c)).size();
            const std::size_t at = out.size();
            out.resize(at + kMaxEscapedPerByte * bytes + kColumnCount + 2);
            char* end = out.data() + at;
            *end++ = row.Checked ? '1' : '0';
            for (const std::string_view text : texts) {
                *end++ = '\t';
                end = EscapeFieldTo(end, text);
            }
            *end++ = '\n';
            out.resize(static_cast<std::size_t>(end - out.data()));
        }
        FlushIfLarge(session, out);
    }
    const int written = FinishOutput(session, out);
    return complete ? written : 1;
}

AddedCommand AddListCommand(CLI::App& app, SharedOptions& shared) {
    CLI::App* list = app.add_subcommand("list", "one line per row: check state (1 or 0) and the 21 column texts");
    list->footer("Examples:\n  tagmora-cli list ~/Music\n  tagmora-cli list --json --mark empty ~/Music");
    list->add_flag("--json", shared.Json,
                   "one JSON object per row: {\"checked\", \"path\", \"columns\", \"fields\"}, the fields by name "
                   "with raw values (\"size\" a number, \"has_tag\")");
    AddFolders(*list, shared.Folders);
    AddMarkingOptions(*list, shared.Marking);
    return {list, [&shared](CliSession& session) { return RunList(session, shared.Folders); }};
}

}  // namespace tagmora::cli
