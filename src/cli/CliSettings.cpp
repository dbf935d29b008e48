// tagmora-cli settings init: stores the first-run defaults and a window position once.
#include <ostream>

#include "cli/CliCommon.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPosition.h"

namespace tagmora::cli {

int RunSettingsInit(CliSession& session) {
    const std::string userHive = FileSettingsStore::DefaultUserHivePath();
    SettingsStore& store = session.Store;
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
