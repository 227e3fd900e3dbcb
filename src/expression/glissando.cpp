#include "expression/glissando.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/errors.h"
#include "expression/expression_edit.h"
#include "song/song.h"

namespace tonvela {

namespace {

constexpr int kHarp = 46;
constexpr int kSustain = 64;

// Each step away from "(C)": the pitch class turned off and the one turned on.
constexpr int kSharpOff[7] = {5, 0, 7, 2, 9, 4, 11};  // F C G D A E B
constexpr int kSharpOn[7] = {6, 1, 8, 3, 10, 5, 0};   // F# C# G# D# A# F C
constexpr int kFlatOff[7] = {11, 4, 9, 2, 7, 0, 5};   // B E A D G C F
constexpr int kFlatOn[7] = {10, 3, 8, 1, 6, 11, 4};   // A# D# G# C# F# B E

void checkKey(int key) {
    if (key < 0 || key > 127) throw MidiError("Note must be from 0 to 127.");
}

// One run from key a to key b with the scale, `delay` ticks late, appended to `work`.
void addRun(const GlissandoSettings& s, const PedalScale& scale, int32_t start, int32_t end, int64_t delay, int channel,
            midiTrack& work) {
    const int a = s.fromNote, b = s.toNote;
    const int distance = std::abs(b - a);
    // 0 marks a placeholder: a slot that keeps its time but sounds nothing.
    std::vector<int> entries;
    for (int i = 0; i <= distance; ++i) {
        const int k = b < a ? a - i : a + i;
        const int cls = k % 12;
        if (scale[static_cast<size_t>(cls)]) {
            const int key = k + std::clamp(s.alteration[static_cast<size_t>(cls)], -2, 2);
            entries.push_back(key >= 1 && key <= 127 ? key : 0);
        } else if (i == 0 || i == distance) {
            entries.push_back(0);
        }
    }
    if (entries.size() < 2) return;
    if (entries.back() != b && !s.UseLastNote) entries.push_back(b);
    const double slots = static_cast<double>(entries.size() - 1);
    const double spacing = (static_cast<double>(end) - start) / slots;
    const double velocityStep = (static_cast<double>(s.VeloEnd) - s.VeloStart) / slots;
    const int64_t length = static_cast<int64_t>(std::min(std::trunc(s.Dur * spacing * 0.01), 2147483647.0));
    double time = static_cast<double>(start) + static_cast<double>(delay);
    for (size_t j = 0; j < entries.size(); ++j, time += spacing) {
        const int key = entries[j];
        // The target key sounds only with "Last Note": without it the run leads into a note
        // already written there.
        if (key == 0 || (key == b && !s.UseLastNote)) continue;
        const int velocity = static_cast<int>(std::clamp(std::trunc(s.VeloStart + j * velocityStep), 1.0, 127.0));
        work.appendEvent(makeNote(static_cast<int64_t>(std::trunc(time)), channel, key, velocity, length));
    }
}

}  // namespace

PedalScale keyPreset(int sharps) {
    sharps = std::clamp(sharps, -7, 7);
    PedalScale scale = kNaturalScale;
    for (int step = 0; step < std::abs(sharps); ++step) {
        scale[static_cast<size_t>(sharps > 0 ? kSharpOff[step] : kFlatOff[step])] = false;
        scale[static_cast<size_t>(sharps > 0 ? kSharpOn[step] : kFlatOn[step])] = true;
    }
    return scale;
}

std::optional<int> harpPreset(const midiSong& song, const midiTrack& track, int32_t time) {
    if (track.programAt(time, -1) != kHarp) return std::nullopt;
    return std::clamp(song.sharpsAt(time), -7, 7);
}

int glissandoChannel(const midiTrack& track) { return track.firstChannel() & 0x0F; }

void buildGlissando(const GlissandoSettings& s, int32_t start, int32_t end, int channel, midiTrack& work) {
    work.clear();
    checkKey(s.fromNote);
    checkKey(s.toNote);
    if (end < start) throw MidiError("The end of the glissando lies before its start.");
    if (s.Dur < 0) throw MidiError("Duration must be 0 % or more.");
    addRun(s, s.scale, start, end, 0, channel, work);
    if (s.UseAlt) addRun(s, s.altScale, start, end, s.DelayTime, channel, work);
    // A pedal around nothing would be all that is written.
    if (s.UseSustain && work.countEvents() > 0) {
        work.appendEvent(makeControl(static_cast<int64_t>(start) - 5, channel, kSustain, 127));
        work.appendEvent(makeControl(static_cast<int64_t>(end) - 5, channel, kSustain, 0));
    }
}

bool applyGlissando(midiSong& song, int track, const GlissandoSettings& s, int32_t start, int32_t end,
                    midiTrack& work) {
    if (track < 0 || track >= song.trackCount()) throw MidiError("Dooh! Internal Error!");
    buildGlissando(s, start, end, glissandoChannel(*song.track(track)), work);
    return commitToTrack(*song.track(track), kGlissandoLabel, {}, work);
}

}  // namespace tonvela
