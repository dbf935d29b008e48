// The settings command.
#include "settings/SettingsCommand.h"

#include "common/Messages.h"

namespace tagmora {

bool SettingsMnuClick(AppSettings& settings, SettingsStore& store, SettingsDialogPort& dialog, FolderVerbPort& verb,
                      Host& host, const SettingsWindow& window) {
    const bool verbWasOn = settings.UseShellCall;
    SettingsDialogRequest request{settings, window.ChooseFolder, window.OpenHelp};
    const bool confirmed = dialog.AskSettings(request);
    if (confirmed) {
        if (!verbWasOn && settings.UseShellCall) {
            std::string reason;
            if (!verb.AddFolderVerb(settings.Path, reason)) {
                host.ShowMessage(reason, kProductName, MessageIcon::Error, MessageButtons::Ok);
                return true;
            }
        } else if (verbWasOn && !settings.UseShellCall) {
            verb.RemoveFolderVerb();
        }
        if (window.ApplyColumnLayout) window.ApplyColumnLayout();
        if (settings.ResizeTabHeaders && window.FitColumns) window.FitColumns();
        if (!SaveSettings(settings, store)) {
            host.ShowMessage(kSettingsNotSaved, kProductName, MessageIcon::Error, MessageButtons::Ok);
        }
    }
    if (window.SetGridLines) window.SetGridLines(settings.ShowGrid);
    return confirmed;
}

}  // namespace tagmora
