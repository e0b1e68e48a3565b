// Paths of the update program: its working folder and the files in a folder.
#pragma once

#include <string>

// The process's current directory: the folder of the program and its package.
std::string CurrentFolder();

// folder + "\" + name, the one way the program forms its file paths.
std::string JoinPath(const std::string& folder, const std::string& name);

// Whether two folder paths name the same folder: their full paths are equal ignoring
// letter case and a final backslash.
bool IsSameFolder(const std::string& a, const std::string& b);
