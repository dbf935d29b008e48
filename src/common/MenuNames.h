// The names of the main window's menu items, shared by the command table of the window and the
// commands that enable or disable items through Host::SetCommandEnabled.
#pragma once

#include <string_view>

namespace tagmora {

// The name of a menu item of the main window, as the command table and Host::SetCommandEnabled
// know it. Only the constants below are meant to make one, so that a misspelt name fails to compile.
struct MenuName {
    std::string_view Text;
    bool operator==(const MenuName&) const = default;
};

namespace menu {
// "&Действия"
inline constexpr MenuName BrowseForFolderMnu{"BrowseForFolderMnu"};
inline constexpr MenuName AddToListMnu{"AddToListMnu"};
inline constexpr MenuName NextDirMnu{"NextDirMnu"};
inline constexpr MenuName PreviousDirMnu{"PreviousDirMnu"};
inline constexpr MenuName RereadListMnu{"RereadListMnu"};
inline constexpr MenuName RereadMnu{"RereadMnu"};
inline constexpr MenuName RereadSelectedMnu{"RereadSelectedMnu"};
inline constexpr MenuName CoverMnu{"CoverMnu"};
inline constexpr MenuName EnqInWinampMnu{"EnqInWinampMnu"};
inline constexpr MenuName CopyToClipbrdMnu{"CopyToClipbrdMnu"};
inline constexpr MenuName ExitMnu{"ExitMnu"};
// "&Задачи"
inline constexpr MenuName RenameAllMnu{"RenameAllMnu"};
inline constexpr MenuName RenameWindMnu{"RenameWindMnu"};
inline constexpr MenuName WriteTag1Mnu{"WriteTag1Mnu"};
inline constexpr MenuName WriteTAG2Mnu{"WriteTAG2Mnu"};
inline constexpr MenuName AGID3v11{"AGID3v11"};
inline constexpr MenuName AGID3v21{"AGID3v21"};
inline constexpr MenuName ExportMnu{"ExportMnu"};
inline constexpr MenuName UnDoMnu{"UnDoMnu"};
// "&Выделение"
inline constexpr MenuName MarkAllMnu{"MarkAllMnu"};
inline constexpr MenuName MarkEmptyMnu{"MarkEmptyMnu"};
inline constexpr MenuName MarkFullMnu{"MarkFullMnu"};
inline constexpr MenuName MarkSelectedMnu{"MarkSelectedMnu"};
inline constexpr MenuName MarkOnlySelectedMnu{"MarkOnlySelectedMnu"};
inline constexpr MenuName UnMarkMnu{"UnMarkMnu"};
inline constexpr MenuName CustomMarkMnu{"CustomMarkMnu"};
inline constexpr MenuName InverseMnu{"InverseMnu"};
inline constexpr MenuName RemoveMnu{"RemoveMnu"};
// "&Настройки"
inline constexpr MenuName Settings{"Settings"};
inline constexpr MenuName SavePosMnu{"SavePosMnu"};
// "&Помощь"
inline constexpr MenuName MainHelpMnu{"MainHelpMnu"};
inline constexpr MenuName HotKeysMnu{"HotKeysMnu"};
inline constexpr MenuName AboutMnu{"AboutMnu"};
}  // namespace menu

}  // namespace tagmora
