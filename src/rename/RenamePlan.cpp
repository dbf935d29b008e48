// Carrying out a rename plan.
#include "rename/RenamePlan.h"

#include "filelist/FileList.h"
#include "rename/SafeRename.h"

namespace tagmora {

std::vector<int> ApplyRenames(const std::vector<RenamePlanItem>& plan, RenameKind kind,
                              const std::function<bool(std::size_t, int)>& afterEach) {
    std::vector<int> errors;
    errors.reserve(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const RenamePlanItem& item = plan[i];
        const int error = kind == RenameKind::InFolder ? RenameFileNoReplace(item.OldPath, item.NewPath)
                                                       : MoveFileNoReplace(item.OldPath, item.NewPath);
        errors.push_back(error);
        if (afterEach && !afterEach(i, error)) break;
    }
    return errors;
}

void ShowFilesNotRenamed(FileList& list) {
    list.HostPort().ShowMessage(kFilesNotRenamed, kProductName, MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace tagmora
