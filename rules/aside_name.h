// The names under which the update run sets an old firmware file aside on Windows
// 95/98/ME, which cannot rename over an existing file: the old file is renamed
// aside, the new one takes its name, and only then is the old one deleted.
#pragma once

#include <string>

// The set-aside old file of firmware file slot: ~OLD00.TMP for slot 0 up to
// ~OLD29.TMP. An 8.3 name of the run's own, as the staged copies' names are. A slot
// outside the file-name table gives an empty name.
std::string AsideFileName(int slot);

// The slot whose set-aside name name is, in any letter case, or -1 for any other name.
int AsideFileSlot(const std::string& name);
