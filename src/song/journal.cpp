// Journaled track edits, undo and redo. Each edit writes a text line holding the previous value
// before it changes the event; undo replays the lines of the newest step backwards and turns
// them into the lines of a redo step (holding the values it replaced), which redo replays
// forwards into the journal again. So the two are exact inverses of each other.
//
// A line names its event by the event's serial, which is never reused. Removals remember the
// event that preceded the removed one in the list, and putting an event back puts it right
// after that event again; a sort inside a step is journaled as the moves of single events, each
// remembering the event it followed. So a step undone or redone leaves the list exactly as it
// was, order included.

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <utility>

#include "base/pages.h"
#include "song/song.h"
#include "song/track.h"

namespace tonvela {

namespace {

uint8_t dataByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 127)); }

bool isMarker(const std::string& line) { return !line.empty() && line[0] == '@'; }

bool named(int64_t handle) { return handle >= 0 && handle <= static_cast<int64_t>(UINT32_MAX); }

// Splits "L,handle[,old]" without allocating. A neutralised line has the handle -1.
template <typename Line>
Line parseLine(const std::string& line) {
    Line p{-1, 0, 0};
    if (line.empty()) return p;
    p.letter = line[0];
    size_t c1 = line.find(',');
    if (c1 == std::string::npos) return p;
    const char* b = line.data() + c1 + 1;
    const char* end = line.data() + line.size();
    long long h = -1, v = 0;
    auto r = std::from_chars(b, end, h);
    if (r.ec != std::errc()) return p;
    p.handle = h;
    if (r.ptr < end && *r.ptr == ',') std::from_chars(r.ptr + 1, end, v);
    p.value = v;
    return p;
}

std::string makeLine(char letter, long long handle, bool withValue, long long value) {
    char buf[64];
    char* p = buf;
    *p++ = letter;
    *p++ = ',';
    p = std::to_chars(p, buf + 32, handle).ptr;
    if (withValue) {
        *p++ = ',';
        p = std::to_chars(p, buf + 62, value).ptr;
    }
    return std::string(buf, p);
}

bool hasValue(char letter) { return letter != '+' && letter != '-'; }

// Map from the serials a step names to node numbers (-1: not in the track). The serials of a
// step mostly lie in a few dense runs (the events a track was loaded with, the events the step
// made), so they are kept in a plain table indexed by serial when their whole span is small,
// else in pages of such a table for the parts of the span they fill, and only when they are
// scattered wide in an open-addressing hash. The first two are filled and read in order.
class SerialIndex {
public:
    explicit SerialIndex(const std::vector<uint32_t>& keys) {
        if (keys.empty()) return;
        const auto [lo, hi] = std::minmax_element(keys.begin(), keys.end());
        low_ = *lo;
        const uint64_t span = static_cast<uint64_t>(*hi) - low_ + 1;
        const uint64_t budget = 8 * static_cast<uint64_t>(keys.size()) + 4096;  // table entries
        if (span <= budget) {
            flat_.assign(static_cast<size_t>(span), kAbsent);
            for (uint32_t k : keys) flat_[k - low_] = -1;
            return;
        }
        if ((span >> kPageBits) <= budget) {
            directory_.assign(static_cast<size_t>((span >> kPageBits) + 1), kNoPage);
            uint64_t pages = 0;
            for (uint32_t k : keys) {
                uint32_t& d = directory_[(k - low_) >> kPageBits];
                if (d == kNoPage) d = static_cast<uint32_t>(pages++);
            }
            if (pages << kPageBits <= budget) {
                flat_.assign(static_cast<size_t>(pages << kPageBits), kAbsent);
                for (uint32_t k : keys) *entry(k) = -1;
                return;
            }
            directory_.clear();
        }
        size_t cap = 16;
        while (cap < keys.size() * 2) cap <<= 1;
        keys_.assign(cap, kEmpty);
        values_.assign(cap, -1);
        mask_ = cap - 1;
        for (uint32_t k : keys) (void)slot(k, true);
    }
    // The value of a key that was given; nullptr for any other key.
    int32_t* find(uint32_t key) {
        if (!flat_.empty()) {
            int32_t* e = entry(key);
            return e && *e != kAbsent ? e : nullptr;
        }
        if (keys_.empty()) return nullptr;
        size_t i = slot(key, false);
        return keys_[i] == key ? &values_[i] : nullptr;
    }

private:
    static constexpr int32_t kAbsent = INT32_MIN;
    static constexpr unsigned kPageBits = 10;
    static constexpr uint32_t kNoPage = UINT32_MAX;
    int32_t* entry(uint32_t key) {
        const uint32_t offset = key - low_;  // wraps for keys below low_: out of range
        if (directory_.empty()) return offset < flat_.size() ? &flat_[offset] : nullptr;
        const size_t page = offset >> kPageBits;
        if (key < low_ || page >= directory_.size() || directory_[page] == kNoPage) return nullptr;
        return &flat_[(static_cast<size_t>(directory_[page]) << kPageBits) | (offset & ((1u << kPageBits) - 1))];
    }
    uint32_t low_ = 0;
    std::vector<int32_t> flat_;
    std::vector<uint32_t> directory_;  // page of the span -> page of flat_, when paged

