// Properties of Correct over many songs, random and real: it never leaves an invalid song, undo
// gives the song back exactly, and a second check never lists a corrected event again for the
// same reason.

#include <filesystem>
#include <map>
#include <set>

#include "base/fileio.h"
#include "check_fixture.h"
#include "song/events.h"

namespace tonvela::test {
namespace {

namespace fs = std::filesystem;

struct Rng {
    uint64_t s;
    uint32_t next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(s >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    template <typename T>
    T pick(std::initializer_list<T> items) {
        return items.begin()[below(static_cast<int>(items.size()))];
    }
};

// Dense little songs full of every kind of finding: few keys and ticks, so notes overlap,
// values repeat and events share ticks.
Bytes randomSong(uint64_t seed) {
    Rng rng{seed};
    const int tracks = 1 + rng.below(3);
    Bytes out = header(1, tracks + 1);
    TrackWriter conductor;
    conductor.at(0, {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08}).tempo(0, 500000);
    Bytes c = trackChunk(conductor.bytes());
    out.insert(out.end(), c.begin(), c.end());
    for (int t = 0; t < tracks; ++t) {
        TrackWriter w;
        const int events = 20 + rng.below(120);
        for (int i = 0; i < events; ++i) {
            const int time = rng.below(4) == 0 ? rng.below(8) : rng.below(400);
            const int channel = rng.pick({0, 0, 1, 9});
            switch (rng.below(8)) {
            case 0:
            case 1:
            case 2:
                w.note(time, channel, 60 + rng.below(3), rng.pick({1, 20, 64, 100, 127}),
                       rng.pick({0, 1, 2, 3, 10, 50, 120, 300}));
                break;
            case 3:
            case 4:
                w.control(time, channel, rng.pick({7, 10, 11, 1, 64, 64, 66, 121, 123, 120, 91}),
                          rng.pick({0, 40, 63, 64, 100, 127}));
                break;
            case 5:
                w.control(time, channel, rng.pick({101, 100, 99, 98, 6, 6, 38, 0, 32}), rng.pick({0, 1, 12}));
                break;
            case 6: w.bend(time, channel, rng.pick({8192, 8200, 8230, 9000, 9000, 12000, 0})); break;
            default: w.program(time, channel, rng.below(3)); break;
            }
        }
        Bytes chunk = trackChunk(w.bytes());
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

// What a song must be after any command: packed tracks in time order, sane times, durations and
// positions, every event referenced, and a file that loads again.
void expectValid(midiSong& song, const std::string& name) {
    for (int t = 0; t < song.trackCount(); ++t) {
        const midiTrack& track = *song.track(t);
        EXPECT_TRUE(track.orderKnown()) << name << " track " << t;
        EXPECT_TRUE(track.isSorted()) << name << " track " << t;
        for (const anyEvent* e : track.events()) {
            ASSERT_NE(e, nullptr) << name << " track " << t << " holds an empty slot";
            EXPECT_GE(e->time, 0) << name;
            EXPECT_GE(e->refCount, 1) << name;
            if (e->kind() == kindNote) {
                EXPECT_GE(static_cast<const NoteOnEvent*>(e)->duration(), 0) << name;
            }
            const BarBeatTick p = song.timeToBarBeatTick(e->time);
            EXPECT_TRUE(p.bar == e->bar && p.beat == e->beat && p.tick == e->tick) << name << " stale position";
        }
    }
    std::vector<uint8_t> bytes;
    EXPECT_NO_THROW(song.write(bytes)) << name;
    midiSong again;
    EXPECT_NO_THROW(again.loadBytes(bytes.data(), bytes.size(), "again.mid")) << name;
}

struct Stats {
    size_t songs = 0, lines = 0, corrected = 0;
    std::map<int, size_t> byCheck;
};

void checkCorrectUndo(midiSong& song, const Options& options, const std::string& name, Stats& stats) {
    const std::string before = dumpSong(song);
    CheckReport first = checkSong(song, options);
    const std::vector<bool> done = correctAll(song, first);
    ++stats.songs;
    stats.lines += first.size();
    for (size_t i = 0; i < first.size(); ++i)
        if (done[i]) {
            ++stats.corrected;
            ++stats.byCheck[first[i].check];
        }

    const std::string corrected = dumpSong(song);

    CheckReport second = checkSong(song, options);
    std::map<std::pair<const anyEvent*, int>, std::string> listedAgain;
    std::multiset<std::string> linesAgain;
    for (const Finding& f : second.findings()) {
        listedAgain.emplace(std::make_pair(f.event.event, f.check), f.text());
        linesAgain.insert(f.text());
    }
    // No line that Correct claimed comes back, not even for another event of the same place and
    // value (the last of several changes on a tick that gives back the value in force). Silent
    // bends are left out: a note that another line removes can join two runs of them.
    std::multiset<std::string> claimed;
    for (size_t i = 0; i < first.size(); ++i)
        if (done[i] && first[i].check != 9 && first[i].check != 16) claimed.insert(first[i].text());
    for (auto it = claimed.begin(); it != claimed.end(); it = claimed.upper_bound(*it))
        EXPECT_EQ(linesAgain.count(*it), 0u) << name << ": corrected, then listed again: " << *it;
    for (size_t i = 0; i < first.size(); ++i) {
        if (!done[i] || first[i].check == 9) continue;  // 009 is only taken off the list
        const Finding& f = first[i];
        auto again = listedAgain.find({f.event.event, f.check});
        EXPECT_TRUE(again == listedAgain.end())
            << name << ": corrected " << f.text() << "\n  listed again as " << again->second;
        const bool removes = f.check == 4 || f.check == 5 || f.check == 6 || f.check == 7 || f.check == 8 ||
                             f.check == 14 || f.check == 16 || f.check == 17;
        if (removes) {
            EXPECT_EQ(song.trackOf(f.event.event), nullptr) << name << ": " << f.text() << " is still there";
        }
    }

    // Undo, track by track, gives the song back.
    undoCorrection(song);
    EXPECT_EQ(orderedDump(song), before) << name;

    // Corrected again, the song is a valid one (the write inside clears the journals).
    CheckReport third = checkSong(song, options);
    correctAll(song, third);
    EXPECT_EQ(dumpSong(song), corrected) << name << ": the same correction twice differs";
    expectValid(song, name);
}

TEST(CorrectProperty, RandomSongs) {
    Stats stats;
    for (uint64_t seed = 1; seed <= 600; ++seed) {
        midiSong song;
        const Bytes bytes = randomSong(seed);
        load(song, bytes);
        Options options = seed % 2 ? allChecks() : Options{};
        if (seed % 5 == 0) options.checkInitial = false;
        if (seed % 7 == 0) options.minimumDur = 10;
        checkCorrectUndo(song, options, "seed " + std::to_string(seed), stats);
        if (::testing::Test::HasFailure()) break;  // one song's story is enough to read
    }
    std::printf("random songs: %zu, lines %zu, corrected %zu;", stats.songs, stats.lines, stats.corrected);
    for (auto [check, n] : stats.byCheck) std::printf(" %03d:%zu", check, n);
    std::printf("\n");
    // Every kind of correction was exercised.
    for (int check : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 17}) EXPECT_GT(stats.byCheck[check], 0u) << check;
}

TEST(CorrectProperty, CorpusSongs) {
    const fs::path dir(TONVELA_CORPUS_DIR);
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    Stats stats;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".mid" && ext != ".midi" && ext != ".kar")) continue;
        const std::vector<uint8_t> bytes = readFileBytes(entry.path().string());
        for (const Options& options : {Options{}, allChecks()}) {
            midiSong song;
            try {
                song.loadBytes(bytes.data(), bytes.size(), entry.path().filename().string());
            } catch (const MidiError&) {
                break;  // files the reader refuses are its tests' business
            }
            checkCorrectUndo(song, options, entry.path().filename().string(), stats);
        }
    }
    std::printf("corpus songs: %zu, lines %zu, corrected %zu\n", stats.songs, stats.lines, stats.corrected);
    EXPECT_GT(stats.songs, 0u);
}

}  // namespace
}  // namespace tonvela::test
