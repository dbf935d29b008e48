// The message boxes that several commands share.
#include "common/Messages.h"

namespace tagmora {

void ShowNoCheckedFiles(Host& host) {
    host.ShowNotice({NoticeKind::NoCheckedFiles}, kNoCheckedFiles, kProductName, kNoCheckedFilesIcon,
                    MessageButtons::Ok);
}

std::string FileErrorText(int error, std::string_view path, std::string_view doing) {
    std::string text = "Код ошибки - " + std::to_string(error);
    text += doing;
    text += '\n';
    text += path;
    return text;
}

void ShowFileError(Host& host, int error, std::string_view path, std::string_view doing, NoticeKind kind) {
    host.ShowNotice({kind, std::string(path), error}, FileErrorText(error, path, doing),
                    std::string(kProductName) + kFileErrorCaptionSuffix, MessageIcon::Error, MessageButtons::Ok);
}

}  // namespace tagmora
