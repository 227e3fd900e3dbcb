#pragma once

// The data checker: finds seventeen kinds of questionable data, channel by channel. The events
// of one channel are merged from every track into one time-ordered list, each note's end becomes
// a note off again, and the list runs through a MidiChannel in checking mode. Each finding is a
// line of the report with the song event it concerns.
//
// Checking reads the song and changes nothing in it. A report holds a reference (refCount) on
// every event it names, so an event removed from the song by a later edit stays alive, and is
// never mistaken for a new event made at its address, while the report names it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "song/song.h"

namespace tonvela {

class anyEvent;
class midiSong;
struct Options;

inline constexpr int kCheckCount = 17;

// The text that begins every line of a check (1..17), e.g. "005 Same Control Value "; "" for
// other numbers.
const char* checkLabel(int check);
// The explanation of a check (1..17), UTF-8; "" for other numbers.
const char* checkExplanation(int check);
// The check number a report line starts with, read from its first three characters; 0 when
// they are not a number.
int checkNumberOfLine(std::string_view line);

// A song event as the checker met it. `track` and `position` say where it stood then, so a
// correction finds it again without searching; `time` is its time then.
struct EventPlace {
    anyEvent* event = nullptr;
    int track = -1;
    int position = -1;
    int32_t time = 0;
    int32_t move = 0;  // 012/013: ticks the correction moves it by (negative)
};

// Events a line names besides its own. The lines of one tick share one list where they name
// the same events (the changes of one controller on the tick, the events that move with a
// note), so a tick of thousands of findings costs memory and time in proportion to them. Holds
// a reference (refCount) on every event it names.
class PlaceList {
public:
    PlaceList() = default;
    ~PlaceList();
    PlaceList(const PlaceList&) = delete;
    PlaceList& operator=(const PlaceList&) = delete;

    void add(const EventPlace& place);
    size_t size() const { return places_.size(); }
    const EventPlace& operator[](size_t i) const { return places_[i]; }

private:
    std::vector<EventPlace> places_;
};

// One line of the report.
struct Finding {
    int check = 0;     // 1..17
    int channel = 0;   // 0..15
    int track = 0;     // the track of the event whose place the line shows
    int32_t time = 0;  // that place, in ticks
    // The event the line is about: what locating shows and what the correction changes. Always
    // an event of the song (for an extra note off that the checker made from a duration, the
    // note whose end it is).
    EventPlace event;
    // The first `placeCount` places of `places`, by check: 001/003 the earlier notes of the key
    // that still sound at the note on (latest first); 010/011 the earlier changes of that
    // controller or the earlier pitch bends on the tick; 012/013 the other events that move with
    // it (for a note on, every control change and pitch bend of its tick).
    std::shared_ptr<PlaceList> places;
    size_t placeCount = 0;
    // 002: the duration that ends the note where an All Notes Off or All Sound Off of its channel
    // already ended it; 0 when that leaves nothing worth keeping; -1 when nothing ended it.
    int32_t endDuration = -1;
    // 012/013: the move keeps the order of every event it passes (false at tick 0, or when a
    // note on or the same controller stands in the way). 010 of a switch: a release on the tick
    // can move a tick earlier the same way.
    bool movable = false;
    // The event changes nothing and goes. 015: the switch stood on that side of 64 already.
    // 010/011: it repeats the value in force just before it, where the earlier changes are used
    // and stay; or, as the last change of the tick, it gives back the value in force before the
    // tick, and goes with the earlier ones.
    bool redundant = false;
    // 010/011: an event that uses the value (a note on, All Notes Off for a pedal, data entry
    // for a parameter number, a program change for bank select) stands between the changes on
    // the tick, so each of them counts and the earlier ones are not removed.
    bool usedBetween = false;
    BarBeatTick place{};            // of `time`, as the line shows it (counted from 0)
    bool describesNoteOff = false;  // 002 of a made note off: the line describes the note's end

    // The line: the label, the place "T/BBB:BB:TTT " (bar and beat from 1), the description of
    // the event as it is now. Made when asked for, so a report of a hundred thousand findings
    // costs no text until it is shown.
    std::string text() const;
};

class CheckReport {
public:
    CheckReport() = default;
    ~CheckReport();
    CheckReport(CheckReport&& other) noexcept;
    CheckReport& operator=(CheckReport&& other) noexcept;
    CheckReport(const CheckReport&) = delete;
    CheckReport& operator=(const CheckReport&) = delete;

    const std::vector<Finding>& findings() const { return findings_; }
    size_t size() const { return findings_.size(); }
    bool empty() const { return findings_.empty(); }
    const Finding& operator[](size_t i) const { return findings_[i]; }

    // Appends a finding; the report takes a reference on every event it names.
    void add(Finding finding);
    // Drops the findings whose flag is set; the others keep their order.
    void erase(const std::vector<bool>& which);
    void clear();
    // Every line followed by `lineEnd`, in list order (the Copy Report text with "\r\n").
    std::string text(std::string_view lineEnd = "\r\n") const;

private:
    friend CheckReport checkSong(const midiSong&, const Options&, uint16_t, const std::function<void(int, size_t)>&);
    void hold(const Finding& f);
    void release() noexcept;
    std::vector<Finding> findings_;
};

// Called when the check of a channel (0..15) starts, with the number of lines so far.
using CheckProgress = std::function<void(int channel, size_t found)>;

// Checks the channels whose bit is set in `channels` (bit 0 = MIDI channel 1), in channel order,
// with the data-check switches and limits of `options`. Time and memory grow linearly with the
// song.
CheckReport checkSong(const midiSong& song, const Options& options, uint16_t channels = 0xFFFF,
                      const CheckProgress& progress = {});

// The status text after a check: "Check Done ( N events found )".
std::string checkDoneText(size_t found);

}  // namespace tonvela
