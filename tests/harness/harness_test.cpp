#include <windows.h>

#include <gtest/gtest.h>

TEST(Harness, TestDriveGIsMapped) {
    char drives[256] = {};
    DWORD n = GetLogicalDriveStringsA(sizeof drives, drives);
    ASSERT_GT(n, 0u);
    bool found = false;
    for (const char* p = drives; *p; p += strlen(p) + 1) found = found || (p[0] == 'G');
    EXPECT_TRUE(found);
}

TEST(Harness, WindowsCanBeCreatedOnTheDisplay) {
    HWND w = CreateWindowA("STATIC", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(w, nullptr) << GetLastError();
    DestroyWindow(w);
}
