#include "effects/note_filter.h"

#include "settings/numbertext.h"
#include "song/track.h"

namespace tonvela {

NoteFilter noteFilterFor(const AddEventPage& page, const UnitContext& units) {
    NoteFilter f;
    f.keyMin = readInteger(page.NoteMin).value_or(0);
    f.keyMax = readInteger(page.NoteMax).value_or(127);
    f.velocityMin = readInteger(page.VeloMin).value_or(1);
    f.velocityMax = readInteger(page.VeloMax).value_or(127);
    f.durationMin = unitToTicks(units, page.DurationUnit, readDecimal(page.DurMin).value_or(1));
    f.durationMax = unitToTicks(units, page.DurationUnit, readDecimal(page.DurMax).value_or(9999));
    f.pitchClass = page.PitchNameFilter >= 1 && page.PitchNameFilter <= 12 ? page.PitchNameFilter - 1 : -1;
    f.allowOverlap = page.AllowOverlap;
    f.ascending = page.Ascending;
    f.descending = page.Decemdimg;
    f.independent = page.Independent;
    f.flat = page.Flat;
    return f;
}

bool passesNoteFilter(const midiTrack& track, int index, const NoteFilter& f) {
    if (index < 0 || index >= track.size()) return false;
    const anyEvent* e = track.at(index);
    if (!e || e->kind() != kindNote) return false;
    return noteFilterMiss(track, index, f) == NoteFilterMiss::none;
}

NoteFilterMiss noteFilterMiss(const midiTrack& track, int index, const NoteFilter& f) {
    auto* n = static_cast<const NoteOnEvent*>(track.at(index));
    if (n->note() < f.keyMin || n->note() > f.keyMax) return NoteFilterMiss::key;
    if (n->velocity() < f.velocityMin || n->velocity() > f.velocityMax) return NoteFilterMiss::velocity;
    if (n->duration() < f.durationMin || n->duration() > f.durationMax) return NoteFilterMiss::duration;
    if (f.pitchClass >= 0 && n->note() % 12 != f.pitchClass) return NoteFilterMiss::pitchClass;
    const uint32_t info = track.legatoInfo(index);
    if ((info & 0x80000000u) && !f.allowOverlap) return NoteFilterMiss::overlap;
    if (info & 0x40000000u) return f.independent ? NoteFilterMiss::none : NoteFilterMiss::independent;
    const int direction = static_cast<int8_t>(info & 0xFF);
    if (direction == 0) return f.flat ? NoteFilterMiss::none : NoteFilterMiss::flat;
    if (direction > 0) return f.ascending ? NoteFilterMiss::none : NoteFilterMiss::ascending;
    return f.descending ? NoteFilterMiss::none : NoteFilterMiss::descending;
}

effects::MissTally noteFilterTally(const NoteFilter& f) {
    auto range = [](const char* name, int64_t lo, int64_t hi, const char* unit = "") {
        return std::string(name) + " " + std::to_string(lo) + " - " + std::to_string(hi) + unit;
    };
    const std::string pitch = f.pitchClass >= 0 ? std::string(kPitchNameItems[static_cast<size_t>(f.pitchClass) + 1]) : "";
    effects::MissTally t("note");
    t.add("every note lies outside " + range("Note", f.keyMin, f.keyMax), "outside " + range("Note", f.keyMin, f.keyMax));
    t.add("every note's velocity lies outside " + range("Vel.", f.velocityMin, f.velocityMax),
          "with a velocity outside " + range("Vel.", f.velocityMin, f.velocityMax));
    t.add("every note's length lies outside " + range("Dur.", f.durationMin, f.durationMax, " ticks"),
          "with a length outside " + range("Dur.", f.durationMin, f.durationMax, " ticks"));
    t.add("no note's pitch is " + pitch + " (Pitch)", "not on " + pitch + " (Pitch)");
    t.add("every note overlaps another (Allow Overlap is off)", "overlapping another (Allow Overlap is off)");
    t.add("every note is independent (Independent is off)", "independent (Independent is off)");
    t.add("every note repeats the key before it (Flat is off)", "repeating the key before it (Flat is off)");
    t.add("every note rises from the one before it (Ascending is off)", "rising (Ascending is off)");
    t.add("every note falls from the one before it (Decending is off)", "falling (Decending is off)");
    return t;
}

}  // namespace tonvela
