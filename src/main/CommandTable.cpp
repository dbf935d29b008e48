#include "main/CommandTable.h"

namespace tagmora {

namespace {

constexpr std::string_view kSiblingHint = "Среди папок тогоже уровня";

CommandSpec Item(std::string_view name, std::string_view caption, std::string_view key,
                 std::string_view hint = {}, bool enabled = true, bool visible = true) {
    return CommandSpec{name, caption, key, hint, enabled, visible};
}

CommandSpec Separator() { return CommandSpec{}; }

}  // namespace

const std::vector<MenuSpec>& MainMenuTable() {
    static const std::vector<MenuSpec> table = {
        {"&Действия",
         {
             Item("BrowseForFolderMnu", "&Выбрать директорию", "Ctrl+O"),
             Item("AddToListMnu", "&Добавить директорию в список", "Shift+O"),
             Separator(),
             Item("NextDirMnu", "&Следующая директория", "N", kSiblingHint, false),
             Item("PreviousDirMnu", "&Предыдущая директория", "P", kSiblingHint, false),
             Separator(),
             Item("RereadListMnu", "Пер&ечитать весь список", "Ctrl+F2"),
             Item("RereadMnu", "Пе&речитать последнюю выбранную директорию", "F2"),
             Item("RereadSelectedMnu", "Пере&читать отмеченные", "Shift+F2"),
             Separator(),
             Item("EnqInWinampMnu", "&Enqueue in Winamp", "Ctrl+Shift+W"),
             Separator(),
             Item("CopyToClipbrdMnu", "&Копировать список песен в буфер обмена", "Ctrl+C"),
             Separator(),
             Item("ExitMnu", "В&ыход", "Ctrl+X"),
         }},
        {"&Задачи",
         {
             Item("RenameAllMnu", "&Переименовать", "Enter"),
             Item("RenameWindMnu", "П&ереименовать...", "Ctrl+Enter"),
             Item("WriteTag1Mnu", "П&акетная запись в TAG ID3v1", "F5"),
             Item("WriteTAG2Mnu", "Па&кетная запись в TAG ID3v2", "F6"),
             Item("AGID3v11", "&Удалить TAG ID3v1", ""),
             Item("AGID3v21", "У&далить TAG ID3v2", ""),
             Item("ExportMnu", "&Экспорт списка", "F9"),
             Separator(),
             Item("UnDoMnu", "&Отменить", "Ctrl+Z", {}, false),
         }},
        {"&Выделение",
         {
             Item("MarkAllMnu", "Отметить &все", "A"),
             Item("MarkEmptyMnu", "Отметить &пустые", "E"),
             Item("MarkFullMnu", "Отметить &непустые", "F"),
             Item("MarkSelectedMnu", "Отметить вы&деленные", "Shift+S"),
             Item("MarkOnlySelectedMnu", "Отметить &только выделенные", "S"),
             Item("UnMarkMnu", "&Снять выделение", "U"),
             Item("CustomMarkMnu", "От&метить...", "Ctrl+F"),
             Item("InverseMnu", "&Инвертировать", "I"),
             Separator(),
             Item("RemoveMnu", "&Удалить из списка", "Del"),
         }},
        {"&Настройки",
         {
             Item("Settings", "Уста&новки", "Ctrl+S"),
             Separator(),
             Item("SavePosMnu", "&Сохранить позицию", ""),
         }},
        {"&Помощь",
         {
             Item("MainHelpMnu", "&Помощь по Tagmora", "F1"),
             Item("HotKeysMnu", "&Горячие клавиши", "Shift+F1", {}, true, false),
             Item("AboutMnu", "&О программе", "Ctrl+F1"),
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
