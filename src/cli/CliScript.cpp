// tagmora-cli eval and check: a script evaluated on the rows of scanned folders, and the preview
// of a script on the first checked row.
#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliCommon.h"
#include "script/Script.h"

namespace tagmora::cli {

namespace {

// The script and at least one folder; false with a message on stderr otherwise.
bool ScriptAndFolders(CliSession& session, const char* command, const ParsedArgs& parsed) {
    if (!parsed.Error.empty()) {
        session.Err << "tagmora-cli " << command << ": " << parsed.Error << '\n';
        return false;
    }
    if (parsed.Positional.size() < 2) {
        session.Err << "tagmora-cli " << command << ": usage: " << command
                    << (std::string_view(command) == "eval" ? " [--all]" : "") << " SCRIPT FOLDER...\n";
        return false;
    }
    return true;
}

}  // namespace

int RunEval(CliSession& session, const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseCommandArgs(args, {"--all"});
    if (!ScriptAndFolders(session, "eval", parsed)) return 2;
    const bool all = std::find(parsed.Flags.begin(), parsed.Flags.end(), "--all") != parsed.Flags.end();
    const std::string& script = parsed.Positional.front();
    ScanAndRead(session, std::vector<std::string>(parsed.Positional.begin() + 1, parsed.Positional.end()));

    FileList& list = session.List;
    ResetFolderCounters(list);
    std::string out;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (!all && !list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        out += EscapeField(EvaluateScript(script, list, i));
        out += '\n';
        FlushIfLarge(session.Out, out);
    }
    return FinishOutput(session.Out, out);
}

int RunCheck(CliSession& session, const std::vector<std::string>& args) {
    const ParsedArgs parsed = ParseCommandArgs(args, {});
    if (!ScriptAndFolders(session, "check", parsed)) return 2;
    ScanAndRead(session, std::vector<std::string>(parsed.Positional.begin() + 1, parsed.Positional.end()));

    const int sample = SampleRow(session.List);
    if (sample < 0) {
        session.Err << "Нет выбранных файлов.\n";
        return 1;
    }
    session.Out << EscapeField(CheckScript(parsed.Positional.front(), session.List, sample)) << '\n';
    session.Out.flush();
    return session.Out.good() ? 0 : 1;
}

}  // namespace tagmora::cli
