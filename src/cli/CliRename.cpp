// tagmora-cli rename: preset or script renaming of the checked rows of scanned folders, or with
// --dry-run the plan of it, old and new path per file, with the failures the run would meet.
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "rename/PresetRename.h"
#include "rename/SafeRename.h"
#include "rename/ScriptRename.h"
#include "script/Script.h"

namespace tagmora::cli {

namespace {

// OLD<TAB>NEW on stdout for a file renamed (or planned), "tagmora-cli rename: OLD: reason" on
// stderr for a failure. The number of failures.
int Report(CliSession& session, const std::vector<RenamePlanItem>& plan, const std::vector<int>& errors) {
    std::string out;
    int failed = 0;
    for (std::size_t i = 0; i < errors.size(); ++i) {
        const RenamePlanItem& item = plan[i];
        if (errors[i] == 0) {
            AppendEscapedField(out, item.OldPath);
            out += '\t';
            AppendEscapedField(out, item.NewPath);
            out += '\n';
        } else {
            ++failed;
            session.Err << "tagmora-cli rename: " << EscapeField(item.OldPath) << ": " << RenameErrorText(errors[i])
                        << '\n';
        }
    }
    session.Out << out;
    session.Out.flush();
    return failed;
}

}  // namespace

int RunRename(CliSession& session, const RenameRequest& request, const std::vector<std::string>& folders) {
    const bool complete = ScanAndRead(session, folders);
    FileList& list = session.List;
    if (NothingChecked(session)) return 1;
    if (!request.Preset) {
        if (!session.Settings.IncludeSubDirs) {
            session.Err << kOnlyWithSubDirs << '\n';
            return 1;
        }
        if (CheckScript(request.Script, list, SampleRow(list)) == kScriptError) {
            session.Err << "tagmora-cli rename: the script gives Error\n";
            return 1;
        }
    }

    int failed = 0;
    if (request.DryRun) {
        // The plan as the run would carry it out: what it would refuse or meet taken is a failure.
        const std::vector<RenamePlanItem> plan =
            request.Preset ? PlanPresetRename(list) : PlanScriptRename(list, request.Script);
        failed = Report(session, plan, SimulateRenames(plan));
    } else {
        RenameRunResult result;
        session.Context.RunCommand([&] {
            result =
                request.Preset ? RunPresetRename(list, session.Context.Undo()) : RunScriptRename(list, request.Script);
        });
        failed = Report(session, result.Plan, result.Errors);
    }
    return complete && failed == 0 && session.Out.good() ? 0 : 1;
}

}  // namespace tagmora::cli
