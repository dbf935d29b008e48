// tagmora-cli eval and check: a script evaluated on the rows of scanned folders, and the preview
// of a script on the first checked row; a result "Error" makes the exit code 1, so that a shell
// can check a script.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/CliCommands.h"
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
        FlushIfLarge(session, out);
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

AddedCommand AddEvalCommand(CLI::App& app, SharedOptions& shared) {
    struct Options {
        std::string Script;
        bool All = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* eval = app.add_subcommand("eval", "the script's result for every checked row, one per line");
    eval->footer(
        "Examples:\n  tagmora-cli eval '%p2% - %p1% - %p0n[-4]%' ~/Music\n"
        "  tagmora-cli eval --where Artist '~' beat '%t3% - %t1%' ~/Music");
    eval->add_flag("--all", options->All, "every row, checked or not");
    eval->add_flag("--json", shared.Json, "one JSON object per row: {\"path\", \"result\"}");
    eval->add_option("script", options->Script, "the script, e.g. '%p1% - %t1%'")->type_name("SCRIPT")->required();
    AddFolders(*eval, shared.Folders);
    AddMarkingOptions(*eval, shared.Marking);
    return {eval, [options, &shared](CliSession& session) {
                return RunEval(session, options->Script, options->All, shared.Folders);
            }};
}

AddedCommand AddCheckCommand(CLI::App& app, SharedOptions& shared) {
    auto script = std::make_shared<std::string>();
    CLI::App* check = app.add_subcommand("check", "the script's preview on the first checked row");
    check->footer("Example:\n  tagmora-cli check '%nn% %t1%' ~/Music/Album");
    check->add_flag("--json", shared.Json, "a JSON object: {\"path\", \"result\"}");
    check->add_option("script", *script, "the script")->type_name("SCRIPT")->required();
    AddFolders(*check, shared.Folders);
    AddMarkingOptions(*check, shared.Marking);
    return {check, [script, &shared](CliSession& session) { return RunCheck(session, *script, shared.Folders); }};
}

}  // namespace tagmora::cli
