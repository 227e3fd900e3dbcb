// The seventeen checks: for a small song, the exact lines the report lists, with the option
// switches and limits that change them.

#include <chrono>
#include <functional>

#include "check_fixture.h"
#include "song/events.h"

namespace tonvela::test {
namespace {

struct CheckCase {
    const char* name;
    std::function<std::unique_ptr<midiSong>()> song;
    std::function<void(Options&)> options;  // applied to the defaults
    std::vector<std::string> lines;
};

void none(Options&) {}

TrackWriter track() { return TrackWriter(); }

TEST(DataCheck, EachCheckListsItsExactLine) {
    const std::string c4 = "Chn = 01 Note ON:Key 060[ C 4] Vel = 100 Dur = ";
    const CheckCase cases[] = {
        {"001 a note on while the key sounds",
         [] { return songOf({track().note(0, 0, 60, 100, 480).note(240, 0, 60, 100, 480)}); }, none,
         {"001 Multiple NoteON 1/001:01:240 " + c4 + "0480"}},
        {"001 switched off", [] { return songOf({track().note(0, 0, 60, 100, 480).note(240, 0, 60, 100, 480)}); },
         [](Options& o) { o.deleteDuplicatedNote = false; }, {}},
        {"002 a note of duration 0 ends at once: the next note of its key doubles nothing",
         [] { return songOf({track().note(0, 0, 60, 100, 0).note(480, 0, 60, 100, 480)}); }, none,
         {"002 Extra NoteOFF 1/001:01:000 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]"}},
        {"002 a note of duration 0 and a note of its key on one tick: only the empty one is listed",
         [] { return songOf({track().note(0, 0, 60, 100, 0).note(0, 0, 60, 100, 480)}); }, none,
         {"002 Extra NoteOFF 1/001:01:000 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]"}},
        {"002 not for a drum hit of duration 0",
         [] { return songOf({track().note(0, 9, 38, 100, 0).control(0, 8, 0, 127).note(10, 8, 36, 100, 0)}); }, none,
         {}},
        {"016 after a note of duration 0: the channel is silent again",
         [] { return songOf({track().note(0, 0, 60, 100, 0).bend(100, 0, 9000).bend(200, 0, 10000).bend(300, 0, 11000)}); },
         none,
         {"002 Extra NoteOFF 1/001:01:000 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]",
          "016 Non-effective PitchBend 1/001:01:200 Chn = 01 PitchBend:Value   808 ",
          "016 Non-effective PitchBend 1/001:01:300 Chn = 01 PitchBend:Value  1808 "}},
        {"002 a note ended by All Notes Off",
         [] { return songOf({track().note(0, 0, 60, 100, 480).control(240, 0, 123, 0)}); }, none,
         {"002 Extra NoteOFF 1/001:02:000 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]"}},
        {"002 is listed whatever the switches say",
         [] { return songOf({track().note(0, 0, 60, 100, 0)}); },
         [](Options& o) { o = Options{}; o.deleteDuplicatedNote = o.detectSametimeonoff = o.detectShortDuraion = false; },
         {"002 Extra NoteOFF 1/001:01:000 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]"}},
        {"002 the end of a note that All Sound Off silenced ends no later note of its key",
         [] { return songOf({track().note(3, 0, 60, 100, 9).control(7, 0, 120, 0).note(11, 0, 60, 100, 81)}); }, none,
         {"002 Extra NoteOFF 1/001:01:012 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]"}},
        {"002 the end of a note of duration 0 ends no other note of its key",
         [] {
             return withDurations(songOf({track().note(100, 0, 60, 100, 1).note(101, 0, 60, 100, 1)}), {500, 0});
         },
         none,
         {"002 Extra NoteOFF 1/001:01:101 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]",
          "001 Multiple NoteON 1/001:01:101 " + c4 + "0000"}},
        {"003 the next note starts where the last ended",
         [] { return songOf({track().note(0, 0, 60, 100, 240).note(240, 0, 60, 100, 240)}); }, none,
         {"003 Same time NoteON/OFF 1/001:01:240 " + c4 + "0240"}},
        {"003 switched off", [] { return songOf({track().note(0, 0, 60, 100, 240).note(240, 0, 60, 100, 240)}); },
         [](Options& o) { o.detectSametimeonoff = false; }, {}},
        {"016 a note of duration 0 between silent bends leaves them silent",
         [] { return songOf({track().bend(0, 0, 9000).note(50, 0, 60, 100, 0).bend(100, 0, 10000)}); }, none,
         {"002 Extra NoteOFF 1/001:01:050 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]",
          "016 Non-effective PitchBend 1/001:01:100 Chn = 01 PitchBend:Value   808 "}},
        {"004 a note of 2 ticks", [] { return songOf({track().note(960, 0, 60, 100, 2)}); }, none,
         {"004 Short Note Duration 1/001:03:002 " + c4 + "0002"}},
        {"004 a note of 3 ticks is long enough", [] { return songOf({track().note(960, 0, 60, 100, 3)}); }, none, {}},
        {"004 limit raised to 3", [] { return songOf({track().note(960, 0, 60, 100, 3)}); },
         [](Options& o) { o.minimumDur = 3; }, {"004 Short Note Duration 1/001:03:003 " + c4 + "0003"}},
        {"004 switched off", [] { return songOf({track().note(960, 0, 60, 100, 2)}); },
         [](Options& o) { o.detectShortDuraion = false; }, {}},
        {"004 never on the drum channel", [] { return songOf({track().note(960, 9, 38, 100, 1)}); }, none, {}},
        {"004 never on an XG drum kit chosen by bank select",
         [] { return songOf({track().control(0, 8, 0, 127).program(0, 8, 25).note(960, 8, 38, 100, 1)}); }, none, {}},
        {"004 never on a GM2 rhythm bank",
         [] { return songOf({track().control(0, 8, 0, 120).program(0, 8, 0).note(960, 8, 38, 100, 1)}); }, none, {}},
        {"004 never on a part that XG Part Mode makes a drum part",
         [] {
             return songOf({track().at(0, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x03, 0x07, 0x02, 0xF7})
                                .note(960, 3, 38, 100, 1)});
         },
         none, {}},
        {"004 never on a GS rhythm part",
         [] {
             return songOf({track().at(0, {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x01, 0x10, 0xF7})
                                .note(960, 10, 38, 100, 1)});
         },
         none, {}},
        {"004 again once the part is made normal",
         [] {
             return songOf({track().control(0, 8, 0, 127).program(0, 8, 25)
                                .at(0, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x08, 0x07, 0x01, 0xF7})
                                .control(480, 8, 0, 0).program(480, 8, 0)
                                .at(480, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x08, 0x07, 0x00, 0xF7})
                                .note(960, 8, 60, 100, 2)});
         },
         none, {"004 Short Note Duration 1/001:03:002 Chn = 09 Note ON:Key 060[ C 4] Vel = 100 Dur = 0002"}},
        {"004 on a channel that another part's drum mode leaves alone",
         [] {
             return songOf({track().at(0, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x03, 0x07, 0x02, 0xF7})
                                .note(960, 4, 60, 100, 2)});
         },
         none, {"004 Short Note Duration 1/001:03:002 Chn = 05 Note ON:Key 060[ C 4] Vel = 100 Dur = 0002"}},
        {"005 the same volume twice",
         [] { return songOf({track().control(0, 0, 7, 100).control(10, 0, 7, 100)}); }, none,
         {"005 Same Control Value 1/001:01:010 Chn = 01 Ctrl Chg:Data 100 Main Volume(7)"}},
        {"005 without Skip Initial Control the default counts",
         [] { return songOf({track().control(0, 0, 7, 100).control(10, 0, 7, 100)}); },
         [](Options& o) { o.checkInitial = false; },
         {"005 Same Control Value 1/001:01:000 Chn = 01 Ctrl Chg:Data 100 Main Volume(7)",
          "005 Same Control Value 1/001:01:010 Chn = 01 Ctrl Chg:Data 100 Main Volume(7)"}},
        {"005 switched off", [] { return songOf({track().control(0, 0, 7, 100).control(10, 0, 7, 100)}); },
         [](Options& o) { o.detectSameControlValue = false; }, {}},
        {"006 off by default", [] { return songOf({track().note(0, 0, 60, 20, 480)}); }, none, {}},
        {"006 a velocity in the illegal range", [] { return songOf({track().note(0, 0, 60, 20, 480)}); },
         [](Options& o) { o.detectIllegalVel = true; },
         {"006 Illegal Velocity 1/001:01:000 Chn = 01 Note ON:Key 060[ C 4] Vel = 020 Dur = 0480"}},
        {"006 the range's upper end", [] { return songOf({track().note(0, 0, 60, 33, 480)}); },
         [](Options& o) {
             o.detectIllegalVel = true;
             o.illegalVeloMin = 33;
             o.illegalVeloMax = 40;
         },
         {"006 Illegal Velocity 1/001:01:000 Chn = 01 Note ON:Key 060[ C 4] Vel = 033 Dur = 0480"}},
        {"007 the same key twice on one tick",
         [] { return songOf({track().note(0, 0, 60, 100, 240).note(0, 0, 60, 100, 480)}); }, none,
         {"007 Synchronous NoteON 1/001:01:000 " + c4 + "0480"}},
        {"007 even with doubling switched off",
         [] { return songOf({track().note(0, 0, 60, 100, 240).note(0, 0, 60, 100, 480)}); },
         [](Options& o) { o.deleteDuplicatedNote = false; }, {"007 Synchronous NoteON 1/001:01:000 " + c4 + "0480"}},
        {"008 a first bend at the centre", [] { return songOf({track().bend(0, 0, 8192)}); }, none,
         {"008 Same Bend Value 1/001:01:000 Chn = 01 PitchBend:Value     0 "}},
        {"009 data entry without a parameter", [] { return songOf({track().control(0, 0, 6, 12)}); }, none,
         {"009 Invalid Data Entry 1/001:01:000 Chn = 01 Ctrl Chg:Data  12 Data Entry MSB(6)"}},
        {"009 switched off", [] { return songOf({track().control(0, 0, 6, 12)}); },
         [](Options& o) { o.detectInvalidDataEntry = false; }, {}},
        {"010 the same controller twice on one tick",
         [] { return songOf({track().control(0, 0, 7, 90).control(0, 0, 7, 80)}); }, none,
         {"010 Synchronous Control 1/001:01:000 Chn = 01 Ctrl Chg:Data  80 Main Volume(7)"}},
        {"011 two bends on one tick",
         [] { return songOf({track().note(0, 0, 60, 100, 480).bend(10, 0, 9000).bend(10, 0, 10000)}); }, none,
         {"011 Synchronous PitchBend 1/001:01:010 Chn = 01 PitchBend:Value  1808 "}},
        {"012 a control change before the note on of its tick",
         [] { return songOf({track().control(480, 0, 10, 30).note(480, 0, 60, 100, 480)}); }, none,
         {"012 NoteOn and Control on the Same Tick 1/001:02:000 " + c4 + "0480"}},
        {"012 a control change after the note on of its tick",
         [] { return songOf({track().note(480, 0, 60, 100, 480).control(480, 0, 10, 30)}); }, none,
         {"012 NoteOn and Control on the Same Tick 1/001:02:000 Chn = 01 Ctrl Chg:Data  30 Panpot(10)"}},
        {"013 a bend before the note on of its tick",
         [] { return songOf({track().bend(480, 0, 9000).note(480, 0, 60, 100, 480)}); }, none,
         {"013 NoteOn and PitchBend on the Same Tick 1/001:02:000 " + c4 + "0480"}},
        {"012 and 013 switched off",
         [] { return songOf({track().bend(480, 0, 9000).control(480, 0, 10, 30).note(480, 0, 60, 100, 480)}); },
         [](Options& o) { o.detectNoteOnandOtherEvent = false; }, {}},
        {"014 a note on while volume is 0",
         [] { return songOf({track().control(0, 0, 7, 0).note(480, 0, 60, 100, 480)}); }, none,
         {"014 NoteOn while volume 0 1/001:02:000 " + c4 + "0480"}},
        {"014 switched off", [] { return songOf({track().control(0, 0, 7, 0).note(480, 0, 60, 100, 480)}); },
         [](Options& o) { o.noteonWhileVol0 = false; }, {}},
        {"014 not for a note that swells from silence",
         [] { return songOf({track().control(0, 0, 7, 0).note(480, 0, 60, 100, 480).control(600, 0, 7, 90)}); }, none,
         {}},
        {"014 not for a note whose volume rises on its own tick",
         [] { return songOf({track().control(0, 0, 11, 0).note(480, 0, 60, 100, 480).control(480, 0, 11, 90)}); },
         none, {"012 NoteOn and Control on the Same Tick 1/001:02:000 Chn = 01 Ctrl Chg:Data  90 Expression(11)"}},
        {"014 when the volume rises only where the note ends",
         [] { return songOf({track().control(0, 0, 7, 0).note(480, 0, 60, 100, 480).control(960, 0, 7, 90)}); }, none,
         {"014 NoteOn while volume 0 1/001:02:000 " + c4 + "0480"}},
        {"014 when expression rises while volume stays 0",
         [] {
             return songOf({track().control(0, 0, 7, 0).control(0, 0, 11, 0).note(480, 0, 60, 100, 480)
                                .control(600, 0, 11, 90)});
         },
         none, {"014 NoteOn while volume 0 1/001:02:000 " + c4 + "0480"}},
        {"a swelling note is listed for what it is besides",
         [] {
             return withDurations(songOf({track().note(0, 0, 60, 100, 1).control(100, 0, 11, 0).note(480, 0, 60, 100, 1)
                                              .control(600, 0, 11, 90)}),
                                  {1920, 480});
         },
         none, {"001 Multiple NoteON 1/001:02:000 " + c4 + "0480"}},
        {"a swelling note on the tick of a control change",
         [] {
             return songOf({track().control(0, 0, 11, 0).control(480, 0, 10, 30).note(480, 0, 60, 100, 480)
                                .control(600, 0, 11, 90)});
         },
         none, {"012 NoteOn and Control on the Same Tick 1/001:02:000 " + c4 + "0480"}},
        {"a swelling note with 014 switched off keeps its other finding",
         [] {
             return withDurations(songOf({track().note(0, 0, 60, 100, 1).control(100, 0, 11, 0).note(480, 0, 60, 100, 1)
                                              .control(600, 0, 11, 90)}),
                                  {1920, 480});
         },
         [](Options& o) { o.noteonWhileVol0 = false; }, {"001 Multiple NoteON 1/001:02:000 " + c4 + "0480"}},
        {"a muted note with 014 switched off is not listed for its other finding",
         [] {
             return withDurations(songOf({track().note(0, 0, 60, 100, 1).control(100, 0, 11, 0).note(480, 0, 60, 100, 1)}),
                                  {1920, 480});
         },
         [](Options& o) { o.noteonWhileVol0 = false; }, {}},
        {"015 a pedal value of 100", [] { return songOf({track().control(0, 0, 64, 100)}); }, none,
         {"015 ON/OFF switch should be 0 or 127 1/001:01:000 Chn = 01 Ctrl Chg:Data 100 Sustain(64)"}},
        {"015 switched off", [] { return songOf({track().control(0, 0, 64, 100)}); },
         [](Options& o) { o.invalidOnOff = false; }, {}},
        {"016 silent bends name the earlier one at the later one's place",
         [] { return songOf({track().bend(0, 0, 9000).bend(10, 0, 10000).bend(20, 0, 11000)}); }, none,
         {"016 Non-effective PitchBend 1/001:01:010 Chn = 01 PitchBend:Value   808 ",
          "016 Non-effective PitchBend 1/001:01:020 Chn = 01 PitchBend:Value  1808 "}},
        {"016 switched off", [] { return songOf({track().bend(0, 0, 9000).bend(10, 0, 10000)}); },
         [](Options& o) { o.nonefctPB = false; }, {}},
        {"017 off by default", [] { return songOf({track().note(0, 0, 60, 100, 480).bend(10, 0, 8200)}); }, none, {}},
        {"017 a bend of less than one cent",
         [] { return songOf({track().note(0, 0, 60, 100, 480).bend(10, 0, 8200)}); },
         [](Options& o) { o.ineffectivePitchbend = true; },
         {"017 Ineffective Pitchbend(below 1-cent) 1/001:01:010 Chn = 01 PitchBend:Value     8 "}},
        {"the line names the track of the event",
         [] { return songOf({track().control(0, 0, 7, 90), track().control(10, 0, 7, 90)}); }, none,
         {"005 Same Control Value 2/001:01:010 Chn = 01 Ctrl Chg:Data  90 Main Volume(7)"}},
        {"channels in order, each from every track",
         [] {
             return songOf({track().control(0, 1, 7, 90).control(20, 0, 10, 5),
                            track().control(10, 1, 7, 90).control(30, 0, 10, 5)});
         },
         none,
         {"005 Same Control Value 2/001:01:030 Chn = 01 Ctrl Chg:Data   5 Panpot(10)",
          "005 Same Control Value 2/001:01:010 Chn = 02 Ctrl Chg:Data  90 Main Volume(7)"}},
    };
    for (const CheckCase& c : cases) {
        auto song = c.song();
        Options o;
        c.options(o);
        EXPECT_EQ(linesOf(checkSong(*song, o)), c.lines) << c.name;
    }
}

