// tagmora-cli help: the --help pages, wrapped to the terminal, with the options as they are typed
// (no parser marks) and the exit status at the end of every page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

namespace tagmora::cli {

inline constexpr const char* kExitStatusHelp =
    "Exit status: 0 done, 1 a file or folder failed, 2 usage or nothing to do.";

// The width of the help: the terminal's columns when standard output is a terminal (its window
// size, else $COLUMNS, else 80); 80 when it is not. Never below 40.
std::size_t HelpWidth();

// Wraps each line of `text` at spaces to `width` columns (counted in characters). A line keeps
// its leading spaces, and the lines an indented one wraps into are indented two more; empty
// lines stay.
std::string WrapText(std::string_view text, std::size_t width);

// The formatter of every help page: usage, description, arguments, options, commands, the footer
// (where a command's examples are) and the exit status, all wrapped to the width.
class HelpFormatter : public CLI::Formatter {
public:
    explicit HelpFormatter(std::size_t width);
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_option_name(const CLI::Option* option, bool positional) const override;
    std::string make_option_opts(const CLI::Option* option) const override;

private:
    // One row of a list: the name in the left column, the text wrapped in the right one.
    std::string Row(const std::string& name, const std::string& text) const;
    std::size_t width_;
};

}  // namespace tagmora::cli
