// The package folder: the current directory, where the program finds its files.
#pragma once

#include <string>

// The path of a file of the package.
std::string PackagePath(const std::string& name);

bool Exists(const std::string& path);

// A file (not a folder) that can be opened for reading.
bool IsReadableFile(const std::string& path);

// The finding for a firmware file named like one of the copies the program stages
// on the camera (~STAGE00.TMP ...), which makes the program refuse the package.
constexpr char kStagedNameFinding[] =
    "is a name nolvetra.exe gives its own staged copies on the camera; it refuses a package with such a file";
