#include "result_table.h"

#include <algorithm>
#include <new>

FoundDevice* currentTable = nullptr;

void ReleaseCurrentTable() {
    delete[] currentTable;
    currentTable = nullptr;
}

FoundDevice* InstallCurrentTable(const std::vector<FoundDevice>& records) {
    ReleaseCurrentTable();
    // new[] of zero records still yields a distinct non-null block.
    currentTable = new (std::nothrow) FoundDevice[records.size()]();
    if (currentTable) std::copy(records.begin(), records.end(), currentTable);
    return currentTable;
}

FoundDevice MakeFoundDevice(std::int16_t driveIndex, const DeviceEntry& entry) {
    FoundDevice record{};
    record.DriveIndex = driveIndex;
    record.VID = entry.VID;
    record.PID = entry.PID;
    record.RecordLength = FOUND_DEVICE_RECORD_LENGTH;
    return record;
}
