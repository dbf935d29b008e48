// tagmora-cli list: every row with its check state and 21 column texts, as text or JSON lines.
#include <algorithm>
#include <ostream>

#include "cli/CliCommon.h"

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
            for (int c = 0; c < kColumnCount; ++c) columns.push_back(row.ColumnText(c));
            out += JsonLine()
                       .Bool("checked", row.Checked)
                       .Text("path", session.List.RowPath(i))
                       .Texts("columns", columns)
                       .Raw("fields", RowFieldsJson(row))
                       .Line();
        } else {
            out += row.Checked ? '1' : '0';
            for (int c = 0; c < kColumnCount; ++c) {
                out += '\t';
                AppendEscapedField(out, row.ColumnText(c));
            }
            out += '\n';
        }
        FlushIfLarge(session.Out, out);
    }
    const int written = FinishOutput(session, out);
    return complete ? written : 1;
}

}  // namespace tagmora::cli
