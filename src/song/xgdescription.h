#pragma once

// The name of the XG parameter that a parameter-change message sets ("MASTER TUNE",
// "Part3 VOLUME", "PITCH COARSE Drum 0 Note 36"). Data values are not decoded, except the
// characters of a display-letter message.

#include <cstdint>
#include <span>
#include <string>

namespace tonvela {

class sysexEvent;

// sysexData: the bytes after the F0 status (manufacturer 0x43 first, F7 last). Only the
// address bytes are examined, never the device number or model byte. Every input gets a text.
std::string xgDescription(std::span<const uint8_t> sysexData);
std::string xgDescription(const sysexEvent& e);

}  // namespace tonvela
