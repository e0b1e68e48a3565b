#include "file_paths.h"

#include <windows.h>

#include <vector>

std::string CurrentFolder() {
    // The package folder normally fits in MAX_PATH; asking for the needed size
    // first keeps a longer one whole instead of turning it into an empty path,
    // which would make every file path relative to the root of the current drive.
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return std::string();
    std::vector<char> buffer(needed);
    const DWORD length = GetCurrentDirectoryA(needed, buffer.data());
    if (length == 0 || length >= needed) return std::string();
    return std::string(buffer.data(), length);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

namespace {

// The full path of folder, without a final backslash, in upper case; empty when the
// system cannot form it.
std::string FolderKey(const std::string& folder) {
    const DWORD needed = GetFullPathNameA(folder.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::string();
    std::vector<char> buffer(needed);
    DWORD length = GetFullPathNameA(folder.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed) return std::string();
    if (buffer[length - 1] == '\\') --length;
    // Upper case as the system's code page has it, not only for ASCII letters.
    CharUpperBuffA(buffer.data(), length);
    return std::string(buffer.data(), length);
}

}  // namespace

bool IsSameFolder(const std::string& a, const std::string& b) {
    const std::string keyA = FolderKey(a);
    return !keyA.empty() && keyA == FolderKey(b);
}