TEST(DataCheck, FindingsNameSongEventsOnly) {
    // A note of duration 0 (an extra note off), a short note, and two silent bends on channel 2.
    auto song = songOf({track().note(0, 0, 60, 100, 0).note(960, 0, 62, 100, 1).bend(1000, 1, 9000).bend(1010, 1, 9500)});
    CheckReport r = checkSong(*song, Options{});
    ASSERT_EQ(r.size(), 3u);
    for (const Finding& f : r.findings()) {
        ASSERT_NE(f.event.event, nullptr);
        EXPECT_EQ(song->trackOf(f.event.event), song->track(1)) << f.text();
        EXPECT_EQ(song->track(f.event.track)->at(f.event.position), f.event.event) << f.text();
    }
    EXPECT_EQ(r[0].check, 2);
    EXPECT_EQ(r[0].event.event->kind(), kindNote) << "the note whose end it is";
    EXPECT_EQ(static_cast<NoteOnEvent*>(r[0].event.event)->note(), 60);
    EXPECT_EQ(r[1].check, 4);
    EXPECT_EQ(static_cast<NoteOnEvent*>(r[1].event.event)->note(), 62);
    EXPECT_EQ(r[2].check, 16);
    EXPECT_EQ(static_cast<PitchBendEvent*>(r[2].event.event)->rawBend(), 9000) << "the earlier bend";
    EXPECT_EQ(r[2].time, 1010) << "shown at the later bend";
}

