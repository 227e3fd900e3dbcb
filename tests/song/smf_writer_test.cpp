#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>

#include <sys/stat.h>

#include "smf_builder.h"
#include "song/song.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

Bytes chunkBody(const Bytes& file, int index) {
    size_t pos = 14;
    for (int i = 0;; ++i) {
        uint32_t len = (file[pos + 4] << 24) | (file[pos + 5] << 16) | (file[pos + 6] << 8) | file[pos + 7];
        if (i == index) return Bytes(file.begin() + static_cast<long>(pos) + 8, file.begin() + static_cast<long>(pos + 8 + len));
        pos += 8 + len;
    }
}

std::string tempDir() {
    auto dir = std::filesystem::temp_directory_path() /
               ("tonvela-writer-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

}  // namespace

TEST(SmfWriter, NotesUseRunningStatusAndNoteOffsComeFirst) {
    midiSong song;
    load(song, smf(1, {{0x00, 0x90, 0x3C, 0x50, 0x83, 0x60, 0x3C, 0x00, 0x00, 0x3C, 0x50, 0x83, 0x60, 0x80, 0x3C, 0x40}}));
    Bytes out = save(song);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 14), header(1, 1));
    EXPECT_EQ(chunkBody(out, 0), (Bytes{0x00, 0x90, 0x3C, 0x50, 0x83, 0x60, 0x3C, 0x00, 0x00, 0x3C, 0x50, 0x83, 0x60,
                                       0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(SmfWriter, MetaEventBreaksRunningStatus) {
    midiSong song;
    load(song, smf(1, {{0x00, 0x90, 0x3C, 0x50, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x90, 0x3E, 0x50, 0x10, 0x3C, 0x00,
                        0x00, 0x3E, 0x00}}));
    EXPECT_EQ(chunkBody(save(song), 0), (Bytes{0x00, 0x90, 0x3C, 0x50, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x90, 0x3E, 0x50,
                                               0x10, 0x3C, 0x00, 0x00, 0x3E, 0x00, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(SmfWriter, ResetMessagesGoFirstAndGsWinsOverXg) {
    struct Case {
        uint8_t flags;
        Bytes start;
    } cases[] = {
        {1 | 4, {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}},
        {1 | 2 | 4, {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}},
    };
    for (const auto& c : cases) {
        midiSong song;
        load(song, smf(1, {{0x00, 0xFF, 0x03, 0x01, 'T'}}));
        song.systemFlags = c.flags;
        Bytes body = chunkBody(save(song), 0);
        ASSERT_GE(body.size(), c.start.size());
        EXPECT_EQ(Bytes(body.begin(), body.begin() + static_cast<long>(c.start.size())), c.start) << int(c.flags);
        EXPECT_EQ(song.track(0)->countEvents(), 1) << "presets are not left in the track";
        midiSong again;
        Bytes reread = save(song);
        load(again, reread);
        EXPECT_EQ(again.systemFlags, c.flags == (1 | 2 | 4) ? (1 | 2) : c.flags);
    }
}

TEST(SmfWriter, EndOfTrackFollowsTheLastEventNotTheReadEnd) {
    midiSong song;
    // Note 0..1000, end of track read at 3840.
    load(song, smf(1, {{0x00, 0x90, 0x3C, 0x40, 0x87, 0x68, 0x3C, 0x00, 0xAB, 0x18, 0xFF, 0x01, 0x00}}));
    song.track(0)->slots().back()->status = 0;  // a status-0 event is not written
    Bytes body = chunkBody(save(song), 0);
    EXPECT_EQ(body, (Bytes{0x00, 0x90, 0x3C, 0x40, 0x87, 0x68, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(SmfWriter, Format0WritesOneChunkWithTheFirstTrackName) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xFF, 0x03, 0x01, 'S'},
                       {0x00, 0xFF, 0x03, 0x01, 'A', 0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00},
                       {0x00, 0xFF, 0x03, 0x01, 'B', 0x30, 0x91, 0x40, 0x40, 0x60, 0x40, 0x00}}));
    song.format = 0;
    Bytes out = save(song);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 14), header(0, 1));
    EXPECT_EQ(chunkBody(out, 0), (Bytes{0x00, 0xFF, 0x03, 0x01, 'S', 0x00, 0x90, 0x3C, 0x40, 0x30, 0x91, 0x40, 0x40,
                                       0x30, 0x90, 0x3C, 0x00, 0x30, 0x91, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00}));
    midiSong again;
    load(again, out);
    EXPECT_EQ(again.trackCount(), 17);
}

TEST(SmfWriter, ZeroLengthNoteSurvivesSaveAndReload) {
    midiSong song;
    load(song, smf(1, {{0x00, 0x90, 0x3C, 0x40, 0x00, 0x3C, 0x00, 0x00, 0x3E, 0x40, 0x60, 0x3E, 0x00}}));
    ASSERT_EQ(describeTrack(*song.track(0)), (std::vector<std::string>{"0:6:60/0", "0:6:62/96"}));
    Bytes out = save(song);
    EXPECT_EQ(chunkBody(out, 0), (Bytes{0x00, 0x90, 0x3C, 0x40, 0x00, 0x3C, 0x00, 0x00, 0x3E, 0x40, 0x60, 0x3E, 0x00,
                                       0x00, 0xFF, 0x2F, 0x00}));
    midiSong again;
    load(again, out);
    EXPECT_EQ(describeTrack(*again.track(0)), (std::vector<std::string>{"0:6:60/0", "0:6:62/96"}));
}

TEST(SmfWriter, OverlappingNotesArePairedAsTheFileWillBeRead) {
    midiSong song;
    load(song, smf(1, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x40}}));
    auto* first = static_cast<NoteOnEvent*>(song.track(0)->at(0));
    auto* second = static_cast<NoteOnEvent*>(song.track(0)->at(1));
    first->setDuration(300);
    second->setDuration(100);  // ends at 196, before the first
    Bytes out = save(song);
    EXPECT_EQ(first->duration(), 196);
    EXPECT_EQ(second->duration(), 204);
    midiSong again;
    load(again, out);
    EXPECT_EQ(describeTrack(*again.track(0)), describeTrack(*song.track(0)));
}

// Note offs are placed by what a reload keeps (the other events, and the ticks of the note
// offs of each key), never by the note they were made for; so the second save of a song equals
// the first, whatever the durations the first load gave.
TEST(SmfWriter, SavingTheReloadedSongGivesTheSameBytes) {
    struct Case {
        const char* name;
        Bytes track;
        Bytes body;  // the first save
        bool secondNoteOfNoLength = false;  // edited after the load
    } cases[] = {
        {"three note ons at one tick without note offs, keys 60 61 60",
         {0x0A, 0x90, 0x3C, 0x64, 0x00, 0x3D, 0x64, 0x00, 0x3C, 0x64},
         {0x0A, 0x90, 0x3C, 0x64, 0x00, 0x3C, 0x00, 0x00, 0x3D, 0x64, 0x00, 0x3D, 0x00, 0x00, 0x3C, 0x64, 0x01, 0x3C,
          0x00, 0x00, 0xFF, 0x2F, 0x00}},
        {"a note of no length under a sounding note of its key, after another event of the tick",
         {0x00, 0x90, 0x3C, 0x64, 0x0A, 0xB0, 0x07, 0x64, 0x00, 0x90, 0x3C, 0x50, 0x0A, 0x80, 0x3C, 0x00, 0x00, 0x3C, 0x00},
         {0x00, 0x90, 0x3C, 0x64, 0x0A, 0x3C, 0x00, 0x00, 0xB0, 0x07, 0x64, 0x00, 0x90, 0x3C, 0x50, 0x0A, 0x3C, 0x00,
          0x00, 0xFF, 0x2F, 0x00},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, smf(1, {c.track}));
        if (c.secondNoteOfNoLength) static_cast<NoteOnEvent*>(song.track(0)->at(2))->setDuration(0);
        Bytes once = save(song);
        EXPECT_EQ(chunkBody(once, 0), c.body);
        midiSong again;
        load(again, once);
        EXPECT_EQ(save(again), once);
        EXPECT_EQ(save(song), once);
    }
}

TEST(SmfWriter, UnsortedTrackIsWrittenInTimeOrderAndLeftSorted) {
    midiSong song;
    load(song, smf(1, {{0x00, 0xB0, 0x07, 0x10, 0x60, 0xB0, 0x07, 0x20}}));
    midiTrack& t = *song.track(0);
    t.beginUndoStep("Move");
    t.moveEvent(t.at(0), 200);  // now at 200, after the one at 96, but first in the list
    Bytes body = chunkBody(save(song), 0);
    EXPECT_EQ(body, (Bytes{0x60, 0xB0, 0x07, 0x20, 0x68, 0x07, 0x10, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_TRUE(t.isSorted());
    EXPECT_EQ(t.undoCount(), 0);
}

TEST(SmfWriter, SaveReplacesTheFileAtomicallyAndKeepsItsMode) {
    std::string dir = tempDir();
    std::string path = dir + "/song.mid";
    midiSong song;
    load(song, smf(1, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00}}));
    {
        std::ofstream old(path, std::ios::binary);
        old << "old contents";
    }
    ::chmod(path.c_str(), 0640);
    song.writeFile(path);
    midiSong again;
    again.load(path);
    EXPECT_EQ(describeTrack(*again.track(0)), describeTrack(*song.track(0)));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1) << "no temporary file is left behind";
    std::filesystem::remove_all(dir);
}

// Saving through a symbolic link (also a relative one, and a chain of two) writes the file the
// link names, beside that file, and leaves the link a link.
TEST(SmfWriter, SaveThroughASymbolicLinkReplacesTheLinkedFile) {
    namespace fs = std::filesystem;
    std::string dir = tempDir();
    fs::create_directories(dir + "/real");
    const std::string real = dir + "/real/song.mid";
    { std::ofstream(real, std::ios::binary) << "old contents"; }
    fs::create_symlink("real/song.mid", dir + "/link.mid");
    fs::create_symlink(dir + "/link.mid", dir + "/link2.mid");
    for (const char* name : {"/link.mid", "/link2.mid"}) {
        SCOPED_TRACE(name);
        midiSong song;
        load(song, smf(1, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00}}));
        song.writeFile(dir + name);
        EXPECT_TRUE(fs::is_symlink(dir + "/link.mid"));
        EXPECT_TRUE(fs::is_symlink(dir + "/link2.mid"));
        midiSong again;
        again.load(real);
        EXPECT_EQ(describeTrack(*again.track(0)), describeTrack(*song.track(0)));
        { std::ofstream(real, std::ios::binary) << "old contents"; }
    }
    int files = 0;
    for (auto& e : fs::directory_iterator(dir + "/real")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1) << "the temporary file was made beside the real file and renamed";
    fs::remove_all(dir);
}

