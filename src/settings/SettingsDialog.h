// The settings dialog as the settings command sees it.
#pragma once

#include <functional>
#include <string>

namespace tagmora {

struct AppSettings;

// What the dialog may ask of the rest of the program while it is open.
struct SettingsDialogRequest {
    // The settings record. The dialog fills its controls from it; on OK it takes the values over
    // into it, in the documented order. A folder chosen with ">>" goes into StartDir at once and
    // stays there also after cancel; nothing else changes on cancel.
    AppSettings& Settings;
    // ">>": the folder picker with the title "Выбор директории" and no preselected folder; true
    // and the folder in its argument when one was chosen.
    std::function<bool(std::string& folder)> ChooseFolder;
    // F1: the help.
    std::function<void()> OpenHelp;
};

// The dialog port: true when the dialog ended with OK (the values were taken over).
class SettingsDialogPort {
public:
    virtual ~SettingsDialogPort() = default;
    virtual bool AskSettings(const SettingsDialogRequest& request) = 0;
};

}  // namespace tagmora
