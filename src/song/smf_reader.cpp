// Standard MIDI File reading. The whole file is parsed in place; every read is bounded by the
// end of the data. Note offs never become objects: they are paired into note durations as
// they are read.

#include <algorithm>
#include <cstring>

#include "song/pairing.h"
#include "song/position_cursor.h"
#include "song/song.h"
#include "song/system_flags.h"

namespace tonvela {

namespace {

const char* const kNoHeader = "Couldn't find MIDI Header block";
const char* const kBadHeaderLength = "Invalid header length";
const char* const kFormat2 = "Format2 is not supported";
const char* const kNoTrack = "Couldn't find MIDI Track block";
const char* const kBrokenDelta = "Data may have been broken.";
const char* const kNoStatus = "Data chunk may be broken";
constexpr int64_t kMaxTime = 0x0FFFFFFF;

uint32_t be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
uint32_t le32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[3]) << 24) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[1]) << 8) | p[0];
}
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

std::string hexByte(int b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", b & 0xFF);
    return buf;
}

// The end of a track's data came before its end-of-track event.
struct Truncated {
    std::string what;
};

// Unwraps a RIFF RMID file to the Standard MIDI File inside its "data" chunk.
bool unwrapRiff(const uint8_t*& data, size_t& size) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "RMID", 4) != 0) return false;
    size_t pos = 12;
    while (pos + 8 <= size) {
        uint32_t len = le32(data + pos + 4);
        if (std::memcmp(data + pos, "data", 4) == 0) {
            size_t avail = size - pos - 8;
            data += pos + 8;
            size = std::min<size_t>(len, avail);
            return true;
        }
        size_t next = pos + 8 + static_cast<size_t>(len) + (len & 1);
        if (next <= pos) break;
        pos = next;
    }
    throw MidiError("The RIFF file holds no MIDI data");
}

class TrackReader {
public:
    TrackReader(midiSong& song, const uint8_t* begin, const uint8_t* end, bool recover, LoadReport& report,
                std::vector<anyEvent*>& movedTempos, std::vector<copyrightEvent*>& copyrights)
        : song_(song), p_(begin), end_(end), recover_(recover), report_(report), movedTempos_(movedTempos),
          copyrights_(copyrights) {}

    // Reads one track's events starting right after the chunk header; returns the position
    // after its end-of-track event (or where reading stopped in a recovering load).
    const uint8_t* read(midiTrack& track, int trackIndex, size_t sizeHint);

private:
    uint8_t byte() {
        if (p_ >= end_) throw Truncated{"inside an event"};
        return *p_++;
    }
    uint32_t varLen() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            if (p_ >= end_) throw Truncated{"inside a variable-length number"};
            uint8_t b = *p_++;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        throw MidiError(kBrokenDelta, "variable-length number longer than four bytes");
    }
    void repair(const std::string& line) { report_.repairs.push_back(line); }

    midiSong& song_;
    const uint8_t* p_;
    const uint8_t* end_;
    bool recover_;
    LoadReport& report_;
    std::vector<anyEvent*>& movedTempos_;
    std::vector<copyrightEvent*>& copyrights_;

public:
    std::vector<trackNameEvent*> names;  // the track's name events in file order
};

