#include "window_driver.h"

#include <algorithm>
#include <cstdio>

namespace uidriver {

namespace {

constexpr DWORD kPollMs = 50;
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kBitsPerPixel = 24;
constexpr int kClassNameSize = 64;  // longer than any class name the driver looks for

struct Search {
    const WindowFilter* match;
    HWND found;
};

BOOL CALLBACK VisitTopWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!(*search->match)(window)) return TRUE;
    search->found = window;
    return FALSE;
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0], size,
                        nullptr, nullptr);
    return narrow;
}

BOOL CALLBACK VisitIconStatic(HWND child, LPARAM context) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
    *reinterpret_cast<HWND*>(context) = child;
    return FALSE;
}

std::string ClassName(HWND window) {
    char name[kClassNameSize] = {};
    GetClassNameA(window, name, kClassNameSize);
    return name;
}

}  // namespace

HWND WaitForWindow(const WindowFilter& match, DWORD timeoutMs) {
    Search search = {&match, nullptr};
    WaitUntil([&] {
        EnumWindows(&VisitTopWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    return search.found;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

bool IsDialogWindow(HWND window) { return ClassName(window) == "#32770"; }

WindowFilter DialogOfThread(DWORD threadId) {
    return [threadId](HWND window) {
        return IsDialogWindow(window) && GetWindowThreadProcessId(window, nullptr) == threadId;
    };
}

WindowFilter DialogOfProcess(DWORD processId) {
    return [processId](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return IsDialogWindow(window) && owner == processId;
    };
}

bool IsMessageBox(HWND window) {
    return IsDialogWindow(window) && GetDlgItem(window, kMessageBoxTextId) != nullptr;
}

bool IsUnowned(HWND window) { return GetWindow(window, GW_OWNER) == nullptr; }

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

std::string Text(HWND window) {
    const int length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = static_cast<int>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return Narrow(text);
}

std::string ItemText(HWND dialog, int controlId) { return Text(GetDlgItem(dialog, controlId)); }

std::string MessageBoxText(HWND box) { return ItemText(box, kMessageBoxTextId); }

HICON MessageBoxIcon(HWND box) {
    HWND icon = nullptr;
    EnumChildWindows(box, &VisitIconStatic, reinterpret_cast<LPARAM>(&icon));
    return icon ? reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0)) : nullptr;
}

std::vector<std::string> ComboEntries(HWND combo) {
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0));
        std::wstring entry(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        const int copied = static_cast<int>(
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&entry[0])));
        entry.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
        entries.push_back(Narrow(entry));
    }
    return entries;
}

int ComboSelection(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

int ComboEntryIndex(HWND combo, const std::string& entry) {
    const std::vector<std::string> entries = ComboEntries(combo);
    const auto found = std::find(entries.begin(), entries.end(), entry);
    return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
}

void ClickButton(HWND dialog, int controlId) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
}

void ChooseComboEntry(HWND dialog, int controlId, int index) {
    const HWND combo = GetDlgItem(dialog, controlId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void PressEnterOn(HWND dialog, int controlId) {
    const HWND control = GetDlgItem(dialog, controlId);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    PostMessageW(control, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(control, WM_KEYUP, VK_RETURN, 0xC0000001);
}

void Answer(HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

bool SaveWindowImage(HWND window, const std::string& bmpPath) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = kBitsPerPixel;
    info.biCompression = BI_RGB;
    const DWORD rowBytes = ((width * kBitsPerPixel + 31) / 32) * 4;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(rowBytes) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(bmpPath.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&info, sizeof info, 1, out) == 1 &&
                         std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace uidriver
