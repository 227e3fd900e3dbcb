// XG parameter names: one row per rule, in the order the rules are tried, with the exact spacing
// of the texts, and the address tables at their edges and gaps.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "song/events.h"
#include "song/xgdescription.h"

using tonvela::xgDescription;

namespace {

using Bytes = std::vector<uint8_t>;

// A parameter change to address AH AM AL with one data byte.
Bytes xg(uint8_t ah, uint8_t am, uint8_t al) { return {0x43, 0x10, 0x4C, ah, am, al, 0x00, 0xF7}; }

struct Case {
    Bytes message;
    std::string expected;
};

void expectAll(const std::vector<Case>& cases) {
    for (const auto& c : cases)
        EXPECT_EQ(xgDescription(c.message), c.expected) << ::testing::PrintToString(c.message);
}

}  // namespace

TEST(XgDescription, OneRowPerRule) {
    expectAll({
        // no address
        {{0x43, 0x10, 0x4C, 0x00, 0xF7}, "No Address"},
        {{0x43}, "No Address"},
        // system
        {{0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}, "XG SYSTEM ON"},
        // effect
        {xg(0x02, 0x01, 0x0C), "REVERB RETURN"},
        // display letters: every byte between the address and the last byte
        {{0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, 0x41, 0x42, 0xF7}, "DISPLAY LETTER<AB>"},
        // A/D setup
        {xg(0x11, 0x00, 0x00), "A/D SETUP Part = 0"},
        // display bitmap, whatever follows
        {{0x43, 0x10, 0x4C, 0x07, 0x00, 0x00, 0x01, 0x02, 0x03, 0xF7}, "DISPLAY BITMAP"},
        {xg(0x07, 0x12, 0x34), "DISPLAY BITMAP"},
        // drum setup
        {{0x43, 0x10, 0x4C, 0x30, 0x24, 0x00, 0x40, 0xF7}, "PITCH COARSE Drum 0 Note 36"},
        {xg(0x31, 0x26, 0x21), " EQ TREBLE  1 Note 38"},
        // insertion block
        {{0x43, 0x10, 0x4C, 0x03, 0x01, 0x0C, 0x05, 0xF7}, "INSERTION EFFECT2 PART"},
        // multi part
        {{0x43, 0x10, 0x4C, 0x08, 0x02, 0x0B, 0x64, 0xF7}, "Part3 VOLUME"},
        // VL part
        {xg(0x09, 0x01, 0x00), "Part2 VL Note Assign"},
        // A/D part: the name alone
        {{0x43, 0x10, 0x4C, 0x10, 0x01, 0x0B, 0x40, 0xF7}, "VOLUME"},
        // unknown
        {{0x43, 0x10, 0x4C, 0x02, 0x01, 0x01, 0x00, 0xF7}, "UNKNOWN PARAMETER:Address = <020101>"},
        {xg(0x05, 0x00, 0x00), "UNKNOWN PARAMETER:Address = <050000>"},
        {xg(0x7F, 0x7F, 0x7F), "UNKNOWN PARAMETER:Address = <7F7F7F>"},
        // Device and model bytes are not examined.
        {{0x43, 0x10, 0x49, 0x08, 0x00, 0x0B, 0x64, 0xF7}, "Part1 VOLUME"},
        {{0x43, 0x73, 0x01, 0x08, 0x0F, 0x0B, 0xF7}, "Part16 VOLUME"},
    });
}

