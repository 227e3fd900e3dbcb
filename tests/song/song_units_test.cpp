#include <gtest/gtest.h>

#include "song/system_flags.h"
#include "song/tempo_units.h"

using namespace tonvela;

TEST(TempoUnits, ConvertWithIntegerDivisionAsTheDisplaysShow) {
    struct Case {
        int32_t micros, bpm;
    } cases[] = {{500000, 120}, {600000, 100}, {1000000, 60}, {500001, 119}, {250000, 240}};
    for (const auto& c : cases) EXPECT_EQ(microsToBpm(c.micros), c.bpm) << c.micros;
    EXPECT_EQ(bpmToMicros(120), 500000);
    EXPECT_EQ(bpmToMicros(7), 8571428);
    EXPECT_EQ(bpmToMicros(6000), 10000);
}

TEST(TempoUnits, ZeroOrNegativeNeverDividesByZero) {
    EXPECT_EQ(microsToBpm(0), 60000000);
    EXPECT_EQ(microsToBpm(-5), 60000000);
    EXPECT_EQ(bpmToMicros(0), 60000000);
}

TEST(SystemFlags, GsWinsOverXgAndSettingAModeReplacesTheOther) {
    EXPECT_EQ(systemMode(0), SystemMode::none);
    EXPECT_EQ(systemMode(gmOnFlag), SystemMode::none);
    EXPECT_EQ(systemMode(xgOnFlag), SystemMode::xg);
    EXPECT_EQ(systemMode(gsResetFlag | xgOnFlag), SystemMode::gs);
    EXPECT_TRUE(carriesGmOn(gmOnFlag | xgOnFlag));
    EXPECT_FALSE(carriesGmOn(gsResetFlag | xgOnFlag));

    uint8_t all = gmOnFlag | gsResetFlag | xgOnFlag;
    EXPECT_EQ(withSystemMode(all, SystemMode::xg), gmOnFlag | xgOnFlag);
    EXPECT_EQ(withSystemMode(all, SystemMode::gs), gmOnFlag | gsResetFlag);
    EXPECT_EQ(withSystemMode(all, SystemMode::none), gmOnFlag);
    EXPECT_EQ(withGmOn(xgOnFlag, true), gmOnFlag | xgOnFlag);
    EXPECT_EQ(withGmOn(all, false), gsResetFlag | xgOnFlag);
    // bits the song may carry beyond these three survive every change
    EXPECT_EQ(withSystemMode(0x80 | xgOnFlag, SystemMode::gs), 0x80 | gsResetFlag);
    EXPECT_EQ(withGmOn(0x80, true), 0x80 | gmOnFlag);
}
