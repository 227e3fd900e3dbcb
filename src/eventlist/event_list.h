#pragma once

// The lines of the event list: every event of a run of tracks and bars, one line each, in time
// and creation order across the tracks. The list holds only event pointers; a line's text is
// made when it is shown, so a list of millions of events costs one pointer per line.

#include <cstddef>
#include <string>
#include <vector>

#include "song/events.h"

namespace tonvela {

class midiSong;

// The line as the list shows it: position "BBB:BB:TTT " (bar and beat from 1) and the event's
// description. Meta texts are the file's bytes; displays decode them (textcodec.h).
std::string eventLine(const anyEvent& e);
// The full form with the creation serial between position and description:
// "BBB:BB:TTT -SSSSSSSSSS-" + description.
std::string eventLineWithSerial(const anyEvent& e);

class EventList {
public:
    // The events of tracks firstTrack..lastTrack (clipped to the song) whose bar lies in
    // firstBar..lastBar (from 0; lastBar < 0 means to the end), in (time, creation) order;
    // events of one track at the same time and serial keep their track order. Costs one pass
    // over the listed part of each track plus a merge: O(n log tracks).
    void fill(const midiSong& song, int firstTrack, int lastTrack, int firstBar, int lastBar);
    void clear();

    int size() const { return static_cast<int>(rows_.size()); }
    bool empty() const { return rows_.empty(); }
    anyEvent* at(int row) const { return rows_[static_cast<size_t>(row)]; }
    const std::vector<anyEvent*>& rows() const { return rows_; }
    // The row holding the event, found by binary search on (time, creation); -1 when the event
    // is not listed (or its time changed since the list was filled).
    int rowOf(const anyEvent* e) const;

private:
    std::vector<anyEvent*> rows_;
};

}  // namespace tonvela
