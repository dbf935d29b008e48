// tagmora-cli rename: preset or script renaming of the checked rows of scanned folders, or with
// --dry-run the plan of it, old and new path per file.
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommon.h"
#include "script/Script.h"
#include "rename/PresetRename.h"
#include "rename/SafeRename.h"
#include "rename/ScriptRename.h"

namespace tagmora::cli {

namespace {

struct RenameArgs {
    bool Preset = false;
    std::optional<std::string> Script;
    bool DryRun = false;
    std::vector<std::string> Folders;
    std::string Error;
};

// Options (any order) come before the folders; "--" ends them. --script takes the next argument
// whatever it looks like, or is written --script=SCRIPT.
RenameArgs ParseRenameArgs(const std::vector<std::string>& args) {
    RenameArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !parsed.Folders.empty() || arg.size() < 2 || arg[0] != '-') {
            parsed.Folders.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--preset") {
            parsed.Preset = true;
        } else if (arg == "--dry-run") {
            parsed.DryRun = true;
        } else if (arg == "--script" || arg.rfind("--script=", 0) == 0) {
            if (parsed.Script) {
                parsed.Error = "--script given twice";
                return parsed;
            }
            if (arg == "--script") {
                if (i + 1 >= args.size()) {
                    parsed.Error = "--script needs a script";
                    return parsed;
                }
                parsed.Script = args[++i];
            } else {
                parsed.Script = arg.substr(std::strlen("--script="));
            }
        } else {
            parsed.Error = "unknown option " + arg;
            return parsed;
        }
    }
    if (parsed.Preset == parsed.Script.has_value()) {
        parsed.Error = "give either --preset or --script SCRIPT";
    } else if (parsed.Folders.empty()) {
        parsed.Error = "no folder given";
    }
    return parsed;
}

void PrintPair(std::string& out, const RenamePlanItem& item) {
    out += EscapeField(item.OldPath);
    out += '\t';
    out += EscapeField(item.NewPath);
    out += '\n';
}

}  // namespace

int RunRename(CliSession& session, const std::vector<std::string>& args) {
    const RenameArgs parsed = ParseRenameArgs(args);
    if (!parsed.Error.empty()) {
        session.Err << "tagmora-cli rename: " << parsed.Error << "\n"
                    << "usage: rename --preset [--dry-run] FOLDER... | rename --script SCRIPT [--dry-run] FOLDER...\n";
        return 2;
    }
    ScanAndRead(session, parsed.Folders);
    FileList& list = session.List;
    if (list.RowCount() == 0 || !list.AnyRowChecked()) {
        session.Err << "Нет выбранных файлов.\n";
        return 1;
    }
    if (parsed.Script) {
        if (!session.Settings.IncludeSubDirs) {
            session.Err << kOnlyWithSubDirs << '\n';
            return 1;
        }
        if (CheckScript(*parsed.Script, list, SampleRow(list)) == kScriptError) {
            session.Err << "tagmora-cli rename: the script gives Error\n";
            return 1;
        }
    }

    std::string out;
    if (parsed.DryRun) {
        const std::vector<RenamePlanItem> plan =
            parsed.Script ? PlanScriptRename(list, *parsed.Script) : PlanPresetRename(list);
        for (const auto& item : plan) PrintPair(out, item);
        session.Out << out;
        session.Out.flush();
        return session.Out.good() ? 0 : 1;
    }

    UndoList undo;  // the command line keeps no undo
    const RenameRunResult result = parsed.Script ? RunScriptRename(list, *parsed.Script) : RunPresetRename(list, undo);
    for (std::size_t i = 0; i < result.Errors.size(); ++i) {
        const RenamePlanItem& item = result.Plan[i];
        if (result.Errors[i] == 0) {
            PrintPair(out, item);
        } else {
            session.Err << "tagmora-cli rename: " << EscapeField(item.OldPath) << ": " << RenameErrorText(result.Errors[i])
                        << '\n';
        }
    }
    session.Out << out;
    session.Out.flush();
    return result.Failed == 0 && session.Out.good() ? 0 : 1;
}

}  // namespace tagmora::cli
