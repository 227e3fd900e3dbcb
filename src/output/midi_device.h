#pragma once

// The output device object: the open port, the sixteen channel states, the error sound,
// device.prf, and the player that sends a play list in real time.
//
// Threads: the owner (the interface thread) calls every operation. While playing, a player
// thread sends the play list and calls the hooks and onMessage; channel states, play position,
// tempo and display text may be read from any thread. The player sends from its own play list,
// never from the song: the owner may edit the song while playing. With an offline clock
// (rendering, tests) there is no player thread: start() plays the whole list before it returns.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "song/midi_channel.h"
#include "song/selection.h"
#include "song/system_flags.h"
#include "output/midi_port.h"
#include "output/play_clock.h"

namespace tonvela {

class anyEvent;
class midiSong;
class midiTrack;
class PlayList;
struct PlayMessage;

// Called on the player thread while playing (the editor posts them to its own thread).
struct PlayHooks {
    std::function<void()> endOfPlay;
    std::function<void(int32_t tempo)> tempoChange;  // microseconds per quarter note
    std::function<void(int loopCount)> loop;         // before each restart; loops done so far
    std::function<void(const std::string&)> status;  // "Making Play List...", "Playing...", ...
};

struct PlayOptions {
    bool loop = false;
    bool allTracks = false;        // Play selected part: every track instead of the rows
    // > 0: overrideTempo as the play starts (and as each loop pass starts): this tempo replaces
    // the song's once the events of the first tick are sent, until the song's next tempo event.
    int32_t tempo = 0;
    bool gmOn = false;                        // Play All: send GM System On first
    SystemMode system = SystemMode::none;     // Play All: then GS Reset or XG System On
};

class MidiDevice {
public:
    // clock: nullptr for the real clock.
    explicit MidiDevice(std::unique_ptr<PortDriver> driver, std::shared_ptr<PlayClock> clock = nullptr);
    // Stops playing and closes the port; device.prf is written by shutDown only.
    ~MidiDevice();
    MidiDevice(const MidiDevice&) = delete;
    MidiDevice& operator=(const MidiDevice&) = delete;

    // Texts for the user (the editor shows them in a message box). May be called on the player
    // thread; set it before playing.
    std::function<void(const std::string&)> onMessage;

    // ---- ports ----------------------------------------------------------------------------
    // The port list lines: port -1 first, then ports 0 .. count - 1 (line index = id + 1).
    std::vector<std::string> listDevices();
    // Closes the open port first (a failed close aborts). Returns 0, or the error code after
    // reporting its text; a failed open leaves no port open.
    int openDevice(int id);
    // Returns 0, or -1 after reporting the error text.
    int closeDevice();
    bool isOpen() const;
    // Port of the open or wanted port; -1 is the built-in synthesizer, -2 before any choice.
    int deviceId() const { return deviceId_; }

    // ---- start-up, shutdown and device.prf -----------------------------------------------
    // deviceId = -1, read device.prf of the folder, open deviceId; returns openDevice's result.
    int startUp(const std::string& settingsFolder);
    // Stop playing, close the port, write device.prf. Throws MidiError when it cannot be written.
    void shutDown(const std::string& settingsFolder);
    // A missing file keeps the defaults; a version of 1 or more is refused with its message.
    // Returns false when the file was refused.
    bool readSettings(const std::string& settingsFolder);
    void writeSettings(const std::string& settingsFolder) const;
    // The device window's place, kept in device.prf.
    int windowTop = 120;
    int windowLeft = 160;
    int windowWidth = 420;
    int windowHeight = 300;

    // ---- sending --------------------------------------------------------------------------
    int sendShort(int status, int data1, int data2);
    // One system exclusive message, status byte first; a failure is reported.
    int sendLong(std::span<const uint8_t> bytes);
    // Sends what the event stands for and follows it in the channel states (see .cpp).
    void sendEvent(const anyEvent& e);
    // Bank MSB and LSB unless -1, then the program change.
    void sendProgram(int channel, int bankMsb, int bankLsb, int program);
    void sendController(int channel, int controller, int value);
    void sendBend(int channel, int raw);
    void sendNoteOn(int channel, int key, int velocity);
    // All Sound Off and Reset All Controllers on every channel.
    void stopSound();
    void resetChannelStates();
    // Refused (false) outside 1..0xFFFFFF.
    bool setPlayTempo(int32_t microseconds);
    // The tempo chosen by hand (the play bar's Set and tap tempo, --tempo of the command line):
    // plays at this tempo from now until the song's next tempo event, and tells the tempo hook.
    // Refused (false) outside 1..0xFFFFFF. Owner's thread.
    bool overrideTempo(int32_t microseconds);
    int32_t playTempo() const { return playTempo_.load(); }
    // A short tune on channel 0 when a port is open; blocks for two seconds.
    void playErrorSound();

