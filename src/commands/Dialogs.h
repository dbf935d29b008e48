// Dialogs: the one port through which the commands open their dialogs. The window shows its forms;
// the command line and the tests answer in a few lines. Each command's own dialog port is a base
// of it, so that a command asks only for the dialog it opens.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/ExportDialog.h"
#include "mark/Marking.h"
#include "rename/ScriptRename.h"
#include "settings/SettingsDialog.h"
#include "writetags/WriteTagsDialog.h"

namespace tagmora {

class Dialogs : public ScriptDialogPort,
                public WriteTagsDialogPort,
                public MarkDialogPort,
                public SettingsDialogPort,
                public ExportDialogPort {
public:
    // The rename dialog (TRenameForm): ScriptDialogPort::AskRenameScript.
    // The batch tag dialog (TWriteTagsForm): WriteTagsDialogPort::AskWriteTags.
    // The condition dialog (TMarkForm): MarkDialogPort::AskMarkCondition.
    // The settings dialog (SettingsForm): SettingsDialogPort::AskSettings.
    // The export dialog (ExportForm): ExportDialogPort::AskExport.
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
    bool AskSettings(const SettingsDialogRequest&) override { return false; }
    ExportDialogResult AskExport(const ExportDialogRequest&) override { return ExportDialogResult::Cancelled; }
};

}  // namespace tagmora
