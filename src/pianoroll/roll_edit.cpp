#include "pianoroll/roll_edit.h"

#include <algorithm>
#include <map>
#include <unordered_set>
#include <vector>

#include "pianoroll/roll_range.h"
#include "song/song.h"

namespace tonvela {

namespace {

using EventSet = std::unordered_set<const anyEvent*>;

// The wanted events of each track, by track index.
std::map<int, EventSet> byTrack(const midiSong& song, std::span<const RollNote> notes) {
    std::map<int, EventSet> out;
    for (const RollNote& n : notes)
        if (n.note && n.track >= 0 && n.track < song.trackCount()) out[n.track].insert(n.note);
    return out;
}

// Positions of the wanted events the track really holds, in list order. Only held events are
// dereferenced (by the caller).
std::vector<int> heldPositions(const midiTrack& track, const EventSet& wanted) {
    std::vector<int> positions;
    if (wanted.empty()) return positions;
    for (int i = 0; i < track.size(); ++i)
        if (const anyEvent* e = track.at(i); e && wanted.count(e)) positions.push_back(i);
    return positions;
}

bool isNote(const anyEvent* e) { return e && e->kind() == kindNote; }

NoteOnEvent* noteAt(const midiTrack& track, int position) { return static_cast<NoteOnEvent*>(track.at(position)); }

int noteQueue(const NoteOnEvent* n) { return (n->status & 0x0F) * 128 + n->note(); }

// Ends every overlap between a placed note and a note of the same channel and key (see the
// header). The track is in time order; removals leave empty slots for the caller to pack.
void settleOverlaps(midiTrack& track, const EventSet& placed) {
    std::vector<bool> touched(16 * 128, false);
    for (const anyEvent* e : placed) touched[static_cast<size_t>(noteQueue(static_cast<const NoteOnEvent*>(e)))] = true;
    std::vector<int> last(16 * 128, -1);  // position of the latest note of each queue
    for (int i = 0; i < track.size(); ++i) {
        anyEvent* e = track.at(i);
        if (!isNote(e)) continue;
        auto* n = static_cast<NoteOnEvent*>(e);
        const size_t q = static_cast<size_t>(noteQueue(n));
        if (!touched[q]) continue;
        if (last[q] >= 0) {
            NoteOnEvent* prev = noteAt(track, last[q]);
            const int64_t prevEnd = static_cast<int64_t>(prev->time) + prev->duration();
            const bool prevPlaced = placed.count(prev) > 0, placedHere = placed.count(n) > 0;
            if (prevEnd > n->time && (prevPlaced || placedHere)) {
                if (prev->time < n->time) {
                    track.setDuration(prev, n->time - prev->time);
                } else if (!prevPlaced) {
                    track.removeEventAt(last[q]);
                } else if (!placedHere) {
                    track.removeEventAt(i);
                    continue;  // the placed note stays the latest of its queue
                }
            }
        }
        last[q] = i;
    }
}

struct Bounds {
    int64_t minStart = INT64_MAX, maxStart = INT64_MIN;
    int minKey = 127, maxKey = 0;
    void add(const NoteOnEvent* n) {
        minStart = std::min<int64_t>(minStart, n->time);
        maxStart = std::max<int64_t>(maxStart, n->time);
        minKey = std::min(minKey, n->note());
        maxKey = std::max(maxKey, n->note());
    }
};

MoveResult limitShift(const Bounds& b, int32_t ticks, int keys, TickRange allowed) {
    if (b.minStart > b.maxStart) return {};
    int64_t dt = 0;
    if (!allowed.empty())
        dt = std::clamp<int64_t>(ticks, std::min<int64_t>(0, allowed.from - b.minStart),
                                 std::max<int64_t>(0, allowed.to - b.maxStart));
    const int dk = std::clamp(keys, std::min(0, -b.minKey), std::max(0, 127 - b.maxKey));
    return {static_cast<int32_t>(dt), dk, 0};
}

}  // namespace

MoveResult limitMove(std::span<const RollNote> notes, int32_t ticks, int keys, TickRange allowed) {
    Bounds b;
    for (const RollNote& n : notes)
        if (n.note) b.add(n.note);
    return limitShift(b, ticks, keys, allowed);
}

MoveResult moveNotes(midiSong& song, std::span<const RollNote> notes, int32_t ticks, int keys, TickRange allowed) {
    struct Held {
        midiTrack* track;
        std::vector<NoteOnEvent*> notes;
    };
    std::vector<Held> held;
    Bounds bounds;
    for (auto& [index, wanted] : byTrack(song, notes)) {
        midiTrack& t = *song.track(index);
        Held h{&t, {}};
        for (int p : heldPositions(t, wanted)) {
            if (!isNote(t.at(p))) continue;
            NoteOnEvent* n = noteAt(t, p);
            h.notes.push_back(n);
            bounds.add(n);
        }
        if (!h.notes.empty()) held.push_back(std::move(h));
    }
    if (held.empty()) return {};
    MoveResult result = limitShift(bounds, ticks, keys, allowed);
    const int32_t dt = result.ticks;
    const int dk = result.keys;
    if (dt == 0 && dk == 0) return {};

    for (Held& h : held) {
        midiTrack& t = *h.track;
        t.beginUndoStep(kRollMoveLabel);
        for (NoteOnEvent* n : h.notes) {
            if (dt) t.moveEvent(n, dt);
            if (dk) t.setKey(n, n->note() + dk);
        }
        result.moved += static_cast<int>(h.notes.size());
        t.sortEvents();
        settleOverlaps(t, EventSet(h.notes.begin(), h.notes.end()));
        t.pack();
    }
    return result;
}

int resizeNotes(midiSong& song, std::span<const RollNote> notes, int32_t ticks) {
    int changed = 0;
    for (auto& [index, wanted] : byTrack(song, notes)) {
        midiTrack& t = *song.track(index);
        EventSet placed;
        bool opened = false;
        for (int p : heldPositions(t, wanted)) {
            if (!isNote(t.at(p))) continue;
            NoteOnEvent* n = noteAt(t, p);
            const int64_t room = static_cast<int64_t>(INT32_MAX) - n->time;
            const int64_t d = std::clamp<int64_t>(static_cast<int64_t>(n->duration()) + ticks, 1, std::max<int64_t>(room, 1));
            if (d == n->duration()) continue;
            if (!opened) t.beginUndoStep(kRollLengthLabel), opened = true;
            t.setDuration(n, static_cast<int32_t>(d));
            placed.insert(n);
            ++changed;
        }
        if (!opened) continue;
        t.sortEvents();
        settleOverlaps(t, placed);
        t.pack();
    }
    return changed;
}

int newNoteChannel(const midiTrack& track) {
    for (const anyEvent* e : track.events())
        if (isNote(e)) return e->status & 0x0F;
    const int c = track.firstChannel();
    return c >= 0 && c <= 15 ? c : 0;
}

NoteOnEvent* addNote(midiSong& song, int track, int32_t time, int key, int32_t length, int velocity) {
    if (track < 0 || track >= song.trackCount()) return nullptr;
    midiTrack& t = *song.track(track);
    const int32_t at = std::max(time, 0);
    auto* n = new NoteOnEvent(at, static_cast<uint8_t>(0x90 | newNoteChannel(t)));
    n->setNote(std::clamp(key, 0, 127));
    n->setVelocity(std::clamp(velocity, 1, 127));
    n->setDuration(static_cast<int32_t>(std::clamp<int64_t>(length, 1, std::max<int64_t>(1, static_cast<int64_t>(INT32_MAX) - at))));
    t.beginUndoStep(kRollAddLabel);
    t.addEvent(n, true, true);
    t.sortEvents();
    settleOverlaps(t, EventSet{n});
    t.pack();
    return n;
}

int deleteNotes(midiSong& song, std::span<const RollNote> notes) {
    int removed = 0;
    for (auto& [index, wanted] : byTrack(song, notes)) {
        midiTrack& t = *song.track(index);
        bool opened = false;
        for (int p : heldPositions(t, wanted)) {
            if (!isNote(t.at(p))) continue;
            if (!opened) t.beginUndoStep(kRollDeleteLabel), opened = true;
            t.removeEventAt(p);
            ++removed;
        }
        t.pack();
    }
    return removed;
}

bool inLane(const anyEvent& e, const Lane& lane) {
    switch (lane.kind) {
    case LaneKind::velocity: return e.kind() == kindNote;
    case LaneKind::pitchBend: return e.kind() == kindPitchBend;
    case LaneKind::controller:
        return e.kind() == kindControl && static_cast<const ControlChangeEvent&>(e).controller() == lane.controller;
    }
    return false;
}

int laneValue(const anyEvent& e, const Lane& lane) {
    switch (lane.kind) {
    case LaneKind::velocity: return static_cast<const NoteOnEvent&>(e).velocity();
    case LaneKind::pitchBend: return static_cast<const PitchBendEvent&>(e).rawBend();
    case LaneKind::controller: return static_cast<const ControlChangeEvent&>(e).value();
    }
    return 0;
}

int setLaneValues(midiSong& song, const Lane& lane, std::span<const LaneChange> changes) {
    std::map<int, std::vector<const LaneChange*>> tracks;
    for (const LaneChange& c : changes)
        if (c.event && c.track >= 0 && c.track < song.trackCount()) tracks[c.track].push_back(&c);
    const char* label = lane.kind == LaneKind::velocity    ? kRollVelocityLabel
                        : lane.kind == LaneKind::pitchBend ? kRollBendLabel
                                                           : kRollControlLabel;
    int changed = 0;
    for (auto& [index, list] : tracks) {
        midiTrack& t = *song.track(index);
        EventSet wanted;
        for (const LaneChange* c : list) wanted.insert(c->event);
        EventSet held;
        for (int p : heldPositions(t, wanted)) held.insert(t.at(p));
        bool opened = false;
        for (const LaneChange* c : list) {
            anyEvent* e = c->event;
            if (!held.count(e) || !inLane(*e, lane)) continue;
            const int v = lane.kind == LaneKind::velocity    ? std::clamp(c->value, 1, 127)
                          : lane.kind == LaneKind::pitchBend ? std::clamp(c->value, 0, 16383)
                                                             : std::clamp(c->value, 0, 127);
            if (v == laneValue(*e, lane)) continue;
            if (!opened) t.beginUndoStep(label), opened = true;
            if (lane.kind == LaneKind::velocity)
                t.setVelocity(static_cast<NoteOnEvent*>(e), v);
            else if (lane.kind == LaneKind::pitchBend)
                t.setBend(static_cast<PitchBendEvent*>(e), v);
            else
                t.setControlValue(static_cast<ControlChangeEvent*>(e), v);
            ++changed;
        }
    }
    return changed;
}

// ---- drawing in a lane ------------------------------------------------------------------------

namespace {

int laneMax(const Lane& lane) { return lane.kind == LaneKind::pitchBend ? 16383 : 127; }

// The grid line after g: the next one of g's bar, or the next bar's start when that comes first.
int64_t nextGridLine(const midiSong& song, int64_t g, int32_t grid) {
    const int64_t ahead = std::min<int64_t>(g + grid, INT32_MAX);
    const int64_t next = snapTime(song, static_cast<int32_t>(ahead), grid, true);
    return next > g ? next : g + grid;
}

// The path sorted by time, one point per time (the one drawn last).
std::vector<LanePoint> sortedPath(const std::vector<LanePoint>& points, TickRange allowed) {
    std::vector<std::pair<LanePoint, size_t>> order;
    order.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        LanePoint p = points[i];
        p.time = std::clamp(p.time, allowed.from, allowed.to);
        order.push_back({p, i});
    }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.first.time != b.first.time ? a.first.time < b.first.time : a.second < b.second;
    });
    std::vector<LanePoint> path;
    for (const auto& [p, i] : order) {
        if (!path.empty() && path.back().time == p.time)
            path.back() = p;
        else
            path.push_back(p);
    }
    return path;
}

