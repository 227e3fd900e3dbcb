#pragma once

// The play commands of the expression windows: Test Play of a tool's work track alone, and the
// Play and Stop of the selected part that the windows offer beside it. A window stops its own
// test play when it closes, never a play the user started elsewhere.

#include <memory>

class EditorContext;

namespace tonvela {
class midiTrack;
class PlayList;
}  // namespace tonvela

class ExpressionPlayer {
public:
    explicit ExpressionPlayer(EditorContext& context) : context_(context) {}

    // Whether a play can start now: a song, an open output port, nothing playing.
    bool canPlay() const;
    // Whether a test play can start now: as canPlay, or this window's own test is playing (a new
    // test replaces it).
    bool canTest() const { return canPlay() || testPlaying(); }
    // Plays the work track alone with the sound of song track `soundTrack`; false when nothing
    // started (an empty track, no port, another play going on).
    bool playWork(const tonvela::midiTrack& work, int soundTrack);
    // Plays the main window's selection, as its Play does.
    bool playSelection();
    // Whether the play going on is this window's test play.
    bool testPlaying() const;
    // Stops whatever plays (the Stop button).
    void stop();
    // Stops this window's test play, if it is the one playing.
    void stopTest();

private:
    EditorContext& context_;
    // The list of the last test play, to tell it from other plays; only compared.
    std::shared_ptr<const tonvela::PlayList> testList_;
};
