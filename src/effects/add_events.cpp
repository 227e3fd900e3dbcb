// Add Events: pitch-bend or controller curves under the notes that pass the filter, or across
// the range. Generated events wait in a time-ordered pending list (where later notes' overwrite
// may still drop them) and go into the track in one journaled bulk addition per track.

#include <bitset>
#include <cmath>

#include "effects/effect_run.h"
#include "effects/note_filter.h"
#include "settings/numbertext.h"

namespace tonvela::effects {

namespace {

struct Pending {
    int32_t time;
    anyEvent* event;
    int group;    // the note (or post-process event) it was made for
    int channel;
};

// Generated events not yet in the track, in time order (insertion order within a tick). Events
// come almost in time order, so inserting and dropping happen near the end.
class PendingList {
public:
    ~PendingList() {
        for (Pending& p : items_) delete p.event;
    }
    void add(anyEvent* e, int group, int channel) {
        Pending p{e->time, e, group, channel};
        if (items_.empty() || items_.back().time <= p.time) {
            items_.push_back(p);
            return;
        }
        auto at = std::upper_bound(items_.begin(), items_.end(), p.time,
                                   [](int32_t t, const Pending& q) { return t < q.time; });
        items_.insert(at, p);
    }
    // Drops (and frees) the events with from <= time <= to.
    void drop(int64_t from, int64_t to) {
        auto a = std::lower_bound(items_.begin(), items_.end(), from,
                                  [](const Pending& q, int64_t t) { return q.time < t; });
        auto b = std::upper_bound(a, items_.end(), to, [](int64_t t, const Pending& q) { return t < q.time; });
        for (auto it = a; it != b; ++it) delete it->event;
        items_.erase(a, b);
    }
    bool empty() const { return items_.empty(); }
    const std::vector<Pending>& items() const { return items_; }
    std::vector<Pending>& items() { return items_; }
    // Hands the events over (the list no longer frees them).
    void release() { items_.clear(); }

private:
    std::vector<Pending> items_;
};

// The existing events an overwrite may remove, found by time as the walk needs them.
class Removable {
public:
    Removable(midiTrack& track, int startPosition, bool pitchBend, int controller, int nrpnLsb)
        : track_(track), pitchBend_(pitchBend), controller_(controller), nrpnOnly_(nrpnLsb >= 0) {
        // Under a non-registered parameter the data entries' meaning depends on the parameter
        // selected before them, from the start of the track.
        scanned_ = nrpnOnly_ ? 0 : startPosition;
        firstCandidate_ = startPosition;
        msb_.fill(-1);
        lsb_.fill(-1);
        nrpn_.fill(false);
    }

    // Removes (journaled) every candidate with from <= time <= to.
    void remove(int64_t from, int64_t to, Run& run) {
        (void)run;
        while (scanned_ < track_.size()) {
            const anyEvent* e = track_.at(scanned_);
            if (e && e->time > to) break;
            if (e) consider(e, scanned_);
            ++scanned_;
        }
        auto it = std::lower_bound(candidates_.begin(), candidates_.end(), from,
                                   [](const Candidate& c, int64_t t) { return c.time < t; });
        for (; it != candidates_.end() && it->time <= to; ++it) {
            if (it->removed) continue;
            it->removed = true;
            track_.removeEventAt(it->position);
        }
    }

    struct Removed {
        int position;
        int32_t time;
        int channel;
    };
    // The candidates removed so far, in list order.
    std::vector<Removed> removed() const {
        std::vector<Removed> out;
        for (const Candidate& c : candidates_)
            if (c.removed) out.push_back({c.position, c.time, c.channel});
        return out;
    }

private:
    struct Candidate {
        int position;
        int32_t time;
        bool removed;
        int channel;
    };

