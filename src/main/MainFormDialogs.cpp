// The Dialogs port of the main window.
#include "main/MainFormDialogs.h"

#include "export/ExportForm.h"
#include "mark/MarkForm.h"
#include "rename/RenameForm.h"
#include "settings/SettingsForm.h"
#include "writetags/WriteTagsForm.h"

namespace tagmora {

std::optional<std::string> QtDialogs::AskRenameScript(const std::vector<std::string>& history, const FileList& list,
                                                      int sampleRow) {
    return QtScriptDialog(parent_).AskRenameScript(history, list, sampleRow);
}

std::optional<WriteTagsAnswer> QtDialogs::AskWriteTags(const WriteTagsRequest& request, const FileList& list) {
    return ShowWriteTagsForm(parent_, request, list);
}

std::optional<MarkCondition> QtDialogs::AskMarkCondition() { return QtMarkDialog(parent_).AskMarkCondition(); }

bool QtDialogs::AskSettings(const SettingsDialogRequest& request) { return ShowSettingsForm(parent_, request); }

ExportDialogResult QtDialogs::AskExport(const ExportDialogRequest& request) { return ShowExportForm(parent_, request); }

}  // namespace tagmora
