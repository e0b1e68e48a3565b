// nolvetra-pack: makes and checks firmware packages for nolvetra.exe, reading them
// with the program's own loader and checksum and the detector's own device table.
//   nolvetra-pack check [FOLDER]
//   nolvetra-pack make --vid HHHH --pid HHHH --product NAME --version VER
//                      [--folder FOLDER] [--force] FILE...
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "findings.h"
#include "make_arguments.h"
#include "package_check.h"
#include "package_make.h"
#include "system_library.h"

namespace {

constexpr int kExitClean = 0;
constexpr int kExitErrors = 1;
constexpr int kExitUsage = 2;

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

int RunCheck(const std::vector<std::string>& args) {
    if (args.size() > 1) return UsageError("check takes one folder at most");
    if (!args.empty() && !EnterFolder(args[0])) return UsageError("no folder " + args[0]);
    Findings findings;
    CheckPackage(findings);
    return ExitStatus(findings);
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
    RestrictDllSearchToSystemFolder();
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "nolvetra-pack: %s\n", failure.what());
        return kExitErrors;
    }
}
