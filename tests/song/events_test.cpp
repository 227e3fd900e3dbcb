#include <gtest/gtest.h>

#include <memory>

#include "base/errors.h"
#include "song/events.h"

using namespace tonvela;

TEST(Events, NoteVelocitySetterNeverMakesANoteOff) {
    struct Case {
        int in, stored;
    } cases[] = {{0, 1}, {-5, 1}, {200, 127}, {64, 64}, {127, 127}};
    for (const auto& c : cases) {
        NoteOnEvent n(0, 0x90);
        n.setVelocity(c.in);
        EXPECT_EQ(n.velocity(), c.stored) << c.in;
        EXPECT_EQ(n.kind(), kindNote);
    }
}

TEST(Events, PitchBendStoresRawAndReadsSigned) {
    struct Case {
        int set, raw, read;
    } cases[] = {{9000, 16383, 8191}, {-9000, 0, -8192}, {0, 8192, 0}, {-1, 8191, -1}};
    for (const auto& c : cases) {
        PitchBendEvent b(0, 0xE3);
        b.setBend(c.set);
        EXPECT_EQ(b.rawBend(), c.raw) << c.set;
        EXPECT_EQ(b.bend(), c.read) << c.set;
    }
}

TEST(Events, ConstructorsForceStatusAndClampTime) {
    NoteOnEvent n(-10, 0x83);
    EXPECT_EQ(n.time, 0);
    EXPECT_EQ(n.status, 0x93);
    ControlChangeEvent c(5, 0x9F);
    EXPECT_EQ(c.status, 0xBF);
    EXPECT_EQ(c.channelOf(), 15);
    TempoEvent t(0);
    EXPECT_EQ(t.channelOf(), -1);
}

TEST(Events, ReadDataOfNoteFormsAndPressure) {
    // A note on with velocity 0 becomes a note off; a real note off keeps status 9n.
    uint8_t on0[] = {60, 0};
    NoteOnEvent a(0, 0x92);
    ByteReader r1{on0, on0 + 2};
    a.readData(r1);
    EXPECT_EQ(a.kind(), kindNoteOff);
    EXPECT_EQ(a.status, 0x82);

    uint8_t off[] = {60, 64};
    NoteOffEvent b(0, 0x82);
    ByteReader r2{off, off + 2};
    b.readData(r2);
    EXPECT_EQ(b.kind(), kindNoteOff);
    EXPECT_EQ(b.velocity(), 0);
    EXPECT_EQ(b.status, 0x92);

    uint8_t poly[] = {60, 0};
    PolyAfterEvent p(0, 0xA1);
    ByteReader r3{poly, poly + 2};
    p.readData(r3);
    EXPECT_EQ(p.status, 0xA1);
    EXPECT_EQ(p.kind(), kindPolyPressure);

    uint8_t truncated[] = {60};
    NoteOnEvent c(0, 0x90);
    ByteReader r4{truncated, truncated + 1};
    EXPECT_THROW(c.readData(r4), MidiError);
}

TEST(Events, SortOrderIsTimeThenCreation) {
    NoteOnEvent later(0, 0x90);
    ControlChangeEvent earlierMade(10, 0xB0);
    NoteOnEvent second(10, 0x90);
    EXPECT_TRUE(eventLess(&later, &earlierMade));
    EXPECT_TRUE(eventLess(&earlierMade, &second));
    EXPECT_FALSE(eventLess(&second, &earlierMade));
}

TEST(Events, SysexAddressAndData) {
    sysexEvent xg(0, 0xF0);
    xg.sysexData = {0x43, 0x10, 0x4C, 0x02, 0x01, 0x00, 0x40, 0xF7};
    EXPECT_EQ(xg.address(), (2 << 16) + (1 << 8));
    EXPECT_EQ(xg.dataAt(0), 0x40);
    EXPECT_EQ(xg.dataAt(1), 0xF7);
    EXPECT_EQ(xg.dataAt(2), -1);

    sysexEvent universal(0, 0xF0);
    universal.sysexData = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(universal.address(), -1);
    EXPECT_EQ(universal.dataAt(0), 0);

    sysexEvent made(0, 0xF0);
    made.makeXGParameter(2);
    EXPECT_EQ(made.sysexData, (std::vector<uint8_t>{0x43, 0x10, 0x4C, 0, 0, 0, 0, 0, 0xF7}));
    made.setAddress(0x080107);
    made.setDataAt(1, 0x55);
    EXPECT_EQ(made.address(), 0x080107);
    EXPECT_EQ(made.dataAt(1), 0x55);
    EXPECT_EQ(made.sysexData.back(), 0xF7);

    sysexEvent gs(0, 0xF0);
    gs.sysexData = {0x41, 0x10, 0x42, 0x12};
    gs.setDataAt(3, 9);  // pads to address + data + checksum slot, ends in F7
    EXPECT_EQ(gs.sysexData.size(), 12u);
    EXPECT_EQ(gs.dataAt(3), 9);
    EXPECT_EQ(gs.sysexData.back(), 0xF7);
}

