// Model-based test of the journal: a song loaded from the first part of the input is edited by
// the operations the rest of the input names (additions, removals, moves, sorts, every journaled
// setter, copyright and names, undo steps, undo, redo, save, reload, and runs that give up
// part way). After each operation the song's lists must name only events held by its tracks;
// an undo of a step must give back the song as it was before the step, and a redo the song as
// it was after it, event order included, whenever nothing else changed the song in between; a
// run that gives up must leave the song and every track's journal and redo steps as they were;
// every save must reload and save again to the same bytes
// (for songs shaped as a load leaves them: tempo events in the first track only, and no empty
// track after it, since a load moves the one and drops the other).
//
// Input: two bytes (little endian) giving the length of the file part, the file, then the
// operations, each a byte followed by its argument bytes (missing bytes read as 0).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "song/dump.h"
#include "song/song.h"

using namespace tonvela;

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "journal_ops: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// A tiny song used when the file part does not load.
const uint8_t kDefaultSong[] = {
    'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0,                                     //
    'M', 'T', 'r', 'k', 0, 0, 0, 12, 0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00,
    'M', 'T', 'r', 'k', 0, 0, 0, 21, 0x00, 0xFF, 0x03, 0x01, 'A', 0x00, 0xB0, 0x07, 0x64, 0x00, 0x90, 0x3C, 0x64,
    0x83, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};

// Every field the dump shows and the identity of each event in list order, hashed: the song's
// state without building its text (two events that look alike may not swap places).
uint64_t fingerprint(const midiSong& song) {
    uint64_t h = 1469598103934665603ULL;
    auto mix = [&h](uint64_t v) {
        h ^= v;
        h *= 1099511628211ULL;
    };
    for (int i = 0; i < song.trackCount(); ++i) {
        mix(0xABCDEF00ULL + static_cast<uint64_t>(i));
        for (const anyEvent* e : song.track(i)->events()) {
            if (!e) continue;
            mix(e->serial);
            mix(static_cast<uint32_t>(e->time));
            mix((static_cast<uint64_t>(static_cast<uint32_t>(e->bar)) << 32) | static_cast<uint32_t>(e->beat));
            mix((static_cast<uint64_t>(static_cast<uint32_t>(e->tick)) << 16) | (static_cast<uint64_t>(e->kind()) << 8) | e->status);
            if (e->status < 0xF0) {
                if ((e->status & 0xF0) == 0x90 || (e->status & 0xF0) == 0x80 || (e->status & 0xF0) == 0xA0) {
                    auto* n = static_cast<const NoteOnEvent*>(e);
                    mix((static_cast<uint64_t>(n->note()) << 40) | (static_cast<uint64_t>(n->velocity()) << 32) |
                        static_cast<uint32_t>(n->duration()));
                } else if ((e->status & 0xF0) == 0xB0) {
                    auto* c = static_cast<const ControlChangeEvent*>(e);
                    mix(static_cast<uint64_t>(c->controller()) << 8 | static_cast<uint64_t>(c->value()));
                } else if ((e->status & 0xF0) == 0xC0) {
                    mix(static_cast<uint64_t>(static_cast<const ProgramChangeEvent*>(e)->program()));
                } else if ((e->status & 0xF0) == 0xD0) {
                    mix(static_cast<uint64_t>(static_cast<const ChannelAfterTouchEvent*>(e)->pressure()));
                } else {
                    mix(static_cast<uint64_t>(static_cast<const PitchBendEvent*>(e)->rawBend()));
                }
            } else if (e->status == 0xFF) {
                auto* m = static_cast<const metaEvent*>(e);
                mix(m->metaType);
                mix(m->data.size());
                for (uint8_t b : m->data) mix(b);
            } else {
                auto* x = static_cast<const sysexEvent*>(e);
                mix(x->sysexData.size());
                for (uint8_t b : x->sysexData) mix(b);
            }
        }
    }
    return h;
}

