// tagmora-cli: the command-line front end over the same core as the program. The arguments are
// read by CLI11: --help for the program and each command (with examples, wrapped to the terminal),
// -V/--version, and a message naming the unknown or missing part for a usage error (exit code 2).
#include <cerrno>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/CliCommands.h"
#include "cli/CliCommon.h"
#include "cli/CliCompletion.h"
#include "cli/CliHelp.h"

namespace {

constexpr const char* kDescription =
    "Lists and works on the MP3 files of folders, as the Tagmora program does, with the settings stored by "
    "the program (a --set before the command overrides one setting for this run only). Folders are taken as "
    "the program takes its own command line: as full paths; with IncludeSubDirs=1 the first folder is scanned "
    "fresh and the others are added; with IncludeSubDirs=0 only the first is scanned.";

constexpr const char* kFooter =
    "Output is tab-separated, escaped so that no tag reaches the terminal raw: \\t \\n \\r \\\\, NUL as \\0, "
    "other control characters as \\xHH; with --json each result is one JSON object per line. Messages go to "
    "stderr as 'tagmora-cli COMMAND: [PATH: ]reason'. Run 'tagmora-cli COMMAND --help' for the options and "
    "examples of a command, 'man tagmora-cli' for the manual.\n"
    "\n"
    "Examples:\n"
    "  tagmora-cli list ~/Music\n"
    "  tagmora-cli --set IncludeSubDirs=0 eval '%p0%' ~/Music/Album";

constexpr const char* kVersion = "tagmora-cli " TAGMORA_VERSION "\nLicense: see the README";

// NAME=VALUE of a --set, split at the first "=".
std::pair<std::string, std::string> SplitAssignment(const std::string& assignment) {
    const auto eq = assignment.find('=');
    return {assignment.substr(0, eq), assignment.substr(eq + 1)};
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    CLI::App app(kDescription, "tagmora-cli");
    // Before the commands are added: they take the formatter and the help flag from the program.
    app.formatter(std::make_shared<tagmora::cli::HelpFormatter>(tagmora::cli::HelpWidth()));
    app.set_help_flag("-h,--help", "show this help");
    app.footer(kFooter);
    app.set_version_flag("-V,--version", kVersion, "show the version and the licence");
    app.require_subcommand(1);
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        // The help of the command the error is about (the deepest one given).
        std::string command = failed->get_name();
        for (const CLI::App* sub = failed; !sub->get_subcommands().empty();) {
            sub = sub->get_subcommands().front();
            command += " " + sub->get_name();
        }
        return command + ": " + std::string(error.what()) + " (see '" + command + " --help')\n";
    });

    std::vector<std::string> assignments;
    app.add_option("--set", assignments, "override a setting by its stored name, e.g. --set IncludeSubDirs=0")
        ->type_name("NAME=VALUE")
        ->check(
            [](const std::string& value) {
                const auto eq = value.find('=');
                return eq == std::string::npos || eq == 0 ? std::string("needs NAME=VALUE, got '" + value + "'")
                                                          : std::string();
            },
            "");

    tagmora::cli::SharedOptions shared;
    std::vector<tagmora::cli::AddedCommand> commands = {
        tagmora::cli::AddListCommand(app, shared),      tagmora::cli::AddEvalCommand(app, shared),
        tagmora::cli::AddCheckCommand(app, shared),     tagmora::cli::AddRenameCommand(app, shared),
        tagmora::cli::AddWriteTagsCommand(app, shared), tagmora::cli::AddRemoveTagsCommand(app, shared),
        tagmora::cli::AddExportCommand(app, shared),    tagmora::cli::AddCoversCommand(app, shared)};
    for (tagmora::cli::AddedCommand& settings : tagmora::cli::AddSettingsCommands(app, shared))
        commands.push_back(std::move(settings));

    // Not shown in the help: the build writes the shell completions from the commands defined above.
    if (argc == 3 && std::string_view(argv[1]) == tagmora::cli::kCompletionOption)
        return tagmora::cli::WriteCompletion(app, argv[2], std::cout) ? 0 : 2;

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            errno = 0;
            app.exit(error);  // --help, --version
            std::cout.flush();
            if (std::cout.good()) return 0;
            tagmora::cli::ReportOutputFailure({}, errno);
            return 1;
        }
        if (app.get_subcommands().empty() && !app.remaining().empty()) {
            std::cerr << "tagmora-cli: unknown command '" << app.remaining().front()
                      << "' (see 'tagmora-cli --help')\n";
            return 2;
        }
        app.exit(error, std::cout, std::cerr);
        return 2;
    }

    std::vector<std::pair<std::string, std::string>> sets;
    for (const auto& assignment : assignments) sets.push_back(SplitAssignment(assignment));
    // The command as its messages name it: "rename", "settings set".
    std::string command;
    for (const CLI::App* sub = &app; !sub->get_subcommands().empty();) {
        sub = sub->get_subcommands().front();
        command += (command.empty() ? "" : " ") + sub->get_name();
    }
    // The session, its rows above all, is never destroyed: the end of the process takes its memory
    // back at once, where freeing it piece by piece would only lengthen the way out.
    auto& session = *new tagmora::cli::CliSession(std::cout, std::cerr, command);
    session.Marking = shared.Marking;
    session.Json = shared.Json;
    if (!tagmora::cli::LoadSessionSettings(session, sets)) return 2;
    for (const tagmora::cli::AddedCommand& added : commands) {
        if (!added.Command->parsed()) continue;
        const int code = added.Run(session);
        session.Status.Clear();
        return code;
    }
    return 2;
}