int valueOnPath(const std::vector<LanePoint>& path, int64_t t) {
    const auto after = std::upper_bound(path.begin(), path.end(), t,
                                        [](int64_t time, const LanePoint& p) { return time < p.time; });
    if (after == path.begin()) return path.front().value;
    if (after == path.end()) return path.back().value;
    const LanePoint& a = *(after - 1);
    const LanePoint& b = *after;
    const int64_t span = static_cast<int64_t>(b.time) - a.time;
    const int64_t rise = static_cast<int64_t>(b.value - a.value) * (t - a.time);
    // Rounded to the nearest value, halves away from zero.
    const int64_t step = rise >= 0 ? (2 * rise + span) / (2 * span) : -((-2 * rise + span) / (2 * span));
    return static_cast<int>(a.value + step);
}

}  // namespace

StrokeCells strokeCells(const midiSong& song, const LaneStroke& stroke) {
    StrokeCells cells;
    if (stroke.lane.kind == LaneKind::velocity || stroke.points.empty() || stroke.grid < 1 || stroke.allowed.empty())
        return cells;
    const std::vector<LanePoint> path = sortedPath(stroke.points, stroke.allowed);
    const int64_t first = std::max<int64_t>(snapTime(song, path.front().time, stroke.grid, true), stroke.allowed.from);
    const int64_t lastCell = std::max<int64_t>(snapTime(song, path.back().time, stroke.grid, true), first);
    const int64_t end = std::min<int64_t>(nextGridLine(song, lastCell, stroke.grid), static_cast<int64_t>(stroke.allowed.to) + 1);
    cells.from = static_cast<int32_t>(first);
    cells.to = static_cast<int32_t>(std::max(end, first));
    const int top = laneMax(stroke.lane);
    for (int64_t g = first; g < end; g = nextGridLine(song, g, stroke.grid))
        cells.values.push_back({static_cast<int32_t>(g), std::clamp(valueOnPath(path, g), 0, top)});
    return cells;
}

