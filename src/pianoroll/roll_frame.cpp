#include "pianoroll/roll_frame.h"

#include <algorithm>

#include "song/song.h"

namespace tonvela {

std::optional<ShownTime> shownTime(const midiSong& song, const Selection& selection) {
    if (selection.lastBar < selection.firstBar || selection.firstBar < 0) return std::nullopt;
    const TickRange r = selection.ticks(song);
    const int64_t end = static_cast<int64_t>(r.to) + 1;
    if (r.empty() || end <= r.from || end > INT32_MAX) return std::nullopt;
    return ShownTime{r.from, static_cast<int32_t>(end)};
}

bool notesShownFor(const midiSong& song, const Selection& selection) {
    return static_cast<int64_t>(selection.firstBar) + 2 < static_cast<int64_t>(song.barStarts.size());
}

// ---- RollFrame --------------------------------------------------------------------------------

int64_t RollFrame::x(int64_t t) const {
    const int64_t span = std::max<int64_t>(1, static_cast<int64_t>(viewEnd) - viewStart);
    return (t - viewStart) * width / span;
}

int64_t RollFrame::gridX(int64_t t) const {
    int64_t span = static_cast<int64_t>(viewEnd) - 1 - viewStart;
    if (span < 1) span = std::max<int64_t>(1, static_cast<int64_t>(viewEnd) - viewStart);
    return (t - viewStart) * width / span;
}

int32_t RollFrame::timeAt(int64_t px) const {
    const int64_t span = std::max<int64_t>(1, static_cast<int64_t>(viewEnd) - viewStart);
    const int64_t w = std::max(width, 1);
    px = std::clamp<int64_t>(px, 0, w);
    // The smallest t whose x is px: ceil(px * span / width).
    const int64_t t = viewStart + (px * span + w - 1) / w;
    return static_cast<int32_t>(std::min<int64_t>(t, viewEnd));
}

int RollFrame::keyTop(int key) const {
    return static_cast<int>(static_cast<int64_t>(height) * (keyHigh() - key) / std::max(keyCount, 1));
}

int RollFrame::keyBottom(int key) const {
    return static_cast<int>(static_cast<int64_t>(height) * (keyHigh() + 1 - key) / std::max(keyCount, 1));
}

int RollFrame::keyAt(int y) const {
    const int count = std::max(keyCount, 1);
    const int64_t h = std::max(height, 1);
    int key = keyHigh() - static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(y) * count / h, 0, count - 1));
    // Integer rows are uneven; settle on the row that really holds y.
    while (key < keyHigh() && keyTop(key) > y) ++key;
    while (key > keyLow && keyBottom(key) <= y) --key;
    return key;
}

int RollFrame::keyLineY(int key) const {
    return height - static_cast<int>(static_cast<int64_t>(height) * (key - keyLow) / std::max(keyCount, 1));
}

// ---- lanes ------------------------------------------------------------------------------------

namespace {

struct LaneTab {
    const char* caption;
    LaneKind kind;
    int controller;
};

constexpr LaneTab kLaneTabs[kLaneTabCount] = {
    {"Vel", LaneKind::velocity, 0},     {"P.B.", LaneKind::pitchBend, 0},  {"Mod", LaneKind::controller, 1},
    {"Vol", LaneKind::controller, 7},   {"Pan", LaneKind::controller, 10}, {"Expr", LaneKind::controller, 11},
    {"H.C.", LaneKind::controller, 71}, {"Bright", LaneKind::controller, 74},
    {"Other Control", LaneKind::controller, -1},
};

}  // namespace

const char* laneTabCaption(int tab) { return tab >= 0 && tab < kLaneTabCount ? kLaneTabs[tab].caption : ""; }

Lane laneForTab(int tab, int otherController) {
    if (tab < 0 || tab >= kLaneTabCount) return {};
    const LaneTab& t = kLaneTabs[tab];
    return {t.kind, t.controller < 0 ? std::clamp(otherController, 0, 127) : t.controller};
}

LaneSpan laneSpan(const Lane& lane, int value, int height) {
    const int64_t h = height;
    switch (lane.kind) {
    case LaneKind::velocity:
        return {static_cast<int>(h * (128 - value) / 128), height};
    case LaneKind::controller:
        return {static_cast<int>(h * (128 - value) / 128) - 1, height};
    case LaneKind::pitchBend: {
        const int centre = height / 2;
        if (value == 8192) return {centre - 1, centre + 1};
        const int level = static_cast<int>(h * (16384 - value) / 16384);
        return level < centre ? LaneSpan{level, centre} : LaneSpan{centre, level};
    }
    }
    return {};
}

