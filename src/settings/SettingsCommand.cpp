// The settings command.
#include "settings/SettingsCommand.h"

#include "common/Messages.h"

namespace tagmora {

bool ApplyFolderVerbChange(AppSettings& settings, bool wasOn, FolderVerbPort& verb, Host& host) {
    if (!wasOn && settings.UseShellCall) {
        std::string reason;
        if (!verb.AddFolderVerb(settings.Path, reason)) {
            settings.UseShellCall = verb.FolderVerbExists();
            host.ShowMessage(reason, kProductName, MessageIcon::Error, MessageButtons::Ok);
            return false;
        }
    } else if (wasOn && !settings.UseShellCall) {
        // A file that could not be removed keeps the entry, whatever the removal says.
        verb.RemoveFolderVerb();
        settings.UseShellCall = verb.FolderVerbExists();
    }
    return true;
}

bool SettingsMnuClick(AppSettings& settings, SettingsStore& store, SettingsDialogPort& dialog, FolderVerbPort& verb,
                      Host& host, const SettingsWindow& window) {
    const bool verbWasOn = settings.UseShellCall;
    SettingsDialogRequest request{settings, window.ChooseFolder, window.OpenHelp};
    const bool confirmed = dialog.AskSettings(request);
    if (confirmed) {
        if (!ApplyFolderVerbChange(settings, verbWasOn, verb, host)) return true;
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
