#include "settings/preffile.h"

#include <fstream>
#include <iterator>

#include "base/fileio.h"

namespace tonvela {

std::optional<std::vector<std::string>> readPrefLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void writePrefLines(const std::string& path, const std::vector<std::string>& lines) {
    std::vector<uint8_t> bytes;
    for (const std::string& l : lines) {
        bytes.insert(bytes.end(), l.begin(), l.end());
        bytes.push_back('\r');
        bytes.push_back('\n');
    }
    writeFileAtomically(path, bytes);
}

}  // namespace tonvela
