#include "effects/quick_slots.h"

#include <fstream>
#include <vector>

#include "effects/effect_file.h"

namespace tonvela {

std::string quickSlotFileName(int slot) { return "qs" + std::to_string(slot) + ".fxq"; }

std::vector<std::string> effectFileDescription(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    // Lines are kept up to 4096 bytes and read up to 1 MiB: the file is not trusted to be text.
    for (int n = 0; n < 4; ++n) {
        line.clear();
        size_t length = 0;
        char c;
        while (in.get(c) && c != '\n') {
            if (line.size() < 4096) line += c;
            if (++length > (1u << 20)) return {};
        }
        if (!in && n < 3) return {};
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return decodeCommaText(line);
}

std::string quickSlotHint(const std::string& path) {
    const std::vector<std::string> description = effectFileDescription(path);
    if (description.empty() || description.front().empty()) return "?";
    return description.front();
}

}  // namespace tonvela
