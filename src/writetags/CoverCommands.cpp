// The cover dialog's commands on one file.
#include "writetags/CoverCommands.h"

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "filelist/BuildList.h"
#include "filelist/FileList.h"
#include "platform/FileIo.h"
#include "tags/Pictures.h"
#include "writetags/TagWriteBatch.h"

namespace tagmora {

bool ChangeRowCover(FileList& list, int row, CoverEdit edit, const std::string& picture, const TagEngine& engine) {
    Host& host = list.HostPort();
    Id3v2WriteRecord record = KeepEveryField(edit);
    if (edit == CoverEdit::Set) {
        const PictureFile file = LoadPictureFile(picture);
        if (file.Status != PictureFileStatus::Ok) {
            Notice notice{NoticeKind::CoverRefused, picture, file.Error};
            notice.Reason = PictureFileProblem(file);
            host.ShowNotice(notice, CoverRefusedText(picture, file), kProductName, MessageIcon::Error,
                            MessageButtons::Ok);
            return false;
        }
        record.CoverContent = std::make_shared<const std::string>(FrontCoverContent(file.Mime, file.Bytes));
    }
    const std::string path = list.RowPath(row);
    const FileReadiness readiness = PrepareFileForWrite(path, list.Settings().TryChangeAttrs);
    const bool written = readiness == FileReadiness::Writable && engine.WriteId3v2(path, record).Done();
    if (!written) {
        host.ShowNotice({NoticeKind::FilesUnchanged}, kFilesUnchanged, kProductName, MessageIcon::Information,
                        MessageButtons::Ok);
    }
    ReadRowTags(list, row);
    return written;
}

int SaveCoverAs(const std::string& path, std::string_view bytes) {
    return fileio::ReplaceFileAtomically(
        path, [bytes](int fd) { return fileio::WriteAll(fd, bytes); }, fileio::NewFileAccess::ByUmask);
}

}  // namespace tagmora
