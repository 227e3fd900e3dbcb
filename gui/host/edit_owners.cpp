#include "host/edit_owners.h"

#include <algorithm>

#include "song/song.h"

using namespace tonvela;

namespace {

bool isMarker(const std::string& line) { return !line.empty() && line[0] == '@'; }

// The journal without the trailing steps that recorded nothing (as undoCount leaves it).
size_t effectiveSize(const midiTrack& t) {
    size_t n = t.journal.size();
    while (n > 0 && isMarker(t.journal[n - 1])) --n;
    return n;
}

}  // namespace

void EditOwners::clear() { known_.clear(); }

EditOwners::Seen EditOwners::look(const midiTrack& track) {
    // Steps that recorded nothing are left in place (a command may leave one in every track on
    // purpose) but not looked at: dropping them later changes nothing seen.
    const size_t n = effectiveSize(track);
    return {n, n == 0 ? std::string() : track.journal[n - 1]};
}

bool EditOwners::present(const midiTrack& track, const Mark& m) {
    return m.start < track.journal.size() && track.journal[m.start] == m.first;
}

void EditOwners::edited(midiSong& song, Owner owner) {
    const uint64_t edit = ++edits_;
    for (int i = 0; i < song.trackCount(); ++i) {
        midiTrack& t = *song.track(i);
        Known& k = known_[&t];
        std::vector<Mark>& marks = k.marks;
        Seen& seen = k.seen;
        const Seen now = look(t);
        if (now.size == seen.size && now.last == seen.last) continue;
        const bool appended = now.size > seen.size && (seen.size == 0 || t.journal[seen.size - 1] == seen.last);
        size_t start = seen.size;
        // Past empty steps left before this one: their markers may yet be dropped.
        while (appended && start + 1 < now.size && isMarker(t.journal[start]) && isMarker(t.journal[start + 1])) ++start;
        if (!appended) {
            // Rewritten: keep what is still there, and own the newest step.
            std::erase_if(marks, [&](const Mark& m) { return !present(t, m); });
            start = now.size;
            while (start > 0 && !isMarker(t.journal[start - 1])) --start;
            start = start > 0 ? start - 1 : 0;
        }
        seen = now;
        // A new step ends every undone step of the track: they can no longer be redone.
        std::erase_if(marks, [&](const Mark& m) { return m.start >= start; });
        if (start < now.size) marks.push_back({start, t.journal[start], edit, owner});
    }
}

void EditOwners::replayed(midiSong& song) {
    for (int i = 0; i < song.trackCount(); ++i) {
        midiTrack& t = *song.track(i);
        known_[&t].seen = look(t);
    }
}

std::vector<int> EditOwners::undoTracks(const midiSong& song, Owner owner) const {
    // The step on top of each track, and the newest edit of the owner among them.
    std::vector<std::pair<int, uint64_t>> tops;
    uint64_t newest = 0;
    for (int i = 0; i < song.trackCount(); ++i) {
        const midiTrack& t = *song.track(i);
        const auto k = known_.find(&t);
        if (k == known_.end()) continue;
        const std::vector<Mark>& marks = k->second.marks;
        for (auto m = marks.rbegin(); m != marks.rend(); ++m) {
            if (!present(t, *m)) continue;
            if (m->start >= effectiveSize(t)) continue;  // an empty step: undo passes over it
            if (m->owner == owner) {
                tops.push_back({i, m->edit});
                newest = std::max(newest, m->edit);
            }
            break;
        }
    }
    std::vector<int> tracks;
    for (const auto& [track, edit] : tops)
        if (edit == newest) tracks.push_back(track);
    return tracks;
}

std::vector<int> EditOwners::redoTracks(const midiSong& song, Owner owner) const {
    std::vector<std::pair<int, uint64_t>> next;
    uint64_t oldest = UINT64_MAX;
    for (int i = 0; i < song.trackCount(); ++i) {
        const midiTrack& t = *song.track(i);
        const auto k = known_.find(&t);
        if (k == known_.end() || !t.canRedo()) continue;
        const size_t size = t.journal.size();
        // The step redo would bring back begins where the journal now ends (after any empty step
        // left before it).
        for (const Mark& m : k->second.marks) {
            if (m.start != size) continue;
            const bool sameLabel = !isMarker(m.first) || m.first.substr(std::min<size_t>(2, m.first.size())) == t.redoLabel();
            if (m.owner == owner && sameLabel) {
                next.push_back({i, m.edit});
                oldest = std::min(oldest, m.edit);
            }
            break;
        }
    }
    std::vector<int> tracks;
    for (const auto& [track, edit] : next)
        if (edit == oldest) tracks.push_back(track);
    return tracks;
}
