#include "CliRunner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "AccessOverride.h"
#include "TestFiles.h"

namespace tagmora::test {

CliResult RunCli(const std::vector<std::string>& args, const std::string& configHome) {
    return RunCliTo(args, configHome, {});
}

CliResult RunCliTo(const std::vector<std::string>& args, const std::string& configHome, const std::string& target) {
    CliRunOptions how;
    how.OutPath = target;
    return RunCliWith(args, configHome, how);
}

CliResult RunCliWith(const std::vector<std::string>& args, const std::string& configHome, const CliRunOptions& how) {
    const std::string& target = how.OutPath;
    TempDir scratch;
    const std::string outPath = target.empty() ? scratch / "out" : target;
    const std::string errPath = scratch / "err";
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | (target.empty() ? O_TRUNC : 0), 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::dup2(in, 0);
        ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (configHome + "/data").c_str(), 1);  // the folder entry's files
        if (!how.WorkingDir.empty() && ::chdir(how.WorkingDir.c_str()) != 0) ::_exit(126);
        if (how.WithoutAccessOverride && !DropAccessOverride()) ::_exit(125);
        std::vector<char*> argv;
        std::string program = TAGMORA_CLI_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies(args);
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    CliResult result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (target.empty()) result.Out = ReadFile(outPath);
    result.Err = ReadFile(errPath);
    return result;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find('\t', start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fields;
}

}  // namespace tagmora::test
