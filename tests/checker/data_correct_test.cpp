// The corrections: for a small song with one kind of finding, what the song holds after Correct,
// which lines were corrected, and that undoing the step gives back the song as it was.

#include <chrono>
#include <functional>

#include "check_fixture.h"
#include "song/events.h"

namespace tonvela::test {
namespace {

TrackWriter track() { return TrackWriter(); }

struct CorrectCase {
    const char* name;
    std::function<std::unique_ptr<midiSong>()> song;
    std::vector<int> ticked;              // indexes of the ticked lines; empty: every line
    std::vector<std::string> checks;       // the check numbers of the lines, as listed
    std::vector<bool> corrected;           // per line
    std::vector<std::string> trackAfter;   // channel events of track 1 after Correct
};

std::vector<std::string> checkNumbers(const CheckReport& r) {
    std::vector<std::string> out;
    for (const Finding& f : r.findings()) out.push_back(f.text().substr(0, 3));
    return out;
}

TEST(DataCorrect, EachCorrectionAndItsUndo) {
    const CorrectCase cases[] = {
        {"001 the sounding note ends a tick before the next",
         [] { return songOf({track().note(0, 0, 60, 100, 480).note(240, 0, 60, 100, 480)}); }, {}, {"001"}, {true},
         {"0 n60/239", "240 n60/480"}},
        {"001 a note on one tick after the sounding one goes",
         [] { return songOf({track().note(0, 0, 60, 100, 480).note(1, 0, 60, 100, 480)}); }, {}, {"001"}, {true},
         {"0 n60/480"}},
        {"001 shortens the note that sounds, never lengthens one that ended",
         [] { return withDurations(songOf({track().note(0, 0, 60, 100, 1).note(100, 0, 60, 100, 1).note(300, 0, 60, 100, 1)}), {1000, 50, 100}); },
         {}, {"001", "001"}, {true, true}, {"0 n60/99", "100 n60/50", "300 n60/100"}},
        {"001 alone: the latest note still sounding is shortened",
         [] { return withDurations(songOf({track().note(0, 0, 60, 100, 1).note(100, 0, 60, 100, 1).note(300, 0, 60, 100, 1)}), {1000, 50, 100}); },
         {1}, {"001", "001"}, {false, true}, {"0 n60/299", "100 n60/50", "300 n60/100"}},
        {"003 the note ending on the tick ends a tick earlier",
         [] { return songOf({track().note(0, 0, 60, 100, 240).note(240, 0, 60, 100, 240)}); }, {}, {"003"}, {true},
         {"0 n60/239", "240 n60/240"}},
        {"a note of duration 0 inside another of its key goes",
         [] { return withDurations(songOf({track().note(0, 0, 60, 100, 1).note(50, 0, 60, 100, 1)}), {100, 0}); }, {},
         {"002", "001"}, {true, false}, {"0 n60/100"}},
        {"001 on a note of duration 0: the note goes",
         [] { return withDurations(songOf({track().note(0, 0, 60, 100, 1).note(50, 0, 60, 100, 1)}), {100, 0}); }, {1},
         {"002", "001"}, {false, true}, {"0 n60/100"}},
        {"012 All Sound Off on a note's tick stays where it cuts",
         [] { return songOf({track().control(480, 0, 120, 0).note(480, 0, 60, 100, 480)}); }, {}, {"012"}, {false},
         {"480 c120=0", "480 n60/480"}},
        {"012 a second change of the controller on the tick waits for 010",
         [] { return songOf({track().control(480, 0, 10, 30).control(480, 0, 10, 40).note(480, 0, 60, 100, 480)}); },
         {}, {"010", "012"}, {true, false}, {"480 c10=40", "480 n60/480"}},
        {"002 a note of duration 0 goes",
         [] { return songOf({track().note(0, 0, 60, 100, 0).note(480, 0, 62, 100, 480)}); }, {}, {"002"}, {true},
         {"480 n62/480"}},
        {"002 a note of duration 0 and a note of its key on one tick: only the empty one goes",
         [] { return songOf({track().note(0, 0, 60, 100, 0).note(0, 0, 60, 100, 480)}); }, {}, {"002"}, {true},
         {"0 n60/480"}},
        {"drum hits of duration 0 stay",
         [] {
             return songOf({track().control(0, 8, 0, 127).program(0, 8, 0).note(0, 8, 36, 100, 0)
                                .note(240, 9, 38, 100, 0)});
         },
         {}, {"012"}, {false}, {"0 c0=127", "0 other", "0 n36/0", "240 n38/0"}},
        {"002 a note cut by All Notes Off ends there",
         [] { return songOf({track().note(0, 0, 60, 100, 480).control(240, 0, 123, 0)}); }, {}, {"002"}, {true},
         {"0 n60/240", "240 c123=0"}},
        {"002 a note cut by All Sound Off right after it starts goes",
         [] { return songOf({track().note(0, 0, 60, 100, 480).control(1, 0, 120, 0)}); }, {}, {"002"}, {true},
         {"1 c120=0"}},
        {"004 the short note goes", [] { return songOf({track().note(960, 0, 60, 100, 2).note(1200, 0, 62, 100, 100)}); },
         {}, {"004"}, {true}, {"1200 n62/100"}},
        {"004 drum hits on an XG drum kit stay",
         [] {
             return songOf({track().control(0, 8, 0, 127).program(0, 8, 0).note(960, 8, 42, 100, 1)
                                .note(1200, 8, 42, 100, 2)});
         },
         {}, {}, {}, {"0 c0=127", "0 other", "960 n42/1", "1200 n42/2"}},
        {"005 the repeated value goes",
         [] { return songOf({track().control(0, 0, 7, 90).control(10, 0, 7, 90).control(20, 0, 7, 80)}); }, {},
         {"005"}, {true}, {"0 c7=90", "20 c7=80"}},
        {"006 the note of an illegal velocity goes",
         [] { return songOf({track().note(0, 0, 60, 20, 480).note(0, 0, 62, 100, 480)}); }, {}, {"006"}, {true},
         {"0 n62/480"}},
        {"007 the second note of the tick goes",
         [] { return songOf({track().note(0, 0, 60, 100, 240).note(0, 0, 60, 100, 480)}); }, {}, {"007"}, {true},
         {"0 n60/240"}},
        {"008 the repeated bend goes",
         [] { return songOf({track().note(0, 0, 60, 100, 480).bend(10, 0, 9000).bend(20, 0, 9000)}); }, {}, {"008"},
         {true}, {"0 n60/480", "10 b9000"}},
        {"009 nothing changes, the line goes", [] { return songOf({track().control(0, 0, 6, 12)}); }, {}, {"009"},
         {true}, {"0 c6=12"}},
        {"010 the earlier change of the tick goes, the one in effect stays",
         [] { return songOf({track().control(0, 0, 7, 90).control(0, 0, 7, 80)}); }, {}, {"010"}, {true}, {"0 c7=80"}},
        {"010 three on a tick: every earlier one goes",
         [] { return songOf({track().control(0, 0, 7, 90).control(0, 0, 7, 80).control(0, 0, 7, 70)}); }, {},
         {"010", "010"}, {true, true}, {"0 c7=70"}},
        {"010 the last line alone removes both earlier ones",
         [] { return songOf({track().control(0, 0, 7, 90).control(0, 0, 7, 80).control(0, 0, 7, 70)}); }, {1},
         {"010", "010"}, {false, true}, {"0 c7=70"}},
        {"010 a re-pedal keeps its release a tick earlier",
         [] {
             return songOf({track().control(0, 0, 64, 127).note(100, 0, 60, 100, 300).control(480, 0, 64, 0)
                                .control(480, 0, 64, 127)});
         },
         {}, {"010"}, {true}, {"0 c64=127", "100 n60/300", "479 c64=0", "480 c64=127"}},
        {"010 changes on a tick that give back the value in force all go",
         [] {
             return songOf({track().control(0, 0, 7, 90).control(480, 0, 7, 90).control(480, 0, 7, 80)
                                .control(480, 0, 7, 90)});
         },
         {}, {"005", "010", "010"}, {true, true, true}, {"0 c7=90"}},
        {"010 a change straight back to the value in force takes the tick's change with it",
         [] { return songOf({track().control(0, 0, 7, 90).control(480, 0, 7, 70).control(480, 0, 7, 90)}); }, {},
         {"010"}, {true}, {"0 c7=90"}},
        {"010 a pedal that stays pressed through a tick of changes",
         [] { return songOf({track().control(0, 0, 64, 127).control(480, 0, 64, 127).control(480, 0, 64, 127)}); }, {},
         {"005", "010"}, {true, true}, {"0 c64=127"}},
        {"011 bends on a tick that give back the bend in force all go",
         [] {
             return songOf({track().note(0, 0, 60, 100, 960).bend(10, 0, 9000).bend(480, 0, 9000).bend(480, 0, 9500)
                                .bend(480, 0, 9000)});
         },
         {}, {"008", "011", "011"}, {true, true, true}, {"0 n60/960", "10 b9000"}},
        {"011 the last bend of a tick within a cent of the bend in force goes with the tick",
         [] { return songOf({track().note(0, 0, 60, 100, 960).bend(480, 0, 9000).bend(480, 0, 8230)}); }, {},
         {"011"}, {true}, {"0 n60/960"}},
        {"010 a note on hears the earlier change: a later one that repeats it goes alone",
         [] {
             return songOf({track().control(0, 0, 7, 90).control(480, 0, 7, 80).note(480, 0, 60, 100, 480)
                                .control(480, 0, 7, 80)});
         },
         {}, {"012", "010"}, {false, true}, {"0 c7=90", "480 c7=80", "480 n60/480"}},
        {"011 the same for a bend that repeats the one a note on hears",
         [] {
             return songOf({track().note(0, 0, 62, 100, 960).bend(480, 0, 9000).note(480, 0, 60, 100, 480)
                                .bend(480, 0, 9000)});
         },
         {}, {"013", "011"}, {false, true}, {"0 n62/960", "480 b9000", "480 n60/480"}},
        {"011 the bend of a tick that a silent bend leads keeps the bend it gives back",
         [] { return songOf({track().bend(0, 0, 9000).bend(480, 0, 10000).bend(480, 0, 9000)}); }, {},
         {"016", "011"}, {true, true}, {"480 b9000"}},
        {"010 a re-pedal at tick 0 stays",
         [] { return songOf({track().control(0, 0, 64, 0).control(0, 0, 64, 127)}); }, {1}, {"005", "010"},
         {false, false}, {"0 c64=0", "0 c64=127"}},
        {"010 a note on between the changes hears the earlier one: the line stays",
         [] { return songOf({track().control(480, 0, 7, 90).note(480, 0, 60, 100, 480).control(480, 0, 7, 80)}); }, {},
         {"012", "010"}, {false, false}, {"480 c7=90", "480 n60/480", "480 c7=80"}},
        {"010 a pedal change before an All Notes Off of the tick decides it: the line stays",
         [] { return songOf({track().control(480, 0, 64, 127).control(480, 0, 123, 0).control(480, 0, 64, 0)}); }, {},
         {"010"}, {false}, {"480 c64=127", "480 c123=0", "480 c64=0"}},
        {"011 the earlier bend of the tick goes",
         [] { return songOf({track().note(0, 0, 60, 100, 480).bend(10, 0, 9000).bend(10, 0, 10000)}); }, {}, {"011"},
         {true}, {"0 n60/480", "10 b10000"}},
        {"012 on the note: its tick's control change moves a tick earlier",
         [] { return songOf({track().control(480, 0, 10, 30).note(480, 0, 60, 100, 480)}); }, {}, {"012"}, {true},
         {"479 c10=30", "480 n60/480"}},
        {"012 the sustain pedal moves five ticks",
         [] { return songOf({track().control(480, 0, 64, 127).note(480, 0, 60, 100, 480)}); }, {}, {"012"}, {true},
         {"475 c64=127", "480 n60/480"}},
        {"012 on the control change after the note",
         [] { return songOf({track().note(480, 0, 60, 100, 480).control(480, 0, 10, 30)}); }, {}, {"012"}, {true},
         {"479 c10=30", "480 n60/480"}},
        {"012 on a note also moves the bends of its tick",
         [] {
             return songOf({track().control(480, 0, 10, 30).bend(480, 0, 9000).note(480, 0, 60, 100, 480)});
         },
         {}, {"012"}, {true}, {"479 c10=30", "479 b9000", "480 n60/480"}},
        {"012 at tick 0 nothing can move: the line stays",
         [] { return songOf({track().control(0, 0, 10, 30).note(0, 0, 60, 100, 480)}); }, {}, {"012"}, {false},
         {"0 c10=30", "0 n60/480"}},
        {"012 a pedal press never moves before the end of the chord it would hold",
         [] {
             return songOf({track().note(0, 0, 60, 100, 480).note(0, 0, 64, 100, 480).control(480, 0, 64, 127)
                                .note(480, 0, 62, 100, 480)});
         },
         {}, {"012"}, {false}, {"0 n60/480", "0 n64/480", "480 c64=127", "480 n62/480"}},
        {"012 a pedal press after the note on stays too",
         [] { return songOf({track().note(0, 0, 60, 100, 480).note(480, 0, 62, 100, 480).control(480, 0, 64, 127)}); },
         {}, {"012"}, {false}, {"0 n60/480", "480 n62/480", "480 c64=127"}},
        {"012 a pedal press moves up to the end of the last note",
         [] { return songOf({track().note(0, 0, 60, 100, 475).control(480, 0, 64, 127).note(480, 0, 62, 100, 480)}); },
         {}, {"012"}, {true}, {"0 n60/475", "475 c64=127", "480 n62/480"}},
        {"012 a pedal release never moves before a note that ends under the pedal",
         [] {
             return songOf({track().control(0, 0, 64, 127).note(10, 0, 60, 100, 468).control(480, 0, 64, 0)
                                .note(480, 0, 62, 100, 480)});
         },
         {}, {"012"}, {false}, {"0 c64=127", "10 n60/468", "480 c64=0", "480 n62/480"}},
        {"012 a pedal release moves past notes that end on its own tick",
         [] {
             return songOf({track().control(0, 0, 64, 127).note(10, 0, 60, 100, 470).control(480, 0, 64, 0)
                                .note(480, 0, 62, 100, 480)});
         },
         {}, {"012"}, {true}, {"0 c64=127", "10 n60/470", "475 c64=0", "480 n62/480"}},
        {"012 other pedals never pass a note end either",
         [] { return songOf({track().note(0, 0, 60, 100, 480).control(480, 0, 66, 127).note(480, 0, 62, 100, 480)}); },
         {}, {"012"}, {false}, {"0 n60/480", "480 c66=127", "480 n62/480"}},
        {"012 a note on a tick earlier blocks the move",
         [] {
             return songOf({track().note(479, 0, 62, 100, 100).control(480, 0, 10, 30).note(480, 0, 60, 100, 480)});
         },
         {}, {"012"}, {false}, {"479 n62/100", "480 c10=30", "480 n60/480"}},
        {"012 data entry moves with its parameter number",
         [] {
             return songOf({track().note(480, 0, 60, 100, 480).control(480, 0, 101, 0).control(480, 0, 100, 0)
                                .control(480, 0, 6, 12)});
         },
         {2}, {"012", "012", "012"}, {false, false, true},
         {"479 c101=0", "479 c100=0", "479 c6=12", "480 n60/480"}},
        {"012 nothing moves past a Reset All Controllers",
         [] { return songOf({track().control(480, 0, 121, 0).note(480, 0, 60, 100, 480).control(480, 0, 10, 30)}); },
         {}, {"012", "012"}, {false, false}, {"480 c121=0", "480 n60/480", "480 c10=30"}},
        {"013 on the note: its tick's bend moves a tick earlier",
         [] { return songOf({track().bend(480, 0, 9000).note(480, 0, 60, 100, 480)}); }, {}, {"013"}, {true},
         {"479 b9000", "480 n60/480"}},
        {"014 the muted note goes",
         [] { return songOf({track().control(0, 0, 11, 0).note(480, 0, 60, 100, 480)}); }, {}, {"014"}, {true},
         {"0 c11=0"}},
        {"014 a note that swells from silence stays",
         [] {
             return songOf({track().control(0, 0, 11, 0).note(480, 0, 60, 100, 480).control(600, 0, 11, 60)
                                .control(700, 0, 11, 120)});
         },
         {}, {}, {}, {"0 c11=0", "480 n60/480", "600 c11=60", "700 c11=120"}},
        {"015 a pressed switch becomes 127",
         [] { return songOf({track().control(0, 0, 64, 0).control(10, 0, 64, 100)}); }, {1}, {"005", "015"},
         {false, true}, {"0 c64=0", "10 c64=127"}},
        {"015 a released switch becomes 0",
         [] { return songOf({track().control(0, 0, 64, 127).control(10, 0, 64, 30)}); }, {}, {"015"}, {true},
         {"0 c64=127", "10 c64=0"}},
        {"015 a switch already on that side goes",
         [] { return songOf({track().control(0, 0, 64, 127).control(10, 0, 64, 100)}); }, {}, {"015"}, {true},
         {"0 c64=127"}},
        {"016 the silent bends that another overrides go",
         [] { return songOf({track().bend(0, 0, 9000).bend(10, 0, 10000).bend(20, 0, 11000)}); }, {}, {"016", "016"},
         {true, true}, {"20 b11000"}},
        {"017 the bend of less than a cent goes",
         [] { return songOf({track().note(0, 0, 60, 100, 480).bend(10, 0, 8200)}); }, {}, {"017"}, {true},
         {"0 n60/480"}},
        {"unticked lines are not touched",
         [] { return songOf({track().control(0, 0, 7, 90).control(10, 0, 7, 90).control(20, 0, 10, 5).control(30, 0, 10, 5)}); },
         {-1}, {"005", "005"}, {false, false}, {"0 c7=90", "10 c7=90", "20 c10=5", "30 c10=5"}},
    };
    for (const CorrectCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto song = c.song();
        const std::string before = dumpSong(*song);
        CheckReport report = checkSong(*song, allChecks());
        ASSERT_EQ(checkNumbers(report), c.checks);
        std::vector<bool> ticked(report.size(), c.ticked.empty());
        for (int i : c.ticked)
            if (i >= 0) ticked[static_cast<size_t>(i)] = true;
        EXPECT_EQ(correctFindings(*song, report, ticked), c.corrected);
        EXPECT_EQ(channelEvents(*song, 1), c.trackAfter);
        for (int t = 0; t < song->trackCount(); ++t) {
            EXPECT_TRUE(song->track(t)->isSorted()) << "track " << t;
            EXPECT_TRUE(song->track(t)->orderKnown()) << "track " << t;
        }
        const bool changed = dumpSong(*song) != before;
        EXPECT_EQ(undoCorrection(*song), changed ? 1 : 0) << "one step in the changed track, none elsewhere";
        EXPECT_EQ(orderedDump(*song), before);
    }
}

TEST(DataCorrect, ChangesAreJournalledInTheTrackOfTheChangedEvent) {
    // The sounding note is in track 2, the listed note on in track 1.
    auto song = songOf({track().note(240, 0, 60, 100, 480), track().note(0, 0, 60, 100, 480)});
    const std::string before = dumpSong(*song);
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(linesOf(report), (std::vector<std::string>{
                                   "001 Multiple NoteON 1/001:01:240 Chn = 01 Note ON:Key 060[ C 4] Vel = 100 Dur = 0480"}));
    EXPECT_EQ(correctAll(*song, report), std::vector<bool>{true});
    EXPECT_EQ(channelEvents(*song, 2), std::vector<std::string>{"0 n60/239"});
    EXPECT_EQ(song->track(1)->undoCount(), 0) << "nothing changed in the listed note's track";
    ASSERT_GT(song->track(2)->undoCount(), 0);
    EXPECT_EQ(song->track(2)->undoLabel(), kDataCorrectUndoLabel);
    song->track(2)->undo();
    EXPECT_EQ(orderedDump(*song), before);
}

TEST(DataCorrect, ALineWhoseEventLeftTheSongStays) {
    auto song = songOf({track().control(0, 0, 7, 90).control(10, 0, 7, 90).control(20, 0, 7, 90)});
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(report.size(), 2u);
    // An edit after the check removes the second line's event.
    midiTrack& t = *song->track(1);
    t.beginUndoStep("Delete Event");
    t.removeEvent(report[1].event.event);
    t.pack();
    EXPECT_EQ(correctAll(*song, report), (std::vector<bool>{true, false}));
    EXPECT_EQ(channelEvents(*song, 1), (std::vector<std::string>{"0 c7=90"}));
}

TEST(DataCorrect, EventsMovedByAnEditAreStillFound) {
    auto song = songOf({track().control(0, 0, 7, 90).note(5, 0, 62, 100, 10).control(10, 0, 7, 90)});
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(report.size(), 1u);
    // An edit puts another event ahead, so every position after it shifts.
    auto* added = new ControlChangeEvent(0, 0xB1);
    song->track(1)->addEvent(added, true, true);
    ASSERT_NE(song->track(1)->at(report[0].event.position), report[0].event.event);
    EXPECT_EQ(correctAll(*song, report), std::vector<bool>{true});
    EXPECT_EQ(channelEvents(*song, 1), (std::vector<std::string>{"0 c7=90", "0 c0=0", "5 n62/10"}));
}

TEST(DataCorrect, A002LineWhoseNoteNoLongerOutlastsTheCutStays) {
    auto song = songOf({track().note(0, 0, 60, 100, 480).control(240, 0, 123, 0)});
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(report.size(), 1u);
    auto* note = static_cast<NoteOnEvent*>(report[0].event.event);
    song->track(1)->setDuration(note, 100);  // shortened by hand since the check
    EXPECT_EQ(correctAll(*song, report), std::vector<bool>{false});
    EXPECT_EQ(note->duration(), 100);
}

TEST(DataCorrect, NothingToCorrectOpensNoUndoStep) {
    auto song = songOf({track().control(0, 0, 6, 1)});
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(correctAll(*song, report), std::vector<bool>{true});
    for (const auto& t : song->tracks) EXPECT_TRUE(t->journal.empty()) << "the song does not count as changed";
}

TEST(DataCorrect, ALineThatStaysIsRetriedByTheNextCorrect) {
    auto song = songOf({track().note(0, 0, 60, 100, 480).note(240, 0, 60, 100, 480)});
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(correctFindings(*song, report, {false}), std::vector<bool>{false});
    EXPECT_EQ(correctFindings(*song, report, {true}), std::vector<bool>{true});
    EXPECT_EQ(channelEvents(*song, 1), (std::vector<std::string>{"0 n60/239", "240 n60/480"}));
}

TEST(DataCorrect, ReportEraseDropsTheCorrectedLines) {
    auto song = songOf({track().control(0, 0, 7, 90).control(10, 0, 7, 90).control(20, 0, 6, 1).control(30, 0, 7, 90)});
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(report.size(), 3u);
    std::vector<bool> done = correctFindings(*song, report, {true, false, true});
    report.erase(done);
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0].text().substr(0, 3), "009");
}

// Every line of a long track corrected in one run: each line finds its event where the check
// met it, and the track is packed once, so this stays linear.
TEST(DataCorrect, TensOfThousandsOfLinesInOneTrack) {
    TrackWriter w;
    for (int i = 0; i < 60000; ++i) w.control(i * 4, 0, 7, 90);
    auto song = songOf({w});
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(report.size(), 59999u);
    const auto start = std::chrono::steady_clock::now();
    std::vector<bool> done = correctAll(*song, report);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(std::count(done.begin(), done.end(), true), 59999);
    EXPECT_EQ(channelEvents(*song, 1), std::vector<std::string>{"0 c7=90"});
    EXPECT_LT(seconds, 20.0) << "a search or a pack per line would take minutes";
    EXPECT_EQ(undoCorrection(*song), 1);
    EXPECT_EQ(channelEvents(*song, 1).size(), 60000u);
}

}  // namespace
}  // namespace tonvela::test
