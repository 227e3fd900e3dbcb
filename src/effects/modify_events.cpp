// Delete Events, Modify Velocity, Time Shift, Modify Control, Modify PitchBend, Modify Duration:
// the operations that change or remove events already in the tracks.

#include <cstdlib>

#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

#include "effects/effect_run.h"
#include "settings/numbertext.h"

namespace tonvela::effects {

namespace {

int intOf(const std::string& text, int fallback) { return readInteger(text).value_or(fallback); }

// The walk of the common frame: every track of the scope, prepared, with its step opened, and
// the positions of the range handed to the operation.
template <class F>
void forEachTrack(Run& run, F&& perTrack) {
    for (int t = run.scope.firstTrack; t <= run.scope.lastTrack; ++t) {
        midiTrack& track = *run.song.track(t);
        run.begin(track);
        prepareTrack(track);
        auto [first, last] = rangePositions(track, run.scope.range);
        perTrack(track, first, last);
    }
}

// Position x and period P of "Beat": the event's place in its bar and the bar's length.
struct BeatSource {
    SignatureLookup signatures;
    BarStarts bars;
    explicit BeatSource(const midiSong& song) : signatures(song), bars(song) {}
    std::pair<int64_t, int64_t> at(const anyEvent& e) {
        return {static_cast<int64_t>(e.time) - bars.start(e.bar), signatures.barLength(e.time)};
    }
};

}  // namespace

void deleteEvents(Run& run) {
    const DeletePage& p = run.s.deleteEvents;
    static constexpr int kControllers[8] = {-1, 1, 7, 10, 11, 71, 74, -1};
    const int item = std::min(choice(p.DelItemComboBox1), 7);
    const bool bend = item == 0;
    const int controller = item == 7 ? intOf(p.DelCtrlNoEdit1, 0) : kControllers[item];
    const int lo = intOf(p.DelVallMin, 0), hi = intOf(p.DelValMax, 0);
    const int numel = intOf(p.DelNumel, 1), denom = intOf(p.DelDenom, 1);
    int except[3];
    for (int k = 0; k < 3; ++k) except[k] = intOf(p.exceptval[static_cast<size_t>(k)], 0);
    int64_t n = 1;  // shared by the tracks of the run: the pattern goes on from track to track

    forEachTrack(run, [&](midiTrack& track, int first, int last) {
        for (int i = first; i < last; ++i) {
            const anyEvent* e = track.at(i);
            run.examined();
            int value;
            if (bend) {
                if (e->kind() != kindPitchBend) continue;
                value = static_cast<const PitchBendEvent*>(e)->bend();
            } else {
                if (e->kind() != kindControl) continue;
                auto* c = static_cast<const ControlChangeEvent*>(e);
                if (c->controller() != controller) continue;
                value = c->value();
            }
            if (value < lo || value > hi) continue;
            bool excepted = false;
            for (int k = 0; k < 3; ++k) excepted = excepted || (p.ExceptData[static_cast<size_t>(k)] && value == except[k]);
            if (excepted) continue;
            ++run.counts.hits;
            if (numel >= n) track.removeEventAt(i);
            if (++n > denom) n = 1;
        }
        track.pack();
    });
}

void modifyVelocity(Run& run) {
    const VelocityPage& p = run.s.velocity;
    const int lo = intOf(p.VeloRangeMin, 0), hi = intOf(p.VeloRangeMax, 127);
    const bool cutoff = choice(p.VeloModScaling) == 0;
    const bool absolute = p.ChangeMethod == 1;
    const int source = std::min(choice(p.FunctionX), 6);
    const TickRange range = run.scope.range;
    BeatSource beat(run.song);

    forEachTrack(run, [&](midiTrack& track, int first, int last) {
        int64_t maxDur = 0;
        if (source == 3)
            for (int i = first; i < last; ++i)
                if (track.at(i)->kind() == kindNote)
                    maxDur = std::max<int64_t>(maxDur, static_cast<NoteOnEvent*>(track.at(i))->duration());
        int prevKey = 100;
        for (int i = first - 1; i >= 0; --i)
            if (track.at(i)->kind() == kindNote) {
                prevKey = static_cast<NoteOnEvent*>(track.at(i))->note();
                break;
            }
        for (int i = first; i < last; ++i) {
            anyEvent* e = track.at(i);
            run.examined();
            if (e->kind() != kindNote) continue;
            auto* n = static_cast<NoteOnEvent*>(e);
            ++run.counts.hits;
            int64_t x = 0, period = 127;
            switch (source) {
            case 0: x = n->note(); break;
            case 1: std::tie(x, period) = beat.at(*n); break;
            case 2:
                x = static_cast<int64_t>(n->time) - range.from;
                period = static_cast<int64_t>(range.to) - range.from;
                break;
            case 3:
                x = n->duration();
                period = maxDur;
                break;
            case 4:
                x = n->note() - prevKey + 12;
                period = 24;
                prevKey = n->note();
                break;
            case 5:
                x = std::abs(n->note() - prevKey);
                period = 24;
                prevKey = n->note();
                break;
            default: x = n->velocity(); break;
            }
            auto v = velocityCurveValue(run.curve, x, period, lo, hi, cutoff);
            if (!v) continue;  // a period of 0 has no reading: the note keeps its velocity
            int64_t velocity = absolute ? *v : n->velocity() + *v;
            track.setVelocity(n, static_cast<int>(std::clamp<int64_t>(velocity, 1, 127)));
        }
    });
}

void timeShift(Run& run) {
    const TimeShiftPage& p = run.s.timeShift;
    const int lo = intOf(p.TSValMin, 0), hi = intOf(p.TSValMax, 0);
    const int source = std::min(choice(p.TimeShiftRadioGroup), 2);
    const TickRange range = run.scope.range;
    BeatSource beat(run.song);

    forEachTrack(run, [&](midiTrack& track, int first, int last) {
        std::vector<NoteOnEvent*> moved;
        for (int i = first; i < last; ++i) {
            anyEvent* e = track.at(i);
            run.examined();
            if (e->kind() != kindNote) continue;
            ++run.counts.hits;
            int64_t x, period;
            if (source == 0) {
                x = static_cast<NoteOnEvent*>(e)->note();
                period = 127;
            } else if (source == 1) {
                std::tie(x, period) = beat.at(*e);
            } else {
                x = static_cast<int64_t>(e->time) - range.from;
                period = static_cast<int64_t>(range.to) - range.from;
            }
            auto shift = shiftCurveValue(run.curve, x, period, lo, hi);
            if (!shift) continue;
            const int32_t before = e->time;
            track.moveEvent(e, clampMove(*static_cast<NoteOnEvent*>(e), *shift));
            if (e->time != before) moved.push_back(static_cast<NoteOnEvent*>(e));
        }
        repairSameKey(track, moved, first, last, false);
    });
}

namespace {

// The frame of Modify Control and Modify PitchBend: every target event of the scope gets the
// curve's x and period from the chosen source (0 beat, 1 time from the range start, 2 its own
// value, 3 the key of the last note before it). `own(e)` gives a target's own value and period,
// nothing for other events; `change(track, e, x, period)` applies the curve.
template <typename Own, typename Change>
void modifyEach(Run& run, int source, Own own, Change change) {
    const TickRange range = run.scope.range;
    BeatSource beat(run.song);
    forEachTrack(run, [&](midiTrack& track, int first, int last) {
        const NoteOnEvent* lastNote = nullptr;
        for (int i = first; i < last; ++i) {
            anyEvent* e = track.at(i);
            run.examined();
            if (e->kind() == kindNote) {
                lastNote = static_cast<NoteOnEvent*>(e);
                continue;
            }
            const std::optional<std::pair<int64_t, int64_t>> value = own(*e);
            if (!value) continue;
            ++run.counts.hits;
            int64_t x = 0, period = 127;
            if (source == 0) {
                std::tie(x, period) = beat.at(*e);
            } else if (source == 1) {
                x = static_cast<int64_t>(e->time) - range.from;
                period = static_cast<int64_t>(range.to) - range.from;
            } else if (source == 2) {
                std::tie(x, period) = *value;
            } else {
                if (!lastNote) continue;  // no note met yet: the value stays
                x = lastNote->note();
            }
            change(track, *e, x, period);
        }
    });
}

}  // namespace

void modifyControl(Run& run) {
    const ModifyControlPage& p = run.s.modifyControl;
    const int controller = choice(p.ComboBoxControl);
    const int lo = intOf(p.Edit1ModCOntrolMin, 0), hi = intOf(p.Edit2ModCOntrolMax, 127);
    const bool cutoff = choice(p.ContModScaling) == 0;
    const bool absolute = p.ModContVal == 1;
    modifyEach(
        run, std::min(choice(p.ModContFS), 3),
        [controller](const anyEvent& e) -> std::optional<std::pair<int64_t, int64_t>> {
            if (e.kind() != kindControl) return std::nullopt;
            const auto& c = static_cast<const ControlChangeEvent&>(e);
            if (c.controller() != controller) return std::nullopt;
            return std::pair<int64_t, int64_t>{c.value(), 127};
        },
        [&](midiTrack& track, anyEvent& e, int64_t x, int64_t period) {
            auto& c = static_cast<ControlChangeEvent&>(e);
            auto r = controlCurveValue(run.curve, x, period, lo, hi, cutoff);
            if (!r) return;
            int64_t value = absolute ? *r : c.value() + *r;
            track.setControlValue(&c, static_cast<int>(std::clamp<int64_t>(value, 0, 127)));
        });
}

void modifyPitchBend(Run& run) {
    const ModifyControlPage& p = run.s.modifyControl;
    auto bound = [](const std::string& text, double fallback) {
        double v = readDecimal(text).value_or(fallback);
        return static_cast<int>(std::clamp(std::trunc(v), -8192.0, 8191.0));
    };
    const int lo = bound(p.Edit1ModCOntrolMin, 0), hi = bound(p.Edit2ModCOntrolMax, 127);
    const bool cutoff = choice(p.ContModScaling) == 0;
    const bool absolute = p.ModContVal == 1;
    modifyEach(
        run, std::min(choice(p.ModContFS), 3),
        [](const anyEvent& e) -> std::optional<std::pair<int64_t, int64_t>> {
            if (e.kind() != kindPitchBend) return std::nullopt;
            return std::pair<int64_t, int64_t>{static_cast<const PitchBendEvent&>(e).bend(), 8192};
        },
        [&](midiTrack& track, anyEvent& e, int64_t x, int64_t period) {
            auto& b = static_cast<PitchBendEvent&>(e);
            auto r = bendCurveValue(run.curve, x, period, lo, hi, cutoff);
            if (!r) return;
            int64_t value = absolute ? *r : static_cast<int64_t>(b.bend()) + *r;
            track.setBend(&b, static_cast<int>(std::clamp<int64_t>(value, 0, 16383)));
        });
}

void modifyDuration(Run& run) {
    const DurationPage& p = run.s.duration;
    const int keyMin = intOf(p.durFilterNoteMin, 0), keyMax = intOf(p.durFilterNoteMax, 127);
    const int unit = p.modifydurComboBox1;
    const int32_t durMin = unitToTicks(run.units, unit, readDecimal(p.durFilterDurMin).value_or(0));
    const int32_t durMax = unitToTicks(run.units, unit, readDecimal(p.durFilterDurMax).value_or(0));
    const int method = std::min(choice(p.durChangeMethod), 2);
    const int64_t percent = intOf(p.durPercent, 100), value = intOf(p.DurValue, 100), tenuto = intOf(p.TenutoPC, 100);
    const int64_t maxLimit = intOf(p.durMaxLimit, 9999), minLimit = intOf(p.durMinLimit, 1);

    forEachTrack(run, [&](midiTrack& track, int first, int last) {
        NoteIndex notes(track, first);
        for (int i = first; i < last; ++i) {
            anyEvent* e = track.at(i);
            run.examined();
            if (e->kind() != kindNote) continue;
            auto* n = static_cast<NoteOnEvent*>(e);
            if (n->note() < keyMin || n->note() > keyMax || n->duration() < durMin || n->duration() > durMax) continue;
            int64_t d;
            if (method == 0) {
                d = percent * n->duration() / 100;
            } else if (method == 1) {
                d = value;
            } else {
                int m = p.SingleNote ? notes.nextNoteFrom(static_cast<int64_t>(n->time) + 1, i)
                                     : notes.nextNoteFrom(static_cast<int64_t>(n->time) + n->duration(), i);
                d = m >= 0 ? tenuto * (static_cast<int64_t>(track.at(m)->time) - n->time) / 100 : n->duration();
            }
            // A note never reaches the next start of its key (any channel).
            int w = notes.nextSameKey(n->note(), static_cast<int64_t>(n->time) + 1, i, static_cast<int64_t>(n->time) + d);
            if (w >= 0) d = static_cast<int64_t>(track.at(w)->time) - n->time - 1;
            if (d < minLimit) d = minLimit;
            if (d > maxLimit) d = maxLimit;
            // Limits of 0 or less could ask for a negative duration: a note lasts at least 0 ticks.
            track.setDuration(n, clampDuration(n->time, d));
            ++run.counts.hits;
        }
    });
}

}  // namespace tonvela::effects