TEST(XgDescription, SystemAndEffectTable) {
    expectAll({
        {xg(0x00, 0x00, 0x00), "MASTER TUNE"},
        {xg(0x00, 0x00, 0x01), "UNKNOWN PARAMETER:Address = <000001>"},
        {xg(0x00, 0x00, 0x03), "UNKNOWN PARAMETER:Address = <000003>"},
        {xg(0x00, 0x00, 0x05), "MASTER ATTENATOR"},
        {xg(0x00, 0x00, 0x7F), "ALL PARAMETER RESET"},
        {xg(0x02, 0x01, 0x00), "REVERB TYPE"},
        {xg(0x02, 0x01, 0x02), "REVERB PARAMETER 1"},
        {xg(0x02, 0x01, 0x0B), "REVERB PARAMETER 10"},
        {xg(0x02, 0x01, 0x0E), "UNKNOWN PARAMETER:Address = <02010E>"},
        {xg(0x02, 0x01, 0x10), "REVERB PARAMETER 11"},
        {xg(0x02, 0x01, 0x15), "REVERB PARAMETER 16"},
        {xg(0x02, 0x01, 0x21), "UNKNOWN PARAMETER:Address = <020121>"},
        {xg(0x02, 0x01, 0x22), "CHORUS PARAMETER 1"},
        {xg(0x02, 0x01, 0x2B), "CHORUS PARAMETER 10"},
        {xg(0x02, 0x01, 0x2E), "SEND CHORUS TO REVERB"},
        {xg(0x02, 0x01, 0x35), "CHORUS PARAMETER 16"},
        {xg(0x02, 0x01, 0x41), "UNKNOWN PARAMETER:Address = <020141>"},
        {xg(0x02, 0x01, 0x42), "VARIATION PARAMETER 1"},
        {xg(0x02, 0x01, 0x43), "UNKNOWN PARAMETER:Address = <020143>"},
        {xg(0x02, 0x01, 0x54), "VARIATION PARAMETER 10"},
        {xg(0x02, 0x01, 0x56), "VARIATION RETURN"},
        {xg(0x02, 0x01, 0x60), "AC2 VARIATION CONTROL DEPTH"},
        {xg(0x02, 0x01, 0x70), "VARIATION PARAMETER 11"},
        {xg(0x02, 0x01, 0x75), "VARIATION PARAMETER 16"},
        {xg(0x02, 0x01, 0x76), "UNKNOWN PARAMETER:Address = <020176>"},
        {xg(0x02, 0x40, 0x00), "EQTYPE"},
        {xg(0x02, 0x40, 0x03), "EQ Ql"},
        {xg(0x02, 0x40, 0x06), "EQ FREQUENCY"},
        {xg(0x02, 0x40, 0x08), "not used"},
        {xg(0x02, 0x40, 0x0F), "EQQ4"},
        {xg(0x02, 0x40, 0x12), "EQ FREQUCNCY5"},
        {xg(0x02, 0x40, 0x14), "EQ SHAPE5"},
        {xg(0x02, 0x40, 0x15), "UNKNOWN PARAMETER:Address = <024015>"},
        // Exact addresses only: the same low bytes under another middle byte are unknown.
        {xg(0x00, 0x01, 0x7E), "UNKNOWN PARAMETER:Address = <00017E>"},
        {xg(0x06, 0x00, 0x01), "UNKNOWN PARAMETER:Address = <060001>"},
        {xg(0x11, 0x00, 0x01), "UNKNOWN PARAMETER:Address = <110001>"},
    });
}

TEST(XgDescription, DisplayLettersEdgeCases) {
    expectAll({
        {{0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, 0xF7}, "DISPLAY LETTER<>"},
        {{0x43, 0x10, 0x4C, 0x06, 0x00, 0x00}, "DISPLAY LETTER<>"},
        // The last byte is dropped even when it is not F7.
        {{0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, 'H', 'i', '!'}, "DISPLAY LETTER<Hi>"},
        {{0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, ' ', 'X', 'G', ' ', 0xF7}, "DISPLAY LETTER< XG >"},
    });
}

TEST(XgDescription, DrumSetup) {
    expectAll({
        {xg(0x30, 0x24, 0x00), "PITCH COARSE Drum 0 Note 36"},
        {xg(0x3F, 0x7F, 0x0F), "EG DECAY2 Drum 15 Note 127"},
        {xg(0x30, 0x00, 0x0D), "EG ATACK Drum 0 Note 0"},
        {xg(0x30, 0x00, 0x0E), "EG DECAYI Drum 0 Note 0"},
        {xg(0x31, 0x26, 0x21), " EQ TREBLE  1 Note 38"},
        {xg(0x30, 0x2A, 0x40), " OUTPUT SELECT  0 Note 42"},
        {xg(0x32, 0x01, 0x73), " SOURCE DRUM KIT(Note number)(NOT USED)  2 Note 1"},
        {xg(0x30, 0x24, 0x10), "UNKNOWN PARAMETER:Address = <302410>"},
        {xg(0x30, 0x24, 0x2E), "UNKNOWN PARAMETER:Address = <30242E>"},
        {xg(0x30, 0x24, 0x74), "UNKNOWN PARAMETER:Address = <302474>"},
        {xg(0x40, 0x24, 0x00), "UNKNOWN PARAMETER:Address = <402400>"},
    });
}

TEST(XgDescription, InsertionBlock) {
    expectAll({
        {xg(0x03, 0x00, 0x00), "INSERTION EFFECT1 TYPE MSB"},
        {xg(0x03, 0x00, 0x01), "UNKNOWN PARAMETER:Address = <030001>"},
        {xg(0x03, 0x00, 0x02), "INSERTION EFFECT1 PARAMETERI"},
        {xg(0x03, 0x00, 0x04), "lNSERTION EFFECT1 PARAMETER3"},
        {xg(0x03, 0x00, 0x05), "INSERTION EFFECT1 PARAMETER4"},
        {xg(0x03, 0x00, 0x0A), "INSERTION EFFECT1 PARAMETER9"},
        {xg(0x03, 0x00, 0x0B), "INSERTION EFFECT1 PARAMETER10"},
        {xg(0x03, 0x01, 0x0D), "MW INSERTION2 CONTROL DEPTH"},
        {xg(0x03, 0x00, 0x11), "AC2 INSERTION1 CONTROL DEPTH"},
        {xg(0x03, 0x00, 0x12), "UNKNOWN PARAMETER:Address = <030012>"},
        {xg(0x03, 0x00, 0x20), "INSERTION EFFECT1 PARAMETER 11"},
        {xg(0x03, 0x00, 0x23), "lNSERTION EFFECT1 PARAMETER 14"},
        {xg(0x03, 0x00, 0x25), "INSERTION EFFECT1 PARAMETER 16"},
        {xg(0x03, 0x00, 0x30), "INSERTION EFFECT1 PARAMETER1"},
        {xg(0x03, 0x00, 0x31), "UNKNOWN PARAMETER:Address = <030031>"},
        {xg(0x03, 0x00, 0x32), "INSERTION EFFECT1 PARAMETER2"},
        {xg(0x03, 0x00, 0x42), "INSERTION EFFECT1 PARAMETER10"},
        {xg(0x03, 0x00, 0x43), "UNKNOWN PARAMETER:Address = <030043>"},
        {xg(0x03, 0x7F, 0x0C), "INSERTION EFFECT128 PART"},
    });
}

