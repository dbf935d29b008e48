// Dialogs: the one port through which the commands open their dialogs. The window shows its forms;
// the command line and the tests answer in a few lines. Each command's own dialog port is a base
// of it, so that a command asks only for the dialog it opens.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mark/Marking.h"
#include "rename/ScriptRename.h"
#include "writetags/WriteTagsDialog.h"

namespace tagmora {

class Dialogs : public ScriptDialogPort, public WriteTagsDialogPort, public MarkDialogPort {
public:
    // The rename dialog (TRenameForm): ScriptDialogPort::AskRenameScript.
    // The batch tag dialog (TWriteTagsForm): WriteTagsDialogPort::AskWriteTags.
    //
    // Joining it as their commands arrive, each as one more base with its one question:
    // the settings dialog (SettingsForm: the edited settings, or nothing on cancel),
    // the export dialog (ExportForm: the export columns and the workbook to write).
};

// Dialogs that are never confirmed: the command line and tests that open none.
class NullDialogs : public Dialogs {
public:
    std::optional<std::string> AskRenameScript(const std::vector<std::string>&, const FileList&, int) override {
        return std::nullopt;
    }
    std::optional<MarkCondition> AskMarkCondition() override { return std::nullopt; }
    std::optional<WriteTagsAnswer> AskWriteTags(const WriteTagsRequest&, const FileList&) override {
        return std::nullopt;
    }
};

}  // namespace tagmora
