#include "tempo/tempo_edit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "song/song.h"
#include "song/tempo_units.h"

namespace tonvela {

namespace {

std::string tempoRangeMessage(int64_t micros) {
    return "The tempo would be " + std::to_string(micros) +
           " microseconds per quarter note; a tempo must lie between 1 and 16777215. Nothing was changed.";
}

// Sorted insertion needs a list in time order; an undo may have left it open.
midiTrack& orderedConductor(midiSong& song) {
    midiTrack& t = conductorTrack(song);
    if (!t.orderKnown()) t.sortEvents();
    return t;
}

TempoEvent* heldTempo(midiTrack& track, const TempoEvent* event) {
    if (!event) return nullptr;
    const int p = track.positionOf(event);
    if (p < 0 || track.at(p)->kind() != kindTempo) return nullptr;
    return static_cast<TempoEvent*>(track.at(p));
}

int32_t clampTime(int64_t t) { return static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX)); }

// Adds the events (in time order) as one step.
WrittenTempos addAll(midiTrack& track, const char* label, std::vector<TempoEvent*> events) {
    if (events.empty()) return {};
    std::vector<anyEvent*> added(events.begin(), events.end());
    track.beginUndoStep(label);
    track.addEvents(added, true);
    track.sortEvents();
    return events;
}

}  // namespace

midiTrack& conductorTrack(midiSong& song) {
    if (song.trackCount() == 0 || !song.firstTrack) throw MidiError("The song has no tracks.");
    return *song.firstTrack;
}

int32_t checkedTempo(int64_t micros) {
    if (micros < kMinTempoMicros || micros > kMaxTempoMicros) throw MidiError(tempoRangeMessage(micros));
    return static_cast<int32_t>(micros);
}

// ---- single tempo changes ----------------------------------------------------------------------

TempoEvent* addTempo(midiSong& song, int32_t time, int32_t micros) {
    checkedTempo(micros);
    midiTrack& t = orderedConductor(song);
    auto* e = new TempoEvent(std::max(time, 0), 0x51, micros);
    t.beginUndoStep(kAddTempoLabel);
    t.addEvent(e, true, true);
    t.sortEvents();
    return e;
}

TempoEvent* addCurrentTempo(midiSong& song, int32_t time) {
    midiTrack& t = orderedConductor(song);
    const int32_t at = std::max(time, 0);
    auto* e = new TempoEvent(at, 0x51, song.tempoAt(at));
    t.beginUndoStep(kAddCurrentTempoLabel);
    t.addEvent(e, true, true);
    t.sortEvents();
    return e;
}

bool deleteTempo(midiSong& song, const TempoEvent* event) {
    midiTrack& t = conductorTrack(song);
    TempoEvent* e = heldTempo(t, event);
    if (!e) return false;
    t.beginUndoStep(kDeleteTempoLabel);
    t.removeEvent(e);
    t.pack();
    return true;
}

bool setTempoValue(midiSong& song, const TempoEvent* event, int32_t micros) {
    midiTrack& t = conductorTrack(song);
    TempoEvent* e = heldTempo(t, event);
    if (!e) return false;
    checkedTempo(micros);
    if (e->getTempo() == micros && e->data.size() == 3) return false;
    t.beginUndoStep(kModifyTempoLabel);
    t.setTempo(e, micros);
    return true;
}

bool moveTempo(midiSong& song, const TempoEvent* event, int32_t time) {
    midiTrack& t = orderedConductor(song);
    TempoEvent* e = heldTempo(t, event);
    const int32_t at = std::max(time, 0);
    if (!e || e->time == at) return false;
    t.beginUndoStep(kModifyTempoLabel);
    t.setEventTime(e, at);
    t.markUnsorted();
    t.sortEvents();
    return true;
}

// ---- the side panel ----------------------------------------------------------------------------

WrittenTempos upDownTempo(midiSong& song, TickRange range, const UpDownSettings& s) {
    if (!std::isfinite(s.amount)) throw MidiError("The amount is not a number. Nothing was changed.");
    midiTrack& t = orderedConductor(song);
    if (!s.percent && s.amount == 0) return {};
    WrittenTempos written;
    for (anyEvent* ev : t.events()) {
        if (!ev) continue;
        if (ev->time > range.to) break;
        if (ev->time < range.from || ev->kind() != kindTempo) continue;
        auto* e = static_cast<TempoEvent*>(ev);
        double b = microsToBpm(e->getTempo());
        b = s.percent ? s.amount * b * 0.01 : b + s.amount;
        b = std::clamp(b, 20.0, 300.0);
        const auto micros = static_cast<int32_t>(microsPerMinute / b);
        // The whole-bpm rounding stays, but a tempo it gives back unchanged is left alone.
        if (micros == e->getTempo() && e->data.size() == 3) continue;
        if (written.empty()) t.beginUndoStep(kUpDownTempoLabel);
        t.setTempo(e, micros);
        written.push_back(e);
    }
    return written;
}