int laneValueAt(const Lane& lane, int y, int height) {
    // The exact inverse of the bar levels for lanes at least as high as the range has values
    // below 128: the value whose bar starts at y.
    const int64_t h = std::max(height, 1);
    const int64_t py = std::clamp<int64_t>(y, 0, h);
    auto ceilDiv = [](int64_t a, int64_t b) { return (a + b - 1) / b; };
    switch (lane.kind) {
    case LaneKind::velocity:
        return static_cast<int>(std::clamp<int64_t>(128 - ceilDiv(py * 128, h), 1, 127));
    case LaneKind::controller:
        return static_cast<int>(std::clamp<int64_t>(128 - ceilDiv((py + 1) * 128, h), 0, 127));
    case LaneKind::pitchBend: {
        const int64_t raw = 16384 - ceilDiv(py * 16384, h);
        if (py == h / 2 || std::abs(raw - 8192) * h < 16384) return 8192;
        return static_cast<int>(std::clamp<int64_t>(raw, 0, 16383));
    }
    }
    return 0;
}

std::vector<int> laneGridValues(const Lane& lane) {
    std::vector<int> values;
    if (lane.kind == LaneKind::pitchBend)
        for (int v = -8192; v < 8191; v += 1024) values.push_back(v);
    else
        values = {0, 32, 64, 96};
    return values;
}

int laneLineY(const Lane& lane, int value, int height) {
    const bool bend = lane.kind == LaneKind::pitchBend;
    const int64_t min = bend ? -8192 : 0, max = bend ? 8191 : 127;
    return height - static_cast<int>((value - min) * height / (max - min));
}

namespace {

int laneCentre(const Lane& lane) { return lane.kind == LaneKind::pitchBend ? 0 : 64; }
int laneSpacing(const Lane& lane) { return lane.kind == LaneKind::pitchBend ? 1024 : 32; }

}  // namespace

int laneGridStep(const Lane& lane, int height, int pixels) {
    const int spacing = laneSpacing(lane);
    const int range = lane.kind == LaneKind::pitchBend ? 16383 : 127;
    int step = 1;
    // Rows between neighbouring kept lines: step * spacing * height / range.
    while (step < 64 && static_cast<int64_t>(step) * spacing * std::max(height, 0) < static_cast<int64_t>(pixels) * range)
        step *= 2;
    return step;
}

bool laneGridKeeps(const Lane& lane, int value, int step) {
    const int spacing = laneSpacing(lane);
    const int offset = value - laneCentre(lane);
    return offset % spacing == 0 && (offset / spacing) % std::max(step, 1) == 0;
}

BarGridPlan planBarGrid(double pixelsPerBar, int numberPixels) {
    BarGridPlan plan;
    const double bar = pixelsPerBar > 0 ? pixelsPerBar : 1e-9;
    while (plan.lineStep < (1 << 28) && plan.lineStep * bar < kMinBarLinePixels) plan.lineStep *= 4;
    plan.fifths = plan.lineStep == 1 && 5 * bar >= numberPixels;
    plan.numberStep = plan.lineStep;
    if (!plan.fifths)
        while (plan.numberStep < (1 << 29) && plan.numberStep * bar < numberPixels) plan.numberStep *= 2;
    return plan;
}

// ---- snapping ---------------------------------------------------------------------------------

const char* noteValueName(NoteValue value) {
    static const char* const names[kNoteValueCount] = {"whole Note", "half Note", "Quater Note", "8th Note",
                                                       "16th Note",  "32th Note", "64th Note"};
    const int i = static_cast<int>(value);
    return i >= 0 && i < kNoteValueCount ? names[i] : "";
}

int32_t noteValueTicks(NoteValue value, int timeBase) {
    // whole = 4 quarters, each further value halves.
    const int64_t ticks = static_cast<int64_t>(timeBase) * 16 >> (static_cast<int>(value) + 2);
    return static_cast<int32_t>(std::clamp<int64_t>(ticks, 1, INT32_MAX));
}

int32_t snapTime(const midiSong& song, int32_t t, int32_t grid, bool down) {
    if (grid <= 1 || t <= 0) return std::max(t, 0);
    // The bar that holds t among the grid's bars (the table's repeated last entry is no start).
    const auto& starts = song.barStarts;
    const size_t bars = starts.size() > 1 ? starts.size() - 1 : starts.size();
    const auto it = std::upper_bound(starts.begin(), starts.begin() + static_cast<std::ptrdiff_t>(bars), t);
    const int bar = std::max(0, static_cast<int>(it - starts.begin()) - 1);
    const int64_t from = barStartTick(song, bar);
    int64_t next = barStartTick(song, bar + 1);
    const int64_t low = from + (t - from) / grid * grid;
    int64_t high = low + grid;
    if (next > t && next < high) high = next;
    const int64_t snapped = down || (t - low) * 2 < high - low ? low : high;
    return static_cast<int32_t>(std::clamp<int64_t>(snapped, 0, INT32_MAX));
}

}  // namespace tonvela
