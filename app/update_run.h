// The update run behind the Start button: purge the old firmware files in the
// target folder, copy the new ones with progress, verify them by checksum.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "update_config.h"

class UpdateView;

// Runs one update of config.targetFolder from the current directory.
void RunUpdate(UpdateConfig& config, UpdateView& view);
