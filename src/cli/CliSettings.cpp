// tagmora-cli settings: init stores the first-run defaults and a window position once; show
// prints the stored values; set checks and stores values as the settings dialog's OK does.
#include <memory>
#include <algorithm>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/CliCommon.h"
#include "cli/CliCommands.h"
#include "cli/CliMessages.h"
#include "common/Text.h"
#include "platform/FolderVerb.h"
#include "settings/SettingsCommand.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPosition.h"

namespace tagmora::cli {

namespace {

using StoredValues = std::vector<std::pair<std::string, RegValue>>;

bool IsStored(const StoredValues& values, std::string_view name) {
    return std::any_of(values.begin(), values.end(),
                       [name](const auto& value) { return text::EqualsAsciiIgnoreCase(value.first, name); });
}

bool IsNamed(const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [name](const std::string& n) { return text::EqualsAsciiIgnoreCase(n, name); });
}

}  // namespace

int RunSettingsShow(CliSession& session, const std::vector<std::string>& names) {
    const StoredValues values = StoredSettingValues(session.Settings);
    for (const std::string& name : names) {
        if (IsStored(values, name)) continue;
        session.Say(name, say::kNotStoredSetting);
        return 2;
    }
    std::string out;
    for (const auto& [name, value] : values) {
        if (!names.empty() && !IsNamed(names, name)) continue;
        if (!session.Json) out += name + "=" + SettingValueText(value) + "\n";
        else if (value.Type == RegType::Dword)
            out += JsonLine().Number(name, static_cast<std::int32_t>(value.Dword)).Line();
        else out += JsonLine().Text(name, SettingValueText(value)).Line();
    }
    return FinishOutput(session, out);
}

int RunSettingsSet(CliSession& session, const std::vector<std::string>& assignments) {
    AppSettings changed = session.Settings;
    std::vector<std::string> names;
    bool valid = true;
    const auto refuse = [&](std::string_view what, const std::string& why) {
        session.Say(what, why);
        valid = false;
    };
    for (const std::string& assignment : assignments) {
        const std::size_t eq = assignment.find('=');
        if (eq == std::string::npos || eq == 0) {
            refuse(assignment, say::kExpectedAssignment);
            continue;
        }
        const std::string name = assignment.substr(0, eq);
        std::string error;
        if (SetSettingByName(changed, name, assignment.substr(eq + 1), error)) names.push_back(name);
        else refuse(name, error);
    }
    // A value the store does not keep (Path, a column past ExcColumnsCount) would be lost.
    const StoredValues values = StoredSettingValues(changed);
    for (const std::string& name : names) {
        if (!IsStored(values, name)) refuse(name, say::kNotStoredSetting);
    }
    if (!valid) return 2;
    XdgFolderVerb verb(XdgFolderVerb::DefaultDataHome());
    if (!ApplyFolderVerbChange(changed, session.Settings.UseShellCall, verb, session.HostPort)) return 1;
    if (!SaveSettings(changed, session.Store)) {
        session.Say(FileSettingsStore::DefaultUserHivePath(), say::kCannotWriteSettings);
        return 1;
    }
    return 0;
}

int RunSettingsInit(CliSession& session) {
    const std::string userHive = FileSettingsStore::DefaultUserHivePath();
    SettingsStore& store = session.Store;
    if (session.LoadResult == SettingsLoadResult::Loaded) {
        session.Out << "Settings are already stored in " << userHive << "; nothing changed.\n";
        return 0;
    }
    if (!SaveSettings(session.Settings, store)) {
        session.Say(userHive, say::kCannotWriteSettings);
        return 1;
    }
    if (!LoadWindowPosition(store)) {
        // A window of the designed size near the top left corner of the screen.
        const WindowPosition position{100, 100, 623, 299 + 21 + 24, 0};
        if (!StoreWindowPosition(store, position)) {
            session.Say(userHive, say::kCannotWriteSettings);
            return 1;
        }
    }
    session.Out << "Stored the first-run settings in " << userHive << ".\n";
    return 0;
}

std::vector<AddedCommand> AddSettingsCommands(CLI::App& app, SharedOptions& shared) {
    CLI::App* settings = app.add_subcommand("settings", "the stored settings");
    settings->footer("Example:\n  tagmora-cli --set IncludeSubDirs=0 settings init");
    settings->require_subcommand(1);
    CLI::App* init = settings->add_subcommand(
        "init", "store the first-run defaults (with the --set overrides) and a window position, once");
    init->footer("Example:\n  tagmora-cli --set IncludeSubDirs=0 --set ReplaceSymbol=_ settings init");
    auto names = std::make_shared<std::vector<std::string>>();
    CLI::App* show = settings->add_subcommand(
        "show", "NAME=VALUE per stored setting in the store's order (the first-run defaults when none are stored)");
    show->add_flag("--json", shared.Json, "one JSON object per setting: {\"NAME\": VALUE}, numbers as numbers");
    show->add_option("NAME", *names, "only these settings")->type_name("");
    auto values = std::make_shared<std::vector<std::string>>();
    CLI::App* set = settings->add_subcommand(
        "set", "check the values as the settings dialog does and store them all, or none when one is bad");
    set->add_option("NAME=VALUE", *values, "e.g. IncludeSubDirs=0 ShowItem=hex:01,01,...")->type_name("")->required();
    return {{init, [](CliSession& session) { return RunSettingsInit(session); }},
            {show, [names](CliSession& session) { return RunSettingsShow(session, *names); }},
            {set, [values](CliSession& session) { return RunSettingsSet(session, *values); }}};
}

}  // namespace tagmora::cli
