// The XG effect catalogue: every type choice with its code (checked through both lookups), the
// value lists at their ends and past them, spot slots of every kind of page, and the rules that
// hold for every page (defaults inside their ranges but for four, a caption for every page with
// slots).

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "xg/xg_tables.h"

using namespace tonvela;

namespace {

// "number:code" of every choice in list order, the code found through the number and the
// number found back through the code.
std::string codesOf(XGBlock block) {
    std::string out;
    for (const XGTypeChoice& c : xgTypeChoices(block)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%d:%04X", out.empty() ? "" : " ", c.effectNumber,
                      static_cast<unsigned>(xgTypeCode(block, c.effectNumber)));
        out += buf;
        EXPECT_EQ(xgEffectNumber(block, c.typeCode), c.effectNumber) << c.name;
    }
    return out;
}

}  // namespace

TEST(XgTables, EveryTypeCodeOfEveryBlock) {
    EXPECT_EQ(codesOf(XGBlock::reverb),
              "0:0000 1:0100 2:0101 3:0106 4:0107 5:0200 6:0201 7:0202 8:0205 9:0206 10:0207 11:0300 12:0301 "
              "13:0400 14:0407 15:1000 16:1100 17:1200 18:1300");
    EXPECT_EQ(codesOf(XGBlock::chorus),
              "0:0000 19:4100 20:4101 21:4102 23:4103 24:4104 25:4105 26:4106 27:4107 22:4108 28:4200 29:4201 "
              "30:4202 31:4208 32:4300 33:4301 38:4307 34:4308 35:4400 36:4800 37:5700");
    EXPECT_EQ(codesOf(XGBlock::variation),
              "0:0000 39:0100 40:0101 41:0106 42:0107 43:0200 44:0201 45:0202 46:0205 47:0206 48:0207 49:0300 "
              "50:0301 51:0400 52:0407 53:0500 54:0600 55:0700 56:0800 57:0900 58:0901 59:0A00 60:0B00 61:1000 "
              "62:1100 63:1200 64:1300 65:1400 66:1401 67:1402 68:1500 69:1508 70:1600 71:4100 72:4101 73:4102 "
              "75:4103 76:4104 77:4105 78:4106 79:4107 74:4108 80:4200 81:4201 82:4202 83:4208 84:4300 85:4301 "
              "87:4307 86:4308 88:4400 89:4500 90:4600 91:4700 95:4800 96:4808 97:4900 98:4901 99:4908 100:4A00 "
              "104:4A08 101:4B00 105:4B08 102:4C00 103:4D00 106:4E00 107:4E01 108:4E02 109:5000 110:5001 111:5100 "
              "112:5200 113:5201 114:5202 115:5208 116:5300 117:5400 118:5500 119:5600 120:5601 121:5602 "
              "122:5603 123:5700 124:5800 125:5D00 126:5E00 127:5F00 128:5F01 129:6000 130:6001 131:6100 "
              "132:6101 133:6200 134:6201 135:6202 136:6203 137:6300 138:6301 139:6400 140:6401 141:6500 "
              "142:6501 143:6600 144:6601 145:6700 146:6701 147:7F01 148:7F02 149:7F03");
}

