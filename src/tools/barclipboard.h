#pragma once

// The main window's copy buffer for bars of one track: copies of the channel events (control
// changes, notes, pitch bends, program changes) with times relative to the copied range.

#include <memory>

#include "song/selection.h"

namespace tonvela {

class midiSong;
class midiTrack;

class BarClipboard {
public:
    explicit BarClipboard(midiSong& song);
    ~BarClipboard();

    // All three act on the selection's current track (its first track) only; a selection whose
    // first track the song does not have does nothing and returns 0.

    // Replaces the buffer with copies of the track's events whose bar is in the selected bars.
    // Returns the number copied.
    int copy(const Selection& selection);
    // copy, then removes the copied events from the track under the undo step "Cut".
    int cut(const Selection& selection);
    // Adds copies of the buffer at the start of the first selected bar, on the track's first
    // channel (channels unchanged when the track has none), under the undo step "Paste". The
    // buffer keeps its content.
    int paste(const Selection& selection);

    bool empty() const;
    void clear();
    const midiTrack* buffer() const { return buffer_.get(); }

private:
    midiTrack* trackOf(const Selection& selection) const;

    midiSong& song_;
    std::unique_ptr<midiTrack> buffer_;
};

}  // namespace tonvela
