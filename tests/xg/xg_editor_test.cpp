// The XG editor's operations: the exact bytes they store and send, one undo step per change
// (undo restores the song, redo gives the change again, the song's list of system exclusive
// events right after both), display messages, moving the messages to a track, and Arrange.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/errors.h"
#include "xg_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

class XgEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        load(song, xgSong());
        editor.send = sent.sender();
    }
    // One change as the window makes it: a step of its own.
    void change(const std::string& label, const std::function<void()>& body) {
        editor.beginStep(label);
        body();
        editor.endStep();
    }
    const sysexEvent* only(int32_t address) const { return editor.findXGMessage(address); }

    midiSong song;
    XGEditor editor{song};
    SentLog sent;
};

Bytes xgBytes(std::initializer_list<uint8_t> b) { return Bytes(b); }

// Undoes the newest step of every track whose journal grew past `before`.
void undoSince(midiSong& song, const std::vector<size_t>& before) {
    for (int t = 0; t < song.trackCount(); ++t)
        if (song.track(t)->journal.size() > before[static_cast<size_t>(t)]) song.track(t)->undo();
}

void redoAll(midiSong& song) {
    for (int t = 0; t < song.trackCount(); ++t)
        if (song.track(t)->canRedo()) song.track(t)->redo();
}

}  // namespace

TEST_F(XgEditorTest, MasterVolumeIsStoredSentAndRemovedAtItsDefault) {
    change("XG Master Volume", [&] { editor.setXGValue(0x000004, 100, 127); });
    const sysexEvent* e = only(0x000004);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->sysexData, xgBytes({0x43, 0x10, 0x4C, 0x00, 0x00, 0x04, 0x64, 0xF7}));
    EXPECT_EQ(e->time, 0);
    EXPECT_EQ(e->status, 0xF0);
    EXPECT_EQ(xgListText(*e), "001:01:000 MASTER VOLUME");
    EXPECT_EQ(song.trackOf(e), song.track(0));
    EXPECT_EQ(song.track(0)->undoLabel(), "XG Master Volume");
    ASSERT_EQ(sent.messages.size(), 1u);
    EXPECT_EQ(sent.messages[0], xgBytes({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x04, 0x64, 0xF7}));

    change("XG Master Volume", [&] { editor.setXGValue(0x000004, 127, 127); });
    EXPECT_EQ(only(0x000004), nullptr);
    ASSERT_EQ(sent.messages.size(), 2u);
    EXPECT_EQ(sent.messages[1], xgBytes({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x04, 0x7F, 0xF7}));
    EXPECT_TRUE(listsRight(song));

    // Each change is its own step: undo brings back 100, then nothing.
    song.track(0)->undo();
    ASSERT_NE(only(0x000004), nullptr);
    EXPECT_EQ(xgData(*only(0x000004), 0), 100);
    song.track(0)->undo();
    EXPECT_EQ(only(0x000004), nullptr);
    EXPECT_TRUE(listsRight(song));
}

TEST_F(XgEditorTest, NewMessagesGoToTheTargetTrack) {
    editor.targetTrack = 2;
    change("XG", [&] { editor.setXGValue(0x000006, 52, 64); });  // transpose -12
    ASSERT_NE(only(0x000006), nullptr);
    EXPECT_EQ(song.trackOf(only(0x000006)), song.track(2));
    EXPECT_EQ(xgData(*only(0x000006), 0), 0x34);
    editor.targetTrack = 99;  // out of range: the first track
    change("XG", [&] { editor.setXGValue(0x000005, 3, 0); });
    EXPECT_EQ(song.trackOf(only(0x000005)), song.track(0));
}

