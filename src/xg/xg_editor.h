#pragma once

// The XG editor's operations over a song, for the window, the command line and tests alike:
// finding, writing and removing the song's XG parameter-change messages (each value sent at once
// through a sender so that it is heard), display messages, moving the messages to one track, and
// Arrange.
//
// Every change belongs to an undo step that the caller opens with its label (beginStep) and
// closes (endStep); each track the change touches gets the step's marker before its first line,
// so a step never merges into an earlier one. A slider drag keeps one step open from press to
// release. New bytes for an existing message replace the event (a journaled removal and
// addition), so undo and redo restore the bytes exactly and the song's sysexEvents list, which
// the tracks keep, stays right; an event made within the open step is changed in place, since
// undoing its addition takes it away whole.

#include <bitset>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "xg/xg_tables.h"

namespace tonvela {

class midiSong;
class midiTrack;
class sysexEvent;

constexpr int32_t xgAddress(int ah, int am, int al) { return (ah << 16) | (am << 8) | al; }
inline constexpr int32_t xgMasterTuneAddress = 0x000000;
inline constexpr int32_t xgAllParameterResetAddress = 0x00007F;
inline constexpr int32_t xgDisplayLettersAddress = 0x060000;
inline constexpr int32_t xgDisplayBitmapAddress = 0x070000;
inline constexpr int xgMaxLetters = 32;

bool isXGMessage(const sysexEvent& e);  // manufacturer 0x43
// An XG message of the display list (letters or bitmap).
bool isXGDisplay(const sysexEvent& e);
// Data byte i (after the three address bytes) of an XG message; 0 where the message is too
// short to hold it.
int xgData(const sysexEvent& e, int i);
// A parameter change to `address` carrying `data` (bytes after F0, F7 last).
std::vector<uint8_t> xgParameterBytes(int32_t address, std::span<const int> data);

// ---- the two lists ------------------------------------------------------------------------------

// "BBB:BB:TTT " and the message's name.
std::string xgListText(const sysexEvent& e);

struct XGListItem {
    sysexEvent* message;
    std::string text;
    bool checked;  // message list: before the song's first note
};
struct XGListItems {
    std::vector<XGListItem> messages;  // every XG message but the display ones
    std::vector<XGListItem> display;   // letters and bitmaps
};
// In the order of the song's sysexEvents.
XGListItems xgListItems(const midiSong& song);

// ---- display messages ---------------------------------------------------------------------------

// Pixel (row r from the top, column c from the left) is bit r * 16 + c.
using XGBitmap = std::bitset<256>;
// Letters that a display message can carry: 0x20-0x7E, at most 32.
bool xgValidLetters(std::string_view text);
// Whole messages (bytes after F0). Throws MidiError for letters xgValidLetters refuses.
std::vector<uint8_t> xgLettersMessage(std::string_view text);
std::vector<uint8_t> xgBitmapMessage(const XGBitmap& picture);
// The data bytes of a letters message as characters.
std::string xgLettersOf(const sysexEvent& e);
// The picture of a bitmap message; missing bytes are blank pixels.
XGBitmap xgBitmapOf(const sysexEvent& e);

// ---- Arrange ------------------------------------------------------------------------------------

struct XGArrangeFields {
    int32_t start;   // the ticks of 55 ms at the tempo of the first display message (or of time 0)
    int32_t offset;  // ticks between two messages
};
XGArrangeFields xgArrangeDefaults(midiSong& song);
// ALL PARAMETER RESET first, then by address (none first), then by creation.
bool xgArrangeLess(const sysexEvent* a, const sysexEvent* b);

// ---- the editor ---------------------------------------------------------------------------------

// Receives each message to send: status byte first, F7 last.
using XGSender = std::function<void(std::span<const uint8_t> message)>;

class XGEditor {
public:
    explicit XGEditor(midiSong& song);
    midiSong& song() const { return *song_; }

    XGSender send;
    // Told of every message the editor adds (before == nullptr), removes (after == nullptr) or
    // replaces by a new event, so that a view can keep its marks on it.
    std::function<void(const sysexEvent* before, sysexEvent* after)> onReplace;
    // Where new messages go; an index out of range means the first track.
    int targetTrack = 0;

    // ---- undo steps
    void beginStep(const std::string& label);
    // Closes the step; the indexes of the tracks it wrote to (none when it changed nothing).
    std::vector<int> endStep();
    bool stepOpen() const { return open_; }

    // ---- the basic operations
    sysexEvent* findXGMessage(int32_t address, int32_t time = -1) const;
    sysexEvent* touchXGMessage(int32_t address, int32_t time = -1);
    // One data byte; the default removes the message (resetXGValue).
    void setXGValue(int32_t address, int value, int defaultValue);
    // Two 7-bit bytes, high first, for values above 127.
    void setXGValue2(int32_t address, int value, int defaultValue);
    // Sends the default; removes the message when there is one.
    void resetXGValue(int32_t address, int defaultValue);
    void resetXGValue2(int32_t address, int defaultValue);
    // Removes the message without sending anything.
    void dropXGMessage(int32_t address);
    // Writes data bytes 0.. of the message (made when missing) and sends it.
    void setXGData(int32_t address, std::span<const int> data);

    // ---- the window's particular rules
    // 0-2047, 1024 being no message; four nibbles, most significant first.
    void setMasterTune(int position);
    // Writes the code of the chosen type; type messages are never removed.
    void setEffectType(int32_t typeAddress, XGBlock block, int effectNumber);
    // The effect number the type message of a block names (or the shown default's code when
    // there is none); -1 when the code is not in the block's table.
    int effectType(int32_t typeAddress, XGBlock block, int shownDefaultCode) const;

    // ---- display messages (nothing is sent)
    // A display message at exactly this time is reused, otherwise one is made in the target track.
    sysexEvent* newDisplay(int32_t time, const std::vector<uint8_t>& message);
    // New time and bytes for a listed message, in its own track; the message now holding them.
    sysexEvent* changeMessage(sysexEvent* e, int32_t time, const std::vector<uint8_t>& message);
    // Removes a listed message from its track.
    void deleteMessage(sysexEvent* e);

    // ---- whole-list commands
    // Every listed message that another track holds moves (as a copy) to this track.
    void moveToTrack(int track);
    // Re-times the checked messages of the message list, in arrange order, to start,
    // start + offset, ...; each message stays in its own track, which is sorted afterwards.
    // Returns the number of messages moved.
    int arrange(int32_t start, int32_t offset, const std::function<bool(const sysexEvent&)>& checked);

    void sendMessage(const sysexEvent& e) const;
    void sendBytes(std::span<const uint8_t> sysexData) const;  // F0 is put before them

private:
    bool listed(const sysexEvent* e) const;
    midiTrack& target() const;
    // Opens the step in a track before its first change.
    void mark(midiTrack& t);
    void checkStep();
    sysexEvent* replace(sysexEvent* e, int32_t time, const std::vector<uint8_t>& bytes);
    void remove(sysexEvent* e);

    midiSong* song_;
    bool open_ = false;
    std::string label_;
    struct Marked {
        midiTrack* track;
        size_t journalSize;  // right after the step's marker
    };
    std::vector<Marked> marked_;
    std::unordered_set<uint32_t> fresh_;  // serials of the events made within the open step
};

}  // namespace tonvela
