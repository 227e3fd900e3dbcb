#include "song/song.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "song/position_cursor.h"

namespace tonvela {

namespace {

void makePreset(sysexEvent& e, std::initializer_list<uint8_t> bytes) {
    e.sysexData.assign(bytes);
    e.refCount = INT32_MAX;
}

}  // namespace

midiSong::midiSong()
    : gmOnEvent(0, 0xF0), xgOnEvent(0, 0xF0), gsResetEvent(0, 0xF0) {
    makePreset(gmOnEvent, {0x7E, 0x7F, 0x09, 0x01, 0xF7});
    makePreset(xgOnEvent, {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});
    makePreset(gsResetEvent, {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7});
}

midiSong::~midiSong() { clearSong(); }

void midiSong::clearSong() {
    dropped_.clear();
    // The lists go with the tracks; the tracks need not tell the song what leaves.
    clearing_ = true;
    tracks.clear();  // each track drops its references
    clearing_ = false;
    firstTrack = nullptr;
    songEnd = 0;
    firstNoteTime = INT32_MAX;
    songCopyright = nullptr;
    copyrights_.clear();
    tuneEvent = nullptr;
    timeSignatures.clear();
    sysexEvents.clear();
    keySignatures.clear();
    systemFlags = 0;
    textEncoding = TextEncoding::automatic;
    barStarts.clear();
}

// ---- the song's lists ---------------------------------------------------------------------------

namespace {

bool bySerial(const anyEvent* a, const anyEvent* b) { return a->serial < b->serial; }
bool byTimeSerial(const anyEvent* a, const anyEvent* b) {
    return a->time != b->time ? a->time < b->time : a->serial < b->serial;
}

template <typename T>
void insertSorted(std::vector<T*>& list, T* e, bool (*less)(const anyEvent*, const anyEvent*)) {
    auto at = std::lower_bound(list.begin(), list.end(), e, less);
    if (at != list.end() && *at == e) return;
    list.insert(at, e);
}

template <typename T>
void erase(std::vector<T*>& list, const anyEvent* e) {
    auto it = std::find(list.begin(), list.end(), e);
    if (it != list.end()) list.erase(it);
}

}  // namespace

bool midiSong::ownsTrack(const midiTrack* t) const {
    if (clearing_) return false;
    for (const auto& own : tracks)
        if (own.get() == t) return true;
    return false;
}

bool midiSong::listedKind(const anyEvent* e) {
    if (e->status == 0xF0 || e->status == 0xF7) return dynamic_cast<const sysexEvent*>(e) != nullptr;
    if (e->status != 0xFF) return false;
    int k = e->kind();
    return k == kindTimeSignature || k == kindCopyright || dynamic_cast<const keyEvent*>(e) != nullptr;
}

void midiSong::eventEntered(anyEvent* e) {
    if (isPreset(e)) return;
    if (e->status != 0xFF) {
        auto* s = static_cast<sysexEvent*>(e);
        auto at = std::lower_bound(sysexEvents.begin(), sysexEvents.end(), s, bySerial);
        if (at == sysexEvents.end() || *at != s) sysexEvents.insert(at, s);
        return;
    }
    switch (e->kind()) {
    case kindTimeSignature: insertSorted(timeSignatures, static_cast<timeBeatEvent*>(e), byTimeSerial); break;
    case kindCopyright:
        insertSorted(copyrights_, static_cast<copyrightEvent*>(e), bySerial);
        songCopyright = copyrights_.front();
        break;
    default: insertSorted(keySignatures, static_cast<keyEvent*>(e), byTimeSerial); break;
    }
}

void midiSong::eventLeft(anyEvent* e) {
    if (e == tuneEvent) tuneEvent = nullptr;
    if (e->status != 0xFF) {
        auto at = std::lower_bound(sysexEvents.begin(), sysexEvents.end(), e, bySerial);
        if (at != sysexEvents.end() && *at == e) sysexEvents.erase(at);
        else erase(sysexEvents, e);
        return;
    }
    switch (e->kind()) {
    case kindTimeSignature: erase(timeSignatures, e); break;
    case kindCopyright:
        erase(copyrights_, e);
        songCopyright = copyrights_.empty() ? nullptr : copyrights_.front();
        break;
    default: erase(keySignatures, e); break;
    }
}

void midiSong::signatureMoved(anyEvent* e) {
    if (e->kind() == kindTimeSignature)
        std::stable_sort(timeSignatures.begin(), timeSignatures.end(), byTimeSerial);
    else if (dynamic_cast<const keyEvent*>(e))
        std::stable_sort(keySignatures.begin(), keySignatures.end(), byTimeSerial);
}

// ---- time ---------------------------------------------------------------------------------------

TimeSignature midiSong::timeSignatureAt(int32_t time) const {
    TimeSignature ts{timeBase, 4};
    const timeBeatEvent* found = nullptr;
    for (const timeBeatEvent* e : timeSignatures) {
        if (e->time > time) break;
        found = e;
    }
    applyTimeSignature(found, timeBase, ts);
    return ts;
}

void midiSong::buildBarTable() {
    barStarts.assign(1, 0);
    int64_t end = 0;
    forEachBarRun(timeSignatures, timeBase, songEnd, [&](int64_t start, int64_t length, int64_t count) {
        end = start + count * length;
        if (end > INT32_MAX || barStarts.size() + static_cast<uint64_t>(count) > kMaxBars)
            throw MidiError("The song is too long (more than " + std::to_string(kMaxBars) + " bars).");
        const size_t needed = barStarts.size() + static_cast<size_t>(count) + 1;
        if (barStarts.capacity() < needed) barStarts.reserve(std::max(needed, 2 * barStarts.capacity()));
        for (int64_t i = 1; i <= count; ++i) barStarts.push_back(static_cast<int32_t>(start + i * length));
    });
    barStarts.push_back(static_cast<int32_t>(end));
}

BarBeatTick midiSong::timeToBarBeatTick(int32_t time) const {
    TimeSignature ts = timeSignatureAt(time);
    return barBeatTickWith(barStarts, ts, time);
}

void midiSong::computePosition(anyEvent* e) const {
    BarBeatTick b = timeToBarBeatTick(e->time);
    e->bar = b.bar;
    e->beat = b.beat;
    e->tick = b.tick;
}

BarBeatTick PositionCursor::seek(int32_t time, const TimeSignature& ts) {
    if (starts_.empty() || starts_[0] > time) return barBeatTickWith(starts_, ts, time);
    if (bar_ >= starts_.size() || starts_[bar_] > time) bar_ = 0;  // went back: search from the start
    size_t steps = 0;
    while (bar_ + 1 < starts_.size() && starts_[bar_ + 1] <= time) {
        if (++steps > 8) {  // far ahead
            bar_ = static_cast<size_t>(std::upper_bound(starts_.begin() + static_cast<std::ptrdiff_t>(bar_), starts_.end(), time) -
                                       starts_.begin()) - 1;
            break;
        }
        ++bar_;
    }
    const int32_t offset = time - starts_[bar_];
    return {static_cast<int32_t>(bar_), offset / ts.ticksPerBeat, offset % ts.ticksPerBeat};
}

void midiSong::computePositions(std::span<anyEvent* const> events) const {
    PositionCursor cursor(barStarts, timeSignatures, timeBase);
    for (anyEvent* e : events) {
        const BarBeatTick b = cursor.at(e->time);
        e->bar = b.bar;
        e->beat = b.beat;
        e->tick = b.tick;
    }
}

int32_t midiSong::barBeatTickToTime(int32_t bar, int32_t beat, int32_t tick) const {
    int64_t t = 0;
    for (int32_t i = 0; i < bar; ++i) {
        TimeSignature ts = timeSignatureAt(static_cast<int32_t>(t));
        t += static_cast<int64_t>(ts.ticksPerBeat) * ts.beatsPerBar;
        if (t > INT32_MAX) return INT32_MAX;
    }
    TimeSignature ts = timeSignatureAt(static_cast<int32_t>(t));
    t += static_cast<int64_t>(beat) * ts.ticksPerBeat + tick;
    return static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX));
}

