// ShellPort: what the program asks of the desktop around it: start a program without waiting for
// it (the player's enqueue command), open a document with the desktop's default viewer (the help),
// and put a text on the clipboard. The window implements it with Qt; tests record the requests.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tagmora {

class ShellPort {
public:
    virtual ~ShellPort() = default;
    // Starts `command` (the program, then its arguments, each passed as it is, without a shell)
    // detached: the program is not waited for and outlives ours. False when it could not be
    // started (not found, not executable); what it does afterwards is not checked.
    virtual bool StartDetached(const std::vector<std::string>& command) = 0;
    // Opens the file `path` with the desktop's default viewer, at `fragment` (an anchor of an
    // HTML file; empty: its top). False when the file is missing or no viewer could be asked.
    // When the desktop was asked but then fails (its opener ends with an error), `failed` is
    // called later, once, from the event loop.
    virtual bool OpenDocument(const std::string& path, const std::string& fragment, std::function<void()> failed) = 0;
    // Replaces the clipboard's contents with the plain text.
    virtual void SetClipboardText(const std::string& text) = 0;
};

// A shell that does nothing: nothing starts or opens, the clipboard is left alone.
class NullShell : public ShellPort {
public:
    bool StartDetached(const std::vector<std::string>&) override { return false; }
    bool OpenDocument(const std::string&, const std::string&, std::function<void()>) override { return false; }
    void SetClipboardText(const std::string&) override {}
};

}  // namespace tagmora

namespace tagmora {

// The folder context-menu entry ("Tag&mora") of the desktop's file managers, which starts the
// program on the chosen folder. Implemented for the file managers of this platform by
// src/platform/FolderVerb; tests use a folder of their own.
class FolderVerbPort {
public:
    virtual ~FolderVerbPort() = default;
    // AddFolderVerb: writes the entry, running the program of the installation whose data folder
    // is `installPath` on the folder. False, with the reason in `error`, when it could not be
    // written.
    virtual bool AddFolderVerb(const std::string& installPath, std::string& error) = 0;
    // RemoveFolderVerb: removes the entry; true when it existed.
    virtual bool RemoveFolderVerb() = 0;
    // Whether the entry is there now (any part of it).
    virtual bool FolderVerbExists() = 0;
};

}  // namespace tagmora
