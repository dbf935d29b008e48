// The settings command (SettingsMnu, Ctrl+S; also the first run): the settings dialog, and on OK
// the folder verb when its choice changed, the column layout, the column fit and the save. The
// grid lines follow ShowGrid after OK and after cancel alike.
#pragma once

#include <functional>
#include <string>

#include "common/Ports.h"
#include "common/ShellPort.h"
#include "settings/AppSettings.h"
#include "settings/SettingsDialog.h"
#include "settings/SettingsStore.h"

namespace tagmora {

// What the command asks of the main window.
struct SettingsWindow {
    // The column visibility and widths of the main list from ShowItem and HeaderWidth.
    std::function<void()> ApplyColumnLayout;
    // The column widths fitted to their contents.
    std::function<void()> FitColumns;
    // The main list's grid lines on or off.
    std::function<void(bool)> SetGridLines;
    // ">>" of the dialog: the folder picker (title "Выбор директории", no preselected folder).
    std::function<bool(std::string& folder)> ChooseFolder;
    // F1 of the dialog: the help.
    std::function<void()> OpenHelp;
};

// The folder entry after UseShellCall was `wasOn`: AddFolderVerb(settings.Path) when it turned
// on, RemoveFolderVerb when it turned off, neither when unchanged. A failed AddFolderVerb shows
// its reason in a box (error icon, caption "Tagmora") and gives false. After a failed
// AddFolderVerb and after RemoveFolderVerb, UseShellCall says whether the entry is there
// (FolderVerbExists), so that it is never stored on with no entry, or off with one.
bool ApplyFolderVerbChange(AppSettings& settings, bool wasOn, FolderVerbPort& verb, Host& host);

// SettingsMnuClick: shows the dialog over `settings`. On OK, after the dialog took the values
// over, in this order:
//   1. ApplyFolderVerbChange; when it fails, the command ends there: nothing below runs, the
//      grid lines included.
//   2. ApplyColumnLayout; 3. FitColumns when ResizeTabHeaders; 4. SaveSettings (a failure shows
//      kSettingsNotSaved).
// Then, after OK or cancel, SetGridLines(ShowGrid). True when the dialog ended with OK.
bool SettingsMnuClick(AppSettings& settings, SettingsStore& store, SettingsDialogPort& dialog, FolderVerbPort& verb,
                      Host& host, const SettingsWindow& window);

}  // namespace tagmora
