#include "pianoroll/roll_range.h"

#include <algorithm>

#include "song/track.h"

namespace tonvela {

EventSpan eventSpan(const midiTrack& track, int32_t from, int32_t to) {
    const auto& events = track.events();
    if (!track.orderKnown() || track.countEvents() != track.size())
        return {0, track.size(), false};
    if (to <= from) return {0, 0, true};
    const auto first = std::lower_bound(events.begin(), events.end(), from,
                                        [](const anyEvent* e, int32_t t) { return e->time < t; });
    const auto last = std::lower_bound(first, events.end(), to,
                                       [](const anyEvent* e, int32_t t) { return e->time < t; });
    return {static_cast<int>(first - events.begin()), static_cast<int>(last - events.begin()), true};
}

int32_t longestNote(const midiTrack& track, int32_t from, int32_t to) {
    const EventSpan span = eventSpan(track, from, to);
    int32_t longest = 0;
    for (int i = span.first; i < span.last; ++i) {
        const anyEvent* e = track.at(i);
        if (!e || e->time < from || e->time >= to || e->kind() != kindNote) continue;
        longest = std::max(longest, static_cast<const NoteOnEvent*>(e)->duration());
    }
    return longest;
}

}  // namespace tonvela
