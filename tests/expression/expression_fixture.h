#pragma once

// Songs and checks for the expression tool tests: songs written as file bytes and read back,
// the events of a track as short texts, and the undo/redo check every apply must pass.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "smf_builder.h"
#include "song/dump.h"
#include "song/song.h"
#include "track_writer.h"

namespace tonvela::test {

using Events = std::vector<std::string>;

// 4/4 at 480 ticks per quarter and tempo 120; `bars` bars long; then the given tracks (track 1...).
inline void loadSong(midiSong& song, std::initializer_list<TrackWriter> tracks, int bars = 8,
                     TrackWriter conductor = TrackWriter()) {
    conductor.at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}).tempo(0, 500000);
    conductor.at(bars * 1920, {0xFF, 0x01, 0x03, 'e', 'n', 'd'});
    Bytes file = header(1, static_cast<int>(tracks.size()) + 1);
    for (const Bytes& chunk : {trackChunk(conductor.bytes())}) file.insert(file.end(), chunk.begin(), chunk.end());
    for (const TrackWriter& t : tracks) {
        const Bytes chunk = trackChunk(t.bytes());
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    load(song, file);
}

// "N time ch key vel dur", "C time ch ctrl val", "B time ch bend" (channel from 1), in list order.
inline std::string eventText(const anyEvent& e) {
    const std::string head = std::to_string(e.time) + " " + std::to_string(e.channelOf() + 1) + " ";
    switch (e.kind()) {
    case kindNote: {
        auto& n = static_cast<const NoteOnEvent&>(e);
        return "N " + head + std::to_string(n.note()) + " " + std::to_string(n.velocity()) + " " +
               std::to_string(n.duration());
    }
    case kindControl: {
        auto& c = static_cast<const ControlChangeEvent&>(e);
        return "C " + head + std::to_string(c.controller()) + " " + std::to_string(c.value());
    }
    case kindPitchBend: return "B " + head + std::to_string(static_cast<const PitchBendEvent&>(e).bend());
    default: return "? " + head + std::to_string(e.kind());
    }
}

// The notes, control changes and pitch bends of a track.
inline Events channelEvents(const midiTrack& t) {
    Events out;
    for (const anyEvent* e : t.events())
        if (e && (e->kind() == kindNote || e->kind() == kindControl || e->kind() == kindPitchBend))
            out.push_back(eventText(*e));
    return out;
}

// Every sounding note of a track, in track order.
inline std::vector<NoteOnEvent*> notesOf(const midiTrack& t) {
    std::vector<NoteOnEvent*> out;
    for (anyEvent* e : t.events())
        if (e && e->kind() == kindNote) out.push_back(static_cast<NoteOnEvent*>(e));
    return out;
}

// Runs an apply that must change `track` as one step: undo gives the song's dump back, redo
// the applied dump, and undo again the first dump once more.
inline void expectUndoRedo(midiSong& song, int track, const std::string& label, const std::function<void()>& apply) {
    const std::string before = dumpSong(song);
    apply();
    const std::string after = dumpSong(song);
    ASSERT_NE(after, before) << "the apply changed nothing";
    midiTrack& t = *song.track(track);
    EXPECT_EQ(t.undoLabel(), label);
    t.undo();
    EXPECT_EQ(dumpSong(song), before);
    EXPECT_EQ(t.undoCount(), 0) << "one step";
    ASSERT_TRUE(t.canRedo());
    t.redo();
    EXPECT_EQ(dumpSong(song), after);
    t.undo();
    EXPECT_EQ(dumpSong(song), before);
}

// A refused or empty run: the song, its journals and what can be redone stay as they were.
inline void expectNothingChanged(midiSong& song, int track, const std::function<void()>& run) {
    // A step made and undone first, so that a new step would visibly end what can be redone.
    midiTrack& t = *song.track(track);
    t.beginUndoStep("Earlier");
    auto* marker = new ControlChangeEvent(0, 0xB0);
    marker->setController(91);
    t.addEvent(marker, true, true);
    t.undo();
    const std::string before = dumpSong(song);
    const std::vector<std::string> journal = t.journal;
    run();
    EXPECT_EQ(dumpSong(song), before);
    EXPECT_EQ(t.journal, journal);
    EXPECT_EQ(t.redoCount(), 1);
    EXPECT_EQ(t.redoLabel(), "Earlier");
}

// Channel events must be what a Standard MIDI File can carry.
inline void expectValidMidi(const midiTrack& t) {
    for (const anyEvent* e : t.events()) {
        if (!e) continue;
        EXPECT_GE(e->time, 0);
        if (e->kind() == kindNote) {
            auto* n = static_cast<const NoteOnEvent*>(e);
            EXPECT_GE(n->duration(), 0) << eventText(*e);
            EXPECT_TRUE(n->note() >= 0 && n->note() <= 127 && n->velocity() >= 1 && n->velocity() <= 127) << eventText(*e);
        }
        if (e->kind() == kindPitchBend) {
            const int raw = static_cast<const PitchBendEvent*>(e)->rawBend();
            EXPECT_TRUE(raw >= 0 && raw <= 16383) << eventText(*e);
        }
    }
}

}  // namespace tonvela::test
