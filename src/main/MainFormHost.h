// QtHost: the host port of the main window. Message boxes and the folder picker are Qt dialogs;
// everything else is passed to the window. Tests derive from it to answer boxes and pickers.
#pragma once

#include <chrono>
#include <string>

#include "common/Ports.h"

namespace tagmora {

class MainForm;

// Processes the pending events of the application at most once per interval: long loops ask at
// every row or folder, and a key or a close waits at most the interval (and the step it comes
// in). The first call, and the first after Reset, processes at once.
class EventPacer {
public:
    static constexpr std::chrono::milliseconds kInterval{10};
    explicit EventPacer(std::chrono::milliseconds interval = kInterval) : interval_(interval) {}
    void ProcessEvents();
    void Reset() { last_ = {}; }

private:
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_{};
};

class QtHost : public Host {
public:
    QtHost() = default;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    // The window that owns the boxes and receives the window requests; set by the window.
    void Attach(MainForm* form) { form_ = form; }
    MainForm* Form() const { return form_; }

    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    bool PickFolder(const std::string& instruction, std::string& path, bool newStyle) override;
    void ProcessEvents() override;
    void SetListVisible(bool visible) override;
    void SetCaption(const std::string& caption) override;
    void SetApplicationTitle(const std::string& title) override;
    void StartTitleScrolling() override;
    void SetCommandEnabled(MenuName item, bool enabled) override;
    void FitColumns() override;

private:
    MainForm* form_ = nullptr;
    EventPacer events_;
};

}  // namespace tagmora
