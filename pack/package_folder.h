// The package folder: the current directory, where the program finds its files.
#pragma once

#include <string>

// The path of a file of the package.
std::string PackagePath(const std::string& name);

bool Exists(const std::string& path);

// A file (not a folder) that can be opened for reading.
bool IsReadableFile(const std::string& path);
