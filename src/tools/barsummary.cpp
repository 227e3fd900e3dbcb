#include "tools/barsummary.h"

#include <algorithm>

#include "song/song.h"

namespace tonvela {

void BarSummary::clear() {
    tracks_ = bars_ = widest_ = 0;
    cells_.clear();
}

void BarSummary::build(const midiSong& song) {
    tracks_ = song.trackCount();
    bars_ = static_cast<int>(song.barStarts.size());
    cells_.assign(static_cast<size_t>(tracks_) * static_cast<size_t>(bars_), Cell{});
    for (int t = 0; t < tracks_; ++t) {
        Cell* row = cells_.data() + static_cast<size_t>(t) * static_cast<size_t>(bars_);
        for (const anyEvent* e : song.track(t)->events()) {
            if (!e || e->bar < 0 || e->bar >= bars_) continue;
            const int kind = e->kind();
            if (kind == kindNote)
                ++row[e->bar].notes;
            else if (kind == kindProgram)
                row[e->bar].program = true;
        }
    }
    uint32_t most = 0;
    bool marked = false;
    for (const Cell& c : cells_) {
        most = std::max(most, c.notes);
        marked = marked || c.program;
    }
    widest_ = tracks_ > 0 && bars_ > 0 ? static_cast<int>(std::to_string(most).size()) + (marked ? 1 : 0) : 0;
}

const BarSummary::Cell& BarSummary::cell(int track, int bar) const {
    static const Cell none;
    if (track < 0 || track >= tracks_ || bar < 0 || bar >= bars_) return none;
    return cells_[static_cast<size_t>(track) * static_cast<size_t>(bars_) + static_cast<size_t>(bar)];
}

std::string BarSummary::cellText(int track, int bar) const {
    const Cell& c = cell(track, bar);
    std::string text = std::to_string(c.notes);
    if (c.program) text += '*';
    return text;
}

}  // namespace tonvela
