#include "checker/data_check.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstdio>
#include <unordered_map>
#include <utility>

#include "settings/options.h"
#include "song/events.h"
#include "song/midi_channel.h"
#include "song/song.h"

namespace tonvela {

namespace {

struct CheckText {
    const char* label;
    const char* explanation;
};

constexpr CheckText kChecks[kCheckCount] = {
    {"001 Multiple NoteON ", "同じ音の発音中にNoteOn があります(直前のノートの長さを調節します)"},
    {"002 Extra NoteOFF ", "余分な NoteOff があります(削除します)"},
    {"003 Same time NoteON/OFF ", "NoteOff/On が同じティックにあります(直前のノートの長さを調節します)"},
    {"004 Short Note Duration ", "音符の長さが短かすぎます(削除します)"},
    {"005 Same Control Value ", "不要なコントロールチェンジがあります(削除します)"},
    {"006 Illegal Velocity ", "ベロシティの値が不正です(削除します)"},
    {"007 Synchronous NoteON ", "同じ音が重複しています(削除します)"},
    {"008 Same Bend Value ", "不要なピッチベンドがあります(削除します)"},
    {"009 Invalid Data Entry ", "RPN、NRPNの指定が無効なデータエントリ指定があります(修正しません)"},
    {"010 Synchronous Control ", "同じコントロールが重複しています(削除します)"},
    {"011 Synchronous PitchBend ", "ピッチベンドが重複しています(削除します)"},
    {"012 NoteOn and Control on the Same Tick ",
     "同じティックにノートオンとコントロールがあります(ノートまたはコントロールの位置を修正します)"},
    {"013 NoteOn and PitchBend on the Same Tick ",
     "同じティックにノートオンとピッチベンドがあります(ノートまたはピッチベンドの位置を修正します)"},
    {"014 NoteOn while volume 0 ",
     "メインボリュームまたはエクスプレッションが０の位置にノートオンがあります(削除します)"},
    {"015 ON/OFF switch should be 0 or 127 ", "スイッチの値が０または127以外になっています(０または127にします)"},
    {"016 Non-effective PitchBend ", "無発音時にピッチベンドがあります(削除します)"},
    {"017 Ineffective Pitchbend(below 1-cent) ", "無効なピッチベンド(変化が小さ過ぎる)があります(削除します)"},
};

// The check a finding code is listed under; 0 for the codes that are never listed.
int checkOfCode(int code) {
    switch (code) {
    case findMultipleNoteOn: return 1;
    case findExtraNoteOff: return 2;
    case findSameTimeOnOff: return 3;
    case findShortNote: return 4;
    case findSameControl: return 5;
    case findIllegalVelocity: return 6;
    case findSynchronousNoteOn: return 7;
    case findSameBend: return 8;
    case findInvalidDataEntry: return 9;
    case findSynchronousControl: return 10;
    case findSynchronousBend: return 11;
    case findNoteOnAndControl: return 12;
    case findNoteOnAndBend: return 13;
    case findNoteOnWhileMuted: return 14;
    case findSwitchValue: return 15;
    case findSilentBend: return 16;
    case findIneffectiveBend: return 17;
    default: return 0;
    }
}

bool listed(int check, const Options& o) {
    switch (check) {
    case 1: return o.deleteDuplicatedNote;
    case 2: return true;
    case 3: return o.detectSametimeonoff;
    case 4: return o.detectShortDuraion;
    case 5: return o.detectSameControlValue;
    case 6: return o.detectIllegalVel;
    case 7: return o.detectSynchronousNoteON;
    case 8: return o.detectSameBendValue;
    case 9: return o.detectInvalidDataEntry;
    case 10: return o.detectSynchronousControl;
    case 11: return o.detectSynchronousPitchBend;
    case 12:
    case 13: return o.detectNoteOnandOtherEvent;
    case 14: return o.noteonWhileVol0;
    case 15: return o.invalidOnOff;
    case 16: return o.nonefctPB;
    case 17: return o.ineffectivePitchbend;
    default: return false;
    }
}

// Controllers whose order among themselves carries meaning (bank select, parameter number and
// data entry): one of them is never moved past another.
bool inParameterGroup(int controller) {
    return controller == 0 || controller == 32 || controller == 6 || controller == 38 ||
           (controller >= 96 && controller <= 101);
}

// "T/BBB:BB:TTT " (bar and beat from 1): the place of a line.
void appendPlace(std::string& out, int track, const BarBeatTick& p) {
    auto number = [&out](int64_t v, int width) {
        char digits[24];
        auto r = std::to_chars(digits, digits + sizeof digits, v);
        const auto n = static_cast<int>(r.ptr - digits);
        if (v >= 0)
            for (int i = n; i < width; ++i) out += '0';
        out.append(digits, r.ptr);
    };
    number(track, 0);
    out += '/';
    number(static_cast<int64_t>(p.bar) + 1, 3);
    out += ':';
    number(static_cast<int64_t>(p.beat) + 1, 2);
    out += ':';
    number(p.tick, 3);
    out += ' ';
}

// The tick of the last event of a kind, and of the one before that tick.
struct TickHistory {
    int32_t last = -1, previous = -1;
    void mark(int32_t t) {
        if (t != last) {
            previous = last;
            last = t;
        }
    }
    // The last tick before t that held such an event (-1 for none); t is the current tick.
    int32_t before(int32_t t) const { return last == t ? previous : last; }
};

// A note off made from a note's duration.
struct MadeOff {
    int32_t time;
    int32_t track;
    int32_t position;  // the note's
    uint32_t noteSeq;  // when its note on was met; UINT32_MAX when the note off comes first
    NoteOnEvent* note;
    // Ordered as a stable sort puts note offs of serial 0 that were appended in list order.
    bool after(const MadeOff& o) const {
        if (time != o.time) return time > o.time;
        if (track != o.track) return track > o.track;
        return position > o.position;
    }
};

// The events of one channel in one track, as positions in (time, serial) order.
struct Source {
    const std::vector<anyEvent*>* events;
    const std::vector<int32_t>* positions;
    size_t next = 0;
    int track = 0;
    bool done() const { return next >= positions->size(); }
    anyEvent* at(size_t i) const { return (*events)[static_cast<size_t>((*positions)[i])]; }
    int32_t nextTime() const { return at(next)->time; }
    // Steps past the head, fetching an event a little ahead so that it is in the cache by then.
    void step() {
        if (next + kFetchAhead < positions->size()) __builtin_prefetch(at(next + kFetchAhead));
        ++next;
    }
    static constexpr size_t kFetchAhead = 8;
};

// An event of the tick being merged.
struct TickItem {
    anyEvent* event;
    int track;
    int position;
};

// The changes of one controller (or the pitch bends) on the tick being checked.
struct TickGroup {
    int count = 0;                      // changes so far
    EventPlace first{};                 // the first of them
    uint32_t firstSeq = 0;              // when it was met
    int valueBefore = -1;               // the value in force before it
    int firstCheck = 0;                 // the check listed for it (0 for none)
    int lastValue = -1;                 // of the latest change
    bool sameSide = true;               // switches: every change on the side of valueBefore
    int64_t lastFinding = -1;           // the 010/011 line of the latest change, if listed
    std::shared_ptr<PlaceList> places;  // every change so far, from the second one on
};

constexpr int kBendGroup = 128;

// The check of one channel: feeds the merged list to a MidiChannel and turns its answers into
// findings, with what each correction needs to know.
class ChannelCheck {
public:
    // Appends its findings to `out`; the caller takes the references once the channel is done.
    ChannelCheck(const midiSong& song, const Options& options, int channel, std::vector<Finding>& out)
        : song_(song), options_(options), channelIndex_(channel), findings_(out), first_(out.size()) {
        channel_.checkMode = true;
        channel_.checkRules = {options.deleteDuplicatedNote, options.detectShortDuraion, options.minimumDur,
                               options.detectIllegalVel,     options.illegalVeloMin,     options.illegalVeloMax};
        if (options.checkInitial) channel_.clearControllers();
        channel_.isDrumChannel = channel == 9;
    }

