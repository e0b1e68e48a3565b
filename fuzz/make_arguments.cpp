// The package tool's make command line: the input's zero bytes separate the arguments.
// An accepted command line means what its plain form says: written back with 4-digit
// identifiers, it is read as the same request; a refused one says why.
#include <vector>

#include "make_arguments.h"
#include "require.h"
#include "usb_device_id.h"

namespace {

std::vector<std::string> Arguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) args.emplace_back();
        else args.back() += static_cast<char>(data[i]);
    }
    return args;
}

std::vector<std::string> PlainForm(const PackageRequest& request, const std::string& folder) {
    std::vector<std::string> args = {"--vid",     FourHexDigits(request.vid),  "--pid",
                                      FourHexDigits(request.pid), "--product", request.productName,
                                      "--version", request.firmwareVersion, "--folder", folder};
    if (request.force) args.push_back("--force");
    args.insert(args.end(), request.fileNames.begin(), request.fileNames.end());
    return args;
}

bool Same(const PackageRequest& a, const PackageRequest& b) {
    return a.vid == b.vid && a.pid == b.pid && a.productName == b.productName &&
           a.firmwareVersion == b.firmwareVersion && a.force == b.force && a.fileNames == b.fileNames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PackageRequest request;
    std::string folder;
    std::string error;
    const bool accepted = ParseMake(Arguments(data, size), request, folder, error);
    Require(accepted == error.empty(), "a refusal says why, an acceptance says nothing");
    if (!accepted) return 0;
    Require(!request.fileNames.empty(), "an accepted command names files");
    for (const std::string& name : request.fileNames) Require(name.compare(0, 2, "--") != 0, "no option is a file");

    PackageRequest again;
    std::string againFolder;
    Require(ParseMake(PlainForm(request, folder), again, againFolder, error) && Same(again, request) &&
                againFolder == folder,
            "the plain form is read as the same request");
    return 0;
}
