#include "host/editor_context.h"

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
    if (!s || current < 0 || current >= s->trackCount() || !s->track(current)->canRedo()) return {};
    return {current};
}

bool EditorContext::undoOwnEdit() {
    bool done = false;
    for (int t : ownUndoTracks()) done = undo(t) || done;
    return done;
}

bool EditorContext::redoOwnEdit() {
    bool done = false;
    for (int t : ownRedoTracks()) done = redo(t) || done;
    return done;
}
