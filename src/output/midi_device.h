#pragma once

// The output device object: the open port, the sixteen channel states, the error sound,
// device.prf, and the player that sends a play list in real time.
//
// Threads: the owner (the interface thread) calls every operation. While playing, a player
// thread sends the play list and calls the hooks and onMessage; channel states, play position,
// tempo and display text may be read from any thread. The play list and the song must not be
// changed while playing() is true. With an offline clock (rendering, tests) there is no player
// thread: start() plays the whole list before it returns.

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
#include "output/midi_port.h"
#include "output/play_clock.h"

namespace tonvela {

class anyEvent;
class midiSong;
class midiTrack;

// Called on the player thread while playing (the editor posts them to its own thread).
struct PlayHooks {
    std::function<void()> endOfPlay;
    std::function<void(int32_t tempo)> tempoChange;  // microseconds per quarter note
    std::function<void(int loopCount)> loop;         // before each restart; loops done so far
    std::function<void(const std::string&)> status;  // "Making Play List...", "Playing...", ...
};

// The reset message the main window's System setting asks for before Play All.
enum class SystemReset { none, gs, xg };

// The selected rectangle: track rows (track indexes from 1) and bars (from 0).
struct PlayRange {
    int firstTrack = 1;
    int lastTrack = 1;
    int firstBar = 0;
    int lastBar = 0;
};

struct PlayOptions {
    bool loop = false;
    bool allTracks = false;        // Play selected part: every track instead of the rows
    // > 0: the Set button pressed as the play starts: this tempo replaces the song's once the
    // events of the first tick are sent, until the song's next tempo event.
    int32_t tempo = 0;
    bool gmOn = false;             // Play All: send GM System On first
    SystemReset system = SystemReset::none;  // Play All: then GS Reset or XG System On
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
    // Sends the events of the first time at once and the rest on time. Not resuming: from the
    // first event, after splitting the list's notes. Nothing happens with an empty list or no
    // open port.
    void start(midiTrack& playList, bool loop, bool resume);
    // Ends playing at once and silences every channel; the play position is kept for resume.
    void stop();
    bool playing() const { return playing_.load(); }
    // Blocks until playing() is false or the timeout passes; true when not playing.
    bool waitUntilIdle(int64_t timeoutMicros);
    int playIndex() const { return playIndex_.load(); }
    int lateCount() const { return lateCount_.load(); }
    std::string displayText() const;

    // ---- the play commands ----------------------------------------------------------------
    // Each builds the play list (reporting status texts through hooks.status) and starts it.
    // They return false when there was nothing to play.
    bool playSelectedPart(midiSong& song, midiTrack& playList, const PlayRange& range, const PlayOptions& options);
    bool playFrom(midiSong& song, midiTrack& playList, int firstBar, const PlayOptions& options);
    bool playAll(midiSong& song, midiTrack& playList, const PlayOptions& options);
    // Continues after a stop with the first event not yet sent.
    bool canResume(const midiTrack& playList) const;
    bool resumePlay(midiTrack& playList, bool loop);
    // Play All's device reset: default channel states, then GM System On and the GS or XG
    // reset as asked, each sent by starting the play list.
    void resetDevice(midiSong& song, midiTrack& playList, bool gmOn, SystemReset system);

    PlayClock& clock() { return *clock_; }

private:
    struct Timeline {
        int64_t anchor = 0;    // clock time of the batch the waits are counted from
        int64_t scaled = 0;    // sum of tick gaps times tempo since the anchor (µs * timeBase)
        int64_t deadline = 0;  // when the next batch is due
    };

    void report(const std::string& text);
    void status(const std::string& text);
    void sendEventWith(const anyEvent& e, const PlayHooks& h);
    void startWith(midiTrack& playList, bool loop, bool resume, const PlayHooks& h, int32_t tempoOverride = 0);
    int32_t sendBatch();
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
    midiTrack* playList_ = nullptr;
    int32_t timeBase_ = 480;
    bool loopPlay_ = false;
    int loopCount_ = 0;
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
