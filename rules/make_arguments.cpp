#include "make_arguments.h"

#include <cstdlib>

namespace {

constexpr std::size_t kMaxIdDigits = 4;

// 1 to 4 hexadecimal digits, without a prefix.
bool ParseIdentifier(const std::string& text, std::uint16_t& value) {
    if (text.empty() || text.size() > kMaxIdDigits ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    value = static_cast<std::uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
    return true;
}

}  // namespace

bool ParseMake(const std::vector<std::string>& args, PackageRequest& request, std::string& folder,
               std::string& error) {
    bool vid = false, pid = false, product = false, version = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--force") {
            request.force = true;
            continue;
        }
        if (arg.compare(0, 2, "--") != 0) {
            request.fileNames.push_back(arg);
            continue;
        }
        if (i + 1 == args.size()) {
            error = arg + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        if (arg == "--vid" || arg == "--pid") {
            const bool isVid = arg == "--vid";
            if (!ParseIdentifier(value, isVid ? request.vid : request.pid)) {
                error = arg + " takes 1 to 4 hexadecimal digits, not " + value;
                return false;
            }
            (isVid ? vid : pid) = true;
        } else if (arg == "--product") {
            request.productName = value;
            product = true;
        } else if (arg == "--version") {
            request.firmwareVersion = value;
            version = true;
        } else if (arg == "--folder") {
            folder = value;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (!vid || !pid || !product || !version) error = "make needs --vid, --pid, --product and --version";
    else if (request.fileNames.empty()) error = "make needs the firmware files";
    return error.empty();
}
