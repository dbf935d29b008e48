// Carrying out a rename plan.
#include "rename/RenamePlan.h"

#include <cerrno>
#include <filesystem>
#include <set>

#include "filelist/FileList.h"
#include "platform/FileIo.h"
#include "rename/SafeRename.h"

namespace tagmora {

std::vector<int> ApplyRenames(const std::vector<RenamePlanItem>& plan, RenameKind kind,
                              const std::function<bool(std::size_t, int)>& afterEach) {
    std::vector<int> errors;
    errors.reserve(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const RenamePlanItem& item = plan[i];
        int error = item.Error;
        if (error == 0) {
            error = kind == RenameKind::InFolder ? RenameFileNoReplace(item.OldPath, item.NewPath)
                                                 : MoveFileNoReplace(item.OldPath, item.NewPath);
        }
        errors.push_back(error);
        if (afterEach && !afterEach(i, error)) break;
    }
    return errors;
}

std::vector<int> SimulateRenames(const std::vector<RenamePlanItem>& plan) {
    const auto key = [](const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); };
    const auto exists = [](const std::string& path) { return fileio::StatPath(path, false).Exists(); };
    std::set<std::string> taken;    // targets of earlier items that were carried out
    std::set<std::string> vacated;  // their sources, free again
    std::vector<int> errors;
    errors.reserve(plan.size());
    for (const RenamePlanItem& item : plan) {
        int error = item.Error != 0 ? item.Error : CheckNewPath(item.NewPath);
        const std::string from = key(item.OldPath);
        const std::string to = key(item.NewPath);
        if (error == 0 && (vacated.count(from) != 0 || !exists(item.OldPath))) error = ENOENT;
        if (error == 0 && to != from) {
            const bool onDisk = vacated.count(to) == 0 && exists(item.NewPath) &&
                                ClassifyExistingTarget(item.OldPath, item.NewPath) == ExistingTarget::OtherFile;
            if (taken.count(to) != 0 || onDisk) error = EEXIST;
        }
        if (error == 0 && to != from) {
            taken.erase(from);
            vacated.insert(from);
            vacated.erase(to);
            taken.insert(to);
        }
        errors.push_back(error);
    }
    return errors;
}

void ShowFilesNotRenamed(FileList& list) {
    list.HostPort().ShowNotice({NoticeKind::FilesNotRenamed}, kFilesNotRenamed, kProductName, MessageIcon::Information,
                               MessageButtons::Ok);
}

}  // namespace tagmora