TEST(DataCheck, ReadsTheSongAndChangesNothing) {
    auto song = songOf({track().note(0, 0, 60, 100, 0).control(0, 0, 7, 100).control(0, 0, 7, 100),
                        track().note(0, 0, 60, 100, 2).bend(5, 0, 8192)});
    const std::string before = dumpSong(*song);
    const uint32_t serial = nextEventSerial();
    std::vector<int32_t> counts;
    for (const auto& t : song->tracks)
        for (const anyEvent* e : t->events()) counts.push_back(e->refCount);
    {
        CheckReport r = checkSong(*song, allChecks());
        EXPECT_GT(r.size(), 3u);
    }
    EXPECT_EQ(dumpSong(*song), before);
    EXPECT_EQ(nextEventSerial(), serial) << "no event was made";
    std::vector<int32_t> after;
    for (const auto& t : song->tracks)
        for (const anyEvent* e : t->events()) after.push_back(e->refCount);
    EXPECT_EQ(after, counts) << "the report gave its references back";
}

TEST(DataCheck, AReportKeepsItsEventsAliveAfterTheSongDropsThem) {
    auto song = songOf({track().control(0, 0, 7, 100).control(10, 0, 7, 100)});
    CheckReport r = checkSong(*song, Options{});
    ASSERT_EQ(r.size(), 1u);
    anyEvent* e = r[0].event.event;
    song->track(1)->deleteEventAt(r[0].event.position);
    song->track(1)->pack();
    song.reset();
    EXPECT_EQ(e->refCount, 1) << "held by the report alone";
    EXPECT_EQ(r[0].text(), "005 Same Control Value 1/001:01:010 Chn = 01 Ctrl Chg:Data 100 Main Volume(7)");
}

