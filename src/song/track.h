#pragma once

// A track: an ordered list of references to events, with its edit journal.
// Slots may be empty (nullptr) while an operation runs; every reader skips empty slots and
// pack() removes them. Positions are list indexes; -1 means "not found".
// Not thread-safe: one thread edits a song at a time (the player only reads while playing).

#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/pages.h"
#include "song/events.h"

namespace tonvela {

class midiSong;

struct BarBeatTick {
    int32_t bar, beat, tick;
};

class midiTrack {
public:
    // An empty name becomes "Track" + index.
    midiTrack(midiSong* song, int index, const std::string& name);
    ~midiTrack();  // drops every reference it holds (events freed at 0)
    midiTrack(const midiTrack&) = delete;
    midiTrack& operator=(const midiTrack&) = delete;

    // ---- the event list -------------------------------------------------------------------
    int size() const { return static_cast<int>(events_.size()); }
    anyEvent* at(int position) const { return events_[static_cast<size_t>(position)]; }
    const std::vector<anyEvent*>& events() const { return events_; }
    // Direct access for operations that manage references themselves (reader, bulk tools).
    // Such code must not take song-listed events (signatures, system exclusive, copyright,
    // names) out of the track: use deleteEventAt or removeEvent for those.
    std::vector<anyEvent*>& slots() {
        ++layout_;
        return events_;
    }
    void reserve(size_t n) { events_.reserve(n); }
    int countEvents() const;  // non-empty slots

    // Adds a reference. Computes the event's position, journals "+" when asked, updates endTime,
    // firstNoteTime and the channel flags; sorted inserts after every event at the same time.
    int addEvent(anyEvent* e, bool sorted, bool journal);
    // Adds many events as if addEvent(e, sorted=true, journal) were called for each in order,
    // in O(n + k log k) instead of O(n * k). Out of memory (std::bad_alloc) it changes nothing
    // and takes none of the events.
    void addEvents(std::span<anyEvent* const> added, bool journal);
    void appendEvent(anyEvent* e);
    void insertEventAt(int position, anyEvent* e);
    void deleteEventAt(int position);
    void pack();
    // Sorts by time, then creation serial (stable for equal keys). Inside an undo step (while
    // the journal has lines, or a mark is set) the reordering is journaled, so undo gives back
    // the order as it was and redo the sorted one.
    void sortEvents();
    bool isSorted() const;
    // False once an operation may have broken the time order (until the next sort). Code that
    // reorders slots() directly must call sortEvents() or markUnsorted().
    bool orderKnown() const { return !maybeUnsorted_; }
    void markUnsorted() { maybeUnsorted_ = true; }
    int positionOf(const anyEvent* e) const;  // -1 when not held
    void clear();                              // drops every reference

    void updatePosition(anyEvent* e);
    void pairNotes();
    void splitNotes();
    void setName(const std::string& text);
    int firstChannel() const;
    void resetTrack();
    void makeChannelLabel();

    // ---- journaled edits ------------------------------------------------------------------
    void beginUndoStep(const std::string& label);
    void removeEvent(anyEvent* e);
    // removeEvent for a caller that knows the position (no search); the slot is left empty.
    void removeEventAt(int position);
    void moveEvent(anyEvent* e, int32_t deltaTicks);
    void setEventTime(anyEvent* e, int32_t time);
    void setChannel(anyEvent* e, int channel);
    void setNumber(ControlChangeEvent* e, int number);
    void setKey(NoteOnEvent* e, int key);
    void setProgram(ProgramChangeEvent* e, int program);
    void setControlValue(ControlChangeEvent* e, int value);
    void setVelocity(NoteOnEvent* e, int velocity);
    void setDuration(NoteOnEvent* e, int32_t duration);
    void setBend(PitchBendEvent* e, int raw);
    void setTempo(TempoEvent* e, int32_t microseconds);
    // Undoes the newest step that recorded something; the step moves to the redo stack.
    void undo();
    int undoCount();
    std::string undoLabel() const;
    // Redoes the newest undone step exactly as it was made; it moves back to the journal.
    // Undone steps stay redoable until a step is begun or a journaled edit is made on this
    // track, or the journal is cleared (save, reset).
    void redo();
    int redoCount() const;  // number of steps that can be redone
    bool canRedo() const { return redoCount() != 0; }
    std::string redoLabel() const;  // label of the step redo() would redo, "to Start" for lines without one

    // ---- giving up part way -----------------------------------------------------------------
    // For an operation that may fail after it began changing the track: markHistory() sets the
    // redo steps aside (a step begun after it does not end them); abandonToMark() undoes and
    // drops every line journaled since and gives the redo steps back, so undo and redo are
    // exactly as at the mark (empty steps included); keepSinceMark() accepts the changes, which
    // end the redo steps as any step or edit does. One mark at a time.
    void markHistory();
    void abandonToMark();
    void keepSinceMark();
    bool historyMarked() const { return mark_.active; }

    // Set on a track that an edit created (an echo into a new track): once undo has taken it
    // back to nothing, the song drops it (midiSong::undoTrack).
    bool createdByEdit = false;

