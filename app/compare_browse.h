// The dialog's Compare command (the firmware files in the working directory against
// those in the target folder) and its folder browse command.
#pragma once

#include <windows.h>

#include <string>

#include "update_config.h"

class UpdateView;

// Compares every firmware file of the package with its copy in the target folder,
// moving the progress bar, and shows the differing files or "OK".
void RunCompare(const UpdateConfig& config, UpdateView& view);

// Shows the system folder picker owned by owner. Returns the picked folder's
// file-system path, or an empty text when the user cancelled.
std::string BrowseForFolder(HWND owner);
