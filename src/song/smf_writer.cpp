// Standard MIDI File writing. Encoding never touches the song: note offs are generated on the
// fly from the durations, and what a save changes in the song (cleared journals, re-paired
// overlapping notes) is applied only after the bytes are safely written.

#include <algorithm>
#include <queue>

#include "song/pairing.h"
#include "song/song.h"
#include "song/system_flags.h"

namespace tonvela {

namespace {

// Writes one track chunk from events given in (time, serial) order.
class ChunkWriter {
public:
    ChunkWriter(ByteWriter& out, NotePairing& repair) : out_(out), repair_(repair) {
        out_.put(reinterpret_cast<const uint8_t*>("MTrk"), 4);
        lengthAt_ = out_.size();
        out_.putBE32(0);
    }

    // `ordered`: the event comes from a list believed to be in order; a later event that sorts
    // before its predecessor is noted in disorder().
    void event(const anyEvent* e, bool ordered = true) {
        if (ordered) {
            if (prev_ && eventLess(e, prev_)) disorder_ = true;
            prev_ = e;
        }
        const uint8_t st = e->status;
        if (st == 0) return;
        flushOffsUpTo(e->time);
        bool offWritten = false;
        if ((st & 0xF0) == 0x90) {
            auto* n = static_cast<const NoteOnEvent*>(e);
            // A note of duration 0 while an earlier note of its key still sounds: any note off
            // here ends that earlier note when the file is read, so it goes where a save of the
            // reloaded song puts it, before this note.
            if (n->velocity() != 0 && n->duration() <= 0 && repair_.waiting(st & 0x0F, n->note())) {
                off(n->time, st, static_cast<uint8_t>(n->note()));
                offWritten = true;
            }
        }
        put(e->time, st);
        // Channel messages are written here directly: they are nearly every event of a song.
        switch (st & 0xF0) {
        case 0x90: {
            auto* n = static_cast<const NoteOnEvent*>(e);
            out_.put(n->note() & 0x7F);
            out_.put(n->velocity() & 0x7F);
            if (n->velocity() != 0) noteStarted(n, offWritten);
            break;
        }
        case 0x80:
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

    void noteStarted(const NoteOnEvent* n, bool offWritten) {
        const uint8_t key = static_cast<uint8_t>(n->note());
        repair_.noteOn(const_cast<NoteOnEvent*>(n));
        if (offWritten) return;
        // A note off at its own note's tick follows the note directly; every other note
        // off goes ahead of the events of its tick.
        if (n->duration() <= 0)
            off(n->time, n->status, key);
        else
            pending_.push({static_cast<int64_t>(n->time) + n->duration(), seq_++, n->status,
                           static_cast<uint8_t>(n->note())});
    }

    bool disorder() const { return disorder_; }

    // Finishes the chunk; returns the time of the last note off written (or -1).
    int32_t finish() {
        flushOffsUpTo(INT64_MAX);
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
        uint64_t seq;
        uint8_t status;
        uint8_t key;
        // Note offs of one tick go by channel and key, not by the note they were made for: a
        // reload may pair them with other notes of the key, and the bytes must not depend on that.
        bool operator>(const PendingOff& o) const {
            if (time != o.time) return time > o.time;
            if (status != o.status) return status > o.status;
            if (key != o.key) return key > o.key;
            return seq > o.seq;
        }
    };

    void flushOffsUpTo(int64_t time) {
        while (!pending_.empty() && pending_.top().time <= time) {
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

    void put(int32_t time, uint8_t status) {
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
    size_t lengthAt_;
    int32_t lastTime_ = 0;
    uint8_t lastStatus_ = 0;
    int32_t lastOff_ = -1;
    uint64_t seq_ = 0;
    const anyEvent* prev_ = nullptr;
    bool disorder_ = false;
    std::priority_queue<PendingOff, std::vector<PendingOff>, std::greater<PendingOff>> pending_;
};

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
    bytes.reserve(bytes.size() + 64 + totalEvents * 4);

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

    std::vector<anyEvent*> scratch;
    if (format1) {
        for (size_t i = 0; i < tracks.size(); ++i) {
            midiTrack& t = *tracks[i];
            NotePairing repair;
            repair.deferTo(&result.durations);
            ChunkWriter chunk(out, repair);
            if (i == 0)
                for (const anyEvent* p : presets) chunk.event(p, false);
            bool sorted;
            for (const anyEvent* e : orderedEvents(t, scratch, sorted, trustOrder))
                if (e) chunk.event(e);
            if (chunk.disorder()) result.disorder = true;
            int32_t lastOff = chunk.finish();
            repair.finish(t.endTime);
            result.written.push_back(&t);
            if (!sorted) result.toSort.push_back(&t);
            if (lastOff > t.endTime) result.endTimes.emplace_back(&t, lastOff);
        }
        return result;
    }

    // Format 0: one chunk with the events of every track in (time, serial) order; only the
    // first track keeps its name event.
    NotePairing repair;
    repair.deferTo(&result.durations);
    ChunkWriter chunk(out, repair);
    for (const anyEvent* p : presets) chunk.event(p, false);
    std::vector<std::vector<anyEvent*>> copies(tracks.size());
    std::vector<const std::vector<anyEvent*>*> lists;
    for (size_t i = 0; i < tracks.size(); ++i) {
        bool sorted;
        const auto& l = orderedEvents(*tracks[i], copies[i], sorted, trustOrder);
        lists.push_back(&l);
        result.written.push_back(tracks[i].get());
    }
    // The merge compares keys cached in the heads, touching each event once.
    struct Head {
        int32_t time;
        uint32_t serial;
        const anyEvent* e;
        uint32_t track;
        uint32_t index;
    };
    auto later = [](const Head& a, const Head& b) {
        return a.time != b.time ? a.time > b.time : a.serial > b.serial;
    };
    std::vector<Head> heap;
    heap.reserve(lists.size());
    auto advance = [&](size_t track, size_t index) {
        const auto& l = *lists[track];
        while (index < l.size()) {
            const anyEvent* e = l[index];
            if (e && !(track != 0 && e->kind() == kindTrackName)) {
                heap.push_back({e->time, e->serial, e, static_cast<uint32_t>(track), static_cast<uint32_t>(index)});
                std::push_heap(heap.begin(), heap.end(), later);
                return;
            }
            ++index;
        }
    };
    for (size_t i = 0; i < lists.size(); ++i) advance(i, 0);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Head h = heap.back();
        heap.pop_back();
        chunk.event(h.e);
        advance(h.track, h.index + 1);
    }
    if (chunk.disorder()) result.disorder = true;
    chunk.finish();
    repair.finish(0);
    return result;
}

// Events parked by journaled removals are released with the journal; the song's own lists
// must not keep pointing at them. Sorts the parked list in place (no allocation).
void midiSong::forgetParked(midiTrack& t) noexcept {
    std::vector<anyEvent*>& parked = t.removedEvents;
    if (parked.empty()) return;
    std::sort(parked.begin(), parked.end());
    auto gone = [&parked](const anyEvent* e) { return std::binary_search(parked.begin(), parked.end(), e); };
    std::erase_if(timeSignatures, gone);
    std::erase_if(keySignatures, gone);
    std::erase_if(sysexEvents, gone);
    if (gone(songCopyright)) songCopyright = nullptr;
    if (gone(tuneEvent)) tuneEvent = nullptr;
    if (gone(t.nameEvent)) t.nameEvent = nullptr;
}

void midiSong::commitWrite(WriteResult& result) noexcept {
    for (auto& [note, duration] : result.durations) note->setDuration(duration);
    for (midiTrack* t : result.written) {
        forgetParked(*t);
        t->journal.clear();
        for (anyEvent* e : t->removedEvents) t->releaseRef(e);
        t->removedEvents.clear();
    }
    for (midiTrack* t : result.toSort) {
        t->pack();
        std::sort(t->events_.begin(), t->events_.end(), eventLess);
        t->maybeUnsorted_ = false;
    }
    for (auto& [t, end] : result.endTimes) t->endTime = std::max(t->endTime, end);
}

}  // namespace tonvela
