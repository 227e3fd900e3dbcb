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
    auto* n = static_cast<const NoteOnEvent*>(e);
    if (n->note() < f.keyMin || n->note() > f.keyMax) return false;
    if (n->velocity() < f.velocityMin || n->velocity() > f.velocityMax) return false;
    if (n->duration() < f.durationMin || n->duration() > f.durationMax) return false;
    if (f.pitchClass >= 0 && n->note() % 12 != f.pitchClass) return false;
    const uint32_t info = track.legatoInfo(index);
    if ((info & 0x80000000u) && !f.allowOverlap) return false;
    if (info & 0x40000000u) return f.independent;
    const int direction = static_cast<int8_t>(info & 0xFF);
    if (direction == 0) return f.flat;
    return direction > 0 ? f.ascending : f.descending;
}

}  // namespace tonvela
