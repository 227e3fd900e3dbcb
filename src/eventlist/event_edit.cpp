#include "eventlist/event_edit.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "base/errors.h"
#include "song/selection.h"
#include "song/song.h"

namespace tonvela {

namespace {

uint8_t metaTypeOf(MetaKind k) {
    switch (k) {
    case MetaKind::text: return 0x01;
    case MetaKind::lyric: return 0x05;
    case MetaKind::cuePoint: return 0x07;
    case MetaKind::marker: break;
    }
    return 0x06;
}

std::optional<MetaKind> metaKindOf(int kind) {
    switch (kind) {
    case kindText: return MetaKind::text;
    case kindCuePoint: return MetaKind::cuePoint;
    case kindLyric: return MetaKind::lyric;
    case kindMarker: return MetaKind::marker;
    default: return std::nullopt;
    }
}

// A typed position must lie in a bar of the song's bar table: an event past it would have no
// column in the grid and no sensible bar:beat:tick.
int32_t typedTime(const midiSong& song, const EventFields& f) {
    std::string error;
    auto time = positionTime(song, f.bar, f.beat, f.tick, &error);
    if (!time) throw MidiError(error);
    const int bars = static_cast<int>(song.barStarts.size());
    if (bars > 0 && static_cast<int64_t>(*time) >= barStartTick(song, bars))
        throw MidiError("Position out of range: " + std::to_string(f.bar) + ":" + std::to_string(f.beat) + ":" +
                        std::to_string(f.tick));
    return *time;
}

uint8_t channelStatus(uint8_t high, const EventFields& f) {
    if (f.channel < 1 || f.channel > 16)
        throw MidiError("Channel out of range: " + std::to_string(f.channel));
    return static_cast<uint8_t>(high | (f.channel - 1));
}

int clampKey(int key) { return std::clamp(key, 0, 127); }
// Velocity 0 would make a note off that is lost on save.
int clampVelocity(int velocity) { return std::clamp(velocity, 1, 127); }
int clampValue(int value) { return std::clamp(value, 0, 127); }
// A note must end within the largest tick.
int32_t clampDuration(int64_t duration, int32_t time) {
    return static_cast<int32_t>(std::clamp<int64_t>(duration, 0, static_cast<int64_t>(INT32_MAX) - time));
}
int32_t offsetTime(int32_t time, int offset) {
    return static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(time) + offset, 0, INT32_MAX));
}

void sortByTime(auto& registry) {
    std::stable_sort(registry.begin(), registry.end(),
                     [](const anyEvent* a, const anyEvent* b) { return a->time < b->time; });
}

}  // namespace

EventPage pageFor(const anyEvent& e) {
    switch (e.kind()) {
    case kindNote: return EventPage::note;
    case kindControl: return EventPage::control;
    case kindProgram: return EventPage::program;
    case kindPitchBend: return EventPage::pitchBend;
    default: return metaKindOf(e.kind()) ? EventPage::meta : EventPage::cantEdit;
    }
}

EventFields emptyLineFields(const midiTrack& target, int bar) {
    EventFields f;
    f.bar = std::max(bar, 0) + 1;
    const int channel = target.firstChannel();
    f.channel = channel >= 0 && channel <= 15 ? channel + 1 : 1;
    return f;
}

EventFields prefillEventFields(const anyEvent& e0, const anyEvent* e1, const anyEvent* e2) {
    EventFields f;
    f.bar = e0.bar + 1;
    f.beat = e0.beat + 1;
    f.tick = e0.tick;
    f.channel = e0.channelOf() >= 0 ? e0.channelOf() + 1 : 1;
    f.page = pageFor(e0);
    auto bankValue = [](const anyEvent* e, int controller) -> std::optional<int> {
        if (!e || e->kind() != kindControl) return std::nullopt;
        auto* c = static_cast<const ControlChangeEvent*>(e);
        if (c->controller() != controller) return std::nullopt;
        return c->value();
    };
    switch (f.page) {
    case EventPage::note: {
        auto& n = static_cast<const NoteOnEvent&>(e0);
        f.key = n.note();
        f.velocity = n.velocity();
        f.duration = n.duration();
        break;
    }
    case EventPage::control: {
        auto& c = static_cast<const ControlChangeEvent&>(e0);
        f.controller = c.controller();
        f.controlValue = c.value();
        break;
    }
    case EventPage::program:
        f.program = static_cast<const ProgramChangeEvent&>(e0).program();
        if (auto v = bankValue(e2, 0)) f.msbValue = *v;
        if (auto v = bankValue(e1, 32)) f.lsbValue = *v;
        break;
    case EventPage::pitchBend: f.bend = static_cast<const PitchBendEvent&>(e0).bend(); break;
    case EventPage::meta:
        f.metaKind = *metaKindOf(e0.kind());
        f.metaText = static_cast<const metaEvent&>(e0).text();
        break;
    case EventPage::sysex:
    case EventPage::cantEdit: break;
    }
    return f;
}

