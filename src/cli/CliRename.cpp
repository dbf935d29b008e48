// tagmora-cli rename: preset or script renaming of the checked rows of scanned folders, or with
// --dry-run the plan of it, old and new path per file, with the failures the run would meet.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/CliCommands.h"
#include "cli/CliMessages.h"
#include "rename/PresetRename.h"
#include "rename/SafeRename.h"
#include "rename/ScriptRename.h"
#include "script/Script.h"

namespace tagmora::cli {

namespace {

// OLD<TAB>NEW (or {"from", "to"}) on stdout for a file renamed or planned; for a failure
// "tagmora-cli rename: OLD: reason" on stderr (and {"from", "error"} on stdout), then one summary
// line. The number of failures.
int Report(CliSession& session, const std::vector<RenamePlanItem>& plan, const std::vector<int>& errors, bool dryRun) {
    std::string out;
    int failed = 0;
    for (std::size_t i = 0; i < errors.size(); ++i) {
        const RenamePlanItem& item = plan[i];
        if (errors[i] != 0) {
            ++failed;
            session.Say(item.OldPath, RenameErrorText(errors[i]));
        }
        if (session.Json) {
            JsonLine line;
            line.Text("from", item.OldPath);
            if (errors[i] == 0) line.Text("to", item.NewPath);
            else line.Text("error", RenameErrorText(errors[i]));
            out += line.Line();
        } else if (errors[i] == 0) {
            AppendEscapedField(out, item.OldPath);
            out += '\t';
            AppendEscapedField(out, item.NewPath);
            out += '\n';
        }
    }
    if (failed > 0) {
        session.Say(
            BatchSummary(failed, static_cast<int>(errors.size()), dryRun ? say::kWouldNotBeRenamed : say::kNotRenamed));
    }
    session.Out << out;
    session.Out.flush();
    return failed;
}

}  // namespace

int RunRename(CliSession& session, const RenameRequest& request, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    FileList& list = session.List;
    if (NothingChecked(session)) return NothingCheckedExit(complete);
    if (!request.Preset) {
        if (!session.Settings.IncludeSubDirs) {
            session.Say(say::kOnlyWithSubDirs);
            return 2;
        }
        if (CheckScript(request.Script, list, SampleRow(list)) == kScriptError) {
            session.Say(say::kScriptGivesError);
            return 1;
        }
    }

    int failed = 0;
    if (request.DryRun) {
        // The plan as the run would carry it out: what it would refuse or meet taken is a failure.
        const std::vector<RenamePlanItem> plan =
            request.Preset ? PlanPresetRename(list) : PlanScriptRename(list, request.Script);
        failed = Report(session, plan, SimulateRenames(plan), true);
    } else {
        RenameRunResult result;
        session.Context.RunCommand([&] {
            result =
                request.Preset ? RunPresetRename(list, session.Context.Undo()) : RunScriptRename(list, request.Script);
        });
        failed = Report(session, result.Plan, result.Errors, false);
    }
    return complete && failed == 0 && session.Out.good() ? 0 : 1;
}

AddedCommand AddRenameCommand(CLI::App& app, SharedOptions& shared) {
    auto request = std::make_shared<RenameRequest>();
    CLI::App* rename = app.add_subcommand(
        "rename", "rename the checked files by the preset pattern or by a script; prints OLD<TAB>NEW per file");
    rename->footer(
        "Examples:\n  tagmora-cli rename --preset --dry-run ~/Music/Album\n"
        "  tagmora-cli rename --script '%t3%/%t2%/%nn% - %t1%' ~/Music");
    CLI::Option_group* how = rename->add_option_group("pattern", "one of");
    how->add_flag("--preset", request->Preset, "the preset pattern of the settings (number, artist, album, title)");
    how->add_option("--script", request->Script,
                    "a script; \"/\" or \"\\\" in its result moves the file into subfolders of its folder, "
                    "which are created (needs IncludeSubDirs=1). Write --script=SCRIPT for one that starts "
                    "with \"-\"")
        ->type_name("SCRIPT");
    how->require_option(1);
    rename->add_flag("--dry-run", request->DryRun,
                     "print the plan and touch nothing; names the run would fail on are failures");
    rename->add_flag("--json", shared.Json, "one JSON object per file: {\"from\", \"to\"} or {\"from\", \"error\"}");
    AddFolders(*rename, shared.Folders);
    AddMarkingOptions(*rename, shared.Marking);
    return {rename, [request, &shared](CliSession& session) { return RunRename(session, *request, shared.Folders); }};
}

}  // namespace tagmora::cli
