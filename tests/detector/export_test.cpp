// The built detector.dll through the real loader, on the real (Wine) system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "scratch_folder.h"
#include "test_support.h"

namespace {

// The names of the DLLs a loaded module imports at load time.
std::vector<std::string> ImportedDllNames(HMODULE module) {
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; directory.VirtualAddress && import->Name; ++import) {
        std::string name = reinterpret_cast<const char*>(base + import->Name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        names.push_back(name);
    }
    return names;
}

TEST(DetectorLibrary, ExportsVostelExistAndBindsSetupApiOnlyOnUse) {
    const LoadedDetector detector;
    ASSERT_TRUE(detector.loaded());
    const std::vector<std::string> imports = ImportedDllNames(GetModuleHandleA("detector.dll"));
    EXPECT_FALSE(imports.empty());
    EXPECT_EQ(std::count(imports.begin(), imports.end(), "setupapi.dll"), 0);
}

TEST(DetectorLibrary, WithoutDetectIniTheCountIsZero) {
    const LoadedDetector detector;
    ASSERT_TRUE(detector.loaded());
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    std::int32_t count = -1;
    detector.Query(count);
    EXPECT_EQ(count, 0);
}

// Wine has no USB disk: the NT path runs over the real device lists, shows no message
// and finds nothing, on every call.
TEST(DetectorLibrary, RealNtPathFindsNoUsbDiskUnderWine) {
    const LoadedDetector detector;
    ASSERT_TRUE(detector.loaded());
    ScratchFolder folder;
    CurrentDirectoryScope inFolder{folder.path()};
    folder.write("Detect.ini", "[HWNum]\r\nNumber=2\r\n[Device1]\r\nPID=1d2e\r\nVID=abc\r\n"
                               "[Device2]\r\nPID=0\r\nVID=D\r\n");
    for (int call = 0; call < 3; ++call) {
        std::int32_t count = -1;
        EXPECT_EQ(detector.Query(count), nullptr);
        EXPECT_EQ(count, 0);
    }
}

}  // namespace
