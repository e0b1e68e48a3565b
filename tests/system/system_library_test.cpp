// System DLLs loaded by their full path in the system folder, with their own imports
// found beside them, and a process's DLL search restricted to the system folder: a DLL
// of the current folder, found by its name before, is not found after.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "scratch_folder.h"
#include "system_library.h"

namespace {

constexpr char kPlantedName[] = "planted_library.dll";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string FolderOf(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    const std::string file(path, length < MAX_PATH ? length : 0);
    return file.substr(0, file.find_last_of('\\'));
}

// Beside the test program, built there by the tests' CMakeLists.txt.
std::string PlantedFolder() { return ProgramFolder() + "\\planted"; }

// Beside the test program: a DLL and the DLL it imports.
std::string DependentLibrary() { return ProgramFolder() + "\\dependent\\dependent_library.dll"; }

// Ends the process with 0 when the restricted search does not find the planted DLL.
void LoadPlantedAfterRestriction() {
    RestrictDllSearchToSystemFolder();
    std::exit(LoadLibraryA(kPlantedName) == nullptr ? 0 : 1);
}

}  // namespace

TEST(SystemLibrary, LoadsOnlyFromTheSystemFolder) {
    const HMODULE comctl32 = LoadSystemLibrary("comctl32.dll");
    ASSERT_NE(comctl32, nullptr);
    char system[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_EQ(Lower(FolderOf(comctl32)), Lower(system));

    CurrentDirectoryScope inPlantedFolder(PlantedFolder());
    EXPECT_EQ(LoadSystemLibrary(kPlantedName), nullptr);
}

// As a system DLL loaded by its path finds its own imports in the system folder,
// not in the program's folder, where the usual search would start.
TEST(SystemLibrary, ADllLoadedByItsPathFindsItsImportsInItsOwnFolder) {
    ASSERT_EQ(LoadLibraryA(DependentLibrary().c_str()), nullptr) << "the usual search misses its import";
    const HMODULE dependent = LoadLibraryByPath(DependentLibrary().c_str());
    ASSERT_NE(dependent, nullptr) << GetLastError();
    FreeLibrary(dependent);
}

TEST(SystemLibraryDeathTest, RestrictedSearchNoLongerFindsADllOfTheCurrentFolder) {
    CurrentDirectoryScope inPlantedFolder(PlantedFolder());
    const HMODULE found = LoadLibraryA(kPlantedName);
    ASSERT_NE(found, nullptr) << "the usual search finds it in the current folder";
    FreeLibrary(found);
    EXPECT_EXIT(LoadPlantedAfterRestriction(), ::testing::ExitedWithCode(0), "");
}