    // Called first for every tick that has events.
    void beginTick(int32_t t) { tick_ = t; }

    void madeOff(const MadeOff& off) {
        ++seq_;
        noteEndTicks_.mark(off.time);
        // The end of a note of duration 0 comes before its start, and the end of a note that an
        // All Notes Off silenced comes after its key fell silent: either ends nothing, and must
        // not end another note of the key in the count.
        if (off.note->duration() <= 0 || clearedSince(off.noteSeq)) {
            extraNoteOff(off);
            return;
        }
        noteOff(off.time, off.note->note(), off.track, nullptr, &off);
    }

    void realEvent(anyEvent* e, int track, int position) {
        ++seq_;
        const EventPlace here{e, track, position, e->time, 0};
        switch (e->kind()) {
        case kindNote: noteOn(static_cast<NoteOnEvent*>(e), here); break;
        case kindNoteOff:
            noteEndTicks_.mark(e->time);
            noteOff(e->time, static_cast<NoteOnEvent*>(e)->note(), track, &here, nullptr);
            break;
        case kindControl: control(static_cast<ControlChangeEvent*>(e), here); break;
        case kindPitchBend: bend(static_cast<PitchBendEvent*>(e), here); break;
        case kindProgram:
            channel_.update(*e);
            programSeq_ = seq_;
            break;
        case kindSysex: {
            // Only the part mode messages of this channel are gathered.
            const auto& x = static_cast<const sysexEvent&>(*e);
            if (const auto change = partModeChange(x.sysexData.data(), x.sysexData.size()))
                channel_.partMode = change->mode;
            break;
        }
        default: break;
        }
    }

    // Notes with duration 0 end before they start; their note offs are pushed when their tick
    // comes up, ahead of the tick's other events.
    std::vector<MadeOff>& offs() { return offs_; }

