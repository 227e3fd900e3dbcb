#include "effects/apply_effect.h"

#include "base/errors.h"
#include "effects/effect_run.h"
#include "settings/numbertext.h"

#include <new>

namespace tonvela {

namespace effects {

Run::Run(midiSong& song_, const EffectSettings& s_, const EffectScope& scope_, EffectOperation op,
         const EffectProgress& progress_)
    : song(song_), s(s_), scope(scope_), operation(op), progress(progress_) {
    curve = computeCurve(s.function);
    units = UnitContext::at(song, scope.unitTime);
    if (scope.firstTrack >= 0 && scope.firstTrack < song.trackCount())
        bendRange = bendRangeFor(*song.track(scope.firstTrack), scope.unitTime);
    counts.chordStroke = op == EffectOperation::chordStroke;
}

void Run::noteAdded(int64_t n) {
    added += n;
    if (added > kMaxAddedEvents)
        throw MidiError("The effect would add more than " + std::to_string(kMaxAddedEvents) +
                        " events. Nothing was changed; choose a larger interval or a shorter range.");
}

void Run::begin(midiTrack& track) {
    if (!track.historyMarked()) {
        if (marked.size() == marked.capacity()) marked.reserve(std::max<size_t>(8, 2 * marked.capacity()));
        track.markHistory();
        marked.push_back(&track);
    }
    track.beginUndoStep(undoLabel(operation, s.EffectName));
}

void Run::checkProgress() {
    sinceCheck_ = 0;
    if (!progress.report) return;
    auto now = std::chrono::steady_clock::now();
    if (now - lastReport_ < progress.interval) return;
    lastReport_ = now;
    progress.report(counts);
}

void prepareTrack(midiTrack& track) {
    if (!track.orderKnown()) {
        int64_t last = INT64_MIN;
        for (const anyEvent* e : track.events()) {
            if (!e) continue;
            if (e->time < last) {
                track.sortEvents();
                break;
            }
            last = e->time;
        }
    }
    track.pack();
}

std::pair<int, int> rangePositions(const midiTrack& track, const TickRange& range) {
    const auto& ev = track.events();
    auto first = std::lower_bound(ev.begin(), ev.end(), range.from,
                                  [](const anyEvent* e, int32_t t) { return e->time < t; });
    if (range.empty()) return {static_cast<int>(first - ev.begin()), static_cast<int>(first - ev.begin())};
    auto last = std::upper_bound(first, ev.end(), range.to, [](int32_t t, const anyEvent* e) { return t < e->time; });
    return {static_cast<int>(first - ev.begin()), static_cast<int>(last - ev.begin())};
}

SignatureLookup::SignatureLookup(const midiSong& song) : song_(song) {
    int64_t max = INT64_MIN;
    for (size_t i = 0; i < song.timeSignatures.size(); ++i) {
        int32_t t = song.timeSignatures[i]->time;
        if (t > max) {
            records_.emplace_back(t, i);
            max = t;
        }
    }
}

TimeSignature SignatureLookup::at(int32_t t) const {
    // The scan stops at the first entry later than t; that entry is always a record.
    auto it = std::upper_bound(records_.begin(), records_.end(), t,
                               [](int32_t v, const std::pair<int32_t, size_t>& r) { return v < r.first; });
    const auto& list = song_.timeSignatures;
    const timeBeatEvent* found = nullptr;
    if (it == records_.end()) {
        if (!list.empty()) found = list.back();
    } else if (it->second > 0) {
        found = list[it->second - 1];
    }
    TimeSignature ts{song_.timeBase, 4};
    applyTimeSignature(found, song_.timeBase, ts);
    return ts;
}

void NoteIndex::reach(int64_t time, int position) {
    while (scanned_ < track_.size() &&
           (notes_.empty() || notes_.back().time < time || notes_.back().position <= position)) {
        const anyEvent* e = track_.at(scanned_);
        if (e && e->kind() == kindNote) {
            notes_.push_back({scanned_, e->time});
            byKey_[static_cast<size_t>(static_cast<const NoteOnEvent*>(e)->note() & 127)].push_back({scanned_, e->time});
        }
        ++scanned_;
    }
}

namespace {

template <class Vec>
int firstAfter(const Vec& list, int position, int64_t time, int64_t until) {
    auto it = std::upper_bound(list.begin(), list.end(), position,
                               [](int p, const auto& entry) { return p < entry.position; });
    it = std::lower_bound(it, list.end(), time, [](const auto& entry, int64_t t) { return entry.time < t; });
    if (it == list.end() || it->time > until) return -1;
    return it->position;
}

}  // namespace

int NoteIndex::nextNoteFrom(int64_t time, int position) {
    reach(time, position);
    return firstAfter(notes_, position, time, INT64_MAX);
}

int NoteIndex::nextSameKey(int key, int64_t time, int position, int64_t until) {
    if (until < time) return -1;
    // Every note starting at or before `until` must be indexed.
    while (scanned_ < track_.size()) {
        const anyEvent* e = track_.at(scanned_);
        if (e && e->time > until && scanned_ > position) break;
        if (e && e->kind() == kindNote) {
            notes_.push_back({scanned_, e->time});
            byKey_[static_cast<size_t>(static_cast<const NoteOnEvent*>(e)->note() & 127)].push_back({scanned_, e->time});
        }
        ++scanned_;
    }
    return firstAfter(byKey_[static_cast<size_t>(key & 127)], position, time, until);
}

int NoteIndex::nextOnChannel(int from, int channel) {
    for (int i = std::max(from, 0); i < track_.size(); ++i) {
        const anyEvent* e = track_.at(i);
        if (e && e->kind() == kindNote && (e->status & 0x0F) == channel) return i;
    }
    return -1;
}

}  // namespace effects

using namespace effects;

EffectScope EffectScope::of(const midiSong& song, const Selection& selection) {
    EffectScope s;
    Selection c = selection.clippedTo(song);
    s.firstTrack = c.firstTrack;
    s.lastTrack = c.lastTrack;
    s.range = selection.ticks(song);
    s.unitTime = barStartTick(song, selection.firstBar);
    return s;
}

std::optional<EffectScope> EffectScope::of(const midiSong& song, const Selection& selection,
                                           const RangeFields& fields, std::string* error) {
    auto range = fieldsTickRange(song, fields, error);
    if (!range) return std::nullopt;
    EffectScope s = of(song, selection);
    s.range = *range;
    return s;
}

std::string EffectCounts::statusText() const {
    if (chordStroke) return std::to_string(chords) + " chords processed";
    return std::to_string(hits) + " / " + std::to_string(examined) + " events hit";
}

std::optional<EffectOperation> operationOf(const EffectSettings& settings) {
    switch (settings.effectType) {
    case 0: return EffectOperation::addEvents;
    case 1: return EffectOperation::deleteEvents;
    case 2: return EffectOperation::modifyVelocity;
    case 3: return EffectOperation::timeShift;
    case 4: return EffectOperation::echo;
    case 5:
        return settings.modifyControl.Modify == 1 ? EffectOperation::modifyPitchBend : EffectOperation::modifyControl;
    case 6: return EffectOperation::modifyDuration;
    case 7: return EffectOperation::chordStroke;
    default: return std::nullopt;
    }
}

std::string_view undoLabelText(EffectOperation operation) {
    switch (operation) {
    case EffectOperation::addEvents: return "Add events<";
    case EffectOperation::deleteEvents: return "Delete events<";
    case EffectOperation::modifyVelocity: return "Modify Velocity<";
    case EffectOperation::timeShift: return "Time shift<";
    case EffectOperation::echo: return "Echo <";
    case EffectOperation::modifyControl: return "Modify Control <";
    case EffectOperation::modifyPitchBend: return "Modify PitchBend <";
    case EffectOperation::modifyDuration: return "Modify Duration<";
    case EffectOperation::chordStroke: return "Chord Stroke <";
    }
    return {};
}

std::string undoLabel(EffectOperation operation, const std::string& effectName) {
    return std::string(undoLabelText(operation)) + effectName + ">";
}

EffectResult applyEffect(midiSong& song, const EffectSettings& settings, const EffectScope& scope,
                         const EffectProgress& progress) {
    auto operation = operationOf(settings);
    if (!operation) throw MidiError(std::string(kNoEffectTypeMessage));
    EffectResult result;
    if (!canApply(settings)) return result;
    EffectSettings checked = settings;
    std::vector<BadField> bad = normaliseNumberFields(checked);
    if (!bad.empty()) throw MidiError(bad.front().message());

    EffectScope clipped = scope;
    clipped.firstTrack = std::max(clipped.firstTrack, 0);
    clipped.lastTrack = std::min(clipped.lastTrack, song.trackCount() - 1);
    Run run(song, checked, clipped, *operation, progress);
    try {
        switch (*operation) {
        case EffectOperation::addEvents: addEvents(run); break;
        case EffectOperation::deleteEvents: deleteEvents(run); break;
        case EffectOperation::modifyVelocity: modifyVelocity(run); break;
        case EffectOperation::timeShift: timeShift(run); break;
        case EffectOperation::echo: {
            EffectResult echoResult = echo(run);
            result.echoTrack = echoResult.echoTrack;
            result.echoTrackCreated = echoResult.echoTrackCreated;
            break;
        }
        case EffectOperation::modifyControl: modifyControl(run); break;
        case EffectOperation::modifyPitchBend: modifyPitchBend(run); break;
        case EffectOperation::modifyDuration: modifyDuration(run); break;
        case EffectOperation::chordStroke: chordStroke(run); break;
        }
    } catch (...) {
        // A run that fails part way leaves nothing behind: every track it marked goes back to its
        // mark (its undo and redo as they were), and a track it created is dropped again.
        for (auto it = run.marked.rbegin(); it != run.marked.rend(); ++it) (*it)->abandonToMark();
        for (int i = 0; i < run.createdTracks && !song.tracks.empty(); ++i) song.tracks.pop_back();
        try {
            throw;
        } catch (const std::bad_alloc&) {
            throw MidiError(std::string(kOutOfMemoryMessage));
        }
    }
    for (midiTrack* t : run.marked) t->keepSinceMark();
    result.applied = true;
    result.counts = run.counts;
    return result;
}

}  // namespace tonvela
