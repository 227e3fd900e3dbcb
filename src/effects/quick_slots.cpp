#include "effects/quick_slots.h"

#include <fstream>
#include <vector>

#include "effects/effect_file.h"

namespace tonvela {

std::string quickSlotFileName(int slot) { return "qs" + std::to_string(slot) + ".fxq"; }

std::string quickSlotHint(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    for (int n = 0; n < 4; ++n) {
        // A line is read up to a bounded length: a slot file is not trusted to be text.
        line.clear();
        char c;
        while (in.get(c) && c != '\n')
            if (line.size() < 4096) line += c;
        if (!in && n < 3) return "?";
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> description = decodeCommaText(line);
    if (description.empty() || description.front().empty()) return "?";
    return description.front();
}

}  // namespace tonvela
