// The real tag engine of the batch commands, and the menu commands that use it.
#include "writetags/TagEngine.h"

#include "common/Messages.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"
#include "writetags/TagRemoval.h"
#include "writetags/TagWriteBatch.h"

namespace tagmora {

namespace {

constexpr const char* kWhileWritingFile = " при записи файла ";
constexpr const char* kDeleteFailed =
    "Не удалось удалить исходный файл.\n\nПрервать - прервать всю операцию\nПовторить - повторить попытку удалить "
    "файл\nПропустить - удалить все такие файлы вручную позже\n\nЕсли эта ошибка будет повторяться, см. раздел "
    "справки \"Замеченные ошибки\".";

// The box that names the backup copies of interrupted rewrites found beside the files written.
constexpr const char* kBackupsFound =
    "Найдены резервные копии файлов, оставшиеся после прерванной записи TAG'ов. Сравните их с файлами папки "
    "и удалите ненужные:";

constexpr NoticeKind kTagFileFailed = NoticeKind::TagFileFailed;

// Names the backup copies the session found (once each) in a box.
void TellBackupsFound(Id3v2WriteSession& session, Host& host) {
    if (session.BackupsFound.empty()) return;
    std::string text = kBackupsFound;
    for (const std::string& backup : session.BackupsFound) text += "\n" + backup;
    Notice notice{NoticeKind::BackupsFound};
    notice.Paths = std::move(session.BackupsFound);
    session.BackupsFound.clear();
    host.ShowNotice(notice, text, kProductName, MessageIcon::Warning, MessageButtons::Ok);
}

// The file-error box of an ID3v2 failure the user must hear of at once: the file cannot be opened, or the
// new content cannot be written. Other outcomes go to the batch's summary.
TagOutcome Told(TagOutcome outcome, const std::string& path, Host& host) {
    if (outcome.Result != TagResult::Failed) return outcome;
    switch (outcome.Step) {
        case TagStep::Open:
        case TagStep::Read: ShowFileError(host, outcome.Error, path, kWhileOpeningFile, kTagFileFailed); break;
        case TagStep::CreateTemporary:
        case TagStep::WriteTemporary:
            ShowFileError(host, outcome.Error, path, kWhileUsingTemporaryFile, kTagFileFailed);
            break;
        case TagStep::WriteInPlace:
        case TagStep::Restore: ShowFileError(host, outcome.Error, path, kWhileWritingFile, kTagFileFailed); break;
        default: break;
    }
    return outcome;
}

}  // namespace

std::string DeleteFailedText(int error, const std::string& keptPath) {
    return "Код ошибки - " + std::to_string(error) + ". \n" + kDeleteFailed + "\n\n" + keptPath;
}

TagEngine RealTagEngine(const AppSettings& settings, Id3v2WriteSession& session, Host& host) {
    session.AfterFailedRename = [&session, &host](const std::string& path, int error, const std::string& keptPath) {
        if (session.IgnoreDeleteErrors) return RenameDecision::Ignore;
        Notice notice{NoticeKind::NewFileNotInPlace, path, error};
        notice.Paths.push_back(keptPath);
        switch (host.ShowNotice(notice, DeleteFailedText(error, keptPath),
                                std::string(kProductName) + kFileErrorCaptionSuffix, MessageIcon::Error,
                                MessageButtons::AbortRetryIgnore)) {
            case MessageResult::Abort: return RenameDecision::Abort;
            case MessageResult::Ignore: session.IgnoreDeleteErrors = true; return RenameDecision::Ignore;
            default: return RenameDecision::Retry;
        }
    };
    TagEngine engine;
    engine.WriteId3v1 = [&settings](const std::string& path, const Id3v1Tag& tag) {
        return WriteId3v1Tag(path, tag, settings.TagCodePage);
    };
    engine.RemoveId3v1 = [&settings](const std::string& path) { return RemoveId3v1Tag(path, settings.TryChangeAttrs); };
    engine.WriteId3v2 = [&settings, &session, &host](const std::string& path, const Id3v2WriteRecord& record) {
        session.CodePage = settings.TagCodePage;
        return Told(WriteId3v2Tag(path, record, session), path, host);
    };
    engine.RemoveId3v2 = [&settings, &session, &host](const std::string& path) {
        session.CodePage = settings.TagCodePage;
        return Told(RemoveId3v2Tag(path, settings.TryChangeAttrs, session), path, host);
    };
    return engine;
}

TagWriteBatchResult WriteTagsMnuClick(FileList& list, int mode, WriteTagsDialogPort& dialog,
                                      Id3v2WriteSession& session) {
    list.Status().ShowStatus(kStatusWait);
    TagWriteBatchResult result =
        TagWriteBatch(list, mode, dialog, RealTagEngine(list.Settings(), session, list.HostPort()));
    TellBackupsFound(session, list.HostPort());
    return result;
}

std::vector<TagRemovalOutcome> KillTags1MnuClick(FileList& list, Id3v2WriteSession& session) {
    std::vector<TagRemovalOutcome> outcomes =
        RemoveTagsFromChecked(list, 1, RealTagEngine(list.Settings(), session, list.HostPort()));
    TellBackupsFound(session, list.HostPort());
    return outcomes;
}

std::vector<TagRemovalOutcome> KillTags2MnuClick(FileList& list, Id3v2WriteSession& session) {
    list.Status().ShowStatus(kStatusWait);
    std::vector<TagRemovalOutcome> outcomes =
        RemoveTagsFromChecked(list, 2, RealTagEngine(list.Settings(), session, list.HostPort()));
    TellBackupsFound(session, list.HostPort());
    return outcomes;
}

}  // namespace tagmora
