// remap: the drums/notes changer over the whole song, from a .cdl list or mappings typed here.

#include <cstdio>
#include <stdexcept>

#include "base/errors.h"
#include "commands.h"
#include "drums/change_list.h"
#include "drums/drum_change.h"
#include "settings/numbertext.h"
#include "song/song.h"

namespace tonvela::cli {

namespace {

const char* kRemapUsage =
    "usage: remap IN OUT (--list L.cdl | --map FROM:TO ...) [--channels LIST] [--copy] [--search]";

std::vector<std::string> splitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (size_t from = 0;;) {
        const size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

// "1,10,12-14": channels 1..16.
std::bitset<16> parseChannels(const std::string& text) {
    std::bitset<16> channels;
    auto channel = [&text](const std::string& part) {
        const std::optional<int> v = readInteger(part);
        if (!v || *v < 1 || *v > 16)
            throw std::invalid_argument("--channels takes channels 1..16 such as 1,10,12-14 (" + text + ")\n" +
                                        kRemapUsage);
        return *v;
    };
    for (const std::string& part : splitAt(text, ',')) {
        const size_t dash = part.find('-');
        const int first = channel(part.substr(0, dash));
        const int last = dash == std::string::npos ? first : channel(part.substr(dash + 1));
        if (last < first)
            throw std::invalid_argument("--channels: " + part + " runs backwards\n" + kRemapUsage);
        for (int c = first; c <= last; ++c) channels.set(static_cast<size_t>(c - 1));
    }
    return channels;
}

TypedKey typedKey(const std::string& text, const std::string& mapping) {
    const std::optional<TypedKey> key = readKey(text);
    if (!key)
        throw std::invalid_argument("--map " + mapping + ": \"" + text +
                                    "\" is neither a key 0..127 nor a drum or note name\n" + kRemapUsage);
    return *key;
}

// The typed mappings; the kind is that of the names used (drums when any drum name is, notes
// when only note names are), drums for numbers alone.
DrumChangeSettings typedMappings(const std::vector<std::string>& texts) {
    DrumChangeSettings s;
    bool drumNames = false, noteNames = false;
    for (const std::string& text : texts) {
        const size_t colon = text.find(':');
        if (colon == std::string::npos)
            throw std::invalid_argument("--map takes FROM:TO (" + text + ")\n" + kRemapUsage);
        const TypedKey from = typedKey(text.substr(0, colon), text);
        const TypedKey to = typedKey(text.substr(colon + 1), text);
        for (const TypedKey& k : {from, to}) {
            drumNames |= k.kind == kDrumsKind;
            noteNames |= k.kind == kNoteKind;
        }
        s.mappings.push_back({from.key, to.key});
    }
    s.noteKind = noteNames && !drumNames ? kNoteKind : kDrumsKind;
    s.channels = s.noteKind == kDrumsKind ? std::bitset<16>(1u << 9) : std::bitset<16>().set();
    return s;
}

int runRemap(const std::vector<std::string>& args) {
    const ArgList a = parseArgs(args, {"list", "map", "channels"}, {"copy", "search"});
    const bool search = a.has("search");
    std::vector<std::string> maps;
    for (const auto& [name, value] : a.options)
        if (name == "map")
            for (const std::string& m : splitAt(value, ',')) maps.push_back(m);
    // OUT may be left out of a search, which writes nothing.
    const size_t files = a.positional.size();
    if (files != 2 && !(search && files == 1)) throw std::invalid_argument(kRemapUsage);
    if (a.has("list") == !maps.empty()) throw std::invalid_argument(kRemapUsage);
    const std::string& in = a.positional[0];
    const std::string out = files == 2 ? a.positional[1] : std::string();

    DrumChangeSettings settings;
    if (a.has("list")) {
        const std::string list = a.value("list");
        try {
            LoadedChangeList loaded = loadChangeList(list);
            for (const std::string& w : loaded.warnings) std::fprintf(stderr, "%s: %s\n", list.c_str(), w.c_str());
            settings = std::move(loaded.settings);
        } catch (const MidiError& e) {
            std::fprintf(stderr, "%s: %s\n", list.c_str(), e.what());
            return 1;
        }
    } else {
        settings = typedMappings(maps);
    }
    if (a.has("channels")) settings.channels = parseChannels(a.value("channels"));
    if (a.has("copy")) settings.method = kCopyMethod;

    midiSong song;
    if (!loadSong(song, in, false)) return 1;
    DrumScanResult result;
    try {
        result = scanNotes(song, settings, !search);
    } catch (const MidiError& e) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(), e.what());
        return 1;
    }
    if (!search && !saveSong(song, out)) return 1;
    std::string text;
    for (size_t i = 0; i < result.lineCount(); ++i) text += result.line(i) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

CommandRegistrar remapCommand(
    {"remap",
     "  remap IN OUT (--list L.cdl | --map FROM:TO ...) [--channels LIST] [--copy] [--search]\n"
     "                                   move (or --copy) the notes of keys FROM to keys TO over the\n"
     "                                   whole song; keys by number or drum/note name; --search\n"
     "                                   lists them and writes nothing",
     runRemap});

}  // namespace

}  // namespace tonvela::cli