TEST(XgTables, ChoicesNamesAndLookupsAtTheirEdges) {
    const auto reverb = xgTypeChoices(XGBlock::reverb);
    for (size_t i = 0; i < reverb.size(); ++i) EXPECT_EQ(reverb[i].effectNumber, static_cast<int>(i));
    const auto variation = xgTypeChoices(XGBlock::variation);
    ASSERT_EQ(variation.size(), 109u);
    // Names exactly as listed, odd ones included.
    EXPECT_STREQ(variation[2].name, "HALL 2,");
    EXPECT_STREQ(variation[26].name, "BASEMEN T");
    EXPECT_STREQ(variation[108].name, "WIDE STEREO");
    EXPECT_STREQ(xgTypeChoices(XGBlock::chorus)[12].name, "CELESTE 3");
    // The codes the window writes for some choices.
    EXPECT_EQ(xgTypeCode(XGBlock::variation, 46), 0x0205);  // ROOM S
    EXPECT_EQ(xgTypeCode(XGBlock::variation, 70), 0x1600);  // TEMPO CROSS
    EXPECT_EQ(xgTypeCode(XGBlock::variation, 52), 0x0407);  // GM PLATE
    EXPECT_EQ(xgTypeCode(XGBlock::chorus, 30), 0x4202);     // CELESTE 3
    // Absent numbers and codes.
    EXPECT_EQ(xgTypeCode(XGBlock::reverb, 40), 0);
    EXPECT_EQ(xgTypeCode(XGBlock::chorus, 500), 0);
    EXPECT_EQ(xgEffectNumber(XGBlock::reverb, 0x4100), -1);
    EXPECT_EQ(xgEffectNumber(XGBlock::variation, 0x4109), -1);
    EXPECT_EQ(xgChoiceIndex(XGBlock::chorus, 22), 9);  // CHORUS 4 after FB CHORUS
    EXPECT_EQ(xgChoiceIndex(XGBlock::chorus, 3), -1);
    // Every low byte fits the four bits the window keeps.
    for (XGBlock b : {XGBlock::reverb, XGBlock::chorus, XGBlock::variation})
        for (const XGTypeChoice& c : xgTypeChoices(b)) EXPECT_LE(c.typeCode & 0xFF, 0x0F) << c.name;
    const auto eq = xgEQTypeNames();
    ASSERT_EQ(eq.size(), 5u);
    EXPECT_STREQ(eq[0], "FLAT");
    EXPECT_STREQ(eq[4], "CONCERT");
}

