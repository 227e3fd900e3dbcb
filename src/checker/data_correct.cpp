#include "checker/data_correct.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "checker/data_check.h"
#include "song/events.h"
#include "song/song.h"

namespace tonvela {

namespace {

// Where an event stands in the song now.
struct Held {
    midiTrack* track;
    int index;
    int position;
};

class Corrector {
public:
    explicit Corrector(midiSong& song)
        : song_(song), opened_(static_cast<size_t>(song.trackCount()), false),
          changed_(static_cast<size_t>(song.trackCount()), false), moved_(static_cast<size_t>(song.trackCount()), false) {}

    // Each event is found again at the place the check met it. Events that an edit since then
    // moved to another slot are looked up all at once, in one pass over the song.
    void prepare(const CheckReport& report, const std::vector<bool>& ticked) {
        auto want = [this](const EventPlace& p) {
            if (p.event && !atHint(p)) elsewhere_.emplace(p.event, std::pair<int, int>{-1, -1});
        };
        for (size_t i = 0; i < report.size(); ++i) {
            if (i >= ticked.size() || !ticked[i]) continue;
            want(report[i].event);
            // Lines of one tick share their lists: each list is looked at once. The notes that
            // 001 and 003 name are theirs alone.
            const PlaceList* list = report[i].places.get();
            if (!list) continue;
            const bool own = report[i].check == 1 || report[i].check == 3;
            if (own || progress_.emplace(list, Progress{}).second)
                for (size_t k = 0; k < list->size(); ++k) want((*list)[k]);
        }
        if (elsewhere_.empty()) return;
        for (int t = 0; t < song_.trackCount(); ++t) {
            const auto& events = song_.track(t)->events();
            for (size_t p = 0; p < events.size(); ++p) {
                if (!events[p]) continue;
                auto it = elsewhere_.find(events[p]);
                if (it != elsewhere_.end() && it->second.first < 0) it->second = {t, static_cast<int>(p)};
            }
        }
    }

    bool correct(const Finding& f) {
        if (f.check == 9) return true;  // nothing to repair: the line only goes
        const std::optional<Held> e = locate(f.event);
        if (!e) return false;
        switch (f.check) {
        case 1:
        case 3: return shortenPrevious(f, *e);
        case 2: return extraNoteOff(f, *e);
        case 10:
        case 11: return removeEarlier(f, *e);
        case 12:
        case 13: return moveBeforeNote(f);
        case 15: return switchValue(f, *e);
        default:
            remove(*e);
            return true;
        }
    }

    // Packs every changed track once; tracks whose times changed are sorted again.
    void finish() {
        for (int t = 0; t < song_.trackCount(); ++t) {
            if (!changed_[static_cast<size_t>(t)]) continue;
            if (moved_[static_cast<size_t>(t)])
                song_.track(t)->sortEvents();
            else
                song_.track(t)->pack();
        }
    }

private:
    bool atHint(const EventPlace& p) const {
        if (p.track < 0 || p.track >= song_.trackCount()) return false;
        const midiTrack& t = *song_.track(p.track);
        return p.position >= 0 && p.position < t.size() && t.at(p.position) == p.event;
    }

    // The event's place while it is in the song (removals of this run leave empty slots, so
    // positions stay valid until the end); nothing once it is gone.
    std::optional<Held> locate(const EventPlace& p) const {
        if (!p.event) return std::nullopt;
        if (atHint(p)) return Held{song_.track(p.track), p.track, p.position};
        auto it = elsewhere_.find(p.event);
        if (it == elsewhere_.end() || it->second.first < 0) return std::nullopt;
        midiTrack* t = song_.track(it->second.first);
        if (t->at(it->second.second) != p.event) return std::nullopt;
        return Held{t, it->second.first, it->second.second};
    }

    // The undo step opens in a track with its first change.
    midiTrack& edit(const Held& h) {
        const auto i = static_cast<size_t>(h.index);
        if (!opened_[i]) {
            h.track->beginUndoStep(kDataCorrectUndoLabel);
            opened_[i] = true;
        }
        changed_[i] = true;
        return *h.track;
    }

    void remove(const Held& h) { edit(h).removeEventAt(h.position); }

    void move(const Held& h, anyEvent* e, int32_t delta) {
        edit(h).moveEvent(e, delta);
        moved_[static_cast<size_t>(h.index)] = true;
    }

    // 001/003: the latest earlier note of the key that still sounds when the listed one starts
    // ends one tick before it; it is only ever shortened.
    bool shortenPrevious(const Finding& f, const Held& e) {
        if (f.event.event->kind() != kindNote) return false;
        const auto* on = static_cast<const NoteOnEvent*>(f.event.event);
        if (on->duration() <= 0) {
            // A note that ends where it starts is never heard, and its end would come before its
            // start at the next check: it goes, as an extra note off's note of duration 0 does.
            remove(e);
            return true;
        }
        for (size_t i = 0; i < f.placeCount; ++i) {
            const EventPlace& c = (*f.places)[i];
            const std::optional<Held> h = locate(c);
            if (!h || c.event->kind() != kindNote) continue;
            auto* previous = static_cast<NoteOnEvent*>(c.event);
            if (previous->time > on->time) continue;
            if (static_cast<int64_t>(previous->time) + previous->duration() < on->time) continue;
            const int32_t gap = on->time - previous->time;
            if (gap < 2) {
                remove(e);  // the two notes start together: the listed one goes
            } else {
                edit(*h).setDuration(previous, gap - 1);
            }
            return true;
        }
        // Every note that sounded on was shortened or removed since the check (by the line of
        // an earlier note, typically): nothing overlaps any more. With none found at all, the
        // line stays.
        return f.placeCount > 0;
    }