TEST(DataCheck, NoteOffsOfOneTickListTheirTracksInTrackOrder) {
    // Notes of one key in five tracks, all cut by an All Notes Off and all ending at 480: their
    // made note offs tie on time and serial, and must come in track order.
    std::unique_ptr<midiSong> song = songOf({track().note(0, 0, 60, 100, 480).control(100, 0, 123, 0),
                                             track().note(10, 0, 60, 100, 470), track().note(20, 0, 60, 100, 460),
                                             track().note(30, 0, 60, 100, 450), track().note(40, 0, 60, 100, 440)});
    for (int run = 0; run < 3; ++run) {
        Options o;
        o.deleteDuplicatedNote = false;
        CheckReport r = checkSong(*song, o);
        std::vector<int> tracks, checks;
        for (const Finding& f : r.findings()) {
            checks.push_back(f.check);
            tracks.push_back(f.track);
            EXPECT_EQ(f.event.track, f.track) << "each line is tied to the note of its own track";
            EXPECT_EQ(f.time, 480);
        }
        EXPECT_EQ(tracks, (std::vector<int>{1, 2, 3, 4, 5}));
        EXPECT_EQ(checks, (std::vector<int>{2, 2, 2, 2, 2}));
    }
}

TEST(DataCheck, AllNotesOffLeavesLaterBendsAudible) {
    // The All Notes Off silences the sounding note; its own note off then ends nothing. The later
    // note's bends are heard and are no silent bends.
    auto song = songOf({track().note(0, 0, 60, 100, 480).control(240, 0, 123, 0).note(960, 0, 64, 100, 960)
                            .bend(1000, 0, 9000).bend(1100, 0, 10000).bend(1200, 0, 8192)});
    CheckReport r = checkSong(*song, Options{});
    EXPECT_EQ(linesOf(r), (std::vector<std::string>{"002 Extra NoteOFF 1/001:02:000 Chn = 01 Note OFF(Vel = 0):Key 060[ C 4]"}));
}

