// Echo and Chord Stroke: the operations that make new notes or re-time chords, and the same-key
// repair that keeps moved notes from cutting their neighbours.

#include <bitset>
#include <cstdlib>
#include <set>

#include "effects/effect_run.h"
#include "settings/numbertext.h"

namespace tonvela::effects {

namespace {

int intOf(const std::string& text, int fallback) { return readInteger(text).value_or(fallback); }

// Controller 64 of a track in time order: the pedal state at a time and the next pedal event.
class Pedal {
public:
    explicit Pedal(const midiTrack& track) {
        for (const anyEvent* e : track.events())
            if (e && e->kind() == kindControl && static_cast<const ControlChangeEvent*>(e)->controller() == 64)
                events_.push_back({e->time, static_cast<const ControlChangeEvent*>(e)->value()});
    }
    // controllerAt(time, 64, 0): the last pedal value at or before `time`.
    int at(int32_t time) const {
        auto it = std::upper_bound(events_.begin(), events_.end(), time,
                                   [](int32_t t, const std::pair<int32_t, int>& p) { return t < p.first; });
        return it == events_.begin() ? 0 : std::prev(it)->second;
    }
    // findSustainPedal(from, to): the first pedal event with from <= time <= to.
    const std::pair<int32_t, int>* first(int64_t from, int64_t to) const {
        auto it = std::lower_bound(events_.begin(), events_.end(), from,
                                   [](const std::pair<int32_t, int>& p, int64_t t) { return p.first < t; });
        return it != events_.end() && it->first <= to ? &*it : nullptr;
    }

private:
    std::vector<std::pair<int32_t, int>> events_;
};

// Membership of the moved notes, by serial (unique among sounding notes). The notes of one track
// were mostly made together, so a bit per serial over their span is small; a sorted list
// serves when they lie scattered.
class NoteSet {
public:
    explicit NoteSet(const std::vector<NoteOnEvent*>& notes) {
        if (notes.empty()) return;
        uint32_t lo = UINT32_MAX, hi = 0;
        for (const NoteOnEvent* n : notes) {
            lo = std::min(lo, n->serial);
            hi = std::max(hi, n->serial);
        }
        low_ = lo;
        const uint64_t span = static_cast<uint64_t>(hi) - lo + 1;
        if (span <= 64 * static_cast<uint64_t>(notes.size()) + 65536) {
            bits_.assign(static_cast<size_t>(span / 64 + 1), 0);
            for (const NoteOnEvent* n : notes) bits_[(n->serial - low_) / 64] |= uint64_t{1} << ((n->serial - low_) % 64);
            return;
        }
        for (const NoteOnEvent* n : notes) sorted_.push_back(n->serial);
        std::sort(sorted_.begin(), sorted_.end());
    }
    bool contains(const NoteOnEvent* n) const {
        if (!bits_.empty()) {
            const uint32_t offset = n->serial - low_;  // wraps below low_: out of range
            return offset / 64 < bits_.size() && (bits_[offset / 64] >> (offset % 64) & 1);
        }
        return std::binary_search(sorted_.begin(), sorted_.end(), n->serial);
    }

private:
    uint32_t low_ = 0;
    std::vector<uint64_t> bits_;
    std::vector<uint32_t> sorted_;
};

}  // namespace

EffectResult echo(Run& run) {
    const EchoPage& p = run.s.echo;
    const int64_t delay = unitToTicks(run.units, p.EchoDelayUnit, readDecimal(p.EchoDelayText).value_or(0));
    const int count = std::clamp(p.EchoCount, 1, 5);
    int64_t vol[5], trans[5];
    for (size_t k = 0; k < 5; ++k) {
        vol[k] = std::clamp(p.EchoVol[k], 1, 255);
        trans[k] = intOf(p.EditOct[k], 0);
    }
    const bool adjustRange = p.OutOfRange != 1;
    const int overlap = std::min(choice(p.Overlap), 2);
    // The channel field belongs to "Other Track": the editor disables it without one.
    const bool specifyChannel = p.EchoOtherTrack && p.OtherChannel;
    const int specifiedChannel = std::clamp(p.UpDownEchannel, 1, 16) - 1;

    EffectResult result;
    // Echoes of this run are never echoed again: every event made from here on has a later serial.
    const uint32_t firstMade = nextEventSerial();
    midiTrack* created = nullptr;
    const int lastSource = run.scope.lastTrack;
    for (int s = run.scope.firstTrack; s <= lastSource; ++s) {
        midiTrack& source = *run.song.track(s);
        midiTrack* target = &source;
        bool targetBegun = false;
        if (p.EchoOtherTrack) {
            target = nullptr;
            for (int i = 1; i < run.song.trackCount() && !target; ++i)
                if (run.song.track(i)->name == p.NewTrackName) target = run.song.track(i);
            if (!target) target = created;
            if (!target) {
                const int index = run.song.trackCount();
                run.song.tracks.push_back(std::make_unique<midiTrack>(&run.song, index, p.NewTrackName));
                ++run.createdTracks;
                created = run.song.tracks.back().get();
                // Undo of the run's step takes the track away again (midiSong::undoTrack).
                created->createdByEdit = true;
                run.begin(*created);
                targetBegun = true;
                // The name lives in a name event, so the track keeps it when the song is saved; the
                // event belongs to the step.
                if (!p.NewTrackName.empty()) {
                    auto* name = new trackNameEvent(0);
                    name->setText(p.NewTrackName);
                    created->addEvent(name, true, true);
                }
                created->makeChannelLabel();
                target = created;
                result.echoTrackCreated = true;
            }
            result.echoTrack = target->index;
            for (int i = 0; i < run.song.trackCount(); ++i)
                if (run.song.track(i) == target) result.echoTrack = i;
        }
        int firstChannel = target->firstChannel();
        if (firstChannel == 255) firstChannel = source.firstChannel();

        run.begin(source);
        prepareTrack(source);
        if (target != &source && !targetBegun) run.begin(*target);
        std::optional<Pedal> pedal;
        if (p.EmulateSustain) pedal.emplace(source);
        auto [first, last] = rangePositions(source, run.scope.range);
        Owned<NoteOnEvent> echoes;

        for (int i = first; i < last; ++i) {
            anyEvent* e = source.at(i);
            if (e->serial >= firstMade) continue;
            run.examined();
            if (e->kind() != kindNote) continue;
            auto* n = static_cast<NoteOnEvent*>(e);
            ++run.counts.hits;
            int ch;
            if (specifyChannel)
                ch = specifiedChannel;
            else if (target == &source || firstChannel == 255)
                ch = n->status & 0x0F;  // each note echoes on its own channel
            else
                ch = firstChannel;
            NoteOnEvent* prev = n;
            bool prevInSource = true;
            // Every repeat takes the note's length as it was before the first repeat shortened it.
            const int64_t noteDuration = n->duration();
            int64_t t = n->time;
            for (int k = 0; k < count; ++k) {
                t += delay;
                if (delay <= 1 && trans[k] == 0 && target == &source) continue;  // it would double the note
                int64_t key = n->note() + trans[k];
                if (trans[k] != 0 && (key < 0 || key > 127)) {
                    if (!adjustRange) continue;
                    if (key > 127) key -= 12 * ((key - 127 + 11) / 12);
                    if (key < 0) key += 12 * ((-key + 11) / 12);
                }
                int64_t velocity = n->velocity() * (255 - vol[k]) / 127;
                velocity = std::clamp<int64_t>(velocity, 1, 127);
                const int32_t time = clampTime(t);
                int64_t duration = noteDuration;
                if ((prev->status & 0x0F) == ch && prev->note() == key &&
                    static_cast<int64_t>(prev->time) + prev->duration() >= time) {
                    if (overlap == 0) {
                        const int64_t shortened = static_cast<int64_t>(time) - prev->time - 1;
                        if (shortened <= 0) continue;
                        if (prevInSource)
                            source.setDuration(prev, static_cast<int32_t>(shortened));
                        else
                            prev->setDuration(static_cast<int32_t>(shortened));
                    } else if (overlap == 1) {
                        continue;
                    }
                }
                if (pedal) {
                    if (pedal->at(n->time) < 64) continue;
                    if (auto* up = pedal->first(time, static_cast<int64_t>(time) + duration); up && up->second < 64)
                        duration = static_cast<int64_t>(up->first) - time;
                }
                run.noteAdded(1);
                auto* echoNote = new NoteOnEvent(time, static_cast<uint8_t>(0x90 | ch));
                echoes.list.push_back(echoNote);
                echoNote->setRawNote(static_cast<uint8_t>(key));
                echoNote->setRawVelocity(static_cast<uint8_t>(velocity));
                echoNote->setDuration(clampDuration(time, duration));
                prev = echoNote;
                prevInSource = false;
            }
        }
        // The echoes stay owned here until the track holds them (it takes all or nothing).
        target->addEvents(std::vector<anyEvent*>(echoes.list.begin(), echoes.list.end()), true);
        echoes.list.clear();
        target->makeChannelLabel();
    }
    return result;
}

void chordStroke(Run& run) {
    const ChordPage& p = run.s.chord;
    const int64_t unit = std::max<int64_t>(1, run.units.timeBase / std::clamp(p.Devision, 1, 6));
    const int64_t tolerance = intOf(p.ChordBound, 0);
    const int centre = std::min(choice(p.Center), 2);
    const bool autoStroke = p.StrokeMethod == 1;
    const int strokeIndex = std::min(choice(p.Stroke), 1);
    const int64_t resStart = intOf(p.resStart, 0), resEnd = intOf(p.resEnd, 0);
    SignatureLookup signatures(run.song);

    for (int t = run.scope.firstTrack; t <= run.scope.lastTrack; ++t) {
        midiTrack& track = *run.song.track(t);
        run.begin(track);
        prepareTrack(track);
        auto [first, last] = rangePositions(track, run.scope.range);

        std::vector<std::vector<NoteOnEvent*>> chords;
        int64_t chordStart = 0;
        for (int i = first; i < last; ++i) {
            anyEvent* e = track.at(i);
            run.examined();
            if (e->kind() != kindNote) continue;
            if (chords.empty() || e->time - chordStart > tolerance) {
                chords.emplace_back();
                chordStart = e->time;
            }
            chords.back().push_back(static_cast<NoteOnEvent*>(e));
        }
        std::vector<std::vector<NoteOnEvent*>*> real;
        for (auto& c : chords)
            if (c.size() >= 2) real.push_back(&c);

        // "Auto": the smallest distance between consecutive chords' first notes (the first from
        // time 0), as the times stand when each chord is reached.
        std::vector<int64_t> distance(real.size());
        std::multiset<int64_t> distances;
        auto firstTime = [&](size_t k) -> int64_t { return (*real[k])[0]->time; };
        for (size_t k = 0; k < real.size(); ++k) {
            distance[k] = firstTime(k) - (k ? firstTime(k - 1) : 0);
            distances.insert(distance[k]);
        }
        auto refresh = [&](size_t k) {
            if (k >= real.size()) return;
            distances.erase(distances.find(distance[k]));
            distance[k] = firstTime(k) - (k ? firstTime(k - 1) : 0);
            distances.insert(distance[k]);
        };

        int64_t prevCentre = 0;
        bool flag = strokeIndex != 0;  // so that the first chord starts from the Order choice
        std::vector<NoteOnEvent*> moved;
        for (size_t k = 0; k < real.size(); ++k) {
            std::vector<NoteOnEvent*> notes = *real[k];
            ++run.counts.chords;
            std::stable_sort(notes.begin(), notes.end(), [](const NoteOnEvent* a, const NoteOnEvent* b) {
                return a->time != b->time ? a->time < b->time : a->note() < b->note();
            });
            const int64_t n = static_cast<int64_t>(notes.size());
            int64_t c;
            if (centre == 0) {
                c = notes.front()->time;
            } else if (centre == 2) {
                c = notes.back()->time;
            } else {
                int64_t sum = 0;
                for (const NoteOnEvent* note : notes) sum += note->time;
                c = sum / n;
            }
            const int64_t start = c + resStart;
            const int64_t step = (resEnd - resStart) / (n - 1);
            if (autoStroke) {
                const int64_t g = *distances.begin();
                const int64_t capacity = 3 * g / 2;
                if (c - prevCentre > capacity)
                    flag = strokeIndex == 0;
                else
                    flag = !flag;
                prevCentre = c;
            } else {
                const int32_t ct = clampTime(c);
                const int64_t tick = barBeatTickWith(run.song.barStarts, signatures.at(ct), ct).tick;
                const int64_t slot = (unit / 2 + tick) / unit;
                flag = (slot + strokeIndex) % 2 != 0;
            }
            for (int64_t j = 0; j < n; ++j) {
                NoteOnEvent* note = flag ? notes[static_cast<size_t>(j)] : notes[static_cast<size_t>(n - 1 - j)];
                const int64_t target = start + j * step;  // 64-bit: the window may be far from sane
                const int32_t before = note->time;
                track.moveEvent(note, clampMove(*note, target - before));
                if (note->time != before) moved.push_back(note);
            }
            refresh(k);
            refresh(k + 1);
        }
        repairSameKey(track, moved, first, last, true);
    }
}

void repairSameKey(midiTrack& track, const std::vector<NoteOnEvent*>& moved, int first, int last,
                   bool movedReachesNext) {
    if (moved.empty()) return;
    const NoteSet movedSet(moved);
    auto slot = [](const NoteOnEvent* n) { return static_cast<size_t>((n->status & 0x0F) * 128 + (n->note() & 127)); };
    std::bitset<2048> needed;
    int64_t minNew = INT64_MAX, maxNew = INT64_MIN;
    for (const NoteOnEvent* n : moved) {
        needed.set(slot(n));
        minNew = std::min<int64_t>(minNew, n->time);
        maxNew = std::max<int64_t>(maxNew, n->time);
    }
    // The list keeps its order from before the moves: outside [first, last) it is in time order.
    // Every note of a needed key that a moved note can meet is inside, or before it at or after
    // the earliest new time, or after it up to the latest new time; plus one more on each side.
    std::vector<std::vector<NoteOnEvent*>> groups(2048);
    auto noteAt = [&](int i) -> NoteOnEvent* {
        anyEvent* e = track.at(i);
        if (!e || e->kind() != kindNote) return nullptr;
        auto* n = static_cast<NoteOnEvent*>(e);
        return needed.test(slot(n)) ? n : nullptr;
    };
    for (int i = first; i < last; ++i)
        if (NoteOnEvent* n = noteAt(i)) groups[slot(n)].push_back(n);
    std::bitset<2048> found;
    size_t want = needed.count();
    for (int i = first - 1; i >= 0 && want > 0; --i) {
        NoteOnEvent* n = noteAt(i);
        if (!n) continue;
        const size_t s = slot(n);
        if (n->time >= minNew) {
            groups[s].push_back(n);
        } else if (!found.test(s)) {
            found.set(s);
            groups[s].push_back(n);
            --want;
        }
    }
    found.reset();
    want = needed.count();
    for (int i = last; i < track.size() && want > 0; ++i) {
        NoteOnEvent* n = noteAt(i);
        if (!n) continue;
        const size_t s = slot(n);
        if (n->time <= maxNew) {
            groups[s].push_back(n);
        } else if (!found.test(s)) {
            found.set(s);
            groups[s].push_back(n);
            --want;
        }
    }
    for (size_t s = 0; s < groups.size(); ++s) {
        auto& g = groups[s];
        if (g.size() < 2) continue;
        std::sort(g.begin(), g.end(), [](const NoteOnEvent* a, const NoteOnEvent* b) { return eventLess(a, b); });
        for (size_t k = 0; k + 1 < g.size(); ++k) {
            NoteOnEvent* a = g[k];
            const NoteOnEvent* b = g[k + 1];
            const bool aMoved = movedSet.contains(a);
            if (!aMoved && !movedSet.contains(b)) continue;
            const int64_t end = static_cast<int64_t>(a->time) + a->duration();
            const bool cuts = (movedReachesNext && aMoved) ? end >= b->time : end > b->time;
            if (cuts) track.setDuration(a, static_cast<int32_t>(std::max<int64_t>(0, static_cast<int64_t>(b->time) - a->time - 1)));
        }
    }
}

}  // namespace tonvela::effects
