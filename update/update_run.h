// The update run behind the Start button: purge the old firmware files in the
// target folder, copy the new ones with progress, and read every copy back from the
// device: by its checksum when checksum.ini has one, else against its source.
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
