// One-line descriptions: every class's format with its field widths, padding and hex case.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "song/events.h"

using namespace tonvela;

namespace {

using Bytes = std::vector<uint8_t>;

struct Case {
    std::unique_ptr<anyEvent> event;
    std::string expected;
};

std::unique_ptr<anyEvent> note(int channel, int key, int velocity, int duration) {
    auto e = std::make_unique<NoteOnEvent>(0, static_cast<uint8_t>(0x90 | channel));
    e->setRawNote(static_cast<uint8_t>(key));
    e->setRawVelocity(static_cast<uint8_t>(velocity));
    e->setDuration(duration);
    return e;
}

// A channel message read from its data bytes, as the file reader makes it.
template <typename E>
std::unique_ptr<anyEvent> read(uint8_t status, Bytes data) {
    auto e = std::make_unique<E>(0, status);
    ByteReader in{data.data(), data.data() + data.size()};
    e->readData(in);
    return e;
}

std::unique_ptr<anyEvent> control(int channel, int controller, int value) {
    auto e = std::make_unique<ControlChangeEvent>(0, static_cast<uint8_t>(0xB0 | channel));
    e->setRawController(static_cast<uint8_t>(controller));
    e->setRawValue(static_cast<uint8_t>(value));
    return e;
}

std::unique_ptr<anyEvent> program(int channel, int p) {
    auto e = std::make_unique<ProgramChangeEvent>(0, static_cast<uint8_t>(0xC0 | channel));
    e->setProgram(p);
    return e;
}

std::unique_ptr<anyEvent> bend(int channel, int raw) {
    auto e = std::make_unique<PitchBendEvent>(0, static_cast<uint8_t>(0xE0 | channel));
    e->setRawBend(raw);
    return e;
}

std::unique_ptr<anyEvent> sysex(Bytes data) {
    auto e = std::make_unique<sysexEvent>(0, 0xF0);
    e->sysexData = std::move(data);
    return e;
}

template <typename E>
std::unique_ptr<anyEvent> meta(Bytes data) {
    auto e = std::make_unique<E>(0);
    e->data = std::move(data);
    return e;
}

std::unique_ptr<anyEvent> rawMeta(uint8_t type, Bytes data, int bar = 0, int beat = 0, int tick = 0) {
    auto e = std::make_unique<metaEvent>(0, type);
    e->data = std::move(data);
    e->bar = bar;
    e->beat = beat;
    e->tick = tick;
    return e;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

void expectAll(std::vector<Case>& cases) {
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].event->describe(), cases[i].expected) << "case " << i;
}

}  // namespace

TEST(Describe, Notes) {
    std::vector<Case> cases;
    cases.push_back({note(0, 60, 100, 480), "Chn = 01 Note ON:Key 060[ C 4] Vel = 100 Dur = 0480"});
    cases.push_back({note(15, 1, 7, 12345), "Chn = 16 Note ON:Key 001[C#-1] Vel = 007 Dur = 12345"});
    cases.push_back({note(9, 127, 127, 0), "Chn = 10 Note ON:Key 127[ G 9] Vel = 127 Dur = 0000"});
    cases.push_back({note(1, 70, 0, 480), "Chn = 02 Note OFF(Vel = 0):Key 070[ Bb4]"});
    cases.push_back({read<NoteOffEvent>(0x83, {0x3C, 0x40}), "Chn = 04 Note OFF:Key  60 Vel =   0 "});
    cases.push_back({read<PolyAfterEvent>(0xA2, {0x05, 0x20}), "Chn = 03 Poly Aft:Key   5 Vel =  32 "});
    expectAll(cases);
}

TEST(Describe, ControllersProgramsPressureAndBend) {
    std::vector<Case> cases;
    cases.push_back({control(0, 7, 100), "Chn = 01 Ctrl Chg:Data 100 Main Volume(7)"});
    cases.push_back({control(4, 2, 5), "Chn = 05 Ctrl Chg:Data   5 2"});
    cases.push_back({control(15, 73, 0), "Chn = 16 Ctrl Chg:Data   0 Atack Time(73)"});
    cases.push_back({program(0, 0), "Chn = 01 Prog Chg:Prog No   0 Acoustic Grand Piano"});
    // The drum channel still shows the General MIDI name.
    cases.push_back({program(9, 48), "Chn = 10 Prog Chg:Prog No  48 String Emsemble1"});
    cases.push_back({read<ChannelAfterTouchEvent>(0xD0, {0x10}), "Chn = 01 Chnl Aft:Value  16 "});
    cases.push_back({bend(0, 0), "Chn = 01 PitchBend:Value -8192 "});
    cases.push_back({bend(0, 8192), "Chn = 01 PitchBend:Value     0 "});
    cases.push_back({bend(11, 16383), "Chn = 12 PitchBend:Value  8191 "});
    cases.push_back({std::make_unique<MIDIEvent>(0, static_cast<uint8_t>(0xB4)), "Chn = 05 "});
    expectAll(cases);
}

