// The folder commands of the menu and the start-up folders.
#include "filelist/FolderCommands.h"

#include "filelist/BuildList.h"

#include <filesystem>

namespace tagmora {

namespace {

void EnableSiblingCommands(FileList& list, int siblings) {
    list.HostPort().SetCommandEnabled(menu::NextDirMnu, siblings >= 2);
    list.HostPort().SetCommandEnabled(menu::PreviousDirMnu, siblings >= 2);
}

void ScanAndBuild(FileList& list) {
    list.ScanFolder(list.CurrentFolder, false, false);
    BuildList(list, false, false);
}

void MoveToSibling(FileList& list, int position) {
    list.SiblingPosition = position;
    list.CurrentFolder = list.SiblingFolders[static_cast<std::size_t>(position)];
    ScanAndBuild(list);
}

}  // namespace

bool ChooseFolder(FileList& list, const std::string& instruction, std::string& path) {
    if (!IsExistingFolder(path)) path.clear();
    return list.HostPort().PickFolder(instruction, path, list.Settings().NewStyleDialog);
}

void BrowseForFolderCommand(FileList& list) {
    std::string path = list.CurrentFolder.empty() ? list.Settings().StartDir : list.CurrentFolder;
    if (!ChooseFolder(list, kChooseFolderText, path) || path.empty()) return;
    list.CurrentFolder = path;
    EnableSiblingCommands(list, list.FindSiblingFolders());
    ScanAndBuild(list);
}

void AddToListCommand(FileList& list) {
    // The picker works on CurrentFolder itself: a cancel still clears a folder that vanished.
    if (!ChooseFolder(list, kAddFolderText, list.CurrentFolder) || list.CurrentFolder.empty()) return;
    list.ScanFolder(list.CurrentFolder, true, false);
    BuildList(list, false, true);
}

void NextDirCommand(FileList& list) {
    const int count = static_cast<int>(list.SiblingFolders.size());
    if (list.SiblingPosition >= count - 1) return;
    MoveToSibling(list, list.SiblingPosition + 1);
}

void PreviousDirCommand(FileList& list) {
    if (list.SiblingPosition < 1 || list.SiblingPosition > static_cast<int>(list.SiblingFolders.size())) return;
    MoveToSibling(list, list.SiblingPosition - 1);
}

void RereadCommand(FileList& list) {
    list.Status().ShowStatus(kStatusWait);
    if (!list.AnyRowChecked()) {
        ShowNoCheckedFiles(list);
        return;
    }
    ScanAndBuild(list);
}

void RereadListCommand(FileList& list) { BuildList(list, false, false); }

void RereadSelectedCommand(FileList& list) { BuildList(list, true, false); }

void OpenCommandLineFolders(FileList& list, const std::vector<std::string>& arguments) {
    // A folder given relative to the working folder becomes a full path, as the picker gives
    // them, so that its siblings are found beside it.
    std::vector<std::string> folders;
    for (const auto& argument : arguments) {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(argument, error);
        folders.push_back(error || argument.empty() ? argument : absolute.lexically_normal().string());
        while (folders.back().size() > 1 && folders.back().back() == '/') folders.back().pop_back();
    }
    if (folders.empty()) {
        list.Status().ShowStatus(kStatusNoFolder);
        return;
    }
    if (folders.size() == 1 || !list.Settings().IncludeSubDirs) {
        if (!IsExistingFolder(folders[0])) {
            list.Status().ShowStatus(kStatusNoFolder);
            return;
        }
        list.CurrentFolder = folders[0];
        list.ScanFolder(list.CurrentFolder, false, false);
        BuildList(list, false, false);
        EnableSiblingCommands(list, list.FindSiblingFolders());
        return;
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (!IsExistingFolder(folders[i])) continue;
        list.CurrentFolder = folders[i];
        list.ScanFolder(list.CurrentFolder, i != 0, true);
    }
    BuildList(list, false, false);
    list.RestoreAutoOrdering();
}

}  // namespace tagmora
