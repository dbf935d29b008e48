// tagmora-cli shell completion: the scripts for bash, zsh and fish, written from the commands and
// options as the program defines them, so that they never drift from it. The build runs
// `tagmora-cli --completion SHELL` and installs what it prints.
#pragma once

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace tagmora::cli {

// The first argument that makes tagmora-cli print a completion script (not shown in the help).
inline constexpr const char* kCompletionOption = "--completion";

// Writes the completion script of `shell` ("bash", "zsh" or "fish") for `app`: its commands and
// options; the setting names for --set (as NAME=), the column captions for --where, the rules for
// --mark, files for an option of type FILE and folders for FOLDER. False for any other shell.
bool WriteCompletion(const CLI::App& app, const std::string& shell, std::ostream& out);

}  // namespace tagmora::cli
