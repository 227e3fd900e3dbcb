#include "host/editor_context.h"

#include <algorithm>
#include <functional>

#include "song/song.h"

std::vector<int> EditorContext::ownUndoTracks() const {
    tonvela::midiSong* s = song();
    const int current = selection().firstTrack;
    if (!s || current < 0 || current >= s->trackCount() || s->track(current)->undoCount() == 0) return {};
    return {current};
}

std::vector<int> EditorContext::ownRedoTracks() const {
    tonvela::midiSong* s = song();
    const int current = selection().firstTrack;
    if (!s || current < 0 || current >= s->trackCount() || !s->canRedoTrack(current)) return {};
    return {current};
}

bool EditorContext::undoOwnEdit() {
    // Last track first: undo may drop a track an edit created, which moves those after it.
    std::vector<int> tracks = ownUndoTracks();
    std::sort(tracks.begin(), tracks.end(), std::greater<>());
    bool done = false;
    for (int t : tracks) done = undo(t) || done;
    return done;
}

bool EditorContext::redoOwnEdit() {
    bool done = false;
    for (int t : ownRedoTracks()) done = redo(t) || done;
    return done;
}
