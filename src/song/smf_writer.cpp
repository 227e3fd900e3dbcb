// Standard MIDI File writing. Encoding never touches the song: note offs are generated on the
// fly from the durations, and what a save changes in the song (cleared journals, re-paired
// overlapping notes) is applied only after the bytes are safely written.

#include <algorithm>
#include <queue>

#include "song/pairing.h"
#include "song/position_cursor.h"
#include "song/song.h"
#include "song/system_flags.h"

namespace tonvela {

namespace {

// Writes one track chunk from events given in (time, serial) order.
//
// Where the note offs go decides how a reader pairs them with the notes (each note off ends
// the oldest sounding note of its channel and key), so they are placed by a rule that depends
// only on what a reload keeps: the order of the other events and, per channel and key, the
// ticks at which note offs fall, never on which note an off was made for. At each tick, as
// many of the tick's note offs as there are notes of their key still sounding go first, before
// the events of the tick; each one left over (a note of its tick that ends there) follows the
// next note on of its key in the tick. Saving the reloaded song therefore gives the same bytes.
class ChunkWriter {
public:
    // `signatures` collects the time signatures in the order they are written.
    ChunkWriter(ByteWriter& out, NotePairing& repair, std::vector<timeBeatEvent*>& signatures)
        : out_(out), repair_(repair), signatures_(signatures) {
        out_.put(reinterpret_cast<const uint8_t*>("MTrk"), 4);
        lengthAt_ = out_.size();
        out_.putBE32(0);
    }

    // `ordered`: the event comes from a list believed to be in order; a later event that sorts
    // before its predecessor is noted in disorder().
    void event(const anyEvent* e, bool ordered = true) {
        if (ordered) {
            if (prev_ && (e->time < prev_->time ||
                          (e->time == prev_->time && e->serial <= prev_->serial && eventLess(e, prev_))))
                disorder_ = true;
            prev_ = e;
        }
        if (e->status == 0) return;
        if (!tick_.empty() && e->time != tickTime_) flushTick();
        tickTime_ = e->time;
        lastWritten_ = false;
        tick_.push_back(e);
        if (soundingNote(e) && static_cast<const NoteOnEvent*>(e)->duration() <= 0) tickHasNoteOfNoLength_ = true;
    }

    // All events of a list believed to be in order. Ticks without a note of no length (nearly
    // all) are written straight from the list.
    void events(const std::vector<anyEvent*>& list) {
        const size_t n = list.size();
        size_t i = 0;
        while (i < n) {
            if (!list[i]) {
                ++i;
                continue;
            }
            const int32_t t = list[i]->time;
            size_t j = i;
            bool noLength = false;
            for (; j < n && (!list[j] || list[j]->time == t); ++j)
                if (list[j] && soundingNote(list[j]) && static_cast<const NoteOnEvent*>(list[j])->duration() <= 0)
                    noLength = true;
            if (noLength || !tick_.empty() || (t == tickTime_ && lastWritten_)) {
                for (size_t k = i; k < j; ++k)
                    if (list[k]) event(list[k]);
                i = j;
                continue;
            }
            flushOffsBefore(static_cast<int64_t>(t) + 1);
            for (size_t k = i; k < j; ++k) {
                const anyEvent* e = list[k];
                if (!e) continue;
                if (prev_ && (e->time < prev_->time ||
                              (e->time == prev_->time && e->serial <= prev_->serial && eventLess(e, prev_))))
                    disorder_ = true;
                prev_ = e;
                if (e->status == 0) continue;
                write(e);
                if (soundingNote(e)) started(static_cast<const NoteOnEvent*>(e), t);
            }
            tickTime_ = t;
            lastWritten_ = true;
            i = j;
        }
    }

    bool disorder() const { return disorder_; }
    int32_t lastTime() const { return lastTime_; }  // where the end of track lies once finished