TEST(Events, MetaValuesAndTexts) {
    TempoEvent zero(0);
    zero.data = {0, 0, 0};
    EXPECT_EQ(zero.getTempo(), 500000);
    TempoEvent t(0, 0x51, 600000);
    EXPECT_EQ(t.data, (std::vector<uint8_t>{0x09, 0x27, 0xC0}));
    EXPECT_EQ(t.getTempo(), 600000);
    EXPECT_EQ(t.dataText(), "9 39 192 ");

    timeBeatEvent ts(0);
    ts.data = {6, 3, 24, 8};
    EXPECT_EQ(ts.numerator(), 6);
    EXPECT_EQ(ts.denominator(), 8);
    ts.data = {4, 200};  // nonsense exponent must not overflow
    EXPECT_EQ(ts.denominator(), 0);

    keyEvent k(0);
    k.data = {0xFE, 0x00};
    EXPECT_EQ(k.sharps(), -2);

    std::unique_ptr<metaEvent> text(makeMetaEvent(0, 0x01));
    text->setText("Hello");
    EXPECT_EQ(text->kind(), kindText);
    EXPECT_EQ(text->dataText(), "Hello");
    EXPECT_EQ(text->length(), 5);

    struct Case {
        uint8_t type;
        int kind;
    } kinds[] = {{0x00, 2}, {0x02, 11}, {0x03, 13}, {0x04, 2}, {0x05, 19}, {0x06, 20}, {0x07, 17},
                 {0x21, 18}, {0x2F, 2}, {0x51, 14}, {0x54, 2}, {0x58, 15}, {0x59, 2}, {0x7F, 2}};
    for (const auto& c : kinds) {
        std::unique_ptr<metaEvent> m(makeMetaEvent(0, c.type));
        EXPECT_EQ(m->kind(), c.kind) << int(c.type);
        EXPECT_EQ(m->metaType, c.type);
        EXPECT_EQ(m->isTrackEnd(), c.type == 0x2F);
    }
}

TEST(Events, CopyConstructorsMakeNewEvents) {
    NoteOnEvent n(100, 0x93);
    n.setNote(64);
    n.setVelocity(90);
    n.setDuration(240);
    n.refCount = 3;
    NoteOnEvent copy(n);
    EXPECT_EQ(copy.time, 100);
    EXPECT_EQ(copy.channelOf(), 3);
    EXPECT_EQ(copy.note(), 64);
    EXPECT_EQ(copy.velocity(), 90);
    EXPECT_EQ(copy.duration(), 240);
    EXPECT_EQ(copy.refCount, 0);
    EXPECT_GT(copy.serial, n.serial);
}

TEST(Events, VariableLengthQuantities) {
    struct Case {
        uint32_t value;
        std::vector<uint8_t> bytes;
    } cases[] = {{0, {0x00}}, {0x7F, {0x7F}}, {0x80, {0x81, 0x00}}, {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}}};
    for (const auto& c : cases) {
        std::vector<uint8_t> out;
        ByteWriter w(out);
        w.putVarLen(c.value);
        EXPECT_EQ(out, c.bytes);
        ByteReader r{out.data(), out.data() + out.size()};
        EXPECT_EQ(r.varLen(), c.value);
    }
    uint8_t fiveBytes[] = {0x81, 0x80, 0x80, 0x80, 0x00};
    ByteReader r{fiveBytes, fiveBytes + 5};
    EXPECT_THROW(r.varLen(), MidiError);
}