    void finish() {
        // Lines that turned out to have nothing to say: of muted notes that are heard, of drum hits
    // of duration 0.
        if (placeholders_)
            findings_.erase(std::remove_if(findings_.begin() + static_cast<std::ptrdiff_t>(first_), findings_.end(),
                                           [](const Finding& f) { return f.check == 0; }),
                            findings_.end());
    }

private:
    struct LiveNote {
        EventPlace place;
        int64_t end;
    };

    // A note on at volume or expression 0 whose line says 014 until the note turns out to be
    // heard.
    struct MutedNote {
        size_t finding;
        int other;    // the check the note has otherwise (0 for none)
        int64_t end;  // the note's end
    };

    void noteOn(NoteOnEvent* n, const EventPlace& here) {
        const int key = n->note();
        const auto k = static_cast<size_t>(key);
        const int32_t t = n->time;
        // The notes of this key that still sound at t, oldest first.
        auto& live = liveNotes_[k];
        live.erase(std::remove_if(live.begin(), live.end(), [t](const LiveNote& l) { return l.end < t; }), live.end());

        const int32_t duration = std::max<int32_t>(n->duration(), 0);
        const int32_t onBefore = channel_.keyOnTime[k], offBefore = channel_.keyOffTime[k];
        const int32_t bendRun = channel_.bendRun;
        const int code = channel_.noteEvent(t, key, n->velocity());
        if (duration == 0) {
            // A note that ends where it starts sounds for no time: it ends at once (its end is
            // listed 002 at the head of the tick, and goes with that line), leaves its key as it
            // found it, and the bends around it stay bends while no note sounds.
            channel_.noteEvent(t, key, 0);
            channel_.keyOnTime[k] = onBefore;
            channel_.keyOffTime[k] = offBefore;
            channel_.bendRun = bendRun;
            // On a drum part it is a hit like any other (the module plays the whole sound), not
            // an extra note off to take away.
            auto line = emptyNoteLines_.find(n);
            if (line != emptyNoteLines_.end() && channel_.drumPart()) {
                findings_[line->second].check = 0;
                placeholders_ = true;
            }
        }
        const int check = checkOfCode(code);
        noteOnTicks_.mark(t);
        const bool muted = check == 14;
        const int other = muted ? checkOfCode(channel_.shadowedFinding) : check;
        const int shown = muted ? (listed(14, options_) ? 14 : 0) : (listed(check, options_) ? check : 0);
        if (shown || (muted && other && listed(other, options_))) {
            Finding f = finding(other ? other : check, here.track, t, here);
            f.check = shown;
            if (other == 1 || other == 3) {
                if (!live.empty()) {
                    f.places = std::make_shared<PlaceList>();
                    for (auto it = live.rbegin(); it != live.rend(); ++it) f.places->add(it->place);
                    f.placeCount = live.size();
                }
            }
            if (other == 12 || other == 13) pendingMoves_.push_back({findings_.size(), kNoteMove});
            if (muted) mutedNotes_.push_back({findings_.size(), other, static_cast<int64_t>(t) + duration});
            placeholders_ = placeholders_ || !shown;
            findings_.push_back(std::move(f));
        }
        noteSeq_ = seq_;
        if (duration > 0) {
            lastNoteOn_[k] = here;
            live.push_back({here, static_cast<int64_t>(t) + duration});
            offs_.push_back({static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(t) + duration, INT32_MAX)),
                             here.track, here.position, seq_, n});
            std::push_heap(offs_.begin(), offs_.end(), [](const MadeOff& a, const MadeOff& b) { return a.after(b); });
        }
    }

    // Volume and expression are both above 0 at t: the muted notes still sounding are heard,
    // and their lines say what they would have said otherwise. Those that ended keep 014.
    void heard(int32_t t) {
        for (const MutedNote& m : mutedNotes_) {
            if (m.end <= t) continue;
            Finding& f = findings_[m.finding];
            f.check = m.other && listed(m.other, options_) ? m.other : 0;
            placeholders_ = placeholders_ || f.check == 0;
        }
        mutedNotes_.clear();
    }

    bool clearedSince(uint32_t noteSeq) const { return !clears_.empty() && clears_.back().second > noteSeq; }

    // 002 for a note off made from a duration, tied to the note whose end it is: the made note
    // off is the checker's own.
    void extraNoteOff(const MadeOff& off) {
        const EventPlace note{off.note, off.track, off.position, off.note->time, 0};
        Finding f = finding(2, off.track, off.time, note, true);
        f.describesNoteOff = true;
        f.endDuration = off.note->duration() <= 0 ? 0 : durationEndedByClear(off);
        if (off.note->duration() <= 0) emptyNoteLines_.emplace(off.note, findings_.size());
        findings_.push_back(std::move(f));
    }

