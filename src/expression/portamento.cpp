#include "expression/portamento.h"

#include <algorithm>
#include <cstdlib>

#include "base/errors.h"
#include "effects/units.h"
#include "eventlist/list_helpers.h"
#include "expression/expression_edit.h"
#include "song/song.h"

namespace tonvela {

namespace {

constexpr int kPortamentoTime = 5;
constexpr int kPortamentoSwitch = 65;

bool isPortamentoControl(const anyEvent* e) {
    if (!e || e->kind() != kindControl) return false;
    const int c = static_cast<const ControlChangeEvent*>(e)->controller();
    return c == kPortamentoTime || c == kPortamentoSwitch;
}

// Appends controller 5 values, dropping each whose value equals the one kept before it.
class GlideWriter {
public:
    explicit GlideWriter(midiTrack& work) : work_(work) {}
    void add(int64_t time, int channel, int value) {
        if (value == lastKept_) return;
        work_.appendEvent(makeControl(time, channel, kPortamentoTime, value));
        lastKept_ = value;
    }

private:
    midiTrack& work_;
    int lastKept_ = -1;
};

// One note's glide: the start value before the note, the end value after g ticks, then the
// values every `step` ticks in between, value = start + (end - start) * (x - t) / g, truncated
// toward zero. Only the first position of each value is visited (the writer would drop the
// rest), so a long glide at a fine interval costs at most one pass per value.
void glide(GlideWriter& out, const NoteOnEvent& n, const PortamentoSettings& s, int64_t step) {
    const int64_t t = n.time;
    const int64_t g = static_cast<int64_t>(s.portaDuration) * n.duration() / 100;
    const int channel = n.channelOf();
    out.add(t - s.StartOffset, channel, s.StartValue);
    out.add(t + g, channel, s.EndValue);
    const int delta = s.EndValue - s.StartValue;
    const __int128 amount = std::abs(delta);
    for (__int128 k = 1; k * step < g;) {
        const __int128 offset = k * step;
        const __int128 q = amount * offset / g;  // |value - start|
        const int value = s.StartValue + static_cast<int>(delta < 0 ? -q : q);
        out.add(static_cast<int64_t>(t + offset), channel, value);
        if (amount == 0) break;
        // The first k whose value moves on: amount * k * step >= (q + 1) * g.
        const __int128 need = (q + 1) * g;
        const __int128 per = amount * step;
        k = std::max<__int128>(k + 1, (need + per - 1) / per);
    }
}

// Controller 5 in force just before `time` once the phrase's own portamento events are gone:
// those lie from `time` on.
int timeValueBefore(const midiTrack& track, int32_t time) {
    int value = 0;
    for (const anyEvent* e : track.events()) {
        if (!e) continue;
        if (e->time >= time) {
            if (track.orderKnown()) break;
            continue;
        }
        if (e->kind() == kindControl && static_cast<const ControlChangeEvent*>(e)->controller() == kPortamentoTime)
            value = static_cast<const ControlChangeEvent*>(e)->value();
    }
    return value;
}

void checkValue(int v) {
    if (v < 0 || v > 127) throw MidiError("Portament value must be from 0 to 127.");
}

}  // namespace

int minimumPhrase(PortamentoSettings::Mode mode) { return mode == PortamentoSettings::Mode::glide ? 3 : 2; }

std::vector<PortamentoNote> portamentoNotes(const midiTrack& track, TickRange range) {
    std::vector<PortamentoNote> notes;
    if (range.empty()) return notes;
    bool on = track.controllerAt(range.from, kPortamentoSwitch, 0) >= 64;
    const bool ordered = track.orderKnown();
    for (anyEvent* e : track.events()) {
        if (!e || e->time < range.from) continue;
        if (e->time > range.to) {
            if (ordered) break;
            continue;
        }
        if (e->kind() == kindControl) {
            auto* c = static_cast<const ControlChangeEvent*>(e);
            if (c->controller() == kPortamentoSwitch) on = c->value() > 63;
        } else if (e->kind() == kindNote) {
            notes.push_back({static_cast<NoteOnEvent*>(e), on});
        }
    }
    return notes;
}

std::string portamentoLine(const PortamentoNote& n) { return (n.switchOn ? "+" : " ") + noteLine(*n.note); }

std::vector<anyEvent*> buildPortamento(midiSong& song, const midiTrack& track, std::span<NoteOnEvent* const> phrase,
                                       const PortamentoSettings& s, int32_t unitTime, midiTrack& work) {
    work.clear();
    const bool glideMode = s.mode == PortamentoSettings::Mode::glide;
    const int needed = minimumPhrase(s.mode);
    if (static_cast<int>(phrase.size()) < needed)
        throw MidiError(glideMode ? "Select at least three notes in a row for Glide."
                                  : "Select at least two notes in a row.");
    int64_t step = 0;
    if (glideMode) {
        checkValue(s.StartValue);
        checkValue(s.EndValue);
        // A step under one tick would never move the glide on.
        step = unitToTicks(UnitContext::at(song, unitTime), s.DistanceUnit, s.Distance);
        if (step < 1) throw MidiError("Interval must be at least 1 tick.");
    } else {
        checkValue(s.ControlValue);
    }

    const NoteOnEvent& first = *phrase.front();
    const NoteOnEvent& last = *phrase.back();
    const int32_t spanFrom = first.time;
    const int64_t spanTo = static_cast<int64_t>(last.time) + last.duration();
    std::vector<anyEvent*> removals;
    for (anyEvent* e : track.events())
        if (isPortamentoControl(e) && e->time >= spanFrom && e->time <= spanTo) removals.push_back(e);

    const int channel = first.channelOf();
    if (!glideMode) {
        if (s.ControlValue != timeValueBefore(track, first.time))
            work.appendEvent(makeControl(first.time + first.duration() / 4, channel, kPortamentoTime, s.ControlValue));
        work.appendEvent(makeControl(first.time + first.duration() / 2, channel, kPortamentoSwitch, 127));
        work.appendEvent(makeControl(last.time + last.duration() / 2, channel, kPortamentoSwitch, 0));
        return removals;
    }
    work.appendEvent(makeControl(first.time + first.duration() / 2, channel, kPortamentoSwitch, 127));
    work.appendEvent(makeControl(static_cast<int64_t>(last.time) + last.duration() - 1, channel, kPortamentoSwitch, 0));
    GlideWriter out(work);
    for (size_t i = 1; i < phrase.size(); ++i) glide(out, *phrase[i], s, step);
    return removals;
}

void applyPortamento(midiSong& song, int track, std::span<NoteOnEvent* const> phrase, const PortamentoSettings& s,
                     int32_t unitTime, midiTrack& work) {
    if (track < 0 || track >= song.trackCount()) throw MidiError("Dooh! Internal Error!");
    midiTrack& target = *song.track(track);
    const std::vector<anyEvent*> removals = buildPortamento(song, target, phrase, s, unitTime, work);
    commitToTrack(target, kPortamentoLabel, removals, work);
}

}  // namespace tonvela
