#include "package_folder.h"

#include <windows.h>

#include <cstdio>

#include "file_paths.h"

std::string PackagePath(const std::string& name) { return JoinPath(CurrentFolder(), name); }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsReadableFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

std::string NameClashFinding(NameClash clash) {
    const char* what = "";
    switch (clash) {
    case NameClash::stagedName: what = "is a name nolvetra.exe gives its own files on the camera (staged copies, old files set aside)"; break;
    case NameClash::trailingDotOrBlank: what = "ends in a dot or a blank, which Windows drops from a file name"; break;
    case NameClash::earlierName: what = "names the same file as an earlier name: Windows ignores letter case"; break;
    case NameClash::none: break;
    }
    return std::string(what) + "; nolvetra.exe refuses a package with such a file";
}
