#include "xg/xg_tables.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace tonvela {

namespace {

// ---- type choices ------------------------------------------------------------------------------

constexpr XGTypeChoice kReverb[] = {
    {"NO EFFECT", 0, 0x0000},
    {"HALL 1", 1, 0x0100},
    {"HALL 2", 2, 0x0101},
    {"HALL M", 3, 0x0106},
    {"HALL L", 4, 0x0107},
    {"ROOM 1", 5, 0x0200},
    {"ROOM 2", 6, 0x0201},
    {"ROOM 3", 7, 0x0202},
    {"ROOM S", 8, 0x0205},
    {"ROOM M", 9, 0x0206},
    {"ROOM L", 10, 0x0207},
    {"STAGE 1", 11, 0x0300},
    {"STAGE 2", 12, 0x0301},
    {"PLATE", 13, 0x0400},
    {"GM PLATE", 14, 0x0407},
    {"WHITE ROOM", 15, 0x1000},
    {"TUNNEL", 16, 0x1100},
    {"CANYON", 17, 0x1200},
    {"BASEMENT", 18, 0x1300},
};
constexpr XGTypeChoice kChorus[] = {
    {"NO EFFECT", 0, 0x0000},
    {"CHORUS 1", 19, 0x4100},
    {"CHORUS 2", 20, 0x4101},
    {"CHORUS 3", 21, 0x4102},
    {"GM CHORUS1", 23, 0x4103},
    {"GM CHORUS2", 24, 0x4104},
    {"GM CHORUS3", 25, 0x4105},
    {"GM CHORUS4", 26, 0x4106},
    {"FB CHORUS", 27, 0x4107},
    {"CHORUS 4", 22, 0x4108},
    {"CELESTE 1", 28, 0x4200},
    {"CELESTE 2", 29, 0x4201},
    {"CELESTE 3", 30, 0x4202},
    {"CELESTE 4", 31, 0x4208},
    {"FLANGER 1", 32, 0x4300},
    {"FLANGER 2", 33, 0x4301},
    {"GM FLANGER", 38, 0x4307},
    {"FLANGER 3", 34, 0x4308},
    {"SYMPHONIC", 35, 0x4400},
    {"PHASER 1", 36, 0x4800},
    {"ENSEMBLE DETUNE", 37, 0x5700},
};
constexpr XGTypeChoice kVariation[] = {
    {"NO EFFECT", 0, 0x0000},
    {"HALL 1", 39, 0x0100},
    {"HALL 2,", 40, 0x0101},
    {"HALL M,", 41, 0x0106},
    {"HALL L,", 42, 0x0107},
    {"ROOM 1", 43, 0x0200},
    {"ROOM 2", 44, 0x0201},
    {"ROOM 3", 45, 0x0202},
    {"ROOM S", 46, 0x0205},
    {"ROOM M", 47, 0x0206},
    {"ROOM L", 48, 0x0207},
    {"STAGE 1", 49, 0x0300},
    {"STAGE 2", 50, 0x0301},
    {"PLATE", 51, 0x0400},
    {"GM PLATE", 52, 0x0407},
    {"DELAY L,C,R", 53, 0x0500},
    {"DELAY L,R", 54, 0x0600},
    {"ECHO", 55, 0x0700},
    {"CROSS DELAY", 56, 0x0800},
    {"ER 1", 57, 0x0900},
    {"ER 2", 58, 0x0901},
    {"GATE REVERB", 59, 0x0A00},
    {"REVERSE GATE", 60, 0x0B00},
    {"WHITEROOM", 61, 0x1000},
    {"TUNNEL", 62, 0x1100},
    {"CANYON", 63, 0x1200},
    {"BASEMEN T", 64, 0x1300},
    {"KARAOKE 1", 65, 0x1400},
    {"KARAOKE 2", 66, 0x1401},
    {"KARAOKE 3", 67, 0x1402},
    {"TEMPO DELAY", 68, 0x1500},
    {"TEMPO ECHO", 69, 0x1508},
    {"TEMPO CROSS", 70, 0x1600},
    {"CHORUS 1", 71, 0x4100},
    {"CHORUS 2", 72, 0x4101},
    {"CHORUS 3", 73, 0x4102},
    {"GM CHORUS1", 75, 0x4103},
    {"GM CHORUS2", 76, 0x4104},
    {"GM CHORUS3", 77, 0x4105},
    {"GM CHORUS4", 78, 0x4106},
    {"FB CHORUS", 79, 0x4107},
    {"CHORUS 4", 74, 0x4108},
    {"CELESTE 1", 80, 0x4200},
    {"CELESTE 2", 81, 0x4201},
    {"CELESTE 3", 82, 0x4202},
    {"CELESTE 4", 83, 0x4208},
    {"FLANGER 1", 84, 0x4300},
    {"FLANGER 2", 85, 0x4301},
    {"GM FLANGER", 87, 0x4307},
    {"FLANGER 3", 86, 0x4308},
    {"SYMPHONIC", 88, 0x4400},
    {"ROTARY SPEAKER", 89, 0x4500},
    {"TREMOLO", 90, 0x4600},
    {"AUTO PAN", 91, 0x4700},
    {"PHASER 1", 95, 0x4800},
    {"PHASER 2", 96, 0x4808},
    {"DISTORTION", 97, 0x4900},
    {"COMP+DIST", 98, 0x4901},
    {"STEREO DIST", 99, 0x4908},
    {"OVERDRIVE", 100, 0x4A00},
    {"STEREO OVERDRIVE", 104, 0x4A08},
    {"AMP SIMULATOR", 101, 0x4B00},
    {"STEREO AMP SIM", 105, 0x4B08},
    {"3-BAND EQ", 102, 0x4C00},
    {"TWOBANDEQ", 103, 0x4D00},
    {"AUTO WAH(LFO)", 106, 0x4E00},
    {"AUTO WAH+DISTORTION", 107, 0x4E01},
    {"AUTO WAH+OVERDRIVE", 108, 0x4E02},
    {"PITCH CHANGE", 109, 0x5000},
    {"PITCH CHANGE 2", 110, 0x5001},
    {"AURAL EXCITER", 111, 0x5100},
    {"TOUCH WAH1", 112, 0x5200},
    {"TOUCH WAH+DIST", 113, 0x5201},
    {"TOUCH WAH+OVERDRIVE", 114, 0x5202},
    {"TOUCH WAH 2", 115, 0x5208},
    {"COMPRESSOR", 116, 0x5300},
    {"NOISE GATE", 117, 0x5400},
    {"VOICE CANCEL", 118, 0x5500},
    {"2-WAY ROTARY SPEAKER", 119, 0x5600},
    {"DIST + 2-WAY ROTARY SPEAKER", 120, 0x5601},
    {"OVERDRIVE + 2-WAY ROTARY SPEAKER", 121, 0x5602},
    {"AMP + 2-WAY ROTARY SPEAKER", 122, 0x5603},
    {"ENSEMBLE DETUNE", 123, 0x5700},
    {"AMBIENCE", 124, 0x5800},
    {"TALKING MODULATOR", 125, 0x5D00},
    {"LOFI", 126, 0x5E00},
    {"DIST+DELAY", 127, 0x5F00},
    {"OVERDRIVE+DELAY", 128, 0x5F01},
    {"COMP+DIST+DELAY", 129, 0x6000},
    {"COMP+OVERDRIVE+DELAY", 130, 0x6001},
    {"WAH+DIST+DELAY", 131, 0x6100},
    {"WAH+OVERDRIVE+DELAY", 132, 0x6101},
    {"V DISTORTION HARD", 133, 0x6200},
    {"V DIST HARD + DELAY", 134, 0x6201},
    {"V DISTORTION SOFT", 135, 0x6202},
    {"V DIST SOFT + DELAY", 136, 0x6203},
    {"DUAL ROTARY SPEAKER1", 137, 0x6300},
    {"DUAL ROTARY SPEAKER2", 138, 0x6301},
    {"DIST + TEMPO DELAY", 139, 0x6400},
    {"OD + TEMPO DELAY", 140, 0x6401},
    {"COMP + DIST + TEMPO DELAY", 141, 0x6500},
    {"COMP + OD + TEMPO DELAY", 142, 0x6501},
    {"WAH + DIST + TEMPO DELAY", 143, 0x6600},
    {"WAH + OD + TEMPO DELAY", 144, 0x6601},
    {"V DIST HARD + TEMPO DELAY", 145, 0x6700},
    {"V DIST SOFT + TEMPO DELAY", 146, 0x6701},
    {"3D MANUAL", 147, 0x7F01},
    {"3D AUTO", 148, 0x7F02},
    {"WIDE STEREO", 149, 0x7F03},
};

constexpr const char* kEQTypes[] = {"FLAT", "JAZZ", "POPS", "ROCK", "CONCERT"};

std::span<const XGTypeChoice> choicesOf(XGBlock block) {
    switch (block) {
    case XGBlock::reverb: return kReverb;
    case XGBlock::chorus: return kChorus;
    case XGBlock::variation: break;
    }
    return kVariation;
}

// ---- value lists -------------------------------------------------------------------------------

constexpr const char* kLFO[] = {
    "0.00", "0.08", "0.08", "0.16", "0.16", "0.25", "0.25", "0.33", "0.33", "0.42", "0.42", "0.50",
    "0.50", "0.58", "0.58", "0.67", "0.67", "0.75", "0.75", "0.84", "0.84", "0.92", "0.92", "1.00",
    "1.00", "1.09", "1.09", "1.17", "1.17", "1.26", "1.26", "1.34", "1.34", "1.43", "1.43", "1.51",
    "1.51", "1.59", "1.59", "1.68", "1.68", "1.76", "1.76", "1.85", "1.85", "1.93", "1.93", "2.01",
    "2.01", "2.10", "2.10", "2.18", "2.18", "2.27", "2.27", "2.35", "2.35", "2.43", "2.43", "2.52",
    "2.52", "2.60", "2.60", "2.69", "2.69", "2.77", "2.86", "2.94", "3.02", "3.11", "3.19", "3.28",
    "3.36", "3.45", "3.53", "3.61", "3.70", "3.86", "4.03", "4.20", "4.37", "4.54", "4.71", "4.87",
    "5.04", "5.21", "5.38", "5.55", "5.72", "6.05", "6.39", "6.72", "7.06", "7.40", "7.73", "8.07",
    "8.41", "8.74", "9.08", "9.42", "9.75", "10.1", "10.7", "11.4", "12.1", "12.8", "13.4", "14.1",
    "14.8", "15.5", "16.1", "16.8", "17.5", "18.2", "19.5", "20.9", "22.2", "23.6", "24.9", "26.2",
    "27.6", "28.9", "30.3", "31.6", "33.0", "34.3", "37.0", "39.7"};

// Modulation delay offsets above 10.0 ms.
constexpr const char* kMODHigh[] = {
    "11.1", "12.2", "13.3", "14.4", "15.5", "17.1", "18.6", "20.2", "21.8", "23.3", "24.9", "26.5", "28.0",
    "29.6", "31.2", "32.8", "34.3", "35.9", "37.5", "39.0", "40.6", "42.2", "43.7", "45.3", "46.9", "48.4",
    "50.0"};

constexpr const char* kEQF[] = {
    "THRU(20)", "22", "25", "28", "32", "36", "40", "45", "50", "56", "63", "70", "80", "90", "100",
    "110", "125", "140", "160", "180", "200", "225", "250", "280", "315", "355", "400", "450", "500",
    "560", "630", "700", "800", "900", "1.0k", "1.1k", "1.2k", "1.4k", "1.6k", "1.8k", "2.0k", "2.2k",
    "2.5k", "2.8k", "3.2k", "3.6k", "4.0k", "4.5k", "5.0k", "5.6k", "6.3k", "7.0k", "8.0k", "9.0k",
    "10.0k", "11.0k", "12.0k", "14.0k", "16.0k", "18.0k", "THRU(20.0k)"};

// Reverb times above 5.0 s.
constexpr const char* kRVTHigh[] = {"5.5",  "6.0",  "6.5",  "7.0",  "7.5",  "8.0",  "8.5",  "9.0",
                                    "9.5",  "10.0", "11.0", "12.0", "13.0", "14.0", "15.0", "16.0",
                                    "17.0", "18.0", "19.0", "20.0", "25.0", "30.0"};

constexpr const char* kATK[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10",
                                "12", "14", "16", "18", "20", "23", "26", "30", "35", "40"};
constexpr const char* kREL[] = {"10", "15", "25", "35", "45", "55", "65", "75",
                                "85", "100", "115", "140", "170", "230", "340", "680"};
constexpr const char* kRAT[] = {"1.0", "1.5", "2.0", "3.0", "5.0", "7.0", "10.0", "20.0"};

constexpr const char* kDIM[] = {
    "0.5m",  "0.8m",  "1.0m",  "1.3m",  "1.5m",  "1.8m",  "2.0m",  "2.3m",  "2.6m",  "2.8m",  "3.1m",
    "3.3m",  "3.6m",  "3.9m",  "4.1m",  "4.4m",  "4.6m",  "4.9m",  "5.2m",  "5.4m",  "5.7m",  "5.9m",
    "6.2m",  "6.5m",  "6.7m",  "7.0m",  "7.2m",  "7.5m",  "7.8m",  "8.0m",  "8.3m",  "8.6m",  "8.8m",
    "9.1m",  "9.4m",  "9.6m",  "9.9m",  "10.2m", "10.4m", "10.7m", "11.0m", "11.2m", "11.5m", "11.8m",
    "12.1m", "12.3m", "12.6m", "12.9m", "13.1m", "13.4m", "13.7m", "14.0m", "14.2m", "14.5m", "14.8m",
    "15.1m", "15.4m", "15.6m", "15.9m", "16.2m", "16.5m", "16.8m", "17.1m", "17.3m", "17.6m", "17.9m",
    "18.2m", "18.5m", "18.8m", "19.1m", "19.4m", "19.7m", "20.0m", "20.2m", "20.5m", "20.8m", "21.1m",
    "21.4m", "21.7m", "22.0m", "22.4m", "22.7m", "23.0m", "23.3m", "23.6m", "23.9m", "24.2m", "24.5m",
    "24.9m", "25.2m", "25.5m", "25.8m", "26.1m", "26.5m", "26.8m", "27.1m", "27.5m", "27.8m", "28.1m",
    "28.5m", "28.8m", "29.2m", "29.5m", "29.9m", "30.2m"};

constexpr const char* kDAMP[] = {"--", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0"};
constexpr const char* kERT[] = {"S-H", "L-H", "Rdm", "Rvs", "Plt", "Spr"};
constexpr const char* kAB[] = {"TypeA", "TypeB"};
constexpr const char* kMS[] = {"mono", "stereo"};
constexpr const char* kNI[] = {"normal", "invers"};
constexpr const char* kPAN[] = {"L<->R", "L->R", "L<-R", "Lturn", "Rturn", "L/R"};
constexpr const char* kAMP[] = {"Off", "Stack", "Combo", "Tube"};
constexpr const char* kVOW[] = {"a", "i", "u", "e", "o"};
constexpr const char* kLOFI[] = {"Thru", "PowerBass", "Radio", "Telephone", "Clean", "Low"};
constexpr const char* kSHP[] = {"shelving", "peaking"};

// Tenths as "w.f".
std::string tenths(long t) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%ld.%ld", t / 10, t % 10);
    return buf;
}

// The linear lists (delay times, room size): first + i * (last - first) / (entries - 1), in
// tenths, rounded to the nearest.
std::string linearTenths(int i, long first, long last, int entries) {
    const long span = (last - first) * i;
    return tenths(first + (2 * span + (entries - 1)) / (2 * (entries - 1)));
}

template <size_t N>
std::string entry(const char* const (&list)[N], int value) {
    return value >= 0 && static_cast<size_t>(value) < N ? list[value] : "-";
}

// ---- parameter pages ---------------------------------------------------------------------------

using L = XGValueList;

struct SlotDef {
    int slot;
    const char* label;
    int min, max;
    XGValueList list;
};

struct SlotGroup {
    std::vector<std::pair<int, int>> numbers;  // inclusive ranges of effect numbers
    std::vector<SlotDef> slots;
};

const std::vector<SlotGroup>& slotGroups() {
    static const std::vector<SlotGroup> groups = {
    {{{1, 2}, {5, 7}, {11, 13}, {39, 40}, {43, 45}, {49, 51}}, {
        {1, "Reverb Time", 0, 69, L::RVT},
        {2, "Diffusion", 0, 10, L::none},
        {3, "Initial Delay", 0, 63, L::D200},
        {4, "HPF Cutoff", 0, 52, L::EQF},
        {5, "LPF Cutoff", 34, 60, L::EQF},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Rev Delay", 0, 63, L::D200},
        {12, "Density", 0, 4, L::none},
        {13, "Er/Rev Balance", 1, 127, L::none},
        {14, "High Damp", 1, 10, L::DAMP},
        {15, "Feedback Level", 1, 127, L::PM64},
    }},
    {{{15, 18}, {61, 64}}, {
        {1, "Reverb Time", 0, 69, L::RVT},
        {2, "Diffusion", 0, 10, L::none},
        {3, "Initial Delay", 0, 63, L::D200},
        {4, "HPF Cutoff", 0, 52, L::EQF},
        {5, "LPF Cutoff", 34, 60, L::EQF},
        {6, "Width", 0, 37, L::DIM},
        {7, "Heigt", 0, 73, L::DIM},
        {8, "Depth", 0, 104, L::DIM},
        {9, "Wall Vary", 0, 30, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Rev Delay", 0, 63, L::D200},
        {12, "Density", 0, 4, L::none},
        {13, "Er/Rev Balance", 1, 127, L::none},
        {14, "High Damp", 1, 10, L::DAMP},
        {15, "Feedback Level", 1, 127, L::PM64},
    }},
    {{{19, 22}, {28, 31}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Feedback Level", 1, 127, L::PM64},
        {4, "Delay Offset", 0, 127, L::MOD},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {15, "Input Mode", 0, 1, L::MS},
    }},
    {{{32, 34}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Feedback Level", 1, 127, L::PM64},
        {4, "Delay Offset", 0, 127, L::MOD},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {14, "LFO Phase Difference", 4, 120, L::none},
    }},
    {{{35, 35}, {88, 88}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Delay Offset", 0, 127, L::MOD},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "EQ Mid Frequency", 14, 54, L::EQF},
        {12, "EQ Mid Gain", 52, 76, L::none},
        {13, "EQ Mid Width", 10, 120, L::none},
    }},
    {{{36, 36}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Phase Shift Offset", 0, 127, L::none},
        {4, "Feedback Level", 1, 127, L::PM64},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Stage", 4, 6, L::none},
        {12, "Diffusion", 0, 1, L::MS},
    }},
    {{{37, 37}, {123, 123}}, {
        {1, "Detune", 14, 114, L::none},
        {2, "Lch Init Delay", 0, 127, L::MOD},
        {3, "Rch Init Delay", 0, 127, L::MOD},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "EQ Low Frequency", 4, 40, L::EQF},
        {12, "EQ Low Gain", 52, 76, L::none},
        {13, "EQ High Frequency", 28, 58, L::EQF},
        {14, "EQ High Gain", 52, 76, L::none},
    }},
    {{{53, 53}}, {
        {1, "Lch Delay", 1, 14860, L::none},
        {2, "Rch Delay", 1, 14860, L::none},
        {3, "Cch Delay", 1, 14860, L::none},
        {4, "Feedback Delay", 1, 14860, L::none},
        {5, "Feedback Level", 1, 127, L::PM64},
        {6, "Cch Level", 0, 127, L::none},
        {7, "High Damp", 1, 10, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {13, "EQ Low Frequency", 4, 40, L::EQF},
        {14, "EQ Low Gain", 52, 76, L::none},
        {15, "EQ High Frequenc", 28, 58, L::EQF},
        {16, "EQ High Gain", 52, 76, L::none},
    }},
    {{{54, 54}}, {
        {1, "Lch Delay", 1, 14860, L::none},
        {2, "Rch Delay", 1, 14860, L::none},
        {3, "Feedback Delay 1", 1, 14860, L::none},
        {4, "Feedback Delay 2", 1, 14860, L::none},
        {5, "Feedback Level", 1, 127, L::PM64},
        {6, "High Damp", 1, 10, L::DAMP},
        {10, "Dry/Wet", 1, 127, L::none},
        {13, "EQ Low Frequency", 4, 40, L::EQF},
        {14, "EQ Low Gain", 52, 76, L::none},
        {15, "EQ High Frequency", 28, 58, L::EQF},
        {16, "EQ High Gain", 52, 76, L::none},
    }},
    {{{55, 55}}, {
        {1, "Lch Delay1", 1, 7430, L::none},
        {2, "Lch Feedback Level", 1, 127, L::PM64},
        {3, "Rch Delay1", 1, 7430, L::none},
        {4, "Rch Feedback Level", 1, 127, L::PM64},
        {5, "High Damp", 1, 10, L::DAMP},
        {6, "Lch Delay2", 1, 7430, L::none},
        {7, "Rch Delay2", 1, 7430, L::none},
        {8, "Delay2 Level", 1, 127, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {13, "EQ Low Frequency", 4, 40, L::EQF},
        {14, "EQ Low Gain", 52, 76, L::none},
        {15, "EQ High Frequency", 28, 58, L::EQF},
        {16, "EQ High Gain", 52, 76, L::none},
    }},
    {{{56, 56}}, {
        {1, "L->R Delay", 1, 7430, L::none},
        {2, "R->L Delay", 1, 7430, L::none},
        {3, "Feedback Level", 1, 127, L::PM64},
        {4, "Input Select", 0, 2, L::none},
        {5, "High Damp", 1, 10, L::DAMP},
        {10, "Dry/Wet", 1, 127, L::none},
        {13, "EQ Low Frequency", 4, 40, L::EQF},
        {14, "EQ Low Gain", 52, 76, L::none},
        {15, "EQ High Frequency", 28, 58, L::EQF},
        {16, "EQ High Gain", 52, 76, L::none},
    }},
    {{{57, 58}}, {
        {1, "Type", 0, 5, L::ERT},
        {2, "Room Size", 0, 44, L::RS},
        {3, "Diffusion", 0, 10, L::none},
        {4, "Initial Delay", 0, 63, L::D200},
        {5, "Feedback Level", 1, 127, L::PM64},
        {6, "HPF Cutoff", 0, 52, L::EQF},
        {7, "LPF Cutoff", 34, 60, L::EQF},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Liveness", 0, 10, L::none},
        {12, "Density", 0, 3, L::none},
        {13, "High Damp", 1, 10, L::DAMP},
    }},
    {{{59, 60}}, {
        {1, "Type", 0, 1, L::AB},
        {2, "Room Size", 0, 127, L::RS},
        {3, "Diffusion", 0, 10, L::none},
        {4, "Initial Delay", 0, 63, L::D200},
        {5, "Feedback Level", 1, 127, L::PM64},
        {6, "HPF Cutoff", 0, 52, L::EQF},
        {7, "LPF Cutoff", 34, 60, L::EQF},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Liveness", 0, 10, L::none},
        {12, "Density", 0, 3, L::none},
        {13, "High Damp", 1, 10, L::DAMP},
    }},
    {{{65, 67}}, {
        {1, "Delay Time", 0, 127, L::D400},
        {2, "Feedback Level", 1, 127, L::PM64},
        {3, "HPF Cutoff", 0, 52, L::EQF},
        {4, "LPF Cutoff", 34, 60, L::EQF},
        {10, "Dry/Wet", 1, 127, L::none},
    }},
    {{{71, 74}, {80, 83}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Feedback Level", 1, 127, L::PM64},
        {4, "Delay Offset", 0, 127, L::MOD},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "EQ Mid Frequency", 14, 54, L::EQF},
        {12, "EQ Mid Gain", 52, 76, L::none},
        {13, "EQ Mid Width", 10, 120, L::none},
        {15, "Input Mode", 0, 1, L::MS},
    }},
    {{{84, 86}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Feedback Level", 1, 127, L::PM64},
        {4, "Delay Offset", 0, 127, L::MOD},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "EQ Mid Frequency", 14, 54, L::EQF},
        {12, "EQ Mid Gain", 52, 76, L::none},
        {13, "EQ Mid Width", 10, 120, L::none},
        {14, "LFO Phase Difference", 4, 120, L::none},
    }},
    {{{89, 89}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "EQ Mid Frequency", 14, 54, L::EQF},
        {12, "EQ Mid Gain", 52, 76, L::none},
        {13, "EQ Mid Width", 10, 120, L::none},
    }},
    {{{90, 90}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "AM Depth", 0, 127, L::none},
        {3, "PM Depth", 0, 127, L::none},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {11, "EQ Mid Frequency", 14, 54, L::EQF},
        {12, "EQ Mid Gain", 52, 76, L::none},
        {13, "EQ Mid Width", 10, 120, L::none},
        {14, "LFO Phase Difference", 4, 124, L::none},
        {15, "Input Mode", 0, 1, L::MS},
    }},
    {{{91, 91}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "L/R Depth", 0, 127, L::none},
        {3, "F/R Depth", 0, 127, L::none},
        {4, "PAN Direction", 0, 5, L::PAN},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {11, "EQ Mid Frequency", 14, 54, L::EQF},
        {12, "EQ Mid Gain", 52, 76, L::none},
        {13, "EQ Mid Width", 10, 120, L::none},
    }},
    {{{95, 95}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Phase Shift Offset", 0, 127, L::none},
        {4, "Feedback Level", 1, 127, L::PM64},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Stage", 4, 12, L::none},
        {12, "Diffusion", 0, 1, L::MS},
    }},
    {{{96, 96}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Phase Shift Offset", 0, 127, L::none},
        {4, "Feedback Level", 1, 127, L::PM64},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Stage", 3, 6, L::none},
        {13, "LFO Phase Difference", 4, 124, L::none},
    }},
    {{{97, 97}, {100, 100}}, {
        {1, "Drive", 0, 127, L::none},
        {2, "EQ Low Frequency", 4, 40, L::EQF},
        {3, "EQ Low Gain", 52, 76, L::none},
        {4, "LPF Cutoff", 34, 60, L::EQF},
        {5, "Output Level", 0, 127, L::none},
        {7, "EQ Mid Frequency", 14, 54, L::EQF},
        {8, "EQ Mid Gain", 52, 76, L::none},
        {9, "EQ Mid Width", 10, 120, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Edge(Clip Curve)", 0, 127, L::none},
    }},
    {{{98, 98}}, {
        {1, "Drive", 0, 127, L::none},
        {2, "EQ Low Frequency", 4, 40, L::EQF},
        {3, "EQ Low Gain", 52, 76, L::none},
        {4, "LPF Cutoff", 34, 60, L::EQF},
        {5, "Output Level", 0, 127, L::none},
        {7, "EQ Mid Frequency", 14, 54, L::EQF},
        {8, "EQ Mid Gain", 52, 76, L::none},
        {9, "EQ Mid Width", 10, 120, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Edge(Clip Curve)", 0, 127, L::none},
        {12, "Attack", 0, 19, L::ATK},
        {13, "Release", 0, 15, L::REL},
        {14, "Threshold", 79, 121, L::none},
        {15, "Ratio", 0, 7, L::RAT},
    }},
    {{{101, 101}}, {
        {1, "Drive", 0, 127, L::none},
        {2, "AMP Type", 0, 3, L::AMP},
        {3, "LPF Cutoff", 34, 60, L::EQF},
        {4, "Output Level", 0, 127, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Edge(Clip Curve)", 0, 127, L::none},
    }},
    {{{102, 102}}, {
        {1, "EQ Low Gain", 52, 76, L::none},
        {2, "EQ Mid Frequency", 14, 54, L::EQF},
        {3, "EQ Mid Gain", 52, 76, L::none},
        {4, "EQ Mid Width", 10, 120, L::none},
        {5, "EQ High Gain", 52, 76, L::none},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ High Frequency", 28, 58, L::EQF},
        {15, "Input Mode", 0, 1, L::MS},
    }},
    {{{103, 103}}, {
        {1, "EQ Low Frequency", 4, 40, L::EQF},
        {2, "EQ Low Gain", 52, 76, L::none},
        {3, "EQ High Frequency", 28, 58, L::EQF},
        {4, "EQ High Gain", 52, 76, L::none},
    }},
    {{{106, 106}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Cutoff Frequency Offset", 0, 127, L::none},
        {4, "Resonance", 10, 120, L::none},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Drive", 0, 127, L::none},
        {12, "EQ Low Gain(distortion)", 52, 76, L::none},
        {13, "EQ Mid Gain(distortion)", 52, 76, L::none},
        {14, "LPF Cutoff", 34, 60, L::EQF},
    }},
    {{{107, 108}}, {
        {1, "LFO Frequency", 0, 127, L::LFO},
        {2, "LFO Depth", 0, 127, L::none},
        {3, "Cutoff Frequency Offset", 0, 127, L::none},
        {4, "Resonance", 10, 120, L::none},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Drive", 0, 127, L::none},
        {12, "EQ Low Gain(distortion)", 52, 76, L::none},
        {13, "EQ Mid Gain(distortion)", 52, 76, L::none},
        {14, "LPF Cutoff", 34, 60, L::EQF},
        {15, "Output Level", 0, 127, L::none},
    }},
    {{{109, 110}}, {
        {1, "Pitch", 40, 88, L::none},
        {2, "Initial Delay", 0, 127, L::D400},
        {3, "Fine 1", 14, 114, L::none},
        {4, "Fine 2", 14, 114, L::none},
        {5, "Feedback Level", 1, 127, L::PM64},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Pan 1", 1, 127, L::none},
        {12, "Output Level 1", 0, 127, L::none},
        {13, "Pan 2", 1, 127, L::none},
        {14, "Output Level 2", 0, 127, L::none},
    }},
    {{{111, 111}}, {
        {1, "HPF Cutoff", 28, 58, L::EQF},
        {2, "Drive", 0, 127, L::none},
        {3, "Mix Level", 0, 127, L::none},
    }},
    {{{112, 113}}, {
        {1, "Sensitive", 0, 127, L::none},
        {2, "Cutoff Frequency Offset", 0, 127, L::none},
        {3, "Resonance", 10, 120, L::none},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Drive", 0, 127, L::none},
    }},
    {{{114, 115}}, {
        {1, "Sensitive", 0, 127, L::none},
        {2, "Cutoff Frequency Offset", 0, 127, L::none},
        {3, "Resonance", 10, 120, L::none},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Drive", 0, 127, L::none},
        {12, "EQ Low Gain(distortion)", 52, 76, L::none},
        {13, "EQ Mid Gain(distortion)", 52, 76, L::none},
        {14, "LPF Cutoff", 34, 60, L::EQF},
        {15, "Output Level", 0, 127, L::none},
    }},
    {{{116, 116}}, {
        {1, "Attack", 0, 19, L::ATK},
        {2, "Release", 0, 15, L::REL},
        {3, "Threshold", 79, 121, L::none},
        {4, "Ratio", 0, 7, L::RAT},
        {5, "Output Level 1", 0, 127, L::none},
    }},
    {{{117, 117}}, {
        {1, "Attack", 0, 19, L::ATK},
        {2, "Release", 0, 15, L::REL},
        {3, "Threshold", 79, 121, L::none},
        {4, "Output Level 1", 0, 127, L::none},
    }},
    {{{118, 118}}, {
        {11, "Low Adjust", 0, 26, L::none},
        {12, "High Adjust", 0, 26, L::none},
    }},
    {{{119, 119}}, {
        {1, "Rotor Speed", 0, 127, L::LFO},
        {2, "Drive Low", 0, 127, L::none},
        {3, "Drive High", 0, 127, L::none},
        {4, "Lo/High", 1, 127, L::none},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {11, "Crossover Frequency", 14, 54, L::EQF},
        {12, "Mic L-R Angle", 0, 60, L::none},
    }},
    {{{124, 124}}, {
        {1, "Delay Time", 0, 127, L::MOD},
        {2, "Output Phase", 0, 1, L::NI},
        {6, "EQ Low Frequency", 4, 40, L::EQF},
        {7, "EQ Low Gain", 52, 76, L::none},
        {8, "EQ High Frequency", 28, 58, L::EQF},
        {9, "EQ High Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
    }},
    {{{125, 125}}, {
        {1, "vowe1", 0, 4, L::VOW},
        {2, "move speed", 1, 62, L::none},
        {3, "Drive", 0, 127, L::none},
        {4, "Output Level", 0, 127, L::none},
    }},
    {{{126, 126}}, {
        {1, "sampling freq control", 0, 127, L::none},
        {2, "word length", 1, 127, L::none},
        {3, "output gain", 0, 18, L::none},
        {4, "LPF Cutoff", 10, 60, L::none},
        {5, "filter type", 0, 5, L::LOFI},
        {6, "LPF resonance", 10, 120, L::none},
        {7, "bit assign", 0, 6, L::none},
        {8, "emphasis off/on", 0, 1, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {15, "Input Mode", 0, 1, L::MS},
    }},
    {{{127, 128}}, {
        {1, "Lch Delay Time", 1, 14860, L::none},
        {2, "Rch Delay Time", 1, 14860, L::none},
        {3, "Delay Feedback Time", 1, 14860, L::none},
        {4, "Delay Feedback Level", 1, 127, L::PM64},
        {5, "Delay Mix", 0, 127, L::none},
        {6, "Dist Drive", 0, 127, L::none},
        {7, "Dist Output Level", 0, 127, L::none},
        {8, "Dist EQ Low Gain", 52, 76, L::none},
        {9, "Dist EQ Mid Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
    }},
    {{{129, 130}}, {
        {1, "Delay Time", 1, 14860, L::none},
        {2, "Delay Feedback Level", 1, 127, L::PM64},
        {3, "Delay Mix", 0, 127, L::none},
        {4, "Dist Drive", 0, 127, L::none},
        {5, "Dist Output Level", 0, 127, L::none},
        {6, "Dist EQ Low Gain", 52, 76, L::none},
        {7, "Dist EQ Mid Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Attack", 0, 19, L::ATK},
        {12, "Release", 0, 15, L::REL},
        {13, "Threshold", 79, 121, L::none},
        {14, "Comp Ratio", 0, 7, L::RAT},
    }},
    {{{131, 132}}, {
        {1, "Delay Time", 1, 14860, L::none},
        {2, "Delay Feedback Level", 1, 127, L::PM64},
        {3, "Delay Mix", 0, 127, L::none},
        {4, "Dist Drive", 0, 127, L::none},
        {5, "Dist Output Level", 0, 127, L::none},
        {6, "Dist EQ Low Gain", 52, 76, L::none},
        {7, "Dist EQ Mid Gain", 52, 76, L::none},
        {10, "Dry/Wet", 1, 127, L::none},
        {11, "Wah Sensitive", 0, 127, L::none},
        {12, "Wah Cutoff Freq Offset", 0, 127, L::none},
        {13, "Wah Resonance", 10, 120, L::none},
        {14, "Wah Release", 52, 67, L::none},
    }},
    {{{193, 197}}, {
        {1, "EQ gain1", 52, 76, L::none},
        {2, "EQ frequency1", 4, 40, L::EQF},
        {3, "EQ Q1", 1, 120, L::none},
        {4, "EQ shape1", 0, 1, L::SHP},
        {5, "EQ gain2", 52, 76, L::none},
        {6, "EQ frequency2", 14, 54, L::EQF},
        {7, "EQ Q2", 1, 120, L::none},
        {8, "EQ gain3", 52, 76, L::none},
        {9, "EQ frequency3", 14, 54, L::EQF},
        {10, "EQ Q3", 1, 120, L::none},
        {11, "EQ gain4", 52, 76, L::none},
        {12, "EQ frequency4", 14, 54, L::EQF},
        {13, "EQ Q4", 1, 120, L::none},
        {14, "EQ gain5", 52, 76, L::none},
        {15, "EQ frequency5", 28, 58, L::EQF},
        {16, "EQ Q5", 1, 120, L::none},
        {17, "EQ shape5", 0, 1, L::SHP},
    }},
    {{{198, 198}}, {
        {1, "MW PITCH CONTROL", 40, 88, L::PM64},
        {2, "MW FILTER CONTROL", 0, 127, L::none},
        {3, "MW AMPLITUDE CONTROL", 0, 127, L::none},
        {4, "MW LFO PMOD DEPTH", 0, 127, L::none},
        {5, "MW LFO FMOD DEPTH", 0, 127, L::none},
        {6, "MW LFO AMOD DEPTH", 0, 127, L::none},
        {16, "MW HPF CONTROL DEPTH", 0, 127, L::PM64},
    }},
    {{{199, 199}}, {
        {1, "BEND PITCH CONTROL", 40, 88, L::PM64},
        {2, "BEND FILTER CONTROL", 0, 127, L::none},
        {3, "BEND AMPLITUDE CONTROL", 0, 127, L::none},
        {4, "BEND LFO PMOD DEPTH", 0, 127, L::none},
        {5, "BEND LFO FMOD DEPTH", 0, 127, L::none},
        {6, "BEND LFO AMOD DEPTH", 0, 127, L::none},
        {16, "BEND HPF CONTROL DEPTH", 0, 127, L::PM64},
    }},
    {{{200, 200}}, {
        {1, "SCALE TUNING C", 0, 127, L::PM64},
        {2, "SCALE TUNING C#", 0, 127, L::PM64},
        {3, "SCALE TUNING D", 0, 127, L::PM64},
        {4, "SCALE TUNING D#", 0, 127, L::PM64},
        {5, "SCALE TUNING E", 0, 127, L::PM64},
        {6, "SCALE TUNING F", 0, 127, L::PM64},
        {7, "SCALE TUNING F#", 0, 127, L::PM64},
        {8, "SCALE TUNING G", 0, 127, L::PM64},
        {9, "SCALE TUNING G#", 0, 127, L::PM64},
        {10, "SCALE TUNING A", 0, 127, L::PM64},
        {11, "SCALE TUNING A#", 0, 127, L::PM64},
        {12, "SCALE TUNING B", 0, 127, L::PM64},
    }},
    {{{201, 201}}, {
        {1, "CAT PITCH CONTROL", 40, 88, L::PM64},
        {2, "CAT FILTER CONTROL", 0, 127, L::none},
        {3, "CAT AMPLITUDE CONTROL", 0, 127, L::none},
        {4, "CAT LFO PMOD DEPTH", 0, 127, L::none},
        {5, "CAT LFO FMOD DEPTH", 0, 127, L::none},
        {6, "CAT LFO AMOD DEPTH", 0, 127, L::none},
        {16, "CAT HPF CONTROL DEPTH", 0, 127, L::PM64},
    }},
    {{{202, 202}}, {
        {1, "PAT PITCH CONTROL", 40, 88, L::PM64},
        {2, "PAT FILTER CONTROL", 0, 127, L::none},
        {3, "PAT AMPLITUDE CONTROL", 0, 127, L::none},
        {4, "PAT LFO PMOD DEPTH", 0, 127, L::none},
        {5, "PAT LFO FMOD DEPTH", 0, 127, L::none},
        {6, "PAT LFO AMOD DEPTH", 0, 127, L::none},
        {16, "PAT HPF CONTROL DEPTH", 0, 127, L::PM64},
    }},
    {{{203, 203}}, {
        {1, "AC1 CONTROLLER NUMBER", 0, 95, L::none},
        {2, "AC1 PITCH CONTROL", 40, 88, L::PM64},
        {3, "AC1 FILTER CONTROL", 0, 127, L::none},
        {4, "AC1 AMPLITUDE CONTROL", 0, 127, L::none},
        {5, "AC1 LFO PMOD DEPTH", 0, 127, L::none},
        {6, "AC1 LFO FMOD DEPTH", 0, 127, L::none},
        {7, "AC1 LFO AMOD DEPTH", 0, 127, L::none},
        {16, "AC1 HPF CONTROL DEPTH", 0, 127, L::PM64},
    }},
    {{{204, 204}}, {
        {1, "AC2 CONTROLLER NUMBER", 0, 95, L::none},
        {2, "AC2 PITCH CONTROL", 40, 88, L::PM64},
        {3, "AC2 FILTER CONTROL", 0, 127, L::none},
        {4, "AC2 AMPLITUDE CONTROL", 0, 127, L::none},
        {5, "AC2 LFO PMOD DEPTH", 0, 127, L::none},
        {6, "AC2 LFO FMOD DEPTH", 0, 127, L::none},
        {7, "AC2 LFO AMOD DEPTH", 0, 127, L::none},
        {16, "AC2 HPF CONTROL DEPTH", 0, 127, L::PM64},
    }},
    {{{205, 205}}, {
        {1, "PITCH EG INITIAL LEVEL", 0, 127, L::PM64},
        {2, "PITCH EG ATTACK TIME", 0, 127, L::PM64},
        {3, "PITCH EG RELEASE LEVEL", 0, 127, L::PM64},
        {4, "PITCH EG RELEASE TIME", 0, 127, L::PM64},
    }},
    {{{206, 206}}, {
        {1, "EQ BASS", 0, 127, L::PM64},
        {2, "EQ TREBLE", 0, 127, L::PM64},
        {3, "(EQ MID BASS)", 64, 64, L::PM64},
        {4, "(EQ MID TREBLE)", 64, 64, L::PM64},
        {5, "EQ BASS frequency", 3, 40, L::EQF},
        {6, "EQ TREBLE frequency", 28, 58, L::EQF},
        {7, "(EQ MID-BASS frequency)", 34, 34, L::none},
        {8, "(EQ MID-TREBLE frequency)", 46, 46, L::none},
        {9, "(EQ BASS Q)", 7, 7, L::none},
        {10, "(EQ TREBLE Q)", 7, 7, L::none},
        {11, "(EQ MID-BASS Q)", 7, 7, L::none},
        {12, "(EQ MID-TREBLE Q)", 7, 7, L::none},
        {13, "(EQ BASS shape)", 0, 0, L::none},
        {14, "(EQ TREBLE shape)", 0, 0, L::none},
    }},
    {{{207, 207}}, {
        {1, "FILT. CUTOFF FREQ", 0, 127, L::PM64},
        {2, "FILT. RESONANCE", 0, 127, L::PM64},
        {3, "EG ATTACK", 0, 127, L::PM64},
        {4, "EG DECAY1", 0, 127, L::PM64},
        {5, "EG DECAY2", 0, 127, L::PM64},
    }},
    {{{208, 208}}, {
        {1, "EQ BASS", 0, 127, L::PM64},
        {2, "EQ TREBLE", 0, 127, L::PM64},
        {5, "EQ BASS frequency", 4, 40, L::EQF},
        {6, "EQ TREBLE frequency", 28, 58, L::EQF},
    }},
    {{{209, 209}}, {
        {1, "OUTPUT SELECT", 0, 103, L::none},
        {2, "HIGH PASS FILTER CUTOFF FREQUENCY", 0, 127, L::PM64},
        {4, "VELOCITY PITCH SENSE", 0, 15, L::none},
        {5, "VELOCITY LPF CUTOFF SENSE", 0, 15, L::none},
    }},
    };
    return groups;
}

struct PageCaption {
    int numbers[2];  // the effect numbers that share the caption (0: none)
    const char* caption;
    int defaults[16];
};

constexpr PageCaption kCaptions[] = {
    {{1, 39}, "HALL 1 Parameter", {18, 10, 8, 13, 49, 0, 0, 0, 0, 40, 0, 4, 50, 8, 64, 0}},
    {{2, 40}, "HALL 2 Parameter", {25, 10, 28, 6, 46, 0, 0, 0, 0, 40, 13, 3, 74, 7, 64, 0}},
    {{5, 43}, "ROOM 1 Parameter", {5, 10, 16, 4, 49, 0, 0, 0, 0, 40, 5, 3, 64, 8, 64, 0}},
    {{6, 44}, "ROOM 2 Parameter", {12, 10, 5, 4, 38, 0, 0, 0, 0, 40, 0, 4, 50, 8, 64, 0}},
    {{7, 45}, "ROOM 3 Parameter", {9, 10, 47, 5, 36, 0, 0, 0, 0, 40, 0, 4, 60, 8, 64, 0}},
    {{11, 49}, "STAGE 1 Parameter", {19, 10, 16, 7, 54, 0, 0, 0, 0, 40, 0, 3, 64, 6, 64, 0}},
    {{12, 50}, "STAGE 2 Parameter", {11, 10, 16, 7, 51, 0, 0, 0, 0, 40, 2, 2, 64, 6, 64, 0}},
    {{13, 51}, "PLATE Parameter", {25, 10, 6, 8, 49, 0, 0, 0, 0, 40, 2, 3, 64, 5, 64, 0}},
    {{15, 61}, "WHITE ROOM Parameter", {9, 5, 11, 0, 46, 30, 50, 70, 7, 40, 34, 4, 64, 7, 64, 0}},
    {{16, 62}, "TUNNEL Parameter", {48, 6, 19, 0, 44, 33, 52, 70, 16, 40, 20, 4, 64, 7, 64, 0}},
    {{17, 63}, "CANYON Parameter", {59, 6, 63, 0, 45, 34, 62, 91, 13, 40, 25, 4, 64, 4, 64, 0}},
    {{18, 64}, "BASEMENT Parameter", {3, 6, 3, 0, 34, 26, 29, 59, 15, 40, 32, 4, 64, 8, 64, 0}},
    {{19, 71}, "CHORUS 1 Parameter", {6, 54, 77, 106, 0, 28, 64, 46, 64, 64, 46, 64, 10, 0, 0, 0}},
    {{20, 72}, "CHORUS 2 Parameter", {8, 63, 64, 30, 0, 28, 62, 42, 58, 64, 46, 64, 10, 0, 0, 0}},
    {{21, 73}, "CHORUS 3 Parameter", {4, 44, 64, 110, 0, 28, 64, 46, 66, 64, 46, 64, 10, 0, 0, 0}},
    {{22, 74}, "CHORUS 4 Parameter", {9, 32, 69, 104, 0, 28, 64, 46, 64, 64, 46, 64, 10, 0, 1, 0}},
    {{28, 80}, "CELESTE 1 Parameter", {12, 32, 64, 0, 0, 28, 64, 46, 64, 127, 40, 68, 10, 0, 0, 0}},
    {{29, 81}, "CELESTE 2 Parameter", {28, 18, 90, 2, 0, 28, 62, 42, 60, 84, 40, 68, 10, 0, 0, 0}},
    {{30, 82}, "CELESTE 3 Parameter", {4, 63, 44, 2, 0, 28, 64, 46, 68, 127, 40, 68, 10, 0, 0, 0}},
    {{31, 83}, "CELESTE 4 Parameter", {8, 29, 64, 0, 0, 28, 64, 51, 66, 127, 40, 68, 10, 0, 1, 0}},
    {{32, 84}, "FLANGER 1 Parameter", {14, 14, 104, 2, 0, 28, 64, 46, 64, 96, 40, 64, 10, 4, 0, 0}},
    {{33, 85}, "FLANGER 2 Parameter", {32, 17, 26, 2, 0, 28, 64, 46, 60, 96, 40, 64, 10, 4, 0, 0}},
    {{34, 86}, "FLANGER 3 Parameter", {4, 109, 109, 2, 0, 28, 64, 46, 64, 127, 40, 64, 10, 4, 0, 0}},
    {{35, 88}, "SYMPHONIC Parameter", {12, 25, 16, 0, 0, 28, 64, 46, 64, 127, 46, 64, 10, 0, 0, 0}},
    {{36, 95}, "PHASER 1 Parameter", {8, 111, 74, 104, 0, 28, 64, 46, 64, 64, 6, 1, 64, 0, 0, 0}},
    {{37, 123}, "ENSEMBLE DETUNE Parameter", {54, 0, 0, 0, 0, 0, 0, 0, 0, 64, 28, 64, 46, 64, 0, 0}},
    {{53, 0}, "DELAY L,C,R Parameter", {3333, 1667, 5000, 5000, 74, 100, 10, 0, 0, 32, 0, 60, 28, 64, 46, 64}},
    {{54, 0}, "DELAY L,R Parameter", {2500, 3750, 3752, 3750, 87, 10, 0, 0, 0, 32, 0, 60, 28, 64, 46, 64}},
    {{55, 0}, "ECHO Parameter", {1700, 80, 1780, 80, 10, 1700, 1780, 0, 0, 40, 0, 60, 28, 64, 46, 64}},
    {{56, 0}, "CROSS DELAY Parameter", {1700, 1750, 111, 1, 10, 0, 0, 0, 0, 32, 0, 60, 28, 64, 46, 64}},
    {{57, 0}, "ER 1 Parameter", {0, 19, 5, 16, 64, 0, 46, 0, 0, 32, 5, 0, 10, 0, 0, 0}},
    {{58, 0}, "ER 2 Parameter", {2, 7, 10, 16, 64, 3, 46, 0, 0, 32, 5, 2, 10, 0, 0, 0}},
    {{59, 0}, "GATE REVERB Parameter", {0, 15, 6, 2, 64, 0, 44, 0, 0, 32, 4, 3, 10, 0, 0, 0}},
    {{60, 0}, "REVERSE GATE Parameter", {1, 19, 8, 3, 64, 0, 47, 0, 0, 32, 6, 3, 10, 0, 0, 0}},
    {{65, 0}, "KARAOKE 1 Parameter", {63, 97, 0, 48, 0, 0, 0, 0, 0, 64, 2, 0, 0, 0, 0, 0}},
    {{66, 0}, "KARAOKE 2 Parameter", {55, 105, 0, 50, 0, 0, 0, 0, 0, 64, 1, 0, 0, 0, 0, 0}},
    {{67, 0}, "KARAOKE 3 Parameter", {43, 110, 14, 53, 0, 0, 0, 0, 0, 64, 0, 0, 0, 0, 0, 0}},
    {{89, 0}, "ROTARY SPEAKER Parameter", {81, 35, 0, 0, 0, 24, 60, 45, 54, 127, 33, 52, 30, 0, 0, 0}},
    {{90, 0}, "TREMORO Parameter", {83, 56, 0, 0, 0, 28, 64, 46, 64, 127, 40, 64, 10, 64, 0, 0}},
    {{91, 0}, "AUTO PAN Parameter", {76, 80, 32, 5, 0, 28, 64, 46, 64, 127, 40, 64, 10, 0, 0, 0}},
    {{96, 0}, "PHASER 2 Parameter", {8, 111, 74, 108, 0, 28, 64, 46, 64, 64, 5, 1, 4, 0, 0, 0}},
    {{97, 0}, "DISTORTION Parameter", {40, 20, 72, 53, 48, 0, 43, 74, 10, 127, 120, 0, 0, 0, 0, 0}},
    {{98, 0}, "COMPRESSOR & DISTORTION Parameter", {40, 20, 72, 53, 48, 0, 43, 74, 10, 127, 120, 6, 2, 100, 4, 0}},
    {{100, 0}, "OVERDRIVE Parameter", {29, 24, 68, 45, 55, 0, 41, 72, 10, 127, 104, 0, 0, 0, 0, 0}},
    {{101, 0}, "AMP SIMULATOR Parameter", {39, 1, 48, 55, 0, 0, 0, 0, 0, 127, 112, 0, 0, 0, 0, 0}},
    {{102, 0}, "3BAND EQ Parameter", {70, 34, 60, 10, 70, 28, 46, 0, 0, 127, 0, 0, 0, 0, 0, 0}},
    {{103, 0}, "2BAND EQ Parameter", {28, 70, 46, 70, 0, 0, 0, 0, 0, 127, 34, 64, 10, 0, 0, 0}},
    {{106, 0}, "AUTO WAH Parameter", {70, 56, 39, 25, 0, 28, 66, 46, 64, 127, 0, 0, 0, 0, 0, 0}},
    {{107, 0}, "AUTO WAH & DISTORTION Parameter", {40, 73, 26, 29, 0, 28, 66, 46, 64, 127, 30, 72, 74, 53, 48, 0}},
    {{108, 0}, "AUTO WAH & OVERDRIVE Parameter", {48, 64, 32, 23, 0, 28, 66, 46, 64, 127, 29, 68, 72, 45, 55, 0}},
    {{109, 0}, "PITCH CHANGE Parameter", {64, 0, 74, 54, 64, 0, 0, 0, 0, 64, 1, 127, 127, 127, 0, 0}},
    {{110, 0}, "PITCH CHANGE 2 Parameter", {65, 50, 67, 61, 87, 0, 0, 0, 0, 32, 1, 127, 127, 127, 0, 0}},
    {{111, 0}, "AURAL EXCITER Parameter", {44, 30, 48, 0, 0, 0, 0, 0, 0, 127, 0, 0, 0, 0, 0, 0}},
    {{112, 0}, "TOUCH WAH 1 Parameter", {36, 0, 30, 0, 0, 28, 66, 46, 64, 127, 0, 0, 0, 0, 0, 0}},
    {{113, 0}, "TOUCH WAH & DISTORTION Parameter", {36, 0, 30, 0, 0, 28, 66, 46, 64, 127, 30, 0, 0, 0, 0, 0}},
    {{114, 0}, "TOUCH WAH & OVERDRIVE Parameter", {45, 18, 28, 0, 0, 28, 66, 46, 64, 127, 29, 68, 72, 45, 55, 64}},
    {{115, 0}, "TOUCH WAH 2 Parameter", {68, 18, 60, 0, 0, 28, 66, 46, 64, 127, 0, 72, 74, 53, 57, 64}},
    {{116, 0}, "COMPRESSOR Parameter", {6, 2, 100, 4, 96, 0, 0, 0, 0, 127, 0, 0, 0, 0, 0, 0}},
    {{117, 0}, "NOISE GATE Parameter", {0, 11, 82, 50, 0, 0, 0, 0, 0, 127, 3, 0, 0, 0, 0, 0}},
    {{118, 0}, "VOICE CANCELLER Parameter", {0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 8, 25, 0, 0, 0, 0}},
    {{119, 0}, "2WAY ROTARY SPEAKER Parameter", {16, 26, 35, 70, 0, 24, 60, 45, 54, 127, 31, 45, 32, 0, 0, 0}},
    {{124, 0}, "AMBIENCE Parameter", {114, 0, 0, 0, 0, 28, 64, 46, 64, 64, 0, 0, 0, 0, 0, 0}},
    {{125, 0}, "TALKING MODULATOR Parameter", {0, 15, 31, 63, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {{126, 0}, "LOF 1 Parameter", {2, 60, 6, 54, 5, 10, 1, 1, 0, 127, 0, 0, 0, 0, 1, 0}},
    {{127, 0}, "DISTORTION & DELAY Parameter", {2500, 3000, 3750, 74, 70, 40, 48, 72, 74, 127, 0, 0, 0, 0, 0, 0}},
    {{128, 0}, "OVERDRIVE & DELAY Parameter", {1900, 1400, 2500, 78, 60, 29, 55, 68, 72, 127, 0, 0, 0, 0, 0, 0}},
    {{129, 0}, "COMPRESSOR & DELAY Parameter", {3000, 72, 66, 40, 48, 72, 74, 0, 0, 127, 6, 2, 100, 4, 0, 0}},
    {{130, 0}, "COMPRESSOR & OVERDRIVE & DELAY Parameter", {3000, 72, 66, 29, 55, 68, 72, 0, 0, 127, 6, 2, 100, 4, 0, 0}},
    {{131, 0}, "WAH & DISTORTION & DELAY Parameter", {1600, 84, 64, 30, 48, 69, 72, 0, 0, 127, 40, 0, 30, 64, 0, 0}},
    {{132, 0}, "WAH & OVERDRIVE & DELAY Parameter", {1600, 84, 64, 24, 55, 65, 70, 0, 0, 127, 40, 0, 30, 64, 0, 0}},
    {{193, 0}, "MULTI EQ FLAT Parameter", {64, 12, 7, 0, 64, 28, 7, 64, 34, 7, 64, 46, 7, 64, 52, 7}},
    {{194, 0}, "MULTI EQ JAZZ Parameter", {58, 8, 7, 0, 66, 16, 3, 68, 33, 3, 60, 44, 5, 58, 50, 7}},
    {{195, 0}, "MULTI EQ POPS Parameter", {68, 16, 7, 0, 60, 24, 20, 67, 34, 7, 60, 40, 20, 70, 48, 7}},
    {{196, 0}, "MULTI EQ ROCK Parameter", {71, 16, 7, 0, 68, 20, 7, 60, 36, 5, 68, 41, 10, 66, 50, 7}},
    {{197, 0}, "MULTI EQ CONCERT Parameter", {67, 12, 7, 0, 68, 24, 7, 64, 34, 5, 66, 50, 7, 61, 52, 7}},
    {{198, 0}, "Multi Part MW", {64, 64, 64, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64}},
    {{199, 0}, "Multi Part Bend", {66, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64}},
    {{200, 0}, "Multi Part Scale Tuning", {64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 0, 0, 0, 0}},
    {{201, 0}, "Multi Part CAT", {64, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64}},
    {{202, 0}, "Multi Part PAT", {64, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64}},
    {{203, 0}, "Multi Part AC1", {16, 64, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64}},
    {{204, 0}, "Multi Part AC2", {17, 64, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64}},
    {{205, 0}, "Multi Part Pitch EG", {64, 64, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {{206, 0}, "Multi Part EQ", {64, 64, 64, 64, 12, 54, 34, 46, 7, 7, 7, 7, 0, 0, 0, 0}},
    {{207, 0}, "Drum Parameter 1", {64, 64, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {{208, 0}, "Drum Parameter 2", {64, 64, 64, 64, 28, 54, 34, 46, 7, 7, 7, 7, 0, 0, 0, 0}},
    {{209, 0}, "Drum Parameter 3", {0, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
};

constexpr XGDrumDefault kDrums[] = {
    {13, "Surdo Mute", 102, 3, 51, 95, 95, 0},
    {14, "Surdo Open", 121, 3, 51, 95, 95, 0},
    {15, "Hi Q", 63, 0, 51, 127, 127, 0},
    {16, "Whip Slap", 127, 0, 51, 127, 127, 0},
    {17, "Scratch Push", 93, 4, 52, 63, 63, 0},
    {18, "Scratch Pull", 116, 4, 52, 63, 63, 0},
    {19, "Finger Snap", 127, 0, 64, 75, 0, 0},
    {20, "Click Noise", 127, 0, 64, 127, 127, 0},
    {21, "Metronome Click", 94, 0, 64, 63, 63, 0},
    {22, "Metronome Bell", 98, 0, 64, 63, 63, 0},
    {23, "Seq Click L", 87, 0, 64, 127, 127, 0},
    {24, "Seq Click H", 96, 0, 64, 127, 127, 0},
    {25, "Brush Tap", 49, 0, 64, 127, 127, 0},
    {26, "Brush Swirl L", 47, 0, 64, 127, 127, 1},
    {27, "Brush Slap", 52, 0, 64, 127, 127, 0},
    {28, "Brush Swirl H", 45, 0, 64, 127, 127, 1},
    {29, "Snare Roll", 79, 0, 64, 127, 127, 1},
    {30, "Castanet", 127, 0, 64, 63, 63, 0},
    {31, "Snare L", 75, 0, 64, 127, 127, 0},
    {32, "Sticks", 127, 0, 64, 127, 127, 0},
    {33, "Bass Drum L", 116, 0, 64, 32, 32, 0},
    {34, "Open Rim Shot", 127, 0, 64, 127, 127, 0},
    {35, "Bass Drum M", 102, 0, 64, 32, 32, 0},
    {36, "Bass Drum H", 127, 0, 64, 32, 32, 0},
    {37, "Side Stick", 93, 0, 64, 127, 127, 0},
    {38, "Snare M", 127, 0, 64, 127, 127, 0},
    {39, "Hand Clap", 110, 0, 64, 127, 127, 0},
    {40, "Snare H", 123, 0, 64, 127, 127, 0},
    {41, "Floor Tom L", 111, 0, 24, 127, 127, 0},
    {42, "Hi-Hat Closed", 91, 1, 77, 32, 32, 0},
    {43, "Floor Tom H", 113, 0, 39, 127, 127, 0},
    {44, "Hi-Hat Pedal", 97, 1, 77, 32, 32, 0},
    {45, "Low Tom", 104, 0, 52, 127, 127, 0},
    {46, "Hi-Hat Open", 96, 1, 77, 32, 32, 0},
    {47, "Mid Tom L", 87, 0, 64, 127, 127, 0},
    {48, "Mid Tom H", 103, 0, 83, 127, 127, 0},
    {49, "Crash Cymbal 1", 127, 0, 69, 127, 127, 0},
    {50, "High Tom", 116, 0, 104, 127, 127, 0},
    {51, "Ride Cymbal 1", 105, 0, 34, 127, 127, 0},
    {52, "Chinese Cymbal", 120, 0, 34, 127, 127, 0},
    {53, "Ride Cymbal Cup", 107, 0, 46, 127, 127, 0},
    {54, "Tambourine", 120, 0, 64, 63, 63, 0},
    {55, "Splash Cymbal", 127, 0, 64, 127, 127, 0},
    {56, "Cowbell", 118, 0, 77, 63, 63, 0},
    {57, "Crash Cymbal 2", 127, 0, 51, 127, 127, 0},
    {58, "Vibraslap", 106, 0, 25, 127, 127, 0},
    {59, "Ride Cymbal 2", 110, 0, 46, 127, 127, 0},
    {60, "Bongo H", 110, 0, 110, 95, 95, 0},
    {61, "Bongo L", 87, 0, 110, 95, 95, 0},
    {62, "Conga H Mute", 73, 0, 39, 127, 127, 0},
    {63, "Conga H Open", 89, 0, 25, 127, 127, 0},
    {64, "Conga L", 111, 0, 64, 95, 95, 0},
    {65, "Timbale H", 91, 0, 64, 127, 127, 0},
    {66, "Timbale L", 95, 0, 64, 127, 127, 0},
    {67, "Agogo H", 108, 0, 34, 100, 100, 0},
    {68, "Agogo L", 108, 0, 34, 100, 100, 0},
    {69, "Cabasa", 90, 0, 28, 63, 63, 0},
    {70, "Maracas", 103, 0, 21, 63, 63, 0},
    {71, "Samba Whistle H", 103, 0, 101, 127, 127, 1},
    {72, "Samba Whistle L", 110, 0, 101, 127, 127, 1},
    {73, "Guiro Short", 124, 0, 95, 63, 63, 0},
    {74, "Guiro Long", 106, 0, 110, 63, 63, 1},
    {75, "Claves", 88, 0, 64, 95, 95, 0},
    {76, "Wood Block H", 107, 0, 104, 95, 95, 0},
    {77, "Wood Block L", 96, 0, 104, 95, 95, 0},
    {78, "Cuica Mute", 97, 0, 21, 127, 127, 0},
    {79, "Cuica Open", 107, 0, 34, 127, 127, 0},
    {80, "Triangle Mute", 127, 2, 25, 95, 95, 0},
    {81, "Triangle Open", 127, 2, 25, 127, 127, 0},
    {82, "Shaker", 106, 0, 83, 63, 63, 0},
    {83, "Jingle Bell", 123, 0, 105, 127, 127, 0},
    {84, "Bell Tree", 68, 0, 64, 127, 127, 0},

};

}  // namespace

std::span<const XGTypeChoice> xgTypeChoices(XGBlock block) { return choicesOf(block); }

std::span<const char* const> xgEQTypeNames() { return kEQTypes; }

int xgTypeCode(XGBlock block, int effectNumber) {
    for (const XGTypeChoice& c : choicesOf(block))
        if (c.effectNumber == effectNumber) return c.typeCode;
    return 0;
}

int xgEffectNumber(XGBlock block, int typeCode) {
    for (const XGTypeChoice& c : choicesOf(block))
        if (c.typeCode == typeCode) return c.effectNumber;
    return -1;
}

int xgChoiceIndex(XGBlock block, int effectNumber) {
    const auto choices = choicesOf(block);
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].effectNumber == effectNumber) return static_cast<int>(i);
    return -1;
}

int xgListSize(XGValueList list) {
    switch (list) {
    case L::none: return 0;
    case L::LFO: return std::size(kLFO);
    case L::MOD: return 101 + static_cast<int>(std::size(kMODHigh));
    case L::EQF: return std::size(kEQF);
    case L::RVT: return 48 + static_cast<int>(std::size(kRVTHigh));
    case L::D200: return 128;
    case L::RS: return 45;
    case L::D400: return 128;
    case L::ATK: return std::size(kATK);
    case L::REL: return std::size(kREL);
    case L::RAT: return std::size(kRAT);
    case L::DIM: return std::size(kDIM);
    case L::DAMP: return std::size(kDAMP);
    case L::PM64: return 128;
    case L::ERT: return std::size(kERT);
    case L::AB: return std::size(kAB);
    case L::MS: return std::size(kMS);
    case L::NI: return std::size(kNI);
    case L::PAN: return std::size(kPAN);
    case L::AMP: return std::size(kAMP);
    case L::VOW: return std::size(kVOW);
    case L::LOFI: return std::size(kLOFI);
    case L::SHP: return std::size(kSHP);
    }
    return 0;
}

std::string xgValueText(XGValueList list, int value) {
    if (list == L::none) return std::to_string(value);
    if (value < 0 || value >= xgListSize(list)) return "-";
    switch (list) {
    case L::LFO: return kLFO[value];
    case L::MOD: return value <= 100 ? tenths(value) : kMODHigh[value - 101];
    case L::EQF: return kEQF[value];
    case L::RVT: return value < 48 ? tenths(value + 3) : kRVTHigh[value - 48];
    case L::D200: return linearTenths(value, 1, 2000, 128);
    case L::RS: return linearTenths(value, 1, 70, 45);
    case L::D400: return linearTenths(value, 1, 4000, 128);
    case L::ATK: return kATK[value];
    case L::REL: return kREL[value];
    case L::RAT: return kRAT[value];
    case L::DIM: return kDIM[value];
    case L::DAMP: return kDAMP[value];
    case L::PM64: return std::to_string(value - 64);
    case L::ERT: return entry(kERT, value);
    case L::AB: return entry(kAB, value);
    case L::MS: return entry(kMS, value);
    case L::NI: return entry(kNI, value);
    case L::PAN: return entry(kPAN, value);
    case L::AMP: return entry(kAMP, value);
    case L::VOW: return entry(kVOW, value);
    case L::LOFI: return entry(kLOFI, value);
    case L::SHP: return entry(kSHP, value);
    case L::none: break;
    }
    return "-";
}

std::string XGParamSlot::valueText(int position) const { return xgValueText(list, position); }

XGParamPage xgParamPage(int effectNumber) {
    XGParamPage page;
    page.effectNumber = effectNumber;
    const SlotGroup* group = nullptr;
    for (const SlotGroup& g : slotGroups())
        for (auto [first, last] : g.numbers)
            if (effectNumber >= first && effectNumber <= last) group = &g;
    if (!group) return page;
    const PageCaption* caption = nullptr;
    for (const PageCaption& c : kCaptions)
        if (c.numbers[0] == effectNumber || (c.numbers[1] != 0 && c.numbers[1] == effectNumber)) caption = &c;
    if (caption) page.caption = caption->caption;
    for (const SlotDef& d : group->slots) {
        XGParamSlot& s = page.slots[static_cast<size_t>(d.slot - 1)];
        s.enabled = true;
        s.label = d.label;
        s.min = d.min;
        s.max = d.max;
        s.list = d.list;
        s.defaultValue = caption && d.slot <= 16 ? caption->defaults[d.slot - 1] : 0;
    }
    if (effectNumber >= xgFirstEQEffect && effectNumber < xgFirstEQEffect + 5) page.slotCount = 17;
    return page;
}

std::span<const XGDrumDefault> xgDrumDefaults() { return kDrums; }

int xgDrumDefault(int key, int al) {
    if (key < xgFirstDrumKey || key > xgLastDrumKey) return 0;
    const XGDrumDefault& d = kDrums[key - xgFirstDrumKey];
    switch (al) {
    case 0x02: return d.level;
    case 0x03: return d.altGroup;
    case 0x04: return d.pan;
    case 0x05: return d.reverb;
    case 0x06: return d.chorus;
    case 0x07: return 127;  // variation send
    case 0x08: return 0;    // key assign: single
    case 0x09: return d.rcvNoteOff;
    case 0x0A: return 1;    // receive note on
    case 0x00: case 0x01: case 0x0B: case 0x0C: case 0x0D: case 0x0E: case 0x0F: return 64;
    default: return 0;
    }
}

}  // namespace tonvela
