#include "main/CommandTable.h"

namespace tagmora {

namespace {

constexpr std::string_view kSiblingHint = "Среди папок тогоже уровня";

CommandSpec Item(MenuName name, std::string_view caption, std::string_view key, std::string_view hint = {},
                 bool enabled = true, bool visible = true) {
    return CommandSpec{name.Text, caption, key, hint, {}, enabled, visible};
}

// The item with the desktop icon `icon`.
CommandSpec Iconed(std::string_view icon, CommandSpec item) {
    item.Icon = icon;
    return item;
}

CommandSpec Separator() { return CommandSpec{}; }

}  // namespace

const std::vector<MenuSpec>& MainMenuTable() {
    static const std::vector<MenuSpec> table = {
        {"&Действия",
         {
             Iconed("document-open", Item(menu::BrowseForFolderMnu, "&Выбрать директорию", "Ctrl+O")),
             Iconed("folder-new", Item(menu::AddToListMnu, "&Добавить директорию в список", "Shift+O")),
             Separator(),
             Iconed("go-next", Item(menu::NextDirMnu, "&Следующая директория", "N", kSiblingHint, false)),
             Iconed("go-previous", Item(menu::PreviousDirMnu, "&Предыдущая директория", "P", kSiblingHint, false)),
             Separator(),
             Iconed("view-refresh", Item(menu::RereadListMnu, "Пер&ечитать весь список", "Ctrl+F2")),
             Iconed("view-refresh", Item(menu::RereadMnu, "Пе&речитать последнюю выбранную директорию", "F2")),
             Iconed("view-refresh", Item(menu::RereadSelectedMnu, "Пере&читать отмеченные", "Shift+F2")),
             Separator(),
             Iconed("image-x-generic", Item(menu::CoverMnu, "&Обложка...", "F4")),
             Separator(),
             Iconed("media-playback-start", Item(menu::EnqInWinampMnu, "&Enqueue in Winamp", "Ctrl+Shift+W")),
             Separator(),
             Iconed("edit-copy", Item(menu::CopyToClipbrdMnu, "&Копировать список песен в буфер обмена", "Ctrl+C")),
             Separator(),
             Iconed("application-exit", Item(menu::ExitMnu, "В&ыход", "Ctrl+X")),
         }},
        {"&Задачи",
         {
             Item(menu::RenameAllMnu, "&Переименовать", "Enter"),
             Item(menu::RenameWindMnu, "П&ереименовать...", "Ctrl+Enter"),
             Iconed("document-save", Item(menu::WriteTag1Mnu, "П&акетная запись в TAG ID3v1", "F5")),
             Iconed("document-save", Item(menu::WriteTAG2Mnu, "Па&кетная запись в TAG ID3v2", "F6")),
             Iconed("edit-delete", Item(menu::AGID3v11, "&Удалить TAG ID3v1", "")),
             Iconed("edit-delete", Item(menu::AGID3v21, "У&далить TAG ID3v2", "")),
             Iconed("document-save-as", Item(menu::ExportMnu, "&Экспорт списка", "F9")),
             Separator(),
             Iconed("edit-undo", Item(menu::UnDoMnu, "&Отменить", "Ctrl+Z", {}, false)),
         }},
        {"&Выделение",
         {
             Item(menu::MarkAllMnu, "Отметить &все", "A"),
             Item(menu::MarkEmptyMnu, "Отметить &пустые", "E"),
             Item(menu::MarkFullMnu, "Отметить &непустые", "F"),
             Item(menu::MarkSelectedMnu, "Отметить вы&деленные", "Shift+S"),
             Item(menu::MarkOnlySelectedMnu, "Отметить &только выделенные", "S"),
             Item(menu::UnMarkMnu, "&Снять выделение", "U"),
             Item(menu::CustomMarkMnu, "От&метить...", "Ctrl+F"),
             Item(menu::InverseMnu, "&Инвертировать", "I"),
             Separator(),
             Item(menu::RemoveMnu, "&Удалить из списка", "Del"),
         }},
        {"&Настройки",
         {
             Item(menu::Settings, "Уста&новки", "Ctrl+S"),
             Separator(),
             Item(menu::SavePosMnu, "&Сохранить позицию", ""),
         }},
        {"&Помощь",
         {
             Iconed("help-contents", Item(menu::MainHelpMnu, "&Помощь по Tagmora", "F1")),
             Item(menu::HotKeysMnu, "&Горячие клавиши", "Shift+F1", {}, true, false),
             Iconed("help-about", Item(menu::AboutMnu, "&О программе", "Ctrl+F1")),
         }},
    };
    return table;
}

const CommandSpec* FindCommand(std::string_view name) {
    for (const MenuSpec& menu : MainMenuTable()) {
        for (const CommandSpec& item : menu.Items) {
            if (!item.IsSeparator() && item.Name == name) return &item;
        }
    }
    return nullptr;
}

}  // namespace tagmora