    // Finishes the chunk; returns the time of the last note off written (or -1).
    int32_t finish() {
        if (!tick_.empty()) flushTick();
        flushOffsBefore(INT64_MAX);
        put(lastTime_, 0xFF);
        out_.put(0x2F);
        out_.put(0x00);
        auto& bytes = out_.bytes();
        uint32_t length = static_cast<uint32_t>(bytes.size() - lengthAt_ - 4);
        bytes[lengthAt_] = static_cast<uint8_t>(length >> 24);
        bytes[lengthAt_ + 1] = static_cast<uint8_t>(length >> 16);
        bytes[lengthAt_ + 2] = static_cast<uint8_t>(length >> 8);
        bytes[lengthAt_ + 3] = static_cast<uint8_t>(length);
        return lastOff_;
    }

private:
    struct PendingOff {
        int64_t time;
        uint8_t status;
        uint8_t key;
        bool operator>(const PendingOff& o) const {
            if (time != o.time) return time > o.time;
            if (status != o.status) return status > o.status;
            return key > o.key;
        }
    };

    static int queueOf(uint8_t status, uint8_t key) { return (status & 0x0F) * 128 + (key & 0x7F); }
    static bool soundingNote(const anyEvent* e) {
        return (e->status & 0xF0) == 0x90 && static_cast<const NoteOnEvent*>(e)->velocity() != 0;
    }

    void flushTick() {
        const int32_t t = tickTime_;
        if (!tickHasNoteOfNoLength_) {
            // Nearly every tick: its note offs all end notes that are still sounding, so
            // they all go first.
            flushOffsBefore(static_cast<int64_t>(t) + 1);
            for (const anyEvent* e : tick_) {
                write(e);
                if (soundingNote(e)) started(static_cast<const NoteOnEvent*>(e), t);
            }
            tick_.clear();
            return;
        }
        tickHasNoteOfNoLength_ = false;
        flushOffsBefore(t);
        // The note offs of this tick per channel and key: those of notes that began earlier
        // and those of the tick's own notes of no length.
        touched_.clear();
        auto count = [this](int q) {
            if (offs_[q]++ == 0) touched_.push_back(q);
        };
        while (!pending_.empty() && pending_.top().time == t) {
            count(queueOf(pending_.top().status, pending_.top().key));
            pending_.pop();
        }
        for (const anyEvent* e : tick_)
            if (soundingNote(e) && static_cast<const NoteOnEvent*>(e)->duration() <= 0)
                count(queueOf(e->status, static_cast<const NoteOnEvent*>(e)->note()));
        if (touched_.size() > 1) std::sort(touched_.begin(), touched_.end());
        for (int q : touched_) {
            const int32_t first = std::min(offs_[q], repair_.waiting(q >> 7, q & 0x7F));
            for (int32_t i = 0; i < first; ++i) off(t, static_cast<uint8_t>(0x90 | (q >> 7)), static_cast<uint8_t>(q & 0x7F));
            offs_[q] -= first;
        }
        for (const anyEvent* e : tick_) {
            write(e);
            if (!soundingNote(e)) continue;
            auto* n = static_cast<const NoteOnEvent*>(e);
            const int q = queueOf(n->status, static_cast<uint8_t>(n->note()));
            if (offs_[q] > 0) {
                repair_.noteOn(const_cast<NoteOnEvent*>(n));
                off(t, n->status, static_cast<uint8_t>(n->note()));
                --offs_[q];
                if (n->duration() > 0) pending_.push({static_cast<int64_t>(t) + n->duration(), n->status, static_cast<uint8_t>(n->note())});
                continue;
            }
            started(n, t);
        }
        for (int q : touched_) {  // none is left unless a note of the tick was missing
            for (; offs_[q] > 0; --offs_[q]) off(t, static_cast<uint8_t>(0x90 | (q >> 7)), static_cast<uint8_t>(q & 0x7F));
        }
        tick_.clear();
    }

