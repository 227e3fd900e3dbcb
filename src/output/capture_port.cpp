#include "output/capture_port.h"

#include <cstdio>

namespace tonvela {

void CaptureLog::clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

void CaptureLog::add(int64_t micros, const uint8_t* data, size_t size) {
    CapturedMessage m{micros, std::vector<uint8_t>(data, data + size)};
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(m));
}

std::vector<CapturedMessage> CaptureLog::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

size_t CaptureLog::size() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

std::string captureLine(const CapturedMessage& m) {
    std::string line = std::to_string(m.micros);
    char hex[4];
    for (uint8_t b : m.bytes) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    return line;
}

std::string CaptureLog::dump() const {
    std::string out;
    for (const CapturedMessage& m : messages()) {
        out += captureLine(m);
        out += '\n';
    }
    return out;
}

namespace {

class CaptureDriver final : public PortDriver {
public:
    CaptureDriver(std::shared_ptr<CaptureLog> log, std::shared_ptr<PlayClock> clock)
        : log_(std::move(log)), clock_(std::move(clock)) {}

    int portCount() override { return 0; }
    PortCaps caps(int id) override {
        if (id != -1) return {};
        return {"Capture", techMidiPort};
    }
    int open(int id) override {
        if (id != -1) return portBadId;
        log_->clear();
        openedAt_ = clock_->now();
        open_ = true;
        return portOk;
    }
    int close() override {
        if (!open_) return portNotOpen;
        open_ = false;
        return portOk;
    }
    bool isOpen() const override { return open_; }
    int sendShort(uint32_t message) override {
        if (!open_) return portNotOpen;
        uint8_t bytes[3] = {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8),
                            static_cast<uint8_t>(message >> 16)};
        log_->add(clock_->now() - openedAt_, bytes, static_cast<size_t>(shortMessageLength(bytes[0])));
        return portOk;
    }
    int sendLong(const uint8_t* data, size_t size) override {
        if (!open_) return portNotOpen;
        log_->add(clock_->now() - openedAt_, data, size);
        return portOk;
    }
    std::string errorText(int code) const override {
        switch (code) {
        case portOk: return "No error.";
        case portBadId: return "The capture port is port -1.";
        case portNotOpen: return "The capture port is not open.";
        default: return "Unknown capture port error " + std::to_string(code) + ".";
        }
    }

private:
    std::shared_ptr<CaptureLog> log_;
    std::shared_ptr<PlayClock> clock_;
    int64_t openedAt_ = 0;
    bool open_ = false;
};

}  // namespace

std::unique_ptr<PortDriver> makeCaptureDriver(std::shared_ptr<CaptureLog> log, std::shared_ptr<PlayClock> clock) {
    return std::make_unique<CaptureDriver>(std::move(log), std::move(clock));
}

}  // namespace tonvela
