// QtShell: the shell port of the window. Programs start detached with QProcess, documents open
// with the desktop's default viewer (QDesktopServices), and the clipboard is Qt's.
#pragma once

#include <string>
#include <vector>

#include "common/ShellPort.h"

namespace tagmora {

class QtShell : public ShellPort {
public:
    // QProcess::startDetached: false when the program cannot be found or started. The words are
    // file-system bytes (QFile::decodeName), so that any file name reaches the player intact.
    bool StartDetached(const std::vector<std::string>& command) override;
    // False when the file does not exist (the desktop would only report that in a window of its
    // own, if at all) or the desktop has no viewer to ask; a relative path is taken from the
    // current folder.
    bool OpenDocument(const std::string& path, const std::string& fragment) override;
    void SetClipboardText(const std::string& text) override;
};

}  // namespace tagmora
