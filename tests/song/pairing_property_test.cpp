// The linear pairing must give exactly what the plain algorithm gives: for each sounding note in
// list order, the first unused note off after it; else the first All Notes Off / All Sound Off
// of its channel after it; else one tick before the next attack of its key (at least 1); else
// the end of the track.

#include <gtest/gtest.h>

#include <random>

#include "song/song.h"

using namespace tonvela;

namespace {

struct Item {
    int kind;  // 6 note, 7 off, 5 controller, 0 other
    int channel, key, time;
    int duration = 0;
};

std::vector<int> referencePairing(std::vector<Item> items, int endTime) {
    std::vector<bool> used(items.size(), false);
    for (size_t i = 0; i < items.size(); ++i) {
        Item& n = items[i];
        if (n.kind != 6) continue;
        bool done = false;
        for (size_t j = i + 1; j < items.size() && !done; ++j) {
            if (!used[j] && items[j].kind == 7 && items[j].channel == n.channel && items[j].key == n.key) {
                n.duration = items[j].time - n.time;
                used[j] = true;
                done = true;
            }
        }
        for (size_t j = i + 1; j < items.size() && !done; ++j) {
            if (items[j].kind == 5 && items[j].channel == n.channel && (items[j].key == 120 || items[j].key == 123)) {
                n.duration = items[j].time - n.time;
                done = true;
            }
        }
        for (size_t j = i + 1; j < items.size() && !done; ++j) {
            if (items[j].kind == 6 && items[j].channel == n.channel && items[j].key == n.key) {
                n.duration = std::max(items[j].time - n.time - 1, 1);
                done = true;
            }
        }
        if (!done) n.duration = endTime - n.time;
    }
    std::vector<int> out;
    for (const Item& it : items)
        if (it.kind == 6) out.push_back(it.duration);
    return out;
}

}  // namespace

TEST(PairingProperty, LinearPairingMatchesThePlainAlgorithmOnRandomTracks) {
    std::mt19937 rng(20261210);
    for (int round = 0; round < 3000; ++round) {
        // Few keys and channels so that overlaps, stray offs and controllers interact often.
        int n = 1 + static_cast<int>(rng() % 40);
        int keys = 1 + static_cast<int>(rng() % 3);
        int chans = 1 + static_cast<int>(rng() % 2);
        std::vector<Item> items;
        int t = 0;
        for (int i = 0; i < n; ++i) {
            t += static_cast<int>(rng() % 3 == 0 ? 0 : rng() % 100);
            int r = static_cast<int>(rng() % 10);
            Item it{0, static_cast<int>(rng() % chans), 60 + static_cast<int>(rng() % keys), t};
            if (r < 4) {
                it.kind = 6;
            } else if (r < 8) {
                it.kind = 7;
            } else if (r < 9) {
                it.kind = 5;
                it.key = rng() % 2 ? 123 : 120;
            } else {
                it.kind = 5;
                it.key = 7;
            }
            items.push_back(it);
        }
        int endTime = t + static_cast<int>(rng() % 500);

        midiSong song;
        midiTrack track(&song, 1, "");
        for (const Item& it : items) {
            anyEvent* e;
            if (it.kind == 6 || it.kind == 7) {
                auto* note = new NoteOnEvent(it.time, static_cast<uint8_t>(0x90 | it.channel));
                note->setRawNote(static_cast<uint8_t>(it.key));
                note->setRawVelocity(it.kind == 6 ? 100 : 0);
                e = note;
            } else {
                auto* c = new ControlChangeEvent(it.time, static_cast<uint8_t>(0xB0 | it.channel));
                c->setController(it.key);
                e = c;
            }
            track.appendEvent(e);
        }
        track.endTime = endTime;
        track.paired = false;
        track.pairNotes();

        std::vector<int> got;
        for (const anyEvent* e : track.events()) {
            ASSERT_NE(e->kind(), kindNoteOff);
            if (e->kind() == kindNote) got.push_back(static_cast<const NoteOnEvent*>(e)->duration());
        }
        ASSERT_EQ(got, referencePairing(items, endTime)) << "round " << round;
    }
}
