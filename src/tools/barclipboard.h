#pragma once

// The main window's copy buffer for bars of one track: copies of the channel events (control
// changes, notes, pitch bends, program changes) with times relative to the copied range.

#include <memory>

namespace tonvela {

class midiSong;
class midiTrack;

class BarClipboard {
public:
    explicit BarClipboard(midiSong& song);
    ~BarClipboard();

    // Replaces the buffer with copies of the track's events whose bar is in firstBar..lastBar.
    // Returns the number copied.
    int copy(const midiTrack& track, int firstBar, int lastBar);
    // copy, then removes the copied events from the track under the undo step "Cut".
    int cut(midiTrack& track, int firstBar, int lastBar);
    // Adds copies of the buffer at the start of firstBar, on the track's first channel
    // (channels unchanged when the track has none), under the undo step "Paste". The buffer
    // keeps its content.
    int paste(midiTrack& track, int firstBar);

    bool empty() const;
    void clear();
    const midiTrack* buffer() const { return buffer_.get(); }

private:
    int32_t barStart(int bar) const;

    midiSong& song_;
    std::unique_ptr<midiTrack> buffer_;
};

}  // namespace tonvela