    // A note on written: the pairing sees it, and its note off waits for its time.
    [[gnu::always_inline]] void started(const NoteOnEvent* n, int32_t t) {
        repair_.noteOn(const_cast<NoteOnEvent*>(n));
        if (n->duration() > 0)
            pending_.push({static_cast<int64_t>(t) + n->duration(), n->status, static_cast<uint8_t>(n->note())});
    }

    [[gnu::always_inline]] void write(const anyEvent* e) {
        const uint8_t st = e->status;
        put(e->time, st);
        if (st == 0xFF && e->kind() == kindTimeSignature)
            signatures_.push_back(const_cast<timeBeatEvent*>(static_cast<const timeBeatEvent*>(e)));
        // Channel messages are written here directly: they are nearly every event of a song.
        switch (st & 0xF0) {
        case 0x80:
        case 0x90:
        case 0xA0: {
            auto* n = static_cast<const NoteOnEvent*>(e);
            out_.put(n->note() & 0x7F);
            out_.put(n->velocity() & 0x7F);
            break;
        }
        case 0xB0: {
            auto* c = static_cast<const ControlChangeEvent*>(e);
            out_.put(c->controller() & 0x7F);
            out_.put(c->value() & 0x7F);
            break;
        }
        case 0xC0: out_.put(static_cast<const ProgramChangeEvent*>(e)->program() & 0x7F); break;
        case 0xD0: out_.put(static_cast<const ChannelAfterTouchEvent*>(e)->pressure() & 0x7F); break;
        case 0xE0: {
            int raw = static_cast<const PitchBendEvent*>(e)->rawBend();
            out_.put(raw & 0x7F);
            out_.put((raw >> 7) & 0x7F);
            break;
        }
        default: e->writeData(out_); break;
        }
    }

    void flushOffsBefore(int64_t time) {
        while (!pending_.empty() && pending_.top().time < time) {
            PendingOff p = pending_.top();
            pending_.pop();
            off(static_cast<int32_t>(std::min<int64_t>(p.time, INT32_MAX)), p.status, p.key);
        }
    }

    void off(int32_t time, uint8_t status, uint8_t key) {
        put(time, status);
        out_.put(key & 0x7F);
        out_.put(0);
        repair_.noteOff(status & 0x0F, key, time);
        lastOff_ = time;
    }

    [[gnu::always_inline]] void put(int32_t time, uint8_t status) {
        // A reader accepts no time beyond this, so such a file could not be opened again.
        if (time > 0x0FFFFFFF)
            throw MidiError("Dooh! Save failed. '.mid' file may be broken.",
                            "an event lies beyond tick 268435455, the last one a file can hold");
        int64_t delta = static_cast<int64_t>(time) - lastTime_;
        if (delta > 0x0FFFFFFF)
            throw MidiError("Dooh! Save failed. '.mid' file may be broken.",
                            "two events are further apart than a delta time can express");
        out_.putVarLen(static_cast<uint32_t>(delta));
        lastTime_ = time;
        if (status != lastStatus_ || status >= 0xF0) {
            out_.put(status);
            lastStatus_ = status;
        }
    }

    ByteWriter& out_;
    NotePairing& repair_;
    std::vector<timeBeatEvent*>& signatures_;
    size_t lengthAt_;
    int32_t lastTime_ = 0;
    uint8_t lastStatus_ = 0;
    int32_t lastOff_ = -1;
    const anyEvent* prev_ = nullptr;
    bool disorder_ = false;
    int32_t tickTime_ = 0;
    bool tickHasNoteOfNoLength_ = false;
    bool lastWritten_ = false;  // the events of tickTime_ went straight out (events())
    std::vector<const anyEvent*> tick_;  // the events of the tick being gathered
    std::vector<int> touched_;
    int32_t offs_[16 * 128] = {};        // note offs of the tick still to place, per channel and key
    std::priority_queue<PendingOff, std::vector<PendingOff>, std::greater<PendingOff>> pending_;
};

// A load refuses a song of more bars than kMaxBars (a broken file, not a song): refuse to write
// one, as the load of the file will build its bar table, from the time signatures in the order
// they were written, up to the last end of track.
void checkBars(std::vector<timeBeatEvent*>& signatures, int32_t songEnd, uint16_t timeBase);

// The sort key of an event as one number: time (signed), then serial.
inline uint64_t orderKey(const anyEvent* e) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(e->time) ^ 0x80000000u) << 32) | e->serial;
}

