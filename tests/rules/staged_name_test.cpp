#include "staged_name.h"

#include <gtest/gtest.h>

#include "update_config.h"

TEST(StagedFileName, EverySlotHasItsOwnShortNameAndNoneOutsideTheTable) {
    EXPECT_EQ("~STAGE00.TMP", StagedFileName(0));
    EXPECT_EQ("~STAGE29.TMP", StagedFileName(kFileNameSlots - 1));
    EXPECT_EQ("", StagedFileName(-1));
    EXPECT_EQ("", StagedFileName(kFileNameSlots));
}

TEST(StagedFileName, StagedNamesAreRecognisedInAnyCaseAndNothingElse) {
    EXPECT_TRUE(IsStagedFileName("~stage07.tmp"));
    EXPECT_TRUE(IsStagedFileName("~STAGE29.TMP"));
    for (const char* other : {"~STAGE30.TMP", "~STAGE7.TMP", "STAGE07.TMP", "~STAGE07.BIN", "~STAGE07.TMP ", ""})
        EXPECT_FALSE(IsStagedFileName(other)) << other;
}