TEST(XgTables, ValueListsAtTheirEndsAndPastThem) {
    struct Case {
        XGValueList list;
        int size;
        const char *first, *second, *last;
    };
    using L = XGValueList;
    const Case cases[] = {
        {L::LFO, 128, "0.00", "0.08", "39.7"},   {L::MOD, 128, "0.0", "0.1", "50.0"},
        {L::EQF, 61, "THRU(20)", "22", "THRU(20.0k)"}, {L::RVT, 70, "0.3", "0.4", "30.0"},
        {L::D200, 128, "0.1", "1.7", "200.0"},   {L::RS, 45, "0.1", "0.3", "7.0"},
        {L::D400, 128, "0.1", "3.2", "400.0"},   {L::ATK, 20, "1", "2", "40"},
        {L::REL, 16, "10", "15", "680"},         {L::RAT, 8, "1.0", "1.5", "20.0"},
        {L::DIM, 105, "0.5m", "0.8m", "30.2m"},  {L::DAMP, 11, "--", "0.1", "1.0"},
        {L::PM64, 128, "-64", "-63", "63"},      {L::ERT, 6, "S-H", "L-H", "Spr"},
        {L::AB, 2, "TypeA", "TypeB", "TypeB"},   {L::MS, 2, "mono", "stereo", "stereo"},
        {L::NI, 2, "normal", "invers", "invers"}, {L::PAN, 6, "L<->R", "L->R", "L/R"},
        {L::AMP, 4, "Off", "Stack", "Tube"},     {L::VOW, 5, "a", "i", "o"},
        {L::LOFI, 6, "Thru", "PowerBass", "Low"}, {L::SHP, 2, "shelving", "peaking", "peaking"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(xgListSize(c.list), c.size);
        EXPECT_EQ(xgValueText(c.list, 0), c.first);
        EXPECT_EQ(xgValueText(c.list, 1), c.second);
        EXPECT_EQ(xgValueText(c.list, c.size - 1), c.last);
        EXPECT_EQ(xgValueText(c.list, c.size), "-");
        EXPECT_EQ(xgValueText(c.list, -1), "-");
        EXPECT_EQ(xgValueText(c.list, 100000), "-");
    }
    // Inner entries where the lists change their steps.
    EXPECT_EQ(xgValueText(L::LFO, 3), "0.16");
    EXPECT_EQ(xgValueText(L::LFO, 125), "34.3");
    EXPECT_EQ(xgValueText(L::LFO, 126), "37.0");
    EXPECT_EQ(xgValueText(L::MOD, 100), "10.0");
    EXPECT_EQ(xgValueText(L::MOD, 101), "11.1");
    EXPECT_EQ(xgValueText(L::RVT, 47), "5.0");
    EXPECT_EQ(xgValueText(L::RVT, 48), "5.5");
    EXPECT_EQ(xgValueText(L::RVT, 67), "20.0");
    EXPECT_EQ(xgValueText(L::RVT, 68), "25.0");
    EXPECT_EQ(xgValueText(L::D200, 2), "3.2");
    EXPECT_EQ(xgValueText(L::D200, 126), "198.4");
    EXPECT_EQ(xgValueText(L::D400, 2), "6.4");
    EXPECT_EQ(xgValueText(L::D400, 126), "396.9");
    EXPECT_EQ(xgValueText(L::RS, 2), "0.4");
    EXPECT_EQ(xgValueText(L::RS, 43), "6.8");
    EXPECT_EQ(xgValueText(L::EQF, 59), "18.0k");
    EXPECT_EQ(xgValueText(L::DIM, 2), "1.0m");
    EXPECT_EQ(xgValueText(L::DIM, 103), "29.9m");
    EXPECT_EQ(xgValueText(L::PM64, 64), "0");
    // No list: the number itself, whatever it is.
    EXPECT_EQ(xgValueText(L::none, 3333), "3333");
    EXPECT_EQ(xgValueText(L::none, -5), "-5");
}

TEST(XgTables, SpotSlotsOfEveryKindOfPage) {
    using L = XGValueList;
    struct Case {
        int page, slot;
        const char* label;
        int min, max;
        L list;
        int defaultValue;
    };
    const Case cases[] = {
        {1, 1, "Reverb Time", 0, 69, L::RVT, 18},          // reverb
        {40, 11, "Rev Delay", 0, 63, L::D200, 13},         // the same page as a variation type
        {16, 7, "Heigt", 0, 73, L::DIM, 52},               // typo kept
        {28, 15, "Input Mode", 0, 1, L::MS, 0},            // chorus
        {38, 1, "---", 0, 1, L::none, 0},                  // GM FLANGER: no parameters
        {36, 11, "Stage", 4, 6, L::none, 6},
        {95, 11, "Stage", 4, 12, L::none, 6},
        {53, 1, "Lch Delay", 1, 14860, L::none, 3333},     // two-byte
        {53, 7, "High Damp", 1, 10, L::none, 10},          // a damp without its list
        {53, 15, "EQ High Frequenc", 28, 58, L::EQF, 46},
        {55, 8, "Delay2 Level", 1, 127, L::none, 0},
        {59, 2, "Room Size", 0, 127, L::RS, 15},           // a range past its list
        {90, 14, "LFO Phase Difference", 4, 124, L::none, 64},
        {90, 10, "---", 0, 1, L::none, 0},                 // a disabled slot's default is 0
        {118, 12, "High Adjust", 0, 26, L::none, 25},
        {125, 1, "vowe1", 0, 4, L::VOW, 0},
        {126, 5, "filter type", 0, 5, L::LOFI, 5},
        {129, 1, "Delay Time", 1, 14860, L::none, 3000},
        {132, 14, "Wah Release", 52, 67, L::none, 64},
        {193, 17, "EQ shape5", 0, 1, L::SHP, 0},           // the 17th slot
        {197, 16, "EQ Q5", 1, 120, L::none, 7},
        {198, 16, "MW HPF CONTROL DEPTH", 0, 127, L::PM64, 64},
        {200, 12, "SCALE TUNING B", 0, 127, L::PM64, 64},
        {204, 1, "AC2 CONTROLLER NUMBER", 0, 95, L::none, 17},
        {206, 13, "(EQ BASS shape)", 0, 0, L::none, 0},
        {207, 5, "EG DECAY2", 0, 127, L::PM64, 0},
        {209, 3, "---", 0, 1, L::none, 0},
        {209, 2, "HIGH PASS FILTER CUTOFF FREQUENCY", 0, 127, L::PM64, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.page) + " slot " + std::to_string(c.slot));
        const XGParamPage page = xgParamPage(c.page);
        const XGParamSlot& s = page.slots[static_cast<size_t>(c.slot - 1)];
        EXPECT_EQ(s.label, c.label);
        EXPECT_EQ(s.enabled, std::string(c.label) != "---");
        EXPECT_EQ(s.min, c.min);
        EXPECT_EQ(s.max, c.max);
        EXPECT_EQ(s.list, c.list);
        EXPECT_EQ(s.defaultValue, c.defaultValue);
        EXPECT_EQ(s.twoByte(), c.max > 127);
    }
    EXPECT_EQ(xgParamPage(1).caption, "HALL 1 Parameter");
    EXPECT_EQ(xgParamPage(90).caption, "TREMORO Parameter");
    EXPECT_EQ(xgParamPage(126).caption, "LOF 1 Parameter");
    EXPECT_EQ(xgParamPage(130).caption, "COMPRESSOR & OVERDRIVE & DELAY Parameter");
    EXPECT_EQ(xgParamPage(206).caption, "Multi Part EQ");
    EXPECT_EQ(xgParamPage(209).caption, "Drum Parameter 3");
    EXPECT_EQ(xgParamPage(195).slotCount, 17);
    EXPECT_EQ(xgParamPage(198).slotCount, 16);
    // HALL 1 as the dialog shows its defaults.
    const XGParamPage hall = xgParamPage(1);
    EXPECT_EQ(hall.slots[14].valueText(64), "0");
    EXPECT_EQ(hall.slots[0].valueText(18), "2.1");
    EXPECT_EQ(hall.slots[3].valueText(0), "THRU(20)");
    EXPECT_EQ(xgParamPage(59).slots[1].valueText(100), "-");
}