AddedEvent addEventFromFields(midiSong& song, midiTrack& target, const EventFields& f) {
    const int32_t time = typedTime(song, f);
    AddedEvent added{&target, nullptr, false};
    switch (f.page) {
    case EventPage::note: {
        auto* n = new NoteOnEvent(time, channelStatus(0x90, f));
        n->setNote(clampKey(f.key));
        n->setVelocity(clampVelocity(f.velocity));
        n->setDuration(clampDuration(f.duration, time));
        target.beginUndoStep(kAddNoteLabel);
        target.addEvent(n, true, true);
        added.event = n;
        break;
    }
    case EventPage::control: {
        auto* c = new ControlChangeEvent(time, channelStatus(0xB0, f));
        c->setController(clampValue(f.controller));
        c->setValue(clampValue(f.controlValue));
        target.beginUndoStep(kAddControlLabel);
        target.addEvent(c, true, true);
        added.event = c;
        break;
    }
    case EventPage::program: {
        const uint8_t status = channelStatus(0xC0, f);
        target.beginUndoStep(kAddProgramLabel);
        auto bank = [&](int controller, int value, int offset) {
            auto* c = new ControlChangeEvent(offsetTime(time, offset), static_cast<uint8_t>(0xB0 | (status & 0x0F)));
            c->setController(controller);
            c->setValue(clampValue(value));
            target.addEvent(c, true, true);
        };
        if (f.bankSelectMsb) bank(0, f.msbValue, f.msbOffset);
        if (f.bankSelectLsb) bank(32, f.lsbValue, f.lsbOffset);
        auto* p = new ProgramChangeEvent(time, status);
        p->setProgram(clampValue(f.program));
        target.addEvent(p, true, true);
        added.event = p;
        break;
    }
    case EventPage::pitchBend: {
        auto* b = new PitchBendEvent(time, channelStatus(0xE0, f));
        b->setBend(std::clamp(f.bend, -8192, 8191));
        target.beginUndoStep(kAddPitchBendLabel);
        target.addEvent(b, true, true);
        added.event = b;
        break;
    }
    case EventPage::meta: {
        // Texts, markers, lyrics and cue points belong to the conductor track.
        midiTrack* first = song.firstTrack;
        if (!first) throw MidiError(kInternalError);
        metaEvent* m = makeMetaEvent(time, metaTypeOf(f.metaKind));
        m->setText(f.metaText);
        first->beginUndoStep(kAddMetaLabel);
        first->addEvent(m, true, true);
        added = {first, m, first != &target};
        break;
    }
    case EventPage::sysex:
    case EventPage::cantEdit: throw MidiError("This event can't be added.");
    }
    return added;
}

EditedEvent editEventFromFields(midiSong& song, anyEvent& e, const EventFields& f) {
    midiTrack* t = song.trackOf(&e);
    if (!t || f.page != pageFor(e)) throw MidiError(kInternalError);
    const int32_t time = typedTime(song, f);
    EditedEvent edited{t, &e};
    switch (f.page) {
    case EventPage::note: {
        auto& n = static_cast<NoteOnEvent&>(e);
        t->beginUndoStep(kModifyNoteLabel);
        if (clampKey(f.key) != n.note()) t->setKey(&n, clampKey(f.key));
        if (clampVelocity(f.velocity) != n.velocity()) t->setVelocity(&n, clampVelocity(f.velocity));
        const int32_t duration = clampDuration(f.duration, time);
        if (duration != n.duration()) t->setDuration(&n, duration);
        break;
    }
    case EventPage::control: {
        auto& c = static_cast<ControlChangeEvent&>(e);
        t->beginUndoStep(kModifyControlLabel);
        if (clampValue(f.controller) != c.controller()) t->setNumber(&c, clampValue(f.controller));
        if (clampValue(f.controlValue) != c.value()) t->setControlValue(&c, clampValue(f.controlValue));
        break;
    }
    case EventPage::program: {
        auto& p = static_cast<ProgramChangeEvent&>(e);
        t->beginUndoStep(kModifyProgramLabel);
        if (clampValue(f.program) != p.program()) t->setProgram(&p, clampValue(f.program));
        break;
    }
    case EventPage::pitchBend: {
        auto& b = static_cast<PitchBendEvent&>(e);
        t->beginUndoStep(kModifyPitchBendLabel);
        const int raw = std::clamp(f.bend, -8192, 8191) + 8192;
        if (raw != b.rawBend()) t->setBend(&b, raw);
        break;
    }
    case EventPage::meta: {
        auto& m = static_cast<metaEvent&>(e);
        t->beginUndoStep(kModifyMetaLabel);
        if (f.metaText == m.text() && metaTypeOf(f.metaKind) == m.metaType) break;
        // The journal has no line for a text: the event is replaced in the same step, so undo
        // puts the old one back.
        metaEvent* replacement = makeMetaEvent(time, metaTypeOf(f.metaKind));
        replacement->setText(f.metaText);
        t->removeEvent(&e);
        t->addEvent(replacement, true, true);
        t->pack();
        edited.event = replacement;
        return edited;
    }
    case EventPage::sysex:
    case EventPage::cantEdit: t->beginUndoStep(kModifyEventLabel); break;
    }
    if (e.status < 0xF0 && f.channel >= 1 && f.channel <= 16 && f.channel - 1 != e.channelOf())
        t->setChannel(&e, f.channel - 1);
    if (time != e.time) {
        t->moveEvent(&e, time - e.time);
        t->sortEvents();
        // The song finds the signature in force by walking these lists in time order.
        if (e.kind() == kindTimeSignature) sortByTime(song.timeSignatures);
        if (dynamic_cast<keyEvent*>(&e)) sortByTime(song.keySignatures);
    }
    return edited;
}

midiTrack* deleteListedEvent(midiSong& song, anyEvent& e) {
    midiTrack* t = song.trackOf(&e);
    if (!t) throw MidiError(std::string(kInternalError) + " (eventlist, line 400)");
    t->beginUndoStep(kDeleteEventLabel);
    t->removeEvent(&e);
    t->pack();
    return t;
}

}  // namespace tonvela
