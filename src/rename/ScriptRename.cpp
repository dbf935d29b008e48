// Script renaming and the script history.
#include "rename/ScriptRename.h"

#include <algorithm>

#include "common/FileHelpers.h"
#include "script/SStrings.h"
#include "script/Script.h"
#include "filelist/FileList.h"
#include "filelist/FolderCommands.h"
#include "rename/SafeRename.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

namespace tagmora {

int ScriptResultError(std::string_view result) {
    if (result == kScriptError) return kScriptFailed;
    std::size_t start = 0;
    while (start <= result.size()) {
        std::size_t end = result.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = result.size();
        const std::string_view part = result.substr(start, end - start);
        const bool fileName = end == result.size();
        if (fileName ? part.empty() || part[0] == '.' : part.substr(0, 1) == "." && part != "." && part != "..") {
            return kNameHidden;
        }
        start = end + 1;
    }
    return 0;
}

std::vector<RenamePlanItem> PlanScriptRename(FileList& list, std::string_view script) {
    ResetFolderCounters(list);
    std::vector<RenamePlanItem> plan;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (!list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        std::string result = ReplaceControlChars(EvaluateScript(script, list, i), list.Settings().ReplaceSymbol);
        const int error = ScriptResultError(result);
        std::replace(result.begin(), result.end(), '\\', '/');
        const std::string& old = list.RowPath(i);
        plan.push_back({i, old, FolderOfPath(old) + result + ".mp3", error});
    }
    return plan;
}

RenameRunResult RunScriptRename(FileList& list, std::string_view script) {
    const bool ordering = list.AutoOrdering;
    list.AutoOrdering = false;
    const int total = list.CountCheckedRows();
    int processed = 0;
    list.Status().ShowStatus(kStatusRenaming);
    list.HostPort().SetListVisible(false);

    RenameRunResult result;
    result.Plan = PlanScriptRename(list, script);
    result.Errors = ApplyRenames(result.Plan, RenameKind::WithFolders, [&](std::size_t index, int error) {
        ++processed;
        const RenamePlanItem& item = result.Plan[index];
        FileRow& row = list.Rows()[static_cast<std::size_t>(item.Row)];
        if (error == 0) {
            row.SetFileText(item.NewPath);
            row.SetPath(item.NewPath);
        } else {
            ++result.Failed;
        }
        list.Status().ShowProgress(row.Path(), 100.0 / total * processed);
        return !list.CancelRequested();
    });
    result.Cancelled = result.Errors.size() < result.Plan.size();

    list.Status().ShowStatusBriefly(kStatusDone);
    list.HostPort().SetListVisible(true);
    list.AutoOrdering = ordering;
    if (result.Failed > 0) ShowFilesNotRenamed(list);
    return result;
}

void RenameWindMnuClick(FileList& list, SettingsStore& store, ScriptDialogPort& dialog) {
    if (list.RowCount() == 0 || !list.AnyRowChecked()) {
        ShowNoCheckedFiles(list);
        return;
    }
    if (!list.Settings().IncludeSubDirs) {
        list.HostPort().ShowMessage(kOnlyWithSubDirs, kProductName, MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    const int sample = SampleRow(list);
    TSStrings history;
    history.LoadFromRegistry(store, kSettingsKey, kRenameScriptsValue);
    const std::optional<std::string> script = dialog.AskRenameScript(history.Items(), list, sample);
    if (!script) return;
    RunScriptRename(list, *script);
    if (script->empty()) return;  // no entry that would only ever fail
    history.Add(*script);
    history.SaveToRegistry(store, kSettingsKey, kRenameScriptsValue);
}

}  // namespace tagmora
