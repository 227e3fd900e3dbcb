#include "setup/setup_manager.h"

#include <algorithm>
#include <bitset>
#include <limits>
#include <map>
#include <unordered_set>

#include "base/errors.h"
#include "song/events.h"
#include "song/midi_channel.h"
#include "song/selection.h"
#include "song/song.h"
#include "song/system_flags.h"

namespace tonvela {

namespace {

constexpr SetupControlInfo kControls[setupControlCount] = {
    {"bankMsb", "Bank Select MSB", -1, 127},
    {"bankLsb", "Bank Select LSB", -1, 127},
    {"program", "Program Change", 0, 127},
    {"volume", "Volume(7)", 0, 127},
    {"expression", "Expression(11)", 0, 127},
    {"pan", "Panpot(10)", 0, 127},
    {"reverb", "Reverb(91)", 0, 127},
    {"chorus", "Chorus(93)", 0, 127},
    {"variation", "Variation(94)", 0, 127},
    {"brightness", "Brightness(74)", 0, 127},
    {"harmonic", "Harmonic Content(71)", 0, 127},
    {"attack", "Attack Time(73)", 0, 127},
    {"release", "Release Time(72)", 0, 127},
    {"decay", "Decay Time(NRPN 1,100)", 0, 127},
    {"vibratoRate", "Viblato Rate(NRPN 1,8)", 0, 127},
    {"vibratoDepth", "Viblato Depth(NRPN 1,9)", 0, 127},
    {"vibratoDelay", "Viblato Deray(NRPN 1,10)", 0, 127},
    {"bendRange", "Pitchbend Sensitivity", 0, 24},
};

// The plain controllers of a set-up and the value each one sets.
struct Plain {
    int controller;
    SetupControl control;
};
constexpr Plain kPlain[] = {{7, setupVolume},      {11, setupExpression}, {10, setupPan},
                            {91, setupReverb},     {93, setupChorus},     {94, setupVariation},
                            {74, setupBrightness}, {71, setupHarmonic},   {73, setupAttack},
                            {72, setupRelease}};

// The non-registered parameters (MSB 1) of a set-up by their LSB.
struct Nrpn {
    int lsb;
    SetupControl control;
};
constexpr Nrpn kNrpns[] = {{100, setupDecay}, {8, setupVibratoRate}, {9, setupVibratoDepth}, {10, setupVibratoDelay}};

// The parameter that data entry changes, as the selections before it chose it. Whichever of the
// registered and non-registered numbers was selected last is the current one.
class ParameterSelection {
public:
    enum Kind { none, bendRange, null, nrpn, other };

    void select(int controller, int value) {
        switch (controller) {
        case 101: rpnMsb_ = value; registered_ = true; break;
        case 100: rpnLsb_ = value; registered_ = true; break;
        case 99: nrpnMsb_ = value; registered_ = false; break;
        case 98: nrpnLsb_ = value; registered_ = false; break;
        default: break;
        }
        chosen_ = true;
    }
    void reset() { *this = ParameterSelection(); }