class Input {
public:
    Input(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}
    bool more() const { return p_ < end_; }
    uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    int u16() { return byte() | (byte() << 8); }
    int s16() { return static_cast<int16_t>(u16()); }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

struct Step {
    uint64_t beforeVersion;
    uint64_t beforeDump;
    uint64_t afterVersion;
    bool recorded = false;  // a journal line was written in it
    bool alone = true;      // nothing else changed the song while it was recorded
};

struct Redo {
    uint64_t beforeVersion;  // the song as the undo left it
    uint64_t afterVersion;
    uint64_t afterDump;
};

class Model {
public:
    explicit Model(std::unique_ptr<midiSong> song) : song_(std::move(song)) {
        reset();
        syncSizes();
    }

    void run(Input& in) {
        int ops = 0;
        while (in.more() && ops++ < 200) {
            apply(in);
            checkLists();
        }
    }

private:
    midiTrack& trackFrom(Input& in) { return *song_->track(in.byte() % song_->trackCount()); }
    int trackIndex(const midiTrack& t) const {
        for (int i = 0; i < song_->trackCount(); ++i)
            if (song_->track(i) == &t) return i;
        return 0;
    }
    anyEvent* eventFrom(midiTrack& t, Input& in) {
        if (t.size() == 0) return nullptr;
        return t.at(in.u16() % t.size());
    }

    void reset() {
        steps_.assign(static_cast<size_t>(song_->trackCount()), {});
        redos_.assign(static_cast<size_t>(song_->trackCount()), {});
        journalSizes_.assign(static_cast<size_t>(song_->trackCount()), 0);
        version_ = ++counter_;
    }

    // Tempo events only for the first track: a load moves every other one there.
    static anyEvent* makeEvent(Input& in, bool firstTrack) {
        int32_t time = in.u16() * 8;
        uint8_t ch = in.byte() & 0x0F;
        uint8_t a = in.byte() & 0x7F, b = in.byte() & 0x7F;
        switch (in.byte() % 12) {
        case 0:
        case 1: {
            auto* n = new NoteOnEvent(time, ch);
            n->setNote(a);
            n->setVelocity(b);
            n->setDuration(in.u16() % 2000);
            return n;
        }
        case 2: {
            auto* c = new ControlChangeEvent(time, ch);
            c->setController(a == 0 ? 0 : a % 8 == 0 ? 123 : a);
            c->setValue(b);
            return c;
        }
        case 3: {
            auto* p = new ProgramChangeEvent(time, ch);
            p->setProgram(a);
            return p;
        }
        case 4: {
            auto* p = new PitchBendEvent(time, ch);
            p->setRawBend(a * 128 + b);
            return p;
        }
        case 5: {
            auto* p = new ChannelAfterTouchEvent(time, ch);
            p->setPressure(a);
            return p;
        }
        case 6: {  // an XG parameter change, or an XG master tune (never a reset message)
            auto* s = new sysexEvent(time, 0xF0);
            if (a % 2)
                s->sysexData = {0x43, 0x10, 0x4C, 0x02, 0x01, a, b, 0xF7};
            else
                s->sysexData = {0x43, 0x10, 0x4C, 0x00, 0x00, 0x00, static_cast<uint8_t>(b & 15), 0, 0, 0xF7};
            return s;
        }
        case 7: {
            auto* m = new timeBeatEvent(time);
            m->data = {static_cast<uint8_t>(1 + a % 12), static_cast<uint8_t>(b % 5), 24, 8};
            return m;
        }
        case 8: {
            auto* m = new keyEvent(time);
            m->data = {static_cast<uint8_t>(a % 15 - 7), static_cast<uint8_t>(b % 2)};
            return m;
        }
        case 9:
            if (firstTrack) return new TempoEvent(time, 0x51, 200000 + a * 4000 + b);
            return new MarkerEvent(time);
        case 10: {
            auto* m = new trackNameEvent(time);
            m->setText(std::string(1 + a % 3, static_cast<char>('a' + b % 26)));
            return m;
        }
        default: {
            auto* m = new copyrightEvent(time);
            m->setText("c" + std::to_string(a));
            return m;
        }
        }
    }

