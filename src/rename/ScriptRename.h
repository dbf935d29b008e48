// Script renaming: each checked file renamed, or moved into new subfolders of its folder, by a
// script of the user's choice, with the dialog that takes the script and the remembered history.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rename/RenamePlan.h"

namespace tagmora {

class FileList;
class SettingsStore;

inline constexpr const char* kStatusRenaming = " Переименовывание...";
inline constexpr const char* kOnlyWithSubDirs = "Эта функция работает только в режиме просмотра поддиректорий.";

// The rename dialog as the command sees it; the Qt layer shows TRenameForm, tests answer directly.
class ScriptDialogPort {
public:
    virtual ~ScriptDialogPort() = default;
    // Shows the dialog modally with `history` in its drop-down list (the first entry selected)
    // and the preview taken on `sampleRow` of `list`. The confirmed script, or nothing on cancel.
    virtual std::optional<std::string> AskRenameScript(const std::vector<std::string>& history, const FileList& list,
                                                       int sampleRow) = 0;
};

// The failure a script result gives before any file is touched: kScriptFailed for "Error",
// kNameHidden when the file name (empty, as from an empty script) or a new folder name would
// start with "." ("." and ".." lead nowhere new and are accepted); otherwise 0.
int ScriptResultError(std::string_view result);

// The new path of every checked row, in list order: the row's folder, the script's result with
// every "\" turned into "/" (a "/" leads into a subfolder, ".." upwards), then ".mp3"; a result
// that ScriptResultError refuses is planned with that Error. Resets the folder counters first,
// so that "nn" numbers each folder from 01. Touches no file.
std::vector<RenamePlanItem> PlanScriptRename(FileList& list, std::string_view script);

// The renaming: " Переименовывание..." and the list hidden while it runs, sorting off; each file
// moved without replacing any, creating folders as needed; a renamed row's FileText and path
// become the new path (its position and tag texts stay); progress per file with the row's path and
// 100 / total * processed; then " Готово." briefly, the list shown, and the summary message when
// any file failed. Records nothing for undo.
RenameRunResult RunScriptRename(FileList& list, std::string_view script);

// The command RenameWindMnu: "Нет выбранных файлов." when no row is checked; kOnlyWithSubDirs when
// IncludeSubDirs is off; otherwise loads the history (settings key, "RenameScripts"), asks the
// dialog, and on Ok runs the renaming, adds the script to the history and saves it (whether or not
// every file was renamed; a failed save is not reported; an empty script is not added). The list is
// not rebuilt. Run it through RunCommand, which keeps it from starting inside another command.
void RenameWindMnuClick(FileList& list, SettingsStore& store, ScriptDialogPort& dialog);

}  // namespace tagmora
