// tagmora-cli help: the width of the terminal, the wrapping and the help formatter.
#include "cli/CliHelp.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tagmora::cli {

namespace {

constexpr std::size_t kDefaultWidth = 80;
constexpr std::size_t kMinimumWidth = 40;
constexpr std::size_t kNameColumn = 28;

// Characters, not bytes: UTF-8 continuation bytes do not count.
std::size_t Columns(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Wraps one line: its words after `indent` spaces, the lines it wraps into after `hanging`.
void WrapLine(std::string& out, std::string_view line, std::size_t indent, std::size_t hanging, std::size_t width) {
    std::size_t column = 0;
    bool first = true;
    for (std::size_t start = 0; start < line.size();) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        const std::string_view word = line.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        if (column > 0 && column + 1 + Columns(word) > width) {
            out += '\n';
            column = 0;
            first = false;
        }
        if (column == 0) {
            column = first ? indent : hanging;
            out.append(column, ' ');
        } else {
            out += ' ';
            ++column;
        }
        out += word;
        column += Columns(word);
    }
    out += '\n';
}

std::string Join(const std::vector<std::string>& words, const char* separator) {
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : separator) + word;
    return joined;
}

bool Repeatable(const CLI::Option* option) {
    return option->get_items_expected_max() >= CLI::detail::expected_max_vector_size;
}

// The nameless option groups of a command (such as "one of --v1, --v2").
std::vector<const CLI::App*> OptionGroups(const CLI::App* app) {
    return app->get_subcommands([](const CLI::App* sub) { return sub->get_name().empty(); });
}

// The options of a group, without the help flag it takes over from its command.
std::vector<const CLI::Option*> GroupOptions(const CLI::App* group) {
    return group->get_options([group](const CLI::Option* option) { return option != group->get_help_ptr(); });
}

}  // namespace

std::size_t HelpWidth() {
    if (!isatty(STDOUT_FILENO)) return kDefaultWidth;
    std::size_t width = 0;
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        width = size.ws_col;
    } else if (const char* columns = std::getenv("COLUMNS")) {
        width = static_cast<std::size_t>(std::strtoul(columns, nullptr, 10));
    }
    if (width == 0) width = kDefaultWidth;
    return std::max(width, kMinimumWidth);
}

std::string WrapText(std::string_view text, std::size_t width) {
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (end == text.size() && line.empty()) break;
        const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
        std::string wrapped;
        WrapLine(wrapped, line, indent, indent > 0 ? indent + 2 : 0, width);
        out += wrapped;
        start = end + 1;
    }
    return out;
}

HelpFormatter::HelpFormatter(std::size_t width) : width_(width) { column_width(std::min(kNameColumn, width / 3)); }

std::string HelpFormatter::Row(const std::string& name, const std::string& text) const {
    std::string out = "  " + name;
    const std::size_t column = get_column_width();
    std::string wrapped;
    WrapLine(wrapped, text, 0, 0, width_ - column);
    if (Columns(out) + 2 > column) {
        out += '\n';
        out.append(column, ' ');
    } else {
        out.append(column - Columns(out), ' ');
    }
    // Every line of the text starts in the right column.
    for (std::size_t i = 0; i + 1 < wrapped.size(); ++i) {
        out += wrapped[i];
        if (wrapped[i] == '\n') out.append(column, ' ');
    }
    return out + '\n';
}

std::string HelpFormatter::make_option_name(const CLI::Option* option, bool positional) const {
    if (positional) return option->get_type_name().empty() ? option->get_name(true) : option->get_type_name();
    std::vector<std::string> names;
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    return Join(names, ", ");
}

std::string HelpFormatter::make_option_opts(const CLI::Option* option) const {
    if (option->get_items_expected_min() == 0 || option->get_type_name().empty()) return {};
    return " " + option->get_type_name();
}

std::string HelpFormatter::make_usage(const CLI::App* app, std::string name) const {
    std::string usage = "Usage: " + name;
    for (const CLI::App* group : OptionGroups(app)) {
        std::vector<std::string> choices;
        for (const CLI::Option* option : GroupOptions(group))
            choices.push_back(make_option_name(option, false) + make_option_opts(option));
        const bool one = group->get_require_option_min() == 1 && group->get_require_option_max() == 1;
        usage += (one ? " (" : " [") + Join(choices, " | ") + (one ? ")" : "]");
    }
    const auto options = app->get_options([app](const CLI::Option* option) {
        return option->nonpositional() && option != app->get_help_ptr() && option != app->get_version_ptr();
    });
    if (!options.empty()) usage += " [OPTIONS]";
    for (const CLI::Option* option : app->get_options([](const CLI::Option* o) { return o->get_positional(); })) {
        const std::string word = make_option_name(option, true) + (Repeatable(option) ? "..." : "");
        usage += " " + (option->get_required() ? word : "[" + word + "]");
    }
    if (!app->get_subcommands([](const CLI::App* sub) { return !sub->get_name().empty(); }).empty())
        usage += " COMMAND";
    return WrapText(usage, width_);
}

std::string HelpFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const {
    std::string out = make_usage(app, name);
    if (!app->get_description().empty()) out += "\n" + WrapText(app->get_description(), width_);

    const auto positionals = app->get_options([](const CLI::Option* o) { return o->get_positional(); });
    if (!positionals.empty()) {
        out += "\nArguments:\n";
        for (const CLI::Option* option : positionals)
            out += Row(make_option_name(option, true), option->get_description());
    }

    // The options of the groups first, then the command's own, the help and version last.
    std::vector<const CLI::Option*> options;
    for (const CLI::App* group : OptionGroups(app)) {
        for (const CLI::Option* option : GroupOptions(group)) options.push_back(option);
    }
    for (const CLI::Option* option : app->get_options([app](const CLI::Option* o) {
             return o->nonpositional() && o != app->get_help_ptr() && o != app->get_version_ptr();
         }))
        options.push_back(option);
    for (const CLI::Option* option : {app->get_help_ptr(), app->get_version_ptr()}) {
        if (option != nullptr) options.push_back(option);
    }
    out += "\nOptions:\n";
    for (const CLI::Option* option : options)
        out += Row(make_option_name(option, false) + make_option_opts(option), option->get_description());

    const auto commands = app->get_subcommands([](const CLI::App* sub) { return !sub->get_name().empty(); });
    if (!commands.empty()) {
        out += "\nCommands:\n";
        for (const CLI::App* command : commands) out += Row(command->get_name(), command->get_description());
    }
    if (!app->get_footer().empty()) out += "\n" + WrapText(app->get_footer(), width_);
    return out + "\n" + WrapText(kExitStatusHelp, width_);
}

}  // namespace tagmora::cli
