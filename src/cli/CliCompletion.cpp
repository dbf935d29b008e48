// tagmora-cli shell completion: a model of the commands read from the parser, and the three
// shells' scripts written from it.
#include "cli/CliCompletion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <ostream>
#include <set>
#include <vector>

#include "cli/CliMarking.h"
#include "filelist/FileList.h"
#include "settings/AppSettings.h"

namespace tagmora::cli {

namespace {

// What the values of an option are completed with.
enum class ValueKind { Text, File, Setting, Column, Rule };

struct OptionModel {
    std::vector<std::string> Names;  // "-h", "--help"
    std::string Help;
    int Values = 0;  // the words an option takes; 0 for a flag
    ValueKind Kind = ValueKind::Text;
};

struct CommandModel {
    std::string Path;  // "" for the program itself, "list", "settings init"
    std::vector<OptionModel> Options;
    std::vector<std::pair<std::string, std::string>> Commands;  // name, help
    bool Folders = false;                                       // takes FOLDER arguments
};

// The help of an option or command as a shell shows it beside the name: up to its first ";",
// at most about 60 characters.
std::string Brief(const std::string& help) {
    constexpr std::size_t kLimit = 60;
    std::string brief = help.substr(0, help.find_first_of(";\n"));
    if (brief.size() > kLimit) brief = brief.substr(0, brief.rfind(' ', kLimit - 3)) + "...";
    return brief;
}

OptionModel ModelOf(const CLI::Option* option) {
    OptionModel model;
    for (const std::string& name : option->get_snames()) model.Names.push_back("-" + name);
    for (const std::string& name : option->get_lnames()) model.Names.push_back("--" + name);
    model.Help = Brief(option->get_description());
    model.Values = option->get_items_expected_min();
    const std::string& name = model.Names.back();
    if (name == "--set") model.Kind = ValueKind::Setting;
    else if (name == "--where") model.Kind = ValueKind::Column;
    else if (name == "--mark") model.Kind = ValueKind::Rule;
    else if (option->get_type_name() == "FILE") model.Kind = ValueKind::File;
    return model;
}

void Collect(const CLI::App& app, const std::string& path, std::vector<CommandModel>& commands) {
    CommandModel& command = commands.emplace_back();
    command.Path = path;
    std::vector<const CLI::App*> owners{&app};
    for (const CLI::App* sub : app.get_subcommands({})) {
        if (sub->get_name().empty()) owners.push_back(sub);  // an option group
    }
    for (const CLI::App* owner : owners) {
        for (const CLI::Option* option : owner->get_options()) {
            if (owner != &app && option == owner->get_help_ptr()) continue;  // a group's copy of the help flag
            if (option->nonpositional()) command.Options.push_back(ModelOf(option));
            else if (option->get_name(true) == "FOLDER") command.Folders = true;
        }
    }
    std::vector<const CLI::App*> subcommands;
    for (const CLI::App* sub : app.get_subcommands({})) {
        if (sub->get_name().empty()) continue;
        command.Commands.emplace_back(sub->get_name(), Brief(sub->get_description()));
        subcommands.push_back(sub);
    }
    for (const CLI::App* sub : subcommands)
        Collect(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), commands);
}

std::string Joined(const std::vector<std::string>& words, const std::string& separator = " ") {
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : separator) + word;
    return joined;
}

// A text in single quotes for bash and zsh.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A text in single quotes for fish, where a backslash escapes too.
std::string FishQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