// The events of a track in (time, serial) order: the list itself when it is in order,
// otherwise a sorted copy of the references.
// With `trust`, a track whose order is not known to be broken is taken as it is (the writer
// notices if it was wrong).
const std::vector<anyEvent*>& orderedEvents(const midiTrack& t, std::vector<anyEvent*>& scratch, bool& wasSorted,
                                            bool trust) {
    wasSorted = (trust && t.orderKnown()) || t.isSorted();
    if (wasSorted) return t.events();
    scratch.clear();
    for (anyEvent* e : t.events())
        if (e) scratch.push_back(e);
    std::stable_sort(scratch.begin(), scratch.end(), eventLess);
    return scratch;
}

void checkBars(std::vector<timeBeatEvent*>& signatures, int32_t songEnd, uint16_t timeBase) {
    std::stable_sort(signatures.begin(), signatures.end(),
                     [](const anyEvent* a, const anyEvent* b) { return a->time < b->time; });
    uint64_t bars = 1;
    forEachBarRun(signatures, timeBase, songEnd, [&](int64_t start, int64_t length, int64_t count) {
        bars += static_cast<uint64_t>(count);
        if (start + count * length > INT32_MAX || bars > kMaxBars)
            throw MidiError("Dooh! Save failed. '.mid' file may be broken.",
                            "the song would have more than " + std::to_string(kMaxBars) + " bars");
    });
}

}  // namespace

midiSong::WriteResult midiSong::encode(std::vector<uint8_t>& bytes, bool oneChunkPerTrack) const {
    size_t start = bytes.size();
    WriteResult result = encodeWith(bytes, true, oneChunkPerTrack);
    if (!result.disorder) return result;
    bytes.resize(start);
    return encodeWith(bytes, false, oneChunkPerTrack);
}