TEST(DataCheck, ChannelsOutsideTheMaskAreNotChecked) {
    auto song = songOf({track().control(0, 0, 6, 1).control(0, 1, 6, 1).control(0, 2, 6, 1)});
    CheckReport r = checkSong(*song, Options{}, 0b101);
    std::vector<int> channels;
    for (const Finding& f : r.findings()) channels.push_back(f.channel);
    EXPECT_EQ(channels, (std::vector<int>{0, 2}));
    EXPECT_TRUE(checkSong(*song, Options{}, 0).empty());
}

TEST(DataCheck, ATrackOutOfOrderIsMergedInTimeOrderWithoutBeingSorted) {
    auto song = songOf({track().control(0, 0, 7, 90).control(100, 0, 7, 90)});
    midiTrack& t = *song->track(1);
    // Move the first change after the second, as an edit may, without sorting the track.
    anyEvent* first = nullptr;
    for (anyEvent* e : t.events())
        if (e->time == 0 && e->kind() == kindControl) first = e;
    ASSERT_NE(first, nullptr);
    t.beginUndoStep("x");
    t.moveEvent(first, 200);
    ASSERT_FALSE(t.orderKnown());
    ASSERT_FALSE(t.isSorted());
    const std::string before = dumpSong(*song);
    CheckReport r = checkSong(*song, Options{});
    EXPECT_EQ(linesOf(r), (std::vector<std::string>{"005 Same Control Value 1/001:01:200 Chn = 01 Ctrl Chg:Data  90 Main Volume(7)"}));
    EXPECT_EQ(r[0].event.event, first);
    EXPECT_EQ(dumpSong(*song), before) << "the track itself stays as it was";
}

