// Writes the generated benchmark songs as files, for the whole-process benchmark
// (bench/whole_process.py): the 3-million-event song in format 1 and format 0, the track of
// 200,000 note ons without note offs, a tiny song, and a Modify Velocity effect file.
// songs.txt lists each song with its count of events (messages of the file).

#include <cstdio>
#include <fstream>
#include <string>

#include "effects/effect_file.h"
#include "generated_song.h"

using namespace benchsong;

namespace {

bool put(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

// A few bars of one voice: what a process costs when the song costs nothing.
Input tinySong() {
    std::vector<Message> conductor{meta(0, 0x51, {0x07, 0xA1, 0x20}), meta(0, 0x58, {4, 2, 24, 8})};
    std::vector<Message> voice{meta(0, 0x03, {'P', 'i', 'a', 'n', 'o'}), {0, {0xC0, 0}}};
    for (uint32_t i = 0; i < 16; ++i) {
        const uint8_t key = static_cast<uint8_t>(60 + i % 12);
        voice.push_back({i * 240, {0x90, key, 100}});
        voice.push_back({i * 240 + 200, {0x90, key, 0}});
    }
    Input in{header(1, 2, kTicksPerBeat), conductor.size() + voice.size() + 2, 16};
    putTrack(in.bytes, conductor);
    putTrack(in.bytes, voice);
    return in;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    auto [format1, format0] = bigSong();
    const Input noOffs = noteOnsOnly(200'000);
    const Input tiny = tinySong();
    std::ofstream list(dir + "/songs.txt");
    for (const auto& [name, in] : {std::pair<const char*, const Input*>{"format1.mid", &format1},
                                   {"format0.mid", &format0},
                                   {"noteons.mid", &noOffs},
                                   {"tiny.mid", &tiny}}) {
        if (!put(dir + "/" + name, in->bytes)) {
            std::fprintf(stderr, "%s/%s: cannot write\n", dir.c_str(), name);
            return 1;
        }
        list << name << ' ' << in->events << '\n';
    }
    tonvela::EffectSettings velocity;
    velocity.effectType = 2;  // Modify Velocity with its defaults
    velocity.EffectName = "bench";
    tonvela::saveEffect(dir + "/velocity.fxl", velocity);
    return list ? 0 : 1;
}
