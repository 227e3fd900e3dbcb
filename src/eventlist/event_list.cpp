#include "eventlist/event_list.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "base/pages.h"
#include "song/song.h"

namespace tonvela {

std::string eventLine(const anyEvent& e) {
    std::string position = positionText(e);
    std::string description = e.describe();
    // Meta events without a class of their own describe themselves with their position already.
    if (description.starts_with(position)) description.erase(0, position.size());
    return position + description;
}

std::string eventLineWithSerial(const anyEvent& e) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%3.3d:%2.2d:%3.3d -%10.10u-", e.bar + 1, e.beat + 1, e.tick, e.serial);
    return buf + e.describe();
}

namespace {

// The sort key of an event: time, then creation serial (times are never negative).
uint64_t keyOf(const anyEvent* e) { return static_cast<uint64_t>(static_cast<uint32_t>(e->time)) << 32 | e->serial; }

// A run of listed events of one track, in (time, creation) order, with their keys beside them:
// the merge compares keys read in sequence instead of touching events spread over the heap.
struct Run {
    anyEvent* const* next;
    anyEvent* const* end;
    const uint64_t* key;
    size_t track;  // breaks ties between runs so that the merge keeps track order
};

// The head of a goes before the head of b.
bool headLess(const Run& a, const Run& b) {
    if (*a.key != *b.key) return *a.key < *b.key;
    if (eventLess(*a.next, *b.next)) return true;
    if (eventLess(*b.next, *a.next)) return false;
    return a.track < b.track;
}

// Restores the heap order (earliest head at 0) after the head at 0 changed.
void siftDown(std::vector<Run>& heap) {
    const size_t n = heap.size();
    size_t i = 0;
    for (;;) {
        size_t least = i, l = 2 * i + 1, r = l + 1;
        if (l < n && headLess(heap[l], heap[least])) least = l;
        if (r < n && headLess(heap[r], heap[least])) least = r;
        if (least == i) return;
        std::swap(heap[i], heap[least]);
        i = least;
    }
}

}  // namespace

void EventList::clear() { std::vector<anyEvent*>().swap(rows_); }

void EventList::fill(const midiSong& song, int firstTrack, int lastTrack, int firstBar, int lastBar) {
    clear();
    if (lastBar < 0) lastBar = INT_MAX;
    firstTrack = std::max(firstTrack, 0);
    lastTrack = std::min(lastTrack, song.trackCount() - 1);

    struct Part {
        anyEvent* const* begin;
        size_t count;
        size_t keys;  // first key in `keys`
        size_t track;
    };
    std::vector<Part> parts;
    std::vector<uint64_t> keys;                  // of every listed event, run by run
    std::vector<std::vector<anyEvent*>> copies;  // tracks that are not plain ordered ranges
    // A whole large song is listed: room for every key at once, faulted in as it fills.
    size_t slotCount = 0;
    for (int t = firstTrack; t <= lastTrack; ++t) slotCount += song.track(t)->events().size();
    keys.reserve(slotCount);
    FaultAhead keysAhead;
    for (int t = firstTrack; t <= lastTrack; ++t) {
        const std::vector<anyEvent*>& slots = song.track(t)->events();
        // One pass finds the listed range, keeps the keys, and sees whether the range can be
        // merged in place: no empty slot, nothing outside the bars in between, in order.
        const size_t keyStart = keys.size();
        size_t first = slots.size(), last = 0;
        bool direct = true;
        for (size_t i = 0; i < slots.size(); ++i) {
            const anyEvent* e = slots[i];
            if (!e || e->bar < firstBar || e->bar > lastBar) {
                if (first < slots.size()) direct = false;
                continue;
            }
            const uint64_t k = keyOf(e);
            if (first == slots.size())
                first = i;
            else if (k <= keys.back() && eventLess(e, slots[last]))
                direct = false;
            keysAhead.before(keys);
            keys.push_back(k);
            last = i;
        }
        const size_t count = keys.size() - keyStart;
        if (count == 0) continue;
        if (direct && last + 1 - first == count) {
            parts.push_back({slots.data() + first, count, keyStart, static_cast<size_t>(t)});
            continue;
        }
        std::vector<anyEvent*> copy;
        copy.reserve(count);
        for (anyEvent* e : slots)
            if (e && e->bar >= firstBar && e->bar <= lastBar) copy.push_back(e);
        std::stable_sort(copy.begin(), copy.end(), eventLess);
        keys.resize(keyStart);
        for (const anyEvent* e : copy) keys.push_back(keyOf(e));
        copies.push_back(std::move(copy));
        parts.push_back({copies.back().data(), count, keyStart, static_cast<size_t>(t)});
    }

    prepareToFill(rows_, keys.size());
    if (parts.size() == 1) {
        rows_.assign(parts[0].begin, parts[0].begin + parts[0].count);
        return;
    }
    std::vector<Run> runs;
    for (const Part& p : parts) runs.push_back({p.begin, p.begin + p.count, keys.data() + p.keys, p.track});
    // k-way merge over a heap of run heads, the earliest head at the top.
    std::make_heap(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return headLess(b, a); });
    while (!runs.empty()) {
        Run& top = runs.front();
        rows_.push_back(*top.next++);
        ++top.key;
        if (top.next == top.end) {
            top = runs.back();
            runs.pop_back();
        }
        siftDown(runs);
    }
}

int EventList::rowOf(const anyEvent* e) const {
    if (!e) return -1;
    auto it = std::lower_bound(rows_.begin(), rows_.end(), e,
                               [](const anyEvent* a, const anyEvent* b) { return eventLess(a, b); });
    // Events of several tracks may share time and serial; the wanted one is among them.
    for (; it != rows_.end() && !eventLess(e, *it); ++it)
        if (*it == e) return static_cast<int>(it - rows_.begin());
    return -1;
}

}  // namespace tonvela
