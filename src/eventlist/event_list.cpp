#include "eventlist/event_list.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "song/song.h"

namespace tonvela {

std::string eventLine(const anyEvent& e) { return positionText(e) + e.describe(); }

std::string eventLineWithSerial(const anyEvent& e) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%3.3d:%2.2d:%3.3d -%10.10u-", e.bar + 1, e.beat + 1, e.tick, e.serial);
    return buf + e.describe();
}

namespace {

// A run of listed events of one track, already in (time, creation) order.
struct Run {
    anyEvent* const* next;
    anyEvent* const* end;
    size_t track;  // breaks ties between runs so that the merge keeps track order
    // The head's sort key, kept here so that the merge compares without touching the events.
    int32_t time = 0;
    uint32_t serial = 0;
    void load() {
        time = (*next)->time;
        serial = (*next)->serial;
    }
};

// The head of a goes before the head of b.
bool headLess(const Run& a, const Run& b) {
    if (a.time != b.time) return a.time < b.time;
    if (a.serial != b.serial) return a.serial < b.serial;
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

    std::vector<Run> runs;
    std::vector<std::vector<anyEvent*>> copies;  // tracks that are not plain ordered ranges
    size_t total = 0;
    for (int t = firstTrack; t <= lastTrack; ++t) {
        const std::vector<anyEvent*>& slots = song.track(t)->events();
        // One pass finds the listed range and whether it can be merged in place: no empty
        // slot, nothing outside the bars in between, and already in order.
        size_t first = slots.size(), last = 0, count = 0;
        bool direct = true;
        const anyEvent* previous = nullptr;
        for (size_t i = 0; i < slots.size(); ++i) {
            const anyEvent* e = slots[i];
            if (!e) {
                if (first < slots.size()) direct = false;
                continue;
            }
            if (e->bar < firstBar || e->bar > lastBar) {
                if (first < slots.size()) direct = false;
                continue;
            }
            if (first == slots.size()) first = i;
            if (previous && eventLess(e, previous)) direct = false;
            previous = e;
            last = i;
            ++count;
        }
        if (count == 0) continue;
        total += count;
        if (direct && last + 1 - first == count) {
            runs.push_back({slots.data() + first, slots.data() + last + 1, static_cast<size_t>(t)});
            continue;
        }
        std::vector<anyEvent*> copy;
        copy.reserve(count);
        for (anyEvent* e : slots)
            if (e && e->bar >= firstBar && e->bar <= lastBar) copy.push_back(e);
        std::stable_sort(copy.begin(), copy.end(), eventLess);
        copies.push_back(std::move(copy));
        runs.push_back({copies.back().data(), copies.back().data() + copies.back().size(), static_cast<size_t>(t)});
    }

    rows_.reserve(total);
    if (runs.size() == 1) {
        rows_.assign(runs[0].next, runs[0].end);
        return;
    }
    // k-way merge over a heap of run heads, the earliest head at the top.
    for (Run& r : runs) r.load();
    std::make_heap(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return headLess(b, a); });
    while (!runs.empty()) {
        Run& top = runs.front();
        rows_.push_back(*top.next++);
        if (top.next == top.end) {
            top = runs.back();
            runs.pop_back();
        } else {
            top.load();
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