    // 002: the line names a note whose end found its key silent already.
    bool extraNoteOff(const Finding& f, const Held& e) {
        anyEvent* x = f.event.event;
        if (x->kind() == kindNoteOff) {  // a note off of its own in the track
            remove(e);
            return true;
        }
        if (x->kind() != kindNote) return false;
        auto* note = static_cast<NoteOnEvent*>(x);
        if (note->duration() <= 0 || f.endDuration == 0) {
            remove(e);
            return true;
        }
        if (f.endDuration > 0 && f.endDuration < note->duration()) {
            edit(e).setDuration(note, f.endDuration);
            return true;
        }
        return false;
    }

    static bool isRelease(const anyEvent* e) {
        return e->kind() == kindControl && static_cast<const ControlChangeEvent*>(e)->value() < 64;
    }

    // 010/011: of several changes on one tick the last takes effect; the earlier ones go. A
    // switch released and pressed again on one tick is a re-pedal: the release moves a tick
    // earlier instead. When the last one gives back the value in force before the tick, it goes
    // too. Where a note on or the like uses the earlier ones, they stay, and only a change that
    // repeats the value before it goes. The lines of one tick share their list of changes; each
    // change is dealt with once.
    bool removeEarlier(const Finding& f, const Held& e) {
        if (f.usedBetween) {
            // The earlier changes are heard and stay; this one may repeat the last of them.
            if (!f.redundant) return false;
            remove(e);
            return true;
        }
        if (!f.places) return false;
        const PlaceList& earlier = *f.places;
        Progress& done = progress_[&earlier];
        const anyEvent* last = f.event.event;
        bool press = false;
        if (f.check == 10 && last->kind() == kindControl) {
            const auto* c = static_cast<const ControlChangeEvent*>(last);
            press = c->controller() >= 64 && c->controller() <= 67 && c->value() >= 64;
        }
        if (press && !f.movable) {
            // A release among the earlier ones has no earlier tick free to keep it on.
            if (!done.releasesFound) {
                for (size_t i = 0; i < earlier.size(); ++i)
                    if (isRelease(earlier[i].event)) done.releases.push_back(i);
                done.releasesFound = true;
            }
            auto r = std::lower_bound(done.releases.begin(), done.releases.end(), done.next);
            if (r != done.releases.end() && *r < f.placeCount) return false;
        }
        for (size_t i = done.next; i < f.placeCount; ++i) {
            const EventPlace& p = earlier[i];
            const std::optional<Held> h = locate(p);
            // Gone, or no longer on the tick of the one in effect (the line of a note on that
            // tick may have moved both).
            if (!h || p.event->time != last->time) continue;
            if (press && isRelease(p.event))
                move(*h, p.event, -1);
            else
                remove(*h);
        }
        done.next = std::max(done.next, f.placeCount);
        if (f.redundant) remove(e);
        return true;
    }

    // 012/013: the control changes and pitch bends of the note's tick move before it. Lines of
    // one tick that move the same events share them; each is moved once.
    bool moveBeforeNote(const Finding& f) {
        if (!f.movable) return false;
        auto moveOne = [this](const EventPlace& p) {
            const std::optional<Held> h = locate(p);
            // Gone, or moved already by the line of its note or of another event of the tick.
            if (h && p.event->time == p.time) move(*h, p.event, p.move);
        };
        if (f.places) {
            Progress& done = progress_[f.places.get()];
            for (size_t i = done.next; i < f.placeCount; ++i) moveOne((*f.places)[i]);
            done.next = std::max(done.next, f.placeCount);
        }
        if (f.event.event->kind() != kindNote) moveOne(f.event);
        return true;
    }

    // 015: a switch is off or on; a value on the side it stood on already changes nothing.
    bool switchValue(const Finding& f, const Held& e) {
        if (f.event.event->kind() != kindControl) return false;
        auto* c = static_cast<ControlChangeEvent*>(f.event.event);
        if (f.redundant)
            remove(e);
        else
            edit(e).setControlValue(c, c->value() >= 64 ? 127 : 0);
        return true;
    }

    // How far the lines sharing a list of events got with it in this run.
    struct Progress {
        size_t next = 0;               // the places before it are dealt with
        bool releasesFound = false;    // `releases` is filled
        std::vector<size_t> releases;  // the places of switch releases, in order
    };

    midiSong& song_;
    std::vector<bool> opened_, changed_, moved_;
    std::unordered_map<const anyEvent*, std::pair<int, int>> elsewhere_;
    std::unordered_map<const PlaceList*, Progress> progress_;
};

}  // namespace

std::vector<bool> correctFindings(midiSong& song, const CheckReport& report, const std::vector<bool>& ticked) {
    std::vector<bool> corrected(report.size(), false);
    Corrector corrector(song);
    corrector.prepare(report, ticked);
    for (size_t i = 0; i < report.size(); ++i) {
        if (i < ticked.size() && ticked[i]) corrected[i] = corrector.correct(report[i]);
    }
    corrector.finish();
    return corrected;
}

}  // namespace tonvela
