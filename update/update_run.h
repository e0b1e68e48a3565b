// The update run behind the Start button: copy the new firmware files beside the old
// ones in the target folder with progress, read every copy back from the device and
// check it against its source and, where checksum.ini has a line for it, against that
// checksum too; only then put the copies in place of the old files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "update_config.h"

class CopyAccess;
class UpdateView;

// Runs one update of config.targetFolder from the current directory. The copies
// are opened and read through access.
void RunUpdate(UpdateConfig& config, UpdateView& view);
void RunUpdate(UpdateConfig& config, UpdateView& view, CopyAccess& access);