TEST(XgTables, EveryPageHoldsTogether) {
    // The numbers whose choices have no parameters.
    std::set<int> none = {0, 3, 4, 8, 9, 10, 14, 23, 24, 25, 26, 27, 38, 41, 42, 46, 47, 48, 52, 68, 69, 70, 75, 76,
                          77, 78, 79, 87, 99, 104, 105, 120, 121, 122};
    for (int n = 133; n <= 149; ++n) none.insert(n);
    int pages = 0;
    for (int n = -1; n <= 260; ++n) {
        SCOPED_TRACE(n);
        const XGParamPage page = xgParamPage(n);
        int enabled = 0;
        for (int i = 0; i < XGParamPage::maxSlots; ++i) {
            const XGParamSlot& s = page.slots[static_cast<size_t>(i)];
            if (!s.enabled) {
                EXPECT_EQ(s.label, "---");
                EXPECT_EQ(s.min, 0);
                EXPECT_EQ(s.max, 1);
                EXPECT_EQ(s.defaultValue, 0);
                continue;
            }
            ++enabled;
            // The catalogue's own defaults below their ranges: ECHO's Delay2 Level and the
            // distortion slots of AUTO WAH.
            const bool belowRange = (n == 55 && i == 7) || (n == 106 && i >= 11 && i <= 13);
            EXPECT_EQ(s.defaultValue < s.min, belowRange) << s.label;
            EXPECT_GE(s.max, s.defaultValue) << s.label;
            if (i == 16) {
                EXPECT_TRUE(n >= 193 && n <= 197);
            }
        }
        if (enabled == 0) {
            EXPECT_EQ(page.caption, "NO EFFECT Parameter");
            continue;
        }
        ++pages;
        EXPECT_FALSE(none.count(n));
        EXPECT_NE(page.caption, "NO EFFECT Parameter");
    }
    // Every choice without parameters, and none other, shows the empty page.
    for (XGBlock b : {XGBlock::reverb, XGBlock::chorus, XGBlock::variation})
        for (const XGTypeChoice& c : xgTypeChoices(b)) {
            const XGParamPage page = xgParamPage(c.effectNumber);
            EXPECT_EQ(page.caption == "NO EFFECT Parameter", none.count(c.effectNumber) == 1) << c.name;
        }
    EXPECT_EQ(pages, 113);
}

TEST(XgTables, DrumDefaults) {
    const auto drums = xgDrumDefaults();
    ASSERT_EQ(drums.size(), 72u);
    for (size_t i = 0; i < drums.size(); ++i) EXPECT_EQ(drums[i].key, 13 + static_cast<int>(i));
    EXPECT_STREQ(drums[36 - 13].name, "Bass Drum H");
    EXPECT_EQ(xgDrumDefault(36, 0x02), 127);  // level
    EXPECT_EQ(xgDrumDefault(42, 0x03), 1);    // hi-hat alternate group
    EXPECT_EQ(xgDrumDefault(50, 0x04), 104);  // pan
    EXPECT_EQ(xgDrumDefault(74, 0x09), 1);    // Guiro Long receives note off
    EXPECT_EQ(xgDrumDefault(36, 0x07), 127);
    EXPECT_EQ(xgDrumDefault(36, 0x0A), 1);
    EXPECT_EQ(xgDrumDefault(36, 0x00), 64);
    EXPECT_EQ(xgDrumDefault(36, 0x0F), 64);
    EXPECT_EQ(xgDrumDefault(12, 0x02), 0);
    EXPECT_EQ(xgDrumDefault(85, 0x02), 0);
}
