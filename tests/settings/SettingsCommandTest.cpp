// Tests of the settings command: the order of the OK steps, the folder verb only on a change, a
// failed verb stopping before the save, a failed save reported, and the grid lines after cancel.
// The window's tests follow the dialog's requests and the saved settings through the real store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePorts.h"
#include "settings/SettingsCommand.h"

namespace tagmora {
namespace {

using Log = std::vector<std::string>;

// A store that keeps nothing: each save of the settings key is logged and succeeds unless told.
class LoggingStore : public SettingsStore {
public:
    explicit LoggingStore(Log& log) : log_(log) {}
    bool KeyExists(Hive, const std::string&) override { return false; }
    std::optional<RegValue> ReadValue(Hive, const std::string&, const std::string&) override { return std::nullopt; }
    bool WriteValues(Hive, const std::string&, const std::vector<std::pair<std::string, RegValue>>&) override {
        log_.push_back("save");
        return !Fails;
    }
    bool DeleteKey(Hive, const std::string&) override { return false; }
    bool Fails = false;

private:
    Log& log_;
};

class LoggingVerb : public FolderVerbPort {
public:
    explicit LoggingVerb(Log& log) : log_(log) {}
    bool AddFolderVerb(const std::string& installPath, std::string& error) override {
        log_.push_back("add:" + installPath);
        if (Fails) error = "/data/kio: Permission denied";
        OnDisk = !Fails;
        return !Fails;
    }
    bool RemoveFolderVerb() override {
        log_.push_back("remove");
        OnDisk = Fails;
        return !Fails;
    }
    bool FolderVerbExists() override { return OnDisk; }
    bool Fails = false;
    bool OnDisk = false;

private:
    Log& log_;
};

// The dialog: logs itself and, on OK, takes over the values it was given.
class LoggingDialog : public SettingsDialogPort {
public:
    explicit LoggingDialog(Log& log) : log_(log) {}
    bool AskSettings(const SettingsDialogRequest& request) override {
        log_.push_back("dialog");
        if (!Confirm) return false;
        request.Settings.UseShellCall = UseShellCall;
        request.Settings.ResizeTabHeaders = ResizeTabHeaders;
        request.Settings.ShowGrid = ShowGrid;
        return true;
    }
    bool Confirm = true;
    bool UseShellCall = false;
    bool ResizeTabHeaders = false;
    bool ShowGrid = false;

private:
    Log& log_;
};

struct Fixture {
    Log log;
    LoggingStore store{log};
    LoggingVerb verb{log};
    LoggingDialog dialog{log};
    test::FakeHost host;
    AppSettings settings;
    SettingsWindow window{
        [this] { log.push_back("layout"); },
        [this] { log.push_back("fit"); },
        [this](bool on) { log.push_back(on ? "grid:on" : "grid:off"); },
        {},
        {},
    };
    bool Run() { return SettingsMnuClick(settings, store, dialog, verb, host, window); }
};

struct StepCase {
    const char* Name;
    bool Confirm;
    bool WasOn, NowOn;
    bool Resize, ShowGrid;
    bool VerbFails, SaveFails;
    Log Expected;
};

const StepCase kStepCases[] = {
    {"unchanged verb, no fit", true, false, false, false, true, false, false, {"dialog", "layout", "save", "grid:on"}},
    {"unchanged verb on, fit",
     true,
     true,
     true,
     true,
     false,
     false,
     false,
     {"dialog", "layout", "fit", "save", "grid:off"}},
    {"turned on",
     true,
     false,
     true,
     true,
     true,
     false,
     false,
     {"dialog", "add:/opt/tm", "layout", "fit", "save", "grid:on"}},
    {"turned off", true, true, false, false, true, false, false, {"dialog", "remove", "layout", "save", "grid:on"}},
    // A failed verb stops the command: no layout, no save, no grid lines.
    {"turned on, verb fails", true, false, true, true, true, true, false, {"dialog", "add:/opt/tm"}},
    {"removal fails", true, true, false, false, true, true, false, {"dialog", "remove", "layout", "save", "grid:on"}},
    {"save fails", true, false, false, false, false, false, true, {"dialog", "layout", "save", "grid:off"}},
    // Cancel: only the grid lines, from the settings as they were (ShowGrid true below).
    {"cancel", false, false, true, true, false, false, false, {"dialog", "grid:on"}},
    {"cancel, verb on", false, true, false, true, false, false, false, {"dialog", "grid:on"}},
};

TEST(SettingsCommandTest, OkStepsRunInOrderAndTheVerbOnlyOnAChange) {
    for (const StepCase& c : kStepCases) {
        SCOPED_TRACE(c.Name);
        Fixture f;
        f.settings.Path = "/opt/tm";
        f.settings.UseShellCall = c.WasOn;
        f.settings.ShowGrid = true;
        f.dialog.Confirm = c.Confirm;
        f.dialog.UseShellCall = c.NowOn;
        f.dialog.ResizeTabHeaders = c.Resize;
        f.dialog.ShowGrid = c.ShowGrid;
        f.verb.Fails = c.VerbFails;
        f.verb.OnDisk = c.WasOn;
        f.store.Fails = c.SaveFails;
        EXPECT_EQ(f.Run(), c.Confirm);
        EXPECT_EQ(f.log, c.Expected);
        EXPECT_EQ(f.settings.UseShellCall, c.Confirm ? f.verb.OnDisk : c.WasOn);  // what is on disk
        if (c.VerbFails && c.NowOn) {
            ASSERT_EQ(f.host.Messages.size(), 1u);
            EXPECT_EQ(f.host.Messages[0].Text, "/data/kio: Permission denied");
            EXPECT_EQ(f.host.Messages[0].Caption, "Tagmora");
            EXPECT_EQ(f.host.Messages[0].Icon, MessageIcon::Error);
        } else if (c.SaveFails) {
            ASSERT_EQ(f.host.Messages.size(), 1u);
            EXPECT_EQ(f.host.Messages[0].Text, kSettingsNotSaved);
            EXPECT_EQ(f.host.Messages[0].Icon, MessageIcon::Error);
        } else {
            EXPECT_TRUE(f.host.Messages.empty());
        }
    }
}

}  // namespace
}  // namespace tagmora
