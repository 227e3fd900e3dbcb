// Journaled track edits and undo. Each edit writes a text line holding the previous value
// before it changes the event; undo replays the lines of the newest step backwards.

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <unordered_map>

#include "song/song.h"
#include "song/track.h"

namespace tonvela {

namespace {

uint8_t dataByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 127)); }

// Splits "L,handle[,old]" without allocating.
struct ParsedLine {
    char letter = 0;
    long long handle = 0;
    long long old = 0;
    bool hasHandle = false;
};

ParsedLine parseLine(const std::string& line) {
    ParsedLine p;
    if (line.empty()) return p;
    p.letter = line[0];
    size_t c1 = line.find(',');
    if (c1 == std::string::npos) return p;
    const char* b = line.data() + c1 + 1;
    const char* end = line.data() + line.size();
    auto r = std::from_chars(b, end, p.handle);
    if (r.ec != std::errc()) return p;
    p.hasHandle = true;
    if (r.ptr < end && *r.ptr == ',') std::from_chars(r.ptr + 1, end, p.old);
    return p;
}

}  // namespace

void midiTrack::writeJournal(char letter, const anyEvent* e, int64_t old) {
    char buf[64];
    char* p = buf;
    *p++ = letter;
    *p++ = ',';
    p = std::to_chars(p, buf + 24, static_cast<long long>(reinterpret_cast<intptr_t>(e))).ptr;
    if (letter != '+' && letter != '-') {
        *p++ = ',';
        p = std::to_chars(p, buf + 48, static_cast<long long>(old)).ptr;
    }
    journal.emplace_back(buf, p);
}

void midiTrack::beginUndoStep(const std::string& label) { journal.push_back("@," + label); }

void midiTrack::removeEvent(anyEvent* e) {
    int pos = positionOf(e);
    if (pos >= 0) removeEventAt(pos);
}

void midiTrack::removeEventAt(int position) {
    anyEvent*& slot = events_[static_cast<size_t>(position)];
    anyEvent* e = slot;
    if (!e) return;
    removedEvents.push_back(e);  // the reference moves to the parking list
    slot = nullptr;
    ++holes_;
    writeJournal('-', e, 0);
}

void midiTrack::moveEvent(anyEvent* e, int32_t delta) {
    writeJournal('M', e, e->time);
    int64_t t = static_cast<int64_t>(e->time) + delta;
    e->time = static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX));
    updatePosition(e);
}

void midiTrack::setEventTime(anyEvent* e, int32_t time) {
    writeJournal('M', e, e->time);
    e->time = time;
    updatePosition(e);
}

void midiTrack::setChannel(anyEvent* e, int channel) {
    // System exclusive and meta events have no channel bits to change.
    if (e->status >= 0xF0 || channel < 0 || channel > 15) return;
    writeJournal('c', e, e->status & 0x0F);
    e->setChannelBits(channel);
    channels.set(static_cast<size_t>(channel));
}

void midiTrack::setNumber(ControlChangeEvent* e, int number) {
    writeJournal('N', e, e->controller());
    e->setRawController(dataByte(number));
}

void midiTrack::setKey(NoteOnEvent* e, int key) {
    writeJournal('K', e, e->note());
    e->setRawNote(dataByte(key));
}

void midiTrack::setProgram(ProgramChangeEvent* e, int program) {
    writeJournal('P', e, e->program());
    e->setProgram(dataByte(program));
}

void midiTrack::setControlValue(ControlChangeEvent* e, int value) {
    writeJournal('C', e, e->value());
    e->setValue(value);
}

void midiTrack::setVelocity(NoteOnEvent* e, int velocity) {
    writeJournal('V', e, e->velocity());
    // Velocity 0 would silently turn the note into a note off.
    e->setRawVelocity(static_cast<uint8_t>(std::clamp(velocity, 1, 127)));
}

void midiTrack::setDuration(NoteOnEvent* e, int32_t duration) {
    writeJournal('D', e, e->duration());
    e->setDuration(duration);
    noteAdded(e);
}

void midiTrack::setBend(PitchBendEvent* e, int raw) {
    writeJournal('B', e, e->rawBend());
    e->setRawBend(raw);
}

void midiTrack::setTempo(TempoEvent* e, int32_t microseconds) {
    writeJournal('T', e, e->getTempo());
    e->setTempo(microseconds);
}

int midiTrack::undoCount() {
    while (!journal.empty() && journal.back().size() >= 1 && journal.back()[0] == '@') journal.pop_back();
    return static_cast<int>(journal.size());
}

std::string midiTrack::undoLabel() const {
    for (auto it = journal.rbegin(); it != journal.rend(); ++it)
        if (!it->empty() && (*it)[0] == '@') return it->size() > 2 ? it->substr(2) : std::string();
    return "to Start";
}

