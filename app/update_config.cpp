#include "update_config.h"

void UpdateConfig::setTargetFolder(const std::string& folder) {
    targetFolder = folder.substr(0, kPathBufferSize - 1);
}
