#include "effects/effect_file.h"

#include <algorithm>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/text_lines.h"
#include "effects/effect_controls.h"
#include "settings/numbertext.h"

namespace tonvela {

namespace {

constexpr std::string_view kElementEnd = "Element End";

bool isBlank(unsigned char c) { return c >= 1 && c <= 32; }

// ---- reading --------------------------------------------------------------------------------

class Reader {
public:
    Reader(const std::vector<std::string_view>& lines, size_t cursor, int version)
        : lines_(lines), cursor_(cursor), version_(version) {}

    bool has(int fromVersion) const { return version_ >= fromVersion; }

    void text(const char* name, std::string& out) { out = std::string(next(name)); }

    template <class OnRead>
    void item(const char* name, int& out, ItemList items, OnRead onRead) {
        out = findItem(items, next(name));
        onRead(out);
    }

    void index(const char* name, int& out, ItemList items) {
        int v = integer(name);
        out = v >= 0 && static_cast<size_t>(v) < items.size() ? v : -1;
    }

    void number(const char* name, int& out, int lo, int hi) {
        int v = integer(name);
        out = v >= lo && v <= hi ? v : -1;
    }

    void toggle(const char* name, bool& out) { out = integer(name) != 0; }

    // Sliders and up-down controls keep their positions within their range.
    void position(const char* name, int& out, int lo, int hi) { out = std::clamp(integer(name), lo, hi); }
    void unstored(const char*, std::string&) {}

    bool peekFunctionBlock() const { return cursor_ < lines_.size() && lines_[cursor_] != kElementEnd; }

private:
    std::string_view next(const char* name) {
        if (cursor_ >= lines_.size())
            throw MidiError("The effect file ends early: line " + std::to_string(cursor_ + 1) + " (" + name +
                            ") is missing.");
        return lines_[cursor_++];
    }

    int integer(const char* name) {
        size_t lineNo = cursor_ + 1;
        std::string_view line = next(name);
        // A number too large for 32 bits is still a number: its control clamps or refuses it.
        auto v = readIntegerClamped(line);
        if (!v)
            throw MidiError("The effect file is broken: line " + std::to_string(lineNo) + " (" + name +
                            ") is not a number: " + std::string(line.substr(0, 40)));
        return *v;
    }

    const std::vector<std::string_view>& lines_;
    size_t cursor_;
    int version_;
};

// ---- writing and describing -------------------------------------------------------------------

void checkOneLine(const std::string& text, const char* name) {
    if (text.find_first_of("\r\n") != std::string::npos)
        throw MidiError(std::string("The effect cannot be saved: ") + name + " holds a line break.");
}

class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}
    bool has(int) const { return true; }
    void text(const char* name, std::string& t) {
        checkOneLine(t, name);
        line(t);
    }
    template <class OnRead>
    void item(const char*, int& v, ItemList items, OnRead) {
        line(itemText(items, v));
    }
    void index(const char*, int& v, ItemList items) {
        line(std::to_string(v >= 0 && static_cast<size_t>(v) < items.size() ? v : -1));
    }
    void number(const char*, int& v, int, int) { line(std::to_string(v)); }
    void toggle(const char*, bool& v) { line(v ? "1" : "0"); }
    void position(const char*, int& v, int, int) { line(std::to_string(v)); }
    void unstored(const char*, std::string&) {}
    bool peekFunctionBlock() const { return true; }
    void line(std::string_view t) {
        out_ += t;
        out_ += "\r\n";
    }

private:
    std::string& out_;
};

class Describer {
public:
    bool has(int) const { return true; }
    void text(const char* name, std::string& t) { add(name, t); }
    template <class OnRead>
    void item(const char* name, int& v, ItemList items, OnRead) {
        add(name, itemText(items, v));
    }
    void index(const char* name, int& v, ItemList items) { add(name, itemText(items, v)); }
    void number(const char* name, int& v, int, int) { add(name, std::to_string(v)); }
    void toggle(const char* name, bool& v) { add(name, v ? "1" : "0"); }
    void position(const char* name, int& v, int, int) { add(name, std::to_string(v)); }
    void unstored(const char*, std::string&) {}
    bool peekFunctionBlock() const { return true; }
    std::vector<std::string> lines;

private:
    void add(const char* name, std::string_view value) { lines.push_back(std::string(name) + "=" + std::string(value)); }
};

}  // namespace

std::string encodeCommaText(const std::vector<std::string>& lines) {
    if (lines.size() == 1 && lines[0].empty()) return "\"\"";
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) out += ',';
        const std::string& line = lines[i];
        bool quote = std::any_of(line.begin(), line.end(), [](char c) {
            auto u = static_cast<unsigned char>(c);
            return u <= 32 || c == '"' || c == ',';
        });
        if (!quote) {
            out += line;
            continue;
        }
        out += '"';
        for (char c : line) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

std::vector<std::string> decodeCommaText(std::string_view text) {
    // A NUL ends the text, as it ends a C string.
    if (size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    std::vector<std::string> items;
    size_t p = 0;
    auto skipBlanks = [&] {
        while (p < text.size() && isBlank(static_cast<unsigned char>(text[p]))) ++p;
    };
    skipBlanks();
    while (p < text.size()) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < text.size()) {
                if (text[p] == '"') {
                    if (p + 1 < text.size() && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            size_t start = p;
            while (p < text.size() && static_cast<unsigned char>(text[p]) > 32 && text[p] != ',') ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < text.size() && text[p] == ',') {
            ++p;
            skipBlanks();
        }
    }
    return items;
}

LoadedEffect parseEffect(std::string_view text, const EffectSettings& current) {
    const std::vector<std::string_view> lines = splitLines(text);
    LoadedEffect loaded;
    loaded.settings = current;
    EffectSettings& s = loaded.settings;
    if (lines.empty()) throw MidiError("The effect file is empty.");
    auto version = readInteger(lines[0]);
    if (!version) throw MidiError("This is not an effect file: line 1 is not a version number.");
    loaded.version = *version;
    if (loaded.version > kEffectFileVersion) loaded.warnings.emplace_back(kNewerEffectMessage);
    if (lines.size() < 4)
        throw MidiError("The effect file ends early: line " + std::to_string(lines.size() + 1) + " is missing.");
    s.effectType = findItem(kEffectTypeItems, lines[1]);
    s.EffectName = std::string(lines[2]);
    s.Description = decodeCommaText(lines[3]);
    Reader reader(lines, 4, loaded.version);
    effectTypeControls(reader, s);
    return loaded;
}

LoadedEffect loadEffect(const std::string& path, const EffectSettings& current) {
    std::vector<uint8_t> bytes = readFileBytes(path);
    return parseEffect(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), current);
}

std::string formatEffect(const EffectSettings& settings) {
    EffectSettings s = settings;
    std::string out;
    Writer w(out);
    w.line("0009");
    w.line(itemText(kEffectTypeItems, s.effectType));
    checkOneLine(s.EffectName, "EffectName");
    w.line(s.EffectName);
    for (const std::string& line : s.Description) checkOneLine(line, "Description");
    w.line(encodeCommaText(s.Description));
    effectTypeControls(w, s);
    w.line(kElementEnd);
    return out;
}

void saveEffect(const std::string& path, const EffectSettings& settings) {
    std::string text = formatEffect(settings);
    writeFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()), "The effect file could not be saved.");
}

std::vector<std::string> describeEffectControls(const EffectSettings& settings) {
    EffectSettings s = settings;
    Describer d;
    effectTypeControls(d, s);
    return std::move(d.lines);
}

}  // namespace tonvela
