#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "result_table.h"
#include "scratch_folder.h"

ScopedFile::ScopedFile(std::string path, const std::string& content) : path_(std::move(path)) {
    WriteBytes(path_, content);
}

ScopedFile::~ScopedFile() { DeleteFileA(path_.c_str()); }

DeviceEntry MakeEntry(std::uint16_t vid, std::uint16_t pid, const std::string& subKey98) {
    DeviceEntry entry{};
    entry.VID = vid;
    entry.PID = pid;
    std::snprintf(entry.SubKey98, sizeof entry.SubKey98, "%s", subKey98.c_str());
    return entry;
}

std::vector<int> DriveIndexes(const FoundDevice* table, std::int32_t count) {
    std::vector<int> indexes;
    for (std::int32_t i = 0; i < count; ++i) indexes.push_back(table[i].DriveIndex);
    return indexes;
}

void ExpectWellFormedRecords(const FoundDevice* table, std::int32_t count) {
    static const unsigned char kZeros[sizeof(FoundDevice)] = {};
    for (std::int32_t i = 0; i < count; ++i) {
        const FoundDevice& record = table[i];
        EXPECT_EQ(record.RecordLength, 32u) << "record " << i;
        EXPECT_EQ(std::memcmp(record.Reserved0, kZeros, sizeof record.Reserved0), 0) << "record " << i;
        EXPECT_EQ(std::memcmp(record.Reserved1, kZeros, sizeof record.Reserved1), 0) << "record " << i;
        EXPECT_EQ(record.Reserved2, 0u) << "record " << i;
        EXPECT_EQ(record.Reserved3, 0u) << "record " << i;
    }
}

LoadedDetector::LoadedDetector() {
    const std::string path = ProgramFolder() + "\\detector.dll";
    module_ = LoadLibraryA(path.c_str());
    EXPECT_NE(module_, nullptr) << path << " " << GetLastError();
    if (!module_) return;
    auto address = reinterpret_cast<void (*)()>(GetProcAddress(module_, "VostelExist"));
    query_ = reinterpret_cast<FoundDevice*(__cdecl*)(std::int32_t*)>(address);
    EXPECT_NE(query_, nullptr);
}

LoadedDetector::~LoadedDetector() { Unload(); }

void LoadedDetector::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    query_ = nullptr;
}

bool IsAllocatedHeapBlock(const void* block) {
    // HeapValidate of one block, not a HeapWalk: a heap that serves small blocks
    // from a low-fragmentation front end (Wine 10's) does not list them one by one.
    HANDLE heaps[64] = {};
    const DWORD heapCount = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
    for (DWORD i = 0; i < heapCount; ++i) {
        if (HeapValidate(heaps[i], 0, block)) return true;
    }
    return false;
}

void DetectionPathTest::TearDown() {
    EXPECT_EQ(system.openSets, 0) << "device information sets left open";
    EXPECT_EQ(system.openHandles, 0) << "device handles left open";
    EXPECT_EQ(system.openKeys, 0) << "registry keys left open";
    ReleaseCurrentTable();
}

std::vector<int> DetectionPathTest::Detect(const std::vector<DeviceEntry>& entries) {
    count = -7;
    table = path_(&count, static_cast<std::uint32_t>(entries.size()), entries.data());
    EXPECT_EQ(table, currentTable);
    EXPECT_GE(count, 0);
    ExpectWellFormedRecords(table, count);
    return DriveIndexes(table, count);
}
