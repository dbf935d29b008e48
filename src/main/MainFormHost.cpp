#include "main/MainFormHost.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "common/FixedSizeForm.h"
#include "main/MainForm.h"

namespace tagmora {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Question: return QMessageBox::Question;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::AbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

MessageResult BoxResult(int pressed, MessageButtons buttons) {
    switch (pressed) {
        case QMessageBox::Ok: return MessageResult::Ok;
        case QMessageBox::Cancel: return MessageResult::Cancel;
        case QMessageBox::Yes: return MessageResult::Yes;
        case QMessageBox::No: return MessageResult::No;
        case QMessageBox::Abort: return MessageResult::Abort;
        case QMessageBox::Retry: return MessageResult::Retry;
        case QMessageBox::Ignore: return MessageResult::Ignore;
        default: break;
    }
    return ClosedBoxAnswer(buttons);  // closed without a button
}

}  // namespace

MessageResult QtHost::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                  MessageButtons buttons) {
    QMessageBox box(BoxIcon(icon), QString::fromUtf8(caption), QString::fromUtf8(text), BoxButtons(buttons), form_);
    box.setWindowFlags(kFixedSizeDialogFlags);
    if (form_ != nullptr) form_->ListForBox(true);
    const MessageResult result = BoxResult(box.exec(), buttons);
    if (form_ != nullptr) form_->ListForBox(false);
    return result;
}

bool QtHost::PickFolder(const std::string& instruction, std::string& path, bool newStyle) {
    // Only folders can be chosen, and the picker offers no way to create one: ReadOnly disables
    // Qt's own "new folder" button. The desktop's native dialog (the new style) may ignore that
    // hint and keep its button; it cannot be removed from outside.
    QFileDialog::Options options = QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly;
    if (!newStyle) options |= QFileDialog::DontUseNativeDialog;
    const QString chosen = QFileDialog::getExistingDirectory(
        form_, QString::fromUtf8(instruction), QFile::decodeName(QByteArray::fromStdString(path)), options);
    if (chosen.isEmpty()) return false;
    path = QFile::encodeName(chosen).toStdString();
    return true;
}

void EventPacer::ProcessEvents() {
    const auto now = std::chrono::steady_clock::now();
    if (last_ != std::chrono::steady_clock::time_point{} && now - last_ < interval_) return;
    QCoreApplication::processEvents();
    // From the end of the processing: a slow repaint does not make the next one due at once.
    last_ = std::chrono::steady_clock::now();
}

void QtHost::ProcessEvents() { events_.ProcessEvents(); }

void QtHost::SetListVisible(bool visible) {
    if (form_ != nullptr) form_->SetListVisible(visible);
    // The list leaves or comes back to the screen at the next processing.
    events_.Reset();
}

void QtHost::SetCaption(const std::string& caption) {
    if (form_ != nullptr) form_->setWindowTitle(QString::fromUtf8(caption));
}

void QtHost::SetApplicationTitle(const std::string& title) {
    if (form_ != nullptr) form_->SetApplicationTitle(title);
}

void QtHost::StartTitleScrolling() {
    if (form_ != nullptr) form_->StartTitleScrolling();
}

void QtHost::SetCommandEnabled(MenuName item, bool enabled) {
    if (form_ == nullptr) return;
    if (QAction* action = form_->Command(item)) action->setEnabled(enabled);
}

void QtHost::FitColumns() {
    if (form_ != nullptr) form_->FitColumns();
}

}  // namespace tagmora
