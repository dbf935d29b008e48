// The tag removal commands.
#include "writetags/TagRemoval.h"

#include "common/Messages.h"
#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "writetags/TagWriteBatch.h"  // kFilesUnchanged

namespace tagmora {

std::vector<TagRemovalOutcome> RemoveTagsFromChecked(FileList& list, int version, const TagEngine& engine) {
    std::vector<TagRemovalOutcome> outcomes;
    if (list.RowCount() == 0 || !list.AnyRowChecked()) {
        ShowNoCheckedFiles(list.HostPort());
        return outcomes;
    }
    const bool v1 = version == 1;
    if (list.HostPort().ShowMessage(v1 ? kKillTags1Question : kKillTags2Question, kProductName, MessageIcon::Question,
                                    MessageButtons::YesNo) != MessageResult::Yes) {
        return outcomes;
    }
    list.Status().ShowStatus(v1 ? kStatusRemovingV1 : kStatusRemovingV2);
    const int total = list.CountCheckedRows();
    bool failed = false;
    for (int i = 0; i < list.RowCount(); ++i) {
        if (list.CancelRequested()) break;
        if (!list.Rows()[static_cast<std::size_t>(i)].Checked) continue;
        const std::string& path = list.RowPath(i);
        outcomes.push_back({path, v1 ? engine.RemoveId3v1(path) : engine.RemoveId3v2(path)});
        const TagResult result = outcomes.back().Outcome.Result;
        if (result == TagResult::Failed || result == TagResult::Aborted) failed = true;
        if (result == TagResult::Aborted) break;
        list.Status().ShowProgress(path, 100.0 / total * static_cast<double>(outcomes.size()));
    }
    list.Status().ShowTotal();
    if (failed)
        list.HostPort().ShowNotice({NoticeKind::FilesUnchanged}, kFilesUnchanged, kProductName,
                                   MessageIcon::Information, MessageButtons::Ok);
    BuildList(list, true, false);
    return outcomes;
}

}  // namespace tagmora
