#include "drums/drum_change.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "base/errors.h"
#include "settings/numbertext.h"
#include "song/midispec.h"
#include "song/song.h"

namespace tonvela {

namespace {

constexpr std::string_view kArrow = " -> ";

std::string loose(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::bitset<16> applyKindToChannels(int noteKind, std::bitset<16> channels) {
    channels.set(9, noteKind == kDrumsKind);
    return channels;
}

// ---- names -----------------------------------------------------------------------------------

std::string keyName(int noteKind, int key) {
    return noteKind == kNoteKind ? MIDISpec::noteName(key) : MIDISpec::drumNoteName(key);
}

int defaultKey(int noteKind) { return noteKind == kNoteKind ? 60 : 35; }

std::string mappingLine(int noteKind, int from, int to) {
    return keyName(noteKind, from) + std::string(kArrow) + keyName(noteKind, to);
}

int keyOfName(int noteKind, std::string_view name) {
    for (int key = 0; key < 128; ++key)
        if (keyName(noteKind, key) == name) return key;
    int found = -1;
    for (int key = 0; key < 128 && found < 0; ++key)
        if (MIDISpec::noteName(key) == name) found = key;
    for (int key = 0; key < 128; ++key)
        if (MIDISpec::drumNoteName(key) == name) return key;
    return found;
}

DrumMapping parseMapping(std::string_view line, int noteKind) {
    const size_t arrow = line.find(kArrow);
    if (arrow == std::string_view::npos) return {-1, -1};
    return {keyOfName(noteKind, line.substr(0, arrow)), keyOfName(noteKind, line.substr(arrow + kArrow.size()))};
}

std::optional<TypedKey> readKey(std::string_view text) {
    if (const std::optional<int> n = readInteger(text)) {
        if (*n < 0 || *n > 127) return std::nullopt;
        return TypedKey{*n, -1};
    }
    for (int key = 0; key < 128; ++key)
        if (MIDISpec::drumNoteName(key) == text) return TypedKey{key, kDrumsKind};
    for (int key = 0; key < 128; ++key)
        if (MIDISpec::noteName(key) == text) return TypedKey{key, kNoteKind};
    const std::string wanted = loose(text);
    if (wanted.empty()) return std::nullopt;
    for (int key = 0; key < 128; ++key)
        if (loose(MIDISpec::drumNoteName(key)) == wanted) return TypedKey{key, kDrumsKind};
    for (int key = 0; key < 128; ++key)
        if (loose(MIDISpec::noteName(key)) == wanted) return TypedKey{key, kNoteKind};
    return std::nullopt;
}

// ---- the result list -------------------------------------------------------------------------

std::string DrumScanResult::line(size_t index) const {
    if (hits.empty()) return changed ? kNoNoteChanged : kNoNoteFound;
    const DrumHit& h = hits[index];
    char position[48];
    std::snprintf(position, sizeof position, "%3.3d:%2.2d:%3.3d ", h.bar + 1, h.beat + 1, h.tick);
    std::string out = position + keyName(noteKind, h.from);
    if (changed) return out + std::string(kArrow) + keyName(noteKind, h.to);
    return out + "(-> " + keyName(noteKind, h.to) + ")";
}

std::vector<std::string> DrumScanResult::lines() const {
    std::vector<std::string> out;
    out.reserve(lineCount());
    for (size_t i = 0; i < lineCount(); ++i) out.push_back(line(i));
    return out;
}

// ---- search and change -----------------------------------------------------------------------

DrumScanResult scanNotes(midiSong& song, const DrumChangeSettings& settings, bool change) {
    // The first mapping of each source key, so that a note costs one look-up whatever the
    // length of the list.
    std::array<int16_t, 128> target;
    target.fill(-1);
    for (size_t i = 0; i < settings.mappings.size(); ++i) {
        const DrumMapping& m = settings.mappings[i];
        if (m.from < 0 || m.from > 127 || m.to < 0 || m.to > 127)
            throw MidiError("Mapping " + std::to_string(i + 1) + " of the list does not name two keys 0..127. " +
                            "Nothing was changed.");
        if (target[static_cast<size_t>(m.from)] < 0) target[static_cast<size_t>(m.from)] = static_cast<int16_t>(m.to);
    }

    DrumScanResult result;
    result.noteKind = settings.noteKind;
    result.changed = change;
    const bool copying = settings.method == kCopyMethod;
    std::vector<anyEvent*> pendingCopies;
    for (int t = 0; t < song.trackCount(); ++t) {
        midiTrack& track = *song.track(t);
        if (change) track.beginUndoStep(kChangeDrumLabel);
        // A Move journals each key as it is set; the list itself never changes while scanned.
        const std::vector<anyEvent*>& events = track.events();
        for (anyEvent* e : events) {
            if (!e || (e->status & 0xF0) != 0x90 || !settings.channels.test(static_cast<size_t>(e->status & 0x0F)))
                continue;
            if (e->kind() != kindNote) continue;  // a note on of velocity 0
            auto* note = static_cast<NoteOnEvent*>(e);
            const int to = target[static_cast<size_t>(note->note())];
            if (to < 0) continue;
            result.hits.push_back({note->bar, note->beat, note->tick, static_cast<uint8_t>(note->note()),
                                   static_cast<uint8_t>(to)});
            if (!change) continue;
            if (copying) {
                auto* copy = new NoteOnEvent(*note);
                copy->setRawNote(static_cast<uint8_t>(to));
                pendingCopies.push_back(copy);
            } else if (note->note() != to) {
                track.setKey(note, to);
            }
        }
        if (!pendingCopies.empty()) {
            track.addEvents(pendingCopies, true);
            pendingCopies.clear();
        }
    }
    return result;
}

}  // namespace tonvela
