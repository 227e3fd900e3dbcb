#pragma once

// What the piano roll shows and what the user has chosen in it, shared by its panes: the shown
// tracks and bars, the visible window of time and keys, the chosen notes, and the preview of a
// gesture in progress. Only the window changes it; the panes read it and report gestures.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "pianoroll/roll_edit.h"
#include "pianoroll/roll_frame.h"
#include "song/events.h"
#include "song/selection.h"

namespace tonvela {
class midiSong;
}

class RollState {
public:
    // ---- what is shown --------------------------------------------------------------------
    tonvela::midiSong* song = nullptr;
    tonvela::Selection shown{1, 0, 0, -1};
    bool valid = false;          // a song, tracks and a time range to show
    tonvela::ShownTime time;     // the shown bars as ticks
    bool notesShown = false;     // the first shown bar is not the grid's last column
    bool drum = false;           // the shown notes are all on drum tracks: keys named as drums
    bool showGrid = true;
    bool editable = true;        // false while playing
    tonvela::Lane lane;
    int32_t snapTicks = 120;

    // The visible window: a part of the shown time, a run of keys.
    int32_t viewStart = 0;
    int32_t viewSpan = 1;
    int keyLow = 0;
    int keyCount = 128;

    // The chosen notes and their tracks (only sounding notes are ever chosen).
    std::unordered_map<const tonvela::anyEvent*, int> chosen;

    // A gesture in progress, drawn as it would end.
    enum class Drag { none, move, resize, band };
    Drag drag = Drag::none;
    int32_t dragTicks = 0;  // move: shift in time; resize: change of length
    int dragKeys = 0;
    // resize: the latest end of each chosen note (the next note of its key starts there)
    const std::unordered_map<const tonvela::NoteOnEvent*, int64_t>* lengthCaps = nullptr;
    struct PenValue {
        int track;
        int value;
    };
    std::unordered_map<tonvela::anyEvent*, PenValue> penValues;  // velocities being drawn
    // A stroke being drawn in a controller or bend lane, and the values it would write.
    std::optional<tonvela::LaneStroke> stroke;
    tonvela::StrokeCells strokeCells;

    // Brings the state to a new song and selection. Keeps the zoom and the view while the shown
    // time stays the same (an edit), else shows the whole shown time.
    void show(tonvela::midiSong* song, const tonvela::Selection& selection);
    void clear();

    tonvela::RollFrame frame(int width, int height) const;
    // Which bars get a line and a number in a frame, for numbers `numberPixels` wide with their gap.
    tonvela::BarGridPlan barPlan(const tonvela::RollFrame& f, int numberPixels) const;
    int32_t fullSpan() const { return valid ? time.end - time.start : 1; }
    // Keeps the visible window inside the shown time and the keys inside 0..127.
    void clampView();

    // Calls f(track, note) for every sounding note of the shown tracks that starts in the shown
    // time and may reach into [from, to), in track order and time order within a track.
    void forEachNote(int32_t from, int32_t to,
                     const std::function<void(int track, tonvela::NoteOnEvent* note)>& f) const;
    // Calls f(track, event) for every event of the lane in the shown tracks with from <= time < to.
    void forEachLaneEvent(int32_t from, int32_t to,
                          const std::function<void(int track, tonvela::anyEvent* event)>& f) const;

    bool isChosen(const tonvela::anyEvent* e) const { return chosen.count(e) > 0; }
    std::vector<tonvela::RollNote> chosenNotes() const;
    // The text of a key on the axis and in the status bar.
    std::string keyName(int key) const;
    std::string trackKeyName(int track, int key) const;
    // "BBB:BB:TTT" of a time.
    std::string positionText(int32_t time) const;

private:
    // The longest note of a shown track that starts in the shown time (found on first use).
    int32_t reach(int track) const;
    mutable std::vector<int32_t> reach_;
};
