#include "main/MainFormShell.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include <utility>

namespace tagmora {

namespace {

QString FromBytes(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

}  // namespace

QtShell::QtShell(std::string opener) : opener_(std::move(opener)), openers_(std::make_unique<QObject>()) {}

QtShell::~QtShell() {
    for (QProcess* process : openers_->findChildren<QProcess*>()) process->disconnect();
}

bool QtShell::StartDetached(const std::vector<std::string>& command) {
    if (command.empty()) return false;
    QStringList arguments;
    for (std::size_t i = 1; i < command.size(); ++i) arguments.push_back(FromBytes(command[i]));
    return QProcess::startDetached(FromBytes(command.front()), arguments);
}

bool QtShell::OpenDocument(const std::string& path, const std::string& fragment, std::function<void()> failed) {
    const QFileInfo file(FromBytes(path));
    if (!file.isFile()) return false;
    QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    if (!fragment.empty()) url.setFragment(QString::fromStdString(fragment));
    const QString opener = QStandardPaths::findExecutable(FromBytes(opener_));
    if (opener.isEmpty()) return QDesktopServices::openUrl(url);
    auto* process = new QProcess(openers_.get());
    QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if ((code != 0 || status != QProcess::NormalExit) && failed) failed();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        process->deleteLater();
        if (failed) failed();
    });
    process->start(opener, {QString::fromUtf8(url.toEncoded())});
    return true;
}

void QtShell::SetClipboardText(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(QString::fromUtf8(text));
}

}  // namespace tagmora
