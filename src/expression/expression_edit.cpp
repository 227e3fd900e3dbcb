#include "expression/expression_edit.h"

#include <algorithm>
#include <unordered_set>

#include "song/track.h"

namespace tonvela {

std::vector<int> phraseRows(std::vector<int> selectedRows) {
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    std::vector<int> phrase;
    for (int row : selectedRows) {
        if (!phrase.empty() && row != phrase.back() + 1) break;
        phrase.push_back(row);
    }
    return phrase;
}

int32_t toEventTime(int64_t time) { return static_cast<int32_t>(std::clamp<int64_t>(time, 0, INT32_MAX)); }

namespace {

uint8_t statusOf(int base, int channel) { return static_cast<uint8_t>(base | (channel & 0x0F)); }

}  // namespace

NoteOnEvent* makeNote(int64_t time, int channel, int key, int velocity, int64_t duration) {
    auto* n = new NoteOnEvent(toEventTime(time), statusOf(0x90, channel));
    n->setNote(key);
    n->setVelocity(velocity);
    n->setDuration(toEventTime(duration));
    return n;
}

ControlChangeEvent* makeControl(int64_t time, int channel, int controller, int value) {
    auto* c = new ControlChangeEvent(toEventTime(time), statusOf(0xB0, channel));
    c->setController(controller);
    c->setValue(value);
    return c;
}

PitchBendEvent* makeBend(int64_t time, int channel, int signedBend) {
    auto* b = new PitchBendEvent(toEventTime(time), statusOf(0xE0, channel));
    b->setBend(std::clamp(signedBend, -8192, 8191));
    return b;
}

namespace {

anyEvent* copyOf(const anyEvent& e) {
    switch (e.kind()) {
    case kindNote: return new NoteOnEvent(static_cast<const NoteOnEvent&>(e));
    case kindControl: return new ControlChangeEvent(static_cast<const ControlChangeEvent&>(e));
    case kindPitchBend: return new PitchBendEvent(static_cast<const PitchBendEvent&>(e));
    default: return nullptr;
    }
}

}  // namespace

bool commitToTrack(midiTrack& target, const std::string& label, const std::vector<anyEvent*>& removals,
                   const midiTrack& work) {
    // One walk finds every position to remove, in list order, so a long run of removals costs
    // no search per event.
    std::vector<int> positions;
    if (!removals.empty()) {
        const std::unordered_set<const anyEvent*> wanted(removals.begin(), removals.end());
        for (int i = 0; i < target.size(); ++i)
            if (target.at(i) && wanted.count(target.at(i))) positions.push_back(i);
    }
    std::vector<anyEvent*> copies;
    copies.reserve(static_cast<size_t>(work.size()));
    for (const anyEvent* e : work.events())
        if (e)
            if (anyEvent* c = copyOf(*e)) copies.push_back(c);
    if (positions.empty() && copies.empty()) return false;

    target.beginUndoStep(label);
    for (int p : positions) target.removeEventAt(p);
    if (!positions.empty()) target.pack();
    // Sorted adds put a copy after the events already at its time, so the work track's order
    // within a tick is kept when the copies go in that order.
    std::stable_sort(copies.begin(), copies.end(), [](const anyEvent* a, const anyEvent* b) { return a->time < b->time; });
    target.addEvents(copies, true);
    return true;
}

TimeSpan eventSpan(const midiTrack& track) {
    TimeSpan span;
    bool any = false;
    for (const anyEvent* e : track.events()) {
        if (!e) continue;
        if (!any || e->time < span.first) span.first = e->time;
        if (!any || e->time > span.last) span.last = e->time;
        any = true;
    }
    return any ? span : TimeSpan{};
}

}  // namespace tonvela
