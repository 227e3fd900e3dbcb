#include "song/track.h"

#include <algorithm>
#include <cstdio>

#include "song/pairing.h"
#include "song/song.h"

namespace tonvela {

namespace {

bool isSoundingNote(const anyEvent* e) { return e && e->kind() == kindNote; }

// Channel messages carry their number in the low bits; meta and sysex have none.
inline bool sameChannelKey(const anyEvent* e, const NoteOnEvent* n) {
    return (e->status & 0x0F) == (n->status & 0x0F) &&
           static_cast<const NoteOnEvent*>(e)->note() == n->note();
}

}  // namespace

std::string eventHandle(const anyEvent* e) { return std::to_string(e->serial); }

midiTrack::midiTrack(midiSong* s, int idx, const std::string& n) : song(s), index(idx) {
    name = n.empty() ? "Track" + std::to_string(idx) : n;
}

midiTrack::~midiTrack() {
    clear();
    clearHistory();
}

int midiTrack::countEvents() const {
    return static_cast<int>(events_.size()) - holes_;
}

void midiTrack::releaseRef(anyEvent* e) {
    if (!e) return;
    if (song && song->isPreset(e)) return;  // the song's preset messages are never freed
    if (--e->refCount <= 0) delete e;
}

void midiTrack::noteAdded(anyEvent* e) {
    if (e->kind() == kindNote) {
        auto* n = static_cast<NoteOnEvent*>(e);
        int64_t end = static_cast<int64_t>(n->time) + n->duration();
        if (end > endTime) endTime = static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
        if (firstNoteTime == -1 || n->time < firstNoteTime) firstNoteTime = n->time;
    }
    if (e->status < 0xF0) channels.set(e->status & 0x0F);
}

void midiTrack::entered(anyEvent* e) {
    if (e->status < 0xF0) return;
    if (e->kind() == kindTrackName) {
        auto* n = static_cast<trackNameEvent*>(e);
        auto at = std::upper_bound(names_.begin(), names_.end(), n,
                                   [](const anyEvent* a, const anyEvent* b) { return a->serial < b->serial; });
        names_.insert(at, n);
        nameEvent = names_.back();
    }
    if (song && midiSong::listedKind(e) && song->ownsTrack(this)) song->eventEntered(e);
}

void midiTrack::left(anyEvent* e) {
    if (e->status < 0xF0) return;
    if (e->kind() == kindTrackName) {
        auto it = std::find(names_.begin(), names_.end(), e);
        if (it != names_.end()) names_.erase(it);
        nameEvent = names_.empty() ? nullptr : names_.back();
    }
    if (song && midiSong::listedKind(e) && song->ownsTrack(this)) song->eventLeft(e);
}

void midiTrack::timeChanged(anyEvent* e) {
    if (e->status == 0xFF && song && midiSong::listedKind(e) && song->ownsTrack(this)) song->signatureMoved(e);
}

int midiTrack::insertionPoint(int32_t time) const {
    if (holes_ == 0 && !maybeUnsorted_) {
        auto it = std::upper_bound(events_.begin(), events_.end(), time,
                                   [](int32_t t, const anyEvent* e) { return t < e->time; });
        return static_cast<int>(it - events_.begin());
    }
    // Holes or unknown order: the plain scan, which stops at the first later event.
    for (size_t i = 0; i < events_.size(); ++i)
        if (events_[i] && events_[i]->time > time) return static_cast<int>(i);
    return static_cast<int>(events_.size());
}

void midiTrack::addRef(anyEvent* e) {
    // The song's preset messages are counted as never freed; their count must not overflow.
    if (!(song && song->isPreset(e))) ++e->refCount;
}

int midiTrack::addEvent(anyEvent* e, bool sorted, bool journal) {
    addRef(e);
    if (journal) {
        writeJournal('+', e, 0);
        undoSide_.positions.push_back({e->bar, e->beat, e->tick});  // an undo gives it back
    }
    if (song) song->computePosition(e);
    noteAdded(e);
    ++layout_;
    int pos;
    if (sorted) {
        pos = insertionPoint(e->time);
        events_.insert(events_.begin() + pos, e);
    } else {
        if (!events_.empty() && events_.back() && eventLess(e, events_.back())) maybeUnsorted_ = true;
        events_.push_back(e);
        pos = static_cast<int>(events_.size()) - 1;
    }
    entered(e);
    return pos;
}

void midiTrack::addEvents(std::span<anyEvent* const> added, bool journal) {
    if (added.empty()) return;
    // Every allocation first: running out of memory here leaves the track as it was and the
    // events with the caller.
    std::vector<anyEvent*> batch(added.begin(), added.end());
    std::vector<anyEvent*> merged;
    merged.reserve(events_.size() + batch.size());
    if (journal) {  // room for the lines, growing as push_back would
        auto makeRoom = [n = added.size()](auto& v) {
            if (v.capacity() < v.size() + n) v.reserve(std::max(v.size() + n, 2 * v.capacity()));
        };
        makeRoom(this->journal);
        makeRoom(undoSide_.positions);
    }
    for (anyEvent* e : batch) {
        addRef(e);
        if (journal) {
            writeJournal('+', e, 0);
            undoSide_.positions.push_back({e->bar, e->beat, e->tick});
        }
        noteAdded(e);
    }
    // One addEvent puts its event before the first event whose time is greater. In a list that
    // may be out of order that is the first event whose running maximum time is greater, and
    // inserting never changes the running maximum of the events after it; so all additions
    // become one merge against the running maximum, whatever the order of the list.
    std::stable_sort(batch.begin(), batch.end(),
                     [](const anyEvent* a, const anyEvent* b) { return a->time < b->time; });
    if (song) song->computePositions(batch);
    size_t j = 0;
    int64_t runningMax = INT64_MIN;
    for (anyEvent* e : events_) {
        if (e) runningMax = std::max<int64_t>(runningMax, e->time);
        while (j < batch.size() && batch[j]->time < runningMax) merged.push_back(batch[j++]);
        merged.push_back(e);
    }
    while (j < batch.size()) merged.push_back(batch[j++]);
    events_.swap(merged);
    ++layout_;
    for (anyEvent* e : batch) entered(e);
    // Time order holds, but an older event put back after newer ones at its tick breaks the
    // creation order within the tick.
    maybeUnsorted_ = true;
}

void midiTrack::appendEvent(anyEvent* e) {
    addRef(e);
    if (!events_.empty() && events_.back() && eventLess(e, events_.back())) maybeUnsorted_ = true;
    events_.push_back(e);
    ++layout_;
    entered(e);
}

void midiTrack::insertEventAt(int position, anyEvent* e) {
    addRef(e);
    maybeUnsorted_ = true;
    events_.insert(events_.begin() + position, e);
    ++layout_;
    entered(e);
}

void midiTrack::deleteEventAt(int position) {
    anyEvent*& slot = events_[static_cast<size_t>(position)];
    if (!slot) return;
    anyEvent* e = slot;
    // An edit the journal does not see: lines naming the event must not act on it later, and
    // what was to go back after it goes back after the event before it.
    if (!journal.empty() || !redoLines_.empty() || mark_.active) {
        int q = position - 1;
        while (q >= 0 && !events_[static_cast<size_t>(q)]) --q;
        forget(e, q < 0 ? -1 : static_cast<int64_t>(events_[static_cast<size_t>(q)]->serial));
    }
    slot = nullptr;
    ++holes_;
    ++layout_;
    left(e);
    releaseRef(e);
}

void midiTrack::pack() {
    if (holes_ == 0) return;
    events_.erase(std::remove(events_.begin(), events_.end(), nullptr), events_.end());
    holes_ = 0;
    ++layout_;
}

bool midiTrack::isSorted() const {
    const anyEvent* prev = nullptr;
    for (const anyEvent* e : events_) {
        if (!e) continue;
        if (prev && eventLess(e, prev)) return false;
        prev = e;
    }
    return true;
}

void midiTrack::sortEvents() {
    pack();
    if (maybeUnsorted_ && !isSorted()) {
        if (journal.empty() && !mark_.active) {
            std::stable_sort(events_.begin(), events_.end(), eventLess);
            ++layout_;
        } else {
            sortJournaled();
        }
    }
    maybeUnsorted_ = false;
}

int midiTrack::positionOf(const anyEvent* e) const {
    for (size_t i = 0; i < events_.size(); ++i)
        if (events_[i] == e) return static_cast<int>(i);
    return -1;
}

void midiTrack::clear() {
    const bool listed = song && song->ownsTrack(this);
    for (anyEvent* e : events_) {
        if (!e) continue;
        if (listed && e->status >= 0xF0 && midiSong::listedKind(e)) song->eventLeft(e);
        releaseRef(e);
    }
    events_.clear();
    names_.clear();
    nameEvent = nullptr;
    holes_ = 0;
    maybeUnsorted_ = false;
    ++layout_;
}

void midiTrack::updatePosition(anyEvent* e) {
    if (e->time < 0) e->time = 0;
    if (e->time > endTime) endTime = e->time;
    if (e->kind() == kindNote) noteAdded(e);
    if (song) song->computePosition(e);
    maybeUnsorted_ = true;
    timeChanged(e);
}

// ---- note pairing -----------------------------------------------------------------------------

void midiTrack::pairNotes() {
    if (paired) return;
    NotePairing pairing;
    for (anyEvent* e : events_) {
        if (!e) {
            pairing.skip();
            continue;
        }
        int k = e->kind();
        if (k == kindNote)
            pairing.noteOn(static_cast<NoteOnEvent*>(e));
        else if (k == kindNoteOff)
            pairing.noteOff(e->status & 0x0F, static_cast<NoteOnEvent*>(e)->note(), e->time);
        else if (k == kindControl)
            pairing.controller(e->status & 0x0F, static_cast<ControlChangeEvent*>(e)->controller(), e->time);
        else
            pairing.skip();
    }
    pairing.finish(endTime);
    for (anyEvent*& e : events_) {
        if (!e) continue;
        if ((song && song->isPreset(e)) || e->kind() == kindNoteOff) {
            releaseRef(e);
            e = nullptr;
            ++holes_;
        }
    }
    pack();
    ++layout_;
    paired = true;
}

void midiTrack::splitNotes() {
    if (!paired) return;
    pack();
    std::vector<anyEvent*> offs;
    for (anyEvent* e : events_) {
        if (e->kind() != kindNote) continue;
        auto* n = static_cast<NoteOnEvent*>(e);
        int64_t offTime = static_cast<int64_t>(n->time) + std::max<int32_t>(n->duration(), 0);
        auto* off = new NoteOnEvent(static_cast<int32_t>(std::min<int64_t>(offTime, INT32_MAX)), n->status);
        off->setRawNote(static_cast<uint8_t>(n->note()));
        off->setRawVelocity(0);
        // A note off at its note's own tick must follow the note, or the note never sounds
        // and never ends; every other note off goes ahead of the events of its tick.
        off->serial = n->duration() <= 0 ? n->serial : 0;
        if (song) song->computePosition(off);
        offs.push_back(off);
        if (off->time > endTime) endTime = off->time;
    }
    for (anyEvent* off : offs) {
        ++off->refCount;
        events_.push_back(off);
    }
    std::stable_sort(events_.begin(), events_.end(), eventLess);
    ++layout_;
    maybeUnsorted_ = false;
    paired = false;
}

// ---- names and labels -------------------------------------------------------------------------

void midiTrack::setName(const std::string& text) {
    name = text;
    if (text.empty()) {
        if (nameEvent) {
            int pos = positionOf(nameEvent);
            if (pos >= 0) {
                deleteEventAt(pos);  // leaves nameEvent to an older name event, if any
                pack();
            } else {
                nameEvent = nullptr;
            }
        }
        return;
    }
    if (!nameEvent) addEvent(new trackNameEvent(0), true, false);  // becomes nameEvent
    nameEvent->setText(text);
}

int midiTrack::firstChannel() const {
    for (int c = 0; c < 16; ++c)
        if (channels.test(static_cast<size_t>(c))) return c;
    return 255;
}

void midiTrack::resetTrack() {
    clearHistory();
    clear();
    endTime = 0;
    firstNoteTime = 0;
    name.clear();
}

void midiTrack::makeChannelLabel() {
    std::string label = "[";
    int listed = 0;
    for (int c = 0; c < 16 && listed < 2; ++c) {
        if (!channels.test(static_cast<size_t>(c))) continue;
        if (listed) label += ",";
        label += std::to_string(c + 1);
        ++listed;
    }
    channelLabel = label + "]";
}

// ---- queries ------------------------------------------------------------------------------------

int midiTrack::findNoteOff(int from, const NoteOnEvent* note) const {
    for (int i = std::max(from, 0); i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (e && e->kind() == kindNoteOff && sameChannelKey(e, note)) return i;
    }
    return -1;
}

int midiTrack::findNextSameKey(int from, const NoteOnEvent* note) const {
    for (int i = std::max(from, 0); i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (isSoundingNote(e) && sameChannelKey(e, note)) return i;
    }
    return -1;
}

int midiTrack::findNextSameKeyAfter(const NoteOnEvent* note) const {
    int pos = positionOf(note);
    return pos < 0 ? -1 : findNextSameKey(pos + 1, note);
}

int midiTrack::findNextOnChannel(int from, const NoteOnEvent* note) const {
    for (int i = std::max(from, 0); i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (isSoundingNote(e) && (e->status & 0x0F) == (note->status & 0x0F)) return i;
    }
    return -1;
}

int midiTrack::findNextNoteFrom(int32_t time, const anyEvent* ev) const {
    int start = positionOf(ev);
    for (int i = std::max(start, 0); i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (isSoundingNote(e) && e != ev && e->time >= time) return i;
    }
    return -1;
}

int midiTrack::findPreviousNote(const NoteOnEvent* note) const {
    int pos = positionOf(note);
    if (pos >= 0) {
        for (int i = pos - 1; i >= 0; --i) {
            const anyEvent* e = events_[static_cast<size_t>(i)];
            if (isSoundingNote(e) && sameChannelKey(e, note)) return i;
        }
        return -1;
    }
    int found = -1;
    for (int i = 0; i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (!e) continue;
        if (e->time > note->time) break;
        if (isSoundingNote(e) && sameChannelKey(e, note)) found = i;
    }
    return found;
}

int midiTrack::findSustainPedal(int32_t fromTime, int32_t toTime) const {
    for (int i = 0; i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (e && e->kind() == kindControl && static_cast<const ControlChangeEvent*>(e)->controller() == 64 &&
            e->time >= fromTime && e->time <= toTime)
            return i;
    }
    return -1;
}

int midiTrack::findNextOfKind(int from, int kind) const {
    for (int i = std::max(from, 0); i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (e && e->status != 0 && e->kind() == kind) return i;
    }
    return -1;
}

int midiTrack::findNextOfKindAfter(const anyEvent* ev, int kind) const {
    int pos = positionOf(ev);
    return pos < 0 ? -1 : findNextOfKind(pos + 1, kind);
}

int midiTrack::findAllNotesOff(int from, int channel) const {
    for (int i = std::max(from, 0); i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (e && e->kind() == kindControl && (e->status & 0x0F) == channel) {
            int c = static_cast<const ControlChangeEvent*>(e)->controller();
            if (c == 120 || c == 123) return i;
        }
    }
    return -1;
}

int midiTrack::findKindInRange(int kind, int32_t fromTime, int32_t toTime, int startPosition) const {
    for (int i = std::max(startPosition, 0); i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (!e || e->time < fromTime) continue;
        if (e->time > toTime) continue;
        if (e->kind() == kind) return i;
    }
    return -1;
}

int midiTrack::controllerAt(int32_t time, int controller, int defaultValue) const {
    int value = defaultValue;
    for (const anyEvent* e : events_) {
        if (!e) continue;
        if (e->time > time) break;
        if (e->kind() == kindControl) {
            auto* c = static_cast<const ControlChangeEvent*>(e);
            if (c->controller() == controller) value = c->value();
        }
    }
    return value;
}

int midiTrack::programAt(int32_t time, int channel) const {
    int program = 0;
    for (const anyEvent* e : events_) {
        if (!e) continue;
        if (e->time > time) break;
        if (e->kind() == kindProgram && (channel == -1 || (e->status & 0x0F) == channel))
            program = static_cast<const ProgramChangeEvent*>(e)->program();
    }
    return program;
}

int midiTrack::bendAt(int32_t time) const {
    int bend = 0;
    for (const anyEvent* e : events_) {
        if (!e) continue;
        if (e->time > time) break;
        if (e->kind() == kindPitchBend) bend = static_cast<const PitchBendEvent*>(e)->bend();
    }
    return bend;
}

int midiTrack::bendRangeAt(int32_t time) const {
    int result = 2;
    uint16_t reg = 0xFFFF;
    int last = size() - 3;
    for (int i = 0; i < last; ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (!e) continue;
        if (e->time > time) break;
        if (e->kind() != kindControl) continue;
        auto* c = static_cast<const ControlChangeEvent*>(e);
        switch (c->controller()) {
        case 101: reg = static_cast<uint16_t>((reg & 0xFF00) | c->value()); break;
        case 100: reg = static_cast<uint16_t>((reg & 0x00FF) | (c->value() << 8)); break;
        case 6:
            if (reg == 0) result = c->value();
            break;
        default: break;
        }
    }
    return result;
}

uint32_t midiTrack::legatoInfo(int position) const {
    const anyEvent* ev = events_[static_cast<size_t>(position)];
    if (!isSoundingNote(ev)) return 0;
    auto* n = static_cast<const NoteOnEvent*>(ev);
    const NoteOnEvent* p = nullptr;
    for (int i = position - 1; i >= 0; --i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (isSoundingNote(e)) {
            p = static_cast<const NoteOnEvent*>(e);
            break;
        }
    }
    uint32_t r;
    if (p) {
        r = static_cast<uint32_t>((n->note() - p->note()) & 0xFF);
        int64_t pEnd = static_cast<int64_t>(p->time) + p->duration();
        if (n->time < pEnd) return r | 0x80000000u;
        int64_t rest = n->time - pEnd;
        int32_t tb = song ? song->timeBase : 480;
        if (rest >= tb * 3 / 2) r += 0x40000000u;
    } else {
        r = 0x40000000u;
    }
    for (int i = position + 1; i < size(); ++i) {
        const anyEvent* e = events_[static_cast<size_t>(i)];
        if (isSoundingNote(e)) {
            if (e->time < static_cast<int64_t>(n->time) + n->duration()) r |= 0x80000000u;
            break;
        }
    }
    return r;
}

}  // namespace tonvela
