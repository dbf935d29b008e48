// The command context: what every command works on (the settings, the settings store, the file
// list, the undo list and the dialogs), and RunCommand, the one frame in which every command runs.
// The window builds one, and so does the command line:
//
//     NullStatusReporter status;
//     NullHost host;
//     NullDialogs dialogs;
//     CommandContext context(store, status, host, dialogs);
//     LoadSettings(context.Settings(), store);
//     context.RunCommand([&] { RenameAllMnuClick(context.List(), context.Undo()); });
#pragma once

#include <functional>

#include "commands/Dialogs.h"
#include "common/Ports.h"
#include "filelist/FileList.h"
#include "rename/Undo.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "tags/Id3v2Write.h"

namespace tagmora {

// What a front end does around every command that runs (not around a refused one): the window
// resets its list model before it and restores the highlighted rows after it.
class CommandFrame {
public:
    virtual ~CommandFrame() = default;
    virtual void CommandStarting() = 0;
    virtual void CommandEnded() = 0;
};

class CommandContext {
public:
    // The context keeps references to the store and the ports; they outlive it.
    CommandContext(SettingsStore& store, StatusReporter& status, Host& host, Dialogs& dialogs);
    CommandContext(const CommandContext&) = delete;
    CommandContext& operator=(const CommandContext&) = delete;

    AppSettings& Settings() { return settings_; }
    SettingsStore& Store() { return store_; }
    FileList& List() { return list_; }
    // The pairs of the last preset rename, for the undo.
    UndoList& Undo() { return undo_; }
    Dialogs& DialogsPort() { return dialogs_; }
    // The workbook and sheet of the last export dialog: they stay from one export to the next.
    ExportTarget& Export() { return exportTarget_; }
    // The ID3v2 writer's state of the program run: the choice Ignore in its delete-failure box
    // (IgnoreDeleteErrors) holds until the program ends, and each folder is swept once.
    Id3v2WriteSession& TagWriteSession() { return tagWriteSession_; }
    Host& HostPort() { return list_.HostPort(); }
    StatusReporter& Status() { return list_.Status(); }

    // The frame of the front end (nullptr: none).
    void SetFrame(CommandFrame* frame) { frame_ = frame; }

    // Runs `command` unless another command is running (a command started from the events that
    // a long loop processes): then nothing happens and the result is false. While it runs the
    // list is busy; the frame is told before and after. An exception that the command does not
    // catch ends it and is shown in a box with its text (caption "Tagmora", error icon). True
    // when the command ran.
    bool RunCommand(const std::function<void()>& command);

    // Is a command running?
    bool Busy() const { return list_.Busy(); }

private:
    AppSettings settings_;
    SettingsStore& store_;
    Dialogs& dialogs_;
    FileList list_;
    UndoList undo_;
    ExportTarget exportTarget_;
    Id3v2WriteSession tagWriteSession_;
    CommandFrame* frame_ = nullptr;
};

}  // namespace tagmora
