#include "host/tool_context.h"

void ToolContext::songEdited() {
    // Written down before the editor refreshes, which reports what it sees as its own.
    if (tonvela::midiSong* s = editor_.song()) owners_.edited(*s, this);
    editor_.songEdited();
}

std::vector<int> ToolContext::ownUndoTracks() const {
    tonvela::midiSong* s = editor_.song();
    if (!s) return {};
    std::vector<int> tracks = owners_.undoTracks(*s, this);
    return tracks.empty() ? EditorContext::ownUndoTracks() : tracks;
}

std::vector<int> ToolContext::ownRedoTracks() const {
    tonvela::midiSong* s = editor_.song();
    if (!s) return {};
    std::vector<int> tracks = owners_.redoTracks(*s, this);
    return tracks.empty() ? EditorContext::ownRedoTracks() : tracks;
}
