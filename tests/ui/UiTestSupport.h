// Support for the window tests: a host that answers boxes and pickers without showing them, a
// private settings folder per test, stored settings and MP3 files with tags.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "main/MainForm.h"
#include "main/MainFormHost.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPosition.h"

namespace tagmora::test {

// The real host for everything the window shows itself; boxes and pickers are answered here.
class UiFakeHost : public QtHost {
public:
    struct Message {
        std::string Text;
        std::string Caption;
        MessageIcon Icon;
    };

    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons) override {
        Messages.push_back({text, caption, icon});
        if (Form() != nullptr) Form()->ListForBox(true);  // as the real host does around its box
        if (OnMessage) OnMessage();
        if (Form() != nullptr) Form()->ListForBox(false);
        return MessageResult::Ok;
    }
    bool PickFolder(const std::string& instruction, std::string& path, bool newStyle) override {
        PickerInstructions.push_back(instruction);
        PickerNewStyle.push_back(newStyle);
        if (PickerAnswers.empty()) return false;
        path = PickerAnswers.front();
        PickerAnswers.erase(PickerAnswers.begin());
        return true;
    }
    void ProcessEvents() override {
        QtHost::ProcessEvents();
        ++EventsProcessed;
        if (OnProcessEvents) OnProcessEvents();
    }

    std::vector<Message> Messages;
    std::vector<std::string> PickerInstructions;
    std::vector<bool> PickerNewStyle;
    std::vector<std::string> PickerAnswers;
    int EventsProcessed = 0;
    std::function<void()> OnProcessEvents;
    std::function<void()> OnMessage;  // called as each box is shown
};

// A temporary folder that is this test's XDG_CONFIG_HOME (the per-user settings live in it).
class UiSandbox {
public:
    UiSandbox() : saved_(qgetenv("XDG_CONFIG_HOME")), hadValue_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Dir.Path() + "/config"));
    }
    ~UiSandbox() {
        if (hadValue_) qputenv("XDG_CONFIG_HOME", saved_);
        else qunsetenv("XDG_CONFIG_HOME");
    }
    UiSandbox(const UiSandbox&) = delete;
    UiSandbox& operator=(const UiSandbox&) = delete;

    // The store the window uses by default (this user, this build's installation).
    std::unique_ptr<FileSettingsStore> Store() const {
        return std::make_unique<FileSettingsStore>(FileSettingsStore::DefaultUserHivePath(),
                                                   FileSettingsStore::DefaultMachineHivePath());
    }

    // Settings as a run after the first one finds them (the first-run defaults, saved).
    static AppSettings SavedDefaults() {
        AppSettings settings;
        ApplyFirstRunDefaults(settings, DesignedColumnWidths());
        return settings;
    }

    // Saves the settings and, when given, the window position.
    void StoreSettings(const AppSettings& settings, std::optional<WindowPosition> position) const {
        const auto store = Store();
        if (!SaveSettings(settings, *store)) qFatal("the test's settings could not be stored");
        if (position && !StoreWindowPosition(*store, *position))
            qFatal("the test's window position could not be stored");
    }

    TempDir Dir;

private:
    QByteArray saved_;
    bool hadValue_;
};

// The first run's settings dialog for tests that are not about it: nothing opens, nothing is
// confirmed.
inline void NoSettingsDialog() {}

// An MP3 file of a little silence with an ID3v1 tag.
inline void WriteMp3(const std::string& path, const std::string& title, const std::string& artist,
                     const std::string& year = "2001") {
    WriteFile(path, SilentFrames(2) + Id3v1Bytes(title, artist, "Album", year, "", 1, 12));
}

}  // namespace tagmora::test
