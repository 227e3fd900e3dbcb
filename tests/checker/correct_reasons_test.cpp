// A line that Correct leaves in the list says why it stays.

#include <functional>

#include "check_fixture.h"
#include "song/events.h"

namespace tonvela::test {
namespace {

TrackWriter track() { return TrackWriter(); }

TEST(CorrectReasons, EachLineThatStaysSaysWhy) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<midiSong>()> song;
        std::vector<bool> ticked;           // empty: every line
        std::vector<std::string> reasons;   // per line, "" for a corrected or unticked line
    };
    const std::vector<Case> cases = {
        {"012 at tick 0", [] { return songOf({track().control(0, 0, 10, 30).note(0, 0, 60, 100, 480)}); }, {},
         {"no earlier tick (tick 0)"}},
        {"012 with a note on a tick earlier",
         [] { return songOf({track().note(479, 0, 62, 100, 100).control(480, 0, 10, 30).note(480, 0, 60, 100, 480)}); },
         {}, {"no earlier free tick"}},
        {"012 of All Sound Off, the 002 of the note it cuts unticked",
         [] { return songOf({track().note(480, 0, 60, 100, 480).control(480, 0, 120, 0)}); }, {true, false},
         {"a channel mode message stays where it is", ""}},
        {"010 with a note on between the changes",
         [] { return songOf({track().control(480, 0, 7, 90).note(480, 0, 60, 100, 480).control(480, 0, 7, 80)}); }, {},
         {"no earlier free tick", "an event between the changes uses the earlier value"}},
        {"010 a re-pedal at tick 0, the 005 line unticked",
         [] { return songOf({track().control(0, 0, 64, 0).control(0, 0, 64, 127)}); }, {false, true},
         {"", "no earlier free tick for the release"}},
        {"corrected lines say nothing",
         [] { return songOf({track().control(0, 0, 7, 90).control(10, 0, 7, 90).control(20, 0, 6, 1)}); }, {},
         {"", ""}},
    };
    for (const Case& c : cases) {
        auto song = c.song();
        CheckReport report = checkSong(*song, Options{});
        ASSERT_EQ(report.size(), c.reasons.size()) << c.name << ": " << ::testing::PrintToString(linesOf(report));
        const std::vector<bool> ticked = c.ticked.empty() ? std::vector<bool>(report.size(), true) : c.ticked;
        std::vector<std::string> reasons;
        const std::vector<bool> done = correctFindings(*song, report, ticked, &reasons);
        EXPECT_EQ(reasons, c.reasons) << c.name;
        for (size_t i = 0; i < done.size(); ++i) EXPECT_EQ(done[i], ticked[i] && reasons[i].empty()) << c.name << " line " << i;
    }
}

TEST(CorrectReasons, ALineWhoseEventChangedSinceTheCheckAsksForANewCheck) {
    auto song = songOf({track().control(0, 0, 7, 90).control(10, 0, 7, 90).note(100, 0, 60, 100, 480).control(340, 0, 123, 0)});
    CheckReport report = checkSong(*song, Options{});
    ASSERT_EQ(report.size(), 2u);  // 005 of the repeated volume, 002 of the note cut by All Notes Off
    midiTrack& t = *song->track(1);
    t.beginUndoStep("Edit");
    t.removeEvent(report[0].event.event);
    t.setDuration(static_cast<NoteOnEvent*>(report[1].event.event), 100);  // shorter than the cut now
    t.pack();
    std::vector<std::string> reasons;
    EXPECT_EQ(correctFindings(*song, report, {true, true}, &reasons), (std::vector<bool>{false, false}));
    EXPECT_EQ(reasons, (std::vector<std::string>{"the event is no longer in the song (check again)",
                                                 "the note ends there already (check again)"}));
}

}  // namespace
}  // namespace tonvela::test