// A time no reader accepts (an event moved, or a note lengthened, past tick 0x0FFFFFFF), or a
// song of more bars than a load accepts, fails the save instead of writing a file that cannot
// be opened again.
TEST(SmfWriter, TimesBeyondWhatAFileCanHoldFailTheSave) {
    struct Case {
        const char* name;
        std::function<void(midiTrack&)> edit;
    } cases[] = {
        {"event moved", [](midiTrack& t) { t.setEventTime(t.at(1), 0x10000000); }},
        {"note lengthened", [](midiTrack& t) { t.setDuration(static_cast<NoteOnEvent*>(t.at(0)), 0x10000000); }},
        {"more bars than a load accepts", [](midiTrack& t) {
             auto* bar = new timeBeatEvent(0);
             bar->data = {1, 5, 24, 8};  // 1/32: a bar of 60 ticks
             t.addEvent(bar, true, true);
             t.setEventTime(t.at(2), 70000000);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, smf(1, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xB0, 0x07, 0x64}}));
        midiTrack& t = *song.track(0);
        t.beginUndoStep("Edit");
        c.edit(t);
        Bytes out;
        EXPECT_THROW(song.write(out), MidiError);
        EXPECT_TRUE(out.empty());
        EXPECT_NE(t.undoCount(), 0);  // nothing was saved: the edit can still be undone
    }
}

