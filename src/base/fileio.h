#pragma once

// Whole-file reads and atomic writes, shared by the song and the settings files.

#include <cstdint>
#include <string>
#include <vector>

namespace tonvela {

// Reads a whole file into memory; throws MidiError with the system's message on failure.
std::vector<uint8_t> readFileBytes(const std::string& path);
// Writes bytes to path through a temporary file in the same folder, flushed, then renamed over
// path, so a failed write never leaves a truncated or missing file. Throws MidiError(failure,
// system error) on failure; the previous file stays.
void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         const std::string& failure = "Could not write the file.");

}  // namespace tonvela
