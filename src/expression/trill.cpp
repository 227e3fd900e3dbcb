#include "expression/trill.h"

#include <algorithm>
#include <cmath>

#include "base/errors.h"
#include "expression/expression_edit.h"
#include "song/midispec.h"
#include "song/song.h"

namespace tonvela {

namespace {

constexpr int kDrumChannel = 9;

void checkKey(int key, const char* what) {
    if (key < 1 || key > 127) throw MidiError(std::string(what) + " must be from 1 to 127.");
}

void checkLength(int length, const char* what) {
    if (length < 1 || length > 9) throw MidiError(std::string(what) + " must be from 1 to 9.");
}

// Number of passes that land on each pointer value 1..n when `passes` passes visit the values
// in the order `first`, then onward by `direction` (+1 or -1), wrapping around within 1..n.
std::vector<int64_t> passesPerPointer(int64_t passes, int n, int first, int direction) {
    std::vector<int64_t> count(static_cast<size_t>(n) + 1, passes / n);
    const int64_t rest = passes % n;
    int p = first;
    for (int64_t i = 0; i < rest; ++i) {
        ++count[static_cast<size_t>(p)];
        p += direction;
        if (p < 1) p = n;
        if (p > n) p = 1;
    }
    return count;
}

// Each pass changes t[p..end] by `sign`: t[j] changes by sign * (passes on pointers 1..j).
void applyPasses(std::vector<int64_t>& t, const std::vector<int64_t>& perPointer, int sign) {
    int64_t sum = 0;
    for (size_t j = 1; j < t.size(); ++j) {
        sum += perPointer[j];
        t[j] += sign * sum;
    }
}

}  // namespace

int trillIntervalDefault(midiSong& song, double intTimeMs, int32_t time) {
    if (!std::isfinite(intTimeMs)) return 0;
    const double ticks = intTimeMs * song.timeBase * 1000.0 / std::max<int64_t>(song.tempoAt(time), 1);
    return static_cast<int>(std::clamp(std::trunc(ticks), -2147483647.0, 2147483647.0));
}

TrillKeys trillKeysFor(const midiSong& song, const NoteOnEvent& note) {
    const keyEvent* k = song.keySignatureAt(note.time);
    const ScaleNotes scale = MIDISpec::buildScale(k ? k->sharps() : 0, k ? k->mode() : 0);
    TrillKeys keys;
    keys.upper = note.channelOf() == kDrumChannel ? note.note() : MIDISpec::scaleStep(scale, note.note(), 1);
    keys.turn = MIDISpec::scaleStep(scale, note.note(), -1);
    return keys;
}

int32_t trillRange(const midiTrack& track, const NoteOnEvent& note, TrillSettings::Quantize quantize) {
    if (quantize == TrillSettings::Quantize::toNextNote) {
        const int from = track.positionOf(&note);
        for (int i = from < 0 ? track.size() : from + 1; i < track.size(); ++i) {
            const anyEvent* e = track.at(i);
            if (e && e->kind() == kindNote && e->time > note.time) return e->time - note.time;
        }
    }
    return note.duration();
}

int bendSensitivity(const midiTrack& track, int32_t time) {
    const int r = track.bendRangeAt(time);
    return r == 0 ? 2 : r;
}

bool trillReady(const midiTrack& track, const NoteOnEvent& note, const TrillSettings& s, int32_t range) {
    if (s.TrillInterval <= 0) return false;
    if (range / s.TrillInterval < static_cast<int64_t>(s.FirstLength) + s.LastLength + 1) return false;
    if (s.TrillMethod != TrillSettings::Method::pitchBend) return true;
    int high = std::max(note.note(), s.UpperPitch), low = std::min(note.note(), s.UpperPitch);
    if (s.TurnAtLast) high = std::max(high, s.TurnNote), low = std::min(low, s.TurnNote);
    return bendSensitivity(track, note.time) >= high - low;
}

std::vector<anyEvent*> buildTrill(const midiTrack& track, NoteOnEvent& note, const TrillSettings& s, int32_t range,
                                  midiTrack& work) {
    work.clear();
    checkKey(s.UpperPitch, "Next Note");
    if (s.TurnAtLast) checkKey(s.TurnNote, "Turn Note");
    checkLength(s.FirstLength, "First Length");
    checkLength(s.LastLength, "Last Length");
    const bool bends = s.TrillMethod == TrillSettings::Method::pitchBend;
    if (bends && s.TrillInterval > 0 && range / s.TrillInterval >= s.FirstLength + s.LastLength + 1 &&
        !trillReady(track, note, s, range))
        throw MidiError("The pitch bend sensitivity is too small for this trill.");

    const int64_t I = s.TrillInterval;
    const int64_t R = range;
    if (I <= 0) return {};
    int64_t Q = R / I;
    int64_t count = Q - s.FirstLength - s.LastLength + 2;
    if (count < 3) return {};
    int parity = s.StartDown ? 1 : 0;
    if (s.EndwithGivenNote) parity ^= 1;
    if (count % 2 != parity) {
        const int64_t change = R - (Q - 1) * I < (Q + 1) * I - R ? -1 : 1;
        count += change;
        Q += change;
    }
    const int n = static_cast<int>(count);

    std::vector<int64_t> t(static_cast<size_t>(n));
    t[0] = note.time;
    t[1] = t[0] + s.FirstLength * I;
    for (int k = 2; k < n; ++k) t[static_cast<size_t>(k)] = t[static_cast<size_t>(k) - 1] + I;
    // The remainder is worked off one tick per pass; each pass takes a tick off the steps from
    // its pointer on.
    const int64_t c = R - Q * I;
    if (c < 0) applyPasses(t, passesPerPointer(-c, n - 1, n - 1, -1), -1);
    if (c > 0) applyPasses(t, passesPerPointer(c, n - 1, 1, 1), -1);
    const int64_t lastLength = s.LastLength * R / Q;
    if (s.Fill) {
        const int64_t d = R - (lastLength + t[static_cast<size_t>(n) - 1] - t[0]);
        if (d > 0) applyPasses(t, passesPerPointer(d, n - 1, 1, 1), 1);
    }

    const int s0 = s.StartDown ? 1 : 0;
    const int channel = note.channelOf();
    if (!bends) {
        const int keys[2] = {note.note(), s.UpperPitch};
        for (int k = 0; k < n; ++k) {
            const int64_t length = k + 1 < n ? t[static_cast<size_t>(k) + 1] - t[static_cast<size_t>(k)] : lastLength;
            int key = keys[(k + s0) % 2];
            if (s.TurnAtLast && k == n - 2) key = s.TurnNote;
            work.appendEvent(makeNote(t[static_cast<size_t>(k)], channel, key, note.velocity(), length));
        }
    } else {
        const int u = 8192 / bendSensitivity(track, note.time);
        const int held = s.EndwithGivenNote ? note.note() : s.UpperPitch;
        const int b[2] = {s.EndwithGivenNote ? 0 : (note.note() - s.UpperPitch) * u,
                          s.EndwithGivenNote ? (s.UpperPitch - note.note()) * u : 0};
        if (b[s0] != 0) work.appendEvent(makeBend(t[0] - 1, channel, b[s0]));
        work.appendEvent(makeNote(t[0], channel, held, note.velocity(), R));
        for (int k = 1; k < n; ++k) {
            int value = b[(k + s0) % 2];
            // The second-to-last step is the turn.
            if (s.TurnAtLast && k == n - 2) value = (s.TurnNote - held) * u;
            work.appendEvent(makeBend(t[static_cast<size_t>(k)], channel, value));
        }
    }

    std::vector<anyEvent*> removals{&note};
    const TimeSpan span = eventSpan(work);
    for (anyEvent* e : track.events())
        if (e && e->kind() == kindPitchBend && e->time >= span.first && e->time <= span.last) removals.push_back(e);
    return removals;
}

bool applyTrill(midiSong& song, int track, NoteOnEvent& note, const TrillSettings& s, int32_t range,
                midiTrack& work) {
    if (track < 0 || track >= song.trackCount()) throw MidiError("Dooh! Internal Error!");
    midiTrack& target = *song.track(track);
    const std::vector<anyEvent*> removals = buildTrill(target, note, s, range, work);
    if (work.countEvents() == 0) return false;
    return commitToTrack(target, kTrillLabel, removals, work);
}

}  // namespace tonvela
