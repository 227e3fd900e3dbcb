// render: the whole song through the built-in synthesizer into a WAV file, offline.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "commands.h"
#include "output/render.h"
#include "song/song.h"

namespace tonvela::cli {

namespace {

int runRender(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {"o", "soundfont"}, {});
    if (a.positional.size() != 1 || !a.has("o")) throw std::invalid_argument("usage: render FILE -o OUT.wav [--soundfont SF]");
    const std::string& path = a.positional[0];
    const std::string out = a.value("o");
    midiSong song;
    if (!loadSong(song, path, false)) return 1;
    RenderOptions options;
    options.soundFont = a.value("soundfont");
    const bool terminal = isatty(fileno(stderr)) != 0;
    int shown = -1;
    if (terminal) {
        options.progress = [&shown](double done) {
            int percent = static_cast<int>(done * 100);
            if (percent == shown) return;
            shown = percent;
            std::fprintf(stderr, "\rRendering... %3d%%", percent);
            std::fflush(stderr);
        };
    }
    auto began = std::chrono::steady_clock::now();
    RenderResult result;
    try {
        result = renderSong(song, out, options);
    } catch (const MidiError& e) {
        if (terminal && shown >= 0) std::fprintf(stderr, "\n");
        std::fprintf(stderr, "%s: %s\n", out.c_str(), e.what());
        return 1;
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (terminal) std::fprintf(stderr, "\n");
    double seconds = static_cast<double>(result.frames) / result.sampleRate;
    std::printf("%s: %.1f s of audio in %.2f s (%.0fx real time) with %s\n", out.c_str(), seconds, wall,
                wall > 0 ? seconds / wall : 0.0, result.soundFont.c_str());
    return 0;
}

CommandRegistrar renderCommand(
    {"render", "  render FILE -o OUT.wav [--soundfont SF]  the song through the built-in synthesizer into a WAV file",
     runRender});

}  // namespace

}  // namespace tonvela::cli
