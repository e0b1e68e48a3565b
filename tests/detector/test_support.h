// Helpers shared by the detector's tests: device entries, checks of returned records,
// the built library, and a fixture for the detection paths.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "device_table.h"
#include "simulated_system.h"
#include "vostel_exist.h"

// Writes the file at path with content; removes it on destruction.
class ScopedFile {
public:
    ScopedFile(std::string path, const std::string& content);
    ~ScopedFile();
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;

private:
    std::string path_;
};

DeviceEntry MakeEntry(std::uint16_t vid, std::uint16_t pid, const std::string& subKey98 = "");

// The drive indexes of a table, in table order.
std::vector<int> DriveIndexes(const FoundDevice* table, std::int32_t count);

// Every record is 32 bytes long, says so, and has zero in every reserved byte.
void ExpectWellFormedRecords(const FoundDevice* table, std::int32_t count);

// True when block is the start of an allocated block of one of the process's heaps.
bool IsAllocatedHeapBlock(const void* block);

// detector.dll loaded by the real loader from beside the test program.
class LoadedDetector {
public:
    LoadedDetector();
    ~LoadedDetector();
    LoadedDetector(const LoadedDetector&) = delete;
    LoadedDetector& operator=(const LoadedDetector&) = delete;

    bool loaded() const { return query_ != nullptr; }
    void Unload();
    FoundDevice* Query(std::int32_t& count) const { return query_(&count); }

private:
    HMODULE module_ = nullptr;
    FoundDevice*(__cdecl* query_)(std::int32_t*) = nullptr;
};

// A detection path as both paths are called.
using DetectionPath = FoundDevice* (*)(std::int32_t* count, std::uint32_t entryCount,
                                       const DeviceEntry* entries);

// Runs one detection path on a simulated system and checks what every answer of it
// must satisfy; afterwards, that nothing the path opened was left open.
class DetectionPathTest : public ::testing::Test {
protected:
    explicit DetectionPathTest(DetectionPath path) : path_(path) {}
    void TearDown() override;

    // The drive indexes of the table the path installs, in table order.
    std::vector<int> Detect(const std::vector<DeviceEntry>& entries);

    SimulatedSystem system;
    SimulatedSystemScope scope{system};
    std::int32_t count = 0;
    FoundDevice* table = nullptr;

private:
    DetectionPath path_;
};

using Drives = std::vector<int>;
