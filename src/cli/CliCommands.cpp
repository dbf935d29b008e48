// What the commands of tagmora-cli share on the parser's side.
#include "cli/CliCommands.h"

#include <CLI/CLI.hpp>

namespace tagmora::cli {

void AddFolders(CLI::App& command, std::vector<std::string>& folders) {
    command.add_option("FOLDER", folders, "the folders to scan")->type_name("")->required();
}

}  // namespace tagmora::cli
