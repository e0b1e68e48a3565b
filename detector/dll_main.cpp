// The library's process and thread notifications.
#include <windows.h>

#include "result_table.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    // Thread ends change nothing: a table handed out stays valid until the next query.
    if (reason == DLL_PROCESS_DETACH) ReleaseCurrentTable();
    return TRUE;
}