    static constexpr uint64_t kEmpty = UINT64_MAX;
    size_t slot(uint32_t key, bool insert) {
        size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ULL) >> 20) & mask_;
        while (keys_[i] != kEmpty && keys_[i] != key) i = (i + 1) & mask_;
        if (insert && keys_[i] == kEmpty) keys_[i] = key;
        return i;
    }
    std::vector<uint64_t> keys_;
    std::vector<int32_t> values_;
    size_t mask_ = 0;
};

}  // namespace

void midiTrack::writeJournal(char letter, const anyEvent* e, int64_t old) {
    if (!redoLines_.empty()) clearRedo();  // a new edit ends what could be redone
    // A long run's lines, without a page fault per page.
    growAhead(journal);
    journalAhead_.before(journal);
    journal.push_back(makeLine(letter, e->serial, hasValue(letter), old));
}

void midiTrack::beginUndoStep(const std::string& label) {
    clearRedo();
    journal.push_back("@," + label);
}

void midiTrack::removeEvent(anyEvent* e) {
    int pos = positionOf(e);
    if (pos >= 0) removeEventAt(pos);
}

int64_t midiTrack::anchorBefore(int position) {
    int64_t anchor;
    if (lastHole_ >= 0 && lastHoleLayout_ == layout_ && lastHole_ == position - 1) {
        anchor = lastHoleAnchor_;
    } else {
        int q = position - 1;
        while (q >= 0 && !events_[static_cast<size_t>(q)]) --q;
        anchor = q < 0 ? -1 : static_cast<int64_t>(events_[static_cast<size_t>(q)]->serial);
    }
    lastHole_ = position;
    lastHoleAnchor_ = anchor;
    lastHoleLayout_ = layout_;
    return anchor;
}

void midiTrack::removeEventAt(int position) {
    anyEvent*& slot = events_[static_cast<size_t>(position)];
    anyEvent* e = slot;
    if (!e) return;
    writeJournal('-', e, 0);
    undoSide_.anchors.push_back(anchorBefore(position));
    removedEvents.push_back(e);  // the reference moves to the parking list
    slot = nullptr;
    ++holes_;
    left(e);
}

void midiTrack::moveEvent(anyEvent* e, int32_t delta) {
    writeJournal('M', e, e->time);
    undoSide_.positions.push_back({e->bar, e->beat, e->tick});
    int64_t t = static_cast<int64_t>(e->time) + delta;
    e->time = static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX));
    updatePosition(e);
}

void midiTrack::setEventTime(anyEvent* e, int32_t time) {
    writeJournal('M', e, e->time);
    undoSide_.positions.push_back({e->bar, e->beat, e->tick});
    e->time = time;
    updatePosition(e);
}

void midiTrack::setChannel(anyEvent* e, int channel) {
    // System exclusive and meta events have no channel bits to change.
    if (e->status >= 0xF0 || channel < 0 || channel > 15) return;
    writeJournal('c', e, e->status & 0x0F);
    e->setChannelBits(channel);
    channels.set(static_cast<size_t>(channel));
}

void midiTrack::setNumber(ControlChangeEvent* e, int number) {
    writeJournal('N', e, e->controller());
    e->setRawController(dataByte(number));
}

void midiTrack::setKey(NoteOnEvent* e, int key) {
    writeJournal('K', e, e->note());
    e->setRawNote(dataByte(key));
}

