#pragma once

// Each command of tonvela-cli lives in its own file and registers itself here.
// A command returns the process exit code: 0 success, 1 failure (message on stderr),
// 2 usage error.

#include <functional>
#include <string>
#include <vector>

namespace tonvela {
class midiSong;
}

namespace tonvela::cli {

// Loads PATH into song; prints each repair of a recovering load as "PATH: repaired: ..." and a
// load error as "PATH: MESSAGE" on stderr. Returns false when the song could not be loaded.
bool loadSong(midiSong& song, const std::string& path, bool recover);
// Writes the song to PATH atomically; prints a failure as "PATH: MESSAGE DETAIL" on stderr.
// Returns false when nothing was written.
bool saveSong(midiSong& song, const std::string& path);

struct Command {
    std::string name;
    std::string usage;  // one or more lines for the help text
    std::function<int(const std::vector<std::string>& args)> run;
};

std::vector<Command>& commands();

struct CommandRegistrar {
    explicit CommandRegistrar(Command c) { commands().push_back(std::move(c)); }
};

// Parsed common options: --settings DIR and flags/values shared by several commands.
// Options are "--name" or "--name VALUE"; everything else is positional.
struct ArgList {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // name without "--", value
    bool has(const std::string& name) const;
    std::string value(const std::string& name, const std::string& fallback = {}) const;
};

// Splits args; `valued` lists the options that take a value. Throws std::invalid_argument
// with a usage message on a missing value or an unknown option.
ArgList parseArgs(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags);

}  // namespace tonvela::cli
