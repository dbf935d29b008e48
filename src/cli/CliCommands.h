// The commands of tagmora-cli as the parser sees them: each Add*Command adds one command (its
// options, help and examples) to the program and gives back how to run it once it was the command
// given. The options every command shares are kept in one place.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/CliMarking.h"

namespace CLI {
class App;
}

namespace tagmora::cli {

struct CliSession;

// Options of more than one command: the folders, --json and the marking options.
struct SharedOptions {
    std::vector<std::string> Folders;
    bool Json = false;
    MarkingOptions Marking;
};

// A command added to the program: the parser's command and how it runs (its exit code).
struct AddedCommand {
    CLI::App* Command = nullptr;
    std::function<int(CliSession&)> Run;
};

// Adds the FOLDER... arguments (one at least) of a command.
void AddFolders(CLI::App& command, std::vector<std::string>& folders);

AddedCommand AddListCommand(CLI::App& app, SharedOptions& shared);
AddedCommand AddEvalCommand(CLI::App& app, SharedOptions& shared);
AddedCommand AddCheckCommand(CLI::App& app, SharedOptions& shared);
AddedCommand AddRenameCommand(CLI::App& app, SharedOptions& shared);
AddedCommand AddWriteTagsCommand(CLI::App& app, SharedOptions& shared);
AddedCommand AddRemoveTagsCommand(CLI::App& app, SharedOptions& shared);
AddedCommand AddExportCommand(CLI::App& app, SharedOptions& shared);
AddedCommand AddCoversCommand(CLI::App& app, SharedOptions& shared);
// "settings" with its commands init, show and set.
std::vector<AddedCommand> AddSettingsCommands(CLI::App& app, SharedOptions& shared);

}  // namespace tagmora::cli