    // A note off: a real event (`real`) or one made from a note's duration (`made`).
    void noteOff(int32_t t, int key, int track, const EventPlace* real, const MadeOff* made) {
        const int code = channel_.noteEvent(t, key, 0);
        const int check = checkOfCode(code);
        if (!check || !listed(check, options_)) return;
        if (check == 2) {
            if (real)
                findings_.push_back(finding(2, track, t, *real, true));
            else
                extraNoteOff(*made);
            return;
        }
        // 004: the short note is the one this note off ends; for a note off of its own in the
        // track, the nearest note on of the key before it.
        const EventPlace shortNote =
            made ? EventPlace{made->note, made->track, made->position, made->note->time, 0} : lastNoteOn_[static_cast<size_t>(key)];
        if (!shortNote.event) return;  // a sounding key always has one
        findings_.push_back(finding(4, track, t, shortNote, true));
    }

    // The duration at which an All Notes Off or All Sound Off after the note on ended the note
    // (0 when nothing worth keeping is left), or -1 when none did.
    int32_t durationEndedByClear(const MadeOff& off) const {
        auto it = std::upper_bound(clears_.begin(), clears_.end(), off.noteSeq,
                                   [](uint32_t seq, const std::pair<int32_t, uint32_t>& c) { return seq < c.second; });
        if (it == clears_.end()) return -1;
        const int64_t d = static_cast<int64_t>(it->first) - off.note->time;
        if (d <= 0) return 0;
        const bool tooShort = !channel_.drumPart() && options_.detectShortDuraion && d <= options_.minimumDur;
        return tooShort ? 0 : static_cast<int32_t>(d);
    }

    // The group of the controller (kBendGroup: pitch bends) on this tick, opened by its first
    // change with the value in force before it.
    TickGroup& group(int controller, int valueBefore) {
        TickGroup& g = groups_[static_cast<size_t>(controller)];
        if (g.count == 0) {
            g.valueBefore = valueBefore;
            touched_.push_back(controller);
        }
        return g;
    }

    // After the finding of a change is made: the change joins its group.
    void joinGroup(TickGroup& g, const EventPlace& here, int value, int check) {
        if (g.count == 0) {
            g.first = here;
            g.firstSeq = seq_;
            g.firstCheck = check;
        } else {
            if (!g.places) {
                g.places = std::make_shared<PlaceList>();
                g.places->add(g.first);
            }
            g.places->add(here);
        }
        g.lastValue = value;
        ++g.count;
    }

    // 010/011: the line names the earlier changes of its group. When an event that uses the
    // value (a note on; All Notes Off for the sustain and sostenuto pedals; data entry for the
    // parameter numbers; a program change for bank select) stands between them, each change is
    // heard and none may go.
    void shareEarlier(Finding& f, TickGroup& g, int controller) {
        if (!g.places) {
            g.places = std::make_shared<PlaceList>();
            g.places->add(g.first);
        }
        f.places = g.places;
        f.placeCount = g.places->size();
        f.usedBetween = usedAfter(g.firstSeq, controller);
        g.lastFinding = static_cast<int64_t>(findings_.size());
    }
    bool usedAfter(uint32_t seq, int controller) const {
        if (noteSeq_ > seq) return true;
        if ((controller == 0 || controller == 32) && programSeq_ > seq) return true;
        if ((controller == 64 || controller == 66) && notesOffSeq_ > seq) return true;
        return controller >= 98 && controller <= 101 && dataEntrySeq_ > seq;
    }

    void control(ControlChangeEvent* c, const EventPlace& here) {
        const int n = c->controller();
        const int v = c->value();
        const int32_t t = c->time;
        const int before = channel_.controllerValue[static_cast<size_t>(n)];
        const bool pedalsUp = channel_.controllerValue[64] < 64 && channel_.controllerValue[66] < 64;
        const int code = channel_.controlChange(t, n, v);
        const int check = checkOfCode(code);
        if (n == 120 || n == 126 || n == 127 || ((n == 123 || n == 124) && pedalsUp)) clears_.emplace_back(t, seq_);

        TickGroup& g = group(n, before);
        if (isSwitch(n)) g.sameSide = g.sameSide && (v >= 64) == (g.valueBefore >= 64);
        g.lastFinding = -1;
        const bool listedHere = check && listed(check, options_);
        if (listedHere) {
            Finding f = finding(check, here.track, t, here);
            if (check == 10) {
                shareEarlier(f, g, n);
                f.redundant = f.usedBetween && repeats(n, before, v);
                // A switch released and pressed again on the tick keeps its release a tick
                // earlier, where nothing of the switch or of the notes may stand.
                if (isSwitch(n))
                    f.movable = t > 0 && controlTicks_[static_cast<size_t>(n)].before(t) < t - 1 &&
                                noteOnTicks_.before(t) < t - 1 && resetTicks_.last < t - 1;
            } else if (check == 12) {
                f.event.move = n == 64 ? -5 : -1;
                // Bank select, parameter numbers and data entry keep their order: the earlier
                // ones of this tick move along.
                if (inParameterGroup(n) && !tickParams_.empty()) {
                    if (!tickParamPlaces_) {
                        tickParamPlaces_ = std::make_shared<PlaceList>();
                        for (const EventPlace& p : tickParams_) tickParamPlaces_->add(p);
                    }
                    f.places = tickParamPlaces_;
                    f.placeCount = tickParamPlaces_->size();
                }
                pendingMoves_.push_back({findings_.size(), n});
            } else if (check == 15) {
                f.redundant = options_.detectSameControlValue && (v >= 64) == (before >= 64);
            }
            findings_.push_back(std::move(f));
        }
        joinGroup(g, here, v, listedHere ? check : 0);
        controlTicks_[static_cast<size_t>(n)].mark(t);
        if (inParameterGroup(n)) {
            groupTicks_.mark(t);
            EventPlace p = here;
            p.move = -1;
            tickParams_.push_back(p);
            if (tickParamPlaces_) tickParamPlaces_->add(p);
        }
        if (n == 121) resetTicks_.mark(t);
        if (n == 123 || n == 124) notesOffSeq_ = seq_;
        if (n == 6 || n == 38 || n == 96 || n == 97) dataEntrySeq_ = seq_;
        if (!mutedNotes_.empty() && channel_.controllerValue[7] != 0 && channel_.controllerValue[11] != 0) heard(t);
    }