// Every change, undone and redone: the song as before, then as after, its lists right.
TEST_F(XgEditorTest, EveryChangeIsOneStepThatUndoAndRedoReplayExactly) {
    struct Case {
        const char* what;
        std::function<void(XGEditor&)> body;
        bool changes = true;
    };
    const Case cases[] = {
        {"new one-byte value", [](XGEditor& x) { x.setXGValue(0x000004, 100, 127); }},
        {"change of a file's message", [](XGEditor& x) { x.setXGValue(0x08000B, 90, 100); }},
        {"reset of a file's message", [](XGEditor& x) { x.resetXGValue(0x08000B, 100); }},
        {"two-byte change", [](XGEditor& x) { x.setXGValue2(0x020142, 2000, 3333); }},
        {"two-byte reset", [](XGEditor& x) { x.resetXGValue2(0x020142, 3333); }},
        {"drop", [](XGEditor& x) { x.dropXGMessage(0x08000B); }},
        {"master tune", [](XGEditor& x) { x.setMasterTune(1034); }},
        {"effect type", [](XGEditor& x) { x.setEffectType(0x020120, XGBlock::chorus, 30); }},
        {"drag over a file's message", [](XGEditor& x) {
             for (int v : {99, 80, 60, 100, 70}) x.setXGValue(0x08000B, v, 100);
         }},
        {"drag back to the default", [](XGEditor& x) {
             for (int v : {101, 120, 127}) x.setXGValue(0x000004, v, 127);
         }, false},
        {"display letters", [](XGEditor& x) { x.newDisplay(960, xgLettersMessage("HELLO")); }},
        {"display change", [](XGEditor& x) {
             x.changeMessage(x.findXGMessage(0x08000B), 480, xgLettersMessage("HI"));
         }},
        {"delete", [](XGEditor& x) { x.deleteMessage(x.findXGMessage(0x020142)); }},
        {"target track", [](XGEditor& x) { x.moveToTrack(1); }},
        {"arrange", [](XGEditor& x) { x.arrange(52, 2, [](const sysexEvent&) { return true; }); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        midiSong s;
        load(s, xgSong());
        XGEditor x(s);
        x.beginStep("XG Change");  // a step left open before must not swallow the change
        x.endStep();
        const std::string before = sortedDump(s);
        const auto journals = journalSizes(s);
        x.beginStep(c.what);
        c.body(x);
        x.endStep();
        const std::string afterInListOrder = dumpSong(s);
        const std::string after = sortedDump(s);
        EXPECT_EQ(after != before, c.changes);
        EXPECT_TRUE(listsRight(s));
        for (int t = 0; t < s.trackCount(); ++t)
            if (s.track(t)->journal.size() > journals[static_cast<size_t>(t)]) {
                EXPECT_EQ(s.track(t)->undoLabel(), c.what) << "track " << t;
            }
        undoSince(s, journals);
        EXPECT_EQ(journalSizes(s), journals);
        EXPECT_EQ(dumpSong(s), before) << "undo gives the list order back too";
        EXPECT_EQ(sortedDump(s), before);
        EXPECT_TRUE(listsRight(s));
        redoAll(s);
        EXPECT_EQ(dumpSong(s), afterInListOrder) << "redo gives the order after the change";
        EXPECT_EQ(sortedDump(s), after);
        EXPECT_TRUE(listsRight(s));
    }
}

TEST_F(XgEditorTest, ASliderDragIsOneStep) {
    const size_t before = song.track(1)->journal.size();
    editor.beginStep("XG Part Volume");
    for (int v = 99; v >= 60; --v) editor.setXGValue(0x08000B, v, 100);
    editor.endStep();
    EXPECT_EQ(xgData(*only(0x08000B), 0), 60);
    EXPECT_EQ(sent.messages.size(), 40u);
    // One marker, one removal of the file's message, one addition of the new one.
    EXPECT_EQ(song.track(1)->journal.size(), before + 3);
    song.track(1)->undo();
    EXPECT_EQ(xgData(*only(0x08000B), 0), 100);
    EXPECT_EQ(song.track(1)->undoCount(), 0);
}

TEST_F(XgEditorTest, AnUndoInsideAnOpenStepEndsIt) {
    editor.beginStep("XG Master Volume");
    editor.setXGValue(0x000004, 100, 127);
    song.track(0)->undo();  // the user's undo while the step was still open
    editor.setXGValue(0x000004, 90, 127);
    editor.endStep();
    ASSERT_NE(only(0x000004), nullptr);
    EXPECT_EQ(xgData(*only(0x000004), 0), 90);
    EXPECT_TRUE(listsRight(song));
    song.track(0)->undo();
    EXPECT_EQ(only(0x000004), nullptr);
}

TEST_F(XgEditorTest, ResetsSendTheDefaultAndLeaveTheSongAloneWithoutAMessage) {
    const std::string before = sortedDump(song);
    change("XG", [&] { editor.resetXGValue(0x000005, 0); });
    change("XG", [&] { editor.resetXGValue2(0x020144, 3333); });
    EXPECT_EQ(sortedDump(song), before);
    EXPECT_EQ(song.track(0)->journal.size(), 0u);
    ASSERT_EQ(sent.messages.size(), 2u);
    EXPECT_EQ(sent.messages[0], xgBytes({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x05, 0x00, 0xF7}));
    // A two-byte default goes as its two 7-bit bytes: 26 * 128 + 5 = 3333.
    EXPECT_EQ(sent.messages[1], xgBytes({0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x44, 0x1A, 0x05, 0xF7}));
}

TEST_F(XgEditorTest, TwoByteValuesAndTheirDefault) {
    change("XG", [&] { editor.setXGValue2(0x020142, 1000, 3333); });
    EXPECT_EQ(only(0x020142)->sysexData, xgBytes({0x43, 0x10, 0x4C, 0x02, 0x01, 0x42, 0x07, 0x68, 0xF7}));
    change("XG", [&] { editor.setXGValue2(0x020142, 3333, 3333); });
    EXPECT_EQ(only(0x020142), nullptr);
    EXPECT_EQ(sent.messages.back(), xgBytes({0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x42, 0x1A, 0x05, 0xF7}));
}

TEST_F(XgEditorTest, MasterTuneAndEffectTypes) {
    change("XG", [&] { editor.setMasterTune(1034); });
    EXPECT_EQ(only(0)->sysexData, xgBytes({0x43, 0x10, 0x4C, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x0A, 0xF7}));
    EXPECT_EQ(song.masterTune(), 10);
    const size_t sentBefore = sent.messages.size();
    change("XG", [&] { editor.setMasterTune(1024); });
    EXPECT_EQ(only(0), nullptr);
    EXPECT_EQ(sent.messages.size(), sentBefore);  // removed without sending

    change("XG", [&] { editor.setEffectType(0x020100, XGBlock::reverb, 0); });
    ASSERT_NE(only(0x020100), nullptr);  // NO EFFECT stays as a message
    EXPECT_EQ(only(0x020100)->sysexData, xgBytes({0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x00, 0x00, 0xF7}));
    change("XG", [&] { editor.setEffectType(0x020140, XGBlock::variation, 46); });  // ROOM S
    EXPECT_EQ(only(0x020140)->sysexData, xgBytes({0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0x02, 0x05, 0xF7}));
    change("XG", [&] { editor.setEffectType(0x030100, XGBlock::variation, 70); });  // TEMPO CROSS, insertion 2
    EXPECT_EQ(only(0x030100)->sysexData, xgBytes({0x43, 0x10, 0x4C, 0x03, 0x01, 0x00, 0x16, 0x00, 0xF7}));
    EXPECT_EQ(editor.effectType(0x030100, XGBlock::variation, 0x4900), 70);
    EXPECT_EQ(editor.effectType(0x030000, XGBlock::variation, 0x4900), 97);  // shown default DISTORTION
    EXPECT_EQ(editor.effectType(0x020120, XGBlock::chorus, 0x4100), 19);
}

TEST_F(XgEditorTest, ShortMessagesReadMissingBytesAsZero) {
    midiSong s;
    load(s, smf(1, {cat({sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x20, 0x41, 0xF7}),
                         sysex(0, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0xF7}),
                         sysex(0, {0x43, 0x10, 0x4C, 0x07, 0x00, 0x00, 0x7F, 0xF7})})}));
    XGEditor x(s);
    const sysexEvent* chorus = x.findXGMessage(0x020120);
    ASSERT_NE(chorus, nullptr);
    EXPECT_EQ(xgData(*chorus, 0), 0x41);
    EXPECT_EQ(xgData(*chorus, 1), 0);  // not the F7, not -1
    EXPECT_EQ(xgData(*chorus, 7), 0);
    EXPECT_EQ(xgData(*chorus, -1), 0);
    EXPECT_EQ(x.effectType(0x020120, XGBlock::chorus, 0x4100), 19);
    EXPECT_EQ(x.effectType(0x020140, XGBlock::variation, 0x0600), 0);  // no data: 00 00, NO EFFECT
    const XGBitmap picture = xgBitmapOf(*x.findXGMessage(0x070000));
    EXPECT_EQ(picture.count(), 7u);  // row 0, pixels 0-6; the rest blank
}

