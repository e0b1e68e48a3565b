// The drive list as the system reports it, for comparing with the dialog's combo box.
#pragma once

#include <string>
#include <vector>

// The root of every drive GetLogicalDriveStringsA reports, in its order ("C:\", ...).
std::vector<std::string> SystemDriveEntries();
