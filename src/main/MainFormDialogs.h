// QtDialogs: the Dialogs port of the main window. Each question shows its form modally over the
// window, created and destroyed for that one use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands/Dialogs.h"

class QWidget;

namespace tagmora {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}

    // TRenameForm.
    std::optional<std::string> AskRenameScript(const std::vector<std::string>& history, const FileList& list,
                                               int sampleRow) override;
    // TWriteTagsForm.
    std::optional<WriteTagsAnswer> AskWriteTags(const WriteTagsRequest& request, const FileList& list) override;

    // TMarkForm.
    std::optional<MarkCondition> AskMarkCondition() override;

    // SettingsForm.
    bool AskSettings(const SettingsDialogRequest& request) override;
    // ExportForm.
    ExportDialogResult AskExport(const ExportDialogRequest& request) override;

private:
    QWidget* parent_;
};

}  // namespace tagmora