const uint8_t* TrackReader::read(midiTrack& track, int trackIndex, size_t sizeHint) {
    auto& list = track.slots();
    // Three bytes is the smallest event with running status; half of them may be note offs.
    list.reserve(std::min(sizeHint, static_cast<size_t>(end_ - p_)) / 3);
    FaultAhead ahead;
    auto append = [&](anyEvent* e) {
        ahead.before(list);
        list.push_back(e);
    };
    NotePairing pairing;
    pairing.reserve(list.capacity());  // untouched room costs address space only
    int64_t t = 0;
    uint8_t runningStatus = 0;  // last channel status, for running status
    int32_t sysexOrdinal = 0;
    bool ended = false;
    bool statusNext = false;  // a message cut short: its interrupting status byte starts the next one at once
    const std::string where = "track " + std::to_string(trackIndex);

    auto finishTrack = [&](int32_t endTime) {
        track.endTime = endTime;
        pairing.finish(endTime);
        track.paired = true;
        track.makeChannelLabel();
    };

    try {
        while (!ended) {
            if (recover_ && p_ >= end_) throw Truncated{"before its end-of-track event"};
            uint32_t delta = statusNext ? 0 : varLen();
            statusNext = false;
            // Beyond this no delta time could reach the next event when the song is written.
            if (t + delta > kMaxTime)
                throw MidiError(kBrokenDelta, "time beyond the range of a song in " + where + " after tick " + std::to_string(t));
            t += delta;
            const int32_t time = static_cast<int32_t>(t);
            uint8_t status = byte();
            if (status < 0x80) {
                if (!(runningStatus & 0x80)) {
                    if (!recover_)
                        throw MidiError(kNoStatus, "data byte " + hexByte(status) + " without a status in " + where +
                                                       " at tick " + std::to_string(time));
                    repair(where + ": skipped data byte " + hexByte(status) + " without a status at tick " +
                           std::to_string(time));
                    continue;
                }
                status = runningStatus;
                --p_;
            }
            const int hi = status & 0xF0;
            const int ch = status & 0x0F;
            if (hi < 0xF0) {
                runningStatus = status;
                // All data bytes are read before anything is made, so a broken message leaves
                // nothing behind.
                const bool twoBytes = hi != 0xC0 && hi != 0xD0;
                const uint8_t d1 = byte();
                const uint8_t d2 = twoBytes ? byte() : 0;
                if ((d1 | d2) & 0x80) {
                    const uint8_t bad = (d1 & 0x80) ? d1 : d2;
                    const std::string what = "status byte " + hexByte(bad) + " inside a channel message in " + where +
                                             " at tick " + std::to_string(time);
                    if (!recover_) throw MidiError("Data chunk may be broken", what);
                    // The message was cut short: drop it and read on from the unexpected status,
                    // which has no delta time of its own.
                    p_ -= (d1 & 0x80) ? (twoBytes ? 2 : 1) : 1;
                    statusNext = true;
                    repair(where + ": dropped a channel message cut short by status byte " + hexByte(bad) +
                           " at tick " + std::to_string(time));
                    continue;
                }
                track.channels.set(static_cast<size_t>(ch));
                anyEvent* made = nullptr;
                switch (hi) {
                case 0x80: pairing.noteOff(ch, d1, time); break;
                case 0x90:
                    if (track.firstNoteTime == -1) track.firstNoteTime = time;
                    if (d2 == 0) {
                        pairing.noteOff(ch, d1, time);
                    } else {
                        auto* e = new NoteOnEvent(time, status);
                        e->setRawNote(d1);
                        e->setRawVelocity(d2);
                        pairing.noteOn(e);
                        made = e;
                    }
                    break;
                case 0xA0: {
                    auto* e = new PolyAfterEvent(time, status);
                    e->setRawNote(d1);
                    e->setRawVelocity(d2);
                    made = e;
                    break;
                }
                case 0xB0: {
                    auto* e = new ControlChangeEvent(time, status);
                    e->setRawController(d1);
                    e->setRawValue(d2);
                    pairing.controller(ch, d1, time);
                    made = e;
                    break;
                }
                case 0xC0: {
                    auto* e = new ProgramChangeEvent(time, status);
                    e->setProgram(d1);
                    made = e;
                    break;
                }
                case 0xD0: {
                    auto* e = new ChannelAfterTouchEvent(time, status);
                    e->setPressure(d1);
                    made = e;
                    break;
                }
                default: {  // 0xE0
                    auto* e = new PitchBendEvent(time, status);
                    e->setRawBend(d1 + d2 * 128);
                    made = e;
                    break;
                }
                }
                if (made) {
                    made->refCount = 1;
                    append(made);
                    if (hi != 0x90 && hi != 0xB0) pairing.skip();
                }
                continue;
            }

            if (status == 0xF0 || status == 0xF7) {
                uint32_t n = varLen();
                if (n > static_cast<size_t>(end_ - p_)) throw Truncated{"inside a system exclusive message"};
                auto* e = new sysexEvent(time, status, sysexOrdinal++);
                e->sysexData.assign(p_, p_ + n);
                p_ += n;
                if (*e == song_.gmOnEvent || *e == song_.gsResetEvent || *e == song_.xgOnEvent) {
                    song_.systemFlags |= *e == song_.gmOnEvent ? gmOnFlag : *e == song_.gsResetEvent ? gsResetFlag : xgOnFlag;
                    delete e;
                    continue;
                }
                song_.sysexEvents.push_back(e);
                e->refCount = 1;
                append(e);
                pairing.skip();
                continue;
            }

            if (status == 0xFF) {
                uint8_t type = byte();
                uint32_t n = varLen();
                if (n > static_cast<size_t>(end_ - p_)) throw Truncated{"inside a meta event"};
                if (type == 0x2F) {
                    p_ += n;
                    ended = true;
                    finishTrack(time);
                    break;
                }
                metaEvent* e = makeMetaEvent(time, type);
                if (n > 0) e->data.assign(p_, p_ + n);
                p_ += n;
                switch (type) {
                case 0x02: copyrights_.push_back(static_cast<copyrightEvent*>(e)); break;
                case 0x03:
                    track.name = e->text();
                    names.push_back(static_cast<trackNameEvent*>(e));
                    break;
                case 0x21: track.port = static_cast<int32_t>(e->numericValue()); break;
                case 0x51:
                    if (trackIndex != 0) {
                        movedTempos_.push_back(e);
                        continue;
                    }
                    break;
                case 0x58: song_.timeSignatures.push_back(static_cast<timeBeatEvent*>(e)); break;
                case 0x59: song_.keySignatures.push_back(static_cast<keyEvent*>(e)); break;
                default: break;
                }
                e->refCount = 1;
                append(e);
                pairing.skip();
                continue;
            }

            // 0xF1-0xF6 and 0xF8-0xFE have no place in a file.
            if (!recover_)
                throw MidiError("Illegal status byte " + hexByte(status) + " in " + where + " at tick " +
                                std::to_string(time));
            int skip = status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
            while (skip-- > 0 && p_ < end_ && *p_ < 0x80) ++p_;
            repair(where + ": skipped illegal status byte " + hexByte(status) + " at tick " + std::to_string(time));
        }
    } catch (const Truncated& tr) {
        if (!recover_)
            throw MidiError("The file ends " + tr.what + " in " + where + ".",
                            "track data runs past the end of the file");
        repair(where + ": data ends " + tr.what + "; the track ends at tick " + std::to_string(t));
        finishTrack(static_cast<int32_t>(std::min<int64_t>(t, INT32_MAX)));
        return end_;
    } catch (const MidiError& e) {
        // The message names no place of its own (a delta time too long): the track and tick say
        // where the file broke.
        if (!recover_ && (e.message() + " " + e.detail()).find(" in track ") == std::string::npos)
            throw MidiError(e.message(), (e.detail().empty() ? "" : e.detail() + " ") + "in " + where + " after tick " +
                                             std::to_string(std::min<int64_t>(t, INT32_MAX)));
        if (!recover_) throw;
        repair(where + ": " + e.message() + " The track ends at tick " + std::to_string(std::min<int64_t>(t, INT32_MAX)) + ".");
        finishTrack(static_cast<int32_t>(std::min<int64_t>(t, INT32_MAX)));
        return end_;
    }
    return p_;
}

}  // namespace

