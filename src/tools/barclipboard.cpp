#include "tools/barclipboard.h"

#include <vector>

#include "song/song.h"

namespace tonvela {

namespace {

bool isCopied(int kind) {
    return kind == kindControl || kind == kindNote || kind == kindPitchBend || kind == kindProgram;
}

anyEvent* copyOf(const anyEvent& e) {
    switch (e.kind()) {
    case kindNote: return new NoteOnEvent(static_cast<const NoteOnEvent&>(e));
    case kindControl: return new ControlChangeEvent(static_cast<const ControlChangeEvent&>(e));
    case kindPitchBend: return new PitchBendEvent(static_cast<const PitchBendEvent&>(e));
    case kindProgram: return new ProgramChangeEvent(static_cast<const ProgramChangeEvent&>(e));
    default: return nullptr;
    }
}

}  // namespace

BarClipboard::BarClipboard(midiSong& song) : song_(song) {}

BarClipboard::~BarClipboard() = default;

midiTrack* BarClipboard::trackOf(const Selection& selection) const {
    const int t = selection.firstTrack;
    return t >= 0 && t < song_.trackCount() ? song_.track(t) : nullptr;
}

bool BarClipboard::empty() const { return !buffer_ || buffer_->countEvents() == 0; }

void BarClipboard::clear() {
    if (buffer_) buffer_->clear();
}

int BarClipboard::copy(const Selection& selection) {
    const midiTrack* track = trackOf(selection);
    if (!track) return 0;
    if (!buffer_) buffer_ = std::make_unique<midiTrack>(&song_, 0, "Copy");
    buffer_->clear();
    const int32_t start = barStartTick(song_, selection.firstBar);
    int copied = 0;
    for (const anyEvent* e : track->events()) {
        if (!e || !selection.holdsBar(e->bar) || !isCopied(e->kind())) continue;
        anyEvent* c = copyOf(*e);
        c->time = e->time - start;
        buffer_->appendEvent(c);
        ++copied;
    }
    return copied;
}

int BarClipboard::cut(const Selection& selection) {
    midiTrack* track = trackOf(selection);
    if (!track) return 0;
    track->beginUndoStep("Cut");
    const int copied = copy(selection);
    for (int p = 0; p < track->size(); ++p) {
        const anyEvent* e = track->at(p);
        if (e && selection.holdsBar(e->bar) && isCopied(e->kind())) track->removeEventAt(p);
    }
    track->pack();
    return copied;
}

int BarClipboard::paste(const Selection& selection) {
    midiTrack* track = trackOf(selection);
    if (!track) return 0;
    track->beginUndoStep("Paste");
    if (empty()) return 0;
    const int channel = track->firstChannel();
    const int32_t start = barStartTick(song_, selection.firstBar);
    std::vector<anyEvent*> added;
    for (anyEvent* e : buffer_->events()) {
        if (!e) continue;
        if (channel >= 0 && channel <= 15) e->setChannelBits(channel);
        anyEvent* c = copyOf(*e);
        c->time = e->time + start;
        added.push_back(c);
    }
    track->addEvents(added, true);
    return static_cast<int>(added.size());
}

}  // namespace tonvela
