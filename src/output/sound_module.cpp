#include "output/sound_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

namespace tonvela {

namespace {

namespace fs = std::filesystem;

// Where the module may be: beside the program (the command line in the build tree), in the
// library folder of an installation (relative to the program's folder), and in the build tree
// the program was built in (the editor and the tests run from other folders of it).
std::vector<fs::path> moduleCandidates() {
    std::vector<fs::path> folders;
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && program.has_parent_path()) {
        folders.push_back(program.parent_path());
        folders.push_back((program.parent_path() / TONVELA_SOUND_MODULE_INSTALLED).lexically_normal());
    }
    folders.emplace_back(TONVELA_SOUND_MODULE_BUILT);
    std::vector<fs::path> out;
    for (const fs::path& f : folders) {
        const fs::path file = f / TONVELA_SOUND_MODULE_NAME;
        if (std::find(out.begin(), out.end(), file) == out.end()) out.push_back(file);
    }
    return out;
}

struct Loaded {
    SoundModule* module = nullptr;
    std::string error;
};

Loaded load() {
    Loaded result;
    std::string looked;
    for (const fs::path& candidate : moduleCandidates()) {
        std::error_code ec;
        if (!fs::is_regular_file(candidate, ec)) {
            looked += (looked.empty() ? "" : ", ") + candidate.parent_path().string();
            continue;
        }
        // Kept loaded for the life of the process: its threads and objects may outlive any user.
        void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            result.error = "The sound module " + candidate.string() + " could not be loaded" +
                           (why ? std::string(": ") + why : std::string()) + ".";
            return result;
        }
        auto entry = reinterpret_cast<SoundModuleEntry>(dlsym(handle, soundModuleEntryName));
        result.module = entry ? entry(soundModuleVersion) : nullptr;
        if (!result.module)
            result.error = "The sound module " + candidate.string() + " does not belong to this version of the program.";
        return result;
    }
    result.error = std::string("The sound module ") + TONVELA_SOUND_MODULE_NAME +
                   " is missing (looked in " + looked +
                   "): system MIDI ports and the built-in synthesizer are not available.";
    return result;
}

}  // namespace

SoundModule* soundModule(std::string& error) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = load(); });
    if (!loaded.module) error = loaded.error;
    return loaded.module;
}

}  // namespace tonvela
