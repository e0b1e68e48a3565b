#include "vostel_exist.h"

#include <vector>

#include "detect_9x.h"
#include "detect_nt.h"
#include "device_table.h"
#include "query_family.h"
#include "result_table.h"
#include "system_api.h"

bool IsNtFamily() {
    constexpr DWORD kWindows9xBit = 0x80000000u;
    return (Api().GetVersion() & kWindows9xBit) == 0;
}

extern "C" FoundDevice* __cdecl VostelExist(int32_t* count) {
    // Nothing may escape into a C caller: a failure (in practice a failed allocation)
    // narrows what is found to nothing.
    try {
        const std::vector<DeviceEntry> entries = LoadDeviceTable();
        const auto entryCount = static_cast<std::uint32_t>(entries.size());
        if (IsNtFamily()) {
            DetectDrivesNt(count, entryCount, entries.data());
        } else {
            DetectDrives9x(count, entryCount, entries.data());
        }
    } catch (...) {
        ReleaseCurrentTable();
        *count = 0;
    }
    return currentTable;
}
