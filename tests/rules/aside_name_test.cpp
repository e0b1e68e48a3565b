#include "aside_name.h"

#include <gtest/gtest.h>

#include "staged_name.h"
#include "update_config.h"

TEST(AsideFileName, EverySlotHasItsOwnShortNameApartFromTheStagedOnes) {
    EXPECT_EQ("~OLD00.TMP", AsideFileName(0));
    EXPECT_EQ("~OLD29.TMP", AsideFileName(kFileNameSlots - 1));
    EXPECT_EQ("", AsideFileName(-1));
    EXPECT_EQ("", AsideFileName(kFileNameSlots));
    for (int slot = 0; slot < kFileNameSlots; ++slot) EXPECT_FALSE(IsStagedFileName(AsideFileName(slot))) << slot;
}

TEST(AsideFileName, TheSlotIsFoundInAnyCaseAndForNothingElse) {
    EXPECT_EQ(7, AsideFileSlot("~old07.tmp"));
    EXPECT_EQ(29, AsideFileSlot("~OLD29.TMP"));
    for (const char* other : {"~OLD30.TMP", "~OLD7.TMP", "OLD07.TMP", "~OLD07.BIN", "~STAGE07.TMP", "~OLD07.TMPX", ""})
        EXPECT_EQ(-1, AsideFileSlot(other)) << other;
}