    void apply(Input& in) {
        const uint8_t op = in.byte() % 20;
        // JOURNAL_OPS_TRACE=1 prints each operation and the song's dump after it, to read a finding.
        static const bool trace = std::getenv("JOURNAL_OPS_TRACE") != nullptr;
        if (trace) std::fprintf(stderr, "op %d\n", op);
        struct After {
            Model& m;
            ~After() {
                if (trace) std::fprintf(stderr, "%s", dumpSong(*m.song_).c_str());
            }
        } after{*this};
        if (op == 12 || op == 13) {
            // A song near the bar limit takes long to save and load under the sanitizers.
            if (++saves_ > 4) return;
            return save(op == 12);
        }
        midiTrack& t = trackFrom(in);
        const int k = trackIndex(t);
        if (trace) std::fprintf(stderr, "  on track %d\n", k);
        switch (op) {
        case 0: {
            t.beginUndoStep("S" + std::to_string(counter_));
            redos_[static_cast<size_t>(k)].clear();
            steps_[static_cast<size_t>(k)].push_back({version_, fingerprint(*song_), version_});
            break;
        }
        case 1: t.addEvent(makeEvent(in, k == 0), in.byte() % 4 != 0, true); break;
        case 2: {
            std::vector<anyEvent*> batch;
            for (int n = in.byte() % 6; n > 0; --n) batch.push_back(makeEvent(in, k == 0));
            t.addEvents(batch, true);
            break;
        }
        case 3:
            if (t.size() > 0) t.removeEventAt(in.u16() % t.size());
            if (in.byte() % 2) t.pack();
            break;
        case 4:
            if (anyEvent* e = eventFrom(t, in)) t.moveEvent(e, in.s16());
            break;
        case 5:
            if (anyEvent* e = eventFrom(t, in)) t.setEventTime(e, in.u16() * 4);
            break;
        case 6: setter(t, in); break;
        case 7: {
            uint8_t v = in.byte();
            song_->setCopyright(v % 3 == 0 ? std::string() : "(c) " + std::to_string(v));
            break;
        }
        case 8: {
            uint8_t v = in.byte();
            std::string text = v % 3 == 0 ? std::string() : "T" + std::to_string(v);
            if (v % 2)
                song_->setTitle(text);
            else
                t.setName(text);
            break;
        }
        case 9: return undo(t, k);
        case 10: return redo(t, k);
        case 11:
            if (t.size() > 0) {  // take an event out and put it back, in one go
                int p = in.u16() % t.size();
                anyEvent* e = t.at(p);
                if (!e) break;
                t.removeEventAt(p);
                if (in.byte() % 2) t.pack();
                t.addEvent(e, true, true);
            }
            break;
        case 14: t.pack(); break;
        case 15:
            if (anyEvent* e = eventFrom(t, in)) t.removeEvent(e);
            t.pack();
            break;
        case 16:  // what the tools do: move events, then sort the track
            for (int n = 1 + in.byte() % 3; n > 0; --n)
                if (anyEvent* e = eventFrom(t, in)) t.moveEvent(e, in.s16());
            t.sortEvents();
            break;
        case 17: return giveUp(in);
        default: return undo(t, k);
        }
        afterEdit();
    }

    void setter(midiTrack& t, Input& in) {
        anyEvent* e = eventFrom(t, in);
        if (!e) return;
        int v = in.s16();
        switch (in.byte() % 5) {
        case 0: t.setChannel(e, v & 0x1F); break;
        default:
            if (auto* c = dynamic_cast<ControlChangeEvent*>(e)) {
                if (v & 1)
                    t.setNumber(c, v >> 1);
                else
                    t.setControlValue(c, v >> 1);
            } else if (auto* n = dynamic_cast<NoteOnEvent*>(e)) {
                switch (v & 3) {
                case 0: t.setKey(n, v >> 2); break;
                case 1: t.setVelocity(n, v >> 2); break;
                default: t.setDuration(n, v >> 2); break;
                }
            } else if (auto* p = dynamic_cast<ProgramChangeEvent*>(e)) {
                t.setProgram(p, v);
            } else if (auto* b = dynamic_cast<PitchBendEvent*>(e)) {
                t.setBend(b, v);
            } else if (auto* tempo = dynamic_cast<TempoEvent*>(e)) {
                t.setTempo(tempo, v * 64);
            }
            break;
        }
    }

