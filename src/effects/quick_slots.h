#pragma once

// The effect editor's five quick slots: effect files qs1.fxq .. qs5.fxq in the settings folder,
// saved, loaded and cleared with one button each.

#include <string>
#include <vector>

namespace tonvela {

inline constexpr int kQuickSlotCount = 5;

// "qs1.fxq" .. "qs5.fxq" for slots 1..5.
std::string quickSlotFileName(int slot);

// The description of the effect file at `path` (its line 4, decoded); empty when the file has
// no such line or cannot be read. Only the first four lines are read, each up to 4096 bytes, so
// any file, however large or damaged, reads quickly.
std::vector<std::string> effectFileDescription(const std::string& path);

// The hint of a slot's lamp: the first line of the description of the effect file at `path`
// (line 4, decoded), or "?" when the description is empty or the file has no such line.
std::string quickSlotHint(const std::string& path);

}  // namespace tonvela
