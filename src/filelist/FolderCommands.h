// The folder commands of the menu: choose, add, next, previous, and the three re-read commands.
#pragma once

#include <string>

#include "filelist/FileList.h"

namespace tagmora {

inline constexpr const char* kChooseFolderText = "Выбор директории";
inline constexpr const char* kAddFolderText = "Добавление в список";
inline constexpr const char* kNoCheckedFiles = "Нет выбранных файлов.";
inline constexpr const char* kStatusWait = " Подождите...";
inline constexpr const char* kStatusDone = " Готово.";
inline constexpr const char* kStatusNoFolder = " Директория не выбрана.";
inline constexpr const char* kStatusReadingFolders = " Чтение папок...";

// The folder picker: clears `path` when it does not name an existing folder, then asks the host.
bool ChooseFolder(FileList& list, const std::string& instruction, std::string& path);

// Each returns false when it was refused because another command is running.
bool BrowseForFolderCommand(FileList& list);
bool AddToListCommand(FileList& list);
bool NextDirCommand(FileList& list);
bool PreviousDirCommand(FileList& list);
bool RereadCommand(FileList& list);
bool RereadListCommand(FileList& list);
bool RereadSelectedCommand(FileList& list);

// "Нет выбранных файлов." with the information icon and the caption "Tagmora".
void ShowNoCheckedFiles(FileList& list);

// Opens the folders of the command line as the program does at start-up (no argument, one, or
// several with or without subfolders); enables next/previous after a sibling search.
void OpenCommandLineFolders(FileList& list, const std::vector<std::string>& folders);

}  // namespace tagmora
