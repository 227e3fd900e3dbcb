#include "expression/expression_play.h"

#include "host/editor_context.h"
#include "output/midi_device.h"
#include "song/song.h"

using namespace tonvela;

bool ExpressionPlayer::canPlay() const {
    MidiDevice* device = context_.device();
    return context_.song() && device && device->isOpen() && !context_.playing();
}

bool ExpressionPlayer::playWork(const midiTrack& work, int soundTrack) {
    if (testPlaying()) context_.device()->stop();
    if (!canPlay() || work.countEvents() == 0) return false;
    MidiDevice& device = *context_.device();
    if (!device.playWorkTrack(*context_.song(), work, soundTrack, PlayOptions{})) return false;
    testList_ = device.playList();
    return true;
}

bool ExpressionPlayer::playSelection() {
    if (!canPlay()) return false;
    const Selection selection = context_.selection();
    if (selection.empty()) return false;
    testList_.reset();
    return context_.device()->playSelectedPart(*context_.song(), selection, PlayOptions{});
}

bool ExpressionPlayer::testPlaying() const {
    MidiDevice* device = context_.device();
    return testList_ && device && device->playing() && device->playList() == testList_;
}

void ExpressionPlayer::stop() {
    if (MidiDevice* device = context_.device()) device->stop();
    testList_.reset();
}

void ExpressionPlayer::stopTest() {
    if (testPlaying()) context_.device()->stop();
    testList_.reset();
}
