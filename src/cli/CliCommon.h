// The command-line front end: one session (settings, list, ports) and the shared steps of
// every command.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Ports.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"

namespace tagmora::cli {

// Message boxes go to stderr; pickers are never confirmed; nothing is shown.
class CliHost : public NullHost {
public:
    explicit CliHost(std::ostream& err) : err_(err) {}
    MessageResult ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;

private:
    std::ostream& err_;
};

struct CliSession {
    CliSession(std::ostream& out, std::ostream& err);
    std::ostream& Out;
    std::ostream& Err;
    AppSettings Settings;
    // What the load of the stored settings found (before any --set override).
    SettingsLoadResult LoadResult = SettingsLoadResult::FirstRun;
    NullStatusReporter Status;
    CliHost HostPort;
    FileList List;
};

// Loads the stored settings (the first-run defaults when none are stored; nothing is saved),
// then applies the --set overrides. False with a message on stderr on a bad override.
bool LoadSessionSettings(CliSession& session, const std::vector<std::pair<std::string, std::string>>& sets);

// Scans the folders as the program does for its command line (the first fresh, the others
// appended; a missing folder gives no rows) and reads every row.
void ScanAndRead(CliSession& session, const std::vector<std::string>& folders);

// Output is gathered in a text and written in large pieces: FlushIfLarge writes it once it passes
// 1 MiB; FinishOutput writes the rest and gives the exit code (1 when the output failed).
void FlushIfLarge(std::ostream& out, std::string& pending);
int FinishOutput(std::ostream& out, std::string& pending);

// Escapes \t, \n, \r and \ for the tab-separated output.
std::string EscapeField(std::string_view text);
void AppendEscapedField(std::string& out, std::string_view text);
// A JSON string literal (with quotes) of the text; invalid UTF-8 shows replacement characters.
std::string JsonString(std::string_view text);

// One command: its arguments after the command name. Returns the exit code.
int RunList(CliSession& session, const std::vector<std::string>& args);
int RunEval(CliSession& session, const std::vector<std::string>& args);
int RunCheck(CliSession& session, const std::vector<std::string>& args);
int RunSettings(CliSession& session, const std::vector<std::string>& args);
int RunRename(CliSession& session, const std::vector<std::string>& args);

// Splits a command's arguments into its options (any order, before the folders) and the rest.
// `flags` are the options without a value. Unknown options are an error.
struct ParsedArgs {
    std::vector<std::string> Flags;      // options given, e.g. "--json"
    std::vector<std::string> Positional; // everything else, in order
    std::string Error;                   // non-empty on failure
};
ParsedArgs ParseCommandArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags);

}  // namespace tagmora::cli
