// Render speed: a song (default: the demo song) rendered offline through the built-in
// synthesizer, as seconds of audio per second of wall time.
//
//   bench_render_speed [FILE.mid] [--soundfont SF] [--runs N]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "output/render.h"
#include "song/song.h"

int main(int argc, char** argv) {
    // The demo song beside this source file's folder.
    std::string file = (std::filesystem::path(__FILE__).parent_path().parent_path() / "examples" / "demo.mid").string();
    tonvela::RenderOptions options;
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--soundfont" && i + 1 < argc)
            options.soundFont = argv[++i];
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            file = a;
    }
    tonvela::midiSong song;
    try {
        song.load(file);
    } catch (const tonvela::MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), e.what());
        return 1;
    }
    const std::string out = (std::filesystem::temp_directory_path() / "tonvela_render_speed.wav").string();
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        auto t0 = std::chrono::steady_clock::now();
        tonvela::RenderResult r;
        try {
            r = tonvela::renderSong(song, out, options);
        } catch (const tonvela::MidiError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double audio = static_cast<double>(r.frames) / r.sampleRate;
        double speed = audio / wall;
        best = std::max(best, speed);
        std::printf("run %d: %.1f s of audio in %.3f s = %.1fx real time (%s)\n", run + 1, audio, wall, speed,
                    r.soundFont.c_str());
    }
    std::filesystem::remove(out);
    std::printf("best %.1fx real time\n", best);
    return 0;
}