    // ---- channel states -------------------------------------------------------------------
    // A copy taken under the lock, safe while playing.
    MidiChannel channelState(int channel) const;
    // Follows a channel event without sending it (play list building, song loading).
    void feedChannelState(const anyEvent& e);
    // Sends each channel's program, bank, main controllers, bend range and bend, then waits
    // 100 ms.
    void chase();

    // ---- player ---------------------------------------------------------------------------
    PlayHooks hooks;  // copied at each start
    // Sends the events of the first time at once and the rest on time; resuming, from the first
    // message not yet sent. The list is kept for Resume until another one starts or
    // forgetPlayList. Returns false when nothing could be sent (empty list, no open port).
    bool start(std::shared_ptr<const PlayList> list, bool loop, bool resume);
    // Ends playing at once and silences every channel; the play position is kept for resume.
    void stop();
    bool playing() const { return playing_.load(); }
    // Blocks until playing() is false or the timeout passes; true when not playing.
    bool waitUntilIdle(int64_t timeoutMicros);
    int playIndex() const { return playIndex_.load(); }
    int lateCount() const { return lateCount_.load(); }
    std::string displayText() const;
    // The list last started (nullptr when none or forgotten). Owner's thread; the list itself
    // never changes and may be read from any thread.
    std::shared_ptr<const PlayList> playList() const { return list_; }
    // Drops the list (a new song was opened): nothing can be resumed. Stops a play first.
    void forgetPlayList();

    // ---- the play commands ----------------------------------------------------------------
    // Each builds the play list from the song (reporting status texts through hooks.status),
    // chases where it says so, and starts it. They return false when nothing was played (nothing
    // in the range, or no open port). The song is read only while they run.
    bool playSelectedPart(midiSong& song, const Selection& selection, const PlayOptions& options);
    bool playFrom(midiSong& song, int firstBar, const PlayOptions& options);
    bool playAll(midiSong& song, const PlayOptions& options);
    // A tool's work track alone (buildWorkTrackList), after the chase; options.loop is used.
    bool playWorkTrack(midiSong& song, const midiTrack& work, int soundTrack, const PlayOptions& options);
    // Continues after a stop with the first message not yet sent.
    bool canResume() const;
    bool resumePlay(bool loop);
    // Play All's device reset: default channel states, then GM System On and the GS or XG
    // reset as asked, each sent by starting a play list.
    void resetDevice(const midiSong& song, bool gmOn, SystemMode system);

    PlayClock& clock() { return *clock_; }

private:
    struct Timeline {
        int64_t anchor = 0;    // clock time of the batch the waits are counted from
        int64_t scaled = 0;    // sum of tick gaps times tempo since the anchor (µs * timeBase)
        int64_t deadline = 0;  // when the next batch is due
    };

    void report(const std::string& text);
    void status(const std::string& text);
    // Sends one message and follows it in the channel states; `bytes` for sysex and text.
    void sendMessage(const PlayMessage& m, const std::string* bytes, const PlayHooks& h);
    // A system exclusive message (the bytes after F0) that makes a part a drum part or a
    // normal one: its channel state follows.
    void followPartMode(const uint8_t* data, size_t size);
    bool applyTempoOverride(int32_t microseconds, const PlayHooks& h);
    bool startWith(std::shared_ptr<const PlayList> list, bool loop, bool resume, const PlayHooks& h,
                   int32_t tempoOverride = 0);
    int32_t sendBatch();
    void restartLoop(Timeline& tl);
    void advance(Timeline& tl, int32_t sentTime);
    void runPlayer(Timeline tl);
    void finishPlay();
    void setIdle();
    bool onPlayerThread() const;
    void joinPlayer();

    std::unique_ptr<PortDriver> driver_;
    std::shared_ptr<PlayClock> clock_;
    int deviceId_ = -2;

    mutable std::mutex portMutex_;     // one message at a time reaches the driver
    std::vector<uint8_t> sysexBuffer_;  // under portMutex_

    mutable std::mutex stateMutex_;
    std::array<MidiChannel, 16> channelStates_;

    // Player state. Written by the owner before the player thread starts, then by that thread.
    std::shared_ptr<const PlayList> list_;
    bool loopPlay_ = false;
    int loopCount_ = 0;
    int32_t passTempo_ = 500000;     // the tempo each pass starts at
    int32_t passOverride_ = 0;       // the hand-set tempo of the start, again on each pass
    PlayHooks active_;
    std::atomic<int> playIndex_{0};
    std::atomic<int32_t> playTempo_{500000};
    std::atomic<bool> playing_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<int> lateCount_{0};
    std::atomic<std::thread::id> playerThreadId_{};
    mutable std::mutex textMutex_;
    std::string displayText_;
    std::mutex idleMutex_;
    std::condition_variable idleCv_;
    std::thread thread_;
};

}  // namespace tonvela