// Time in proportion to the events however they are spread: once, every tick looked at every
// track of its channel, and every change of a crowded tick named all the earlier ones.
TEST(DataCheck, ManyTracksOnAChannelAndManyFindingsOnATickStayLinear) {
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); };

    const int tracks = 20000;
    Bytes manyTracks = header(1, tracks + 1);
    TrackWriter conductor;
    conductor.tempo(0, 500000);
    Bytes chunk = trackChunk(conductor.bytes());
    manyTracks.insert(manyTracks.end(), chunk.begin(), chunk.end());
    for (int i = 0; i < tracks; ++i) {
        chunk = trackChunk(TrackWriter().note(i * 120, 0, 60 + i % 12, 100, 60).bytes());
        manyTracks.insert(manyTracks.end(), chunk.begin(), chunk.end());
    }
    TrackWriter crowded;
    for (int i = 0; i < 8000; ++i) crowded.control(0, 0, 7, 1 + i % 120);
    const Bytes crowdedTick = smf(1, {conductor.bytes(), crowded.bytes()});

    for (const Bytes* bytes : std::vector<const Bytes*>{&manyTracks, &crowdedTick}) {
        midiSong song;
        const auto loadStart = Clock::now();
        load(song, *bytes);
        const double loading = seconds(loadStart);
        const auto checkStart = Clock::now();
        CheckReport r = checkSong(song, Options{});
        const double checking = seconds(checkStart);
        EXPECT_LT(checking, 5 * loading + 0.05) << song.trackCount() << " tracks: load " << loading << " s";
        if (bytes == &manyTracks) {
            EXPECT_TRUE(r.empty());
            continue;
        }
        ASSERT_EQ(r.size(), 7999u);
        for (size_t i = 0; i < r.size(); ++i) {
            ASSERT_EQ(r[i].check, 10);
            EXPECT_EQ(r[i].places, r[0].places) << "the lines of the tick share the list of its changes";
            EXPECT_EQ(r[i].placeCount, i + 1) << "each names the changes before it";
        }
    }
}

TEST(DataCheck, ReportTextAndLineNumbers) {
    auto song = songOf({track().control(0, 0, 6, 1).control(10, 0, 64, 100)});
    CheckReport r = checkSong(*song, Options{});
    EXPECT_EQ(r.text(), "009 Invalid Data Entry 1/001:01:000 Chn = 01 Ctrl Chg:Data   1 Data Entry MSB(6)\r\n"
                        "015 ON/OFF switch should be 0 or 127 1/001:01:010 Chn = 01 Ctrl Chg:Data 100 Sustain(64)\r\n");
    EXPECT_EQ(checkNumberOfLine(r[1].text()), 15);
    EXPECT_EQ(checkNumberOfLine("x01 line"), 0);
    EXPECT_EQ(checkNumberOfLine("01"), 0);
    EXPECT_STREQ(checkExplanation(2), "余分な NoteOff があります(削除します)");
    EXPECT_STREQ(checkExplanation(18), "");
    EXPECT_EQ(checkDoneText(12), "Check Done ( 12 events found )");
}

}  // namespace
}  // namespace tonvela::test
