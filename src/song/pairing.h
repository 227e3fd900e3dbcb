#pragma once

// Linear-time pairing of note offs into note durations.
//
// Feed the events of a track in list order; each note on waits in a queue of its channel and
// key, and each note off ends the oldest waiting note of its channel and key. This gives the
// same result as letting every note, in list order, take the first unused note off after it.
// Notes left waiting at the end last until an All Sound Off / All Notes Off of their channel
// that follows them, else until one tick before the next attack of their key, else to the end
// of the track.

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/pages.h"
#include "song/events.h"

namespace tonvela {

class NotePairing {
public:
    NotePairing() {
        std::fill(std::begin(head_), std::end(head_), -1);
        std::fill(std::begin(tail_), std::end(tail_), -1);
        std::fill(std::begin(count_), std::end(count_), 0);
    }

    void noteOn(NoteOnEvent* n) {
        int q = queueOf(n->status & 0x0F, n->note());
        int r = newRecord(n, pos_++);
        if (tail_[q] < 0) {
            head_[q] = r;
        } else {
            records_[static_cast<size_t>(tail_[q])].next = r;
        }
        tail_[q] = r;
        ++count_[q];
    }

    void noteOff(int channel, int key, int32_t time) {
        ++pos_;
        int q = queueOf(channel, key);
        int r = head_[q];
        if (r < 0) return;  // a note off without a sounding note disappears
        Record& rec = records_[static_cast<size_t>(r)];
        setDuration(rec.note, static_cast<int64_t>(time) - rec.note->time);
        head_[q] = rec.next;
        if (head_[q] < 0) tail_[q] = -1;
        --count_[q];
        rec.next = free_;
        rec.pos = -1;
        free_ = r;
    }

    void controller(int channel, int number, int32_t time) {
        if (number == 120 || number == 123) {
            allNotesOff_[channel].push_back(pos_);
            allNotesOffTimes_[channel].push_back(time);
        }
        ++pos_;
    }

    void skip() { ++pos_; }
    void reserve(size_t notes) { records_.reserve(notes); }

    // Number of notes of this channel and key that wait for their note off.
    int32_t waiting(int channel, int key) const { return count_[queueOf(channel, key)]; }

    // Collect the durations instead of storing them (for callers that must not change the
    // song until they have succeeded). Only changed durations are collected.
    void deferTo(std::vector<std::pair<NoteOnEvent*, int32_t>>* sink) { deferred_ = sink; }

    void finish(int32_t endTime) {
        // Waiting notes are visited in the order they were made, which is memory order for a
        // freshly read track; the next attack of the same key is the next record of the queue.
        for (const Record& rec : records_) {
            if (rec.pos < 0) continue;  // matched and recycled
            NoteOnEvent* n = rec.note;
            int channel = n->status & 0x0F;
            const auto& ano = allNotesOff_[channel];
            int64_t d;
            auto it = ano.empty() ? ano.end() : std::upper_bound(ano.begin(), ano.end(), rec.pos);
            if (it != ano.end()) {
                d = static_cast<int64_t>(allNotesOffTimes_[channel][static_cast<size_t>(it - ano.begin())]) - n->time;
            } else if (rec.next >= 0) {
                d = static_cast<int64_t>(records_[static_cast<size_t>(rec.next)].note->time) - n->time - 1;
                if (d < 1) d = 1;
            } else {
                d = static_cast<int64_t>(endTime) - n->time;
            }
            setDuration(n, d);
        }
    }

private:
    void setDuration(NoteOnEvent* n, int64_t d) {
        auto v = static_cast<int32_t>(std::clamp<int64_t>(d, INT32_MIN, INT32_MAX));
        if (!deferred_)
            n->setDuration(v);
        else if (v != n->duration())
            deferred_->emplace_back(n, v);
    }

    struct Record {
        NoteOnEvent* note;
        int32_t pos;       // -1 once matched
        int32_t next;      // next waiting note of the queue, or next free record
    };

    static int queueOf(int channel, int key) { return (channel & 15) * 128 + (key & 127); }

    int newRecord(NoteOnEvent* n, int32_t pos) {
        if (free_ >= 0) {
            int r = free_;
            free_ = records_[static_cast<size_t>(r)].next;
            records_[static_cast<size_t>(r)] = {n, pos, -1};
            return r;
        }
        ahead_.before(records_);
        records_.push_back({n, pos, -1});
        return static_cast<int>(records_.size()) - 1;
    }

    int32_t head_[16 * 128];
    int32_t tail_[16 * 128];
    int32_t count_[16 * 128];
    std::vector<Record> records_;
    FaultAhead ahead_;
    int free_ = -1;
    int32_t pos_ = 0;
    std::vector<int32_t> allNotesOff_[16];
    std::vector<int32_t> allNotesOffTimes_[16];
    std::vector<std::pair<NoteOnEvent*, int32_t>>* deferred_ = nullptr;
};

}  // namespace tonvela
