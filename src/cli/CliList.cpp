// tagmora-cli list: every row with its check state and 21 column texts, as text or JSON lines.
#include <algorithm>
#include <ostream>

#include "cli/CliCommon.h"

namespace tagmora::cli {

int RunList(CliSession& session, const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseCommandArgs(args, {"--json"});
    if (!parsed.Error.empty()) {
        session.Err << "tagmora-cli list: " << parsed.Error << '\n';
        return 2;
    }
    if (parsed.Positional.empty()) {
        session.Err << "tagmora-cli list: no folder given\n";
        return 2;
    }
    const bool json = std::find(parsed.Flags.begin(), parsed.Flags.end(), "--json") != parsed.Flags.end();
    ScanAndRead(session, parsed.Positional);

    std::string out;
    out.reserve(static_cast<std::size_t>(session.List.RowCount()) * 160);
    for (int i = 0; i < session.List.RowCount(); ++i) {
        const FileRow& row = session.List.Rows()[static_cast<std::size_t>(i)];
        if (json) {
            out += "{\"checked\": ";
            out += row.Checked ? "true" : "false";
            out += ", \"path\": ";
            out += JsonString(session.List.RowPath(i));
            out += ", \"columns\": [";
            for (int c = 0; c < kColumnCount; ++c) {
                if (c > 0) out += ", ";
                out += JsonString(row.ColumnText(c));
            }
            out += "]}\n";
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
    return FinishOutput(session.Out, out);
}

}  // namespace tagmora::cli