uint32_t midiSong::tempoAt(int32_t time) {
    uint32_t value = 500000;
    if (firstTrack) {
        for (const anyEvent* e : firstTrack->events()) {
            if (!e) continue;
            if (e->time > time) break;
            if (e->kind() == kindTempo) value = static_cast<const TempoEvent*>(e)->getTempo();
        }
    }
    tempo = value;
    return value;
}

const keyEvent* midiSong::keySignatureAt(int32_t time) const {
    const keyEvent* found = nullptr;
    for (const keyEvent* e : keySignatures)
        if (e->time <= time) found = e;
    return found;
}

int midiSong::sharpsAt(int32_t time) const {
    const keyEvent* k = keySignatureAt(time);
    return k ? k->sharps() : 0;
}

int32_t midiSong::msToTicks(int64_t ms, int32_t time) {
    // 128 bits: any ms, time base and tempo a file can hold.
    const __int128 t = static_cast<__int128>(ms) * 1000 * timeBase / std::max<uint32_t>(tempoAt(time), 1);
    return static_cast<int32_t>(std::clamp<__int128>(t, INT32_MIN, INT32_MAX));
}

// ---- song-wide ----------------------------------------------------------------------------------

midiTrack* midiSong::trackOf(const anyEvent* e) const {
    for (const auto& t : tracks)
        if (t->positionOf(e) >= 0) return t.get();
    return nullptr;
}

