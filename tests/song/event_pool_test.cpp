// The event pool: where its memory comes from, and that memory freed anywhere comes back.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "song/events.h"

using namespace tonvela;

namespace {

// Blocks of 2 MB give a fault per 2 MB; a round of this many notes fills several of them.
constexpr int kRoundEvents = 60'000;

std::vector<anyEvent*> makeNotes(int count) {
    std::vector<anyEvent*> out;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) out.push_back(new NoteOnEvent(i, 0x90));
    return out;
}

void freeAll(std::vector<anyEvent*>& events) {
    for (anyEvent* e : events) delete e;
    events.clear();
}

bool poolInUse() {
    std::unique_ptr<anyEvent> probe(new NoteOnEvent(0, 0x90));
    return !eventPoolBlocks().empty();
}

}  // namespace

TEST(EventPool, BlocksAreAlignedTo2MBAndHoldTheEvents) {
    if (!poolInUse()) GTEST_SKIP() << "events come from the general heap in this build";
    std::vector<anyEvent*> events = makeNotes(kRoundEvents);
    events.push_back(new ControlChangeEvent(0, 0xB0));
    events.push_back(makeMetaEvent(0, 0x01));
    events.push_back(new sysexEvent(0, 0xF0, 0));
    const std::vector<uintptr_t> blocks = eventPoolBlocks();
    for (uintptr_t b : blocks) EXPECT_EQ(b % kEventPoolBlockBytes, 0u) << std::hex << b;
    size_t outside = 0;
    for (const anyEvent* e : events) {
        const auto at = reinterpret_cast<uintptr_t>(e);
        outside += std::none_of(blocks.begin(), blocks.end(),
                                [at](uintptr_t b) { return at >= b && at < b + kEventPoolBlockBytes; });
    }
    EXPECT_EQ(outside, 0u);
    freeAll(events);
}

TEST(EventPool, SizeClassesShareABlock) {
    if (!poolInUse()) GTEST_SKIP() << "events come from the general heap in this build";
    // A small song must not take a 2 MB block for each size of event it holds.
    const size_t before = eventPoolBlocks().size();
    std::vector<anyEvent*> events;
    events.push_back(new NoteOnEvent(0, 0x90));
    events.push_back(new ControlChangeEvent(0, 0xB0));
    events.push_back(new ProgramChangeEvent(0, 0xC0));
    events.push_back(new sysexEvent(0, 0xF0, 0));
    for (int type : {0x01, 0x03, 0x51, 0x58, 0x59}) events.push_back(makeMetaEvent(0, static_cast<uint8_t>(type)));
    EXPECT_LE(eventPoolBlocks().size(), before + 1);
    freeAll(events);
}

// Events freed on another thread, owner still alive (the player thread drops what the editor
// made) and owner ended (the editor drops a song loaded on a helper thread): the memory is
// used again, round after round, instead of growing.
TEST(EventPool, EventsFreedOnAnotherThreadComeBack) {
    if (!poolInUse()) GTEST_SKIP() << "events come from the general heap in this build";
    struct Case {
        const char* what;
        bool madeOnHelper;  // made on a helper thread that ends, freed here; else the reverse
    } cases[] = {{"made here, freed on a helper", false}, {"made on an ended helper, freed here", true}};
    for (const Case& c : cases) {
        size_t settled = 0;
        for (int round = 0; round < 12; ++round) {
            std::vector<anyEvent*> events;
            if (c.madeOnHelper) {
                std::thread([&events] { events = makeNotes(kRoundEvents); }).join();
                freeAll(events);
            } else {
                events = makeNotes(kRoundEvents);
                std::thread([&events] { freeAll(events); }).join();
            }
            if (round == 1) settled = eventPoolBlocks().size();
        }
        EXPECT_EQ(eventPoolBlocks().size(), settled) << c.what;
    }
}
