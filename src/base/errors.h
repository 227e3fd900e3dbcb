#pragma once

#include <stdexcept>
#include <string>

namespace tonvela {

// An expected failure (bad file, failed save, device gone) with a message meant for the user.
// The command that started the operation catches it and shows message().
class MidiError : public std::runtime_error {
public:
    explicit MidiError(const std::string& message, std::string detail = {})
        : std::runtime_error(message), detail_(std::move(detail)) {}

    std::string message() const { return what(); }
    // Extra context for logs and the command line (file offset, system error); may be empty.
    const std::string& detail() const { return detail_; }
    // The message followed by the detail in brackets: what a failed load reports, so the user
    // learns where a file broke ("Data chunk may be broken (data byte 3C without a status in
    // track 1 at tick 480)").
    std::string messageWithDetail() const { return detail_.empty() ? message() : message() + " (" + detail_ + ")"; }

private:
    std::string detail_;
};

}  // namespace tonvela