    void bend(PitchBendEvent* b, const EventPlace& here) {
        const int32_t t = b->time;
        const int before = channel_.bend;
        const int code = channel_.bendEvent(t, b->rawBend());
        const int check = checkOfCode(code);
        TickGroup& g = group(kBendGroup, before);
        g.lastFinding = -1;
        const bool listedHere = check && listed(check, options_);
        if (listedHere) {
            if (check == 16) {
                // The earlier of two silent bends: the later one overrides it before any note.
                if (lastBend_.event)
                    findings_.push_back(finding(16, here.track, t, lastBend_));
            } else {
                Finding f = finding(check, here.track, t, here);
                if (check == 11) {
                    shareEarlier(f, g, -1);
                    f.redundant = f.usedBetween && repeats(kBendGroup, before, b->rawBend());
                } else if (check == 13) {
                    f.event.move = -1;
                    pendingMoves_.push_back({findings_.size(), -1});
                }
                findings_.push_back(std::move(f));
            }
        }
        joinGroup(g, here, b->rawBend(), listedHere ? check : 0);
        lastBend_ = here;
        bendTicks_.mark(t);
    }

    static bool isSwitch(int controller) { return controller >= 64 && controller <= 67; }

    // A change (kBendGroup: a pitch bend) to `value` where `before` is in force would be listed
    // 005, 008 or 017 if it stood alone.
    bool repeats(int controller, int before, int value) const {
        if (controller == kBendGroup)
            return (options_.detectSameBendValue && value == before) ||
                   (options_.ineffectivePitchbend && value != before && std::abs(value - before) < channel_.bendStep);
        if (!options_.detectSameControlValue || controller == 84 || inParameterGroup(controller) || controller >= 120)
            return false;
        return isSwitch(controller) ? (value >= 64) == (before >= 64) : value == before;
    }

    // The last change of a group sets again the value in force before the tick. For switches
    // every change of the tick must stay on that side: a release and a press on one tick are a
    // re-pedal.
    bool lastRestoresValue(int controller, const TickGroup& g) const {
        // A bend listed 016 at the head of the tick takes away the bend before it, and with it
        // the value the last one gives back.
        if (controller == kBendGroup && g.firstCheck == 16) return false;
        if (isSwitch(controller) && !g.sameSide) return false;
        return repeats(controller, g.valueBefore, g.lastValue);
    }

