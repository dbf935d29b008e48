// The command table of the main window: its menus and items in order, with captions, hand-set
// accelerators, shortcut keys, hints and initial states. The window builds its menu from it.
#pragma once

#include <string_view>
#include <vector>

#include "common/MenuNames.h"

namespace tagmora {

// One menu item, or a separator when `Name` is empty.
struct CommandSpec {
    std::string_view Name;     // the item's name, one of the menu:: names, e.g. "BrowseForFolderMnu"
    std::string_view Caption;  // with its accelerator "&"
    // The shortcut key in portable text ("Ctrl+O", "Shift+F2", "N", "Del"), empty for none.
    // "Enter" is the Return key and the keypad's Enter alike.
    std::string_view Key;
    std::string_view Hint;  // shown in the status bar while the item is highlighted
    // The item's small icon by its name in the freedesktop icon naming ("document-open"), empty
    // for none.
    std::string_view Icon;
    bool EnabledAtStart = true;
    bool Visible = true;

    bool IsSeparator() const { return Name.empty(); }
};

struct MenuSpec {
    std::string_view Caption;
    std::vector<CommandSpec> Items;
};

// The menus of the main window, left to right, each with its items top to bottom.
const std::vector<MenuSpec>& MainMenuTable();

// The item named `name`, or nullptr.
const CommandSpec* FindCommand(std::string_view name);

}  // namespace tagmora
