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

void EditOwners::clear() {
    marks_.clear();
    seen_.clear();
}

void EditOwners::resize(const midiSong& song) {
    const size_t n = static_cast<size_t>(song.trackCount());
    if (marks_.size() != n) marks_.resize(n);
    if (seen_.size() != n) seen_.resize(n);
}

EditOwners::Seen EditOwners::look(midiTrack& track) {
    track.undoCount();  // drops steps that recorded nothing
    return {track.journal.size(), track.journal.empty() ? std::string() : track.journal.back()};
}

bool EditOwners::present(const midiTrack& track, const Mark& m) {
    return m.start < track.journal.size() && track.journal[m.start] == m.first;
}

void EditOwners::edited(midiSong& song, Owner owner) {
    resize(song);
    const uint64_t edit = ++edits_;
    for (int i = 0; i < song.trackCount(); ++i) {
        midiTrack& t = *song.track(i);
        std::vector<Mark>& marks = marks_[static_cast<size_t>(i)];
        Seen& seen = seen_[static_cast<size_t>(i)];
        const Seen now = look(t);
        if (now.size == seen.size && now.last == seen.last) continue;
        const bool appended = now.size > seen.size && (seen.size == 0 || t.journal[seen.size - 1] == seen.last);
        size_t start = seen.size;
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

void EditOwners::replayed(midiSong& song, int track) {
    resize(song);
    if (track < 0 || track >= song.trackCount()) return;
    seen_[static_cast<size_t>(track)] = look(*song.track(track));
}

std::vector<int> EditOwners::undoTracks(const midiSong& song, Owner owner) const {
    // The step on top of each track, and the newest edit of the owner among them.
    std::vector<std::pair<int, uint64_t>> tops;
    uint64_t newest = 0;
    const int n = std::min(song.trackCount(), static_cast<int>(marks_.size()));
    for (int i = 0; i < n; ++i) {
        const midiTrack& t = *song.track(i);
        const std::vector<Mark>& marks = marks_[static_cast<size_t>(i)];
        for (auto m = marks.rbegin(); m != marks.rend(); ++m) {
            if (!present(t, *m)) continue;
            if (m->owner == owner && m->start < effectiveSize(t)) {
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
    const int n = std::min(song.trackCount(), static_cast<int>(marks_.size()));
    for (int i = 0; i < n; ++i) {
        const midiTrack& t = *song.track(i);
        if (!t.canRedo()) continue;
        const size_t size = effectiveSize(t);
        // The step redo would bring back begins where the journal now ends.
        for (const Mark& m : marks_[static_cast<size_t>(i)]) {
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