    // Moving to t - d (not below 0) passes no note on of the channel and no event whose order
    // with this one matters, and leaves no other change of the same controller on the tick
    // (010 repairs those; a move would take them along unevenly).
    bool controlMovable(int n, int value, int32_t t, int32_t d) const {
        const int32_t to = std::max<int32_t>(t - d, 0);
        if (t <= 0 || noteOnTicks_.before(t) >= to || controlTicks_[static_cast<size_t>(n)].before(t) >= to) return false;
        if (resetTicks_.last >= to) return false;  // never past a Reset All Controllers
        if (tickCount(n) > 1) return false;
        if (isSwitch(n)) {
            // A pedal pressed before a note ends would hold it, one released before would let it
            // go early. A release may pass the ends on its own tick: it comes after them there.
            const int32_t lastEnd = value >= 64 ? noteEndTicks_.last : noteEndTicks_.before(t);
            if (lastEnd > to) return false;
        }
        return !inParameterGroup(n) || groupTicks_.before(t) < to;
    }
    bool bendMovable(int32_t t) const {
        return t > 0 && noteOnTicks_.before(t) < t - 1 && bendTicks_.before(t) < t - 1 && tickCount(-1) == 1 &&
               resetTicks_.last < t - 1;
    }
    // Changes of a controller (-1: pitch bends) on the tick.
    int tickCount(int controller) const {
        return groups_[static_cast<size_t>(controller < 0 ? kBendGroup : controller)].count;
    }
    // Channel mode messages (All Sound Off, Reset All Controllers, All Notes Off, ...) stay
    // where they are: notes are cut, and shortened by 002, exactly there.
    bool placeMovable(const EventPlace& p) const {
        if (p.event->kind() != kindControl) return bendMovable(tick_);
        const auto* c = static_cast<const ControlChangeEvent*>(p.event);
        return c->controller() < 120 && controlMovable(c->controller(), c->value(), tick_, -p.move);
    }

public:
    // Called last for every tick that has events, with its real events. The moves of 012/013
    // are settled once the whole tick is known: a note on moves every control change and pitch
    // bend of its tick.
    void endTick(const std::vector<TickItem>& items) {
        std::shared_ptr<PlaceList> tickMoves;
        bool tickMovable = false;
        std::vector<bool> paramsMovable;  // of the first i parameter events of the tick
        for (const PendingMove& m : pendingMoves_) {
            Finding& f = findings_[m.finding];
            if (m.controller == kNoteMove) {
                if (!tickMoves) {
                    tickMoves = std::make_shared<PlaceList>();
                    tickMovable = tick_ > 0;
                    for (const TickItem& it : items) {
                        const int kind = it.event->kind();
                        if (kind != kindControl && kind != kindPitchBend) continue;
                        const bool sustain =
                            kind == kindControl && static_cast<const ControlChangeEvent*>(it.event)->controller() == 64;
                        const EventPlace p{it.event, it.track, it.position, it.event->time, sustain ? -5 : -1};
                        tickMovable = tickMovable && placeMovable(p);
                        tickMoves->add(p);
                    }
                }
                f.places = tickMoves;
                f.placeCount = tickMoves->size();
                f.movable = tickMovable;
            } else {
                if (paramsMovable.empty()) {
                    paramsMovable.push_back(true);
                    for (const EventPlace& p : tickParams_)
                        paramsMovable.push_back(paramsMovable.back() && placeMovable(p));
                }
                f.movable = placeMovable(f.event) && paramsMovable[f.placeCount];
            }
        }
        for (int controller : touched_) {
            TickGroup& g = groups_[static_cast<size_t>(controller)];
            if (g.count > 1 && g.lastFinding >= 0) {
                Finding& last = findings_[static_cast<size_t>(g.lastFinding)];
                if (!last.usedBetween && lastRestoresValue(controller, g)) last.redundant = true;
            }
            g = TickGroup{};
        }
        touched_.clear();
        pendingMoves_.clear();
        emptyNoteLines_.clear();
        tickParams_.clear();
        tickParamPlaces_.reset();
        noteSeq_ = programSeq_ = notesOffSeq_ = dataEntrySeq_ = 0;
    }

private:
    // `fresh`: the place is computed from the time (the event shown may be a made note off).
    Finding finding(int check, int track, int32_t time, const EventPlace& event, bool fresh = false) const {
        Finding f;
        f.check = check;
        f.channel = channelIndex_;
        f.track = track;
        f.time = time;
        f.event = event;
        const anyEvent* shown = check == 16 ? nullptr : event.event;
        if (fresh || check == 3 || !shown)
            f.place = song_.timeToBarBeatTick(time);
        else
            f.place = BarBeatTick{shown->bar, shown->beat, shown->tick};
        return f;
    }

    const midiSong& song_;
    const Options& options_;
    const int channelIndex_;
    MidiChannel channel_;
    uint32_t seq_ = 0;
    int32_t tick_ = -1;
    std::vector<Finding>& findings_;
    const size_t first_;         // this channel's first line in findings_
    bool placeholders_ = false;  // some lines of this channel say nothing (check 0)
    std::vector<MadeOff> offs_;  // min-heap by MadeOff::after
    std::array<std::vector<LiveNote>, 128> liveNotes_;
    std::array<EventPlace, 128> lastNoteOn_{};
    EventPlace lastBend_{};
    std::vector<std::pair<int32_t, uint32_t>> clears_;  // effective all-notes-offs: time, seq
    std::vector<MutedNote> mutedNotes_;
    // The tick being checked.
    std::array<TickGroup, 129> groups_{};         // per controller, then the pitch bends
    std::vector<int> touched_;                    // the groups with changes
    std::unordered_map<const anyEvent*, size_t> emptyNoteLines_;  // 002 lines of notes of duration 0
    std::vector<EventPlace> tickParams_;          // bank select, parameter numbers and data entry
    std::shared_ptr<PlaceList> tickParamPlaces_;  // the same, once a line names them
    // When the tick's latest note on, program change, All Notes Off and data entry were met.
    uint32_t noteSeq_ = 0, programSeq_ = 0, notesOffSeq_ = 0, dataEntrySeq_ = 0;
    static constexpr int kNoteMove = -2;
    struct PendingMove {
        size_t finding;
        int controller;  // of the control change that moves; -1 a pitch bend; kNoteMove a note on
    };
    std::vector<PendingMove> pendingMoves_;
    TickHistory noteOnTicks_, noteEndTicks_, groupTicks_, bendTicks_, resetTicks_;
    std::array<TickHistory, 128> controlTicks_{};
};

