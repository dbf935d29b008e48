// QtHost: the host port of the main window. Message boxes and the folder picker are Qt dialogs;
// everything else is passed to the window. Tests derive from it to answer boxes and pickers.
#pragma once

#include <string>

#include "common/Ports.h"

namespace tagmora {

class MainForm;

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
};

}  // namespace tagmora
