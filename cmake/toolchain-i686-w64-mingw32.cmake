# 32-bit Windows (also 95/98/ME); the programs and tests run here under the WoW64 Wine
# of tests/harness/wow64-namespace.sh.
set(MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The win32 thread model links no winpthread: its imports (GetTickCount64,
# AddVectoredExceptionHandler, ...) do not exist on Windows 95/98/ME, and the loader
# refuses a module with one unresolved import. The update run starts its worker with
# _beginthreadex, the tests theirs with CreateThread: this model has no std::thread.
set(MINGW_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