TEST_F(XgEditorTest, DisplayLetters) {
    const size_t sentBefore = sent.messages.size();
    change("Display Letter New", [&] { editor.newDisplay(song.barBeatTickToTime(0, 0, 0), xgLettersMessage("HELLO")); });
    const sysexEvent* e = editor.findXGMessage(xgDisplayLettersAddress, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->sysexData, xgBytes({0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, 0x48, 0x45, 0x4C, 0x4C, 0x4F, 0xF7}));
    EXPECT_EQ(xgLettersOf(*e), "HELLO");
    EXPECT_EQ(xgListText(*e), "001:01:000 DISPLAY LETTER<HELLO>");
    EXPECT_EQ(sent.messages.size(), sentBefore);
    EXPECT_EQ(song.track(0)->undoLabel(), "Display Letter New");
    // New at the same time reuses the message.
    change("Display Letter New", [&] { editor.newDisplay(0, xgLettersMessage("BYE")); });
    EXPECT_EQ(xgListItems(song).display.size(), 1u);
    EXPECT_EQ(xgLettersOf(*editor.findXGMessage(xgDisplayLettersAddress)), "BYE");

    // Only printable ASCII, at most 32.
    EXPECT_TRUE(xgValidLetters(std::string(32, '~')));
    EXPECT_TRUE(xgValidLetters(" !"));
    EXPECT_FALSE(xgValidLetters(std::string(33, 'A')));
    EXPECT_FALSE(xgValidLetters("caf\xC3\xA9"));
    EXPECT_FALSE(xgValidLetters("\x80"));
    EXPECT_FALSE(xgValidLetters("A\x7F"));
    EXPECT_FALSE(xgValidLetters("tab\t"));
    EXPECT_THROW(xgLettersMessage("\xFF"), MidiError);
}