// The longest song a save accepts is the longest a load accepts: one tick more is refused by
// the save, not written as a file that cannot be opened again.
TEST(SmfWriter, TheLongestSongASaveAcceptsLoadsAgain) {
    // Bars of 60 ticks (1/32); the bar table holds the bars up to the first past the song.
    const int32_t longest = 999'999 * 60 - 1;
    for (const int32_t end : {longest, longest + 1}) {
        SCOPED_TRACE(end);
        midiSong song;
        load(song, smf(1, {{0x00, 0xFF, 0x58, 0x04, 1, 5, 24, 8, 0x00, 0xB0, 0x07, 0x64}}));
        midiTrack& t = *song.track(0);
        t.beginUndoStep("Edit");
        t.setEventTime(t.at(1), end);
        Bytes out;
        if (end == longest) {
            ASSERT_NO_THROW(song.write(out));
            midiSong again;
            ASSERT_NO_THROW(load(again, out));
            EXPECT_EQ(again.songEnd, end);
        } else {
            EXPECT_THROW(song.write(out), MidiError);
            EXPECT_TRUE(out.empty());
        }
    }
}

TEST(SmfWriter, FailedSaveKeepsTheOldFileAndTheSong) {
    std::string dir = tempDir();
    midiSong song;
    load(song, smf(1, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00}}));
    midiTrack& t = *song.track(0);
    t.beginUndoStep("Edit");
    t.setVelocity(static_cast<NoteOnEvent*>(t.at(0)), 90);
    // The target is a directory: the rename fails after the temporary file was written.
    std::string target = dir + "/taken";
    std::filesystem::create_directories(target + "/inside");
    try {
        song.writeFile(target);
        ADD_FAILURE() << "saving over a directory succeeded";
    } catch (const MidiError& e) {
        EXPECT_EQ(e.message(), "Dooh! Save failed. '.mid' file may be broken.");
    }
    EXPECT_TRUE(std::filesystem::is_directory(target + "/inside"));
    EXPECT_EQ(t.undoCount(), 2) << "the journal stays when nothing was saved";
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_THROW(song.writeFile(dir + "/missing/folder/x.mid"), MidiError);
    std::filesystem::remove_all(dir);
}
