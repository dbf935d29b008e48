#include "main/MainFormShell.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace tagmora {

namespace {

QString FromBytes(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

}  // namespace

bool QtShell::StartDetached(const std::vector<std::string>& command) {
    if (command.empty()) return false;
    QStringList arguments;
    for (std::size_t i = 1; i < command.size(); ++i) arguments.push_back(FromBytes(command[i]));
    return QProcess::startDetached(FromBytes(command.front()), arguments);
}

bool QtShell::OpenDocument(const std::string& path, const std::string& fragment) {
    const QFileInfo file(FromBytes(path));
    if (!file.isFile()) return false;
    QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    if (!fragment.empty()) url.setFragment(QString::fromStdString(fragment));
    return QDesktopServices::openUrl(url);
}

void QtShell::SetClipboardText(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(QString::fromUtf8(text));
}

}  // namespace tagmora
