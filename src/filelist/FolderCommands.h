// The folder commands of the menu: choose, add, next, previous, and the three re-read commands.
// None of them guards against running inside another command: the command context's RunCommand
// does that for every command.
#pragma once

#include <string>
#include <vector>

#include "common/Messages.h"
#include "filelist/FileList.h"

namespace tagmora {

inline constexpr const char* kChooseFolderText = "Выбор директории";
inline constexpr const char* kAddFolderText = "Добавление в список";

// The folder picker: clears `path` when it does not name an existing folder, then asks the host.
bool ChooseFolder(FileList& list, const std::string& instruction, std::string& path);

void BrowseForFolderCommand(FileList& list);
void AddToListCommand(FileList& list);
void NextDirCommand(FileList& list);
void PreviousDirCommand(FileList& list);
void RereadCommand(FileList& list);
void RereadListCommand(FileList& list);
void RereadSelectedCommand(FileList& list);

// "Нет выбранных файлов." with the information icon and the caption "Tagmora".
inline void ShowNoCheckedFiles(FileList& list) { ShowNoCheckedFiles(list.HostPort()); }

// Opens the folders of the command line as the program does at start-up (no argument, one, or
// several with or without subfolders); enables next/previous after a sibling search.
void OpenCommandLineFolders(FileList& list, const std::vector<std::string>& folders);

}  // namespace tagmora
