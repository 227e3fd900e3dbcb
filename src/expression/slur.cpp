#include "expression/slur.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "base/errors.h"
#include "expression/expression_edit.h"
#include "expression/trill.h"
#include "song/song.h"

namespace tonvela {

namespace {

class SlurBuilder {
public:
    SlurBuilder(midiSong& song, const SlurSettings& s, midiTrack& work, int sensitivity)
        : song_(song), s_(s), work_(work), r_(sensitivity) {}

    // From (a, b) to (c, d): bends every `step` ticks on a half cosine, skipping values that
    // move less than a twentieth of a semitone. Returns the value reached (b when none is made).
    int glide(int64_t a, int b, int64_t c, int d, int channel, int64_t step) {
        const int minStep = 8192 / r_ / 20;
        const int64_t maxSpan = song_.msToTicks(s_.MaxEffectRange, toEventTime(c));
        int64_t start = a + s_.PortTrackBar1 * (c - a) / 11;
        if (c - start > maxSpan) start = c - maxSpan;
        int current = b;
        for (int64_t x = start + step; x < c; x += step) {
            const double v = (std::cos(static_cast<double>(x - start) * 3.141592 / static_cast<double>(c - start)) + 1.0) *
                                 (b - d) * 0.5 + d;
            const int value = static_cast<int>(v);
            if (std::abs(current - value) > minStep) {
                PitchBendEvent* e = makeBend(x, channel, value);
                work_.appendEvent(e);
                current = e->bend();
            }
        }
        return current;
    }

private:
    midiSong& song_;
    const SlurSettings& s_;
    midiTrack& work_;
    int r_;
};

int heldVelocity(std::span<NoteOnEvent* const> phrase, SlurSettings::Velocity v) {
    if (v == SlurSettings::Velocity::start) return phrase.front()->velocity();
    if (v == SlurSettings::Velocity::end) return phrase.back()->velocity();
    int64_t sum = 0;
    for (const NoteOnEvent* n : phrase) sum += n->velocity();
    return static_cast<int>(sum / static_cast<int64_t>(phrase.size()));
}

void buildJoin(midiSong& song, const midiTrack& track, std::span<NoteOnEvent* const> phrase, const SlurSettings& s,
               midiTrack& work) {
    const NoteOnEvent& a = *phrase.front();
    const NoteOnEvent& z = *phrase.back();
    const int64_t step = std::max<int64_t>(static_cast<int64_t>(song.timeBase) * 20000 / std::max<int64_t>(song.tempoAt(a.time), 1), 1);
    const int r = bendSensitivity(track, a.time);
    const int base = z.note();
    auto bendOf = [&](int key) { return (key - base) * 8192 / r; };

    PitchBendEvent* first = makeBend(static_cast<int64_t>(a.time) - 1, a.channelOf(), bendOf(a.note()));
    work.appendEvent(first);
    int64_t lastTime = first->time;
    int lastValue = first->bend();
    work.appendEvent(makeNote(a.time, z.channelOf(), base, heldVelocity(phrase, s.SlurVelocity),
                              static_cast<int64_t>(z.time) + z.duration() - a.time));

    SlurBuilder builder(song, s, work, r);
    for (size_t i = 1; i < phrase.size(); ++i) {
        const NoteOnEvent& p = *phrase[i];
        const int target = bendOf(p.note());
        if (p.time == lastTime || target == lastValue) continue;
        const int m = work.size();
        if (s.UsePortament) {
            lastValue = builder.glide(lastTime, lastValue, p.time, target, p.channelOf(), step);
            if (lastValue == target) continue;
        }
        PitchBendEvent* bend = makeBend(p.time, p.channelOf(), target);
        work.appendEvent(bend);
        if (s.UsePortament && s.Delay) {
            // The glide and its bend move so that their mean time falls on the note.
            int64_t sum = 0;
            for (int j = m; j < work.size(); ++j) sum += work.at(j)->time;
            const int64_t shift = p.time - sum / (work.size() - m);
            for (int j = m; j < work.size(); ++j) work.at(j)->time = toEventTime(work.at(j)->time + shift);
            work.markUnsorted();
        }
        lastTime = bend->time;
        lastValue = bend->bend();
    }
}

// A piece of a note being split: written when it lasts at least a tick.
struct Piece {
    int64_t time;
    int channel;
    int key;
    int velocity;
    int64_t duration;
};

void buildSplit(const midiTrack& track, std::span<NoteOnEvent* const> phrase, const SlurSettings& s, midiTrack& work) {
    const NoteOnEvent& s0 = *phrase.front();
    const int r = bendSensitivity(track, s0.time);
    const int u = 8191 / r;
    const int64_t p = s.Precision;
    const int64_t threshold = u - p;  // > 0, checked by the caller
    int64_t n = track.bendAt(s0.time) / u;

    std::unordered_map<const anyEvent*, int> positions;
    for (const NoteOnEvent* note : phrase) positions.emplace(note, -1);
    for (int i = 0; i < track.size(); ++i)
        if (auto it = positions.find(track.at(i)); it != positions.end()) it->second = i;

    std::vector<anyEvent*> made;
    made.push_back(makeBend(static_cast<int64_t>(s0.time) - 1, s0.channelOf(), 0));
    std::vector<Piece> pieces;
    for (const NoteOnEvent* note : phrase) {
        const int64_t end = static_cast<int64_t>(note->time) + note->duration();
        pieces.push_back({note->time, note->channelOf(), static_cast<int>(note->note() + n), note->velocity(), note->duration()});
        size_t current = pieces.size() - 1;
        int i = positions[note];
        if (i < 0) continue;
        for (; i < track.size(); ++i) {
            const anyEvent* e = track.at(i);
            if (!e) continue;
            if (e->time > end) break;
            if (e->kind() != kindPitchBend) continue;
            const int64_t g = static_cast<const PitchBendEvent*>(e)->bend() - n * u;
            if (g < threshold && g > -threshold) continue;
            n += g / threshold;
            pieces[current].duration = e->time - pieces[current].time;
            // The new piece ends with the note.
            pieces.push_back({static_cast<int64_t>(e->time) + 1, e->channelOf(), static_cast<int>(note->note() + n),
                              note->velocity(), end - (static_cast<int64_t>(e->time) + 1)});
            current = pieces.size() - 1;
        }
        // Bends after the note, up to the next note, set the offset the next note starts with.
        for (; i < track.size(); ++i) {
            const anyEvent* e = track.at(i);
            if (!e) continue;
            if (e->kind() == kindNote) break;
            if (e->kind() == kindPitchBend) n = static_cast<const PitchBendEvent*>(e)->bend() / u;
        }
    }
    // A piece cut to nothing before it sounds (a bend at its start, or on the note's last tick)
    // is not written.
    for (const Piece& piece : pieces)
        if (piece.duration > 0) made.push_back(makeNote(piece.time, piece.channel, piece.key, piece.velocity, piece.duration));
    std::stable_sort(made.begin(), made.end(), [](const anyEvent* x, const anyEvent* y) { return x->time < y->time; });
    for (anyEvent* e : made) work.appendEvent(e);
}

}  // namespace

int precisionDefault(const midiTrack& track) { return 8192 / bendSensitivity(track, track.firstNoteTime) / 100; }

bool slurReady(const midiTrack& track, std::span<NoteOnEvent* const> phrase, const SlurSettings& s) {
    if (s.Reverse) return !phrase.empty();
    if (phrase.size() < 2) return false;
    const int r = bendSensitivity(track, phrase.front()->time);
    const int last = phrase.back()->note();
    for (const NoteOnEvent* n : phrase)
        if (std::abs(n->note() - last) > r) return false;
    return true;
}

std::vector<anyEvent*> buildSlur(midiSong& song, const midiTrack& track, std::span<NoteOnEvent* const> phrase,
                                 const SlurSettings& s, midiTrack& work) {
    work.clear();
    if (!slurReady(track, phrase, s))
        throw MidiError(s.Reverse ? "Select a note." : "Select at least two notes in a row, within the bend range of the last one.");
    std::vector<anyEvent*> removals(phrase.begin(), phrase.end());
    if (s.Reverse) {
        const int r = bendSensitivity(track, phrase.front()->time);
        // The tolerance must leave room for a step, or no bend could ever be told apart.
        if (s.Precision >= 8191 / r)
            throw MidiError("Sensitivity must be below " + std::to_string(8191 / r) + " at a bend range of " +
                            std::to_string(r) + ".");
        buildSplit(track, phrase, s, work);
        int64_t from = INT64_MAX, to = INT64_MIN;
        for (const NoteOnEvent* n : phrase) {
            from = std::min<int64_t>(from, n->time);
            to = std::max<int64_t>(to, static_cast<int64_t>(n->time) + n->duration());
        }
        for (anyEvent* e : track.events())
            if (e && e->kind() == kindPitchBend && e->time >= from && e->time <= to) removals.push_back(e);
        return removals;
    }
    buildJoin(song, track, phrase, s, work);
    const TimeSpan span = eventSpan(work);
    for (anyEvent* e : track.events())
        if (e && e->kind() == kindPitchBend && e->time >= span.first && e->time <= span.last) removals.push_back(e);
    return removals;
}

void applySlur(midiSong& song, int track, std::span<NoteOnEvent* const> phrase, const SlurSettings& s,
               midiTrack& work) {
    if (track < 0 || track >= song.trackCount()) throw MidiError("Dooh! Internal Error!");
    midiTrack& target = *song.track(track);
    const std::vector<anyEvent*> removals = buildSlur(song, target, phrase, s, work);
    commitToTrack(target, s.Reverse ? kBendToNoteLabel : kSlurLabel, removals, work);
}

}  // namespace tonvela
