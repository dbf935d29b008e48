// Test support: runs tagmora-cli with its own settings folder and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace tagmora::test {

struct CliResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// How to run it: the working folder (unchanged when empty), without root's permission override
// (AccessOverride.h), standard output to a file such as /dev/full (Out then stays empty).
struct CliRunOptions {
    std::string WorkingDir;
    bool WithoutAccessOverride = false;
    std::string OutPath;
};
CliResult RunCliWith(const std::vector<std::string>& args, const std::string& configHome, const CliRunOptions& how);

// Runs the built tagmora-cli with `args`; XDG_CONFIG_HOME points at `configHome`.
CliResult RunCli(const std::vector<std::string>& args, const std::string& configHome);
// The same with standard output going to `outPath` (such as /dev/full); Out stays empty.
CliResult RunCliTo(const std::vector<std::string>& args, const std::string& configHome, const std::string& outPath);

std::vector<std::string> SplitLines(const std::string& text);
std::vector<std::string> SplitTabs(const std::string& line);

}  // namespace tagmora::test
