#pragma once

// What the bar grid shows per track and bar: the number of sounding notes and whether the bar
// holds a program change. Computed in one pass over the song so drawing never walks events.

#include <cstdint>
#include <string>
#include <vector>

namespace tonvela {

class midiSong;

class BarSummary {
public:
    // Rows = tracks of the song (row 0 = track 0), columns = entries of barStarts.
    void build(const midiSong& song);
    void clear();

    int tracks() const { return tracks_; }
    int bars() const { return bars_; }
    int notes(int track, int bar) const { return cell(track, bar).notes; }
    bool hasProgram(int track, int bar) const { return cell(track, bar).program; }
    // The cell text: the note count, followed by '*' when the bar holds a program change.
    std::string cellText(int track, int bar) const;
    // No cell text is longer than this many characters (the grid sizes its columns by it).
    int widestCellText() const { return widest_; }

private:
    struct Cell {
        uint32_t notes = 0;
        bool program = false;
    };
    const Cell& cell(int track, int bar) const;

    int tracks_ = 0;
    int bars_ = 0;
    int widest_ = 0;
    std::vector<Cell> cells_;  // track-major
};

}  // namespace tonvela
