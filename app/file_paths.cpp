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
