#pragma once

// The song: tracks, the bar table, tempo and time-signature queries, and the Standard MIDI
// File reader and writer. Reading and writing work on bytes in memory; the file functions are
// thin layers over them. Errors are thrown as MidiError with the user-facing message.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/fileio.h"
#include "song/events.h"
#include "song/textcodec.h"
#include "song/track.h"

namespace tonvela {

using midiTracks = std::vector<std::unique_ptr<midiTrack>>;

struct LoadOptions {
    // Read what can be read from a damaged file instead of failing; see LoadReport::repairs.
    bool recover = false;
};

struct LoadReport {
    std::vector<std::string> repairs;  // one line per repair made by a recovering load
};

struct TimeSignature {
    int32_t ticksPerBeat;
    int32_t beatsPerBar;
};

class midiSong {
public:
    midiSong();
    virtual ~midiSong();
    midiSong(const midiSong&) = delete;
    midiSong& operator=(const midiSong&) = delete;

    // ---- reading and writing --------------------------------------------------------------
    // Replaces the content with the file at path (Standard MIDI File, or RIFF RMID).
    LoadReport load(const std::string& path, const LoadOptions& options = {});
    // Same from bytes in memory; fileName is set to `name`.
    LoadReport loadBytes(const uint8_t* data, size_t size, const std::string& name = {},
                         const LoadOptions& options = {});
    // Encodes the song as a Standard MIDI File. On success the written tracks' journals are
    // cleared and overlapping notes are re-paired as a reload would pair them; on failure
    // nothing in the song changes.
    virtual void write(std::vector<uint8_t>& out);
    // Writes to a temporary file beside path, flushes it and renames it over path, so a failed
    // save never leaves a truncated or missing file. Throws "Dooh! Save failed. ..." on failure.
    void writeFile(const std::string& path);

    // ---- time -----------------------------------------------------------------------------
    void buildBarTable();
    TimeSignature timeSignatureAt(int32_t time) const;
    BarBeatTick timeToBarBeatTick(int32_t time) const;
    int32_t barBeatTickToTime(int32_t bar, int32_t beat, int32_t tick) const;
    uint32_t tempoAt(int32_t time);
    const keyEvent* keySignatureAt(int32_t time) const;
    int sharpsAt(int32_t time) const;
    int32_t msToTicks(int64_t ms, int32_t time);
    void computePosition(anyEvent* e) const;
    // computePosition for each, cheapest when they come in time order.
    void computePositions(std::span<anyEvent* const> events) const;

    // ---- song-wide ------------------------------------------------------------------------
    midiTrack* trackOf(const anyEvent* e) const;
    int masterTune();
    std::string title() const;
    void setTitle(const std::string& text);
    void setCopyright(const std::string& text);
    void markDrumTracks();
    int trackCount() const { return static_cast<int>(tracks.size()); }
    midiTrack* track(int i) const { return tracks[static_cast<size_t>(i)].get(); }
    bool isPreset(const anyEvent* e) const { return e == &gmOnEvent || e == &xgOnEvent || e == &gsResetEvent; }
    // Drops every track and list; the song is as new (time base kept).
    void clearSong();

    // ---- undo and redo as the editor offers them ------------------------------------------
    // Undo of track i. A track that an edit created (midiTrack::createdByEdit) leaves the song
    // when undo has taken it back to nothing: no event and nothing left to undo.
    void undoTrack(int i);
    // Redo of track i; when that track has nothing to redo, the track that undo dropped last
    // comes back at its place and is redone. Dropped tracks are kept until the song is saved or
    // replaced.
    void redoTrack(int i);
    bool canRedoTrack(int i) const;
    std::string redoLabelOfTrack(int i) const;

    // ---- fields ---------------------------------------------------------------------------
    // The lists and pointers below name only events held by a track of `tracks`; the tracks
    // keep them right on every addition, removal, undo and redo:
    //  timeSignatures, keySignatures: in (time, serial) order (file order within a tick);
    //  sysexEvents: in serial (file) order; songCopyright: the first copyright event;
    //  tuneEvent: cleared when its event leaves the song.
    int32_t songEnd = 0;
    sysexEvent* tuneEvent = nullptr;
    int32_t firstNoteTime = INT32_MAX;
    int16_t format = 1;
    uint16_t timeBase = 480;
    midiTracks tracks;
    midiTrack* firstTrack = nullptr;
    std::vector<timeBeatEvent*> timeSignatures;
    sysexEvent gmOnEvent;
    sysexEvent xgOnEvent;
    sysexEvent gsResetEvent;
    copyrightEvent* songCopyright = nullptr;
    uint32_t tempo = 500000;
    std::vector<sysexEvent*> sysexEvents;
    std::vector<keyEvent*> keySignatures;
    uint8_t systemFlags = 0;
    std::vector<int32_t> barStarts;
    std::string fileName;
    // How the song's texts are shown: decided once from all its texts when the file is read
    // (guessTextEncoding), so one song never mixes encodings on screen; automatic (a guess per
    // text) for a song not read from a file. A user's choice may replace it.
    TextEncoding textEncoding = TextEncoding::automatic;

    // Copyright texts of every copyright event, in track order, joined by one space.
    std::string copyrightText() const;

private:
    friend class midiTrack;
    bool ownsTrack(const midiTrack* t) const;
    // A track of the song took in or let go of an event that the song may list.
    void eventEntered(anyEvent* e);
    void eventLeft(anyEvent* e);
    void signatureMoved(anyEvent* e);
    static bool listedKind(const anyEvent* e);

    bool clearing_ = false;
    struct DroppedTrack {
        std::unique_ptr<midiTrack> track;
        size_t position;
    };
    std::vector<DroppedTrack> dropped_;  // by undoTrack, newest last
    std::vector<copyrightEvent*> copyrights_;  // every copyright event of the tracks, by serial

    // What a successful write changes in the song, applied only once the bytes are safe.
    struct WriteResult {
        std::vector<std::pair<NoteOnEvent*, int32_t>> durations;  // re-paired overlapping notes
        std::vector<midiTrack*> written;                          // journals to clear
        std::vector<midiTrack*> toSort;                           // tracks written in sorted order
        std::vector<std::pair<midiTrack*, int32_t>> endTimes;     // raised to their last note off
        bool disorder = false;  // a track believed in order was not: encode again with checks
    };
    friend std::unique_ptr<midiSong> copySong(const midiSong& song);
    WriteResult encode(std::vector<uint8_t>& out, bool oneChunkPerTrack = false) const;
    WriteResult encodeWith(std::vector<uint8_t>& out, bool trustOrder, bool oneChunkPerTrack) const;
    void commitWrite(WriteResult& result) noexcept;
    void splitFormat0();
    void loadImpl(const uint8_t* data, size_t size, const LoadOptions& options, LoadReport& report);
};


}  // namespace tonvela
