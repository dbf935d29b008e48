// Ports: the small interfaces through which the core reaches the window, the user and the desktop.
// The Qt layer and src/platform implement them for real; tests replace them with a few lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/MenuNames.h"

namespace tagmora {

// The status bar of the main window.
class StatusReporter {
public:
    virtual ~StatusReporter() = default;
    // Panel 0 shows the text, panel 1 is emptied, repainted at once.
    virtual void ShowStatus(const std::string& text) = 0;
    // ShowStatus, then the row total comes back after 4 seconds.
    virtual void ShowStatusBriefly(const std::string& text) = 0;
    // " Всего файлов - " and the number of rows.
    virtual void ShowTotal() = 0;
    // A progress bar with the text over the status bar; processes pending events first.
    virtual void ShowProgress(const std::string& text, double percent) = 0;
    // The second panel (the folder being entered during a scan).
    virtual void ShowFolderPanel(const std::string& text) = 0;
};

enum class MessageIcon { None, Information, Warning, Error, Question };

// Button sets and answers of a message box.
enum class MessageButtons { Ok, OkCancel, YesNo, AbortRetryIgnore };
enum class MessageResult { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

// The answer of a box closed without a button (Escape, the window's close button), and of a box
// that no one can answer (the command line): the one that changes least.
constexpr MessageResult ClosedBoxAnswer(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel: return MessageResult::Cancel;
        case MessageButtons::YesNo: return MessageResult::No;
        case MessageButtons::AbortRetryIgnore: return MessageResult::Abort;
        case MessageButtons::Ok: break;
    }
    return MessageResult::Ok;
}

// What a box of the core is about, with its facts, for a front end that words its own messages
// (the command line); the window shows the box's text.
enum class NoticeKind {
    NoCheckedFiles,     // no row is checked
    FileNotRead,        // Path could not be opened while the rows were read (Error)
    TagFileFailed,      // a tag write or removal failed on Path (Error); its outcome tells the rest
    NewFileNotInPlace,  // the new content of Path could not be put in place (Error); Paths[0] keeps it
    BackupsFound,       // Paths: backup copies left by interrupted rewrites
    FilesUnchanged,     // the summary of a tag batch in which a file stayed unchanged
    FilesNotRenamed,    // the summary of a rename in which a file kept its name
    ExportFailed,       // the workbook Path was not written; Reason says why, in English
    CommandFailed,      // a command ended by an error of the system; Reason is its text
    CoverRefused,       // the picture file Path cannot be a cover; Reason says why, in English
};

struct Notice {
    // Not explicit: {NoticeKind::FilesUnchanged} is a notice without facts.
    Notice(NoticeKind kind, std::string path = {}, int error = 0) : Kind(kind), Path(std::move(path)), Error(error) {}
    NoticeKind Kind;
    std::string Path;
    int Error = 0;
    std::vector<std::string> Paths;
    std::string Reason;
};

// The host: what the core asks of the window and the user.
class Host {
public:
    virtual ~Host() = default;
    virtual MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) = 0;
    // A box about a known matter: the window shows `text` as ShowMessage does; the command line
    // words the notice's facts itself.
    virtual MessageResult ShowNotice(const Notice& /*notice*/, const std::string& text, const std::string& caption,
                                     MessageIcon icon, MessageButtons buttons) {
        return ShowMessage(text, caption, icon, buttons);
    }
    // The folder picker. On entry `path` is the initial folder (cleared by the caller's rules);
    // true and the chosen folder in `path` when the user confirms.
    virtual bool PickFolder(const std::string& instruction, std::string& path, bool newStyle) = 0;
    // Processes pending window events (keeps the window alive during long loops).
    virtual void ProcessEvents() = 0;
    virtual void SetListVisible(bool visible) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetApplicationTitle(const std::string& title) = 0;
    // The application title starts scrolling (after a list pass).
    virtual void StartTitleScrolling() = 0;
    // Enables or disables a menu item (menu::NextDirMnu, menu::UnDoMnu, ...).
    virtual void SetCommandEnabled(MenuName item, bool enabled) = 0;
    // Fits the column widths to the contents (only the window can measure text).
    virtual void FitColumns() = 0;
};

// A host and a status reporter that do nothing: the command-line front end, benchmarks and tests
// use them (overriding what they need). Boxes answer Ok; pickers are never confirmed.
class NullHost : public Host {
public:
    MessageResult ShowMessage(const std::string&, const std::string&, MessageIcon, MessageButtons) override {
        return MessageResult::Ok;
    }
    bool PickFolder(const std::string&, std::string&, bool) override { return false; }
    void ProcessEvents() override {}
    void SetListVisible(bool) override {}
    void SetCaption(const std::string&) override {}
    void SetApplicationTitle(const std::string&) override {}
    void StartTitleScrolling() override {}
    void SetCommandEnabled(MenuName, bool) override {}
    void FitColumns() override {}
};

class NullStatusReporter : public StatusReporter {
public:
    void ShowStatus(const std::string&) override {}
    void ShowStatusBriefly(const std::string&) override {}
    void ShowTotal() override {}
    void ShowProgress(const std::string&, double) override {}
    void ShowFolderPanel(const std::string&) override {}
};

}  // namespace tagmora
