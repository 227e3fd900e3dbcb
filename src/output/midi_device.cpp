#include "output/midi_device.h"
#include "output/play_list.h"

#include <charconv>
#include <filesystem>
#include <optional>

#include "settings/preffile.h"
#include "base/errors.h"
#include "song/events.h"

namespace tonvela {

namespace {

const char* const kSettingsFile = "device.prf";

std::optional<int> parseNumber(const std::string& text) {
    size_t b = text.find_first_not_of(" \t");
    size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return std::nullopt;
    int value = 0;
    auto [end, ec] = std::from_chars(text.data() + b, text.data() + e + 1, value);
    if (ec != std::errc() || end != text.data() + e + 1) return std::nullopt;
    return value;
}

}  // namespace

MidiDevice::MidiDevice(std::unique_ptr<PortDriver> driver, std::shared_ptr<PlayClock> clock)
    : driver_(std::move(driver)), clock_(clock ? std::move(clock) : makeSteadyClock()) {
    for (MidiChannel& c : channelStates_) c.checkMode = false;
    channelStates_[9].isDrumChannel = true;
}

MidiDevice::~MidiDevice() {
    if (playing_) stop();
    joinPlayer();
    std::lock_guard lock(portMutex_);
    if (driver_->isOpen()) driver_->close();
}

void MidiDevice::report(const std::string& text) {
    if (onMessage) onMessage(text);
}

void MidiDevice::status(const std::string& text) {
    if (hooks.status) hooks.status(text);
}

// ---- ports ----------------------------------------------------------------------------------

std::vector<std::string> MidiDevice::listDevices() {
    std::lock_guard lock(portMutex_);
    std::vector<std::string> lines{portLine(driver_->caps(-1))};
    int n = driver_->portCount();
    for (int i = 0; i < n; ++i) lines.push_back(portLine(driver_->caps(i)));
    return lines;
}

int MidiDevice::openDevice(int id) {
    if (playing_) stop();
    int code = portOk;
    std::string error;
    {
        std::lock_guard lock(portMutex_);
        if (driver_->isOpen()) {
            code = driver_->close();
            if (code != portOk) error = driver_->errorText(code);
        }
        if (code == portOk) {
            code = driver_->open(id);
            if (code != portOk) error = driver_->errorText(code);
        }
    }
    if (code != portOk) {
        report(error);
        return code;
    }
    deviceId_ = id;
    return 0;
}

int MidiDevice::closeDevice() {
    if (playing_) stop();
    std::string error;
    {
        std::lock_guard lock(portMutex_);
        int code = driver_->close();
        if (code == portOk) return 0;
        error = driver_->errorText(code);
    }
    report(error);
    return -1;
}

bool MidiDevice::isOpen() const {
    std::lock_guard lock(portMutex_);
    return driver_->isOpen();
}

// ---- settings -------------------------------------------------------------------------------

int MidiDevice::startUp(const std::string& settingsFolder) {
    deviceId_ = -1;
    readSettings(settingsFolder);
    return openDevice(deviceId_);
}

void MidiDevice::shutDown(const std::string& settingsFolder) {
    if (playing_) stop();
    joinPlayer();
    {
        std::lock_guard lock(portMutex_);
        if (driver_->isOpen()) driver_->close();
    }
    writeSettings(settingsFolder);
}

bool MidiDevice::readSettings(const std::string& settingsFolder) {
    auto lines = readPrefLines((std::filesystem::path(settingsFolder) / kSettingsFile).string());
    if (!lines) return true;
    std::optional<int> version = lines->empty() ? std::nullopt : parseNumber((*lines)[0]);
    if (!version || *version >= 1) {
        report(kNewerPrefVersion);
        return false;
    }
    auto field = [&](size_t line, int& into) {
        if (line <= lines->size())
            if (auto v = parseNumber((*lines)[line - 1])) into = *v;
    };
    // Width and height are written for the window but its size is its own.
    field(2, windowTop);
    field(3, windowLeft);
    field(6, deviceId_);
    return true;
}

void MidiDevice::writeSettings(const std::string& settingsFolder) const {
    std::vector<std::string> lines{"0000"};
    for (int v : {windowTop, windowLeft, windowWidth, windowHeight, deviceId_}) lines.push_back(std::to_string(v));
    writePrefLines((std::filesystem::path(settingsFolder) / kSettingsFile).string(), lines);
}

// ---- sending --------------------------------------------------------------------------------

int MidiDevice::sendShort(int status, int data1, int data2) {
    uint32_t message = static_cast<uint32_t>(status & 0xFF) + (static_cast<uint32_t>(data1 & 0xFF) << 8) +
                       (static_cast<uint32_t>(data2 & 0xFF) << 16);
    std::lock_guard lock(portMutex_);
    return driver_->sendShort(message);
}

int MidiDevice::sendLong(std::span<const uint8_t> bytes) {
    int code;
    std::string error;
    {
        std::lock_guard lock(portMutex_);
        sysexBuffer_.assign(bytes.begin(), bytes.end());
        code = driver_->sendLong(sysexBuffer_.data(), sysexBuffer_.size());
        if (code != portOk && code != portNotOpen) error = driver_->errorText(code);
    }
    if (!error.empty()) report(error);
    return code;
}

void MidiDevice::sendEvent(const anyEvent& e) {
    std::string bytes;
    const PlayMessage m = playMessageOf(e, bytes);
    sendMessage(m, &bytes, hooks);
}

void MidiDevice::sendMessage(const PlayMessage& m, const std::string* bytes, const PlayHooks& h) {
    int follows = 0;  // the event kind the channel state follows
    switch (m.kind) {
    case PlayKind::silent: return;
    case PlayKind::noteOn:
        sendShort(m.status, m.data1, m.data2);
        follows = kindNote;
        break;
    case PlayKind::noteOff:
        sendShort(m.status, m.data1, m.data2);
        follows = kindNoteOff;
        break;
    case PlayKind::control:
        sendShort(m.status, m.data1, m.data2);
        follows = kindControl;
        break;
    case PlayKind::program:
        sendShort(m.status, m.data1, 0);
        follows = kindProgram;
        break;
    case PlayKind::bend:
        sendShort(m.status, m.data1, m.data2);
        follows = kindPitchBend;
        break;
    case PlayKind::sysex:
        if (bytes) {
            const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
            sendLong({data, bytes->size()});
            if (bytes->size() > 1) followPartMode(data + 1, bytes->size() - 1);
        }
        return;
    case PlayKind::text:
        if (bytes) {
            std::lock_guard lock(textMutex_);
            displayText_ = *bytes;
        }
        return;
    case PlayKind::tempo:
        setPlayTempo(static_cast<int32_t>(m.extra));
        if (h.tempoChange) h.tempoChange(playTempo_.load());
        return;
    }
    if (m.status >= 0xF0) return;
    const int data = follows == kindPitchBend ? m.data1 | (m.data2 << 7) : m.data1;
    std::lock_guard lock(stateMutex_);
    channelStates_[m.status & 0x0F].follow(follows, m.time, data, m.data2);
}

void MidiDevice::sendProgram(int channel, int bankMsb, int bankLsb, int program) {
    if (bankMsb != -1) sendController(channel, 0, bankMsb);
    if (bankLsb != -1) sendController(channel, 32, bankLsb);
    sendShort(0xC0 | (channel & 0x0F), program, 0);
}

void MidiDevice::sendController(int channel, int controller, int value) {
    sendShort(0xB0 | (channel & 0x0F), controller, value);
}

void MidiDevice::sendBend(int channel, int raw) { sendShort(0xE0 | (channel & 0x0F), raw & 0x7F, (raw >> 7) & 0x7F); }

void MidiDevice::sendNoteOn(int channel, int key, int velocity) { sendShort(0x90 | (channel & 0x0F), key, velocity); }

void MidiDevice::stopSound() {
    for (int ch = 0; ch < 16; ++ch) {
        sendController(ch, 120, 0);
        sendController(ch, 121, 0);
    }
}

void MidiDevice::resetChannelStates() {
    std::lock_guard lock(stateMutex_);
    for (MidiChannel& c : channelStates_) c.reset();
}

bool MidiDevice::setPlayTempo(int32_t microseconds) {
    if (microseconds < 1 || microseconds > 0xFFFFFF) return false;
    playTempo_.store(microseconds);
    return true;
}

bool MidiDevice::overrideTempo(int32_t microseconds) { return applyTempoOverride(microseconds, hooks); }

bool MidiDevice::applyTempoOverride(int32_t microseconds, const PlayHooks& h) {
    if (!setPlayTempo(microseconds)) return false;
    if (h.tempoChange) h.tempoChange(microseconds);
    return true;
}

void MidiDevice::playErrorSound() {
    if (!isOpen()) return;
    sendProgram(0, 0, 0, 0);
    for (int key : {30, 29, 31, 33, 34, 36}) sendNoteOn(0, key, 100);
    clock_->sleepFor(2'000'000);
    for (int key : {29, 30, 31, 33, 34, 36}) sendNoteOn(0, key, 0);
}

// ---- channel states -------------------------------------------------------------------------

MidiChannel MidiDevice::channelState(int channel) const {
    std::lock_guard lock(stateMutex_);
    return channelStates_[static_cast<size_t>(channel & 0x0F)];
}

void MidiDevice::followPartMode(const uint8_t* data, size_t size) {
    if (const auto change = partModeChange(data, size)) {
        std::lock_guard lock(stateMutex_);
        channelStates_[static_cast<size_t>(change->channel)].partMode = change->mode;
    }
}

void MidiDevice::feedChannelState(const anyEvent& e) {
    if (e.kind() == kindSysex) {
        const auto& s = static_cast<const sysexEvent&>(e);
        followPartMode(s.sysexData.data(), s.sysexData.size());
        return;
    }
    int ch = e.channelOf();
    if (ch < 0) return;
    switch (e.kind()) {
    case kindControl:
    case kindNote:
    case kindNoteOff:
    case kindPitchBend:
    case kindProgram: {
        std::lock_guard lock(stateMutex_);
        channelStates_[static_cast<size_t>(ch)].update(e);
        break;
    }
    default: break;
    }
}

void MidiDevice::chase() {
    for (int ch = 0; ch < 16; ++ch) {
        MidiChannel c = channelState(ch);
        if (ch != 9) sendProgram(ch, c.bankMsb(), c.bankLsb(), c.program);
        for (int controller : {7, 1, 10, 11})
            if (c.controller(controller) >= 0) sendController(ch, controller, c.controller(controller));
        sendController(ch, 101, 0);
        sendController(ch, 100, 0);
        sendController(ch, 6, c.bendRange);
        sendBend(ch, c.bend);
    }
    clock_->sleepFor(100'000);
}

std::string MidiDevice::displayText() const {
    std::lock_guard lock(textMutex_);
    return displayText_;
}

}  // namespace tonvela