TEST(XgDescription, MultiPartVlPartAndAdPart) {
    expectAll({
        {xg(0x08, 0x00, 0x00), "Part1 ELEMENT RESERVE"},
        {xg(0x08, 0x00, 0x01), "Part1 BANK SELECT MSB"},
        {xg(0x08, 0x0F, 0x0B), "Part16 VOLUME"},
        {xg(0x08, 0x00, 0x0A), "UNKNOWN PARAMETER:Address = <08000A>"},
        {xg(0x08, 0x00, 0x28), "Part1 BEND LFO AMOD DEPTH"},
        {xg(0x08, 0x00, 0x29), "UNKNOWN PARAMETER:Address = <080029>"},
        {xg(0x08, 0x00, 0x2F), "UNKNOWN PARAMETER:Address = <08002F>"},
        {xg(0x08, 0x00, 0x32), "Part1 Rcv PROGRAM CHANCE"},
        {xg(0x08, 0x00, 0x50), "Part1 CAT LFO PMOD DEFTH"},
        {xg(0x08, 0x00, 0x5E), "Part1 ACI LFO FMOD DEFrH"},
        {xg(0x08, 0x00, 0x6E), "Part1 VELOCITY LIMIT HIGH"},
        {xg(0x08, 0x00, 0x6F), "UNKNOWN PARAMETER:Address = <08006F>"},
        {xg(0x08, 0x00, 0x7F), "Part1 EQ TREBLE shape (NOT USED)"},
        {xg(0x08, 0x1F, 0x03), "Part32 PROGRAM NUMBER"},
        {xg(0x09, 0x00, 0x0A), "Part1 SCREAM CONTROL DEPTH "},
        {xg(0x09, 0x03, 0x16), "Part4 ABSORPTION CONTROL DEPTH"},
        {xg(0x09, 0x00, 0x17), "UNKNOWN PARAMETER:Address = <090017>"},
        {xg(0x10, 0x00, 0x00), "INPUT GAIN"},
        {xg(0x10, 0x05, 0x07), "NOT USED"},
        {xg(0x10, 0x00, 0x14), "VARIATION SEND"},
        {xg(0x10, 0x00, 0x15), "UNKNOWN PARAMETER:Address = <100015>"},
        {xg(0x10, 0x00, 0x2F), "UNKNOWN PARAMETER:Address = <10002F>"},
        {xg(0x10, 0x00, 0x30), "NOT USED"},
        {xg(0x10, 0x00, 0x32), "Rcv PROGRAM CHANGE"},
        {xg(0x10, 0x00, 0x59), "ACI CONTROLLER NUMBER"},
        {xg(0x10, 0x00, 0x60), "AC2 CONTROLLER NVMBER"},
        {xg(0x10, 0x00, 0x61), "UNKNOWN PARAMETER:Address = <100061>"},
    });
}

// Damaged files carry address bytes above 0x7F too: every address must get a text.
TEST(XgDescription, EveryAddressHasAText) {
    for (int ah : {0x00, 0x02, 0x03, 0x06, 0x07, 0x08, 0x09, 0x10, 0x11, 0x30, 0x3F, 0x80, 0xFF})
        for (int am = 0; am < 256; am += 15)
            for (int al = 0; al < 256; ++al) {
                Bytes m = xg(static_cast<uint8_t>(ah), static_cast<uint8_t>(am), static_cast<uint8_t>(al));
                ASSERT_FALSE(xgDescription(m).empty()) << ah << " " << am << " " << al;
            }
}

TEST(XgDescription, ReadsTheEventsBytes) {
    tonvela::sysexEvent e(0, 0xF0);
    e.sysexData = {0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0x01, 0x00, 0xF7};
    EXPECT_EQ(xgDescription(e), "VARIATION TYPE");
    e.sysexData.clear();
    EXPECT_EQ(xgDescription(e), "No Address");
}
