#include "song/song_copy.h"

#include "song/song.h"

namespace tonvela {

std::unique_ptr<midiSong> copySong(const midiSong& song) {
    // One chunk per track, so a format 0 song keeps its tracks in the copy.
    std::vector<uint8_t> bytes;
    song.encode(bytes, true);
    auto copy = std::make_unique<midiSong>();
    copy->loadBytes(bytes.data(), bytes.size(), song.fileName);
    copy->format = song.format;
    // Reading drops tracks without events; put them back so every track keeps its index.
    for (int i = 1; i < song.trackCount(); ++i) {
        const midiTrack& original = *song.track(i);
        if (original.countEvents() != 0) continue;
        auto empty = std::make_unique<midiTrack>(copy.get(), i, original.name);
        copy->tracks.insert(copy->tracks.begin() + i, std::move(empty));
    }
    for (int i = 0; i < copy->trackCount() && i < song.trackCount(); ++i) {
        midiTrack& t = *copy->track(i);
        t.index = song.track(i)->index;
        t.name = song.track(i)->name;
        t.channelLabel = song.track(i)->channelLabel;
    }
    // The song's bar table is not rebuilt after edits; the copy measures bars the same way.
    if (copy->barStarts != song.barStarts) {
        copy->barStarts = song.barStarts;
        for (const auto& t : copy->tracks)
            for (anyEvent* e : t->events())
                if (e) copy->computePosition(e);
    }
    return copy;
}

}  // namespace tonvela
