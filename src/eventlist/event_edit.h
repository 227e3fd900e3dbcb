#pragma once

// Adding, editing and deleting single events as the event list's dialog does: the dialog's
// values as a plain struct, the prefill from the selected line, and the three journaled edits
// with their undo labels. Every edit opens its own undo step in each track it changes.

#include <string>

#include "song/events.h"

namespace tonvela {

class midiSong;
class midiTrack;

// The pages of the dialog, in its tab order.
enum class EventPage { note, control, program, pitchBend, sysex, meta, cantEdit };

// The meta events the dialog makes, in the order of its choice.
enum class MetaKind { marker, text, lyric, cuePoint };

// The dialog's values. Numbers are as typed; the edits clamp what they store.
struct EventFields {
    int bar = 1, beat = 1, tick = 0;  // bar and beat from 1
    int channel = 1;                  // 1..16
    EventPage page = EventPage::note;
    // "Note"
    int key = 1;
    int velocity = 1;
    int duration = 1;
    // "Control Change"
    int controller = 0;
    int controlValue = 1;
    // "Program Change", with the bank selects written before it
    int program = 0;
    bool bankSelectMsb = false;
    int msbValue = 0;
    int msbOffset = -10;  // ticks from the program change
    bool bankSelectLsb = false;
    int lsbValue = 0;
    int lsbOffset = -5;
    // "PitchBend", -8192..8191
    int bend = 0;
    // "MetaEvent": the text as the song stores it (bytes)
    MetaKind metaKind = MetaKind::marker;
    std::string metaText;
};

// Undo labels.
inline constexpr const char* kAddNoteLabel = "Add Note";
inline constexpr const char* kAddControlLabel = "Add Control";
inline constexpr const char* kAddProgramLabel = "Add ProgramChange";
inline constexpr const char* kAddPitchBendLabel = "Add PitchBend";
inline constexpr const char* kAddMetaLabel = "Add metaEvent";
inline constexpr const char* kModifyNoteLabel = "Modity Note";
inline constexpr const char* kModifyControlLabel = "Modify Control";
inline constexpr const char* kModifyProgramLabel = "Modify ProgramNo";
inline constexpr const char* kModifyPitchBendLabel = "Modify PitchBend";
inline constexpr const char* kModifyMetaLabel = "Modify MetaEvent";
inline constexpr const char* kModifyEventLabel = "Modify Event";
inline constexpr const char* kDeleteEventLabel = "Delete Event";

inline constexpr const char* kInternalError = "Dooh! Internal Error!";
inline constexpr const char* kAddedToTrack0 = "Event added to Track 0";

// The page that edits an event of this kind: system exclusive and every kind without a page
// of its own are cantEdit.
EventPage pageFor(const anyEvent& e);

// The dialog's values for the selected event e0 and the events of the one and two lines above
// it (nullptr when there are none): its position and channel (1 for events without one), and
// the fields of its page. A program change takes the bank values from a bank select MSB two
// lines above and a bank select LSB one line above.
EventFields prefillEventFields(const anyEvent& e0, const anyEvent* e1, const anyEvent* e2);

// The dialog's values for Add with no line selected (an empty track has none): the start of
// `bar` (counted from 0), the track's first channel (1 when it has none), the "Note" page with
// the dialog's defaults.
EventFields emptyLineFields(const midiTrack& target, int bar);

struct AddedEvent {
    midiTrack* track = nullptr;  // where the event went
    anyEvent* event = nullptr;   // the event of the page (the program change, not its bank selects)
    bool movedToFirstTrack = false;  // a meta event asked for another track went to track 0
};

// Adds the event of the page to `target`, in time order, under the page's undo label. Text,
// marker, lyric and cue point events go to the song's first track instead. Key is clamped to
// 0..127, velocity to 1..127, values to 0..127, bend to -8192..8191, duration to >= 0.
// Throws MidiError with a message for the user when the position is out of range, the channel
// is outside 1..16 or the page adds nothing (sysex, cantEdit).
AddedEvent addEventFromFields(midiSong& song, midiTrack& target, const EventFields& fields);

struct EditedEvent {
    midiTrack* track = nullptr;
    anyEvent* event = nullptr;  // the edited event, or the one that replaced it
};

// Edits event e by the fields of its page (fields.page must be pageFor(e)) under the page's
// undo label: changed values are set with the journaled operations, then the channel, then the
// time (the track is sorted afterwards). A new text of a meta event replaces the event by a
// new one in the same undo step, so undo brings the old text back. Throws MidiError: "Dooh!
// Internal Error!" when no track holds e, a message for the user when the position is out of
// range.
EditedEvent editEventFromFields(midiSong& song, anyEvent& e, const EventFields& fields);

// Removes e from its track under "Delete Event". Throws MidiError when no track holds it.
midiTrack* deleteListedEvent(midiSong& song, anyEvent& e);

}  // namespace tonvela
