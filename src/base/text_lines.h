#pragma once

// The lines of a text file's contents, for the line-based settings and list formats.

#include <string_view>
#include <vector>

namespace tonvela {

// Splits at LF; a CR before it goes too (files written on either system read alike). A last
// line without its LF counts; a text ending in LF has no empty line after it.
inline std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

}  // namespace tonvela
