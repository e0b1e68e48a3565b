// A firmware file name of FirmWare.ini as the loader reads it (at most 254 characters).
// A name the rule accepts names a file in the folder itself: it is not empty, not "."
// or "..", and has no folder or drive part. The rule may refuse more names than these.
#include "package_files.h"
#include "require.h"
#include "update_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name = InputText(data, size, kFileNameLength);
    if (!IsPlainFileName(name)) return 0;
    Require(!name.empty() && name != "." && name != "..", "an accepted name names a file");
    Require(name.find_first_of("\\/:") == std::string::npos, "an accepted name has no folder or drive part");
    return 0;
}
