// QtShell: the shell port of the window. Programs start detached with QProcess, documents open
// with the desktop's opener (xdg-open), watched until it ends, or else through QDesktopServices,
// and the clipboard is Qt's.
#pragma once

#include <QObject>

#include <memory>
#include <string>
#include <vector>

#include "common/ShellPort.h"

namespace tagmora {

class QtShell : public ShellPort {
public:
    // `opener`: the program that opens a document's URL with the desktop's viewer, sought in PATH
    // when it has no "/". When it cannot be found, QDesktopServices is asked instead.
    explicit QtShell(std::string opener = "xdg-open");
    // Openers still running are ended (a viewer one started stays open) and no longer reported.
    ~QtShell() override;

    // QProcess::startDetached: false when the program cannot be found or started. The words are
    // file-system bytes (QFile::decodeName), so that any file name reaches the player intact.
    bool StartDetached(const std::vector<std::string>& command) override;
    // False when the file does not exist (the desktop would only report that in a window of its
    // own, if at all) or the desktop has no viewer to ask; a relative path is taken from the
    // current folder. An opener that ends with an error or a crash calls `failed`.
    bool OpenDocument(const std::string& path, const std::string& fragment, std::function<void()> failed) override;
    void SetClipboardText(const std::string& text) override;

private:
    std::string opener_;
    // The parent of the running openers.
    std::unique_ptr<QObject> openers_;
};

}  // namespace tagmora
