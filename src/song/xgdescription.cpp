// XG parameter names by address. The texts keep the spellings users of XG files see in their
// lists ("ATTENATOR", "PARAMETERI", "lNSERTION"); they are data, not prose to correct.

#include "song/xgdescription.h"

#include <array>
#include <cstdio>
#include <iterator>
#include <map>

#include "song/events.h"

namespace tonvela {

namespace {

struct Row {
    int al;
    const char* name;
};

// Drum setup: the name is followed by the setup number, " Note " and the key.
constexpr Row kDrumRows[] = {
    {0x00, "PITCH COARSE Drum "},
    {0x01, "PITCH FINE Drum "},
    {0x02, "LEVEL Drum "},
    {0x03, "ALTERNATE GROUP Drum "},
    {0x04, "PAN Drum "},
    {0x05, "REVERB SEND Drum "},
    {0x06, "CHORUS SEND Drum "},
    {0x07, "VARIATION SEND Drum "},
    {0x08, "KEY ASSIGN Drum "},
    {0x09, "RCVNOTE OFF Drum "},
    {0x0A, "RCVNOTE ON Drum "},
    {0x0B, "FILTER CUTOFF FREQUENCY Drum "},
    {0x0C, "FILTER RESONANCE Drum "},
    {0x0D, "EG ATACK Drum "},
    {0x0E, "EG DECAYI Drum "},
    {0x0F, "EG DECAY2 Drum "},
    {0x20, " EQ BASS  "},
    {0x21, " EQ TREBLE  "},
    {0x22, " EQ MID-BASS (NOT USED)  "},
    {0x23, " EQ MID-TREBLE (NOT USED)  "},
    {0x24, " EQ BASS frequency  "},
    {0x25, " EQ TREBLE frequency  "},
    {0x26, " EQ MID-BASS frequency (NOT USED)  "},
    {0x27, " EQ MID-TREBLE frequency (NOT USED)  "},
    {0x28, " EQ BASS Q (NOT USED)  "},
    {0x29, " EQ TREBLE Q (NOT USED)  "},
    {0x2A, " EQ MID-BASS Q (NOT USED)  "},
    {0x2B, " EQ MID-TREBLE Q (NOT USED)  "},
    {0x2C, " EQ BASS shape (NOT USED)  "},
    {0x2D, " EQ TREBLE shape (NOT USED)  "},
    {0x40, " OUTPUT SELECT  "},
    {0x50, " HIGH PASS FILTER CUTOFF FREQUENCY  "},
    {0x51, " HIGH PASS FILTER RESONANCE (NOT USED)  "},
    {0x60, " VELOCITY PITCH SENSE  "},
    {0x61, " VELOCITY LPF CUTOFF SENSE  "},
    {0x70, " SOURCE DRUM KIT(Bank select MSB)(NOT USED)  "},
    {0x71, " SOURCE DRUM KIT(Bank select LSB)(NOT USED)  "},
    {0x72, " SOURCE DRUM KIT(Program number)(NOT USED)  "},
    {0x73, " SOURCE DRUM KIT(Note number)(NOT USED)  "},
};

// Multi part (AH 0x08): "Part" + part number + name.
constexpr Row kMultiPartRows[] = {
    {0x00, " ELEMENT RESERVE"},
    {0x01, " BANK SELECT MSB"},
    {0x02, " BANK SELECT LSB"},
    {0x03, " PROGRAM NUMBER"},
    {0x04, " Rcv CHANNEL"},
    {0x05, " MONO/POLY MODE"},
    {0x06, " SAME NOTE NUMBER KEY ON ASSIGN"},
    {0x07, " PART MODE"},
    {0x08, " NOTE SHIFT"},
    {0x09, " DETUNE"},
    {0x0B, " VOLUME"},
    {0x0C, " VELOCITY SENSE DEPTH"},
    {0x0D, " VELOCITY SENSE OFFSET"},
    {0x0E, " PAN"},
    {0x0F, " NOTE LIMIT LOW"},
    {0x10, " NOTE LIMIT HIGH"},
    {0x11, " DRY LEVEL"},
    {0x12, " CHORUS SEND"},
    {0x13, " REVERB SEND"},
    {0x14, " VARIATION SEND"},
    {0x15, " VIBRATO RATE"},
    {0x16, " VIBRATO DEPTH"},
    {0x17, " VIBRATO DELAY"},
    {0x18, " FILTER CUTOFF FREQUENCY"},
    {0x19, " FILTER RESONANCE"},
    {0x1A, " EG ATTACK TIME"},
    {0x1B, " EG DECAY TIME"},
    {0x1C, " EG RELEASE TIME"},
    {0x1D, " MW PITCH CONTROL"},
    {0x1E, " MW FILTER CONTROL"},
    {0x1F, " MW AMPLITUDE CONTROL"},
    {0x20, " MW LFO PMOD DEPTH"},
    {0x21, " MW LFO FMOD DEPTH"},
    {0x22, " MW LFO AMOD DEPTH"},
    {0x23, " BEND PITCH CONTROL"},
    {0x24, " BEND FILTER CONTROL"},
    {0x25, " BEND AMPLITUDE CONTROL"},
    {0x26, " BEND LFO PMOD DEPTH"},
    {0x27, " BEND LFO FMOD DEPTH"},
    {0x28, " BEND LFO AMOD DEPTH"},
    {0x30, " Rcv PITCH BEND"},
    {0x31, " Rcv CH AFTER TOUCH(CAT)"},
    {0x32, " Rcv PROGRAM CHANCE"},
    {0x33, " Rcv CONTROL CHANGE"},
    {0x34, " Rcv POLY AFTER TOUCH(PAT)"},
    {0x35, " Rcv NOTE MESSAGE"},
    {0x36, " Rcv RPN"},
    {0x37, " Rcv NRPN"},
    {0x38, " Rcv MODULATION"},
    {0x39, " Rcv VOLUME"},
    {0x3A, " Rcv PAN"},
    {0x3B, " Rcv EXPRESSION"},
    {0x3C, " Rcv HOLD"},
    {0x3D, " Rcv PORTAMENTO"},
    {0x3E, " Rcv SOSTENUTO"},
    {0x3F, " Rcv SOFT PEDAL"},
    {0x40, " Rcv BANK SELECT"},
    {0x41, " SCALE TUNING C"},
    {0x42, " SCALE TUNING C#"},
    {0x43, " SCALE TUNING D"},
    {0x44, " SCALE TUNING D#"},
    {0x45, " SCALE TUNING E"},
    {0x46, " SCALE TUNING F"},
    {0x47, " SCALE TUNING F#"},
    {0x48, " SCALE TUNING G"},
    {0x49, " SCALE TUNING G#"},
    {0x4A, " SCALE TUNING A"},
    {0x4B, " SCALE TUNING A#"},
    {0x4C, " SCALE TUNING B"},
    {0x4D, " CAT PITCH CONTROL"},
    {0x4E, " CAT FILTER CONTROL"},
    {0x4F, " CAT AMPLITUDE CONTROL"},
    {0x50, " CAT LFO PMOD DEFTH"},
    {0x51, " CAT LFO FMOD DEPTH"},
    {0x52, " CAT LFO AMOD DEPTH"},
    {0x53, " PAT PITCH CONTROL"},
    {0x54, " PAT FILTER CONTROL"},
    {0x55, " PAT AMPLITUDE CONTROL"},
    {0x56, " PAT LFO PMOD DEPTH"},
    {0x57, " PAT LFO FMOD DEPTH"},
    {0x58, " PAT LFO AMOD DEPTH"},
    {0x59, " ACI CONTROLLER NUMBER"},
    {0x5A, " ACI PITCH CONTROL"},
    {0x5B, " ACI FILTER CONTROL"},
    {0x5C, " ACI AMPLITUDE CONTROL"},
    {0x5D, " ACI LFO PMOD DEPTH"},
    {0x5E, " ACI LFO FMOD DEFrH"},
    {0x5F, " ACI LFO AMOD DEPTH"},
    {0x60, " AC2 CONTROLLER NUMBER"},
    {0x61, " AC2 PITCH CONTROL"},
    {0x62, " AC2 FILTER CONTROL"},
    {0x63, " AC2 AMPLITUDE CONTROL"},
    {0x64, " AC2 LFO PMOD DEPTH"},
    {0x65, " AC2 LFO FMOD DEPTH"},
    {0x66, " AC2 LFO AMOD DEPTH"},
    {0x67, " PORTAMENTO SWITCH"},
    {0x68, " PORTAMENTO TIME"},
    {0x69, " PITCH EG INITIAL LEVEL"},
    {0x6A, " PITCH EG ATTACK TIME"},
    {0x6B, " PITCH EG RELEASE LEVEL"},
    {0x6C, " PITCH EG RELEASE TIME"},
    {0x6D, " VELOCITY LIMIT LOW"},
    {0x6E, " VELOCITY LIMIT HIGH"},
    {0x70, " BEND PITCH LOW CONTROL"},
    {0x71, " FILTER EG DEPTH"},
    {0x72, " EQ BASS"},
    {0x73, " EQ TREBLE"},
    {0x74, " EQ MID-BASS (NOT USED)"},
    {0x75, " EQ MID-TREBLE (NOT USED)"},
    {0x76, " EQ BASS frequency"},
    {0x77, " EQ TREBLE frequency"},
    {0x78, " EQ MID-BASS frequency (NOT USED)"},
    {0x79, " EQ MID-TREBLE frequency (NOT USED)"},
    {0x7A, " EQ BASS Q (NOT USED)"},
    {0x7B, " EQ TREBLE Q (NOT USED)"},
    {0x7C, " EQ MID-BASS Q (NOT USED)"},
    {0x7D, " EQ MID-TREBLE Q (NOT USED)"},
    {0x7E, " EQ BASS shape (NOT USED)"},
    {0x7F, " EQ TREBLE shape (NOT USED)"},
};

// VL multi part (AH 0x09): "Part" + part number + name.
constexpr Row kVLPartRows[] = {
    {0x00, " VL Note Assign"},
    {0x01, " VL reserved"},
    {0x02, " VL NOTE Filter"},
    {0x03, " PRESSURE CONTROL NO."},
    {0x04, " PRESSURE CONTROL DEPTH"},
    {0x05, " EMBOUCHURE CONTROL NO."},
    {0x06, " EMBOUCHURE CONTROL DEPTH"},
    {0x07, " TONGUING CONTROL NO."},
    {0x08, " TONGUING CONTROL DEPTH"},
    {0x09, " SCREAM CONTROL NO."},
    {0x0A, " SCREAM CONTROL DEPTH "},
    {0x0B, " BREATH CONTROL NO."},
    {0x0C, " BREATH CONTROL DEPTH "},
    {0x0D, " GROWL CONTROL NO."},
    {0x0E, " GROWL CONTROL DEPTH "},
    {0x0F, " THROAT FORMANT CONTROL NO."},
    {0x10, " THROAT FORMANT CONTROL DEPTH "},
    {0x11, " HARMONIC ENHANCER CONTROL NO."},
    {0x12, " HARMONIC ENHANCER CONTROL DEPTH "},
    {0x13, " DAMPING CONTROL NO."},
    {0x14, " DAMPING CONTROL DEPTH "},
    {0x15, " ABSORPTION CONTROL NO."},
    {0x16, " ABSORPTION CONTROL DEPTH"},
};

// A/D part (AH 0x10): the name alone.
constexpr Row kADPartRows[] = {
    {0x00, "INPUT GAIN"},
    {0x01, "BANK SELECT MSB"},
    {0x02, "BANK SELECT LSB"},
    {0x03, "PROGRAM NUMBER"},
    {0x04, "Rcv CHANNEL"},
    {0x05, "NOT USED"},
    {0x06, "NOT USED"},
    {0x07, "NOT USED"},
    {0x08, "NOT USED"},
    {0x09, "NOT USED"},
    {0x0A, "NOT USED"},
    {0x0B, "VOLUME"},
    {0x0C, "NOT USED"},
    {0x0D, "NOT USED"},
    {0x0E, "PAN"},
    {0x0F, "NOT USED"},
    {0x10, "NOT USED"},
    {0x11, "DRY LEVEL"},
    {0x12, "CHORUS SEND"},
    {0x13, "REVERB SEND"},
    {0x14, "VARIATION SEND"},
    {0x30, "NOT USED"},
    {0x31, "NOT USED"},
    {0x32, "Rcv PROGRAM CHANGE"},
    {0x33, "Rcv CONTROL CHANGE"},
    {0x34, "NOT USED"},
    {0x35, "NOT USED"},
    {0x36, "NOT USED"},
    {0x37, "NOT USED"},
    {0x38, "NOT USED"},
    {0x39, "Rcv VOLUME"},
    {0x3A, "Rcv PAN"},
    {0x3B, "Rcv EXPRESSION"},
    {0x3C, "NOT USED"},
    {0x3D, "NOT USED"},
    {0x3E, "NOT USED"},
    {0x3F, "NOT USED"},
    {0x40, "Rcv BANK SELECT"},
    {0x41, "NOT USED"},
    {0x42, "NOT USED"},
    {0x43, "NOT USED"},
    {0x44, "NOT USED"},
    {0x45, "NOT USED"},
    {0x46, "NOT USED"},
    {0x47, "NOT USED"},
    {0x48, "NOT USED"},
    {0x49, "NOT USED"},
    {0x4A, "NOT USED"},
    {0x4B, "NOT USED"},
    {0x4C, "NOT USED"},
    {0x4D, "NOT USED"},
    {0x4E, "NOT USED"},
    {0x4F, "NOT USED"},
    {0x50, "NOT USED"},
    {0x51, "NOT USED"},
    {0x52, "NOT USED"},
    {0x53, "NOT USED"},
    {0x54, "NOT USED"},
    {0x55, "NOT USED"},
    {0x56, "NOT USED"},
    {0x57, "NOT USED"},
    {0x58, "NOT USED"},
    {0x59, "ACI CONTROLLER NUMBER"},
    {0x5A, "NOT USED"},
    {0x5B, "NOT USED"},
    {0x5C, "NOT USED"},
    {0x5D, "NOT USED"},
    {0x5E, "NOT USED"},
    {0x5F, "NOT USED"},
    {0x60, "AC2 CONTROLLER NVMBER"},
};

using AlTable = std::array<const char*, 256>;

template <size_t N>
AlTable alTable(const Row (&rows)[N]) {
    AlTable t{};
    for (const Row& r : rows) t[static_cast<size_t>(r.al)] = r.name;
    return t;
}

struct Insertion {
    const char* prefix = nullptr;
    std::string suffix;
};

struct Tables {
    std::map<int32_t, std::string> exact;  // system, effect, display-letter and A/D setup
    AlTable drum, multiPart, vlPart, adPart;
    std::array<Insertion, 256> insertion;
};

int32_t addr(int ah, int am, int al) { return ah * 65536 + am * 256 + al; }

const Tables& tables() {
    static const Tables t = [] {
        Tables r;
        auto& x = r.exact;
        x[addr(0, 0, 0x00)] = "MASTER TUNE";
        x[addr(0, 0, 0x04)] = "MASTER VOLUME";
        x[addr(0, 0, 0x05)] = "MASTER ATTENATOR";
        x[addr(0, 0, 0x06)] = "TRANSPOSE";
        x[addr(0, 0, 0x07)] = "DRUM PART PROTECT MODE";
        x[addr(0, 0, 0x7D)] = "DRUM SETUP RESET";
        x[addr(0, 0, 0x7E)] = "XG SYSTEM ON";
        x[addr(0, 0, 0x7F)] = "ALL PARAMETER RESET";

        x[addr(2, 1, 0x00)] = "REVERB TYPE";
        for (int i = 1; i <= 10; ++i) x[addr(2, 1, 0x01 + i)] = "REVERB PARAMETER " + std::to_string(i);
        x[addr(2, 1, 0x0C)] = "REVERB RETURN";
        x[addr(2, 1, 0x0D)] = "REVERB PAN";
        for (int i = 11; i <= 16; ++i) x[addr(2, 1, 0x10 + i - 11)] = "REVERB PARAMETER " + std::to_string(i);

        x[addr(2, 1, 0x20)] = "CHORUS TYPE";
        for (int i = 1; i <= 10; ++i) x[addr(2, 1, 0x21 + i)] = "CHORUS PARAMETER " + std::to_string(i);
        x[addr(2, 1, 0x2C)] = "CHORUS RETURN";
        x[addr(2, 1, 0x2D)] = "CHORUS PAN";
        x[addr(2, 1, 0x2E)] = "SEND CHORUS TO REVERB";
        for (int i = 11; i <= 16; ++i) x[addr(2, 1, 0x30 + i - 11)] = "CHORUS PARAMETER " + std::to_string(i);

        x[addr(2, 1, 0x40)] = "VARIATION TYPE";
        for (int i = 1; i <= 10; ++i) x[addr(2, 1, 0x40 + 2 * i)] = "VARIATION PARAMETER " + std::to_string(i);
        x[addr(2, 1, 0x56)] = "VARIATION RETURN";
        x[addr(2, 1, 0x57)] = "VARIATION PAN";
        x[addr(2, 1, 0x58)] = "SEND VARIATION TO REVERB";
        x[addr(2, 1, 0x59)] = "SEND VARIATION TO CHORUS";
        x[addr(2, 1, 0x5A)] = "VARIATION CONNECTION";
        x[addr(2, 1, 0x5B)] = "VARIATION PART";
        x[addr(2, 1, 0x5C)] = "MW VARIATION CONTROL DEPTH";
        x[addr(2, 1, 0x5D)] = "BEND VARIATION CONTROL DEPTH";
        x[addr(2, 1, 0x5E)] = "CAT VARIATION CONTROL DEPTH";
        x[addr(2, 1, 0x5F)] = "AC1 VARIATION CONTROL DEPTH";
        x[addr(2, 1, 0x60)] = "AC2 VARIATION CONTROL DEPTH";
        for (int i = 11; i <= 16; ++i) x[addr(2, 1, 0x70 + i - 11)] = "VARIATION PARAMETER " + std::to_string(i);

        const char* eq[] = {"EQTYPE",       "EQ GAIN1",     "EQ FREQUENCY1", "EQ Ql",        "EQ SHAPE1",
                            "EQ GAIN2",     "EQ FREQUENCY", "EQ Q2",         "not used",     "EQ GAIN3",
                            "EQ FREQUENCY", "EQ Q3",        "not used",      "EQ GAIN4",     "EQ FREQUENCY",
                            "EQQ4",         "not used",     "EQ GAIN5",      "EQ FREQUCNCY5", "EQ Q5",
                            "EQ SHAPE5"};
        for (int i = 0; i < static_cast<int>(std::size(eq)); ++i) x[addr(2, 0x40, i)] = eq[i];

        r.drum = alTable(kDrumRows);
        r.multiPart = alTable(kMultiPartRows);
        r.vlPart = alTable(kVLPartRows);
        r.adPart = alTable(kADPartRows);

        auto& ins = r.insertion;
        ins[0x00] = {"INSERTION EFFECT", " TYPE MSB"};
        ins[0x02] = {"INSERTION EFFECT", " PARAMETERI"};
        ins[0x03] = {"INSERTION EFFECT", " PARAMETER2"};
        ins[0x04] = {"lNSERTION EFFECT", " PARAMETER3"};
        for (int i = 4; i <= 9; ++i) ins[static_cast<size_t>(0x05 + i - 4)] = {"INSERTION EFFECT", " PARAMETER" + std::to_string(i)};
        ins[0x0B] = {"INSERTION EFFECT", " PARAMETER10"};
        ins[0x0C] = {"INSERTION EFFECT", " PART"};
        ins[0x0D] = {"MW INSERTION", " CONTROL DEPTH"};
        ins[0x0E] = {"BEND INSERTION", " CONTROL DEPTH"};
        ins[0x0F] = {"CAT INSERTION", " CONTROL DEPTH"};
        ins[0x10] = {"AC1 INSERTION", " CONTROL DEPTH"};
        ins[0x11] = {"AC2 INSERTION", " CONTROL DEPTH"};
        ins[0x20] = {"INSERTION EFFECT", " PARAMETER 11"};
        ins[0x21] = {"INSERTION EFFECT", " PARAMETER 12"};
        ins[0x22] = {"INSERTION EFFECT", " PARAMETER 13"};
        ins[0x23] = {"lNSERTION EFFECT", " PARAMETER 14"};
        ins[0x24] = {"INSERTION EFFECT", " PARAMETER 15"};
        ins[0x25] = {"INSERTION EFFECT", " PARAMETER 16"};
        for (int i = 1; i <= 10; ++i) ins[static_cast<size_t>(0x30 + 2 * (i - 1))] = {"INSERTION EFFECT", " PARAMETER" + std::to_string(i)};
        return r;
    }();
    return t;
}

std::string unknownAddress(int32_t address) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "UNKNOWN PARAMETER:Address = <%06X>", static_cast<unsigned>(address));
    return buf;
}

}  // namespace

