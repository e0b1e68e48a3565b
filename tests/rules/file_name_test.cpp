#include "update_config.h"

#include <gtest/gtest.h>

#include <cctype>

#include <string>
#include <vector>

namespace {

// Every name Windows takes as a device in any folder.
std::vector<std::string> DeviceNames() {
    std::vector<std::string> names = {"NUL", "CON", "PRN", "AUX"};
    for (const char* numbered : {"COM", "LPT"}) {
        for (char digit = '1'; digit <= '9'; ++digit) names.push_back(numbered + std::string(1, digit));
    }
    return names;
}

std::string Lower(std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace

// Each device name opens the device, bare, in either case, with an extension or
// blanks before it: never a firmware file name.
TEST(FileNameRule, EveryDeviceNameIsRefusedInEveryForm) {
    for (const std::string& device : DeviceNames()) {
        for (const std::string& name : {device, Lower(device), device + ".BIN", Lower(device) + ".bin",
                                        device + " .txt", device + ".x.y"}) {
            EXPECT_TRUE(IsDeviceName(name)) << name;
            EXPECT_FALSE(IsPlainFileName(name)) << name;
        }
    }
}

TEST(FileNameRule, NamesThatOnlyResembleADeviceAreFiles) {
    for (const char* name : {"COM0", "LPT0", "COM10", "LPT", "NULL", "CONSOLE.BIN", "PRN_.BIN", "XAUX", "A.PRN"}) {
        EXPECT_FALSE(IsDeviceName(name)) << name;
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    }
}
