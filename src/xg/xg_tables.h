#pragma once

// The XG effect catalogue: the type choices of each effect block with their two-byte type codes,
// and the parameter page of every effect type, multi part page and drum setup page (caption,
// slots with label, range, value display and default). Constant data; every lookup is
// bounds-checked and answers something for any input.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tonvela {

// Effect numbers name an effect type or a parameter page:
//   0 no effect, 1-18 reverb, 19-38 chorus, 39-149 variation and insertion, 193-197 multi EQ,
//   198-206 multi part pages, 207-209 drum setup pages.
constexpr int xgFirstEQEffect = 193;
constexpr int xgMultiPartMW = 198, xgMultiPartBend = 199, xgMultiPartScaleTuning = 200,
              xgMultiPartCAT = 201, xgMultiPartPAT = 202, xgMultiPartAC1 = 203, xgMultiPartAC2 = 204,
              xgMultiPartPitchEG = 205, xgMultiPartEQ = 206;
constexpr int xgDrumPage1 = 207, xgDrumPage2 = 208, xgDrumPage3 = 209;

// The variation block's choices and code table serve the insertion blocks too.
enum class XGBlock { reverb, chorus, variation };

struct XGTypeChoice {
    const char* name;
    int effectNumber;
    int typeCode;  // MSB * 256 + LSB
};

// The choices of a block in list order (for the reverb block the item index is the effect
// number).
std::span<const XGTypeChoice> xgTypeChoices(XGBlock block);
// The multi EQ choices; the item index is the value of 02 40 00 and 193 + index the page.
std::span<const char* const> xgEQTypeNames();

// Type code of the first pair with this effect number; 0 (00 00) when there is none.
int xgTypeCode(XGBlock block, int effectNumber);
// Effect number of the first pair with this code; -1 when there is none.
int xgEffectNumber(XGBlock block, int typeCode);
// List position of the first choice carrying this effect number; -1 when there is none.
int xgChoiceIndex(XGBlock block, int effectNumber);

// How a slot shows its value: in decimal, or as an entry of one of these lists.
enum class XGValueList : uint8_t {
    none, LFO, MOD, EQF, RVT, D200, RS, D400, ATK, REL, RAT, DIM, DAMP, PM64, ERT, AB, MS, NI, PAN,
    AMP, VOW, LOFI, SHP,
};
// Number of used entries of a list (0 for none).
int xgListSize(XGValueList list);
// Entry [value] of the list; "-" for a position outside its used entries; the value in decimal
// for XGValueList::none.
std::string xgValueText(XGValueList list, int value);

struct XGParamSlot {
    bool enabled = false;
    std::string label = "---";
    int min = 0, max = 1;
    XGValueList list = XGValueList::none;
    int defaultValue = 0;
    // A two-byte parameter is stored as value div 128, value mod 128 (7 bits each).
    bool twoByte() const { return max > 127; }
    std::string valueText(int position) const;
};

struct XGParamPage {
    static constexpr int maxSlots = 17;
    int effectNumber = 0;
    std::string caption = "NO EFFECT Parameter";
    std::array<XGParamSlot, maxSlots> slots;  // slot n is slots[n - 1]
    int slotCount = 16;                       // 17 on the multi EQ pages
};

// The page of an effect number; a number without a page gives the all-disabled
// "NO EFFECT Parameter" page.
XGParamPage xgParamPage(int effectNumber);

// The default drum setup of keys 13 to 84, in key order.
struct XGDrumDefault {
    int key;
    const char* name;
    int level, altGroup, pan, reverb, chorus, rcvNoteOff;
};
constexpr int xgFirstDrumKey = 13, xgLastDrumKey = 84;
std::span<const XGDrumDefault> xgDrumDefaults();
// Default of drum parameter AL (00-0F) of a key; 0 outside the table.
int xgDrumDefault(int key, int al);

}  // namespace tonvela
