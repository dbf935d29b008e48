// The real tag engine of the batch commands, and the menu commands that use it.
#include "writetags/TagEngine.h"

#include "common/Messages.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"
#include "writetags/TagRemoval.h"
#include "writetags/TagWriteBatch.h"

namespace tagmora {

TagEngine RealTagEngine(const AppSettings& settings, Id3v2WriteSession& session) {
    TagEngine engine;
    engine.WriteId3v1 = [&settings](const std::string& path, const Id3v1Tag& tag) {
        return WriteId3v1Tag(path, tag, settings.TagCodePage);
    };
    engine.RemoveId3v1 = [&settings](const std::string& path) { return RemoveId3v1Tag(path, settings.TryChangeAttrs); };
    engine.WriteId3v2 = [&settings, &session](const std::string& path, const Id3v2WriteRecord& record) {
        session.CodePage = settings.TagCodePage;
        return WriteId3v2Tag(path, record, session);
    };
    engine.RemoveId3v2 = [&settings, &session](const std::string& path) {
        session.CodePage = settings.TagCodePage;
        return RemoveId3v2Tag(path, settings.TryChangeAttrs, session);
    };
    return engine;
}

TagWriteBatchResult WriteTagsMnuClick(FileList& list, int mode, WriteTagsDialogPort& dialog,
                                      Id3v2WriteSession& session) {
    list.Status().ShowStatus(kStatusWait);
    return TagWriteBatch(list, mode, dialog, RealTagEngine(list.Settings(), session));
}

std::vector<TagRemovalOutcome> KillTags1MnuClick(FileList& list, Id3v2WriteSession& session) {
    return RemoveTagsFromChecked(list, 1, RealTagEngine(list.Settings(), session));
}

std::vector<TagRemovalOutcome> KillTags2MnuClick(FileList& list, Id3v2WriteSession& session) {
    list.Status().ShowStatus(kStatusWait);
    return RemoveTagsFromChecked(list, 2, RealTagEngine(list.Settings(), session));
}

}  // namespace tagmora
