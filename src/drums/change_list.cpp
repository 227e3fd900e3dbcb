#include "drums/change_list.h"

#include <cstdint>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/text_lines.h"
#include "settings/numbertext.h"

namespace tonvela {

namespace {

constexpr size_t kHeadLines = 20;  // version, kind, method, 16 channels, count

class Reader {
public:
    explicit Reader(const std::vector<std::string_view>& lines) : lines_(lines) {}

    int number(size_t lineNo, const std::string& what) const {
        if (lineNo > lines_.size())
            throw MidiError("The change list ends early: line " + std::to_string(lineNo) + " (" + what +
                            ") is missing. Nothing was loaded.");
        const std::string_view line = lines_[lineNo - 1];
        const std::optional<int> v = readInteger(line);
        if (!v)
            throw MidiError("The change list is broken: line " + std::to_string(lineNo) + " (" + what +
                            ") is not a number: " + std::string(line.substr(0, 40)) + ". Nothing was loaded.");
        return *v;
    }

    int inRange(size_t lineNo, const std::string& what, int lo, int hi) const {
        const int v = number(lineNo, what);
        if (v < lo || v > hi)
            throw MidiError("The change list is broken: line " + std::to_string(lineNo) + " (" + what + ") is " +
                            std::to_string(v) + ", not " + std::to_string(lo) + ".." + std::to_string(hi) +
                            ". Nothing was loaded.");
        return v;
    }

private:
    const std::vector<std::string_view>& lines_;
};

}  // namespace

LoadedChangeList parseChangeList(std::string_view text) {
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.empty()) throw MidiError("The change list is empty. Nothing was loaded.");
    if (!readInteger(lines[0]))
        throw MidiError("This is not a change list: line 1 is not a version number. Nothing was loaded.");
    const Reader r(lines);
    LoadedChangeList loaded;
    loaded.version = r.number(1, "version");
    if (loaded.version > kChangeListVersion) loaded.warnings.emplace_back(kNewerChangeListMessage);
    DrumChangeSettings& s = loaded.settings;
    s.noteKind = r.inRange(2, "NoteKind", 0, 1);
    s.method = r.inRange(3, "Method", 0, 1);
    for (size_t ch = 0; ch < 16; ++ch) s.channels.set(ch, r.number(4 + ch, "Channel " + std::to_string(ch + 1)) != 0);
    const int count = r.number(kHeadLines, "number of mappings");
    if (count < 0)
        throw MidiError("The change list is broken: line 20 (number of mappings) is " + std::to_string(count) +
                        ". Nothing was loaded.");
    // The count is checked against the lines there are before anything is made for it.
    const uint64_t needed = kHeadLines + 2 * static_cast<uint64_t>(count);
    if (needed > lines.size())
        throw MidiError("The change list ends early: its " + std::to_string(count) + " mappings need " +
                        std::to_string(needed) + " lines, the file has " + std::to_string(lines.size()) +
                        ". Nothing was loaded.");
    s.mappings.reserve(static_cast<size_t>(count));
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        const size_t at = kHeadLines + 1 + 2 * i;
        const std::string m = "mapping " + std::to_string(i + 1);
        const int from = r.inRange(at, "source key of " + m, 0, 127);
        const int to = r.inRange(at + 1, "target key of " + m, 0, 127);
        s.mappings.push_back({from, to});
    }
    return loaded;
}

LoadedChangeList loadChangeList(const std::string& path) {
    const std::vector<uint8_t> bytes = readFileBytes(path);
    return parseChangeList(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string formatChangeList(const DrumChangeSettings& s) {
    std::string out;
    auto line = [&out](const std::string& text) { out += text + "\r\n"; };
    line("0000");
    line(std::to_string(s.noteKind == kNoteKind ? 1 : 0));
    line(std::to_string(s.method == kCopyMethod ? 1 : 0));
    for (size_t ch = 0; ch < 16; ++ch) line(s.channels.test(ch) ? "1" : "0");
    line(std::to_string(s.mappings.size()));
    for (size_t i = 0; i < s.mappings.size(); ++i) {
        const DrumMapping& m = s.mappings[i];
        if (m.from < 0 || m.from > 127 || m.to < 0 || m.to > 127)
            throw MidiError("The change list cannot be saved: mapping " + std::to_string(i + 1) +
                            " does not name two keys 0..127.");
        line(std::to_string(m.from));
        line(std::to_string(m.to));
    }
    return out;
}

void saveChangeList(const std::string& path, const DrumChangeSettings& settings) {
    const std::string text = formatChangeList(settings);
    writeFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()), "The change list could not be saved.");
}

}  // namespace tonvela