StrokeResult drawLaneStroke(midiSong& song, const LaneStroke& stroke) {
    StrokeResult result;
    const int tracks = song.trackCount();
    if (stroke.track < 0 || stroke.track >= tracks || stroke.channel < 0 || stroke.channel > 15) return result;
    const StrokeCells cells = strokeCells(song, stroke);
    if (cells.values.empty()) return result;
    const Lane lane = stroke.lane;
    const bool bend = lane.kind == LaneKind::pitchBend;
    const char* label = bend ? kRollBendLabel : kRollControlLabel;
    auto ofStroke = [&](const anyEvent* e) {
        return e && e->time >= cells.from && e->time < cells.to && inLane(*e, lane) && e->channelOf() == stroke.channel;
    };

    const int low = std::clamp(std::min(stroke.firstTrack, stroke.track), 0, tracks - 1);
    const int high = std::clamp(std::max(stroke.lastTrack, stroke.track), 0, tracks - 1);
    for (int index = low; index <= high; ++index) {
        const bool target = index == stroke.track;
        if (!target && (index < stroke.firstTrack || index > stroke.lastTrack)) continue;
        midiTrack& t = *song.track(index);
        // Cell starts (in time order) that an event of this track already holds, and what goes.
        std::vector<std::pair<anyEvent*, int>> kept;  // event, new value
        std::vector<int> gone;
        const EventSpan span = eventSpan(t, cells.from, cells.to);
        std::vector<bool> taken(target ? cells.values.size() : 0, false);
        for (int p = span.first; p < span.last; ++p) {
            anyEvent* e = t.at(p);
            if (!ofStroke(e)) continue;
            if (target) {
                // The span may be out of time order (after an undo): each event looks its cell up.
                const auto cell = std::lower_bound(cells.values.begin(), cells.values.end(), e->time,
                                                   [](const LanePoint& v, int32_t time) { return v.time < time; });
                const size_t i = static_cast<size_t>(cell - cells.values.begin());
                if (cell != cells.values.end() && cell->time == e->time && !taken[i]) {
                    taken[i] = true;
                    kept.push_back({e, cell->value});
                    continue;
                }
            }
            gone.push_back(p);
        }
        size_t changes = 0;
        for (const auto& [e, v] : kept) changes += laneValue(*e, lane) != v;
        const size_t additions = target ? cells.values.size() - kept.size() : 0;
        if (gone.empty() && changes == 0 && additions == 0) continue;

        t.beginUndoStep(label);
        for (int p : gone) t.removeEventAt(p);
        result.removed += static_cast<int>(gone.size());
        if (!gone.empty()) t.pack();
        for (const auto& [e, v] : kept) {
            if (laneValue(*e, lane) == v) continue;
            if (bend)
                t.setBend(static_cast<PitchBendEvent*>(e), v);
            else
                t.setControlValue(static_cast<ControlChangeEvent*>(e), v);
            ++result.changed;
        }
        if (!target) continue;
        std::vector<anyEvent*> added;
        added.reserve(additions);
        for (size_t i = 0; i < cells.values.size(); ++i) {
            if (taken[i]) continue;
            const LanePoint& v = cells.values[i];
            if (bend) {
                auto* b = new PitchBendEvent(v.time, static_cast<uint8_t>(0xE0 | stroke.channel));
                b->setRawBend(v.value);
                added.push_back(b);
            } else {
                auto* c = new ControlChangeEvent(v.time, static_cast<uint8_t>(0xB0 | stroke.channel));
                c->setController(lane.controller);
                c->setValue(v.value);
                added.push_back(c);
            }
        }
        t.addEvents(added, true);
        result.added += static_cast<int>(added.size());
    }
    return result;
}

}  // namespace tonvela