void midiTrack::setProgram(ProgramChangeEvent* e, int program) {
    writeJournal('P', e, e->program());
    e->setProgram(dataByte(program));
}

void midiTrack::setControlValue(ControlChangeEvent* e, int value) {
    writeJournal('C', e, e->value());
    e->setValue(value);
}

void midiTrack::setVelocity(NoteOnEvent* e, int velocity) {
    writeJournal('V', e, e->velocity());
    // Velocity 0 would silently turn the note into a note off.
    e->setRawVelocity(static_cast<uint8_t>(std::clamp(velocity, 1, 127)));
}

void midiTrack::setDuration(NoteOnEvent* e, int32_t duration) {
    writeJournal('D', e, e->duration());
    e->setDuration(duration);
    noteAdded(e);
}

void midiTrack::setBend(PitchBendEvent* e, int raw) {
    writeJournal('B', e, e->rawBend());
    e->setRawBend(raw);
}

void midiTrack::setTempo(TempoEvent* e, int32_t microseconds) {
    writeJournal('T', e, e->getTempo());
    // The line holds microseconds; the bytes themselves may not be the usual three.
    undoSide_.tempos.push_back(e->data);
    e->setTempo(microseconds);
}

int midiTrack::undoCount() {
    while (!journal.empty() && isMarker(journal.back())) journal.pop_back();
    return static_cast<int>(journal.size());
}

std::string midiTrack::undoLabel() const {
    for (auto it = journal.rbegin(); it != journal.rend(); ++it)
        if (isMarker(*it)) return it->size() > 2 ? it->substr(2) : std::string();
    return "to Start";
}

int midiTrack::redoCount() const { return static_cast<int>(redoMarkers_.size()); }

std::string midiTrack::redoLabel() const {
    if (redoMarkers_.empty()) return {};
    const std::string& m = redoMarkers_.back();
    return m.size() >= 2 ? m.substr(2) : std::string("to Start");
}

void midiTrack::undo() {
    if (undoCount() == 0) return;
    replay(true, 0);
}

void midiTrack::redo() {
    if (redoMarkers_.empty()) return;
    replay(false, 0);
}

// ---- marks ---------------------------------------------------------------------------------------

void midiTrack::markHistory() {
    if (mark_.active) return;
    mark_.active = true;
    mark_.lines = journal.size();
    swapRedo();
}

void midiTrack::abandonToMark() {
    if (!mark_.active) return;
    while (journal.size() > mark_.lines) replay(true, mark_.lines);
    clearRedo();  // what undoing the operation's lines made redoable
    swapRedo();
    mark_.active = false;
}

void midiTrack::keepSinceMark() {
    if (!mark_.active) return;
    if (journal.size() != mark_.lines) {
        releaseSetAside();  // a step or an edit ends what could be redone
    } else {
        clearRedo();
        swapRedo();
    }
    mark_.active = false;
}

void midiTrack::swapRedo() {
    redoLines_.swap(mark_.redoLines);
    redoMarkers_.swap(mark_.redoMarkers);
    redoParked_.swap(mark_.parked);
    redoSide_.anchors.swap(mark_.anchors);
    redoSide_.positions.swap(mark_.positions);
    redoSide_.tempos.swap(mark_.tempos);
}

void midiTrack::releaseSetAside() {
    for (anyEvent* e : mark_.parked) releaseRef(e);
    mark_.parked.clear();
    mark_.redoLines.clear();
    mark_.redoMarkers.clear();
    mark_.anchors.clear();
    mark_.positions.clear();
    mark_.tempos.clear();
}

// ---- journaled sort ------------------------------------------------------------------------------

