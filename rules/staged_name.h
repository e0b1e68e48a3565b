// The names under which the update run stages its copies in the target folder
// before it puts them in place.
#pragma once

#include <string>

// The staged copy of firmware file slot: ~STAGE00.TMP for slot 0 up to ~STAGE29.TMP.
// An 8.3 name, which every file system a camera may use stores as it is, and no
// firmware file's: a camera's loader looks for its own file names and takes no
// .TMP file. A slot outside the file-name table gives an empty name.
std::string StagedFileName(int slot);

// Whether name is one of the staged copies' names, in any letter case. A package
// with such a file would have one of its files taken for a leftover copy.
bool IsStagedFileName(const std::string& name);
