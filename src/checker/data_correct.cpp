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
            for (const EventPlace& p : report[i].related) want(p);
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

    // Why the last line that correct() refused stays.
    const std::string& why() const { return why_; }

    bool correct(const Finding& f) {
        if (f.check == 9) return true;  // nothing to repair: the line only goes
        const std::optional<Held> e = locate(f.event);
        if (!e) return refuse("the event is no longer in the song (check again)");
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
        if (f.event.event->kind() != kindNote) return refuse(kChanged);
        const auto* on = static_cast<const NoteOnEvent*>(f.event.event);
        if (on->duration() <= 0) {
            // A note that ends where it starts is never heard, and its end would come before its
            // start at the next check: it goes, as an extra note off's note of duration 0 does.
            remove(e);
            return true;
        }
        for (const EventPlace& c : f.related) {
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
        return !f.related.empty() || refuse("no earlier note of this key sounds into it");
    }

    // 002: the line names a note whose end found its key silent already.
    bool extraNoteOff(const Finding& f, const Held& e) {
        anyEvent* x = f.event.event;
        if (x->kind() == kindNoteOff) {  // a note off of its own in the track
            remove(e);
            return true;
        }
        if (x->kind() != kindNote) return refuse(kChanged);
        auto* note = static_cast<NoteOnEvent*>(x);
        if (note->duration() <= 0 || f.endDuration == 0) {
            remove(e);
            return true;
        }
        if (f.endDuration > 0 && f.endDuration < note->duration()) {
            edit(e).setDuration(note, f.endDuration);
            return true;
        }
        return refuse(f.endDuration > 0 ? "the note ends there already (check again)"
                                        : "nothing ends the note early (check again)");
    }

    // 010/011: of several changes on one tick the last takes effect; the earlier ones go. A
    // switch released and pressed again on one tick is a re-pedal: the release moves a tick
    // earlier instead.
    bool removeEarlier(const Finding& f, const Held&) {
        if (f.usedBetween) return refuse("an event between the changes uses the earlier value");
        const anyEvent* last = f.event.event;
        bool press = false;
        if (f.check == 10 && last->kind() == kindControl) {
            const auto* c = static_cast<const ControlChangeEvent*>(last);
            press = c->controller() >= 64 && c->controller() <= 67 && c->value() >= 64;
        }
        struct Step {
            Held at;
            anyEvent* event;
            bool release;
        };
        std::vector<Step> steps;
        for (const EventPlace& p : f.related) {
            const std::optional<Held> h = locate(p);
            // Gone, or no longer on the tick of the one in effect (the line of a note on that
            // tick may have moved both).
            if (!h || p.event->time != last->time) continue;
            const bool release = press && static_cast<const ControlChangeEvent*>(p.event)->value() < 64;
            if (release && !f.movable) return refuse("no earlier free tick for the release");
            steps.push_back({*h, p.event, release});
        }
        for (const Step& s : steps) {
            if (s.release)
                move(s.at, s.event, -1);
            else
                remove(s.at);
        }
        return true;
    }

    // 012/013: the control changes and pitch bends of the note's tick move before it.
    bool moveBeforeNote(const Finding& f) {
        if (!f.movable) return refuse(whyNotMovable(f));
        std::vector<const EventPlace*> moving;
        if (f.event.event->kind() != kindNote) moving.push_back(&f.event);
        for (const EventPlace& p : f.related) moving.push_back(&p);
        for (const EventPlace* p : moving) {
            const std::optional<Held> h = locate(*p);
            // Gone, or moved already by the line of its note or of another event of the tick.
            if (!h || p->event->time != p->time) continue;
            move(*h, p->event, p->move);
        }
        return true;
    }

    // 015: a switch is off or on; a value on the side it stood on already changes nothing.
    bool switchValue(const Finding& f, const Held& e) {
        if (f.event.event->kind() != kindControl) return refuse(kChanged);
        auto* c = static_cast<ControlChangeEvent*>(f.event.event);
        if (f.redundant)
            remove(e);
        else
            edit(e).setControlValue(c, c->value() >= 64 ? 127 : 0);
        return true;
    }

    static constexpr const char* kChanged = "the event changed since the check (check again)";

    bool refuse(std::string why) {
        why_ = std::move(why);
        return false;
    }

    static std::string whyNotMovable(const Finding& f) {
        if (f.event.time <= 0) return "no earlier tick (tick 0)";
        auto modeMessage = [](const EventPlace& p) {
            return p.event && p.event->kind() == kindControl &&
                   static_cast<const ControlChangeEvent*>(p.event)->controller() >= 120;
        };
        if (modeMessage(f.event) || std::any_of(f.related.begin(), f.related.end(), modeMessage))
            return "a channel mode message stays where it is";
        return "no earlier free tick";
    }

    midiSong& song_;
    std::string why_;
    std::vector<bool> opened_, changed_, moved_;
    std::unordered_map<const anyEvent*, std::pair<int, int>> elsewhere_;
};

}  // namespace

std::vector<bool> correctFindings(midiSong& song, const CheckReport& report, const std::vector<bool>& ticked,
                                  std::vector<std::string>* reasons) {
    std::vector<bool> corrected(report.size(), false);
    if (reasons) reasons->assign(report.size(), std::string());
    Corrector corrector(song);
    corrector.prepare(report, ticked);
    for (size_t i = 0; i < report.size(); ++i) {
        if (i < ticked.size() && ticked[i]) corrected[i] = corrector.correct(report[i]);
        if (reasons && i < ticked.size() && ticked[i] && !corrected[i]) (*reasons)[i] = corrector.why();
    }
    corrector.finish();
    return corrected;
}

}  // namespace tonvela
