// nolvetra-pack: makes and checks firmware packages for nolvetra.exe, reading them
// with the program's own loader and checksum and the detector's own device table.
//   nolvetra-pack check [FOLDER]
//   nolvetra-pack make --vid HHHH --pid HHHH --product NAME --version VER
//                      [--folder FOLDER] [--force] FILE...
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "findings.h"
#include "package_check.h"
#include "package_make.h"

namespace {

constexpr int kExitClean = 0;
constexpr int kExitErrors = 1;
constexpr int kExitUsage = 2;
constexpr std::size_t kMaxIdDigits = 4;

const char kUsage[] =
    "usage: nolvetra-pack check [FOLDER]\n"
    "       nolvetra-pack make --vid HHHH --pid HHHH --product NAME --version VER\n"
    "                          [--folder FOLDER] [--force] FILE...\n";

int UsageError(const std::string& what) {
    std::fprintf(stderr, "nolvetra-pack: %s\n%s", what.c_str(), kUsage);
    return kExitUsage;
}

int ExitStatus(const Findings& findings) { return findings.errors() > 0 ? kExitErrors : kExitClean; }

// The folder becomes the current directory: the program and the detector read
// their files from there.
bool EnterFolder(const std::string& folder) { return SetCurrentDirectoryA(folder.c_str()) != FALSE; }

// 1 to 4 hexadecimal digits, without a prefix.
bool ParseIdentifier(const std::string& text, std::uint16_t& value) {
    if (text.empty() || text.size() > kMaxIdDigits ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    value = static_cast<std::uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
    return true;
}

int RunCheck(const std::vector<std::string>& args) {
    if (args.size() > 1) return UsageError("check takes one folder at most");
    if (!args.empty() && !EnterFolder(args[0])) return UsageError("no folder " + args[0]);
    Findings findings;
    CheckPackage(findings);
    return ExitStatus(findings);
}

// Reads the make command's options and files; false with a message on a usage error.
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

int RunMake(const std::vector<std::string>& args) {
    PackageRequest request;
    std::string folder;
    std::string error;
    if (!ParseMake(args, request, folder, error)) return UsageError(error);
    if (!folder.empty() && !EnterFolder(folder)) return UsageError("no folder " + folder);
    Findings findings;
    if (!MakePackage(request, findings)) return kExitErrors;
    CheckPackage(findings);
    return ExitStatus(findings);
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("give a command");
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "check") return RunCheck(rest);
    if (args[0] == "make") return RunMake(rest);
    return UsageError("unknown command " + args[0]);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "nolvetra-pack: %s\n", failure.what());
        return kExitErrors;
    }
}