WrittenTempos ritAccel(midiSong& song, TickRange range, const RampSettings& s) {
    if (s.from < 0 || s.to > 100 || s.from >= s.to)
        throw MidiError("The ramp must run from a lower to a higher percentage of the range (0 to 100).");
    if (s.count < 1 || s.count > kMaxRampSteps)
        throw MidiError("The add count must lie between 1 and " + std::to_string(kMaxRampSteps) + ".");
    midiTrack& t = orderedConductor(song);
    if (range.empty()) return {};
    const int64_t length = static_cast<int64_t>(range.to) - range.from;
    const int64_t r = range.from + length * s.from / 100;
    const int64_t e = range.from + length * s.to / 100;
    const int64_t t0 = song.tempoAt(static_cast<int32_t>(r));
    int64_t t1 = 0;
    if (s.percent) {
        if (s.value <= 0)
            throw MidiError("A percentage of " + std::to_string(s.value) +
                            " gives no tempo; it must be above 0. Nothing was changed.");
        t1 = t0 * 100 / s.value;
    } else {
        const int64_t bpm = microsToBpm(static_cast<int32_t>(t0)) + static_cast<int64_t>(s.value);
        if (bpm <= 0)
            throw MidiError("The tempo would reach " + std::to_string(bpm) +
                            " bpm; it must stay above 0. Nothing was changed.");
        t1 = microsPerMinute / bpm;
    }
    checkedTempo(t1);

    const int64_t n = s.count;
    std::vector<TempoEvent*> events;
    events.reserve(static_cast<size_t>(n) + 1);
    for (int64_t j = 0; j < n; ++j)
        events.push_back(new TempoEvent(clampTime(r + (e - r) * j / n), 0x51,
                                        static_cast<int32_t>(t0 + (t1 - t0) * (j + 1) / n)));
    if (s.aTempo) events.push_back(new TempoEvent(clampTime(e), 0x51, static_cast<int32_t>(t0)));
    return addAll(t, kRitAccelLabel, std::move(events));
}

TempoPattern copyTempoPattern(midiSong& song, TickRange range) {
    midiTrack& t = orderedConductor(song);
    TempoPattern pattern;
    int64_t reference = 500000;
    for (const anyEvent* ev : t.events()) {
        if (!ev) continue;
        if (ev->time > range.to) break;
        if (ev->kind() != kindTempo) continue;
        const int64_t value = static_cast<const TempoEvent*>(ev)->getTempo();
        if (ev->time < range.from)
            reference = value;
        else
            pattern.push_back({ev->time - range.from, value, static_cast<double>(value) / reference});
    }
    return pattern;
}

WrittenTempos pasteTempoPattern(midiSong& song, TickRange range, const TempoPattern& pattern) {
    midiTrack& t = orderedConductor(song);
    if (pattern.empty() || range.empty()) return {};
    const int64_t t0 = song.tempoAt(range.from);
    // Every repetition writes the same tempos: check them all before anything is made.
    std::vector<int32_t> values;
    for (const TempoEv& r : pattern) {
        const double v = std::trunc(static_cast<double>(t0) * r.tempoRatio);
        if (!std::isfinite(v) || r.tickOffset < 0) throw MidiError("The copied tempo pattern is broken. Nothing was changed.");
        if (v < kMinTempoMicros || v > kMaxTempoMicros) throw MidiError(tempoRangeMessage(static_cast<int64_t>(std::clamp(v, -1e15, 1e15))));
        values.push_back(static_cast<int32_t>(v));
    }
    std::vector<TempoEvent*> events;
    int64_t p = range.from;
    while (p < range.to) {
        int64_t last = p;
        for (size_t i = 0; i < pattern.size(); ++i) {
            last = p + pattern[i].tickOffset;
            if (last > INT32_MAX) {
                for (TempoEvent* e : events) delete e;
                throw MidiError("The pattern would run past the end of the time a song can hold. Nothing was changed.");
            }
            events.push_back(new TempoEvent(static_cast<int32_t>(last), 0x51, values[i]));
        }
        const int bar = song.timeToBarBeatTick(static_cast<int32_t>(last)).bar;
        p = std::max<int64_t>(barStartTick(song, bar + 1), last + 1);
    }
    return addAll(t, kPasteTempoLabel, std::move(events));
}

// ---- bpm as text -------------------------------------------------------------------------------

std::string formatBpm(int64_t micros) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(microsPerMinute) / std::max<int64_t>(micros, 1));
    return buffer;
}

std::optional<int32_t> bpmTextToMicros(std::string_view text, std::string* error) {
    auto fail = [&](const std::string& message) -> std::optional<int32_t> {
        if (error) *error = message;
        return std::nullopt;
    };
    const std::string shown(text);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    // Hundredths of a bpm, read exactly: digits, then '.' or ',' and at most two digits.
    int64_t hundredths = 0;
    int digits = 0, decimals = -1;
    for (char c : text) {
        if ((c == '.' || c == ',') && decimals < 0) {
            decimals = 0;
        } else if (c >= '0' && c <= '9' && decimals < 2 && hundredths < 1'000'000'000'000) {
            hundredths = hundredths * 10 + (c - '0');
            ++digits;
            if (decimals >= 0) ++decimals;
        } else {
            return fail("'" + shown + "' is not a tempo in bpm (a number above 0 with at most two decimals).");
        }
    }
    if (digits == 0) return fail("'" + shown + "' is not a tempo in bpm (a number above 0 with at most two decimals).");
    for (int d = std::max(decimals, 0); d < 2; ++d) hundredths *= 10;
    if (hundredths == 0) return fail("A tempo of 0 bpm cannot be set.");
    // bpm = hundredths / 100, so the tempo is 6e9 / hundredths microseconds, rounded to the nearest.
    const int64_t micros = (microsPerMinute * int64_t{100} + hundredths / 2) / hundredths;
    if (micros < kMinTempoMicros || micros > kMaxTempoMicros) return fail(tempoRangeMessage(micros));
    return static_cast<int32_t>(micros);
}

}  // namespace tonvela