bool zeroLengthNote(const anyEvent* e) {
    if ((e->status & 0xF0) != 0x90) return false;
    const auto* n = static_cast<const NoteOnEvent*>(e);
    return n->velocity() != 0 && n->kind() == kindNote && n->duration() <= 0;
}

// Merges the channel's events of every track (each already in time order) with the note offs
// made from the durations, tick by tick: at one tick the note offs come first, then the events
// by creation. The tracks wait in a heap by their next tick, so the merge takes time in
// proportion to the events, however many tracks share the channel; nothing is sorted but the
// events of one tick that come from several tracks.
void runChannel(ChannelCheck& check, std::vector<Source>& sources) {
    auto offAfter = [](const MadeOff& a, const MadeOff& b) { return a.after(b); };
    // Sources are in track order, so their index breaks ties of time in track order.
    auto sourceAfter = [&sources](size_t a, size_t b) {
        const int32_t ta = sources[a].nextTime(), tb = sources[b].nextTime();
        return ta != tb ? ta > tb : a > b;
    };
    std::vector<size_t> waiting;
    for (size_t i = 0; i < sources.size(); ++i)
        if (!sources[i].done()) waiting.push_back(i);
    std::make_heap(waiting.begin(), waiting.end(), sourceAfter);

    std::vector<MadeOff>& offs = check.offs();
    std::vector<TickItem> items;
    std::vector<size_t> atTick;
    while (true) {
        int32_t t = INT32_MAX;
        bool real = !waiting.empty();
        if (real) t = sources[waiting.front()].nextTime();
        if (!offs.empty() && offs.front().time < t) {
            t = offs.front().time;
            real = false;
        } else if (!real && offs.empty()) {
            break;
        }
        items.clear();
        if (real) {
            atTick.clear();
            while (!waiting.empty() && sources[waiting.front()].nextTime() == t) {
                std::pop_heap(waiting.begin(), waiting.end(), sourceAfter);
                atTick.push_back(waiting.back());
                waiting.pop_back();
            }
            for (size_t i : atTick) {  // popped in track order
                Source& s = sources[i];
                while (!s.done() && s.nextTime() == t) {
                    items.push_back({s.at(s.next), s.track, (*s.positions)[s.next]});
                    s.step();
                }
                if (!s.done()) {
                    waiting.push_back(i);
                    std::push_heap(waiting.begin(), waiting.end(), sourceAfter);
                }
            }
            if (atTick.size() > 1) {
                std::stable_sort(items.begin(), items.end(), [](const TickItem& a, const TickItem& b) {
                    return a.event->serial < b.event->serial;
                });
            }
            // A note of duration 0 ends before it starts: its note off leads the tick.
            for (const TickItem& it : items) {
                if (!zeroLengthNote(it.event)) continue;
                offs.push_back({t, it.track, it.position, UINT32_MAX, static_cast<NoteOnEvent*>(it.event)});
                std::push_heap(offs.begin(), offs.end(), offAfter);
            }
        }
        check.beginTick(t);
        while (!offs.empty() && offs.front().time == t) {
            std::pop_heap(offs.begin(), offs.end(), offAfter);
            const MadeOff off = offs.back();
            offs.pop_back();
            check.madeOff(off);
        }
        for (const TickItem& it : items) check.realEvent(it.event, it.track, it.position);
        check.endTick(items);
    }
}

void holdEvent(anyEvent* e) {
    if (e) ++e->refCount;
}

void drop(anyEvent* e) {
    if (e && --e->refCount <= 0) delete e;
}

void dropAll(Finding& f) {
    drop(f.event.event);
}

}  // namespace

const char* checkLabel(int check) { return check >= 1 && check <= kCheckCount ? kChecks[check - 1].label : ""; }

const char* checkExplanation(int check) {
    return check >= 1 && check <= kCheckCount ? kChecks[check - 1].explanation : "";
}

int checkNumberOfLine(std::string_view line) {
    if (line.size() < 3) return 0;
    int n = 0;
    for (size_t i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        n = n * 10 + (line[i] - '0');
    }
    return n;
}

std::string Finding::text() const {
    std::string line;
    line.reserve(112);
    if (check >= 1 && check <= kCheckCount) line += kChecks[check - 1].label;
    appendPlace(line, track, place);
    if (event.event) {
        if (describesNoteOff)
            line += describeNoteOff(event.event->status, static_cast<const NoteOnEvent*>(event.event)->note());
        else
            line += event.event->describe();
    }
    return line;
}

