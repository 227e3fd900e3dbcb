#include <algorithm>
#include <cstdio>
#include <iostream>
#include <stdexcept>

#include "commands.h"
#include "song/song.h"

namespace tonvela::cli {

bool loadSong(midiSong& song, const std::string& path, bool recover) {
    try {
        LoadReport report = song.load(path, LoadOptions{recover});
        for (const auto& line : report.repairs) std::fprintf(stderr, "%s: repaired: %s\n", path.c_str(), line.c_str());
        return true;
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.messageWithDetail().c_str());
        return false;
    }
}

bool saveSong(midiSong& song, const std::string& path) {
    try {
        song.writeFile(path);
        return true;
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s%s%s\n", path.c_str(), e.what(), e.detail().empty() ? "" : " ", e.detail().c_str());
        return false;
    }
}

std::vector<Command>& commands() {
    static std::vector<Command> list;
    return list;
}

bool ArgList::has(const std::string& name) const {
    for (const auto& [n, v] : options)
        if (n == name) return true;
    return false;
}

std::string ArgList::value(const std::string& name, const std::string& fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name) return it->second;
    return fallback;
}

ArgList parseArgs(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags) {
    ArgList out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.rfind("--", 0) == 0) {
            std::string name = a.substr(2);
            std::string value;
            if (auto eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            bool isValued = std::find(valued.begin(), valued.end(), name) != valued.end();
            bool isFlag = std::find(flags.begin(), flags.end(), name) != flags.end();
            if (!isValued && !isFlag) throw std::invalid_argument("unknown option --" + name);
            if (isValued && value.empty()) {
                if (i + 1 >= args.size()) throw std::invalid_argument("option --" + name + " needs a value");
                value = args[++i];
            }
            out.options.emplace_back(name, value);
        } else if (a == "-o" && std::find(valued.begin(), valued.end(), "o") != valued.end()) {
            if (i + 1 >= args.size()) throw std::invalid_argument("option -o needs a value");
            out.options.emplace_back("o", args[++i]);
        } else {
            out.positional.push_back(a);
        }
    }
    return out;
}

}  // namespace tonvela::cli

namespace {

void printUsage(std::FILE* to) {
    std::fprintf(to, "usage: tonvela-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& c : tonvela::cli::commands()) std::fprintf(to, "%s\n", c.usage.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(stdout);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : tonvela::cli::commands()) {
        if (c.name != name) continue;
        try {
            return c.run(args);
        } catch (const std::invalid_argument& e) {
            std::fprintf(stderr, "tonvela-cli %s: %s\n", name.c_str(), e.what());
            return 2;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tonvela-cli %s: %s\n", name.c_str(), e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "tonvela-cli: unknown command '%s'\n", name.c_str());
    printUsage(stderr);
    return 2;
}
