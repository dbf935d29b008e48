// tagmora-cli eval and check: a script evaluated on the rows of scanned folders, and the preview
// of a script on the first checked row.
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "script/Script.h"

namespace tagmora::cli {

int RunEval(CliSession& session, const std::string& script, bool all, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    if (!all && NothingChecked(session)) return 1;
    FileList& list = session.List;
    ResetFolderCounters(list);
    std::string out;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (!all && !list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        out += EscapeField(EvaluateScript(script, list, i));
        out += '\n';
        FlushIfLarge(session.Out, out);
    }
    const int written = FinishOutput(session.Out, out);
    return complete ? written : 1;
}

int RunCheck(CliSession& session, const std::string& script, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return 1;
    const int sample = SampleRow(session.List);
    session.Out << EscapeField(CheckScript(script, session.List, sample)) << '\n';
    session.Out.flush();
    return complete && session.Out.good() ? 0 : 1;
}

}  // namespace tagmora::cli