    void consider(const anyEvent* e, int position) {
        const int k = e->kind();
        if (pitchBend_) {
            if (k == kindPitchBend && position >= firstCandidate_)
                candidates_.push_back({position, e->time, false, e->status & 0x0F});
            return;
        }
        if (k != kindControl) return;
        auto* c = static_cast<const ControlChangeEvent*>(e);
        const size_t ch = e->status & 0x0F;
        if (nrpnOnly_) {
            switch (c->controller()) {
            case 99: msb_[ch] = c->value(); nrpn_[ch] = true; return;
            case 98: lsb_[ch] = c->value(); nrpn_[ch] = true; return;
            case 101: case 100: nrpn_[ch] = false; return;
            default: break;
            }
            // Only data entries under non-registered parameter 1, 32 of their channel: never the
            // pitch bend sensitivity or another registered parameter.
            if (c->controller() == 6 && nrpn_[ch] && msb_[ch] == 1 && lsb_[ch] == 32 && position >= firstCandidate_)
                candidates_.push_back({position, e->time, false, static_cast<int>(ch)});
            return;
        }
        if (c->controller() == controller_ && position >= firstCandidate_)
            candidates_.push_back({position, e->time, false, static_cast<int>(ch)});
    }

    midiTrack& track_;
    bool pitchBend_;
    int controller_;
    bool nrpnOnly_;
    int scanned_;
    int firstCandidate_;
    std::vector<Candidate> candidates_;
    std::array<int, 16> msb_, lsb_;
    std::array<bool, 16> nrpn_;
};

// A data-entry bracket the run writes: 99 = 1 and 98 = LSB before `first`, 101 = 127 and 100 = 127
// after `last` unless `close` is off.
struct NewBracket {
    int channel;
    int64_t first, last;
    bool close = true;
};

// OverWrite of data entries, once the old entries in the windows are gone: the parameter brackets
// that held only removed entries go too (when nothing after them relies on their registers), a
// parameter close left inside a new bracket goes (when no data entry after it relies on it),
// and a new bracket is not closed where kept events after it still need the parameter. So every
// entry the run writes lies under its parameter and every kept entry keeps the one it had.
void settleBrackets(midiTrack& track, const std::vector<Removable::Removed>& removed, int lsb,
                    std::vector<NewBracket>& brackets) {
    struct Item {
        int position;
        int32_t time;
        int controller;  // 98..101 parameter numbers; 6, 38, 96, 97 data entries
        int value;
        bool removed;    // an entry the overwrite removed
        bool dropped = false;
    };
    std::array<std::vector<Item>, 16> items;
    size_t r = 0;
    for (int pos = 0; pos < track.size(); ++pos) {
        const anyEvent* e = track.at(pos);
        if (!e) {
            while (r < removed.size() && removed[r].position < pos) ++r;
            if (r < removed.size() && removed[r].position == pos)
                items[static_cast<size_t>(removed[r].channel)].push_back({pos, removed[r].time, 6, 0, true});
            continue;
        }
        if (e->kind() != kindControl) continue;
        const int c = static_cast<const ControlChangeEvent*>(e)->controller();
        if (c == 6 || c == 38 || c == 96 || c == 97 || (c >= 98 && c <= 101))
            items[e->status & 0x0F].push_back({pos, e->time, c, static_cast<const ControlChangeEvent*>(e)->value(), false});
    }
    auto isParam = [](const Item& i) { return !i.dropped && i.controller >= 98; };
    auto isKeptEntry = [](const Item& i) { return !i.removed && i.controller < 98; };
    constexpr size_t none = SIZE_MAX;
    std::vector<int> drops;

    for (size_t ch = 0; ch < 16; ++ch) {
        std::vector<Item>& v = items[ch];
        auto nextParam = [&](size_t from) {
            for (size_t i = from; i < v.size(); ++i)
                if (isParam(v[i])) return i;
            return none;
        };
        // Nothing after `from` relies on the registers a pair of these numbers set: the next
        // such numbers come as a full pair again, or never.
        auto pairFollows = [&](size_t from, int msbNumber, int lsbNumber) {
            size_t k = nextParam(from);
            while (k != none && v[k].controller != msbNumber && v[k].controller != lsbNumber) k = nextParam(k + 1);
            if (k == none) return true;
            const size_t k2 = nextParam(k + 1);
            return v[k].controller == msbNumber && k2 != none && v[k2].controller == lsbNumber;
        };
        auto keptEntriesBetween = [&](size_t a, size_t b) {
            for (size_t i = a; i < std::min(b, v.size()); ++i)
                if (isKeptEntry(v[i])) return true;
            return false;
        };
        // A parameter close (101 = 127, 100 = 127) at k goes when no kept entry after it relies on it.
        auto dropClose = [&](size_t k) {
            const size_t k2 = nextParam(k + 1);
            if (k2 == none || v[k2].controller != 100 || v[k2].value != 127) return;
            const size_t after = nextParam(k2 + 1);
            if (keptEntriesBetween(k + 1, after == none ? v.size() : after) || !pairFollows(k2 + 1, 101, 100)) return;
            v[k].dropped = v[k2].dropped = true;
            drops.push_back(v[k].position);
            drops.push_back(v[k2].position);
        };
        auto isClose = [&](size_t k) { return v[k].controller == 101 && v[k].value == 127; };

        // Brackets whose every entry was removed.
        for (size_t i = 0; i < v.size(); ++i) {
            if (!isParam(v[i]) || v[i].controller != 99 || v[i].value != 1) continue;
            const size_t j = nextParam(i + 1);
            if (j == none || v[j].controller != 98 || v[j].value != lsb) continue;
            const size_t k = nextParam(j + 1);
            bool anyRemoved = false, anyKept = false;
            for (size_t x = j + 1; x < (k == none ? v.size() : k); ++x) {
                anyRemoved = anyRemoved || v[x].removed;
                anyKept = anyKept || isKeptEntry(v[x]);
            }
            if (!anyRemoved || anyKept) continue;
            if (pairFollows(j + 1, 99, 98)) {
                v[i].dropped = v[j].dropped = true;
                drops.push_back(v[i].position);
                drops.push_back(v[j].position);
            }
            if (k != none && isClose(k)) dropClose(k);
        }
        // Closes left inside a new bracket of this channel (the brackets come in time order).
        size_t k = 0;
        for (const NewBracket& b : brackets) {
            if (b.channel != static_cast<int>(ch)) continue;
            for (; k < v.size() && v[k].time <= b.last; ++k) {
                if (!isParam(v[k]) || !isClose(k)) continue;
                const size_t k2 = nextParam(k + 1);
                if ((k2 == none ? v[k].time : v[k2].time) >= b.first) dropClose(k);
            }
        }
        // A new bracket is not closed where the close would change what kept events after it
        // play under: kept entries right after it under this parameter, or kept events within
        // the two ticks of the close (they would fall between its messages).
        int msb = -1, l = -1;
        bool nrpn = false;
        k = 0;
        for (NewBracket& b : brackets) {
            if (b.channel != static_cast<int>(ch)) continue;
            for (; k < v.size() && v[k].time <= b.last; ++k) {
                if (!isParam(v[k])) continue;
                if (v[k].controller == 99)
                    msb = v[k].value, nrpn = true;
                else if (v[k].controller == 98)
                    l = v[k].value, nrpn = true;
                else
                    nrpn = false;
            }
            size_t next = k;
            while (next < v.size() && (v[next].removed || v[next].dropped)) ++next;
            if (next < v.size() && (v[next].time <= b.last + 2 || (nrpn && msb == 1 && l == lsb && isKeptEntry(v[next]))))
                b.close = false;
        }
    }
    std::sort(drops.begin(), drops.end());
    for (int pos : drops) track.removeEventAt(pos);
}

}  // namespace

void addEvents(Run& run) {
    const AddEventPage& p = run.s.addEvent;
    const int item = std::min(choice(p.AddItem), 12);
    const AddItemInfo& info = kAddItemInfo[static_cast<size_t>(item)];
    const bool bend = info.pitchBend;
    const int controller =
        info.controller >= 0 ? info.controller : std::clamp(readInteger(p.CtrlNoEdit).value_or(0), 0, 127);
    const int nrpnLsb = info.nrpnLsb;
    const bool removes = item <= 8;  // items 9..12 overwrite nothing

    const int64_t interval = unitToTicks(run.units, p.DistanceUnit, readDecimal(p.Distance).value_or(0));
    const int64_t step = interval <= 0 ? 1 : interval;
    const double minDiffText = readDecimal(p.MinimunDifference).value_or(0);
    const int64_t minDiff = bend ? toBendValue(p.MinimunDifference, p.MinDiffUnit, run.bendRange)
                                 : static_cast<int64_t>(std::clamp(std::trunc(minDiffText), -1e18, 1e18));
    const AddValueMapping mapping = addValueMapping(p, run.bendRange);
    const NoteFilter filter = noteFilterFor(p, run.units);
    MissTally misses = noteFilterTally(filter);
    const int source = std::min(choice(p.FunctionSource1), 2);
    const bool rangeMode = source != 0;
    const bool byTime = choice(p.ApplyRange) == 1;
    const int64_t percent = readInteger(p.DurationPercent).value_or(100);
    const int64_t windowTime = unitToTicks(run.units, p.ApplyTimeUnit, readDecimal(p.ApplyTime).value_or(0));
    const int position = std::min(choice(p.ApplyPosition), 2);
    const int64_t startShift = readInteger(p.StartShift).value_or(0);
    const int preValue = readInteger(p.PreprocValue).value_or(0);
    const int postValue = readInteger(p.PostprocValue).value_or(0);
    const TickRange range = run.scope.range;
    const int64_t rangeStart = range.from;
    const int64_t rangeLength = static_cast<int64_t>(range.to) - range.from;
    SignatureLookup signatures(run.song);
    BarStarts bars(run.song);
    // Loop steps without an event (a flat stretch under a large minimum difference) are cheap but
    // not free: a run gives up past this many.
    int64_t pointBudget = kMaxAddedEvents * 8;

    auto makeValue = [&](int64_t time, int channel, int64_t value) -> anyEvent* {
        if (bend) {
            auto* e = new PitchBendEvent(clampTime(time), static_cast<uint8_t>(0xE0 | channel));
            e->setRawBend(static_cast<int>(std::clamp<int64_t>(value + 8192, 0, 16383)));
            return e;
        }
        auto* e = new ControlChangeEvent(clampTime(time), static_cast<uint8_t>(0xB0 | channel));
        e->setRawController(static_cast<uint8_t>(controller));
        e->setValue(static_cast<int>(std::clamp<int64_t>(value, 0, 127)));
        return e;
    };
    // A generated point: raw bend or controller value as addEventValue gives it.
    auto makePoint = [&](int64_t time, int channel, int value) -> anyEvent* {
        return makeValue(time, channel, bend ? value - 8192 : value);
    };

    for (int t = run.scope.firstTrack; t <= run.scope.lastTrack; ++t) {
        midiTrack& track = *run.song.track(t);
        run.begin(track);
        prepareTrack(track);
        auto [first, last] = rangePositions(track, range);
        // No window starts earlier than the range start shifted by the time offset.
        const int64_t earliest = rangeStart + std::min<int64_t>(startShift, 0);
        auto [scanFrom, unused] = rangePositions(track, TickRange{clampTime(earliest), clampTime(earliest)});
        (void)unused;
        Removable removable(track, scanFrom, bend, controller, nrpnLsb);
        NoteIndex notes(track, first);
        PendingList pending;
        int groups = 0;
        // Events made for the note at hand; freed if the run gives up before they are handed on.
        Owned<anyEvent> owned;
        std::vector<anyEvent*>& work = owned.list;

        auto removeExisting = [&](int64_t from, int64_t to) {
            if (!removes || to < from) return;
            removable.remove(from, to, run);
            pending.drop(from, to);
        };

        if (rangeMode && p.ReplaceEvent) removeExisting(range.from, range.to);

        std::optional<int32_t> lastProcessed;
        const NoteOnEvent* prev = nullptr;
        for (int i = first; i < last; ++i) {
            const anyEvent* e = track.at(i);
            if (!e) continue;  // removed by an overwrite
            run.examined();
            if (e->kind() != kindNote) continue;
            auto* n = static_cast<const NoteOnEvent*>(e);
            if (lastProcessed && n->time == *lastProcessed) continue;  // the other notes of a chord
            prev = n;
            if (const NoteFilterMiss miss = noteFilterMiss(track, i, filter); miss != NoteFilterMiss::none) {
                misses.miss(tallyNumber(miss));
                continue;
            }
            ++run.counts.hits;

            const int channel = n->status & 0x0F;
            const int64_t duration = n->duration();
            int64_t length = byTime ? windowTime : percent * duration / 100;
            const int64_t period = length;
            if (length > duration) length = duration;
            int64_t start = n->time;
            if (length != duration && position == 1) start = n->time + (duration - length) / 2;
            if (length != duration && position == 2) start = n->time + duration - length;

            // The note's events in the order the tidy-up leaves them (time, then creation: the
            // curve points, then the post-process value, then the pre-process value), made only
            // when the tidy-up keeps them, so memory follows the events written, not the points
            // computed.
            work.clear();
            struct Extra {
                int32_t time;
                int raw;
                int64_t value;
            };
            Extra extras[2];
            int extraCount = 0;
            auto rawOf = [&](int64_t value) {
                return static_cast<int>(bend ? std::clamp<int64_t>(value + 8192, 0, 16383) : std::clamp<int64_t>(value, 0, 127));
            };
            if (source == 0 && p.PostProcess) {
                int m = notes.nextNoteFrom(static_cast<int64_t>(n->time) + duration, i);
                if (m >= 0) {
                    const int64_t at = static_cast<int64_t>(track.at(m)->time) + interval;
                    extras[extraCount++] = {clampTime(at), rawOf(postValue), postValue};
                }
            }
            if (p.PreProcess && (source == 0 || !lastProcessed)) {
                const int64_t at = static_cast<int64_t>(n->time) + interval;
                extras[extraCount++] = {clampTime(at), rawOf(preValue), preValue};
            }
            // A pre-process value earlier than the post-process one goes first.
            if (extraCount == 2 && extras[1].time < extras[0].time) std::swap(extras[0], extras[1]);
            int nextExtra = 0;
            bool anyKept = false;
            int32_t keptTime = 0;
            int keptRaw = 0;
            // Tidy: a control change repeating the last kept value or time is dropped, a pitch
            // bend repeating the last kept bend.
            auto offer = [&](int32_t time, int raw, auto make) {
                if (anyKept && (raw == keptRaw || (!bend && time == keptTime))) return;
                work.push_back(nullptr);  // the room first, so a made event always has an owner
                work.back() = make();
                run.noteAdded(1);
                anyKept = true;
                keptTime = time;
                keptRaw = raw;
            };
            auto offerExtrasBefore = [&](int64_t time) {
                for (; nextExtra < extraCount && extras[nextExtra].time < time; ++nextExtra) {
                    const Extra& x = extras[nextExtra];
                    offer(x.time, x.raw, [&] { return makeValue(x.time, channel, x.value); });
                }
            };
            const int64_t from = start + startShift;
            int64_t lastValue = INT64_MIN / 4;
            for (int64_t at = from; at < from + length; at += step) {
                if (--pointBudget < 0) run.noteAdded(kMaxAddedEvents + 1);
                int value;
                if (source == 0) {
                    value = addEventValue(run.curve, mapping, at - from, period);
                } else if (source == 1) {
                    if (rangeLength <= 0) break;  // a range of one tick has no period to read
                    value = addEventValue(run.curve, mapping, at - rangeStart, rangeLength);
                } else {
                    const int32_t tt = static_cast<int32_t>(std::clamp<int64_t>(at, INT32_MIN, INT32_MAX));
                    TimeSignature ts = signatures.at(tt);
                    const int64_t barStart = bars.start(bars.barOf(tt, ts));
                    value = addEventValue(run.curve, mapping, at - barStart,
                                          static_cast<int64_t>(ts.ticksPerBeat) * ts.beatsPerBar);
                }
                const int64_t diff = value - lastValue;
                if ((diff < 0 ? -diff : diff) >= minDiff) {
                    const int32_t time = clampTime(at);
                    offerExtrasBefore(time);
                    offer(time, rawOf(bend ? value - 8192 : value), [&] { return makePoint(at, channel, value); });
                    lastValue = value;
                }
            }
            offerExtrasBefore(INT64_MAX);

            if (source == 0 && p.ReplaceEvent && !work.empty()) removeExisting(work.front()->time, work.back()->time);
            if (!work.empty()) {
                lastProcessed = n->time;
                // One at a time, so that running out of room leaves each event with one owner.
                for (anyEvent*& w : work) {
                    pending.add(w, groups, channel);
                    w = nullptr;
                }
                ++groups;
            }
            work.clear();
        }

        // After the range: in the range modes the value after the last note comes at the next
        // note of its channel.
        if (rangeMode && p.PostProcess && prev && last < track.size()) {
            const int channel = prev->status & 0x0F;
            int m = notes.nextOnChannel(last, channel);
            if (m >= 0) {
                run.noteAdded(1);
                pending.add(makeValue(static_cast<int64_t>(track.at(m)->time) + interval, channel, postValue), groups++,
                            channel);
            }
        }

        Owned<anyEvent> opening, closingOwned;
        std::vector<anyEvent*>& batch = opening.list;
        std::vector<anyEvent*>& closing = closingOwned.list;
        std::bitset<16> bracketAtZero;
        if (nrpnLsb >= 0 && !pending.empty()) {
            // Each note's data entries get their own parameter bracket on their channel; brackets
            // that would overlap merge, so no bracket spans the song between notes.
            struct Span {
                int64_t first, last;
                bool seen = false;
            };
            std::vector<Span> spans(static_cast<size_t>(groups));
            std::vector<int> channelOf(static_cast<size_t>(groups), 0);
            for (const Pending& pe : pending.items()) {
                const int64_t time = pe.time;
                Span& s = spans[static_cast<size_t>(pe.group)];
                if (!s.seen) s = {time, time, true};
                s.first = std::min<int64_t>(s.first, time);
                s.last = std::max<int64_t>(s.last, time);
                channelOf[static_cast<size_t>(pe.group)] = pe.channel;
            }
            std::vector<NewBracket> brackets;
            for (int ch = 0; ch < 16; ++ch) {
                std::vector<Span> mine;
                for (size_t g = 0; g < spans.size(); ++g)
                    if (spans[g].seen && channelOf[g] == ch) mine.push_back(spans[g]);
                std::sort(mine.begin(), mine.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
                for (size_t k = 0; k < mine.size();) {
                    Span merged = mine[k++];
                    while (k < mine.size() && mine[k].first - 2 <= merged.last + 2) {
                        merged.last = std::max(merged.last, mine[k].last);
                        ++k;
                    }
                    brackets.push_back({ch, merged.first, merged.last});
                }
            }
            if (removes && p.ReplaceEvent) settleBrackets(track, removable.removed(), nrpnLsb, brackets);
            for (const NewBracket& b : brackets) {
                const int ch = b.channel;
                auto cc = [&](int64_t time, int number, int value) {
                    auto* e = new ControlChangeEvent(clampTime(time), static_cast<uint8_t>(0xB0 | ch));
                    e->setRawController(static_cast<uint8_t>(number));
                    e->setValue(value);
                    return e;
                };
                run.noteAdded(b.close ? 4 : 2);
                batch.push_back(cc(b.first - 2, 99, 1));
                batch.push_back(cc(b.first - 1, 98, nrpnLsb));
                if (b.first <= 0) bracketAtZero.set(static_cast<size_t>(ch));
                if (!b.close) continue;
                closing.push_back(cc(b.last + 1, 101, 127));
                closing.push_back(cc(b.last + 2, 100, 127));
            }
        }
        // Events of one tick play in creation order: entries on tick 0 that a bracket shares are
        // made again after it, so the parameter is selected before they change it.
        if (bracketAtZero.any()) {
            for (Pending& pe : pending.items()) {
                if (pe.time != 0 || !bracketAtZero.test(static_cast<size_t>(pe.channel))) continue;
                anyEvent* renewed = nullptr;
                if (auto* c = dynamic_cast<ControlChangeEvent*>(pe.event)) renewed = new ControlChangeEvent(*c);
                else if (auto* b = dynamic_cast<PitchBendEvent*>(pe.event)) renewed = new PitchBendEvent(*b);
                if (!renewed) continue;
                delete pe.event;
                pe.event = renewed;
            }
        }
        std::vector<anyEvent*> all;
        all.reserve(batch.size() + pending.items().size() + closing.size());
        all.insert(all.end(), batch.begin(), batch.end());
        for (const Pending& pe : pending.items()) all.push_back(pe.event);
        all.insert(all.end(), closing.begin(), closing.end());
        // They stay owned here until the track holds them (it takes all or nothing).
        track.addEvents(all, true);
        pending.release();
        batch.clear();
        closing.clear();
        track.sortEvents();
    }
    run.missReason = misses.reason();
}

}  // namespace tonvela::effects
