#pragma once

// Which tool window made each undo step of the song's tracks, so that Undo in a window takes back
// that window's own newest edit, whichever tracks it went to (the conductor track included).
//
// A step is known by where it begins in its track's journal and by its first line. Each edit is
// reported once, by the window that made it or as the editor's own (owner nullptr); undo and redo
// are reported too, since they change journals without making steps. Saving clears journals
// unreported: that is seen at the next report, and steps found gone are forgotten. Questions are
// answered from the journals as they are then. Tracks are known as objects, not by place, so a
// track that undo drops from the song (or redo brings back) moves none of the others' steps.
// No Qt: the host and the tests use it alike.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tonvela {
class midiSong;
class midiTrack;
}  // namespace tonvela

class EditOwners {
public:
    using Owner = const void*;  // a tool window's token; nullptr: the editor's own commands

    // Another song (or none): nothing is known.
    void clear();
    // After an edit: every track whose journal grew since the last report got one step of the owner
    // (all of them one edit). A journal that changed otherwise (saved, undone unreported) gets its
    // newest step owned, when it has any.
    void edited(tonvela::midiSong& song, Owner owner);
    // After an undo or redo: journals changed without a new step (a track may have left the song
    // or come back).
    void replayed(tonvela::midiSong& song);

    // The tracks whose newest step belongs to the owner's newest edit that is still on top of
    // some track; empty when there is none.
    std::vector<int> undoTracks(const tonvela::midiSong& song, Owner owner) const;
    // The tracks whose next redo is a step of the owner's most recently undone edit (the oldest of
    // its undone edits that can be redone: undo goes newest first); empty when there is none.
    std::vector<int> redoTracks(const tonvela::midiSong& song, Owner owner) const;

private:
    struct Mark {
        size_t start;       // index of the step's first line in the journal
        std::string first;  // that line
        uint64_t edit;      // edits are numbered in the order they were made
        Owner owner;
    };
    struct Seen {
        size_t size = 0;
        std::string last;  // the journal's last line
    };
    struct Known {
        std::vector<Mark> marks;  // by start
        Seen seen;
    };
    static Seen look(const tonvela::midiTrack& track);
    static bool present(const tonvela::midiTrack& track, const Mark& m);

    // Tracks that left the song stay known: redo may bring them back.
    std::unordered_map<const tonvela::midiTrack*, Known> known_;
    uint64_t edits_ = 0;
};