    // Any change: a new version of the song. Lines written belong to the newest step of their
    // track (or to a step of their own when there is none); new lines end what could be redone.
    void afterEdit() {
        const uint64_t now = fingerprint(*song_);
        if (now != lastDump_) version_ = ++counter_;
        for (int i = 0; i < song_->trackCount(); ++i) {
            midiTrack& t = *song_->track(i);
            auto& steps = steps_[static_cast<size_t>(i)];
            if (t.journal.size() > journalSizes_[static_cast<size_t>(i)] && !t.journal.empty() &&
                t.journal.back()[0] != '@') {
                if (steps.empty()) steps.push_back({lastVersion_, lastDump_, lastVersion_});
                if (steps.back().afterVersion != lastVersion_) steps.back().alone = false;
                steps.back().recorded = true;
                steps.back().afterVersion = version_;
                redos_[static_cast<size_t>(i)].clear();
            }
        }
        syncSizes();
    }

    void syncSizes() {
        for (int i = 0; i < song_->trackCount(); ++i) {
            journalSizes_[static_cast<size_t>(i)] = song_->track(i)->journal.size();
            if (static_cast<size_t>(song_->track(i)->redoCount()) != redos_[static_cast<size_t>(i)].size())
                fail("the redo stack differs from the model", "track " + std::to_string(i));
        }
        lastVersion_ = version_;
        lastDump_ = fingerprint(*song_);
    }

    void undo(midiTrack& t, int k) {
        auto& steps = steps_[static_cast<size_t>(k)];
        while (!steps.empty() && !steps.back().recorded) steps.pop_back();
        const uint64_t before = fingerprint(*song_);
        const uint64_t beforeVersion = version_;
        const int redoBefore = t.redoCount();
        t.undo();
        const uint64_t after = fingerprint(*song_);
        if (steps.empty()) {
            if (after != before) fail("undo with nothing to undo changed the song");
            version_ = ++counter_;
            syncSizes();
            return;
        }
        Step s = steps.back();
        steps.pop_back();
        const bool exact = s.alone && s.afterVersion == beforeVersion;
        if (exact && after != s.beforeDump) fail("undo did not give back the song before the step");
        version_ = exact ? s.beforeVersion : ++counter_;
        if (t.redoCount() == redoBefore + 1) redos_[static_cast<size_t>(k)].push_back({version_, beforeVersion, before});
        syncSizes();
    }

    void redo(midiTrack& t, int k) {
        auto& redos = redos_[static_cast<size_t>(k)];
        const uint64_t before = fingerprint(*song_);
        const uint64_t beforeVersion = version_;
        t.redo();
        if (redos.empty()) {
            if (fingerprint(*song_) != before) fail("redo with nothing to redo changed the song");
            version_ = ++counter_;
            syncSizes();
            return;
        }
        Redo r = redos.back();
        redos.pop_back();
        const bool exact = r.beforeVersion == beforeVersion;
        const uint64_t after = fingerprint(*song_);
        if (exact && after != r.afterDump) fail("redo did not give back the song after the step");
        version_ = exact ? r.afterVersion : ++counter_;
        steps_[static_cast<size_t>(k)].push_back({beforeVersion, before, version_, true, exact});
        syncSizes();
    }

    // A run over some tracks that gives up part way: each track is marked, edited (steps, edits,
    // sorts), then returned to its mark. Nothing may differ afterwards.
    void giveUp(Input& in) {
        struct Before {
            std::vector<std::string> journal;
            int redoCount;
            std::string redoLabel;
        };
        std::vector<Before> before;
        for (int i = 0; i < song_->trackCount(); ++i) {
            midiTrack& t = *song_->track(i);
            before.push_back({t.journal, t.redoCount(), t.redoLabel()});
        }
        const uint64_t dump = fingerprint(*song_);
        std::vector<midiTrack*> marked;
        for (int n = 1 + in.byte() % 3; n > 0; --n) {
            midiTrack& t = trackFrom(in);
            if (!t.historyMarked()) {
                t.markHistory();
                marked.push_back(&t);
            }
            if (in.byte() % 2) t.beginUndoStep("Run");
            for (int edits = in.byte() % 4; edits > 0; --edits) {
                switch (in.byte() % 5) {
                case 0: t.addEvent(makeEvent(in, trackIndex(t) == 0), true, true); break;
                case 1:
                    if (t.size() > 0) t.removeEventAt(in.u16() % t.size());
                    break;
                case 2:
                    if (anyEvent* e = eventFrom(t, in)) t.moveEvent(e, in.s16());
                    t.sortEvents();
                    break;
                case 3: setter(t, in); break;
                default: t.beginUndoStep("Run more"); break;
                }
            }
        }
        for (auto it = marked.rbegin(); it != marked.rend(); ++it) (*it)->abandonToMark();
        if (fingerprint(*song_) != dump) fail("a run that gave up changed the song");
        for (int i = 0; i < song_->trackCount(); ++i) {
            midiTrack& t = *song_->track(i);
            const Before& b = before[static_cast<size_t>(i)];
            if (t.journal != b.journal) fail("a run that gave up changed a journal", "track " + std::to_string(i));
            if (t.redoCount() != b.redoCount || t.redoLabel() != b.redoLabel)
                fail("a run that gave up changed what can be redone", "track " + std::to_string(i));
        }
        syncSizes();
    }

