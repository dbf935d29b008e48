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
    if (!all && NothingChecked(session)) return NothingCheckedExit(complete);
    FileList& list = session.List;
    ResetFolderCounters(list);
    std::string out;
    bool failed = false;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (!all && !list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        const std::string result = EvaluateScript(script, list, i);
        failed |= result == kScriptError;
        if (session.Json) {
            out += JsonLine().Text("path", list.RowPath(i)).Text("result", result).Line();
        } else {
            out += EscapeField(result);
            out += '\n';
        }
        FlushIfLarge(session.Out, out);
    }
    const int written = FinishOutput(session, out);
    return complete && !failed ? written : 1;
}

int RunCheck(CliSession& session, const std::string& script, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    if (NothingChecked(session)) return NothingCheckedExit(complete);
    const int sample = SampleRow(session.List);
    const std::string preview = CheckScript(script, session.List, sample);
    std::string out = session.Json
                          ? JsonLine().Text("path", session.List.RowPath(sample)).Text("result", preview).Line()
                          : EscapeField(preview) + '\n';
    const int written = FinishOutput(session, out);
    return complete && preview != kScriptError ? written : 1;
}

}  // namespace tagmora::cli
