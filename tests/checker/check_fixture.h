#pragma once

// Songs for the data checker tests: a conductor track of four 4/4 bars at 480 ticks per quarter,
// then tracks written with TrackWriter at absolute times, loaded through the reader.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "checker/data_check.h"
#include "checker/data_correct.h"
#include "settings/options.h"
#include "smf_builder.h"
#include "song/dump.h"
#include "song/events.h"
#include "song/song.h"
#include "track_writer.h"

namespace tonvela::test {

inline std::unique_ptr<midiSong> songOf(std::initializer_list<TrackWriter> tracks) {
    TrackWriter conductor;
    conductor.at(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}).tempo(0, 500000).at(4 * 1920, {0xFF, 0x01, 0x01, 'e'});
    Bytes bytes = header(1, static_cast<int>(tracks.size()) + 1);
    auto addChunk = [&bytes](const TrackWriter& w) {
        Bytes c = trackChunk(w.bytes());
        bytes.insert(bytes.end(), c.begin(), c.end());
    };
    addChunk(conductor);
    for (const TrackWriter& w : tracks) addChunk(w);
    auto song = std::make_unique<midiSong>();
    load(*song, bytes);
    return song;
}

// Overlapping notes of one key pair first on, first off when read; durations set afterwards
// (the notes of track 1 in order) give the overlaps a test needs.
inline std::unique_ptr<midiSong> withDurations(std::unique_ptr<midiSong> song, std::vector<int32_t> durations) {
    size_t i = 0;
    for (anyEvent* e : song->track(1)->events())
        if (e->kind() == kindNote && i < durations.size()) static_cast<NoteOnEvent*>(e)->setDuration(durations[i++]);
    return song;
}

inline std::vector<std::string> linesOf(const CheckReport& report) {
    std::vector<std::string> out;
    for (const Finding& f : report.findings()) out.push_back(f.text());
    return out;
}

// Options with every check switched on and the limits at their defaults.
inline Options allChecks() {
    Options o;
    o.detectIllegalVel = true;
    o.ineffectivePitchbend = true;
    return o;
}

// Tracks whose order an undo left open are sorted, as every reader of a track does first.
inline std::string orderedDump(midiSong& song) {
    for (int t = 0; t < song.trackCount(); ++t)
        if (!song.track(t)->orderKnown()) song.track(t)->sortEvents();
    return dumpSong(song);
}

// Undoes the newest step of every track that holds one with the correction's label.
inline int undoCorrection(midiSong& song) {
    int undone = 0;
    for (int t = 0; t < song.trackCount(); ++t) {
        midiTrack& track = *song.track(t);
        if (track.undoCount() == 0 || track.undoLabel() != kDataCorrectUndoLabel) continue;
        track.undo();
        ++undone;
    }
    return undone;
}

// Ticks every line and corrects; returns the per-line result.
inline std::vector<bool> correctAll(midiSong& song, const CheckReport& report) {
    return correctFindings(song, report, std::vector<bool>(report.size(), true));
}

// The channel events of a track, one short text each: "240 n60/480" (note at 240, key 60,
// duration 480), "0 c7=100" (controller 7), "10 b9000" (raw pitch bend).
inline std::vector<std::string> channelEvents(const midiSong& song, int track) {
    std::vector<std::string> out;
    for (const anyEvent* e : song.track(track)->events()) {
        if (!e) {
            out.push_back("(empty slot)");
            continue;
        }
        const std::string t = std::to_string(e->time) + " ";
        switch (e->kind()) {
        case kindNote: {
            auto* n = static_cast<const NoteOnEvent*>(e);
            out.push_back(t + "n" + std::to_string(n->note()) + "/" + std::to_string(n->duration()));
            break;
        }
        case kindControl: {
            auto* c = static_cast<const ControlChangeEvent*>(e);
            out.push_back(t + "c" + std::to_string(c->controller()) + "=" + std::to_string(c->value()));
            break;
        }
        case kindPitchBend: out.push_back(t + "b" + std::to_string(static_cast<const PitchBendEvent*>(e)->rawBend())); break;
        default:
            if (e->status < 0xF0) out.push_back(t + "other");
            break;
        }
    }
    return out;
}

}  // namespace tonvela::test
