// Who made which undo step: the bookkeeping behind each tool window's own Undo, over a bare song.

#include <gtest/gtest.h>

#include "host/edit_owners.h"
#include "smf_builder.h"
#include "song/song.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

class EditOwnersTest : public ::testing::Test {
protected:
    void SetUp() override {
        load(song, smf(1, {at(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), note(0, 0, 60, 480), note(0, 1, 48, 480)}));
        ASSERT_EQ(song.trackCount(), 3);
    }
    // One journaled step in a track, reported as the owner's edit when there is an owner.
    void step(int track, const std::string& label) {
        midiTrack& t = *song.track(track);
        t.beginUndoStep(label);
        t.moveEvent(t.at(0), 10);
    }
    void edit(std::initializer_list<int> tracks, EditOwners::Owner owner, const std::string& label) {
        for (int t : tracks) step(t, label);
        owners.edited(song, owner);
    }
    void undo(int track) {
        song.undoTrack(track);
        owners.replayed(song);
    }
    void redo(int track) {
        song.redoTrack(track);
        owners.replayed(song);
    }
    std::vector<int> undoOf(EditOwners::Owner o) const { return owners.undoTracks(song, o); }
    std::vector<int> redoOf(EditOwners::Owner o) const { return owners.redoTracks(song, o); }

    midiSong song;
    EditOwners owners;
    const int listToken = 0, rollToken = 0;
    const void* list = &listToken;
    const void* roll = &rollToken;
};

using Tracks = std::vector<int>;

}  // namespace

TEST_F(EditOwnersTest, UndoFindsTheWindowsNewestEditWhicheverTracksItWentTo) {
    edit({1, 2}, roll, "Piano Roll <Move>");
    edit({0}, list, "Add metaEvent");  // the conductor track: never a grid row
    edit({1}, list, "Add Note");
    EXPECT_EQ(undoOf(list), Tracks{1});
    EXPECT_EQ(undoOf(roll), Tracks{2}) << "its step in track 1 is under the list's";
    undo(1);
    EXPECT_EQ(undoOf(list), Tracks{0});
    EXPECT_EQ(undoOf(roll), (Tracks{1, 2})) << "on top of both tracks again";
    undo(0);
    EXPECT_EQ(undoOf(list), Tracks{});
    undo(1);
    undo(2);
    EXPECT_EQ(undoOf(roll), Tracks{});
}

TEST_F(EditOwnersTest, TheEditorsOwnEditsAndEmptyStepsBelongToNoWindow) {
    edit({1}, list, "Add Note");
    edit({1}, nullptr, "Paste");
    EXPECT_EQ(undoOf(list), Tracks{});
    EXPECT_EQ(undoOf(nullptr), Tracks{1});
    // A step that recorded nothing is no edit: the list's step under the paste stays buried, and
    // an empty step of the list on track 2 is not its edit.
    song.track(2)->beginUndoStep("Add Note");
    owners.edited(song, list);
    EXPECT_EQ(undoOf(list), Tracks{});
    undo(1);
    EXPECT_EQ(undoOf(list), Tracks{1});
}

// A command may leave an empty step in every track on purpose: asking who made what keeps it
// (its label stays), undo passes over it, and a window's step made after it is found, undone and
// redone.
TEST_F(EditOwnersTest, EmptyStepsStayAndUndoPassesOverThem) {
    edit({1}, list, "Add Note");
    for (int t = 0; t < 3; ++t) song.track(t)->beginUndoStep("Change Drum/Note");
    owners.edited(song, roll);
    for (int t = 0; t < 3; ++t) EXPECT_EQ(song.track(t)->undoLabel(), "Change Drum/Note") << t;
    EXPECT_EQ(undoOf(list), Tracks{1}) << "under an empty step only";
    EXPECT_EQ(undoOf(roll), Tracks{});
    edit({1}, roll, "Piano Roll <Move>");
    EXPECT_EQ(undoOf(roll), Tracks{1});
    undo(1);
    EXPECT_EQ(song.track(1)->undoLabel(), "Change Drum/Note");
    EXPECT_EQ(redoOf(roll), Tracks{1});
    EXPECT_EQ(undoOf(list), Tracks{1});
    redo(1);
    EXPECT_EQ(undoOf(roll), Tracks{1});
    EXPECT_EQ(song.track(1)->undoLabel(), "Piano Roll <Move>");
}

// Two windows each echo into a track of their own; undoing the first takes its track out of the
// song, and the second window's track, now one place up, is still found as its edit.
TEST_F(EditOwnersTest, ATrackUndoTakesAwayMovesNoOtherWindowsEdit) {
    auto created = [&](const std::string& name, EditOwners::Owner owner) {
        const int index = song.trackCount();
        song.tracks.push_back(std::make_unique<midiTrack>(&song, index, name));
        midiTrack& t = *song.tracks.back();
        t.createdByEdit = true;
        t.beginUndoStep("Add events<Echo>");
        t.addEvent(new metaEvent(0, 0x01), true, true);
        owners.edited(song, owner);
    };
    created("Echo A", list);
    created("Echo B", roll);
    ASSERT_EQ(song.trackCount(), 5);
    EXPECT_EQ(undoOf(list), Tracks{3});
    undo(3);
    ASSERT_EQ(song.trackCount(), 4) << "the track the undone step created is gone";
    EXPECT_EQ(undoOf(roll), Tracks{3});
    EXPECT_EQ(undoOf(list), Tracks{});
    undo(3);
    EXPECT_EQ(song.trackCount(), 3);
}

TEST_F(EditOwnersTest, RedoBringsBackTheEditUndoneLastUntilANewStepEndsIt) {
    edit({1}, list, "Add Note");
    edit({2}, list, "Add Control");
    undo(2);
    undo(1);
    EXPECT_EQ(redoOf(list), Tracks{1}) << "undone last, redone first";
    EXPECT_EQ(redoOf(roll), Tracks{});
    redo(1);
    EXPECT_EQ(redoOf(list), Tracks{2});
    EXPECT_EQ(undoOf(list), Tracks{1});
    // A new step on track 2 ends what could be redone there.
    edit({2}, roll, "Piano Roll <Move>");
    EXPECT_EQ(redoOf(list), Tracks{});
    EXPECT_EQ(undoOf(roll), Tracks{2});
}

TEST_F(EditOwnersTest, SavedJournalsForgetTheirStepsAndLaterEditsAreFoundAgain) {
    edit({1}, list, "Add Note");
    edit({2}, roll, "Piano Roll <Move>");
    for (int i = 0; i < song.trackCount(); ++i) song.track(i)->journal.clear();  // as writing the file does
    EXPECT_EQ(undoOf(list), Tracks{});
    EXPECT_EQ(undoOf(roll), Tracks{});
    // Reported as the list's edit right after the unreported save: it began at the journal's start.
    edit({2}, list, "Add Control");
    EXPECT_EQ(undoOf(list), Tracks{2});
    EXPECT_EQ(undoOf(roll), Tracks{});
    // An undo nobody reported is seen all the same.
    song.track(2)->undo();
    EXPECT_EQ(undoOf(list), Tracks{});
    owners.clear();
    edit({1}, roll, "Piano Roll <Move>");
    EXPECT_EQ(undoOf(roll), Tracks{1});
}