void midiTrack::undo() {
    if (journal.empty()) return;
    // The lines of the newest step: after the last step marker (or the whole journal).
    size_t first = journal.size();
    while (first > 0 && !(journal[first - 1].size() >= 1 && journal[first - 1][0] == '@')) --first;
    bool hasMarker = first > 0;

    std::vector<ParsedLine> lines;
    lines.reserve(journal.size() - first);
    std::unordered_map<long long, int> wanted;  // handle -> slot in `where`
    for (size_t i = first; i < journal.size(); ++i) {
        lines.push_back(parseLine(journal[i]));
        if (lines.back().hasHandle) wanted.emplace(lines.back().handle, -1);
    }

    // Where each handle lives now: a track slot, or the parking list. One pass over each,
    // so undo costs O(track + lines), never a search per line.
    struct Where {
        anyEvent* event = nullptr;
        int position = -1;        // slot in the track, -1 when not in the track
        int parked = -1;          // index in removedEvents
        bool pendingAdd = false;  // re-added by this undo, inserted at the end
    };
    std::vector<Where> where(wanted.size());
    {
        int next = 0;
        for (auto& [h, idx] : wanted) idx = next++;
    }
    for (size_t i = 0; i < events_.size(); ++i) {
        anyEvent* e = events_[i];
        if (!e) continue;
        auto it = wanted.find(static_cast<long long>(reinterpret_cast<intptr_t>(e)));
        if (it != wanted.end() && where[static_cast<size_t>(it->second)].position < 0) {
            where[static_cast<size_t>(it->second)].event = e;
            where[static_cast<size_t>(it->second)].position = static_cast<int>(i);
        }
    }
    for (size_t i = 0; i < removedEvents.size(); ++i) {
        auto it = wanted.find(static_cast<long long>(reinterpret_cast<intptr_t>(removedEvents[i])));
        if (it == wanted.end()) continue;
        Where& w = where[static_cast<size_t>(it->second)];
        w.parked = static_cast<int>(i);
        if (!w.event) w.event = removedEvents[i];
    }

    std::vector<anyEvent*> readd;
    std::vector<bool> unparked(removedEvents.size(), false);
    for (size_t li = lines.size(); li-- > 0;) {
        const ParsedLine& l = lines[li];
        if (!l.hasHandle) continue;
        Where& w = where[static_cast<size_t>(wanted[l.handle])];
        bool inTrack = w.position >= 0 || w.pendingAdd;
        anyEvent* e = w.event;
        switch (l.letter) {
        case '+':
            if (w.position >= 0) {
                deleteEventAt(w.position);
                w.position = -1;
                if (w.parked < 0) w.event = nullptr;  // may be freed now
            } else if (w.pendingAdd) {
                w.pendingAdd = false;
                readd.erase(std::find(readd.begin(), readd.end(), e));
                releaseRef(e);
                if (w.parked < 0) w.event = nullptr;
            }
            break;
        case '-':
            if (w.parked >= 0 && !unparked[static_cast<size_t>(w.parked)]) {
                unparked[static_cast<size_t>(w.parked)] = true;
                w.pendingAdd = true;
                readd.push_back(e);
            }
            break;
        default:
            if (!inTrack || !e) break;
            switch (l.letter) {
            case 'M':
                e->time = static_cast<int32_t>(l.old);
                updatePosition(e);
                break;
            case 'c':
                if (e->status < 0xF0) e->status = static_cast<uint8_t>((e->status & 0xF0) | (l.old & 0x0F));
                break;
            case 'N':
                if (auto* c = dynamic_cast<ControlChangeEvent*>(e)) c->setRawController(static_cast<uint8_t>(l.old));
                break;
            case 'C':
                if (auto* c = dynamic_cast<ControlChangeEvent*>(e)) c->setRawValue(static_cast<uint8_t>(l.old));
                break;
            case 'K':
                if (auto* n = dynamic_cast<NoteOnEvent*>(e)) n->setRawNote(static_cast<uint8_t>(l.old));
                break;
            case 'V':
                if (auto* n = dynamic_cast<NoteOnEvent*>(e)) n->setRawVelocity(static_cast<uint8_t>(l.old));
                break;
            case 'P':
                if (auto* p = dynamic_cast<ProgramChangeEvent*>(e)) p->setProgram(static_cast<int>(l.old));
                break;
            case 'D':
                if (auto* n = dynamic_cast<NoteOnEvent*>(e)) n->setDuration(static_cast<int32_t>(l.old));
                break;
            case 'B':
                if (auto* b = dynamic_cast<PitchBendEvent*>(e)) b->setRawBend(static_cast<int>(l.old));
                break;
            case 'T':
                if (auto* t = dynamic_cast<TempoEvent*>(e)) t->setTempo(static_cast<int32_t>(l.old));
                break;
            default: break;
            }
        }
    }

    journal.resize(hasMarker ? first - 1 : 0);
    pack();
    if (!readd.empty()) {
        size_t keep = 0;
        for (size_t i = 0; i < removedEvents.size(); ++i)
            if (!unparked[i]) removedEvents[keep++] = removedEvents[i];
        removedEvents.resize(keep);
        // The parked reference moves back into the track.
        addEvents(readd, false);
        for (anyEvent* e : readd) --e->refCount;
    }
}

}  // namespace tonvela