    Kind kind() const {
        if (!chosen_) return none;
        const int msb = registered_ ? rpnMsb_ : nrpnMsb_;
        const int lsb = registered_ ? rpnLsb_ : nrpnLsb_;
        if (msb == 127 && lsb == 127) return null;
        if (registered_) return msb == 0 && lsb == 0 ? bendRange : other;
        if (msb == 1)
            for (const Nrpn& n : kNrpns)
                if (lsb == n.lsb) return nrpn;
        return other;
    }
    // The set-up value a data entry changes now; setupControlCount for none.
    int control() const {
        switch (kind()) {
        case bendRange: return setupBendRange;
        case nrpn:
            for (const Nrpn& n : kNrpns)
                if (nrpnLsb_ == n.lsb) return n.control;
            return setupControlCount;
        default: return setupControlCount;
        }
    }

private:
    int rpnMsb_ = -1, rpnLsb_ = -1, nrpnMsb_ = -1, nrpnLsb_ = -1;
    bool registered_ = false;
    bool chosen_ = false;
};

bool isSelection(int controller) { return controller >= 98 && controller <= 101; }

struct Held {
    anyEvent* event;
    int track;
    int control = setupControlCount;  // the value a found set-up event sets; none for a null selection
};

bool heldLess(const Held& a, const Held& b) { return eventLess(a.event, b.event); }

// The channel's events of the tracks with time <= limit, in the order they play.
std::vector<Held> channelEvents(const midiSong& song, const std::vector<int>& tracks, int channel, int32_t limit) {
    std::vector<Held> out;
    for (int t : tracks) {
        const midiTrack& track = *song.track(t);
        const bool ordered = track.orderKnown();
        for (anyEvent* e : track.events()) {
            if (!e) continue;
            if (e->time > limit) {
                if (ordered) break;
                continue;
            }
            if (e->channelOf() == channel) out.push_back({e, t});
        }
    }
    std::sort(out.begin(), out.end(), heldLess);
    return out;
}

// The first note of the channel in the order notes play; nullptr when it has none.
const anyEvent* firstNoteOf(const midiSong& song, const std::vector<int>& tracks, int channel) {
    const anyEvent* first = nullptr;
    for (int t : tracks) {
        const midiTrack& track = *song.track(t);
        const bool ordered = track.orderKnown();
        for (const anyEvent* e : track.events()) {
            if (!e || e->kind() != kindNote || e->channelOf() != channel) continue;
            if (!first || eventLess(e, first)) first = e;
            if (ordered) break;
        }
    }
    return first;
}

// The walk over the set-up events of one channel: what they set, and (when asked) which of them
// a Set replaces.
struct SetupReader {
    SetupValues values{};
    SetupFlags set{};
    int32_t collectFrom = std::numeric_limits<int32_t>::min();  // found: events from this time on
    std::vector<Held> found;
    ParameterSelection selection;
    std::vector<Held> pendingSelection;  // selections not yet known to be a set-up's
    MidiChannel state;

    explicit SetupReader(int channel) {
        state.checkMode = false;
        state.isDrumChannel = channel == 9;
    }

    void keep(const Held& h, int control) {
        if (h.event->time >= collectFrom) found.push_back({h.event, h.track, control});
    }
    void keepSelection(int control) {
        for (const Held& p : pendingSelection) keep(p, control);
        pendingSelection.clear();
    }
    void setValue(int control, int value) {
        values[static_cast<size_t>(control)] = value;
        set[static_cast<size_t>(control)] = true;
    }

