// Test support: a status reporter, a host and a shell that record what the core asks of them.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/Ports.h"
#include "common/ShellPort.h"

namespace tagmora::test {

class RecordingStatus : public StatusReporter {
public:
    void ShowStatus(const std::string& text) override { Log.push_back("status:" + text); }
    void ShowStatusBriefly(const std::string& text) override { Log.push_back("brief:" + text); }
    void ShowTotal() override { Log.push_back("total"); }
    void ShowProgress(const std::string& text, double percent) override { Progress.emplace_back(text, percent); }
    void ShowFolderPanel(const std::string& text) override { Panels.push_back(text); }

    std::vector<std::string> Log;
    std::vector<std::pair<std::string, double>> Progress;
    std::vector<std::string> Panels;
};

class FakeHost : public Host {
public:
    struct Message {
        std::string Text;
        std::string Caption;
        MessageIcon Icon;
        MessageButtons Buttons;
    };

    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override {
        Messages.push_back({text, caption, icon, buttons});
        return Answers.empty() ? MessageResult::Ok : TakeAnswer();
    }
    bool PickFolder(const std::string& instruction, std::string& path, bool newStyle) override {
        PickerCalls.push_back({instruction, path});
        PickerNewStyle = newStyle;
        if (!PickerAnswer) return false;
        path = *PickerAnswer;
        return true;
    }
    void ProcessEvents() override {
        ++EventsProcessed;
        if (OnProcessEvents) OnProcessEvents();
    }
    void SetListVisible(bool visible) override { ListVisibility.push_back(visible); }
    void SetCaption(const std::string& caption) override { Caption = caption; }
    void SetApplicationTitle(const std::string& title) override { AppTitle = title; }
    void StartTitleScrolling() override { TitleScrolling = true; }
    void SetCommandEnabled(MenuName item, bool enabled) override { Enabled[std::string(item.Text)] = enabled; }
    void FitColumns() override { ++FitCalls; }

    std::vector<Message> Messages;
    std::vector<MessageResult> Answers;
    std::vector<std::pair<std::string, std::string>> PickerCalls;
    std::optional<std::string> PickerAnswer;
    bool PickerNewStyle = false;
    int EventsProcessed = 0;
    std::function<void()> OnProcessEvents;
    std::vector<bool> ListVisibility;
    std::string Caption;
    std::string AppTitle;
    bool TitleScrolling = false;
    std::map<std::string, bool> Enabled;
    int FitCalls = 0;

private:
    MessageResult TakeAnswer() {
        const MessageResult r = Answers.front();
        Answers.erase(Answers.begin());
        return r;
    }
};

// A shell that records its requests and starts and opens nothing; Starts and Opens say whether a
// request succeeds.
class RecordingShell : public ShellPort {
public:
    bool StartDetached(const std::vector<std::string>& command) override {
        Started.push_back(command);
        return Starts;
    }
    bool OpenDocument(const std::string& path, const std::string& fragment, std::function<void()>) override {
        Opened.emplace_back(path, fragment);
        return Opens;
    }
    void SetClipboardText(const std::string& text) override { Clipboard.push_back(text); }

    bool Starts = true;
    bool Opens = true;
    std::vector<std::vector<std::string>> Started;
    std::vector<std::pair<std::string, std::string>> Opened;
    std::vector<std::string> Clipboard;
};

}  // namespace tagmora::test
