#include "output/play_list.h"

#include <algorithm>
#include <climits>

#include "output/midi_device.h"
#include "song/song.h"
#include "song/track.h"

namespace tonvela {

PlayMessage playMessageOf(const anyEvent& e, std::string& bytes) {
    PlayMessage m;
    m.time = e.time;
    m.status = e.status;
    switch (e.kind()) {
    case kindNote:
    case kindNoteOff: {
        const auto& n = static_cast<const NoteOnEvent&>(e);
        m.kind = e.kind() == kindNote ? PlayKind::noteOn : PlayKind::noteOff;
        m.data1 = static_cast<uint8_t>(n.note());
        m.data2 = static_cast<uint8_t>(n.velocity());
        return m;
    }
    case kindControl: {
        const auto& c = static_cast<const ControlChangeEvent&>(e);
        m.kind = PlayKind::control;
        m.data1 = static_cast<uint8_t>(c.controller());
        m.data2 = static_cast<uint8_t>(c.value());
        return m;
    }
    case kindProgram:
        m.kind = PlayKind::program;
        m.data1 = static_cast<uint8_t>(static_cast<const ProgramChangeEvent&>(e).program());
        return m;
    case kindPitchBend: {
        const int raw = static_cast<const PitchBendEvent&>(e).rawBend();
        m.kind = PlayKind::bend;
        m.data1 = static_cast<uint8_t>(raw & 0x7F);
        m.data2 = static_cast<uint8_t>((raw >> 7) & 0x7F);
        return m;
    }
    case kindSysex: {
        const auto& s = static_cast<const sysexEvent&>(e);
        m.kind = PlayKind::sysex;
        bytes.assign(1, static_cast<char>(e.status));
        bytes.append(s.sysexData.begin(), s.sysexData.end());
        return m;
    }
    default: break;
    }
    // Polyphonic and channel pressure are not played.
    if (e.status != 0xFF) return m;
    const auto& meta = static_cast<const metaEvent&>(e);
    switch (meta.metaType) {
    case 0x01:
    case 0x02:
    case 0x05:
    case 0x06:
    case 0x07:
        if (!meta.data.empty()) {
            m.kind = PlayKind::text;
            bytes = meta.dataText();
        }
        break;
    case 0x51:
        if (e.kind() == kindTempo) {
            m.kind = PlayKind::tempo;
            m.extra = static_cast<uint32_t>(static_cast<const TempoEvent&>(e).getTempo());
        }
        break;
    default: break;
    }
    return m;
}

// ---- building ---------------------------------------------------------------------------------

PlayListBuilder::PlayListBuilder(int32_t timeBase, int32_t startTempo)
    : timeBase_(timeBase > 0 ? timeBase : 480), startTempo_(startTempo) {}

void PlayListBuilder::reserve(size_t events) { items_.reserve(events); }

void PlayListBuilder::add(const anyEvent& e) {
    std::string bytes;
    PlayMessage m = playMessageOf(e, bytes);
    if (m.kind == PlayKind::sysex || m.kind == PlayKind::text) {
        m.extra = static_cast<uint32_t>(bytes_.size());
        bytes_.push_back(std::move(bytes));
    }
    if (m.kind == PlayKind::tempo) hasTempo_ = true;
    growAhead(items_);
    itemsAhead_.before(items_);
    items_.push_back({e.serial, m});
    if (e.kind() != kindNote) return;
    // The note off a sounding note ends with. One at the note's own tick must follow the note, or
    // the note never sounds and never ends; every other one goes ahead of the events of its tick.
    const auto& n = static_cast<const NoteOnEvent&>(e);
    PlayMessage off = m;
    off.kind = PlayKind::noteOff;
    off.data2 = 0;
    const int64_t end = static_cast<int64_t>(n.time) + std::max<int32_t>(n.duration(), 0);
    off.time = static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
    growAhead(offs_);
    offsAhead_.before(offs_);
    offs_.push_back({n.duration() <= 0 ? e.serial : 0, off});
}

namespace {

template <typename Item>
bool itemLess(const Item& a, const Item& b) {
    if (a.message.time != b.message.time) return a.message.time < b.message.time;
    return a.serial < b.serial;
}

// A stable sort that merges the ascending runs the items already form (a track added in order
// is one run), so the usual list costs a few merges instead of a full sort.
template <typename Item>
void sortByRuns(std::vector<Item>& items) {
    std::vector<size_t> bounds{0};
    for (size_t i = 1; i < items.size(); ++i)
        if (itemLess(items[i], items[i - 1])) bounds.push_back(i);
    bounds.push_back(items.size());
    if (bounds.size() > 2 + items.size() / 16) {
        std::stable_sort(items.begin(), items.end(), itemLess<Item>);
        return;
    }
    std::vector<Item> merged;
    prepareToFill(merged, items.size());
    merged.resize(items.size());
    while (bounds.size() > 2) {
        std::vector<size_t> next{0};
        for (size_t r = 0; r + 1 < bounds.size(); r += 2) {
            const size_t from = bounds[r], middle = bounds[r + 1];
            const size_t to = r + 2 < bounds.size() ? bounds[r + 2] : middle;
            // std::merge takes the left run first among equals: stable.
            std::merge(items.begin() + static_cast<std::ptrdiff_t>(from), items.begin() + static_cast<std::ptrdiff_t>(middle),
                       items.begin() + static_cast<std::ptrdiff_t>(middle), items.begin() + static_cast<std::ptrdiff_t>(to),
                       merged.begin() + static_cast<std::ptrdiff_t>(from), itemLess<Item>);
            next.push_back(to);
        }
        items.swap(merged);
        bounds.swap(next);
    }
}

}  // namespace

std::shared_ptr<const PlayList> PlayListBuilder::build() const {
    std::vector<Item> events, offs;
    prepareToFill(events, items_.size());
    events.assign(items_.begin(), items_.end());
    prepareToFill(offs, offs_.size());
    offs.assign(offs_.begin(), offs_.end());
    sortByRuns(events);
    sortByRuns(offs);
    auto list = std::make_shared<PlayList>();
    std::vector<PlayMessage>& out = list->messages_;
    prepareToFill(out, events.size() + offs.size());
    // The note offs come after every event in the order of adding: among equals the event goes
    // first, so a note and its own note off (same time and serial) keep that order.
    size_t e = 0, o = 0;
    while (e < events.size() && o < offs.size())
        out.push_back(itemLess(offs[o], events[e]) ? offs[o++].message : events[e++].message);
    for (; e < events.size(); ++e) out.push_back(events[e].message);
    for (; o < offs.size(); ++o) out.push_back(offs[o].message);
    list->bytes_ = bytes_;
    list->timeBase_ = timeBase_;
    list->startTempo_ = startTempo_;
    list->hasTempo_ = hasTempo_;
    return list;
}

namespace {

// Events before the range feed the channel states; the rest up to its end are added. A track
// whose order is in doubt is walked to its end instead of stopping at the first later event.
void walkTrack(const midiTrack& track, PlayListBuilder& builder, TickRange range, MidiDevice& device) {
    const bool ordered = track.orderKnown();
    for (const anyEvent* e : track.events()) {
        if (!e) continue;
        if (e->time < range.from) {
            device.feedChannelState(*e);
            continue;
        }
        if (e->time > range.to) {
            if (ordered) break;
            continue;
        }
        if (e->isTrackEnd()) continue;
        builder.add(*e);
    }
}

}  // namespace

std::shared_ptr<const PlayList> buildSelectionList(midiSong& song, const Selection& selection, bool allTracks,
                                                   MidiDevice& device) {
    const TickRange range = selection.ticks(song);
    PlayListBuilder builder(song.timeBase, song.tempoAt(range.from));
    if (song.trackCount() == 0 || range.empty()) return builder.build();
    const midiTrack& conductor = *song.track(0);
    for (const anyEvent* e : conductor.events()) {
        if (!e || e->time < range.from) continue;
        if (e->time > range.to) {
            if (conductor.orderKnown()) break;
            continue;
        }
        if (e->kind() == kindTempo) builder.add(*e);
    }
    const Selection rows = selection.clippedTo(song);
    const int first = allTracks ? 1 : std::max(rows.firstTrack, 1);
    const int last = allTracks ? song.trackCount() - 1 : rows.lastTrack;
    for (int i = first; i <= last; ++i) walkTrack(*song.track(i), builder, range, device);
    return builder.build();
}

std::shared_ptr<const PlayList> buildFromList(midiSong& song, int firstBar, MidiDevice& device) {
    const TickRange range{barStartTick(song, firstBar), INT32_MAX};
    PlayListBuilder builder(song.timeBase, song.tempoAt(range.from));
    for (int i = 0; i < song.trackCount(); ++i) walkTrack(*song.track(i), builder, range, device);
    return builder.build();
}

std::shared_ptr<const PlayList> buildAllList(midiSong& song) {
    PlayListBuilder builder(song.timeBase, song.tempoAt(0));
    size_t events = 0;
    for (int i = 0; i < song.trackCount(); ++i) events += static_cast<size_t>(song.track(i)->size());
    builder.reserve(events);
    for (int i = 0; i < song.trackCount(); ++i)
        for (const anyEvent* e : song.track(i)->events())
            if (e && !e->isTrackEnd()) builder.add(*e);
    return builder.build();
}

void feedLeadIn(const midiSong& song, MidiDevice& device) {
    int32_t songFirstNote = INT32_MAX;
    for (int i = 0; i < song.trackCount(); ++i)
        for (const anyEvent* e : song.track(i)->events())
            if (e && e->kind() == kindNote) {
                songFirstNote = std::min(songFirstNote, e->time);
                break;
            }
    for (int i = 0; i < song.trackCount(); ++i) {
        const midiTrack& t = *song.track(i);
        const bool hasNote = std::any_of(t.events().begin(), t.events().end(),
                                         [](const anyEvent* e) { return e && e->kind() == kindNote; });
        for (const anyEvent* e : t.events()) {
            if (!e) continue;
            if (hasNote ? e->kind() == kindNote : e->time > songFirstNote) break;
            device.feedChannelState(*e);
        }
    }
}

// ---- the play commands of the device --------------------------------------------------------

bool MidiDevice::playSelectedPart(midiSong& song, const Selection& selection, const PlayOptions& options) {
    status("Making Play List...");
    auto list = buildSelectionList(song, selection, options.allTracks, *this);
    if (list->empty()) return false;
    status("Preparing...");
    chase();
    if (!startWith(list, options.loop, false, hooks, options.tempo)) return false;
    // The tempo bar shows the tempo where the play goes on (the player may be past it already).
    const int next = playIndex_.load();
    if (playing_.load() && hooks.tempoChange && options.tempo <= 0 && next < list->size())
        hooks.tempoChange(song.tempoAt(list->at(next).time));
    status("Playing...");
    return true;
}

bool MidiDevice::playFrom(midiSong& song, int firstBar, const PlayOptions& options) {
    status("Making Play List...");
    auto list = buildFromList(song, firstBar, *this);
    if (list->empty()) return false;
    status("Preparing...");
    chase();
    if (!startWith(list, options.loop, false, hooks, options.tempo)) return false;
    status("Playing...");
    return true;
}

bool MidiDevice::playAll(midiSong& song, const PlayOptions& options) {
    status("Reset Device...");
    resetDevice(song, options.gmOn, options.system);
    status("Making Play List...");
    auto list = buildAllList(song);
    if (list->empty()) return false;
    status("Preparing...");
    if (!startWith(list, options.loop, false, hooks, options.tempo)) return false;
    status("Playing...");
    return true;
}

void MidiDevice::resetDevice(const midiSong& song, bool gmOn, SystemMode system) {
    forgetPlayList();
    resetChannelStates();
    // The list is not emptied between the starts: with GM on, the second one sends GM System On
    // again before the GS or XG message. The reset is not a play of its own: no hooks.
    PlayListBuilder resets(song.timeBase);
    const PlayHooks silent;
    if (gmOn) {
        resets.add(song.gmOnEvent);
        startWith(resets.build(), false, false, silent);
    }
    if (system == SystemMode::gs) {
        resets.add(song.gsResetEvent);
        startWith(resets.build(), false, false, silent);
    } else if (system == SystemMode::xg) {
        resets.add(song.xgOnEvent);
        startWith(resets.build(), false, false, silent);
    }
    do {
        clock_->sleepFor(50'000);
    } while (playing_.load());
}

// ---- a tool's work track ---------------------------------------------------------------------

std::shared_ptr<const PlayList> buildWorkTrackList(midiSong& song, const midiTrack& work, int soundTrack,
                                                   MidiDevice& device) {
    int32_t first = INT32_MAX;
    int64_t last = -1;
    for (const anyEvent* e : work.events()) {
        if (!e || e->isTrackEnd()) continue;
        first = std::min(first, e->time);
        int64_t end = e->time;
        if (e->kind() == kindNote) end += static_cast<const NoteOnEvent*>(e)->duration();
        last = std::max(last, end);
    }
    if (last < 0) return PlayListBuilder(song.timeBase).build();
    PlayListBuilder builder(song.timeBase, song.tempoAt(first));
    if (song.trackCount() > 0) {
        const midiTrack& conductor = *song.track(0);
        for (const anyEvent* e : conductor.events()) {
            if (!e || e->time <= first) continue;
            if (e->time > last) {
                if (conductor.orderKnown()) break;
                continue;
            }
            if (e->kind() == kindTempo) builder.add(*e);
        }
    }
    if (soundTrack >= 0 && soundTrack < song.trackCount()) {
        const midiTrack& sound = *song.track(soundTrack);
        for (const anyEvent* e : sound.events()) {
            if (!e) continue;
            if (e->time >= first) {
                if (sound.orderKnown()) break;
                continue;
            }
            device.feedChannelState(*e);
        }
    }
    builder.reserve(static_cast<size_t>(work.size()));
    for (const anyEvent* e : work.events())
        if (e && !e->isTrackEnd()) builder.add(*e);
    return builder.build();
}

bool MidiDevice::playWorkTrack(midiSong& song, const midiTrack& work, int soundTrack, const PlayOptions& options) {
    status("Making Play List...");
    auto list = buildWorkTrackList(song, work, soundTrack, *this);
    if (list->empty()) return false;
    status("Preparing...");
    chase();
    if (!startWith(list, options.loop, false, hooks, options.tempo)) return false;
    status("Playing...");
    return true;
}

}  // namespace tonvela