TEST(Describe, SystemExclusive) {
    std::vector<Case> cases;
    cases.push_back({sysex({0x7E, 0x7F, 0x09, 0x01, 0xF7}), "Sysex:Length     5 = 7E 7F 09 01 F7 "});
    cases.push_back({sysex({0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}),
                     "Sysex:Length    10 = 41 10 42 12 40 00 7F 00 41 F7 "});
    // Manufacturer 0x43 appends the XG parameter name right after the last byte's space.
    cases.push_back({sysex({0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}),
                     "Sysex:Length     8 = 43 10 4C 00 00 7E 00 F7 XG SYSTEM ON"});
    cases.push_back({sysex({0x43, 0x10, 0x4C, 0x08, 0x02, 0x0B, 0x64, 0xF7}),
                     "Sysex:Length     8 = 43 10 4C 08 02 0B 64 F7 Part3 VOLUME"});
    cases.push_back({sysex({0x43, 0xF7}), "Sysex:Length     2 = 43 F7 No Address"});
    cases.push_back({sysex({}), "Sysex:Length     0 = "});
    expectAll(cases);
}

TEST(Describe, MetaEvents) {
    std::vector<Case> cases;
    cases.push_back({rawMeta(0x7F, {0x00, 0x01}), "001:01:000 Meta Event:Type =7F 00 01 "});
    cases.push_back({rawMeta(0x0A, {0xAB}, 11, 2, 5), "012:03:005 Meta Event:Type = A AB "});
    cases.push_back({rawMeta(0x20, {}), "001:01:000 Meta Event:Type =20 "});
    cases.push_back({meta<seqNumEvent>({0x00, 0x07}), "Sequence Number =    7 "});
    cases.push_back({meta<textEvent>(text("Hello")), "Text:<Hello>"});
    cases.push_back({meta<copyrightEvent>(text("(C) 1998")), "Copyright:<(C) 1998>"});
    cases.push_back({meta<trackNameEvent>(text("Piano")), "Track Name:<Piano>"});
    cases.push_back({meta<instNameEvent>(text("Flute")), "Inst Name:<Flute>"});
    cases.push_back({meta<lyricEvent>(text("la ")), "Lyrics:<la >"});
    cases.push_back({meta<MarkerEvent>(text("Verse")), "Marker:<Verse>"});
    cases.push_back({meta<queuePointEvent>(text("")), "Queue Point:<>"});
    cases.push_back({meta<portNoEvent>({0x01}), "Port No.:<1>"});
    cases.push_back({meta<trackEndEvent>({}), "Track end: "});
    cases.push_back({meta<TempoEvent>({0x07, 0xA1, 0x20}), "Tempo = 500000 usec/beat"});
    cases.push_back({meta<TempoEvent>({}), "Tempo =    0 usec/beat"});
    cases.push_back({meta<TempoEvent>({0x00, 0x01, 0xF4}), "Tempo =  500 usec/beat"});
    cases.push_back({meta<SMPTEOffsetEvent>({0x01, 0x02, 0x03, 0x04, 0x00}), "SMPTE Offset hr:  1 mn:  2 sec:  3 frm:  4 "});
    cases.push_back({meta<timeBeatEvent>({0x06, 0x03, 0x18, 0x08}), "Time: 6/8 p3 = 24 p4 = 8"});
    cases.push_back({meta<timeBeatEvent>({0x04, 0x02, 0x18, 0x08}), "Time: 4/4 p3 = 24 p4 = 8"});
    // Only the low five bits of the denominator's power count.
    cases.push_back({meta<timeBeatEvent>({0x03, 0x21, 0x0C, 0x08}), "Time: 3/2 p3 = 12 p4 = 8"});
    expectAll(cases);
}

TEST(Describe, MetaTextStaysTheFilesBytes) {
    const Bytes sjis = {0x83, 0x78, 0x81, 0x5B, 0x83, 0x67};  // "ベート" in Shift_JIS
    auto e = meta<trackNameEvent>(sjis);
    std::string expected = "Track Name:<" + std::string(sjis.begin(), sjis.end()) + ">";
    EXPECT_EQ(e->describe(), expected);
}

TEST(Describe, KeySignatures) {
    struct KeyCase {
        Bytes data;
        const char* expected;
    };
    const KeyCase cases[] = {
        {{0xFE, 0x00}, "Bb Major"},
        {{0x03, 0x01}, "F# Minor"},
        {{0x00, 0x00}, "C Major"},
        {{0x00, 0x01}, "A Minor"},
        {{0xF9, 0x00}, "Cb(B) Major"},
        {{0xF9, 0x01}, "Ab Minor"},
        {{0x07, 0x00}, "C# Major"},
        {{0x07, 0x01}, "A# Minor"},
        {{0xFF, 0x01}, "D Minor"},
        {{0x06, 0x00}, "F# Major"},
        // No name: the raw bytes are shown instead of a guessed key.
        {{0x08, 0x00}, "Unknown Key Signature:08 00 "},
        {{0xF8, 0x01}, "Unknown Key Signature:F8 01 "},
        {{0x00, 0x02}, "Unknown Key Signature:00 02 "},
        {{0x02}, "Unknown Key Signature:02 "},
        {{}, "Unknown Key Signature:"},
    };
    for (const auto& c : cases) {
        auto e = meta<keyEvent>(c.data);
        EXPECT_EQ(e->describe(), c.expected) << ::testing::PrintToString(c.data);
    }
}

// Damaged meta events (short data) must still describe without reading past their bytes.
TEST(Describe, ShortMetaDataReadsMissingBytesAsZero) {
    EXPECT_EQ(meta<timeBeatEvent>({0x03})->describe(), "Time: 3/1 p3 = 0 p4 = 0");
    EXPECT_EQ(meta<SMPTEOffsetEvent>({})->describe(), "SMPTE Offset hr:  0 mn:  0 sec:  0 frm:  0 ");
    EXPECT_EQ(meta<seqNumEvent>({})->describe(), "Sequence Number =    0 ");
}
