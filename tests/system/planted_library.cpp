// A DLL that lies in a folder of its own and not in the system folder: the one a
// restricted DLL search must no longer find by its name.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
