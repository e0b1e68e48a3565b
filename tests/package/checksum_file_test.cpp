#include "checksum.h"

#include <gtest/gtest.h>

#include "scratch_folder.h"

namespace {

std::string FileChecksum(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr) << path;
    std::string text = "unset";
    EXPECT_TRUE(FileChecksumText(file, text));
    std::fclose(file);
    return text;
}

}  // namespace

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
    EXPECT_EQ(FileChecksum(folder.pathOf("big.bin")), "176ff063");  // the sum of i % 251 below 3 MiB + 7
    // Text mode would stop at 0x1A and fold CR LF; the checksum must see raw bytes.
    folder.write("raw.bin", std::string("\r\n\x1A\r\n", 5));
    EXPECT_EQ(FileChecksum(folder.pathOf("raw.bin")), "48");  // 13 + 10 + 26 + 13 + 10
}