    // A load leaves tempo events in the first track only and drops empty tracks after it.
    bool shapedAsLoaded() const {
        if (song_->format == 0) return true;
        for (int i = 1; i < song_->trackCount(); ++i) {
            const midiTrack& t = *song_->track(i);
            if (t.countEvents() == 0) return false;
            for (const anyEvent* e : t.events())
                if (e && e->kind() == kindTempo) return false;
        }
        return true;
    }

    void save(bool reload) {
        shapedAsLoaded_ = shapedAsLoaded();
        std::vector<uint8_t> once;
        try {
            song_->write(once);
        } catch (const MidiError&) {
            syncSizes();  // a song that cannot be written (times out of range) is left as it was
            return;
        }
        auto again = std::make_unique<midiSong>();
        try {
            again->loadBytes(once.data(), once.size(), "again.mid");
        } catch (const MidiError& e) {
            fail("our own output does not load", e.message() + " " + e.detail());
        }
        std::vector<uint8_t> twice;
        again->write(twice);
        if (shapedAsLoaded_ && twice != once) fail("saving the reloaded song changes the bytes");
        if (reload) song_ = std::move(again);
        reset();
        syncSizes();
    }

    void checkLists() {
        auto held = [this](const anyEvent* e) { return song_->trackOf(e) != nullptr; };
        for (const anyEvent* e : song_->timeSignatures)
            if (!held(e)) fail("a time signature of the list is in no track");
        for (const anyEvent* e : song_->keySignatures)
            if (!held(e)) fail("a key signature of the list is in no track");
        for (const anyEvent* e : song_->sysexEvents)
            if (!held(e)) fail("a system exclusive event of the list is in no track");
        if (song_->songCopyright && !held(song_->songCopyright)) fail("the copyright is in no track");
        song_->masterTune();
        if (song_->tuneEvent && !held(song_->tuneEvent)) fail("the tune event is in no track");
        for (int i = 0; i < song_->trackCount(); ++i) {
            const midiTrack& t = *song_->track(i);
            if (t.nameEvent && t.positionOf(t.nameEvent) < 0) fail("a track's name event is not in it");
        }
        for (size_t i = 1; i < song_->timeSignatures.size(); ++i)
            if (song_->timeSignatures[i]->time < song_->timeSignatures[i - 1]->time) fail("time signatures out of order");
    }

    std::unique_ptr<midiSong> song_;
    std::vector<std::vector<Step>> steps_;
    std::vector<std::vector<Redo>> redos_;
    std::vector<size_t> journalSizes_;
    uint64_t counter_ = 0;
    uint64_t version_ = 0;
    uint64_t lastVersion_ = 0;
    uint64_t lastDump_ = 0;
    bool shapedAsLoaded_ = true;
    int saves_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t fileSize = size >= 2 ? static_cast<size_t>(data[0] | (data[1] << 8)) : 0;
    if (fileSize > size - std::min<size_t>(size, 2)) fileSize = size - std::min<size_t>(size, 2);
    const uint8_t* file = data + std::min<size_t>(size, 2);
    auto song = std::make_unique<midiSong>();
    try {
        song->loadBytes(file, fileSize, "fuzz.mid", LoadOptions{true});
    } catch (const MidiError&) {
        song->loadBytes(kDefaultSong, sizeof kDefaultSong, "default.mid");
    }
    Model model(std::move(song));
    Input ops(file + fileSize, size - std::min<size_t>(size, 2) - fileSize);
    model.run(ops);
    return 0;
}