    void follow(const Held& h) {
        const anyEvent& e = *h.event;
        state.update(e);
        if (e.kind() == kindProgram) {
            setValue(setupProgram, static_cast<const ProgramChangeEvent&>(e).program());
            keep(h, setupProgram);
            return;
        }
        if (e.kind() != kindControl) return;
        const auto& c = static_cast<const ControlChangeEvent&>(e);
        const int number = c.controller();
        const int value = c.value();
        if (number == 0 || number == 32) {
            setValue(number == 0 ? setupBankMsb : setupBankLsb, value);
            keep(h, number == 0 ? setupBankMsb : setupBankLsb);
            return;
        }
        for (const Plain& p : kPlain) {
            if (p.controller != number) continue;
            setValue(p.control, value);
            keep(h, p.control);
            return;
        }
        if (isSelection(number)) {
            selection.select(number, value);
            pendingSelection.push_back(h);
            // A null selection closes a set-up's parameters; nothing follows it.
            if (selection.kind() == ParameterSelection::null) keepSelection(setupControlCount);
            return;
        }
        if (number == 6 || number == 38) {
            const int control = selection.control();
            if (control == setupControlCount && selection.kind() != ParameterSelection::null) {
                // Another parameter's entry: neither it nor its selection belongs to the set-up.
                pendingSelection.clear();
                return;
            }
            if (number == 6 && control != setupControlCount) setValue(control, value);
            keepSelection(control);
            keep(h, control);
            return;
        }
        if (number == 121) {
            // Reset All Controllers: expression and the parameter selection go back.
            values[setupExpression] = 127;
            set[setupExpression] = false;
            selection.reset();
            pendingSelection.clear();
        }
    }
};

// The last XG Part Mode or GS Use For Rhythm Part message for the channel before `before` (or at
// any time when it is nullptr) with time <= limit; -1 when none.
int partModeBefore(const midiSong& song, int channel, int32_t limit, const anyEvent* before) {
    const anyEvent* last = nullptr;
    int mode = -1;
    for (const sysexEvent* e : song.sysexEvents) {
        if (e->time > limit || (before && !eventLess(e, before))) continue;
        const auto change = partModeChange(e->sysexData.data(), e->sysexData.size());
        if (!change || change->channel != channel) continue;
        if (!last || eventLess(last, e)) {
            last = e;
            mode = change->mode;
        }
    }
    return mode;
}

void checkRequest(const midiSong& song, const SetupRequest& q) {
    if (q.channel < 0 || q.channel > 15) throw MidiError("There is no MIDI channel " + std::to_string(q.channel + 1) + ".");
    if (q.track < 0 || q.track >= song.trackCount())
        throw MidiError("The song has no track " + std::to_string(q.track) + ".");
    for (int i = 0; i < setupControlCount; ++i) {
        const SetupControlInfo& info = kControls[i];
        const int v = q.values[static_cast<size_t>(i)];
        if (v < info.minimum || v > info.maximum)
            throw MidiError(std::string(info.caption) + " must be from " + std::to_string(info.minimum) + " to " +
                            std::to_string(info.maximum) + " (not " + std::to_string(v) + ").");
    }
    if (q.timing.start < 0 || q.timing.interval < 0 || q.timing.offset < 0)
        throw MidiError("Start Time, Interval and Channel Offset must be 0 or more.");
}

// One event a Set writes.
struct Planned {
    int64_t time;
    bool program;
    int number;
    int value;
};

struct Plan {
    std::vector<Planned> events;
    std::vector<Held> removals;                // the set-up events replaced
    std::vector<std::pair<Held, int>> bends;   // pitch bends and their new raw values
    std::vector<Held> renewals;                // made again after the set-up, in play order
    bool packed = false;                       // events moved onto the first note's tick
};

anyEvent* renewed(const anyEvent& e) {
    switch (e.kind()) {
    case kindNote: return new NoteOnEvent(static_cast<const NoteOnEvent&>(e));
    case kindControl: return new ControlChangeEvent(static_cast<const ControlChangeEvent&>(e));
    case kindProgram: return new ProgramChangeEvent(static_cast<const ProgramChangeEvent&>(e));
    case kindPitchBend: return new PitchBendEvent(static_cast<const PitchBendEvent&>(e));
    case kindPolyPressure: {
        const auto& p = static_cast<const PolyAfterEvent&>(e);
        auto* copy = new PolyAfterEvent(e.time, e.status);
        copy->setRawNote(static_cast<uint8_t>(p.note()));
        copy->setPressure(p.pressure());
        return copy;
    }
    case kindChannelPressure: {
        auto* copy = new ChannelAfterTouchEvent(e.time, e.status);
        copy->setPressure(static_cast<const ChannelAfterTouchEvent&>(e).pressure());
        return copy;
    }
    default: return nullptr;
    }
}

bool renewable(const anyEvent& e) {
    switch (e.kind()) {
    case kindNote:
    case kindControl:
    case kindProgram:
    case kindPitchBend:
    case kindPolyPressure:
    case kindChannelPressure: return true;
    default: return false;
    }
}

// The channel's bends that the sensitivity of the head governs (up to the first sensitivity
// change after the set-up) and their values rescaled by shown / wanted.
std::vector<std::pair<Held, int>> rescaledBends(const midiSong& song, const std::vector<int>& tracks, int channel,
                                                const std::vector<Held>& found, int shown, int wanted) {
    std::vector<std::pair<Held, int>> out;
    if (shown <= 0 || wanted <= 0 || shown == wanted) return out;
    const std::unordered_set<const anyEvent*> replaced = [&] {
        std::unordered_set<const anyEvent*> s;
        for (const Held& h : found) s.insert(h.event);
        return s;
    }();
    std::vector<Held> parameters;
    std::vector<Held> bends;
    for (int t : tracks)
        for (anyEvent* e : song.track(t)->events()) {
            if (!e || e->channelOf() != channel) continue;
            if (e->kind() == kindPitchBend) bends.push_back({e, t});
            if (e->kind() != kindControl) continue;
            const int n = static_cast<const ControlChangeEvent*>(e)->controller();
            if (n == 6 || isSelection(n) || n == 121) parameters.push_back({e, t});
        }
    std::sort(parameters.begin(), parameters.end(), heldLess);
    const anyEvent* cutoff = nullptr;
    ParameterSelection selection;
    for (const Held& h : parameters) {
        const auto& c = static_cast<const ControlChangeEvent&>(*h.event);
        if (c.controller() == 121) {
            selection.reset();
        } else if (isSelection(c.controller())) {
            selection.select(c.controller(), c.value());
        } else if (selection.kind() == ParameterSelection::bendRange && !replaced.count(h.event)) {
            cutoff = h.event;
            break;
        }
    }
    for (const Held& h : bends) {
        if (cutoff && !eventLess(h.event, cutoff)) continue;
        const int bend = static_cast<const PitchBendEvent*>(h.event)->bend();
        const int64_t scaled = std::clamp<int64_t>(static_cast<int64_t>(bend) * shown / wanted, -8192, 8191);
        if (scaled != bend) out.push_back({h, static_cast<int>(scaled) + 8192});
    }
    return out;
}

// readSetup with the tracks of the set-up events found and the channel's first note.
struct Reading {
    ChannelSetup setup;
    std::vector<Held> found;
    const anyEvent* firstNote = nullptr;
};

Reading readChannel(const midiSong& song, int channel, SetupMode mode, int32_t time) {
    Reading out;
    ChannelSetup& r = out.setup;
    r.channel = channel;
    r.tracks = tracksOfChannel(song, channel);
    out.firstNote = firstNoteOf(song, r.tracks, channel);
    r.firstNote = out.firstNote ? out.firstNote->time : -1;
    const bool head = mode == SetupMode::head;
    const int32_t limit = head ? (out.firstNote ? out.firstNote->time : std::numeric_limits<int32_t>::max()) : time;

    SetupReader reader(channel);
    if (!head) reader.collectFrom = limit;
    for (const Held& h : channelEvents(song, r.tracks, channel, limit)) {
        if (head && h.event == out.firstNote) break;
        reader.follow(h);
    }
    reader.state.partMode = partModeBefore(song, channel, limit, head ? out.firstNote : nullptr);
    r.drumPart = reader.state.drumPart();
    r.values = setupDefaults(r.drumPart, xgSong(song));
    for (int i = 0; i < setupControlCount; ++i)
        if (reader.set[static_cast<size_t>(i)]) r.values[static_cast<size_t>(i)] = reader.values[static_cast<size_t>(i)];
    r.set = reader.set;
    out.found = std::move(reader.found);
    r.found.reserve(out.found.size());
    for (const Held& h : out.found) r.found.push_back(h.event);
    return out;
}

// The channel's events on the ticks the set-up uses, from the first note of each tick on (in
// the order they play): made again after the set-up, they play after it.
std::vector<Held> eventsToRenew(const midiSong& song, const std::vector<int>& tracks, int channel,
                                const std::vector<Planned>& planned, const std::vector<Held>& removals) {
    std::unordered_set<const anyEvent*> leaving;
    for (const Held& h : removals) leaving.insert(h.event);
    std::vector<int32_t> ticks;
    for (const Planned& p : planned) ticks.push_back(static_cast<int32_t>(p.time));
    std::sort(ticks.begin(), ticks.end());
    ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
    std::vector<Held> onTicks;
    for (int t : tracks)
        for (anyEvent* e : song.track(t)->events())
            if (e && e->channelOf() == channel && std::binary_search(ticks.begin(), ticks.end(), e->time) &&
                !leaving.count(e))
                onTicks.push_back({e, t});
    std::sort(onTicks.begin(), onTicks.end(), heldLess);
    std::vector<Held> out;
    bool noteSeen = false;
    for (size_t i = 0; i < onTicks.size(); ++i) {
        if (i > 0 && onTicks[i].event->time != onTicks[i - 1].event->time) noteSeen = false;
        noteSeen = noteSeen || onTicks[i].event->kind() == kindNote;
        if (noteSeen && renewable(*onTicks[i].event)) out.push_back(onTicks[i]);
    }
    return out;
}

Plan makePlan(const midiSong& song, const SetupRequest& q) {
    checkRequest(song, q);
    const bool head = q.mode == SetupMode::head;
    const int64_t first = static_cast<int64_t>(q.timing.start) + q.timing.offset;
    if (first > std::numeric_limits<int32_t>::max())
        throw MidiError("The set-up would end past the last tick a song can hold.");
    const Reading now = readChannel(song, q.channel, q.mode, static_cast<int32_t>(first));
    const SetupValues reference = head ? setupDefaults(now.setup.drumPart, xgSong(song)) : now.setup.values;
    const auto value = [&](SetupControl c) { return q.values[static_cast<size_t>(c)]; };
    const auto differs = [&](SetupControl c) { return value(c) != reference[static_cast<size_t>(c)]; };
    // At the head a value the song sets is written again, so a Set without changes keeps it.
    const auto wanted = [&](SetupControl c) {
        return q.sendEvenIfDefault || differs(c) || (head && now.setup.set[static_cast<size_t>(c)]);
    };

    Plan plan;
    SetupFlags written{};
    int64_t t = first;
    int64_t last = first;
    const auto add = [&](bool program, int number, int v, bool atZero = false) {
        plan.events.push_back({atZero ? 0 : t, program, number, v});
        last = std::max(last, t);
        t += q.timing.interval;
    };

    const bool bank = q.sendBankSelect && value(setupBankMsb) != -1 && value(setupBankLsb) != -1;
    if (head || differs(setupProgram) || (bank && (differs(setupBankMsb) || differs(setupBankLsb)))) {
        const bool atZero = head && q.setAtZero;
        if (bank) {
            add(false, 0, value(setupBankMsb), atZero);
            add(false, 32, value(setupBankLsb), atZero);
        }
        add(true, 0, value(setupProgram), atZero);
        written[setupBankMsb] = written[setupBankLsb] = written[setupProgram] = true;
    }
    for (int i = 0; i < 10; ++i) {  // volume, expression, pan, reverb, chorus; variation, tone
        const SetupControl c = kPlain[i].control;
        if (i < 5 ? head || differs(c) : wanted(c)) {
            add(false, kPlain[i].controller, value(c));
            written[c] = true;
        }
    }
    bool parameters = false;
    for (const Nrpn& n : kNrpns) {
        if (!wanted(n.control)) continue;
        add(false, 99, 1);
        add(false, 98, n.lsb);
        add(false, 6, value(n.control));
        written[n.control] = true;
        parameters = true;
    }
    if (wanted(setupBendRange)) {
        written[setupBendRange] = true;
        if (head && q.rescaleBends)
            plan.bends = rescaledBends(song, now.setup.tracks, q.channel, now.found, q.shownBendRange,
                                       value(setupBendRange));
        add(false, 101, 0);
        add(false, 100, 0);
        add(false, 6, value(setupBendRange));
        parameters = true;
    }
    if (parameters && q.sendNullRpn) {
        add(false, 101, 127);
        add(false, 100, 127);
    }
    if (last > std::numeric_limits<int32_t>::max())
        throw MidiError("The set-up would end past the last tick a song can hold.");
    // At the head nothing may come after the channel's first note, which would sound with the
    // old sound: what has no room before it goes on its tick, ahead of it.
    if (head && now.firstNote)
        for (Planned& p : plan.events)
            if (p.time > now.firstNote->time) {
                p.time = now.firstNote->time;
                plan.packed = true;
            }

    // Head: the set-up found goes. Halfway: what the song sets on the tick itself for a value
    // written anew, which would otherwise follow the new value and undo it.
    for (const Held& h : now.found)
        if (head || (h.control < setupControlCount && written[static_cast<size_t>(h.control)])) plan.removals.push_back(h);
    plan.renewals = eventsToRenew(song, now.setup.tracks, q.channel, plan.events, plan.removals);
    return plan;
}

}  // namespace

const SetupControlInfo& setupControlInfo(int control) { return kControls[std::clamp(control, 0, setupControlCount - 1)]; }

SetupValues setupDefaults(bool drumPart, bool xg) {
    SetupValues v{};
    v[setupBankMsb] = drumPart && xg ? 127 : 0;
    v[setupBankLsb] = 0;
    v[setupProgram] = 0;
    v[setupVolume] = 100;
    v[setupExpression] = 127;
    v[setupPan] = 64;
    v[setupReverb] = 40;
    v[setupChorus] = 0;
    v[setupVariation] = 40;
    for (SetupControl c : {setupBrightness, setupHarmonic, setupAttack, setupRelease, setupDecay, setupVibratoRate,
                           setupVibratoDepth, setupVibratoDelay})
        v[c] = 64;
    v[setupBendRange] = 2;
    return v;
}

bool xgSong(const midiSong& song) { return systemMode(song.systemFlags) == SystemMode::xg; }

std::vector<int> channelsInUse(const midiSong& song) {
    std::bitset<16> used;
    for (const auto& t : song.tracks) used |= t->channels;
    std::vector<int> out;
    for (int c = 0; c < 16; ++c)
        if (used.test(static_cast<size_t>(c))) out.push_back(c);
    return out;
}

std::vector<int> tracksOfChannel(const midiSong& song, int channel) {
    std::vector<int> out;
    if (channel < 0 || channel > 15) return out;
    for (int i = 0; i < song.trackCount(); ++i)
        if (song.track(i)->channels.test(static_cast<size_t>(channel))) out.push_back(i);
    return out;
}

ChannelSetup readSetup(const midiSong& song, int channel, SetupMode mode, int32_t time) {
    return readChannel(song, channel, mode, time).setup;
}

SetupTiming headTiming(midiSong& song, int position, int count) {
    const int32_t step = song.timeBase / 241 + 1;
    const int64_t tempo = std::max<int32_t>(song.tempoAt(0), 1);
    const int64_t settle = static_cast<int64_t>(song.timeBase) * 55000 / tempo;
    const int32_t firstBarEnd = barStartTick(song, 1);
    int64_t lastSysex = 0;
    for (const sysexEvent* e : song.sysexEvents) {
        if (e->time >= firstBarEnd) continue;
        // XG display texts and bitmaps need no time to settle.
        if (e->manufacturer() == 0x43 && (e->address() == 0x060000 || e->address() == 0x070000)) continue;
        lastSysex = std::max<int64_t>(lastSysex, e->time);
    }
    const int64_t start = std::min<int64_t>(std::max(settle, lastSysex) + step, std::numeric_limits<int32_t>::max());
    return {static_cast<int32_t>(start), count * step, position * step};
}

bool notesInFirstBeat(const midiSong& song) {
    for (const auto& t : song.tracks)
        if (t->firstNoteTime >= 0 && t->firstNoteTime < song.timeBase) return true;
    return false;
}

SetupRequest headRequest(midiSong& song, const ChannelSetup& setup, int position, int count) {
    SetupRequest q;
    q.channel = setup.channel;
    q.track = setup.tracks.empty() ? 0 : setup.tracks.front();
    q.mode = SetupMode::head;
    q.values = setup.values;
    q.timing = headTiming(song, position, count);
    q.sendBankSelect = !setup.drumPart || setup.set[setupBankMsb] || setup.set[setupBankLsb];
    q.setAtZero = setup.drumPart;
    q.shownBendRange = setup.values[setupBendRange];
    return q;
}

int bendsToRescale(const midiSong& song, const SetupRequest& request) {
    SetupRequest q = request;
    q.rescaleBends = true;
    return static_cast<int>(makePlan(song, q).bends.size());
}

SetupResult writeSetup(midiSong& song, const SetupRequest& q) {
    const Plan plan = makePlan(song, q);
    SetupResult result;
    std::map<int, std::vector<anyEvent*>> leaving;  // by track: the replaced and the renewed events
    for (const Held& h : plan.removals) leaving[h.track].push_back(h.event);
    for (const Held& h : plan.renewals) leaving[h.track].push_back(h.event);
    std::vector<int> changed;
    if (!plan.events.empty()) changed.push_back(q.track);
    for (const auto& [track, events] : leaving) changed.push_back(track);
    for (const auto& [held, raw] : plan.bends) changed.push_back(held.track);
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    if (changed.empty()) return result;

    for (int t : changed) song.track(t)->beginUndoStep(kSetupManagerLabel);
    for (auto& [t, events] : leaving) {
        midiTrack& track = *song.track(t);
        const std::unordered_set<const anyEvent*> wanted(events.begin(), events.end());
        for (int i = 0; i < track.size(); ++i)
            if (track.at(i) && wanted.count(track.at(i))) track.removeEventAt(i);
        track.pack();
    }
    for (const auto& [held, raw] : plan.bends) song.track(held.track)->setBend(static_cast<PitchBendEvent*>(held.event), raw);

    // The set-up is made before the renewed events, so it plays first on a shared tick.
    std::vector<anyEvent*> made;
    made.reserve(plan.events.size());
    for (const Planned& p : plan.events) {
        const auto time = static_cast<int32_t>(p.time);
        const auto status = static_cast<uint8_t>(q.channel);
        if (p.program) {
            auto* e = new ProgramChangeEvent(time, status);
            e->setProgram(p.value);
            made.push_back(e);
        } else {
            auto* e = new ControlChangeEvent(time, status);
            e->setController(p.number);
            e->setValue(p.value);
            made.push_back(e);
        }
    }
    std::map<int, std::vector<anyEvent*>> copies;
    for (const Held& h : plan.renewals) copies[h.track].push_back(renewed(*h.event));
    song.track(q.track)->addEvents(made, true);
    for (auto& [t, events] : copies) song.track(t)->addEvents(events, true);

    result.written = static_cast<int>(plan.events.size());
    for (const Planned& p : plan.events) result.lastTick = std::max(result.lastTick, static_cast<int32_t>(p.time));
    result.removed = static_cast<int>(plan.removals.size());
    result.rescaled = static_cast<int>(plan.bends.size());
    result.packed = plan.packed;
    result.tracks = std::move(changed);
    return result;
}

}  // namespace tonvela
