// tagmora-cli settings init: stores the first-run defaults and a window position once.
#include <ostream>

#include "cli/CliCommon.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPosition.h"

namespace tagmora::cli {

int RunSettings(CliSession& session, const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0] != "init") {
        session.Err << "tagmora-cli settings: the only action is 'init'\n";
        return 2;
    }
    const std::string userHive = FileSettingsStore::DefaultUserHivePath();
    FileSettingsStore store(userHive, FileSettingsStore::DefaultMachineHivePath());
    if (session.LoadResult == SettingsLoadResult::Loaded) {
        session.Out << "Settings are already stored in " << userHive << "; nothing changed.\n";
        return 0;
    }
    if (!SaveSettings(session.Settings, store)) {
        session.Err << "tagmora-cli settings: cannot write " << userHive << '\n';
        return 1;
    }
    if (!LoadWindowPosition(store)) {
        // A window of the designed size near the top left corner of the screen.
        const WindowPosition position{100, 100, 623, 299 + 21 + 24, 0};
        if (!StoreWindowPosition(store, position)) {
            session.Err << "tagmora-cli settings: cannot write " << userHive << '\n';
            return 1;
        }
    }
    session.Out << "Stored the first-run settings in " << userHive << ".\n";
    return 0;
}

}  // namespace tagmora::cli
