#include "checksum.h"

#include <gtest/gtest.h>

namespace {

std::string TextChecksum(const std::string& bytes) {
    return ChecksumText(SumBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

}  // namespace

TEST(ChecksumRule, KnownTexts) {
    EXPECT_EQ(TextChecksum("abc"), "126");
    EXPECT_EQ(TextChecksum(""), "0");
    EXPECT_EQ(TextChecksum(std::string(1000, '\xFF')), "3e418");  // bytes count as unsigned
    EXPECT_EQ(ChecksumText(0xABCDEF01u), "abcdef01");
    EXPECT_EQ(ChecksumText(0x10u), "10");
}

TEST(ChecksumRule, SumWrapsAt32Bits) {
    const unsigned char two[] = {1, 1};
    EXPECT_EQ(SumBytes(two, 2, 0xFFFFFFFFu), 1u);
}

TEST(ChecksumRule, MatchIgnoresLetterCaseOnly) {
    EXPECT_TRUE(ChecksumsMatch("1A2B", "1a2b"));
    EXPECT_TRUE(ChecksumsMatch("", ""));
    EXPECT_FALSE(ChecksumsMatch("1a2", "1a2b"));
    EXPECT_FALSE(ChecksumsMatch("1a2b", "1a2c"));
    EXPECT_FALSE(ChecksumsMatch("", "0"));
}
