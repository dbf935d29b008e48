// The command-line session: settings (stored, first-run defaults, --set overrides), scanning as
// the program does, and the escaping of the output.
#include "cli/CliCommon.h"

#include <algorithm>
#include <ostream>

#include "common/Text.h"
#include "filelist/BuildList.h"
#include "settings/SettingsStore.h"

namespace tagmora::cli {

MessageResult CliHost::ShowMessage(const std::string& text, const std::string& caption, MessageIcon,
                                   MessageButtons buttons) {
    std::string oneLine = text;
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    std::replace(oneLine.begin(), oneLine.end(), '\r', ' ');
    err_ << caption << ": " << oneLine << '\n';
    switch (buttons) {
        case MessageButtons::OkCancel:
            return MessageResult::Cancel;
        case MessageButtons::YesNo:
            return MessageResult::No;
        case MessageButtons::AbortRetryIgnore:
            return MessageResult::Abort;
        case MessageButtons::Ok:
            break;
    }
    return MessageResult::Ok;
}

CliSession::CliSession(std::ostream& out, std::ostream& err)
    : Out(out), Err(err), HostPort(err), List(Settings, Status, HostPort) {}

bool LoadSessionSettings(CliSession& session, const std::vector<std::pair<std::string, std::string>>& sets) {
    FileSettingsStore store(FileSettingsStore::DefaultUserHivePath(), FileSettingsStore::DefaultMachineHivePath());
    session.LoadResult = LoadSettings(session.Settings, store);
    switch (session.LoadResult) {
        case SettingsLoadResult::InstallPathError:
            session.Err << "tagmora-cli: Ошибка при чтении данных из реестра. Необходимо переустановить программу.\n";
            return false;
        case SettingsLoadResult::FirstRun:
            // Nothing is stored yet (or the stored settings are incomplete): work with the
            // first-run defaults and save nothing.
            ApplyFirstRunDefaults(session.Settings, DesignedColumnWidths());
            break;
        case SettingsLoadResult::Loaded:
            break;
    }
    for (const auto& [name, value] : sets) {
        std::string error;
        if (!SetSettingByName(session.Settings, name, value, error)) {
            session.Err << "tagmora-cli: --set " << name << ": " << error << '\n';
            return false;
        }
    }
    return true;
}

void ScanAndRead(CliSession& session, const std::vector<std::string>& folders) {
    FileList& list = session.List;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        list.CurrentFolder = folders[i];
        list.ScanFolder(folders[i], i != 0, true);
    }
    BuildList(list, false, false);
    list.RestoreAutoOrdering();
}

void FlushIfLarge(std::ostream& out, std::string& pending) {
    if (pending.size() < (1u << 20)) return;
    out << pending;
    pending.clear();
}

int FinishOutput(std::ostream& out, std::string& pending) {
    out << pending;
    pending.clear();
    out.flush();
    return out.good() ? 0 : 1;
}

void AppendEscapedField(std::string& out, std::string_view value) {
    const bool plain = std::all_of(value.begin(), value.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x80 && c != '\\';
    });
    if (plain) {
        out.append(value);
        return;
    }
    const std::string clean = text::SanitizeUtf8(value);
    for (char c : clean) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\\': out += "\\\\"; break;
            default: out.push_back(c);
        }
    }
}

std::string EscapeField(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    AppendEscapedField(out, value);
    return out;
}

std::string JsonString(std::string_view value) {
    const std::string clean = text::SanitizeUtf8(value);
    std::string out = "\"";
    out.reserve(clean.size() + 2);
    for (char c : clean) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (u < 0x20) {
                    static const char* hex = "0123456789abcdef";
                    out += "\\u00";
                    out.push_back(hex[u >> 4]);
                    out.push_back(hex[u & 0xF]);
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

ParsedArgs ParseCommandArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (const auto& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-' && parsed.Positional.empty()) {
            if (std::find(flags.begin(), flags.end(), arg) == flags.end()) {
                parsed.Error = "unknown option " + arg;
                return parsed;
            }
            parsed.Flags.push_back(arg);
        } else {
            parsed.Positional.push_back(arg);
        }
    }
    return parsed;
}

}  // namespace tagmora::cli
