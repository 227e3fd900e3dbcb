// The device object: what each event sends, the helper messages, the error sound, device.prf.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "output/midi_device.h"
#include "output_rig.h"
#include "base/errors.h"
#include "song/events.h"

namespace tonvela {
namespace {

using test::CaptureRig;
using Lines = std::vector<std::string>;

struct SendCase {
    const char* name;
    std::function<std::unique_ptr<anyEvent>()> make;
    Lines bytes;
};

template <typename T>
std::unique_ptr<anyEvent> own(T* e) {
    return std::unique_ptr<anyEvent>(e);
}

TEST(SendEvent, BytesForEachKind) {
    const SendCase cases[] = {
        {"note on", [] { auto* n = new NoteOnEvent(0, 0x92); n->setNote(60); n->setVelocity(100); return own(n); },
         {"92 3C 64"}},
        {"note off made for playing",
         [] { auto* n = new NoteOnEvent(0, 0x92); n->setRawNote(60); n->setRawVelocity(0); return own(n); },
         {"92 3C 00"}},
        {"note off as read (0x8n)",
         [] { auto* n = new NoteOnEvent(0, 0x95); n->setRawNote(61); n->setRawVelocity(0); n->status = 0x85; return own(n); },
         {"85 3D 00"}},
        {"control change", [] { auto* c = new ControlChangeEvent(0, 0xB3); c->setController(7); c->setValue(90); return own(c); },
         {"B3 07 5A"}},
        {"program change", [] { auto* p = new ProgramChangeEvent(0, 0xC1); p->setProgram(5); return own(p); }, {"C1 05"}},
        {"pitch bend", [] { auto* b = new PitchBendEvent(0, 0xE0); b->setBend(1000); return own(b); }, {"E0 68 47"}},
        {"pitch bend low end", [] { auto* b = new PitchBendEvent(0, 0xEF); b->setBend(-8192); return own(b); }, {"EF 00 00"}},
        {"polyphonic pressure", [] { auto* a = new PolyAfterEvent(0, 0xA0); a->setNote(60); a->setPressure(50); return own(a); },
         {}},
        {"channel pressure", [] { auto* a = new ChannelAfterTouchEvent(0, 0xD0); a->setPressure(50); return own(a); }, {}},
        {"XG System On",
         [] { auto* s = new sysexEvent(0, 0xF0); s->sysexData = {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}; return own(s); },
         {"F0 43 10 4C 00 00 7E 00 F7"}},
        {"sysex continuation", [] { auto* s = new sysexEvent(0, 0xF7); s->sysexData = {0x01, 0x02}; return own(s); },
         {"F7 01 02"}},
        {"track name", [] { auto* m = new trackNameEvent(0); m->setText("Piano"); return own(m); }, {}},
        {"tempo", [] { return own(new TempoEvent(0, 0x51, 400000)); }, {}},
    };
    for (const SendCase& c : cases) {
        CaptureRig rig;
        auto e = c.make();
        rig.device.sendEvent(*e);
        EXPECT_EQ(rig.bytes(), c.bytes) << c.name;
    }
}

TEST(SendEvent, ChannelMessagesUpdateTheStateOfTheirChannel) {
    CaptureRig rig;
    ControlChangeEvent c(0, 0xB3);
    c.setController(7);
    c.setValue(90);
    rig.device.sendEvent(c);
    ProgramChangeEvent p(0, 0xC3);
    p.setProgram(17);
    rig.device.sendEvent(p);
    PitchBendEvent b(0, 0xE3);
    b.setBend(1000);
    rig.device.sendEvent(b);
    MidiChannel s = rig.device.channelState(3);
    EXPECT_EQ(s.controller(7), 90);
    EXPECT_EQ(s.program, 17);
    EXPECT_EQ(s.bend, 9192);
    MidiChannel other = rig.device.channelState(0);
    EXPECT_EQ(other.controller(7), 100);
    EXPECT_EQ(other.program, 0);
}

TEST(SendEvent, TextEventsSetTheDisplayText) {
    CaptureRig rig;
    auto send = [&](metaEvent&& m, const std::string& text) {
        if (!text.empty()) m.setText(text);
        rig.device.sendEvent(m);
        return rig.device.displayText();
    };
    EXPECT_EQ(send(textEvent(0), "Intro"), "Intro");
    EXPECT_EQ(send(MarkerEvent(0), "Verse"), "Verse");
    EXPECT_EQ(send(lyricEvent(0), "la"), "la");
    EXPECT_EQ(send(copyrightEvent(0), "(c) 2026"), "(c) 2026");
    EXPECT_EQ(send(queuePointEvent(0), "Cue"), "Cue");
    EXPECT_EQ(send(MarkerEvent(0), ""), "Cue") << "an empty marker leaves the text";
    EXPECT_EQ(send(trackNameEvent(0), "Bass"), "Cue") << "track names are not shown";
    EXPECT_EQ(send(instNameEvent(0), "Organ"), "Cue");
    EXPECT_TRUE(rig.log->messages().empty());
}

TEST(SendEvent, TempoChangesThePlayTempoAndCallsTheHook) {
    CaptureRig rig;
    std::vector<int32_t> seen;
    rig.device.hooks.tempoChange = [&](int32_t t) { seen.push_back(t); };
    rig.device.sendEvent(TempoEvent(0, 0x51, 250000));
    EXPECT_EQ(rig.device.playTempo(), 250000);
    EXPECT_EQ(seen, std::vector<int32_t>{250000});
    EXPECT_EQ(60000000 / seen[0], 240) << "the tempo bar moves to 240";
}

TEST(Device, PlayTempoRefusesValuesOutsideThreeBytes) {
    CaptureRig rig;
    EXPECT_TRUE(rig.device.setPlayTempo(1));
    EXPECT_TRUE(rig.device.setPlayTempo(0xFFFFFF));
    EXPECT_FALSE(rig.device.setPlayTempo(0));
    EXPECT_FALSE(rig.device.setPlayTempo(-5));
    EXPECT_FALSE(rig.device.setPlayTempo(0x1000000));
    EXPECT_EQ(rig.device.playTempo(), 0xFFFFFF);
}

TEST(Device, HelperMessages) {
    CaptureRig rig;
    rig.device.sendProgram(2, 121, -1, 40);
    rig.device.sendProgram(3, -1, 5, 41);
    rig.device.sendBend(4, 16383);
    rig.device.sendNoteOn(5, 64, 0);
    rig.device.sendController(15, 64, 127);
    EXPECT_EQ(rig.bytes(), (Lines{"B2 00 79", "C2 28", "B3 20 05", "C3 29", "E4 7F 7F", "95 40 00", "BF 40 7F"}));
}

TEST(Device, StopSoundSilencesEveryChannel) {
    CaptureRig rig;
    rig.device.stopSound();
    EXPECT_EQ(rig.lines(), test::stopSoundLines(0));
}

TEST(Device, ErrorSoundPlaysItsTuneAndReleasesItAfterTwoSeconds) {
    CaptureRig rig;
    rig.device.playErrorSound();
    EXPECT_EQ(rig.lines(), (Lines{"0 B0 00 00", "0 B0 20 00", "0 C0 00", "0 90 1E 64", "0 90 1D 64", "0 90 1F 64",
                                  "0 90 21 64", "0 90 22 64", "0 90 24 64", "2000000 90 1D 00", "2000000 90 1E 00",
                                  "2000000 90 1F 00", "2000000 90 21 00", "2000000 90 22 00", "2000000 90 24 00"}));
}

TEST(Device, ErrorSoundNeedsAnOpenPort) {
    CaptureRig rig;
    ASSERT_EQ(rig.device.closeDevice(), 0);
    rig.device.playErrorSound();
    EXPECT_TRUE(rig.fake().sleeps.empty()) << "no wait without a port";
    EXPECT_TRUE(rig.log->messages().empty());
}

TEST(Device, ResetChannelStatesRestoresDefaults) {
    CaptureRig rig;
    ControlChangeEvent c(0, 0xB1);
    c.setController(7);
    c.setValue(3);
    rig.device.sendEvent(c);
    rig.device.resetChannelStates();
    EXPECT_EQ(rig.device.channelState(1).controller(7), 100);
    EXPECT_TRUE(rig.device.channelState(9).isDrumChannel);
}

// ---- ports ----------------------------------------------------------------------------------

TEST(Ports, LinesAreProductNameAndTechnology) {
    const std::pair<PortCaps, std::string> cases[] = {
        {{"Port A", techMidiPort}, "Port A MIDI Port"},   {{"Synth B", techSynth}, "Synth B Synth"},
        {{"C", techSquareSynth}, "C SQ Synth"},           {{"D", techFmSynth}, "D FM Synth"},
        {{"FluidSynth", techMapper}, "FluidSynth MIDI Mapper"}, {{"Wave", techWavetable}, "Wave "},
        {{"Soft", techSoftwareSynth}, "Soft "},          {{"Odd", 99}, "Odd "},
    };
    for (const auto& [caps, line] : cases) EXPECT_EQ(portLine(caps), line);
}

TEST(Ports, OpeningAMissingPortReportsAndKeepsThePreviousChoice) {
    CaptureRig rig;
    EXPECT_EQ(rig.device.deviceId(), -1);
    EXPECT_EQ(rig.device.openDevice(3), portBadId);
    EXPECT_EQ(rig.messages, (Lines{"The capture port is port -1."}));
    EXPECT_FALSE(rig.device.isOpen()) << "a failed open leaves no port open";
    EXPECT_EQ(rig.device.deviceId(), -1);
    EXPECT_EQ(rig.device.closeDevice(), -1);
    EXPECT_EQ(rig.messages.back(), "The capture port is not open.");
}

TEST(Ports, ShortMessageLengths) {
    const std::pair<int, int> cases[] = {{0x80, 3}, {0x9F, 3}, {0xA0, 3}, {0xB5, 3}, {0xC0, 2}, {0xDF, 2},
                                         {0xE0, 3}, {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF8, 1}, {0xFF, 1}};
    for (auto [status, length] : cases) EXPECT_EQ(shortMessageLength(static_cast<uint8_t>(status)), length) << status;
}

TEST(Ports, TheStandardDriverNeverFailsAndListsTheSynthesizerFirst) {
    testing::internal::CaptureStderr();
    auto driver = makePortDriver(PortOptions{"/nonexistent/font.sf2"});
    MidiDevice device(std::move(driver));
    std::string message;
    device.onMessage = [&](const std::string& m) { message = m; };
    Lines lines = device.listDevices();
    int rc = device.openDevice(-1);
    std::string noise = testing::internal::GetCapturedStderr();

    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "FluidSynth MIDI Mapper");
    if (!std::filesystem::exists("/dev/snd/seq")) {
        EXPECT_EQ(lines.size(), 1u) << "no sequencer, no system ports";
    }
    EXPECT_EQ(rc, portUnavailable);
    EXPECT_NE(message.find("SoundFont not found: /nonexistent/font.sf2"), std::string::npos) << message;
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(noise, "") << "the libraries stay quiet";
}

TEST(Ports, TheSynthesizerOpensOrSaysWhyNot) {
    testing::internal::CaptureStderr();
    MidiDevice device(makePortDriver());
    std::string message;
    device.onMessage = [&](const std::string& m) { message = m; };
    int rc = device.openDevice(-1);
    std::string noise = testing::internal::GetCapturedStderr();
    EXPECT_EQ(noise, "");
    if (rc == 0) {
        EXPECT_TRUE(device.isOpen());
        EXPECT_EQ(device.deviceId(), -1);
    } else {
        // A machine without audio (CI) or without a SoundFont.
        EXPECT_EQ(rc, portUnavailable);
        bool explained = message.find("No audio output could be opened") != std::string::npos ||
                         message.find("SoundFont") != std::string::npos;
        EXPECT_TRUE(explained) << message;
    }
}

// ---- device.prf -----------------------------------------------------------------------------

class DevicePrf : public testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("tonvela_prf_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    void write(const std::string& text) {
        std::ofstream(folder / "device.prf", std::ios::binary) << text;
    }
    std::string read() {
        std::ifstream in(folder / "device.prf", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path folder;
};

TEST_F(DevicePrf, MissingFileKeepsTheDefaultsAndOpensTheSynthesizerPort) {
    CaptureRig rig;
    rig.device.closeDevice();
    EXPECT_EQ(rig.device.startUp(folder.string()), 0);
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.device.deviceId(), -1);
    EXPECT_EQ(rig.device.windowTop, 120);
    EXPECT_EQ(rig.device.windowLeft, 160);
}

TEST_F(DevicePrf, VersionZeroIsReadWithoutWidthAndHeight) {
    write("0000\r\n33\r\n44\r\n999\r\n888\r\n-1\r\n");
    CaptureRig rig;
    EXPECT_TRUE(rig.device.readSettings(folder.string()));
    EXPECT_EQ(rig.device.windowTop, 33);
    EXPECT_EQ(rig.device.windowLeft, 44);
    EXPECT_EQ(rig.device.windowWidth, 420);
    EXPECT_EQ(rig.device.windowHeight, 300);
    EXPECT_EQ(rig.device.deviceId(), -1);
    EXPECT_TRUE(rig.messages.empty());
}

TEST_F(DevicePrf, NewerVersionsAreRefusedWithTheDefaultsKept) {
    for (const char* text : {"0001\r\n33\r\n44\r\n1\r\n1\r\n5\r\n", "12\r\n1\r\n", "abcd\r\n1\r\n", ""}) {
        write(text);
        CaptureRig rig;
        EXPECT_FALSE(rig.device.readSettings(folder.string())) << text;
        EXPECT_EQ(rig.messages, (Lines{"Illegal data version.  Get latest version of MIDI Tonvela."})) << text;
        EXPECT_EQ(rig.device.windowTop, 120);
        EXPECT_EQ(rig.device.deviceId(), -1);
    }
}

TEST_F(DevicePrf, AWantedPortThatIsGoneFailsToOpenWithItsMessage) {
    write("0000\r\n1\r\n2\r\n3\r\n4\r\n7\r\n");
    CaptureRig rig;
    rig.device.closeDevice();
    EXPECT_EQ(rig.device.startUp(folder.string()), portBadId);
    EXPECT_EQ(rig.device.deviceId(), 7) << "still the wanted port";
    EXPECT_FALSE(rig.device.isOpen());
    EXPECT_EQ(rig.messages, (Lines{"The capture port is port -1."}));
}

TEST_F(DevicePrf, WrittenAtShutdownWithCrLf) {
    CaptureRig rig;
    rig.device.windowTop = 10;
    rig.device.windowLeft = 20;
    rig.device.windowWidth = 30;
    rig.device.windowHeight = 40;
    rig.device.shutDown(folder.string());
    EXPECT_FALSE(rig.device.isOpen());
    EXPECT_EQ(read(), "0000\r\n10\r\n20\r\n30\r\n40\r\n-1\r\n");

    CaptureRig again;
    EXPECT_TRUE(again.device.readSettings(folder.string()));
    EXPECT_EQ(again.device.windowTop, 10);
    EXPECT_EQ(again.device.windowLeft, 20);
}

TEST_F(DevicePrf, AnUnwritableFolderThrowsAMessage) {
    CaptureRig rig;
    EXPECT_THROW(rig.device.writeSettings((folder / "missing" / "deeper").string()), MidiError);
}

}  // namespace
}  // namespace tonvela
