// Offline rendering through the built-in synthesizer: a valid WAV file, sound where there are
// notes, silence where there are none, and events placed where playback would send them.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/render.h"
#include "output/synth.h"
#include "smf_builder.h"
#include "song/song.h"
#include "track_writer.h"

namespace tonvela {
namespace {

using test::TrackWriter;

struct Wav {
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    std::vector<int16_t> samples;  // interleaved
};

uint32_t le32(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8) | (static_cast<uint8_t>(b[at + 2]) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24);
}
uint16_t le16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

// Parses the file strictly: RIFF sizes must match the file.
Wav readWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string b = s.str();
    Wav w;
    EXPECT_GE(b.size(), 44u);
    if (b.size() < 44) return w;
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(b, 16), 16u);
    w.format = le16(b, 20);
    w.channels = le16(b, 22);
    w.rate = le32(b, 24);
    EXPECT_EQ(le32(b, 28), w.rate * 4);
    EXPECT_EQ(le16(b, 32), 4);
    w.bits = le16(b, 34);
    EXPECT_EQ(b.substr(36, 4), "data");
    EXPECT_EQ(le32(b, 40), b.size() - 44);
    w.samples.resize((b.size() - 44) / 2);
    std::memcpy(w.samples.data(), b.data() + 44, w.samples.size() * 2);
    return w;
}

class Render : public testing::Test {
protected:
    void SetUp() override {
        if (findSoundFont("").empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
        out = std::filesystem::temp_directory_path() /
              ("tonvela_render_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + ".wav");
    }
    void TearDown() override { std::filesystem::remove(out); }
    std::filesystem::path out;
};

TEST_F(Render, TheDemoSongIsAValidWavWithSound) {
    midiSong song;
    song.load(TONVELA_SOURCE_DIR "/examples/demo.mid");
    double lastProgress = -1;
    bool monotonic = true;
    RenderOptions options;
    options.progress = [&](double p) {
        if (p < lastProgress) monotonic = false;
        lastProgress = p;
    };
    RenderResult r = renderSong(song, out.string(), options);
    Wav w = readWav(out);
    EXPECT_EQ(w.format, 1);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_EQ(static_cast<int64_t>(w.samples.size()), r.frames * 2);
    const double songSeconds = static_cast<double>(songMicros(song, song.songEnd)) / 1e6;
    EXPECT_GE(static_cast<double>(r.frames) / 44100, songSeconds) << "the whole song and its tail";
    EXPECT_LE(static_cast<double>(r.frames) / 44100, songSeconds + 11);
    int peak = 0;
    for (int16_t s : w.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 1000);
    EXPECT_TRUE(monotonic);
    EXPECT_EQ(lastProgress, 1.0);
}

TEST_F(Render, ASongWithoutNotesIsSilent) {
    midiSong song;
    test::load(song, test::smf(1, {TrackWriter().tempo(0, 500000).bytes(),
                                   TrackWriter().program(0, 0, 5).control(0, 0, 7, 100).control(1920, 0, 10, 30).bytes()}));
    RenderResult r = renderSong(song, out.string(), RenderOptions{});
    Wav w = readWav(out);
    EXPECT_GE(r.frames, 44100 * 2) << "to the end of the song";
    EXPECT_EQ(static_cast<int64_t>(w.samples.size()), r.frames * 2);
    for (size_t i = 0; i < w.samples.size(); ++i)
        if (w.samples[i] != 0) FAIL() << "sample " << i << " is " << w.samples[i];
}

TEST_F(Render, NotesSoundWherePlaybackWouldSendThem) {
    // 1 s of ticks (480 at 500000 µs a quarter, 960 at 250000) after Play All's 50 ms pause.
    midiSong song;
    test::load(song, test::smf(1, {TrackWriter().tempo(0, 500000).tempo(480, 250000).bytes(),
                                   TrackWriter().control(0, 0, 7, 127).note(1440, 0, 60, 127, 480).bytes()}));
    renderSong(song, out.string(), RenderOptions{});
    Wav w = readWav(out);
    size_t first = 0;
    while (first < w.samples.size() && std::abs(static_cast<int>(w.samples[first])) < 8) ++first;
    ASSERT_LT(first, w.samples.size()) << "the note sounds";
    const double onset = static_cast<double>(first / 2) / 44100;
    EXPECT_GE(onset, 1.05 - 0.001);
    EXPECT_LE(onset, 1.05 + 0.010);
}

TEST_F(Render, FailuresAreMessages) {
    midiSong song;
    test::load(song, test::smf(1, {TrackWriter().bytes()}));
    RenderOptions bad;
    bad.soundFont = "/nonexistent.sf2";
    try {
        renderSong(song, out.string(), bad);
        FAIL() << "rendered without a SoundFont";
    } catch (const MidiError& e) {
        EXPECT_EQ(e.message(), "SoundFont not found: /nonexistent.sf2");
    }
    try {
        renderSong(song, "/nonexistent-folder/x.wav", RenderOptions{});
        FAIL() << "wrote into a missing folder";
    } catch (const MidiError& e) {
        EXPECT_EQ(e.message(), "Cannot write /nonexistent-folder/x.wav");
    }
}

}  // namespace
}  // namespace tonvela