TEST_F(XgEditorTest, DisplayBitmapEncoding) {
    XGBitmap picture;
    for (auto [r, c] : {std::pair{0, 0}, {0, 7}, {0, 14}, {0, 15}, {15, 6}, {3, 13}, {9, 9}}) picture.set(r * 16 + c);
    const Bytes m = xgBitmapMessage(picture);
    ASSERT_EQ(m.size(), 6u + 48u + 1u);
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 6), xgBytes({0x43, 0x10, 0x4C, 0x07, 0x00, 0x00}));
    EXPECT_EQ(m.back(), 0xF7);
    auto data = [&](int i) { return m[6 + static_cast<size_t>(i)]; };
    EXPECT_EQ(data(0), 0x40);       // row 0, pixel 0 in bit 6
    EXPECT_EQ(data(16), 0x40);      // pixel 7
    EXPECT_EQ(data(32), 0x60);      // pixels 14 and 15 in bits 6 and 5
    EXPECT_EQ(data(15), 0x01);      // row 15, pixel 6 in bit 0
    EXPECT_EQ(data(16 + 3), 0x01);  // row 3, pixel 13
    EXPECT_EQ(data(16 + 9), 0x10);  // row 9, pixel 9
    for (int i = 0; i < 48; ++i) EXPECT_EQ(data(i) & 0x80, 0);
    sysexEvent e(0, 0xF0);
    e.sysexData = m;
    EXPECT_EQ(xgBitmapOf(e), picture);
}

TEST_F(XgEditorTest, DisplayChangeAndDeleteWorkOnTheChosenMessage) {
    change("Display Letter New", [&] { editor.newDisplay(0, xgLettersMessage("ONE")); });
    change("Display Letter New", [&] { editor.newDisplay(1920, xgLettersMessage("TWO")); });
    sysexEvent* second = editor.findXGMessage(xgDisplayLettersAddress, 1920);
    ASSERT_NE(second, nullptr);
    editor.targetTrack = 1;  // Set works in the message's own track
    change("Display SysEx Change", [&] { second = editor.changeMessage(second, 3840, xgBitmapMessage(XGBitmap().set(0))); });
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->time, 3840);
    EXPECT_EQ(second->address(), xgDisplayBitmapAddress);
    EXPECT_EQ(song.trackOf(second), song.track(0));
    EXPECT_EQ(song.track(0)->undoLabel(), "Display SysEx Change");
    change("Display SysEx Delete", [&] { editor.deleteMessage(second); });
    const XGListItems items = xgListItems(song);
    ASSERT_EQ(items.display.size(), 1u);
    EXPECT_EQ(xgLettersOf(*items.display[0].message), "ONE");  // the other one stays
    // A message that left the song is passed over.
    const std::string before = sortedDump(song);
    change("Display SysEx Delete", [&] { editor.deleteMessage(second); });
    EXPECT_EQ(editor.changeMessage(second, 0, xgLettersMessage("X")), nullptr);
    EXPECT_EQ(sortedDump(song), before);
}

TEST_F(XgEditorTest, MovingToATrackKeepsTimesBytesAndOrder) {
    const XGListItems before = xgListItems(song);
    change("XG Target Track", [&] { editor.moveToTrack(1); });
    for (const sysexEvent* e : song.sysexEvents) EXPECT_EQ(song.trackOf(e), song.track(1));
    EXPECT_EQ(song.sysexEvents.size(), 4u);
    const XGListItems after = xgListItems(song);
    ASSERT_EQ(after.messages.size(), before.messages.size());
    // The message already in track 1 first, then the moved ones in their old order.
    EXPECT_EQ(after.messages[0].text, "001:01:000 Part1 VOLUME");
    EXPECT_EQ(after.messages[1].text, "001:01:000 REVERB RETURN");
    EXPECT_EQ(after.messages[2].text, "001:01:000 VARIATION PARAMETER 1");
    // The GS message went along, after REVERB RETURN as in the file.
    EXPECT_EQ(song.sysexEvents[2]->manufacturer(), 0x41);
    for (int t : {0, 1, 2}) EXPECT_EQ(song.track(t)->undoLabel(), "XG Target Track");
    EXPECT_TRUE(listsRight(song));
}