int midiSong::masterTune() {
    for (sysexEvent* e : sysexEvents) {
        int m = e->manufacturer();
        int32_t a = e->address();
        const auto& d = e->sysexData;
        if (m == 0x43 && a == 0) {
            tuneEvent = e;
            return e->dataAt(0) * 4096 + e->dataAt(1) * 256 + e->dataAt(2) * 16 + e->dataAt(3) - 1024;
        }
        if (m == 0x41 && a == 0x400000) {
            tuneEvent = e;
            auto at = [&](size_t i) { return i < d.size() ? d[i] : 0; };
            return at(7) * 4096 + at(8) * 256 + at(9) * 16 + at(10) - 1024;
        }
        if (m == 0x41 && a == 0x100000) {
            tuneEvent = e;
            return d.size() > 7 ? d[7] : 0;
        }
    }
    return 0;
}

std::string midiSong::title() const {
    if (!firstTrack) return {};
    if (firstTrack->name == "Track0") return std::filesystem::path(fileName).stem().string();
    return firstTrack->name;
}

void midiSong::setTitle(const std::string& text) {
    if (firstTrack) firstTrack->setName(text);
}

void midiSong::setCopyright(const std::string& text) {
    if (text.empty()) {
        if (songCopyright) {
            // Not journaled; the track also makes the lines that name the event name nothing. An
            // older copyright event of the song, if any, becomes the song's copyright.
            if (midiTrack* t = trackOf(songCopyright)) {
                t->deleteEventAt(t->positionOf(songCopyright));
                t->pack();
            } else {
                songCopyright = nullptr;
            }
        }
        return;
    }
    if (!songCopyright) {
        if (!firstTrack || !ownsTrack(firstTrack)) return;
        firstTrack->addEvent(new copyrightEvent(0), true, true);  // becomes songCopyright
    }
    if (songCopyright) songCopyright->setText(text);
}

std::string midiSong::copyrightText() const {
    std::string text;
    bool first = true;
    for (const auto& t : tracks) {
        for (const anyEvent* e : t->events()) {
            if (!e || e->kind() != kindCopyright) continue;
            if (!first) text += ' ';
            text += static_cast<const copyrightEvent*>(e)->text();
            first = false;
        }
    }
    return text;
}

void midiSong::markDrumTracks() {
    bool any = false;
    for (auto& t : tracks) {
        t->isDrum = t->controllerAt(t->firstNoteTime, 0, 0) == 127;
        any = any || t->isDrum;
    }
    if (any) return;
    for (auto& t : tracks) t->isDrum = t->firstChannel() == 9;
}

// ---- undo and redo --------------------------------------------------------------------------------

void midiSong::undoTrack(int i) {
    if (i < 0 || i >= trackCount()) return;
    midiTrack* t = track(i);
    t->undo();
    if (!t->createdByEdit || t == firstTrack || t->undoCount() != 0 || t->countEvents() != 0) return;
    auto at = tracks.begin() + i;
    dropped_.push_back({std::move(*at), static_cast<size_t>(i)});
    tracks.erase(at);
}

void midiSong::redoTrack(int i) {
    if (i >= 0 && i < trackCount() && track(i)->canRedo()) {
        track(i)->redo();
        return;
    }
    if (dropped_.empty()) return;
    DroppedTrack d = std::move(dropped_.back());
    dropped_.pop_back();
    midiTrack* t = d.track.get();
    tracks.insert(tracks.begin() + static_cast<std::ptrdiff_t>(std::min(d.position, tracks.size())), std::move(d.track));
    t->redo();
}

bool midiSong::canRedoTrack(int i) const {
    return (i >= 0 && i < trackCount() && track(i)->canRedo()) || !dropped_.empty();
}

std::string midiSong::redoLabelOfTrack(int i) const {
    if (i >= 0 && i < trackCount() && track(i)->canRedo()) return track(i)->redoLabel();
    return dropped_.empty() ? std::string() : dropped_.back().track->redoLabel();
}

// ---- files --------------------------------------------------------------------------------------

LoadReport midiSong::load(const std::string& path, const LoadOptions& options) {
    const FileBytes bytes = readWholeFile(path);
    return loadBytes(bytes.data(), bytes.size(), path, options);
}

void midiSong::writeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    WriteResult result = encode(bytes);
    writeFileAtomically(path, bytes, "Dooh! Save failed. '.mid' file may be broken.");
    commitWrite(result);
    dropped_.clear();  // a save ends every redo
}

void midiSong::write(std::vector<uint8_t>& out) {
    std::vector<uint8_t> bytes;
    WriteResult result = encode(bytes);
    out.insert(out.end(), bytes.begin(), bytes.end());
    commitWrite(result);
    dropped_.clear();
}

}  // namespace tonvela
