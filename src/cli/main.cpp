// tagmora-cli: the command-line front end over the same core as the program.
#include <cstring>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliCommon.h"

namespace {

constexpr const char* kUsage =
    "Usage: tagmora-cli [--set NAME=VALUE]... COMMAND [OPTIONS] [ARGUMENTS] FOLDER...\n"
    "\n"
    "Lists and works on the MP3 files of folders, as the Tagmora program does, with the\n"
    "settings stored by the program (a --set overrides one setting for this run only).\n"
    "\n"
    "Commands:\n"
    "  list [--json] FOLDER...        one line per row: check state and the 21 column texts,\n"
    "                                 tab-separated (\\t \\n \\r \\\\ escaped); --json: one object per row\n"
    "  eval [--all] SCRIPT FOLDER...  the script's result for every checked row (--all: every row)\n"
    "  check SCRIPT FOLDER...         the script's preview on the first checked row\n"
    "  rename --preset [--dry-run] FOLDER...\n"
    "                                 rename the checked files by the preset pattern of the settings\n"
    "  rename --script SCRIPT [--dry-run] FOLDER...\n"
    "                                 rename (or move into subfolders) the checked files by a script;\n"
    "                                 needs IncludeSubDirs on. Prints one line OLD\\tNEW (escaped as\n"
    "                                 in list) per file renamed, or with --dry-run per file planned,\n"
    "                                 touching nothing; failures go to stderr, exit code 1 when any\n"
    "                                 file was not renamed. No existing file is ever replaced.\n"
    "  settings init                  store the first-run defaults (with the --set overrides) and a\n"
    "                                 window position when no complete settings are stored yet\n"
    "\n"
    "Options:\n"
    "  --set NAME=VALUE   override a setting by its value name, e.g. --set IncludeSubDirs=0\n"
    "  --help             show this help\n"
    "  --version          show the version\n";

using Command = int (*)(tagmora::cli::CliSession&, const std::vector<std::string>&);

Command FindCommand(const std::string& name) {
    if (name == "list") return tagmora::cli::RunList;
    if (name == "eval") return tagmora::cli::RunEval;
    if (name == "check") return tagmora::cli::RunCheck;
    if (name == "settings") return tagmora::cli::RunSettings;
    if (name == "rename") return tagmora::cli::RunRename;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::pair<std::string, std::string>> sets;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "tagmora-cli " << TAGMORA_VERSION << '\n';
            return 0;
        }
        std::string assignment;
        if (arg == "--set") {
            if (i + 1 >= argc) {
                std::cerr << "tagmora-cli: --set needs NAME=VALUE\n";
                return 2;
            }
            assignment = argv[++i];
        } else if (arg.rfind("--set=", 0) == 0) {
            assignment = arg.substr(6);
        } else {
            break;
        }
        const auto eq = assignment.find('=');
        if (eq == std::string::npos || eq == 0) {
            std::cerr << "tagmora-cli: --set needs NAME=VALUE, got '" << assignment << "'\n";
            return 2;
        }
        sets.emplace_back(assignment.substr(0, eq), assignment.substr(eq + 1));
    }
    if (i >= argc) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string name = argv[i++];
    const Command command = FindCommand(name);
    if (command == nullptr) {
        std::cerr << "tagmora-cli: unknown command '" << name << "' (see --help)\n";
        return 2;
    }
    std::vector<std::string> args(argv + i, argv + argc);
    for (const auto& arg : args) {
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
    }
    tagmora::cli::CliSession session(std::cout, std::cerr);
    if (!tagmora::cli::LoadSessionSettings(session, sets)) return 2;
    return command(session, args);
}
