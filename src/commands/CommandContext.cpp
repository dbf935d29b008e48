// The command context and RunCommand.
#include "commands/CommandContext.h"

#include <exception>

#include "common/Messages.h"

namespace tagmora {

CommandContext::CommandContext(SettingsStore& store, StatusReporter& status, Host& host, Dialogs& dialogs)
    : store_(store), dialogs_(dialogs), list_(settings_, status, host) {}

bool CommandContext::RunCommand(const std::function<void()>& command) {
    if (list_.Busy()) return false;
    FileList::BusyGuard busy(list_);
    if (frame_ != nullptr) frame_->CommandStarting();
    try {
        command();
    } catch (const std::exception& error) {
        Notice notice{NoticeKind::CommandFailed};
        notice.Reason = error.what();
        HostPort().ShowNotice(notice, error.what(), kProductName, MessageIcon::Error, MessageButtons::Ok);
    }
    if (frame_ != nullptr) frame_->CommandEnded();
    return true;
}

}  // namespace tagmora