midiSong::WriteResult midiSong::encodeWith(std::vector<uint8_t>& bytes, bool trustOrder, bool oneChunkPerTrack) const {
    const bool format1 = format != 0 || oneChunkPerTrack;
    WriteResult result;
    ByteWriter out(bytes);
    size_t totalEvents = 0;
    for (const auto& t : tracks) totalEvents += t->events().size();
    // Room for the whole file at once, so that the bytes are never copied to a larger buffer:
    // a note is two messages of at most seven bytes. Room not written costs address space only.
    const size_t room = 64 + 16 * tracks.size() + totalEvents * 14;
    bytes.reserve(bytes.size() + room);
    adviseHugePages(bytes.data() + bytes.size(), room);

    out.put(reinterpret_cast<const uint8_t*>("MThd"), 4);
    out.putBE32(6);
    out.putBE16(format1 ? 1 : 0);
    out.putBE16(static_cast<uint16_t>(format1 ? tracks.size() : 1));
    out.putBE16(timeBase);

    std::vector<const anyEvent*> presets;
    if (carriesGmOn(systemFlags)) presets.push_back(&gmOnEvent);
    if (systemMode(systemFlags) == SystemMode::gs)
        presets.push_back(&gsResetEvent);
    else if (systemMode(systemFlags) == SystemMode::xg)
        presets.push_back(&xgOnEvent);

    std::vector<timeBeatEvent*> signatures;
    int32_t end = 0;
    std::vector<anyEvent*> scratch;
    if (format1) {
        for (size_t i = 0; i < tracks.size(); ++i) {
            midiTrack& t = *tracks[i];
            NotePairing repair;
            repair.deferTo(&result.durations);
            ChunkWriter chunk(out, repair, signatures);
            if (i == 0)
                for (const anyEvent* p : presets) chunk.event(p, false);
            bool sorted;
            chunk.events(orderedEvents(t, scratch, sorted, trustOrder));
            if (chunk.disorder()) result.disorder = true;
            int32_t lastOff = chunk.finish();
            end = std::max(end, chunk.lastTime());
            repair.finish(t.endTime);
            result.written.push_back(&t);
            if (!sorted) result.toSort.push_back(&t);
            if (lastOff > t.endTime) result.endTimes.emplace_back(&t, lastOff);
        }
        checkBars(signatures, end, timeBase);
        return result;
    }

    // Format 0: one chunk with the events of every track in (time, serial) order; only the
    // first track keeps its name event.
    NotePairing repair;
    repair.deferTo(&result.durations);
    ChunkWriter chunk(out, repair, signatures);
    for (const anyEvent* p : presets) chunk.event(p, false);
    std::vector<std::vector<anyEvent*>> copies(tracks.size());
    std::vector<const std::vector<anyEvent*>*> lists;
    for (size_t i = 0; i < tracks.size(); ++i) {
        bool sorted;
        const auto& l = orderedEvents(*tracks[i], copies[i], sorted, trustOrder);
        lists.push_back(&l);
        result.written.push_back(tracks[i].get());
    }
    // A tournament of losers over the tracks: each event costs one comparison per level, of
    // keys cached in the tree, and touches the event itself once.
    const size_t k = lists.size();
    size_t leaves = 1;
    while (leaves < k) leaves <<= 1;
    constexpr uint64_t kDone = UINT64_MAX;
    std::vector<uint64_t> key(leaves, kDone);
    std::vector<size_t> at(leaves, 0);
    std::vector<uint32_t> loser(leaves, 0);
    auto skip = [](size_t track, const anyEvent* e) {
        return !e || (track != 0 && e->status == 0xFF && static_cast<const metaEvent*>(e)->metaType == 0x03 &&
                      e->kind() == kindTrackName);
    };
    auto settle = [&](size_t leaf) {  // the key of the leaf's next event to write
        const auto& l = *lists[leaf];
        size_t i = at[leaf];
        while (i < l.size() && skip(leaf, l[i])) ++i;
        at[leaf] = i;
        key[leaf] = i < l.size() ? orderKey(l[i]) : kDone;
    };
    for (size_t i = 0; i < k; ++i) settle(i);
    // Leaf w beats leaf l when its key is smaller (ties go to the earlier track).
    auto beats = [&](uint32_t w, uint32_t l) { return key[w] < key[l] || (key[w] == key[l] && w < l); };
    std::vector<uint32_t> winner(2 * leaves);
    for (size_t i = 0; i < leaves; ++i) winner[leaves + i] = static_cast<uint32_t>(i);
    for (size_t node = leaves - 1; node >= 1; --node) {
        uint32_t a = winner[2 * node], b = winner[2 * node + 1];
        winner[node] = beats(a, b) ? a : b;
        loser[node] = beats(a, b) ? b : a;
    }
    uint32_t top = winner[1];
    while (key[top] != kDone) {
        chunk.event((*lists[top])[at[top]]);
        ++at[top];
        settle(top);
        uint32_t w = top;
        for (size_t node = (leaves + w) / 2; node >= 1; node /= 2)
            if (beats(loser[node], w)) std::swap(loser[node], w);
        top = w;
    }
    if (chunk.disorder()) result.disorder = true;
    chunk.finish();
    repair.finish(0);
    checkBars(signatures, chunk.lastTime(), timeBase);
    return result;
}

void midiSong::commitWrite(WriteResult& result) noexcept {
    for (auto& [note, duration] : result.durations) note->setDuration(duration);
    for (midiTrack* t : result.written) t->clearHistory();
    for (midiTrack* t : result.toSort) {
        t->pack();
        std::sort(t->events_.begin(), t->events_.end(), eventLess);
        ++t->layout_;
        t->maybeUnsorted_ = false;
    }
    for (auto& [t, end] : result.endTimes) t->endTime = std::max(t->endTime, end);
}

}  // namespace tonvela
