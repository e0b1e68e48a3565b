#include "checksum.h"

#include <gtest/gtest.h>

#include "scratch_folder.h"

namespace {

std::string TextChecksum(const std::string& bytes) {
    return ChecksumText(SumBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

std::string FileChecksum(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr) << path;
    std::string text = "unset";
    EXPECT_TRUE(FileChecksumText(file, text));
    std::fclose(file);
    return text;
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

TEST(ChecksumOfFile, EmptyAndSmallFiles) {
    ScratchFolder folder;
    folder.write("empty.bin", "");
    folder.write("abc.bin", "abc");
    EXPECT_EQ(FileChecksum(folder.pathOf("empty.bin")), "0");
    EXPECT_EQ(FileChecksum(folder.pathOf("abc.bin")), "126");
}

TEST(ChecksumOfFile, FileLongerThanOneReadBlockCountsEveryByte) {
    ScratchFolder folder;
    std::string bytes(3 * 1024 * 1024 + 7, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    folder.write("big.bin", bytes);
    EXPECT_EQ(FileChecksum(folder.pathOf("big.bin")), TextChecksum(bytes));
    // Text mode would stop at 0x1A and fold CR LF; the checksum must see raw bytes.
    folder.write("raw.bin", std::string("\r\n\x1A\r\n", 5));
    EXPECT_EQ(FileChecksum(folder.pathOf("raw.bin")), "48");  // 13 + 10 + 26 + 13 + 10
}
