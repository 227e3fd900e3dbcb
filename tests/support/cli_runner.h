#pragma once

// Runs tonvela-cli as a user does, through the shell, and collects what it printed and its exit
// code. TONVELA_CLI_PATH is the program's path, empty when the build has no tonvela-cli (tests
// then skip with cliMissing()).

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tonvela::test {

struct CliRun {
    int code = -1;  // exit code; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

inline bool cliMissing() { return std::string(TONVELA_CLI_PATH).empty(); }

// Runs a shell command line; standard error of the whole line is collected apart.
inline CliRun runCommandLine(const std::string& command) {
    std::string errFile = (std::filesystem::temp_directory_path() / "tonvela-cli-err-XXXXXX").string();
    const int fd = ::mkstemp(errFile.data());
    if (fd >= 0) ::close(fd);
    CliRun r;
    FILE* p = ::popen(("{ " + command + "; } 2>" + errFile).c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream e(errFile, std::ios::binary);
    r.err.assign(std::istreambuf_iterator<char>(e), {});
    std::error_code ignored;
    std::filesystem::remove(errFile, ignored);
    return r;
}

// A shell command line in which every "CLI" stands for tonvela-cli (so pipelines and
// redirections work as typed).
inline CliRun runShell(std::string command) {
    const std::string program = TONVELA_CLI_PATH;
    for (size_t at = 0; (at = command.find("CLI", at)) != std::string::npos; at += program.size())
        command.replace(at, 3, program);
    return runCommandLine(command);
}

// tonvela-cli with the arguments, written as they would be typed in a shell.
inline CliRun runCli(const std::string& args) {
    return runCommandLine(std::string(TONVELA_CLI_PATH) + " " + args);
}

}  // namespace tonvela::test
