// tagmora-cli eval and check: a script evaluated on the rows of scanned folders, and the preview
// of a script on the first checked row; a result "Error" makes the exit code 1, so that a shell
// can check a script.
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "script/Script.h"

namespace tagmora::cli {

int RunEval(CliSession& session, const std::string& script, bool all, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    FileList& list = session.List;
    ResetFolderCounters(list);
    std::string out;
    bool failed = false;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (!all && !list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        const std::string result = EvaluateScript(script, list, i);
        failed |= result == kScriptError;
        out += EscapeField(result);
        out += '\n';
        FlushIfLarge(session.Out, out);
    }
    const int written = FinishOutput(session.Out, out);
    return complete && !failed ? written : 1;
}

int RunCheck(CliSession& session, const std::string& script, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return 1;
    const std::string preview = CheckScript(script, session.List, SampleRow(session.List));
    std::string out = EscapeField(preview) + '\n';
    const int written = FinishOutput(session.Out, out);
    return complete && preview != kScriptError ? written : 1;
}

}  // namespace tagmora::cli
