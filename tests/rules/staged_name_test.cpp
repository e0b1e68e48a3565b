#include "staged_name.h"

#include <gtest/gtest.h>

#include "update_config.h"

TEST(StagedFileName, EverySlotHasItsOwnShortNameAndNoneOutsideTheTable) {
    EXPECT_EQ("~STAGE00.TMP", StagedFileName(0));
    EXPECT_EQ("~STAGE29.TMP", StagedFileName(kFileNameSlots - 1));
    EXPECT_EQ("", StagedFileName(-1));
    EXPECT_EQ("", StagedFileName(kFileNameSlots));
}

// Windows ignores letter case and drops trailing dots and blanks: "~STAGE07.TMP." is
// the staged copy ~STAGE07.TMP.
TEST(StagedFileName, StagedNamesAreRecognisedAsWindowsComparesThemAndNothingElse) {
    for (const char* staged : {"~stage07.tmp", "~STAGE29.TMP", "~STAGE07.TMP ", "~STAGE07.TMP.", "~stage07.tmp. ."})
        EXPECT_TRUE(IsStagedFileName(staged)) << staged;
    for (const char* other : {"~STAGE30.TMP", "~STAGE7.TMP", "STAGE07.TMP", "~STAGE07.BIN", " ~STAGE07.TMP", ".", ""})
        EXPECT_FALSE(IsStagedFileName(other)) << other;
}

// The clash of each package's last name.
TEST(NameClash, NamesThatWindowsMakesEqualClash) {
    const struct {
        std::vector<std::string> names;
        NameClash last;
    } cases[] = {
        {{"A.BIN", "B.BIN", "AA.BIN", "A.BI"}, NameClash::none},
        {{"A.BIN", "B.BIN", "A.BIN"}, NameClash::earlierName},
        {{"A.BIN", "a.bin"}, NameClash::earlierName},
        {{"A.BIN.", "a.bin"}, NameClash::earlierName},
        {{"A.BIN", "a.bin."}, NameClash::trailingDotOrBlank},
        {{"A.BIN "}, NameClash::trailingDotOrBlank},
        {{"A.BIN", "~stage01.tmp "}, NameClash::stagedName},
        {{"A.BIN", "~old00.tmp"}, NameClash::stagedName},
        {{"A.BIN", "~aside.tmp."}, NameClash::stagedName},
    };
    for (const auto& c : cases) {
        const std::size_t last = c.names.size() - 1;
        EXPECT_EQ(c.last, FindNameClash(c.names, last)) << c.names[last];
        EXPECT_EQ(NameClash::none, FindNameClash(c.names, c.names.size())) << "past the names";
    }
}

// The update run asks about the package's files only: names past the count are not its.
TEST(NameClash, OnlyThePackagesFilesCount) {
    UpdateConfig config;
    config.fileCount = 2;
    config.fileNames[0] = config.fileNames[2] = "A.BIN";
    config.fileNames[1] = "B.BIN";
    EXPECT_FALSE(HasNameClash(config, 1));
    EXPECT_FALSE(HasNameClash(config, 2));
    config.fileCount = 3;
    EXPECT_TRUE(HasNameClash(config, 2));
}

TEST(AsideFileName, EverySlotHasItsOwnShortNameApartFromTheStagedOnes) {
    EXPECT_EQ("~OLD00.TMP", AsideFileName(0));
    EXPECT_EQ("~OLD29.TMP", AsideFileName(kFileNameSlots - 1));
    EXPECT_EQ("", AsideFileName(-1));
    EXPECT_EQ("", AsideFileName(kFileNameSlots));
    for (int slot = 0; slot < kFileNameSlots; ++slot) EXPECT_FALSE(IsStagedFileName(AsideFileName(slot))) << slot;
}

TEST(AsideFileName, TheSlotIsFoundAsWindowsComparesNamesAndForNothingElse) {
    EXPECT_EQ(7, AsideFileSlot("~old07.tmp"));
    EXPECT_EQ(7, AsideFileSlot("~OLD07.TMP. "));
    EXPECT_EQ(29, AsideFileSlot("~OLD29.TMP"));
    for (const char* other : {"~OLD30.TMP", "~OLD7.TMP", "OLD07.TMP", "~OLD07.BIN", "~STAGE07.TMP", "~OLD07.TMPX", " ~OLD07.TMP", ""})
        EXPECT_EQ(-1, AsideFileSlot(other)) << other;
}

// Every slot's name comes back; lines that name no firmware file of a package (a
// folder part, one of the run's own names) come back unknown, the others still known.
TEST(AsideRecord, ThePlainNamesOfEverySlotComeBackAndNoOthers) {
    AsideNames names;
    for (int slot = 0; slot < kFileNameSlots; slot += 2) names[slot] = "FW_" + std::to_string(slot) + ".BIN";
    EXPECT_EQ(names, AsideRecordNames(AsideRecordText(names)));
    AsideNames odd = names;
    odd[1] = "..\\WINDOWS\\WIN.INI";
    odd[3] = "~STAGE03.TMP";
    odd[5] = "~aside.tmp";
    odd[7] = "NUL";
    EXPECT_EQ(names, AsideRecordNames(AsideRecordText(odd)));
}

// A record cut short anywhere, with a byte changed, or grown beyond the longest
// record, and another program's file of that name, know no name at all.
TEST(AsideRecord, ATextThatIsNoWholeRecordKnowsNoName) {
    AsideNames names;
    names[0] = "FW_BOOT.BIN";
    names[kFileNameSlots - 1] = "FW_MAIN.BIN";
    const std::string text = AsideRecordText(names);
    const AsideNames unknown;
    for (std::size_t length = 0; length < text.size(); ++length)
        EXPECT_EQ(unknown, AsideRecordNames(text.substr(0, length))) << length;
    std::string changed = text;
    changed[changed.find("BOOT")] = 'b';
    EXPECT_EQ(unknown, AsideRecordNames(changed));
    AsideNames tooLong = names;
    tooLong[1] = std::string(kAsideRecordMaxBytes, 'x');
    EXPECT_EQ(unknown, AsideRecordNames(AsideRecordText(tooLong)));
    EXPECT_EQ(unknown, AsideRecordNames("FW_BOOT.BIN\r\nFW_MAIN.BIN\r\n"));
}