std::string checkDoneText(size_t found) { return "Check Done ( " + std::to_string(found) + " events found )"; }

// ---- the report -------------------------------------------------------------------------------

PlaceList::~PlaceList() {
    for (EventPlace& p : places_) drop(p.event);
}

void PlaceList::add(const EventPlace& place) {
    holdEvent(place.event);
    places_.push_back(place);
}

CheckReport::~CheckReport() { release(); }

CheckReport::CheckReport(CheckReport&& other) noexcept : findings_(std::move(other.findings_)) {
    other.findings_.clear();
}

CheckReport& CheckReport::operator=(CheckReport&& other) noexcept {
    if (this != &other) {
        release();
        findings_ = std::move(other.findings_);
        other.findings_.clear();
    }
    return *this;
}

void CheckReport::add(Finding finding) {
    hold(finding);
    findings_.push_back(std::move(finding));
}

void CheckReport::hold(const Finding& f) {
    holdEvent(f.event.event);
}

void CheckReport::erase(const std::vector<bool>& which) {
    size_t keep = 0;
    for (size_t i = 0; i < findings_.size(); ++i) {
        if (i < which.size() && which[i]) {
            dropAll(findings_[i]);
            continue;
        }
        if (keep != i) findings_[keep] = std::move(findings_[i]);
        ++keep;
    }
    findings_.resize(keep);
}

void CheckReport::clear() {
    release();
    findings_.clear();
}

void CheckReport::release() noexcept {
    for (Finding& f : findings_) dropAll(f);
}

std::string CheckReport::text(std::string_view lineEnd) const {
    std::string out;
    out.reserve(findings_.size() * (100 + lineEnd.size()));
    for (const Finding& f : findings_) {
        out += f.text();
        out += lineEnd;
    }
    return out;
}

// ---- the check --------------------------------------------------------------------------------

CheckReport checkSong(const midiSong& song, const Options& options, uint16_t channels, const CheckProgress& progress) {
    CheckReport report;
    const int trackCount = song.trackCount();
    // Positions of each channel's events in each track that has any, in (time, serial) order. A
    // track whose order was broken by an edit is sorted here, in this scratch list; the song
    // stays as it is.
    struct TrackList {
        int track;
        std::vector<int32_t> positions;
    };
    std::array<std::vector<TrackList>, 16> byChannel;
    for (int t = 0; t < trackCount; ++t) {
        const std::vector<anyEvent*>& events = song.track(t)->events();
        std::array<std::vector<int32_t>*, 16> lists{};
        std::array<bool, 16> disordered{};
        for (size_t p = 0; p < events.size(); ++p) {
            if (p + Source::kFetchAhead < events.size()) __builtin_prefetch(events[p + Source::kFetchAhead]);
            const anyEvent* e = events[p];
            if (!e || e->status == 0xFF) continue;
            int c = e->status & 0x0F;
            if (e->status >= 0xF0) {
                // System exclusive that makes a part a drum part belongs to the part's channel.
                if (e->kind() != kindSysex) continue;
                const auto& x = static_cast<const sysexEvent&>(*e);
                const auto change = partModeChange(x.sysexData.data(), x.sysexData.size());
                if (!change) continue;
                c = change->channel;
            }
            if (!(channels >> c & 1)) continue;
            std::vector<int32_t>*& list = lists[static_cast<size_t>(c)];
            if (!list) {
                byChannel[static_cast<size_t>(c)].push_back({t, {}});
                list = &byChannel[static_cast<size_t>(c)].back().positions;
            } else {
                const anyEvent* previous = events[static_cast<size_t>(list->back())];
                if (e->time < previous->time || (e->time == previous->time && e->serial <= previous->serial &&
                                                 eventLess(e, previous)))
                    disordered[static_cast<size_t>(c)] = true;
            }
            list->push_back(static_cast<int32_t>(p));
        }
        for (size_t c = 0; c < 16; ++c) {
            if (!disordered[c]) continue;
            std::stable_sort(lists[c]->begin(), lists[c]->end(), [&events](int32_t a, int32_t b) {
                return eventLess(events[static_cast<size_t>(a)], events[static_cast<size_t>(b)]);
            });
        }
    }

    for (int c = 0; c < 16; ++c) {
        if (!(channels >> c & 1)) continue;
        if (progress) progress(c, report.size());
        std::vector<TrackList>& lists = byChannel[static_cast<size_t>(c)];
        std::vector<Source> sources;
        sources.reserve(lists.size());
        for (const TrackList& l : lists) sources.push_back({&song.track(l.track)->events(), &l.positions, 0, l.track});
        const size_t first = report.findings_.size();
        ChannelCheck check(song, options, c, report.findings_);
        runChannel(check, sources);
        check.finish();
        for (size_t i = first; i < report.findings_.size(); ++i) report.hold(report.findings_[i]);
        std::vector<TrackList>().swap(lists);
    }
    return report;
}

}  // namespace tonvela