LoadReport midiSong::loadBytes(const uint8_t* data, size_t size, const std::string& name, const LoadOptions& options) {
    LoadReport report;
    try {
        loadImpl(data, size, options, report);
    } catch (...) {
        clearSong();  // no partially loaded song is kept
        throw;
    }
    fileName = name;
    return report;
}

void midiSong::loadImpl(const uint8_t* data, size_t size, const LoadOptions& options, LoadReport& report) {
    const bool recover = options.recover;
    clearSong();
    unwrapRiff(data, size);

    size_t pos = 0;
    if (size < 4 || std::memcmp(data, "MThd", 4) != 0) {
        const uint8_t* found = nullptr;
        if (recover && size >= 4) {
            const char tag[] = "MThd";
            auto it = std::search(data, data + size, tag, tag + 4);
            if (it != data + size) found = it;
        }
        if (!found) throw MidiError(kNoHeader);
        pos = static_cast<size_t>(found - data);
        report.repairs.push_back("skipped " + std::to_string(pos) + " bytes before the header");
    }
    if (size - pos < 8) throw MidiError(kBadHeaderLength, "the file ends inside the header");
    uint32_t headerLength = be32(data + pos + 4);
    if (headerLength != 6) {
        if (!recover || headerLength < 6 || headerLength > size - pos - 8) throw MidiError(kBadHeaderLength);
        report.repairs.push_back("header length " + std::to_string(headerLength) + " taken as 6");
    }
    if (size - pos < 14) throw MidiError(kBadHeaderLength, "the file ends inside the header");
    int16_t fmt = static_cast<int16_t>(be16(data + pos + 8));
    int16_t declaredTracks = static_cast<int16_t>(be16(data + pos + 10));
    uint16_t division = be16(data + pos + 12);
    if (fmt > 1) throw MidiError(kFormat2);
    if (fmt < 0) throw MidiError("Unknown MIDI file format " + std::to_string(fmt));
    if (division & 0x8000) throw MidiError("SMPTE time division is not supported");
    if (division == 0) throw MidiError("Invalid time base 0");
    format = fmt;
    timeBase = division;
    pos += 8 + headerLength;

    std::vector<anyEvent*> movedTempos;
    struct TempoGuard {  // tempos not yet handed to track 0 are freed on failure
        std::vector<anyEvent*>& list;
        ~TempoGuard() {
            for (anyEvent* e : list) delete e;
        }
    } tempoGuard{movedTempos};

    const int count = std::max<int>(declaredTracks, 0);
    for (int i = 0;; ++i) {
        bool declared = i < count;
        if (!declared && !(recover && i > 0)) break;
        // Find the next track chunk.
        bool found = false;
        while (pos + 8 <= size) {
            if (std::memcmp(data + pos, "MTrk", 4) == 0) {
                found = true;
                break;
            }
            // Chunks of other types are legal and skipped; unframed bytes are not.
            uint32_t len = be32(data + pos + 4);
            bool plausibleTag = std::all_of(data + pos, data + pos + 4, [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
            if (plausibleTag && len <= size - pos - 8) {
                pos += 8 + len;
            } else if (!recover) {
                break;
            } else {
                const char tag[] = "MTrk";
                auto it = std::search(data + pos + 1, data + size, tag, tag + 4);
                if (it == data + size) break;
                report.repairs.push_back("skipped " + std::to_string(it - (data + pos)) + " unreadable bytes");
                pos = static_cast<size_t>(it - data);
            }
        }
        if (!found) {
            if (!declared) break;
            if (!recover)
                throw MidiError(kNoTrack, "track " + std::to_string(i) + " of the " + std::to_string(count) +
                                              " the header announces, at byte " + std::to_string(pos));
            if (i == 0) {
                report.repairs.push_back("the file holds no track chunk; an empty track was made");
                break;
            }
            report.repairs.push_back("the header announces " + std::to_string(count) + " tracks; the file holds " +
                                     std::to_string(i));
            break;
        }
        if (!declared) report.repairs.push_back("read track chunk " + std::to_string(i) + " beyond the " +
                                                std::to_string(count) + " the header announces");
        uint32_t chunkLength = be32(data + pos + 4);
        const uint8_t* begin = data + pos + 8;
        const uint8_t* end = data + size;
        size_t chunkEnd = pos + 8 + static_cast<size_t>(chunkLength);
        // A recovering load trusts the chunk length when the next chunk starts right there.
        bool lengthFits = chunkEnd <= size &&
                          (chunkEnd == size || (chunkEnd + 4 <= size && std::memcmp(data + chunkEnd, "MTrk", 4) == 0));
        if (recover && lengthFits) end = data + chunkEnd;

        auto track = std::make_unique<midiTrack>(this, i, "");
        if (i == 0) firstTrack = track.get();
        TrackReader reader(*this, begin, end, recover, report, movedTempos, copyrights_);
        const uint8_t* after = reader.read(*track, i, chunkLength);
        track->names_ = std::move(reader.names);
        track->nameEvent = track->names_.empty() ? nullptr : track->names_.back();
        pos = static_cast<size_t>(after - data);
        if (recover && lengthFits && pos < chunkEnd) {
            report.repairs.push_back("track " + std::to_string(i) + ": skipped " + std::to_string(chunkEnd - pos) +
                                     " bytes after its end-of-track event");
            pos = chunkEnd;
        }
        if (i == 0 || track->countEvents() > 0) {
            if (track->endTime > songEnd) songEnd = track->endTime;
            if (track->firstNoteTime >= 0 && track->firstNoteTime < firstNoteTime) firstNoteTime = track->firstNoteTime;
            tracks.push_back(std::move(track));
        }
        if (pos >= size && !declared) break;
    }
    songCopyright = copyrights_.empty() ? nullptr : copyrights_.front();
    if (tracks.empty()) {  // a header announcing no tracks still gives a song with a first track
        auto t = std::make_unique<midiTrack>(this, 0, "");
        firstTrack = t.get();
        tracks.push_back(std::move(t));
    }

    // Tempo events of other tracks go to track 0, after the events of their tick.
    if (!movedTempos.empty()) {
        std::vector<anyEvent*> tempos;
        tempos.swap(movedTempos);
        firstTrack->addEvents(tempos, false);
        // The first track now reaches its last tempo change, and so does the song.
        for (anyEvent* e : tempos) firstTrack->endTime = std::max(firstTrack->endTime, e->time);
        songEnd = std::max(songEnd, firstTrack->endTime);
    }
    // Signatures of several tracks are kept in time order, so that the one in force at a time
    // is the last one before it.
    auto byTime = [](const anyEvent* a, const anyEvent* b) { return a->time < b->time; };
    std::stable_sort(timeSignatures.begin(), timeSignatures.end(), byTime);
    std::stable_sort(keySignatures.begin(), keySignatures.end(), byTime);

    buildBarTable();
    for (auto& t : tracks) {
        PositionCursor cursor(barStarts, timeSignatures, timeBase);  // events come nearly in time order
        for (anyEvent* e : t->events()) {
            const BarBeatTick b = cursor.at(e->time);
            e->bar = b.bar;
            e->beat = b.beat;
            e->tick = b.tick;
        }
    }

    if (format == 0) splitFormat0();
    markDrumTracks();

    std::vector<std::string_view> texts;
    for (const auto& t : tracks)
        for (const anyEvent* e : t->events())
            if (e && e->status == 0xFF) {
                const auto* m = static_cast<const metaEvent*>(e);
                if (m->metaType >= 0x01 && m->metaType <= 0x0F)  // the text meta types
                    texts.emplace_back(reinterpret_cast<const char*>(m->data.data()), m->data.size());
            }
    textEncoding = guessTextEncoding(texts);
}

void midiSong::splitFormat0() {
    midiTrack* t0 = firstTrack;
    std::vector<std::unique_ptr<midiTrack>> channelTracks;
    for (int c = 0; c < 16; ++c) channelTracks.push_back(std::make_unique<midiTrack>(this, c + 1, ""));
    int32_t lastTime = 0;
    auto& slots = t0->slots();
    // Each channel's list is sized once.
    size_t perChannel[16] = {};
    for (const anyEvent* e : slots)
        if (e && e->status < 0xF0) ++perChannel[e->status & 0x0F];
    FaultAhead ahead[16];
    for (int c = 0; c < 16; ++c) channelTracks[static_cast<size_t>(c)]->reserve(perChannel[c]);
    for (anyEvent*& e : slots) {
        if (!e) continue;
        if (e->status < 0xF0) {
            const size_t channel = e->status & 0x0F;
            midiTrack& ct = *channelTracks[channel];
            auto& list = ct.slots();
            ahead[channel].before(list);
            list.push_back(e);  // the reference moves with the event
            // The channel tracks get their real extent, so that tools and drum detection see it.
            int64_t end = e->time;
            if ((e->status & 0xF0) == 0x90 && static_cast<NoteOnEvent*>(e)->velocity() != 0) {
                end += static_cast<NoteOnEvent*>(e)->duration();
                if (ct.firstNoteTime == -1) ct.firstNoteTime = e->time;
            }
            if (end > ct.endTime) ct.endTime = static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
            e = nullptr;
            ++t0->holes_;
        } else {
            lastTime = e->time;
        }
    }
    t0->endTime = lastTime;
    t0->pack();
    slots.shrink_to_fit();  // the channel events have left; their room would stay resident
    for (int c = 0; c < 16; ++c) {
        midiTrack& ct = *channelTracks[static_cast<size_t>(c)];
        // Parts of an ordered list are in order; only a disordered first track needs a sort.
        ct.maybeUnsorted_ = !t0->orderKnown();
        ct.sortEvents();
        t0->channels.reset(static_cast<size_t>(c));
        if (ct.events().empty()) {
            ct.channelLabel = "[--]";
            continue;
        }
        ct.channels.set(static_cast<size_t>(c));
        ct.channelLabel = "[" + std::to_string(c + 1) + "]";
    }
    auto insertAt = tracks.begin() + 1;
    for (auto& ct : channelTracks) insertAt = tracks.insert(insertAt, std::move(ct)) + 1;
}

}  // namespace tonvela