TEST_F(XgEditorTest, ArrangeDefaults) {
    const XGArrangeFields f = xgArrangeDefaults(song);
    EXPECT_EQ(f.start, 52);  // 480 * 55000 / 500000
    EXPECT_EQ(f.offset, 2);  // 480 / 241 + 1
    // The tempo at the first display message counts: 60 bpm from bar 2.
    midiSong s;
    load(s, smf(1, {cat({at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), at(1920, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}),
                         sysex(0, {0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, 0x41, 0xF7})})},
                    96));
    const XGArrangeFields g = xgArrangeDefaults(s);
    EXPECT_EQ(g.start, 5);   // 96 * 55000 / 1000000
    EXPECT_EQ(g.offset, 1);  // 96 / 241 + 1
}

TEST_F(XgEditorTest, ArrangeRetimesTheCheckedMessagesInEachOwnTrack) {
    change("XG", [&] {
        editor.targetTrack = 2;
        editor.setXGValue(0x00007F, 0, 1);       // ALL PARAMETER RESET, created last
        editor.setXGValue(0x000004, 100, 127);  // MASTER VOLUME
    });
    change("Display Letter New", [&] { editor.newDisplay(10, xgLettersMessage("HI")); });
    // Part1 VOLUME stays where it is (unchecked); the GS message and the display are passed over.
    const sysexEvent* partVolume = only(0x08000B);
    change("Arrange SysEx", [&] {
        EXPECT_EQ(editor.arrange(52, 2, [&](const sysexEvent& e) { return &e != partVolume; }), 4);
    });
    EXPECT_EQ(only(0x00007F)->time, 52);
    EXPECT_EQ(only(0x000004)->time, 54);
    EXPECT_EQ(only(0x02010C)->time, 56);  // REVERB RETURN, in track 0
    EXPECT_EQ(only(0x020142)->time, 58);  // VARIATION PARAMETER1, in track 2
    EXPECT_EQ(only(0x08000B)->time, 0);
    EXPECT_EQ(editor.findXGMessage(xgDisplayLettersAddress)->time, 10);
    for (const sysexEvent* e : song.sysexEvents)
        if (e->manufacturer() == 0x41) {
            EXPECT_EQ(e->time, 0);
        }
    EXPECT_EQ(song.trackOf(only(0x02010C)), song.track(0));
    EXPECT_EQ(song.trackOf(only(0x020142)), song.track(2));
    for (int t : {0, 2}) {
        EXPECT_TRUE(song.track(t)->isSorted()) << t;
        EXPECT_EQ(song.track(t)->undoLabel(), "Arrange SysEx") << t;
    }
    song.track(0)->undo();
    EXPECT_EQ(only(0x02010C)->time, 0);
    EXPECT_EQ(only(0x020142)->time, 58);  // track 2's step is its own
    song.track(2)->undo();
    EXPECT_EQ(only(0x020142)->time, 0);
    EXPECT_EQ(only(0x00007F)->time, 0);
}

TEST_F(XgEditorTest, ListsInSongOrderWithTheirMarks) {
    change("Display Letter New", [&] { editor.newDisplay(0, xgLettersMessage("HI")); });
    const XGListItems items = xgListItems(song);
    ASSERT_EQ(items.messages.size(), 3u);
    EXPECT_EQ(items.messages[0].text, "001:01:000 REVERB RETURN");
    EXPECT_EQ(items.messages[1].text, "001:01:000 Part1 VOLUME");
    EXPECT_EQ(items.messages[2].text, "001:01:000 VARIATION PARAMETER 1");
    for (const XGListItem& i : items.messages) EXPECT_TRUE(i.checked);  // before the first note
    ASSERT_EQ(items.display.size(), 1u);
    EXPECT_EQ(items.display[0].text, "001:01:000 DISPLAY LETTER<HI>");
    // After the first note a message is not checked.
    change("XG", [&] { editor.touchXGMessage(0x000004, 3000); });
    EXPECT_EQ(xgListItems(song).messages.back().text, "002:03:120 MASTER VOLUME");
    EXPECT_FALSE(xgListItems(song).messages.back().checked);
}
