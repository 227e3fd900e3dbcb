#pragma once

// Whole-file reads and atomic writes, shared by the song and the settings files.

#include <cstdint>
#include <string>
#include <vector>

#include "base/pages.h"

namespace tonvela {

// The bytes of a whole file.
class FileBytes {
public:
    const uint8_t* data() const { return buffer_.data(); }
    size_t size() const { return size_; }

private:
    friend FileBytes readWholeFile(const std::string& path);
    ByteBuffer buffer_;
    size_t size_ = 0;
};

// Reads a whole file into memory, a regular file with one read into one buffer of its size;
// throws MidiError with the system's message on failure.
FileBytes readWholeFile(const std::string& path);
std::vector<uint8_t> readFileBytes(const std::string& path);
// Writes bytes to path through a temporary file in the same folder, flushed, then renamed over
// path, so a failed write never leaves a truncated or missing file. Throws MidiError(failure,
// system error) on failure; the previous file stays.
void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         const std::string& failure = "Could not write the file.");

}  // namespace tonvela
