#include "tools/statistics.h"

#include <algorithm>
#include <cstdint>

#include "song/song.h"

namespace tonvela {

namespace {

// Integer division that shows 0 instead of failing when there is nothing to divide by.
int64_t ratio(int64_t a, int64_t b) { return b == 0 ? 0 : a / b; }

std::string str(int64_t v) { return std::to_string(v); }

}  // namespace

void analyzeTracks(midiSong& song) {
    for (int i = 0; i < song.trackCount(); ++i) {
        midiTrack& t = *song.track(i);
        int64_t keys = 0, durations = 0, velocities = 0, count = 0, chords = 0;
        int highest = 0, lowest = 128;
        int32_t previousStart = -1;
        for (const anyEvent* e : t.events()) {
            if (!e || e->status == 0) continue;
            if (e->time > t.endTime) t.endTime = e->time;
            if (e->kind() != kindNote) continue;
            const auto* n = static_cast<const NoteOnEvent*>(e);
            if (t.firstNoteTime == -1) t.firstNoteTime = n->time;
            highest = std::max(highest, n->note());
            lowest = std::min(lowest, n->note());
            if (count > 0 && n->time == previousStart) ++chords;
            previousStart = n->time;
            keys += n->note();
            durations += n->duration();
            velocities += n->velocity();
            ++count;
        }
        t.noteCount = static_cast<int32_t>(count);
        t.highestKey = highest;
        t.lowestKey = lowest;
        t.chordNotes = static_cast<int32_t>(chords);
        t.meanKey = static_cast<int32_t>(ratio(keys, count));
        t.meanDuration = static_cast<int32_t>(ratio(durations, count));
        t.meanVelocity = static_cast<int32_t>(ratio(velocities, count));
        // Squares of long durations overflow 64 bits when summed; the result is an integer.
        double keySquares = 0, durationSquares = 0;
        if (count > 0) {
            for (const anyEvent* e : t.events()) {
                if (!e || e->status == 0 || e->kind() != kindNote) continue;
                const auto* n = static_cast<const NoteOnEvent*>(e);
                double dk = n->note() - t.meanKey;
                double dd = static_cast<double>(n->duration()) - t.meanDuration;
                keySquares += dk * dk;
                durationSquares += dd * dd;
            }
            t.keyVariance = static_cast<int32_t>(static_cast<int64_t>(keySquares) / count);
            const int64_t deviation = static_cast<int64_t>(durationSquares / static_cast<double>(count));
            const int64_t base = song.timeBase;
            t.durationDeviation = static_cast<int32_t>(ratio(ratio(deviation * 100, base), base));
        } else {
            t.keyVariance = 0;
            t.durationDeviation = 0;
        }
    }
}

std::vector<std::string> songStatistics(midiSong& song) {
    std::vector<std::string> lines;
    const int64_t songFirst = song.firstNoteTime;
    const int64_t songRange = static_cast<int64_t>(song.songEnd) - songFirst;
    lines.push_back("Song Note = " + str(songFirst) + " - " + str(song.songEnd) +
                    " Range = " + str(songRange));
    analyzeTracks(song);
    const int64_t base = song.timeBase;
    for (int i = 0; i < song.trackCount(); ++i) {
        midiTrack& t = *song.track(i);
        lines.push_back("Track " + str(i) + ":" + str(t.countEvents()) + " events");
        lines.push_back("Name " + t.name);
        if (t.noteCount <= 0) continue;
        const int64_t first = t.firstNoteTime, end = t.endTime, range = end - first;
        lines.push_back(" Note = " + str(first) + " - " + str(end) + " Range = " + str(range));
        lines.push_back(" Range/Song range = " + str(ratio(range * 100, songRange)) + "%" +
                        " Beat/Note Count = " + str(ratio(ratio(range * 100, base), t.noteCount)) +
                        "%");
        lines.push_back(" Note Count = " + str(t.noteCount) + " Note Max = " + str(t.highestKey) +
                        " Note Min = " + str(t.lowestKey) + " Note Mean = " + str(t.meanKey) +
                        " Note Deviation = " + str(t.keyVariance));
        lines.push_back(" Mean duration = " + str(ratio(int64_t{t.meanDuration} * 100, base)) +
                        "% of Quater" + " Dur Deviation = " + str(t.durationDeviation));
        lines.push_back("");
    }
    return lines;
}

}  // namespace tonvela