    // ---- queries (skip empty slots; -1 or nullptr when not found) -------------------------
    int findNoteOff(int from, const NoteOnEvent* note) const;
    int findNextSameKey(int from, const NoteOnEvent* note) const;
    int findNextSameKeyAfter(const NoteOnEvent* note) const;
    int findNextOnChannel(int from, const NoteOnEvent* note) const;
    int findNextNoteFrom(int32_t time, const anyEvent* e) const;
    int findPreviousNote(const NoteOnEvent* note) const;
    int findSustainPedal(int32_t fromTime, int32_t toTime) const;
    int findNextOfKind(int from, int kind) const;
    int findNextOfKindAfter(const anyEvent* e, int kind) const;
    int findAllNotesOff(int from, int channel) const;
    int findKindInRange(int kind, int32_t fromTime, int32_t toTime, int startPosition) const;
    int controllerAt(int32_t time, int controller, int defaultValue) const;
    int programAt(int32_t time, int channel) const;
    int bendAt(int32_t time) const;
    int bendRangeAt(int32_t time) const;
    uint32_t legatoInfo(int position) const;

    // ---- fields ---------------------------------------------------------------------------
    std::bitset<16> channels;
    int32_t endTime = 0;
    midiSong* song;
    bool paired = true;
    int32_t firstNoteTime = -1;
    std::string channelLabel;
    std::vector<std::string> journal;
    // Statistics, filled by the song analysis only.
    int32_t highestKey = 0, lowestKey = 0, meanKey = 0, noteCount = 0, keyVariance = 0,
            meanDuration = 0, durationDeviation = 0, chordNotes = 0, meanVelocity = 0;
    int32_t port = 0;
    bool isDrum = false;
    trackEndEvent endEvent{0};
    std::vector<std::string> journalFields;
    // Parked by journaled removals, kept for undo: one entry per "-" line of the journal, in
    // the order of those lines.
    std::vector<anyEvent*> removedEvents;
    std::string name;
    int index;
    // The last track name event of the list (by creation order); kept right on every change.
    trackNameEvent* nameEvent = nullptr;

private:
    friend class midiSong;

    // What one side of the history (the journal, or the redo stack) keeps beside its lines.
    // Lines that put an event back ("-" in the journal, "+" on the redo stack) each own one
    // parked reference and the identity of the event that preceded it in the list; "M" and "+"
    // lines keep the bar position the event had, "T" lines the tempo data it had. "O" lines (an
    // event that a sort moved within the list) hold the identity of the event it followed.
    struct Side {
        std::vector<anyEvent*>* parked;
        std::vector<int64_t> anchors;
        std::vector<BarBeatTick> positions;
        std::vector<std::vector<uint8_t>> tempos;
    };

    void noteAdded(anyEvent* e);  // endTime, firstNoteTime, channel flags
    void releaseRef(anyEvent* e);
    void addRef(anyEvent* e);
    void writeJournal(char letter, const anyEvent* e, int64_t old);
    int insertionPoint(int32_t time) const;
    // An event joins or leaves the list: the song's lists and this track's name event follow.
    void entered(anyEvent* e);
    void left(anyEvent* e);
    void timeChanged(anyEvent* e);
    int64_t anchorBefore(int position);
    void clearRedo();
    void clearHistory();  // journal, parked events, the redo stack and a mark
    // An event leaves the list without a journal line: the lines (both sides) that name it name
    // nothing, and whatever was to go back right after it goes back after `predecessor` (the
    // serial of the event before it, -1 for the head of the list).
    void forget(const anyEvent* e, int64_t predecessor);
    void sortJournaled();
    void swapRedo();  // exchanges the redo stack with the one set aside by markHistory
    void releaseSetAside();
    // Undoes the newest step, or only its lines from journal line `floor` on.
    void replay(bool undoing, size_t floor);

    std::vector<anyEvent*> events_;
    FaultAhead journalAhead_;
    int holes_ = 0;          // empty slots not yet packed
    bool maybeUnsorted_ = false;  // set by operations that can break time order
    uint64_t layout_ = 0;    // changes whenever slots may have moved
    // The last journaled removal, so that removing a run of events finds each one's
    // predecessor without scanning back over the run.
    int lastHole_ = -1;
    int64_t lastHoleAnchor_ = -1;
    uint64_t lastHoleLayout_ = 0;
    std::vector<trackNameEvent*> names_;  // this track's name events by creation order
    Side undoSide_{&removedEvents, {}, {}, {}};
    // The redo stack holds the same lines as the journal, already split into their fields
    // (letter '@' marks the start of a step, whose "@,label" line is in redoMarkers_).
    struct Line {
        int64_t handle;  // -1: names no event
        int64_t value;
        char letter;
    };
    std::vector<Line> redoLines_;
    std::vector<std::string> redoMarkers_;  // "@,label", or "@" for lines recorded before any step
    std::vector<anyEvent*> redoParked_;
    Side redoSide_{&redoParked_, {}, {}, {}};
    // The redo stack while a mark is set, and the journal length at the mark.
    struct Mark {
        bool active = false;
        size_t lines = 0;
        std::vector<Line> redoLines;
        std::vector<std::string> redoMarkers;
        std::vector<anyEvent*> parked;
        std::vector<int64_t> anchors;
        std::vector<BarBeatTick> positions;
        std::vector<std::vector<uint8_t>> tempos;
    };
    Mark mark_;
};

// Journal handle of an event: its creation serial as a decimal number. Serials are never
// reused, so a line can never name an event made after the one it was written for.
std::string eventHandle(const anyEvent* e);

}  // namespace tonvela