// The description inside a zsh _arguments entry or _describe item: "[", "]" and ":" escaped.
std::string ZshDescription(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '[' || c == ']' || c == ':' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::vector<std::string> Captions() {
    const auto& captions = ColumnCaptions();
    return {captions.begin(), captions.end()};
}

std::vector<std::string> QuotedEach(const std::vector<std::string>& words) {
    std::vector<std::string> quoted;
    for (const std::string& word : words) quoted.push_back(Quoted(word));
    return quoted;
}

// The case arms that follow the command words and skip the values of options.
void WriteCommandWalk(const std::vector<CommandModel>& commands, std::ostream& out, bool fish) {
    for (const CommandModel& command : commands) {
        for (const OptionModel& option : command.Options) {
            if (option.Values == 0) continue;
            for (const std::string& name : option.Names) {
                out << (fish ? "            case " : "            ") << Quoted(command.Path + "|" + name)
                    << (fish ? "\n                set skip " : ") skip=") << option.Values << (fish ? "\n" : " ;;\n");
            }
        }
        for (const auto& [name, help] : command.Commands) {
            const std::string path = command.Path.empty() ? name : command.Path + " " + name;
            out << (fish ? "            case " : "            ") << Quoted(command.Path + "|" + name)
                << (fish ? "\n                set command " : ") command=") << Quoted(path) << (fish ? "\n" : " ;;\n");
        }
    }
}

void WriteBash(const std::vector<CommandModel>& commands, std::ostream& out) {
    out << "# bash completion for tagmora-cli, written by `tagmora-cli --completion bash`.\n"
        << "_tagmora_cli_settings=" << Quoted(Joined(SettingNames())) << "\n"
        << "_tagmora_cli_columns=(" << Joined(QuotedEach(Captions())) << ")\n\n"
        << "_tagmora_cli() {\n"
        << "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        << "    local command='' option='' skip=0 i word words='' subcommands='' folders=0 c\n"
        << "    [[ $cur == = || $prev == = ]] && return 0\n"
        << "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        << "        word=${COMP_WORDS[i]}\n"
        << "        if ((skip > 0)); then skip=$((skip - 1)); continue; fi\n"
        << "        option=$word\n"
        << "        case \"$command|$word\" in\n";
    WriteCommandWalk(commands, out, false);
    out << "        esac\n"
        << "    done\n"
        << "    if ((skip > 0)); then\n"
        << "        case \"$option\" in\n";
    std::set<std::string> written;
    for (const CommandModel& command : commands) {
        for (const OptionModel& option : command.Options) {
            if (option.Values == 0 || !written.insert(option.Names.back()).second) continue;
            out << "            " << Joined(option.Names, "|") << ") ((skip == " << option.Values << ")) && ";
            switch (option.Kind) {
                case ValueKind::Setting:
                    out << "{ compopt -o nospace; COMPREPLY=($(compgen -W \"$_tagmora_cli_settings\" -S = -- "
                           "\"$cur\")); } ;;\n";
                    break;
                case ValueKind::Column:
                    // The word as typed may hold a quote or backslashes before blanks ("File\ s").
                    out << "for c in \"${_tagmora_cli_columns[@]}\"; do\n"
                        << "                word=${cur//\\\\/}; word=${word#[\\\"\\']}\n"
                        << "                [[ ${c,,} == \"${word,,}\"* ]] && COMPREPLY+=(\"$(printf '%q' \"$c\")\")\n"
                        << "            done ;;\n";
                    break;
                case ValueKind::Rule:
                    out << "COMPREPLY=($(compgen -W " << Quoted(Joined(MarkRuleNames())) << " -- \"$cur\")) ;;\n";
                    break;
                case ValueKind::File:
                    out << "{ compopt -o filenames; local IFS=$'\\n'; COMPREPLY=($(compgen -f -- \"$cur\")); } ;;\n";
                    break;
                case ValueKind::Text: out << "true ;;\n"; break;
            }
        }
    }
    out << "        esac\n"
        << "        return 0\n"
        << "    fi\n"
        << "    case \"$command\" in\n";
    for (const CommandModel& command : commands) {
        std::vector<std::string> names, subcommands;
        for (const OptionModel& option : command.Options)
            names.insert(names.end(), option.Names.begin(), option.Names.end());
        for (const auto& [name, help] : command.Commands) subcommands.push_back(name);
        out << "        " << Quoted(command.Path) << ") words=" << Quoted(Joined(names))
            << " subcommands=" << Quoted(Joined(subcommands)) << " folders=" << command.Folders << " ;;\n";
    }
    out << "    esac\n"
        << "    if [[ $cur == -* ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
        << "    elif [[ -n $subcommands ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$subcommands\" -- \"$cur\"))\n"
        << "    elif ((folders)); then\n"
        << "        compopt -o filenames\n"
        << "        local IFS=$'\\n'\n"
        << "        COMPREPLY=($(compgen -d -- \"$cur\"))\n"
        << "    fi\n"
        << "}\n"
        << "complete -F _tagmora_cli tagmora-cli\n";
}

// "_tagmora-cli" for the program, "_tagmora-cli_settings_init" for a command.
std::string ZshFunction(const std::string& path) {
    std::string name = "_tagmora-cli";
    if (!path.empty()) name += "_" + path;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

void WriteZsh(const std::vector<CommandModel>& commands, std::ostream& out) {
    out << "#compdef tagmora-cli\n"
        << "# zsh completion for tagmora-cli, written by `tagmora-cli --completion zsh`.\n\n"
        << "_tagmora-cli_setting_names() {\n  compadd -S = -- " << Joined(SettingNames()) << "\n}\n\n"
        << "_tagmora-cli_columns() {\n  compadd -- " << Joined(QuotedEach(Captions())) << "\n}\n\n"
        << "_tagmora-cli_rules() {\n  compadd -- " << Joined(MarkRuleNames()) << "\n}\n";
    for (const CommandModel& command : commands) {
        out << "\n"
            << ZshFunction(command.Path) << "() {\n"
            << "  local curcontext=\"$curcontext\" state line ret=1\n"
            << "  _arguments -C";
        for (const OptionModel& option : command.Options) {
            for (const std::string& name : option.Names) {
                std::string entry = (option.Values > 0 ? "*" : "") + name + "[" + ZshDescription(option.Help) + "]";
                switch (option.Kind) {
                    case ValueKind::Setting: entry += ":setting:_tagmora-cli_setting_names"; break;
                    case ValueKind::Column: entry += ":column:_tagmora-cli_columns"; break;
                    case ValueKind::Rule: entry += ":rule:_tagmora-cli_rules"; break;
                    case ValueKind::File: entry += option.Values > 0 ? ":file:_files" : ""; break;
                    case ValueKind::Text: break;
                }
                const int free = option.Values - (option.Kind == ValueKind::Text ? 0 : 1);
                for (int i = 0; i < free; ++i) entry += ":value: ";
                out << " \\\n    " << Quoted(entry);
            }
        }
        if (!command.Commands.empty()) out << " \\\n    ': :->command' \\\n    '*:: :->argument'";
        else if (command.Folders) out << " \\\n    '*:folder:_files -/'";
        out << " && ret=0\n";
        if (!command.Commands.empty()) {
            std::vector<std::string> items;
            for (const auto& [name, help] : command.Commands)
                items.push_back(Quoted(name + ":" + ZshDescription(help)));
            out << "  case $state in\n"
                << "    (command)\n"
                << "      local -a commands=(" << Joined(items) << ")\n"
                << "      _describe -t commands command commands && ret=0 ;;\n"
                << "    (argument)\n"
                << "      local next=" << ZshFunction(command.Path) << "_${words[1]}\n"
                << "      (( $+functions[$next] )) && $next && ret=0 ;;\n"
                << "  esac\n";
        }
        out << "  return ret\n}\n";
    }
    out << "\nif [[ $funcstack[1] == _tagmora-cli ]]; then\n  _tagmora-cli \"$@\"\nelse\n"
        << "  compdef _tagmora-cli tagmora-cli\nfi\n";
}

void WriteFish(const std::vector<CommandModel>& commands, std::ostream& out) {
    out << "# fish completion for tagmora-cli, written by `tagmora-cli --completion fish`.\n\n"
        << "# \"SKIP COMMAND\": the command given so far, and how many values the last option still takes.\n"
        << "function __tagmora_cli_state\n"
        << "    set -l command ''\n"
        << "    set -l skip 0\n"
        << "    set -l words (commandline -opc)\n"
        << "    set -e words[1]\n"
        << "    for word in $words\n"
        << "        if test $skip -gt 0\n"
        << "            set skip (math $skip - 1)\n"
        << "            continue\n"
        << "        end\n"
        << "        switch \"$command|$word\"\n";
    WriteCommandWalk(commands, out, true);
    out << "        end\n"
        << "    end\n"
        << "    echo \"$skip $command\"\n"
        << "end\n\n"
        << "function __tagmora_cli_in\n    string match -q -- \"* $argv[1]\" (__tagmora_cli_state)\nend\n\n"
        << "function __tagmora_cli_at\n    test (__tagmora_cli_state) = \"0 $argv[1]\"\nend\n\n"
        << "function __tagmora_cli_settings\n    printf '%s=\\n' " << Joined(SettingNames()) << "\nend\n\n"
        << "function __tagmora_cli_columns\n    printf '%s\\n' " << Joined(QuotedEach(Captions())) << "\nend\n\n"
        << "complete -c tagmora-cli -f\n";
    for (const CommandModel& command : commands) {
        const std::string in = " -n " + FishQuoted("__tagmora_cli_in " + Quoted(command.Path));
        const std::string at = " -n " + FishQuoted("__tagmora_cli_at " + Quoted(command.Path));
        for (const OptionModel& option : command.Options) {
            out << "complete -c tagmora-cli" << in;
            for (const std::string& name : option.Names)
                out << (name.size() == 2 ? " -s " : " -l ") << name.substr(name.find_first_not_of('-'));
            if (option.Values > 0) {
                switch (option.Kind) {
                    case ValueKind::Setting: out << " -x -a '(__tagmora_cli_settings)'"; break;
                    case ValueKind::Column: out << " -x -a '(__tagmora_cli_columns)'"; break;
                    case ValueKind::Rule: out << " -x -a " << FishQuoted(Joined(MarkRuleNames())); break;
                    case ValueKind::File: out << " -r -F"; break;
                    case ValueKind::Text: out << " -x"; break;
                }
            }
            out << " -d " << FishQuoted(option.Help) << "\n";
        }
        for (const auto& [name, help] : command.Commands)
            out << "complete -c tagmora-cli" << at << " -a " << name << " -d " << FishQuoted(help) << "\n";
        if (command.Folders) out << "complete -c tagmora-cli" << at << " -a '(__fish_complete_directories)'\n";
    }
}

}  // namespace

bool WriteCompletion(const CLI::App& app, const std::string& shell, std::ostream& out) {
    std::vector<CommandModel> commands;
    Collect(app, "", commands);
    if (shell == "bash") WriteBash(commands, out);
    else if (shell == "zsh") WriteZsh(commands, out);
    else if (shell == "fish") WriteFish(commands, out);
    else return false;
    return static_cast<bool>(out.flush());
}

}  // namespace tagmora::cli