std::string xgDescription(std::span<const uint8_t> d) {
    if (d.size() < 6) return "No Address";
    const int ah = d[3], am = d[4], al = d[5];
    const int32_t address = addr(ah, am, al);
    const Tables& t = tables();

    if (auto it = t.exact.find(address); it != t.exact.end()) return it->second;
    if (address == addr(0x06, 0, 0)) {
        std::string s = "DISPLAY LETTER<";
        for (size_t i = 6; i + 1 < d.size(); ++i) s += static_cast<char>(d[i]);
        return s + ">";
    }
    if (address == addr(0x11, 0, 0)) return "A/D SETUP Part = 0";
    if (ah == 0x07) return "DISPLAY BITMAP";
    if (ah >= 0x30 && ah <= 0x3F) {
        if (const char* name = t.drum[static_cast<size_t>(al)])
            return name + std::to_string(ah - 0x30) + " Note " + std::to_string(am);
        return unknownAddress(address);
    }
    if (ah == 0x03) {
        const Insertion& row = t.insertion[static_cast<size_t>(al)];
        if (row.prefix) return row.prefix + std::to_string(am + 1) + row.suffix;
    } else if (ah == 0x08 || ah == 0x09) {
        if (const char* name = (ah == 0x08 ? t.multiPart : t.vlPart)[static_cast<size_t>(al)])
            return "Part" + std::to_string(am + 1) + name;
    } else if (ah == 0x10) {
        if (const char* name = t.adPart[static_cast<size_t>(al)]) return name;
    }
    return unknownAddress(address);
}

std::string xgDescription(const sysexEvent& e) { return xgDescription(std::span<const uint8_t>(e.sysexData)); }

}  // namespace tonvela