// The sort as moves of single events: the events outside a longest run that is already in order
// are taken, in sorted order, each to right after its predecessor in the sorted list. Each move
// is an "O" line with the event it followed before, so undoing the moves newest first gives back
// the order before the sort. The lines are as few as the events out of place.
void midiTrack::sortJournaled() {
    const size_t n = events_.size();
    std::vector<uint32_t> order(n);  // sorted position -> list position
    for (size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(i);
    std::stable_sort(order.begin(), order.end(),
                     [this](uint32_t a, uint32_t b) { return eventLess(events_[a], events_[b]); });

    // A longest increasing run of list positions in `order` stays where it is.
    std::vector<uint32_t> tails;   // sorted positions ending the best runs of each length
    std::vector<int32_t> before(n, -1);
    for (size_t k = 0; k < n; ++k) {
        auto it = std::lower_bound(tails.begin(), tails.end(), order[k],
                                   [&order](uint32_t t, uint32_t v) { return order[t] < v; });
        if (it != tails.begin()) before[k] = static_cast<int32_t>(*(it - 1));
        if (it == tails.end())
            tails.push_back(static_cast<uint32_t>(k));
        else
            *it = static_cast<uint32_t>(k);
    }
    std::vector<bool> stays(n, false);
    for (int32_t k = tails.empty() ? -1 : static_cast<int32_t>(tails.back()); k >= 0; k = before[static_cast<size_t>(k)])
        stays[order[static_cast<size_t>(k)]] = true;

    // The list as a linked list of positions while the moves are made.
    std::vector<int32_t> next(n + 1), prev(n + 1);  // node i + 1 is list position i, node 0 the head
    for (size_t i = 0; i <= n; ++i) {
        next[i] = i < n ? static_cast<int32_t>(i + 1) : -1;
        prev[i] = i == 0 ? -1 : static_cast<int32_t>(i - 1);
    }
    auto serialOf = [this](int32_t node) -> int64_t {
        return node == 0 ? -1 : static_cast<int64_t>(events_[static_cast<size_t>(node) - 1]->serial);
    };
    for (size_t k = 0; k < n; ++k) {
        const size_t i = order[k];
        if (stays[i]) continue;
        const int32_t node = static_cast<int32_t>(i + 1);
        const int32_t after = k == 0 ? 0 : static_cast<int32_t>(order[k - 1] + 1);
        writeJournal('O', events_[i], serialOf(prev[static_cast<size_t>(node)]));
        next[static_cast<size_t>(prev[static_cast<size_t>(node)])] = next[static_cast<size_t>(node)];
        if (next[static_cast<size_t>(node)] >= 0) prev[static_cast<size_t>(next[static_cast<size_t>(node)])] = prev[static_cast<size_t>(node)];
        next[static_cast<size_t>(node)] = next[static_cast<size_t>(after)];
        prev[static_cast<size_t>(node)] = after;
        if (next[static_cast<size_t>(after)] >= 0) prev[static_cast<size_t>(next[static_cast<size_t>(after)])] = node;
        next[static_cast<size_t>(after)] = node;
    }
    std::vector<anyEvent*> sorted;
    sorted.reserve(n);
    for (uint32_t i : order) sorted.push_back(events_[i]);
    events_.swap(sorted);
    ++layout_;
}

void midiTrack::clearRedo() {
    for (anyEvent* e : redoParked_) releaseRef(e);
    redoParked_.clear();
    redoLines_.clear();
    redoMarkers_.clear();
    redoSide_.anchors.clear();
    redoSide_.positions.clear();
    redoSide_.tempos.clear();
}

void midiTrack::clearHistory() {
    journal.clear();
    journalFields.clear();
    for (anyEvent* e : removedEvents) releaseRef(e);
    removedEvents.clear();
    undoSide_.anchors.clear();
    undoSide_.positions.clear();
    undoSide_.tempos.clear();
    clearRedo();
    releaseSetAside();
    mark_.active = false;
    createdByEdit = false;  // saved with the song, it is the song's own
}

void midiTrack::forget(const anyEvent* e, int64_t predecessor) {
    const int64_t gone = e->serial;
    for (std::string& line : journal) {
        if (isMarker(line)) continue;
        Line p = parseLine<Line>(line);
        const bool named = p.handle == gone, followed = p.letter == 'O' && p.value == gone;
        if (named || followed)
            line = makeLine(p.letter, named ? -1 : p.handle, hasValue(p.letter), followed ? predecessor : p.value);
    }
    for (auto* lines : {&redoLines_, &mark_.redoLines}) {
        for (Line& l : *lines) {
            if (l.letter == '@') continue;
            if (l.handle == gone) l.handle = -1;
            if (l.letter == 'O' && l.value == gone) l.value = predecessor;
        }
    }
    for (auto* anchors : {&undoSide_.anchors, &redoSide_.anchors, &mark_.anchors})
        std::replace(anchors->begin(), anchors->end(), gone, predecessor);
}

void midiTrack::replay(bool undoing, size_t floor) {
    Side& from = undoing ? undoSide_ : redoSide_;
    Side& to = undoing ? redoSide_ : undoSide_;
    const char putBack = undoing ? '-' : '+';  // lines that put a parked event back
    const char takeOut = undoing ? '+' : '-';

    // The lines of the newest step (after its marker, or all lines when there is none).
    std::vector<Line> lines;
    std::string marker;
    size_t first;
    bool hasMarker;
    if (undoing) {
        first = journal.size();
        while (first > floor && !isMarker(journal[first - 1])) --first;
        hasMarker = first > floor;
        marker = hasMarker ? journal[first - 1] : std::string("@");
        lines.reserve(journal.size() - first);
        for (size_t i = first; i < journal.size(); ++i) lines.push_back(parseLine<Line>(journal[i]));
    } else {
        first = redoLines_.size();
        while (first > 0 && redoLines_[first - 1].letter != '@') --first;
        hasMarker = first > 0;
        marker = redoMarkers_.back();
        lines.assign(redoLines_.begin() + static_cast<std::ptrdiff_t>(first), redoLines_.end());
    }

    // For each line its entry in the side lists of its kind.
    const size_t count = lines.size();
    // "M" and "+" lines also have an entry in the positions (an added event gets a position).
    std::vector<uint32_t> entry(count), posEntry(count);
    size_t nBack = 0, nMove = 0, nTempo = 0;
    bool structural = false;
    for (size_t i = 0; i < count; ++i) {
        char l = lines[i].letter;
        if (l == '+' || l == '-' || l == 'O') structural = true;
        entry[i] = static_cast<uint32_t>(l == putBack ? nBack++ : l == 'T' ? nTempo++ : 0);
        posEntry[i] = static_cast<uint32_t>(l == 'M' || l == '+' ? nMove++ : 0);
    }
    auto base = [](size_t size, size_t n) { return size >= n ? size - n : 0; };
    std::vector<anyEvent*>& parked = *from.parked;
    const size_t backBase = base(parked.size(), nBack);
    const size_t moveBase = base(from.positions.size(), nMove);
    const size_t tempoBase = base(from.tempos.size(), nTempo);
    // Takes the parked reference of the k-th line of the step that puts an event back.
    auto takeParked = [&](size_t k) -> anyEvent* {
        if (backBase + k >= parked.size()) return nullptr;
        return std::exchange(parked[backBase + k], nullptr);
    };
    auto anchorAt = [&](size_t k) -> int64_t {
        return backBase + k < from.anchors.size() ? from.anchors[backBase + k] : INT64_MIN;
    };

    // Node 0 is the head of the list; node i + 1 is slot i; events put back get new nodes.
    pack();
    const size_t n = events_.size();
    std::vector<anyEvent*> added;
    std::vector<int32_t> next, prev;
    auto eventOf = [&](int32_t node) { return static_cast<size_t>(node) <= n ? events_[static_cast<size_t>(node) - 1] : added[static_cast<size_t>(node) - n - 1]; };
    if (structural) {
        next.resize(n + nBack + 1);
        prev.resize(n + nBack + 1);
        for (size_t i = 0; i <= n; ++i) {
            next[i] = i < n ? static_cast<int32_t>(i + 1) : -1;
            prev[i] = i == 0 ? -1 : static_cast<int32_t>(i - 1);
        }
        added.reserve(nBack);
    }

    std::vector<uint32_t> keys;
    keys.reserve(count + nBack);
    for (size_t i = 0; i < count; ++i) {
        if (named(lines[i].handle)) keys.push_back(static_cast<uint32_t>(lines[i].handle));
        if (lines[i].letter == putBack && named(anchorAt(entry[i]))) keys.push_back(static_cast<uint32_t>(anchorAt(entry[i])));
        if (lines[i].letter == 'O' && named(lines[i].value)) keys.push_back(static_cast<uint32_t>(lines[i].value));
    }
    SerialIndex where(keys);
    std::vector<uint32_t>().swap(keys);
    for (size_t i = 0; i < n; ++i)
        if (int32_t* w = where.find(events_[i]->serial); w && *w < 0) *w = static_cast<int32_t>(i + 1);

    // An added event goes out with the position it had before it was added, and comes back
    // with the one it was given.
    auto swapPosition = [&](anyEvent* e, size_t k) {
        to.positions.push_back({e->bar, e->beat, e->tick});
        if (moveBase + k >= from.positions.size()) return;
        const BarBeatTick& p = from.positions[moveBase + k];
        e->bar = p.bar;
        e->beat = p.beat;
        e->tick = p.tick;
    };
    auto present = [&](long long serial) -> int32_t {
        if (serial < 0 || serial > static_cast<long long>(UINT32_MAX)) return -1;
        int32_t* w = where.find(static_cast<uint32_t>(serial));
        return w ? *w : -1;
    };
    auto link = [&](int32_t node, int32_t after) {
        next[static_cast<size_t>(node)] = next[static_cast<size_t>(after)];
        prev[static_cast<size_t>(node)] = after;
        if (next[static_cast<size_t>(after)] >= 0) prev[static_cast<size_t>(next[static_cast<size_t>(after)])] = node;
        next[static_cast<size_t>(after)] = node;
    };
    // Where an event goes back when the one it followed is gone (only after edits the journal
    // did not see): after the last event that is not later.
    auto byTime = [&](const anyEvent* e) {
        int32_t at = 0;
        for (int32_t x = next[0]; x >= 0; x = next[static_cast<size_t>(x)])
            if (eventOf(x)->time <= e->time) at = x;
        return at;
    };

    std::vector<Line> out;
    out.reserve(count);
    const size_t toParked = to.parked->size(), toAnchors = to.anchors.size();
    const size_t toPositions = to.positions.size(), toTempos = to.tempos.size();
    bool moved = false;

    for (size_t step = 0; step < count; ++step) {
        const size_t i = undoing ? count - 1 - step : step;
        const Line& l = lines[i];
        if (l.letter == putBack) {
            anyEvent* e = takeParked(entry[i]);
            if (!e) continue;
            if (!named(l.handle) || e->serial != static_cast<uint32_t>(l.handle) || present(l.handle) > 0) {
                releaseRef(e);  // the line was neutralised: its event stays out
                continue;
            }
            int64_t anchor = anchorAt(entry[i]);
            int32_t after = anchor == -1 ? 0 : present(anchor);
            if (after < 0) after = byTime(e);
            added.push_back(e);
            const int32_t node = static_cast<int32_t>(n + added.size());
            link(node, after);
            if (l.letter == '+') swapPosition(e, posEntry[i]);
            *where.find(e->serial) = node;
            noteAdded(e);
            entered(e);
            out.push_back({l.handle, 0, l.letter});
            continue;
        }
        const int32_t node = present(l.handle);
        if (node <= 0) continue;  // not in the track: nothing to change
        anyEvent* e = eventOf(node);
        if (l.letter == 'O') {  // back to right after the event it followed; the inverse likewise
            const int32_t before = prev[static_cast<size_t>(node)];
            next[static_cast<size_t>(before)] = next[static_cast<size_t>(node)];
            if (next[static_cast<size_t>(node)] >= 0) prev[static_cast<size_t>(next[static_cast<size_t>(node)])] = before;
            int32_t after = l.value == -1 ? 0 : present(l.value);
            if (after < 0 || after == node) after = byTime(e);
            link(node, after);
            out.push_back({l.handle, before == 0 ? -1 : static_cast<int64_t>(eventOf(before)->serial), 'O'});
            continue;
        }
        if (l.letter == takeOut) {
            if (l.letter == '+') swapPosition(e, posEntry[i]);
            const int32_t before = prev[static_cast<size_t>(node)];
            to.parked->push_back(e);
            to.anchors.push_back(before == 0 ? -1 : static_cast<int64_t>(eventOf(before)->serial));
            next[static_cast<size_t>(before)] = next[static_cast<size_t>(node)];
            if (next[static_cast<size_t>(node)] >= 0) prev[static_cast<size_t>(next[static_cast<size_t>(node)])] = before;
            *where.find(e->serial) = -1;
            left(e);
            out.push_back({l.handle, 0, l.letter});
            continue;
        }
        long long current = 0;
        switch (l.letter) {
        case 'M': {
            current = e->time;
            to.positions.push_back({e->bar, e->beat, e->tick});
            e->time = static_cast<int32_t>(std::clamp<long long>(l.value, 0, INT32_MAX));
            if (e->time > endTime) endTime = e->time;
            if (e->kind() == kindNote) noteAdded(e);
            if (moveBase + posEntry[i] < from.positions.size()) {
                const BarBeatTick& p = from.positions[moveBase + posEntry[i]];
                e->bar = p.bar;
                e->beat = p.beat;
                e->tick = p.tick;
            } else if (song) {
                song->computePosition(e);
            }
            timeChanged(e);
            moved = true;
            break;
        }
        case 'c':
            if (e->status >= 0xF0) continue;
            current = e->status & 0x0F;
            e->status = static_cast<uint8_t>((e->status & 0xF0) | (l.value & 0x0F));
            break;
        case 'N':
        case 'C': {
            auto* c = dynamic_cast<ControlChangeEvent*>(e);
            if (!c) continue;
            current = l.letter == 'N' ? c->controller() : c->value();
            if (l.letter == 'N')
                c->setRawController(static_cast<uint8_t>(l.value));
            else
                c->setRawValue(static_cast<uint8_t>(l.value));
            break;
        }
        case 'K':
        case 'V':
        case 'D': {
            auto* nt = dynamic_cast<NoteOnEvent*>(e);
            if (!nt) continue;
            current = l.letter == 'K' ? nt->note() : l.letter == 'V' ? nt->velocity() : nt->duration();
            if (l.letter == 'K')
                nt->setRawNote(static_cast<uint8_t>(l.value));
            else if (l.letter == 'V')
                nt->setRawVelocity(static_cast<uint8_t>(l.value));
            else
                nt->setDuration(static_cast<int32_t>(l.value));
            break;
        }
        case 'P': {
            auto* p = dynamic_cast<ProgramChangeEvent*>(e);
            if (!p) continue;
            current = p->program();
            p->setProgram(static_cast<int>(l.value));
            break;
        }
        case 'B': {
            auto* b = dynamic_cast<PitchBendEvent*>(e);
            if (!b) continue;
            current = b->rawBend();
            b->setRawBend(static_cast<int>(l.value));
            break;
        }
        case 'T': {
            auto* t = dynamic_cast<TempoEvent*>(e);
            if (!t) continue;
            current = t->getTempo();
            to.tempos.push_back(t->data);
            if (tempoBase + entry[i] < from.tempos.size())
                t->data = from.tempos[tempoBase + entry[i]];
            else
                t->setTempo(static_cast<int32_t>(l.value));
            break;
        }
        default: continue;
        }
        out.push_back({l.handle, current, l.letter});
    }

    // Parked events of the step that were not put back are released.
    for (size_t k = 0; k < nBack; ++k)
        if (anyEvent* e = takeParked(k)) releaseRef(e);
    parked.resize(backBase);
    from.anchors.resize(std::min(from.anchors.size(), backBase));
    from.positions.resize(moveBase);
    from.tempos.resize(tempoBase);
    if (undoing) {
        journal.resize(hasMarker ? first - 1 : first);
    } else {
        redoLines_.resize(hasMarker ? first - 1 : first);
        redoMarkers_.pop_back();
    }

    if (undoing) {  // the other side keeps its lines and entries oldest first
        std::reverse(out.begin(), out.end());
        std::reverse(to.parked->begin() + static_cast<std::ptrdiff_t>(toParked), to.parked->end());
        std::reverse(to.anchors.begin() + static_cast<std::ptrdiff_t>(toAnchors), to.anchors.end());
        std::reverse(to.positions.begin() + static_cast<std::ptrdiff_t>(toPositions), to.positions.end());
        std::reverse(to.tempos.begin() + static_cast<std::ptrdiff_t>(toTempos), to.tempos.end());
    }
    if (!out.empty()) {
        if (undoing) {
            redoLines_.push_back({-1, 0, '@'});
            redoMarkers_.push_back(std::move(marker));
            redoLines_.insert(redoLines_.end(), out.begin(), out.end());
        } else {
            if (marker.size() >= 2) journal.push_back(std::move(marker));
            journal.reserve(journal.size() + out.size());
            for (const Line& l : out) journal.push_back(makeLine(l.letter, l.handle, hasValue(l.letter), l.value));
        }
    }

    if (structural) {
        std::vector<anyEvent*> list;
        list.reserve(n + added.size());
        for (int32_t x = next[0]; x >= 0; x = next[static_cast<size_t>(x)]) list.push_back(eventOf(x));
        events_.swap(list);
        holes_ = 0;
        ++layout_;
    }
    if (structural || moved) maybeUnsorted_ = true;
}

}  // namespace tonvela
